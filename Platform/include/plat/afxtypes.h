#pragma once

// The framework's point, size and rectangle: the system's structures with members. A rectangle
// is empty when its width or height is not positive; a point on its right or bottom edge lies
// outside it.
//
// The comparisons take their own class and answer bool: C++20 also tries every == with its
// operands swapped, and one taking the plain structure would match both ways equally well.

#include "plat/geometry.h"

#include <algorithm>
#include <utility>

class CSize;
class CRect;

class CPoint : public POINT {
public:
    CPoint() : POINT{0, 0} {}
    CPoint(int initX, int initY) : POINT{initX, initY} {}
    CPoint(POINT initPt) : POINT(initPt) {}
    // The low word is x, the high word y, both signed (as in a mouse message's lParam).
    explicit CPoint(LPARAM dwPoint) : POINT{short(dwPoint & 0xFFFF), short((dwPoint >> 16) & 0xFFFF)} {}

    void Offset(int xOffset, int yOffset) { x += xOffset, y += yOffset; }
    void Offset(POINT point) { Offset(point.x, point.y); }
    void SetPoint(int X, int Y) { x = X, y = Y; }
    bool operator==(const CPoint& point) const { return x == point.x && y == point.y; }
    bool operator!=(const CPoint& point) const { return !(*this == point); }
    void operator+=(POINT point) { Offset(point); }
    void operator-=(POINT point) { Offset(-point.x, -point.y); }
    inline void operator+=(SIZE size);
    inline void operator-=(SIZE size);
    CPoint operator-() const { return CPoint(-x, -y); }
    CPoint operator+(POINT point) const { return CPoint(x + point.x, y + point.y); }
    inline CPoint operator+(SIZE size) const;
    inline CSize operator-(POINT point) const;
    inline CPoint operator-(SIZE size) const;
};

class CSize : public SIZE {
public:
    CSize() : SIZE{0, 0} {}
    CSize(int initCX, int initCY) : SIZE{initCX, initCY} {}
    CSize(SIZE initSize) : SIZE(initSize) {}

    void SetSize(int CX, int CY) { cx = CX, cy = CY; }
    bool operator==(const CSize& size) const { return cx == size.cx && cy == size.cy; }
    bool operator!=(const CSize& size) const { return !(*this == size); }
    void operator+=(SIZE size) { cx += size.cx, cy += size.cy; }
    void operator-=(SIZE size) { cx -= size.cx, cy -= size.cy; }
    CSize operator+(SIZE size) const { return CSize(cx + size.cx, cy + size.cy); }
    CSize operator-(SIZE size) const { return CSize(cx - size.cx, cy - size.cy); }
    CSize operator-() const { return CSize(-cx, -cy); }
};

inline void CPoint::operator+=(SIZE size) { Offset(size.cx, size.cy); }
inline void CPoint::operator-=(SIZE size) { Offset(-size.cx, -size.cy); }
inline CPoint CPoint::operator+(SIZE size) const { return CPoint(x + size.cx, y + size.cy); }
inline CSize CPoint::operator-(POINT point) const { return CSize(x - point.x, y - point.y); }
inline CPoint CPoint::operator-(SIZE size) const { return CPoint(x - size.cx, y - size.cy); }

class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& srcRect) : RECT(srcRect) {}
    CRect(const RECT* lpSrcRect) : RECT(*lpSrcRect) {}
    CRect(POINT point, SIZE size) : RECT{point.x, point.y, point.x + size.cx, point.y + size.cy} {}
    CRect(POINT topLeft, POINT bottomRight) : RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint& TopLeft() { return *reinterpret_cast<CPoint*>(&left); }
    CPoint& BottomRight() { return *reinterpret_cast<CPoint*>(&right); }
    const CPoint& TopLeft() const { return *reinterpret_cast<const CPoint*>(&left); }
    const CPoint& BottomRight() const { return *reinterpret_cast<const CPoint*>(&right); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }

    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }

    BOOL IsRectEmpty() const { return right <= left || bottom <= top; }
    BOOL IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    BOOL PtInRect(POINT point) const
    {
        return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
    }

    void SetRect(int x1, int y1, int x2, int y2) { left = x1, top = y1, right = x2, bottom = y2; }
    void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    void CopyRect(LPCRECT lpSrcRect) { *static_cast<RECT*>(this) = *lpSrcRect; }
    BOOL EqualRect(LPCRECT r) const
    {
        return left == r->left && top == r->top && right == r->right && bottom == r->bottom;
    }

    void InflateRect(int x, int y) { left -= x, top -= y, right += x, bottom += y; }
    void InflateRect(SIZE size) { InflateRect(size.cx, size.cy); }
    void InflateRect(int l, int t, int r, int b) { left -= l, top -= t, right += r, bottom += b; }
    void DeflateRect(int x, int y) { InflateRect(-x, -y); }
    void DeflateRect(SIZE size) { InflateRect(-size.cx, -size.cy); }
    void DeflateRect(int l, int t, int r, int b) { InflateRect(-l, -t, -r, -b); }
    void OffsetRect(int x, int y) { left += x, top += y, right += x, bottom += y; }
    void OffsetRect(POINT point) { OffsetRect(point.x, point.y); }
    void OffsetRect(SIZE size) { OffsetRect(size.cx, size.cy); }
    void MoveToXY(int x, int y) { OffsetRect(x - left, y - top); }
    void NormalizeRect()
    {
        if (left > right)
            std::swap(left, right);
        if (top > bottom)
            std::swap(top, bottom);
    }

    // Without overlap the result is all zero and the answer FALSE.
    BOOL IntersectRect(LPCRECT a, LPCRECT b)
    {
        SetRect(std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
            std::min(a->bottom, b->bottom));
        if (IsRectEmpty()) {
            SetRectEmpty();
            return FALSE;
        }
        return TRUE;
    }
    // An empty operand adds nothing; two empty ones give an empty result and FALSE.
    BOOL UnionRect(LPCRECT a, LPCRECT b)
    {
        const CRect ra(a), rb(b);
        if (ra.IsRectEmpty())
            *this = rb;
        else if (rb.IsRectEmpty())
            *this = ra;
        else
            SetRect(std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                std::max(a->bottom, b->bottom));
        if (IsRectEmpty()) {
            SetRectEmpty();
            return FALSE;
        }
        return TRUE;
    }

    bool operator==(const CRect& r) const { return EqualRect(&r); }
    bool operator!=(const CRect& r) const { return !EqualRect(&r); }
    void operator+=(POINT point) { OffsetRect(point); }
    void operator-=(POINT point) { OffsetRect(-point.x, -point.y); }
    CRect operator+(POINT point) const
    {
        CRect r(*this);
        r.OffsetRect(point);
        return r;
    }
    CRect operator-(POINT point) const
    {
        CRect r(*this);
        r.OffsetRect(-point.x, -point.y);
        return r;
    }
    CRect operator&(const RECT& r) const
    {
        CRect out;
        out.IntersectRect(this, &r);
        return out;
    }
    CRect operator|(const RECT& r) const
    {
        CRect out;
        out.UnionRect(this, &r);
        return out;
    }
};
