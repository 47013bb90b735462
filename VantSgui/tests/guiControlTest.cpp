#include "GuiTestBed.h"

#include "LogFileReader.h"
#include "vbExpectThrown.h"

#include "testsupport/TestDnObject.h"

#include "plat/mouse.h"
#include "plat/msgbox.h"
#include "plat/paint.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using gui::test::GuiTestBed;
using gui::test::LayoutHelper;
using gui::test::Log;
using gui::test::MessageCounter;
using gui::test::RecordingControler;
using gui::test::RecordingToolTip;
using gui::test::TestControl;

// ---------------------------------------------------------------------------------------------
// Callback holders.

struct BaseTarget : vbBase {
    bool onMouse(TControl*, UINT msg, const CPoint& pt)
    {
        seen = static_cast<int>(msg) + pt.x;
        return true;
    }
    int seen = 0;
};

struct Second {
    virtual ~Second() = default;
    bool onMouse(TControl*, UINT, const CPoint& pt)
    {
        seen = pt.y;
        return true;
    }
    int seen = 0;
};

struct TwoBases : vbBase, Second {
    int padding = 7;
};

struct ObjectTarget : vnt::test::TestDnObject {
    bool onMouse(TControl*, UINT, const CPoint&)
    {
        ++calls;
        return true;
    }
    int calls = 0;
};

TEST(guiCallbacks, EmptyHoldersAnswerFalseAndEachTargetKindIsCalled)
{
    guiMOUSECB empty;
    guiMOUSECB zero(0);
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_FALSE(empty.Call(nullptr, 1, CPoint(2, 3)));
    EXPECT_FALSE(zero.Call(nullptr, 1, CPoint(2, 3)));
    guiMOUSEOVERCB quiet;
    quiet.Call(nullptr, true);

    BaseTarget base;
    guiMOUSECB toBase(&base, &BaseTarget::onMouse);
    EXPECT_TRUE(toBase.Call(nullptr, 10, CPoint(5, 0)));
    EXPECT_EQ(base.seen, 15);

    TwoBases two;
    guiMOUSECB toSecond(&two, static_cast<bool (TwoBases::*)(TControl*, UINT, const CPoint&)>(&Second::onMouse));
    EXPECT_TRUE(toSecond.Call(nullptr, 0, CPoint(0, 9)));
    EXPECT_EQ(two.seen, 9) << "called on the Second part of the object";

    TestControl control;
    guiKEYCB toControl(&control, &TestControl::onKeyDown);
    control.rewriteKeyTo = 'Z';
    UINT key = 'A', repeat = 1, flags = 0;
    EXPECT_FALSE(toControl.Call(&control, key, repeat, flags));
    EXPECT_EQ(key, static_cast<UINT>('Z'));

    auto* object = new ObjectTarget;
    object->Create();
    guiMOUSECB toObject(object, &ObjectTarget::onMouse);
    guiMOUSECB copy;
    copy = toObject;
    EXPECT_TRUE(copy.Call(nullptr, 0, CPoint()));
    EXPECT_EQ(object->calls, 1);
    object->Release();
}

// ---------------------------------------------------------------------------------------------
// The template.

TEST_F(GuiTestBed, TemplateStartsWithItsInitialValues)
{
    TestControl control;
    EXPECT_EQ(control.tcGetValueA(), -1);
    EXPECT_EQ(control.tcGetValueC(), -1);
    EXPECT_EQ(control.tcGetClrAttr(), 0);
    const int values[] = {control.tcGetValueD(), control.tcGetValueE(), control.tcGetValueF(), control.tcGetValueG(),
        control.tcGetValueH(), control.tcGetValueI()};
    const int expected[] = {1, 1, 0, 0, 1, 1};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(values[i], expected[i]) << i;
    EXPECT_EQ(control.tcGetReal(), 0.0);
    EXPECT_EQ(control.tcGetValueJ(), 0);
    EXPECT_EQ(control.tcGetHitCode(), -2);
    EXPECT_EQ(control.tcGetCursorHitCode(), -2);
    EXPECT_EQ(control.tcGetBorderStyle(), 1);
    EXPECT_EQ(control.tcGetAppearStyle(), 1);
    EXPECT_EQ(control.tcGetBackColor(), vbColor(0x8000000F));
    EXPECT_EQ(control.tcGetTextColor(), vbColor(0x80000012));
    EXPECT_TRUE(control.tcHasDefaultColors());
    EXPECT_TRUE(control.tcGetFont().IsEmpty());
    EXPECT_EQ(control.tcGetContainer(), nullptr);
    EXPECT_EQ(control.tcGetHwnd(), nullptr);
    EXPECT_FALSE(control.tcGetVisible());
    EXPECT_EQ(control.tcGetMouseCursor(), nullptr);
    EXPECT_TRUE(control.tcGetToolTip().IsEmpty());
    EXPECT_EQ(control.tcGetSelStart(), -1);
    EXPECT_TRUE(control.tcIsMouseToTrack());
}

