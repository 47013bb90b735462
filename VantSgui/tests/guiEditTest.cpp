#include "guiEdit.h"

#include "GuiTestBed.h"

#include "vbException.h"

#include "plat/clipboard.h"
#include "plat/keyboard.h"
#include "plat/msgbox.h"
#include "plat/sysmetrics.h"
#include "plat/testhooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace gui::test;

struct Calls : vbBase {
    bool onField(guiEdit&, bool shift, int key, int character, int caret)
    {
        fields.push_back({shift, key, character, caret});
        return answer;
    }
    bool onText(guiEdit&, const vbString& text)
    {
        texts.emplace_back(text.c_str());
        return true;
    }
    struct Field {
        bool shift;
        int key;
        int character;
        int caret;
        bool operator==(const Field&) const = default;
    };
    std::vector<Field> fields;
    std::vector<std::string> texts;
    bool answer = false;
};

struct InsertState : sIguiEditState {
    bool IsInsertMode() override { return insert; }
    bool SetInsertMode(bool wanted) override
    {
        insert = wanted;
        return insert;
    }
    bool insert = true;
};

class EditBed : public GuiTestBed {
protected:
    guiEdit& addEdit(const char* text, int maxLength = -1, int width = 190)
    {
        const int top = 10 + 30 * static_cast<int>(edits.size());
        edits.push_back(std::make_unique<guiEdit>());
        guiEdit& edit = *edits.back();
        edit.tcSetText(text);
        edit.tcSetMaxLength(maxLength);
        edit.SetEditState(&state);
        edit.OnNextFieldCB() = guiEDITfieldCB(&calls, &Calls::onField);
        edit.OnTextChangeCB() = guiEDITtextCB(&calls, &Calls::onText);
        edit.Create(&window->container, CRect(10, top, 10 + width, top + 24), true, true);
        pump();
        return edit;
    }
    void TearDown() override
    {
        edits.clear();
        GuiTestBed::TearDown();
    }

    // Focus by a click, then the caret to a column with Home and Right.
    void focusAt(guiEdit& edit, int column)
    {
        CRect r;
        edit.GetWindowRect(&r);
        plat::headless::mouseMove(r.left + 3, r.top + 3);
        plat::headless::mouseButton(0, true);
        plat::headless::mouseButton(0, false);
        pump();
        ASSERT_EQ(GetFocus(), edit.GetSafeHwnd());
        for (int k = 1; k < column; ++k)
            keys({VK_RIGHT});
        ASSERT_EQ(edit.GetCaretPos(), column);
    }
    static void keys(std::initializer_list<UINT> vks)
    {
        for (UINT vk : vks)
            plat::headless::keyPress(vk);
        pump();
    }
    static void shifted(UINT vk)
    {
        plat::headless::key(VK_LSHIFT, true);
        plat::headless::keyPress(vk);
        plat::headless::key(VK_LSHIFT, false);
        pump();
    }
    static void type(const char* text)
    {
        plat::headless::typeText(text);
        pump();
    }
    static std::string text(guiEdit& e) { return e.tcGetText().c_str(); }

    InsertState state;
    Calls calls;
    std::vector<std::unique_ptr<guiEdit>> edits;
};

TEST_F(EditBed, WindowClassStyleAndInitialState)
{
    guiEdit& edit = addEdit("");
    EXPECT_EQ(edit.GetStyle(), 0x56000000u);
    EXPECT_EQ(edit.GetCaretPos(), 1);
    EXPECT_EQ(edit.tcGetMaxLength(), -1);
    EXPECT_EQ(edit.GetLinkArg(), -1);
    EXPECT_EQ(edit.tcGetTextColor(), vbColor(0x80000008));
    EXPECT_EQ(edit.tcGetMouseCursor(), &guiCursor_Text);
    EXPECT_TRUE(edit.tcHasToolTip());
}

