#include "MenuTestKit.h"

#include "vbIcon.h"
#include "vbIconTestUtil.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

using gui::test::FakeContainer;
using gui::test::MenuTest;
using gui::test::MessageCounter;
using Lines = std::vector<std::string>;

class MenuModel : public MenuTest {};

TEST_F(MenuModel, RequestsShareOneMessageAndOnePass)
{
    guiTreeNodePtr root = load("<item name=a text=a/>");
    show(root.Get());
    MessageCounter counter(hostWindow->GetSafeHwnd());
    host.log.clear();
    menu->UpdateTree(false);
    menu->Redraw(false);
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([this] {
            for (int i = 0; i < 50; ++i)
                menu->UpdateTree(false);
        });
    for (std::thread& w : workers)
        w.join();
    pump();
    EXPECT_EQ(counter.count(guiTreeMsgPostedUpdate), 1);
    EXPECT_EQ(host.calls("onTreeRootUpdate").size(), 1u);
}

TEST_F(MenuModel, CommandsSelectTheLastOnlyAndCountZeroActsOnNothing)
{
    guiTreeNodePtr root = load("<item name=a text=a/><item name=b text=b/><item name=c text=c/>");
    show(root.Get());
    guiTreeNodePtr a, c;
    root->GetChild(1, &a);
    root->GetChild(3, &c);
    host.log.clear();
    IguiTreeNode* pathA[] = {a.Get()};
    IguiTreeNode* pathC[] = {c.Get()};
    EXPECT_FALSE(menu->PostCmdNodes(guiTreeCmd_Select, pathA, 0));
    EXPECT_TRUE(menu->PostCmdNodes(guiTreeCmd_Select, pathA, 1));
    EXPECT_TRUE(menu->PostCmdNodes(guiTreeCmd_Select, pathC, 1));
    pump();
    EXPECT_EQ(host.calls("onItemSelected"), Lines{"onItemSelected c 0 0"});
    EXPECT_EQ(menu->GetSelection(), 3);
    EXPECT_TRUE(menu->IsSelected(c.Get()));
    EXPECT_FALSE(menu->IsSelected(a.Get()));

    // A node outside the level is never selected, also with the selection on a help part.
    guiTreeNodePtr stranger = gui::test::makeNode("x");
    EXPECT_FALSE(menu->IsSelected(stranger.Get()));
    root->MemorizeSelected(-3);
    menu->UpdateTree(false);
    pump();
    EXPECT_EQ(menu->GetSelection(), -3);
    EXPECT_FALSE(menu->IsSelected(stranger.Get()));
}

TEST_F(MenuModel, AnExpandCommandWithoutPopupEndsAfterFewMessages)
{
    guiTreeNodePtr root = load("<item name=a text=a><item name=b text=b><item name=c/></item></item>");
    show(root.Get());
    guiTreeNodePtr a, b, c;
    root->GetChild(1, &a);
    a->GetChild(1, &b);
    b->GetChild(1, &c);
    MessageCounter counter(hostWindow->GetSafeHwnd());
    IguiTreeNode* path[] = {c.Get(), b.Get(), a.Get()};
    menu->PostCmdNodes(guiTreeCmd_Expand, path, 3);
    for (int i = 0; i < 20; ++i)
        pump();
    EXPECT_LE(counter.count(guiTreeMsgPostedUpdate), 3);
    EXPECT_GE(host.calls("createPopupCtrl").size(), 1u);
}

