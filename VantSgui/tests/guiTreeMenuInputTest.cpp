#include "MenuTestKit.h"
#include "draw/guiTreeTypeAhead.h"

#include "vbIcon.h"

#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/msgbox.h"

namespace {

using gui::test::MenuTest;
using Lines = std::vector<std::string>;

class MenuInput : public MenuTest {
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        hostWindow->drawing = true;
        plat::resetMessageBoxPolicy();
    }
    // The host's client point (x, y) under the mouse.
    void hover(int x, int y)
    {
        plat::headless::mouseMove(kHostLeft + x, kHostTop + y);
        pump();
    }
    // Clicks a double-click time apart from the one before.
    void clickAt(int x, int y)
    {
        advance(1000);
        plat::headless::click(kHostLeft + x, kHostTop + y);
        pump();
    }
    void doubleClickAt(int x, int y)
    {
        clickAt(x, y);
        plat::headless::click(kHostLeft + x, kHostTop + y);
        pump();
    }
    guiTreeNodePtr showFocused(const std::string& markup)
    {
        guiTreeNodePtr root = load(markup);
        show(root.Get());
        hostWindow->SetFocus();
        pump();
        return root;
    }
    static std::string hourglass() { return vbIconHOURGLASS; }
};

TEST_F(MenuInput, HitTestFindsCheckButtonsItemsAndHelpIcons)
{
    gui::test::loadHourglass();
    // Rows: check 0-16, help 16-34, separator 34-44, text 44-59, disabled 59-74; help column 26.
    showFocused("<check name=c text=abc/><item name=h text=abc helpicon='" + hourglass() +
        "'/><sep/><text name=t text=abc/><item name=d text=abc enabled=0/>");
    menu->UpdateTree(false);
    pump();
    struct Case {
        int x, y;
        const char* report;
    };
    const Case cases[] = {
        {1, 9, "onMouseMove - 2"},   // left of the check box
        {10, 9, "onMouseMove c 1"},  // the check box
        {25, 9, "onMouseMove c 2"},  // the text
        {30, 26, "onMouseMove h 3"}, // the help icon
        {30, 17, "onMouseMove h 2"}, // its column, above the icon
        {10, 26, "onMouseMove h 2"},
        {10, 39, "onMouseMove - 2"}, // separator
        {10, 51, "onMouseMove - 2"}, // text row
        {10, 66, "onMouseMove - 2"}, // disabled
        {60, 9, "onMouseMove - 2"},  // right of the content
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        host.log.clear();
        hover(c.x, c.y);
        ASSERT_FALSE(host.calls("onMouseMove").empty());
        EXPECT_EQ(host.calls("onMouseMove").back(), c.report) << c.x << "," << c.y;
    }
}

TEST_F(MenuInput, HoveringFollowsTheMouseTrackMode)
{
    struct Case {
        int track;
        Lines over, selected;
    };
    const Case cases[] = {
        {1, {"onItemOver b 0 0"}, {}},
        {2, {}, {"onItemSelected b 0 0"}},
        {0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.track);
        destroyEngine();
        makeEngine(false);
        menu->SetMouseTrack(static_cast<guiMouseTrack>(c.track));
        hostWindow->drawing = true;
        showFocused("<item name=a text=abc/><item name=b text=abc/>");
        hover(150, 150);
        host.log.clear();
        hover(10, 20);
        EXPECT_EQ(host.calls("onItemOver"), c.over);
        EXPECT_EQ(host.calls("onItemSelected"), c.selected);
    }
}

TEST_F(MenuInput, ButtonUpClicksOnlyWithTheLeftButtonFlagAndDoubleClicksMoveTheCursor)
{
    showFocused("<item name=a text=abc/><item name=b text=abc/>");
    hostWindow->leftFlag = false;
    clickAt(10, 20);
    EXPECT_EQ(menu->GetSelection(), 2);
    EXPECT_TRUE(host.calls("onItemClicked").empty());

    hostWindow->leftFlag = true;
    clickAt(10, 5);
    EXPECT_EQ(host.calls("onItemClicked"), Lines{"onItemClicked a 0 0"});

    // Nobody handles the double click: the pointer goes to the middle of the selected row.
    doubleClickAt(4, 20);
    EXPECT_EQ(host.calls("onItemDClicked"), Lines{"onItemDClicked b 0 0"});
    POINT at{};
    GetCursorPos(&at);
    EXPECT_EQ(at.x, kHostLeft + 13);
    EXPECT_EQ(at.y, kHostTop + 1 + 15 + 7);
}

