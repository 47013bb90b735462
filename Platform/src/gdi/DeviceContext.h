#pragma once

// The object behind every HDC: what it draws into (a surface, its origin in the surface and the
// visible part), and the drawing state that SaveDC keeps (selections, colours, modes, mapping and
// clip). Memory DCs draw into their selected bitmap; window code makes DCs that draw into a
// window surface (see createDeviceContext and attach).

#include "GdiObjects.h"
#include "Region.h"
#include "Surface.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace plat::gdi {

class Bitmap;

// Everything SaveDC saves and a default DC starts with.
struct DcState {
    std::shared_ptr<Object> pen;
    std::shared_ptr<Object> brush;
    HFONT font = nullptr; // selected font; null until the text code selects one
    std::shared_ptr<Object> fontObject;
    COLORREF textColor = 0x000000;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = 2;       // OPAQUE
    int textAlign = 0;    // TA_LEFT | TA_TOP | TA_NOUPDATECP
    int stretchMode = 1;  // BLACKONWHITE
    int polyFillMode = 1; // ALTERNATE
    POINT brushOrigin{0, 0};
    POINT position{0, 0};
    int mapMode = 1; // MM_TEXT
    POINT windowOrigin{0, 0};
    SIZE windowExtent{1, 1};
    POINT viewportOrigin{0, 0};
    SIZE viewportExtent{1, 1};
    // The selected clip region in device coordinates (relative to the DC's origin); none = all.
    std::optional<Region> clip;
};

class PLATAPI DeviceContext : public Object {
public:
    enum class Type { Memory, Window, Screen };

    explicit DeviceContext(Type type);
    ~DeviceContext() override;

    const Type type;
    HDC hdc() const { return static_cast<HDC>(handle()); }

    // --- the device side, set by whoever owns the surface ---
    // Draw into surface; device point (0, 0) lies at origin in the surface and nothing outside
    // visible (surface coordinates) is touched. The surface must outlive the attachment.
    void attach(const Surface& surface, POINT origin, const Region& visible);
    // Draw nowhere: every call clips everything away (the screen DC, a hidden window).
    void detach();
    void setOrigin(POINT origin);
    void setVisible(const Region& visible);
    const Surface& surface() const { return surface_; }
    POINT origin() const { return origin_; }
    const Region& visible() const { return visible_; }
    // Called after each drawing call with the surface rectangle it may have changed.
    void setDrawHook(std::function<void(const RECT&)> hook) { hook_ = std::move(hook); }
    // Back to the state of a fresh DC (for DCs handed out again); the saved states go too.
    void resetState();

    // --- the drawing state ---
    DcState& state() { return state_; }
    const DcState& state() const { return state_; }
    // Call after changing state().clip directly.
    void clipChanged() { clipValid_ = false; }
    int save();
    bool restore(int level);

    // Logical to device coordinates and back, through the mapping mode, rounded.
    POINT toDevice(POINT logical) const;
    POINT toLogical(POINT device) const;
    // A logical rectangle in device coordinates, ordered so left <= right and top <= bottom.
    RECT rectToDevice(const RECT& logical) const;
    // Device coordinates to surface coordinates.
    POINT toSurface(POINT device) const { return POINT{device.x + origin_.x, device.y + origin_.y}; }
    RECT rectToSurface(const RECT& device) const;

    // What drawing may touch, in surface coordinates: visible ∩ clip ∩ the surface.
    const Region& drawable();
    // Tells the hook that drawing touched rect (surface coordinates).
    void drew(const RECT& rect) const;

    // Memory DCs: the selected bitmap (a stock 1 x 1 bitmap at first).
    std::shared_ptr<Bitmap> bitmap() const { return bitmap_; }
    // Selects a bitmap into a memory DC and draws into it; answers the previous one, or null when
    // the bitmap is selected elsewhere or this is no memory DC.
    std::shared_ptr<Bitmap> selectBitmap(const std::shared_ptr<Bitmap>& bitmap);

    // The DC a handle names, or null (ERROR_INVALID_HANDLE).
    static std::shared_ptr<DeviceContext> find(HDC hdc);

private:
    Surface surface_;
    POINT origin_{0, 0};
    Region visible_;
    std::function<void(const RECT&)> hook_;
    DcState state_;
    std::vector<DcState> saved_;
    std::shared_ptr<Bitmap> bitmap_;
    Region drawable_;
    bool clipValid_ = false;
};

// Makes a DC of that type and registers it in the GDI table; its handle is dc->hdc(). It draws
// nowhere until attached (memory DCs: into their stock bitmap).
PLATAPI std::shared_ptr<DeviceContext> createDeviceContext(DeviceContext::Type type);
// Takes a DC out of the table; it goes when the last holder lets it go. False for a handle that
// names no DC.
PLATAPI bool destroyDeviceContext(HDC hdc);

} // namespace plat::gdi
