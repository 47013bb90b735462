#pragma once

// COleDateTime: an OLE date (days since 30 December 1899, the fraction the time of day) with a
// status, and COleDateTimeSpan, a difference of two dates in days. Dates run from 1 January 100
// to 31 December 9999 and keep whole seconds; text is the fixed en-US form of VarBstrFromDate.

#include "plat/api.h"
#include "plat/oleauto.h"
#include "plat/types.h"

#include <ctime>
#include <string>

#define AFX_OLE_DATETIME_ERROR (-1)

class PLATAPI COleDateTimeSpan {
public:
    enum DateTimeSpanStatus { valid = 0, invalid = 1, null = 2 };

    COleDateTimeSpan() : m_span(0), m_status(valid) {}
    COleDateTimeSpan(double dblSpanSrc) : m_span(dblSpanSrc), m_status(valid) {}
    COleDateTimeSpan(LONG lDays, int nHours, int nMins, int nSecs);

    void SetDateTimeSpan(LONG lDays, int nHours, int nMins, int nSecs);
    DateTimeSpanStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeSpanStatus status) { m_status = status; }

    double GetTotalDays() const { return m_span; }
    double GetTotalHours() const { return m_span * 24; }
    double GetTotalMinutes() const { return m_span * 24 * 60; }
    double GetTotalSeconds() const { return m_span * 24 * 60 * 60; }
    // The whole days, and the hours, minutes and seconds of the rest, rounded to the second.
    LONG GetDays() const;
    LONG GetHours() const;
    LONG GetMinutes() const;
    LONG GetSeconds() const;

    operator double() const { return m_span; }
    COleDateTimeSpan operator+(const COleDateTimeSpan& other) const;
    COleDateTimeSpan operator-(const COleDateTimeSpan& other) const;
    COleDateTimeSpan operator-() const;
    bool operator==(const COleDateTimeSpan& other) const;
    bool operator<(const COleDateTimeSpan& other) const;

    double m_span;
    DateTimeSpanStatus m_status;
};

class PLATAPI COleDateTime {
public:
    enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

    COleDateTime() : m_dt(0), m_status(valid) {}
    COleDateTime(DATE dtSrc) : m_dt(dtSrc), m_status(valid) {}
    COleDateTime(const VARIANT& varSrc);
    COleDateTime(time_t timeSrc);
    COleDateTime(const SYSTEMTIME& systimeSrc);
    COleDateTime(const FILETIME& filetimeSrc);
    COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec);

    static COleDateTime GetCurrentTime();

    COleDateTime& operator=(const VARIANT& varSrc);
    COleDateTime& operator=(DATE dtSrc);
    COleDateTime& operator=(time_t timeSrc);
    COleDateTime& operator=(const SYSTEMTIME& systimeSrc);
    COleDateTime& operator=(const FILETIME& filetimeSrc);

    // 0 when the parts name a real moment (status valid), 1 otherwise (status invalid).
    int SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec);
    int SetDate(int nYear, int nMonth, int nDay);
    int SetTime(int nHour, int nMin, int nSec);

    DateTimeStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeStatus status) { m_status = status; }
    bool GetAsSystemTime(SYSTEMTIME& sysTime) const;

    // AFX_OLE_DATETIME_ERROR unless the date is valid. Day of week: 1 is Sunday.
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const;
    int GetDayOfYear() const;

    operator DATE() const { return m_dt; }

    // Arithmetic runs on a linear time line: before 30 December 1899 the stored fraction still
    // counts forward from midnight. A result outside the valid range is invalid.
    COleDateTime operator+(const COleDateTimeSpan& span) const;
    COleDateTime operator-(const COleDateTimeSpan& span) const;
    COleDateTime& operator+=(const COleDateTimeSpan& span);
    COleDateTime& operator-=(const COleDateTimeSpan& span);
    COleDateTimeSpan operator-(const COleDateTime& date) const;

    bool operator==(const COleDateTime& date) const;
    bool operator!=(const COleDateTime& date) const;
    bool operator<(const COleDateTime& date) const;
    bool operator>(const COleDateTime& date) const;
    bool operator<=(const COleDateTime& date) const;
    bool operator>=(const COleDateTime& date) const;

    // "M/D/YYYY h:mm:ss AM" (VAR_DATEVALUEONLY and VAR_TIMEVALUEONLY pick one half); an invalid
    // date gives "Invalid DateTime", a null one an empty text.
    std::string Format(DWORD dwFlags = 0, LCID lcid = LOCALE_USER_DEFAULT) const;

    DATE m_dt;
    DateTimeStatus m_status;
};
