#pragma once

// Device contexts, pens, brushes and drawing on memory surfaces. All GDI objects (pens, brushes,
// fonts, bitmaps, regions, icons and DCs) share one handle table: a handle of one kind is never
// taken for another, and a deleted handle is refused. Handles of system colour brushes
// (GetSysColorBrush) belong to the system: DeleteObject accepts them and leaves them alone.

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
#define BS_NULL 1
#define BS_HOLLOW BS_NULL

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8

#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_REGION 8
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_MEMDC 10

#define TRANSPARENT 1
#define OPAQUE 2

#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24

#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4

#define ALTERNATE 1
#define WINDING 2

#define MM_TEXT 1
#define MM_ANISOTROPIC 8

#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define PATCOPY 0x00F00021u
#define PATINVERT 0x005A0049u
#define DSTINVERT 0x00550009u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u

#define CLR_INVALID 0xFFFFFFFFu
#define GDI_ERROR 0xFFFFFFFFu

// GetDeviceCaps
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define LOGPIXELSX 88
#define LOGPIXELSY 90

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

// --- objects ---
// Brushes 0-5, pens 6-8 and fonts 11-17; stock objects are never deleted.
PLATAPI HGDIOBJ GetStockObject(int i);
// Null with ERROR_INVALID_PARAMETER for a style outside PS_SOLID..PS_INSIDEFRAME or a negative
// width.
PLATAPI HPEN CreatePen(int iStyle, int cWidth, COLORREF color);
PLATAPI HBRUSH CreateSolidBrush(COLORREF color);
// BS_SOLID or BS_NULL; null with ERROR_INVALID_PARAMETER for another style.
PLATAPI HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush);
// A pen, brush, bitmap or region that is selected may be deleted: the handle dies at once and
// the object goes when it is deselected. FALSE with ERROR_INVALID_HANDLE for a handle that is no
// live pen, brush, font, bitmap or region; stock objects answer TRUE and stay.
PLATAPI BOOL DeleteObject(HGDIOBJ ho);
// Copies the object's LOGPEN, LOGBRUSH, BITMAP or DIBSECTION into pv and answers its size; with a
// null pv answers the size alone. 0 for an unknown handle or a buffer smaller than the record.
PLATAPI int GetObjectA(HGDIOBJ h, int c, LPVOID pv);
// OBJ_PEN, OBJ_BRUSH ... ; 0 for a dead handle.
PLATAPI DWORD GetObjectType(HGDIOBJ h);

// Live GDI objects (not stock) made and not yet freed, for tests that look for leaks.
PLATAPI int vntGdiLiveObjectCount();

// --- fonts and text ---
// Text is UTF-8; a byte that starts no well-formed sequence is its Windows-1252 character. C0
// controls have no width and draw nothing. Sizes are in pixels at 96 DPI and not scaled by the
// mapping mode, which moves the reference point only.

#define LF_FACESIZE 32

#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700

#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define OUT_TT_PRECIS 4
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_SWISS 0x20
#define FF_MODERN 0x30

#define TMPF_FIXED_PITCH 0x01 // set for variable pitch, as GDI has it
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04

#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17

#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

#define DT_TOP 0x0000
#define DT_LEFT 0x0000
#define DT_CENTER 0x0001
#define DT_RIGHT 0x0002
#define DT_VCENTER 0x0004
#define DT_BOTTOM 0x0008
#define DT_WORDBREAK 0x0010
#define DT_SINGLELINE 0x0020
#define DT_EXPANDTABS 0x0040
#define DT_NOCLIP 0x0100
#define DT_CALCRECT 0x0400
#define DT_NOPREFIX 0x0800

struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
};
typedef LOGFONTA* LPLOGFONTA;

struct TEXTMETRICA {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
typedef TEXTMETRICA* LPTEXTMETRICA;

// Height: negative is the em in pixels, positive the cell height (ascent + descent), 0 an em of
// 12; beyond 2048 either way it is taken as 2048. Width is kept and ignored. Escapement 900 draws upwards; any other value but 0 draws as 0.
// The face (cut to 31 bytes; empty: the sans default) is matched through fontconfig at first use,
// with boldness from weight 600 and slant synthesised where the matched face lacks them.
PLATAPI HFONT CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
    DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality,
    DWORD iPitchAndFamily, LPCSTR pszFaceName);
