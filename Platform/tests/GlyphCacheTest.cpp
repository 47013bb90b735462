#include "text/GlyphCache.h"

#include <gtest/gtest.h>

namespace {

using plat::text::GlyphCache;

GlyphCache::Entry withAdvance(int advance)
{
    GlyphCache::Entry e;
    e.advance = advance;
    return e;
}

TEST(GlyphCache, LetsTheLeastRecentlyUsedGoButKeepsLatinAdvances)
{
    GlyphCache cache(2);
    EXPECT_EQ(cache.latinAdvance(U'a'), -1);
    cache.store(U'a', withAdvance(7));
    cache.store(0x4E00, withAdvance(12));
    ASSERT_NE(cache.find(U'a'), nullptr); // now the most recent
    cache.store(0x4E01, withAdvance(13));
    EXPECT_EQ(cache.find(0x4E00), nullptr) << "the least recently used went";
    ASSERT_NE(cache.find(U'a'), nullptr);
    ASSERT_NE(cache.find(0x4E01), nullptr);
    EXPECT_EQ(cache.find(0x4E01)->advance, 13);

    cache.store(0x4E02, withAdvance(14));
    cache.store(0x4E03, withAdvance(15));
    EXPECT_EQ(cache.find(U'a'), nullptr);
    EXPECT_EQ(cache.latinAdvance(U'a'), 7) << "the table of the first 256 keeps its advances";
    EXPECT_EQ(cache.latinAdvance(0x4E03), -1);

    cache.store(0x4E03, withAdvance(16)); // a second store replaces, without growing
    EXPECT_EQ(cache.find(0x4E03)->advance, 16);
    ASSERT_NE(cache.find(0x4E02), nullptr);
}

} // namespace
