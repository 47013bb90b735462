#include "PicTestKit.h"

#include "vbExpectThrown.h"

#include "plat/message.h"
#include "plat/msgbox.h"

#include <string>
#include <vector>

using namespace pic::test;

namespace {

class PicNode : public PicTest {};

std::string nameOf(picNode* node) { return std::string(node->GetName()); }

// The child at pos of parent as a project node.
picNodePtr childAt(picNode* parent, int pos)
{
    guiTreeNodePtr child;
    if (!parent->GetChild(pos, &child))
        return picNodePtr();
    return picNodeOf(static_cast<IguiTreeNode*>(child.Get()));
}

// A node that fails while it is asked for the filter identifier.
class FailingNode : public TestNode {
public:
    FailingNode() : TestNode("folder", "fld-") {}
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IpicLightFilter) {
            if (libraryError)
                throw new vbEsys(E_ACCESSDENIED, "refused");
            throw 7;
        }
        return TestNode::GetInterface(iid, ppv);
    }
    bool libraryError = false;
};

// A node class that provides none of the operations its classes must give.
class BareNode : public picNode {
public:
    BareNode() = default;
};

} // namespace

TEST_F(PicNode, IdsAndStampsComeFromTheThreeCounters)
{
    picSetChangeCounts({});
    TestNodePtr first = makeNode();
    TestNodePtr second = makeNode();
    EXPECT_EQ(nameOf(first), "fld-1");
    EXPECT_EQ(nameOf(second), "fld-2");

    picSetChangeCounts({10, 20, 30});
    TestNodePtr node = makeNode();
    EXPECT_EQ(node->GetMenuStamp(), 11u);
    EXPECT_EQ(node->GetDisplayStamp(), 21u);
    EXPECT_EQ(node->GetWorkStamp(), 31u);
    EXPECT_EQ(node->GetDoneStamp(), 31u);
    EXPECT_EQ(nameOf(node), "fld-21");

    node->TouchMenu();
    node->TouchDisplay();
    EXPECT_EQ(node->GetMenuStamp(), 12u);
    EXPECT_EQ(node->GetDisplayStamp(), 22u);
    const picChangeCounts counts = picGetChangeCounts();
    EXPECT_EQ(counts.menu, 12u);
    EXPECT_EQ(counts.display, 22u);
    EXPECT_EQ(counts.work, 31u);
}

TEST_F(PicNode, NumbersCarryPastThirtyTwoBits)
{
    picSetChangeCounts({0xFFFFFFFFull, 0xFFFFFFFFull, 0xFFFFFFFFull});
    TestNodePtr node = makeNode("filter", "flt-");
    EXPECT_EQ(nameOf(node), "flt-4294967296");
    EXPECT_EQ(node->GetMenuStamp(), 0x100000000ull);
    EXPECT_EQ(node->GetWorkStamp(), 0x100000000ull);
}

TEST_F(PicNode, TouchWorkRenewsTheWorkStampAndNotifiesOnce)
{
    TestNodePtr node = makeNode();
    const uint64_t done = node->GetDoneStamp();
    node->TouchWork(&wnd, false);
    EXPECT_GT(node->GetWorkStamp(), done);
    EXPECT_EQ(node->GetDoneStamp(), done);
    EXPECT_EQ(wnd.changes, 1);

    // Without a window the application's main window hears it; without one, nobody does.
    node->TouchWork(nullptr, true);
    EXPECT_EQ(wnd.changes, 2);
    picSetMainWnd(nullptr);
    node->TouchWork(nullptr, true);
    EXPECT_EQ(wnd.changes, 2);
}

