#include "TreeTestKit.h"

#include "vbExpectThrown.h"

#include <functional>
#include <string>
#include <vector>

namespace {

using gui::test::FakeContainer;
using gui::test::makeAspect;
using gui::test::makeNode;
using gui::test::SignalLog;
using gui::test::TreeTest;
using Codes = std::vector<int>;

class TreeNode : public TreeTest {};

IguiTreeNode* face(const guiTreeNodePtr& n) { return static_cast<IguiTreeNode*>(n.Get()); }

TEST_F(TreeNode, NewNodeHoldsTheDefaultsAndAnswersItsFaces)
{
    guiTreeNodePtr n = makeNode("n");
    EXPECT_FALSE(n->IsVisible());
    EXPECT_TRUE(n->IsEnabled());
    EXPECT_FALSE(n->IsChecked());
    EXPECT_EQ(n->GetType(), guiNodeType_Item);
    EXPECT_EQ(n->GetCheckMode(), guiNodeCheck_Btn);
    EXPECT_EQ(n->GetFilterMask(), -1);
    EXPECT_TRUE(n->GetClosePopup());
    EXPECT_TRUE(n->GetHelpClosePopup());
    EXPECT_EQ(n->GetPopupMouseTrack(), 2);
    EXPECT_EQ(n->GetPopupExpandedLevel(), 2);
    EXPECT_EQ(n->GetPopupDrawType(), guiTreeDraw_Menu);
    EXPECT_EQ(n->GetPathChar(), 0);
    EXPECT_EQ(n->GetMemSizeForCache(), 32768u);
    EXPECT_FALSE(n->IsCacheable());
    EXPECT_FALSE(n->LoadFromFile(nullptr, "x"));

    void* pv = nullptr;
    EXPECT_EQ(n->QueryInterface(CLSID_guiTreeNode, &pv), S_OK);
    EXPECT_EQ(pv, n.Get());
    n->Release();
    EXPECT_EQ(n->QueryInterface(IID_IguiTreeNode, &pv), S_OK);
    EXPECT_EQ(pv, face(n));
    n->Release();
    EXPECT_EQ(n->QueryInterface(IID_IvbXmlTarget, &pv), S_OK);
    EXPECT_EQ(pv, static_cast<IvbXmlTarget*>(n.Get()));
    n->Release();
    EXPECT_EQ(n->QueryInterface(IID_IguiTreeAspect, &pv), E_NOINTERFACE);
}

TEST_F(TreeNode, SameTextTwiceSignalsOnceAndOnlyWhenVisible)
{
    for (bool visible : {true, false}) {
        guiTreeNodePtr parent = makeNode("p");
        guiTreeNodePtr child = makeNode("c");
        parent->AddChild(face(child), 0);
        child->SetVisible(visible);
        SignalLog onChild(child.Get());
        SignalLog onParent(parent.Get());
        EXPECT_TRUE(child->SetText("t"));
        EXPECT_FALSE(child->SetText("t"));
        EXPECT_TRUE(child->SetText("T")) << "compared with case";
        EXPECT_EQ(onChild.codes, visible ? (Codes{3, 3}) : Codes{});
        EXPECT_EQ(onParent.codes, visible ? (Codes{1, 1}) : Codes{});
    }
}

TEST_F(TreeNode, SettersRaiseTheirSignals)
{
    guiTreeNodePtr parent = makeNode("p");
    guiTreeNodePtr n = makeNode("n");
    parent->AddChild(face(n), 0);
    SignalLog onNode(n.Get());
    SignalLog onParent(parent.Get());

    n->SetVisible(true);
    EXPECT_EQ(onNode.codes, (Codes{3}));
    EXPECT_EQ(onParent.codes, (Codes{1, 3})) << "the child's 3 forwarded, then UpdateParents";

    onNode.codes.clear();
    onParent.codes.clear();
    n->SetSorted(true);
    n->SetFilterMask(6);
    n->SetName("m");
    n->SetTag(vbVariant(5));
    n->SetTag(vbVariant(5));
    n->SetScript("s");
    EXPECT_EQ(onNode.codes, (Codes{1, 3}));
    EXPECT_EQ(onParent.codes, (Codes{1, 3}));

    n->SetVisible(false);
    onNode.codes.clear();
    onParent.codes.clear();
    n->SetFilterMask(7);
    EXPECT_EQ(onNode.codes, Codes{});
    EXPECT_EQ(onParent.codes, Codes{}) << "an invisible node's mask changes no look";
    EXPECT_TRUE(n->SetChecked(true));
    EXPECT_FALSE(n->SetChecked(true));
}

TEST_F(TreeNode, ChildSignalsReachTheParent)
{
    const struct {
        int child;
        Codes parent;
    } cases[] = {{0, {2}}, {-1, {2}}, {4, {2}}, {3, {1}}, {1, {}}, {2, {}}, {5, {}}};
    for (const auto& c : cases) {
        guiTreeNodePtr parent = makeNode("p");
        guiTreeNodePtr child = makeNode("c");
        parent->AddChild(face(child), 0);
        SignalLog onParent(parent.Get());
        child->SignalPtr(c.child);
        EXPECT_EQ(onParent.codes, c.parent) << c.child;
        EXPECT_EQ(parent->GetChildCount(), 1) << "a -1 of a failed load keeps the child";
    }
}

TEST_F(TreeNode, ContainerHearsContentChangesAndDestructionOnly)
{
    FakeContainer owner;
    guiTreeNodePtr n = makeNode("n");
    n->SetContainer(&owner, true);
    for (int code : {0, 1, 2, 3, 4, -1})
        n->SignalPtr(code);
    n->Destroy();
    EXPECT_EQ(owner.calls,
        (std::vector<std::string>{"set n strong", "change n", "change n", "change n destroyed"}));
}

TEST_F(TreeNode, SetChildOutsideTheListChangesNothing)
{
    guiTreeNodePtr parent = makeNode("p");
    guiTreeNodePtr a = makeNode("a");
    guiTreeNodePtr b = makeNode("b");
    parent->AddChild(face(a), 0);
    EXPECT_FALSE(parent->SetChild(2, face(b)));
    EXPECT_FALSE(parent->SetChild(0, face(b)));
    EXPECT_EQ(b->GetParentCount(), 0);

    EXPECT_TRUE(parent->SetChild(1, face(b)));
    EXPECT_EQ(a->GetParentCount(), 0);
    EXPECT_EQ(b->GetParentCount(), 1);
    EXPECT_TRUE(parent->SetChild(1, nullptr));
    EXPECT_EQ(parent->GetChildCount(), 0);
}

TEST_F(TreeNode, ChildrenKeepTheirOrderAndPositions)
{
    guiTreeNodePtr parent = makeNode("p");
    guiTreeNodePtr a = makeNode("a"), b = makeNode("b"), c = makeNode("c");
    EXPECT_EQ(parent->AddChild(face(a), 0), 1);
    EXPECT_EQ(parent->AddChild(face(b), 7), 2);
    EXPECT_EQ(parent->AddChild(face(c), 1), 1);
    guiTreeNodePtr got;
    ASSERT_TRUE(parent->GetChild(1, &got));
    EXPECT_EQ(got.Get(), c.Get());
    EXPECT_FALSE(parent->GetChild(4, &got));
    EXPECT_TRUE(parent->RemoveChild(face(c)));
    EXPECT_FALSE(parent->RemoveChild(face(c)));
    vbtest::expectThrown<vbEsys>([&] { parent->RemoveChild(3); }, E_INVALIDARG,
        "vbArray.operator[](3) failure, bad index");
    EXPECT_TRUE(parent->RemoveChild(2));
    ASSERT_TRUE(parent->GetChild(1, &got));
    EXPECT_EQ(got.Get(), a.Get());
}

TEST_F(TreeNode, SharedChildHasOneParentPerLink)
{
    guiTreeNodePtr p1 = makeNode("p1"), p2 = makeNode("p2"), shared = makeNode("s");
    p1->AddChild(face(shared), 0);
    p2->AddChild(face(shared), 0);
    EXPECT_EQ(shared->GetParentCount(), 2);
    guiTreeNodePtr parent;
    ASSERT_TRUE(shared->GetParent(1, &parent));
    EXPECT_TRUE(parent.Get() == p1.Get() || parent.Get() == p2.Get());

    EXPECT_TRUE(p1->RemoveChild(face(shared)));
    EXPECT_FALSE(shared->IsInDestruction());
    EXPECT_EQ(shared->GetParentCount(), 1);
    ASSERT_TRUE(shared->GetParent(1, &parent));
    EXPECT_EQ(parent.Get(), p2.Get());

    p1->AddChild(face(shared), 0);
    shared->Destroy();
    EXPECT_EQ(p1->GetChildCount(), 0);
    EXPECT_EQ(p2->GetChildCount(), 0);
}

TEST_F(TreeNode, ObserverSeesNoHalfEmptiedChildren)
{
    guiTreeNodePtr parent = makeNode("p");
    for (const char* name : {"a", "b", "c"}) {
        guiTreeNodePtr child = makeNode(name);
        parent->AddChild(face(child), 0);
    }
    SignalLog onParent(parent.Get());
    std::vector<int> seen;
    onParent.during = [&](int) {
        int n = 0;
        guiTreeNodeRef child;
        while (parent->GetChild(n + 1, &child))
            ++n;
        seen.push_back(n);
    };
    parent->ClearChildren();
    EXPECT_EQ(seen, (std::vector<int>{0})) << "one signal (1), the children already gone";
    EXPECT_EQ(onParent.codes, (Codes{1}));
}

TEST_F(TreeNode, DefaultAspectIsTheUnnamedOne)
{
    guiTreeNodePtr n = makeNode("n");
    guiTreeAspectRef got;
    EXPECT_FALSE(n->GetAspect(nullptr, &got));

    EXPECT_TRUE(n->CreateAspect("default", &got));
    EXPECT_EQ(std::string(got->GetName()), "default");
    guiTreeAspectRef again;
    EXPECT_FALSE(n->GetAspect(nullptr, &again));
    EXPECT_FALSE(n->GetAspect("default", &again));

    guiTreeAspectRef unnamed;
    EXPECT_TRUE(n->CreateAspect("", &unnamed));
    EXPECT_TRUE(n->GetAspect(nullptr, &again));
    EXPECT_EQ(again.Get(), unnamed.Get());
    again.Release();
    EXPECT_TRUE(n->GetAspect("default", &again));
    EXPECT_EQ(again.Get(), unnamed.Get());
    again.Release();
    EXPECT_FALSE(n->CreateAspect(nullptr, &again)) << "an existing record is answered";
    EXPECT_EQ(again.Get(), unnamed.Get());

    EXPECT_TRUE(n->RemoveAspect(unnamed));
    EXPECT_FALSE(n->RemoveAspect(unnamed));
}

// A view's per-node pointer that listens for aspect-list changes.
class AspectListener : public vbObsPtr<IvbObject, &IID_IvbObject>, public sIguiTreeAspectGet {
public:
    explicit AspectListener(IvbObject* o) : vbObsPtr(o) {}
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_sIguiTreeAspectGet) {
            *ppv = static_cast<sIguiTreeAspectGet*>(this);
            return true;
        }
        return vbObsPtr::GetInterface(iid, ppv);
    }
    void onAspectListChange(IguiTreeNode* node) override { changes.push_back(node); }
    std::vector<IguiTreeNode*> changes;
};

