#include "plat/unknwn.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::u16string text(REFGUID g)
{
    OLECHAR buf[39];
    EXPECT_EQ(StringFromGUID2(g, buf, 39), 39);
    return std::u16string(buf);
}

TEST(ComGuid, TextFormRoundTrips)
{
    const GUID catMgr = VNT_GUID(0x0002E005, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46);
    EXPECT_EQ(text(catMgr), u"{0002E005-0000-0000-C000-000000000046}");
    CLSID back;
    ASSERT_EQ(CLSIDFromString(u"{0002e005-0000-0000-c000-000000000046}", &back), S_OK);
    EXPECT_TRUE(IsEqualGUID(back, catMgr));

    OLECHAR small[38];
    EXPECT_EQ(StringFromGUID2(catMgr, small, 38), 0);

    for (const char16_t* bad : {u"", u"0002E005-0000-0000-C000-000000000046", u"{0002E005-0000-0000-C000-00000000004}",
             u"{0002E005-0000-0000-C000-000000000046}x", u"{0002E005-0000-0000-C0000-00000000046}",
             u"{0002E00G-0000-0000-C000-000000000046}"}) {
        EXPECT_EQ(CLSIDFromString(bad, &back), CO_E_CLASSSTRING) << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
    }
}

TEST(ComGuid, NewGuidsAreRandomVersionFour)
{
    std::set<std::u16string> seen;
    for (int i = 0; i < 100; ++i) {
        GUID g;
        ASSERT_EQ(CoCreateGuid(&g), S_OK);
        EXPECT_EQ(g.Data3 >> 12, 4);
        EXPECT_EQ(g.Data4[0] >> 6, 2);
        seen.insert(text(g));
    }
    EXPECT_EQ(seen.size(), 100u);
}

} // namespace
