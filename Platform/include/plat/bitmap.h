#pragma once

// Bitmaps, DIB sections and the transfer of pixels between them and device contexts.

#include "plat/api.h"
#include "plat/geometry.h"
#include "plat/types.h"

#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3
#define DIB_RGB_COLORS 0

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight; // negative: rows run top-down
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the header is 40 bytes");

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    HANDLE dshSection;
    DWORD dsOffset;
};

// A 32-bit bitmap (whatever the DC), zeroed; null for a size of 0 or below.
PLATAPI HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
// 1 or 32 bits per pixel, one plane; bits (rows of WORD-aligned length) may be null.
PLATAPI HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits);

// biSize >= 40 (the colour table follows at biSize), one plane, BI_RGB, 1, 8, 24 or 32 bits, a
// width above 0 and a height other than 0 (negative: top-down; *ppvBits is then the top row,
// else the bottom row). 1- and 8-bit sections take biClrUsed entries of the table (at most 2^n),
// or a grey ramp when biClrUsed is 0. Pixels start at 0. Null with ERROR_INVALID_PARAMETER for a
// bad header, ERROR_NOT_ENOUGH_MEMORY above 1 GiB. hSection must be null.
PLATAPI HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection,
                                 DWORD offset);
// Rows of the bitmap into lpvBits in the format of lpbmi: 24 or 32 bits, either row order, as wide
// as the bitmap; scan lines start..start + cLines - 1, counted in lpbmi's row order. With null
// lpvBits and biBitCount 0 it fills in the bitmap's size (positive height), depth and image size.
// Answers the rows copied; 0 for bad input.
PLATAPI int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, BITMAPINFO* lpbmi, UINT usage);
// Rows of 1, 8, 24 or 32 bits (table as CreateDIBSection reads it) into the bitmap; the same
// counting as GetDIBits. Answers the rows copied; 0 for bad input.
PLATAPI int SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, const void* lpBits, const BITMAPINFO* lpbmi,
                      UINT usage);

// Copies a rectangle between DCs, each side through its own mapping (a difference in scale
// stretches). SRCCOPY, SRCAND, SRCPAINT, SRCINVERT; PATCOPY, PATINVERT, DSTINVERT, BLACKNESS and
// WHITENESS need no source. A 1-bit source paints 0 in the text colour and 1 in the background
// colour of the destination.
PLATAPI BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
// COLORONCOLOR samples the source at the destination pixels' centres; HALFTONE averages the
// covered source area when shrinking and interpolates when enlarging. Negative extents mirror.
PLATAPI BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                        int wSrc, int hSrc, DWORD rop);
