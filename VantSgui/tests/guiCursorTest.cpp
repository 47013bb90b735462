#include "guiCursor.h"

#include "vbEngine.h"

#include "plat/cursor.h"
#include "plat/headless.h"
#include "plat/resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string errorOf(const guiCursor& cursor)
{
    ULONG hr = 0;
    vbString text;
    cursor.GetError(hr, text);
    return std::to_string(hr) + " " + text.c_str();
}

TEST(guiCursor, StandardCursorsLoadTheSharedSystemCursorAtTheFirstRequest)
{
    guiCursor arrow(32512u);
    EXPECT_FALSE(arrow.IsValid());
    const HICON handle = arrow;
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(plat::headless::systemCursorId(handle), 32512);
    EXPECT_EQ(handle, LoadCursorA(nullptr, MAKEINTRESOURCE(32512)));
    EXPECT_TRUE(arrow.IsValid());
    EXPECT_FALSE(arrow.IsAnimated());
    EXPECT_STREQ(arrow.GetUrl().c_str(), "res:#32512");

    const HICON move = guiCursor_Move;
    EXPECT_EQ(plat::headless::systemCursorId(move), 32646);
    EXPECT_TRUE(guiCursor_Move.IsValid());
}

TEST(guiCursor, AnUnknownResourceRecordsItsErrorOnceAndIsNotRetried)
{
    guiCursor unknown(12345u);
    EXPECT_EQ(static_cast<HICON>(unknown), nullptr);
    EXPECT_EQ(errorOf(unknown), std::to_string(static_cast<ULONG>(E_FAIL)) + " guiCursor resource res:#12345 not found");
    EXPECT_TRUE(unknown.IsLoaded());
    const guiCursorObject* first = unknown.Get();
    EXPECT_EQ(static_cast<HICON>(unknown), nullptr);
    EXPECT_EQ(unknown.Get(), first);
    EXPECT_FALSE(unknown.IsValid());
}

TEST(guiCursor, ANamedResourceIsCopiedAndLoadsFromTheProgram)
{
    char name[16];
    std::strcpy(name, "pointer");
    guiCursor cursor(name);
    std::strcpy(name, "garbage");
    const HICON handle = cursor;
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(plat::headless::systemCursorId(handle), 0);
    EXPECT_STREQ(cursor.GetUrl().c_str(), "res:pointer");
    EXPECT_TRUE(cursor.IsValid());
}

TEST(guiCursor, CopiesOfAPendingCursorAreEmpty)
{
    guiCursor pending(32513u);
    guiCursor copy(pending);
    EXPECT_EQ(static_cast<HICON>(copy), nullptr);
    EXPECT_TRUE(copy.GetUrl().IsEmpty());
    EXPECT_NE(static_cast<HICON>(pending), nullptr);

    // A loaded cursor's copy shares its object.
    guiCursor shared(pending);
    EXPECT_EQ(shared.Get(), pending.Get());
    EXPECT_EQ(static_cast<HICON>(shared), static_cast<HICON>(pending));
    guiCursor assigned(32514u);
    assigned = pending;
    EXPECT_EQ(assigned.Get(), pending.Get());
}

} // namespace
