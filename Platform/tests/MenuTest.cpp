#include "plat/afxwin.h"
#include "plat/controls.h"
#include "plat/errors.h"
#include "plat/focus.h"
#include "plat/headless.h"
#include "plat/keyboard.h"
#include "plat/menu.h"
#include "plat/module.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/resource.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using plat::headless::click;
using plat::headless::keyPress;

namespace {

// Test font: items are 13 + 6 = 19 px high below a 2 px frame, separators 8 px.
constexpr int kFrame = 2;
constexpr int kItem = 19;

struct Logged {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// A top-level owner that logs what a menu tells it; a hook may act on a message first.
class Owner {
public:
    Owner(DWORD style = WS_POPUP | WS_VISIBLE)
    {
        current() = this;
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.lpszClassName = "Menu Test Owner";
        RegisterClassExA(&wc);
        hwnd = CreateWindowExA(0, wc.lpszClassName, "", style, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
        SetActiveWindow(hwnd);
        plat::headless::pumpUntilIdle();
        log.clear();
    }
    ~Owner()
    {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
        UnregisterClassA("Menu Test Owner", nullptr);
        current() = nullptr;
    }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;

    std::vector<Logged> only(UINT msg) const
    {
        std::vector<Logged> out;
        for (const Logged& l : log)
            if (l.msg == msg)
                out.push_back(l);
        return out;
    }

    HWND hwnd = nullptr;
    std::vector<Logged> log;
    std::function<void(UINT, WPARAM, LPARAM)> hook;

private:
    static Owner*& current()
    {
        static Owner* owner = nullptr;
        return owner;
    }
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        Owner* self = current();
        switch (msg) {
        case WM_COMMAND:
        case WM_SYSCOMMAND:
        case WM_INITMENUPOPUP:
        case WM_MENUSELECT:
        case WM_ENTERMENULOOP:
        case WM_EXITMENULOOP:
        case WM_CONTEXTMENU:
        case WM_CLOSE:
        case WM_LBUTTONDOWN:
        case WM_APP:
            if (self) {
                self->log.push_back({msg, wParam, lParam});
                if (self->hook)
                    self->hook(msg, wParam, lParam);
            }
            break;
        default: break;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
};

// "&Open\tCtrl+O" 11, "&Save" 12, separator, "&Recent" (submenu: "One" 21, "Two" 22), "E&xit" 13.
HMENU sampleMenu()
{
    HMENU recent = CreatePopupMenu();
    AppendMenuA(recent, MF_STRING, 21, "One");
    AppendMenuA(recent, MF_STRING, 22, "Two");
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 11, "&Open\tCtrl+O");
    AppendMenuA(menu, MF_STRING, 12, "&Save");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_POPUP, UINT_PTR(recent), "&Recent");
    AppendMenuA(menu, MF_STRING, 13, "E&xit");
    return menu;
}

// The middle of an item's row of a menu shown at (x, y), items above it in rows of kItem.
POINT rowPoint(int x, int y, int rowsAbove, int separatorsAbove = 0)
{
    return POINT{x + 30, y + kFrame + rowsAbove * kItem + separatorsAbove * 8 + kItem / 2};
}

void put16(std::vector<uint8_t>& out, unsigned v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void putText(std::vector<uint8_t>& out, const std::u16string& text)
{
    for (char16_t c : text)
        put16(out, c);
    put16(out, 0);
}

TEST(Menus, BuildReadAndChange)
{
    HMENU menu = sampleMenu();
    EXPECT_TRUE(IsMenu(menu));
    EXPECT_EQ(GetMenuItemCount(menu), 5);
    EXPECT_EQ(GetMenuItemID(menu, 0), 11u);
    EXPECT_EQ(GetMenuItemID(menu, 3), UINT(-1)); // a submenu
    HMENU recent = GetSubMenu(menu, 3);
    EXPECT_EQ(GetMenuItemCount(recent), 2);
    EXPECT_EQ(GetSubMenu(menu, 0), nullptr);
    char text[32];
    EXPECT_EQ(GetMenuStringA(menu, 11, text, sizeof text, MF_BYCOMMAND), 12);
    EXPECT_STREQ(text, "&Open\tCtrl+O");
    EXPECT_EQ(GetMenuStringA(menu, 22, text, sizeof text, MF_BYCOMMAND), 3); // found in the submenu
    EXPECT_EQ(EnableMenuItem(menu, 12, MF_GRAYED), MF_ENABLED);
    EXPECT_EQ(EnableMenuItem(menu, 1, MF_BYPOSITION | MF_ENABLED), MF_GRAYED);
    EXPECT_EQ(CheckMenuItem(menu, 21, MF_CHECKED), DWORD(MF_UNCHECKED));
    EXPECT_EQ(CheckMenuItem(menu, 21, MF_UNCHECKED), DWORD(MF_CHECKED));
    SetLastError(0);
    EXPECT_EQ(CheckMenuItem(menu, 99, MF_CHECKED), DWORD(-1));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MENU_ITEM_NOT_FOUND));
    EXPECT_TRUE(DestroyMenu(menu));
    EXPECT_FALSE(IsMenu(recent)); // submenus go with their menu
    SetLastError(0);
    EXPECT_EQ(GetMenuItemCount(menu), -1);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_MENU_HANDLE));
    EXPECT_FALSE(AppendMenuA(menu, MF_STRING, 1, "x"));
    EXPECT_FALSE(DestroyMenu(menu));
}

