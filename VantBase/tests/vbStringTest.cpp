#include "vbException.h"
#include "vbString.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

// Runs f, expects a vbEsys with the code and message, and deletes it.
template <class F>
void expectEsys(F f, HRESULT hr, const std::string& msg)
{
    try {
        f();
        ADD_FAILURE() << "no exception; expected: " << msg;
    } catch (vbEsys* e) {
        EXPECT_EQ(e->GetRealHR(), hr);
        EXPECT_EQ(std::string(e->GetMsg()), msg);
        e->Delete();
    }
}

TEST(vbString, PositionsAreOneBasedAndBadOnesThrow)
{
    const vbString abc("abc");
    EXPECT_EQ(abc.Find('a'), 1);
    EXPECT_EQ(abc.Find('z'), 0);
    EXPECT_EQ(abc.Find("bc"), 2);
    EXPECT_EQ(abc.Find('c', 3), 3);
    EXPECT_EQ(abc.Find('a', 2), 0);
    EXPECT_EQ(abc.ReverseFind('c'), 3);
    EXPECT_EQ(abc.FindOneOf("xc"), 3);
    EXPECT_STREQ(abc.Mid(4), "");
    EXPECT_STREQ(abc.Mid(2, 100), "bc");
    EXPECT_STREQ(abc.Mid(1, 0), "");
    EXPECT_EQ(abc.GetAt(1), 'a');
    EXPECT_EQ(abc[3], 'c');

    expectEsys([&] { (void)abc.Mid(0, 1); }, E_FAIL, "vbString::Mid(0,1) : bad arg");
    expectEsys([&] { (void)abc.Mid(1, -1); }, E_FAIL, "vbString::Mid(1,-1) : bad arg");
    expectEsys([&] { (void)abc.Mid(0); }, E_FAIL, "vbString::Mid(0) : bad arg");
    expectEsys([&] { (void)abc.GetAt(4); }, E_FAIL, "vbString::GetAt(4) : bad index");
    expectEsys([&] { (void)abc.GetAt(0); }, E_FAIL, "vbString::GetAt(0) : bad index");
    expectEsys([&] { (void)abc[4]; }, E_FAIL, "vbString::GetAt(4) : bad index");
    expectEsys([&] { (void)abc.Find('a', 0); }, E_FAIL, "vbString::Find(start=0) : bad index");
    vbString w("abc");
    expectEsys([&] { w.SetAt(4, 'x'); }, E_FAIL, "vbString::SetAt(4) : bad index");
    expectEsys([&] { w.Insert(0, 'x'); }, E_FAIL, "vbString::Insert(0) : bad index");
    expectEsys([&] { w.Delete(0, 1); }, E_FAIL, "vbString::Delete(0,1) : bad arg");
    expectEsys([&] { w.Delete(1, -1); }, E_FAIL, "vbString::Delete(1,-1) : bad arg");
    EXPECT_STREQ(w, "abc"); // failed edits change nothing
}

TEST(vbString, EditingKeepsCopiesApart)
{
    vbString a("hello");
    vbString b(a);
    b.SetAt(1, 'J');
    EXPECT_STREQ(a, "hello");
    EXPECT_STREQ(b, "Jello");

    EXPECT_EQ(b.Insert(1, '>'), 6);
    EXPECT_EQ(b.Insert(100, "!!"), 8); // past the end appends
    EXPECT_EQ(b.Insert(2, b.c_str() + 1), 15); // a piece of itself
    EXPECT_STREQ(b, ">Jello!!Jello!!");
    EXPECT_EQ(b.Delete(2, 7), 8);
    EXPECT_EQ(b.Delete(100, 1), 8);
    EXPECT_EQ(b.Delete(8, 50), 7);
    EXPECT_STREQ(b, ">Jello!");

    vbString p("abc");
    EXPECT_STREQ(p.Pad(2, '.'), "ab");
    EXPECT_STREQ(vbString("ab").Pad(4, '.'), "ab..");
    EXPECT_STREQ(vbString("42").PadLeft(5, '0'), "00042");
    EXPECT_STREQ(vbString("123456").PadLeft(3, '0'), "123");

    vbString t("  \t x y \r\n");
    t.Trim();
    EXPECT_STREQ(t, "x y");
    vbString u("--x--");
    u.Trim('-');
    EXPECT_STREQ(u, "x");
    vbString v("*-x-*");
    v.Trim("*-");
    EXPECT_STREQ(v, "x");
    EXPECT_STREQ(vbTrimmed("  a b  "), "a b");
    EXPECT_STREQ(vbTrimmed(" \t "), "");

    vbString s;
    s.Add("abcdef", 3);
    s.Add("x", 0);
    EXPECT_STREQ(s, "abc");
    s.Set("xyz", 2);
    EXPECT_STREQ(s, "xy");
    s.Set("xyz", -1);
    EXPECT_TRUE(s.IsEmpty());
    s.SetLength(3);
    EXPECT_EQ(s.GetLength(), 3);
    s.SetLength(0);
    EXPECT_FALSE(s.IsValid());
}

