#include "MsControlBed.h"

#include "guiMsEdit.h"

#include "LogFileReader.h"

#include "plat/msgbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using gui::test::CreationLayoutHelper;
using gui::test::MsControlBed;

// An edit whose own message map takes the reflected change notification, as a derived class may:
// it sees what the callback leaves to the default handling.
class ReflectingEdit : public guiMsEdit {
public:
    bool onEdit(guiMsEdit& edit)
    {
        texts.push_back(textOf(edit));
        return handle;
    }
    static std::string textOf(CWnd& wnd)
    {
        char text[64] = {};
        wnd.GetWindowText(text, sizeof text);
        return text;
    }

    std::vector<std::string> texts;
    bool handle = false;
    int reflectedChanges = 0;

protected:
    void OnChange() { ++reflectedChanges; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ReflectingEdit, guiMsEdit)
ON_CONTROL_REFLECT(EN_CHANGE, OnChange)
END_MESSAGE_MAP()

TEST_F(MsControlBed, EditIsCreatedWithItsStylesAndTheLayoutHelpersSay)
{
    CreationLayoutHelper helper;
    helper.addStyle = ES_PASSWORD;
    guiMsEdit edit;
    edit.tcSetLayoutHelper(&helper);
    place(edit, {10, 10, 160, 34});
    EXPECT_EQ(edit.GetStyle() & 0x10180, 0x10180u);
    EXPECT_NE(edit.GetExStyle() & WS_EX_CLIENTEDGE, 0u);
    // The helper comes after the edge was added, and what it changes holds.
    EXPECT_EQ(helper.asked, static_cast<TControl*>(&edit));
    EXPECT_NE(helper.exStyleSeen & WS_EX_CLIENTEDGE, 0u);
    EXPECT_TRUE(edit.tcIsTextProtected());

    guiMsEdit plain;
    place(plain, {10, 40, 160, 64});
    EXPECT_FALSE(plain.tcIsTextProtected());
    plain.SendMessage(EM_SETPASSWORDCHAR, '*', 0);
    EXPECT_TRUE(plain.tcIsTextProtected());
}

// Only a read-only edit, which just shows its text, offers the text in its tip, and only when its
// width cuts it; an edit that takes typing keeps its own tip.
TEST_F(MsControlBed, AReadOnlyEditCutByItsWidthShowsItsWholeTextInItsTip)
{
    const char* text = "a status longer than the box that shows it";
    struct Case {
        bool readOnly;
        int width;
        const char* tip;
    } cases[] = {{true, 120, text}, {true, 390, "own"}, {false, 120, "own"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + (c.readOnly ? " read-only" : " editable"));
        guiMsEdit edit;
        place(edit, {0, 0, c.width, 24});
        edit.tcSetToolTip("own", false);
        edit.SendMessage(EM_SETREADONLY, c.readOnly, 0);
        edit.tcSetText(text);
        bool track = false;
        int id = 0;
        EXPECT_EQ(std::string(edit.tcNeedToolTip(CPoint(5, 5), &track, &id).c_str()), c.tip);
        EXPECT_TRUE(track) << "the text may change under the mouse";
    }
}

TEST_F(MsControlBed, EditSelectionAndLimitMapOntoTheControl)
{
    guiMsEdit edit;
    place(edit, {10, 10, 160, 34});
    edit.tcSetText("abcdef");
    edit.SendMessage(EM_SETSEL, 1, 3);
    EXPECT_EQ(edit.tcGetSelStart(), 1);
    EXPECT_EQ(edit.tcGetSelLength(), 2);

    edit.tcSetSelStart(3);
    EXPECT_EQ(edit.SendMessage(EM_GETSEL, 0, 0), MAKELONG(3, 5));
    edit.tcSetSelLength(0);
    EXPECT_EQ(edit.SendMessage(EM_GETSEL, 0, 0), MAKELONG(3, 3));
    edit.tcSetSelLength(2);
    edit.tcSelClear();
    EXPECT_EQ(edit.tcGetText(), vbString("abcf"));

    edit.tcSetMaxLength(5);
    EXPECT_EQ(edit.tcGetMaxLength(), 5);
}

TEST_F(MsControlBed, EditCallbackRunsOnEveryNotificationAndMayEndIt)
{
    ReflectingEdit edit;
    edit.OnEditCB() = guiMSEDITCB(&edit, &ReflectingEdit::onEdit);
    guiMsEdit other;
    place(other, {10, 40, 160, 64});
    place(edit, {10, 10, 160, 34});

    clickAt(50, 20);
    ASSERT_EQ(GetFocus(), edit.GetSafeHwnd());
    EXPECT_FALSE(edit.texts.empty()) << "focus gained";
    edit.texts.clear();
    plat::headless::typeText("ab");
    pump();
    // Each character: its update and its change notification.
    EXPECT_EQ(edit.texts, (std::vector<std::string>{"a", "a", "ab", "ab"}));
    EXPECT_EQ(edit.reflectedChanges, 2);

    edit.texts.clear();
    other.SetFocus();
    pump();
    EXPECT_EQ(edit.texts, std::vector<std::string>{"ab"}) << "focus lost";

    edit.handle = true;
    edit.tcSetText("abc");
    pump();
    EXPECT_EQ(edit.reflectedChanges, 2) << "a true answer ends the notification";
    const WPARAM change = MAKEWPARAM(edit.GetDlgCtrlID(), EN_CHANGE);
    EXPECT_EQ(window->SendMessage(WM_COMMAND, change, reinterpret_cast<LPARAM>(edit.GetSafeHwnd())), 0);
    EXPECT_EQ(edit.reflectedChanges, 2);
}

TEST_F(MsControlBed, WrapperShowsAnExceptionUnderItsOwnNameAndAnswers0)
{
    struct Thrower : vbBase {
        bool onMouse(TControl*, UINT, const CPoint&) { throw new vbEsys(E_FAIL, "edit callback failure"); }
    } thrower;
    struct SizeThrower : guiMsEdit {
        bool onWindowProc(UINT& msg, WPARAM&, LPARAM&, LRESULT&) override
        {
            if (msg == WM_SIZE && armed)
                throw new vbEsys(E_FAIL, "edit size failure");
            return false;
        }
        bool armed = false;
    } edit;
    place(edit, {10, 10, 160, 34});
    edit.tcGetMouseDownCB() = guiMOUSECB(&thrower, &Thrower::onMouse);
    plat::resetMessageBoxPolicy();
    EXPECT_EQ(edit.SendMessage(WM_LBUTTONDOWN, 0, 0), 0);
    bool shown = false;
    for (const auto& box : plat::messageBoxRecords())
        shown = shown || box.text.find("edit callback failure") != std::string::npos;
    EXPECT_TRUE(shown);

    // Under the display lock the exception goes to the log, with the wrapper's source name.
    edit.armed = true;
    EXPECT_EQ(edit.SendMessage(WM_SIZE, 0, 0), 0);
    const std::string log = readLogFile();
    const auto at = log.find("edit size failure");
    ASSERT_NE(at, std::string::npos);
    EXPECT_NE(log.rfind("guiMsEdit(", at), std::string::npos);
}

TEST_F(MsControlBed, EditOutsideAnyContainerIsAPlainControl)
{
    guiMsEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(5, 5, 150, 29), window.get(), 7));
    EXPECT_EQ(edit.tcGetContainer(), nullptr);
    EXPECT_EQ(edit.GetApp(false), nullptr);
    edit.tcSetText("plain");
    edit.SendMessage(EM_SETSEL, 1, 4);
    EXPECT_EQ(edit.tcGetSelLength(), 3);
    EXPECT_EQ(edit.SendMessage(WM_SIZE, 0, 0), 0);
    clickAt(100, 15);
    plat::headless::typeText("!");
    pump();
    EXPECT_EQ(edit.tcGetText(), vbString("plain!"));
}

} // namespace
