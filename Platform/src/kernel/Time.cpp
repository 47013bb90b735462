#include "plat/clock.h"
#include "plat/errors.h"
#include "plat/time.h"

#include <ctime>

namespace {

constexpr int64_t kPerMs = 10000;
constexpr int64_t kPerSecond = 10000000;
constexpr int64_t kPerDay = kPerSecond * 86400;
// Days from 1 January 1601 to 1 January 1970, and seconds likewise.
constexpr int64_t kDays1601To1970 = 134774;
constexpr int64_t kSeconds1601To1970 = kDays1601To1970 * 86400;
// The last moment a SYSTEMTIME can hold (year 30827) ends below this file time.
constexpr uint64_t kMaxFileTime = 0x7FFFFFFFFFFFFFFFull;

bool isLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int64_t y, int m)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

// Days since 1 January 1970 of a civil date (proleptic Gregorian).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

void civilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = int64_t(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

uint64_t fromFileTime(const FILETIME& ft) { return uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime; }

FILETIME toFileTime(uint64_t value) { return FILETIME{DWORD(value), DWORD(value >> 32)}; }

SYSTEMTIME toSystemTime(uint64_t value)
{
    int64_t days = int64_t(value / uint64_t(kPerDay));
    int64_t rest = int64_t(value % uint64_t(kPerDay));
    int64_t year;
    unsigned month, day;
    civilFromDays(days - kDays1601To1970, year, month, day);
    SYSTEMTIME st;
    st.wYear = WORD(year);
    st.wMonth = WORD(month);
    st.wDay = WORD(day);
    st.wDayOfWeek = WORD((days + 1) % 7); // 1 January 1601 was a Monday
    st.wHour = WORD(rest / (kPerSecond * 3600));
    st.wMinute = WORD(rest / (kPerSecond * 60) % 60);
    st.wSecond = WORD(rest / kPerSecond % 60);
    st.wMilliseconds = WORD(rest / kPerMs % 1000);
    return st;
}

// The local zone's offset from UTC, in seconds, at a UTC moment.
int64_t localOffsetAt(int64_t utcUnixSeconds)
{
    time_t t = time_t(utcUnixSeconds);
    tm local{};
    if (!localtime_r(&t, &local))
        return 0;
    return local.tm_gmtoff;
}

bool shift(const FILETIME* in, LPFILETIME out, bool toLocal)
{
    if (!in || !out) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    int64_t value = int64_t(fromFileTime(*in));
    if (value < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    int64_t seconds = value / kPerSecond - kSeconds1601To1970;
    int64_t offset;
    if (toLocal) {
        offset = localOffsetAt(seconds);
    } else {
        // The offset in force at the UTC moment that the local time names; a second look
        // settles times near a daylight-saving change.
        offset = localOffsetAt(seconds);
        offset = localOffsetAt(seconds - offset);
        offset = localOffsetAt(seconds - offset);
        offset = -offset;
    }
    int64_t result = value + offset * kPerSecond;
    if (result < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    *out = toFileTime(uint64_t(result));
    return true;
}

} // namespace

DWORD GetTickCount() { return DWORD(plat::currentClock()->tickMs()); }

ULONGLONG GetTickCount64() { return plat::currentClock()->tickMs(); }

void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime)
{
    *lpSystemTimeAsFileTime = toFileTime(uint64_t(plat::currentClock()->systemTime100ns()));
}

void GetSystemTime(LPSYSTEMTIME lpSystemTime)
{
    *lpSystemTime = toSystemTime(uint64_t(plat::currentClock()->systemTime100ns()));
}

void GetLocalTime(LPSYSTEMTIME lpSystemTime)
{
    FILETIME utc = toFileTime(uint64_t(plat::currentClock()->systemTime100ns()));
    FILETIME local;
    if (!shift(&utc, &local, true))
        local = utc;
    *lpSystemTime = toSystemTime(fromFileTime(local));
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME lpFileTime)
{
    if (!st || !lpFileTime || st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12
        || st->wDay < 1 || st->wDay > daysInMonth(st->wYear, st->wMonth) || st->wHour > 23 || st->wMinute > 59
        || st->wSecond > 59 || st->wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int64_t days = daysFromCivil(st->wYear, st->wMonth, st->wDay) + kDays1601To1970;
    int64_t value = days * kPerDay + (int64_t(st->wHour) * 3600 + st->wMinute * 60 + st->wSecond) * kPerSecond
        + int64_t(st->wMilliseconds) * kPerMs;
    *lpFileTime = toFileTime(uint64_t(value));
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime)
{
    if (!lpFileTime || !lpSystemTime || fromFileTime(*lpFileTime) > kMaxFileTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpSystemTime = toSystemTime(fromFileTime(*lpFileTime));
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime)
{
    return shift(lpFileTime, lpLocalFileTime, true) ? TRUE : FALSE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime)
{
    return shift(lpLocalFileTime, lpFileTime, false) ? TRUE : FALSE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount)
{
    if (!lpPerformanceCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    lpPerformanceCount->QuadPart = LONGLONG(plat::currentClock()->perfCounter100ns());
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency)
{
    if (!lpFrequency) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    lpFrequency->QuadPart = kPerSecond;
    return TRUE;
}