TEST_F(GuiTestBed, ColourAttributesAndColourSetters)
{
    TestControl& control = addControl({10, 10, 60, 40});
    control.tcGetClrAttrCB() = guiCLRATTRCB(&control, &TestControl::onClrAttr);
    control.tcApplyClrAttr(false);
    control.tcApplyClrAttr(false);
    EXPECT_EQ(control.clrAttrs, std::vector<int>{0}) << "twice unchanged: once";
    control.tcSetClrAttr(-1);
    control.tcApplyClrAttr(false);
    EXPECT_EQ(control.clrAttrs, (std::vector<int>{0, 0})) << "-1 forces the next one";
    control.tcSetClrAttr(3);
    control.tcApplyClrAttr(false);
    control.tcApplyClrAttr(true);
    EXPECT_EQ(control.clrAttrs, (std::vector<int>{0, 0, 3, 3}));

    // Setting the current colours keeps the default-colours flag; another clears it.
    control.tcSetBackColor(vbColor(0x8000000F));
    control.tcSetTextColor(0x80000012);
    EXPECT_TRUE(control.tcHasDefaultColors());
    control.tcSetTextColor(RGB(1, 2, 3));
    EXPECT_FALSE(control.tcHasDefaultColors());
    TestControl& other = addControl({70, 10, 120, 40});
    other.tcSetBackColor(RGB(200, 0, 0));
    EXPECT_FALSE(other.tcHasDefaultColors());
    EXPECT_EQ(other.tcGetBackColor(), vbColor(RGB(200, 0, 0)));
}

TEST_F(GuiTestBed, ControlColourMessagesAreAnsweredOnlyForColouredControls)
{
    TestControl& plain = addControl({10, 10, 60, 40});
    TestControl& coloured = addControl({70, 10, 120, 40});
    coloured.tcSetBackColor(RGB(0, 128, 0));
    coloured.tcSetTextColor(RGB(255, 255, 0));
    HDC dc = CreateCompatibleDC(nullptr);
    for (UINT msg : {WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC, WM_CTLCOLORBTN, WM_CTLCOLORLISTBOX}) {
        SCOPED_TRACE(msg);
        UINT m = msg;
        WPARAM w = reinterpret_cast<WPARAM>(dc);
        LPARAM l = reinterpret_cast<LPARAM>(plain.GetSafeHwnd());
        LRESULT result = -1;
        EXPECT_FALSE(window->container.DispatchMsg(m, w, l, result));
        SetBkColor(dc, 0);
        l = reinterpret_cast<LPARAM>(coloured.GetSafeHwnd());
        ASSERT_TRUE(window->container.DispatchMsg(m, w, l, result));
        EXPECT_EQ(reinterpret_cast<HBRUSH>(result),
            static_cast<HBRUSH>(const_cast<vbColor&>(coloured.tcGetBackColor()).GetBrush()));
        EXPECT_EQ(GetBkColor(dc), RGB(0, 128, 0));
        EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 0));
    }
    // Through the platform: the window answers the control's brush.
    const LRESULT brush = window->SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
        reinterpret_cast<LPARAM>(coloured.GetSafeHwnd()));
    EXPECT_NE(brush, 0);
    DeleteDC(dc);
}