TEST(Menus, TemplatesLoadWithTheirTextsAndFailWhole)
{
    std::vector<uint8_t> t;
    put16(t, 0), put16(t, 0); // header
    put16(t, MF_POPUP), putText(t, u"&File");
    put16(t, 0), put16(t, 7), putText(t, u"Caf\u00e9");
    put16(t, 0), put16(t, 0), putText(t, u""); // a separator
    put16(t, MF_END | MF_GRAYED), put16(t, 8), putText(t, u"Gone");
    put16(t, MF_END), put16(t, 9), putText(t, u"Top");
    HMENU menu = LoadMenuIndirectA(t.data());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 2);
    HMENU file = GetSubMenu(menu, 0);
    ASSERT_EQ(GetMenuItemCount(file), 3);
    EXPECT_EQ(GetMenuItemID(file, 0), 7u);
    char text[16];
    GetMenuStringA(file, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "Caf\xC3\xA9");
    EXPECT_EQ(GetMenuItemID(file, 1), 0u);
    EXPECT_EQ(EnableMenuItem(file, 8, MF_ENABLED), MF_GRAYED);
    EXPECT_EQ(GetMenuItemID(menu, 1), 9u);
    DestroyMenu(menu);

    // Cut anywhere, the template makes nothing and says why.
    for (size_t cut : {size_t(0), size_t(3), size_t(9), t.size() - 1}) {
        std::vector<uint8_t> bytes(t.begin(), t.begin() + cut);
        bytes.resize(0x10000, 0xFF); // what follows, up to the most read, is no template
        SetLastError(0);
        EXPECT_EQ(LoadMenuIndirectA(bytes.data()), nullptr) << cut;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA)) << cut;
    }
}

TEST(Menus, CompiledMenuResourceLoads)
{
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(200));
    ASSERT_NE(menu, nullptr);
    HMENU context = GetSubMenu(menu, 0);
    ASSERT_EQ(GetMenuItemCount(context), 4);
    EXPECT_EQ(GetMenuItemID(context, 0), 101u);
    char text[32];
    GetMenuStringA(context, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&Open\tCtrl+O");
    GetMenuStringA(context, 102, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Caf\xC3\xA9");
    EXPECT_EQ(CheckMenuItem(context, 102, MF_UNCHECKED), DWORD(MF_CHECKED));
    EXPECT_EQ(EnableMenuItem(context, 103, MF_ENABLED), MF_GRAYED);
    DestroyMenu(menu);
    SetLastError(0);
    EXPECT_EQ(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(201)), nullptr);
    EXPECT_NE(GetLastError(), 0u);
}

TEST(Menus, NestingStopsAtSixteenLevels)
{
    for (int levels : {16, 17}) {
        std::vector<uint8_t> t;
        put16(t, 0), put16(t, 0);
        for (int i = 1; i < levels; ++i)
            put16(t, MF_POPUP | MF_END), putText(t, u"p");
        put16(t, MF_END), put16(t, 1), putText(t, u"leaf");
        t.resize(0x10000, 0);
        EXPECT_EQ(LoadMenuIndirectA(t.data()) != nullptr, levels == 16) << levels;
    }
}

TEST(Menus, FrameworkMenusOwnTheirHandles)
{
    HMENU sub = nullptr;
    {
        CMenu menu;
        ASSERT_TRUE(menu.LoadMenu(200));
        CMenu* context = menu.GetSubMenu(0);
        ASSERT_NE(context, nullptr);
        EXPECT_EQ(context, CMenu::FromHandle(context->m_hMenu)); // one temporary object per handle
        EXPECT_EQ(context->GetMenuItemCount(), 4u);
        sub = context->m_hMenu;
        CMenu other;
        EXPECT_TRUE(other.Attach(other.m_hMenu ? nullptr : CreatePopupMenu()));
        EXPECT_TRUE(other.AppendMenu(MF_STRING, 5, "Five"));
        HMENU kept = other.Detach();
        EXPECT_TRUE(IsMenu(kept));
        DestroyMenu(kept);
    }
    EXPECT_FALSE(IsMenu(sub));
    CMenu::DeleteTempMap();
}

