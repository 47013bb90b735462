#include "picCurveEditor.h"

#include "curve/picCurveGeometry.h"

#include "vbExceptionReport.h"

#include "plat/mouse.h"
#include "plat/msgbox.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

using namespace picCurveGeometry;

namespace {

constexpr int kPointHalf = 2; // a point is a 5 x 5 square around its pixel

bool isEdge(int code) { return code >= HTLEFT && code <= HTBOTTOMRIGHT; }

// Its edges included: the axes are drawn on them.
bool insidePlot(const CRect& plot, CPoint point)
{
    return !plot.IsRectEmpty() && point.x >= plot.left && point.x <= plot.right && point.y >= plot.top
        && point.y <= plot.bottom;
}

// Reference bounds of a group, in the order left, right, top, bottom.
struct Bounds {
    bool* flag;
    double* v[4];
};

Bounds imageBounds(picCurveData& d)
{
    return {&d.hasImageBounds, {&d.minImageX, &d.maxImageX, &d.minImageY, &d.maxImageY}};
}

Bounds axisBounds(picCurveData& d)
{
    return {&d.hasAxisBounds, {&d.minAxisX, &d.maxAxisX, &d.minAxisY, &d.maxAxisY}};
}

CRect boundsToPixels(const CRect& w, const picCurveData& d, const Bounds& b)
{
    return refToPixels(w, d, *b.v[0], *b.v[1], *b.v[2], *b.v[3]);
}

void pixelsToBounds(const CRect& w, const picCurveData& d, const CRect& r, const Bounds& b)
{
    pixelsToRef(w, d, r, b.v[0], b.v[1], b.v[2], b.v[3]);
}

// A fitted rectangle's bounds become the group's; kept for good only with a size reference.
CRect placeGroup(const CRect& w, const CRect& inner, picCurveData& d, const Bounds& b, int margin, double ax,
    double ay)
{
    if (*b.flag)
        return boundsToPixels(w, d, b);
    CRect fitted = fitAspect(inner, margin, ax, ay);
    if (fitted.IsRectEmpty())
        return CRect();
    pixelsToBounds(w, d, fitted, b);
    *b.flag = d.hasSizeRef;
    return fitted;
}

const char* const kTipAddPoint = "To add a curve point, double click at desired position.";

const char* tipText(int state, bool inside)
{
    switch (state) {
    case kWorkArea:
        return inside ? kTipAddPoint
                      : "To resize or zoom work area, drag borders (in blue): stay clicked on borders, and move mouse.";
    case kImage:
        return inside ? "To add a curve point, double click at desired position.\nTo move background image, drag "
                        "image (in blue): stay clicked inside image, and move mouse."
                      : "To resize background image, drag borders (in blue): stay clicked on borders, and move mouse.";
    case kAxes:
        return inside ? "To add a curve point, double click at desired position.\nTo move axis, drag them (in "
                        "blue): stay clicked inside axis, and move mouse."
                      : "To resize axis, drag them (in blue): stay clicked on axis, and move mouse.";
    default:
        return "To move this curve point, drag point (in blue): stay clicked inside point, and move mouse.";
    }
}

} // namespace

bool picCurveEditor::SetAxesRange(double xmin, double xmax, double ymin, double ymax)
{
    return m_curve.Edit([&](picCurveData& d) {
        if (d.xmin == xmin && d.xmax == xmax && d.ymin == ymin && d.ymax == ymax)
            return false;
        d.xmin = xmin;
        d.xmax = xmax;
        d.ymin = ymin;
        d.ymax = ymax;
        return true;
    });
}

unsigned picCurveEditor::Layout(const CRect& r, CSize imageSize)
{
    const unsigned effects = m_curve.Edit([&](picCurveData& d) -> unsigned {
        const bool wasKept[2] = {d.hasImageBounds, d.hasAxisBounds};
        if (d.hasSizeRef) {
            m_work = fitAspect(r, 20, d.sizeRefX, d.sizeRefY);
        } else {
            m_work = r;
            m_work.DeflateRect(10, 10);
            if (!m_work.IsRectEmpty()) {
                d.sizeRefX = m_work.Width();
                d.sizeRefY = m_work.Height();
            }
        }
        m_image = m_plot = CRect();
        if (m_work.IsRectEmpty())
            return kNothing;
        if (imageSize.cx > 0 && imageSize.cy > 0)
            m_image = placeGroup(m_work, r, d, imageBounds(d), 30, imageSize.cx, imageSize.cy);
        m_plot = placeGroup(m_work, r, d, axisBounds(d), 50, d.xmax - d.xmin, d.ymax - d.ymin);
        return d.hasImageBounds != wasKept[0] || d.hasAxisBounds != wasKept[1] ? kFrameChanged : kNothing;
    });
    if (m_reanchor) {
        m_dragStart = m_lastMouse;
        m_reanchor = false;
    }
    return effects;
}

