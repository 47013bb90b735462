#include "plat/errors.h"
#include "plat/handles.h"
#include "plat/sync.h"
#include "plat/testhooks.h"
#include "plat/thread.h"

#include <gtest/gtest.h>

namespace {

DWORD quick(LPVOID) { return 5; }

TEST(TestHooks, ThreadCreationsFailAsManyTimesAsArmed)
{
    vntTestFailNextThreadCreations(2);
    for (int i = 0; i < 2; ++i) {
        SetLastError(0);
        EXPECT_EQ(CreateThread(nullptr, 0, quick, nullptr, 0, nullptr), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    }
    HANDLE thread = CreateThread(nullptr, 0, quick, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    CloseHandle(thread);
}

TEST(TestHooks, ArmedWaitsOnAMutexAnswerAbandonedAndStillOwnIt)
{
    for (const char* name : {static_cast<const char*>(nullptr), "TestHooks.abandoned"}) {
        HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
        ASSERT_NE(mutex, nullptr);
        HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
        EXPECT_FALSE(vntTestAbandonNextWaits(event, 1));
        EXPECT_TRUE(vntTestAbandonNextWaits(mutex, 2));
        HANDLE both[] = {event, mutex};
        EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0) << "other objects are not touched";
        EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_ABANDONED);
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_ABANDONED);
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_TRUE(vntTestAbandonNextWaits(mutex, 1));
        EXPECT_TRUE(vntTestAbandonNextWaits(mutex, 0));
        EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
        EXPECT_TRUE(ReleaseMutex(mutex));
        CloseHandle(event);
        CloseHandle(mutex);
    }
}

} // namespace
