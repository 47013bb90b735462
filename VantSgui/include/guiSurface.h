#pragma once

// The fill of a control's background or of any area a control paints: one plain colour, or a
// two-colour gradient left to right or top to bottom. A surface tells its owner of changes made
// with notification through cbIguiSurfaceChanged; copies never take the owner over.

#include "guiExport.h"

#include "vbColor.h"
#include "vbString.h"

#include "plat/afxgdi.h"
#include "plat/types.h"

class guiSurface;
class sIvbXmlSource;

class GUIAPI cbIguiSurfaceChanged {
public:
    virtual void onSurfaceChanged(guiSurface* surface);

protected:
    cbIguiSurfaceChanged() = default;
    cbIguiSurfaceChanged(const cbIguiSurfaceChanged&) { }
    cbIguiSurfaceChanged& operator=(const cbIguiSurfaceChanged&) { return *this; }
    ~cbIguiSurfaceChanged() = default;
};

class GUIAPI guiSurface {
public:
    // Empty, with three null colours, horizontal.
    explicit guiSurface(cbIguiSurfaceChanged* cb);
    guiSurface(cbIguiSurfaceChanged* cb, DWORD color, DWORD gradStart, DWORD gradEnd, bool vert);
    guiSurface(cbIguiSurfaceChanged* cb, const guiSurface& other);
    virtual ~guiSurface();

    // Notifies when the surfaces differ; the callback is never copied.
    guiSurface& operator=(const guiSurface& other);
    bool Set(const guiSurface& other, bool notify);
    // The direction takes no part; an empty surface equals only an empty one.
    bool operator==(const guiSurface& other) const;
    bool operator!=(const guiSurface& other) const { return !(*this == other); }

    // Each answers whether anything changed. On an empty surface they make it non-empty and
    // answer true even for the value already stored.
    bool SetColor(const vbColor& color, bool notify);
    bool SetColor(DWORD color, bool notify);
    bool SetGradStart(const vbColor& color, bool notify);
    bool SetGradStart(DWORD color, bool notify);
    bool SetGradEnd(const vbColor& color, bool notify);
    bool SetGradEnd(DWORD color, bool notify);
    bool SetGradVert(bool vert, bool notify);
    bool SetEmpty(bool empty, bool notify);
    // Always notifies when it empties the surface.
    bool Empty();
    void SetCB(cbIguiSurfaceChanged* cb) { m_cb = cb; }

    bool IsEmpty() const { return m_bEmpty; }
    bool IsValid() const { return !m_bEmpty; }
    // Both gradient colours set and a gradient function to draw them.
    bool IsGrad() const;
    bool GetGradVert() const { return m_bVert; }
    const vbColor& GetNoGradColor() const { return m_color; }
    const vbColor& GetGradStart() const { return m_gradStart; }
    const vbColor& GetGradEnd() const { return m_gradEnd; }

    // The colour of a plain fill: plain, else start, else end. Throws on an empty surface.
    const vbColor& GetColor() const;
    // Of the plain colour, else of the start (never the end). Throw on an empty surface.
    CPen& GetPen();
    CBrush& GetBrush();

    // Paints rect, limited to clip when given. The gradient spans the whole rect; a plain fill
    // leaves the surface colour as the DC's background colour.
    void Fill(HDC dc, const RECT& rect, const RECT* clip) const;

    // prefix + "color", "gradstart", "gradend", "gradv"; notifies once at most.
    bool ReadXml(sIvbXmlSource* src, const vbString& prefix, bool notify);

protected:
    guiSurface(const guiSurface& other);
    void update();

private:
    bool setColorOf(vbColor& target, const vbColor& color, bool notify);
    void copyFrom(const guiSurface& other);
    vbColor& penColor(const char* what);
    bool gradFill(HDC dc, const RECT& rect, const RECT* clip) const;

    vbColor m_color;
    vbColor m_gradStart;
    vbColor m_gradEnd;
    bool m_bVert = false;
    bool m_bEmpty = true;
    cbIguiSurfaceChanged* m_cb;
};