TEST_F(GuiTestBed, ContainerAttachmentRectanglesAndZOrder)
{
    TestControl& first = addControl({10, 10, 60, 40});
    TestControl& second = addControl({20, 20, 80, 60});
    guiContainer& c = window->container;
    EXPECT_EQ(c.GetLength(), 2);
    EXPECT_EQ(c.FindControl(&first), 1);
    EXPECT_EQ(c.FindControl(second.GetSafeHwnd()), 2);
    EXPECT_EQ(c.FindControl(static_cast<HWND>(nullptr)), 0);

    first.tcSetContainer(&c);
    EXPECT_EQ(c.GetLength(), 2) << "the same container changes nothing";
    c.AddCtrl(&first);
    EXPECT_EQ(c.GetLength(), 2);

    // To another container: leaves the first before joining the second.
    guiContainer other(&window->app, window.get(), nullptr, nullptr);
    first.tcSetContainer(&other);
    EXPECT_EQ(c.FindControl(&first), 0);
    EXPECT_EQ(other.FindControl(&first), 1);
    other.RemoveCtrl(&second);
    EXPECT_EQ(other.GetLength(), 1);
    first.tcSetContainer(&c);

    CRect r;
    first.tcGetRect(r, false);
    EXPECT_EQ(r, CRect(10, 10, 60, 40));
    first.tcGetRect(r, true);
    EXPECT_EQ(r, CRect(kLeft + 10, kTop + 10, kLeft + 60, kTop + 40));
    EXPECT_EQ(first.tcGetLeft(), 10.0);
    EXPECT_EQ(first.tcGetWidth(), 50.0);
    first.tcSetLeft(12);
    first.tcSetHeight(25.9);
    first.tcGetRect(r, false);
    EXPECT_EQ(r, CRect(12, 10, 62, 35));

    // A window without parent has no rectangle in a parent.
    TestControl orphan;
    ASSERT_TRUE(orphan.CreateEx(0, TestControl::windowClass(), "", WS_POPUP, 5, 5, 20, 20, nullptr, nullptr));
    orphan.tcGetRect(r, false);
    EXPECT_TRUE(r.IsRectNull());
    orphan.DestroyWindow();

    // Bringing to the top: first in the z-order and last in the list.
    EXPECT_EQ(c.GetControl(1), &second);
    second.tcBringToTop();
    EXPECT_EQ(c.GetControl(2), &second);
    EXPECT_EQ(WindowFromPoint(POINT{kLeft + 30, kTop + 30}), second.GetSafeHwnd());
    first.tcBringToTop();
    EXPECT_EQ(c.GetControl(2), &first);
    EXPECT_EQ(WindowFromPoint(POINT{kLeft + 30, kTop + 30}), first.GetSafeHwnd());
}

TEST_F(GuiTestBed, CreationStylesAndFailures)
{
    TestControl& hidden = addControl({10, 10, 60, 40}, false, false);
    EXPECT_FALSE(hidden.tcGetVisible());
    EXPECT_FALSE(hidden.tcGetEnabled());
    EXPECT_TRUE(hidden.tcGetStyle() & WS_CHILD);
    hidden.tcSetVisible(true);
    hidden.tcSetEnabled(true);
    EXPECT_TRUE(hidden.tcGetVisible());
    EXPECT_TRUE(hidden.tcGetEnabled());

    TestControl refused;
    refused.allowCreate = false;
    vbtest::expectThrown<vbEsys>([&] { refused.Create(&window->container, RECT{0, 0, 10, 10}, true, true); }, E_FAIL,
        "TControlTemplate::Create() : failure");
    EXPECT_EQ(refused.tcGetContainer(), nullptr);
    EXPECT_EQ(window->container.FindControl(&refused), 0);

    vbtest::expectThrown<vbEsys>([&] { refused.tcApplyAttrs(); }, E_FAIL, "TControl::tcApplyAttrs() without controler");
    vbtest::expectThrown<vbEsys>([&] { refused.GetApp(true); }, E_FAIL, "TControl::GetApp() : no application defined");
    EXPECT_EQ(refused.GetApp(false), nullptr);
    RecordingControler controler;
    refused.tcSetControler(&controler);
    EXPECT_TRUE(refused.tcApplyAttrs());
    EXPECT_EQ(controler.applied, 1);
    EXPECT_EQ(hidden.GetApp(true), &window->app);

    // Text and value.
    EXPECT_EQ(hidden.tcGetValue(), 0);
    hidden.tcSetValue(-42);
    EXPECT_STREQ(hidden.tcGetText().c_str(), "-42");
    EXPECT_EQ(hidden.tcGetValue(), -42);
}

