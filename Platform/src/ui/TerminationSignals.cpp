// SIGTERM and SIGINT as a quit of the program's message loop. A signal handler may do next to
// nothing: it writes to a pipe, and a thread of ours that waits on the pipe posts the quit as any
// thread posts a message, waking the loop through the ordinary path of every display back end.

#include "plat/errors.h"
#include "plat/message.h"
#include "plat/termination.h"
#include "plat/thread.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT};

int g_pipe[2] = {-1, -1};
std::atomic<DWORD> g_thread{0};

void setAction(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals)
        sigaction(signal, &action, nullptr);
}

// The orderly end may be what hangs: the next signal takes the system's own way.
extern "C" void onTermination(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    setAction(SIG_DFL);
    errno = saved;
}

void postQuitOnSignal()
{
    char byte;
    while (::read(g_pipe[0], &byte, 1) < 0 && errno == EINTR) {
    }
    // A flooded queue refuses posts for a moment; the quit must still come.
    while (!PostThreadMessageA(g_thread.load(), WM_QUIT, 0, 0) && GetLastError() == DWORD(ERROR_NOT_ENOUGH_QUOTA))
        Sleep(10);
}

} // namespace

BOOL vntQuitOnTerminationSignals()
{
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue exists from now on
    g_thread.store(GetCurrentThreadId());
    if (g_pipe[0] >= 0)
        return TRUE;
    if (::pipe2(g_pipe, O_CLOEXEC) != 0) {
        vntSetLastErrorFromErrno(errno);
        return FALSE;
    }
    std::thread(postQuitOnSignal).detach();
    setAction(onTermination);
    return TRUE;
}
