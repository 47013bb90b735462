#include "TreeTestKit.h"
#include "guiTreeEnum.h"

#include "vbExpectThrown.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using gui::test::makeNode;
using gui::test::TreeTest;
using Names = std::vector<std::string>;

class TreeEnum : public TreeTest {};

IguiTreeNode* face(const guiTreeNodePtr& n) { return static_cast<IguiTreeNode*>(n.Get()); }

// Nodes by name, linked as the pairs say; the first name is the root.
struct Graph {
    explicit Graph(const std::vector<std::pair<const char*, const char*>>& links, const char* rootName = "r")
    {
        root = get(rootName);
        for (const auto& [parent, child] : links)
            get(parent)->AddChild(face(get(child)), 0);
    }
    ~Graph()
    {
        // Cut every link, so that cycles let go too.
        for (auto& [name, n] : nodes)
            n->ClearChildren();
    }
    guiTreeNodePtr& get(const char* name)
    {
        guiTreeNodePtr& n = nodes[name];
        if (n.IsNull())
            n = makeNode(name);
        return n;
    }
    IguiTreeNode* operator[](const char* name) { return face(get(name)); }

    std::map<std::string, guiTreeNodePtr> nodes;
    guiTreeNodePtr root;
};

// The names of the items that step answers, until it answers false.
template <class Step>
Names collect(Step step)
{
    Names names;
    guiTreeNodeRef item;
    while (step(&item))
        names.push_back(std::string(item->GetName()));
    return names;
}

Names walk(guiTreeEnum& e) { return collect([&](guiTreeNodeRef* item) { return e.Next(item); }); }
Names search(guiTreeEnum& e) { return collect([&](guiTreeNodeRef* item) { return e.SearchNext(item); }); }

// r { a { a1 { a11 }, a2 }, b }
const std::vector<std::pair<const char*, const char*>> kThreeLevels = {
    {"r", "a"}, {"a", "a1"}, {"a1", "a11"}, {"a", "a2"}, {"r", "b"}};

TEST_F(TreeEnum, WalksDepthFirstWithinTheLevelLimit)
{
    const struct {
        std::vector<std::pair<const char*, const char*>> links;
        LONG levelMax;
        Names expected;
    } cases[] = {
        {{}, -1, {}},
        {kThreeLevels, -1, {"a", "a1", "a11", "a2", "b"}},
        {kThreeLevels, 0, {"a", "b"}},
        {kThreeLevels, 1, {"a", "a1", "a2", "b"}},
        // s under p and q: answered twice, its child once.
        {{{"r", "p"}, {"p", "s"}, {"s", "s1"}, {"r", "q"}, {"q", "s"}}, -1, {"p", "s", "s1", "q", "s"}},
        // a is its own grandchild: met again, answered, not entered.
        {{{"r", "a"}, {"a", "b"}, {"b", "a"}}, -1, {"a", "b", "a"}},
    };
    for (const auto& c : cases) {
        Graph g(c.links);
        guiTreeEnum e(face(g.root), c.levelMax, 0);
        EXPECT_EQ(e.GetLevelMax(), c.levelMax);
        EXPECT_EQ(walk(e), c.expected);
        EXPECT_FALSE(e.Next()) << "the end stays the end";
    }
}

TEST_F(TreeEnum, FilterDecidesWhatIsAnsweredNotWhatIsWalked)
{
    Graph g({{"r", "hidden"}, {"hidden", "v1"}, {"hidden", "v2"}, {"r", "v3"}, {"r", "masked"}});
    for (const char* name : {"v1", "v3", "masked"})
        g.get(name)->SetVisible(true);
    g.get("masked")->SetFilterMask(2);
    guiTreeEnum e(face(g.root), -1, 1);
    EXPECT_EQ(walk(e), (Names{"v1", "v3"}));
    e.SetFilterMask(0);
    e.Reset();
    EXPECT_EQ(walk(e), (Names{"hidden", "v1", "v2", "v3", "masked"}));
}

TEST_F(TreeEnum, StepsOverLevelsAndStartsOver)
{
    Graph g(kThreeLevels);
    guiTreeEnum e;
    e.Create(face(g.root), -1, 0);
    EXPECT_EQ(e.GetLevel(), 0);
    guiTreeNodeRef item;
    ASSERT_TRUE(e.Next(&item));
    EXPECT_EQ(std::string(item->GetName()), "a");
    EXPECT_EQ(e.GetLevel(), 1);
    EXPECT_TRUE(e.SkeepLevel()) << "a's children";
    ASSERT_TRUE(e.Next(&item));
    EXPECT_EQ(std::string(item->GetName()), "b");

    e.Reset();
    EXPECT_EQ(e.GetLevel(), 0);
    for (const char* expected : {"a", "a1", "a11"}) {
        ASSERT_TRUE(e.Next(&item));
        EXPECT_EQ(std::string(item->GetName()), expected);
    }
    EXPECT_EQ(e.GetLevel(), 2);
    EXPECT_FALSE(e.SkeepLevel()) << "a11 has no sibling left";
    EXPECT_TRUE(e.Skeep());
    EXPECT_EQ(e.GetLevel(), 1);
    ASSERT_TRUE(e.Next(&item));
    EXPECT_EQ(std::string(item->GetName()), "b");
    EXPECT_FALSE(e.SkeepLevel());

    Graph other({{"o", "x"}}, "o");
    e.Create(face(other.root), -1, 0);
    EXPECT_EQ(walk(e), (Names{"x"}));
}

