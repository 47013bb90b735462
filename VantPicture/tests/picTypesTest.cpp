#include "picTestUtil.h"

#include "vbEngine.h"
#include "vbRegKey.h"
#include "vbVariant.h"

#include "plat/folders.h"

#include <fstream>
#include <sstream>

namespace {

using pictest::expectThrown;

TEST(picMetricSize, ValidOnlyWithBothUnitsAndPositiveExtents)
{
    const struct {
        picMetricSize size;
        bool valid;
    } cases[] = {
        {picMetricSize(), false},
        {picMetricSize(0.0, 5.0, picMetricUnit(1), picMetricUnit(1)), false},
        {picMetricSize(5.0, -1.0, picMetricUnit(1), picMetricUnit(1)), false},
        {picMetricSize(5.0, 5.0, picUnitNone, picMetricUnit(1)), false},
        {picMetricSize(5.0, 5.0, picMetricUnit(1), picUnitNone), false},
        {picMetricSize(5.0, 5.0, picMetricUnit(1), picMetricUnit(2)), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.size.IsValid(), c.valid) << c.size.cx << " " << c.size.cy << " " << c.size.unitX;
        EXPECT_EQ(c.size.IsEmpty(), !c.valid);
    }
}

TEST(picMetricSize, ToUnitConvertsNothing)
{
    const picMetricSize invalid(0.0, 3.0, picMetricUnit(1), picMetricUnit(1));
    const picMetricSize same = invalid.ToUnit(picMetricUnit(2), nullptr);
    EXPECT_EQ(same.cy, 3.0);
    EXPECT_EQ(same.unitX, picMetricUnit(1));

    const picMetricSize inches(2.5, 3.0, picMetricUnit(1), picMetricUnit(1));
    const picMetricSize kept = inches.ToUnit(picMetricUnit(1), nullptr);
    EXPECT_EQ(kept.cx, 2.5);
    EXPECT_EQ(kept.unitY, picMetricUnit(1));
    expectThrown([&] { inches.ToUnit(picMetricUnit(2), nullptr); }, E_NOTIMPL,
        "picMetricSize::ToUnit() : conversions not implemented (VantPicture)");
    // Mixed units are a conversion too.
    expectThrown([] { picMetricSize(1.0, 1.0, picMetricUnit(1), picMetricUnit(2)).ToUnit(picMetricUnit(1), nullptr); },
        E_NOTIMPL, "picMetricSize::ToUnit() : conversions not implemented (VantPicture)");
}

TEST(picRecords, EmptyStates)
{
    EXPECT_EQ(picSize(), picSize(0, 0));
    EXPECT_NE(picSize(1, 0), picSize(0, 1));
    picColor c(0x123456);
    c.Empty();
    EXPECT_EQ(c, picColor_Invalid);
    EXPECT_EQ(picColor_Invalid.value, 0xFFFFFFFFu);
    EXPECT_EQ(picColor().value, 0xFFFFFFFFu);
    picMetricRect r;
    EXPECT_EQ(r.unitBottom, picUnitNone);
    EXPECT_EQ(sizeof(picBmpColorType), 4u);
    EXPECT_EQ(sizeof(picMetricUnit), 4u);
    EXPECT_EQ(sizeof(picReqMode), 4u);
}

TEST(picBmpInfo, EmptyKeepsHeaderAndParamsAndCopiesOwnTheirTexts)
{
    picBmpInfo info;
    EXPECT_EQ(info.header, 120);
    EXPECT_EQ(info.extra4, -1);
    EXPECT_EQ(info.bitsPerPixel, -1);
    info.header = 7;
    info.param2 = 9;
    info.text1 = "a";
    info.size = picSize(3, 4);
    info.metricSize = picMetricSize(1.0, 1.0, picMetricUnit(1), picMetricUnit(1));
    info.extra2 = 0;
    info.bmpType = picBmpRGB;
    info.bitsPerPixel = 24;

    picBmpInfo copy(info);
    copy.OwnData();
    copy.text1.SetAt(1, 'b');
    EXPECT_STREQ(info.text1, "a");

    info.Empty();
    EXPECT_EQ(info.header, 7);
    EXPECT_EQ(info.param2, 9);
    EXPECT_STREQ(info.text1, "");
    EXPECT_EQ(info.size, picSize());
    EXPECT_FALSE(info.metricSize.IsValid());
    EXPECT_EQ(info.extra2, -1);
    EXPECT_EQ(info.bmpType, picBmpNone);
    EXPECT_EQ(info.bitsPerPixel, -1);
    EXPECT_EQ(copy.size, picSize(3, 4));
}

TEST(picSettingInfo, CopiesListsAndLeavesTheUnusedWordAlone)
{
    picSettingInfo full;
    full.list1.Add(vbString("x"));
    full.list3.Add(vbString("y"));
    full.text4 = "t";
    full.value8 = 8;
    full.reserved = 0xABCD;

    picSettingInfo empty;
    empty.header = 5;
    full = empty;
    EXPECT_EQ(full.list1.GetLength(), 0) << "an empty source list empties the target's";
    EXPECT_EQ(full.list3.GetLength(), 0);
    EXPECT_STREQ(full.text4, "");
    EXPECT_EQ(full.value8, 0);
    EXPECT_EQ(full.header, 5);
    EXPECT_EQ(full.reserved, 0xABCDu);

    empty.list2.Add(vbString("a"));
    empty.list2.Add(vbString("b"));
    empty.reserved = 3;
    picSettingInfo copy(empty);
    ASSERT_EQ(copy.list2.GetLength(), 2);
    EXPECT_STREQ(copy.list2[2], "b");
    EXPECT_EQ(copy.reserved, 0u);

    copy.param1 = 4;
    copy.value1 = 1;
    copy.Empty();
    EXPECT_EQ(copy.list2.GetLength(), 0);
    EXPECT_EQ(copy.value1, 0);
    EXPECT_EQ(copy.param1, 4);
    EXPECT_EQ(copy.header, 5);
}

std::string readLog()
{
    std::ifstream in(plat::vantrelFolder(plat::Folder::State, true) + "/vantdevV5108.log", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class picException : public ::testing::Test {
protected:
    void SetUp() override { m_use.StartUse(true); }
    void TearDown() override { m_use.StopUse(); }

    vbUseEngineCenter m_use;
};

TEST_F(picException, TracesAtOnceAndLogsByItsRule)
{
    vbRegKey(vbRegLocalMachine, "Software\\KVX Vantrel\\Exception").SetValue("TraceAll", vbVariant(true));

    picEcompress* e = new picEcompress(E_FAIL, vbString("m"), vbString("c"));
    picEcompressUser* u = new picEcompressUser(E_ABORT, vbString("gone"));
    const std::string log = readLog();
    EXPECT_NE(log.find("EXCEPTION 'picEcompress' THROWN (80004005) / m / ctx=c\n"), std::string::npos) << log;
    const size_t base = log.find("EXCEPTION 'picEcompress' THROWN (80004004) / gone\n");
    const size_t own = log.find("EXCEPTION 'picEcompressUser' THROWN (80004004) / gone\n");
    ASSERT_NE(base, std::string::npos);
    ASSERT_NE(own, std::string::npos);
    EXPECT_LT(base, own);

    EXPECT_STREQ(e->GetMBoxTitle(), "Compression system error");
    EXPECT_EQ(e->GetMBoxMode(), 16u);
    EXPECT_TRUE(e->IsToWriteOnLogFile());
    EXPECT_STREQ(e->GetCtxString(), "c");
    EXPECT_STREQ(u->GetMBoxTitle(), "Compression error");
    EXPECT_EQ(u->GetMBoxMode(), 48u);
    EXPECT_FALSE(u->IsToWriteOnLogFile()) << "no log switch for the class";
    vbRegKey(vbRegLocalMachine, "Software\\KVX Vantrel\\Exception\\picEcompressUser").SetValue("Log", vbVariant(1));
    EXPECT_TRUE(u->IsToWriteOnLogFile());

    EXPECT_TRUE(u->IsKindOf(RUNTIME_CLASS(picEcompress)));
    EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(vbEadv)));
    EXPECT_FALSE(e->IsKindOf(RUNTIME_CLASS(picEcompressUser)));
    EXPECT_STREQ(u->GetRuntimeClass()->m_lpszClassName, "picEcompressUser");
    e->Delete();
    u->Delete();

    picEcompressUser plain(vbString("m"), vbString("c"));
    EXPECT_EQ(plain.GetRealHR(), E_FAIL);
}

} // namespace