picCurveEditor::Hit picCurveEditor::Find(CPoint point) const
{
    Hit hit;
    hit.workArea = hitRect(m_work, point, false);
    int image = kNoHit;
    int plot = kNoHit;
    if (hit.workArea == HTCLIENT) {
        if (!m_image.IsRectEmpty())
            image = hitRect(m_image, point, false);
        if (!m_plot.IsRectEmpty())
            plot = hitRect(m_plot, point, true);
    }
    if (!m_plot.IsRectEmpty()) {
        hit.point = m_curve.Read([&](const picCurveData& d) {
            for (size_t i = 0; i < d.points.size(); ++i) {
                CPoint at = percentToPixel(m_plot, d.points[i].x, d.points[i].y);
                if (std::abs(point.x - at.x) <= kPointHalf && std::abs(point.y - at.y) <= kPointHalf)
                    return int(i) + 1;
            }
            return -1;
        });
    }
    if (hit.point > 0)
        hit.state = kPoint, hit.code = HTCLIENT;
    else if (isEdge(hit.workArea))
        hit.state = kWorkArea, hit.code = hit.workArea;
    else if (plot != kNoHit)
        hit.state = kAxes, hit.code = plot;
    else if (image != kNoHit)
        hit.state = kImage, hit.code = image;
    return hit;
}

bool picCurveEditor::OnEdge() const { return isEdge(m_hit.code); }

int picCurveEditor::HitTest(CPoint point, unsigned* effects)
{
    *effects = kNothing;
    if (m_dragging)
        return m_hit.code;
    Hit hit = Find(point);
    if (hit.state == kNone)
        hit.code = hit.workArea;
    if (hit.code != m_hit.code)
        *effects |= kNewCode;
    if (hit.state != m_hit.state)
        *effects |= kRepaint;
    m_hit = hit;
    m_selected = hit.point;
    return hit.code;
}

unsigned picCurveEditor::ButtonDown(CPoint point)
{
    if (m_hit.state == kNone)
        return StopDrag();
    m_dragging = true;
    m_dragStart = m_lastMouse = point;
    m_reanchor = false;
    m_pointMoved = false;
    if (m_hit.state == kPoint) {
        CPoint at = m_curve.Read([&](const picCurveData& d) {
            const picCurvePoint& p = d.points[size_t(m_selected - 1)];
            return percentToPixel(m_plot, p.x, p.y);
        });
        m_offset = at - point;
    }
    return m_hit.state == kWorkArea ? kStartTimer : kStopTimer;
}

unsigned picCurveEditor::MouseMove(CPoint point, bool* report, double* x, double* y)
{
    unsigned effects = kNothing;
    if (m_dragging) {
        m_lastMouse = point;
        if (m_hit.state != kWorkArea)
            effects = applyDrag();
    }
    *report = !(m_dragging && m_hit.state != kPoint) && insidePlot(m_plot, point);
    if (*report) {
        m_curve.Read([&](const picCurveData& d) {
            CPoint at = point;
            if (m_selected > 0 && m_selected <= int(d.points.size()))
                at = percentToPixel(m_plot, d.points[size_t(m_selected - 1)].x, d.points[size_t(m_selected - 1)].y);
            pixelToValue(m_plot, d, at, x, y);
        });
    }
    return effects;
}

unsigned picCurveEditor::TimerStep()
{
    return m_dragging && m_hit.state == kWorkArea ? applyDrag() : kNothing;
}

unsigned picCurveEditor::ButtonUp(CPoint point)
{
    if (!m_dragging)
        return kNothing;
    m_lastMouse = point;
    return applyDrag() | StopDrag();
}

unsigned picCurveEditor::StopDrag()
{
    const bool moved = m_dragging && m_pointMoved;
    m_dragging = m_pointMoved = false;
    return kStopTimer | (moved ? kPointsChanged : kNothing);
}

unsigned picCurveEditor::applyDrag()
{
    return m_curve.Edit([&](picCurveData& d) -> unsigned {
        if (m_hit.state == kPoint) {
            if (m_plot.IsRectEmpty() || m_selected < 1 || m_selected > int(d.points.size()))
                return kNothing;
            double x = 0, y = 0;
            pixelToPercent(m_plot, m_lastMouse + m_offset, &x, &y);
            const std::vector<picCurvePoint> before = d.points;
            m_selected = d.MovePoint(m_selected, x, y);
            m_pointMoved = m_pointMoved || d.points != before;
            d.hasSizeRef = true;
            return kRepaint;
        }
        if (m_hit.state == kWorkArea)
            return dragBorder(d);
        return dragBounds(d);
    });
}

