#include "ProcessObject.h"

#include "kernel/ThreadObject.h"
#include "plat/errors.h"
#include "plat/process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace plat {
namespace {

constexpr idtype_t kByPidfd = idtype_t(3); // P_PIDFD
constexpr uint32_t kOtherProcessPollMs = 20;

bool pidfdReadable(int pidfd)
{
    pollfd entry{pidfd, POLLIN, 0};
    return poll(&entry, 1, 0) > 0 && (entry.revents & (POLLIN | POLLHUP));
}

} // namespace

// Watches every child started here and reaps it the moment it ends, then wakes whoever waits on
// it. One thread for the whole process, started with the first child; it holds each child until
// reaped, so closing every handle early changes nothing.
class ChildReaper {
public:
    static ChildReaper& instance()
    {
        static ChildReaper* reaper = new ChildReaper; // never destroyed: children may outlive main
        return *reaper;
    }

    bool watch(const std::shared_ptr<ProcessObject>& child)
    {
        std::lock_guard lock(m_mutex);
        if (m_epoll < 0) {
            m_epoll = epoll_create1(EPOLL_CLOEXEC);
            if (m_epoll < 0)
                return false;
            std::thread([this] { run(); }).detach();
        }
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = child->pidfd();
        if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, child->pidfd(), &event) != 0)
            return false;
        m_children[child->pidfd()] = child;
        return true;
    }

    std::shared_ptr<ProcessObject> find(pid_t pid)
    {
        std::lock_guard lock(m_mutex);
        for (auto& [fd, child] : m_children)
            if (child->pid() == pid)
                return child;
        return nullptr;
    }

private:
    void run()
    {
        epoll_event events[16];
        for (;;) {
            int count = epoll_wait(m_epoll, events, 16, -1);
            for (int i = 0; i < count; ++i)
                reap(events[i].data.fd);
        }
    }

    void reap(int pidfd)
    {
        std::shared_ptr<ProcessObject> child;
        {
            std::lock_guard lock(m_mutex);
            auto found = m_children.find(pidfd);
            if (found == m_children.end())
                return;
            child = found->second;
        }
        bool ended;
        {
            std::lock_guard lock(child->m_mutex);
            ended = child->updateLocked();
        }
        if (!ended) {
            // Readable a moment before the exit can be collected: wait for it without reaping.
            siginfo_t info{};
            waitid(kByPidfd, id_t(pidfd), &info, WEXITED | WNOWAIT);
            return;
        }
        {
            std::lock_guard lock(m_mutex);
            epoll_ctl(m_epoll, EPOLL_CTL_DEL, pidfd, nullptr);
            m_children.erase(pidfd);
        }
        child->wakeWaiters();
    }

    std::mutex m_mutex;
    int m_epoll = -1;
    std::map<int, std::shared_ptr<ProcessObject>> m_children;
};

ProcessObject::ProcessObject(Kind kind, pid_t pid, int pidfd)
    : m_kind(kind), m_pid(pid), m_pidfd(pidfd), m_exitCode(STILL_ACTIVE)
{
}

ProcessObject::~ProcessObject()
{
    if (m_pidfd >= 0)
        close(m_pidfd);
}

bool ProcessObject::updateLocked()
{
    if (m_ended || m_kind == Kind::Self)
        return m_ended;
    if (m_kind == Kind::Other) {
        if (pidfdReadable(m_pidfd)) {
            m_ended = true;
            m_exitCode = 0;
        }
        return m_ended;
    }
    siginfo_t info;
    std::memset(&info, 0, sizeof info);
    if (waitid(kByPidfd, id_t(m_pidfd), &info, WEXITED | WNOHANG) != 0) {
        // Collected by someone else: ended, with nothing known of how.
        if (errno == ECHILD) {
            m_ended = true;
            m_exitCode = 0;
        }
        return m_ended;
    }
    if (info.si_pid == 0)
        return false;
    m_ended = true;
    m_exitCode = info.si_code == CLD_EXITED ? DWORD(info.si_status) : DWORD(128 + info.si_status);
    return true;
}

