// Colour texts as stored in the registry and written in mark-up: whatever the bytes, reading
// never crashes, and a colour it accepts is written as a text that reads back the same.

#include "vbColor.h"
#include "vbLog.h"
#include "vbString.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_pvbLogFileName = nullptr; // bad texts are logged; nothing here is meant for the user's log
    vbString text(size ? reinterpret_cast<const char*>(data) : "", static_cast<int>(size));
    vbColor color(0x00123456);
    if (!color.Set(text, false)) {
        if (color != 0x00123456u)
            std::abort(); // a refused text changed the colour
        return 0;
    }
    // Every value with a text form (all but user colours, none of which runs here) reads back.
    const vbString written = color;
    if (!written.IsEmpty()) {
        vbColor again;
        if (!again.Set(written, false) || again != color)
            std::abort();
    }
    return 0;
}
