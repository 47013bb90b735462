// The message box's window, driven by injected input step by step of a script.

#include "ModalScript.h"
#include "UiTestSupport.h"

#include "plat/controls.h"
#include "plat/dialog.h"
#include "plat/focus.h"
#include "plat/headless.h"
#include "plat/keyboard.h"
#include "plat/msgbox.h"
#include "plat/testhooks.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using vnt::test::modalScript;

std::vector<UINT>& ownerKeys()
{
    static std::vector<UINT> keys;
    return keys;
}

// The owner's focused control: every key that reaches it is a key the box let through.
LRESULT CALLBACK fieldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_KEYDOWN || msg == WM_CHAR || msg == WM_SYSKEYDOWN)
        ownerKeys().push_back(msg);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

std::string textOf(HWND hwnd)
{
    char buffer[256] = {};
    GetWindowTextA(hwnd, buffer, sizeof buffer);
    return buffer;
}

// The label of the box's focused button; empty when the focus is elsewhere.
std::string focusedButton(HWND box)
{
    HWND focus = GetFocus();
    return focus && GetParent(focus) == box ? textOf(focus) : std::string();
}

class MessageBoxWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat::resetMessageBoxPolicy();
        vntTestUseMessageBoxWindow(TRUE);
        owner = CreateWindowExA(0, ownerClass.name(), "owner", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr,
            nullptr, nullptr, nullptr);
        field = CreateWindowExA(0, fieldClass.name(), "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, owner, nullptr,
            nullptr, nullptr);
        SetActiveWindow(owner);
        SetFocus(field);
        plat::headless::pumpUntilIdle();
        modalScript().clear();
        ownerKeys().clear();
    }
    void TearDown() override
    {
        EXPECT_TRUE(modalScript().empty()) << "steps left";
        DestroyWindow(owner);
        vntTestUseMessageBoxWindow(FALSE);
        plat::resetMessageBoxPolicy();
    }

    vnt::test::ScopedClass ownerClass{"Box Owner", vnt::test::modalScriptOwnerProc};
    vnt::test::ScopedClass fieldClass{"Box Owner Field", fieldProc};
    HWND owner = nullptr;
    HWND field = nullptr;
};

// Keys pressed while the box is up are the box's: the focus starts on the default button, Tab and
// the arrows move it, Return presses the focused button; the owner sees none of them and has its
// focus back afterwards.
TEST_F(MessageBoxWindowTest, TheBoxOwnsTheKeyboardWhileItIsUp)
{
    std::vector<std::string> focusSteps;
    bool ownerEnabled = true;
    std::string caption;
    bool iconShown = false;
    modalScript() = {
        [&](HWND box) {
            caption = textOf(box);
            for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                iconShown = iconShown || SendMessageA(c, STM_GETICON, 0, 0) != 0;
            ownerEnabled = IsWindowEnabled(owner) != FALSE;
            focusSteps.push_back(focusedButton(box));
            plat::headless::keyPress(VK_TAB);
        },
        [&](HWND box) {
            focusSteps.push_back(focusedButton(box));
            plat::headless::keyPress(VK_RIGHT);
        },
        [&](HWND box) {
            focusSteps.push_back(focusedButton(box));
            plat::headless::keyPress(VK_LEFT);
        },
        [&](HWND box) {
            focusSteps.push_back(focusedButton(box));
            EXPECT_TRUE(SendMessageA(GetFocus(), BM_GETSTATE, 0, 0) & BST_FOCUS) << "the focus shows";
            plat::headless::typeText("x");
            plat::headless::keyPress(VK_RETURN);
        },
    };
    EXPECT_EQ(MessageBoxA(field, "Do you want to delete it?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(caption, "Question");
    EXPECT_TRUE(iconShown) << "the question mark";
    EXPECT_FALSE(ownerEnabled);
    EXPECT_EQ(focusSteps, (std::vector<std::string>{"Yes", "No", "Yes", "No"}));
    plat::headless::pumpUntilIdle();
    EXPECT_TRUE(ownerKeys().empty()) << ownerKeys().size() << " key messages reached the owner";
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetFocus(), field);
    EXPECT_TRUE(plat::messageBoxRecords().empty()) << "shown, not answered by the policy";
}

// Escape answers Cancel, else No, else the only button; a box without either keeps waiting.
TEST_F(MessageBoxWindowTest, EscapeAndReturnAnswerByTheButtonSet)
{
    const struct {
        UINT type;
        std::vector<UINT> keys;
        int answer;
    } cases[] = {
        {MB_YESNO, {VK_ESCAPE}, IDNO},
        {MB_OKCANCEL, {VK_ESCAPE}, IDCANCEL},
        {MB_YESNOCANCEL, {VK_ESCAPE}, IDCANCEL},
        {MB_OK, {VK_ESCAPE}, IDOK},
        {MB_ABORTRETRYIGNORE, {VK_ESCAPE, VK_RETURN}, IDABORT},
        {MB_YESNO | MB_DEFBUTTON2, {VK_RETURN}, IDNO},
        {MB_YESNOCANCEL, {VK_TAB, VK_TAB, VK_RETURN}, IDCANCEL},
    };
    for (const auto& c : cases) {
        modalScript().clear();
        for (UINT key : c.keys)
            modalScript().push_back([key](HWND) { plat::headless::keyPress(key); });
        EXPECT_EQ(MessageBoxA(owner, "Sure?", "Question", c.type), c.answer) << "type " << c.type;
        EXPECT_TRUE(modalScript().empty()) << "type " << c.type << ": ended before its last key";
    }
    plat::headless::pumpUntilIdle();
    EXPECT_TRUE(ownerKeys().empty());
}

} // namespace