PLATAPI HFONT CreateFontIndirectA(const LOGFONTA* lplf);
PLATAPI BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm);
// The selected font's face name; the usual text-buffer rule with c counting the terminator.
PLATAPI int GetTextFaceA(HDC hdc, int c, LPSTR lpName);

// Bad arguments (a dead DC, a negative count, null text with a count) answer FALSE with
// ERROR_INVALID_PARAMETER and leave the outputs alone.
PLATAPI BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl);
// lpDx gets one entry per byte: the leading bytes of a character carry the width before it, its
// last byte the width after it. *lpnFit counts the bytes of the whole characters that fit into
// nMaxExtent (0 when not even the first does). Either may be null.
PLATAPI BOOL GetTextExtentExPointA(HDC hdc, LPCSTR lpszString, int cchString, int nMaxExtent, INT* lpnFit,
    INT* lpnDx, LPSIZE lpSize);

// ETO_OPAQUE fills lprect with the background colour (also with no text), ETO_CLIPPED clips to
// it; lpDx, when given, holds an advance per byte (a character advances by the sum of its bytes).
PLATAPI BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c,
    const INT* lpDx);
PLATAPI BOOL TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c);
// c -1: up to the NUL. Answers the height of the text (from the rectangle's top for DT_VCENTER
// and DT_BOTTOM), 0 on failure. A word wider than the rectangle breaks after its last character
// that fits.
PLATAPI int DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format);

// --- device contexts ---
// A memory DC with a 1 x 1 monochrome bitmap selected; hdc is not needed.
PLATAPI HDC CreateCompatibleDC(HDC hdc);
PLATAPI BOOL DeleteDC(HDC hdc);
// Answers the previous object of that kind. A dead handle, or one the DC cannot take (a bitmap
// in another DC, a bitmap in a window DC), answers null and keeps the current one. A region
// selects as SelectClipRgn and answers the region type.
PLATAPI HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
// OBJ_PEN, OBJ_BRUSH, OBJ_FONT or OBJ_BITMAP.
PLATAPI HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
// Saves all of the DC's state; answers the new level (1, 2, ...) or 0.
PLATAPI int SaveDC(HDC hdc);
// A level from SaveDC, or a negative count back from the latest.
PLATAPI BOOL RestoreDC(HDC hdc, int nSavedDC);
PLATAPI int GetDeviceCaps(HDC hdc, int index);

PLATAPI COLORREF SetTextColor(HDC hdc, COLORREF color);
PLATAPI COLORREF GetTextColor(HDC hdc);
PLATAPI COLORREF SetBkColor(HDC hdc, COLORREF color);
PLATAPI COLORREF GetBkColor(HDC hdc);
PLATAPI int SetBkMode(HDC hdc, int mode);
PLATAPI int GetBkMode(HDC hdc);
PLATAPI UINT SetTextAlign(HDC hdc, UINT align);
PLATAPI UINT GetTextAlign(HDC hdc);
PLATAPI int SetStretchBltMode(HDC hdc, int mode);
PLATAPI int GetStretchBltMode(HDC hdc);
PLATAPI int SetPolyFillMode(HDC hdc, int mode);
PLATAPI int GetPolyFillMode(HDC hdc);
PLATAPI BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
PLATAPI BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt);
PLATAPI BOOL GetCurrentPositionEx(HDC hdc, LPPOINT lppt);

// --- mapping: MM_TEXT and MM_ANISOTROPIC ---
PLATAPI int SetMapMode(HDC hdc, int mode);
PLATAPI int GetMapMode(HDC hdc);
PLATAPI BOOL SetWindowExtEx(HDC hdc, int x, int y, LPSIZE lpsz);
PLATAPI BOOL SetViewportExtEx(HDC hdc, int x, int y, LPSIZE lpsz);
PLATAPI BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
PLATAPI BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
PLATAPI BOOL OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
PLATAPI BOOL LPtoDP(HDC hdc, LPPOINT lppt, int c);
PLATAPI BOOL DPtoLP(HDC hdc, LPPOINT lppt, int c);

