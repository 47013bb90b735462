#pragma once

// Message boxes on the desktop through SDL: Windows' buttons for each MB_ type.

#include "plat/api.h"
#include "plat/types.h"

#include <string>
#include <vector>

namespace plat::sdl {

struct MessageBoxButton {
    int id; // IDOK ...
    const char* label;
};

struct MessageBoxLayout {
    std::vector<MessageBoxButton> buttons; // left to right
    int returnId; // the button Return presses (MB_DEFBUTTONn, else the first)
    int escapeId; // the button Escape and closing press: Cancel, else No, else the only one; 0 for none
};

PLATAPI MessageBoxLayout messageBoxLayout(UINT type);

// The text broken at spaces into lines of at most columns bytes (a longer word stays whole):
// SDL's box shows each line whole, however wide.
PLATAPI std::string wrapForMessageBox(const std::string& text, size_t columns);

// Shows the box on the calling thread and answers the button's id; 0 when SDL cannot show it.
int showMessageBox(const char* text, const char* caption, UINT type);

} // namespace plat::sdl
