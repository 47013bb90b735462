#include "UiTestSupport.h"

#include "dialog/DialogTemplate.h"

#include "testsupport/DialogPump.h"

#include "plat/afxwin.h"
#include "plat/dialog.h"
#include "plat/errors.h"
#include "plat/headless.h"
#include "plat/keyboard.h"
#include "plat/termination.h"
#include "plat/module.h"
#include "plat/msgbox.h"
#include "plat/resource.h"
#include "plat/testhooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>
#include <unistd.h>
#include <vector>

using plat::headless::keyPress;
using vnt::test::pumpDialog;
using vnt::test::ScopedClass;

namespace {

// What the test controls and the dialog procedure saw: (control id or 0 for the dialog, message).
std::vector<std::pair<int, UINT>> g_seen;
std::vector<WPARAM> g_commands;
int g_liveControls = 0;

LRESULT CALLBACK TestControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CREATE)
        ++g_liveControls;
    if (msg == WM_NCDESTROY)
        --g_liveControls;
    if (msg == WM_SETFONT)
        g_seen.push_back({GetDlgCtrlID(hwnd), msg});
    if (msg == WM_GETDLGCODE)
        return GetWindowLongPtrA(hwnd, GWLP_USERDATA);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

INT_PTR CALLBACK RecordingDlgProc(HWND, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_INITDIALOG) {
        g_seen.push_back({GetDlgCtrlID(HWND(wParam)), msg});
        return TRUE;
    }
    if (msg == WM_COMMAND) {
        g_commands.push_back(LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

void press(HWND hDlg, UINT vk, bool shift = false)
{
    if (shift)
        plat::headless::key(VK_SHIFT, true);
    keyPress(vk);
    if (shift)
        plat::headless::key(VK_SHIFT, false);
    pumpDialog(hDlg);
}

class DialogTest : public ::testing::Test {
protected:
    ScopedClass controls{"DlgTestControl", TestControlProc};
    void SetUp() override
    {
        g_seen.clear();
        g_commands.clear();
        g_liveControls = 0;
    }
    HWND create(const char* name)
    {
        return CreateDialogParamA(GetModuleHandleA(nullptr), name, nullptr, RecordingDlgProc, 0);
    }
};

TEST_F(DialogTest, ControlsAreMadeInOrderAndSizedInDialogUnitsOfTheDialogFont)
{
    HWND hDlg = create("navigation");
    ASSERT_NE(hDlg, nullptr);
    const std::vector<std::pair<int, UINT>> expected = {{10, WM_SETFONT}, {11, WM_SETFONT}, {12, WM_SETFONT},
        {13, WM_SETFONT}, {14, WM_SETFONT}, {10, WM_INITDIALOG}};
    EXPECT_EQ(g_seen, expected);

    RECT client;
    GetClientRect(hDlg, &client);
    EXPECT_EQ(client.right, 560) << "320 units of a 7 px wide font";
    EXPECT_EQ(client.bottom, 327) << "201 units of a 13 px high font";
    RECT units{7, 7, 57, 21};
    ASSERT_TRUE(MapDialogRect(hDlg, &units));
    RECT first;
    GetWindowRect(GetDlgItem(hDlg, 10), &first);
    MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&first), 2);
    EXPECT_TRUE(EqualRect(&units, &first));
    EXPECT_EQ(GetFocus(), GetDlgItem(hDlg, 10));
    DestroyWindow(hDlg);
}

TEST_F(DialogTest, TabSkipsDisabledAndHiddenControlsAndWraps)
{
    HWND hDlg = create("navigation");
    ASSERT_NE(hDlg, nullptr);
    ShowWindow(GetDlgItem(hDlg, 13), SW_HIDE);
    struct Step {
        UINT vk;
        bool shift;
        int focus;
    } steps[] = {{VK_TAB, false, 14}, {VK_TAB, false, 10}, {VK_TAB, true, 14}, {VK_TAB, true, 10}};
    for (const Step& s : steps) {
        press(hDlg, s.vk, s.shift);
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), s.focus) << (s.shift ? "Shift+Tab" : "Tab");
    }
    SetWindowLongPtrA(GetDlgItem(hDlg, 10), GWLP_USERDATA, DLGC_WANTTAB);
    press(hDlg, VK_TAB);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 10) << "a control that wants Tab keeps it";
    DestroyWindow(hDlg);
}

