#include "vbEscape.h"

#include "vbTypesTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

enum Coder { esc, unesc, url, unurl, html, unhtml };

// The decoders of both forms with one shape: the wide forms take no code page.
bool decodeBs(const char* s, int len, vbString* out, unsigned cp) { return vbUnescape(s, len, out, cp); }
bool decodeBs(const WCHAR* s, int len, vbBSTR* out, unsigned) { return vbUnescape(s, len, out); }
bool decodeUrl(const char* s, int len, vbString* out, unsigned cp, bool bPlus) { return vbUrlUnescape(s, len, out, cp, bPlus); }
bool decodeUrl(const WCHAR* s, int len, vbBSTR* out, unsigned, bool bPlus) { return vbUrlUnescape(s, len, out, bPlus); }
bool decodeHtml(const char* s, int len, vbString* out, unsigned cp, bool bBr) { return vbHtmlUnescape(s, len, out, bBr, cp); }
bool decodeHtml(const WCHAR* s, int len, vbBSTR* out, unsigned, bool bBr) { return vbHtmlUnescape(s, len, out, bBr); }

// Runs one coder over src (its whole length) into an output that already holds "<"; answers what
// was appended, or "(false)" when the coder answered false (after checking that nothing was
// appended).
template <class C, class Out>
std::basic_string<C> run(Coder coder, const std::basic_string<C>& src, bool flag, const C* extra, const C* keep,
    unsigned codePage)
{
    const C start[] = {C('<'), C(0)};
    Out out(start);
    const C* s = src.data();
    const int len = int(src.size());
    bool ok = false;
    switch (coder) {
    case esc:
        ok = vbEscape(s, len, &out, extra, keep, flag);
        break;
    case unesc:
        ok = decodeBs(s, len, &out, codePage);
        break;
    case url:
        ok = vbUrlEscape(s, len, &out, extra, keep, flag);
        break;
    case unurl:
        ok = decodeUrl(s, len, &out, codePage, flag);
        break;
    case html:
        ok = vbHtmlEscape(s, len, &out, extra, keep, flag);
        break;
    case unhtml:
        ok = decodeHtml(s, len, &out, codePage, flag);
        break;
    }
    const C* text = static_cast<const C*>(out);
    std::basic_string<C> appended(text + 1, size_t(out.GetLength() - 1));
    if (!ok) {
        EXPECT_TRUE(appended.empty()) << "a coder that answers false appended text";
        const char* no = "(false)";
        return std::basic_string<C>(no, no + 7);
    }
    return appended;
}

std::string run8(Coder coder, const std::string& src, bool flag = false, const char* extra = nullptr,
    const char* keep = nullptr, unsigned codePage = 0)
{
    return run<char, vbString>(coder, src, flag, extra, keep, codePage);
}

std::u16string run16(Coder coder, const std::u16string& src, bool flag = false, const WCHAR* extra = nullptr,
    const WCHAR* keep = nullptr)
{
    return run<WCHAR, vbBSTR>(coder, src, flag, extra, keep, 0);
}

struct Case8 {
    Coder coder;
    std::string src;
    std::string out;
    bool flag = false;
    const char* extra = nullptr;
    const char* keep = nullptr;
    unsigned codePage = 0;
};

void check(const Case8& c)
{
    const std::string got = run8(c.coder, c.src, c.flag, c.extra, c.keep, c.codePage);
    EXPECT_EQ(vbtypes::hexBytes(got.data(), got.size()), vbtypes::hexBytes(c.out.data(), c.out.size()))
        << "coder " << c.coder << " of \"" << c.src << "\"";
}

} // namespace

