// Pictures named in project files and mark-up are read from disk by whoever wrote them: any file
// must give a picture or an empty one, and a picture must draw from any source rectangle.
//
// Input: the file. When it loads, it is drawn whole into a 32 x 32 surface and then from a source
// rectangle made of its first eight bytes.
//
// It runs a thousand inputs a second or more once the pictures' sizes are bounded (below).

#include "FuzzTempDir.h"

#include "guiPicture.h"

#include "vbException.h"

#include "plat/afxgdi.h"
#include "plat/bitmap.h"
#include "plat/gdi.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A 32 x 32 surface to draw into.
struct Surface {
    Surface()
    {
        BITMAPINFO info{};
        info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc.Attach(CreateCompatibleDC(nullptr));
        previous = SelectObject(dc, bitmap);
    }
    ~Surface()
    {
        SelectObject(dc, previous);
        DeleteDC(dc.Detach());
        DeleteObject(bitmap);
    }
    HBITMAP bitmap;
    HGDIOBJ previous;
    CDC dc;
};

void draw(guiPicture& picture, const uint8_t* data, size_t size)
{
    Surface surface;
    picture.PrepareRender();
    picture.Render(nullptr, &surface.dc, 0, 0, 32, 32, 0, 0, -1, -1);
    if (size < 8)
        return;
    // Signed source values reach the blit's own checks.
    auto value = [&](size_t i) { return static_cast<LONG>(static_cast<int8_t>(data[i])) * 4 + data[i + 1] % 4; };
    picture.Render(nullptr, &surface.dc, 0, 0, 32, 32, value(0), value(2), value(4), value(6));
}

// Decoding and drawing cost grows with the size a picture declares, not with the input's: a few
// bytes of a JPEG frame header or a BMP info header (whose run-length rows are laid out whole) can
// ask for tens of megapixels, every one of them decoded and then filtered down to 32 x 32. Such
// inputs are left out; pictures up to 256 x 256 reach the same code.
constexpr size_t kMostPixels = 256 * 256;

bool declaresLargeJpegFrame(const uint8_t* data, size_t size)
{
    for (size_t i = 0; i + 8 < size; ++i) {
        const uint8_t marker = data[i + 1];
        if (data[i] != 0xFF || marker < 0xC0 || marker > 0xCF || marker == 0xC4 || marker == 0xC8 || marker == 0xCC)
            continue;
        const size_t height = size_t(data[i + 5]) << 8 | data[i + 6];
        const size_t width = size_t(data[i + 7]) << 8 | data[i + 8];
        if (width * height > kMostPixels)
            return true;
    }
    return false;
}

bool declaresLargeBmp(const uint8_t* data, size_t size)
{
    if (size < 26 || data[0] != 'B' || data[1] != 'M')
        return false;
    auto u16 = [&](size_t at) { return uint32_t(data[at]) | uint32_t(data[at + 1]) << 8; };
    auto side = [&](size_t at) { return uint64_t(std::llabs(int32_t(u16(at) | u16(at + 2) << 16))); };
    const bool core = u16(14) == 12 && u16(16) == 0;
    const uint64_t width = core ? u16(18) : side(18);
    const uint64_t height = core ? u16(20) : side(22);
    return width * height > kMostPixels;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (declaresLargeJpegFrame(data, size) || declaresLargeBmp(data, size))
        return 0;
    static FuzzTempDir folder(true);
    const std::string path = folder.path + "/picture";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    if (size)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
    guiPicture picture = LoadPicture(path.c_str(), false);
    if (!picture.IsValid())
        return 0;
    try {
        draw(picture, data, size);
    } catch (vbEsys* e) {
        // A bitmap without a readable size is the drawing's own refusal.
        e->Delete();
    }
    return 0;
}
