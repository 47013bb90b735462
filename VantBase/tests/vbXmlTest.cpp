#include "LogFileReader.h"

#include "vbColor.h"
#include "vbException.h"
#include "vbTypesTestUtil.h"
#include "vbXml.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Events = std::vector<std::string>;

std::string at(const vbXmlPos& p)
{
    return "@" + std::to_string(p.line) + ":" + std::to_string(p.column) + ":" + std::to_string(p.offset);
}

// Writes every event as one line of text; its reports answer "dealt with".
class Recorder : public IvbXmlTarget {
public:
    Events events;
    int cut = 0;
    std::function<void(sIvbXmlSource*)> onSection;

    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    void AddSection(sIvbXmlSource* src, const vbString& name, bool selfClosing, const vbXmlPos& pos) override
    {
        std::string e = "S " + std::string(name) + (selfClosing ? "/" : "");
        for (int i = 1; i <= src->GetFlagCount(); ++i) {
            const vbXmlFlag* f = src->GetFlagPtr(i);
            e += " " + std::string(f->GetName());
            if (f->HasValue())
                e += "=" + std::string(f->GetValue());
        }
        events.push_back(e + at(pos));
        if (onSection)
            onSection(src);
    }
    void AddSectionEnd(sIvbXmlSource*, const vbString& name, const vbXmlPos& pos) override
    {
        events.push_back("E " + std::string(name) + at(pos));
    }
    void AddText(sIvbXmlSource*, const vbString& text, const vbXmlPos& pos) override
    {
        events.push_back("T " + std::string(text) + at(pos));
    }
    int CutSectionName(sIvbXmlSource*, const vbString&, bool, bool) override { return cut; }
    bool Warning(const vbString&, int column, int line, const vbString& message) override
    {
        events.push_back("W " + std::string(message) + "@" + std::to_string(line) + ":" + std::to_string(column));
        return true;
    }
    bool Error(const vbString&, int column, int line, const vbString& message) override
    {
        events.push_back("X " + std::string(message) + "@" + std::to_string(line) + ":" + std::to_string(column));
        return true;
    }
    void EndParse(sIvbXmlSource*) override { events.push_back("END"); }
};

Events parse(const std::string& doc, Recorder& r, bool trim = true)
{
    vbXml x;
    x.ParseStart(&r, "doc.xml", nullptr, 0, 0, 1);
    x.SetTextTrim(trim);
    x.Parse(doc.data(), static_cast<DWORD>(doc.size()));
    x.ParseEnd();
    return r.events;
}

Events parse(const std::string& doc, bool trim = true)
{
    Recorder r;
    return parse(doc, r, trim);
}

TEST(vbXml, TextIsTrimmedAndLineBreaksBecomeOneBlank)
{
    EXPECT_EQ(parse("  a  b\n  c <x>"), (Events{"T a  b c@1:3:2", "S x@2:5:11", "END"}));
    EXPECT_EQ(parse("  a  b\n  c <x>", false), (Events{"T   a  b\n  c @1:1:0", "S x@2:5:11", "END"}));
    EXPECT_EQ(parse("a\r\n\tb"), (Events{"T a b@1:1:0", "END"}));
}

TEST(vbXml, PositionsCountFromTheStartValues)
{
    Recorder r;
    vbXml x;
    x.ParseStart(&r, "f", nullptr, 100, 5, 10);
    x.Parse("ab\n", 3);
    vbXmlPos p = x.GetCurrentPosition();
    EXPECT_EQ(p.line, 11);
    EXPECT_EQ(p.column, 0);
    EXPECT_EQ(p.offset, 102u);
    x.Parse("<y>", 3);
    x.ParseEnd();
    EXPECT_EQ(r.events, (Events{"T ab@10:6:100", "S y@11:1:103", "END"}));
}

TEST(vbXml, AnyChunkingGivesTheSameEvents)
{
    const std::string doc = "head <menu id=\"m 1\" c='x\\'y' on>\n  <item v=a\\\"b/> tail\t</menu> <s a=1 b=2/>";
    const Events whole = parse(doc);
    ASSERT_GE(whole.size(), 6u);
    auto chunked = [&](const std::vector<size_t>& cuts) {
        Recorder r;
        vbXml x;
        x.ParseStart(&r, "doc.xml", nullptr, 0, 0, 1);
        size_t from = 0;
        for (size_t c : cuts) {
            x.Parse(doc.data() + from, static_cast<DWORD>(c - from));
            from = c;
        }
        x.Parse(doc.data() + from, static_cast<DWORD>(doc.size() - from));
        x.ParseEnd();
        return r.events;
    };
    std::vector<size_t> bytes;
    for (size_t i = 1; i < doc.size(); ++i)
        bytes.push_back(i);
    EXPECT_EQ(chunked(bytes), whole);
    for (size_t i = 0; i <= doc.size(); ++i)
        EXPECT_EQ(chunked({i}), whole) << "split at " << i;
}

