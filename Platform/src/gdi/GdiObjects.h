#pragma once

// The one table of GDI objects: pens, brushes, fonts, bitmaps, regions, icons and device contexts
// all live behind handles of this table, so a handle of one kind is never taken for another.

#include "plat/api.h"
#include "plat/gdi.h"

#include <memory>

namespace plat::gdi {

enum class Kind { Pen, Brush, Font, Bitmap, Region, Icon, DC };

class PLATAPI Object {
public:
    explicit Object(Kind kind);
    virtual ~Object();
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    const Kind kind;
    HGDIOBJ handle() const { return handle_; }
    // Stock objects and the system's own survive DeleteObject.
    bool isStock() const { return stock_; }

    // GetObjectA: copies the object's description into pv and answers its size (pv null: the
    // size alone); 0 when the kind has none or c is too small.
    virtual int describe(int c, void* pv) const;

private:
    friend HGDIOBJ insertObject(std::shared_ptr<Object>, bool);
    friend std::shared_ptr<Object> systemBrush(HBRUSH);
    HGDIOBJ handle_ = nullptr;
    bool stock_ = false;
};

// Gives obj a handle. A stock object is never freed and does not count as live.
PLATAPI HGDIOBJ insertObject(std::shared_ptr<Object> obj, bool stock = false);
// Null (ERROR_INVALID_HANDLE) for a handle that names no live object.
PLATAPI std::shared_ptr<Object> findObject(HGDIOBJ h);
// Forgets the handle; the object goes when the last holder (a DC it is selected in) lets it go.
// False for an unknown handle; stock objects are kept and answer true.
PLATAPI bool removeObject(HGDIOBJ h);

// The object of that class, or null (ERROR_INVALID_HANDLE) for a dead handle or another kind.
template <class T> std::shared_ptr<T> findAs(HGDIOBJ h)
{
    return std::dynamic_pointer_cast<T>(findObject(h));
}

class PLATAPI Pen : public Object {
public:
    explicit Pen(const LOGPEN& log) : Object(Kind::Pen), log(log) {}
    const LOGPEN log;
    int describe(int c, void* pv) const override;
};

class PLATAPI Brush : public Object {
public:
    explicit Brush(const LOGBRUSH& log) : Object(Kind::Brush), log(log) {}
    const LOGBRUSH log;
    int describe(int c, void* pv) const override;
};

// A brush object standing for a system colour brush handle (GetSysColorBrush), so that it can be
// selected like any other; null for any other handle.
PLATAPI std::shared_ptr<Object> systemBrush(HBRUSH brush);

// The colour a brush handle paints with: a brush object, a system colour brush or a system colour
// index + 1 as FillRect takes it. False for a null brush or a handle that names no brush.
PLATAPI bool brushColor(HBRUSH brush, COLORREF* color);

} // namespace plat::gdi

namespace plat::gdi {

// A stock object by its GetStockObject index (brushes 0-5, pens 6-8, fonts 11-17); null for
// another index.
PLATAPI std::shared_ptr<Object> stockObject(int index);

} // namespace plat::gdi
