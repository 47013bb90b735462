#include "plat/oleauto.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

// OLE dates run from 1 January 100 to the last second of 31 December 9999.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958466.0;

// Days from 1 January 1970 in the proleptic Gregorian calendar.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = (unsigned)(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + (int64_t)doe - 719468;
}

void civilFromDays(int64_t z, int& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = (unsigned)(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = (int64_t)yoe + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = (int)(yy + (m <= 2));
}

const int64_t kEpoch = daysFromCivil(1899, 12, 30);

unsigned daysInMonth(int y, unsigned m)
{
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0))
        return 29;
    return days[m - 1];
}

bool validParts(int y, unsigned mo, unsigned d, unsigned h, unsigned mi, unsigned s)
{
    return y >= 100 && y <= 9999 && mo >= 1 && mo <= 12 && d >= 1 && d <= daysInMonth(y, mo) && h < 24 && mi < 60
        && s < 60;
}

// A negative date keeps its time of day as a positive fraction: -1.25 is 29 December 1899, 6:00.
double composeDate(int y, unsigned mo, unsigned d, unsigned h, unsigned mi, unsigned s)
{
    double days = (double)(daysFromCivil(y, mo, d) - kEpoch);
    double time = (h * 3600.0 + mi * 60.0 + s) / 86400.0;
    return days < 0 ? days - time : days + time;
}

} // namespace

INT VariantTimeToSystemTime(DOUBLE vtime, LPSYSTEMTIME lpSystemTime)
{
    if (!lpSystemTime || !(vtime >= kMinDate && vtime < kMaxDate))
        return FALSE;
    double whole = std::trunc(vtime);
    int64_t seconds = std::llround(std::fabs(vtime - whole) * 86400.0);
    int64_t day = (int64_t)whole + kEpoch;
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day;
    }
    int y;
    unsigned m, d;
    civilFromDays(day, y, m, d);
    if (y > 9999)
        return FALSE;
    lpSystemTime->wYear = (WORD)y;
    lpSystemTime->wMonth = (WORD)m;
    lpSystemTime->wDay = (WORD)d;
    // 1 January 1970 was a Thursday.
    lpSystemTime->wDayOfWeek = (WORD)(((day % 7) + 7 + 4) % 7);
    lpSystemTime->wHour = (WORD)(seconds / 3600);
    lpSystemTime->wMinute = (WORD)(seconds / 60 % 60);
    lpSystemTime->wSecond = (WORD)(seconds % 60);
    lpSystemTime->wMilliseconds = 0;
    return TRUE;
}

INT SystemTimeToVariantTime(LPSYSTEMTIME st, DOUBLE* pvtime)
{
    if (!st || !pvtime || !validParts(st->wYear, st->wMonth, st->wDay, st->wHour, st->wMinute, st->wSecond))
        return FALSE;
    *pvtime = composeDate(st->wYear, st->wMonth, st->wDay, st->wHour, st->wMinute, st->wSecond);
    return TRUE;
}

INT DosDateTimeToVariantTime(USHORT wDosDate, USHORT wDosTime, DOUBLE* pvtime)
{
    if (!pvtime)
        return FALSE;
    int y = 1980 + (wDosDate >> 9);
    unsigned mo = (wDosDate >> 5) & 0x0F, d = wDosDate & 0x1F;
    unsigned h = wDosTime >> 11, mi = (wDosTime >> 5) & 0x3F, s = (wDosTime & 0x1F) * 2u;
    if (!validParts(y, mo, d, h, mi, s))
        return FALSE;
    *pvtime = composeDate(y, mo, d, h, mi, s);
    return TRUE;
}

INT VariantTimeToDosDateTime(DOUBLE vtime, USHORT* pwDosDate, USHORT* pwDosTime)
{
    SYSTEMTIME st;
    if (!pwDosDate || !pwDosTime || !VariantTimeToSystemTime(vtime, &st) || st.wYear < 1980 || st.wYear > 2107)
        return FALSE;
    *pwDosDate = (USHORT)(((st.wYear - 1980) << 9) | (st.wMonth << 5) | st.wDay);
    *pwDosTime = (USHORT)((st.wHour << 11) | (st.wMinute << 5) | (st.wSecond / 2));
    return TRUE;
}