TEST(vbXml, SectionsAndTheirFlags)
{
    struct Case {
        const char* doc;
        const char* event;
    };
    const Case cases[] = {
        {"<s a=1 b=2>", "S s a=1 b=2@1:1:0"},
        {"<s v=\"x y\">", "S s v=x y@1:1:0"},
        {"<s v=\"a\\\"b\">", "S s v=a\\\"b@1:1:0"},
        {"<s a=1/>", "S s/ a=1@1:1:0"},
        {"<s v=\"1\"/>", "S s/ v=1@1:1:0"},
        {"<s/>", "S s/@1:1:0"},
        {"<s />", "S s/@1:1:0"},
        {"<s flag>", "S s flag@1:1:0"},
        {"<s a = 1>", "S s a=1@1:1:0"},
        {"<s a=b=c>", "S s a b=c@1:1:0"},
        {"<s 'q'=\"v\">", "S s q=v@1:1:0"},
        {"<s a=\"1\"b=2>", "S s a=1 b=2@1:1:0"},
        {"<!-- x -->", "S !-- x --@1:1:0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse(c.doc), (Events{c.event, "END"})) << c.doc;
    EXPECT_EQ(parse("</s>"), (Events{"E s@1:1:0", "END"}));
}

TEST(vbXml, EscapedQuotesStayInTheValueAndUnescapeOnDemand)
{
    Recorder r;
    vbString unesc;
    r.onSection = [&](sIvbXmlSource* src) { unesc = src->GetFlagPtr(1)->GetUnescValue(); };
    parse("<s v=\"a\\\"b\">", r);
    EXPECT_STREQ(unesc, "a\"b");
}

TEST(vbXml, TheTargetCutsSectionNames)
{
    Recorder r;
    r.cut = 2;
    EXPECT_EQ(parse("<ax=5>", r), (Events{"S a x=5@1:1:0", "END"}));
    Recorder r2;
    r2.cut = 3;
    EXPECT_EQ(parse("<abcd e=1>", r2), (Events{"S ab cd e=1@1:1:0", "END"}));
    Recorder r3;
    r3.cut = 9;
    EXPECT_EQ(parse("<abcd>", r3), (Events{"S abcd@1:1:0", "END"}));
}

TEST(vbXml, FaultsAreReportedAndTheRunGoesOn)
{
    EXPECT_EQ(parse("<s <t>"), (Events{"X XML section 's' not closed@1:1", "T <st>@1:1:0", "END"}));
    EXPECT_EQ(parse("<s v=\"a\nb\">"),
        (Events{"X XML section 's' / string on multiple lines@1:6", "S s v=a\nb@1:1:0", "END"}));
    EXPECT_EQ(parse("x<s a=1"), (Events{"X XML section 's' not closed !@1:2", "T x@1:1:0", "S s a=1@1:2:1", "END"}));
    EXPECT_EQ(parse("<s a=\"1"), (Events{"X XML section 's' / string not closed !@1:6",
                                         "X XML section 's' not closed !@1:1", "S s a=1@1:1:0", "END"}));
    EXPECT_EQ(parse("<s a=\"1\\"), (Events{"X XML section 's' / string not closed and escape sequence not terminated !@1:6",
                                           "X XML section 's' not closed !@1:1", "S s a=1@1:1:0", "END"}));
}

TEST(vbXml, TargetStackAndMisuse)
{
    Recorder outer, inner, other;
    vbXml x;
    vbtypes::expectEsys([&] { x.Parse("a", 1); }, E_FAIL, "vbXml::Parse() : Target no set");
    vbtypes::expectEsys([&] { x.SetTextTrim(true); }, E_FAIL,
        "vbXml::checkInit() : object not initialized : ParseStart() not called");

    x.ParseStart(&outer, "menu.xml", nullptr, 0, 0, 1);
    vbtypes::expectEsys([&] { x.PopTarget(&outer); }, E_FAIL, "bXml::PopTarget() : too many end section");
    x.PushTarget(&inner);
    EXPECT_EQ(x.GetTarget(), &inner);
    vbtypes::expectEsys([&] { x.PopTarget(&other); }, E_FAIL,
        "vbXml::PopTarget() without its corresponding PushTarget()");
    EXPECT_EQ(x.PopTarget(&inner), &outer);
    x.PushTarget(&inner);
    x.PushTarget(&other);
    x.Parse("<a>", 3);
    x.ParseEnd();
    EXPECT_EQ(other.events, (Events{"S a@1:1:0", "END", "X 2 end section(s) </...> missing !@1:3"}));
    vbtypes::expectEsys([&] { x.ParseEnd(); }, E_FAIL, "vbXml::ParseEnd(menu.xml) : Target no set");
}

TEST(vbXml, TextExceptionsOfTheParserBecomeReports)
{
    struct Thrower : Recorder {
        void AddText(sIvbXmlSource*, const vbString&, const vbXmlPos&) override
        {
            throw new vbExmlParser(vbString("bad text"));
        }
    } r;
    EXPECT_EQ(parse("abc<x>", r), (Events{"X bad text@1:6", "S x@1:4:3", "END"}));
}

TEST(vbXml, FlagGetters)
{
    Recorder r;
    std::vector<std::string> got;
    r.onSection = [&](sIvbXmlSource* src) {
        LONG l = -1;
        got.push_back(std::to_string(src->GetFlagLong("hex", 0)) + " " + std::to_string(src->GetFlagLong("OCT", 0)) +
            " " + std::to_string(src->GetFlagLong("mixed", 0)) + " " + std::to_string(src->GetFlagLong("empty", 42)) +
            " " + std::to_string(src->GetFlagLong("empty", &l)) + std::to_string(l));

        bool b = false;
        std::string bools;
        for (const char* n : {"yes", "no", "bare", "missing"}) {
            b = false;
            bool found = src->GetFlagBool(n, &b);
            bools += std::to_string(found) + std::to_string(b) + " ";
        }
        bools += std::to_string(src->GetFlagBool("bare", false)) + std::to_string(src->GetFlagBool("yes", false));
        got.push_back(bools);

        std::string states;
        for (const char* n : {"bare", "empty", "dflt", "t", "x"}) {
            vbBool v(7);
            v.SetDefault(true);
            src->GetFlagBool(n, &v);
            states += std::to_string(v.GetState());
            EXPECT_TRUE(v.GetDefault());
        }
        got.push_back(states);

        vbColor c(0x123456);
        EXPECT_TRUE(src->GetFlagColor("navy", &c));
        EXPECT_TRUE(c == 0x00800000u);
        vbColor keep(0x123456);
        EXPECT_TRUE(src->GetFlagColor("bogus", &keep));
        EXPECT_TRUE(keep == 0x123456u);
        EXPECT_FALSE(src->GetFlagColor("bare", &keep));

        vbString v("old");
        EXPECT_FALSE(src->GetFlagValue("bare", &v, "dflt"));
        EXPECT_STREQ(v, "dflt");
        EXPECT_STREQ(src->GetFlagStr("missing", nullptr), "");
        EXPECT_EQ(src->GetFlagPtr(99), nullptr);
        EXPECT_STREQ(src->SectionAsText(), "s hex=0x10 oct='010' mixed=12abc empty=\"\" yes=yes no=no bare dflt=Default "
                                           "t=T x=x navy=navy bogus=bogus");
    };
    parse("<s hex=0x10 oct='010' mixed=12abc empty=\"\" yes=yes no=no bare dflt=Default t=T x=x navy=navy "
          "bogus=bogus>",
        r);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], "16 8 12 42 0-1");
    EXPECT_EQ(got[1], "11 10 11 00 01");
    EXPECT_EQ(got[2], "12210");
}