TEST_F(TreeNode, AspectListChangesReachTheViews)
{
    guiTreeNodePtr n = makeNode("n");
    AspectListener view(static_cast<IguiTreeNode*>(n.Get()));
    n->SetChildrenClass("menu");
    n->SetChildrenClass("menu");
    auto aspect = makeAspect("x");
    n->AddAspect(aspect.Get());
    n->RemoveAspect(aspect.Get());
    n->AddAspect(aspect.Get());
    n->ClearAspects();
    EXPECT_EQ(view.changes.size(), 5u);
    EXPECT_EQ(view.changes.front(), face(n));
}

TEST_F(TreeNode, EventsGoToTheContainerWeakFirst)
{
    using Event = std::function<bool(guiTreeNode*, IguiTreeNode*)>;
    bool flag = true;
    const std::vector<Event> events = {
        [](guiTreeNode* n, IguiTreeNode* i) { return n->onClick(i, true); },
        [](guiTreeNode* n, IguiTreeNode* i) { return n->onDClick(i, false); },
        [](guiTreeNode* n, IguiTreeNode* i) { return n->onContextMenu(i, true); },
        [](guiTreeNode* n, IguiTreeNode* i) { return n->onSelect(i, true); },
        [](guiTreeNode* n, IguiTreeNode* i) { return n->onOver(i, false); },
        [&](guiTreeNode* n, IguiTreeNode* i) { return n->onCheck(i, &flag); },
        [](guiTreeNode* n, IguiTreeNode* i) { return n->onExpand(i); },
        [](guiTreeNode* n, IguiTreeNode* i) { return n->onCollapse(i); },
        [](guiTreeNode* n, IguiTreeNode* i) { return n->onExpandParent(i); },
        [](guiTreeNode* n, IguiTreeNode* i) { return n->onCollapseParent(i); },
    };
    const std::vector<std::string> expected = {"onClick item 1", "onDClick item 0", "onContextMenu item 1",
        "onSelect item 1", "onOver item 0", "onCheck item 1", "onExpand item 1", "onCollapse item 1",
        "onExpandParent item 1", "onCollapseParent item 1"};

    FakeContainer strong, weak;
    guiTreeNodePtr n = makeNode("n");
    guiTreeNodePtr item = makeNode("item");
    for (const Event& e : events)
        EXPECT_FALSE(e(n.Get(), face(item)));

    strong.tag = "strong";
    weak.tag = "weak";
    n->SetContainer(&strong, true);
    for (const Event& e : events)
        EXPECT_TRUE(e(n.Get(), face(item)));
    n->SetContainer(&weak, false);
    for (const Event& e : events)
        EXPECT_FALSE(e(n.Get(), nullptr));
    for (const Event& e : events)
        EXPECT_TRUE(e(n.Get(), face(item)));

    ASSERT_EQ(strong.calls.size(), 11u);
    ASSERT_EQ(weak.calls.size(), 11u);
    EXPECT_EQ(strong.calls[0], "set n strong");
    EXPECT_EQ(weak.calls[0], "set n weak");
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(strong.calls[i + 1], "strong " + expected[i]);
        EXPECT_EQ(weak.calls[i + 1], "weak " + expected[i]);
    }
    guiTreeContainerRef got;
    ASSERT_TRUE(n->GetContainer(&got));
    EXPECT_EQ(got.Get(), &weak);
}

