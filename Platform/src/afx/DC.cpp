// The framework's device contexts.

#include "TempMap.h"

#include "plat/afxwin.h"

IMPLEMENT_DYNAMIC(CDC, CObject)
IMPLEMENT_DYNAMIC(CPaintDC, CDC)
IMPLEMENT_DYNAMIC(CClientDC, CDC)
IMPLEMENT_DYNAMIC(CWindowDC, CDC)

namespace {

bool isLiveDc(HDC hdc)
{
    const DWORD type = GetObjectType(HGDIOBJ(hdc));
    return type == OBJ_DC || type == OBJ_MEMDC;
}

using DcTempMap = plat::afx::TempMap<HDC, CDC>;

DcTempMap& tempDcs()
{
    thread_local DcTempMap map([](CDC& dc) { dc.Detach(); }, isLiveDc);
    return map;
}

// The value a setter call reports as the one it replaced.
template <class T, class Call>
T previous(Call call)
{
    T old;
    call(&old);
    return old;
}

} // namespace

CDC::~CDC()
{
    if (m_owned)
        DeleteDC();
}

CDC* CDC::FromHandle(HDC hDC)
{
    if (!hDC || !isLiveDc(hDC))
        return nullptr;
    return tempDcs().get<CDC>(hDC, [](CDC& dc, HDC h) { dc.m_hDC = h; });
}

void CDC::DeleteTempMap() { tempDcs().clear(); }

BOOL CDC::Attach(HDC hDC)
{
    if (m_hDC || !hDC)
        return FALSE;
    m_hDC = hDC;
    m_owned = false;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC hdc = m_hDC;
    m_hDC = nullptr;
    m_owned = false;
    return hdc;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC)
{
    if (m_hDC)
        return FALSE;
    m_hDC = ::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr);
    m_owned = m_hDC != nullptr;
    return m_owned;
}

BOOL CDC::DeleteDC()
{
    if (!m_hDC)
        return FALSE;
    return ::DeleteDC(Detach());
}

int CDC::SaveDC() { return ::SaveDC(m_hDC); }
BOOL CDC::RestoreDC(int nSavedDC) { return ::RestoreDC(m_hDC, nSavedDC); }
int CDC::GetDeviceCaps(int nIndex) const { return ::GetDeviceCaps(m_hDC, nIndex); }

CGdiObject* CDC::SelectObject(CGdiObject* pObject)
{
    return CGdiObject::FromHandle(::SelectObject(m_hDC, pObject ? pObject->m_hObject : nullptr));
}

CPen* CDC::SelectObject(CPen* pPen) { return CPen::FromHandle(HPEN(::SelectObject(m_hDC, pPen ? HGDIOBJ(*pPen) : nullptr))); }

CBrush* CDC::SelectObject(CBrush* pBrush)
{
    return CBrush::FromHandle(HBRUSH(::SelectObject(m_hDC, pBrush ? HGDIOBJ(*pBrush) : nullptr)));
}

CFont* CDC::SelectObject(CFont* pFont)
{
    return CFont::FromHandle(HFONT(::SelectObject(m_hDC, pFont ? HGDIOBJ(*pFont) : nullptr)));
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap)
{
    return CBitmap::FromHandle(HBITMAP(::SelectObject(m_hDC, pBitmap ? HGDIOBJ(*pBitmap) : nullptr)));
}

int CDC::SelectObject(CRgn* pRgn) { return ::SelectClipRgn(m_hDC, pRgn ? HRGN(*pRgn) : nullptr); }

CGdiObject* CDC::SelectStockObject(int nIndex) { return CGdiObject::FromHandle(::SelectObject(m_hDC, GetStockObject(nIndex))); }

