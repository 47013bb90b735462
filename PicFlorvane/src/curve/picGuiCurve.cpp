#include "picGuiCurve.h"

#include "picCaught.h"

#include "curve/picCurveGeometry.h"

#include "vbEngine.h"
#include "vbExceptionReport.h"
#include "vbMsg.h"
#include "vbWinClass.h"

#include "plat/gdi.h"
#include "plat/mouse.h"
#include "plat/window.h"

#include <vector>

namespace {

vbWinClass& curveClass()
{
    static vbWinClass cls("KVX Vantrel picGuiCurve", 0x2B, DefWindowProcA, vbEngineDeps());
    return cls;
}

constexpr const char kSource[] = "picGuiCurve";
constexpr COLORREF kHovered = 0xEE2200;
constexpr COLORREF kPlain = 0;
constexpr COLORREF kCurve = 0x22EE00;
constexpr COLORREF kImageArea = 0xFFFFFF;


CSize pictureSize(picGuiImagePtr& picture)
{
    picSize size;
    picGuiImageObject* object = picture.IsLoaded() ? picture.Get() : nullptr;
    if (!object || !object->GetBitmapSize(&size))
        return CSize();
    return CSize(size.cx, size.cy);
}

} // namespace

picGuiCurve::picGuiCurve(sIpicCurveOwner* owner)
    : picGuiBox(nullptr), m_pOwner(owner), m_timer(60), m_timerEvent(this, kTimerMsg)
{
    m_timerEvent.SetMinTime(0);
}

picGuiCurve::~picGuiCurve()
{
    m_timerEvent.Stop(true);
}

bool picGuiCurve::SetAxesRange(double xmin, double xmax, double ymin, double ymax)
{
    if (!m_editor.SetAxesRange(xmin, xmax, ymin, ymax))
        return false;
    if (GetSafeHwnd())
        Invalidate(TRUE);
    return true;
}

bool picGuiCurve::OnMenuCommand(const char* name, const char* tag)
{
    unsigned effects = 0;
    if (!m_editor.RunMenuCommand(name, tag, GetSafeHwnd(), &effects))
        return false;
    apply(effects | picCurveEditor::kRepaint);
    return true;
}

// The box's window styles, in a class of its own.
BOOL picGuiCurve::PreCreateWindow(CREATESTRUCTA& cs)
{
    try {
        if (!picGuiBox::PreCreateWindow(cs))
            return FALSE;
        curveClass().InitCs(cs);
        return TRUE;
    } catch (...) {
        picShowCaught(kSource, __LINE__);
        return FALSE;
    }
}

// The container gives a control its own cursor; on an edge the editor asks the default
// procedure for the sizing cursor of its code instead.
LRESULT picGuiCurve::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SETCURSOR && HWND(wParam) == GetSafeHwnd() && m_editor.OnEdge()) {
        const UINT mouse = HIWORD(lParam) ? HIWORD(lParam) : WM_MOUSEMOVE;
        return DefWindowProcA(GetSafeHwnd(), WM_SETCURSOR, wParam, MAKELPARAM(m_editor.Code() & 0xFFFF, mouse));
    }
    return picGuiBox::WindowProc(msg, wParam, lParam);
}

bool picGuiCurve::onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result)
{
    try {
        if (handleMessage(msg, wParam, lParam, result))
            return true;
    } catch (...) {
        picShowCaught(kSource, __LINE__);
        result = 0;
        return true;
    }
    return picGuiBox::onWindowProc(msg, wParam, lParam, result);
}

