#include "plat/codepage.h"
#include "plat/errors.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string toWide(UINT page, const std::string& bytes, DWORD flags = 0)
{
    int needed = MultiByteToWideChar(page, flags, bytes.data(), int(bytes.size()), nullptr, 0);
    std::u16string out(size_t(needed), u'\0');
    if (needed) {
        EXPECT_EQ(MultiByteToWideChar(page, flags, bytes.data(), int(bytes.size()), out.data(), needed), needed);
    }
    return out;
}

std::string toBytes(UINT page, const std::u16string& text, BOOL* usedDefault = nullptr, DWORD flags = 0)
{
    int needed = WideCharToMultiByte(page, flags, text.data(), int(text.size()), nullptr, 0, nullptr, usedDefault);
    std::string out(size_t(needed), '\0');
    if (needed)
        WideCharToMultiByte(page, flags, text.data(), int(text.size()), out.data(), needed, nullptr, usedDefault);
    return out;
}

TEST(CodePage, Utf8RoundTripsOutsideLatin1)
{
    const std::string text = "Gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"; // Grüße € 日本 😀
    const std::u16string wide = u"Grüße € 日本 \U0001F600";
    for (UINT page : {UINT(CP_ACP), UINT(CP_UTF8)}) {
        EXPECT_EQ(toWide(page, text), wide);
        EXPECT_EQ(toBytes(page, wide), text);
    }
    EXPECT_EQ(GetACP(), 65001u);
    EXPECT_EQ(plat::utf8FromUtf16(plat::utf16FromUtf8(text)), text);

    // -1 counts the terminator; a short buffer fails with ERROR_INSUFFICIENT_BUFFER.
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0), 4);
    WCHAR small[2];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, small, 2), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
}

TEST(CodePage, InvalidInputIsReplacedOrRefused)
{
    struct Case {
        const char* bytes;
        std::u16string replaced;
    };
    const Case cases[] = {
        {"a\xFF" "b", u"a\uFFFDb"},
        {"\xC0\xAF", u"\uFFFD\uFFFD"},      // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // a surrogate
        {"\xE2\x82" "A", u"\uFFFDA"},        // cut short
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // beyond U+10FFFF
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toWide(CP_UTF8, c.bytes), c.replaced) << c.bytes;
        EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, c.bytes, -1, nullptr, 0), 0);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
    }
    const std::u16string lone = u"x\xD800y";
    EXPECT_EQ(toBytes(CP_UTF8, lone), "x\xEF\xBF\xBDy");
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone.data(), 3, nullptr, 0, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(CodePage, Windows1252)
{
    EXPECT_EQ(toWide(1252, "\x80"), u"\u20AC");
    EXPECT_EQ(toWide(1252, "\x9F\xE9\x81"), u"\u0178\u00E9\u0081");
    BOOL used = TRUE;
    EXPECT_EQ(toBytes(1252, u"\u20AC\u00E9", &used), "\x80\xE9");
    EXPECT_FALSE(used);
    EXPECT_EQ(toBytes(1252, u"a\u65E5\U0001F600", &used), "a??");
    EXPECT_TRUE(used);
    char out[4];
    EXPECT_EQ(WideCharToMultiByte(1252, 0, u"\u65E5", 1, out, sizeof out, "#", &used), 1);
    EXPECT_EQ(out[0], '#');
}

TEST(CodePage, OtherPagesThroughIconv)
{
    EXPECT_TRUE(IsValidCodePage(1252));
    EXPECT_TRUE(IsValidCodePage(65001));
    EXPECT_TRUE(IsValidCodePage(1251));
    EXPECT_FALSE(IsValidCodePage(12345));
    EXPECT_EQ(toWide(1251, "\xC0\xE1"), u"\u0410\u0431"); // Cyrillic А б
    BOOL used = FALSE;
    EXPECT_EQ(toBytes(1251, u"\u0410\u20AC\u65E5", &used), "\xC0\x88?");
    EXPECT_TRUE(used);
    EXPECT_EQ(MultiByteToWideChar(12345, 0, "a", 1, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

} // namespace
