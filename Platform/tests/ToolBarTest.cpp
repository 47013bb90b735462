#include "ControlTestSupport.h"

#include "plat/commctrl.h"
#include "plat/keyboard.h"
#include "plat/menu.h"
#include "plat/module.h"
#include "plat/mouse.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

using plat::headless::click;
using vnt::test::ControlParent;

namespace {

TBBUTTON button(int image, int id, BYTE style = TBSTYLE_BUTTON, BYTE state = TBSTATE_ENABLED)
{
    TBBUTTON b{};
    b.iBitmap = image;
    b.idCommand = id;
    b.fsState = state;
    b.fsStyle = style;
    b.iString = -1;
    return b;
}

struct BarFixture {
    explicit BarFixture(DWORD style = TBSTYLE_FLAT | CCS_NORESIZE)
        : bar(parent.child(TOOLBARCLASSNAMEA, style, {0, 0, 300, 30}, 4))
    {
        SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        // Buttons 23 px wide, separators 8: 0-23, 23-46, sep 46-54, 54-77 (drop-down), 77-100.
        const TBBUTTON buttons[] = {button(0, 10), button(1, 11, TBSTYLE_CHECK), button(0, 0, TBSTYLE_SEP),
            button(0, 12, TBSTYLE_DROPDOWN), button(1, 13)};
        SendMessageA(bar, TB_ADDBUTTONSA, 5, LPARAM(buttons));
        ControlParent::pump();
        parent.events.clear();
    }
    std::vector<int> commands() const
    {
        std::vector<int> out;
        for (const auto& e : parent.only(WM_COMMAND))
            out.push_back(LOWORD(e.wParam));
        return out;
    }
    ControlParent parent;
    HWND bar;
};

TEST(ToolBar, StringsBitmapsAndTheStructureSize)
{
    ControlParent parent;
    HWND bar = parent.child(TOOLBARCLASSNAMEA, CCS_NORESIZE, {0, 0, 300, 30}, 4);
    const TBBUTTON one = button(0, 1);
    EXPECT_FALSE(SendMessageA(bar, TB_ADDBUTTONSA, 1, LPARAM(&one))); // no TB_BUTTONSTRUCTSIZE yet
    EXPECT_EQ(SendMessageA(bar, TB_ADDSTRINGA, 0, LPARAM("a\0b\0")), 0);
    EXPECT_EQ(SendMessageA(bar, TB_ADDSTRINGA, 0, LPARAM("c\0")), 2);
    const TBADDBITMAP tools{GetModuleHandleA(nullptr), 300};
    EXPECT_EQ(SendMessageA(bar, TB_ADDBITMAP, 2, LPARAM(&tools)), 0);
    EXPECT_EQ(SendMessageA(bar, TB_ADDBITMAP, 2, LPARAM(&tools)), 2);
    const TBADDBITMAP missing{GetModuleHandleA(nullptr), 301};
    EXPECT_EQ(SendMessageA(bar, TB_ADDBITMAP, 1, LPARAM(&missing)), -1);

    SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBBUTTON texts[] = {button(0, 1), button(1, 2)};
    texts[1].iString = 1;
    EXPECT_TRUE(SendMessageA(bar, TB_ADDBUTTONSA, 2, LPARAM(texts)));
    // The image shows on the face; its 0xC0C0C0 pixels let the face through.
    ControlParent::pump();
    RECT r{};
    ASSERT_TRUE(SendMessageA(bar, TB_GETITEMRECT, 0, LPARAM(&r)));
    EXPECT_EQ(r.right - r.left, 23);
    EXPECT_EQ(r.bottom - r.top, 22 + 13); // a text line below the image
    const int x = (r.left + r.right - 16) / 2;
    EXPECT_EQ(plat::headless::windowPixel(bar, x + 6, 3 + 6), RGB(255, 0, 0));
    EXPECT_EQ(plat::headless::windowPixel(bar, x + 1, 3 + 1), GetSysColor(COLOR_BTNFACE));
    TBBUTTONINFOA info{sizeof info, TBIF_TEXT | TBIF_IMAGE, 0, 1, 0, 0, 0, 0, const_cast<char*>("Long text"), 0};
    EXPECT_EQ(SendMessageA(bar, TB_SETBUTTONINFOA, 2, LPARAM(&info)), 1);
    EXPECT_EQ(SendMessageA(bar, TB_SETBUTTONINFOA, 99, LPARAM(&info)), -1);
    ASSERT_TRUE(SendMessageA(bar, TB_GETITEMRECT, 0, LPARAM(&r)));
    EXPECT_EQ(r.right - r.left, 9 * 7 + 8);
}

TEST(ToolBar, ClicksCommandsStatesAndHitTests)
{
    BarFixture f;
    click(5, 5);
    click(30, 5);
    ControlParent::pump();
    EXPECT_EQ(f.commands(), (std::vector<int>{10, 11}));
    EXPECT_EQ(f.parent.only(WM_COMMAND)[0].lParam, LPARAM(f.bar));
    EXPECT_EQ(SendMessageA(f.bar, TB_GETSTATE, 11, 0), TBSTATE_ENABLED | TBSTATE_CHECKED);
    EXPECT_EQ(SendMessageA(f.bar, TB_GETSTATE, 99, 0), -1);
    EXPECT_EQ(SendMessageA(f.bar, TB_COMMANDTOINDEX, 13, 0), 4);
    EXPECT_EQ(SendMessageA(f.bar, TB_COMMANDTOINDEX, 99, 0), -1);

    // A press released outside does nothing; a disabled button does not press.
    plat::headless::mouseMove(5, 5);
    plat::headless::mouseButton(0, true);
    ControlParent::pump();
    EXPECT_EQ(SendMessageA(f.bar, TB_GETSTATE, 10, 0) & TBSTATE_PRESSED, TBSTATE_PRESSED);
    plat::headless::mouseMove(200, 100);
    plat::headless::mouseButton(0, false);
    SendMessageA(f.bar, TB_SETSTATE, 13, 0);
    click(80, 5);
    ControlParent::pump();
    EXPECT_EQ(f.commands(), (std::vector<int>{10, 11}));
    EXPECT_EQ(SendMessageA(f.bar, TB_GETSTATE, 10, 0), TBSTATE_ENABLED);

    const struct {
        POINT pt;
        int hit;
    } cases[] = {{{5, 5}, 0}, {{50, 5}, -3}, {{60, 5}, 3}, {{150, 5}, -5}, {{24, 40}, -2}};
    for (const auto& c : cases)
        EXPECT_EQ(SendMessageA(f.bar, TB_HITTEST, 0, LPARAM(&c.pt)), c.hit) << c.pt.x;

    // Hiding a button moves the ones after it left.
    SendMessageA(f.bar, TB_SETSTATE, 11, TBSTATE_ENABLED | TBSTATE_HIDDEN);
    RECT r{};
    EXPECT_FALSE(SendMessageA(f.bar, TB_GETITEMRECT, 1, LPARAM(&r)));
    ASSERT_TRUE(SendMessageA(f.bar, TB_GETITEMRECT, 3, LPARAM(&r)));
    EXPECT_EQ(r.left, 31);
}

TEST(ToolBar, DropDownAnswersDecideTheCommand)
{
    for (LRESULT answer : {LRESULT(TBDDRET_TREATPRESSED), LRESULT(TBDDRET_DEFAULT), LRESULT(TBDDRET_NODEFAULT)}) {
        BarFixture f;
        int item = 0;
        f.parent.hook = [&](UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
            if (msg != WM_NOTIFY)
                return false;
            const auto* nm = reinterpret_cast<const NMTOOLBARA*>(lParam);
            if (int(nm->hdr.code) == TBN_DROPDOWN)
                item = nm->iItem;
            result = answer;
            return true;
        };
        click(60, 5);
        ControlParent::pump();
        EXPECT_EQ(item, 12);
        EXPECT_EQ(f.commands(), answer == TBDDRET_TREATPRESSED ? std::vector<int>{12} : std::vector<int>{}) << answer;
    }
}

TEST(ToolBar, AMenuTrackedForADropDownLeavesTheBarUnpressed)
{
    BarFixture f;
    SendMessageA(f.bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    RECT r{};
    SendMessageA(f.bar, TB_GETITEMRECT, 3, LPARAM(&r));
    EXPECT_EQ(r.right - r.left, 23 + 14);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 77, "Item");
    UINT chosen = 0;
    f.parent.hook = [&](UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
        if (msg != WM_NOTIFY || int(reinterpret_cast<const NMHDR*>(lParam)->code) != TBN_DROPDOWN)
            return false;
        plat::headless::keyPress(VK_DOWN);
        plat::headless::keyPress(VK_RETURN);
        chosen = UINT(TrackPopupMenu(menu, TPM_RETURNCMD, r.left, r.bottom, 0, f.parent.hwnd, nullptr));
        result = TBDDRET_TREATPRESSED;
        return true;
    };
    // The face of the button clicks plainly; its arrow drops the menu down.
    click(r.left + 3, 5);
    ControlParent::pump();
    EXPECT_EQ(chosen, 0u);
    EXPECT_EQ(f.commands(), std::vector<int>{12});
    f.parent.events.clear();
    plat::headless::mouseMove(r.right - 3, 5);
    plat::headless::mouseButton(0, true);
    ControlParent::pump();
    EXPECT_EQ(chosen, 77u);
    EXPECT_EQ(SendMessageA(f.bar, TB_GETSTATE, 12, 0) & TBSTATE_PRESSED, 0);
    plat::headless::mouseButton(0, false);
    ControlParent::pump();
    EXPECT_EQ(SendMessageA(f.bar, TB_GETSTATE, 12, 0) & TBSTATE_PRESSED, 0);
    EXPECT_NE(GetCapture(), f.bar);
    DestroyMenu(menu);
}

} // namespace
