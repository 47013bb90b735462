#pragma once

// Widths of 8-bit text in whole pixels, without kerning: the sum of the characters' advances.

#include "text/SizedFace.h"
#include "text/TextDecoder.h"

namespace plat::text {

inline int charAdvance(SizedFace& face, char32_t code) { return isControl(code) ? 0 : face.advance(code); }

int textWidth(SizedFace& face, const char* text, int count);

// Fills dx[i] for every byte: the width of the text before the character holding byte i, and for
// the last byte of a character the width up to and including it; so an index found by position
// never lies inside a character. Answers how many bytes of whole characters fit into maxExtent.
int byteWidths(SizedFace& face, const char* text, int count, int maxExtent, int* dx);

} // namespace plat::text
