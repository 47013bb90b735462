#pragma once

// A point in time as an OLE automation date (days since 30 December 1899, the time of day as the
// fraction) with a status, converted to and from system, file and DOS times, shifted between UTC
// and local time through the time-zone database, and written in the compact forms of stored data
// ("YYYYMMDD", "YYYYMMDDhhmmss"). Dates run from the year 100 to 9999, in whole seconds; a part out
// of range makes the date invalid. A date whose value is 0 is never valid.

#include "vbExport.h"

#include "plat/afxdate.h"
#include "plat/oleauto.h"
#include "plat/types.h"

#include <cstdint>

class vbString;

enum vbDateStatus : int32_t {
    vbDateValid = 0,
    vbDateInvalid = 1,
    vbDateNull = 2,
};

class VBAPI vbDate {
public:
    vbDate() noexcept : m_dt(0), m_status(vbDateValid) { }
    vbDate(double dt) noexcept : m_dt(dt), m_status(vbDateValid) { }
    // Any variant that converts to a date; invalid when it does not.
    explicit vbDate(const VARIANT& v);
    // Seconds since 1 January 1970 UTC, as the local date and time of that moment.
    explicit vbDate(LONG timeValue);
    vbDate(const SYSTEMTIME& st);
    // Taken as it is: no time-zone shift.
    vbDate(const FILETIME& ft);
    vbDate(int year, int month, int day, int hour, int minute, int second);
    vbDate(WORD dosDate, WORD dosTime);
    vbDate(const COleDateTime& d) noexcept;

    vbDate& operator=(const FILETIME& ft);
    vbDate& operator=(double dt) noexcept;
    vbDate& operator=(const COleDateTime& d) noexcept;
    operator COleDateTime() const;

    // The parts as they are; invalid (value unchanged) when one is out of range. 0 when valid.
    int SetDateTime(int year, int month, int day, int hour, int minute, int second);
    vbDateStatus GetStatus() const noexcept { return m_status; }

    static vbDate GetLocalTime();
    static vbDate GetTickCount();
    static vbDate GetUtcTime();

    bool GetAsSystemTime(SYSTEMTIME* st, bool bThrow) const;
    bool GetAsFileTime(FILETIME* ft, bool bThrow) const;
    // The date read as UTC, shown in local time; and back.
    vbDate ToLocalTime() const;
    vbDate ToUtcTime() const;

    operator double() const noexcept { return m_dt; }
    bool IsValid() const noexcept;
    bool IsEmpty() const noexcept;
    // A valid non-zero date becomes 0 with status null (true); otherwise nothing changes.
    bool Empty() noexcept;

    // "YYYYMMDD" at 00:00:00, or with "hhmmss" after it.
    void ReadYMD(const vbString& s);
    void ReadYMDHMS(const vbString& s);
    vbString ToYMD() const;
    vbString ToYMDHMS() const;

    static bool IsLeapYear(int year);
    static int GetDaysOfMonth(int year, int month);

private:
    double m_dt;
    vbDateStatus m_status;
};
