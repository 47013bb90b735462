#include "plat/afxdate.h"

#include <gtest/gtest.h>

namespace {

TEST(AfxDate, SetDateTimeValidity)
{
    struct Case {
        int y, mo, d, h, mi, s;
        bool valid;
    };
    const Case cases[] = {
        {2023, 3, 15, 18, 0, 0, true},
        {2000, 2, 29, 0, 0, 0, true},
        {1900, 2, 29, 0, 0, 0, false},
        {2023, 13, 1, 0, 0, 0, false},
        {2023, 4, 31, 0, 0, 0, false},
        {2023, 1, 1, 24, 0, 0, false},
        {2023, 1, 1, 0, 60, 0, false},
        {2023, 1, 1, 0, 0, 60, false},
        {99, 12, 31, 0, 0, 0, false},
        {100, 1, 1, 0, 0, 0, true},
        {9999, 12, 31, 23, 59, 59, true},
        {10000, 1, 1, 0, 0, 0, false},
        {-1, 1, 1, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        COleDateTime date;
        EXPECT_EQ(date.SetDateTime(c.y, c.mo, c.d, c.h, c.mi, c.s), c.valid ? 0 : 1) << c.y << "-" << c.mo << "-" << c.d;
        EXPECT_EQ(date.GetStatus(), c.valid ? COleDateTime::valid : COleDateTime::invalid);
        if (c.valid) {
            EXPECT_EQ(date.GetYear(), c.y);
            EXPECT_EQ(date.GetMonth(), c.mo);
            EXPECT_EQ(date.GetDay(), c.d);
            EXPECT_EQ(date.GetHour(), c.h);
            EXPECT_EQ(date.GetMinute(), c.mi);
            EXPECT_EQ(date.GetSecond(), c.s);
        } else {
            EXPECT_EQ(date.GetYear(), AFX_OLE_DATETIME_ERROR);
        }
    }
    COleDateTime wednesday(2023, 3, 15, 18, 0, 0);
    EXPECT_EQ((double)wednesday.m_dt, 45000.75);
    EXPECT_EQ(wednesday.GetDayOfWeek(), 4);
    EXPECT_EQ(wednesday.GetDayOfYear(), 74);
}

TEST(AfxDate, ArithmeticAcrossTheEpoch)
{
    COleDateTime start(1899, 12, 30, 12, 0, 0); // 0.5
    COleDateTime earlier = start - COleDateTimeSpan(0, 18, 0, 0);
    EXPECT_EQ(earlier.GetDay(), 29);
    EXPECT_EQ(earlier.GetHour(), 18);
    EXPECT_DOUBLE_EQ(earlier.m_dt, -1.75);
    EXPECT_DOUBLE_EQ((start - earlier).GetTotalHours(), 18.0);
    EXPECT_TRUE(earlier < start);

    COleDateTime a(2023, 12, 31, 23, 30, 0);
    COleDateTime b = a + COleDateTimeSpan(1, 1, 0, 0);
    EXPECT_EQ(b.GetYear(), 2024);
    EXPECT_EQ(b.GetMonth(), 1);
    EXPECT_EQ(b.GetDay(), 2);
    EXPECT_EQ(b.GetHour(), 0);
    EXPECT_EQ(b.GetMinute(), 30);
    COleDateTimeSpan diff = b - a;
    EXPECT_EQ(diff.GetDays(), 1);
    EXPECT_EQ(diff.GetHours(), 1);

    COleDateTime last(9999, 12, 31, 0, 0, 0);
    EXPECT_EQ((last + COleDateTimeSpan(1.0)).GetStatus(), COleDateTime::invalid);
    COleDateTime bad;
    bad.SetStatus(COleDateTime::invalid);
    EXPECT_EQ((bad + COleDateTimeSpan(1.0)).GetStatus(), COleDateTime::invalid);
}

TEST(AfxDate, FormatInTheFixedForm)
{
    EXPECT_EQ(COleDateTime(2023, 3, 15, 18, 5, 9).Format(), "3/15/2023 6:05:09 PM");
    EXPECT_EQ(COleDateTime(2023, 3, 15, 0, 0, 0).Format(), "3/15/2023");
    EXPECT_EQ(COleDateTime(2023, 3, 15, 0, 0, 1).Format(VAR_TIMEVALUEONLY, LOCALE_USER_DEFAULT), "12:00:01 AM");
    EXPECT_EQ(COleDateTime(2023, 3, 15, 13, 0, 0).Format(VAR_DATEVALUEONLY), "3/15/2023");
    COleDateTime invalid(2023, 2, 30, 0, 0, 0);
    EXPECT_EQ(invalid.Format(), "Invalid DateTime");
    COleDateTime none;
    none.SetStatus(COleDateTime::null);
    EXPECT_EQ(none.Format(), "");
}

TEST(AfxDate, FromOtherForms)
{
    VARIANT text;
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(u"3/15/2023 6:00:00 PM");
    COleDateTime fromText(text);
    VariantClear(&text);
    EXPECT_EQ(fromText.GetStatus(), COleDateTime::valid);
    EXPECT_EQ((double)fromText.m_dt, 45000.75);

    VARIANT word;
    word.vt = VT_BSTR;
    word.bstrVal = SysAllocString(u"soon");
    EXPECT_EQ(COleDateTime(word).GetStatus(), COleDateTime::invalid);
    VariantClear(&word);

    // 1 January 2000 00:00:00 UTC as a file time.
    ULONGLONG ticks = 125911584000000000ULL;
    FILETIME ft{(DWORD)ticks, (DWORD)(ticks >> 32)};
    COleDateTime fromFile(ft);
    EXPECT_EQ(fromFile.GetYear(), 2000);
    EXPECT_EQ(fromFile.GetDay(), 1);
    EXPECT_EQ(fromFile.GetHour(), 0);

    COleDateTime now = COleDateTime::GetCurrentTime();
    EXPECT_EQ(now.GetStatus(), COleDateTime::valid);
    EXPECT_GE(now.GetYear(), 2024);
}

} // namespace