TEST_F(DialogTest, EnterEscapeAndCloseBecomeCommands)
{
    HWND hDlg = create("navigation");
    ASSERT_NE(hDlg, nullptr);
    press(hDlg, VK_RETURN);
    SendMessageA(hDlg, DM_SETDEFID, 14, 0);
    EXPECT_EQ(SendMessageA(hDlg, DM_GETDEFID, 0, 0), LRESULT(MAKELONG(14, DC_HASDEFID)));
    press(hDlg, VK_RETURN);
    press(hDlg, VK_ESCAPE);
    SendMessageA(hDlg, WM_CLOSE, 0, 0);
    EXPECT_EQ(g_commands, (std::vector<WPARAM>{IDOK, 14, IDCANCEL, IDCANCEL}));
    EXPECT_TRUE(IsWindow(hDlg)) << "closing only asks the dialog to cancel";
    SetWindowLongPtrA(GetDlgItem(hDlg, 14), GWLP_USERDATA, DLGC_WANTALLKEYS);
    SetFocus(GetDlgItem(hDlg, 14));
    g_commands.clear();
    press(hDlg, VK_RETURN);
    EXPECT_TRUE(g_commands.empty());
    DestroyWindow(hDlg);
}

TEST_F(DialogTest, AControlThatCannotBeMadeFailsTheDialogAndLeavesNothing)
{
    SetLastError(0);
    EXPECT_EQ(create("unknown"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
    EXPECT_EQ(g_liveControls, 0);
}

TEST_F(DialogTest, EveryCutOfACompiledTemplateIsRefused)
{
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC res = FindResourceA(self, "navigation", RT_DIALOG);
    ASSERT_NE(res, nullptr);
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(self, res)));
    const size_t size = SizeofResource(self, res);
    auto whole = plat::dialog::parseTemplate(data, size);
    ASSERT_TRUE(whole.has_value());
    EXPECT_TRUE(whole->extended);
    EXPECT_EQ(whole->face, "MS Sans Serif");
    ASSERT_EQ(whole->items.size(), 5u);
    EXPECT_EQ(whole->items[4].text.name, "last");
    for (size_t cut = 0; cut < size - 1; ++cut) // the last item's creation-data count ends it
        EXPECT_FALSE(plat::dialog::parseTemplate(data, cut).has_value()) << cut;
}

TEST(DialogTemplate, PlainTemplatesOrdinalsAndCountsBeyondTheData)
{
    // DLGTEMPLATE, no font, one item of class 0x82 with the ordinal text 5.
    std::vector<BYTE> bytes = {0, 0, 0, 0x80, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 10, 0, 10, 0, 0, 0, 0, 0, 0, 0,
        /* item */ 3, 0, 0, 0x50, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 5, 0, 7, 0, 0xFF, 0xFF, 0x82, 0, 0xFF, 0xFF, 5, 0, 0, 0};
    auto t = plat::dialog::parseTemplate(bytes.data(), bytes.size());
    ASSERT_TRUE(t.has_value());
    EXPECT_FALSE(t->extended);
    ASSERT_EQ(t->items.size(), 1u);
    EXPECT_EQ(t->items[0].id, 7u);
    EXPECT_STREQ(plat::dialog::ordinalClassName(t->items[0].windowClass.ordinal), "Static");
    EXPECT_TRUE(t->items[0].text.isOrdinal);
    EXPECT_EQ(t->items[0].text.ordinal, 5);
    bytes[8] = 2; // two items announced, one present
    EXPECT_FALSE(plat::dialog::parseTemplate(bytes.data(), bytes.size()).has_value());
}

// The modal dialog of the framework, driven by posted messages and its owner's idle messages.
class ModalDialog : public CDialog {
public:
    using CDialog::CDialog;
    BOOL ownerEnabledInside = TRUE;
    bool okCalled = false;
    bool keepOnOk = false;
    bool quitInside = false;
    bool pressEnter = false;
    std::atomic<HWND> made{nullptr};

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        ownerEnabledInside = m_pParentWnd->IsWindowEnabled();
        if (quitInside)
            PostQuitMessage(3);
        if (pressEnter)
            keyPress(VK_RETURN); // reaches the focused control before the loop first goes idle
        made = m_hWnd;
        return TRUE;
    }
    void OnOK() override
    {
        okCalled = true;
        if (!keepOnOk)
            CDialog::OnOK();
    }
    LRESULT OnFinish(WPARAM wParam, LPARAM)
    {
        EndDialog(int(wParam));
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ModalDialog, CDialog)
    ON_MESSAGE(WM_USER + 1, OnFinish)