CFont* CDC::GetCurrentFont() const { return CFont::FromHandle(HFONT(::GetCurrentObject(m_hDC, OBJ_FONT))); }
CBitmap* CDC::GetCurrentBitmap() const { return CBitmap::FromHandle(HBITMAP(::GetCurrentObject(m_hDC, OBJ_BITMAP))); }
COLORREF CDC::SetTextColor(COLORREF crColor) { return ::SetTextColor(m_hDC, crColor); }
COLORREF CDC::GetTextColor() const { return ::GetTextColor(m_hDC); }
COLORREF CDC::SetBkColor(COLORREF crColor) { return ::SetBkColor(m_hDC, crColor); }
COLORREF CDC::GetBkColor() const { return ::GetBkColor(m_hDC); }
int CDC::SetBkMode(int nBkMode) { return ::SetBkMode(m_hDC, nBkMode); }
int CDC::GetBkMode() const { return ::GetBkMode(m_hDC); }
UINT CDC::SetTextAlign(UINT nFlags) { return ::SetTextAlign(m_hDC, nFlags); }
UINT CDC::GetTextAlign() const { return ::GetTextAlign(m_hDC); }
int CDC::SetStretchBltMode(int nStretchMode) { return ::SetStretchBltMode(m_hDC, nStretchMode); }
int CDC::SetPolyFillMode(int nPolyFillMode) { return ::SetPolyFillMode(m_hDC, nPolyFillMode); }

CPoint CDC::SetBrushOrg(int x, int y)
{
    return previous<CPoint>([&](auto* old) { ::SetBrushOrgEx(m_hDC, x, y, old); });
}

int CDC::SetMapMode(int nMapMode) { return ::SetMapMode(m_hDC, nMapMode); }
int CDC::GetMapMode() const { return ::GetMapMode(m_hDC); }

CSize CDC::SetWindowExt(int cx, int cy)
{
    return previous<CSize>([&](auto* old) { ::SetWindowExtEx(m_hDC, cx, cy, old); });
}

CSize CDC::SetViewportExt(int cx, int cy)
{
    return previous<CSize>([&](auto* old) { ::SetViewportExtEx(m_hDC, cx, cy, old); });
}

CPoint CDC::SetWindowOrg(int x, int y)
{
    return previous<CPoint>([&](auto* old) { ::SetWindowOrgEx(m_hDC, x, y, old); });
}

CPoint CDC::SetViewportOrg(int x, int y)
{
    return previous<CPoint>([&](auto* old) { ::SetViewportOrgEx(m_hDC, x, y, old); });
}

CPoint CDC::OffsetViewportOrg(int nWidth, int nHeight)
{
    return previous<CPoint>([&](auto* old) { ::OffsetViewportOrgEx(m_hDC, nWidth, nHeight, old); });
}

void CDC::LPtoDP(LPPOINT lpPoints, int nCount) const { ::LPtoDP(m_hDC, lpPoints, nCount); }
void CDC::DPtoLP(LPPOINT lpPoints, int nCount) const { ::DPtoLP(m_hDC, lpPoints, nCount); }
void CDC::LPtoDP(LPRECT lpRect) const { ::LPtoDP(m_hDC, reinterpret_cast<LPPOINT>(lpRect), 2); }
void CDC::DPtoLP(LPRECT lpRect) const { ::DPtoLP(m_hDC, reinterpret_cast<LPPOINT>(lpRect), 2); }

int CDC::SelectClipRgn(CRgn* pRgn) { return ::SelectClipRgn(m_hDC, pRgn ? HRGN(*pRgn) : nullptr); }
int CDC::IntersectClipRect(int x1, int y1, int x2, int y2) { return ::IntersectClipRect(m_hDC, x1, y1, x2, y2); }
int CDC::IntersectClipRect(LPCRECT r) { return IntersectClipRect(r->left, r->top, r->right, r->bottom); }
int CDC::ExcludeClipRect(int x1, int y1, int x2, int y2) { return ::ExcludeClipRect(m_hDC, x1, y1, x2, y2); }
int CDC::ExcludeClipRect(LPCRECT r) { return ExcludeClipRect(r->left, r->top, r->right, r->bottom); }
int CDC::GetClipBox(LPRECT lpRect) const { return ::GetClipBox(m_hDC, lpRect); }
BOOL CDC::RectVisible(LPCRECT lpRect) const { return ::RectVisible(m_hDC, lpRect); }

CPoint CDC::MoveTo(int x, int y)
{
    return previous<CPoint>([&](auto* old) { ::MoveToEx(m_hDC, x, y, old); });
}

CPoint CDC::GetCurrentPosition() const
{
    CPoint pt;
    ::GetCurrentPositionEx(m_hDC, &pt);
    return pt;
}

