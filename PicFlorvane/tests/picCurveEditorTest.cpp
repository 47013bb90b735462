#include "picCurveEditor.h"

#include "plat/mouse.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Without a size reference, in R = (0, 0, 420, 320): W = (10, 10, 410, 310), the 100 x 100 axes
// give P = (75, 25, 345, 295); a 400 x 100 picture gives I = (15, 111, 405, 208).
const CRect kInner(0, 0, 420, 320);
const CSize kPicture(400, 100);

struct Editor : picCurveEditor {
    Editor()
    {
        Layout(kInner, kPicture);
        Curve().Edit([](picCurveData& d) { d.AddPoint(50, 50); }); // at (210, 160)
    }
    picCurveData data() const { return Curve().Snapshot(); }
    Hit hover(CPoint p)
    {
        unsigned effects = 0;
        HitTest(p, &effects);
        return Find(p);
    }
};

} // namespace

TEST(picCurveEditor, LayoutWithoutSizeReferenceFollowsTheWindow)
{
    Editor e;
    EXPECT_EQ(e.WorkArea(), CRect(10, 10, 410, 310));
    EXPECT_EQ(e.PlotBox(), CRect(75, 25, 345, 295));
    EXPECT_EQ(e.ImageRect(), CRect(15, 111, 405, 208));
    EXPECT_FALSE(e.data().hasAxisBounds) << "fitted bounds are kept only with a size reference";
    e.Layout(CRect(0, 0, 220, 320), kPicture);
    EXPECT_EQ(e.PlotBox(), CRect(25, 75, 195, 245)) << "re-fitted";

    // The first edit sets the size reference: the plot box then keeps its place in W.
    EXPECT_EQ(e.Layout(kInner, kPicture), picCurveEditor::kNothing);
    e.DoubleClick(CPoint(100, 100));
    EXPECT_EQ(e.Layout(kInner, kPicture), picCurveEditor::kFrameChanged) << "the fitted boxes are kept: stored";
    EXPECT_TRUE(e.data().hasAxisBounds);
    EXPECT_EQ(e.Layout(kInner, kPicture), picCurveEditor::kNothing);
    e.Layout(CRect(0, 0, 820, 620), kPicture); // twice the size: W doubles, P with it
    EXPECT_EQ(e.WorkArea(), CRect(10, 10, 810, 610));
    EXPECT_EQ(e.PlotBox(), CRect(140, 40, 680, 580));
}

TEST(picCurveEditor, HitPriorities)
{
    struct Case {
        CPoint at;
        int state;
        int code;
    };
    const Case cases[] = {
        {{211, 161}, 8, HTCLIENT},     // the point, inside the plot box
        {{10, 160}, 1, HTLEFT},        // the work area's edge
        {{409, 309}, 1, HTBOTTOMRIGHT},
        {{75, 160}, 4, HTLEFT},        // the plot box's edge, over the image
        {{100, 100}, 4, HTCLIENT},
        {{30, 26}, 4, HTTOP},          // the line that extends the plot box's top
        {{380, 295}, 4, HTBOTTOM},
        {{20, 150}, 2, HTCLIENT},      // the image only
        {{16, 150}, 2, HTLEFT},
        {{30, 50}, 0, HTCLIENT},       // the work area's inside
        {{3, 3}, 0, -2},               // nothing
    };
    for (const Case& c : cases) {
        Editor e;
        unsigned effects = 0;
        int answer = e.HitTest(c.at, &effects);
        EXPECT_EQ(e.State(), c.state) << c.at.x << "," << c.at.y;
        EXPECT_EQ(answer, c.code) << c.at.x << "," << c.at.y;
        EXPECT_EQ(e.Selected(), c.state == 8 ? 1 : -1);
    }
}

TEST(picCurveEditor, DraggingKeepsTheLastCodeAndMovesWhatWasHit)
{
    Editor e;
    e.Curve().Edit([](picCurveData& d) { d.AddPoint(80, 20); }); // at (291, 241)
    e.hover({211, 161});
    EXPECT_EQ(e.ButtonDown({211, 161}), picCurveEditor::kStopTimer);
    unsigned effects = 0;
    EXPECT_EQ(e.HitTest({10, 160}, &effects), HTCLIENT) << "the point's code while dragging";
    bool report = false;
    double x = 0, y = 0;
    e.MouseMove({292, 100}, &report, &x, &y); // with the grab offset, the other point's x: merged
    EXPECT_TRUE(report) << "a dragged point tells its position";
    EXPECT_DOUBLE_EQ(x, 80);
    e.ButtonUp({292, 100});
    ASSERT_EQ(e.data().points.size(), 1u);
    EXPECT_DOUBLE_EQ(e.data().points[0].x, 80);
    EXPECT_NEAR(e.data().points[0].y, 196 * 100.0 / 270, 1e-9) << "the dragged point's y";
    EXPECT_EQ(e.Selected(), 1);
    EXPECT_TRUE(e.data().hasSizeRef);

    // The plot box moves with the mouse; bounds follow and the drag re-anchors at each layout.
    Editor box;
    box.hover({100, 100});
    box.ButtonDown({100, 100});
    box.MouseMove({110, 95}, &report, &x, &y);
    EXPECT_FALSE(report) << "no position while a box is dragged";
    box.Layout(kInner, kPicture);
    EXPECT_EQ(box.PlotBox(), CRect(85, 20, 355, 290));
    box.MouseMove({120, 95}, &report, &x, &y);
    box.Layout(kInner, kPicture);
    EXPECT_EQ(box.PlotBox(), CRect(95, 20, 365, 290));
}

