#pragma once

// Points, sizes and rectangles as windows, messages and drawing exchange them: 32-bit fields.

#include "plat/api.h"
#include "plat/types.h"

struct POINT {
    LONG x;
    LONG y;
};
typedef POINT* LPPOINT;

struct SIZE {
    LONG cx;
    LONG cy;
};
typedef SIZE* LPSIZE;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
typedef RECT* LPRECT;
typedef const RECT* LPCRECT;

// Rectangle helpers: a rectangle is empty when right <= left or bottom <= top.
PLATAPI BOOL SetRect(LPRECT lprc, int xLeft, int yTop, int xRight, int yBottom);
PLATAPI BOOL SetRectEmpty(LPRECT lprc);
PLATAPI BOOL CopyRect(LPRECT lprcDst, const RECT* lprcSrc);
PLATAPI BOOL IsRectEmpty(const RECT* lprc);
PLATAPI BOOL EqualRect(const RECT* lprc1, const RECT* lprc2);
// FALSE with an empty result when they do not meet.
PLATAPI BOOL IntersectRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2);
PLATAPI BOOL UnionRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2);
PLATAPI BOOL SubtractRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2);
PLATAPI BOOL OffsetRect(LPRECT lprc, int dx, int dy);
PLATAPI BOOL InflateRect(LPRECT lprc, int dx, int dy);
PLATAPI BOOL PtInRect(const RECT* lprc, POINT pt);
