#include "picGuiCurve.h"

#include "curve/picCurveGeometry.h"

#include "GuiTestBed.h"
#include "LogFileReader.h"

#include "vbExceptionEngine.h"

#include "plat/msgbox.h"

#include <string>
#include <utility>
#include <vector>

namespace {

class picGuiCurveTest : public gui::test::GuiTestBed, public sIpicCurveOwner {
protected:
    void SetUp() override
    {
        GuiTestBed::SetUp();
        curve = std::make_unique<picGuiCurve>(this);
        curve->Create(&window->container, CRect(0, 0, 400, 300), true, true);
        pump();
        // Far from everything, and no double click with what comes next.
        moveTo(390, 290);
        advance(1000);
    }
    void TearDown() override
    {
        curve.reset();
        GuiTestBed::TearDown();
    }

    void OnCurveRefresh(picGuiCurve*) override { }
    void OnCurvePosition(picGuiCurve*, double x, double y) override { positions.emplace_back(x, y); }
    void OnCurveMouseOut(picGuiCurve*) override { ++mouseOuts; }
    void OnCurveContextMenu(picGuiCurve*, CWnd* wnd, CPoint at) override
    {
        menuWnd = wnd;
        menuAt = at;
    }
    void OnCurveImageLoaded(picGuiCurve*) override { }
    void OnCurvePointsChanged(picGuiCurve*) override { ++pointChanges; }
    void OnCurveFrameChanged(picGuiCurve*) override { ++frameChanges; }

    const picCurveEditor& editor() const { return curve->GetEditor(); }
    picCurveData data() const { return curve->GetCurve().Snapshot(); }

    void doubleClick(CPoint at)
    {
        plat::headless::click(kLeft + at.x, kTop + at.y);
        plat::headless::click(kLeft + at.x, kTop + at.y);
        pump();
        advance(1000);
    }
    void press(CPoint at)
    {
        moveTo(at.x, at.y);
        plat::headless::mouseButton(0, true);
        pump();
    }
    void release()
    {
        plat::headless::mouseButton(0, false);
        pump();
    }
    // An x of the plot box whose per cent maps back onto it exactly, from x on.
    CPoint exactPoint(int x, int y) const
    {
        const CRect& p = editor().PlotBox();
        for (;; ++x) {
            double px = 0, py = 0;
            picCurveGeometry::pixelToPercent(p, CPoint(x, y), &px, &py);
            if (picCurveGeometry::percentToPixel(p, px, py) == CPoint(x, y))
                return CPoint(x, y);
            ++y;
        }
    }
    static int cursorId() { return plat::headless::systemCursorId(plat::headless::currentCursor()); }

    std::unique_ptr<picGuiCurve> curve;
    std::vector<std::pair<double, double>> positions;
    int mouseOuts = 0;
    int pointChanges = 0;
    int frameChanges = 0;
    CWnd* menuWnd = nullptr;
    CPoint menuAt;
};

} // namespace

TEST_F(picGuiCurveTest, EdgesShowTheSizingCursorsOfTheDefaultProcedure)
{
    const CRect w = editor().WorkArea();
    const CRect p = editor().PlotBox();
    ASSERT_FALSE(p.IsRectEmpty());
    struct Case {
        CPoint at;
        int state;
        int cursor;
    };
    const Case cases[] = {
        {{w.left, w.top + 100}, 1, 32644},   // IDC_SIZEWE
        {{w.left + 100, w.bottom}, 1, 32645}, // IDC_SIZENS
        {{p.right, p.top}, 4, 32643},         // IDC_SIZENESW
        {{p.left + 20, p.top + 20}, 4, 32512}, // inside: the box's arrow
        {{p.left, p.bottom}, 4, 32643},
    };
    for (const Case& c : cases) {
        moveTo(c.at.x, c.at.y);
        EXPECT_EQ(editor().State(), c.state) << c.at.x << "," << c.at.y;
        EXPECT_EQ(cursorId(), c.cursor) << c.at.x << "," << c.at.y;
    }
    moveTo(w.left, w.top + 100);
    EXPECT_EQ(pixel(*curve, w.left, w.top + 50), COLORREF(0xEE2200)) << "the hovered frame";
    moveTo(w.left + 5, w.top + 5);
    EXPECT_EQ(pixel(*curve, w.left, w.top + 50), COLORREF(0)) << "a new state repaints";
}

TEST_F(picGuiCurveTest, DoubleClicksAddOrReplaceAndDraggingMerges)
{
    const CRect p = editor().PlotBox();
    const CPoint a = exactPoint(p.left + 20, p.bottom - 30);
    doubleClick(a);
    doubleClick(CPoint(a.x, a.y - 40));
    picCurveData d = data();
    ASSERT_EQ(d.points.size(), 1u) << "one x, one point";
    EXPECT_EQ(picCurveGeometry::percentToPixel(p, d.points[0].x, d.points[0].y), CPoint(a.x, a.y - 40));
    EXPECT_TRUE(d.hasSizeRef);

    const CPoint b = exactPoint(a.x + 60, a.y);
    doubleClick(b);
    ASSERT_EQ(data().points.size(), 2u);
    press(CPoint(a.x, a.y - 40));
    EXPECT_EQ(editor().State(), 8);
    positions.clear();
    moveTo(b.x, b.y - 20);
    release();
    d = data();
    ASSERT_EQ(d.points.size(), 1u) << "dropped on the other point's x";
    EXPECT_EQ(picCurveGeometry::percentToPixel(editor().PlotBox(), d.points[0].x, d.points[0].y),
        CPoint(b.x, b.y - 20));
    ASSERT_FALSE(positions.empty());
    EXPECT_DOUBLE_EQ(positions.back().first, d.points[0].x) << "axes 0..100: values are per cent";
}

