#pragma once

// The framework's pen and brush objects: each owns at most one handle and deletes it when it goes.

#include "plat/afx.h"
#include "plat/gdi.h"

class PLATAPI CGdiObject : public CObject {
public:
    CGdiObject() = default;
    ~CGdiObject() override;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject = nullptr;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    // FALSE when the object holds no handle.
    BOOL DeleteObject();
    int GetObject(int nCount, LPVOID lpObject) const;
};

class PLATAPI CPen : public CGdiObject {
public:
    CPen() = default;
    ~CPen() override;

    // FALSE when the object already holds a pen, or when the system refuses it.
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor);
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }
    int GetLogPen(LOGPEN* pLogPen) const;
};

class PLATAPI CBrush : public CGdiObject {
public:
    CBrush() = default;
    ~CBrush() override;

    // FALSE when the object already holds a brush.
    BOOL CreateSolidBrush(COLORREF crColor);
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
    int GetLogBrush(LOGBRUSH* pLogBrush) const;
};
