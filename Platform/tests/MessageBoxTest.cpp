#include "plat/errors.h"
#include "plat/msgbox.h"
#include "plat/sysmetrics.h"
#include "ui/SysColorBrush.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageBox, HeadlessBoxesAreRecordedAndAnswerThePolicy)
{
    plat::resetMessageBoxPolicy();
    EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", MB_OK | MB_ICONHAND), IDOK);
    plat::setMessageBoxAnswer(IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "question", nullptr, MB_YESNO | MB_ICONQUESTION), IDNO);
    SetLastError(0);
    EXPECT_EQ(MessageBoxA(nullptr, "bad", "bad", 0x0F), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_MSGBOX_STYLE));

    auto records = plat::messageBoxRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].text, "text");
    EXPECT_EQ(records[0].caption, "caption");
    EXPECT_EQ(records[0].type, UINT(MB_OK | MB_ICONHAND));
    EXPECT_EQ(records[1].caption, "Error");

    EXPECT_TRUE(MessageBeep(0x40));
    EXPECT_TRUE(MessageBeep(0));
    EXPECT_EQ(plat::messageBeepCount(), 2u);
    plat::resetMessageBoxPolicy();
    EXPECT_TRUE(plat::messageBoxRecords().empty());
    EXPECT_EQ(plat::messageBeepCount(), 0u);
}

TEST(SystemColors, ClassicTableAndBrushes)
{
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), 0x00C0C0C0u);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), 0x00FFFFFFu);
    EXPECT_EQ(GetSysColor(COLOR_INFOBK), 0x00E1FFFFu);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), 0x00800000u);
    for (int bad : {-1, 31, 47})
        EXPECT_EQ(GetSysColor(bad), 0u) << bad;
    EXPECT_EQ(GetSysColorBrush(31), nullptr);
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), face);
    EXPECT_EQ(plat::ui::sysColorBrushIndex(face), COLOR_BTNFACE);
    EXPECT_EQ(plat::ui::sysColorBrushIndex(reinterpret_cast<HBRUSH>(uintptr_t(0x1234))), -1);
}

TEST(SystemMetrics, ValuesTheLibrariesAskFor)
{
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 16);
    EXPECT_EQ(GetSystemMetrics(SM_CYHSCROLL), 16);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
    EXPECT_EQ(GetSystemMetrics(SM_CYCURSOR), 32);
    EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
    EXPECT_EQ(GetSystemMetrics(9999), 0);
}

} // namespace