BOOL CDC::LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
BOOL CDC::Polyline(const POINT* lpPoints, int nCount) { return ::Polyline(m_hDC, lpPoints, nCount); }
BOOL CDC::Polygon(const POINT* lpPoints, int nCount) { return ::Polygon(m_hDC, lpPoints, nCount); }
BOOL CDC::Rectangle(int x1, int y1, int x2, int y2) { return ::Rectangle(m_hDC, x1, y1, x2, y2); }
BOOL CDC::Rectangle(LPCRECT r) { return Rectangle(r->left, r->top, r->right, r->bottom); }
BOOL CDC::Ellipse(int x1, int y1, int x2, int y2) { return ::Ellipse(m_hDC, x1, y1, x2, y2); }
BOOL CDC::Ellipse(LPCRECT r) { return Ellipse(r->left, r->top, r->right, r->bottom); }
BOOL CDC::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) { return ::RoundRect(m_hDC, x1, y1, x2, y2, x3, y3); }

BOOL CDC::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    return ::Arc(m_hDC, x1, y1, x2, y2, x3, y3, x4, y4);
}

COLORREF CDC::SetPixel(int x, int y, COLORREF crColor) { return ::SetPixel(m_hDC, x, y, crColor); }
COLORREF CDC::GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush) { ::FillRect(m_hDC, lpRect, pBrush ? HBRUSH(*pBrush) : nullptr); }
void CDC::FrameRect(LPCRECT lpRect, CBrush* pBrush) { ::FrameRect(m_hDC, lpRect, pBrush ? HBRUSH(*pBrush) : nullptr); }
void CDC::InvertRect(LPCRECT lpRect) { ::InvertRect(m_hDC, lpRect); }

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr)
{
    ::SetBkColor(m_hDC, clr);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, lpRect, nullptr, 0, nullptr);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr)
{
    const CRect r(x, y, x + cx, y + cy);
    FillSolidRect(&r, clr);
}

BOOL CDC::FillRgn(CRgn* pRgn, CBrush* pBrush)
{
    return pRgn && pBrush && ::FillRgn(m_hDC, *pRgn, *pBrush);
}

BOOL CDC::PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop) { return ::PatBlt(m_hDC, x, y, nWidth, nHeight, dwRop); }

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop)
{
    return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc, dwRop);
}

BOOL CDC::StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
    int nSrcHeight, DWORD dwRop)
{
    return ::StretchBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc, nSrcWidth,
        nSrcHeight, dwRop);
}

BOOL CDC::DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }

BOOL CDC::GradientFill(TRIVERTEX* pVertices, ULONG nVertices, void* pMesh, ULONG nMeshElements, DWORD dwMode)
{
    return ::GradientFill(m_hDC, pVertices, nVertices, pMesh, nMeshElements, dwMode);
}

BOOL CDC::TextOut(int x, int y, LPCSTR lpszString, int nCount) { return ::TextOutA(m_hDC, x, y, lpszString, nCount); }

BOOL CDC::ExtTextOut(int x, int y, UINT nOptions, LPCRECT lpRect, LPCSTR lpszString, UINT nCount,
    const INT* lpDxWidths)
{
    return ::ExtTextOutA(m_hDC, x, y, nOptions, lpRect, lpszString, nCount, lpDxWidths);
}

int CDC::DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat)
{
    return ::DrawTextA(m_hDC, lpszString, nCount, lpRect, nFormat);
}

CSize CDC::GetTextExtent(LPCSTR lpszString, int nCount) const
{
    CSize size;
    ::GetTextExtentPoint32A(m_hDC, lpszString, nCount, &size);
    return size;
}

BOOL CDC::GetTextMetrics(LPTEXTMETRICA lpMetrics) const { return ::GetTextMetricsA(m_hDC, lpMetrics); }
int CDC::GetTextFace(int nCount, LPSTR lpszFacename) const { return ::GetTextFaceA(m_hDC, nCount, lpszFacename); }

CPaintDC::CPaintDC(CWnd* pWnd) : m_ps{}, m_hWnd(pWnd->m_hWnd) { Attach(::BeginPaint(m_hWnd, &m_ps)); }

CPaintDC::~CPaintDC()
{
    ::EndPaint(m_hWnd, &m_ps);
    Detach();
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) { Attach(::GetDC(m_hWnd)); }

CClientDC::~CClientDC() { ::ReleaseDC(m_hWnd, Detach()); }

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) { Attach(::GetWindowDC(m_hWnd)); }

CWindowDC::~CWindowDC() { ::ReleaseDC(m_hWnd, Detach()); }