TEST_F(MenuInput, ChecksToggleByTheirModeAndTheClickKind)
{
    enum Action { kSingle, kDouble, kButton };
    struct Case {
        const char* markup;
        bool checkBoxes;
        int engineMode;
        Action action;
        bool toggled;
    };
    const Case cases[] = {
        {"<check name=a text=abc checkmode=manual/>", false, 2, kSingle, false},
        {"<check name=a text=abc checkmode=auto/>", false, 2, kSingle, true},
        {"<check name=a text=abc checkmode=btn/>", false, 2, kSingle, false},
        {"<check name=a text=abc checkmode=manual/>", false, 2, kDouble, false},
        {"<check name=a text=abc checkmode=btn/>", false, 2, kDouble, true},
        {"<radio name=a text=abc checkmode=btn/>", false, 2, kButton, true},
        {"<check name=a text=abc checkmode=manual/>", false, 2, kButton, false},
        {"<item name=a text=abc/>", true, 0, kButton, false},
        {"<item name=a text=abc/>", true, 1, kSingle, true},
        {"<item name=a text=abc/>", true, 2, kSingle, false},
        {"<item name=a text=abc/>", true, 2, kButton, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.markup) + " " + std::to_string(c.engineMode) + " " + std::to_string(c.action));
        destroyEngine();
        makeEngine(false);
        menu->SetCheckBoxes(c.checkBoxes);
        menu->SetCheckMode(static_cast<guiNodeCheckMode>(c.engineMode));
        guiTreeNodePtr root = showFocused(c.markup);
        guiTreeNodePtr a;
        root->GetChild(1, &a);
        host.log.clear();
        const int x = c.action == kButton ? 10 : 30;
        if (c.action == kDouble)
            doubleClickAt(x, 8);
        else
            clickAt(x, 8);
        const bool nowChecked = c.checkBoxes ? !host.calls("onItemChecked").empty() : a->IsChecked();
        EXPECT_EQ(nowChecked, c.toggled);
        if (c.checkBoxes && c.toggled) {
            EXPECT_EQ(host.calls("onItemChecked").front(), "onItemChecked a 1 1 0") << "engine-held state";
        }
    }

    // The host decides the engine-held state it is asked about.
    destroyEngine();
    makeEngine(false);
    menu->SetCheckBoxes(true);
    showFocused("<item name=a text=abc/>");
    host.checkedAnswer = 0;
    host.log.clear();
    clickAt(10, 8);
    clickAt(10, 8);
    EXPECT_EQ(host.calls("onItemChecked"), (Lines{"onItemChecked a 1 1 0", "onItemChecked a 1 1 0"}));
}

TEST_F(MenuInput, KeysMoveTheSelectionAcrossTheMenu)
{
    gui::test::loadHourglass();
    // 1 a (help icon), 2 b, 3 text, 4 c disabled, 5 d, 6 separator.
    showFocused("<item name=a text=alpha helpicon='" + hourglass() +
        "'/><item name=b text=beta/><text name=t text=note/><item name=c text=gamma enabled=0/>"
        "<item name=d text=delta/><sep/>");
    menu->UpdateTree(false);
    pump();
    const unsigned beeps = plat::messageBeepCount();
    keys({VK_RETURN});
    EXPECT_EQ(plat::messageBeepCount(), beeps + 1) << "Return without selection";
    EXPECT_TRUE(host.calls("onItemClicked").empty());

    struct Step {
        std::vector<UINT> keys;
        int selection;
        const char* host;
    };
    const Step steps[] = {
        {{VK_END}, 6, ""},
        {{VK_HOME}, 1, ""},
        {{VK_RIGHT}, -1, ""},          // onto the help icon
        {{VK_LEFT}, 1, ""},            // back onto the item
        {{VK_LEFT}, 1, "onSelectLeft"}, // the host closes this level
        {{VK_DOWN}, 2, ""},
        {{VK_DOWN}, 5, ""},            // over the text row and the disabled item
        {{VK_DOWN}, 1, ""},            // the separator is no stop: round to the first
        {{VK_UP}, 6, ""},              // up from the first: the last, separator or not
        {{VK_PRIOR}, 6, "onPageUp"},
        {{VK_NEXT}, 6, "onPageDn"},
    };
    for (const Step& s : steps) {
        host.log.clear();
        for (UINT vk : s.keys)
            plat::headless::keyPress(vk);
        pump();
        EXPECT_EQ(menu->GetSelection(), s.selection) << s.keys.front();
        if (*s.host) {
            EXPECT_EQ(host.calls(s.host).size(), 1u) << s.keys.front();
        }
    }
    // A key the menu does not know reaches the host window's own handling unchanged.
    hostWindow->lastUnusedKey = 0;
    keys({VK_F5});
    EXPECT_EQ(hostWindow->lastUnusedKey, static_cast<UINT>(VK_F5));
}

