#pragma once

// Regions (sorted sets of rectangles) and the clipping of device contexts.

#include "plat/api.h"
#include "plat/geometry.h"
#include "plat/types.h"

#define ERROR 0
#define RGN_ERROR ERROR
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3

#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

PLATAPI HRGN CreateRectRgn(int x1, int y1, int x2, int y2);
PLATAPI HRGN CreateRectRgnIndirect(const RECT* lprect);
// Corners rounded by ellipses of w x h.
PLATAPI HRGN CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h);
PLATAPI HRGN CreateEllipticRgn(int x1, int y1, int x2, int y2);
PLATAPI BOOL SetRectRgn(HRGN hrgn, int left, int top, int right, int bottom);
// hrgnDst = hrgnSrc1 <mode> hrgnSrc2 (RGN_COPY: hrgnSrc1); answers the result's type or ERROR.
PLATAPI int CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode);
PLATAPI int OffsetRgn(HRGN hrgn, int x, int y);
PLATAPI int GetRgnBox(HRGN hrgn, LPRECT lprc);
PLATAPI BOOL PtInRegion(HRGN hrgn, int x, int y);
PLATAPI BOOL RectInRegion(HRGN hrgn, const RECT* lprect);
PLATAPI BOOL EqualRgn(HRGN hrgn1, HRGN hrgn2);
// The region is in logical coordinates of the DC.
PLATAPI BOOL FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbr);

// Clipping: regions in device coordinates, rectangles in logical ones. Each answers the new clip
// region's type, or ERROR.
PLATAPI int SelectClipRgn(HDC hdc, HRGN hrgn); // a copy is kept; null removes the clip
PLATAPI int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
PLATAPI int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
// The bounds of what can be drawn, in logical coordinates, and its type.
PLATAPI int GetClipBox(HDC hdc, LPRECT lprect);
PLATAPI BOOL RectVisible(HDC hdc, const RECT* lprect);