TEST_F(EditBed, TypingReplacesSelectionsAndOverwrites)
{
    guiEdit& edit = addEdit("abcdef");
    focusAt(edit, 2);
    shifted(VK_RIGHT);
    type("x");
    EXPECT_EQ(text(edit), "axcdef") << "one selected character replaced";
    EXPECT_EQ(edit.GetCaretPos(), 3);

    shifted(VK_RIGHT);
    shifted(VK_RIGHT);
    shifted(VK_RIGHT);
    type("y");
    EXPECT_EQ(text(edit), "axyf") << "first replaced, two deleted";
    EXPECT_EQ(edit.GetCaretPos(), 4);

    state.insert = false;
    type("z");
    EXPECT_EQ(text(edit), "axyz") << "overwrite replaces at the caret";
    EXPECT_EQ(edit.GetCaretPos(), 5);
    EXPECT_EQ(calls.texts.back(), "axyz");
}

TEST_F(EditBed, FullFieldHandsTheCharacterToTheFieldCallback)
{
    guiEdit& edit = addEdit("abc", 3);
    focusAt(edit, 4);
    const unsigned beeps = plat::messageBeepCount();
    type("d");
    EXPECT_EQ(text(edit), "abc");
    ASSERT_EQ(calls.fields.size(), 1u);
    EXPECT_EQ(calls.fields[0], (Calls::Field{false, 0, 'd', 4}));
    EXPECT_EQ(plat::messageBeepCount(), beeps + 1);

    calls.answer = true;
    type("e");
    EXPECT_EQ(plat::messageBeepCount(), beeps + 1) << "a taking callback suppresses the beep";

    edit.SetReadOnly(true);
    type("f");
    EXPECT_EQ(plat::messageBeepCount(), beeps + 2);
    EXPECT_EQ(calls.fields.size(), 2u);
}

TEST_F(EditBed, UpperModeRaisesLettersOnly)
{
    guiEdit& edit = addEdit("");
    edit.SetUpper(true);
    focusAt(edit, 1);
    type("a1 b\xC3\xA9");
    EXPECT_EQ(text(edit), "A1 B\xC3\xA9");
}

TEST_F(EditBed, ChainPushesAndPullsAcrossFields)
{
    guiEdit& first = addEdit("abc", 3);
    guiEdit& second = addEdit("de", 3);
    first.LinkNextEdit(&second);
    focusAt(first, 1);
    type("x");
    EXPECT_EQ(text(first), "xab");
    EXPECT_EQ(text(second), "cde");
    keys({VK_LEFT, VK_DELETE});
    EXPECT_EQ(text(first), "abc");
    EXPECT_EQ(text(second), "de");
}

TEST_F(EditBed, ChainedInsertIsJudgedByTheInsertionPoint)
{
    guiEdit& first = addEdit("abc", 3);
    guiEdit& second = addEdit("def", 3);
    guiEdit& third = addEdit("gh", 3);
    first.LinkNextEdit(&second);
    second.LinkNextEdit(&third);
    focusAt(second, 4);
    focusAt(first, 1);
    const unsigned beeps = plat::messageBeepCount();
    type("x");
    EXPECT_EQ(text(first), "xab");
    EXPECT_EQ(text(second), "cde");
    EXPECT_EQ(text(third), "fgh");
    EXPECT_EQ(plat::messageBeepCount(), beeps);
}

