#include "vbTypesTestUtil.h"

#include "vbDate.h"
#include "vbString.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

using vbtypes::expectEsys;

namespace {

// Sets the time zone for one test and puts the previous one back.
class ZoneScope {
public:
    explicit ZoneScope(const char* tz)
    {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (old)
            m_old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ZoneScope()
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

TEST(vbDate, ZeroIsNeverValid)
{
    vbDate d;
    EXPECT_FALSE(d.IsValid());
    EXPECT_TRUE(d.IsEmpty());
    EXPECT_FALSE(d.Empty());

    vbDate day(2024, 2, 29, 12, 0, 0);
    EXPECT_TRUE(day.IsValid());
    EXPECT_TRUE(day.Empty());
    EXPECT_EQ(static_cast<double>(day), 0.0);
    EXPECT_EQ(day.GetStatus(), vbDateNull);
    EXPECT_TRUE(day.IsEmpty());
    EXPECT_FALSE(day.Empty());
}

TEST(vbDate, SetDateTimeRefusesImpossibleParts)
{
    struct Case {
        int y, mo, d, h, mi, s;
        bool valid;
    } cases[] = {
        {2024, 2, 29, 0, 0, 0, true},
        {2023, 2, 29, 0, 0, 0, false},
        {1900, 2, 29, 0, 0, 0, false},
        {2000, 2, 29, 23, 59, 59, true},
        {2000, 13, 1, 0, 0, 0, false},
        {2000, 1, 1, 24, 0, 0, false},
        {2000, 1, 1, 0, 60, 0, false},
        {2000, 1, 1, 0, 0, 60, false},
        {99, 12, 31, 0, 0, 0, false},
        {100, 1, 1, 0, 0, 0, true},
        {9999, 12, 31, 23, 59, 59, true},
        {10000, 1, 1, 0, 0, 0, false},
        {-1, 1, 1, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        vbDate d(c.y, c.mo, c.d, c.h, c.mi, c.s);
        EXPECT_EQ(d.IsValid(), c.valid) << c.y << "-" << c.mo << "-" << c.d << " " << c.h << ":" << c.mi << ":" << c.s;
    }
    EXPECT_EQ(static_cast<double>(vbDate(1899, 12, 31, 12, 0, 0)), 1.5);
}

TEST(vbDate, CompactTextForms)
{
    vbDate d;
    d.ReadYMDHMS("20240229123456");
    EXPECT_TRUE(d.IsValid());
    EXPECT_STREQ(d.ToYMDHMS(), "20240229123456");
    EXPECT_STREQ(d.ToYMD(), "20240229");
    d.ReadYMDHMS("19991231");
    EXPECT_STREQ(d.ToYMDHMS(), "19991231000000");
    d.ReadYMD("2024022912");
    EXPECT_STREQ(d.ToYMDHMS(), "20240229000000");
    d.ReadYMDHMS("2024023012");
    EXPECT_FALSE(d.IsValid());
    d.ReadYMD("");
    EXPECT_FALSE(d.IsValid());
}

TEST(vbDate, DaysOfMonth)
{
    EXPECT_EQ(vbDate::GetDaysOfMonth(1900, 2), 28);
    EXPECT_EQ(vbDate::GetDaysOfMonth(2000, 2), 29);
    EXPECT_EQ(vbDate::GetDaysOfMonth(2023, 4), 30);
    EXPECT_EQ(vbDate::GetDaysOfMonth(2023, 12), 31);
    EXPECT_TRUE(vbDate::IsLeapYear(2024));
    EXPECT_FALSE(vbDate::IsLeapYear(2100));
    expectEsys([] { vbDate::GetDaysOfMonth(2004, 13); }, E_FAIL, "vbDate::GetDaysOfMonth(2004,13), bad month (=13)");
    expectEsys([] { vbDate::GetDaysOfMonth(2004, 0); }, E_FAIL, "vbDate::GetDaysOfMonth(2004,0), bad month (=0)");
}

TEST(vbDate, SystemFileAndDosTimes)
{
    SYSTEMTIME st{2024, 3, 0, 15, 10, 20, 30, 999};
    vbDate d(st);
    EXPECT_STREQ(d.ToYMDHMS(), "20240315102030");

    FILETIME ft;
    ASSERT_TRUE(d.GetAsFileTime(&ft, true));
    vbDate back(ft);
    EXPECT_STREQ(back.ToYMDHMS(), "20240315102030");
    SYSTEMTIME out;
    ASSERT_TRUE(back.GetAsSystemTime(&out, false));
    EXPECT_EQ(out.wDay, 15);
    EXPECT_EQ(out.wDayOfWeek, 5); // a Friday

    // 15 March 2024 10:20:30 in DOS form: year 44, seconds halved.
    WORD dosDate = static_cast<WORD>((44 << 9) | (3 << 5) | 15), dosTime = static_cast<WORD>((10 << 11) | (20 << 5) | 15);
    EXPECT_STREQ(vbDate(dosDate, dosTime).ToYMDHMS(), "20240315102030");
    EXPECT_FALSE(vbDate(WORD(0), WORD(0)).IsValid()); // month 0

    vbDate bad(2024, 2, 30, 0, 0, 0);
    EXPECT_FALSE(bad.GetAsSystemTime(&out, false));
    EXPECT_FALSE(bad.GetAsFileTime(&ft, false));
    expectEsys([&] { bad.GetAsSystemTime(&out, true); }, E_FAIL,
        "vbDate::GetAsSystemTime() : Can't convert date to system time object");
    expectEsys([&] { bad.GetAsFileTime(&ft, true); }, E_FAIL,
        "vbDate::GetAsFileTime() : Can't convert date to file time object");
    expectEsys([&] { (void)bad.ToLocalTime(); }, E_FAIL,
        "vbDate::GetAsFileTime() : Can't convert date to file time object");

    FILETIME huge{0xFFFFFFFFu, 0xFFFFFFFFu};
    EXPECT_FALSE(vbDate(huge).IsValid());

    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R8;
    v.dblVal = 45000.25;
    EXPECT_STREQ(vbDate(v).ToYMDHMS(), "20230315060000");
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(u"no date");
    EXPECT_EQ(vbDate(v).GetStatus(), vbDateInvalid);
    VariantClear(&v);
}

TEST(vbDate, LocalAndUtcFollowTheTimeZoneDatabase)
{
    // Central European rules, spelled out so that no zone file is needed.
    ZoneScope zone("CET-1CEST,M3.5.0,M10.5.0/3");
    vbDate summer(2024, 7, 1, 12, 0, 0), winter(2024, 1, 15, 12, 0, 0);
    EXPECT_STREQ(summer.ToLocalTime().ToYMDHMS(), "20240701140000");
    EXPECT_STREQ(winter.ToLocalTime().ToYMDHMS(), "20240115130000");
    EXPECT_STREQ(summer.ToUtcTime().ToYMDHMS(), "20240701100000");
    EXPECT_STREQ(winter.ToLocalTime().ToUtcTime().ToYMDHMS(), "20240115120000");

    // 1 July 2024 12:00:00 UTC as seconds since 1970, shown in local time.
    EXPECT_STREQ(vbDate(LONG(1719835200)).ToYMDHMS(), "20240701140000");

    vbDate utc = vbDate::GetUtcTime(), local = vbDate::GetLocalTime();
    EXPECT_TRUE(utc.IsValid());
    double hours = (static_cast<double>(local) - static_cast<double>(utc)) * 24;
    EXPECT_TRUE((hours > 0.9 && hours < 1.1) || (hours > 1.9 && hours < 2.1)) << hours;
}

} // namespace
