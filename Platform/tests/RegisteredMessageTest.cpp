#include "plat/errors.h"
#include "plat/message.h"
#include "ui/RegisteredNames.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::vector<UINT> numbersInHelper(const std::string& args)
{
    std::string command = std::string(VNT_BIN_DIR) + "/plat_helper_regmsg " + args;
    FILE* pipe = popen(command.c_str(), "r");
    std::vector<UINT> out;
    if (!pipe)
        return out;
    unsigned value;
    while (std::fscanf(pipe, "%u", &value) == 1)
        out.push_back(value);
    pclose(pipe);
    return out;
}

TEST(RegisteredMessage, SameNumberInEveryProcessWithoutRegardToCase)
{
    // The other process registers first and a name of its own, so that numbers cannot agree by
    // chance of order.
    std::vector<UINT> theirs = numbersInHelper("'Other Msg' 'X Msg'");
    ASSERT_EQ(theirs.size(), 2u);
    UINT mine = RegisterWindowMessageA("X Msg");
    EXPECT_GE(mine, 0xC000u);
    EXPECT_EQ(mine, theirs[1]);
    EXPECT_EQ(RegisterWindowMessageA("x msg"), mine);
    EXPECT_NE(RegisterWindowMessageA("Other Msg"), mine);
    EXPECT_EQ(numbersInHelper("'X MSG'"), std::vector<UINT>{mine});
    EXPECT_EQ(RegisterClipboardFormatA("X Msg"), mine);
}

TEST(RegisteredMessage, BadNamesAreRefused)
{
    std::string tooLong(256, 'a');
    for (const char* bad : {static_cast<const char*>(nullptr), "", tooLong.c_str()}) {
        SetLastError(0);
        EXPECT_EQ(RegisterWindowMessageA(bad), 0u);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    }
    std::string longest(255, 'b');
    EXPECT_GE(RegisterWindowMessageA(longest.c_str()), 0xC000u);
    // Line ends and escapes inside a name keep their own numbers.
    UINT odd = RegisterWindowMessageA("two\nlines %0A");
    EXPECT_NE(odd, RegisterWindowMessageA("two"));
    EXPECT_EQ(RegisterWindowMessageA("TWO\nLINES %0a"), odd);
}

TEST(RegisteredMessage, TableReadingAcceptsAnyBytes)
{
    using plat::ui::parseRegisteredNames;
    EXPECT_TRUE(parseRegisteredNames("").empty());
    EXPECT_EQ(parseRegisteredNames("a\nb%25%0A%0D%zz%\ncut"),
        (std::vector<std::string>{"a", "b%\n\r%zz%", "cut"}));
    EXPECT_EQ(parseRegisteredNames(std::string("\0\n\n", 3)), (std::vector<std::string>{std::string(1, '\0'), ""}));
    std::string huge;
    for (int i = 0; i < 0x4100; ++i)
        huge += "n\n";
    EXPECT_EQ(parseRegisteredNames(huge).size(), 0x4000u);
}

} // namespace
