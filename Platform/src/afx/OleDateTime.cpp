#include "plat/afxdate.h"

#include "plat/time.h"

#include <cmath>

namespace {

constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958466.0;
constexpr double kHalfSecond = 0.5 / 86400.0;

// Before the epoch the stored fraction is the time of day, not a negative offset: -1.25 is
// 29 December 1899, 6:00, which lies at -0.75 on a linear scale.
double toLinear(double dt)
{
    if (dt >= 0)
        return dt;
    double whole = std::trunc(dt);
    return whole + (whole - dt);
}

double fromLinear(double x)
{
    if (x >= 0)
        return x;
    double day = std::floor(x);
    double fraction = x - day;
    // A whole negative day keeps no fraction; rounding noise must not push it to the next day.
    if (fraction < kHalfSecond / 2)
        return day;
    return day - fraction;
}

bool inRange(double dt) { return dt >= kMinDate && dt < kMaxDate; }

// Both status kinds number valid 0, invalid 1, null 2: a null operand makes a null result, else
// an invalid one an invalid result.
int combined(int a, int b) { return a == 0 && b == 0 ? 0 : a == 2 || b == 2 ? 2 : 1; }

} // namespace

COleDateTimeSpan::COleDateTimeSpan(LONG lDays, int nHours, int nMins, int nSecs)
{
    SetDateTimeSpan(lDays, nHours, nMins, nSecs);
}

void COleDateTimeSpan::SetDateTimeSpan(LONG lDays, int nHours, int nMins, int nSecs)
{
    m_span = lDays + ((double)nHours * 3600 + (double)nMins * 60 + nSecs) / 86400.0;
    m_status = valid;
}

namespace {

// The span's whole seconds, rounded, with their sign.
int64_t spanSeconds(double span) { return std::llround(span * 86400.0); }

} // namespace

LONG COleDateTimeSpan::GetDays() const { return (LONG)(spanSeconds(m_span) / 86400); }
LONG COleDateTimeSpan::GetHours() const { return (LONG)(spanSeconds(m_span) / 3600 % 24); }
LONG COleDateTimeSpan::GetMinutes() const { return (LONG)(spanSeconds(m_span) / 60 % 60); }
LONG COleDateTimeSpan::GetSeconds() const { return (LONG)(spanSeconds(m_span) % 60); }

COleDateTimeSpan COleDateTimeSpan::operator+(const COleDateTimeSpan& other) const
{
    COleDateTimeSpan result(m_span + other.m_span);
    result.m_status = (DateTimeSpanStatus)combined(m_status, other.m_status);
    return result;
}

COleDateTimeSpan COleDateTimeSpan::operator-(const COleDateTimeSpan& other) const { return *this + (-other); }

COleDateTimeSpan COleDateTimeSpan::operator-() const
{
    COleDateTimeSpan result(-m_span);
    result.m_status = m_status;
    return result;
}

bool COleDateTimeSpan::operator==(const COleDateTimeSpan& other) const
{
    return m_status == other.m_status && m_span == other.m_span;
}

bool COleDateTimeSpan::operator<(const COleDateTimeSpan& other) const { return m_span < other.m_span; }

COleDateTime::COleDateTime(const VARIANT& varSrc) { *this = varSrc; }
COleDateTime::COleDateTime(time_t timeSrc) { *this = timeSrc; }
COleDateTime::COleDateTime(const SYSTEMTIME& systimeSrc) { *this = systimeSrc; }
COleDateTime::COleDateTime(const FILETIME& filetimeSrc) { *this = filetimeSrc; }

COleDateTime::COleDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec)
{
    SetDateTime(nYear, nMonth, nDay, nHour, nMin, nSec);
}

COleDateTime COleDateTime::GetCurrentTime()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    now.wMilliseconds = 0;
    return COleDateTime(now);
}

COleDateTime& COleDateTime::operator=(const VARIANT& varSrc)
{
    VARIANT date;
    VariantInit(&date);
    if (SUCCEEDED(VariantChangeType(&date, &varSrc, 0, VT_DATE))) {
        m_dt = date.date;
        m_status = valid;
    } else {
        m_dt = 0;
        m_status = invalid;
    }
    return *this;
}

COleDateTime& COleDateTime::operator=(DATE dtSrc)
{
    m_dt = dtSrc;
    m_status = valid;
    return *this;
}

COleDateTime& COleDateTime::operator=(time_t timeSrc)
{
    // time_t counts UTC seconds; the date shows the local time, as the clock on the wall.
    struct tm local;
    if (!localtime_r(&timeSrc, &local)) {
        m_dt = 0;
        m_status = invalid;
        return *this;
    }
    SetDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return *this;
}

COleDateTime& COleDateTime::operator=(const SYSTEMTIME& systimeSrc)
{
    SetDateTime(systimeSrc.wYear, systimeSrc.wMonth, systimeSrc.wDay, systimeSrc.wHour, systimeSrc.wMinute,
        systimeSrc.wSecond);
    return *this;
}

COleDateTime& COleDateTime::operator=(const FILETIME& filetimeSrc)
{
    SYSTEMTIME st;
    if (FileTimeToSystemTime(&filetimeSrc, &st)) {
        *this = st;
    } else {
        m_dt = 0;
        m_status = invalid;
    }
    return *this;
}

