#include "plat/errors.h"
#include "plat/handles.h"
#include "plat/sync.h"
#include "plat/thread.h"

#include <gtest/gtest.h>

namespace {

TEST(NamedObject, SecondCreateSharesTheObjectAndSaysSo)
{
    HANDLE first = CreateEventA(nullptr, TRUE, FALSE, "vnt.test.event");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    HANDLE second = CreateEventA(nullptr, FALSE, TRUE, "vnt.test.event");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    // The existing object keeps its own mode and state.
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_TIMEOUT);
    SetEvent(first);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);

    HANDLE opened = OpenEventA(EVENT_ALL_ACCESS, FALSE, "vnt.test.event");
    ASSERT_NE(opened, nullptr);
    ResetEvent(opened);
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_TIMEOUT);

    // The name belongs to an event: other kinds cannot take or open it.
    EXPECT_EQ(CreateMutexA(nullptr, FALSE, "vnt.test.event"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, "vnt.test.event"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));

    for (HANDLE h : {first, second, opened})
        CloseHandle(h);
    // The last handle gone, the name is free again.
    EXPECT_EQ(OpenEventA(EVENT_ALL_ACCESS, FALSE, "vnt.test.event"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "vnt.test.event");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    CloseHandle(mutex);
}

TEST(NamedObject, NamedSemaphoreAndMutexWork)
{
    HANDLE sem = CreateSemaphoreA(nullptr, 0, 2, "vnt.test.sem");
    HANDLE again = OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, "vnt.test.sem");
    ASSERT_NE(again, nullptr);
    LONG previous = -1;
    EXPECT_TRUE(ReleaseSemaphore(again, 2, &previous));
    EXPECT_EQ(previous, 0);
    EXPECT_FALSE(ReleaseSemaphore(sem, 1, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TOO_MANY_POSTS));
    EXPECT_EQ(WaitForSingleObject(sem, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(again, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(sem, 0), WAIT_TIMEOUT);

    HANDLE mutex = CreateMutexA(nullptr, TRUE, "vnt.test.mutex");
    HANDLE same = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "vnt.test.mutex");
    EXPECT_EQ(WaitForSingleObject(same, 0), WAIT_OBJECT_0); // recursive for its owner
    EXPECT_TRUE(ReleaseMutex(same));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_OWNER));
    for (HANDLE h : {sem, again, mutex, same})
        CloseHandle(h);
}

DWORD takeNamedAndEnd(LPVOID)
{
    HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "vnt.test.left");
    return WaitForSingleObject(mutex, 0); // ends holding it; its handle stays open
}

TEST(NamedObject, NamedMutexLeftByAnEndedThreadIsAbandoned)
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "vnt.test.left");
    HANDLE thread = CreateThread(nullptr, 0, takeNamedAndEnd, nullptr, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, WAIT_OBJECT_0);
    // Given up by the thread as it ended, before its handle was signalled.
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(thread);
    CloseHandle(mutex);
}

} // namespace
