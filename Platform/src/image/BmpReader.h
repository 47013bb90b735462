#pragma once

// .bmp files, with their 14-byte "BM" header or as a packed DIB.

#include "image/Bytes.h"
#include "image/Picture.h"

namespace plat::image {

constexpr int kMaxBmpSide = 16384;

// B,G,R pixels with the fourth byte 0. False for damaged or unsupported bytes, and for pictures
// of more than maxPixels pixels.
bool readBmp(Bytes bytes, Picture& out, uint64_t maxPixels = uint64_t(kMaxBmpSide) * kMaxBmpSide);

} // namespace plat::image
