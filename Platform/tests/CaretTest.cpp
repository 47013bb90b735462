#include "UiTestSupport.h"

#include "plat/caret.h"
#include "plat/headless.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

using vnt::test::createMessageWindow;
using vnt::test::ScopedClass;

namespace {

TEST(Caret, BornHiddenCountedAndGoneWithItsWindow)
{
    ScopedClass cls("Caret Test Window", DefWindowProcA);
    HWND hwnd = createMessageWindow(cls.name());
    HWND other = createMessageWindow(cls.name());
    ASSERT_TRUE(CreateCaret(hwnd, nullptr, 0, 14));
    auto caret = plat::headless::caret();
    EXPECT_EQ(caret.owner, hwnd);
    EXPECT_FALSE(caret.visible);
    EXPECT_EQ(caret.size.cx, GetSystemMetrics(SM_CXBORDER));
    EXPECT_EQ(caret.size.cy, 14);

    EXPECT_TRUE(ShowCaret(hwnd));
    EXPECT_TRUE(plat::headless::caret().visible);
    EXPECT_TRUE(HideCaret(nullptr));
    EXPECT_TRUE(HideCaret(hwnd));
    EXPECT_FALSE(HideCaret(other)); // not its caret
    EXPECT_TRUE(ShowCaret(hwnd));
    EXPECT_FALSE(plat::headless::caret().visible);
    EXPECT_TRUE(ShowCaret(hwnd));
    EXPECT_TRUE(plat::headless::caret().visible);

    EXPECT_TRUE(SetCaretPos(7, 9));
    POINT pt{};
    EXPECT_TRUE(GetCaretPos(&pt));
    EXPECT_EQ(pt.x, 7);
    EXPECT_EQ(pt.y, 9);
    EXPECT_EQ(GetCaretBlinkTime(), 530u);

    // A new caret replaces the old one, hidden again.
    ASSERT_TRUE(CreateCaret(other, nullptr, 2, 10));
    EXPECT_EQ(plat::headless::caret().owner, other);
    EXPECT_FALSE(plat::headless::caret().visible);
    DestroyWindow(other);
    EXPECT_EQ(plat::headless::caret().owner, nullptr);
    EXPECT_FALSE(SetCaretPos(1, 1));
    EXPECT_FALSE(DestroyCaret());
    DestroyWindow(hwnd);
}

} // namespace