int COleDateTime::SetDateTime(int nYear, int nMonth, int nDay, int nHour, int nMin, int nSec)
{
    SYSTEMTIME st{};
    bool fits = nYear >= 0 && nYear <= 0xFFFF && nMonth >= 0 && nMonth <= 0xFFFF && nDay >= 0 && nDay <= 0xFFFF
        && nHour >= 0 && nHour <= 0xFFFF && nMin >= 0 && nMin <= 0xFFFF && nSec >= 0 && nSec <= 0xFFFF;
    if (fits) {
        st.wYear = (WORD)nYear;
        st.wMonth = (WORD)nMonth;
        st.wDay = (WORD)nDay;
        st.wHour = (WORD)nHour;
        st.wMinute = (WORD)nMin;
        st.wSecond = (WORD)nSec;
    }
    double dt;
    if (fits && SystemTimeToVariantTime(&st, &dt)) {
        m_dt = dt;
        m_status = valid;
    } else {
        m_status = invalid;
    }
    return m_status == valid ? 0 : 1;
}

int COleDateTime::SetDate(int nYear, int nMonth, int nDay) { return SetDateTime(nYear, nMonth, nDay, 0, 0, 0); }

int COleDateTime::SetTime(int nHour, int nMin, int nSec) { return SetDateTime(1899, 12, 30, nHour, nMin, nSec); }

bool COleDateTime::GetAsSystemTime(SYSTEMTIME& sysTime) const
{
    return m_status == valid && VariantTimeToSystemTime(m_dt, &sysTime);
}

namespace {

template <class F>
int part(const COleDateTime& date, F f)
{
    SYSTEMTIME st;
    return date.GetAsSystemTime(st) ? f(st) : AFX_OLE_DATETIME_ERROR;
}

} // namespace

int COleDateTime::GetYear() const { return part(*this, [](const SYSTEMTIME& st) { return (int)st.wYear; }); }
int COleDateTime::GetMonth() const { return part(*this, [](const SYSTEMTIME& st) { return (int)st.wMonth; }); }
int COleDateTime::GetDay() const { return part(*this, [](const SYSTEMTIME& st) { return (int)st.wDay; }); }
int COleDateTime::GetHour() const { return part(*this, [](const SYSTEMTIME& st) { return (int)st.wHour; }); }
int COleDateTime::GetMinute() const { return part(*this, [](const SYSTEMTIME& st) { return (int)st.wMinute; }); }
int COleDateTime::GetSecond() const { return part(*this, [](const SYSTEMTIME& st) { return (int)st.wSecond; }); }
int COleDateTime::GetDayOfWeek() const
{
    return part(*this, [](const SYSTEMTIME& st) { return (int)st.wDayOfWeek + 1; });
}

int COleDateTime::GetDayOfYear() const
{
    return part(*this, [](const SYSTEMTIME& st) {
        SYSTEMTIME first{st.wYear, 1, 0, 1, 0, 0, 0, 0};
        SYSTEMTIME day{st.wYear, st.wMonth, 0, st.wDay, 0, 0, 0, 0};
        double a, b;
        SystemTimeToVariantTime(&first, &a);
        SystemTimeToVariantTime(&day, &b);
        return (int)std::lround(toLinear(b) - toLinear(a)) + 1;
    });
}

COleDateTime COleDateTime::operator+(const COleDateTimeSpan& span) const
{
    COleDateTime result;
    result.m_status = (DateTimeStatus)combined(m_status, span.m_status);
    if (result.m_status != valid)
        return result;
    result.m_dt = fromLinear(toLinear(m_dt) + span.m_span);
    if (!inRange(result.m_dt))
        result.m_status = invalid;
    return result;
}

COleDateTime COleDateTime::operator-(const COleDateTimeSpan& span) const { return *this + (-span); }

COleDateTime& COleDateTime::operator+=(const COleDateTimeSpan& span) { return *this = *this + span; }
COleDateTime& COleDateTime::operator-=(const COleDateTimeSpan& span) { return *this = *this - span; }

COleDateTimeSpan COleDateTime::operator-(const COleDateTime& date) const
{
    COleDateTimeSpan result(toLinear(m_dt) - toLinear(date.m_dt));
    result.m_status = (COleDateTimeSpan::DateTimeSpanStatus)combined(m_status, date.m_status);
    return result;
}

bool COleDateTime::operator==(const COleDateTime& date) const { return m_status == date.m_status && m_dt == date.m_dt; }
bool COleDateTime::operator!=(const COleDateTime& date) const { return !(*this == date); }
bool COleDateTime::operator<(const COleDateTime& date) const { return toLinear(m_dt) < toLinear(date.m_dt); }
bool COleDateTime::operator>(const COleDateTime& date) const { return date < *this; }
bool COleDateTime::operator<=(const COleDateTime& date) const { return !(date < *this); }
bool COleDateTime::operator>=(const COleDateTime& date) const { return !(*this < date); }

std::string COleDateTime::Format(DWORD dwFlags, LCID lcid) const
{
    if (m_status == null)
        return {};
    BSTR text = nullptr;
    if (m_status != valid || FAILED(VarBstrFromDate(m_dt, lcid, dwFlags, &text)))
        return "Invalid DateTime";
    std::string narrow(text, text + SysStringLen(text));
    SysFreeString(text);
    return narrow;
}
