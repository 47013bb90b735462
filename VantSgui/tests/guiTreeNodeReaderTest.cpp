#include "TreeTestKit.h"

#include "vbDnItf.h"
#include "vbExpectThrown.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using gui::test::makeNode;
using gui::test::SignalLog;
using gui::test::TreeTest;

class TreeReader : public TreeTest {};


// A node that keeps the reader's error reports.
class ReportingNode : public guiTreeNode {
public:
    bool Error(const vbString&, int, int, const vbString& message) override
    {
        errors.push_back(std::string(message));
        return true;
    }
    std::vector<std::string> errors;
};

vbRefPtr<ReportingNode, &CLSID_guiTreeNode> makeReporting()
{
    auto* n = new ReportingNode();
    vbRefPtr<ReportingNode, &CLSID_guiTreeNode> held(n);
    n->Release();
    n->Create();
    return held;
}

// Runs the loading slots as the download centre does: one operation record under a root record,
// the document in chunks of the given size, then the end with ok.
void feed(guiTreeNode* node, const std::string& doc, size_t chunk = 8192, bool ok = true)
{
    vbDnData root(nullptr, nullptr);
    vbDnData rec(&root, vbDnLoad, "http://host/menu.xml", static_cast<IvbDnObject*>(node));
    node->LoadingStart(&rec, static_cast<int64_t>(doc.size()));
    try {
        for (size_t at = 0; at < doc.size(); at += chunk) {
            const size_t n = std::min(chunk, doc.size() - at);
            node->LoadingAddBuffer(&rec, reinterpret_cast<const unsigned char*>(doc.data() + at),
                static_cast<ULONG>(n));
        }
    } catch (...) {
        // As the session does: an error ends the load as a failed one.
        node->LoadingEnd(&rec, false);
        throw;
    }
    node->LoadingEnd(&rec, ok);
}

// name:type:text, flags v (visible) e (enabled) L (loaded), children in brackets.
std::string describe(guiTreeNode* node)
{
    std::string out;
    guiTreeNodePtr child;
    for (int i = 1; node->GetChild(i, &child); ++i) {
        if (!out.empty())
            out += " ";
        out += std::string(child->GetName()) + ":" + std::to_string(child->GetType()) + ":"
            + std::string(child->GetText()) + ":" + (child->IsVisible() ? "v" : "") + (child->IsEnabled() ? "e" : "")
            + (child->IsLoaded() ? "L" : "");
        if (child->HasChildren())
            out += "[" + describe(child.Get()) + "]";
    }
    return out;
}

TEST_F(TreeReader, DocumentsBecomeChildren)
{
    const struct {
        const char* doc;
        const char* tree;
    } cases[] = {
        {"<item name=a text=A/>", "a:0:A:veL"},
        {"<sep>", ":3::veL"},
        {"<item name=o>Open</item>", "o:0:Open:veL"},
        {"<item name=f text=File><item name=n text=New/><sep/><item name=q visible=false/></item>",
            "f:0:File:veL[n:0:New:veL :3::veL q:0::eL]"},
        {"<check name=c/><radio name=r enabled=0/><text name=t>Hello</text>", "c:1::veL r:2::vL t:4:Hello:veL"},
        {"<comment><item name=x/></item></comment><item name=y/>", "y:0::veL"},
        {"<items name=s/>", "s:0::veL"},
    };
    for (const auto& c : cases) {
        for (size_t chunk : {size_t{1}, size_t{7}, size_t{8192}}) {
            guiTreeNodePtr root = makeNode("root");
            feed(root.Get(), c.doc, chunk);
            EXPECT_EQ(describe(root.Get()), c.tree) << c.doc << " in chunks of " << chunk;
        }
    }
}

TEST_F(TreeReader, ItemCfgAndStylesApplyToTheLoadedNode)
{
    guiTreeNodePtr root = makeNode("root");
    feed(root.Get(),
        "<itemcfg text=Menu chPath=\"/\" sortedchildren/>"
        "<style textcolor=red/><menucfg name=big fontsize=20/><style bkcolor=blue/>");
    EXPECT_EQ(std::string(root->GetText()), "Menu");
    EXPECT_EQ(root->GetPathChar(), '/');
    EXPECT_TRUE(root->GetSorted());
    guiTreeAspectRef unnamed, big;
    ASSERT_TRUE(root->GetAspect(nullptr, &unnamed));
    ASSERT_TRUE(root->GetAspect("big", &big));
    EXPECT_EQ(unnamed->GetTextColor(), vbColor(RGB(255, 0, 0)));
    EXPECT_FALSE(unnamed->GetBack().IsEmpty()) << "the second unnamed section reuses the record";
    EXPECT_EQ(big->GetFont().GetSize(), 20);
    guiTreeAspectRef other;
    EXPECT_FALSE(root->CreateAspect("", &other));
}

