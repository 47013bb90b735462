#pragma once

// JPEG through libjpeg (version 62), for OLE pictures.

#include "image/Bytes.h"
#include "image/Picture.h"

namespace plat::image {

constexpr uint64_t kMaxJpegPixels = uint64_t(1) << 26;

// B,G,R pixels with the fourth byte 0, from grey, YCbCr, CMYK or YCCK data. A truncated file keeps
// the rows libjpeg gives for it; errors and pictures over kMaxJpegPixels answer false.
bool readJpeg(Bytes bytes, Picture& out);

} // namespace plat::image
