#include "sdl/X11Wait.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace plat::sdl {

namespace {

XErrorHandler g_sdlHandler = nullptr;

// The connection is gone: nothing on the desktop can be reached or undone any more, and ending
// the normal way would destroy SDL's windows on it (SDL then waits for ever for their unmapping)
// and wait for threads that may wait for this one. What the user made is stored as it changes.
int connectionLost(Display*)
{
    static std::atomic_flag told = ATOMIC_FLAG_INIT; // each connection (SDL keeps two) may fail at once
    if (told.test_and_set())
        _exit(1);
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "%s: the connection to the display \"%s\" was lost\n",
        program_invocation_short_name ? program_invocation_short_name : "program", display ? display : "");
    _exit(1);
}

// A window of another program can go while we answer it (a clipboard request), and the window
// that takes the input focus back can go or hide meanwhile: harmless. Every other error goes to
// SDL's handler, and on to Xlib's, which reports it.
int requestFailed(Display* display, XErrorEvent* e)
{
    if (e->error_code == BadWindow && e->request_code == X_SendEvent)
        return 0;
    if ((e->error_code == BadWindow || e->error_code == BadMatch) && e->request_code == X_SetInputFocus)
        return 0;
    return g_sdlHandler ? g_sdlHandler(display, e) : 0;
}

} // namespace

void X11Wait::start()
{
    if (m_wakeFd < 0)
        m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    g_sdlHandler = XSetErrorHandler(requestFailed);
    XSetIOErrorHandler(connectionLost);
    m_running = m_wakeFd >= 0;
}

void X11Wait::windowMade(SDL_Window* window)
{
    if (m_display || !m_running)
        return;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11)
        m_display = info.info.x11.display;
}

void X11Wait::stop()
{
    m_running = false;
    m_display = nullptr;
    // Xlib's own handlers again, so that the next SDL start chains to them and not to ours.
    XSetErrorHandler(nullptr);
    XSetIOErrorHandler(nullptr);
    g_sdlHandler = nullptr;
}

void X11Wait::wake()
{
    if (m_wakeWritten.exchange(true))
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
}

void X11Wait::wait(uint32_t ms)
{
    // What SDL took in or was given since its queue was last emptied, and what Xlib read from
    // the connection meanwhile (SDL's own calls read replies, and the events before them), are
    // not on the connection any more.
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_POLLSENTINEL - 1) || SDL_HasEvents(SDL_USEREVENT, SDL_LASTEVENT))
        return;
    pollfd watched[2] = {{m_wakeFd, POLLIN, 0}, {-1, POLLIN, 0}};
    if (m_display) {
        if (XEventsQueued(m_display, QueuedAfterFlush) > 0)
            return;
        watched[1].fd = ConnectionNumber(m_display);
    }
    if (poll(watched, 2, int(ms)) > 0 && (watched[0].revents & POLLIN)) {
        uint64_t count;
        [[maybe_unused]] const ssize_t read = ::read(m_wakeFd, &count, sizeof count);
        m_wakeWritten.store(false); // after the read: a wake meanwhile finds the flag set and the caller looks
    }
}

} // namespace plat::sdl