TEST_F(MenuModel, SelectionKeptInTheRootIsClampedAndReported)
{
    FakeContainer owner;
    guiTreeNodePtr root = load("<item name=a text=a/><item name=b text=b/><item name=c text=c/>");
    root->SetContainer(&owner, false);
    root->MemorizeSelected(7);
    show(root.Get());
    EXPECT_EQ(menu->GetSelection(), 3);
    EXPECT_EQ(host.calls("onItemSelected"), Lines{"onItemSelected c 0 1"});
    EXPECT_NE(std::find(owner.calls.begin(), owner.calls.end(), " onSelect c 0"), owner.calls.end());
    EXPECT_EQ(host.calls("onItemExpanded"), Lines{"onItemExpanded root 1"});

    // The old root is reported collapsed once, the new one expanded at its first layout.
    guiTreeNodePtr other = load("<item name=z text=z/>");
    other->SetName("other");
    host.log.clear();
    EXPECT_TRUE(menu->SetRoot(other.Get()));
    EXPECT_FALSE(menu->SetRoot(other.Get()));
    pump();
    menu->UpdateTree(false);
    pump();
    EXPECT_EQ(host.calls("onItemCollapsed"), Lines{"onItemCollapsed root 1"});
    EXPECT_EQ(host.calls("onItemExpanded"), Lines{"onItemExpanded other 0"});
    root->SetContainer(nullptr, false);
}

struct LayoutCase {
    const char* name;
    const char* markup;
    int widthMax;
    LONG mask;
    std::vector<CRect> rows;
    CSize size;
};