TEST_F(MenuInput, TypeAheadTriesShorterTextsAndControlArrowsRepeat)
{
    showFocused("<item name=a text=able/><item name=b text=bax/><item name=c text=xenon/><item name=d text='ta x'/>"
        "<item name=e text=Zax/>");
    type("a");
    EXPECT_EQ(menu->GetSelection(), 1);
    type("b");
    EXPECT_EQ(menu->GetSelection(), 1) << "\"ab\" in able";
    EXPECT_EQ(menu->GetMatchLength(), 2);
    // "abx" is nowhere; "ax", not on the start item, is in "bax".
    type("x");
    EXPECT_EQ(menu->GetSelection(), 2);
    EXPECT_EQ(menu->GetMatchStart(), 2);
    EXPECT_EQ(menu->GetMatchLength(), 2);

    // Control+Down repeats the search past the selection: "ta x" skips its blank.
    plat::headless::key(VK_CONTROL, true);
    keys({VK_DOWN});
    EXPECT_EQ(menu->GetSelection(), 4);
    EXPECT_EQ(menu->GetMatchLength(), 3) << "a, blank, x";
    keys({VK_DOWN});
    EXPECT_EQ(menu->GetSelection(), 5);
    plat::headless::key(VK_CONTROL, false);

    // Backspace shortens the stored match and searches again; Escape clears.
    keys({VK_BACK});
    EXPECT_EQ(menu->GetSelection(), 1) << "\"a\" starts able";
    EXPECT_EQ(menu->GetMatchLength(), 1);
    keys({VK_ESCAPE});
    EXPECT_EQ(menu->GetMatchLength(), 0);
}

TEST_F(MenuInput, TypeAheadFindsTwoByteCharactersAndSpaceClicks)
{
    showFocused("<item name=a text=abc/><item name=e text='\xC3\xA9t\xC3\xA9'/>");
    type("\xC3\xA9");
    EXPECT_EQ(menu->GetSelection(), 2);
    EXPECT_EQ(menu->GetMatchLength(), 2);
    keys({VK_BACK});
    EXPECT_EQ(menu->GetMatchLength(), 0) << "both bytes went";
    const unsigned beeps = plat::messageBeepCount();
    type(" ");
    EXPECT_EQ(host.calls("onItemClicked"), Lines{"onItemClicked e 0 0"});
    EXPECT_EQ(plat::messageBeepCount(), beeps + 1) << "nobody handled the click";
}

TEST_F(MenuInput, ACharacterArrivingWhileTheSearchPumpsRestartsIt)
{
    showFocused("<item name=a text=apple/><item name=b text=banana/><item name=c text=cherry/>");
    // The second character is already queued when the first search starts pumping.
    PostMessageA(hostWindow->GetSafeHwnd(), WM_CHAR, 'h', 0);
    UINT c = 'c';
    SendMessageA(hostWindow->GetSafeHwnd(), WM_CHAR, c, 0);
    pump();
    EXPECT_EQ(menu->GetSelection(), 3) << "\"ch\" found by the restarted search";
    EXPECT_EQ(menu->GetMatchLength(), 2);
}

