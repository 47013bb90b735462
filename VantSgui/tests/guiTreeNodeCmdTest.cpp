#include "GuiTestBed.h"
#include "TreeTestKit.h"
#include "guiTreeCtrl.h"
#include "guiTreeDraw.h"
#include "guiTreePtr.h"

#include "vbDnItf.h"

#include "testsupport/Watchdog.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using gui::test::FakeContainer;
using gui::test::makeNode;
using gui::test::TreeTest;

class NodeCommands : public TreeTest {};
class TreePointers : public TreeTest {};

IguiTreeNode* face(const guiTreeNodePtr& n) { return static_cast<IguiTreeNode*>(n.Get()); }

// A view: what it was sent, one line per command ("<code> <names of the path>"), and the state
// its faces answer from. Like the engines, it takes a command only when the path names an item.
class FakeView : public sIguiTreeDraw {
public:
    std::vector<std::string> sent;
    std::set<IguiTreeNode*> selected, over;
};

// The view's face on one node it shows.
class ViewFace : public vbObsPtr<IvbObject, &IID_IvbObject>, public sIguiTreeNodeDraw {
public:
    ViewFace(FakeView& view, const guiTreeNodePtr& node) : vbObsPtr(face(node)), m_view(view) {}

    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_sIguiTreeNodeDraw) {
            *ppv = static_cast<sIguiTreeNodeDraw*>(this);
            return true;
        }
        return vbObsPtr::GetInterface(iid, ppv);
    }
    bool PostCmdNodes(guiTree_Cmd cmd, IguiTreeNode* const* path, int count) override
    {
        std::string line = std::to_string(cmd);
        for (int i = 0; i < count; ++i)
            line += " " + std::string(path[i]->GetName());
        m_view.sent.push_back(line);
        return count > 0;
    }
    sIguiTreeDraw* GetDraw() override { return &m_view; }
    bool IsSelected(IguiTreeNode* node) override { return m_view.selected.count(node) > 0; }
    bool IsOver(IguiTreeNode* node) override { return m_view.over.count(node) > 0; }
    bool IsExpanded() override { return expanded; }

    bool expanded = false;

private:
    FakeView& m_view;
};

// a > b > c, and d a second parent of c.
struct Tree {
    guiTreeNodePtr a = makeNode("a"), b = makeNode("b"), c = makeNode("c"), d = makeNode("d");
    Tree()
    {
        a->AddChild(face(b), -1);
        b->AddChild(face(c), -1);
        d->AddChild(face(c), -1);
    }
};

TEST_F(NodeCommands, WalkCommandsReachEachViewOnceAtTheNearestLevel)
{
    const struct {
        bool (guiTreeNode::*command)();
        guiTree_Cmd code;
    } cases[] = {{&guiTreeNode::Select, guiTreeCmd_Select}, {&guiTreeNode::MouseOver, guiTreeCmd_Over},
        {&guiTreeNode::Expand, guiTreeCmd_Expand}};
    for (const auto& k : cases) {
        const std::string code = std::to_string(k.code);
        Tree t;
        EXPECT_FALSE((t.c.Get()->*k.command)()) << "no view shows the node or an ancestor";

        FakeView near, top, other;
        ViewFace nearOnC(near, t.c), nearOnB(near, t.b), nearOnA(near, t.a);
        ViewFace topOnA(top, t.a);
        ViewFace otherOnD(other, t.d);
        EXPECT_TRUE((t.c.Get()->*k.command)());
        EXPECT_EQ(near.sent, (std::vector<std::string>{code, code + " c"}))
            << "refused on the node itself (no item), taken one level up, not asked again above";
        EXPECT_EQ(top.sent, std::vector<std::string>{code + " c b"});
        EXPECT_EQ(other.sent, std::vector<std::string>{code + " c"}) << "the second parent's view";
    }
}

TEST_F(NodeCommands, WalksEndOnCycles)
{
    guiTreeNodePtr a = makeNode("a"), b = makeNode("b");
    a->AddChild(face(b), -1);
    b->AddChild(face(a), -1);
    FakeView view;
    ViewFace onA(view, a);
    EXPECT_TRUE(b->Select());
    EXPECT_EQ(view.sent, std::vector<std::string>{"0 b"});
    b->RemoveChild(face(a));
}