TEST_F(MenuModel, LayoutGivesRowsAndContentSize)
{
    // Test font: 7 px a character, 13 high; default spacing 2, separator 8, width limit 200.
    const LayoutCase cases[] = {
        {"plain", "<item name=a text=abc/>", 0, 0, {{0, 0, 27, 15}}, {27, 15}},
        {"check and radio", "<check name=a text=abc/><radio name=b text=ab/>", 0, 0, {{0, 0, 47, 16}, {0, 16, 40, 32}},
            {47, 32}},
        {"submenu", "<item name=a text=abc><item name=x/></item><item name=b text=a/>", 0, 0,
            {{0, 0, 27, 15}, {0, 15, 13, 30}}, {34, 30}},
        {"separator", "<item name=a text=abc/><sep/><item name=b text=a/>", 0, 0,
            {{0, 0, 27, 15}, {0, 15, 0, 25}, {0, 25, 13, 40}}, {27, 40}},
        {"host limit raises the width", "<item name=a text=abc/>", 150, 0, {{0, 0, 27, 15}}, {150, 15}},
        {"a limit under 20 measures with 20", "<item name=a text='a a'/>", 6, 0, {{0, 0, 13, 28}}, {13, 28}},
        {"sorted", "<itemcfg sortedchildren=1/><item name=b text=bb/><item name=a text=A/><item name=c text=cccc/>",
            0, 0, {{0, 0, 13, 15}, {0, 15, 20, 30}, {0, 30, 34, 45}}, {34, 45}},
        {"filter", "<item name=a text=abc filtermask=1/><item name=b text=a filtermask=3/>", 0, 2,
            {{0, 0, 13, 15}}, {13, 15}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        destroyEngine();
        makeEngine(false);
        host.widthMax = c.widthMax;
        host.filterMask = c.mask;
        guiTreeNodePtr root = load(c.markup);
        show(root.Get());
        ASSERT_EQ(menu->GetItemCount(), static_cast<int>(c.rows.size()));
        for (size_t i = 0; i < c.rows.size(); ++i)
            EXPECT_EQ(menu->GetItemRect(static_cast<int>(i) + 1), c.rows[i]) << i;
        EXPECT_EQ(menu->GetSize(), c.size);
    }
}

TEST_F(MenuModel, IconsWidenEveryRow)
{
    gui::test::loadHourglass();
    const std::string icon = vbIconHOURGLASS;
    guiTreeNodePtr root =
        load("<item name=a text=abc icon='" + icon + "' helpicon='" + icon + "'/><item name=b text=abc/>");
    show(root.Get());
    menu->UpdateTree(false);
    pump();
    EXPECT_EQ(menu->GetItemRect(1), CRect(0, 0, 44 + 21, 18));
    EXPECT_EQ(menu->GetItemRect(2), CRect(0, 18, 25 + 21, 33));
}

// Icons still on their way at the first layout have their room already: the menu keeps its size
// whenever they arrive.
TEST_F(MenuModel, IconsOnTheirWayHaveTheirRoomFromTheFirstLayout)
{
    const std::string icon = vbicontest::writeFile("menu-late.ico", vbicontest::stillIcon());
    guiTreeNodePtr root =
        load("<item name=a text=abc icon='" + icon + "' helpicon='" + icon + "'/><item name=b text=abc/>");
    show(root.Get());
    EXPECT_EQ(menu->GetItemRect(1), CRect(0, 0, 44 + 21, 18));
    EXPECT_EQ(menu->GetItemRect(2), CRect(0, 18, 25 + 21, 33));
    vbIcon arrived(nullptr, CSize(16, 16));
    arrived.SetUrl(icon.c_str(), CSize(16, 16), vbDnPriority1);
    ASSERT_TRUE(arrived.WaitLoad(10000, vbDnPriority1).IsValid());
    pump();
    EXPECT_EQ(menu->GetItemRect(1), CRect(0, 0, 44 + 21, 18));
    EXPECT_EQ(menu->GetItemRect(2), CRect(0, 18, 25 + 21, 33));
}

TEST_F(MenuModel, LoadingRootKeepsTheMenuAndALoadedEmptyOneAsksToClose)
{
    guiTreeNodePtr root = gui::test::makeNode("root");
    show(root.Get());
    EXPECT_EQ(std::string(menu->GetStatusText()), "Loading...");
    EXPECT_TRUE(host.calls("askCloseCtrl").empty());
    EXPECT_EQ(host.calls("onTreeRootUpdate").size(), 1u);

    root->SetLoadState(true, true);
    menu->UpdateTree(false);
    pump();
    EXPECT_EQ(std::string(menu->GetStatusText()), "");
    EXPECT_EQ(host.calls("askCloseCtrl"), Lines{"askCloseCtrl 0"});

    host.log.clear();
    root->SetForceHasChildren(true);
    menu->UpdateTree(false);
    pump();
    EXPECT_TRUE(host.calls("askCloseCtrl").empty());

    struct Case {
        ULONG code;
        const char* status;
    };
    for (Case c : {Case{0x80004005, "Error during download :\nno such menu"}, Case{0x80004004, ""}}) {
        root->SetDnError(c.code, "no such menu");
        menu->UpdateTree(false);
        root->SetLoadState(true, true);
        pump();
        EXPECT_EQ(std::string(menu->GetStatusText()), c.status);
    }
}

TEST_F(MenuModel, RowsScrollIntoViewByTheirDistance)
{
    std::string markup;
    for (int i = 0; i < 40; ++i)
        markup += "<item name=i" + std::to_string(i) + " text=abcdef/>";
    guiTreeNodePtr root = load(markup);
    hostWindow->treeRect = CRect(0, 0, 100, 62);
    host.treeRectGiven = RECT{0, 0, 100, 62};
    show(root.Get());
    ASSERT_EQ(menu->GetItemRect(10), CRect(0, 135, 48, 150));
    guiTreeNodePtr child;

    struct Case {
        int pos;
        const char* ask;
    };
    // Rows of 15: row 10 ends at 150, the tree shows 60 rows of pixels below its top line.
    const Case cases[] = {
        {10, "askOffsetChange 0 90 100 60"},
        {9, ""},
        {2, "askOffsetChange 0 15 100 60"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pos);
        root->GetChild(c.pos, &child);
        IguiTreeNode* path[] = {child.Get()};
        host.log.clear();
        menu->PostCmdNodes(guiTreeCmd_MakeVisible, path, 1);
        pump();
        const Lines asked = host.calls("askOffsetChange");
        EXPECT_EQ(asked, *c.ask ? Lines{c.ask} : Lines{});
    }
}

TEST_F(MenuModel, StylesResolveThroughDefaultHostAndNames)
{
    guiTreeNodePtr root = load("<item name=a text=a/>");
    show(root.Get());
    const guiTreeAspectEngine& e = menu->GetAspectEngine();
    EXPECT_EQ(e.GetTextColor(), 0x80000012u);
    EXPECT_EQ(e.GetSelTextColor(), 0x8000000Eu);
    EXPECT_EQ(e.GetOverTextColor(), static_cast<DWORD>(RGB(138, 43, 226)));
    EXPECT_EQ(e.GetCaptionColor(), 0x80000009u);
    EXPECT_EQ(e.GetCaptionShadowColor(), 0x80000011u);
    EXPECT_EQ(e.GetBack().GetNoGradColor(), 0x8000000Fu);
    EXPECT_EQ(e.GetSelBack().GetNoGradColor(), 0x8000000Du);
    EXPECT_EQ(e.GetFont().GetSize(), -12);
    EXPECT_TRUE(e.GetSelFont().GetBold());
    EXPECT_EQ(e.GetCaptionFont().GetSize(), -14);
    EXPECT_TRUE(e.GetCaptionBack().GetGradVert());
    EXPECT_EQ(e.GetCaptionBack().GetGradStart(), 0x80000002u);
    EXPECT_EQ(e.GetCaptionBack().GetGradEnd(), 0u);
    EXPECT_EQ(e.GetBtnRectColor(), 0x80000010u);
    EXPECT_EQ(e.GetBtnTextColor(), 0x80000008u);
    EXPECT_EQ(e.GetCheckBtnRectColor(), 0x80000008u);
    EXPECT_EQ(e.GetCheckBtnTextColor(), 0x80000008u);
    EXPECT_EQ(e.GetSepHeight(), 8);
    EXPECT_EQ(e.GetSpacingHeight(), 2);
    EXPECT_EQ(e.GetSzIcon(), CSize(16, 16));
    EXPECT_EQ(e.GetWidthMax(), 200);
    EXPECT_EQ(std::string(e.GetLoadingIcon()), vbIconHOURGLASS);

    vbString names[] = {"x", "treemenu.default"};
    guiTreeAspectRef found;
    EXPECT_TRUE(e.GetAspect(names, 2, &found, true));
    EXPECT_FALSE(e.GetAspect(names, 1, nullptr, true));
}

// A root that records the style names it is asked for.
class NamesNode : public guiTreeNode {
public:
    bool GetAspect(const char* name, guiTreeAspectRef* out) const override
    {
        asked.emplace_back(name);
        return guiTreeNode::GetAspect(name, out);
    }
    mutable Lines asked;
};

vbRefPtr<NamesNode, &CLSID_guiTreeNode> namesRoot(const char* childClass)
{
    auto* node = new NamesNode();
    vbRefPtr<NamesNode, &CLSID_guiTreeNode> held(node);
    node->Release();
    node->Create();
    node->SetName("root");
    node->SetChildrenClass("R");
    node->SetLoadState(true, false);
    guiTreeNodePtr child = gui::test::makeNode("a");
    child->SetVisible(true);
    child->SetText("a");
    child->SetClass(childClass);
    node->AddChild(child.Get(), 1);
    return held;
}

// Answers one style record, with a font, for every engine.
struct OneRecord : sIguiTreeAspectGet {
    OneRecord()
    {
        guiFont font(nullptr, false);
        font.SetSize(-12, false);
        aspect->SetFont(font, false);
    }
    IguiTreeAspect* GetAspect(guiTreeAspectEngine*) override { return aspect.Get(); }
    bool GetAspect(guiTreeAspectEngine*, const vbString*, int, guiTreeAspectRef*) override { return false; }
    vbRefPtr<guiTreeAspect, &CLSID_guiTreeAspect> aspect = gui::test::makeAspect("host");
};

TEST_F(MenuModel, StyleNamesFollowTheCascade)
{
    OneRecord hostRecord;
    guiTreeAspectEngine hostEngine(&hostRecord, nullptr, nullptr);
    struct Case {
        const char* name;
        bool popup;
        bool withHostEngine;
        const char* childClass;
        Lines names;
    };
    const Case cases[] = {
        {"popup", true, false, "",
            {"popup.treemenu.N.R", "popup.N.R", "treemenu.N.R", "N.R", "popup.treemenu.R", "popup.R", "treemenu.R", "R",
                "popup.treemenu.N", "popup.N", "treemenu.N", "N", "popup.treemenu", "popup", "treemenu", ""}},
        {"no popup", false, false, "", {"treemenu.N.R", "N.R", "treemenu.R", "R", "treemenu.N", "N", "treemenu", ""}},
        {"host engine", false, true, "", {"treemenu.N.R", "N.R", "treemenu.R", "R"}},
        {"item class", false, true, "K",
            {"treemenu.N.R", "N.R", "treemenu.R", "R", "treemenu.N.K", "N.K", "treemenu.K", "K"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        destroyEngine();
        makeEngine(c.popup, c.withHostEngine ? &hostEngine : nullptr);
        menu->SetAspectName("N");
        auto root = namesRoot(c.childClass);
        show(root.Get());
        ASSERT_GE(root->asked.size(), c.names.size());
        EXPECT_EQ(Lines(root->asked.begin(), root->asked.begin() + static_cast<long>(c.names.size())), c.names);
    }

    // What the host's engine sets wins over the default record.
    hostRecord.aspect->SetTextColor(vbColor(RGB(1, 2, 3)), false);
    hostEngine.Reset();
    menu->UpdateTree(true);
    pump();
    EXPECT_EQ(static_cast<DWORD>(menu->GetAspectEngine().GetTextColor()), static_cast<DWORD>(RGB(1, 2, 3)));
}

TEST_F(MenuModel, DestroyedByTheHostDuringThePassIsDeletedOnceAfterIt)
{
    guiTreeNodePtr root = load("<item name=a text=a/><item name=b text=b/>");
    root->MemorizeSelected(1);
    host.during = [this](const std::string& line) {
        if (line.rfind("onItemSelected", 0) == 0 && menu) {
            hostWindow->engine = nullptr;
            guiTreeMenuDraw* dying = menu;
            menu = nullptr;
            dying->Destroy();
        }
    };
    menu->SetTreeRect(hostWindow->treeRect, false);
    menu->SetRoot(root.Get());
    pump();
    ASSERT_EQ(menu, nullptr);
    EXPECT_EQ(host.log.back(), "onItemSelected a 0 0") << "no host call after the destruction";
    // The root no longer knows the engine.
    root->AspectListChange();
    root->UpdateChildren();
    pump();
    EXPECT_EQ(host.log.back(), "onItemSelected a 0 0");
}

// Download workers replace an item's texts while the host's thread sorts, lays out and paints the
// menu: the engine must never read a text that is being replaced (with the sanitizer such a read is
// a use of freed memory), and the row ends as wide as the wider of the last texts.
TEST_F(MenuModel, AWorkerChangingTextsWhileTheMenuIsLaidOutIsReadWhole)
{
    hostWindow->drawing = true;
    guiTreeNodePtr root = load("<itemcfg sortedchildren=1/><item name=a text=a/><item name=z text=0/>");
    show(root.Get());
    guiTreeNodePtr changing;
    ASSERT_TRUE(root->GetChild(1, &changing));
    std::atomic<bool> running;
    std::thread worker = gui::test::changeTexts(changing, running);
    std::vector<LONG> odd;
    while (running) {
        hostWindow->Invalidate(FALSE);
        pump();
        // The test font gives a text of n letters a row 7 n + 6 wide.
        const LONG width = menu->GetItemRect(2).Width();
        if (width < 13 || (width - 6) % 7 != 0)
            odd.push_back(width);
    }
    worker.join();
    pump();
    EXPECT_TRUE(odd.empty()) << odd.front();
    EXPECT_EQ(menu->GetItemRect(2).Width(), LONG(7 * gui::test::changingText(gui::test::kTextChanges + 6).size() + 6));
}

} // namespace
