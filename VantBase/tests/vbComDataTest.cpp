#include "vbTypesTestUtil.h"

#include "vbComData.h"
#include "vbString.h"

#include "plat/com.h"

#include <gtest/gtest.h>

#include <string>

using vbtypes::expectEsys;

namespace {

TEST(vbComData, WideAndNarrowText)
{
    vbComData d("h\xC3\xA9");
    EXPECT_EQ(d.GetLength(), 6u);
    EXPECT_EQ(std::u16string(static_cast<WCHAR*>(d)), u"h\u00E9");
    EXPECT_STREQ(d.GetString(), "h\xC3\xA9");

    d.SetString(""); // an empty 8-bit text changes nothing
    EXPECT_STREQ(d.GetString(), "h\xC3\xA9");
    d.SetString(u"");
    EXPECT_EQ(d.GetLength(), 2u);
    EXPECT_STREQ(d.GetString(), "");

    d.SetString(u"abc");
    WCHAR* p = d.Detach();
    EXPECT_EQ(std::u16string(p), u"abc");
    EXPECT_EQ(d.GetLength(), 0u);
    CoTaskMemFree(p);
}

TEST(vbComData, BlocksWithoutMemoryOrTerminator)
{
    vbComData d;
    expectEsys([&] { d.Detach(); }, E_FAIL, "vbComData::Detach() : no associated memory bloc");
    expectEsys([&] { (void)static_cast<WCHAR*>(d); }, E_FAIL, "vbComData::operator wchar*() : no associated memory bloc");
    expectEsys([&] { (void)static_cast<unsigned char*>(d); }, E_FAIL, "vbComData::operator uchar*() : no associated memory bloc");
    expectEsys([&] { (void)d.GetString(); }, E_FAIL, "vbComData::GetString() : empty");

    // A block filled to the end without a 0 unit: the text stops at the block's end.
    d.SetLength(4);
    WCHAR* w = d;
    w[0] = u'o';
    w[1] = u'k';
    EXPECT_STREQ(d.GetString(), "ok");
    d.SetLength(0);
    EXPECT_EQ(d.GetLength(), 0u);

    auto* block = static_cast<WCHAR*>(CoTaskMemAlloc(4));
    block[0] = u'x';
    block[1] = 0;
    d.Attach(block, 4);
    EXPECT_STREQ(d.GetString(), "x");
}

} // namespace
