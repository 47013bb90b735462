#pragma once

// Whether a window manager runs: without one, nothing carries out a request to iconify or
// maximise a window, which keeps its place and size.

struct _XDisplay;

namespace plat::sdl {

// Asks the server on each call: a window manager may start or end while the program runs.
bool windowManagerRuns(_XDisplay* display);

} // namespace plat::sdl
