#include "guiMsImg32.h"

#include "vbObjects.h"

#include "plat/module.h"

const IID IID_guiMsImg32 = {0x728C3559, 0x443F, 0x4D32, {0x94, 0x79, 0xC1, 0xA9, 0x9F, 0x06, 0x73, 0x49}};

guiMsImg32::guiMsImg32(const char* label, const vbEngineDeps& dependencies)
    : vbEngine(vbEngineStartOnDemand, label, dependencies)
{
}

guiMsImg32::~guiMsImg32() { Destroy(); }

bool guiMsImg32::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_guiMsImg32) {
        *ppv = this;
        return true;
    }
    return vbEngine::GetInterface(iid, ppv);
}

void guiMsImg32::onStart()
{
    // A missing library or function only means plain fills: nothing to report.
    m_library = LoadLibraryA("msimg32.dll");
    if (m_library)
        m_gradientFill = reinterpret_cast<GradientFillProc>(GetProcAddress(m_library, "GradientFill"));
}

bool guiMsImg32::onStop(bool)
{
    if (m_library) {
        m_gradientFill = nullptr;
        FreeLibrary(m_library);
        m_library = nullptr;
    }
    return true;
}

bool guiMsImg32::HasGradFill() const
{
    vbLock use;
    return IsStarted(&use) && m_gradientFill;
}

bool guiMsImg32::GradFill(HDC dc, TRIVERTEX* vertices, ULONG vertexCount, void* mesh, ULONG meshCount, ULONG mode) const
{
    vbLock use;
    if (!IsStarted(&use) || !m_gradientFill)
        return false;
    return m_gradientFill(dc, vertices, vertexCount, mesh, meshCount, mode) != FALSE;
}