TEST_F(NodeCommands, UnselectAndUnMouseOverGoToEveryParentsViews)
{
    Tree t;
    EXPECT_FALSE(t.c->Unselect());
    EXPECT_FALSE(t.c->UnMouseOver());
    FakeView first, second;
    ViewFace onB(first, t.b), onD(second, t.d), onC(second, t.c);
    EXPECT_TRUE(t.c->Unselect());
    EXPECT_TRUE(t.c->UnMouseOver());
    EXPECT_EQ(first.sent, (std::vector<std::string>{"1 c", "3 c"}));
    EXPECT_EQ(second.sent, (std::vector<std::string>{"1 c", "3 c"})) << "not the faces on the node itself";
}

TEST_F(NodeCommands, CollapseOnlyReachesTheNodesOwnViews)
{
    Tree t;
    FakeView view;
    ViewFace onB(view, t.b);
    EXPECT_FALSE(t.c->Collapse()) << "shown only through a parent";
    EXPECT_TRUE(view.sent.empty());
    EXPECT_TRUE(t.b->Collapse());
    EXPECT_EQ(view.sent, std::vector<std::string>{"5"});
}

TEST_F(NodeCommands, QueriesAskTheViewsOfTheParents)
{
    Tree t;
    FakeView view;
    ViewFace onD(view, t.d);
    EXPECT_FALSE(t.c->IsSelected());
    EXPECT_FALSE(t.c->IsMouseOver());
    EXPECT_FALSE(t.d->IsExpanded());
    view.selected.insert(face(t.c));
    view.over.insert(face(t.c));
    onD.expanded = true;
    EXPECT_TRUE(t.c->IsSelected()) << "the second parent's view answers";
    EXPECT_TRUE(t.c->IsMouseOver());
    EXPECT_TRUE(t.d->IsSelected(face(t.c)));
    EXPECT_FALSE(t.b->IsSelected(face(t.c)));
    EXPECT_TRUE(t.d->IsExpanded());
    EXPECT_FALSE(t.c->IsExpanded());
}

// --- tree pointers ---

// An owner that download workers report to: its calls are read under its lock, and a test can
// wait until the load has been reported. A worker still holds the owner for a moment after it
// reported, so the owner, which lives on the test's stack, waits for that hold to end before it goes.
class WorkerOwner : public FakeContainer {
public:
    ~WorkerOwner()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_released.wait_for(lock, std::chrono::seconds(20), [&] { return m_held == 0; });
    }
    ULONG AddRef() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return static_cast<ULONG>(++m_held);
    }
    ULONG Release() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_held;
        m_released.notify_all();
        return static_cast<ULONG>(m_held);
    }
    vbString GetUrlRootForProtocol(const vbString& protocol) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return FakeContainer::GetUrlRootForProtocol(protocol);
    }
    void onNodeChange(guiTreeNode* n, bool destroyed) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        FakeContainer::onNodeChange(n, destroyed);
        m_changed.notify_all();
    }
    void onSetContainer(guiTreeNode* n, bool weak) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        FakeContainer::onSetContainer(n, weak);
    }
    // The calls once a change has been reported (or what there is after a long wait).
    std::vector<std::string> callsAfterAChange()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(20), [&] {
            for (const std::string& c : calls)
                if (c.rfind("change", 0) == 0)
                    return true;
            return false;
        });
        return calls;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::condition_variable m_released;
    long m_held = 0;
};

TEST_F(TreePointers, LoadMakesTheNodeForTheOwnerAndReadsTheDocument)
{
    for (bool strong : {true, false}) {
        WorkerOwner owner;
        guiTreePtr ptr(&owner, strong);
        ptr.Load("data:<item name=x/><item name=y/>");
        ASSERT_NE(ptr.Get(), nullptr) << "the node is made when the load is asked";
        ASSERT_TRUE(vbDnWait(static_cast<IvbDnObject*>(ptr.Get()), vbDnLoad, 10000, false));
        const std::vector<std::string> calls = owner.callsAfterAChange();
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls.front(), strong ? "set  strong" : "set  weak") << "before the load reports to it";
        EXPECT_EQ(ptr->GetChildCount(), 2);
        EXPECT_FALSE(ptr.IsCacheable());
        guiTreeNode* node = ptr.Get();
        ptr.Load("data:<item name=x/><item name=y/>");
        EXPECT_EQ(ptr.Get(), node) << "the same URL keeps the node";
        ptr->SetContainer(nullptr, false);
    }
}

