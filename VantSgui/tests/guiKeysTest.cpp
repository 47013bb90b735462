#include "guiKeys.h"

#include "plat/afxwin.h"
#include "plat/headless.h"
#include "plat/keyboard.h"
#include "plat/message.h"
#include "plat/window.h"

#include <gtest/gtest.h>

namespace {

guiKeyCtx ctxOf(DWORD bits)
{
    guiKeyCtx ctx;
    ctx.SetVal(bits);
    return ctx;
}

TEST(guiKeyCtx, BindingMatchesActualContext)
{
    struct Case {
        DWORD binding;
        DWORD actual;
        bool ok;
    };
    const Case cases[] = {
        {3, 1, true}, {3, 2, true}, {3, 3, true}, {3, 0, false}, // either Shift
        {1, 2, false}, {1, 3, false}, // left Shift only
        {0, 4, false}, {0, 0, true}, // no Ctrl means no Ctrl
        {12, 8, true}, {12, 0, false}, {48, 16, true}, {48, 32, true}, {48, 0, false},
        {3 | 12, 1 | 8, true}, {3 | 12, 1, false}, {4, 4 | 16, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ctxOf(c.binding).IsKbCtxOk(ctxOf(c.actual)), c.ok) << c.binding << " against " << c.actual;
}

TEST(guiKeyCtx, OperatorsAndSideSpecificKeys)
{
    guiKeyCtx ctx(guiKeyLShift, guiKeyRCtrl);
    EXPECT_EQ(ctx.GetVal(), 9u);
    ctx += guiKeyLAlt;
    ctx -= guiKeyLShift;
    EXPECT_EQ(ctx.GetVal(), 24u);
    EXPECT_TRUE(ctx & guiKeyRCtrl);
    EXPECT_FALSE(ctx & guiKeyRShift);
    ctx = guiKeyRAlt;
    EXPECT_EQ(ctx, guiKeyCtx(guiKeyRAlt));
    EXPECT_NE(ctx, guiKeyCtx(guiKeyLAlt));
    EXPECT_EQ(guiKeyCtx(guiKeyLShift, guiKeyRShift, guiKeyLCtrl, guiKeyRAlt).GetVal(), 39u);

    struct Case {
        UINT key;
        UINT generic;
        DWORD bit;
    };
    const Case cases[] = {{160, 16, 1}, {161, 16, 2}, {162, 17, 4}, {163, 17, 8}, {164, 18, 16}, {165, 18, 32}};
    for (const Case& c : cases) {
        UINT key = c.key;
        guiKeyCtx got(guiKeyLShift);
        EXPECT_TRUE(guiKeyCtx::KeyEquiv(key, got));
        EXPECT_EQ(key, c.generic);
        EXPECT_EQ(got.GetVal(), c.bit | 1u);
    }
    UINT letter = 65;
    guiKeyCtx none;
    EXPECT_FALSE(guiKeyCtx::KeyEquiv(letter, none));
    EXPECT_EQ(letter, 65u);
    EXPECT_EQ(none.GetVal(), 0u);
}

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_wnd.CreateEx(0, nullptr, "keys", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr));
        m_wnd.SetFocus();
        plat::headless::pumpUntilIdle();
    }
    void TearDown() override
    {
        BYTE state[256] = {};
        SetKeyboardState(state);
        m_wnd.DestroyWindow();
        guiKeyCtx::s_ShiftStatus = guiKeyCtx::s_CtrlStatus = guiKeyCtx::s_AltStatus = 0;
    }

    static void key(UINT vk, bool down)
    {
        plat::headless::key(vk, down);
        plat::headless::pumpUntilIdle();
    }

    CWnd m_wnd;
};

TEST_F(KeyboardTest, CurrentReadsBothSidesOfEachModifier)
{
    EXPECT_EQ(guiKeyCtx::Current().GetVal(), 0u);
    const UINT keys[] = {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU};
    DWORD expected = 0;
    for (UINT vk : keys) {
        key(vk, true);
        expected |= 1u << (vk - VK_LSHIFT);
        EXPECT_EQ(guiKeyCtx::Current().GetVal(), expected) << vk;
    }
    for (UINT vk : keys)
        key(vk, false);
    EXPECT_EQ(guiKeyCtx::Current().GetVal(), 0u);
}

TEST_F(KeyboardTest, CorrectKeyMsgKeepsTheSideEntries)
{
    auto stateOf = [](int vk) {
        BYTE state[256];
        GetKeyboardState(state);
        return state[vk] & 0x80;
    };
    LRESULT result = 0;
    // The platform keeps the side keys itself: the first key-down settles the status at 1.
    key(VK_LSHIFT, true);
    EXPECT_FALSE(guiKeyCtx::CorrectKeyMsg(WM_KEYDOWN, VK_SHIFT, 0, result));
    EXPECT_EQ(guiKeyCtx::s_ShiftStatus, 1);
    key(VK_LSHIFT, false);

    // Where the system does not, the messages set and clear the side's entry.
    guiKeyCtx::s_ShiftStatus = 2;
    guiKeyCtx::CorrectKeyMsg(WM_KEYDOWN, VK_SHIFT, 0, result);
    EXPECT_NE(stateOf(VK_LSHIFT), 0);
    EXPECT_EQ(stateOf(VK_RSHIFT), 0);
    guiKeyCtx::CorrectKeyMsg(WM_KEYUP, VK_SHIFT, 0, result);
    EXPECT_EQ(stateOf(VK_LSHIFT), 0);
    const LPARAM extended = LPARAM(1) << 24;
    guiKeyCtx::s_CtrlStatus = 2;
    guiKeyCtx::CorrectKeyMsg(WM_SYSKEYDOWN, VK_CONTROL, extended, result);
    EXPECT_NE(stateOf(VK_RCONTROL), 0);
    EXPECT_EQ(stateOf(VK_LCONTROL), 0);
    guiKeyCtx::CorrectKeyMsg(WM_SYSKEYUP, VK_CONTROL, extended, result);
    EXPECT_EQ(stateOf(VK_RCONTROL), 0);

    // Other messages and keys, and status 1, change nothing.
    guiKeyCtx::s_AltStatus = 1;
    guiKeyCtx::CorrectKeyMsg(WM_KEYDOWN, VK_MENU, 0, result);
    guiKeyCtx::CorrectKeyMsg(WM_CHAR, VK_SHIFT, 0, result);
    guiKeyCtx::CorrectKeyMsg(WM_KEYDOWN, 'A', 0, result);
    EXPECT_EQ(stateOf(VK_LMENU), 0);
    EXPECT_EQ(stateOf(VK_LSHIFT), 0);
}

} // namespace