TEST_F(EditBed, LinkedTextAcrossTheChain)
{
    guiEdit& first = addEdit("ab", 3);
    guiEdit& second = addEdit("cdef", 3);
    guiEdit& third = addEdit("g", 2);
    first.LinkNextEdit(&second);
    second.LinkNextEdit(&third);
    EXPECT_TRUE(first.IsMasterEdit());
    EXPECT_TRUE(third.IsSlaveEdit());
    EXPECT_EQ(third.GetMasterEdit(), &first);
    EXPECT_EQ(std::string(third.GetLinkedText().c_str()), "ab cdeg") << "padded to the column, cut to the field";
    EXPECT_EQ(second.GetLinkedMaxLength(), 8);
    third.tcSetValueJ(5);
    EXPECT_EQ(second.GetLinkedMaxLengthOrig(), 11);
    EXPECT_EQ(std::string(second.GetRelLinkedText(1, 3).c_str()), "cd");

    second.SetLinkedText("123456789");
    EXPECT_EQ(text(first), "123");
    EXPECT_EQ(text(second), "456");
    EXPECT_EQ(text(third), "78");
    second.SetLinkedModified(false);
    EXPECT_FALSE(first.GetLinkedModified());
    third.tcSetText("x");
    EXPECT_TRUE(first.GetLinkedModified());

    second.UnlinkEdit();
    EXPECT_FALSE(second.HasSlaveEdits());
    EXPECT_EQ(third.GetMasterEdit(), &first);
}

TEST_F(EditBed, HomeAndEndMoveTheFocusAlongTheChain)
{
    guiEdit& first = addEdit("abc", 3);
    guiEdit& second = addEdit("de", 3);
    guiEdit& third = addEdit("", 3);
    first.LinkNextEdit(&second);
    second.LinkNextEdit(&third);
    focusAt(first, 2);
    keys({VK_END});
    EXPECT_EQ(GetFocus(), second.GetSafeHwnd()) << "the last non-empty field";
    EXPECT_EQ(second.GetCaretPos(), 3);
    keys({VK_HOME});
    EXPECT_EQ(GetFocus(), first.GetSafeHwnd());
    EXPECT_EQ(first.GetCaretPos(), 1);
}

TEST_F(EditBed, KeysAtTheEdgesGoToTheFieldCallback)
{
    guiEdit& edit = addEdit("ab");
    focusAt(edit, 1);
    const unsigned beeps = plat::messageBeepCount();
    keys({VK_LEFT, VK_END, VK_RIGHT, VK_TAB, VK_UP, VK_DOWN, VK_HOME, VK_BACK});
    const std::vector<Calls::Field> expected{{false, VK_LEFT, 0, 1}, {false, VK_RIGHT, 0, 3}, {false, VK_TAB, 0, 3},
        {false, VK_UP, 0, 3}, {false, VK_DOWN, 0, 3}, {false, VK_BACK, 0, 1}};
    EXPECT_EQ(calls.fields, expected);
    EXPECT_EQ(plat::messageBeepCount(), beeps + 3) << "Left, Right and Backspace refused";
    EXPECT_EQ(edit.GetCaretPos(), 1);
}

TEST_F(EditBed, ShiftArrowsSelectAndEditingKeysDelete)
{
    guiEdit& edit = addEdit("abcde");
    focusAt(edit, 4);
    shifted(VK_LEFT);
    shifted(VK_LEFT);
    EXPECT_EQ(edit.tcGetSelStart(), 1);
    EXPECT_EQ(edit.tcGetSelLength(), 2);
    EXPECT_EQ(std::string(edit.tcGetSelText().c_str()), "bc");
    keys({VK_BACK});
    EXPECT_EQ(text(edit), "ade");
    EXPECT_EQ(edit.GetCaretPos(), 2);
    keys({VK_BACK, VK_DELETE});
    EXPECT_EQ(text(edit), "e");
}

TEST_F(EditBed, SelectionOperations)
{
    guiEdit& edit = addEdit("abcde");
    edit.tcSetSelStart(2);
    EXPECT_EQ(edit.GetSelAnchor(), 3);
    EXPECT_EQ(edit.GetSelEnd(), 3);
    EXPECT_EQ(edit.GetCaretPos(), 3);
    edit.tcSetSelLength(2);
    EXPECT_EQ(std::string(edit.tcGetSelText().c_str()), "cd");
    EXPECT_EQ(edit.tcGetSelStart(), 2);
    edit.SendMessage(WM_CLEAR);
    EXPECT_EQ(edit.tcGetSelLength(), 0);
    EXPECT_EQ(text(edit), "abcde");
    edit.tcSelAll();
    EXPECT_EQ(std::string(edit.tcGetSelText().c_str()), "abcde");
}

