#pragma once

// The picture library: images and bitmaps in memory, the picture interfaces, values and
// exceptions. Images and bitmaps are made by the two factories and used through their interfaces.

#include "picException.h"
#include "picExport.h"
#include "picItf.h"
#include "picTypes.h"

// A new image of this type and label (null gives an empty text); out holds its only reference.
// Always true; failures are exceptions. The mode is not used.
PICAPI bool picCreateImage(picImagePtr* out, const char* type, const char* label, picReqMode mode);

// A new bitmap of this format (bitsPerPixel 0: the colour type's default depth), pixels zeroed;
// out holds its only reference. A format that is refused throws and leaves out as it was.
PICAPI bool picCreateBitmap(picBitmapPtr* out, const picSize& size, picBmpColorType bmpType, int bitsPerPixel,
    picReqMode mode);
