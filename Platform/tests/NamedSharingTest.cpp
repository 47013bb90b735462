#include "plat/errors.h"
#include "plat/handles.h"
#include "plat/mapping.h"
#include "plat/sync.h"
#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <cstdio>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// A helper process running plat_helper_named_objects, its first output line read back.
class Helper {
public:
    Helper(const char* command, const char* name)
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string program = std::string(VNT_BIN_DIR) + "/plat_helper_named_objects";
        char* argv[] = {program.data(), const_cast<char*>(command), const_cast<char*>(name), nullptr};
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        m_out = fdopen(out[0], "r");
    }
    ~Helper()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out)
            fclose(m_out);
    }

    std::string line()
    {
        char buffer[256] = {};
        if (!m_out || !fgets(buffer, sizeof buffer, m_out))
            return "(no answer)";
        std::string text(buffer);
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        return text;
    }

    int wait()
    {
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void kill9()
    {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    FILE* m_out = nullptr;
};

TEST(NamedSharing, EventHeldByAnotherProcessExistsUntilThatProcessDies)
{
    Helper helper("event", "E");
    ASSERT_EQ(helper.line(), "ready");
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, "E");
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    CloseHandle(event);

    // Killed outright, it leaves nothing that looks alive.
    helper.kill9();
    event = CreateEventA(nullptr, TRUE, FALSE, "E");
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    CloseHandle(event);
}

TEST(NamedSharing, OtherProcessSetsAnEventWaitedOnWithLocalOnes)
{
    HANDLE local = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE named = CreateEventA(nullptr, FALSE, FALSE, "vnt.sharing.set");
    HANDLE both[2] = {local, named};
    Helper helper("set", "vnt.sharing.set");
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 10000), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(helper.line(), "ok");
    EXPECT_EQ(helper.wait(), 0);
    EXPECT_EQ(WaitForSingleObject(named, 0), WAIT_TIMEOUT); // auto reset
    CloseHandle(local);
    CloseHandle(named);
}

TEST(NamedSharing, SemaphoreRaisedByAnotherProcessWakesTheWaiter)
{
    HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 1, "vnt.sharing.sem");
    ASSERT_NE(semaphore, nullptr);
    Helper helper("release", "vnt.sharing.sem");
    EXPECT_EQ(WaitForSingleObject(semaphore, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(helper.line(), "ok 0");
    EXPECT_EQ(helper.wait(), 0);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_TIMEOUT);
    CloseHandle(semaphore);
}

TEST(NamedSharing, MutexLeftHeldByAnEndedProcessIsAbandoned)
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "vnt.sharing.mutex");
    ASSERT_NE(mutex, nullptr);
    Helper helper("take", "vnt.sharing.mutex");
    ASSERT_EQ(helper.line(), "ready");
    EXPECT_EQ(helper.wait(), 0);
    EXPECT_EQ(WaitForSingleObject(mutex, 10000), WAIT_ABANDONED);
    // Ours now, recursively; another release than ours fails.
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_OWNER));
    CloseHandle(mutex);
}

TEST(NamedSharing, TwoProcessesSeeEachOthersWritesUntilTheLastHolderCloses)
{
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 2 * 65536, "vnt.sharing.map");
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    auto* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    std::strcpy(view, "from the parent");
    Helper helper("mapping", "vnt.sharing.map");
    EXPECT_EQ(helper.line(), "ok");
    EXPECT_EQ(helper.wait(), 0);
    EXPECT_STREQ(view + 65536, "from the helper");

    // The view alone keeps it alive; then it is gone.
    CloseHandle(mapping);
    HANDLE again = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "vnt.sharing.map");
    ASSERT_NE(again, nullptr);
    CloseHandle(again);
    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_EQ(OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "vnt.sharing.map"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST(NamedSharing, ObjectFilesAreTheOwnersAlone)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, "vnt.sharing.mode");
    ASSERT_NE(event, nullptr);
    bool found = false;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(vnt::test::testHome())) {
        if (entry.path().filename().string().find("vnt.sharing.mode") == std::string::npos)
            continue;
        found = true;
        struct stat st;
        ASSERT_EQ(stat(entry.path().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
    EXPECT_TRUE(found);
    CloseHandle(event);
}

} // namespace