TEST_F(GuiTestBed, FontAndSurfaceChangesReachTheWindow)
{
    TestControl& control = addControl({10, 10, 60, 40});
    MessageCounter counter(control.GetSafeHwnd());
    control.tcGetFont().SetSize(12, true);
    pump();
    ASSERT_EQ(counter.count(WM_SETFONT), 1);
    EXPECT_EQ(counter.lastWParam(WM_SETFONT), reinterpret_cast<WPARAM>(static_cast<HFONT>(control.tcGetFont())));

    const int prints = control.prints;
    control.tcSetBackColor(RGB(0, 0, 255));
    pump();
    EXPECT_GT(control.prints, prints);
    EXPECT_EQ(pixel(control, 5, 5), RGB(0, 0, 255));

    // The mouse cursor update is a posted WM_SETCURSOR for the window itself.
    control.tcSetMouseCursor(&guiCursor_Wait, true);
    pump();
    EXPECT_EQ(counter.count(WM_SETCURSOR), 1);
    EXPECT_EQ(counter.lastWParam(WM_SETCURSOR), reinterpret_cast<WPARAM>(control.GetSafeHwnd()));
    EXPECT_EQ(control.tcGetMouseCursor(), &guiCursor_Wait);
}

// ---------------------------------------------------------------------------------------------
// Dispatch.

TEST_F(GuiTestBed, MessagesPassKeyboardManagerFilterCallbacksThenTheControl)
{
    Log log;
    gui::test::RecordingKBmanager kb(log);
    gui::test::RecordingFilter filter(log);
    window->container.SetKBmanager(&kb);
    window->container.SetFilterMsg(&filter);
    TestControl& control = addControl({10, 10, 60, 40});
    control.tcGetKeyDownCB() = guiKEYCB(&control, &TestControl::onKeyDown);
    kb.watched = filter.watched = control.watched = WM_KEYDOWN;

    auto keyDown = [&](UINT vk) { return control.SendMessage(WM_KEYDOWN, vk, 0x00010001); };
    keyDown('A');
    EXPECT_EQ(log, (Log{"kb:control", "filter:control"}));
    EXPECT_EQ(control.log, (Log{"keydown-cb", "control"}));
    EXPECT_EQ(control.lastKey, static_cast<UINT>('A'));

    // The callback rewrites the key: the control sees the new one.
    control.rewriteKeyTo = 'B';
    keyDown('A');
    EXPECT_EQ(control.lastKey, static_cast<UINT>('B'));
    // Handled by the callback: answered 0, the control sees nothing.
    control.handleKeys = true;
    control.lastKey = 0;
    EXPECT_EQ(keyDown('C'), 0);
    EXPECT_EQ(control.lastKey, 0u);

    // A true answer earlier in the chain ends it with its result.
    filter.handled = WM_KEYDOWN;
    log.clear();
    control.log.clear();
    EXPECT_EQ(keyDown('D'), 43);
    kb.handled = WM_KEYDOWN;
    EXPECT_EQ(keyDown('D'), 42);
    EXPECT_TRUE(control.log.empty());

    // The window's own messages see manager and filter as well.
    kb.watched = filter.watched = WM_SIZE;
    kb.handled = filter.handled = 0;
    log.clear();
    window->SendMessage(WM_SIZE, 0, 0);
    EXPECT_EQ(log, (Log{"kb:window", "filter:window"}));

    // The key context and key state come from the manager.
    kb.ctx = guiKeyCtx(guiKeyRCtrl);
    EXPECT_EQ(control.tcGetKeyCtx(), guiKeyCtx(guiKeyRCtrl));
    EXPECT_EQ(control.tcGetKeyState(5), 1005u);
    window->container.SetAppCtxBits(6);
    window->container.UnsetAppCtxBits(2);
    EXPECT_EQ(window->container.GetAppCtx(), 4u);
    EXPECT_TRUE(window->container.HasAppCtxBits(4));
    window->container.SetKBmanager(nullptr);
    window->container.SetFilterMsg(nullptr);
}

