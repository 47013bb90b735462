#include "DrawingBed.h"
#include "GuiTestBed.h"

#include "vbExpectThrown.h"

#include "plat/cursor.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using gui::test::GuiTestBed;
using gui::test::LayoutHelper;
using gui::test::Log;
using gui::test::RecordingToolTip;
using gui::test::TestControl;

bool has(const Log& log, const std::string& entry) { return std::find(log.begin(), log.end(), entry) != log.end(); }

// ---------------------------------------------------------------------------------------------
// Mouse tracking.

class MouseTracking : public GuiTestBed {
protected:
    void SetUp() override
    {
        GuiTestBed::SetUp();
        window->container.SetToolTip(&tip);
        a = &addControl({10, 10, 60, 40});
        b = &addControl({70, 10, 120, 40});
        for (TestControl* c : {a, b}) {
            c->tcGetMouseOverCB() = guiMOUSEOVERCB(c, &TestControl::onMouseOverCb);
            c->tcGetMouseOutCB() = guiMOUSEOVERCB(c, &TestControl::onMouseOverCb);
        }
        moveTo(200, 200);
    }
    void TearDown() override
    {
        window->container.SetToolTip(nullptr);
        GuiTestBed::TearDown();
    }

    Log tipLog;
    RecordingToolTip tip{tipLog};
    TestControl* a = nullptr;
    TestControl* b = nullptr;
};

