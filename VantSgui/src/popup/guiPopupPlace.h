#pragma once

// Where a popup window goes beside the rectangle it opens from: the preferred side, or the
// opposite one when that has more room, then kept on the screen.

#include "guiExport.h"
#include "guiTreeDraw.h"

#include "plat/afxtypes.h"

struct guiPopupPlacement {
    CRect rect;
    // The side taken, which may be the opposite of the one asked for.
    guiPopupDir dir;
};

// A window of size next to anchor (screen coordinates) on a screen of the given size, at (0, 0)
// for an unknown direction.
GUIAPI guiPopupPlacement guiPlacePopup(const CSize& screen, const CRect& anchor, guiPopupDir dir, const CSize& size);

// Right and bottom no further than the screen's size, left and top not below 0.
GUIAPI void guiClampToScreen(CRect& rect, const CSize& screen);
