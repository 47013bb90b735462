#pragma once

// Icon and cursor files: .ico and .cur (an ICONDIR of images) and animated .ani (RIFF "ACON").
// Every frame is read at the wanted size: the nearest entry, scaled by nearest neighbour when
// it differs. A wanted size of 0 takes the first entry's own size; sizes are at most
// kMaxWantedSide.

#include "image/Bytes.h"

#include "gdi/Icon.h"

namespace plat::image {

constexpr int kMaxWantedSide = 1024;

struct WantedSize {
    int width = 0;
    int height = 0;
};

bool isIconDirectory(Bytes bytes);
bool isAnimatedCursor(Bytes bytes);

// False for damaged bytes or a file without a usable entry (PNG-coded ones are not). The record's
// isIcon is left to the caller.
bool readIconFile(Bytes bytes, WantedSize wanted, gdi::IconRecord& out);
bool readAnimatedCursor(Bytes bytes, WantedSize wanted, gdi::IconRecord& out);
// Whichever of the two the bytes are.
bool readCursorOrIcon(Bytes bytes, WantedSize wanted, gdi::IconRecord& out);

} // namespace plat::image
