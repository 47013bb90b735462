#pragma once

// The images of the system's built-in cursors and icons: 32 x 32, drawn here from simple shapes.

#include "plat/geometry.h"
#include "plat/types.h"

#include <cstdint>
#include <vector>

namespace plat::input {

struct BuiltinImage {
    static constexpr int kSize = 32;
    std::vector<uint32_t> pixels; // 0xAARRGGBB, top row first; alpha 0 (transparent) or 255
    POINT hotSpot{};
};

// The image of a built-in cursor (IDC_ id) or icon (IDI_ id); false for an id without one.
bool builtinCursorImage(int id, BuiltinImage& out);
bool builtinIconImage(int id, BuiltinImage& out);

} // namespace plat::input
