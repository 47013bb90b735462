#pragma once

// The small glyphs of trees and menus: scroll arrows, the expand button, check boxes and radio
// buttons. Each selects the pen (and for boxes the brush) of its colours into the device context
// and leaves them selected. Box interiors take the "CtrlFrameLight" colour setting. Line end
// points are not painted.

#include "guiExport.h"

#include "vbColor.h"

#include "plat/afxgdi.h"
#include "plat/afxtypes.h"

// A double chevron pointing up or down; nothing when the rectangle is 8 high or less or narrower
// than its height - 4.
GUIAPI void vbDrawScroll(const vbColor& color, CDC& dc, const CRect& rect, bool up);
// A framed square with a minus (expanded) or a plus.
GUIAPI void vbDrawExpandBtn(const vbColor& rectColor, const vbColor& signColor, CDC& dc, const CRect& rect,
    bool expanded);
// The box when box, the check mark when checked.
GUIAPI void vbDrawCheckBtn(const vbColor& rectColor, const vbColor& markColor, CDC& dc, const CRect& rect,
    bool checked, bool box);
// The circle when box, the dot when checked.
GUIAPI void vbDrawRadioBtn(const vbColor& rectColor, const vbColor& markColor, CDC& dc, const CRect& rect,
    bool checked, bool box);

// Clips dc to the highlight of a row: a bar from left + 1 that ends in a half-ellipse at right,
// within limit (device coordinates, as the row is).
GUIAPI void vbClipToPill(CDC& dc, int left, int right, int top, int bottom, const CRect& limit);