TEST(vbString, BuiltFromValues)
{
    struct Case {
        vbString value;
        const char* text;
    };
    const GUID g = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    const Case cases[] = {
        {vbString(255, true), "FF"},
        {vbString(-1, false), "-1"},
        {vbString(-1, true), "FFFFFFFF"},
        {vbString(0xFFFFFFFFu, true), "FFFFFFFF"},
        {vbString(0xFFFFFFFFu), "4294967295"},
        {vbString(INT64_MIN), "-9223372036854775808"},
        {vbString(UINT64_MAX, true), "FFFFFFFFFFFFFFFF"},
        {vbString(true), "True"},
        {vbString(false), "False"},
        {vbString(1.5), "1.500000"},
        {vbString(g), "{01234567-89AB-CDEF-0123-456789ABCDEF}"},
        {vbString(g, false), "01234567-89AB-CDEF-0123-456789ABCDEF"},
        {vbString('x', 3), "xxx"},
        {vbString("abcdef", 2), "ab"},
        {vbString(static_cast<const char*>(nullptr)), ""},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(c.value, c.text);
}

TEST(vbString, HugeDoubleIsFormattedWhole)
{
    vbString s(1e300);
    EXPECT_EQ(s.GetLength(), 301 + 7); // 301 digits, the point and six decimals
    EXPECT_EQ(s.Find(".000000"), 302);
}

TEST(vbString, CopiesSharedAcrossThreads)
{
    const vbString shared("shared text");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&shared, t] {
            for (int i = 0; i < 20000; ++i) {
                vbString copy(shared);
                if (i % 3 == 0)
                    copy.SetAt(1, static_cast<char>('a' + t)); // the writer's copy becomes its own
                vbString other = copy;
                other += 'x';
            }
        });
    for (std::thread& th : threads)
        th.join();
    EXPECT_STREQ(shared, "shared text");
}

TEST(vbString, ToBoolAndToInt)
{
    const struct {
        const char* text;
        bool value;
    } cases[] = {{"True", true}, {"yes", true}, {"1", true}, {"t", true}, {"", false}, {"False", false},
        {"0", false}, {"no", false}, {" true", false}};
    for (const auto& c : cases)
        EXPECT_EQ(vbString(c.text).ToBool(), c.value) << c.text;

    EXPECT_EQ(vbStringToInt(vbString()), 0);
    EXPECT_EQ(vbStringToInt(vbString("  -42abc")), -42);
    EXPECT_EQ(vbStringToInt(vbString("x1")), 0);
}

TEST(vbString, ComparisonsFoldAsciiOnly)
{
    EXPECT_EQ(vbSortStringNC(vbString("ABC"), vbString("abc")), 0);
    EXPECT_LT(vbSortStringNC(vbString("abc"), vbString("ABD")), 0);
    EXPECT_NE(vbString("\xC3\x89").CompareNoCase("\xC3\xA9"), 0); // É and é stay apart
    EXPECT_TRUE(vbString("a") < vbString("b"));
    EXPECT_TRUE(vbString("ab") == "ab");
    vbString m("MiXeD");
    m.MakeLower();
    EXPECT_STREQ(m, "mixed");
    m.MakeUpper();
    EXPECT_STREQ(m, "MIXED");
}

