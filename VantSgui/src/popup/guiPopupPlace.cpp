#include "popup/guiPopupPlace.h"

#include <algorithm>

namespace {

guiPopupDir opposite(guiPopupDir dir)
{
    switch (dir) {
    case guiPopupDir_Left: return guiPopupDir_Right;
    case guiPopupDir_Right: return guiPopupDir_Left;
    case guiPopupDir_Above: return guiPopupDir_Below;
    case guiPopupDir_Below: return guiPopupDir_Above;
    }
    return dir;
}

// Whether the side asked for is worse than the opposite one: the window does not fit there and
// the other side has more room.
bool betterOpposite(const CSize& screen, const CRect& r, guiPopupDir dir, const CSize& size)
{
    switch (dir) {
    case guiPopupDir_Right: return r.right + size.cx > screen.cx && r.left > screen.cx - r.right;
    case guiPopupDir_Left: return size.cx > r.left && screen.cx - r.right > r.left;
    case guiPopupDir_Below: return r.bottom + size.cy > screen.cy && r.top > screen.cy - r.bottom;
    case guiPopupDir_Above: return size.cy > r.top && screen.cy - r.bottom > r.top;
    }
    return false;
}

} // namespace

guiPopupPlacement guiPlacePopup(const CSize& screen, const CRect& anchor, guiPopupDir dir, const CSize& size)
{
    const CRect& r = anchor;
    // Only the side first asked for may give way, and only once.
    if (betterOpposite(screen, r, dir, size))
        dir = opposite(dir);
    CPoint at(0, 0);
    switch (dir) {
    case guiPopupDir_Right:
    case guiPopupDir_Left:
        at = CPoint(dir == guiPopupDir_Right ? r.right : r.left - size.cx, r.top);
        // Growing upward from the anchor's bottom when the bottom edge is in the way.
        if (at.y + size.cy > screen.cy && screen.cy - r.top < r.bottom)
            at.y = r.bottom - size.cy;
        break;
    case guiPopupDir_Below:
    case guiPopupDir_Above:
        at = CPoint(r.left, dir == guiPopupDir_Below ? r.bottom : r.top - size.cy);
        if (at.x + size.cx > screen.cx && screen.cx - r.left < r.right)
            at.x = r.right - size.cx;
        break;
    }
    guiPopupPlacement placed{CRect(at.x, at.y, at.x + size.cx, at.y + size.cy), dir};
    guiClampToScreen(placed.rect, screen);
    return placed;
}

void guiClampToScreen(CRect& rect, const CSize& screen)
{
    rect.right = std::min<LONG>(rect.right, screen.cx);
    rect.bottom = std::min<LONG>(rect.bottom, screen.cy);
    rect.left = std::max<LONG>(rect.left, 0);
    rect.top = std::max<LONG>(rect.top, 0);
}
