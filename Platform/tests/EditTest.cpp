#include "ControlTestSupport.h"

#include "plat/caret.h"
#include "plat/errors.h"
#include "plat/focus.h"
#include "plat/gdi.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/msgbox.h"
#include "plat/paint.h"
#include "plat/sysmetrics.h"
#include "testsupport/ManualClock.h"

#include <algorithm>

#include <gtest/gtest.h>

#include <functional>

using plat::headless::keyPress;
using plat::headless::typeText;
using vnt::test::ControlParent;
using vnt::test::windowText;

namespace {

constexpr RECT kEditRect{10, 10, 210, 34};

struct EditFixture {
    explicit EditFixture(DWORD style = ES_AUTOHSCROLL, const char* text = "")
        : edit(parent.child("edit", style, kEditRect, 5, text))
    {
        SetActiveWindow(parent.hwnd);
        SetFocus(edit);
        ControlParent::pump();
        parent.events.clear();
    }
    DWORD selection(DWORD* start = nullptr, DWORD* end = nullptr) const
    {
        return DWORD(SendMessageA(edit, EM_GETSEL, WPARAM(start), LPARAM(end)));
    }

    ControlParent parent;
    HWND edit;
};

TEST(Edit, TypingMovingAndSelectingWithKeys)
{
    EditFixture f;
    typeText("ab");
    keyPress(VK_LEFT);
    typeText("x");
    ControlParent::pump();
    EXPECT_EQ(windowText(f.edit), "axb");
    plat::headless::key(VK_SHIFT, true);
    keyPress(VK_HOME);
    plat::headless::key(VK_SHIFT, false);
    ControlParent::pump();
    DWORD start = 9, end = 9;
    EXPECT_EQ(f.selection(&start, &end), DWORD(MAKELONG(0, 2)));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 2u);
    // The caret sits at the active end: a 1 px bar, one cell high, inside the 1 px margin.
    const auto caret = plat::headless::caret();
    EXPECT_EQ(caret.owner, f.edit);
    EXPECT_EQ(caret.pos.x, 1);
    EXPECT_EQ(caret.size.cx, 1);
    EXPECT_EQ(caret.size.cy, 13);
    // Each typed key announced its change, update first.
    const std::vector<int> perKey{EN_UPDATE, EN_CHANGE};
    std::vector<int> expected;
    for (int i = 0; i < 3; ++i)
        expected.insert(expected.end(), perKey.begin(), perKey.end());
    EXPECT_EQ(f.parent.codes(), expected);
    EXPECT_EQ(f.parent.only(WM_COMMAND)[0].lParam, LPARAM(f.edit));
    EXPECT_EQ(LOWORD(f.parent.only(WM_COMMAND)[0].wParam), 5);
}