TEST(vbString, FrameworkMembers)
{
    vbString s("a-b-c");
    EXPECT_EQ(s.Replace('-', '+'), 2);
    EXPECT_STREQ(s, "a+b+c");
    EXPECT_EQ(s.Replace("+", "::"), 2);
    EXPECT_STREQ(s, "a::b::c");
    EXPECT_EQ(s.Remove(':'), 4);
    EXPECT_STREQ(s, "abc");
    EXPECT_STREQ(s.Left(2), "ab");
    EXPECT_STREQ(s.Right(2), "bc");
    EXPECT_STREQ(s.Left(10), "abc");
    vbString f;
    f.Format("%s=%d", "n", 5);
    EXPECT_STREQ(f, "n=5");
    EXPECT_STREQ(vbString("x") + "y" + 'z', "xyz");

    vbString b;
    char* buf = b.GetBuffer(10);
    std::snprintf(buf, 11, "%s", "hello");
    b.ReleaseBuffer();
    EXPECT_EQ(b.GetLength(), 5);
}

TEST(vbString, FormatErr)
{
    vbString s("before");
    EXPECT_TRUE(s.FormatErr(5));
    EXPECT_STREQ(s, "Access is denied."); // without the line end
    EXPECT_FALSE(s.FormatErr(0x0BADC0DE));
    EXPECT_STREQ(s, "Access is denied.");
}

TEST(vbString, GetTokenShortForm)
{
    vbString token, rest;
    char sep = 'x';
    EXPECT_EQ(vbString("a , b").GetToken(1, " ,", &token, &rest, &sep), 4);
    EXPECT_STREQ(token, "a");
    EXPECT_STREQ(rest, "b");
    EXPECT_EQ(sep, ',');

    EXPECT_EQ(vbString("abc").GetToken(1, " ,", &token, &rest, &sep), 4);
    EXPECT_STREQ(token, "abc");
    EXPECT_STREQ(rest, "");
    EXPECT_EQ(sep, 0);

    // Walking a list: each call starts where the last one ended.
    vbString list("one;two ; three");
    int pos = 1;
    std::string seen;
    while ((pos = list.GetToken(pos, ";", &token, nullptr, nullptr, true)) > 0) {
        seen += std::string(token) + "|";
        if (pos > list.GetLength())
            break;
    }
    EXPECT_EQ(seen, "one|two|three|");

    EXPECT_EQ(vbString().GetToken(1, ",", &token, &rest, &sep), 0);
    EXPECT_EQ(vbString("ab").GetToken(3, ",", &token, &rest, &sep), 0);
    expectEsys([] { vbString("ab").GetToken(0, ",", nullptr, nullptr, nullptr); }, E_FAIL,
        "vbString::GetToken(start=0) : bad start position");
}

TEST(vbString, GetTokenLongFormHidesSeparators)
{
    vbString token;
    char sep = 0;
    EXPECT_EQ(vbString("\"a,b\",c").GetToken(1, ",", &token, nullptr, &sep, "\"", nullptr, nullptr), 7);
    EXPECT_STREQ(token, "\"a,b\"");
    EXPECT_EQ(vbString("f(a,(b,c)),d").GetToken(1, ",", &token, nullptr, &sep, nullptr, "(", ")"), 12);
    EXPECT_STREQ(token, "f(a,(b,c))");
    EXPECT_EQ(vbString("|a,b|,c").GetToken(1, ",", &token, nullptr, &sep, nullptr, "|", nullptr), 7);
    EXPECT_STREQ(token, "|a,b|");
    EXPECT_EQ(vbString("'a\\',b',c").GetToken(1, ",", &token, nullptr, &sep, "'", nullptr, nullptr), 9);

    token = "untouched";
    EXPECT_EQ(vbString("\"open,x").GetToken(1, ",", &token, nullptr, nullptr, "\"", nullptr, nullptr), -1);
    EXPECT_EQ(vbString("\"ab\\").GetToken(1, ",", &token, nullptr, nullptr, "\"", nullptr, nullptr), -1);
    EXPECT_EQ(vbString("(a,b").GetToken(1, ",", &token, nullptr, nullptr, nullptr, "(", ")"), -2);
    EXPECT_STREQ(token, "untouched");
    expectEsys([] { vbString("a").GetToken(1, ",", nullptr, nullptr, nullptr, nullptr, "([", ")"); }, E_FAIL,
        "vbString::GetToken() : delimiters start(([) length != delimiters end ()) length");
}

