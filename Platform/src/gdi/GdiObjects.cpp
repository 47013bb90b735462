// Pens and brushes: records behind handles that no other kind of handle can be mistaken for.

#include "GdiObjects.h"

#include "../ui/SysColorBrush.h"
#include "plat/errors.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

enum class Kind { Pen, Brush };

struct Record {
    Kind kind;
    LOGPEN pen;
    LOGBRUSH brush;
};

// Handle values live far above the system colour brushes' tagged values and are never reused
// within a process, so a stale handle is refused instead of reaching a newer object.
constexpr uintptr_t kHandleBase = uintptr_t(0x7E5700000000ull);

struct Table {
    std::mutex mutex;
    std::unordered_map<uintptr_t, Record> records;
    uintptr_t next = kHandleBase;
};

Table& table()
{
    static auto* t = new Table; // outlives every static object that may still delete a pen
    return *t;
}

HGDIOBJ insert(const Record& record)
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    t.next += 16;
    t.records.emplace(t.next, record);
    return reinterpret_cast<HGDIOBJ>(t.next);
}

bool lookup(HGDIOBJ h, Kind kind, Record* out)
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.records.find(reinterpret_cast<uintptr_t>(h));
    if (it == t.records.end() || it->second.kind != kind)
        return false;
    *out = it->second;
    return true;
}

} // namespace

namespace plat::gdi {

bool lookupPen(HGDIOBJ h, LOGPEN* out)
{
    Record r;
    if (!lookup(h, Kind::Pen, &r))
        return false;
    *out = r.pen;
    return true;
}

bool lookupBrush(HGDIOBJ h, LOGBRUSH* out)
{
    Record r;
    if (!lookup(h, Kind::Brush, &r))
        return false;
    *out = r.brush;
    return true;
}

} // namespace plat::gdi

HPEN CreatePen(int iStyle, int cWidth, COLORREF color)
{
    if (iStyle < PS_SOLID || iStyle > PS_INSIDEFRAME || cWidth < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Record r{};
    r.kind = Kind::Pen;
    r.pen.lopnStyle = UINT(iStyle);
    r.pen.lopnWidth.x = cWidth;
    r.pen.lopnColor = color;
    return static_cast<HPEN>(insert(r));
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    Record r{};
    r.kind = Kind::Brush;
    r.brush.lbStyle = BS_SOLID;
    r.brush.lbColor = color;
    return static_cast<HBRUSH>(insert(r));
}

BOOL DeleteObject(HGDIOBJ ho)
{
    if (plat::ui::sysColorBrushIndex(static_cast<HBRUSH>(ho)) >= 0)
        return TRUE;
    Table& t = table();
    std::lock_guard lock(t.mutex);
    if (t.records.erase(reinterpret_cast<uintptr_t>(ho)) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

int GetObjectA(HGDIOBJ h, int c, LPVOID pv)
{
    Record r;
    const void* data = nullptr;
    int size = 0;
    if (lookup(h, Kind::Pen, &r)) {
        data = &r.pen;
        size = int(sizeof r.pen);
    } else if (lookup(h, Kind::Brush, &r)) {
        data = &r.brush;
        size = int(sizeof r.brush);
    } else {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!pv)
        return size;
    if (c < size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(pv, data, size_t(size));
    return size;
}

int vntGdiLiveObjectCount()
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    return int(t.records.size());
}
