#include "vbExpr.h"

#include "vbTypesTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using vbtypes::expectEsys;

namespace {

// Enumerates a fixed list of texts; counts how often a condition tree is built.
class ListExpr : public vbExpr {
public:
    explicit ListExpr(std::vector<std::string> items) : m_items(std::move(items)) { }

    std::vector<std::string> all()
    {
        std::vector<std::string> found;
        m_pos = 0;
        while (SearchNext())
            found.push_back(m_items[m_pos - 1]);
        return found;
    }

    bool onGetNext() override
    {
        if (m_pos >= m_items.size())
            return false;
        m_current = vbString(m_items[m_pos++].c_str());
        return true;
    }
    bool onKeysOk(const Cond* c, ULONG flags) const override
    {
        ++keyTests;
        return c->IsKeyOk(m_current, flags);
    }
    bool onFlagSet(bool bFirst, const vbString& keyword, int sign, ULONG* pFlags) const override
    {
        if (keyword != "low")
            return false;
        lastFirst = bFirst;
        *pFlags = (*pFlags & ~0xFFFFu) | (sign < 0 ? 0u : 1u);
        return true;
    }

    const Cond& root() const { return m_root; }
    Key& rootKey() { return m_root.m_keys[1]; }

    mutable int keyTests = 0;
    mutable bool lastFirst = false;

private:
    std::vector<std::string> m_items;
    size_t m_pos = 0;
    vbString m_current;
};

using Items = std::vector<std::string>;

Items search(const char* expr, const Items& items, ULONG flags = 0)
{
    ListExpr e(items);
    e.SearchExpr(vbString(expr), flags);
    return e.all();
}

} // namespace