TEST(vbString, GetTokenString)
{
    vbString token;
    char quote = 0;
    bool mixed = true;
    EXPECT_EQ(vbString("\"ab\" \"cd\" x").GetTokenString(1, "\"", &token, &quote, &mixed), 11);
    EXPECT_STREQ(token, "abcd");
    EXPECT_EQ(quote, '"');
    EXPECT_FALSE(mixed);

    EXPECT_EQ(vbString("'a\\'b' \"c\"").GetTokenString(1, "'\"", &token, &quote, &mixed), 11);
    EXPECT_STREQ(token, "a\\'bc"); // escapes are kept, not decoded
    EXPECT_EQ(quote, '\'');
    EXPECT_TRUE(mixed);

    EXPECT_EQ(vbString("  x").GetTokenString(1, "\"", &token, &quote, &mixed), 3);
    EXPECT_EQ(quote, 0);
    EXPECT_EQ(vbString("\"ab").GetTokenString(1, "\"", &token, &quote, &mixed), -1);
    EXPECT_EQ(vbString("\"ab\\").GetTokenString(1, "\"", &token, &quote, &mixed), -1);
    expectEsys([] { vbString("a").GetTokenString(-2, "\"", nullptr); }, E_FAIL,
        "vbString::GetTokenString(start=-2) : bad start position");
}

TEST(vbStrExp, LocksAndReleasesTheBuffer)
{
    vbString s("abc");
    {
        vbStrExp lock(&s, 8, false);
        char* p = lock;
        std::memcpy(p, "12345678", 8);
        vbStrExp moved(std::move(lock));
        EXPECT_THROW(
            {
                try {
                    (void)static_cast<char*>(lock);
                } catch (vbEsys* e) {
                    EXPECT_STREQ(e->GetMsg(), "vbStrExp() : no string associated");
                    e->Delete();
                    throw 1;
                }
            },
            int);
    } // only the moved-to holder releases
    EXPECT_STREQ(s, "12345678");

    vbStrExp zero;
    zero.Lock(&s, 4, true);
    std::memcpy(static_cast<char*>(zero), "ab\0", 3);
    zero.Unlock();
    EXPECT_STREQ(s, "ab");
}

} // namespace

namespace {

TEST(vbString, WideTextThroughACodePage)
{
    // Three characters of three UTF-8 bytes each: the size comes from the converter.
    vbString utf8(65001, u"日本語");
    EXPECT_STREQ(utf8, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E");
    EXPECT_STREQ(vbString(u"日本語"), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"); // the ANSI code page is UTF-8
    EXPECT_STREQ(vbString(65001, u"日本語", 1), "\xE6\x97\xA5");
    EXPECT_STREQ(vbString(1252, u"\u20AC"), "\x80");
    EXPECT_STREQ(vbString(65001, static_cast<const WCHAR*>(nullptr)), "");
    EXPECT_STREQ(vbString(65001, u"abc", 0), "");
    EXPECT_STREQ(vbString(65001, u""), "");
    EXPECT_STREQ(vbString(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(vbString, SystemStrings)
{
    BSTR b = vbString("\xE6\x97\xA5x").AllocSysString();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SysStringLen(b), 2u);
    EXPECT_EQ(b[0], u'日');
    EXPECT_EQ(b[1], u'x');
    vbString("\x80").SetSysString(&b, 1252);
    EXPECT_EQ(SysStringLen(b), 1u);
    EXPECT_EQ(b[0], u'\u20AC');
    vbString().SetSysString(&b);
    EXPECT_EQ(SysStringLen(b), 0u);
    SysFreeString(b);
    BSTR empty = vbString().AllocSysString();
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);
}

} // namespace
