#pragma once

// What the GUI tests run in: the headless screen (1024 x 768), the fixed test font, a manual
// clock, one top-level window holding an application state and a window container, controls
// created in it, and input injected as a user gives it. Messages always go through the platform.
// Recording stubs stand in for the keyboard manager, the message filter, the tool tip, the layout
// helper and the attribute controller.

#include "guiContainer.h"

#include "vbEngine.h"
#include "vbWinClass.h"

#include "testsupport/ManualClock.h"

#include "plat/afxgdi.h"
#include "plat/afxwin.h"
#include "plat/focus.h"
#include "plat/headless.h"
#include "plat/message.h"
#include "plat/window.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace gui::test {

// Every stub writes "<who>:<what>" lines into one shared log.
using Log = std::vector<std::string>;

struct RecordingKBmanager : sIguiKBmanager {
    explicit RecordingKBmanager(Log& log) : log(log) { }
    bool KBfilterMsg(guiContainer*, TControl* control, UINT& msg, WPARAM&, LPARAM&, LRESULT& result) override
    {
        if (msg == watched)
            log.push_back(std::string("kb:") + (control ? "control" : "window"));
        if (msg != handled)
            return false;
        result = 42;
        return true;
    }
    guiKeyCtx GetCtx() override { return ctx; }
    DWORD GetKeyState(int vk) const override { return static_cast<DWORD>(vk) + 1000; }
    DWORD GetAppCtx() const override { return appCtx; }
    void SetAppCtx(DWORD value) override { appCtx = value; }
    void SetAppCtxBits(DWORD bits) override { appCtx |= bits; }
    void UnsetAppCtxBits(DWORD bits) override { appCtx &= ~bits; }
    bool HasAppCtxBits(DWORD bits) const override { return (appCtx & bits) == bits; }
    bool ExecOp(const vbString&, DWORD) override { return false; }

    Log& log;
    UINT watched = 0;
    UINT handled = 0;
    guiKeyCtx ctx;
    DWORD appCtx = 0;
};

struct RecordingFilter : sIguiFilterMsg {
    explicit RecordingFilter(Log& log) : log(log) { }
    bool FilterMsg(guiContainer*, TControl* control, UINT& msg, WPARAM&, LPARAM&, LRESULT& result) override
    {
        if (msg == watched)
            log.push_back(std::string("filter:") + (control ? "control" : "window"));
        if (msg != handled)
            return false;
        result = 43;
        return true;
    }

    Log& log;
    UINT watched = 0;
    UINT handled = 0;
};

struct RecordingToolTip : sIguiToolTip {
    explicit RecordingToolTip(Log& log, bool accepts = true) : log(log), accepts(accepts) { }
    bool SetCtrl(TControl* control, const CPoint&) override
    {
        log.push_back(control ? "tip:set" : "tip:set(null)");
        return accepts;
    }
    void RemoveCtrl(TControl*) override { log.push_back("tip:remove"); }
    void ResetTip() override { log.push_back("tip:reset"); }
    void HideTip() override { log.push_back("tip:hide"); }
    void UpdateTip(TControl*) override { log.push_back("tip:update"); }
    void ForeGroundTip() override { log.push_back("tip:foreground"); }

    Log& log;
    bool accepts;
};

struct LayoutHelper : sIguiLayoutHelper {
    bool IsLayoutMovable() override { return movable; }
    bool IsLayoutSizable() override { return sizable; }
    bool movable = true;
    bool sizable = true;
};

struct RecordingControler : sIguiControler {
    bool ApplyAttrs(TControl*) override
    {
        ++applied;
        return true;
    }
    bool GetPrintInfo(TControl*, const guiDrawInfo*, guiDrawInfo*, CDC*) override
    {
        ++printInfos;
        return completes;
    }
    int applied = 0;
    int printInfos = 0;
    bool completes = false;
};

// An own-drawn control painting its back surface over its client area, with counters of what
// reached it.
class TestControl : public TControlTemplate<guiCtrl> {
public:
    static vbWinClass& windowClass()
    {
        static vbWinClass cls("KVX Vantrel guiTestCtrl", 0x8B, DefWindowProcA, vbEngineDeps());
        return cls;
    }

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override
    {
        if (!allowCreate)
            return FALSE;
        windowClass().InitCs(cs);
        return TRUE;
    }

    void ClientPrint(guiDrawInfo*, CDC* dc) override
    {
        CRect r;
        GetClientRect(&r);
        tcGetBackSurface().Fill(dc->GetSafeHdc(), r, nullptr);
        ++prints;
    }

    bool onWindowProc(UINT& msg, WPARAM& wParam, LPARAM&, LRESULT& result) override
    {
        if (msg == WM_KEYDOWN)
            lastKey = static_cast<UINT>(wParam);
        if (msg == watched)
            log.push_back("control");
        if (msg == WM_PAINT) {
            CPaintDC dc(this);
            ClientPrint(nullptr, &dc);
            result = 0;
            return true;
        }
        if (msg == WM_ERASEBKGND) {
            result = 1;
            return true;
        }
        return false;
    }