TEST(Edit, MultiByteCharactersStayWhole)
{
    EditFixture f;
    SendMessageA(f.edit, WM_CHAR, 0xC3, 0);
    EXPECT_EQ(GetWindowTextLengthA(f.edit), 0) << "a lead byte waits for the rest";
    SendMessageA(f.edit, WM_CHAR, 0xA9, 0);
    EXPECT_EQ(windowText(f.edit), "\xC3\xA9");
    SendMessageA(f.edit, WM_CHAR, 'z', 0);
    SendMessageA(f.edit, WM_KEYDOWN, VK_LEFT, 0);
    SendMessageA(f.edit, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(f.selection(), DWORD(MAKELONG(0, 0)));
    SendMessageA(f.edit, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(f.selection(), DWORD(MAKELONG(2, 2)));
    SendMessageA(f.edit, WM_CHAR, '\b', 0);
    EXPECT_EQ(windowText(f.edit), "z");

    // A caret move drops an unfinished character; the orphan continuation is a character itself.
    SendMessageA(f.edit, WM_CHAR, 0xC3, 0);
    SendMessageA(f.edit, WM_KEYDOWN, VK_END, 0);
    SendMessageA(f.edit, WM_CHAR, 0xA9, 0);
    EXPECT_EQ(windowText(f.edit), "z\xA9");
    SendMessageA(f.edit, EM_SETSEL, 1, 1);
    SendMessageA(f.edit, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(windowText(f.edit), "z");
    // Stray bytes that a change joins into one character leave the caret after it.
    SetWindowTextA(f.edit, "\x82\xAC");
    plat::headless::setClipboardText("\xE2");
    SendMessageA(f.edit, WM_PASTE, 0, 0);
    EXPECT_EQ(windowText(f.edit), "\xE2\x82\xAC");
    EXPECT_EQ(f.selection(), DWORD(MAKELONG(3, 3)));
    // A selection never ends inside a character.
    SetWindowTextA(f.edit, "a\xE2\x82\xAC" "b");
    SendMessageA(f.edit, EM_SETSEL, 2, 3);
    EXPECT_EQ(f.selection(), DWORD(MAKELONG(1, 1)));
}

TEST(Edit, ChangesAreAnnouncedAndAParentMayRewriteInsideThem)
{
    EditFixture f;
    SetWindowTextA(f.edit, "same");
    SetWindowTextA(f.edit, "same");
    plat::headless::setClipboardText("clip");
    SendMessageA(f.edit, WM_PASTE, 0, 0);
    EXPECT_EQ(f.parent.codes(), (std::vector<int>{EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE}));

    f.parent.events.clear();
    f.parent.hook = [&](UINT msg, WPARAM wParam, LPARAM, LRESULT&) {
        if (msg == WM_COMMAND && HIWORD(wParam) == EN_CHANGE && windowText(f.edit) != "FIXED")
            SetWindowTextA(f.edit, "FIXED");
        return false;
    };
    SendMessageA(f.edit, WM_CHAR, 'q', 0);
    EXPECT_EQ(windowText(f.edit), "FIXED");
    EXPECT_EQ(f.parent.codes(), (std::vector<int>{EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE}));
}

TEST(Edit, FocusNotificationsAndClicks)
{
    vnt::test::ManualClock clock;
    EditFixture f(ES_AUTOHSCROLL, "hello world");
    HWND other = f.parent.child("edit", 0, RECT{10, 50, 210, 74}, 6);
    SetFocus(other);
    ControlParent::pump();
    EXPECT_EQ(f.parent.codes(), (std::vector<int>{EN_KILLFOCUS, EN_SETFOCUS}));
    // A click at x 10 + 1 + 3 * 7 puts the caret after "hel" and focuses the edit.
    plat::headless::click(32, 20);
    ControlParent::pump();
    EXPECT_EQ(GetFocus(), f.edit);
    EXPECT_EQ(f.selection(), DWORD(MAKELONG(3, 3)));
    // A second click there is a double click: it selects the word and the space after it.
    plat::headless::click(32, 20);
    ControlParent::pump();
    EXPECT_EQ(f.selection(), DWORD(MAKELONG(0, 6)));
    // Later, a drag selects under capture.
    clock.advance(2000);
    plat::headless::mouseMove(32, 20);
    plat::headless::mouseButton(0, true);
    plat::headless::mouseMove(53, 20);
    plat::headless::mouseButton(0, false);
    ControlParent::pump();
    EXPECT_EQ(f.selection(), DWORD(MAKELONG(3, 6)));
    EXPECT_EQ(GetCapture(), nullptr);
}

// Text that no longer needs the scroll it had shows from its start: "x" then blanks, so that the
// first glyph's column holds ink only while nothing is scrolled.
TEST(Edit, ATextThatFitsAgainIsShownFromItsStart)
{
    EditFixture f;
    HWND other = f.parent.child("edit", 0, RECT{10, 50, 210, 74}, 6);
    const std::string wide = "x" + std::string(40, ' ');
    auto startShown = [&] {
        ControlParent::pump();
        return plat::headless::windowPixel(f.edit, 4, 12) != GetSysColor(COLOR_WINDOW);
    };
    typeText(wide.c_str());
    ASSERT_FALSE(startShown()) << "the typing scrolled";

    SendMessageA(f.edit, EM_SETSEL, 0, -1);
    typeText("5");
    EXPECT_TRUE(startShown()) << "typed over";
    POINT caret{};
    GetCaretPos(&caret);
    EXPECT_EQ(caret.x, 1 + 7);

    typeText(wide.c_str());
    ASSERT_FALSE(startShown());
    SetWindowTextA(f.edit, wide.c_str());
    EXPECT_TRUE(startShown()) << "set";

    keyPress(VK_END);
    ASSERT_FALSE(startShown());
    SetFocus(other);
    EXPECT_TRUE(startShown()) << "left";
}

TEST(Edit, PaintsWithTheParentsBrush)
{
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    EditFixture f;
    f.parent.hook = [&](UINT msg, WPARAM, LPARAM, LRESULT& result) {
        result = LRESULT(green);
        return msg == WM_CTLCOLOREDIT;
    };
    InvalidateRect(f.edit, nullptr, TRUE);
    ControlParent::pump();
    EXPECT_EQ(plat::headless::windowPixel(f.edit, 190, 3), RGB(0, 255, 0));
    auto asks = f.parent.only(WM_CTLCOLOREDIT);
    ASSERT_FALSE(asks.empty());
    EXPECT_EQ(asks[0].lParam, LPARAM(f.edit));
    EXPECT_EQ(SendMessageA(f.edit, WM_GETDLGCODE, 0, 0), 0x89);

    // A focused selection shows in the highlight colour; a read-only or disabled edit asks for
    // the static colours.
    SetWindowTextA(f.edit, "abc");
    SendMessageA(f.edit, EM_SETSEL, 0, -1);
    ControlParent::pump();
    EXPECT_EQ(plat::headless::windowPixel(f.edit, 7, 12), GetSysColor(COLOR_HIGHLIGHT)); // between glyph boxes
    EXPECT_EQ(plat::headless::windowPixel(f.edit, 5, 12), GetSysColor(COLOR_HIGHLIGHTTEXT));
    f.parent.events.clear();
    SendMessageA(f.edit, EM_SETREADONLY, TRUE, 0);
    ControlParent::pump();
    EXPECT_FALSE(f.parent.only(WM_CTLCOLORSTATIC).empty());
    EXPECT_TRUE(f.parent.only(WM_CTLCOLOREDIT).empty());
    DestroyWindow(f.edit);
    DeleteObject(green);
}

TEST(Edit, Rules)
{
    struct Case {
        const char* what;
        DWORD style;
        std::function<void(HWND)> act;
        const char* text;
        bool maxText;
        const char* clipboard; // after; null: not checked
    };
    // 198 px inside the margins take 28 characters of 7 px.
    static const std::string forty(40, 'w');
    static const std::string fits(28, 'w');
    auto paste = [](const char* clip) {
        return [clip](HWND e) {
            plat::headless::setClipboardText(clip);
            SendMessageA(e, WM_PASTE, 0, 0);
        };
    };
    const Case cases[] = {
        {"limit cuts a paste", ES_AUTOHSCROLL,
            [&](HWND e) {
                SendMessageA(e, EM_LIMITTEXT, 3, 0);
                paste("abcdef")(e);
            },
            "abc", true, nullptr},
        {"limit cuts at a character", ES_AUTOHSCROLL,
            [&](HWND e) {
                SendMessageA(e, EM_LIMITTEXT, 2, 0);
                paste("a\xC3\xA9")(e);
            },
            "a", true, nullptr},
        {"a paste ends at a line break", ES_AUTOHSCROLL, paste("one\r\ntwo"), "one", false, nullptr},
        {"without scrolling text stops at the margin", 0, paste(forty.c_str()), fits.c_str(), true, nullptr},
        {"password edits copy nothing", ES_AUTOHSCROLL | ES_PASSWORD,
            [](HWND e) {
                SetWindowTextA(e, "secret");
                plat::headless::setClipboardText("keep");
                SendMessageA(e, EM_SETSEL, 0, -1);
                SendMessageA(e, WM_COPY, 0, 0);
                SendMessageA(e, WM_CUT, 0, 0);
            },
            "secret", false, "keep"},
        {"read-only edits take no changes", ES_AUTOHSCROLL | ES_READONLY,
            [](HWND e) {
                SetWindowTextA(e, "fixed");
                plat::headless::setClipboardText("keep");
                SendMessageA(e, EM_SETSEL, 0, -1);
                SendMessageA(e, WM_CHAR, 'z', 0);
                SendMessageA(e, WM_PASTE, 0, 0);
                SendMessageA(e, WM_CUT, 0, 0);
                SendMessageA(e, WM_CLEAR, 0, 0);
            },
            "fixed", false, "keep"},
        {"read-only edits copy", ES_AUTOHSCROLL | ES_READONLY,
            [](HWND e) {
                SetWindowTextA(e, "fixed");
                SendMessageA(e, EM_SETSEL, 1, 3);
                SendMessageA(e, WM_COPY, 0, 0);
            },
            "fixed", false, "ix"},
        {"clear leaves the clipboard", ES_AUTOHSCROLL,
            [](HWND e) {
                SetWindowTextA(e, "gone");
                plat::headless::setClipboardText("keep");
                SendMessageA(e, EM_SETSEL, 0, -1);
                SendMessageA(e, WM_CLEAR, 0, 0);
            },
            "", false, "keep"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EditFixture f(c.style);
        const unsigned beeps = plat::messageBeepCount();
        c.act(f.edit);
        EXPECT_EQ(windowText(f.edit), c.text);
        const auto codes = f.parent.codes();
        EXPECT_EQ(std::count(codes.begin(), codes.end(), EN_MAXTEXT) > 0, c.maxText);
        if (c.clipboard) {
            EXPECT_EQ(plat::headless::clipboardText(), c.clipboard);
        }
        EXPECT_EQ(plat::messageBeepCount() - beeps, (c.style & ES_PASSWORD) ? 2u : 0u);
    }
}

TEST(Edit, LimitsPasswordCharacterAndSelectionMessages)
{
    EditFixture f(ES_AUTOHSCROLL | ES_PASSWORD, "abcdef");
    EXPECT_EQ(SendMessageA(f.edit, EM_GETLIMITTEXT, 0, 0), 32767);
    SendMessageA(f.edit, EM_LIMITTEXT, 0, 0);
    EXPECT_EQ(SendMessageA(f.edit, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
    EXPECT_EQ(SendMessageA(f.edit, EM_GETPASSWORDCHAR, 0, 0), '*');
    SendMessageA(f.edit, EM_SETPASSWORDCHAR, 0, 0);
    EXPECT_EQ(SendMessageA(f.edit, EM_GETPASSWORDCHAR, 0, 0), 0);
    SendMessageA(f.edit, EM_SETSEL, 4, 1); // anchor 4, caret 1
    EXPECT_EQ(f.selection(), DWORD(MAKELONG(1, 4)));
    SendMessageA(f.edit, EM_SETSEL, WPARAM(-1), 0);
    EXPECT_EQ(f.selection(), DWORD(MAKELONG(1, 1)));
    SendMessageA(f.edit, EM_SETSEL, 0, -1);
    EXPECT_EQ(f.selection(), DWORD(MAKELONG(0, 6)));
    SetWindowTextA(f.edit, std::string(70000, 'x').c_str());
    SendMessageA(f.edit, EM_SETSEL, 0, -1);
    DWORD end = 0;
    EXPECT_EQ(SendMessageA(f.edit, EM_GETSEL, 0, LPARAM(&end)), -1);
    EXPECT_EQ(end, 70000u);
    SendMessageA(f.edit, EM_SETREADONLY, TRUE, 0);
    EXPECT_TRUE(GetWindowLongPtrA(f.edit, GWL_STYLE) & ES_READONLY);
}

} // namespace
