#include "plat/afxdll.h"
#include "plat/afxthread.h"
#include "plat/handles.h"
#include "plat/module.h"
#include "plat/process_ids.h"
#include "plat/sync.h"
#include "plat/thread.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

// Records what the framework called, and where.
struct Probe {
    std::atomic<DWORD> initThread{0};
    std::atomic<int> runs{0};
    std::atomic<int> exits{0};
    std::atomic<bool> deleted{false};
};

class WorkerThread : public CWinThread {
public:
    WorkerThread(Probe& probe, BOOL init, int code) : m_probe(probe), m_init(init), m_code(code) {}
    ~WorkerThread() override { m_probe.deleted = true; }
    BOOL InitInstance() override
    {
        m_probe.initThread = GetCurrentThreadId();
        return m_init;
    }
    int Run() override
    {
        ++m_probe.runs;
        return m_code;
    }
    int ExitInstance() override
    {
        ++m_probe.exits;
        return 7;
    }

private:
    Probe& m_probe;
    BOOL m_init;
    int m_code;
};

DWORD waitExitCode(HANDLE thread)
{
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    return code;
}

TEST(AfxThread, InitInstanceThenRunOrExitInstance)
{
    for (BOOL init : {TRUE, FALSE}) {
        Probe probe;
        auto* thread = new WorkerThread(probe, init, 42);
        thread->m_bAutoDelete = FALSE;
        ASSERT_TRUE(thread->CreateThread());
        ASSERT_NE(thread->m_hThread, nullptr);
        EXPECT_EQ(waitExitCode(thread->m_hThread), init ? 42u : 7u);
        EXPECT_EQ(probe.initThread, thread->m_nThreadID);
        EXPECT_EQ(probe.runs, init ? 1 : 0);
        EXPECT_EQ(probe.exits, init ? 0 : 1);
        EXPECT_FALSE(probe.deleted);
        delete thread;
    }
}

TEST(AfxThread, SuspendedStartAndAutoDelete)
{
    Probe probe;
    auto* thread = new WorkerThread(probe, TRUE, 3);
    ASSERT_TRUE(thread->CreateThread(CREATE_SUSPENDED));
    HANDLE copy;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), thread->m_hThread, GetCurrentProcess(), &copy, 0, FALSE,
        DUPLICATE_SAME_ACCESS));
    Sleep(20);
    EXPECT_EQ(probe.runs, 0);
    EXPECT_EQ(thread->ResumeThread(), 1u);
    EXPECT_EQ(waitExitCode(copy), 3u);
    CloseHandle(copy);
    EXPECT_TRUE(probe.deleted);
}

// The default loop ends at WM_QUIT and answers its code.
TEST(AfxThread, DefaultRunIsAMessageLoop)
{
    class LoopThread : public CWinThread {
    public:
        BOOL InitInstance() override { return TRUE; }
    };
    auto* thread = new LoopThread;
    thread->m_bAutoDelete = FALSE;
    ASSERT_TRUE(thread->CreateThread());
    // Wait until the thread has a queue to post to.
    BOOL posted = FALSE;
    for (int i = 0; i < 500 && !posted; ++i) {
        posted = thread->PostThreadMessage(WM_QUIT, 9, 0);
        if (!posted)
            Sleep(2);
    }
    ASSERT_TRUE(posted);
    EXPECT_EQ(waitExitCode(thread->m_hThread), 9u);
    delete thread;
}

TEST(AfxExtension, LibrariesChainNewestFirstAndLeaveWithTheirModule)
{
    AFX_MODULE_STATE* state = AfxGetModuleState();
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->m_hCurrentInstanceHandle, GetModuleHandleA(nullptr));

    AFX_EXTENSION_MODULE first{}, second{};
    EXPECT_FALSE(AfxInitExtensionModule(first, nullptr));
    auto* moduleA = reinterpret_cast<HMODULE>(0x1000);
    auto* moduleB = reinterpret_cast<HMODULE>(0x2000);
    ASSERT_TRUE(AfxInitExtensionModule(first, moduleA));
    ASSERT_TRUE(AfxInitExtensionModule(second, moduleB));
    CDynLinkLibrary* before = state->m_libraryList.GetHead();
    auto* a = new CDynLinkLibrary(first);
    auto* b = new CDynLinkLibrary(second, TRUE);
    EXPECT_EQ(state->m_libraryList.GetHead(), b);
    EXPECT_EQ(CDynLinkLibraryList::GetNext(b), a);
    EXPECT_EQ(CDynLinkLibraryList::GetNext(a), before);
    EXPECT_TRUE(b->IsKindOf(RUNTIME_CLASS(CDynLinkLibrary)));
    EXPECT_EQ(b->m_hModule, moduleB);

    AfxTermExtensionModule(first);
    EXPECT_EQ(state->m_libraryList.GetHead(), b);
    EXPECT_EQ(CDynLinkLibraryList::GetNext(b), before);
    delete b;
    EXPECT_EQ(state->m_libraryList.GetHead(), before);
    AfxTermExtensionModule(second);
}

TEST(AfxExtension, GlobalLocksAreRecursiveAndExclusive)
{
    AfxLockGlobals(CRIT_DYNLINKLIST);
    AfxLockGlobals(CRIT_DYNLINKLIST);
    std::atomic<bool> entered{false};
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    struct Args {
        std::atomic<bool>* entered;
        HANDLE done;
    } args{&entered, done};
    HANDLE other = ::CreateThread(nullptr, 0, [](LPVOID p) -> DWORD {
        auto* a = static_cast<Args*>(p);
        AfxLockGlobals(CRIT_DYNLINKLIST);
        *a->entered = true;
        AfxUnlockGlobals(CRIT_DYNLINKLIST);
        SetEvent(a->done);
        return 0;
    }, &args, 0, nullptr);
    Sleep(30);
    EXPECT_FALSE(entered);
    AfxUnlockGlobals(CRIT_DYNLINKLIST);
    AfxUnlockGlobals(CRIT_DYNLINKLIST);
    EXPECT_EQ(WaitForSingleObject(done, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(entered);
    WaitForSingleObject(other, 5000);
    CloseHandle(other);
    CloseHandle(done);
}

} // namespace
