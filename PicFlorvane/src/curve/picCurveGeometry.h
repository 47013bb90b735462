#pragma once

// The curve editor's arithmetic on client pixels: the fitted rectangles, the reference and plot
// mappings with their truncations, the rectangle hit codes and the rectangle a drag asks for.

#include "picCurveData.h"

#include "plat/afxtypes.h"

namespace picCurveGeometry {

// The hover states, in order of their weight.
enum State : int {
    kNone = 0,
    kWorkArea = 1,
    kImage = 2,
    kAxes = 4,
    kPoint = 8,
};

constexpr int kNoHit = -2; // HTERROR
constexpr int kGrip = 2;   // pixels around an edge that catch it
constexpr int kMinSide = 40;
constexpr int kMaxSide = 40000;
constexpr int kZoomStep = 10; // pixels per timer step of a work-area border drag

// The largest rectangle of aspect ax : ay that fits in area less `margin` pixels in width and
// height, centred in area (offsets truncated). Empty when the aspect or the room is not positive.
CRect fitAspect(const CRect& area, int margin, double ax, double ay);

// Reference units of the work area w and pixels.
CRect refToPixels(const CRect& w, const picCurveData& c, double left, double right, double top, double bottom);
void pixelsToRef(const CRect& w, const picCurveData& c, const CRect& r, double* left, double* right, double* top,
    double* bottom);

// Per cent of the plot box p and pixels; pixels to axis values.
CPoint percentToPixel(const CRect& p, double x, double y);
void pixelToPercent(const CRect& p, CPoint pixel, double* x, double* y);
void pixelToValue(const CRect& p, const picCurveData& c, CPoint pixel, double* x, double* y);

// kNoHit outside r grown by kGrip; an edge or corner code within kGrip of the edges; else
// HTCLIENT. With extendedEdges a point off the rectangle near the line of one of its edges
// answers that edge.
int hitRect(const CRect& r, CPoint point, bool extendedEdges);

// r moved (HTCLIENT) or resized by its edges (an edge or corner code) by delta.
CRect dragRect(const CRect& r, int code, CSize delta);
bool isAcceptable(const CRect& r);

} // namespace picCurveGeometry
