#include "LogFileReader.h"

#include "vbEngine.h"
#include "vbException.h"
#include "vbMsg.h"

#include "plat/handles.h"
#include "plat/message.h"
#include "plat/sync.h"
#include "plat/thread.h"
#include "plat/timer.h"
#include "plat/window.h"

#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::string takeEsys(vbEsys* e)
{
    std::string msg = e->GetMsg();
    e->Delete();
    return msg;
}

TEST(vbMsgEngine, NumbersRunFrom0x8000To0xBFFFAndNoFurther)
{
    vbUseEngineCenter use(&g_vbEngineCenter, false);
    vbMsg first("first message");
    ASSERT_EQ(static_cast<DWORD>(first), 0x8000u);
    EXPECT_TRUE(g_vbMsgEngine.isNowStarted()) << "the first use of a message starts the centre of messages";

    // The table only stores the message: one object fills every slot.
    int index = 1;
    while (index < vbMsgEngine::kMaxMessages)
        index = g_vbMsgEngine.Add(&first);
    EXPECT_EQ(0x7FFFu + static_cast<DWORD>(index), 0xBFFFu);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            g_vbMsgEngine.Add(&first);
            ADD_FAILURE() << "no slot is left";
        } catch (vbEsys* e) {
            EXPECT_EQ(takeEsys(e), "vbMsgEngine::Add() : too many messages");
        }
    }
    g_vbMsgEngine.Remove(300);
    EXPECT_EQ(g_vbMsgEngine.Add(&first), 300);
    try {
        g_vbMsgEngine.Remove(vbMsgEngine::kMaxMessages + 1);
        ADD_FAILURE() << "no such slot";
    } catch (vbEsys* e) {
        EXPECT_EQ(takeEsys(e), "vbArray.operator[](16385) failure, bad index");
    }
}

TEST(vbMsgEngine, ARestartedMessageTakesTheLowestFreeNumber)
{
    vbUseEngineCenter use(&g_vbEngineCenter, false);
    vbMsg a("a");
    vbMsg b("b");
    vbMsg c("c");
    EXPECT_EQ(a.GetMsg(), 0x7FFFu) << "not started yet";
    const DWORD base = a;
    EXPECT_EQ(static_cast<DWORD>(b), base + 1);
    EXPECT_EQ(static_cast<DWORD>(c), base + 2);

    b.Stop();
    a.Stop();
    EXPECT_EQ(b.GetMsg(), 0x7FFFu);
    EXPECT_EQ(static_cast<DWORD>(b), base);
    EXPECT_EQ(static_cast<DWORD>(a), base + 1);

    // Stopping the centre of messages stops its messages first.
    g_vbMsgEngine.Stop();
    EXPECT_FALSE(c.isNowStarted());
    EXPECT_EQ(static_cast<DWORD>(c), base);
}

TEST(vbExtraMsg, NumberedSystemWideByLabel)
{
    vbUseEngineCenter use(&g_vbEngineCenter, false);
    vbExtraMsg plain("KVX test registered message");
    vbExtraDataMsg data("KVX test registered message");
    const DWORD id = plain;
    EXPECT_GE(id, 0xC000u);
    EXPECT_EQ(id, RegisterWindowMessageA("kvx TEST registered message"));
    EXPECT_EQ(static_cast<DWORD>(data), id);

    void* itf = nullptr;
    EXPECT_TRUE(data.GetInterface(IID_vbExtraDataMsg, &itf));
    EXPECT_FALSE(data.GetInterface(IID_vbExtraMsg, &itf));
    EXPECT_TRUE(plain.GetInterface(IID_vbEngine, &itf));

    vbExtraMsg bad("");
    try {
        static_cast<void>(static_cast<DWORD>(bad));
        ADD_FAILURE() << "an empty name is refused";
    } catch (vbEsys* e) {
        EXPECT_EQ(takeEsys(e), "vbExtraMsg()::onStart() : RegisterWindowMessage failure");
    }
}

TEST(vbDoOneEvent, AQuitMessageIsPutBackForTheLoopThatOwnsIt)
{
    PostQuitMessage(7);
    bool quit = false;
    EXPECT_FALSE(vbDoOneEvent(&quit));
    EXPECT_TRUE(quit);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(vbDoOneEvent(nullptr));
}

TEST(vbDoOneEvent, DispatchesOneMessageKeepingTheExtraInfo)
{
    SetMessageExtraInfo(42);
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_USER, 1, 2));
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_COMMAND, 3, 4));
    EXPECT_TRUE(vbDoCmdEvent()) << "takes the command first";
    EXPECT_FALSE(vbDoCmdEvent());
    EXPECT_TRUE(vbDoOneEvent());
    EXPECT_FALSE(vbDoOneEvent());
    EXPECT_EQ(GetMessageExtraInfo(), 42);
}

