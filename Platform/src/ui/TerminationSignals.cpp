// SIGTERM and SIGINT as a quit of the program's message loop. A signal handler may do next to
// nothing: it writes to a pipe, and a thread of ours that waits on the pipe posts the quit as any
// thread posts a message, waking the loop through the ordinary path of every display back end.

#include "TerminationSignals.h"

#include "plat/errors.h"
#include "plat/message.h"
#include "plat/termination.h"
#include "plat/testhooks.h"
#include "plat/thread.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

std::atomic<bool> g_ending{false};

bool runsExecutable(long pid, const char* executable, size_t length)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/%ld/exe", pid);
    char path[PATH_MAX];
    const ssize_t n = ::readlink(link, path, sizeof path);
    return n > 0 && size_t(n) == length && std::memcmp(path, executable, length) == 0;
}

// A message box on the desktop runs in a copy of this program that the thread forked and that
// runs nothing else; no quit reaches it, so it goes, and the thread's box answers as Escape would.
void endDesktopBoxes(DWORD thread)
{
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self);
    if (length <= 0)
        return;
    char file[64];
    std::snprintf(file, sizeof file, "/proc/self/task/%u/children", unsigned(thread));
    const int fd = ::open(file, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    char list[4096];
    const ssize_t got = ::read(fd, list, sizeof list - 1);
    ::close(fd);
    list[got > 0 ? got : 0] = '\0';
    char* at = list;
    for (char* end = at;; at = end) {
        const long pid = std::strtol(at, &end, 10);
        if (end == at)
            break;
        if (pid > 0 && runsExecutable(pid, self, size_t(length)))
            ::kill(pid_t(pid), SIGKILL);
    }
}

void postQuit()
{
    g_ending.store(true);
    const DWORD thread = g_thread.load();
    // A flooded queue refuses posts for a moment; the quit must still come.
    while (!PostThreadMessageA(thread, WM_QUIT, 0, 0) && GetLastError() == DWORD(ERROR_NOT_ENOUGH_QUOTA))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // A box asked from now on answers without showing; one open now goes.
    endDesktopBoxes(thread);
}

// Lives as long as the process: the signals may be taken again after a test gave them back.
void postQuitOnSignals()
{
    for (;;) {
        char byte;
        const ssize_t got = ::read(g_pipe[0], &byte, 1);
        if (got == 1)
            postQuit();
        else if (got == 0 || errno != EINTR)
            return;
    }
}

} // namespace

bool plat::ui::endingOnSignal() { return g_ending.load(); }

BOOL vntQuitOnTerminationSignals()
{
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue exists from now on
    g_thread.store(GetCurrentThreadId());
    if (g_pipe[0] < 0) {
        if (::pipe2(g_pipe, O_CLOEXEC) != 0) {
            vntSetLastErrorFromErrno(errno);
            return FALSE;
        }
        std::thread(postQuitOnSignals).detach();
    }
    setAction(onTermination);
    return TRUE;
}

void vntTestStopQuitOnTerminationSignals()
{
    setAction(SIG_DFL);
    g_thread.store(0);
    g_ending.store(false);
}
