// SIGTERM and SIGINT as a quit of the program's message loop. A signal handler may do next to
// nothing: it writes to a pipe, and a thread of ours that waits on the pipe posts the quit as any
// thread posts a message, waking the loop through the ordinary path of every display back end.

#include "TerminationSignals.h"

#include "plat/errors.h"
#include "plat/message.h"
#include "plat/termination.h"
#include "plat/thread.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT};
constexpr int kBoxTurns = 20;

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

std::string executableOf(const std::string& process)
{
    char path[PATH_MAX];
    const ssize_t n = ::readlink(("/proc/" + process + "/exe").c_str(), path, sizeof path);
    return n > 0 ? std::string(path, size_t(n)) : std::string();
}

// A message box on the desktop runs in a copy of this program that the thread forked and that
// runs nothing else; no quit reaches it, so it goes, and the thread's box answers as Escape would.
void endDesktopBoxes(DWORD thread)
{
    const std::string self = executableOf("self");
    std::ifstream children("/proc/self/task/" + std::to_string(thread) + "/children");
    for (std::string child; children >> child;)
        if (!self.empty() && executableOf(child) == self)
            ::kill(pid_t(std::stol(child)), SIGKILL);
}

void postQuitOnSignal()
{
    char byte;
    while (::read(g_pipe[0], &byte, 1) < 0 && errno == EINTR) {
    }
    g_ending.store(true);
    const DWORD thread = g_thread.load();
    // A flooded queue refuses posts for a moment; the quit must still come.
    while (!PostThreadMessageA(thread, WM_QUIT, 0, 0) && GetLastError() == DWORD(ERROR_NOT_ENOUGH_QUOTA))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // A box whose showing had begun may take a moment to appear; a box asked later answers
    // without showing.
    for (int turn = 0; turn < kBoxTurns; ++turn) {
        endDesktopBoxes(thread);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

} // namespace

bool plat::ui::endingOnSignal() { return g_ending.load(); }

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