TEST_F(TreeReader, AttributesSetTheirProperties)
{
    guiTreeNodePtr root = makeNode("root", "http://host/menu.xml");
    feed(root.Get(),
        "<item name=a seltext=S icon=i.ico hint=H helphint=HH checkhint=CH exphint=EH class=K childrenclass=KC"
        " href=R target=T script=X helphref=HR helptarget=HT helpscript=HX tag=7 checkmode=BTN closepopup=0"
        " helpclosepopup=false forcedisplayastreeview forcehaschildren=1 checked sortedchildren chPath=\"\""
        " memselected=3 filtermask=6 visible=0 enabled=false/>"
        "<item name=b checkmode=auto/><item name=c checkmode=foo/><item name=d checkmode=Manual/>");
    guiTreeNodePtr a, b, c, d;
    ASSERT_TRUE(root->GetChild(1, &a));
    EXPECT_EQ(std::string(a->GetSelText()), "S");
    EXPECT_EQ(std::string(a->GetIcon()), "http://host/i.ico");
    EXPECT_EQ(std::string(a->GetHint()), "H");
    EXPECT_EQ(std::string(a->GetHelpHint()), "HH");
    EXPECT_EQ(std::string(a->GetCheckHint()), "CH");
    EXPECT_EQ(std::string(a->GetExpHint()), "EH");
    EXPECT_EQ(std::string(a->GetClass()), "K");
    EXPECT_EQ(std::string(a->GetChildrenClass()), "KC");
    EXPECT_EQ(std::string(a->GetHRef()), "R");
    EXPECT_EQ(std::string(a->GetTarget()), "T");
    EXPECT_EQ(std::string(a->GetScript()), "X");
    EXPECT_EQ(std::string(a->GetHelpHRef()), "HR");
    EXPECT_EQ(std::string(a->GetHelpTarget()), "HT");
    EXPECT_EQ(std::string(a->GetHelpScript()), "HX");
    EXPECT_TRUE(a->GetTag() == vbVariant("7"));
    EXPECT_EQ(a->GetCheckMode(), guiNodeCheck_Btn);
    EXPECT_FALSE(a->GetClosePopup());
    EXPECT_FALSE(a->GetHelpClosePopup());
    EXPECT_TRUE(a->GetForceDisplayAsTreeView());
    EXPECT_TRUE(a->GetForceHasChildren());
    EXPECT_TRUE(a->IsChecked());
    EXPECT_TRUE(a->GetSorted());
    EXPECT_EQ(a->GetPathChar(), 0);
    EXPECT_EQ(a->RetrieveSelected(), 3);
    EXPECT_EQ(a->GetFilterMask(), 6);
    EXPECT_FALSE(a->IsVisible());
    EXPECT_FALSE(a->IsEnabled());
    ASSERT_TRUE(root->GetChild(2, &b) && root->GetChild(3, &c) && root->GetChild(4, &d));
    EXPECT_EQ(b->GetCheckMode(), guiNodeCheck_Auto);
    EXPECT_EQ(c->GetCheckMode(), guiNodeCheck_Btn) << "an unknown mode is left alone";
    EXPECT_EQ(d->GetCheckMode(), guiNodeCheck_Manual);
}

TEST_F(TreeReader, UnknownSectionsAreReportedAndReadingGoesOn)
{
    auto root = makeReporting();
    feed(root.Get(), "<bogus/><sep></sep><item name=a/></bogus>");
    EXPECT_EQ(root->errors, (std::vector<std::string>{"TreeNode: Unexpected or unknown section start 'bogus'",
                                "TreeNode: Unexpected or unknown section end 'sep'",
                                "TreeNode: Unexpected or unknown section end 'bogus'"}));
    EXPECT_EQ(describe(root.Get()), ":3::veL a:0::veL");
}

TEST_F(TreeReader, StrayEndTagEndsTheLoadBeforeAnythingChanges)
{
    guiTreeNodePtr root = makeNode("root");
    feed(root.Get(), "<item name=a/>");
    vbtest::expectThrown<vbEsys>([&] { feed(root.Get(), "<itemcfg update=1/><item name=b/></item><item name=c/>"); },
        E_FAIL, "section end </item> </sep> </text> </radio> </check> without start");
    EXPECT_EQ(describe(root.Get()), "a:0::veL b:0::veL") << "the update pass is not ended: a stays";
}

TEST_F(TreeReader, PartialLoadNeedsAUrl)
{
    guiTreeNodePtr root = makeNode("root");
    for (const char* url : {static_cast<const char*>(nullptr), ""})
        vbtest::expectThrown<vbEsys>([&] { root->PartialLoad(url, vbDnPriority3); }, E_FAIL,
            "guiTreeNode::PartialLoad() : invalid Url");
}