TEST_F(TreePointers, ACopyLoadsWhatItNamesWithoutTheOwner)
{
    WorkerOwner owner;
    guiTreePtr named(&owner, true);
    named.SetUrlKey("data:<item name=x/>", 0);
    ASSERT_EQ(named.Get(), nullptr);
    guiTreePtr copy(named);
    ASSERT_NE(copy.Get(), nullptr) << "a URL without a node is loaded at once";
    EXPECT_EQ(named.Get(), nullptr);
    guiTreeContainerRef held;
    EXPECT_FALSE(copy->GetContainer(&held));
    EXPECT_TRUE(owner.calls.empty());
    ASSERT_TRUE(vbDnWait(static_cast<IvbDnObject*>(copy.Get()), vbDnLoad, 10000, false));

    guiTreePtr assigned(&owner, true);
    assigned = named;
    EXPECT_NE(assigned.Get(), nullptr);
    EXPECT_NE(assigned.Get(), copy.Get()) << "nodes are not shared through the centre's cache";
    // The assigned node's load reports to the owner from a download worker.
    const std::vector<std::string> calls = owner.callsAfterAChange();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "set  strong") << "an assigned pointer keeps its own owner";
    assigned->SetContainer(nullptr, false);
    vbDnWait(static_cast<IvbDnObject*>(assigned.Get()), vbDnLoad, 10000, false);
}

std::string names(guiTreeNode* node) { return gui::test::childNames(node); }

TEST_F(TreePointers, ItemsWithASourceReadTheirOwnDocument)
{
    guiTreeNodePtr root = makeNode("root");
    root->Load("data:<item name=a/><item name=sub src=\"data:<item name=x/>\"/>", vbDnPriority3);
    ASSERT_TRUE(vbDnWait(static_cast<IvbDnObject*>(root.Get()), vbDnLoad, 10000, false));
    guiTreeNodePtr sub;
    ASSERT_TRUE(root->GetChild(2, &sub));
    ASSERT_TRUE(vbDnWait(static_cast<IvbDnObject*>(sub.Get()), vbDnLoad, 10000, false));
    EXPECT_EQ(names(sub.Get()), "x");
    EXPECT_EQ(std::string(sub->GetUrl()), "data:<item name=x/>");

    root->PartialLoad("data:<itemcfg update=1/><item name=sub src=\"data:<item name=y/>\"/>", vbDnPriority3);
    ASSERT_TRUE(vbDnWait(static_cast<IvbDnObject*>(root.Get()), vbDnLoad, 10000, false));
    guiTreeNodePtr again;
    ASSERT_TRUE(root->GetChild(1, &again));
    EXPECT_EQ(again.Get(), sub.Get()) << "an update pass keeps the matched child";
    ASSERT_TRUE(vbDnWait(static_cast<IvbDnObject*>(sub.Get()), vbDnLoad, 10000, false));
    EXPECT_EQ(names(sub.Get()), "y");
    EXPECT_EQ(names(root.Get()), "sub");
}

} // namespace

namespace {

class NodeLockOrder : public gui::test::GuiTestBed {};

TEST_F(NodeLockOrder, CommandsFromAWorkerWhileTheTreeControlSwapsItsRoot)
{
    guiTreeNodePtr first = gui::test::loadMarkup("<item name=a/><item name=b/>");
    guiTreeNodePtr second = gui::test::loadMarkup("<item name=c/>");
    guiTreeNodePtr item;
    ASSERT_TRUE(first->GetChild(1, &item));
    second->AddChild(face(item), -1);
    auto tree = std::make_unique<guiTreeCtrl>();
    tree->Create(&window->container, CRect(10, 10, 210, 160), true, true);
    tree->SetRoot(face(first));
    pump();

    testsupport::Watchdog watchdog(std::chrono::seconds(60), "node commands against root swaps");
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 2000; ++i) {
            item->Select();
            item->Expand();
        }
        done = true;
    });
    // Both engines take their turn: a new draw type makes a new one.
    while (!done) {
        tree->SetRoot(guiTreeDraw_TreeView, face(second));
        tree->SetRoot(guiTreeDraw_Menu, face(first));
        pump();
    }
    worker.join();
    pump();
    tree.reset();
}

} // namespace
