// Window classes registered as engines, and the message window.

#include "vbMsgWnd.h"

#include "LogFileReader.h"
#include "vbObjTestUtil.h"

#include "plat/message.h"
#include "plat/module.h"

#include <gtest/gtest.h>

#include <string>

using vbtest::expectEsys;

namespace {

// Sees what the message window asks of its creation.
class ProbeWnd : public vbMsgWnd {
public:
    using vbMsgWnd::vbMsgWnd;
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override
    {
        const BOOL ok = vbMsgWnd::PreCreateWindow(cs);
        parent = cs.hwndParent;
        exStyle = cs.dwExStyle;
        style = DWORD(cs.style);
        className = cs.lpszClass ? cs.lpszClass : "";
        return ok;
    }
    HWND parent = nullptr;
    DWORD exStyle = 0;
    DWORD style = 0;
    std::string className;
};

class Handler : public vbBase {
public:
    bool onMessage(vbMsgWnd& wnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
    {
        (void)wnd;
        (void)lParam;
        if (msg != WM_USER + 1)
            return false;
        result = LRESULT(wParam * 2);
        ++handled;
        return true;
    }
    int handled = 0;
};

TEST(vbWinClass, OneLabelRegistersOnce)
{
    vbUseEngineCenter use(&g_vbEngineCenter, false);
    vbWinClass a("KVX Test class", CS_CLASSDC, DefWindowProcA, vbEngineDeps());
    vbWinClass b("KVX Test class", 0, DefWindowProcA, vbEngineDeps());
    EXPECT_STREQ(static_cast<const char*>(a), "KVX Test class V5");
    EXPECT_NE(a.GetAtom(), 0);
    expectEsys([&] { b.Start(); }, HRESULT(0x80070582), "vbWinClass(KVX Test class)::onStart() : RegisterClassEx failure");
    CREATESTRUCTA cs = {};
    a.InitCs(cs);
    EXPECT_STREQ(cs.lpszClass, "KVX Test class V5");
    EXPECT_EQ(cs.hInstance, GetModuleHandleA(nullptr));
    // Stopped, the class is gone and its name free again.
    a.Stop();
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "KVX Test class V5";
    wc.hInstance = GetModuleHandleA(nullptr);
    EXPECT_NE(RegisterClassExA(&wc), 0);
    EXPECT_TRUE(UnregisterClassA("KVX Test class V5", GetModuleHandleA(nullptr)));
}

TEST(vbMsgWnd, MessageOnlyWindowHandsMessagesToItsRecord)
{
    vbUseEngineCenter use(&g_vbEngineCenter, false);
    Handler h;
    ProbeWnd wnd("probe", vbMSGWNDCB(&h, &Handler::onMessage));
    EXPECT_TRUE(wnd.IsEmpty());
    wnd.Create();
    ASSERT_TRUE(wnd.IsValid());
    EXPECT_EQ(wnd.className, "KVX Vantrel vbMsgWnd V5");
    EXPECT_EQ(wnd.style, DWORD(WS_POPUP));
    EXPECT_EQ(wnd.exStyle, 0x88u);
    if (vbIsNTos() && vbGetOSver() >= 5) {
        EXPECT_EQ(wnd.parent, HWND_MESSAGE);
    }
    EXPECT_EQ(SendMessageA(wnd.m_hWnd, WM_USER + 1, 21, 0), 42);
    EXPECT_EQ(h.handled, 1);
    // Not handled: default processing.
    EXPECT_EQ(SendMessageA(wnd.m_hWnd, WM_USER + 2, 21, 0), 0);

    ProbeWnd plain("plain", vbMSGWNDCB());
    plain.Create();
    EXPECT_EQ(SendMessageA(plain.m_hWnd, WM_USER + 1, 21, 0), 0);
    plain.Destroy();
    EXPECT_TRUE(plain.IsEmpty());
    wnd.Destroy();

    // Stopping the centre unregisters the class.
    EXPECT_NE(vbMsgWnd::s_Class.GetAtom(), 0);
    g_vbEngineCenter.Stop();
    EXPECT_EQ(vbMsgWnd::s_Class.GetAtom(), 0);
}

} // namespace
