#pragma once

// Bitmaps, icons and cursors made from the bytes of image files.

#include "image/Bytes.h"
#include "image/IconReader.h"
#include "image/Picture.h"

#include "plat/api.h"
#include "plat/types.h"

namespace plat::image {

// A 32-bit top-down B,G,R,X bitmap of the picture: a DIB section or a compatible bitmap.
HBITMAP makeBitmap(const Picture& picture, bool dibSection);
// A .bmp file or packed DIB as a bitmap, stretched to cx x cy when both are given; null with
// ERROR_INVALID_DATA for bytes the reader refuses.
PLATAPI HBITMAP bitmapFromBytes(Bytes bytes, int cx, int cy, bool dibSection, uint64_t maxPixels);
// An icon or cursor record from .ico, .cur or .ani bytes; null with ERROR_INVALID_DATA.
PLATAPI HICON iconFromBytes(Bytes bytes, WantedSize wanted, bool isIcon, bool shared);

// Forgets the shared images loaded from a module that is being unloaded, and frees them.
void releaseModuleImages(HMODULE module);

} // namespace plat::image
