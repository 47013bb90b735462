#include "sdl/X11Focus.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>

namespace plat::sdl {

void takeFocusIfNone(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !(SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN) || !SDL_GetWindowWMInfo(window, &info) ||
        info.subsystem != SDL_SYSWM_X11)
        return;
    Display* display = info.info.x11.display;
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus != None)
        return;
    XSetInputFocus(display, info.info.x11.window, RevertToNone, CurrentTime);
    XFlush(display);
}

} // namespace plat::sdl