TEST_F(TreeReader, UpdatePassesMergeByName)
{
    guiTreeNodePtr root = makeNode("root");
    feed(root.Get(), "<item name=a/><item name=b><item name=b1/></item><item name=c/>");
    guiTreeNodePtr a, b;
    ASSERT_TRUE(root->GetChild(1, &a) && root->GetChild(2, &b));

    feed(root.Get(), "<itemcfg update=T/><item name=C/><item name=new/><item name=B><item name=b2/></item>"
                     "<item name=A text=again/>");
    EXPECT_EQ(describe(root.Get()), "C:0::veL new:0::veL B:0::veL[b2:0::veL] A:0:again:veL");
    guiTreeNodePtr a2, b2;
    ASSERT_TRUE(root->GetChild(4, &a2) && root->GetChild(3, &b2));
    EXPECT_EQ(a2.Get(), a.Get()) << "the same object, renamed as the document says";
    EXPECT_EQ(b2.Get(), b.Get());

    SignalLog log(root.Get());
    feed(root.Get(), "<itemcfg update=1/><item name=C/><item name=new/><item name=B><item name=b2/></item>"
                     "<item name=A text=again/>");
    EXPECT_EQ(describe(root.Get()), "C:0::veL new:0::veL B:0::veL[b2:0::veL] A:0:again:veL");
    EXPECT_EQ(std::count(log.codes.begin(), log.codes.end(), 1), 0) << "no child removed or moved";
}

TEST_F(TreeReader, OpenItemsAreClosedAtTheEndAndLeftLoadedOnFailure)
{
    guiTreeNodePtr root = makeNode("root");
    feed(root.Get(), "<item name=a><item name=b>");
    EXPECT_EQ(describe(root.Get()), "a:0::veL[b:0::veL]");

    guiTreeNodePtr cut = makeNode("cut");
    feed(cut.Get(), "<item name=x/><item name=y/>");
    feed(cut.Get(), "<itemcfg update=1/><item name=x><item name=x1>", 8192, false);
    EXPECT_EQ(describe(cut.Get()), "x:0::veL[x1:0::veL] y:0::veL") << "nothing removed by a cut document";
}

TEST_F(TreeReader, NestingIsLimited)
{
    auto nested = [](int levels) {
        std::string doc;
        for (int i = 0; i < levels; ++i)
            doc += "<item name=n>";
        return doc;
    };
    guiTreeNodePtr ok = makeNode("ok");
    feed(ok.Get(), nested(256));
    guiTreeNodePtr deep = makeNode("deep");
    vbtest::expectThrown<vbEsys>([&] { feed(deep.Get(), nested(257)); }, E_FAIL,
        "TreeNode: section 'item' nested too deep");
    EXPECT_EQ(deep->GetChildCount(), 1) << "what was read stays";
}

} // namespace

namespace {

std::string names(guiTreeNode* node) { return gui::test::childNames(node); }

bool loadAndWait(guiTreeNode* node, const char* url, bool full)
{
    full ? node->Load(url, vbDnPriority3) : node->PartialLoad(url, vbDnPriority3);
    return vbDnWait(static_cast<IvbDnObject*>(node), vbDnLoad, 10000, false);
}

TEST_F(TreeReader, LoadsReplaceIncludesAddAndPartialLoadsAppend)
{
    guiTreeNodePtr root = makeNode("root");
    const char* doc = "data:<item name=a/><include src=\"data:<item name=b/>\"/><item name=c/>";
    ASSERT_TRUE(loadAndWait(root.Get(), doc, true));
    EXPECT_EQ(names(root.Get()), "a b c") << "the include keeps what came before it";
    ASSERT_TRUE(loadAndWait(root.Get(), "data:<item name=d/>", false));
    EXPECT_EQ(names(root.Get()), "a b c d");
    ASSERT_TRUE(loadAndWait(root.Get(), "data:<item name=e/>", true));
    EXPECT_EQ(names(root.Get()), "e");
}

TEST_F(TreeReader, IncludingItselfEndsWithTheRecursionError)
{
    const std::string path = std::string(std::getenv("VANTREL_HOME")) + "/self.xml";
    {
        std::ofstream out(path);
        out << "<item name=a/><include src=\"self.xml\"/><item name=b/>";
    }
    guiTreeNodePtr root = makeNode("root");
    ASSERT_TRUE(loadAndWait(root.Get(), path.c_str(), true));
    ULONG hr = 0;
    vbString text;
    EXPECT_TRUE(root->GetError(hr, text));
    EXPECT_EQ(std::string(text).rfind("Recursive work on url", 0), 0u) << text.c_str();
    EXPECT_EQ(names(root.Get()).rfind("a", 0), 0u);
}

} // namespace

namespace {

TEST_F(TreeReader, UpdateIsTrueForTYOrOneFirst)
{
    const struct {
        const char* value;
        const char* after;
    } cases[] = {{"Yes", "b"}, {"true", "b"}, {"1", "b"}, {"no", "a b"}, {"\"\"", "a b"}};
    for (const auto& c : cases) {
        guiTreeNodePtr root = makeNode("root");
        feed(root.Get(), "<item name=a/>");
        feed(root.Get(), std::string("<itemcfg update=") + c.value + "/><item name=b/>");
        EXPECT_EQ(names(root.Get()), c.after) << c.value;
    }
}

} // namespace
