#pragma once

// What the curve editor knows and decides, apart from its window: the curve, the rectangles of
// the last layout (work area W, background image I, plot box P), the hover state, the selected
// point and a drag in progress. The window feeds it client points and asks what changed.

#include "picCurveData.h"

#include "vbString.h"

#include "plat/afxtypes.h"
#include "plat/types.h"

class picCurveEditor {
public:
    // What a call asks of the window.
    enum Effect : unsigned {
        kNothing = 0,
        kRepaint = 1,
        kNewCode = 2,   // the hit code changed: the cursor is asked again
        kStartTimer = 4,
        kStopTimer = 8,
        // The points changed (the table the assembly makes of the curve with them): told once a
        // drag ends, at once otherwise.
        kPointsChanged = 16,
        // The size reference or the bounds of the plot box or the background image changed: the
        // curve as stored, not its values.
        kFrameChanged = 32,
    };

    struct Hit {
        int state = 0; // 0, 1 work area, 2 image, 4 axes box, 8 point
        int code = -2; // hit code of the state, or -2
        int workArea = -2;
        int point = -1;
    };

    picCurve& Curve() { return m_curve; }
    const picCurve& Curve() const { return m_curve; }

    // Stores new ranges; false when all four are the ones kept.
    bool SetAxesRange(double xmin, double xmax, double ymin, double ymax);

    // The rectangles for the inner rectangle r, with the background image's size (0 x 0 when
    // there is none); fitted bounds are kept, and set only with a size reference. kFrameChanged
    // when a fitted group is kept from now on (the first layout after the first edit, or after
    // the background picture came).
    unsigned Layout(const CRect& r, CSize imageSize);
    const CRect& WorkArea() const { return m_work; }
    const CRect& ImageRect() const { return m_image; }
    const CRect& PlotBox() const { return m_plot; }

    // The hit test of WM_NCHITTEST; answers the code to give, or -2 when nothing was hit.
    int HitTest(CPoint point, unsigned* effects);
    Hit Find(CPoint point) const;
    int State() const { return m_hit.state; }
    int Code() const { return m_hit.code; }
    // The code is an edge or corner code (HTLEFT..HTBOTTOMRIGHT).
    bool OnEdge() const;
    int Selected() const { return m_selected; }
    bool IsDragging() const { return m_dragging; }

    unsigned ButtonDown(CPoint point);
    // The position to report to the owner, in axis values: that of the selected point, else of
    // the mouse, and only while the mouse is inside the plot box; false when none is to be told.
    unsigned MouseMove(CPoint point, bool* report, double* x, double* y);
    unsigned TimerStep();
    unsigned ButtonUp(CPoint point);
    unsigned StopDrag();
    unsigned DoubleClick(CPoint point);

    // Mark-up of the editor's items for its owner's menu, appended to markup.
    void AppendMenuMarkup(vbString& markup) const;
    // Runs one of those items; false for a name it does not know. "CurveDeletePt" takes the
    // point's number from tag (none: the selected point). Questions go to vbMBox over window.
    // effects gets kPointsChanged when points went, kFrameChanged when the box was reset.
    bool RunMenuCommand(const char* name, const char* tag, HWND window, unsigned* effects);

    // The tip at point (an empty one while dragging); false where the box's own tip applies.
    bool ToolTip(CPoint point, vbString* text, int* id) const;

private:
    unsigned applyDrag();
    unsigned dragBorder(picCurveData& d);
    unsigned dragBounds(picCurveData& d);

    picCurve m_curve;
    CRect m_work;
    CRect m_image;
    CRect m_plot;
    Hit m_hit;
    int m_selected = -1;
    bool m_dragging = false;
    CPoint m_dragStart;
    CPoint m_lastMouse;
    CSize m_offset;
    bool m_reanchor = false;
    // The dragged point has moved since the button went down.
    bool m_pointMoved = false;
};
