#include "UiTestSupport.h"

#include "plat/clipboard.h"
#include "plat/errors.h"
#include "plat/globalmem.h"
#include "plat/headless.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

using vnt::test::createMessageWindow;
using vnt::test::ScopedClass;

namespace {

HGLOBAL textBlock(const char* text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, std::strlen(text) + 1);
    EXPECT_NE(block, nullptr);
    std::memcpy(GlobalLock(block), text, std::strlen(text) + 1);
    GlobalUnlock(block);
    return block;
}

std::string clipboardTextOf(HWND hwnd)
{
    EXPECT_TRUE(OpenClipboard(hwnd));
    std::string text;
    if (HANDLE block = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return text;
}

TEST(GlobalMemory, BlocksLockCountAndFreedHandlesAreRefused)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 5);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 5u);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[4], 0);
    EXPECT_EQ(GlobalLock(block), bytes);
    EXPECT_TRUE(GlobalUnlock(block));
    SetLastError(ERROR_INVALID_DATA);
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), DWORD(NO_ERROR));
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_LOCKED));

    bytes = static_cast<unsigned char*>(GlobalLock(block));
    std::memcpy(bytes, "abcde", 5);
    GlobalUnlock(block);
    EXPECT_EQ(GlobalReAlloc(block, 9, GMEM_ZEROINIT), block);
    bytes = static_cast<unsigned char*>(GlobalLock(block));
    EXPECT_EQ(std::memcmp(bytes, "abcde\0\0\0\0", 9), 0);
    // Locked, it cannot grow where it is unless it may move.
    EXPECT_EQ(GlobalReAlloc(block, 1 << 20, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    GlobalUnlock(block);

    EXPECT_EQ(GlobalFree(block), nullptr);
    SetLastError(0);
    EXPECT_EQ(GlobalLock(block), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GlobalSize(block), 0u);
    EXPECT_EQ(GlobalFree(block), block);
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, SIZE_T(-1) / 2), nullptr);
}

class Clipboard : public ::testing::Test {
protected:
    ScopedClass cls{"Clipboard Test Window", DefWindowProcA};
    HWND hwnd = createMessageWindow(cls.name());
    HWND other = createMessageWindow(cls.name());
    void TearDown() override
    {
        CloseClipboard();
        DestroyWindow(hwnd);
        DestroyWindow(other);
    }
};

TEST_F(Clipboard, TextRoundTripsAndTheDesktopSeesIt)
{
    ASSERT_TRUE(OpenClipboard(hwnd));
    ASSERT_TRUE(EmptyClipboard());
    HGLOBAL block = textBlock("abc");
    EXPECT_EQ(SetClipboardData(CF_TEXT, block), block);
    EXPECT_TRUE(CloseClipboard());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_EQ(clipboardTextOf(other), "abc");
    EXPECT_EQ(plat::headless::clipboardText(), "abc");

    plat::headless::setClipboardText("from elsewhere");
    EXPECT_EQ(clipboardTextOf(hwnd), "from elsewhere");
    // The block the clipboard held went with the text it replaced.
    EXPECT_EQ(GlobalSize(block), 0u);
}

TEST_F(Clipboard, OneOpenerAtATime)
{
    ASSERT_TRUE(OpenClipboard(hwnd));
    SetLastError(0);
    EXPECT_FALSE(OpenClipboard(other));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    BOOL fromThread = TRUE;
    DWORD error = 0;
    std::thread([&] {
        fromThread = OpenClipboard(nullptr);
        error = GetLastError();
        SetLastError(0);
        EXPECT_FALSE(CloseClipboard());
    }).join();
    EXPECT_FALSE(fromThread);
    EXPECT_EQ(error, DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CloseClipboard());
    EXPECT_TRUE(OpenClipboard(other));
    EXPECT_TRUE(CloseClipboard());
    SetLastError(0);
    EXPECT_FALSE(CloseClipboard());
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLIPBOARD_NOT_OPEN));
}

TEST_F(Clipboard, OnlyTheOwnerSetsDataAndAFailedSetLeavesTheBlockWithTheCaller)
{
    HGLOBAL block = textBlock("kept");
    EXPECT_EQ(SetClipboardData(CF_TEXT, block), nullptr); // not open
    ASSERT_TRUE(OpenClipboard(hwnd));
    EXPECT_EQ(SetClipboardData(CF_TEXT, block), nullptr); // open, but not emptied: no owner
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(block)), "kept");
    GlobalUnlock(block);
    EXPECT_TRUE(EmptyClipboard());
    HGLOBAL freed = textBlock("gone");
    GlobalFree(freed);
    EXPECT_EQ(SetClipboardData(CF_TEXT, freed), nullptr);
    EXPECT_EQ(SetClipboardData(CF_TEXT, block), block);
    EXPECT_EQ(GetClipboardData(CF_TEXT), block);
    EXPECT_TRUE(CloseClipboard());
    EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr); // closed
    // Another opener that did not empty it is no owner.
    ASSERT_TRUE(OpenClipboard(other));
    HGLOBAL second = textBlock("other");
    EXPECT_EQ(SetClipboardData(CF_TEXT, second), nullptr);
    EXPECT_TRUE(CloseClipboard());
    GlobalFree(second);
    EXPECT_EQ(clipboardTextOf(other), "kept");
}

} // namespace