TEST_F(GuiTestBed, MouseAndFocusCallbacksAndTheToolTip)
{
    Log tipLog;
    RecordingToolTip tip(tipLog);
    window->container.SetToolTip(&tip);
    TestControl& control = addControl({10, 10, 60, 40});
    control.tcGetMouseUpCB() = guiMOUSECB(&control, &TestControl::onMouse);
    control.watched = WM_LBUTTONUP;

    control.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(control.log, (Log{"mouse-cb", "control"}));
    control.handleMouse = true;
    control.log.clear();
    EXPECT_EQ(control.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5)), 0);
    EXPECT_EQ(control.log, (Log{"mouse-cb"}));
    EXPECT_EQ(std::count(tipLog.begin(), tipLog.end(), "tip:hide"), 2);

    tipLog.clear();
    control.SendMessage(WM_KEYDOWN, 'A', 1);
    control.SendMessage(WM_KEYUP, 'A', 1);
    EXPECT_EQ(tipLog, (Log{"tip:hide"}));

    control.tcGetFocusCB() = guiFOCUSCB(&control, &TestControl::onFocus);
    TestControl& other = addControl({70, 10, 120, 40});
    other.SetFocus();
    pump();
    control.SetFocus();
    pump();
    EXPECT_EQ(control.focusFrom, other.GetSafeHwnd());
    EXPECT_TRUE(control.tcHasFocus());

    // Another tip replaces this one: this one is reset.
    tipLog.clear();
    RecordingToolTip second(tipLog);
    window->container.SetToolTip(&second);
    EXPECT_EQ(tipLog, (Log{"tip:reset"}));
    window->container.SetToolTip(nullptr);
}

TEST_F(GuiTestBed, ACallbacksExceptionIsShownAndTheMessageAnswers0)
{
    struct Thrower : vbBase {
        bool onMouse(TControl*, UINT, const CPoint&) { throw new vbEsys(E_FAIL, "callback failure"); }
    } thrower;
    TestControl& control = addControl({10, 10, 60, 40});
    control.tcGetMouseDownCB() = guiMOUSECB(&thrower, &Thrower::onMouse);
    plat::resetMessageBoxPolicy();
    EXPECT_EQ(control.SendMessage(WM_LBUTTONDOWN, 0, 0), 0);
    bool shown = false;
    for (const auto& box : plat::messageBoxRecords())
        shown = shown || box.text.find("callback failure") != std::string::npos;
    EXPECT_TRUE(shown);

    // A device context that names nothing cannot be printed into. Printing holds the display
    // lock, so the exception goes to the log rather than into a box.
    plat::resetMessageBoxPolicy();
    EXPECT_EQ(control.SendMessage(WM_PRINTCLIENT, 0x1234, PRF_CLIENT), 0);
    EXPECT_TRUE(plat::messageBoxRecords().empty());
    EXPECT_NE(readLogFile().find("guiBox::WM_PRINTCLIENT failure"), std::string::npos);
}

TEST_F(GuiTestBed, PaintingHoldsTheApplicationsDisplayLock)
{
    struct Painter : TestControl {
        bool onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result) override
        {
            if (msg == WM_PAINT)
                lockedWhilePainting = GetApp(true)->IsDlgDispLocked();
            return TestControl::onWindowProc(msg, wParam, lParam, result);
        }
        bool lockedWhilePainting = false;
    } painter;
    painter.Create(&window->container, RECT{10, 10, 60, 40}, true, true);
    painter.Invalidate();
    pump();
    EXPECT_TRUE(painter.lockedWhilePainting);
    EXPECT_FALSE(window->app.IsDlgDispLocked());
}

} // namespace
