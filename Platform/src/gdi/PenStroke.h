#pragma once

// Lines drawn with a pen: one pixel wide with the dash patterns, or wider and solid, as a disc of
// the pen's width moved along the path.

#include "GdiObjects.h"
#include "Raster.h"

namespace plat::gdi {

class PenStroke {
public:
    // state gives the background colour and mode for the gaps of a styled pen.
    PenStroke(Raster& raster, const LOGPEN& pen, const DcState& state);

    bool visible() const { return style_ != PS_NULL; }
    int width() const { return width_; }
    // Surface coordinates; the end point is drawn only when asked. The dash pattern runs on
    // from one segment to the next.
    void segment(POINT from, POINT to, bool withEnd);
    // One point of the path.
    void dot(int x, int y);

private:
    bool patternOn();

    Raster& raster_;
    const COLORREF color_;
    const COLORREF gapColor_;
    const bool fillGaps_;
    const int style_;
    const int width_;
    int64_t patternStep_ = 0;
};

// The pen selected in a DC, or the stock black pen when none is.
LOGPEN selectedPen(const DcState& state);
// The colour of the selected brush; false for a null brush.
bool selectedBrush(const DcState& state, COLORREF* color);

} // namespace plat::gdi
