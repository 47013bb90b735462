// The framework's drawing objects.

#include "TempMap.h"

#include "plat/afxgdi.h"
#include "plat/errors.h"
#include "plat/system.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CRgn, CGdiObject)

namespace {

using GdiTempMap = plat::afx::TempMap<HGDIOBJ, CGdiObject>;

GdiTempMap& tempObjects()
{
    thread_local GdiTempMap map([](CGdiObject& object) { object.Detach(); },
        [](HGDIOBJ handle) { return GetObjectType(handle) != 0; });
    return map;
}

template <class T, class Handle>
T* temporaryOf(Handle handle)
{
    if (!handle)
        return nullptr;
    return tempObjects().get<T>(HGDIOBJ(handle), [](T& object, HGDIOBJ h) { object.m_hObject = h; });
}

} // namespace

CGdiObject::~CGdiObject() { DeleteObject(); }

CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject) { return temporaryOf<CGdiObject>(hObject); }

void CGdiObject::DeleteTempMap() { tempObjects().clear(); }

BOOL CGdiObject::Attach(HGDIOBJ hObject)
{
    if (m_hObject || !hObject)
        return FALSE;
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ h = m_hObject;
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::TakeNew(HGDIOBJ hObject)
{
    if (!hObject)
        return FALSE;
    if (m_hObject) {
        ::DeleteObject(hObject);
        return FALSE;
    }
    m_hObject = hObject;
    return TRUE;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    return ::DeleteObject(Detach());
}

int CGdiObject::GetObject(int nCount, LPVOID lpObject) const { return ::GetObjectA(m_hObject, nCount, lpObject); }

CPen::~CPen() = default;

CPen* CPen::FromHandle(HPEN hPen) { return temporaryOf<CPen>(hPen); }

BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor)
{
    return !m_hObject && TakeNew(::CreatePen(nPenStyle, nWidth, crColor));
}

int CPen::GetLogPen(LOGPEN* pLogPen) const { return GetObject(int(sizeof(LOGPEN)), pLogPen); }

CBrush::~CBrush() = default;

CBrush* CBrush::FromHandle(HBRUSH hBrush) { return temporaryOf<CBrush>(hBrush); }

BOOL CBrush::CreateSolidBrush(COLORREF crColor) { return !m_hObject && TakeNew(::CreateSolidBrush(crColor)); }

BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* lpLogBrush)
{
    return !m_hObject && TakeNew(::CreateBrushIndirect(lpLogBrush));
}

int CBrush::GetLogBrush(LOGBRUSH* pLogBrush) const { return GetObject(int(sizeof(LOGBRUSH)), pLogBrush); }

CFont::~CFont() = default;

CFont* CFont::FromHandle(HFONT hFont) { return temporaryOf<CFont>(hFont); }

BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
    BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision, BYTE nQuality,
    BYTE nPitchAndFamily, LPCSTR lpszFacename)
{
    return !m_hObject
        && TakeNew(::CreateFontA(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic, bUnderline, cStrikeOut,
            nCharSet, nOutPrecision, nClipPrecision, nQuality, nPitchAndFamily, lpszFacename));
}

BOOL CFont::CreateFontIndirect(const LOGFONTA* lpLogFont)
{
    return !m_hObject && TakeNew(::CreateFontIndirectA(lpLogFont));
}

BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC)
{
    HDC hdc = pDC ? pDC->m_hDC : CreateCompatibleDC(nullptr);
    const int dpi = ::GetDeviceCaps(hdc, LOGPIXELSY);
    if (!pDC)
        ::DeleteDC(hdc);
    LOGFONTA lf{};
    lf.lfHeight = -MulDiv(nPointSize, dpi ? dpi : 96, 720);
    lf.lfWeight = FW_NORMAL;
    if (lpszFaceName)
        std::strncpy(lf.lfFaceName, lpszFaceName, sizeof lf.lfFaceName - 1);
    return CreateFontIndirect(&lf);
}

int CFont::GetLogFont(LOGFONTA* pLogFont) const { return GetObject(int(sizeof(LOGFONTA)), pLogFont); }

CBitmap::~CBitmap() = default;

CBitmap* CBitmap::FromHandle(HBITMAP hBitmap) { return temporaryOf<CBitmap>(hBitmap); }

BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits)
{
    return !m_hObject && TakeNew(::CreateBitmap(nWidth, nHeight, nPlanes, nBitcount, lpBits));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight)
{
    return !m_hObject && TakeNew(::CreateCompatibleBitmap(pDC ? pDC->m_hDC : nullptr, nWidth, nHeight));
}

int CBitmap::GetBitmap(BITMAP* pBitMap) const { return GetObject(int(sizeof(BITMAP)), pBitMap); }

CRgn::~CRgn() = default;

CRgn* CRgn::FromHandle(HRGN hRgn) { return temporaryOf<CRgn>(hRgn); }

BOOL CRgn::CreateRectRgn(int x1, int y1, int x2, int y2)
{
    return !m_hObject && TakeNew(::CreateRectRgn(x1, y1, x2, y2));
}

BOOL CRgn::CreateRectRgnIndirect(LPCRECT lpRect) { return !m_hObject && TakeNew(::CreateRectRgnIndirect(lpRect)); }

BOOL CRgn::CreateEllipticRgn(int x1, int y1, int x2, int y2)
{
    return !m_hObject && TakeNew(::CreateEllipticRgn(x1, y1, x2, y2));
}

BOOL CRgn::CreateRoundRectRgn(int x1, int y1, int x2, int y2, int x3, int y3)
{
    return !m_hObject && TakeNew(::CreateRoundRectRgn(x1, y1, x2, y2, x3, y3));
}

void CRgn::SetRectRgn(int x1, int y1, int x2, int y2) { ::SetRectRgn(*this, x1, y1, x2, y2); }

int CRgn::CombineRgn(const CRgn* pRgn1, const CRgn* pRgn2, int nCombineMode)
{
    return ::CombineRgn(*this, pRgn1 ? HRGN(*pRgn1) : nullptr, pRgn2 ? HRGN(*pRgn2) : nullptr, nCombineMode);
}

int CRgn::OffsetRgn(int x, int y) { return ::OffsetRgn(*this, x, y); }
int CRgn::GetRgnBox(LPRECT lpRect) const { return ::GetRgnBox(*this, lpRect); }
BOOL CRgn::PtInRegion(int x, int y) const { return ::PtInRegion(*this, x, y); }
BOOL CRgn::RectInRegion(LPCRECT lpRect) const { return ::RectInRegion(*this, lpRect); }
BOOL CRgn::EqualRgn(const CRgn* pRgn) const { return pRgn && ::EqualRgn(*this, *pRgn); }