TEST(picCurveEditor, RectanglesOutsideFortyToFortyThousandAreRefused)
{
    // The plot box is 270 pixels wide; its left edge is dragged by dx.
    struct Case {
        int dx;
        int width; // afterwards
    };
    const Case cases[] = {{231, 270}, {230, 40}, {-39731, 270}, {-39730, 40000}};
    for (const Case& c : cases) {
        Editor e;
        e.hover({75, 160});
        e.ButtonDown({75, 160});
        e.ButtonUp({75 + c.dx, 160});
        e.Layout(kInner, kPicture);
        EXPECT_NEAR(e.PlotBox().Width(), c.width, 1) << c.dx;
    }
}

TEST(picCurveEditor, BorderZoomIsTenPixelsPerStepAtMost)
{
    Editor e;
    e.hover({410, 160}); // the work area's right edge
    EXPECT_EQ(e.ButtonDown({410, 160}), picCurveEditor::kStartTimer);
    bool report = false;
    double x = 0, y = 0;
    EXPECT_EQ(e.MouseMove({250, 160}, &report, &x, &y), 0u) << "the border waits for the timer";
    EXPECT_EQ(e.data().sizeRefX, 400);
    e.TimerStep();
    EXPECT_DOUBLE_EQ(e.data().sizeRefX, 400.0 * 390 / 400);
    EXPECT_DOUBLE_EQ(e.data().sizeRefY, 300);
    e.Layout(kInner, kPicture);
    const double before = e.data().sizeRefX;
    const int width = e.WorkArea().Width();
    e.TimerStep();
    EXPECT_DOUBLE_EQ(e.data().sizeRefX, before * (width - 10) / width) << "held: it goes on";
    EXPECT_TRUE(e.data().hasSizeRef);
}

TEST(picCurveEditor, MenuItemsInOrder)
{
    picCurveEditor e;
    e.Layout(kInner, CSize());
    vbString markup;
    e.AppendMenuMarkup(markup);
    EXPECT_EQ(std::string(markup), "");

    e.DoubleClick({100, 100});
    e.DoubleClick({200, 100});
    unsigned effects = 0;
    e.HitTest({200, 100}, &effects);
    markup = "X";
    e.AppendMenuMarkup(markup);
    EXPECT_EQ(std::string(markup),
        "X\n<item name='CurveDeletePt' text='Delete selected curve point' tag='2'/>"
        "\n<item name='CurveDeleteAll' text='Delete all curve points'/>"
        "\n<item name='CurveResetAll' text='Reset curve box'/>\n<sep/>");

    EXPECT_TRUE(e.RunMenuCommand("CurveDeletePt", "1", nullptr, &effects));
    EXPECT_EQ(effects, unsigned(picCurveEditor::kPointsChanged));
    EXPECT_TRUE(e.RunMenuCommand("CurveDeletePt", "5", nullptr, &effects));
    EXPECT_EQ(effects, 0u) << "no such point: nothing changed";
    EXPECT_EQ(e.Curve().Snapshot().points.size(), 1u);
    EXPECT_FALSE(e.RunMenuCommand("Foo", nullptr, nullptr, &effects));
}

TEST(picCurveEditor, ToolTips)
{
    struct Case {
        CPoint at;
        int id;
        const char* text;
    };
    const Case cases[] = {
        {{30, 50}, 1 << 16 | HTCLIENT, "To add a curve point, double click at desired position."},
        {{10, 160}, 1 << 16 | HTLEFT,
            "To resize or zoom work area, drag borders (in blue): stay clicked on borders, and move mouse."},
        {{20, 150}, 2 << 16 | HTCLIENT,
            "To add a curve point, double click at desired position.\nTo move background image, drag image (in "
            "blue): stay clicked inside image, and move mouse."},
        {{16, 150}, 2 << 16 | HTLEFT,
            "To resize background image, drag borders (in blue): stay clicked on borders, and move mouse."},
        {{100, 100}, 4 << 16 | HTCLIENT,
            "To add a curve point, double click at desired position.\nTo move axis, drag them (in blue): stay "
            "clicked inside axis, and move mouse."},
        {{75, 100}, 4 << 16 | HTLEFT, "To resize axis, drag them (in blue): stay clicked on axis, and move mouse."},
        {{210, 160}, 8 << 16 | HTCLIENT,
            "To move this curve point, drag point (in blue): stay clicked inside point, and move mouse."},
    };
    Editor e;
    for (const Case& c : cases) {
        vbString text;
        int id = 0;
        EXPECT_TRUE(e.ToolTip(c.at, &text, &id));
        EXPECT_EQ(id, c.id) << c.text;
        EXPECT_EQ(std::string(text), c.text);
    }
    vbString text;
    int id = 0;
    EXPECT_FALSE(e.ToolTip({2, 2}, &text, &id));
    EXPECT_EQ(id, -1);
    e.hover({100, 100});
    e.ButtonDown({100, 100});
    text = "x";
    EXPECT_TRUE(e.ToolTip({100, 100}, &text, &id));
    EXPECT_EQ(std::string(text), "") << "nothing while dragging";
}