TEST(vbEscape, BackslashEscapes)
{
    const Case8 cases[] = {
        {esc, "ab", "(false)"},
        {esc, "a\tb", "a\\tb"},
        {esc, std::string("\0\r\n\"'\\", 6), "\\0\\r\\n\\\"\\'\\\\"},
        {esc, std::string("\0" "1", 2), "\\x001"},
        {esc, "\x01\x7F", "\\x01\x7F"},
        {esc, "\xE9", "\\xE9"},
        {esc, "\xE9", "\\u00E9", true},
        {esc, "a\"b", "(false)", false, nullptr, "\""},
        {esc, "a\"b'", "a\"b\\'", false, nullptr, "\""},
        {esc, "ab", "\\x61b", false, "a"},
        {unesc, "\\x41\\0101\\u0041", "AAA"},
        {unesc, "a\\", "(false)"},
        {unesc, "\\n\\r\\t\\\\\\\"\\q", "\n\r\t\\\"q"},
        {unesc, "\\0", std::string("\0", 1)},
        {unesc, "\\0777", "\xFF"},
        {unesc, "\\01234", "\x53" "4"},
        {unesc, "\\xg\\ug", "xgug"},
        {unesc, "\\xe9z", "\xE9z"},
        {unesc, "\\u00e9", "\xC3\xA9"},
        {unesc, "\\u00e9", "\xE9", false, nullptr, nullptr, 1252},
        {unesc, "\\u12345", "\xE1\x88\xB4" "5"},
        {unesc, "plain", "(false)"},
    };
    for (const Case8& c : cases)
        check(c);
    EXPECT_EQ(run16(esc, u"a\u00E9\u2013"), u"a\\xE9\\u2013");
    EXPECT_EQ(run16(esc, u"\u00E9", true), u"\\u00E9");
    EXPECT_EQ(run16(unesc, u"\\x41\\0101\\u2013\\"), u"AA\u2013\\");
}

TEST(vbEscape, UrlEscapes)
{
    const Case8 cases[] = {
        {url, "100%", "100%25"},
        {url, "a b", "(false)"},
        {url, "a b", "a+b", false, " "},
        {url, "a+b:c~", "a%2Bb%3Ac%7E"},
        {url, "a+b", "(false)", false, nullptr, "+"},
        {url, "\xE9\x7F", "%E9\x7F"},
        {url, "\xE9", "%u00E9", true},
        {unurl, "a%2Fb", "a/b"},
        {unurl, "%41%42", "AB"},
        {unurl, "50%%", "50%"},
        {unurl, "a+b", "(false)"},
        {unurl, "a+b", "a b", true},
        {unurl, "%4", "\x04"},
        {unurl, "%4g", "\x04g"},
        {unurl, "50%", "(false)"},
        {unurl, "%zq", "zq"},
        {unurl, "%u", "u"},
        {unurl, "%u00e9", "\xC3\xA9"},
        {unurl, "%u2013", "\x96", false, nullptr, nullptr, 1252},
        {unurl, "%E9", "\xE9"},
    };
    for (const Case8& c : cases)
        check(c);
    EXPECT_EQ(run16(url, u"\u00E9\u2013 "), u"%E9%u2013 ");
    EXPECT_EQ(run16(url, u"\u00E9", true), u"%u00E9");
    EXPECT_EQ(run16(unurl, u"%E9%u2013+", true), u"\u00E9\u2013 ");
}

TEST(vbEscape, HtmlReferences)
{
    const Case8 cases[] = {
        {html, "a<b", "a&lt;b"},
        {html, "\xE9", "&eacute;"},
        {html, "\x80", "&#128;"},
        {html, "\r\n", "<br>\r\n", true},
        {html, "a\nb\r\nc", "a\r\nb\r\nc"},
        {html, "\r'\"&>\t", "&#13;&#39;&quot;&amp;&gt;&#9;"},
        {html, "~a", "(false)"},
        {html, "~a", "&tilde;&#97;", false, "~a"},
        {html, "a<b", "(false)", false, nullptr, "<"},
        {unhtml, "&amp;&lt;", "&<"},
        {unhtml, "&#65;", "A"},
        {unhtml, "&commat;", "@"},
        {unhtml, "&unknown;", "(false)"},
        {unhtml, "&#65601;", "(false)"},
        {unhtml, "&#99999999999;", "(false)"},
        {unhtml, "&#65535;", "\xEF\xBF\xBF"},
        {unhtml, "&ndash;", "\x96"},
        {unhtml, "x&emsp;y", "xy"},
        {unhtml, "&trade;", ""},
        {unhtml, "&verbar;", "(false)"},
        {unhtml, "&eacute;", "\xE9"},
        {unhtml, "&#233;", "\xC3\xA9"},
        {unhtml, "&#233;", "\xE9", false, nullptr, nullptr, 1252},
        {unhtml, "&#x41;", "(false)"},
        {unhtml, "&#;&;&amp", "(false)"},
        {unhtml, "&abcdefghijkl;", "(false)"},
        {unhtml, "&a b;&lt;", "&a b;<"},
        {unhtml, "a\r\nb\rc\nd<BR>e<br/>", "a b c d\r\ne<br/>", true},
        {unhtml, "a\r\nb", "(false)"},
    };
    for (const Case8& c : cases)
        check(c);
    EXPECT_EQ(run16(html, u"\u00E9\u2013<"), u"&eacute;&#8211;&lt;");
    EXPECT_EQ(run16(unhtml, u"&ndash;&trade;&eacute;&#8211;&#65601;"), u"\u2013\u2122\u00E9\u2013&#65601;");
    EXPECT_EQ(run16(unhtml, u"&emsp;"), u"");
}