// The owner hears of every change of the points, of a drag once it ends, and of nothing that
// leaves them as they are; positions stand only while the mouse is in the plot box.
TEST_F(picGuiCurveTest, TheOwnerHearsOfChangedPointsAndOfPositionsInThePlot)
{
    const CRect p = editor().PlotBox();
    const CPoint a = exactPoint(p.left + 40, p.bottom - 40);
    doubleClick(a);
    EXPECT_EQ(pointChanges, 1) << "a point added";
    frameChanges = 0;

    press(CPoint(p.left + 120, p.top + 20));
    ASSERT_EQ(editor().State(), 4);
    moveTo(p.left + 130, p.top + 30);
    release();
    EXPECT_EQ(pointChanges, 1) << "the plot box moved: the points stay";
    EXPECT_GT(frameChanges, 0) << "but the box as stored moved";
    const int frames = frameChanges;
    advance(1000);

    const CRect moved = editor().PlotBox();
    const CPoint at = picCurveGeometry::percentToPixel(moved, data().points[0].x, data().points[0].y);
    press(at);
    ASSERT_EQ(editor().State(), 8);
    moveTo(at.x + 20, at.y - 20);
    EXPECT_EQ(pointChanges, 1) << "not while the point is dragged";
    release();
    EXPECT_EQ(pointChanges, 2) << "once the drag ends";
    EXPECT_EQ(frameChanges, frames);

    plat::resetMessageBoxPolicy();
    plat::setMessageBoxAnswer(IDYES);
    g_vbExceptionEngine.SetContext(&window->app);
    EXPECT_TRUE(curve->OnMenuCommand("CurveDeleteAll", nullptr));
    EXPECT_TRUE(curve->OnMenuCommand("CurveDeleteAll", nullptr));
    g_vbExceptionEngine.SetContext(nullptr);
    plat::resetMessageBoxPolicy();
    EXPECT_EQ(pointChanges, 3) << "every point deleted, then none";

    positions.clear();
    mouseOuts = 0;
    moveTo(moved.left + 10, moved.top + 10);
    EXPECT_EQ(positions.size(), 1u);
    moveTo(moved.left - 8, moved.top + 10);
    EXPECT_EQ(positions.size(), 1u) << "outside the plot box: no position";
    EXPECT_EQ(mouseOuts, 1) << "the position told before no longer stands";
    moveTo(moved.left - 9, moved.top + 10);
    EXPECT_EQ(mouseOuts, 1) << "told once";
}

TEST_F(picGuiCurveTest, AHeldBorderZoomsAtMostTenPixelsPerTick)
{
    const CRect w = editor().WorkArea();
    press(CPoint(w.left + 100, w.top));
    ASSERT_EQ(editor().State(), 1);
    moveTo(w.left + 100, w.top - 12); // outside the work area, above its top
    double height = data().sizeRefY;
    int steps = 0;
    for (int tick = 0; tick < 6; ++tick) {
        const int before = editor().WorkArea().Height();
        advance(60);
        const double now = data().sizeRefY;
        if (now != height) {
            ++steps;
            EXPECT_NEAR(now / height, double(before + 10) / before, 1e-12) << "at most 10 pixels a tick";
        }
        height = now;
    }
    EXPECT_GE(steps, 4) << "held outside, it keeps zooming";
    release();
    EXPECT_TRUE(data().hasSizeRef);
}

TEST_F(picGuiCurveTest, MenuCommandsQuestionsAndTheOwner)
{
    g_vbExceptionEngine.SetContext(&window->app);
    plat::resetMessageBoxPolicy();
    const CRect p = editor().PlotBox();
    doubleClick(CPoint(p.left + 30, p.top + 30));
    vbString markup;
    curve->AppendMenuMarkup(markup);
    EXPECT_NE(std::string(markup).find("CurveResetAll"), std::string::npos);

    plat::setMessageBoxAnswer(IDNO);
    EXPECT_TRUE(curve->OnMenuCommand("CurveDeleteAll", nullptr));
    EXPECT_EQ(data().points.size(), 1u) << "answered No";
    auto boxes = plat::messageBoxRecords();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Do you want to delete all curve points ?");
    EXPECT_EQ(boxes[0].type, 0x24u);
    EXPECT_FALSE(curve->OnMenuCommand("Foo", nullptr));

    plat::setMessageBoxAnswer(IDYES);
    frameChanges = 0;
    EXPECT_TRUE(curve->OnMenuCommand("CurveResetAll", nullptr));
    EXPECT_EQ(frameChanges, 1) << "the box is reset too";
    markup = "";
    curve->AppendMenuMarkup(markup);
    EXPECT_EQ(std::string(markup), "") << "no points and no size reference: no items";
    EXPECT_TRUE(curve->OnMenuCommand("CurveResetAll", nullptr));
    EXPECT_EQ(frameChanges, 1) << "nothing left to reset";
    g_vbExceptionEngine.SetContext(nullptr);

    curve->SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(curve->GetSafeHwnd()), MAKELPARAM(150, 160));
    EXPECT_EQ(menuWnd, curve.get());
    EXPECT_EQ(menuAt, CPoint(150, 160));
}

// Printing holds the display lock: the failure goes to the log instead of a box.
TEST_F(picGuiCurveTest, PrintClientWithoutDeviceContextIsReported)
{
    EXPECT_EQ(curve->SendMessage(WM_PRINTCLIENT, 0, PRF_CLIENT), 0);
    EXPECT_NE(readLogFile().find("picGuiCurve::WM_PRINTCLIENT failure"), std::string::npos);
}
