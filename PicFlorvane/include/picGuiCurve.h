#pragma once

// The window in which a light filter's transmission curve is drawn and edited: a work area with
// an optional background picture and a plot box with axes. Points are placed by double click and
// dragged; the picture and the plot box are moved and resized by dragging them, the work area
// zoomed by dragging its border. The editor object lives before and after its window, so that its
// curve can be loaded, copied and read without one.

#include "picCurveEditor.h"
#include "picGuiBox.h"

#include "guiGlobal.h"

class picGuiCurve;

// What the editor tells its owner, in this order of slots.
class sIpicCurveOwner {
public:
    virtual void OnCurveRefresh(picGuiCurve* curve) = 0;
    // The axis values under the mouse, or of the point under it, while the mouse is in the plot.
    virtual void OnCurvePosition(picGuiCurve* curve, double x, double y) = 0;
    // The mouse has left the plot box or the editor (a drag it held has ended): no position
    // stands any more.
    virtual void OnCurveMouseOut(picGuiCurve* curve) = 0;
    virtual void OnCurveContextMenu(picGuiCurve* curve, CWnd* wnd, CPoint screenPoint) = 0;
    // On the loading thread.
    virtual void OnCurveImageLoaded(picGuiCurve* curve) = 0;
    // The user changed the points: added, moved (told at the end of the drag) or deleted.
    virtual void OnCurvePointsChanged(picGuiCurve* curve) = 0;
    // The user moved or resized the plot box or the background picture, zoomed the work area or
    // reset them: the curve as stored changed, the points and so the curve's values did not.
    virtual void OnCurveFrameChanged(picGuiCurve* curve) = 0;

protected:
    ~sIpicCurveOwner() = default;
};

class picGuiCurve : public picGuiBox {
public:
    // The message of the border-zoom timer.
    static constexpr UINT kTimerMsg = 0x500;

    explicit picGuiCurve(sIpicCurveOwner* owner = nullptr);
    ~picGuiCurve() override;

    picCurve& GetCurve() { return m_editor.Curve(); }
    const picCurve& GetCurve() const { return m_editor.Curve(); }
    const picCurveEditor& GetEditor() const { return m_editor; }

    // Nothing when all four are the ones kept (false); otherwise stored and repainted.
    bool SetAxesRange(double xmin, double xmax, double ymin, double ymax);

    // The editor's items of its owner's menu, and their commands (false: not one of them).
    void AppendMenuMarkup(vbString& markup) const { m_editor.AppendMenuMarkup(markup); }
    bool OnMenuCommand(const char* name, const char* tag);

    void ClientPrint(guiDrawInfo* info, CDC* dc) override;
    vbString tcNeedToolTip(const CPoint& point, bool* track, int* id) override;
    void tcOnDestroy() override;
    void tcOnMouseOut() override;
    void onImageLoaded(picGuiImagePtr* ptr) override;

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result) override;

private:
    bool handleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Lays out for the window's current size and background picture; the inner rectangle.
    CRect layout(guiDrawInfo* info, CDC* dc);
    void apply(unsigned effects);
    // Tells the owner the position, or that none stands any more.
    void reportPosition(bool report, double x, double y);
    void paintWork(guiDrawInfo* info, CDC& dc, const CRect& inner);
    void paintImage(guiDrawInfo* info, CDC& dc);
    void paintAxes(CDC& dc);
    void paintCurve(CDC& dc);

    picCurveEditor m_editor;
    sIpicCurveOwner* m_pOwner;
    // The owner was told a position that still stands.
    bool m_positionShown = false;
    guiTimer m_timer;
    guiTimerPostEvent m_timerEvent;
};
