#pragma once

// The framework's drawing objects. A GDI object owns at most one handle and deletes it when it
// goes; FromHandle answers a temporary object of the calling thread that only names a handle it
// does not own (it never deletes it) and goes when its handle dies or when the thread's
// temporary objects are dropped at idle.

#include "plat/afx.h"
#include "plat/afxtypes.h"
#include "plat/bitmap.h"
#include "plat/gdi.h"
#include "plat/paint.h"
#include "plat/region.h"

class CWnd;

class PLATAPI CGdiObject : public CObject {
    DECLARE_DYNAMIC(CGdiObject)
public:
    CGdiObject() = default;
    ~CGdiObject() override;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject = nullptr;

    operator HGDIOBJ() const { return m_hObject; }
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    static CGdiObject* FromHandle(HGDIOBJ hObject);
    // Drops the calling thread's temporary drawing objects (their handles are left alone).
    static void DeleteTempMap();
    // Takes ownership of a handle; FALSE when the object already holds one or h is null.
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    // FALSE when the object holds no handle.
    BOOL DeleteObject();
    int GetObject(int nCount, LPVOID lpObject) const;

protected:
    // Takes a handle that a creation call made; FALSE when there is none or one is held already.
    BOOL TakeNew(HGDIOBJ hObject);
};

class PLATAPI CPen : public CGdiObject {
    DECLARE_DYNAMIC(CPen)
public:
    CPen() = default;
    CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
    ~CPen() override;

    static CPen* FromHandle(HPEN hPen);
    // FALSE when the object already holds a pen, or when the system refuses it.
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor);
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }
    int GetLogPen(LOGPEN* pLogPen) const;
};

class PLATAPI CBrush : public CGdiObject {
    DECLARE_DYNAMIC(CBrush)
public:
    CBrush() = default;
    explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
    ~CBrush() override;

    static CBrush* FromHandle(HBRUSH hBrush);
    // FALSE when the object already holds a brush.
    BOOL CreateSolidBrush(COLORREF crColor);
    BOOL CreateBrushIndirect(const LOGBRUSH* lpLogBrush);
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
    int GetLogBrush(LOGBRUSH* pLogBrush) const;
};

class PLATAPI CFont : public CGdiObject {
    DECLARE_DYNAMIC(CFont)
public:
    CFont() = default;
    ~CFont() override;

    static CFont* FromHandle(HFONT hFont);
    BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
        BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision, BYTE nQuality,
        BYTE nPitchAndFamily, LPCSTR lpszFacename);
    BOOL CreateFontIndirect(const LOGFONTA* lpLogFont);
    // nPointSize in tenths of a point, for the pixel density of pDC (null: the screen).
    BOOL CreatePointFont(int nPointSize, LPCSTR lpszFaceName, class CDC* pDC = nullptr);
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    int GetLogFont(LOGFONTA* pLogFont) const;
};

class PLATAPI CBitmap : public CGdiObject {
    DECLARE_DYNAMIC(CBitmap)
public:
    CBitmap() = default;
    ~CBitmap() override;

    static CBitmap* FromHandle(HBITMAP hBitmap);
    BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits);
    BOOL CreateCompatibleBitmap(class CDC* pDC, int nWidth, int nHeight);
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    int GetBitmap(BITMAP* pBitMap) const;
};

class PLATAPI CRgn : public CGdiObject {
    DECLARE_DYNAMIC(CRgn)
public:
    CRgn() = default;
    ~CRgn() override;

    static CRgn* FromHandle(HRGN hRgn);
    BOOL CreateRectRgn(int x1, int y1, int x2, int y2);
    BOOL CreateRectRgnIndirect(LPCRECT lpRect);
    BOOL CreateEllipticRgn(int x1, int y1, int x2, int y2);
    BOOL CreateRoundRectRgn(int x1, int y1, int x2, int y2, int x3, int y3);
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }
    void SetRectRgn(int x1, int y1, int x2, int y2);
    int CombineRgn(const CRgn* pRgn1, const CRgn* pRgn2, int nCombineMode);
    int OffsetRgn(int x, int y);
    int GetRgnBox(LPRECT lpRect) const;
    BOOL PtInRegion(int x, int y) const;
    BOOL RectInRegion(LPCRECT lpRect) const;
    BOOL EqualRgn(const CRgn* pRgn) const;
};

