#pragma once

namespace plat::text {

// A character placed in a run of text: its advance may differ from the face's (caller's widths,
// expanded tabs).
struct RunChar {
    char32_t code;
    int advance;
    bool underline; // a single underlined character (DrawTextA's prefix mark)
};

} // namespace plat::text