TEST_F(EditBed, Utf8CharactersStayWhole)
{
    guiEdit& edit = addEdit("", 3);
    focusAt(edit, 1);
    const unsigned beeps = plat::messageBeepCount();
    type("\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(text(edit), "\xC3\xA9") << "the euro sign does not fit and is refused whole";
    EXPECT_EQ(plat::messageBeepCount(), beeps + 1);
    keys({VK_LEFT});
    EXPECT_EQ(edit.GetCaretPos(), 1);
    keys({VK_RIGHT});
    EXPECT_EQ(edit.GetCaretPos(), 3);
    type("a");
    keys({VK_LEFT, VK_BACK});
    EXPECT_EQ(text(edit), "a");
}

TEST_F(EditBed, ChainPushMovesWholeSequences)
{
    guiEdit& first = addEdit("ab\xC3\xA9", 4);
    guiEdit& second = addEdit("", 4);
    first.LinkNextEdit(&second);
    focusAt(first, 1);
    type("x");
    EXPECT_EQ(text(first), "xab");
    EXPECT_EQ(text(second), "\xC3\xA9");
}

TEST_F(EditBed, FieldGivingItsFirstCharacterKeepsItsCaretInside)
{
    guiEdit& first = addEdit("ab", 3);
    guiEdit& second = addEdit("cde", 3);
    first.LinkNextEdit(&second);
    focusAt(second, 4);
    focusAt(first, 3);
    keys({VK_BACK});
    EXPECT_EQ(text(first), "a c") << "the fixed-width field takes the character at its end";
    EXPECT_EQ(text(second), "de");
    EXPECT_EQ(second.GetCaretPos(), 3) << "no position past the shortened text";
    EXPECT_EQ(second.GetSelAnchor(), 3);
    first.UnlinkEdit();
}

TEST_F(EditBed, ShiftHomeAndEndSelectToTheEnds)
{
    guiEdit& edit = addEdit("abcde");
    focusAt(edit, 3);
    shifted(VK_HOME);
    EXPECT_EQ(std::string(edit.tcGetSelText().c_str()), "ab");
    EXPECT_EQ(edit.GetCaretPos(), 1);
    shifted(VK_END);
    EXPECT_EQ(std::string(edit.tcGetSelText().c_str()), "cde") << "the anchor stays where the selection began";
    keys({VK_END});
    EXPECT_EQ(edit.tcGetSelLength(), 0);
}

TEST_F(EditBed, ClipboardCopyCutAndPaste)
{
    guiEdit& edit = addEdit("hello", 8);
    focusAt(edit, 2);
    edit.Copy();
    EXPECT_EQ(plat::headless::clipboardText(), "hello") << "the whole text without a selection";
    shifted(VK_RIGHT);
    shifted(VK_RIGHT);
    edit.SendMessage(WM_CUT);
    EXPECT_EQ(plat::headless::clipboardText(), "el");
    EXPECT_EQ(text(edit), "hlo");

    plat::headless::setClipboardText("a\tb\r\n");
    const unsigned beeps = plat::messageBeepCount();
    edit.Paste();
    EXPECT_EQ(text(edit), "ha b  lo") << "controls become spaces";
    EXPECT_EQ(plat::messageBeepCount(), beeps);
    edit.Paste();
    EXPECT_EQ(text(edit), "ha b  lo") << "a full field takes nothing in insert mode";
    EXPECT_EQ(plat::messageBeepCount(), beeps + 1);
}

TEST_F(EditBed, OverlongPasteIsCutAndEmptyClipboardThrows)
{
    guiEdit& edit = addEdit("ab", 4);
    focusAt(edit, 3);
    plat::headless::setClipboardText("xyz");
    const unsigned beeps = plat::messageBeepCount();
    edit.Paste();
    EXPECT_EQ(text(edit), "abxy");
    EXPECT_EQ(plat::messageBeepCount(), beeps + 1);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    try {
        edit.Paste();
        FAIL() << "no text";
    } catch (vbEuser* e) {
        EXPECT_STREQ(e->GetMsg(), "Can't perform paste operation: clipboard doesn't contain text !");
        e->Delete();
    }
}

TEST_F(EditBed, PasteInOverwriteModeReplacesTheCharactersUnderTheCaret)
{
    guiEdit& edit = addEdit("abcdef", 6);
    focusAt(edit, 2);
    state.insert = false;
    plat::headless::setClipboardText("xy");
    edit.Paste();
    EXPECT_EQ(text(edit), "axydef");
    EXPECT_EQ(edit.GetCaretPos(), 4);
    edit.Paste();
    EXPECT_EQ(text(edit), "axyxyf") << "a full field still takes an overwrite";
    plat::headless::setClipboardText("123");
    edit.Paste();
    EXPECT_EQ(text(edit), "axyxy1") << "what passes the end is cut";
}

TEST_F(EditBed, CutKeepsTheTextWhenTheClipboardRefusesIt)
{
    guiEdit& edit = addEdit("hello");
    edit.tcSetSelStart(1);
    edit.tcSetSelLength(3);
    vntTestFailNextClipboardData(1);
    try {
        edit.Cut();
        FAIL() << "the clipboard refused the text";
    } catch (vbEsys* e) {
        EXPECT_STREQ(e->GetMsg(), "guiEdit::Copy() : copy to clipboard failure");
        e->Delete();
    }
    EXPECT_EQ(text(edit), "hello");
    EXPECT_EQ(std::string(edit.tcGetSelText().c_str()), "ell");
}

TEST_F(EditBed, PasswordFieldDoesNotCopyItsText)
{
    guiEdit& edit = addEdit("secret");
    edit.SetPasswordChar('*');
    plat::headless::setClipboardText("before");
    const unsigned beeps = plat::messageBeepCount();
    edit.Copy();
    EXPECT_EQ(plat::headless::clipboardText(), "before");
    EXPECT_EQ(plat::messageBeepCount(), beeps + 1);
}

// Where the caret stands on screen, in the edit's client coordinates.
int caretX() { return plat::headless::caret().pos.x; }

TEST_F(EditBed, FocusPutsTheCaretAtTheStartAndInsertTogglesItsShape)
{
    guiEdit& edit = addEdit("abc");
    focusAt(edit, 1);
    EXPECT_TRUE(edit.HasCaret());
    EXPECT_EQ(plat::headless::caret().owner, edit.GetSafeHwnd());
    EXPECT_EQ(plat::headless::caret().size.cx, 1) << "insert shape";
    keys({VK_INSERT});
    EXPECT_FALSE(state.insert);
    EXPECT_EQ(plat::headless::caret().size.cx, 3) << "overwrite shape: a quarter of the width of Mp";
    keys({VK_INSERT});
    EXPECT_EQ(plat::headless::caret().size.cx, 1);
    EXPECT_FALSE(edit.tcHasToolTip());
}

TEST_F(EditBed, FocusListenerHearsTheCaretTakenAndTheEditDestroyed)
{
    struct Listener : sIguiFocused {
        void OnCaretTaken(TControl* control) override { calls.push_back({1, control}); }
        void OnControlDestroyed(TControl* control) override { calls.push_back({3, control}); }
        std::vector<std::pair<int, TControl*>> calls;
    } listener;
    guiEdit& edit = addEdit("abc");
    guiEdit& other = addEdit("def");
    edit.SetFocused(&listener);
    focusAt(edit, 1);
    focusAt(other, 1);
    focusAt(edit, 1);
    const std::vector<std::pair<int, TControl*>> taken{{1, &edit}, {1, &edit}};
    EXPECT_EQ(listener.calls, taken);
    edit.DestroyWindow();
    pump();
    ASSERT_EQ(listener.calls.size(), 3u);
    EXPECT_EQ(listener.calls.back(), std::make_pair(3, static_cast<TControl*>(&edit)));
}

TEST_F(EditBed, ClickPlacesTheCaretBeforeOrAfterTheCharacterHit)
{
    guiEdit& edit = addEdit("abcdef");
    focusAt(edit, 1);
    const int origin = caretX();
    CRect r;
    edit.GetWindowRect(&r);
    const struct {
        int dx;
        int caret;
    } cases[] = {{3, 1}, {10, 2}, {14, 3}, {-2, 1}, {100, 7}};
    for (const auto& c : cases) {
        plat::headless::mouseMove(r.left + origin + c.dx, r.top + 8);
        plat::headless::mouseButton(0, true);
        plat::headless::mouseButton(0, false);
        pump();
        EXPECT_EQ(edit.GetCaretPos(), c.caret) << c.dx;
        EXPECT_EQ(caretX(), origin + 7 * (c.caret - 1)) << c.dx;
    }
}

TEST_F(EditBed, DragSelects)
{
    guiEdit& edit = addEdit("abcdef");
    focusAt(edit, 1);
    const int origin = caretX();
    CRect r;
    edit.GetWindowRect(&r);
    plat::headless::mouseMove(r.left + origin + 8, r.top + 8);
    plat::headless::mouseButton(0, true);
    plat::headless::mouseMove(r.left + origin + 29, r.top + 8);
    plat::headless::mouseButton(0, false);
    pump();
    EXPECT_EQ(std::string(edit.tcGetSelText().c_str()), "bcd");
}

TEST_F(EditBed, TypingPastTheRightEdgeScrollsAndHomeScrollsBack)
{
    guiEdit& edit = addEdit("", -1, 80);
    focusAt(edit, 1);
    const int origin = caretX();
    CRect client;
    edit.GetClientRect(&client);
    type("abcdefghijklmnopqrst");
    EXPECT_EQ(edit.GetCaretPos(), 21);
    EXPECT_LT(caretX(), client.right - 1);
    EXPECT_GT(caretX(), client.right - 14) << "scrolled by whole characters only as far as needed";
    EXPECT_EQ((caretX() - origin) % 7, 0);
    keys({VK_HOME});
    EXPECT_EQ(caretX(), origin);
}

// Types until the text scrolls and answers the last caret x before it did.
int lastCaretXBeforeScrolling()
{
    int last = caretX();
    for (int k = 0; k < 40; ++k) {
        plat::headless::typeText("m");
        plat::headless::pumpUntilIdle();
        if (caretX() != last + 7)
            return last;
        last = caretX();
    }
    return -1;
}

TEST_F(EditBed, CaretReachesTheTextRightBeforeScrollingAndFurtherWithAPopupArea)
{
    struct Popup : vbBase {
        bool onPopup(guiEdit&) { return true; }
    } popup;
    // Seven widths in a row put the limit on every pixel of a character cell once.
    for (int width = 60; width < 67; ++width) {
        for (bool withPopup : {false, true}) {
            guiEdit& edit = addEdit("", -1, width);
            if (withPopup)
                edit.SetPopupCb(guiEDITpopupCB(&popup, &Popup::onPopup));
            focusAt(edit, 1);
            const int inset = caretX() - 1;
            CRect client;
            edit.GetClientRect(&client);
            const int textRight = client.right - inset - (withPopup ? 6 : 0);
            const int limit = withPopup ? textRight + 3 : textRight - 2;
            const int last = lastCaretXBeforeScrolling();
            EXPECT_LE(last, limit) << width << " popup " << withPopup;
            EXPECT_GT(last + 7, limit) << width << " popup " << withPopup;
            edits.clear();
            pump();
        }
    }
}

TEST_F(EditBed, SelectionBeginningLeftOfTheFirstVisibleCharacterIsDrawnFromTheLeft)
{
    guiEdit& edit = addEdit("", -1, 80);
    focusAt(edit, 1);
    const int origin = caretX();
    type("abcdefghijklmnopqrst");
    edit.tcSelAll();
    pump();
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const int y = plat::headless::caret().pos.y + 3;
    bool selected = false;
    for (int x = origin; x < origin + 7; ++x)
        selected |= pixel(edit, x, y) == highlight;
    EXPECT_TRUE(selected) << "the first visible character is drawn selected";
}

TEST_F(EditBed, PopupAreaTakesClicksAndShowsItsCursor)
{
    guiEdit& edit = addEdit("abc");
    int popups = 0;
    struct Popup : vbBase {
        bool onPopup(guiEdit&)
        {
            ++*count;
            return true;
        }
        int* count = nullptr;
    } popup;
    popup.count = &popups;
    edit.SetPopupCb(guiEDITpopupCB(&popup, &Popup::onPopup));
    pump();
    CRect r;
    edit.GetWindowRect(&r);
    plat::headless::mouseMove(r.right - 5, r.top + 8);
    pump();
    EXPECT_EQ(edit.tcGetMouseCursor(), &guiCursor_Arrow);
    plat::headless::mouseButton(0, true);
    plat::headless::mouseButton(0, false);
    pump();
    EXPECT_EQ(popups, 1);
    plat::headless::mouseMove(r.left + 20, r.top + 8);
    pump();
    EXPECT_EQ(edit.tcGetMouseCursor(), &guiCursor_Text);
}

TEST_F(EditBed, BlinkColourAlternatesOnTheLibraryTimer)
{
    guiEdit& edit = addEdit("a");
    edit.tcSetTextColor(vbColor(RGB(0, 0, 0)));
    focusAt(edit, 2);
    const int origin = caretX() - 7;
    const int y = plat::headless::caret().pos.y + 5;
    pump();
    EXPECT_EQ(pixel(edit, origin + 3, y), RGB(0, 0, 0));
    edit.SetBlinkForeColor(vbColor(RGB(255, 0, 0)));
    std::vector<COLORREF> seen;
    for (int k = 0; k < 4; ++k) {
        advance(450);
        seen.push_back(pixel(edit, origin + 3, y));
    }
    EXPECT_NE(std::find(seen.begin(), seen.end(), RGB(255, 0, 0)), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), RGB(0, 0, 0)), seen.end());
}

