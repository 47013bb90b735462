#pragma once

// The plain values that cross the picture interfaces between modules: sizes, points and
// rectangles in pixels and in physical units, colours, and the descriptions of a bitmap and of a
// compression setting. Their layouts are part of the contract with separately built plug-ins.

#include "picExport.h"

#include "vbArray.h"
#include "vbString.h"

#include <cstdint>

class IpicDC;

// The answer an operation owes when it cannot do what it was asked: picReqThrow raises the
// operation's error, any other value lets it answer false.
enum picReqMode : int32_t {
    picReqNoThrow = 0,
    picReqThrow = 1,
};

// The colour type of a bitmap. 24- and 32-bit bitmaps keep their bytes in the order blue, green,
// red (and a fourth byte), rows top-down, as the display reads them; the library itself converts
// nothing, so writers (the JPEG plug-in at libjpeg's boundary) put the bytes in that order.
enum picBmpColorType : int32_t {
    picBmpNone = -1,
    picBmpGrey = 0,
    picBmpRGB = 1,
    picBmpCMYK = 2,
    picBmpYCbCr = 3,
    picBmpYCCK = 4,
    picBmpType5 = 5,
    picBmpType6 = 6,
};

// Units of physical sizes; only "no unit" has a meaning of its own.
enum picMetricUnit : int32_t {
    picUnitNone = -1,
};

struct picSize {
    int32_t cx = 0;
    int32_t cy = 0;

    picSize() = default;
    picSize(int32_t width, int32_t height) : cx(width), cy(height) { }
    void Empty() { *this = picSize(); }
    bool operator==(const picSize& o) const { return cx == o.cx && cy == o.cy; }
    bool operator!=(const picSize& o) const { return !(*this == o); }
};

struct picPoint {
    int32_t x = 0;
    int32_t y = 0;

    picPoint() = default;
    picPoint(int32_t px, int32_t py) : x(px), y(py) { }
    void Empty() { *this = picPoint(); }
};

struct picRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    picRect() = default;
    picRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) { }
    void Empty() { *this = picRect(); }
};

struct PICAPI picMetricSize {
    double cx = 0.0;
    double cy = 0.0;
    picMetricUnit unitX = picUnitNone;
    picMetricUnit unitY = picUnitNone;

    picMetricSize() = default;
    picMetricSize(double width, double height, picMetricUnit ux, picMetricUnit uy)
        : cx(width), cy(height), unitX(ux), unitY(uy) { }
    void Empty() { *this = picMetricSize(); }

    // Both units set and both extents above 0.
    bool IsValid() const { return unitX != picUnitNone && unitY != picUnitNone && cx > 0.0 && cy > 0.0; }
    bool IsEmpty() const { return !IsValid(); }
    void checkUnit(picMetricUnit) const { }
    // The size in unit: a size that is not valid, or already in unit, comes back as it is; no
    // conversion between units exists (picEcompress E_NOTIMPL). The device context is not used.
    picMetricSize ToUnit(picMetricUnit unit, IpicDC* dc) const;
};

struct picMetricPoint {
    double x = 0.0;
    double y = 0.0;
    picMetricUnit unitX = picUnitNone;
    picMetricUnit unitY = picUnitNone;

    picMetricPoint() = default;
    picMetricPoint(double px, double py, picMetricUnit ux, picMetricUnit uy) : x(px), y(py), unitX(ux), unitY(uy) { }
    void Empty() { *this = picMetricPoint(); }
};

struct picMetricRect {
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;
    picMetricUnit unitLeft = picUnitNone;
    picMetricUnit unitTop = picUnitNone;
    picMetricUnit unitRight = picUnitNone;
    picMetricUnit unitBottom = picUnitNone;

    picMetricRect() = default;
    void Empty() { *this = picMetricRect(); }
};

struct picColor {
    static constexpr uint32_t kInvalid = 0xFFFFFFFFu;

    uint32_t value = kInvalid;

    constexpr picColor() = default;
    constexpr explicit picColor(uint32_t v) : value(v) { }
    void Empty() { value = kInvalid; }
    bool operator==(const picColor& o) const { return value == o.value; }
    bool operator!=(const picColor& o) const { return value != o.value; }
};

extern PICAPI const picColor picColor_Invalid;

// One bitmap of an image as the image describes it. Producers fill size, bmpType and
// bitsPerPixel; the other values are stored and copied, never interpreted.
struct PICAPI picBmpInfo {
    int32_t header = 120;
    int32_t param1 = 0;
    int32_t param2 = 0;
    int32_t param3 = 0;
    vbString text1;
    vbString text2;
    vbString text3;
    picSize size;
    picMetricSize metricSize;
    int32_t extra1 = -1;
    int32_t extra2 = -1;
    int32_t extra3 = -1;
    int32_t extra4 = -1;
    picBmpColorType bmpType = picBmpNone;
    int32_t bitsPerPixel = -1;

    picBmpInfo() = default;
    picBmpInfo(const picBmpInfo&) = default;
    picBmpInfo& operator=(const picBmpInfo&) = default;
    ~picBmpInfo() = default;

    // Everything but the header and the three params back to the unset values.
    void Empty();
    // Gives each text a buffer of its own, so that the record may go to another thread or module.
    void OwnData();
};

// One compression setting. The system neither produces nor reads these; it keeps and copies them.
struct PICAPI picSettingInfo {
    int32_t header = 120;
    int32_t param1 = 0;
    int32_t param2 = 0;
    int32_t param3 = 0;
    vbString text1;
    vbString text2;
    vbString text3;
    vbString text4;
    vbArray<vbString> list1;
    vbArray<vbString> list2;
    vbArray<vbString> list3;
    int32_t value1 = 0;
    int32_t value2 = 0;
    int32_t value3 = 0;
    int32_t value4 = 0;
    // Neither set nor copied by the system: zero in every record.
    uint32_t reserved = 0;
    int32_t value5 = 0;
    int32_t value6 = 0;
    int32_t value7 = 0;
    int32_t value8 = 0;

    picSettingInfo() = default;
    picSettingInfo(const picSettingInfo& o);
    // Texts and list elements are copied one by one; an empty list of o empties this one.
    picSettingInfo& operator=(const picSettingInfo& o);
    ~picSettingInfo() = default;

    // Texts and lists emptied and the eight values 0; the header and the three params stay.
    void Empty();
};
