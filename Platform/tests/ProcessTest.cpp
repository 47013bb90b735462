#include "process/CommandLine.h"

#include "plat/errors.h"
#include "plat/handles.h"
#include "plat/process.h"
#include "plat/security.h"
#include "plat/sync.h"
#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <csignal>
#include <fstream>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const std::string kChild = std::string(VNT_BIN_DIR) + "/plat_helper_child";

struct Started {
    PROCESS_INFORMATION info{};
    bool ok = false;
};

Started start(const std::string& commandLine, DWORD flags = 0, const char* directory = nullptr,
    BOOL inherit = FALSE, const char* environment = nullptr)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = 0; // hidden
    std::string line = commandLine;
    Started started;
    started.ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, inherit, flags,
                     const_cast<char*>(environment), directory, &startup, &started.info)
        != FALSE;
    return started;
}

void closeBoth(const PROCESS_INFORMATION& info)
{
    EXPECT_TRUE(CloseHandle(info.hThread));
    EXPECT_TRUE(CloseHandle(info.hProcess));
}

// True once the process is no longer a child of ours that waits to be collected.
bool reaped(pid_t pid)
{
    siginfo_t info{};
    return waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 && errno == ECHILD;
}

bool eventually(const std::function<bool()>& condition)
{
    for (int i = 0; i < 500; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Keeps a child running until release: the child reads a pipe whose writing end only this holds.
class Holder {
public:
    Holder()
    {
        if (pipe(m_pipe) != 0 || fcntl(m_pipe[1], F_SETFD, FD_CLOEXEC) != 0)
            ADD_FAILURE() << "no pipe";
    }
    ~Holder()
    {
        release();
        if (m_pipe[0] >= 0)
            close(m_pipe[0]);
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    // The child inherits the reading end.
    Started startChild() { return start(kChild + " wait " + std::to_string(m_pipe[0]), 0, nullptr, TRUE); }
    void release()
    {
        if (m_pipe[1] >= 0)
            close(m_pipe[1]);
        m_pipe[1] = -1;
    }
    // In a forked child, which has a copy of the writing end to drop first.
    void awaitRelease()
    {
        release();
        char byte;
        while (read(m_pipe[0], &byte, 1) > 0) {
        }
    }

private:
    int m_pipe[2] = {-1, -1};
};

std::vector<std::string> readLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string reportValue(const std::vector<std::string>& lines, const std::string& key)
{
    for (const std::string& line : lines)
        if (line.rfind(key + ":", 0) == 0)
            return line.substr(key.size() + 1);
    return "?";
}

TEST(Process, CommandLinesSplitByTheWindowsRules)
{
    struct Case {
        const char* line;
        std::vector<std::string> args;
    } cases[] = {
        {"prog a b", {"prog", "a", "b"}},
        {"  \"C:\\Program Files\\x.exe\"  a\t\tb ", {"C:\\Program Files\\x.exe", "a", "b"}},
        {"prog \"b c\" d", {"prog", "b c", "d"}},
        {"prog a\"b c\"d", {"prog", "ab cd"}},
        {"prog \\\\\\\"x \\\\\"y z\" w\\", {"prog", "\\\"x", "\\y z", "w\\"}},
        {"prog \"a\"\"b\" \"\"", {"prog", "a\"b", ""}},
        {"pro\\g\\ \"q", {"pro\\g\\", "q"}},
        {"   ", {}},
    };
    for (const Case& test : cases)
        EXPECT_EQ(plat::splitCommandLine(test.line), test.args) << test.line;
    EXPECT_EQ(plat::splitArguments("\"a b\" c"), (std::vector<std::string>{"a b", "c"}));
}

TEST(Process, ExitCodeIsKeptAndTheChildIsReaped)
{
    Started child = start("\"" + kChild + "\" exit 7");
    ASSERT_TRUE(child.ok) << GetLastError();
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(child.info.hProcess, &code));
    EXPECT_EQ(code, 7u);
    // Ended processes stay signalled for every later wait, through either handle.
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(child.info.hThread, 0), WAIT_OBJECT_0);
    pid_t pid = pid_t(child.info.dwProcessId);
    closeBoth(child.info);
    EXPECT_TRUE(eventually([&] { return reaped(pid); }));
}

TEST(Process, ChildWhoseHandlesAreClosedEarlyIsStillReaped)
{
    Holder holder;
    Started child = holder.startChild();
    ASSERT_TRUE(child.ok);
    pid_t pid = pid_t(child.info.dwProcessId);
    closeBoth(child.info);
    EXPECT_FALSE(reaped(pid));
    holder.release();
    EXPECT_TRUE(eventually([&] { return reaped(pid); }));
}

TEST(Process, RunningChildIsStillActiveUntilItEnds)
{
    Holder holder;
    Started waiter = holder.startChild();
    Started quick = start(kChild + " exit 0");
    ASSERT_TRUE(waiter.ok && quick.ok);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(waiter.info.hProcess, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(waiter.info.hProcess, 0), WAIT_TIMEOUT);
    HANDLE both[2] = {waiter.info.hProcess, quick.info.hProcess};
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 10000), WAIT_OBJECT_0 + 1);
    holder.release();
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 10000), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeProcess(waiter.info.hProcess, &code));
    EXPECT_EQ(code, 0u);
    closeBoth(waiter.info);
    closeBoth(quick.info);
}