END_MESSAGE_MAP()

// An owner that ends the dialog with 7 the first time the dialog's loop goes idle.
class OwnerWnd : public CWnd {
public:
    int enterIdle = 0;
    int idleResult = 7;

protected:
    LRESULT OnEnterIdle(WPARAM, LPARAM lParam)
    {
        if (enterIdle++ == 0)
            ::PostMessageA(HWND(lParam), WM_USER + 1, WPARAM(idleResult), 0);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(OwnerWnd, CWnd)
    ON_MESSAGE(WM_ENTERIDLE, OnEnterIdle)
END_MESSAGE_MAP()

class ModalTest : public DialogTest {
protected:
    OwnerWnd owner;
    void SetUp() override
    {
        DialogTest::SetUp();
        ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
        owner.SetActiveWindow();
    }
    void TearDown() override { owner.DestroyWindow(); }
};

TEST_F(ModalTest, TheOwnerIsDisabledWhileTheDialogRunsAndActiveAgainAfterIt)
{
    ModalDialog dlg("modal", &owner);
    EXPECT_EQ(dlg.DoModal(), 7);
    EXPECT_FALSE(dlg.ownerEnabledInside);
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_EQ(GetActiveWindow(), owner.m_hWnd);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(owner.enterIdle, 1);
}

TEST_F(ModalTest, AQuitInsideEndsTheDialogWithMinusOneAndStaysQueued)
{
    ModalDialog dlg("modal", &owner);
    dlg.quitInside = true;
    EXPECT_EQ(dlg.DoModal(), -1);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(3));
}

// A dialog that, once its loop runs, opens a second one in which the process gets SIGTERM.
class SignalledDialog : public CDialog {
public:
    using CDialog::CDialog;
    bool inner = false;
    INT_PTR innerResult = 0;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (inner)
            kill(getpid(), SIGTERM);
        else
            PostMessage(WM_USER + 2);
        return TRUE;
    }
    LRESULT OnOpenInner(WPARAM, LPARAM)
    {
        SignalledDialog second("modal", this);
        second.inner = true;
        innerResult = second.DoModal();
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SignalledDialog, CDialog)
    ON_MESSAGE(WM_USER + 2, OnOpenInner)
END_MESSAGE_MAP()

// SIGTERM ends the modal loops from the innermost outward as a quit does, and the quit is left
// for the thread's own loop; the next such signal would take the system's way.
TEST_F(ModalTest, ATerminationSignalEndsEveryModalLoopWithAQuit)
{
    ASSERT_TRUE(vntQuitOnTerminationSignals());
    struct Restore {
        ~Restore() { vntTestStopQuitOnTerminationSignals(); }
    } restore;
    SignalledDialog dlg("modal", &owner);
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_EQ(dlg.innerResult, -1);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(0));
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
    // A box asked on the way out answers as Escape would, without showing.
    plat::setMessageBoxAnswer(IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "Delete?", "Question", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Go on?", "Question", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "Done.", "Note", MB_OK), IDOK);
    EXPECT_TRUE(plat::messageBoxRecords().empty());
    plat::resetMessageBoxPolicy();
}

TEST_F(ModalTest, NoIdleMessagesWithDsNoIdleMsg)
{
    ModalDialog dlg("quiet", &owner);
    // Another thread ends it once it waits for input; its loop never went idle on its own.
    std::thread ender([&dlg] {
        while (!dlg.made)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::PostMessageA(dlg.made, WM_USER + 1, 9, 0);
    });
    EXPECT_EQ(dlg.DoModal(), 9);
    ender.join();
    EXPECT_EQ(owner.enterIdle, 0);
}

TEST_F(ModalTest, AnEmptyOnOkKeepsTheDialogOnEnter)
{
    ModalDialog dlg("modal", &owner);
    dlg.keepOnOk = true;
    dlg.pressEnter = true;
    owner.idleResult = 5;
    EXPECT_EQ(dlg.DoModal(), 5);
    EXPECT_TRUE(dlg.okCalled);
}

} // namespace
