#pragma once

// OLE pictures: bitmaps (.bmp) and JPEG files read from a stream into an IPicture, and streams
// over global memory blocks.

#include "plat/api.h"
#include "plat/geometry.h"
#include "plat/objidl.h"
#include "plat/types.h"
#include "plat/unknwn.h"

// Handles are pointers here, so OLE's handle type is pointer-sized.
typedef ULONG_PTR OLE_HANDLE;
typedef LONG OLE_XPOS_HIMETRIC;
typedef LONG OLE_YPOS_HIMETRIC;
typedef LONG OLE_XSIZE_HIMETRIC;
typedef LONG OLE_YSIZE_HIMETRIC;

#define PICTYPE_UNINITIALIZED (-1)
#define PICTYPE_NONE 0
#define PICTYPE_BITMAP 1

#define CTL_E_INVALIDPICTURE ((HRESULT)0x800A01E1u)

inline constexpr IID IID_IPicture = VNT_GUID(0x7BF80980, 0xBF32, 0x101A, 0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB);

struct IPicture : IUnknown {
    virtual HRESULT get_Handle(OLE_HANDLE* pHandle) = 0;
    virtual HRESULT get_hPal(OLE_HANDLE* phPal) = 0;
    virtual HRESULT get_Type(SHORT* pType) = 0;
    virtual HRESULT get_Width(OLE_XSIZE_HIMETRIC* pWidth) = 0;
    virtual HRESULT get_Height(OLE_YSIZE_HIMETRIC* pHeight) = 0;
    virtual HRESULT Render(HDC hDC, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc, OLE_YPOS_HIMETRIC ySrc,
                           OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc, LPCRECT pRcWBounds) = 0;
    virtual HRESULT set_hPal(OLE_HANDLE hPal) = 0;
    virtual HRESULT get_CurDC(HDC* phDC) = 0;
    virtual HRESULT SelectPicture(HDC hDCIn, HDC* phDCOut, OLE_HANDLE* phBmpOut) = 0;
    virtual HRESULT get_KeepOriginalFormat(BOOL* pKeep) = 0;
    virtual HRESULT put_KeepOriginalFormat(BOOL keep) = 0;
    virtual HRESULT PictureChanged() = 0;
    virtual HRESULT SaveAsFile(LPSTREAM pStream, BOOL fSaveMemCopy, LONG* pCbSize) = 0;
    virtual HRESULT get_Attributes(DWORD* pDwAttr) = 0;
};
typedef IPicture* LPPICTURE;

// A stream over a movable global memory block (null: a new one that grows as it is written). The
// block goes with the last Release of the stream and its clones when fDeleteOnRelease is set.
PLATAPI HRESULT CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm);

// Reads lSize bytes from the stream's position (0: all that is left) as a .bmp file ("BM") or a
// JPEG file; a picture of type PICTYPE_BITMAP whose bitmap goes with its last Release. Other,
// damaged or short bytes give CTL_E_INVALIDPICTURE; a failed read gives the stream's result.
// riid IID_IPicture or IID_IUnknown, else E_NOINTERFACE.
PLATAPI HRESULT OleLoadPicture(LPSTREAM lpstream, LONG lSize, BOOL fRunmode, REFIID riid, LPVOID* lplpvObj);
