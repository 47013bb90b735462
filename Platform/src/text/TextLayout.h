#pragma once

// DrawTextA's lines: prefix marks, line ends, tab stops and word wrapping, before anything is drawn.

#include "text/RunChar.h"
#include "text/SizedFace.h"

#include <vector>

namespace plat::text {

struct LaidLine {
    std::vector<RunChar> chars;
    int width = 0;
};

// format: the DT_ flags; maxWidth matters with DT_WORDBREAK only. Every line holds at least one
// character unless its paragraph is empty, so the layout always ends.
std::vector<LaidLine> layoutText(SizedFace& face, const char* text, int count, unsigned format, int maxWidth);

} // namespace plat::text
