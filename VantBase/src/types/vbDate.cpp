// Dates over the platform's OLE date conversions.

#include "vbDate.h"

#include "vbException.h"
#include "vbString.h"

#include "plat/errors.h"
#include "plat/time.h"

#include <cmath>

namespace {

struct Parts {
    int year, month, day, hour, minute, second;
};

// The date's parts, every one -1 when it is not a valid date.
Parts partsOf(double dt, vbDateStatus status)
{
    SYSTEMTIME st;
    if (status != vbDateValid || !VariantTimeToSystemTime(dt, &st))
        return {-1, -1, -1, -1, -1, -1};
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

HRESULT lastErrorHR()
{
    DWORD err = GetLastError();
    return static_cast<HRESULT>(0x80070000u | (err & 0xFFFFu));
}

// The piece of s at 1-based characters start..start+count-1 as a number; an empty piece is 0.
int number(const vbString& s, int start, int count)
{
    return start > s.GetLength() ? 0 : vbStringToInt(s.Mid(start, count));
}

} // namespace

vbDate::vbDate(const VARIANT& v) : vbDate()
{
    if (v.vt == VT_DATE) {
        m_dt = v.date;
        return;
    }
    VARIANT out;
    VariantInit(&out);
    if (FAILED(VariantChangeType(&out, &v, 0, VT_DATE))) {
        m_dt = 0;
        m_status = vbDateInvalid;
        return;
    }
    m_dt = out.date;
}

vbDate::vbDate(LONG timeValue) : vbDate()
{
    // 1 January 1970 as a file time, then 10,000,000 units a second.
    constexpr int64_t kUnix1970 = 116444736000000000LL;
    int64_t t = kUnix1970 + static_cast<int64_t>(timeValue) * 10000000LL;
    FILETIME utc{static_cast<DWORD>(t), static_cast<DWORD>(static_cast<uint64_t>(t) >> 32)};
    FILETIME local;
    if (!FileTimeToLocalFileTime(&utc, &local)) {
        m_status = vbDateInvalid;
        return;
    }
    *this = local;
}

vbDate::vbDate(const SYSTEMTIME& st) : vbDate()
{
    SetDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

vbDate::vbDate(const FILETIME& ft) : vbDate() { *this = ft; }

vbDate::vbDate(int year, int month, int day, int hour, int minute, int second) : vbDate()
{
    SetDateTime(year, month, day, hour, minute, second);
}

vbDate::vbDate(WORD dosDate, WORD dosTime) : vbDate()
{
    double dt;
    if (DosDateTimeToVariantTime(dosDate, dosTime, &dt))
        m_dt = dt;
    else
        m_status = vbDateInvalid;
}

vbDate::vbDate(const COleDateTime& d) noexcept : vbDate() { *this = d; }

vbDate& vbDate::operator=(const COleDateTime& d) noexcept
{
    m_dt = d.m_dt;
    m_status = static_cast<vbDateStatus>(d.m_status);
    return *this;
}

vbDate::operator COleDateTime() const
{
    COleDateTime d(m_dt);
    d.SetStatus(static_cast<COleDateTime::DateTimeStatus>(m_status));
    return d;
}

vbDate& vbDate::operator=(const FILETIME& ft)
{
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(&ft, &st)) {
        m_status = vbDateInvalid;
        return *this;
    }
    SetDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
    return *this;
}

vbDate& vbDate::operator=(double dt) noexcept
{
    m_dt = dt;
    m_status = vbDateValid;
    return *this;
}

int vbDate::SetDateTime(int year, int month, int day, int hour, int minute, int second)
{
    auto inWord = [](int v) { return v >= 0 && v <= 0xFFFF; };
    SYSTEMTIME st{};
    double dt;
    if (inWord(year) && inWord(month) && inWord(day) && inWord(hour) && inWord(minute) && inWord(second)) {
        st.wYear = static_cast<WORD>(year);
        st.wMonth = static_cast<WORD>(month);
        st.wDay = static_cast<WORD>(day);
        st.wHour = static_cast<WORD>(hour);
        st.wMinute = static_cast<WORD>(minute);
        st.wSecond = static_cast<WORD>(second);
        if (SystemTimeToVariantTime(&st, &dt)) {
            m_dt = dt;
            m_status = vbDateValid;
            return 0;
        }
    }
    m_status = vbDateInvalid;
    return 1;
}

vbDate vbDate::GetLocalTime()
{
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return vbDate(st);
}

vbDate vbDate::GetTickCount() { return GetLocalTime(); }

vbDate vbDate::GetUtcTime()
{
    SYSTEMTIME st;
    ::GetSystemTime(&st);
    return vbDate(st);
}

bool vbDate::GetAsSystemTime(SYSTEMTIME* st, bool bThrow) const
{
    if (st && m_status == vbDateValid && VariantTimeToSystemTime(m_dt, st))
        return true;
    if (bThrow)
        throw new vbEsys(E_FAIL, "vbDate::GetAsSystemTime() : Can't convert date to system time object");
    return false;
}

bool vbDate::GetAsFileTime(FILETIME* ft, bool bThrow) const
{
    const char* msg = "vbDate::GetAsFileTime() : Can't convert date to file time object";
    SYSTEMTIME st;
    if (!GetAsSystemTime(&st, false)) {
        if (bThrow)
            throw new vbEsys(E_FAIL, msg);
        return false;
    }
    if (ft && SystemTimeToFileTime(&st, ft))
        return true;
    if (bThrow)
        throw new vbEsys(HRESULT_FROM_WIN32(GetLastError()), msg);
    return false;
}

vbDate vbDate::ToLocalTime() const
{
    FILETIME utc, local;
    GetAsFileTime(&utc, true);
    if (!FileTimeToLocalFileTime(&utc, &local))
        throw new vbEsys(lastErrorHR(), "vbDate::ToLocalTime() : Can't convert date to local time zone");
    return vbDate(local);
}

vbDate vbDate::ToUtcTime() const
{
    FILETIME local, utc;
    GetAsFileTime(&local, true);
    if (!LocalFileTimeToFileTime(&local, &utc))
        throw new vbEsys(lastErrorHR(), "vbDate::ToUtcTime() : Can't convert date to UTC time zone");
    return vbDate(utc);
}

bool vbDate::IsValid() const noexcept { return m_dt != 0 && !std::isnan(m_dt) && m_status == vbDateValid; }

bool vbDate::IsEmpty() const noexcept { return m_dt == 0 || std::isnan(m_dt) || m_status != vbDateValid; }

bool vbDate::Empty() noexcept
{
    if (m_dt == 0 || m_status != vbDateValid)
        return false;
    m_dt = 0;
    m_status = vbDateNull;
    return true;
}

void vbDate::ReadYMD(const vbString& s)
{
    SetDateTime(number(s, 1, 4), number(s, 5, 2), number(s, 7, 2), 0, 0, 0);
}

void vbDate::ReadYMDHMS(const vbString& s)
{
    if (s.GetLength() == 8) {
        ReadYMD(s);
        return;
    }
    SetDateTime(number(s, 1, 4), number(s, 5, 2), number(s, 7, 2), number(s, 9, 2), number(s, 11, 2),
        number(s, 13, 2));
}

vbString vbDate::ToYMD() const
{
    Parts p = partsOf(m_dt, m_status);
    vbString out;
    out.Format("%04d%02d%02d", p.year, p.month, p.day);
    return out;
}

vbString vbDate::ToYMDHMS() const
{
    Parts p = partsOf(m_dt, m_status);
    vbString out;
    out.Format("%04d%02d%02d%02d%02d%02d", p.year, p.month, p.day, p.hour, p.minute, p.second);
    return out;
}

bool vbDate::IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int vbDate::GetDaysOfMonth(int year, int month)
{
    switch (month) {
    case 1: case 3: case 5: case 7: case 8: case 10: case 12:
        return 31;
    case 4: case 6: case 9: case 11:
        return 30;
    case 2:
        return IsLeapYear(year) ? 29 : 28;
    default:
        throw new vbEsys(true, E_FAIL, "vbDate::GetDaysOfMonth(%d,%d), bad month (=%d)", year, month, month);
    }
}