TEST_F(EditBed, PasswordFieldShowsOnlyItsCharacter)
{
    guiEdit& plain = addEdit("ab");
    guiEdit& hidden = addEdit("ab");
    hidden.SetPasswordChar('*');
    pump();
    bool differs = false;
    for (int x = 0; x < 30; ++x)
        for (int y = 0; y < 20; ++y)
            differs |= pixel(plain, x, y) != pixel(hidden, x, y);
    EXPECT_FALSE(differs) << "the fixed test font draws every visible character alike";
    hidden.tcSetText("a b");
    plain.tcSetText("a b");
    pump();
    for (int x = 0; x < 30; ++x)
        for (int y = 0; y < 20; ++y)
            differs |= pixel(plain, x, y) != pixel(hidden, x, y);
    EXPECT_TRUE(differs) << "the space is shown as a password character";
}

// What WM_PRINTCLIENT draws into a memory bitmap of the edit's client size.
std::vector<COLORREF> printed(guiEdit& edit)
{
    CRect client;
    edit.GetClientRect(&client);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.Width();
    info.bmiHeader.biHeight = -client.Height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    edit.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    std::vector<COLORREF> pixels;
    for (int i = 0; i < client.Width() * client.Height(); ++i) {
        const uint32_t v = static_cast<const uint32_t*>(bits)[i];
        pixels.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return pixels;
}

TEST_F(EditBed, PrintOfAPasswordFieldShowsOnlyItsCharacter)
{
    guiEdit& plain = addEdit("a b");
    guiEdit& hidden = addEdit("a b");
    guiEdit& stars = addEdit("***");
    hidden.SetPasswordChar('*');
    pump();
    EXPECT_NE(printed(plain), printed(hidden));
    EXPECT_EQ(printed(stars), printed(hidden));
}

} // namespace
