#pragma once

// Icons and cursors behind HICON: frames of B,G,R,A pixels with an AND mask, a hot spot, and for
// animated cursors the order of the frames and their display rates. The cursor file reader
// builds its records with makeIcon.

#include "GdiObjects.h"

#include <vector>

namespace plat::gdi {

struct IconFrame {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0xAARRGGBB, rows top-down
    std::vector<uint8_t> mask;    // one byte per pixel: 1 keeps what lies under the icon
    bool hasAlpha = false;        // blend by the alpha channel instead of the mask
};

struct IconRecord {
    std::vector<IconFrame> frames;
    std::vector<int> sequence; // frame index per step; empty: the frames in order
    std::vector<DWORD> rates;  // display time per step in 1/60 s; empty: the default rate
    DWORD defaultRate = 10;
    POINT hotspot{0, 0};
    bool isIcon = true;
    bool shared = false; // belongs to the system: DestroyIcon keeps it

    int steps() const { return int(sequence.empty() ? frames.size() : sequence.size()); }
};

class PLATAPI IconObject : public Object {
public:
    explicit IconObject(IconRecord record) : Object(Kind::Icon), record(std::move(record)) {}
    const IconRecord record;
};

// Registers a record with at least one frame whose pixels and mask fit its size; null
// (ERROR_INVALID_PARAMETER) otherwise.
PLATAPI HICON makeIcon(IconRecord record);

} // namespace plat::gdi
