#include "text/TextMeasure.h"

namespace plat::text {

int textWidth(SizedFace& face, const char* text, int count)
{
    int width = 0;
    for (int i = 0; i < count;) {
        TextChar c = decodeChar(text, count, i);
        width += charAdvance(face, c.code);
        i += c.length;
    }
    return width;
}

int byteWidths(SizedFace& face, const char* text, int count, int maxExtent, int* dx)
{
    int width = 0, fit = 0;
    for (int i = 0; i < count;) {
        TextChar c = decodeChar(text, count, i);
        for (int k = 0; k < c.length - 1; ++k)
            dx[i + k] = width;
        width += charAdvance(face, c.code);
        i += c.length;
        dx[i - 1] = width;
        if (width <= maxExtent && fit == i - c.length)
            fit = i;
    }
    return fit;
}

} // namespace plat::text