// --- drawing; rectangles exclude right and bottom ---
// hbr is a brush or a system colour index + 1.
PLATAPI int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
PLATAPI int FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
PLATAPI BOOL InvertRect(HDC hDC, const RECT* lprc);
// PATCOPY, PATINVERT, DSTINVERT, BLACKNESS, WHITENESS with the selected brush.
PLATAPI BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop);
// Draws from the current position to (x, y), without that end point.
PLATAPI BOOL LineTo(HDC hdc, int x, int y);
PLATAPI BOOL Polyline(HDC hdc, const POINT* apt, int cpt);
// Outline with the pen inside the box, filled with the brush.
PLATAPI BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
PLATAPI COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
// CLR_INVALID outside the clip or the surface.
PLATAPI COLORREF GetPixel(HDC hdc, int x, int y);
// The ellipse inscribed in the box, outlined with the pen inside it and filled with the brush.
PLATAPI BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
// A rectangle whose corners are rounded by ellipses of width x height.
PLATAPI BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height);
// Filled with the brush by the fill mode (ALTERNATE or WINDING), outlined closed with the pen.
PLATAPI BOOL Polygon(HDC hdc, const POINT* apt, int cpt);
// The part of the box's ellipse from the radial through the start point counter-clockwise to the
// radial through the end point, with the pen.
PLATAPI BOOL Arc(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);

// --- gradients ---
#define GRADIENT_FILL_RECT_H 0
#define GRADIENT_FILL_RECT_V 1
#define GRADIENT_FILL_TRIANGLE 2

typedef USHORT COLOR16;
struct TRIVERTEX {
    LONG x;
    LONG y;
    COLOR16 Red; // 8-bit channels in the high byte
    COLOR16 Green;
    COLOR16 Blue;
    COLOR16 Alpha;
};
typedef TRIVERTEX* PTRIVERTEX;

struct GRADIENT_RECT {
    ULONG UpperLeft; // the vertex whose colour the left (H) or top (V) edge takes
    ULONG LowerRight;
};

// Each rectangle spans its two vertices and runs from the colour of UpperLeft to that of
// LowerRight across its width (H) or height (V). Triangles are not drawn: FALSE.
PLATAPI BOOL GradientFill(HDC hdc, PTRIVERTEX pVertex, ULONG nVertex, PVOID pMesh, ULONG nMesh, ULONG ulMode);

// --- icons and cursors ---
#define DI_MASK 1
#define DI_IMAGE 2
#define DI_NORMAL 3
#define DI_DEFAULTSIZE 8

struct ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;  // 1 bit: 1 keeps what is under the icon; twice as high without hbmColor
    HBITMAP hbmColor; // 32 bits with alpha in the fourth byte, or any other depth
};
typedef ICONINFO* PICONINFO;

// An icon or cursor of one frame from copies of the bitmaps; null with ERROR_INVALID_PARAMETER
// for missing or mismatched bitmaps.
PLATAPI HICON CreateIconIndirect(PICONINFO piconinfo);
// New bitmaps of the first frame (the caller deletes them): a 1-bit mask and a 32-bit colour
// bitmap with the alpha channel.
PLATAPI BOOL GetIconInfo(HICON hIcon, PICONINFO piconinfo);
// Shared icons and cursors belong to the system: TRUE and kept.
PLATAPI BOOL DestroyIcon(HICON hIcon);
PLATAPI BOOL DestroyCursor(HCURSOR hCursor);
// Draws frame step of an icon or animated cursor at (x, y), scaled to cx x cy (0: the frame's
// size; with DI_DEFAULTSIZE the system's icon size). A frame with alpha is blended, one without
// goes through its mask. With a brush the icon is composed on the brush's colour first. A still
// icon draws at any step; a cursor of several frames answers FALSE for a step past its frames.
PLATAPI BOOL DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth, UINT istepIfAniCur,
                        HBRUSH hbrFlickerFreeDraw, UINT diFlags);
// At the system's icon size.
PLATAPI BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon);