TEST(TrackPopupMenu, AChosenCommandIsPostedAfterTheReturn)
{
    Owner owner;
    HMENU menu = sampleMenu();
    const POINT save = rowPoint(100, 50, 1);
    click(save.x, save.y);
    EXPECT_TRUE(TrackPopupMenu(menu, 0, 100, 50, 0, owner.hwnd, nullptr));
    EXPECT_TRUE(owner.only(WM_COMMAND).empty());
    ASSERT_EQ(owner.only(WM_ENTERMENULOOP).size(), 1u);
    ASSERT_EQ(owner.only(WM_EXITMENULOOP).size(), 1u);
    ASSERT_EQ(owner.only(WM_INITMENUPOPUP).size(), 1u);
    EXPECT_EQ(owner.only(WM_INITMENUPOPUP)[0].wParam, WPARAM(menu));
    EXPECT_FALSE(owner.only(WM_MENUSELECT).empty());
    plat::headless::pumpUntilIdle();
    ASSERT_EQ(owner.only(WM_COMMAND).size(), 1u);
    EXPECT_EQ(owner.only(WM_COMMAND)[0].wParam, MAKEWPARAM(12, 0));
    EXPECT_EQ(owner.only(WM_COMMAND)[0].lParam, 0);
    EXPECT_EQ(GetCapture(), nullptr);
    DestroyMenu(menu);
}

TEST(TrackPopupMenu, KeysMouseAndMnemonicsWithReturnCmd)
{
    const struct {
        const char* name;
        std::function<void()> input;
        BOOL answer;
    } cases[] = {
        {"return cmd", [] { const POINT p = rowPoint(100, 50, 0); click(p.x, p.y); }, 11},
        {"outside click", [] { click(5, 5); }, 0},
        {"escape", [] { keyPress(VK_ESCAPE); }, 0},
        {"separator skipped", [] { keyPress(VK_DOWN), keyPress(VK_DOWN), keyPress(VK_DOWN), keyPress(VK_RETURN), keyPress(VK_RETURN); }, 21},
        {"wraps up", [] { keyPress(VK_UP), keyPress(VK_RETURN); }, 13},
        {"mnemonic", [] { plat::headless::typeText("x"); }, 13},
        {"right and left", [] { keyPress(VK_UP), keyPress(VK_UP), keyPress(VK_RIGHT), keyPress(VK_LEFT), keyPress(VK_DOWN), keyPress(VK_RETURN); }, 13},
        {"into a submenu", [] { keyPress(VK_UP), keyPress(VK_UP), keyPress(VK_RIGHT), keyPress(VK_DOWN), keyPress(VK_RETURN); }, 22},
        {"alt", [] { keyPress(VK_MENU); }, 0},
    };
    for (const auto& c : cases) {
        Owner owner;
        HMENU menu = sampleMenu();
        c.input();
        EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 50, 0, owner.hwnd, nullptr), c.answer) << c.name;
        plat::headless::pumpUntilIdle();
        EXPECT_TRUE(owner.only(WM_COMMAND).empty()) << c.name;
        if (std::string(c.name) == "outside click") {
            EXPECT_TRUE(owner.only(WM_LBUTTONDOWN).empty()); // eaten
        }
        DestroyMenu(menu);
    }
}

TEST(TrackPopupMenu, SubmenuOpensAfterHovering400ms)
{
    vnt::test::ManualClock clock;
    Owner owner;
    HMENU menu = sampleMenu();
    const POINT recent = rowPoint(100, 50, 2, 1);
    size_t popupsAt399 = 0;
    owner.hook = [&](UINT msg, WPARAM wParam, LPARAM) {
        if (msg == WM_MENUSELECT && LOWORD(wParam) == 3 && (HIWORD(wParam) & MF_POPUP)) {
            clock.advance(399);
            PostMessageA(owner.hwnd, WM_APP, 0, 0);
        } else if (msg == WM_APP) {
            popupsAt399 = owner.only(WM_INITMENUPOPUP).size();
            clock.advance(1);
        } else if (msg == WM_INITMENUPOPUP && owner.only(WM_INITMENUPOPUP).size() == 2) {
            keyPress(VK_DOWN);
            keyPress(VK_DOWN);
            keyPress(VK_RETURN);
        }
    };
    plat::headless::mouseMove(recent.x, recent.y);
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 100, 50, 0, owner.hwnd, nullptr), 22);
    EXPECT_EQ(popupsAt399, 1u);
    DestroyMenu(menu);
}

