// Rectangle helpers.

#include "plat/geometry.h"

#include <algorithm>

namespace {
bool emptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
} // namespace

BOOL SetRect(LPRECT lprc, int xLeft, int yTop, int xRight, int yBottom)
{
    if (!lprc)
        return FALSE;
    *lprc = RECT{xLeft, yTop, xRight, yBottom};
    return TRUE;
}

BOOL SetRectEmpty(LPRECT lprc) { return SetRect(lprc, 0, 0, 0, 0); }

BOOL CopyRect(LPRECT lprcDst, const RECT* lprcSrc)
{
    if (!lprcDst || !lprcSrc)
        return FALSE;
    *lprcDst = *lprcSrc;
    return TRUE;
}

BOOL IsRectEmpty(const RECT* lprc) { return !lprc || emptyRect(*lprc); }

BOOL EqualRect(const RECT* a, const RECT* b)
{
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

BOOL IntersectRect(LPRECT dst, const RECT* a, const RECT* b)
{
    if (!dst || !a || !b)
        return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (emptyRect(r)) {
        *dst = RECT{0, 0, 0, 0};
        return FALSE;
    }
    *dst = r;
    return TRUE;
}

BOOL UnionRect(LPRECT dst, const RECT* a, const RECT* b)
{
    if (!dst || !a || !b)
        return FALSE;
    if (emptyRect(*a) && emptyRect(*b)) {
        *dst = RECT{0, 0, 0, 0};
        return FALSE;
    }
    if (emptyRect(*a) || emptyRect(*b)) {
        *dst = emptyRect(*a) ? *b : *a;
        return TRUE;
    }
    *dst = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                std::max(a->bottom, b->bottom)};
    return TRUE;
}

// What is left of a when b is taken away, only when that is a rectangle; else a itself.
BOOL SubtractRect(LPRECT dst, const RECT* a, const RECT* b)
{
    if (!dst || !a || !b)
        return FALSE;
    RECT r = *a;
    RECT cut;
    if (IntersectRect(&cut, a, b)) {
        const bool fullWidth = cut.left <= a->left && cut.right >= a->right;
        const bool fullHeight = cut.top <= a->top && cut.bottom >= a->bottom;
        if (fullWidth && fullHeight) {
            *dst = RECT{0, 0, 0, 0};
            return FALSE;
        }
        if (fullWidth && cut.top <= a->top)
            r.top = cut.bottom;
        else if (fullWidth && cut.bottom >= a->bottom)
            r.bottom = cut.top;
        else if (fullHeight && cut.left <= a->left)
            r.left = cut.right;
        else if (fullHeight && cut.right >= a->right)
            r.right = cut.left;
    }
    *dst = r;
    return TRUE;
}

BOOL OffsetRect(LPRECT lprc, int dx, int dy)
{
    if (!lprc)
        return FALSE;
    lprc->left += dx;
    lprc->right += dx;
    lprc->top += dy;
    lprc->bottom += dy;
    return TRUE;
}

BOOL InflateRect(LPRECT lprc, int dx, int dy)
{
    if (!lprc)
        return FALSE;
    lprc->left -= dx;
    lprc->right += dx;
    lprc->top -= dy;
    lprc->bottom += dy;
    return TRUE;
}

BOOL PtInRect(const RECT* lprc, POINT pt)
{
    return lprc && pt.x >= lprc->left && pt.x < lprc->right && pt.y >= lprc->top && pt.y < lprc->bottom;
}