void CALLBACK throwingTimer(HWND, UINT, UINT_PTR, DWORD) { throw new vbEsys("thrown while dispatching"); }

TEST(vbDoOneEvent, AnExceptionOfTheDispatchIsShownAndCountsAsHandled)
{
    vnt::test::ManualClock clock;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, throwingTimer);
    ASSERT_NE(timer, 0u);
    clock.advance(20);
    EXPECT_TRUE(vbDoOneEvent());
    KillTimer(nullptr, timer);
    EXPECT_NE(readLogFile().find("(Can't show MBox) System error"), std::string::npos);
    EXPECT_NE(readLogFile().find("thrown while dispatching"), std::string::npos);
}

TEST(vbPostThreadMessage, AThreadThatHasEndedIsLeftSilently)
{
    vnt::test::ManualClock clock(true);
    DWORD tid = 0;
    HANDLE thread = CreateThread(nullptr, 0, [](LPVOID) -> DWORD { return 0; }, nullptr, 0, &tid);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    vbPostThreadMessage(thread, tid, WM_USER, 0, 0);
    try {
        vbPostThreadMessage(tid, WM_USER, 0, 0);
        ADD_FAILURE() << "the id form retries and fails";
    } catch (vbEsys* e) {
        EXPECT_EQ(e->GetRealHR(), HRESULT_FROM_WIN32(ERROR_INVALID_THREAD_ID));
        EXPECT_EQ(takeEsys(e), "vbPostThreadMessage() failure");
    }
    CloseHandle(thread);
}

TEST(vbPostMessage, AWindowThatDoesNotExistIsReported)
{
    try {
        vbPostMessage(reinterpret_cast<HWND>(uintptr_t{0x1234}), WM_USER, 0, 0);
        ADD_FAILURE();
    } catch (vbEsys* e) {
        EXPECT_EQ(takeEsys(e), "vbPostExternalMessage(), hWnd=1234 isn't a window !");
    }
}

// A window of its own thread, which takes no message until the test lets it end.
class FullWindowThread {
public:
    FullWindowThread()
    {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "vbMsgTest full window";
        RegisterClassExA(&wc);
        m_ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = CreateThread(nullptr, 0, &FullWindowThread::run, this, 0, nullptr);
        WaitForSingleObject(m_ready, INFINITE);
        // Fill its queue to the limit.
        while (PostMessageA(hwnd, WM_USER, 0, 0)) {
        }
    }
    ~FullWindowThread()
    {
        SetEvent(m_done);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        CloseHandle(m_done);
        CloseHandle(m_ready);
        UnregisterClassA("vbMsgTest full window", nullptr);
    }
    FullWindowThread(const FullWindowThread&) = delete;
    FullWindowThread& operator=(const FullWindowThread&) = delete;

    HWND hwnd = nullptr;

private:
    static DWORD run(LPVOID p)
    {
        auto* self = static_cast<FullWindowThread*>(p);
        self->hwnd = CreateWindowExA(0, "vbMsgTest full window", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        SetEvent(self->m_ready);
        WaitForSingleObject(self->m_done, INFINITE);
        DestroyWindow(self->hwnd);
        return 0;
    }

    HANDLE m_ready;
    HANDLE m_done;
    HANDLE m_thread;
};

TEST(vbPostMessage, AFullQueueOfAnotherThreadIsRetriedForAboutFiveSeconds)
{
    FullWindowThread other;
    ASSERT_NE(other.hwnd, nullptr);
    vnt::test::ManualClock clock(true);
    const uint64_t before = clock.tick();
    try {
        vbPostMessage(other.hwnd, WM_USER, 0, 0);
        ADD_FAILURE() << "the queue stays full";
    } catch (vbEsys* e) {
        EXPECT_EQ(e->GetRealHR(), HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_QUOTA));
        EXPECT_EQ(takeEsys(e), "vbPostExternalMessage() failure");
    }
    EXPECT_GE(clock.tick() - before, 4900u);
    EXPECT_LE(clock.tick() - before, 5100u);
}

TEST(vbPostMessage, AFullQueueOfTheCallingThreadFailsAtOnce)
{
    vnt::test::ManualClock clock(true);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue exists from here on
    while (PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, 0)) {
    }
    const uint64_t before = clock.tick();
    try {
        vbPostMessage(static_cast<HWND>(nullptr), WM_USER, 0, 0);
        ADD_FAILURE() << "the queue is full";
    } catch (vbEsys* e) {
        EXPECT_EQ(takeEsys(e), "vbPostMessage() failure");
    }
    EXPECT_EQ(clock.tick(), before);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

} // namespace