TEST(vbEscape, EveryCoderRefusesAnEmptyLength)
{
    for (Coder c : {esc, unesc, url, unurl, html, unhtml}) {
        EXPECT_EQ(run8(c, ""), "(false)");
        EXPECT_EQ(run16(c, u""), u"(false)");
    }
}

TEST(vbEscape, EmbeddedZerosAreOrdinaryAndTheWholeLengthIsRead)
{
    EXPECT_EQ(run8(url, std::string("a\0b", 3)), "a%00b");
    EXPECT_EQ(run8(html, std::string("\0<", 2)), "&#0;&lt;");
    EXPECT_EQ(run8(unurl, std::string("\0%41", 4)), std::string("\0A", 2));
    // A length that ends inside an escape reads no further.
    vbString out;
    EXPECT_FALSE(vbUrlUnescape("50%41", 3, &out, 0, false));
    EXPECT_TRUE(vbUnescape("\\x4142", 3, &out, 0));
    EXPECT_EQ(std::string(out.c_str()), "\x04");
}

TEST(vbEscape, EntityTableIsSortedAndFoundByName)
{
    int count = 0;
    const vbHtmlEntity* table = vbHtmlEntities(&count);
    ASSERT_EQ(count, 121);
    int encoded = 0;
    for (int i = 0; i < count; ++i) {
        if (i + 1 < count - 1) {
            EXPECT_LT(std::strcmp(table[i].name, table[i + 1].name), 0) << table[i].name;
        }
        encoded += table[i].bEncode;
        const char* name = table[i].name;
        const vbHtmlEntity* found = vbHtmlFindEntity(name, int(std::strlen(name)));
        if (i == count - 1)
            EXPECT_EQ(found, nullptr);
        else
            EXPECT_EQ(found, &table[i]) << name;
    }
    EXPECT_EQ(encoded, 91);
    EXPECT_STREQ(table[count - 1].name, "verbar");
    // Every character reads back through its entity or (below 128) its numeric reference.
    for (int c = 1; c < 256; ++c) {
        const std::string one(1, char(c));
        std::string coded = run8(html, one, false, one.c_str());
        ASSERT_NE(coded, "(false)") << c;
        if (c == '\n' || (c >= 128 && coded.rfind("&#", 0) == 0))
            continue;
        EXPECT_EQ(run8(unhtml, coded, false, nullptr, nullptr, 1252), one) << coded;
    }
}

TEST(vbEscape, StringForms)
{
    bool flag = true;
    const vbString plain("abc");
    EXPECT_EQ(vbEscape(plain, &flag), plain);
    EXPECT_FALSE(flag);
    EXPECT_STREQ(vbEscape(vbString("a\"b"), nullptr), "a\\\"b");
    EXPECT_STREQ(vbUnescape(vbString("a\\x41")), "aA");
    EXPECT_STREQ(vbUnescape(vbString("a\\")), "a\\");
}

TEST(vbEscape, RoundTrips)
{
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += char(c);
    for (Coder pair : {esc, url}) {
        vbString coded;
        ASSERT_TRUE(pair == esc ? vbEscape(all.data(), 256, &coded) : vbUrlEscape(all.data(), 256, &coded));
        vbString back;
        ASSERT_TRUE(pair == esc ? vbUnescape(coded.c_str(), coded.GetLength(), &back, 0)
                                : vbUrlUnescape(coded.c_str(), coded.GetLength(), &back, 0, false));
        EXPECT_EQ(std::string(back.c_str(), size_t(back.GetLength())), all);
    }
    std::u16string wide;
    for (int c = 0; c < 0x3000; c += 7)
        wide += WCHAR(c);
    vbBSTR coded;
    ASSERT_TRUE(vbHtmlEscape(wide.data(), int(wide.size()), &coded, u"", nullptr, false));
    vbBSTR back;
    ASSERT_TRUE(vbHtmlUnescape(static_cast<const WCHAR*>(coded), coded.GetLength(), &back, false));
    EXPECT_EQ(std::u16string(static_cast<const WCHAR*>(back), size_t(back.GetLength())), wide);
}