TEST_F(MenuInput, DestroyedWhileTheSearchPumpsLeavesAtOnce)
{
    showFocused("<item name=a text=apple/><item name=b text=banana/><item name=c text=cherry/>");
    constexpr UINT kill = WM_APP + 7;
    hostWindow->onMessage = [this](UINT msg) {
        if (msg == kill && menu) {
            hostWindow->engine = nullptr;
            guiTreeMenuDraw* dying = menu;
            menu = nullptr;
            dying->Destroy();
        }
    };
    PostMessageA(hostWindow->GetSafeHwnd(), kill, 0, 0);
    SendMessageA(hostWindow->GetSafeHwnd(), WM_CHAR, 'c', 0);
    pump();
    EXPECT_EQ(menu, nullptr);
    EXPECT_TRUE(host.calls("onItemSelected").empty()) << "the search ended without a result";
    // The message loop goes on.
    PostMessageA(hostWindow->GetSafeHwnd(), kill, 0, 0);
    pump();
}

TEST_F(MenuInput, ToolTipsJoinHintAndStatus)
{
    guiTreeNodePtr root = showFocused("<item name=a text=abc hint=Hello/><item name=b text=abc/>");
    bool shown = false;
    INT_PTR identity = 0;
    guiTreeNodePtr a;
    root->GetChild(1, &a);
    EXPECT_EQ(std::string(menu->tcNeedToolTip(CPoint(10, 5), &shown, &identity)), "Hello");
    EXPECT_TRUE(shown);
    EXPECT_EQ(identity, reinterpret_cast<INT_PTR>(static_cast<IguiTreeNode*>(a.Get())));
    EXPECT_EQ(std::string(menu->tcNeedToolTip(CPoint(10, 20), &shown, &identity)), "");
    EXPECT_EQ(std::string(menu->tcNeedToolTip(CPoint(150, 150), &shown, &identity)), "");
    EXPECT_EQ(identity, reinterpret_cast<INT_PTR>(static_cast<sIguiTreeDraw*>(menu)));

    root->SetDnError(0x80004005, "gone");
    root->SetLoadState(true, true);
    pump();
    EXPECT_EQ(std::string(menu->tcNeedToolTip(CPoint(10, 5), &shown, &identity)),
        "Hello\n\nError during download :\ngone");
    EXPECT_EQ(std::string(menu->tcNeedToolTip(CPoint(10, 20), &shown, &identity)), "Error during download :\ngone");
    EXPECT_EQ(std::string(menu->tcNeedToolTip(CPoint(150, 150), &shown, &identity)),
        "Error during download :\ngone");
}

TEST(MenuMarks, MarkMatchInsertsCodeOneAroundTheMatch)
{
    struct Case {
        const char* text;
        int start, length;
        const char* marked;
    };
    const Case cases[] = {
        {"apple", 1, 2, "\x01" "ap\x01" "ple"},
        {"apple", 2, 3, "a\x01" "ppl\x01" "e"},
        {"apple", 4, 2, "app\x01" "le"},          // to the end: one mark
        {"tab x", 2, 3, "t\x01" "ab \x01" "x"},    // a blank inside the match
        {"\xC3\xA9t\xC3\xA9", 1, 2, "\x01\xC3\xA9\x01t\xC3\xA9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::string(guiTextMarkMatch(c.text, c.start, c.length)), c.marked) << c.text;
}

TEST(MenuMarks, MatchingFoldsAsciiAndSkipsBlanks)
{
    struct Case {
        const char* text;
        const char* pattern;
        int before;
        bool found;
        int start, length;
    };
    const Case cases[] = {
        {"Banana", "an", 0, true, 2, 2},
        {"Banana", "an", 2, false, 0, 0},   // only starts before 2
        {"Banana", "a", 0, false, 0, 0},    // one character: position 1 only
        {"apple", "A", 0, true, 1, 1},
        {"tab\tx", "bx", 0, true, 3, 3},
        {"\xC3\xA9t\xC3\xA9", "t\xC3\xA9", 0, true, 3, 3},
        {"\xC3\xA9t\xC3\xA9", "\xC3\x89", 0, false, 0, 0}, // other bytes compare exactly
    };
    for (const Case& c : cases) {
        int start = 0, length = 0;
        EXPECT_EQ(guiTextMatch(c.text, c.pattern, c.before, &start, &length), c.found) << c.text << " " << c.pattern;
        EXPECT_EQ(start, c.start) << c.text;
        EXPECT_EQ(length, c.length) << c.text;
    }
}

} // namespace
