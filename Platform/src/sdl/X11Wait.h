#pragma once

// How the desktop thread waits on X11, and what ends the program when the X connection fails.
//
// SDL's own wait (SDL_WaitEventTimeout) is not used there: another thread wakes it by an
// XSendEvent to SDL's newest window over a second connection, and the X server does not order
// that request after the window's destruction over the first one. When the window is gone first
// (a combo box's list, a menu level), the send fails with BadWindow and Xlib's default handler
// ends the program. So the thread waits itself, with poll() on the X connection and on an
// eventfd that other threads write; waking it takes no lock and no call into SDL.

#include <SDL.h>

#include <atomic>
#include <cstdint>

struct _XDisplay;

namespace plat::sdl {

class X11Wait {
public:
    // On the desktop thread, once SDL's video runs on X11: lost connections and X errors go
    // through this program's handlers from now on.
    void start();
    // The connection comes with SDL's first window (SDL tells it only of a window).
    void windowMade(SDL_Window* window);
    // SDL stops: the connection goes with it.
    void stop();
    bool running() const { return m_running; }
    // SDL's connection, once its first window is made (null before, and off X11).
    _XDisplay* connection() const { return m_display; }

    // From any thread: ends a wait in progress, or the next one.
    void wake();
    // On the desktop thread, once SDL's queue is empty: waits up to ms milliseconds for events
    // on the connection (left for SDL to take) or a wake.
    void wait(uint32_t ms);

private:
    bool m_running = false;
    int m_wakeFd = -1;
    std::atomic<bool> m_wakeWritten{false};
    _XDisplay* m_display = nullptr;
};

} // namespace plat::sdl