TEST_F(TreeNode, ImageFormsKeepNumberedIconsVerbatim)
{
    using Setter = bool (guiTreeNode::*)(const vbVariant&);
    using Getter = vbVariant (guiTreeNode::*)() const;
    using Text = const vbString& (guiTreeNode::*)() const;
    const struct {
        Setter set;
        Getter get;
        Text text;
    } forms[] = {
        {&guiTreeNode::SetImage, &guiTreeNode::GetImage, &guiTreeNode::GetIcon},
        {&guiTreeNode::SetSelectedImage, &guiTreeNode::GetSelectedImage, &guiTreeNode::GetSelIcon},
        {&guiTreeNode::SetHelpImage, &guiTreeNode::GetHelpImage, &guiTreeNode::GetHelpIcon},
        {&guiTreeNode::SetSelHelpImage, &guiTreeNode::GetSelHelpImage, &guiTreeNode::GetSelHelpIcon},
        {&guiTreeNode::SetExpandedImage, &guiTreeNode::GetExpandedImage, &guiTreeNode::GetExpIcon},
        {&guiTreeNode::SetSelExpandedImage, &guiTreeNode::GetSelExpandedImage, &guiTreeNode::GetSelExpIcon},
    };
    const struct {
        vbVariant value;
        const char* text;
        const char* textWithUrl;
        vbVariant back;
    } cases[] = {
        {vbVariant(), "", "", vbVariant()},
        {vbVariant(5), ":5", ":5", vbVariant(5)},
        {vbVariant(0), ":0", ":0", vbVariant(0)},
        {vbVariant(":12"), ":12", ":12", vbVariant(12)},
        {vbVariant("x.ico"), nullptr, "http://host/menus/x.ico", vbVariant("http://host/menus/x.ico")},
    };
    for (const char* url : {static_cast<const char*>(nullptr), "http://host/menus/main.xml"}) {
        for (const auto& form : forms) {
            for (const auto& c : cases) {
                guiTreeNodePtr n = makeNode("n", url);
                const char* text = url ? c.textWithUrl : c.text;
                if (!text) {
                    vbtest::expectThrown<vbEsys>([&] { (n.Get()->*form.set)(c.value); }, E_FAIL,
                        "vbMakeAbsUrl(x.ico) : no root url");
                    continue;
                }
                (n.Get()->*form.set)(c.value);
                EXPECT_EQ(std::string((n.Get()->*form.text)()), text);
                vbVariant back = (n.Get()->*form.get)();
                EXPECT_TRUE(back == c.back) << text;
            }
        }
    }
}