HRESULT VarBstrFromDate(DATE dateIn, LCID, ULONG dwFlags, BSTR* pbstrOut)
{
    if (!pbstrOut)
        return E_INVALIDARG;
    *pbstrOut = nullptr;
    SYSTEMTIME st;
    if (!VariantTimeToSystemTime(dateIn, &st))
        return E_INVALIDARG;
    bool withDate = !(dwFlags & VAR_TIMEVALUEONLY);
    bool withTime = !(dwFlags & VAR_DATEVALUEONLY);
    if (!(dwFlags & (VAR_TIMEVALUEONLY | VAR_DATEVALUEONLY))) {
        bool dayZero = st.wYear == 1899 && st.wMonth == 12 && st.wDay == 30;
        withDate = !dayZero;
        withTime = dayZero || st.wHour || st.wMinute || st.wSecond;
    }
    char text[64];
    int n = 0;
    if (withDate)
        n += std::snprintf(text + n, sizeof text - n, "%u/%u/%u", st.wMonth, st.wDay, st.wYear);
    if (withTime) {
        unsigned h12 = st.wHour % 12 == 0 ? 12 : st.wHour % 12;
        n += std::snprintf(text + n, sizeof text - n, "%s%u:%02u:%02u %s", withDate ? " " : "", h12, st.wMinute,
            st.wSecond, st.wHour < 12 ? "AM" : "PM");
    }
    std::u16string wide(text, text + n);
    *pbstrOut = SysAllocStringLen(wide.data(), (UINT)wide.size());
    return *pbstrOut ? S_OK : E_OUTOFMEMORY;
}

namespace {

// Reads the en-US forms: "M/D/YYYY", "M/D/YY", "YYYY-MM-DD" and "YYYY/MM/DD" for the date,
// "H:MM", "H:MM:SS" with an optional "AM"/"PM" for the time; either may stand alone.
class DateParser {
public:
    explicit DateParser(const std::string& s) : m_s(s) {}

    bool parse(double& out)
    {
        int y = 1899;
        unsigned mo = 12, d = 30, h = 0, mi = 0, s = 0;
        bool haveDate = false, haveTime = false;
        skipBlanks();
        while (m_i < m_s.size()) {
            size_t save = m_i;
            if (!haveDate && parseDate(y, mo, d)) {
                haveDate = true;
            } else {
                m_i = save;
                if (haveTime || !parseTime(h, mi, s))
                    return false;
                haveTime = true;
            }
            skipBlanks();
        }
        if (!haveDate && !haveTime)
            return false;
        if (!validParts(y, mo, d, h, mi, s))
            return false;
        out = composeDate(y, mo, d, h, mi, s);
        return true;
    }

private:
    void skipBlanks()
    {
        while (m_i < m_s.size() && (m_s[m_i] == ' ' || m_s[m_i] == '\t' || m_s[m_i] == ','))
            ++m_i;
    }

    bool number(unsigned& value, size_t& digits)
    {
        value = 0;
        digits = 0;
        while (m_i < m_s.size() && m_s[m_i] >= '0' && m_s[m_i] <= '9' && digits < 5) {
            value = value * 10 + (unsigned)(m_s[m_i++] - '0');
            ++digits;
        }
        return digits > 0;
    }

    bool expect(char c)
    {
        if (m_i < m_s.size() && m_s[m_i] == c) {
            ++m_i;
            return true;
        }
        return false;
    }

    bool parseDate(int& y, unsigned& mo, unsigned& d)
    {
        unsigned a, b, c;
        size_t na, nb, nc;
        if (!number(a, na))
            return false;
        char sep = m_i < m_s.size() ? m_s[m_i] : '\0';
        if (sep != '/' && sep != '-')
            return false;
        ++m_i;
        if (!number(b, nb) || !expect(sep) || !number(c, nc))
            return false;
        if (na == 4) {
            y = (int)a, mo = b, d = c;
        } else if (sep == '/') {
            mo = a, d = b;
            // Two-digit years: 00-29 are this century's, 30-99 the last one's.
            y = nc <= 2 ? (int)(c < 30 ? 2000 + c : 1900 + c) : (int)c;
        } else {
            return false;
        }
        return true;
    }

    bool parseTime(unsigned& h, unsigned& mi, unsigned& s)
    {
        size_t n;
        if (!number(h, n) || !expect(':') || !number(mi, n))
            return false;
        s = 0;
        if (expect(':') && !number(s, n))
            return false;
        skipBlanks();
        if (m_i + 1 < m_s.size() && (m_s[m_i + 1] == 'M' || m_s[m_i + 1] == 'm')) {
            char ap = m_s[m_i];
            if (ap != 'A' && ap != 'a' && ap != 'P' && ap != 'p')
                return false;
            if (h == 0 || h > 12)
                return false;
            h %= 12;
            if (ap == 'P' || ap == 'p')
                h += 12;
            m_i += 2;
        }
        return true;
    }

    const std::string& m_s;
    size_t m_i = 0;
};

} // namespace

HRESULT VarDateFromStr(LPCOLESTR strIn, LCID, ULONG, DATE* pdateOut)
{
    if (!strIn || !pdateOut)
        return E_INVALIDARG;
    std::string narrow;
    for (const OLECHAR* p = strIn; *p; ++p) {
        if (*p > 0x7F)
            return DISP_E_TYPEMISMATCH;
        narrow += (char)*p;
    }
    double value;
    if (!DateParser(narrow).parse(value))
        return DISP_E_TYPEMISMATCH;
    *pdateOut = value;
    return S_OK;
}
