// Device contexts: the surface they draw into, their state, its saving, mapping and clipping.

#include "DeviceContext.h"

#include "Bitmap.h"

#include "plat/errors.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace plat::gdi {

namespace {

DcState defaultState()
{
    DcState s;
    s.pen = stockObject(BLACK_PEN);
    s.brush = stockObject(WHITE_BRUSH);
    return s;
}

// a * b / c rounded half away from zero, in 64 bits.
LONG scale(int64_t a, int64_t b, int64_t c)
{
    if (c == 0)
        return LONG(a);
    int64_t n = a * b;
    if ((n < 0) != (c < 0))
        return LONG(-((std::llabs(n) + std::llabs(c) / 2) / std::llabs(c)));
    return LONG((std::llabs(n) + std::llabs(c) / 2) / std::llabs(c));
}

// From one space (origin, extent) to the other; unscaled when the extents do not count.
POINT mapPoint(POINT p, POINT fromOrigin, SIZE fromExtent, POINT toOrigin, SIZE toExtent, bool unscaled)
{
    if (unscaled)
        return POINT{p.x - fromOrigin.x + toOrigin.x, p.y - fromOrigin.y + toOrigin.y};
    return POINT{scale(int64_t(p.x) - fromOrigin.x, toExtent.cx, fromExtent.cx) + toOrigin.x,
                 scale(int64_t(p.y) - fromOrigin.y, toExtent.cy, fromExtent.cy) + toOrigin.y};
}

std::mutex& selectionMutex()
{
    static auto* m = new std::mutex;
    return *m;
}

} // namespace

DeviceContext::DeviceContext(Type type) : Object(Kind::DC), type(type), state_(defaultState())
{
    if (type == Type::Memory)
        selectBitmap(Bitmap::stock());
}

DeviceContext::~DeviceContext()
{
    std::lock_guard lock(selectionMutex());
    if (bitmap_ && bitmap_->selectedIn == this)
        bitmap_->selectedIn = nullptr;
}

void DeviceContext::attach(const Surface& surface, POINT origin, const Region& visible)
{
    surface_ = surface;
    origin_ = origin;
    visible_ = visible;
    clipValid_ = false;
}

void DeviceContext::detach() { attach(Surface{}, POINT{0, 0}, Region()); }

void DeviceContext::setOrigin(POINT origin)
{
    origin_ = origin;
    clipValid_ = false;
}

void DeviceContext::setVisible(const Region& visible)
{
    visible_ = visible;
    clipValid_ = false;
}

void DeviceContext::resetState()
{
    state_ = defaultState();
    saved_.clear();
    clipValid_ = false;
}

int DeviceContext::save()
{
    saved_.push_back(state_);
    return int(saved_.size());
}

bool DeviceContext::restore(int level)
{
    const int count = int(saved_.size());
    const int target = level < 0 ? count + 1 + level : level;
    if (target < 1 || target > count)
        return false;
    state_ = saved_[size_t(target - 1)];
    saved_.resize(size_t(target - 1));
    clipValid_ = false;
    return true;
}

POINT DeviceContext::toDevice(POINT p) const
{
    const DcState& s = state_;
    return mapPoint(p, s.windowOrigin, s.windowExtent, s.viewportOrigin, s.viewportExtent, s.mapMode == 1);
}

POINT DeviceContext::toLogical(POINT p) const
{
    const DcState& s = state_;
    return mapPoint(p, s.viewportOrigin, s.viewportExtent, s.windowOrigin, s.windowExtent, s.mapMode == 1);
}

RECT DeviceContext::rectToDevice(const RECT& r) const
{
    const POINT a = toDevice(POINT{r.left, r.top}), b = toDevice(POINT{r.right, r.bottom});
    return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

RECT DeviceContext::rectToSurface(const RECT& d) const
{
    return RECT{d.left + origin_.x, d.top + origin_.y, d.right + origin_.x, d.bottom + origin_.y};
}

const Region& DeviceContext::drawable()
{
    if (!clipValid_) {
        drawable_ = surface_.empty() ? Region() : visible_.intersected(RECT{0, 0, surface_.width, surface_.height});
        if (state_.clip) {
            Region clip = *state_.clip;
            clip.offset(origin_.x, origin_.y);
            drawable_ = drawable_.intersected(clip);
        }
        clipValid_ = true;
    }
    return drawable_;
}

void DeviceContext::drew(const RECT& rect) const
{
    if (hook_)
        hook_(rect);
}

std::shared_ptr<Bitmap> DeviceContext::selectBitmap(const std::shared_ptr<Bitmap>& bitmap)
{
    std::lock_guard lock(selectionMutex());
    if (type != Type::Memory || (bitmap->selectedIn && bitmap->selectedIn != this)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::shared_ptr<Bitmap> previous = bitmap_;
    if (previous)
        previous->selectedIn = nullptr;
    if (!bitmap->isStock())
        bitmap->selectedIn = this;
    bitmap_ = bitmap;
    attach(bitmap->surface(), POINT{0, 0}, Region(RECT{0, 0, bitmap->width, bitmap->height}));
    return previous ? previous : bitmap;
}

std::shared_ptr<DeviceContext> DeviceContext::find(HDC hdc) { return findAs<DeviceContext>(hdc); }

std::shared_ptr<DeviceContext> createDeviceContext(DeviceContext::Type type)
{
    auto dc = std::make_shared<DeviceContext>(type);
    insertObject(dc);
    return dc;
}

bool destroyDeviceContext(HDC hdc)
{
    if (!DeviceContext::find(hdc))
        return false;
    return removeObject(hdc);
}

} // namespace plat::gdi
