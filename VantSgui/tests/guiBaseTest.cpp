#include "DrawingBed.h"

#include "guiBase.h"
#include "guiControl.h"
#include "guiMsScrollBar.h"
#include "guiTreeContent.h"
#include "guiCursor.h"
#include "guiKeys.h"

#include "vbEngine.h"
#include "vbExpectThrown.h"
#include "vbVantLib.h"

#include "plat/afxwin.h"
#include "plat/paint.h"
#include "plat/window.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

using gui::test::DrawingBed;

constexpr COLORREF kWhite = RGB(255, 255, 255);

std::unique_ptr<CWnd> popup(int x, int y, int width, int height)
{
    auto wnd = std::make_unique<CWnd>();
    EXPECT_TRUE(wnd->CreateEx(0, nullptr, "w", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr, nullptr));
    return wnd;
}

class DrawHelpers : public ::testing::Test {
protected:
    void SetUp() override { m_use.StartUse(true); }
    void TearDown() override { m_use.StopUse(); }

    vbUseEngineCenter m_use;
};

bool untouched(const DrawingBed& bed)
{
    for (int y = 0; y < bed.height; ++y)
        for (int x = 0; x < bed.width; ++x)
            if (bed.at(x, y) != kWhite)
                return false;
    return true;
}

TEST_F(DrawHelpers, FrameSizesAndShrinking)
{
    struct Case {
        guiAppearStyle appear;
        guiBorderStyle border;
        int width;
        RECT rect;
        bool result;
        RECT after;
    };
    const Case cases[] = {
        {1, 1, 5, {2, 2, 12, 6}, false, {2, 2, 12, 6}}, // 4 px high: too small
        {1, 1, 5, {2, 2, 7, 7}, true, {4, 4, 5, 5}},
        {1, 2, 5, {0, 0, 20, 10}, true, {2, 2, 18, 8}},
        {2, 1, 10, {0, 0, 12, 12}, true, {4, 4, 8, 8}}, // diameter limited to 12
        {4, 1, 1, {0, 0, 2, 9}, false, {0, 0, 2, 9}},
        {3, 1, 2, {0, 0, 20, 20}, true, {2, 2, 18, 18}}, // diameter 5
        {5, 2, 2, {0, 0, 20, 20}, true, {2, 2, 18, 18}},
        {3, 1, 2, {0, 0, 4, 20}, false, {0, 0, 4, 20}},
        {7, 1, 5, {0, 0, 3, 3}, true, {1, 1, 2, 2}},
        {7, 1, 5, {0, 0, 2, 3}, false, {0, 0, 2, 3}},
        {1, 0, 5, {5, 5, 5, 9}, false, {5, 5, 5, 9}}, // no frame, 0 wide
        {1, 0, 5, {5, 5, 6, 6}, true, {5, 5, 6, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.appear << " border " << c.border << " width " << c.width);
        DrawingBed bed(24, 24);
        CDC dc;
        dc.Attach(bed.dc);
        RECT r = c.rect;
        EXPECT_EQ(guiDrawFrame(nullptr, nullptr, &dc, &r, c.appear, c.border, c.width), c.result);
        EXPECT_TRUE(EqualRect(&r, &c.after)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        EXPECT_EQ(untouched(bed), !c.result || c.border == 0);
        dc.Detach();
    }
}

TEST_F(DrawHelpers, FrameOverridesOriginAndArguments)
{
    // The context's styles replace the arguments.
    guiDrawInfo info(0);
    info.m_bAppearStyle = true;
    info.m_appearStyle = 1;
    RECT r{0, 0, 10, 10};
    EXPECT_TRUE(guiDrawFrame(&info, nullptr, nullptr, &r, 7, 1, 5));
    EXPECT_EQ(r.left, 2);
    info.m_bBorderStyle = true;
    info.m_borderStyle = 0;
    r = RECT{0, 0, 10, 10};
    EXPECT_TRUE(guiDrawFrame(&info, nullptr, nullptr, &r, 7, 1, 5));
    EXPECT_EQ(r.left, 0);

    // A context with an origin and a size gives the rectangle itself.
    guiDrawInfo sized(0);
    sized.m_bOrigin = sized.m_bSize = true;
    sized.m_x = 3;
    sized.m_y = 4;
    sized.m_cx = 10;
    sized.m_cy = 20;
    r = RECT{};
    EXPECT_TRUE(guiDrawFrame(&sized, nullptr, nullptr, &r, 7, 1, 5));
    const RECT inside{4, 5, 12, 23};
    EXPECT_TRUE(EqualRect(&r, &inside));

    // A window's client area is moved once by the origin.
    auto wnd = popup(0, 0, 50, 40);
    guiDrawInfo origin(0);
    origin.m_bOrigin = true;
    origin.m_x = 10;
    origin.m_y = 20;
    r = RECT{};
    EXPECT_TRUE(guiDrawFrame(&origin, wnd.get(), nullptr, &r, 1, 1, 5));
    const RECT expected{12, 22, 58, 58};
    EXPECT_TRUE(EqualRect(&r, &expected)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;

    // Without a rectangle: nothing reported; border 0 answers at once.
    EXPECT_TRUE(guiDrawFrame(nullptr, wnd.get(), nullptr, nullptr, 1, 1, 5));
    EXPECT_TRUE(guiDrawFrame(nullptr, wnd.get(), nullptr, nullptr, 1, 0, 5));
    vbtest::expectThrown<vbEsys>([] { guiDrawFrame(nullptr, nullptr, nullptr, nullptr, 1, 1, 5); }, E_FAIL,
        "guiDrawFrame() : arg error");
}

TEST_F(DrawHelpers, ThreeDimensionalFrameTakesItsColourSettings)
{
    struct Case {
        guiBorderStyle border;
        vbColorType* lines[4]; // outer top-left, outer bottom-right, inner top-left, inner bottom-right
    };
    const Case cases[] = {
        {1, {&g_guiClrFrame, &g_guiClrFrameLight, &g_guiClrFrameDark, &g_guiClrFrameClear}},
        {2, {&g_guiClrFrameLight, &g_guiClrFrameDark, &g_guiClrFrameClear, &g_guiClrFrame}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.border);
        DrawingBed bed(20, 20);
        CDC dc;
        dc.Attach(bed.dc);
        RECT r{0, 0, 20, 20};
        ASSERT_TRUE(guiDrawFrame(nullptr, nullptr, &dc, &r, 1, c.border, 5));
        EXPECT_EQ(static_cast<COLORREF>(c.lines[0]->operator DWORD()), bed.at(0, 10));
        EXPECT_EQ(static_cast<COLORREF>(c.lines[0]->operator DWORD()), bed.at(10, 0));
        EXPECT_EQ(static_cast<COLORREF>(c.lines[1]->operator DWORD()), bed.at(19, 10));
        EXPECT_EQ(static_cast<COLORREF>(c.lines[1]->operator DWORD()), bed.at(10, 19));
        EXPECT_EQ(static_cast<COLORREF>(c.lines[2]->operator DWORD()), bed.at(1, 10));
        EXPECT_EQ(static_cast<COLORREF>(c.lines[2]->operator DWORD()), bed.at(10, 1));
        EXPECT_EQ(static_cast<COLORREF>(c.lines[3]->operator DWORD()), bed.at(18, 10));
        EXPECT_EQ(static_cast<COLORREF>(c.lines[3]->operator DWORD()), bed.at(10, 18));
        EXPECT_EQ(bed.at(10, 10), kWhite);
        dc.Detach();
    }

    // The user's colour of a setting reaches the frame.
    g_guiClrFrame.SetColor(RGB(1, 2, 3));
    DrawingBed bed(10, 10);
    CDC dc;
    dc.Attach(bed.dc);
    RECT r{0, 0, 10, 10};
    guiDrawFrame(nullptr, nullptr, &dc, &r, 1, 1, 5);
    EXPECT_EQ(bed.at(0, 5), RGB(1, 2, 3));
    g_guiClrFrame.Default();
    dc.Detach();
}

TEST_F(DrawHelpers, RoundedFramesDrawAndFlatFrameUsesFlatColour)
{
    for (guiAppearStyle appear : {2, 3, 4, 5}) {
        SCOPED_TRACE(appear);
        DrawingBed bed(30, 30);
        CDC dc;
        dc.Attach(bed.dc);
        RECT r{0, 0, 30, 30};
        ASSERT_TRUE(guiDrawFrame(nullptr, nullptr, &dc, &r, appear, 1, 3));
        EXPECT_FALSE(untouched(bed));
        EXPECT_EQ(bed.at(15, 15), kWhite);
        dc.Detach();
    }
    DrawingBed bed(10, 10);
    CDC dc;
    dc.Attach(bed.dc);
    RECT r{0, 0, 10, 10};
    ASSERT_TRUE(guiDrawFrame(nullptr, nullptr, &dc, &r, 0, 1, 3));
    EXPECT_EQ(bed.at(0, 5), static_cast<COLORREF>(g_guiClrFrameFlat.operator DWORD()));
    EXPECT_EQ(bed.at(9, 9), static_cast<COLORREF>(g_guiClrFrameFlat.operator DWORD()));
    EXPECT_EQ(bed.at(1, 1), kWhite);
    dc.Detach();
}

TEST_F(DrawHelpers, ClipFrameLimitsOrExcludes)
{
    const COLORREF black = RGB(0, 0, 0);
    for (bool exclude : {false, true}) {
        SCOPED_TRACE(exclude);
        DrawingBed bed(20, 20);
        CDC dc;
        dc.Attach(bed.dc);
        RECT r{5, 5, 10, 10};
        ASSERT_TRUE(guiClipFrame(nullptr, nullptr, &dc, &r, 1, 1, 5, exclude));
        dc.FillSolidRect(0, 0, 20, 20, black);
        EXPECT_EQ(bed.at(7, 7) == black, !exclude);
        EXPECT_EQ(bed.at(2, 2) == black, exclude);
        EXPECT_EQ(bed.at(10, 10) == black, exclude);
        dc.Detach();
    }
    DrawingBed bed(20, 20);
    CDC dc;
    dc.Attach(bed.dc);
    dc.IntersectClipRect(0, 0, 4, 4);
    RECT outside{5, 5, 10, 10};
    EXPECT_FALSE(guiClipFrame(nullptr, nullptr, &dc, &outside, 1, 1, 5, false));
    vbtest::expectThrown<vbEsys>([&] { guiClipFrame(nullptr, nullptr, &dc, nullptr, 1, 1, 5, false); }, E_FAIL,
        "guiClipFrame() : arg error");
    vbtest::expectThrown<vbEsys>([&] { guiClipFrame(nullptr, nullptr, nullptr, &outside, 1, 1, 5, false); }, E_FAIL,
        "guiClipFrame() : arg error");
    dc.Detach();

    EXPECT_FALSE(guiNoErase(2, 0));
    EXPECT_TRUE(guiNoErase(4, 1));
    EXPECT_FALSE(guiNoErase(1, 1));
}

TEST_F(DrawHelpers, StartDrawMapsOnlyWhenScaledOrAskedAndEndDrawRestores)
{
    const COLORREF black = RGB(0, 0, 0);
    DrawingBed bed(30, 30);
    CDC dc;
    dc.Attach(bed.dc);
    guiDrawInfo plain(0);
    plain.StartDraw(dc, false);
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    plain.EndDraw(dc);

    guiDrawInfo scaled(0);
    scaled.m_bScaled = true;
    scaled.m_winExtX = scaled.m_winExtY = 1;
    scaled.m_viewExtX = scaled.m_viewExtY = 2;
    scaled.StartDraw(dc, false);
    EXPECT_EQ(dc.GetMapMode(), MM_ANISOTROPIC);
    dc.FillSolidRect(0, 0, 5, 5, black);
    EXPECT_EQ(bed.at(9, 9), black);
    EXPECT_EQ(bed.at(10, 10), kWhite);
    scaled.EndDraw(dc);
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    dc.FillSolidRect(20, 20, 5, 5, black);
    EXPECT_EQ(bed.at(24, 24), black);
    EXPECT_EQ(bed.at(25, 25), kWhite);

    // With the origin, the viewport moves there; a child copies the scale, not the origin.
    guiDrawInfo moved(0);
    moved.m_bOrigin = true;
    moved.m_x = moved.m_y = 12;
    moved.StartDraw(dc, true);
    dc.FillSolidRect(0, 0, 2, 2, black);
    moved.EndDraw(dc);
    EXPECT_EQ(bed.at(13, 13), black);
    EXPECT_EQ(bed.at(11, 11), kWhite);
    guiDrawInfo child(&scaled);
    EXPECT_EQ(child.m_viewExtX, 2);
    EXPECT_FALSE(child.m_bScaled);
    EXPECT_FALSE(child.m_bOrigin);
    dc.Detach();
}

TEST_F(DrawHelpers, PaintLocksCountAndNeverReleaseAnothersLock)
{
    auto first = popup(0, 0, 20, 20);
    auto second = popup(30, 0, 20, 20);
    {
        guiPaintShare share(first.get());
        share.LockPaint();
        share.LockPaint();
        share.UnlockPaint();
        EXPECT_TRUE(share.IsLocked());
        EXPECT_FALSE(LockWindowUpdate(second->GetSafeHwnd())) << "still locked";
        share.UnlockPaint();
        EXPECT_FALSE(share.IsLocked());
        ASSERT_TRUE(LockWindowUpdate(second->GetSafeHwnd()));

        // The second window holds the lock: this share's lock fails and must not undo it.
        guiPaintShare failing(first.get());
        failing.LockPaint();
        failing.UnlockPaint();
        EXPECT_FALSE(LockWindowUpdate(first->GetSafeHwnd()));
        LockWindowUpdate(nullptr);

        // A scoped lock; the share's destructor lets go of a held lock.
        {
            guiPaintLock lock(&share);
            EXPECT_TRUE(share.IsLocked());
        }
        EXPECT_FALSE(share.IsLocked());
        share.LockPaint();
    }
    EXPECT_TRUE(LockWindowUpdate(second->GetSafeHwnd()));
    LockWindowUpdate(nullptr);
}

TEST(GuiLibrary, RegistersItselfAndItsColourSettings)
{
    vbVantLibEnum walk;
    vbVantLib* lib = walk.Find("VantSgui");
    ASSERT_NE(lib, nullptr);
    EXPECT_STREQ(lib->GetCompleteName().c_str(), "VantSguiV5");
    walk.UnlockLib();

    struct Setting {
        vbColorType* type;
        const char* name;
        const char* label;
        const char* family;
        DWORD color;
    };
    const Setting settings[] = {
        {&g_guiClrFrameDark, "CtrlFrameDark", "Control frame, dark color", "Control frame colors", 0x80000015},
        {&g_guiClrFrame, "CtrlFrame", "Control frame, normal color", "Control frame colors", 0x80000010},
        {&g_guiClrFrameClear, "CtrlFrameClear", "Control frame, clear color", "Control frame colors", 0x80000016},
        {&g_guiClrFrameLight, "CtrlFrameLight", "Control frame, light color", "Control frame colors", 0x80000014},
        {&g_guiClrFrameFlat, "CtrlFrameFlat", "Control frame, flat border color", "Control frame colors", 0x80000006},
        {&g_guiClrTextGray, "TextGray", "Disabled text color", "Text colors", 0x80000010},
        {&g_guiClrTextGrayShadow, "TextGrayShadow", "Disabled text shadow color", "Text colors", 0x80000014},
    };
    for (const Setting& s : settings) {
        SCOPED_TRACE(s.name);
        EXPECT_STREQ(s.type->GetNamePtr(), s.name);
        EXPECT_STREQ(s.type->GetLabelPtr(), s.label);
        EXPECT_STREQ(s.type->GetFamily().c_str(), s.family);
        EXPECT_EQ(s.type->GetDfltColor(), s.color);
    }
}

TEST(GuiLibrary, InterfaceDefaultsReportPurecall)
{
    struct PaintLock : sIguiPaintLock { };
    struct Surface : cbIguiSurfaceChanged { };
    struct Font : cbIguiFontChanged { };
    struct Cursor : cbIguiCursorLoaded { };
    struct KBmanager : sIguiKBmanager { };
    struct ToolTip : sIguiToolTip { };
    PaintLock lock;
    Surface surface;
    Font font;
    Cursor cursor;
    KBmanager kb;
    ToolTip tip;
    const std::function<void()> calls[] = {
        [&] { lock.UnlockPaint(); },
        [&] { surface.onSurfaceChanged(nullptr); },
        [&] { font.onFontChanged(nullptr); },
        [&] { cursor.onCursorLoaded(nullptr); },
        [&] { kb.GetAppCtx(); },
        [&] { kb.ExecOp("op", 0); },
        [&] { tip.HideTip(); },
        [&] { tip.SetCtrl(nullptr, CPoint(0, 0)); },
    };
    for (const auto& call : calls)
        vbtest::expectThrown<vbEsys>(call, E_ABORT, "VantSgui: Object of called method is in destruction (purecall)");
}

// The hooks that a control or a tree content leaves to the class deriving from it: called while
// that class is gone (its destruction), each raises the purecall error.
TEST(GuiLibrary, HooksOfTheDerivingControlReportPurecall)
{
    struct Bare : TControlBase {
        explicit Bare(CWnd& wnd) : TControlBase(wnd) {}
        using TControlBase::classCreate;
        using TControlBase::classWindowProc;
    };
    struct Content : guiTreeContent {
        Content(CWnd& wnd, TControlBase& control) : guiTreeContent(wnd, control, nullptr, false, 1, 1, "") {}
        using guiTreeContent::frameInside;
        using guiTreeContent::onCaptionWidthChanged;
        using guiTreeContent::prepareScrollBar;
    };
    CWnd wnd;
    Bare control(wnd);
    Content content(wnd, control);
    CRect inside;
    guiMsScrollBar bar(true);
    const std::function<void()> calls[] = {
        [&] { control.ClientPrint(nullptr, nullptr); },
        [&] { control.classWindowProc(WM_NULL, 0, 0); },
        [&] { control.classCreate(0, CRect(0, 0, 1, 1), nullptr); },
        [&] { content.frameInside(nullptr, nullptr, inside); },
        [&] { content.prepareScrollBar(bar); },
        [&] { content.onCaptionWidthChanged(); },
    };
    for (const auto& call : calls)
        vbtest::expectThrown<vbEsys>(call, E_ABORT, "VantSgui: Object of called method is in destruction (purecall)");
}

} // namespace
