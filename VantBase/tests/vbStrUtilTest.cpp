#include "vbStrUtil.h"

#include "vbTypesTestUtil.h"

#include "plat/handles.h"
#include "plat/process.h"
#include "plat/sync.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using vbtypes::expectEsys;

TEST(vbStrUtil, InStrFindsTextAndCharactersFromOne)
{
    const vbString text("abcabc");
    EXPECT_EQ(InStr(1, text, 'c', 0), 3);
    EXPECT_EQ(InStr(4, text, 'c', 0), 6);
    EXPECT_EQ(InStr(7, text, 'c', 0), 0);
    EXPECT_EQ(InStr(1, text, 'C', 0), 0);
    EXPECT_EQ(InStr(1, text, 'C', 1), 3);
    EXPECT_EQ(InStr(1, text, vbString("ca"), 0), 3);
    EXPECT_EQ(InStr(4, text, vbString("bc"), 0), 5);
    EXPECT_EQ(InStr(1, text, vbString("BCA"), 0), 0);
    EXPECT_EQ(InStr(1, text, vbString("BCA"), 1), 2);
    EXPECT_EQ(InStr(5, text, vbString("abc"), 0), 0);
    EXPECT_EQ(InStr(3, text, vbString(""), 0), 3);
    EXPECT_EQ(InStr(1, vbString(""), vbString(""), 0), 0);
    EXPECT_EQ(InStr(9, text, vbString("c"), 0), 0);
    expectEsys([&] { (void)InStr(0, text, 'c', 0); }, E_FAIL, "InStr(), bad start pos (=0)");
    expectEsys([&] { (void)InStr(-3, text, vbString("c"), 0); }, E_FAIL, "InStr(), bad start pos (=-3)");
}

TEST(vbStrUtil, SplitTrimsPartsAndAppends)
{
    struct Case {
        const char* text;
        const char* sep;
        int noCase;
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        {"a, b ,c", ",", 0, {"a", "b", "c"}},
        {"xaby", "ab", 0, {"x", "y"}},
        {"xABy", "ab", 0, {"xABy"}},
        {"xABy", "ab", 1, {"x", "y"}},
        {"", ",", 0, {""}},
        {"  a,  ", ",", 0, {"a", ""}},
        {",,", ",", 0, {"", "", ""}},
    };
    for (const Case& c : cases) {
        vbArray<vbString> parts;
        parts.Add(vbString("kept"));
        EXPECT_EQ(vbSplit(vbString(c.text), vbString(c.sep), &parts, c.noCase), int(c.parts.size())) << c.text;
        ASSERT_EQ(parts.GetLength(), int(c.parts.size()) + 1) << c.text;
        EXPECT_STREQ(parts[1], "kept");
        for (size_t i = 0; i < c.parts.size(); ++i)
            EXPECT_EQ(std::string(parts[int(i) + 2].c_str()), c.parts[i]) << c.text;
    }
    vbArray<vbString> parts;
    EXPECT_EQ(vbSplit(vbString("abcd"), vbString(""), &parts, 0), 4);
    EXPECT_EQ(parts.GetLength(), 0);
    EXPECT_EQ(vbSplit(vbString("a;b"), vbString(";"), nullptr, 0), 2);
}

