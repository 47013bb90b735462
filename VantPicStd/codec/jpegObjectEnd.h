#pragma once

#include "picItf.h"
#include "vbHotPlugin.h"

// The last steps of a compressor's or decompressor's life: it lets its image and bitmap go (a
// failure is shown) and gives back its count to the module's factory (a failure is traced), so
// that a destructor never lets an exception out.
void jpegEndObject(picImagePtr& image, picBitmapPtr& bitmap, vbHotPlugFactory* factory);