TEST(vbXml, CaseSensitivityOfFlagNames)
{
    Recorder r;
    bool foldFound = false, exactFound = true;
    r.onSection = [&](sIvbXmlSource* src) {
        foldFound = src->GetFlagPtr("NAME") != nullptr;
        src->SetCaseSensitive(true);
        exactFound = src->GetFlagPtr("NAME") != nullptr;
        EXPECT_EQ(src->Compare("abcX", "abcY", 3), 0);
        EXPECT_NE(src->Compare("abc", "ABC", 3), 0);
    };
    parse("<s name=1>", r);
    EXPECT_TRUE(foldFound);
    EXPECT_FALSE(exactFound);
}

TEST(vbXml, ReportsATargetLeavesGoToTheReleaseLog)
{
    struct Silent : Recorder {
        bool Warning(const vbString&, int, int, const vbString&) override { return false; }
        bool Error(const vbString&, int, int, const vbString&) override { return false; }
    } r;
    vbXml x;
    x.ParseStart(&r, "menu.xml", nullptr, 0, 0, 1);
    x.Parse("ab\ncd", 5);
    x.warning("odd flag", 4, -1);
    x.error("bad", vbXmlPos(2, 7, 0, 1));
    x.ParseEnd();
    const std::string log = readLogFile();
    EXPECT_NE(log.find("menu.xml(2) : column = 4, vbXml::warning : odd flag\n"), std::string::npos) << log;
    EXPECT_NE(log.find("menu.xml(7) : column = 2, vbXml::ERROR : bad\n"), std::string::npos) << log;
}

TEST(vbXml, SectionIgnoreTurnsSectionsIntoText)
{
    Recorder r;
    vbXml x;
    x.ParseStart(&r, "f", nullptr, 0, 0, 1);
    x.SetSectIgnore(true);
    const char doc[] = "a<b>c</d>";
    x.Parse(doc, sizeof doc - 1);
    x.ParseEnd();
    EXPECT_EQ(r.events, (Events{"T a<b>c@1:1:0", "E d@1:6:5", "END"}));
}

} // namespace
