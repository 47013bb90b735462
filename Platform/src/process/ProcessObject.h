#pragma once

// The kernel object behind process handles, and the one way the platform starts programs.

#include "kernel/Waitable.h"

#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

namespace plat {

// A process, through its pidfd. Several handles may name one object. Waits are satisfied once the
// process has ended; the signal is never consumed.
class ProcessObject final : public Waitable {
public:
    enum class Kind {
        Self,  // the calling process: never ends while anyone waits
        Child, // started here: reaped by us, exit code known
        Other, // anybody else's: only its end is seen
    };
    ProcessObject(Kind kind, pid_t pid, int pidfd);
    ~ProcessObject() override;

    bool isSignalled(const WaitContext& ctx) override;
    Acquire tryAcquire(const WaitContext& ctx) override;
    uint32_t pollIntervalMs() const override;

    pid_t pid() const { return m_pid; }
    int pidfd() const { return m_pidfd; }
    Kind kind() const { return m_kind; }
    // STILL_ACTIVE while it runs, the exit code once it has ended (reaping a child that has).
    DWORD exitCode();

private:
    friend class ChildReaper;
    bool updateLocked();

    const Kind m_kind;
    const pid_t m_pid;
    const int m_pidfd;
    std::mutex m_mutex;
    bool m_ended = false;
    DWORD m_exitCode;
};

// What to start and how.
struct SpawnRequest {
    std::string program; // with "/": a path; without: looked for in PATH
    std::vector<std::string> args; // args[0] included
    std::string directory; // empty: the current folder
    const char* environment = nullptr; // a block of "name=value\0" texts ending in "\0", or null
    bool newSession = false;
    bool newProcessGroup = false;
    bool inheritDescriptors = false; // false: only 0, 1 and 2 reach the child
    int stdFds[3] = {-1, -1, -1}; // -1: as ours; otherwise the descriptor to give the child
};

// Starts the program; null with the last error set (ERROR_FILE_NOT_FOUND for a missing program,
// ERROR_DIRECTORY for a missing folder ...). The child is watched and reaped when it ends.
std::shared_ptr<ProcessObject> spawnProcess(const SpawnRequest& request);

// The object of a child started here that has not ended, by its id; null otherwise.
std::shared_ptr<ProcessObject> findLiveChild(pid_t pid);

// The calling process's object.
std::shared_ptr<ProcessObject> selfProcessObject();

} // namespace plat