unsigned picCurveEditor::dragBorder(picCurveData& d)
{
    CRect asked = dragRect(m_work, m_hit.code, m_lastMouse - m_dragStart);
    const int width = std::clamp(asked.Width(), m_work.Width() - kZoomStep, m_work.Width() + kZoomStep);
    const int height = std::clamp(asked.Height(), m_work.Height() - kZoomStep, m_work.Height() + kZoomStep);
    if (!isAcceptable(CRect(0, 0, width, height)))
        return kNothing;
    const bool changed = !d.hasSizeRef || width != m_work.Width() || height != m_work.Height();
    d.sizeRefX *= double(width) / m_work.Width();
    d.sizeRefY *= double(height) / m_work.Height();
    d.hasSizeRef = true;
    return kRepaint | (changed ? kFrameChanged : kNothing);
}

unsigned picCurveEditor::dragBounds(picCurveData& d)
{
    const CRect& from = m_hit.state == kImage ? m_image : m_plot;
    CRect moved = dragRect(from, m_hit.code, m_lastMouse - m_dragStart);
    if (!isAcceptable(moved))
        return kNothing;
    Bounds b = m_hit.state == kImage ? imageBounds(d) : axisBounds(d);
    const bool changed = !*b.flag || !d.hasSizeRef || moved != from;
    pixelsToBounds(m_work, d, moved, b);
    *b.flag = true;
    d.hasSizeRef = true;
    m_reanchor = true;
    return kRepaint | (changed ? kFrameChanged : kNothing);
}

unsigned picCurveEditor::DoubleClick(CPoint point)
{
    if (m_plot.IsRectEmpty())
        return kNothing;
    m_curve.Edit([&](picCurveData& d) {
        double x = 0, y = 0;
        pixelToPercent(m_plot, point, &x, &y);
        d.AddPoint(x, y);
        d.hasSizeRef = true;
    });
    return kRepaint | kPointsChanged;
}

void picCurveEditor::AppendMenuMarkup(vbString& markup) const
{
    const vbString before = markup;
    if (m_selected > 0) {
        vbString item;
        item.Format("\n<item name='CurveDeletePt' text='Delete selected curve point' tag='%d'/>", m_selected);
        markup += item;
    }
    m_curve.Read([&](const picCurveData& d) {
        if (!d.points.empty())
            markup += "\n<item name='CurveDeleteAll' text='Delete all curve points'/>";
        if (d.hasSizeRef)
            markup += "\n<item name='CurveResetAll' text='Reset curve box'/>";
    });
    if (markup.GetLength() != before.GetLength())
        markup += "\n<sep/>";
}

bool picCurveEditor::RunMenuCommand(const char* name, const char* tag, HWND window, unsigned* effects)
{
    *effects = kNothing;
    const vbString command = name ? name : "";
    bool removed = false;
    bool reset = false;
    if (command == "CurveDeletePt") {
        const int index = tag ? std::atoi(tag) : m_selected;
        removed = m_curve.Edit([&](picCurveData& d) { return d.DeletePoint(index); });
    } else if (command == "CurveDeleteAll") {
        if (vbMBox(window, "Do you want to delete all curve points ?", "Question", MB_YESNO | MB_ICONQUESTION)
            == IDYES)
            removed = m_curve.Edit([](picCurveData& d) { return !std::exchange(d.points, {}).empty(); });
    } else if (command == "CurveResetAll") {
        if (vbMBox(window, "Do you want to delete all curve points, and reset all preferences ?", "Question",
                MB_YESNO | MB_ICONQUESTION)
            == IDYES)
            removed = m_curve.Edit([&](picCurveData& d) {
                reset = d.hasSizeRef || d.hasAxisBounds || d.hasImageBounds;
                d.hasSizeRef = d.hasAxisBounds = d.hasImageBounds = false;
                return !std::exchange(d.points, {}).empty();
            });
    } else {
        return false;
    }
    if (removed) {
        m_selected = -1;
        *effects |= kPointsChanged;
    }
    if (reset)
        *effects |= kFrameChanged;
    return true;
}

bool picCurveEditor::ToolTip(CPoint point, vbString* text, int* id) const
{
    if (m_dragging) {
        *text = "";
        *id = 0;
        return true;
    }
    Hit hit = Find(point);
    if (hit.state == kNone && hit.workArea == HTCLIENT)
        hit.state = kWorkArea, hit.code = HTCLIENT;
    if (hit.state == kNone) {
        *id = -1;
        return false;
    }
    *text = tipText(hit.state, hit.code == HTCLIENT);
    *id = (hit.state << 16) | (hit.code & 0xFFFF);
    return true;
}
