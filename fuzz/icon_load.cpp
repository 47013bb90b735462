// Icon bytes from any URL reach the icon object in chunks and go through a temporary file to the
// platform's readers: whatever they are, the load ends with an icon or with the icon object's
// "is not an icon file" error, draws without reading out of bounds, and leaves no file behind.
//
// Input: the first byte chooses the chunk size (1 to 256, grown so that there are at most 32
// chunks), the rest are the delivered bytes.
//
// Every input makes, writes, reads and removes a temporary file and draws four frames: it runs
// several hundred inputs a second.

#include "FuzzDownloadBytes.h"

#include "vbIcon.h"

#include "plat/bitmap.h"
#include "plat/gdi.h"

#include <cstdint>
#include <cstdlib>

namespace {

void drawFrames(vbIconObject* icon)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP surface = CreateCompatibleBitmap(dc, 32, 32);
    HGDIOBJ previous = SelectObject(dc, surface);
    const RECT rect{0, 0, 32, 32};
    LONG first = -1;
    for (WORD frame = 0; frame < 4; ++frame)
        icon->DrawIcon(dc, rect, frame, first, nullptr, 0);
    SelectObject(dc, previous);
    DeleteObject(surface);
    DeleteDC(dc);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzDownloadHome home;
    if (size == 0)
        return 0;
    const size_t chunk = size_t(data[0]) + 1;
    auto* icon = new vbIconObject("fuzz.ico", vbIconObject::MakeKey(32, 32));
    icon->Create();
    vbDnData root(nullptr, nullptr);
    const bool loaded = fuzzLoadInChunks(icon, &root, data + 1, size - 1, chunk, "is invalid or is not an icon file");
    if (home.holdsFiles() || root.GetUserData())
        std::abort();
    icon->SetLoaded(loaded, false);
    if (loaded != icon->IsValid())
        std::abort();
    drawFrames(icon);
    icon->Release();
    return 0;
}
