#pragma once

// Drawing a run of characters on a DC's surface: background, coverage blended in the text colour,
// underline and strike-out, turned upwards for vertical fonts.

#include "text/Font.h"
#include "text/RunChar.h"

#include "gdi/DeviceContext.h"
#include "plat/geometry.h"

#include <vector>

namespace plat::text {

struct RunPlacement {
    POINT reference;                // surface coordinates
    unsigned align = 0;             // TA_ flags
    bool vertical = false;          // the run goes up from the reference point
    const RECT* clip = nullptr;     // surface coordinates
    const RECT* opaque = nullptr;   // filled with the background colour first
};

void paintRun(gdi::DeviceContext& dc, const Font& font, const std::vector<RunChar>& run, const RunPlacement& where);

} // namespace plat::text