TEST(vbExpr, ExpressionsMatchWithAnchorsCaseAndOperators)
{
    const Items items{"abc", "abcdef", "xabc", "ABC"};
    struct Case {
        const char* expr;
        Items found;
    };
    const Case cases[] = {
        {"abc", {"abc", "ABC"}},
        {"abc*", {"abc", "abcdef", "ABC"}},
        {"*abc", {"abc", "xabc", "ABC"}},
        {"*bc*", {"abc", "abcdef", "xabc", "ABC"}},
        {"ab*ef", {"abcdef"}},
        {"case:ABC*", {"ABC"}},
        {"case:-case:ABC*", {"abc", "abcdef", "ABC"}},
        {"icase:-icase:abc", {"abc"}},
        {"+case:abc", {"abc"}},
        {"abc|xabc", {"abc", "xabc", "ABC"}},
        {"abc||xabc", {"abc", "xabc", "ABC"}},
        {"abc*&*def", {"abcdef"}},
        {"abc*&&*def", {"abcdef"}},
        {"!abc", {"abcdef", "xabc"}},
        {"!*abc*", {}},
        {"(abc|xabc)&case:*c", {"abc", "xabc"}},
        {"xabc|abc*&*def", {"abcdef"}},
        {"&abc", {"abc", "ABC"}},
        {"a!bc", {}},
        {"x)", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(search(c.expr, items), c.found) << c.expr;
}

TEST(vbExpr, OperatorsGroupFromTheLeft)
{
    const Items items{"a", "b", "c", "ab"};
    // a & b | c is (a & b) | c, so c alone passes; a | b & c is (a | b) & c, which nothing passes.
    EXPECT_EQ(search("*a*&*b*|c", items), (Items{"c", "ab"}));
    EXPECT_EQ(search("a|b&c", items), Items{});
    EXPECT_EQ(search("a|b|c", items), (Items{"a", "b", "c"}));
    EXPECT_EQ(search("(a|b)|(c)", items), (Items{"a", "b", "c"}));
    EXPECT_EQ(search("a|(b)|c", items), (Items{"a", "b", "c"}));
}

TEST(vbExpr, NegatedGroupIsTheNegationOfItsContents)
{
    const Items items{"a", "b", "c"};
    EXPECT_EQ(search("!(a|b)", items), Items{"c"});
    EXPECT_EQ(search("!a&!b", items), Items{"c"});
    EXPECT_EQ(search("!(a)", items), (Items{"b", "c"}));
    EXPECT_EQ(search("!!a", items), Items{"a"});
}

TEST(vbExpr, HashEscapesTakeCharactersLiterally)
{
    const Items items{"a*b", "axb", "#", "A", "a&b", "x:y", "!a"};
    EXPECT_EQ(search("a#2ab", items), Items{"a*b"});
    EXPECT_EQ(search("a#2Ab", items), Items{"a*b"});
    EXPECT_EQ(search("a#*b", items), Items{"a*b"});
    EXPECT_EQ(search("##", items), Items{"#"});
    EXPECT_EQ(search("#41", items), Items{"A"});
    EXPECT_EQ(search("a#&b", items), Items{"a&b"});
    EXPECT_EQ(search("x#3ay", items), Items{"x:y"});
    EXPECT_EQ(search("#!a", items), Items{"!a"});
    EXPECT_EQ(search("*:y", items), Items{"x:y"});
}

TEST(vbExpr, FlagKeywordsGoToTheDerivedClassFirst)
{
    ListExpr e(Items{"abc"});
    e.SearchExpr(vbString("low:abc"), 0x10000005u);
    EXPECT_TRUE(e.lastFirst);
    ASSERT_EQ(e.root().m_keys.GetLength(), 1);
    EXPECT_EQ(e.root().m_flags, 0x10000001u);
    e.SearchExpr(vbString("all:-low:abc"), 0x5u);
    EXPECT_FALSE(e.lastFirst);
    EXPECT_EQ(e.root().m_flags, 0u);
    // Cleared flags mean "the search's flags" again, so the next keyword starts from those.
    e.SearchExpr(vbString("-all:case:abc"), 0x5u);
    EXPECT_EQ(e.root().m_flags, 0x10000005u);
}

TEST(vbExpr, SearchesAreRebuiltOnlyWhenSomethingChanged)
{
    ListExpr e(Items{"abc", "xabcx", "ABC"});
    e.SearchString(vbString("abc"), 0);
    e.rootKey().text = "marker";
    e.SearchString(vbString("abc"), 0);
    EXPECT_STREQ(e.rootKey().text, "marker");
    e.SearchString(vbString("abc"), vbExpr::kCaseSensitive);
    EXPECT_STREQ(e.rootKey().text, "abc");
    EXPECT_EQ(e.all(), Items{"abc"});
    e.SearchSubString(vbString("abc"), vbExpr::kCaseSensitive);
    EXPECT_EQ(e.all(), (Items{"abc", "xabcx"}));
    e.SearchExpr(vbString("abc"), 0);
    EXPECT_EQ(e.all(), (Items{"abc", "ABC"}));
    e.rootKey().text = "marker";
    e.SearchExpr(vbString("abc"), 0);
    EXPECT_STREQ(e.rootKey().text, "marker");
    e.SearchExpr(vbString("abc"), 1);
    EXPECT_STREQ(e.rootKey().text, "abc");
}

TEST(vbExpr, EvaluationStopsEarly)
{
    ListExpr e(Items{"a"});
    e.SearchExpr(vbString("a|b|c"), 0);
    EXPECT_EQ(e.all(), Items{"a"});
    EXPECT_EQ(e.keyTests, 1);
    e.keyTests = 0;
    e.SearchExpr(vbString("b&a&c"), 0);
    EXPECT_EQ(e.all(), Items{});
    EXPECT_EQ(e.keyTests, 1);
}

TEST(vbExpr, SyntaxErrorsNameTheExpression)
{
    struct Case {
        const char* expr;
        const char* msg;
    };
    const Case cases[] = {
        {"(a", "vbExpr::parseSearchExpr((a) : unexpected end of string, ')' omitted !"},
        {"(a)b", "vbExpr::parseSearchExpr((a)b) : unexpected character 'b', kw='' !"},
        {"#0", "vbExpr::parseSearchExpr(#0) : string to search can't contain null character (#0) !"},
        {"a#00", "vbExpr::parseSearchExpr(a#00) : string to search can't contain null character (#0) !"},
        {"x#", "vbExpr::parseSearchExpr(x#) : unexpected # at end of string"},
        {"bogus:a", "vbExpr::parseSearchExpr(bogus:a) : unknown flag mode 'bogus'"},
        {"-bogus:a", "vbExpr::parseSearchExpr(-bogus:a) : unknown flag mode 'bogus'"},
    };
    for (const Case& c : cases) {
        ListExpr e(Items{"a"});
        expectEsys([&] { e.SearchExpr(vbString(c.expr), 0); }, E_FAIL, c.msg);
        // The same failing text fails again instead of finding a half-built search in place.
        expectEsys([&] { e.SearchExpr(vbString(c.expr), 0); }, E_FAIL, c.msg);
    }
}

TEST(vbExpr, BaseOperationsAreReportedAsPureCalls)
{
    struct Bare : vbExpr {
    } bare;
    expectEsys([&] { bare.SearchNext(); }, E_ABORT, "VantBase: Object of called method is in destruction (purecall)");
    const void* p = nullptr;
    EXPECT_TRUE(bare.GetInterface(IID_sIvbBase, &p));
}

TEST(vbExpr, NegatedGroupsAreComplements)
{
    const Items items{"a", "b", "ab", "ba", "abc", "c", "ABC"};
    const char* const exprs[] = {"a", "a*", "*b*", "a|b", "a&b", "*a*&*b*|c", "a|b&*c", "!a", "(a|b)&!(c)", "case:ABC",
        "a||b", "&a&", "(a)|(b)|(c)"};
    for (const char* expr : exprs) {
        const Items found = search(expr, items);
        Items complement;
        for (const std::string& item : items) {
            if (std::find(found.begin(), found.end(), item) == found.end())
                complement.push_back(item);
        }
        EXPECT_EQ(search(("!(" + std::string(expr) + ")").c_str(), items), complement) << expr;
    }
}