bool picGuiCurve::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    const CPoint point(lParam);
    switch (msg) {
    case WM_PAINT: {
        CPaintDC dc(this);
        ClientPrint(nullptr, &dc);
        return true;
    }
    case WM_PRINTCLIENT: {
        CDC* dc = wParam ? CDC::FromHandle(reinterpret_cast<HDC>(wParam)) : nullptr;
        if (!dc)
            throw new vbEsys(E_FAIL, "picGuiCurve::WM_PRINTCLIENT failure");
        guiDrawInfo info(1);
        ClientPrint(&info, dc);
        return true;
    }
    case WM_SIZE:
        result = classWindowProc(msg, wParam, lParam);
        layout(nullptr, nullptr);
        onResized();
        return true;
    case WM_NCHITTEST: {
        CPoint client = point;
        ScreenToClient(&client);
        unsigned effects = 0;
        const int code = m_editor.HitTest(client, &effects);
        if (effects & picCurveEditor::kNewCode)
            vbPostMessage(GetSafeHwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(GetSafeHwnd()), 0);
        apply(effects);
        if (code == -2)
            return false;
        // Edges stay client messages: the editor drags them itself.
        result = HTCLIENT;
        return true;
    }
    case WM_LBUTTONDOWN:
        result = classWindowProc(msg, wParam, lParam);
        apply((wParam & MK_LBUTTON) ? m_editor.ButtonDown(point) : m_editor.StopDrag());
        return true;
    case WM_MOUSEMOVE: {
        bool report = false;
        double x = 0, y = 0;
        apply(m_editor.MouseMove(point, &report, &x, &y));
        reportPosition(report, x, y);
        return true;
    }
    case kTimerMsg:
        apply(m_editor.TimerStep());
        return true;
    case WM_LBUTTONUP:
        apply(m_editor.ButtonUp(point));
        return true;
    case WM_LBUTTONDBLCLK:
        apply(m_editor.DoubleClick(point));
        return true;
    case WM_CONTEXTMENU:
        if (m_pOwner)
            m_pOwner->OnCurveContextMenu(this, this, point);
        return true;
    default:
        return false;
    }
}

void picGuiCurve::apply(unsigned effects)
{
    if (effects & picCurveEditor::kStartTimer)
        m_timerEvent.StartExt(&m_timer, true);
    if (effects & picCurveEditor::kStopTimer)
        m_timerEvent.Stop(true);
    if ((effects & picCurveEditor::kRepaint) && GetSafeHwnd())
        Invalidate(FALSE);
    if ((effects & picCurveEditor::kPointsChanged) && m_pOwner)
        m_pOwner->OnCurvePointsChanged(this);
    if ((effects & picCurveEditor::kFrameChanged) && m_pOwner)
        m_pOwner->OnCurveFrameChanged(this);
}

void picGuiCurve::reportPosition(bool report, double x, double y)
{
    if (report) {
        m_positionShown = true;
        if (m_pOwner)
            m_pOwner->OnCurvePosition(this, x, y);
        return;
    }
    if (!m_positionShown)
        return;
    m_positionShown = false;
    if (m_pOwner)
        m_pOwner->OnCurveMouseOut(this);
}

CRect picGuiCurve::layout(guiDrawInfo* info, CDC* dc)
{
    const CRect inner = drawFrame(info, dc);
    apply(m_editor.Layout(inner, pictureSize(GetPicture())));
    return inner;
}

void picGuiCurve::ClientPrint(guiDrawInfo* info, CDC* dc)
{
    const CRect inner = layout(info, dc);
    const int saved = dc->SaveDC();
    try {
        paintWork(info, *dc, inner);
    } catch (...) {
        dc->RestoreDC(saved);
        throw;
    }
    dc->RestoreDC(saved);
    if (!tcGetText().IsEmpty())
        printText(*dc, inner);
}

void picGuiCurve::paintWork(guiDrawInfo* info, CDC& dc, const CRect& inner)
{
    tcGetBackSurface().Fill(dc.GetSafeHdc(), inner, nullptr);
    const CRect& work = m_editor.WorkArea();
    if (work.Width() <= 2)
        return;
    CBrush frame(m_editor.State() == picCurveGeometry::kWorkArea ? kHovered : kPlain);
    dc.FrameRect(&work, &frame);
    CRect inside = work;
    inside.DeflateRect(1, 1);
    dc.IntersectClipRect(&inside);
    dc.FillSolidRect(&inside, kImageArea);
    paintImage(info, dc);
    paintAxes(dc);
    paintCurve(dc);
}