    void tcOnMouseOver() override { ++overs; }
    void tcOnMouseOut() override { ++outs; }

    // Callback targets.
    bool onKeyDown(TControl*, UINT& key, UINT&, UINT&)
    {
        log.push_back("keydown-cb");
        key = rewriteKeyTo ? rewriteKeyTo : key;
        return handleKeys;
    }
    bool onMouse(TControl*, UINT, const CPoint&)
    {
        log.push_back("mouse-cb");
        return handleMouse;
    }
    bool onFocus(TControl*, HWND from)
    {
        focusFrom = from;
        return false;
    }
    void onMouseOverCb(TControl*, bool left) { log.push_back(left ? "out-cb" : "over-cb"); }
    void onClrAttr(TControl*, int attr) { clrAttrs.push_back(attr); }

    bool allowCreate = true;
    UINT watched = 0;
    UINT lastKey = 0;
    UINT rewriteKeyTo = 0;
    bool handleKeys = false;
    bool handleMouse = false;
    HWND focusFrom = nullptr;
    int overs = 0;
    int outs = 0;
    int prints = 0;
    std::vector<int> clrAttrs;
    Log log;
};

// The top-level window: its container sees each message first.
class TestWindow : public CWnd {
public:
    TestWindow() : app(this, "GuiTest", "Gui test"), container(&app, this, nullptr, nullptr) { }

    guiApp app;
    guiContainer container;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        LRESULT result = -1;
        if (container.DispatchMsg(msg, wParam, lParam, result))
            return result;
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

// Counts the messages a window receives (and keeps each one's last wParam) by replacing its
// window procedure for the life of the object.
class MessageCounter {
public:
    explicit MessageCounter(HWND hwnd) : m_hwnd(hwnd)
    {
        counters()[hwnd] = this;
        m_previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&proc)));
    }
    ~MessageCounter()
    {
        if (IsWindow(m_hwnd))
            SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previous));
        counters().erase(m_hwnd);
    }
    MessageCounter(const MessageCounter&) = delete;
    MessageCounter& operator=(const MessageCounter&) = delete;

    int count(UINT msg) const
    {
        auto it = m_counts.find(msg);
        return it == m_counts.end() ? 0 : it->second;
    }
    WPARAM lastWParam(UINT msg) const { return m_lastWParam.at(msg); }

private:
    static std::map<HWND, MessageCounter*>& counters()
    {
        static std::map<HWND, MessageCounter*> all;
        return all;
    }
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        MessageCounter* self = counters().at(hwnd);
        ++self->m_counts[msg];
        self->m_lastWParam[msg] = wParam;
        return CallWindowProcA(self->m_previous, hwnd, msg, wParam, lParam);
    }

    HWND m_hwnd;
    WNDPROC m_previous = nullptr;
    std::map<UINT, int> m_counts;
    std::map<UINT, WPARAM> m_lastWParam;
};

class GuiTestBed : public ::testing::Test {
protected:
    static constexpr int kLeft = 100;
    static constexpr int kTop = 100;

    void SetUp() override
    {
        m_use.StartUse(true);
        clock = std::make_unique<vnt::test::ManualClock>();
        plat::headless::setScreenSize(1024, 768);
        window = std::make_unique<TestWindow>();
        ASSERT_TRUE(window->CreateEx(0, nullptr, "bed", WS_POPUP, kLeft, kTop, 400, 300, nullptr, nullptr));
        window->ShowWindow(SW_SHOW);
        pump();
    }
    void TearDown() override
    {
        controls.clear();
        window.reset();
        pump();
        // The engines' threads wait in real time while they stop.
        clock.reset();
        m_use.StopUse();
    }

    // A control of the window at client rectangle r.
    TestControl& addControl(const RECT& r, bool visible = true, bool enabled = true)
    {
        controls.push_back(std::make_unique<TestControl>());
        controls.back()->Create(&window->container, r, visible, enabled);
        pump();
        return *controls.back();
    }

    static void pump() { plat::headless::pumpUntilIdle(); }
    void advance(uint64_t ms)
    {
        clock->advance(ms);
        pump();
    }
    // The mouse to a point of the window's client area.
    static void moveTo(int x, int y)
    {
        plat::headless::mouseMove(kLeft + x, kTop + y);
        pump();
    }
    static COLORREF pixel(const CWnd& wnd, int x, int y) { return plat::headless::windowPixel(wnd.GetSafeHwnd(), x, y); }
    // Key presses, then typed text (UTF-8), to the focus window.
    static void keys(std::initializer_list<UINT> vks)
    {
        for (UINT vk : vks)
            plat::headless::keyPress(vk);
        pump();
    }
    static void type(const char* utf8)
    {
        plat::headless::typeText(utf8);
        pump();
    }

    std::unique_ptr<vnt::test::ManualClock> clock;
    std::unique_ptr<TestWindow> window;
    std::vector<std::unique_ptr<TestControl>> controls;

private:
    vbUseEngineCenter m_use;
};

} // namespace gui::test
