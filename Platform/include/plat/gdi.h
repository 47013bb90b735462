#pragma once

// Pens and brushes as plain records, ahead of the drawing code: they can be made, described and
// deleted, but nothing draws with them yet. Handles of system colour brushes (GetSysColorBrush)
// belong to the system: DeleteObject accepts them and leaves them alone.

#include "plat/api.h"
#include "plat/geometry.h"
#include "plat/types.h"

#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6

#define BS_SOLID 0

struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth; // the width in x; y unused
    COLORREF lopnColor;
};

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
};

// Null with ERROR_INVALID_PARAMETER for a style outside PS_SOLID..PS_INSIDEFRAME or a negative
// width.
PLATAPI HPEN CreatePen(int iStyle, int cWidth, COLORREF color);
PLATAPI HBRUSH CreateSolidBrush(COLORREF color);
// FALSE with ERROR_INVALID_HANDLE for a handle that is no live pen or brush.
PLATAPI BOOL DeleteObject(HGDIOBJ ho);
// Copies the object's LOGPEN or LOGBRUSH into pv and answers its size; with a null pv answers the
// size alone. 0 for an unknown handle or a buffer smaller than the record.
PLATAPI int GetObjectA(HGDIOBJ h, int c, LPVOID pv);

// Pens and brushes made and not yet deleted, for tests that look for leaks.
PLATAPI int vntGdiLiveObjectCount();