void picGuiCurve::paintImage(guiDrawInfo* info, CDC& dc)
{
    const CRect& image = m_editor.ImageRect();
    picGuiImageObject* object = GetPicture().IsLoaded() ? GetPicture().Get() : nullptr;
    if (image.IsRectEmpty() || !object
        || !object->Render(info, &dc, image.left, image.top, image.Width(), image.Height(), 0, 0, -1, -1))
        return;
    if (m_editor.State() == picCurveGeometry::kImage) {
        CBrush frame(kHovered);
        dc.FrameRect(&image, &frame);
    }
}

void picGuiCurve::paintAxes(CDC& dc)
{
    const CRect& plot = m_editor.PlotBox();
    const CRect& work = m_editor.WorkArea();
    if (plot.Width() <= 0)
        return;
    const COLORREF colour = m_editor.State() == picCurveGeometry::kAxes ? kHovered : kPlain;
    CPen thick(PS_SOLID, 3, colour);
    CPen thin(PS_DASHDOT, 1, colour);
    CPen* previous = dc.SelectObject(&thick);
    dc.MoveTo(work.left, plot.bottom);
    dc.LineTo(work.right, plot.bottom);
    dc.MoveTo(plot.left, work.top);
    dc.LineTo(plot.left, work.bottom);
    dc.SelectObject(&thin);
    dc.MoveTo(work.left, plot.top);
    dc.LineTo(work.right, plot.top);
    dc.MoveTo(plot.right, work.top);
    dc.LineTo(plot.right, work.bottom);
    dc.SelectObject(previous);
}

void picGuiCurve::paintCurve(CDC& dc)
{
    const CRect& plot = m_editor.PlotBox();
    if (plot.IsRectEmpty())
        return;
    std::vector<POINT> pixels = GetCurve().Read([&](const picCurveData& d) {
        std::vector<POINT> out;
        out.reserve(d.points.size());
        for (const picCurvePoint& p : d.points)
            out.push_back(picCurveGeometry::percentToPixel(plot, p.x, p.y));
        return out;
    });
    if (pixels.empty())
        return;
    CPen pen(PS_SOLID, 1, kCurve);
    CPen* previous = dc.SelectObject(&pen);
    if (pixels.size() > 1)
        dc.Polyline(pixels.data(), int(pixels.size()));
    dc.SelectObject(previous);
    CBrush plain(kCurve);
    CBrush hovered(kHovered);
    const bool pointHovered = m_editor.State() == picCurveGeometry::kPoint;
    for (size_t i = 0; i < pixels.size(); ++i) {
        const CRect square(pixels[i].x - 2, pixels[i].y - 2, pixels[i].x + 3, pixels[i].y + 3);
        dc.FrameRect(&square, pointHovered && int(i) + 1 == m_editor.Selected() ? &hovered : &plain);
    }
}

vbString picGuiCurve::tcNeedToolTip(const CPoint& point, bool* track, int* id)
{
    vbString text;
    int tipId = -1;
    if (m_editor.ToolTip(point, &text, &tipId)) {
        if (id)
            *id = tipId;
        if (track)
            *track = true;
        return text;
    }
    if (id)
        *id = -1;
    return picGuiBox::tcNeedToolTip(point, track, id);
}

void picGuiCurve::tcOnDestroy()
{
    m_timerEvent.Stop(true);
    picGuiBox::tcOnDestroy();
}

void picGuiCurve::tcOnMouseOut()
{
    apply(m_editor.StopDrag());
    picGuiBox::tcOnMouseOut();
    m_positionShown = false;
    if (m_pOwner)
        m_pOwner->OnCurveMouseOut(this);
}

void picGuiCurve::onImageLoaded(picGuiImagePtr*)
{
    if (GetSafeHwnd())
        Invalidate(FALSE);
    if (m_pOwner)
        m_pOwner->OnCurveImageLoaded(this);
}