TEST_F(TreeEnum, UncreatedOrDestroyedEnumeratorRefusesToWalk)
{
    guiTreeEnum e;
    const char* text = "guiTreeEnum::Next() : not initialized";
    vbtest::expectThrown<vbEsys>([&] { e.Next(); }, E_FAIL, text);
    vbtest::expectThrown<vbEsys>([&] { e.SkeepLevel(); }, E_FAIL, text);
    Graph g(kThreeLevels);
    e.Create(face(g.root), -1, 0);
    EXPECT_TRUE(e.Next());
    e.Destroy();
    vbtest::expectThrown<vbEsys>([&] { e.Next(); }, E_FAIL, text);

    void* pv = nullptr;
    EXPECT_TRUE(e.GetInterface(IID_sIvbBase, &pv));
    EXPECT_EQ(pv, static_cast<sIvbBase*>(&e));
    EXPECT_FALSE(e.GetInterface(IID_IvbObject, &pv));
}

TEST_F(TreeEnum, SearchesSeeTheFieldsTheirKeyWordsName)
{
    Graph g({{"r", "alpha"}, {"r", "beta"}, {"r", "gamma"}, {"r", "delta"}});
    g.get("alpha")->SetText("foo");
    g.get("beta")->SetSelText("foo");
    g.get("gamma")->SetTag(vbVariant(42));
    g.get("delta")->SetHint("foo bar");
    g.get("delta")->SetText("42");
    const struct {
        const char* expr;
        Names expected;
    } cases[] = {
        {"txt:foo", {"alpha", "beta"}},
        {"text:foo", {"alpha"}},
        {"seltext:FOO", {"beta"}},
        {"key:b*", {"beta"}},
        {"tag:42", {"gamma"}},
        {"hint:foo*", {"delta"}},
        {"42", {"gamma", "delta"}},
        {"foo|beta", {"alpha", "beta"}},
        {"key:+tag:42", {"gamma"}},
    };
    guiTreeEnum e(face(g.root), -1, 0);
    for (const auto& c : cases) {
        e.Reset();
        e.SearchExpr(c.expr, 0xFFFF);
        EXPECT_EQ(search(e), c.expected) << c.expr;
    }
    e.Reset();
    e.SearchSubString("amm", 0xFFFF);
    EXPECT_EQ(search(e), (Names{"gamma"}));

    e.Reset();
    vbtest::expectThrown<vbEsys>([&] { e.SearchExpr("(a", 0xFFFF); }, E_FAIL,
        "vbExpr::parseSearchExpr((a) : unexpected end of string, ')' omitted !");
    e.SearchExpr("beta", 0xFFFF);
    EXPECT_EQ(search(e), (Names{"beta"})) << "still usable";
}

TEST_F(TreeEnum, KeyWordsSetMaskBits)
{
    guiTreeEnum e;
    const struct {
        const char* word;
        int mode;
        bool first;
        ULONG before;
        ULONG after;
        bool known;
    } cases[] = {
        {"key", 1, true, 0x10000100, 0x10000101, true},
        {"TEXT", 1, false, 0x0, 0x2, true},
        {"seltext", -1, true, 0xFFFF, 0xFFFB, true},
        {"txt", -1, false, 0x7, 0x1, true},
        {"tag", 0, true, 0x1000FFFF, 0x10000008, true},
        {"Hint", 0, false, 0x1000FFFF, 0x1000FFFF, true},
        {"txt", 0, false, 0x1, 0x7, true},
        {"name", 1, true, 0x3, 0x3, false},
    };
    for (const auto& c : cases) {
        ULONG flags = c.before;
        EXPECT_EQ(e.onFlagSet(c.first, c.word, c.mode, &flags), c.known) << c.word;
        EXPECT_EQ(flags, c.after) << c.word << " " << c.mode;
    }
}

TEST_F(TreeEnum, HeldItemsOutliveTheirRemoval)
{
    auto* root = new guiTreeNode();
    guiTreeNodePtr r(root);
    root->Release();
    root->Create();
    guiTreeEnum e(static_cast<IguiTreeNode*>(root), -1, 0);
    {
        guiTreeNodePtr a = makeNode("a");
        guiTreeNodePtr a1 = makeNode("a1");
        a->AddChild(face(a1), 0);
        root->AddChild(face(a), 0);
    }
    guiTreeNodeRef item;
    ASSERT_TRUE(e.Next(&item));
    root->ClearChildren();
    EXPECT_EQ(std::string(item->GetName()), "a") << "the enumerator's own reference keeps it";
    item.Release();
    ASSERT_TRUE(e.Next(&item)) << "a is still on the walk";
    EXPECT_EQ(std::string(item->GetName()), "a1");
    EXPECT_FALSE(e.Next());
}

} // namespace
