#include "vbMfcModuleState.h"

#include "vbExceptionReport.h"

#include <cstdlib>

vbMfcModuleState::ModuleState::ModuleState(BOOL bDLL, WNDPROC pfnAfxWndProc, DWORD dwVersion, BOOL bSystem)
    : AFX_MODULE_STATE(bDLL, pfnAfxWndProc, dwVersion, bSystem)
{
}

void* vbMfcModuleState::ModuleState::operator new(size_t size)
{
    void* p = std::calloc(1, size);
    if (!p)
        AfxThrowMemoryException();
    return p;
}

void vbMfcModuleState::ModuleState::operator delete(void* p) noexcept { std::free(p); }

vbMfcModuleState::vbMfcModuleState(BOOL bDLL, WNDPROC pfnAfxWndProc, DWORD dwVersion, BOOL bSystem)
    : m_pState(new ModuleState(bDLL, pfnAfxWndProc, dwVersion, bSystem))
{
}

vbMfcModuleState::~vbMfcModuleState()
{
    try {
        delete m_pState;
    } catch (CException* e) {
        vbTraceException(e, true, "vbHotPlug", 0);
    } catch (...) {
    }
}
