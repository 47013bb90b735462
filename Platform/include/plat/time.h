#pragma once

// Tick count, system and local time, file-time conversions and the performance counter, all
// read from the platform clock (plat/clock.h).

#include "plat/api.h"
#include "plat/types.h"

// Milliseconds, wrapping to 0 after 0xFFFFFFFF (about 49.7 days).
PLATAPI DWORD GetTickCount();
PLATAPI ULONGLONG GetTickCount64();

PLATAPI void GetSystemTime(LPSYSTEMTIME lpSystemTime);
PLATAPI void GetLocalTime(LPSYSTEMTIME lpSystemTime);
PLATAPI void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime);

// Fail with ERROR_INVALID_PARAMETER for fields out of range (the day of week is ignored) or a
// file time beyond the year 30827.
PLATAPI BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime);
PLATAPI BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime);
// Shift by the local time zone's offset (daylight saving included) at that moment.
PLATAPI BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime);
PLATAPI BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime);

PLATAPI BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount);
PLATAPI BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency);
