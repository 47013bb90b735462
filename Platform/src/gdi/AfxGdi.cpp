// The framework's pen and brush objects.

#include "plat/afxgdi.h"

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    HGDIOBJ h = m_hObject;
    m_hObject = nullptr;
    return ::DeleteObject(h);
}

int CGdiObject::GetObject(int nCount, LPVOID lpObject) const { return ::GetObjectA(m_hObject, nCount, lpObject); }

CPen::~CPen() = default;

BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor)
{
    if (m_hObject)
        return FALSE;
    m_hObject = ::CreatePen(nPenStyle, nWidth, crColor);
    return m_hObject ? TRUE : FALSE;
}

int CPen::GetLogPen(LOGPEN* pLogPen) const { return GetObject(int(sizeof(LOGPEN)), pLogPen); }

CBrush::~CBrush() = default;

BOOL CBrush::CreateSolidBrush(COLORREF crColor)
{
    if (m_hObject)
        return FALSE;
    m_hObject = ::CreateSolidBrush(crColor);
    return m_hObject ? TRUE : FALSE;
}

int CBrush::GetLogBrush(LOGBRUSH* pLogBrush) const { return GetObject(int(sizeof(LOGBRUSH)), pLogBrush); }
