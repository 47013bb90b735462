#include "TreeTestKit.h"

#include "vbExpectThrown.h"

#include "plat/resource.h"

#include <functional>
#include <string>
#include <vector>

namespace {

using gui::test::FakeContainer;
using gui::test::makeNode;
using gui::test::TreeTest;

IguiTreeNode* face(const guiTreeNodePtr& n) { return static_cast<IguiTreeNode*>(n.Get()); }

guiTreeNodePtr add(const guiTreeNodePtr& parent, const char* name)
{
    guiTreeNodePtr child = makeNode(name);
    parent->AddChild(face(child), 0);
    return child;
}

// r { a { a1, a2 }, b, c }
class TreeSearch : public TreeTest {
protected:
    guiTreeNodePtr r = makeNode("r");
    guiTreeNodePtr a = add(r, "a");
    guiTreeNodePtr a1 = add(a, "a1");
    guiTreeNodePtr a2 = add(a, "a2");
    guiTreeNodePtr b = add(r, "b");
    guiTreeNodePtr c = add(r, "c");
};

TEST_F(TreeSearch, PositionsFromReferenceAndRelation)
{
    const vbVariant none;
    const struct {
        guiTreeNodePtr* self;
        vbVariant pos;
        guiNodeRelation rel;
        bool minusOne;
        int expected;
        guiTreeNodePtr* parentAfter; // null: left as it was
    } cases[] = {
        {&r, vbVariant(3), guiNodeRel_After, false, 4, nullptr},
        {&r, vbVariant(3), guiNodeRel_At, false, 3, nullptr},
        {&r, vbVariant(3), guiNodeRel_AtRef, false, 3, nullptr},
        {&r, vbVariant(3), static_cast<guiNodeRelation>(9), false, 3, nullptr},
        {&r, none, guiNodeRel_FirstChild, false, 1, nullptr},
        {&r, none, guiNodeRel_ChildrenEnd, false, 3, nullptr},
        {&r, none, guiNodeRel_ChildrenEnd, true, -1, nullptr},
        {&b, none, guiNodeRel_At, false, 2, &r},
        {&b, none, guiNodeRel_After, false, 3, &r},
        {&b, none, guiNodeRel_ParentEnd, false, 3, &r},
        {&b, none, guiNodeRel_ParentEnd, true, -1, &r},
        {&r, vbVariant("A2"), guiNodeRel_At, false, 2, &a},
        {&r, vbVariant("a1"), guiNodeRel_After, false, 2, &a},
        {&r, vbVariant(static_cast<IUnknown*>(face(a2))), guiNodeRel_At, false, 2, &a},
        {&r, vbVariant("a"), guiNodeRel_ChildrenEnd, false, 2, &a},
        {&r, vbVariant("a"), guiNodeRel_ChildrenEnd, true, -1, &a},
        {&r, vbVariant("a"), guiNodeRel_FirstChild, false, 1, &a},
        {&r, vbVariant("b"), guiNodeRel_ChildrenEnd, false, 0, &b},
    };
    for (const auto& t : cases) {
        guiTreeNodePtr parent = c;
        EXPECT_EQ((*t.self)->GetPos(&parent, t.pos, t.rel, t.minusOne), t.expected)
            << std::string((*t.self)->GetName()) << " " << t.rel;
        EXPECT_EQ(parent.Get(), t.parentAfter ? t.parentAfter->Get() : c.Get());
    }
    EXPECT_EQ(r->GetPos(nullptr, none, guiNodeRel_FirstChild, false), 1) << "no parent needed";
}

TEST_F(TreeSearch, PositionErrorsSayWhatIsWrong)
{
    guiTreeNodePtr parent;
    guiTreeNodePtr stranger = makeNode("s");
    const struct {
        std::function<void()> call;
        const char* text;
    } cases[] = {
        {[&] { b->GetPos(nullptr, vbVariant(), guiNodeRel_At, false); },
            "guiTreeNode::GetPos() : bad position or relation argument"},
        {[&] { r->GetPos(&parent, vbVariant(), guiNodeRel_After, false); },
            "guiTreeNode::GetPos() : specified relation require a parent for this node, and node is root !"},
        {[&] { r->GetPos(&parent, vbVariant(static_cast<IUnknown*>(face(stranger))), guiNodeRel_At, false); },
            "guiTreeNode::GetPos() : can't find item by pointer"},
        {[&] { r->GetPos(&parent, vbVariant("zz"), guiNodeRel_At, false); },
            "guiTreeNode::GetPos() : can't find 'zz'"},
        {[&] { r->GetPos(nullptr, vbVariant(1), guiNodeRel_ChildrenEnd, false); },
            "guiTreeNode::GetPos() : bad arguments (no parent pointer for child relation)"},
        {[&] {
             parent = r;
             r->GetPos(&parent, vbVariant(9), guiNodeRel_FirstChild, false);
         },
            "guiTreeNode::GetPos() : bad node index"},
    };
    for (const auto& t : cases)
        vbtest::expectThrown<vbEsys>(t.call, E_FAIL, t.text);
}

TEST_F(TreeSearch, FindAnswersThePositionUnderTheParentFound)
{
    vbArray<IguiTreeNode*> path;
    guiTreeNodePtr parent;
    EXPECT_EQ(r->Find(1, path, vbString("A2"), &parent), 2);
    EXPECT_EQ(parent.Get(), a.Get());
    EXPECT_EQ(r->Find(1, path, face(c), &parent), 3);
    EXPECT_EQ(parent.Get(), r.Get());
    EXPECT_EQ(r->Find(1, path, vbString("a1"), nullptr), 0) << "without a parent only the children";
    EXPECT_EQ(r->Find(1, path, face(a1), nullptr), 0);
    EXPECT_EQ(r->Find(1, path, vbString("zz"), &parent), 0);
}

TEST_F(TreeSearch, PathsJoinNamesDownFromTheRoot)
{
    EXPECT_EQ(std::string(r->GetPath()), "r");
    EXPECT_EQ(std::string(a1->GetPath()), "r\\a\\a1");

    guiTreeNodePtr unnamed = makeNode("");
    guiTreeNodePtr file = add(unnamed, "file");
    guiTreeNodePtr open = add(file, "open");
    EXPECT_EQ(std::string(open->GetPath()), "file\\open");

    a->SetPathChar('/');
    guiTreeNodePtr deep = add(a1, "deep");
    EXPECT_EQ(std::string(deep->GetPath()), "r\\a/a1/deep");
}

TEST_F(TreeSearch, PathChildFindsNodesByTheirNames)
{
    const struct {
        const char* path;
        guiTreeNodePtr* expected; // null: not found
    } cases[] = {
        {"r\\a\\a2", &a2},
        {"R\\A\\A2", &a2},
        {"a\\a2", &a2},
        {"r\\r\\a", &a},
        {"", &r},
        {"r", &r},
        {"r\\\\a\\\\a1\\", &a1},
        {"\\b", &b},
        {"x", nullptr},
        {"a\\x", nullptr},
        {"a\\a2\\more", nullptr},
    };
    for (const auto& t : cases) {
        guiTreeNodeRef out;
        const bool found = r->GetPathChild(t.path, &out, '\\', 0);
        EXPECT_EQ(found, t.expected != nullptr) << t.path;
        if (found && t.expected) {
            EXPECT_EQ(out.Get(), face(*t.expected)) << t.path;
        }
    }
    a->SetPathChar('/');
    guiTreeNodeRef out;
    EXPECT_TRUE(r->GetPathChild("r\\a/a1", &out, '\\', 0));
    EXPECT_EQ(out.Get(), face(a1));
    EXPECT_TRUE(r->GetPathChild("r\\a\\a1", &out, '\\', 0)) << "the separator in force serves too";
    EXPECT_EQ(out.Get(), face(a1));
    guiTreeNodeRef again;
    EXPECT_TRUE(r->GetPathChild(a1->GetPath(), &again, '\\', 0));
    EXPECT_EQ(again.Get(), face(a1));
}

TEST_F(TreeSearch, CyclesEndEveryWalk)
{
    // a2 becomes its own grandparent's child: a -> a2 -> a.
    a2->AddChild(face(a), 0);
    vbArray<IguiTreeNode*> path;
    guiTreeNodePtr parent;
    EXPECT_EQ(r->Find(1, path, vbString("absent"), &parent), 0);
    EXPECT_EQ(r->Find(1, path, face(b), &parent), 2);
    EXPECT_EQ(std::string(a1->GetPath()), "r\\a\\a1");

    // Cut from the root, the loop has no way up.
    r->RemoveChild(face(a));
    vbtest::expectThrown<vbEsys>([&] { a1->GetPath(); }, E_FAIL,
        "guiTreeNode::GetPath() : unable to find path to root");
    EXPECT_EQ(std::string(a1->GetUrlRootForProtocol("http")), "");
    a2->RemoveChild(face(a));
}

TEST_F(TreeSearch, RootsAndResourcesComeFromTheNearestContainer)
{
    FakeContainer top, middle;
    top.roots["http"] = "http://roots/";
    top.roots[""] = "http://roots/";
    top.resources["menu"] = true;
    guiTreeNodePtr lone = makeNode("lone");
    r->SetContainer(&top, false);
    a->SetContainer(&middle, false);
    top.calls.clear();
    middle.calls.clear();

    EXPECT_EQ(std::string(a1->GetUrlRootForProtocol("http")), "http://roots/");
    EXPECT_EQ(middle.calls, (std::vector<std::string>{"root http"}));
    EXPECT_EQ(top.calls, (std::vector<std::string>{"root http"}));
    EXPECT_EQ(std::string(lone->GetUrlRootForProtocol("http")), "");
    EXPECT_EQ(std::string(a1->GetAbsUrl("icons/x.ico")), "http://roots/icons/x.ico");

    top.calls.clear();
    middle.calls.clear();
    EXPECT_FALSE(a1->LoadFromRes(nullptr, MAKEINTRESOURCE(5), nullptr, nullptr));
    EXPECT_FALSE(a1->LoadFromRes(nullptr, "menu", "MENU", nullptr));
    EXPECT_FALSE(a1->LoadFromRes(nullptr, "menu", nullptr, reinterpret_cast<HINSTANCE>(0x10000)));
    EXPECT_TRUE(top.calls.empty() && middle.calls.empty());
    EXPECT_TRUE(a1->LoadFromRes(nullptr, "menu", nullptr, nullptr));
    EXPECT_EQ(middle.calls, (std::vector<std::string>{"res menu a1"}));
    EXPECT_EQ(top.calls, (std::vector<std::string>{"res menu a1"}));
    EXPECT_FALSE(a1->LoadFromRes(nullptr, "other", nullptr, nullptr));
    r->SetContainer(nullptr, false);
    a->SetContainer(nullptr, false);
}

} // namespace