TEST(vbStrUtil, IntegersWithPrefixesSignsAndEnd)
{
    struct Case {
        const char* text;
        int base;
        int64_t value;
        int used; // characters before *pEnd
    };
    const Case cases[] = {
        {"0x1F", 0, 31, 4},
        {"0X1f", 0, 31, 4},
        {"010", 0, 8, 3},
        {"0b101", 0, 5, 5},
        {"-42", 0, -42, 3},
        {"  +7  x", 0, 7, 6},
        {"- 9", 10, -9, 3},
        {"09", 0, 0, 1},
        {"zz", 36, 35 * 36 + 35, 2},
        {"1010", 2, 10, 4},
        {"ff", 16, 255, 2},
        {"9223372036854775807", 0, INT64_MAX, 19},
        {"-9223372036854775807", 0, -INT64_MAX, 20},
    };
    for (const Case& c : cases) {
        int64_t value = 1234;
        const char* end = nullptr;
        EXPECT_TRUE(vbStrToInt64(c.text, &value, c.base, &end)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(end - c.text, c.used) << c.text;
    }
}

TEST(vbStrUtil, IntegersRefuseWrapsAndTextsWithoutDigits)
{
    // Both wrap to a larger value when the overflow is looked for after the step.
    const char* const signedFails[] = {"9223372036854775808", "-9223372036854775808", "23058430092136939530",
        "", "  ", "-", "x1", "0x", "0xg"};
    for (const char* text : signedFails) {
        int64_t value = 77;
        EXPECT_FALSE(vbStrToInt64(text, &value, 0, nullptr)) << text;
        EXPECT_EQ(value, 77) << text;
    }
    uint64_t u = 0;
    const char* end = nullptr;
    EXPECT_TRUE(vbStrToUint64("18446744073709551615", &u, 0, &end));
    EXPECT_EQ(u, UINT64_MAX);
    EXPECT_EQ(*end, '\0');
    EXPECT_TRUE(vbStrToUint64("0xFFFFFFFFFFFFFFFF", &u, 0, nullptr));
    EXPECT_EQ(u, UINT64_MAX);
    EXPECT_FALSE(vbStrToUint64("18446744073709551616", &u, 0, nullptr));
    EXPECT_FALSE(vbStrToUint64("46116860184273879050", &u, 0, nullptr));
    EXPECT_FALSE(vbStrToUint64("0x10000000000000000", &u, 0, nullptr));
    const char* minus = "  -5";
    EXPECT_FALSE(vbStrToUint64(minus, &u, 0, &end));
    EXPECT_EQ(end, minus + 2);
    EXPECT_FALSE(vbStrToInt64(nullptr, nullptr, 0, nullptr));
}

TEST(vbStrUtil, IntegerBaseOutOfRangeThrows)
{
    for (int base : {1, -1, 37}) {
        const std::string msg = "vbStrToInt64() : base = " + std::to_string(base) + " is invalid";
        expectEsys([&] { (void)vbStrToInt64("1", nullptr, base, nullptr); }, E_FAIL, msg);
        expectEsys([&] { (void)vbStrToUint64("1", nullptr, base, nullptr); }, E_FAIL, msg);
    }
}

TEST(vbStrUtil, GuidTextReadsBackAndFailsWithoutTouching)
{
    const GUID g = {0x4721E866, 0x2F5E, 0x487F, {0xAA, 0x2B, 0x3E, 0xF5, 0x4D, 0x9D, 0x6C, 0x18}};
    const vbString written = " " + vbString(g, true) + " ";
    GUID read = {};
    const char* end = nullptr;
    ASSERT_TRUE(vbStrToGuid(written, &read, &end));
    EXPECT_EQ(std::memcmp(&read, &g, sizeof g), 0);
    EXPECT_EQ(end, written.c_str() + written.GetLength());

    const char* const good[] = {"4721e866-2f5e-487f-aa2b3ef54d9d6c18", "{ 4721E866-2F5E-487F-AA-2B-3E-F5-4D-9D-6C-18 }",
        "\t\r\n4721E866-2F5E-487F-AA2B-3EF54D9D6C18"};
    for (const char* text : good) {
        GUID other = {};
        EXPECT_TRUE(vbStrToGuid(text, &other, nullptr)) << text;
        EXPECT_EQ(std::memcmp(&other, &g, sizeof g), 0) << text;
    }
    const char* const bad[] = {"{4721E866-2F5E-487F-AA2B-3EF54D9D6C}", "4721E866-2F5E-487F-AA2B-3EF54D9D6C1",
        "14721E8661-2F5E-487F-AA2B-3EF54D9D6C18", "4721E866-12F5E-487F-AA2B-3EF54D9D6C18", "-2F5E-487F-AA2B-3EF54D9D6C18",
        "4721E866-2F5E-487F-AA2B-3EF54D9D6CX8", "", nullptr};
    for (const char* text : bad) {
        GUID other = g;
        EXPECT_FALSE(vbStrToGuid(text, &other, nullptr)) << (text ? text : "(null)");
        EXPECT_EQ(std::memcmp(&other, &g, sizeof g), 0);
    }
    const char* braced = "{4721E866-2F5E-487F-AA2B-3EF54D9D6C18}x";
    EXPECT_TRUE(vbStrToGuid(braced, nullptr, &end));
    EXPECT_EQ(*end, 'x');
}

TEST(vbStrUtil, ComparatorsOrderNumerically)
{
    EXPECT_LT(vbSortLong(-1, 1), 0);
    EXPECT_GT(vbSortUlong(0xFFFFFFFFu, 1), 0);
    EXPECT_EQ(vbSortInt64(INT64_MIN, INT64_MIN), 0);
    EXPECT_GT(vbSortUint64(UINT64_MAX, 0), 0);
    const LONG l = 5;
    EXPECT_EQ(vbFindLong(5, &l), 0);
    const uint64_t u = 7;
    EXPECT_LT(vbFindUint64(6, &u), 0);
    struct Record {
        vbString key;
        int other;
    } record{vbString("b"), 0};
    EXPECT_LT(vbFindString(vbString("a"), &record), 0);
    EXPECT_EQ(vbFindString(vbString("b"), &record), 0);
    EXPECT_GT(vbSortString(vbString("\xC3\xA9"), vbString("z")), 0);
}

TEST(vbStrUtil, FormatErrFallsBackToLowBits)
{
    const vbString text = vbFormatErr(2);
    EXPECT_FALSE(text.IsEmpty());
    EXPECT_EQ(vbFormatErr(LONG(0x80070002u)), text);
    EXPECT_EQ(vbFormatErr(0x00070002), text);
    EXPECT_TRUE(vbFormatErr(LONG(0xA0007777u)).IsEmpty());
}

TEST(vbStrUtil, MicrosecondClocksAdvance)
{
    const uint64_t t0 = vbGetTimeInMicroSec();
    const uint64_t c0 = vbGetTimeSpentInMicroSec();
    volatile uint64_t spin = 0;
    while (vbGetTimeSpentInMicroSec() - c0 < 2000)
        spin = spin + 1;
    EXPECT_GE(vbGetTimeInMicroSec() - t0, 2000u);
    EXPECT_NE(t0, UINT64_MAX);
}

TEST(vbStrUtil, LaunchFileQuotesTheProgramAndWaitsForItsExitCode)
{
    const vbString child(VNT_BIN_DIR "/vb_helper_launchargs");
    const vbString args("a \"b c\"");
    EXPECT_EQ(vbLaunchFile(vbLaunchWait, nullptr, child, args, vbString()), reinterpret_cast<void*>(42));
    EXPECT_EQ(vbLaunchFile(vbLaunchWait | vbLaunchAttached | 3, nullptr, child, vbString("a b c"), vbString("/")),
        reinterpret_cast<void*>(3));
    EXPECT_EQ(vbLaunchFile(vbLaunchShell | vbLaunchDdeWait | vbLaunchWait, nullptr, child, args, vbString()),
        reinterpret_cast<void*>(42));

    HANDLE process = vbLaunchFile(0, nullptr, child, args, vbString());
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(process, &code));
    EXPECT_EQ(code, 42u);
    CloseHandle(process);

    const vbString missing(VNT_BIN_DIR "/no_such_program");
    for (ULONG flags : {0u, ULONG(vbLaunchShell)}) {
        expectEsys([&] { (void)vbLaunchFile(flags, nullptr, missing, vbString(), vbString()); }, HRESULT(0x80070002u),
            "Can't execute program '" + std::string(missing.c_str()) + "' !");
    }
}