TEST_F(PicNode, QueryInterfaceAnswersTheNodeIdentifiers)
{
    TestNodePtr folder = makeNode();
    TestNodePtr filter = makeNode("filter", "flt-");
    struct Case {
        TestNode* node;
        const IID* iid;
        HRESULT hr;
    };
    const Case cases[] = {
        {folder, &IID_IpicNode, S_OK},
        {folder, &IID_IguiTreeNode, S_OK},
        {folder, &IID_IvbObject, S_OK},
        {folder, &IID_IpicLightFilter, E_NOINTERFACE},
        {folder, &IID_IpicImageHolder, E_NOINTERFACE},
        {filter, &IID_IpicLightFilter, S_OK},
        {filter, &IID_IpicSourceImage, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        void* pv = nullptr;
        const LONG before = c.node->GetRefCount();
        EXPECT_EQ(c.node->QueryInterface(*c.iid, &pv), c.hr) << c.node->GetName();
        if (c.hr == S_OK) {
            EXPECT_EQ(c.node->GetRefCount(), before + 1);
            static_cast<IUnknown*>(static_cast<IguiTreeNode*>(c.node))->Release();
        }
    }
    void* pv = nullptr;
    ASSERT_EQ(folder->QueryInterface(IID_IpicNode, &pv), S_OK);
    EXPECT_EQ(pv, static_cast<picNode*>(folder.Get()));
    folder->Release();

    auto* failing = new FailingNode();
    vbRefPtr<FailingNode, &IID_IpicNode> held(failing);
    failing->Release();
    failing->Create();
    EXPECT_EQ(failing->QueryInterface(IID_IpicLightFilter, &pv), E_POINTER);
    failing->libraryError = true;
    EXPECT_EQ(failing->QueryInterface(IID_IpicLightFilter, &pv), E_ACCESSDENIED);
}

TEST_F(PicNode, OperationsAClassMustGiveReportThePurecallError)
{
    auto* bare = new BareNode();
    vbRefPtr<BareNode, &IID_IpicNode> held(bare);
    bare->Release();
    bare->Create();
    const std::string message = "PICflorvane: Object of called method is in destruction (purecall)";
    picNodePtr out;
    vbString markup;
    vbtest::expectThrown<vbEsys>([&] { bare->GetTypeName(); }, E_ABORT, message);
    vbtest::expectThrown<vbEsys>([&] { bare->GetDisplayName(); }, E_ABORT, message);
    vbtest::expectThrown<vbEsys>([&] { bare->CreateChildOfType("folder", &out, false); }, E_ABORT, message);
    vbtest::expectThrown<vbEsys>([&] { bare->GetMenuMarkup(&wnd, markup); }, E_ABORT, message);
    vbtest::expectThrown<vbEsys>([&] { bare->Describe(); }, E_ABORT, message);
}

TEST_F(PicNode, FindChildByTextFoldsAsciiLetters)
{
    TestNodePtr parent = makeNode();
    TestNodePtr first = makeNode();
    TestNodePtr second = makeNode();
    first->SetText("Mars");
    second->SetText("MARS");
    attach(parent, first);
    attach(parent, second);
    picNodePtr found;
    EXPECT_TRUE(parent->FindChildByText("mArS", &found));
    EXPECT_EQ(found.Get(), static_cast<picNode*>(first.Get()));
    EXPECT_TRUE(parent->FindChildByText("mars", nullptr));
    EXPECT_FALSE(parent->FindChildByText("Mar", nullptr));
    // Letters beyond ASCII are bytes: "É" and "é" differ.
    first->SetText("\xC3\x89t\xC3\xA9");
    EXPECT_FALSE(parent->FindChildByText("\xC3\xA9t\xC3\xA9", nullptr));
}

// --- copy and paste ---

TEST_F(PicNode, PasteWithoutACopiedNodeIsRefused)
{
    TestNodePtr target = makeNode();
    vbtest::expectThrown<vbEuser>([&] { target->OnMenuCommand(&wnd, "Paste"); }, E_FAIL, "Nothing to paste !");

    TestNodePtr copied = makeNode();
    copied->OnMenuCommand(&wnd, "Copy");
    picNodePtr buffered;
    EXPECT_TRUE(wnd.getCopyNode(&buffered));
    buffered.Release();
    copied->Destroy();
    copied.Release();
    vbtest::expectThrown<vbEuser>([&] { target->OnMenuCommand(&wnd, "Paste"); }, E_FAIL, "Nothing to paste !");
    EXPECT_EQ(target->GetChildCount(), 0);
}

TEST_F(PicNode, ACopyRefusedByItsNodeEmptiesTheBuffer)
{
    TestNodePtr kept = makeNode();
    TestNodePtr going = makeNode();
    kept->OnMenuCommand(&wnd, "Copy");
    // A node in destruction takes no new reference.
    going->Destroy();
    going->OnMenuCommand(&wnd, "Copy");
    picNodePtr buffered;
    EXPECT_FALSE(wnd.getCopyNode(&buffered));
}

TEST_F(PicNode, PasteCopiesTheSubtreeUnderTheTarget)
{
    TestNodePtr target = makeNode();
    attach(target, makeNode());
    TestNodePtr folder = makeNode();
    TestNodePtr inner = makeNode();
    TestNodePtr filter = makeNode("filter", "flt-");
    folder->SetText("Mars");
    inner->SetText("Moons");
    filter->SetText("Red");
    attach(folder, inner);
    attach(inner, filter);

    folder->OnMenuCommand(&wnd, "Copy");
    // The copy is taken when pasting: a rename made meanwhile is copied.
    folder->SetText("Mars 2");
    target->OnMenuCommand(&wnd, "Paste");

    ASSERT_EQ(target->GetChildCount(), 2);
    picNodePtr copy = childAt(target, 2);
    ASSERT_TRUE(copy);
    EXPECT_NE(nameOf(copy), nameOf(folder));
    EXPECT_EQ(std::string(copy->GetText()), "Mars 2 (COPY)");
    EXPECT_TRUE(copy->IsLoaded());
    EXPECT_EQ(wnd.calls.back(), "show " + nameOf(copy));

    picNodePtr innerCopy = childAt(copy, 1);
    ASSERT_TRUE(innerCopy);
    EXPECT_EQ(nameOf(innerCopy), nameOf(inner));
    EXPECT_EQ(std::string(innerCopy->GetText()), "Moons (COPY)");
    EXPECT_TRUE(innerCopy->IsLoaded());
    picNodePtr filterCopy = childAt(innerCopy, 1);
    ASSERT_TRUE(filterCopy);
    EXPECT_EQ(nameOf(filterCopy), nameOf(filter));
    EXPECT_EQ(std::string(filterCopy->GetText()), "Red (COPY)");
    EXPECT_EQ(std::string(filterCopy->GetTypeName()), "filter");
    // The originals are untouched, and the filter list will be rebuilt.
    EXPECT_EQ(std::string(inner->GetText()), "Moons");
    EXPECT_EQ(folder->GetChildCount(), 1);
    EXPECT_EQ(wnd.invalidations, 1);
}

TEST_F(PicNode, APasteTheTargetRefusesAddsNothing)
{
    TestNodePtr filter = makeNode("filter", "flt-");
    TestNodePtr target = makeNode();
    target->refuses = {"filter"};
    filter->OnMenuCommand(&wnd, "Copy");
    vbtest::expectThrown<vbEapp>(
        [&] { target->OnMenuCommand(&wnd, "Paste"); }, E_FAIL, "In test node, can't create node of type: filter");
    EXPECT_EQ(target->GetChildCount(), 0);
}

// --- menus and commands ---

TEST_F(PicNode, SharedMenuItems)
{
    const std::string copy =
        "\n<item name='Copy' icon='' text='Copy folder \\'Mars\\'' hint='Choose this object to copy with function Paste'/>";
    const std::string import =
        "\n<item name='ImportUnder' icon='' text='Load from file' hint='Load and import picf files under this Test folder'/>";
    const std::string exportItem =
        "\n<item name='Export' icon='' text='Save to file' hint='Backup Test folder data to a disk file (.picf)'/>";
    const std::string paste = "\n<item name='Paste' icon='' text='Paste filter \\'It\\'s \\\"red\\\"\\'' "
                              "hint='Add under this object the previous copied object with function Copy'/>";
    TestNodePtr node = makeNode();
    node->SetText("Mars");
    TestNodePtr copied = makeNode("filter", "flt-");
    copied->SetText("It's \"red\"");

    struct Case {
        bool holds;
        bool buffered;
        std::string expected;
    };
    const Case cases[] = {
        {false, false, copy + exportItem},
        {false, true, copy + exportItem},
        {true, false, copy + import + exportItem},
        {true, true, copy + paste + import + exportItem},
    };
    for (const Case& c : cases) {
        node->holdsChildren = c.holds;
        wnd.setCopyNode(c.buffered ? copied.Get() : nullptr);
        vbString markup = "<item name='Own'/>";
        node->GetMenuMarkup(&wnd, markup);
        EXPECT_EQ(std::string(markup), "<item name='Own'/>" + c.expected) << c.holds << c.buffered;
    }
}

TEST_F(PicNode, UnknownCommandsSayTheyAreNotSupported)
{
    TestNodePtr node = makeNode();
    node->OnMenuCommand(&wnd, "Foo");
    // Names are compared with case.
    node->OnMenuCommand(&wnd, "copy");
    const auto boxes = plat::messageBoxRecords();
    ASSERT_EQ(boxes.size(), 2u);
    // The application's title follows the box's own.
    EXPECT_EQ(boxes[0].caption.rfind("Function in development... / ", 0), 0u) << boxes[0].caption;
    EXPECT_EQ(boxes[0].text, "Action: Foo not yet supported !");
    EXPECT_EQ(boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes[1].text, "Action: copy not yet supported !");
    picNodePtr buffered;
    EXPECT_FALSE(wnd.getCopyNode(&buffered));
}

TEST_F(PicNode, FileCommandsAskWithTheirTitlesAndRememberTheChoice)
{
    TestNodePtr node = makeNode();
    node->SetText("Mars");
    node->SetImportPath("/in");
    node->SetExportPath("/out/a.picf");

    node->OnMenuCommand(&wnd, "ImportUnder");
    node->OnMenuCommand(&wnd, "Export");
    node->OnMenuCommand(&wnd, "ExportUnder");
    EXPECT_EQ(wnd.calls, (std::vector<std::string>{
                             "project-open Choose a picf file to import... @/in",
                             "project-save Save folder 'Mars' and all its content to a picf file... @/out/a.picf",
                             "project-save Save all under folder 'Mars' to a picf file... @/out/a.picf",
                         }));
    EXPECT_TRUE(node->imported.empty());

    wnd.fileAnswers.push_back("/in/b.picf");
    node->OnMenuCommand(&wnd, "ImportUnder");
    EXPECT_EQ(node->imported, (std::vector<std::string>{"/in/b.picf"}));
    EXPECT_EQ(std::string(node->GetImportPath()), "/in/b.picf");
}

// --- the update walk ---

class PicNodeWalk : public PicNode {
protected:
    void SetUp() override
    {
        PicNode::SetUp();
        for (TestNodePtr* node : {&top, &middle, &bottom}) {
            *node = makeNode();
            (*node)->started = &started;
        }
        attach(top, middle);
        attach(middle, bottom);
    }

    std::vector<std::string> started;
    TestNodePtr top, middle, bottom;
};

TEST_F(PicNodeWalk, StartsEachChangedNodeOnceParentsFirst)
{
    EXPECT_TRUE(top->UpdateWalk(&wnd));
    EXPECT_TRUE(started.empty());

    bottom->TouchWork(&wnd, false);
    top->TouchWork(&wnd, false);
    EXPECT_TRUE(top->UpdateWalk(&wnd));
    EXPECT_EQ(started, (std::vector<std::string>{nameOf(top), nameOf(bottom)}));
    EXPECT_EQ(bottom->GetDoneStamp(), bottom->GetWorkStamp());

    EXPECT_TRUE(top->UpdateWalk(&wnd));
    EXPECT_EQ(started.size(), 2u);
}

TEST_F(PicNodeWalk, ARefusedStartEndsTheWalk)
{
    middle->TouchWork(&wnd, false);
    bottom->TouchWork(&wnd, false);
    middle->startAnswer = false;
    EXPECT_FALSE(top->UpdateWalk(&wnd));
    EXPECT_EQ(started, (std::vector<std::string>{nameOf(middle)}));
    EXPECT_NE(bottom->GetDoneStamp(), bottom->GetWorkStamp());
}

TEST_F(PicNodeWalk, AWaitingQuitEndsTheWalkBeforeAnyWork)
{
    top->TouchWork(&wnd, false);
    PostQuitMessage(3);
    EXPECT_FALSE(top->UpdateWalk(&wnd));
    EXPECT_TRUE(started.empty());
    // The quit waits in the queue again for the loop that owns it.
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
}
