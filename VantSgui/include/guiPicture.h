#pragma once

// A picture held by value over an OLE picture object: loaded from a file or a module resource,
// drawn stretched from its bitmap. Copies share the picture object but not the bitmap handle that
// PrepareRender takes, so a copy draws nothing until it is prepared itself.

#include "guiExport.h"

#include "plat/afxgdi.h"
#include "plat/atlbase.h"
#include "plat/olectl.h"
#include "plat/types.h"

class guiDrawInfo;

class GUIAPI guiPicture {
public:
    guiPicture() = default;
    guiPicture(CComPtr<IPicture> picture);
    guiPicture(const guiPicture& other);
    guiPicture& operator=(const guiPicture& other);
    ~guiPicture();

    bool IsValid() const { return m_ptr.p != nullptr; }
    // vbEsys "guiPicture() : empty !" when empty.
    void MustBeValid() const;

    // The picture's properties; width and height in HIMETRIC units.
    HBITMAP GetHandle() const;
    HPALETTE GetHPal() const;
    short GetType() const;
    LONG GetWidth() const;
    LONG GetHeight() const;

    // Takes the bitmap handle that Render draws.
    void PrepareRender();
    // Stretches the source rectangle of the prepared bitmap (in its pixels; a width or height of
    // -1 is the bitmap's) onto the destination rectangle of dc. info is not consulted.
    void Render(guiDrawInfo* info, CDC* dc, LONG x, LONG y, LONG cx, LONG cy, LONG xSrc, LONG ySrc, LONG cxSrc,
        LONG cySrc);

private:
    // One property of the picture; a failure throws vbEsys with its result and text.
    template <class T>
    T property(HRESULT (IPicture::*get)(T*), const char* text) const;

    CComPtr<IPicture> m_ptr;
    HBITMAP m_renderHandle = nullptr;
};

// A picture file: an empty path gives an empty picture; a failure throws "Unable to load or to find
// picture '<path>'" when asked, else gives an empty picture.
GUIAPI guiPicture LoadPicture(const char* path, bool throwOnError);
// A resource of the current resource module holding a picture file's bytes.
GUIAPI guiPicture LoadPictureFromRes(const char* name, const char* resType, bool throwOnError);
GUIAPI guiPicture LoadPictureFromRes(unsigned int id, const char* resType, bool throwOnError);