TEST(TrackPopupMenu, NestedTrackingAndOwnerChecksFail)
{
    Owner owner;
    HMENU menu = sampleMenu();
    BOOL nested = TRUE;
    DWORD error = 0;
    HWND captured = nullptr;
    RECT placed{};
    LONG_PTR exStyle = 0;
    // GetCapture() inside the loop is the menu's first popup.
    owner.hook = [&](UINT msg, WPARAM, LPARAM) {
        if (msg == WM_INITMENUPOPUP) {
            nested = TrackPopupMenu(menu, 0, 0, 0, 0, owner.hwnd, nullptr);
            error = GetLastError();
            PostMessageA(owner.hwnd, WM_APP, 0, 0);
        } else if (msg == WM_APP) {
            captured = GetCapture();
            GetWindowRect(captured, &placed);
            exStyle = GetWindowLongPtrA(captured, GWL_EXSTYLE);
            keyPress(VK_ESCAPE);
        }
    };
    plat::headless::setScreenSize(640, 480);
    EXPECT_TRUE(TrackPopupMenu(menu, 0, 630, 470, 0, owner.hwnd, nullptr));
    plat::headless::setScreenSize(0, 0);
    EXPECT_FALSE(nested);
    EXPECT_EQ(error, DWORD(ERROR_POPUP_ALREADY_ACTIVE));
    // The popup is a tool window on top, opened up and to the left of the point.
    EXPECT_EQ(exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST),
        WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    EXPECT_EQ(placed.right, 630);
    EXPECT_EQ(placed.bottom, 470);
    EXPECT_FALSE(IsWindow(captured));

    SetLastError(0);
    EXPECT_FALSE(TrackPopupMenu(menu, 0, 0, 0, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    DestroyMenu(menu);
    EXPECT_FALSE(TrackPopupMenu(menu, 0, 0, 0, 0, owner.hwnd, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_MENU_HANDLE));
}

TEST(SystemMenu, OpensFromAltSpaceAndTheBackgroundAndPostsItsCommands)
{
    Owner owner(WS_POPUP | WS_VISIBLE | WS_SYSMENU);
    HMENU system = GetSystemMenu(owner.hwnd, FALSE);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(GetSystemMenu(owner.hwnd, FALSE), system);
    ASSERT_EQ(GetMenuItemCount(system), 5);
    EXPECT_EQ(GetMenuItemID(system, 4), UINT(SC_CLOSE));
    char text[32];
    GetMenuStringA(system, SC_CLOSE, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Close\tAlt+F4");
    AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(system, MF_STRING, 16, "&About\xE2\x80\xA6");
    CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 200, 100, 50, 50, owner.hwnd,
        nullptr, nullptr, nullptr);

    // Alt+Space, then the About entry by its mnemonic.
    plat::headless::key(VK_MENU, true);
    keyPress(VK_SPACE);
    plat::headless::key(VK_MENU, false);
    owner.hook = [&](UINT msg, WPARAM, LPARAM) {
        if (msg == WM_INITMENUPOPUP)
            plat::headless::typeText("a");
    };
    plat::headless::pumpUntilIdle();
    auto commands = owner.only(WM_SYSCOMMAND);
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back().wParam, 16u);
    EXPECT_EQ(owner.only(WM_INITMENUPOPUP).size(), 1u);
    EXPECT_EQ(HIWORD(owner.only(WM_INITMENUPOPUP)[0].lParam), 1); // a system menu

    // A right click on the background opens it; one on a child that passes it up does not.
    owner.log.clear();
    owner.hook = [&](UINT msg, WPARAM, LPARAM) {
        if (msg == WM_INITMENUPOPUP)
            keyPress(VK_ESCAPE);
    };
    click(50, 50, 1);
    plat::headless::pumpUntilIdle();
    EXPECT_EQ(owner.only(WM_INITMENUPOPUP).size(), 1u);
    click(210, 110, 1);
    plat::headless::pumpUntilIdle();
    EXPECT_EQ(owner.only(WM_CONTEXTMENU).size(), 2u);
    EXPECT_EQ(owner.only(WM_INITMENUPOPUP).size(), 1u);

    // Close ends in WM_CLOSE.
    owner.log.clear();
    owner.hook = [&](UINT msg, WPARAM, LPARAM) {
        if (msg == WM_INITMENUPOPUP)
            keyPress(VK_UP), keyPress(VK_UP), keyPress(VK_RETURN);
    };
    plat::headless::key(VK_MENU, true);
    keyPress(VK_SPACE);
    plat::headless::key(VK_MENU, false);
    plat::headless::pumpUntilIdle();
    EXPECT_EQ(owner.only(WM_CLOSE).size(), 1u);
    EXPECT_FALSE(IsWindow(owner.hwnd));
    EXPECT_FALSE(IsMenu(system)); // gone with its window
}

} // namespace