TEST(Process, KilledChildReportsTheSignal)
{
    Started child = start(kChild + " sleep 10000 0");
    ASSERT_TRUE(child.ok);
    kill(pid_t(child.info.dwProcessId), SIGKILL);
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(child.info.hProcess, &code));
    EXPECT_EQ(code, 128u + SIGKILL);
    closeBoth(child.info);
}

TEST(Process, ChildGetsArgumentsFolderSessionAndEnvironment)
{
    std::string home = vnt::test::testHome().string();
    std::string report = home + "/report";
    // A descriptor without close-on-exec: only an inheriting start passes it on.
    int leaked = open("/dev/null", O_RDONLY);
    ASSERT_GE(leaked, 0);

    Started child = start(kChild + " report " + report + " a \"b c\" \\\"q\\\"", DETACHED_PROCESS, home.c_str());
    ASSERT_TRUE(child.ok);
    ASSERT_EQ(WaitForSingleObject(child.info.hProcess, 10000), WAIT_OBJECT_0);
    closeBoth(child.info);
    auto lines = readLines(report);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3),
        (std::vector<std::string>{"arg:a", "arg:b c", "arg:\"q\""}));
    EXPECT_EQ(reportValue(lines, "cwd"), home);
    EXPECT_EQ(reportValue(lines, "leader"), "1");
    EXPECT_EQ(reportValue(lines, "env"), "-");
    std::string isolatedFds = reportValue(lines, "fds");

    const char environment[] = "VNT_PROBE=seen\0OTHER=1\0";
    child = start(kChild + " report " + report, 0, nullptr, TRUE, environment);
    ASSERT_TRUE(child.ok);
    ASSERT_EQ(WaitForSingleObject(child.info.hProcess, 10000), WAIT_OBJECT_0);
    closeBoth(child.info);
    lines = readLines(report);
    EXPECT_EQ(reportValue(lines, "leader"), "0");
    EXPECT_EQ(reportValue(lines, "env"), "seen");
    EXPECT_GT(std::stoi(reportValue(lines, "fds")), std::stoi(isolatedFds));
    close(leaked);
}

