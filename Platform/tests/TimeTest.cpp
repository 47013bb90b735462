#include "plat/clock.h"
#include "plat/errors.h"
#include "plat/thread.h"
#include "plat/time.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

uint64_t value(const FILETIME& ft) { return uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime; }

FILETIME fileTime(uint64_t v) { return FILETIME{DWORD(v), DWORD(v >> 32)}; }

TEST(Time, TickCountWrapsAt32Bits)
{
    vnt::test::ManualClock clock;
    clock.setTick(0xFFFFFFF0u);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    clock.advance(0x20);
    EXPECT_EQ(GetTickCount(), 0x10u);
    EXPECT_EQ(GetTickCount64(), 0x100000010ull);
    // Differences taken across the wrap stay right in 32-bit arithmetic.
    EXPECT_EQ(DWORD(GetTickCount() - 0xFFFFFFF0u), 0x20u);
}

TEST(Time, EveryClockReadingFollowsTheInstalledClock)
{
    vnt::test::ManualClock clock;
    FILETIME before, after;
    GetSystemTimeAsFileTime(&before);
    LARGE_INTEGER qpcBefore, qpcAfter, frequency;
    QueryPerformanceCounter(&qpcBefore);
    QueryPerformanceFrequency(&frequency);
    clock.advance(1500);
    GetSystemTimeAsFileTime(&after);
    QueryPerformanceCounter(&qpcAfter);
    EXPECT_EQ(value(after) - value(before), 1500u * 10000u);
    EXPECT_EQ(qpcAfter.QuadPart - qpcBefore.QuadPart, frequency.QuadPart * 3 / 2);
}

TEST(Time, ManualClockHeldAfterItsEndRunsInRealTime)
{
    std::shared_ptr<plat::Clock> held;
    {
        vnt::test::ManualClock clock;
        held = plat::currentClock();
        clock.setTick(5000);
    }
    EXPECT_NE(plat::currentClock(), held);
    plat::WakeSignal signal;
    uint64_t start = held->tickMs();
    EXPECT_GE(start, 5000u);
    held->block(signal, start + 30, plat::WakeSignal::kNoLimit);
    EXPECT_GE(held->tickMs(), start + 30);
}

TEST(Time, RealClockMovesForward)
{
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    DWORD tick = GetTickCount();
    Sleep(20);
    QueryPerformanceCounter(&b);
    EXPECT_GE(GetTickCount() - tick, 20u);
    EXPECT_GT(b.QuadPart, a.QuadPart);
    SYSTEMTIME now;
    GetSystemTime(&now);
    EXPECT_GE(now.wYear, 2024);
}

TEST(Time, SystemTimeAndFileTimeConvertBothWays)
{
    struct Case {
        SYSTEMTIME st;
        uint64_t ft;
    } cases[] = {
        {{1601, 1, 1, 1, 0, 0, 0, 0}, 0},
        {{1970, 1, 4, 1, 0, 0, 0, 0}, 116444736000000000ull},
        {{2000, 2, 2, 29, 12, 34, 56, 789}, 125963012967890000ull},
        {{30827, 12, 5, 31, 23, 59, 59, 999}, 0x7FFF35F4F06C58F0ull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.st.wYear);
        FILETIME ft;
        ASSERT_TRUE(SystemTimeToFileTime(&c.st, &ft));
        EXPECT_EQ(value(ft), c.ft);
        SYSTEMTIME back;
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
        EXPECT_EQ(std::memcmp(&back, &c.st, sizeof back), 0)
            << back.wYear << "-" << back.wMonth << "-" << back.wDay << " dow " << back.wDayOfWeek;
    }
}

TEST(Time, OutOfRangeFieldsAreRefused)
{
    SYSTEMTIME bad[] = {
        {1600, 12, 0, 31, 0, 0, 0, 0},
        {2001, 2, 0, 29, 0, 0, 0, 0},
        {2000, 13, 0, 1, 0, 0, 0, 0},
        {2000, 1, 0, 0, 0, 0, 0, 0},
        {2000, 1, 0, 1, 24, 0, 0, 0},
        {2000, 1, 0, 1, 0, 60, 0, 0},
        {2000, 1, 0, 1, 0, 0, 60, 0},
        {2000, 1, 0, 1, 0, 0, 0, 1000},
    };
    for (const SYSTEMTIME& st : bad) {
        FILETIME ft;
        SetLastError(0);
        EXPECT_FALSE(SystemTimeToFileTime(&st, &ft)) << st.wYear << "-" << st.wMonth << "-" << st.wDay;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    }
    FILETIME huge = fileTime(0x8000000000000000ull);
    SYSTEMTIME st;
    EXPECT_FALSE(FileTimeToSystemTime(&huge, &st));
}

class LocalZone : public testing::Test {
protected:
    void SetUp() override
    {
        const char* tz = std::getenv("TZ");
        m_had = tz != nullptr;
        if (tz)
            m_old = tz;
        // Central European time, spelt out so that no zone database is needed.
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
    void TearDown() override
    {
        if (m_had)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_had = false;
    std::string m_old;
};

TEST_F(LocalZone, LocalFileTimeUsesTheOffsetInForceThen)
{
    struct Case {
        SYSTEMTIME utc;
        int hours;
    } cases[] = {
        {{2023, 1, 0, 15, 12, 0, 0, 0}, 1},
        {{2023, 7, 0, 15, 12, 0, 0, 0}, 2},
    };
    for (const Case& c : cases) {
        FILETIME utc, local, back;
        ASSERT_TRUE(SystemTimeToFileTime(&c.utc, &utc));
        ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
        EXPECT_EQ(int64_t(value(local) - value(utc)), int64_t(c.hours) * 36000000000LL);
        ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
        EXPECT_EQ(value(back), value(utc));
    }
}

TEST_F(LocalZone, LocalTimeIsSystemTimeShifted)
{
    vnt::test::ManualClock clock;
    SYSTEMTIME utc, local;
    GetSystemTime(&utc);
    GetLocalTime(&local);
    FILETIME u, l, shifted;
    SystemTimeToFileTime(&utc, &u);
    SystemTimeToFileTime(&local, &l);
    FileTimeToLocalFileTime(&u, &shifted);
    EXPECT_EQ(value(shifted), value(l));
}

} // namespace
