#include "vbMsgWnd.h"

#include "vbExceptionReport.h"
#include "engines/vbKernelError.h"

#include "plat/module.h"

vbWinClass vbMsgWnd::s_Class("KVX Vantrel vbMsgWnd", CS_CLASSDC, DefWindowProcA, vbEngineDeps());

namespace {
void showCaught(const char* file, int line)
{
    try {
        throw;
    } catch (CException* e) {
        vbShowException(e, true, file, line);
    } catch (...) {
        vbImpl::reportCurrent(true, file, line);
    }
}
} // namespace

vbMsgWnd::vbMsgWnd(const vbString& name, const vbMSGWNDCB& callback) : m_name(name), m_callback(callback) { }

vbMsgWnd::~vbMsgWnd()
{
    try {
        Destroy();
    } catch (...) {
        showCaught(__FILE__, __LINE__);
    }
}

void vbMsgWnd::Create()
{
    if (!CreateEx(0, nullptr, m_name.c_str(), 0, 0, 0, 0, 0, nullptr, nullptr))
        vbImpl::throwSys(vbImpl::hrOfLastError(), "vbMsgWnd::Create failure");
}

void vbMsgWnd::Destroy()
{
    if (m_hWnd)
        DestroyWindow();
}

BOOL vbMsgWnd::PreCreateWindow(CREATESTRUCTA& cs)
{
    try {
        s_Class.InitCs(cs);
        cs.style = LONG(WS_POPUP);
        cs.dwExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
        if (vbIsNTos() && vbGetOSver() >= 5)
            cs.hwndParent = HWND_MESSAGE;
        cs.hInstance = GetModuleHandleA(nullptr);
        return CWnd::PreCreateWindow(cs);
    } catch (...) {
        showCaught(__FILE__, __LINE__);
        return FALSE;
    }
}

LRESULT vbMsgWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        LRESULT result = 0;
        if (m_callback.Call(*this, message, wParam, lParam, result))
            return result;
        return CWnd::WindowProc(message, wParam, lParam);
    } catch (...) {
        showCaught(__FILE__, __LINE__);
        return 0;
    }
}