TEST_F(TreeNode, HintsFallBackToTheGeneralOne)
{
    guiTreeNodePtr n = makeNode("n");
    n->SetHint("general");
    EXPECT_EQ(std::string(n->GetHint(guiTreeHit_Expand)), "general");
    EXPECT_EQ(std::string(n->GetHint(guiTreeHit_Check)), "general");
    EXPECT_EQ(std::string(n->GetHint(guiTreeHit_Help)), "");
    n->SetExpHint("exp");
    n->SetCheckHint("check");
    n->SetHelpHint("help");
    EXPECT_EQ(std::string(n->GetHint(guiTreeHit_Expand)), "exp");
    EXPECT_EQ(std::string(n->GetHint(guiTreeHit_Check)), "check");
    EXPECT_EQ(std::string(n->GetHint(guiTreeHit_Help)), "help");
    EXPECT_EQ(std::string(n->GetHint(guiTreeHit_Item)), "general");
}

TEST_F(TreeNode, FilterVisibilityNeedsEveryMaskBit)
{
    guiTreeNodePtr parent = makeNode("p");
    guiTreeNodePtr n = makeNode("n");
    parent->AddChild(face(n), 0);
    n->SetFilterMask(0x6);
    EXPECT_FALSE(n->IsFilteredVisible(0)) << "invisible";
    EXPECT_FALSE(parent->HasVisibleChildren());
    n->SetVisible(true);
    EXPECT_TRUE(n->IsFilteredVisible(0));
    EXPECT_TRUE(n->IsFilteredVisible(0x2));
    EXPECT_TRUE(n->IsFilteredVisible(0x6));
    EXPECT_FALSE(n->IsFilteredVisible(0x3));
    EXPECT_TRUE(parent->HasVisibleChildren());
    EXPECT_TRUE(parent->HasFilteredVisibleChildren(0x4));
    EXPECT_FALSE(parent->HasFilteredVisibleChildren(0x8));
    parent->SetForceHasChildren(true);
    EXPECT_TRUE(parent->HasFilteredVisibleChildren(0x8));
}

} // namespace
