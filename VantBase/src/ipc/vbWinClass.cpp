#include "vbWinClass.h"

#include "engines/vbKernelError.h"
#include "vbLog.h"
#include "vbObjects.h"

#include "plat/module.h"

// {3E606124-0170-49B9-BE1A-95640347EFF4}
const IID IID_vbWinClass = {0x3E606124, 0x0170, 0x49B9, {0xBE, 0x1A, 0x95, 0x64, 0x03, 0x47, 0xEF, 0xF4}};

vbWinClass::vbWinClass(const char* label, UINT style, WNDPROC proc, const vbEngineDeps& deps)
    : vbWinClass(label, style, proc, 0, 0, nullptr, nullptr, nullptr, nullptr, deps)
{
}

vbWinClass::vbWinClass(const char* label, UINT style, WNDPROC proc, int classExtra, int windowExtra, HICON icon,
    HCURSOR cursor, HBRUSH background, const char* menuName, const vbEngineDeps& deps)
    : vbEngine(vbEngineStartOnDemand, label, deps), m_wc(), m_className(vbString(label) + " V5")
{
    m_wc.cbSize = sizeof(WNDCLASSEXA);
    m_wc.style = style;
    m_wc.lpfnWndProc = proc;
    m_wc.cbClsExtra = classExtra;
    m_wc.cbWndExtra = windowExtra;
    m_wc.hIcon = icon;
    m_wc.hCursor = cursor;
    m_wc.hbrBackground = background;
    m_wc.lpszMenuName = menuName;
}

vbWinClass::~vbWinClass()
{
    try {
        Destroy();
    } catch (...) {
        vbImpl::reportCurrent(false, __FILE__, __LINE__);
    }
}

bool vbWinClass::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbWinClass) {
        *ppv = this;
        return true;
    }
    return vbEngine::GetInterface(iid, ppv);
}

vbWinClass::operator const char*() const
{
    vbLock use(this);
    return m_className.c_str();
}

void vbWinClass::InitCs(CREATESTRUCTA& cs) const
{
    vbLock use(this);
    cs.lpszClass = m_className.c_str();
    cs.hInstance = m_wc.hInstance;
}

void vbWinClass::onStart()
{
    // The program's module, not the library's: windows of the class belong to the program.
    m_wc.hInstance = GetModuleHandleA(nullptr);
    m_wc.lpszClassName = m_className.c_str();
    m_atom = RegisterClassExA(&m_wc);
    if (m_atom == 0)
        vbImpl::throwSys(vbImpl::hrOfLastError(), "vbWinClass(%s)::onStart() : RegisterClassEx failure", GetLabelPtr());
}

bool vbWinClass::onStop(bool)
{
    if (m_atom == 0)
        return true;
    m_atom = 0;
    if (!UnregisterClassA(m_className.c_str(), m_wc.hInstance)) {
        const DWORD err = GetLastError();
        vbString text;
        text.FormatErr(err);
        vbRelOutput(vbString("vbWinClass(") + GetLabelPtr() + ")::onStop() : error : " + vbStringFormat("%u", unsigned(err))
                + " : " + text,
            true);
    }
    return true;
}
