// The GDI object table, pens and brushes.

#include "GdiObjects.h"

#include "../ui/SysColorBrush.h"
#include "plat/errors.h"
#include "plat/sysmetrics.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace plat::gdi {

namespace {

// Handle values live far above the system colour brushes' tagged values and are never reused
// within a process, so a stale handle is refused instead of reaching a newer object.
constexpr uintptr_t kHandleBase = uintptr_t(0x7E5700000000ull);

struct Table {
    std::mutex mutex;
    std::unordered_map<uintptr_t, std::shared_ptr<Object>> objects;
    uintptr_t next = kHandleBase;
};

Table& table()
{
    static auto* t = new Table; // outlives every static object that may still delete a pen
    return *t;
}

std::atomic<int> g_liveObjects{0};

int copyOut(const void* data, int size, int c, void* pv)
{
    if (!pv)
        return size;
    if (c < size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(pv, data, size_t(size));
    return size;
}

} // namespace

Object::Object(Kind kind) : kind(kind) { ++g_liveObjects; }

Object::~Object()
{
    if (!stock_)
        --g_liveObjects;
}

int Object::describe(int, void*) const
{
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
}

HGDIOBJ insertObject(std::shared_ptr<Object> obj, bool stock)
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    t.next += 16;
    obj->handle_ = reinterpret_cast<HGDIOBJ>(t.next);
    if (stock && !obj->stock_) {
        obj->stock_ = true;
        --g_liveObjects;
    }
    t.objects.emplace(t.next, std::move(obj));
    return reinterpret_cast<HGDIOBJ>(t.next);
}

std::shared_ptr<Object> findObject(HGDIOBJ h)
{
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(h));
    if (it == t.objects.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return it->second;
}

bool removeObject(HGDIOBJ h)
{
    std::shared_ptr<Object> dropped; // freed outside the lock: a DC's destructor releases objects
    Table& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(h));
    if (it == t.objects.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (it->second->isStock())
        return true;
    dropped = std::move(it->second);
    t.objects.erase(it);
    return true;
}

int Pen::describe(int c, void* pv) const { return copyOut(&log, int(sizeof log), c, pv); }
int Brush::describe(int c, void* pv) const { return copyOut(&log, int(sizeof log), c, pv); }

std::shared_ptr<Object> systemBrush(HBRUSH brush)
{
    const int index = plat::ui::sysColorBrushIndex(brush);
    if (index < 0)
        return nullptr;
    auto object = std::make_shared<Brush>(LOGBRUSH{BS_SOLID, GetSysColor(index), 0});
    object->handle_ = brush;
    object->stock_ = true;
    --g_liveObjects;
    return object;
}

bool brushColor(HBRUSH brush, COLORREF* color)
{
    const uintptr_t value = reinterpret_cast<uintptr_t>(brush);
    if (value >= 1 && value <= 31) { // COLOR_x + 1
        *color = GetSysColor(int(value) - 1);
        return true;
    }
    const int index = plat::ui::sysColorBrushIndex(brush);
    if (index >= 0) {
        *color = GetSysColor(index);
        return true;
    }
    auto b = findAs<Brush>(brush);
    if (!b || b->log.lbStyle != BS_SOLID)
        return false;
    *color = b->log.lbColor;
    return true;
}

} // namespace plat::gdi

using namespace plat::gdi;

HPEN CreatePen(int iStyle, int cWidth, COLORREF color)
{
    if (iStyle < PS_SOLID || iStyle > PS_INSIDEFRAME || cWidth < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LOGPEN log{UINT(iStyle), POINT{cWidth, 0}, color};
    return static_cast<HPEN>(insertObject(std::make_shared<Pen>(log)));
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    LOGBRUSH log{BS_SOLID, color, 0};
    return static_cast<HBRUSH>(insertObject(std::make_shared<Brush>(log)));
}

BOOL DeleteObject(HGDIOBJ ho)
{
    if (plat::ui::sysColorBrushIndex(static_cast<HBRUSH>(ho)) >= 0)
        return TRUE;
    auto object = findObject(ho);
    if (!object || object->kind == Kind::DC || object->kind == Kind::Icon) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return removeObject(ho) ? TRUE : FALSE;
}

int GetObjectA(HGDIOBJ h, int c, LPVOID pv)
{
    auto object = findObject(h);
    if (!object)
        return 0;
    return object->describe(c, pv);
}

int vntGdiLiveObjectCount() { return g_liveObjects.load(); }

HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush)
{
    if (!plbrush || (plbrush->lbStyle != BS_SOLID && plbrush->lbStyle != BS_NULL)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LOGBRUSH log{plbrush->lbStyle, plbrush->lbColor, 0};
    return static_cast<HBRUSH>(insertObject(std::make_shared<Brush>(log)));
}