TEST_F(MouseTracking, EnteringAndMovingBetweenControls)
{
    moveTo(30, 20);
    EXPECT_EQ(a->log, (Log{"over-cb"}));
    EXPECT_EQ(a->overs, 1);
    EXPECT_EQ(GetCapture(), a->GetSafeHwnd());
    EXPECT_EQ(window->app.GetCtrlMouseOn(), a);
    EXPECT_TRUE(has(tipLog, "tip:set"));
    moveTo(32, 22);
    EXPECT_EQ(a->overs, 1) << "moving inside A changes nothing";

    moveTo(90, 20);
    moveTo(91, 21);
    EXPECT_EQ(a->log, (Log{"over-cb", "out-cb"}));
    EXPECT_EQ(a->outs, 1);
    EXPECT_EQ(b->log, (Log{"over-cb"}));
    EXPECT_EQ(GetCapture(), b->GetSafeHwnd());
    EXPECT_EQ(window->app.GetCtrlMouseOn(), b);

    moveTo(200, 200);
    EXPECT_EQ(b->outs, 1);
    EXPECT_EQ(window->app.GetCtrlMouseOn(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(has(tipLog, "tip:set(null)"));
}

// A window that takes the capture from the control under the mouse (a menu opened from the
// keyboard) keeps it: the control only leaves.
TEST_F(MouseTracking, AWindowThatTakesTheCaptureKeepsIt)
{
    moveTo(30, 20);
    ASSERT_EQ(GetCapture(), a->GetSafeHwnd());
    SetCapture(window->GetSafeHwnd());
    EXPECT_EQ(GetCapture(), window->GetSafeHwnd());
    EXPECT_EQ(a->outs, 1);
    EXPECT_EQ(window->app.GetCtrlMouseOn(), nullptr);
    ReleaseCapture();
}

TEST_F(MouseTracking, DisabledControlsAreNotTrackedAndAreLeftWhenDisabled)
{
    b->tcSetEnabled(false);
    moveTo(90, 20);
    EXPECT_EQ(b->overs, 0);
    EXPECT_EQ(window->app.GetCtrlMouseOn(), nullptr);

    moveTo(30, 20);
    ASSERT_EQ(window->app.GetCtrlMouseOn(), a);
    a->tcSetEnabled(false);
    moveTo(31, 21);
    EXPECT_EQ(a->outs, 1);
    EXPECT_EQ(window->app.GetCtrlMouseOn(), nullptr);
}

TEST_F(MouseTracking, NothingIsTrackedInAnInactiveApplicationOrInDrawMode)
{
    CWnd other;
    ASSERT_TRUE(other.CreateEx(0, nullptr, "other", WS_POPUP, 600, 500, 50, 50, nullptr, nullptr));
    other.ShowWindow(SW_SHOW);
    pump();
    ASSERT_FALSE(a->tcIsAppActive());
    moveTo(30, 20);
    EXPECT_EQ(a->overs, 0);
    other.DestroyWindow();
    window->SetActiveWindow();
    moveTo(200, 200);

    window->container.SetDrawMode(true);
    tipLog.clear();
    moveTo(30, 20);
    EXPECT_EQ(a->overs, 0);
    EXPECT_FALSE(has(tipLog, "tip:set"));
    window->container.SetDrawMode(false);
}

// ---------------------------------------------------------------------------------------------
// Draw mode: hit codes and cursors.

TEST_F(GuiTestBed, DrawModeHitCodesAndCursors)
{
    TestControl& control = addControl({20, 20, 120, 80});
    LayoutHelper helper;
    control.tcSetLayoutHelper(&helper);

    // Outside draw mode: the container's cursor, else the control's, else the arrow. The tracked
    // control holds the capture, so the cursor changes through the posted update.
    moveTo(60, 50);
    EXPECT_EQ(GetCursor(), static_cast<HICON>(guiCursor_Arrow));
    EXPECT_EQ(control.tcGetCursorHitCode(), -2);
    control.tcSetMouseCursor(&guiCursor_Wait, true);
    pump();
    EXPECT_EQ(GetCursor(), static_cast<HICON>(guiCursor_Wait));
    window->container.SetMouseCursor(&guiCursor_Help, false);
    control.tcUpdateMouseCursor();
    pump();
    EXPECT_EQ(GetCursor(), static_cast<HICON>(guiCursor_Help));
    window->container.SetMouseCursor(nullptr, false);
    moveTo(200, 200);

    window->container.SetDrawMode(true);
    moveTo(23, 23);
    EXPECT_EQ(control.tcGetHitCode(), HTTOPLEFT);
    EXPECT_EQ(control.tcGetCursorHitCode(), HTTOPLEFT);
    EXPECT_EQ(plat::headless::systemCursorId(GetCursor()), 32642) << "the system's north-west sizing cursor";
    moveTo(70, 50);
    EXPECT_EQ(control.tcGetHitCode(), HTCLIENT);
    EXPECT_EQ(GetCursor(), static_cast<HICON>(guiCursor_Move));
    struct Case {
        int x, y, code;
    };
    const Case cases[] = {{22, 50, HTLEFT}, {117, 50, HTRIGHT}, {70, 21, HTTOP}, {70, 78, HTBOTTOM},
        {118, 22, HTTOPRIGHT}, {22, 78, HTBOTTOMLEFT}, {118, 78, HTBOTTOMRIGHT}};
    for (const Case& c : cases) {
        moveTo(c.x, c.y);
        EXPECT_EQ(control.tcGetHitCode(), c.code) << c.x << "," << c.y;
    }

    helper.sizable = false;
    moveTo(23, 23);
    EXPECT_EQ(control.tcGetHitCode(), HTCLIENT);

    // A cursor message for another window is not the control's.
    UINT msg = WM_SETCURSOR;
    WPARAM w = reinterpret_cast<WPARAM>(window->GetSafeHwnd());
    LPARAM l = HTCLIENT;
    LRESULT result = -1;
    EXPECT_FALSE(window->container.DispatchMsg(&control, msg, w, l, result));
    window->container.SetDrawMode(false);
    control.tcSetLayoutHelper(nullptr);
}

TEST_F(GuiTestBed, HitCodesAreSignedLeftOfTheFirstScreen)
{
    window->SetWindowPos(nullptr, -300, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    TestControl& control = addControl({10, 10, 110, 60});
    LayoutHelper helper;
    control.tcSetLayoutHelper(&helper);
    window->container.SetDrawMode(true);
    CRect r;
    control.tcGetRect(r, true);
    ASSERT_EQ(r.left, -290);
    control.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(r.left + 2, r.top + 25));
    EXPECT_EQ(control.tcGetHitCode(), HTLEFT);
    window->container.SetDrawMode(false);
    control.tcSetLayoutHelper(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Printing.

struct PrintInfoRecorder : vbBase {
    void onPrintInfo(TControl*, const guiDrawInfo*, guiDrawInfo* child, CDC*)
    {
        origin = CPoint(child->m_x, child->m_y);
        textColor = child->m_pTextColor ? static_cast<DWORD>(*child->m_pTextColor) : vbNULLCOLOR;
    }
    CPoint origin;
    DWORD textColor = vbNULLCOLOR;
};

TEST_F(GuiTestBed, PrintChildrenPlacesVisibleChildrenAtTheirScaledPlaces)
{
    TestControl& red = addControl({10, 10, 40, 30});
    TestControl& hidden = addControl({50, 10, 80, 30}, false);
    red.tcSetBackColor(RGB(255, 0, 0));
    hidden.tcSetBackColor(RGB(0, 255, 0));
    PrintInfoRecorder recorder;
    red.tcGetPrintInfoCB() = guiPRINTINFOCB(&recorder, &PrintInfoRecorder::onPrintInfo);

    gui::test::DrawingBed bed(300, 200);
    CDC dc;
    dc.Attach(bed.dc);
    guiDrawInfo info(0);
    info.m_viewExtX = info.m_viewExtY = 2;
    window->container.PrintChildren(&info, dc, true);
    dc.Detach();
    EXPECT_EQ(recorder.origin, CPoint(20, 20));
    EXPECT_EQ(bed.at(21, 21), RGB(255, 0, 0));
    EXPECT_EQ(bed.at(19, 19), RGB(255, 255, 255));
    EXPECT_EQ(bed.at(101, 21), RGB(255, 255, 255)) << "hidden children are skipped";
    EXPECT_EQ(dc.m_hDC, nullptr);
}

TEST_F(GuiTestBed, PrintInfoSwapsATextColourThatWouldVanish)
{
    TestControl& control = addControl({10, 10, 40, 30});
    control.tcSetBackColor(RGB(255, 0, 0));
    control.tcSetTextColor(RGB(0, 0, 255));
    PrintInfoRecorder recorder;
    control.tcGetPrintInfoCB() = guiPRINTINFOCB(&recorder, &PrintInfoRecorder::onPrintInfo);
    gui::test::RecordingControler controler;
    control.tcSetControler(&controler);

    guiDrawInfo parent(0);
    parent.m_bBackColor = true;
    parent.m_backColor = RGB(255, 0, 0);
    parent.m_surface1.SetColor(RGB(0, 0, 255), false);
    guiDrawInfo child(&parent);
    control.tcGetPrintInfo(&parent, &child, nullptr);
    EXPECT_EQ(recorder.textColor, RGB(255, 0, 0));
    EXPECT_EQ(child.m_pBackSurface, &child.m_surface1);
    EXPECT_TRUE(child.m_bScaled) << "the container placed it";
    EXPECT_EQ(controler.printInfos, 1);

    // A controller that completes the context keeps the container out.
    controler.completes = true;
    child.Init();
    control.tcGetPrintInfo(&parent, &child, nullptr);
    EXPECT_FALSE(child.m_bScaled);

    // Another text colour stays.
    control.tcSetTextColor(RGB(0, 128, 0));
    child.Init();
    control.tcGetPrintInfo(&parent, &child, nullptr);
    EXPECT_EQ(recorder.textColor, vbNULLCOLOR);
    control.tcSetControler(nullptr);
}

// ---------------------------------------------------------------------------------------------
// The container's list, look-ups and forwards.

struct DestroyRecorder : TestControl {
    DestroyRecorder(Log& order, const char* name) : order(order), name(name) { }
    void tcOnDestroy() override { order.push_back(name); }
    Log& order;
    const char* name;
};

TEST_F(GuiTestBed, ClearCtrlsDestroysFromTheLastAndDetachesWindowlessControls)
{
    Log order;
    guiContainer c(&window->app, window.get(), nullptr, nullptr);
    DestroyRecorder first(order, "first");
    DestroyRecorder second(order, "second");
    DestroyRecorder windowless(order, "windowless");
    first.Create(&c, RECT{10, 10, 30, 30}, true, true);
    second.Create(&c, RECT{40, 10, 60, 30}, true, true);
    windowless.tcSetContainer(&c);
    ASSERT_EQ(c.GetLength(), 3);
    c.ClearCtrls();
    EXPECT_EQ(order, (Log{"second", "first"}));
    EXPECT_EQ(c.GetLength(), 0);
    EXPECT_EQ(windowless.tcGetContainer(), nullptr);
    EXPECT_EQ(first.tcGetContainer(), nullptr);
    EXPECT_FALSE(IsWindow(first.GetSafeHwnd()));
}

TEST_F(GuiTestBed, HostedContainersClimbToTheWindowsApplication)
{
    TestControl& box = addControl({10, 10, 200, 150});
    guiContainer hosted(&box, nullptr, nullptr);
    EXPECT_EQ(hosted.GetApp(true), &window->app);
    EXPECT_EQ(hosted.GetParentContainer(), &window->container);
    EXPECT_EQ(hosted.GetContWnd(), &box);
    Log log;
    RecordingToolTip tip(log);
    window->container.SetToolTip(&tip);
    EXPECT_EQ(hosted.GetToolTip(), &tip);
    hosted.HideToolTip();
    EXPECT_EQ(log, (Log{"tip:hide"}));
    window->container.SetToolTip(nullptr);

    TestControl orphan;
    guiContainer lost(&orphan, nullptr, nullptr);
    EXPECT_EQ(lost.GetApp(false), nullptr);
    vbtest::expectThrown<vbEsys>([&] { lost.GetApp(true); }, E_FAIL, "guiContainer::GetApp() : no application defined");
    const std::pair<const char*, std::function<void()>> calls[] = {
        {"GetAppCtx", [&] { lost.GetAppCtx(); }},
        {"SetAppCtx", [&] { lost.SetAppCtx(1); }},
        {"SetAppCtxBits", [&] { lost.SetAppCtxBits(1); }},
        {"UnsetAppCtxBits", [&] { lost.UnsetAppCtxBits(1); }},
        {"HasAppCtxBits", [&] { lost.HasAppCtxBits(1); }},
    };
    for (const auto& [name, call] : calls)
        vbtest::expectThrown<vbEsys>(call, E_FAIL, std::string("guiContainer::") + name + "() : no KB manager");
}

TEST_F(GuiTestBed, ApplicationContextsActivityFocusAndInsertMode)
{
    TestControl& control = addControl({10, 10, 60, 40});
    EXPECT_TRUE(guiIsAppActive(control.GetSafeHwnd()));
    EXPECT_TRUE(control.tcIsAppActive());
    control.SetFocus();
    pump();
    EXPECT_TRUE(guiIsAppFocused(control.GetSafeHwnd()));
    EXPECT_FALSE(guiIsAppFocused(window->GetSafeHwnd())) << "the focus is below the window, not above";
    EXPECT_EQ(window->app.GetDlgParentHwnd(), window->GetSafeHwnd());
    void* face = nullptr;
    EXPECT_TRUE(window->app.GetInterface(IID_guiApp, &face));
    EXPECT_EQ(face, &window->app);

    CWnd other;
    ASSERT_TRUE(other.CreateEx(0, nullptr, "other", WS_POPUP, 600, 500, 50, 50, nullptr, nullptr));
    other.ShowWindow(SW_SHOW);
    pump();
    EXPECT_FALSE(guiIsAppActive(control.GetSafeHwnd()));
    EXPECT_FALSE(guiIsAppActive(nullptr));
    other.DestroyWindow();
    window->SetActiveWindow();
    pump();

    struct EditState : sIguiEditState {
        bool IsInsertMode() override { return true; }
    } state;
    guiContainer& c = window->container;
    EXPECT_FALSE(c.IsInsertMode(false));
    c.SetEditState(&state);
    EXPECT_TRUE(c.IsInsertMode(false));
    EXPECT_FALSE(c.IsInsertMode(true));
    plat::headless::keyPress(VK_INSERT);
    pump();
    EXPECT_TRUE(c.IsInsertMode(true));
    plat::headless::keyPress(VK_INSERT);
    pump();
    c.RemoveEditState(&state);
    EXPECT_FALSE(c.IsInsertMode(false));

    EXPECT_TRUE(guiIsMBoxToLock(WM_PAINT));
    EXPECT_TRUE(guiIsMBoxToLock(WM_PRINTCLIENT));
    EXPECT_TRUE(guiIsMBoxToLock(WM_SIZE));
    EXPECT_FALSE(guiIsMBoxToLock(WM_MOVE));
}

TEST_F(GuiTestBed, SelectionAndCaretOwnersHearWhenTheyLoseIt)
{
    struct Owner : TestControl {
        void tcOnSelLoosed(TControl* next) override { lostTo.push_back(next); }
        void tcOnCaretLoosed(TControl* next) override { caretLostTo.push_back(next); }
        std::vector<TControl*> lostTo;
        std::vector<TControl*> caretLostTo;
    };
    Owner first, second;
    first.Create(&window->container, RECT{10, 10, 30, 30}, true, true);
    second.Create(&window->container, RECT{40, 10, 60, 30}, true, true);
    guiContainer& c = window->container;
    c.SelOnCtrl(&first);
    c.SelOnCtrl(&second);
    EXPECT_EQ(first.lostTo, std::vector<TControl*>{&second});
    EXPECT_EQ(c.GetSelected(), &second);
    c.CaretOnCtrl(&first);
    c.CaretLoosed(&second);
    EXPECT_TRUE(first.caretLostTo.empty());
    c.CaretLoosed(&first);
    EXPECT_EQ(first.caretLostTo, std::vector<TControl*>{nullptr});
    c.CaretOnCtrl(&second);
    second.tcSetContainer(nullptr);
    EXPECT_EQ(window->app.GetCtrlSelected(), nullptr) << "a detached control is forgotten";
    EXPECT_EQ(window->app.GetCtrlCaretOn(), nullptr);
}

} // namespace
