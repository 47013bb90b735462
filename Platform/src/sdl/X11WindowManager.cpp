#include "sdl/X11WindowManager.h"

#include <X11/Xlib.h>

namespace plat::sdl {

// The window manager is the client that redirects the root window's structure requests, which the
// server grants one client at a time; a window manager that names itself through other properties
// may have left them behind when it ended.
bool windowManagerRuns(_XDisplay* display)
{
    XWindowAttributes root;
    return XGetWindowAttributes(display, DefaultRootWindow(display), &root) != 0
        && (root.all_event_masks & SubstructureRedirectMask) != 0;
}

} // namespace plat::sdl