TEST(Process, ApplicationNameIsAFileNotAPathSearch)
{
    std::string oldPath = std::getenv("PATH");
    std::string path = std::string(VNT_BIN_DIR) + ":" + oldPath;
    // Found through PATH as the command line's first word ...
    setenv("PATH", path.c_str(), 1);
    Started child = start("plat_helper_child exit 4");
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_TRUE(child.ok);
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(child.info.hProcess, &code));
    EXPECT_EQ(code, 4u);
    closeBoth(child.info);

    // ... while as the application name it is a file in the current folder, the command line
    // still giving the arguments.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    char line[] = "whatever exit 6";
    setenv("PATH", path.c_str(), 1);
    EXPECT_FALSE(CreateProcessA("plat_helper_child", line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    ASSERT_TRUE(CreateProcessA(kChild.c_str(), line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, 6u);
    closeBoth(info);
}

TEST(Process, StartFailuresAreReported)
{
    struct Case {
        std::string line;
        const char* directory;
        DWORD flags;
        DWORD error;
    } cases[] = {
        {"/no/such/program", nullptr, 0, ERROR_FILE_NOT_FOUND},
        {"no-such-program-on-the-path-xyz a", nullptr, 0, ERROR_FILE_NOT_FOUND},
        {"C:\\tools\\prog.exe", nullptr, 0, ERROR_PATH_NOT_FOUND},
        {kChild + " exit 0", "/no/such/folder", 0, ERROR_DIRECTORY},
        {kChild + " exit 0", nullptr, 0x4 /* CREATE_SUSPENDED */, ERROR_NOT_SUPPORTED},
        {"", nullptr, 0, ERROR_INVALID_PARAMETER},
    };
    for (const Case& test : cases) {
        SetLastError(0);
        Started started = start(test.line, test.flags, test.directory);
        EXPECT_FALSE(started.ok) << test.line;
        EXPECT_EQ(GetLastError(), test.error) << test.line;
    }
}

TEST(Process, OpenProcessTellsWhetherAProcessLives)
{
    // Our own process never ends while we look.
    HANDLE self = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, DWORD(getpid()));
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(WaitForSingleObject(self, 0), WAIT_TIMEOUT);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(self, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    ASSERT_TRUE(GetExitCodeProcess(GetCurrentProcess(), &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    // The handle names this process for its token too.
    HANDLE token = nullptr;
    EXPECT_TRUE(OpenProcessToken(self, TOKEN_QUERY, &token));
    CloseHandle(token);
    CloseHandle(self);
    // So does a real handle made from the pseudo-handle.
    HANDLE duplicate = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &duplicate, 0, FALSE,
        DUPLICATE_SAME_ACCESS));
    EXPECT_EQ(WaitForSingleObject(duplicate, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(OpenProcessToken(duplicate, TOKEN_QUERY, &token));
    CloseHandle(token);
    CloseHandle(duplicate);

    // A child opened by id shares what its first handle knows.
    Started child = start(kChild + " sleep 200 5");
    ASSERT_TRUE(child.ok);
    HANDLE opened = OpenProcess(SYNCHRONIZE, FALSE, child.info.dwProcessId);
    ASSERT_NE(opened, nullptr);
    closeBoth(child.info);
    EXPECT_EQ(WaitForSingleObject(opened, 10000), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeProcess(opened, &code));
    EXPECT_EQ(code, 5u);
    CloseHandle(opened);

    // Someone else's process: its end is seen.
    Holder holder;
    pid_t other = fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        holder.awaitRelease();
        _exit(0);
    }
    HANDLE watched = OpenProcess(SYNCHRONIZE, FALSE, DWORD(other));
    ASSERT_NE(watched, nullptr);
    EXPECT_EQ(WaitForSingleObject(watched, 0), WAIT_TIMEOUT);
    holder.release();
    EXPECT_EQ(WaitForSingleObject(watched, 10000), WAIT_OBJECT_0);
    CloseHandle(watched);
    waitpid(other, nullptr, 0);

    SetLastError(0);
    EXPECT_EQ(OpenProcess(SYNCHRONIZE, FALSE, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(OpenProcess(SYNCHRONIZE, FALSE, DWORD(other)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

} // namespace
