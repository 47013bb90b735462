#pragma once

// Where no window manager runs, SDL gives the X input focus to each window it shows, and X gives
// it to no window at all once that window hides or goes: after a tool tip, a menu or a dialog had
// shown, the program got no key until one of its windows was shown again. The active window
// takes the focus back then.

#include <SDL.h>

namespace plat::sdl {

// Gives window, when it is shown, the X input focus if no window has it.
void takeFocusIfNone(SDL_Window* window);

} // namespace plat::sdl
