#pragma once

// Image files written to disk for LoadImageA, and what the loaded images hold.

#include "GdiTestSupport.h"

#include "plat/cursor.h"
#include "plat/gdi.h"
#include "testsupport/ImageFiles.h"

#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace vnt::test {

inline std::string writeTempFile(const Bytes& bytes)
{
    static int counter = 0;
    const std::string path = ::testing::TempDir() + "/image_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

inline HANDLE loadFile(const Bytes& bytes, UINT type, int cx = 0, int cy = 0, UINT flags = 0)
{
    return LoadImageA(nullptr, writeTempFile(bytes).c_str(), type, cx, cy, flags | LR_LOADFROMFILE);
}

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> data; // 0x00RRGGBB, top-down
    uint32_t at(int x, int y) const { return data[size_t(y) * size_t(width) + size_t(x)] & 0xFFFFFF; }
};

inline Pixels pixelsOf(HBITMAP bitmap)
{
    Pixels p;
    BITMAP described{};
    if (GetObjectA(bitmap, sizeof described, &described) != int(sizeof described))
        return p;
    p.width = described.bmWidth;
    p.height = described.bmHeight;
    p.data.resize(size_t(p.width) * size_t(p.height));
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), p.width, -p.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    if (GetDIBits(dc, bitmap, 0, UINT(p.height), p.data.data(), &info, DIB_RGB_COLORS) != p.height)
        p = Pixels{};
    DeleteDC(dc);
    return p;
}

// The icon's first frame as GetIconInfo describes it.
struct IconShape {
    bool icon = false;
    POINT hotspot{};
    Pixels color;
};

inline IconShape shapeOf(HICON icon)
{
    IconShape shape;
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return shape;
    shape.icon = info.fIcon != FALSE;
    shape.hotspot = POINT{LONG(info.xHotspot), LONG(info.yHotspot)};
    shape.color = pixelsOf(info.hbmColor);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return shape;
}

// The colour the icon draws at (x, y) at the given step of its animation, CLR_INVALID when it
// does not draw.
inline COLORREF drawnAt(HICON icon, UINT step, int x = 1, int y = 1)
{
    Canvas canvas(64, 64);
    if (!DrawIconEx(canvas.dc, 0, 0, icon, 0, 0, step, nullptr, DI_NORMAL))
        return CLR_INVALID;
    return canvas.at(x, y);
}

} // namespace vnt::test