bool ProcessObject::isSignalled(const WaitContext&)
{
    std::lock_guard lock(m_mutex);
    return updateLocked();
}

Acquire ProcessObject::tryAcquire(const WaitContext& ctx) { return isSignalled(ctx) ? Acquire::Yes : Acquire::No; }

uint32_t ProcessObject::pollIntervalMs() const { return m_kind == Kind::Other ? kOtherProcessPollMs : 0; }

DWORD ProcessObject::exitCode()
{
    std::lock_guard lock(m_mutex);
    updateLocked();
    return m_exitCode;
}

namespace {

class SpawnSetup {
public:
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

DWORD spawnError(int err)
{
    switch (err) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    default: return vntWin32ErrorFromErrno(err);
    }
}

std::vector<char*> environmentOf(const char* block)
{
    std::vector<char*> entries;
    for (const char* entry = block; *entry; entry += std::strlen(entry) + 1)
        entries.push_back(const_cast<char*>(entry));
    entries.push_back(nullptr);
    return entries;
}

} // namespace

std::shared_ptr<ProcessObject> spawnProcess(const SpawnRequest& request)
{
    if (request.program.empty() || request.args.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    struct stat st;
    if (!request.directory.empty() && (stat(request.directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
        SetLastError(ERROR_DIRECTORY);
        return nullptr;
    }
    SpawnSetup setup;
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &all);
    if (request.newSession)
        flags |= POSIX_SPAWN_SETSID;
    else if (request.newProcessGroup) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&setup.attributes, 0);
    }
    posix_spawnattr_setflags(&setup.attributes, flags);
    for (int i = 0; i < 3; ++i)
        if (request.stdFds[i] >= 0)
            posix_spawn_file_actions_adddup2(&setup.actions, request.stdFds[i], i);
    if (!request.inheritDescriptors)
        posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);
    if (!request.directory.empty())
        posix_spawn_file_actions_addchdir_np(&setup.actions, request.directory.c_str());

    std::vector<char*> argv;
    for (const std::string& arg : request.args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> env = request.environment ? environmentOf(request.environment) : std::vector<char*>{};
    char** envp = request.environment ? env.data() : environ;

    pid_t pid = 0;
    bool searchPath = request.program.find('/') == std::string::npos;
    int err = searchPath ? posix_spawnp(&pid, request.program.c_str(), &setup.actions, &setup.attributes, argv.data(), envp)
                         : posix_spawn(&pid, request.program.c_str(), &setup.actions, &setup.attributes, argv.data(), envp);
    if (err != 0) {
        SetLastError(spawnError(err));
        return nullptr;
    }
    int pidfd = int(syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) {
        int openError = errno;
        std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
        vntSetLastErrorFromErrno(openError);
        return nullptr;
    }
    auto child = std::make_shared<ProcessObject>(ProcessObject::Kind::Child, pid, pidfd);
    if (!ChildReaper::instance().watch(child)) {
        // Without the watcher the child is still reaped, by a thread of its own.
        std::thread([child] {
            siginfo_t info{};
            waitid(kByPidfd, id_t(child->pidfd()), &info, WEXITED | WNOWAIT);
            child->exitCode();
            child->wakeWaiters();
        }).detach();
    }
    return child;
}

std::shared_ptr<ProcessObject> findLiveChild(pid_t pid) { return ChildReaper::instance().find(pid); }

std::shared_ptr<ProcessObject> selfProcessObject()
{
    static auto* self = new std::shared_ptr<ProcessObject>(
        std::make_shared<ProcessObject>(ProcessObject::Kind::Self, getpid(), -1));
    return *self;
}

namespace {
// The current-process pseudo-handle names the same object as the process area's handles.
struct InstallSelf {
    InstallSelf()
    {
        setCurrentProcessObjectFactory([]() -> std::shared_ptr<KernelObject> { return selfProcessObject(); });
    }
} g_installSelf;
} // namespace

} // namespace plat