// A device context. One made with CreateCompatibleDC is deleted with its object; an attached or
// temporary one is left alone.
class PLATAPI CDC : public CObject {
    DECLARE_DYNAMIC(CDC)
public:
    CDC() = default;
    ~CDC() override;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC = nullptr;

    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }
    // Null for a null handle or one that names no live device context.
    static CDC* FromHandle(HDC hDC);
    static void DeleteTempMap();
    BOOL Attach(HDC hDC);
    HDC Detach();
    BOOL CreateCompatibleDC(CDC* pDC);
    BOOL DeleteDC();

    // State.
    int SaveDC();
    BOOL RestoreDC(int nSavedDC);
    int GetDeviceCaps(int nIndex) const;
    CGdiObject* SelectObject(CGdiObject* pObject);
    CPen* SelectObject(CPen* pPen);
    CBrush* SelectObject(CBrush* pBrush);
    CFont* SelectObject(CFont* pFont);
    CBitmap* SelectObject(CBitmap* pBitmap);
    int SelectObject(CRgn* pRgn);
    CGdiObject* SelectStockObject(int nIndex);
    CFont* GetCurrentFont() const;
    CBitmap* GetCurrentBitmap() const;
    COLORREF SetTextColor(COLORREF crColor);
    COLORREF GetTextColor() const;
    COLORREF SetBkColor(COLORREF crColor);
    COLORREF GetBkColor() const;
    int SetBkMode(int nBkMode);
    int GetBkMode() const;
    UINT SetTextAlign(UINT nFlags);
    UINT GetTextAlign() const;
    int SetStretchBltMode(int nStretchMode);
    int SetPolyFillMode(int nPolyFillMode);
    CPoint SetBrushOrg(int x, int y);
    int SetMapMode(int nMapMode);
    int GetMapMode() const;
    CSize SetWindowExt(int cx, int cy);
    CSize SetViewportExt(int cx, int cy);
    CPoint SetWindowOrg(int x, int y);
    CPoint SetViewportOrg(int x, int y);
    CPoint OffsetViewportOrg(int nWidth, int nHeight);
    void LPtoDP(LPPOINT lpPoints, int nCount = 1) const;
    void DPtoLP(LPPOINT lpPoints, int nCount = 1) const;
    void LPtoDP(LPRECT lpRect) const;
    void DPtoLP(LPRECT lpRect) const;

    // Clipping.
    int SelectClipRgn(CRgn* pRgn);
    int IntersectClipRect(int x1, int y1, int x2, int y2);
    int IntersectClipRect(LPCRECT lpRect);
    int ExcludeClipRect(int x1, int y1, int x2, int y2);
    int ExcludeClipRect(LPCRECT lpRect);
    int GetClipBox(LPRECT lpRect) const;
    BOOL RectVisible(LPCRECT lpRect) const;

    // Drawing.
    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT point) { return MoveTo(point.x, point.y); }
    CPoint GetCurrentPosition() const;
    BOOL LineTo(int x, int y);
    BOOL LineTo(POINT point) { return LineTo(point.x, point.y); }
    BOOL Polyline(const POINT* lpPoints, int nCount);
    BOOL Polygon(const POINT* lpPoints, int nCount);
    BOOL Rectangle(int x1, int y1, int x2, int y2);
    BOOL Rectangle(LPCRECT lpRect);
    BOOL Ellipse(int x1, int y1, int x2, int y2);
    BOOL Ellipse(LPCRECT lpRect);
    BOOL RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
    BOOL Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    COLORREF SetPixel(int x, int y, COLORREF crColor);
    COLORREF GetPixel(int x, int y) const;
    void FillRect(LPCRECT lpRect, CBrush* pBrush);
    void FrameRect(LPCRECT lpRect, CBrush* pBrush);
    void InvertRect(LPCRECT lpRect);
    // Fills with the colour through the background colour, which stays set afterwards.
    void FillSolidRect(LPCRECT lpRect, COLORREF clr);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
    BOOL FillRgn(CRgn* pRgn, CBrush* pBrush);
    BOOL PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop);
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop);
    BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
        int nSrcHeight, DWORD dwRop);
    BOOL DrawIcon(int x, int y, HICON hIcon);
    BOOL DrawIcon(POINT point, HICON hIcon) { return DrawIcon(point.x, point.y, hIcon); }
    BOOL GradientFill(TRIVERTEX* pVertices, ULONG nVertices, void* pMesh, ULONG nMeshElements, DWORD dwMode);

    // Text.
    BOOL TextOut(int x, int y, LPCSTR lpszString, int nCount);
    BOOL ExtTextOut(int x, int y, UINT nOptions, LPCRECT lpRect, LPCSTR lpszString, UINT nCount,
        const INT* lpDxWidths);
    int DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat);
    CSize GetTextExtent(LPCSTR lpszString, int nCount) const;
    BOOL GetTextMetrics(LPTEXTMETRICA lpMetrics) const;
    int GetTextFace(int nCount, LPSTR lpszFacename) const;

private:
    bool m_owned = false; // made by CreateCompatibleDC: deleted with the object
};

// BeginPaint on construction, EndPaint on destruction; m_ps holds what BeginPaint filled in.
class PLATAPI CPaintDC : public CDC {
    DECLARE_DYNAMIC(CPaintDC)
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps;

protected:
    HWND m_hWnd;
};

// GetDC / GetWindowDC on construction, ReleaseDC on destruction.
class PLATAPI CClientDC : public CDC {
    DECLARE_DYNAMIC(CClientDC)
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

protected:
    HWND m_hWnd;
};

class PLATAPI CWindowDC : public CDC {
    DECLARE_DYNAMIC(CWindowDC)
public:
    explicit CWindowDC(CWnd* pWnd);
    ~CWindowDC() override;

protected:
    HWND m_hWnd;
};
