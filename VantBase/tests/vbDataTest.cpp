#include "LogFileReader.h"
#include "vbTypesTestUtil.h"

#include "vbData.h"
#include "vbHeap.h"
#include "vbString.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

using vbtypes::expectEsys;
using vbtypes::hexBytes;

namespace {

std::string hexOf(const vbData& d) { return hexBytes(static_cast<const void*>(d), static_cast<size_t>(d.GetLength())); }

TEST(vbData, AppendedWordsDoubleEveryFFByte)
{
    struct Case {
        int word;
        const char* bytes;
    } cases[] = {
        {0x12FF, "12 FF FF"},
        {0xFF00, "FF FF 00"},
        {0xFFFF, "FF FF FF FF"},
        {0x0102, "01 02"},
    };
    for (const Case& c : cases) {
        vbData d;
        d.AddWord(c.word);
        EXPECT_EQ(hexOf(d), c.bytes) << std::hex << c.word;
    }
    vbData d;
    d << 0x1AB;
    expectEsys([&] { d.AddWord(0x10000); }, E_FAIL, "vbData::AddWord() : word out of range");
    expectEsys([&] { d.AddWord(-1); }, E_FAIL, "vbData::AddWord() : word out of range");
    EXPECT_EQ(hexOf(d), "AB");
}

TEST(vbData, ParseStrTakesUpperCaseHexPairsAndLoneDigits)
{
    vbData d;
    d << 0x99;
    d.ParseStr("1A-ff 3C4");
    EXPECT_EQ(hexOf(d), "99 1A 3C 04");
    d.ParseStr(nullptr);
    d.ParseStr("xyz");
    EXPECT_EQ(d.GetLength(), 4);
}

TEST(vbData, BlockIsExactWithLengthFieldAndZeroByte)
{
    vbData d("abc", 3);
    EXPECT_EQ(d.GetLength(), 3);
    EXPECT_EQ(static_cast<const char*>(static_cast<const void*>(d))[3], '\0');
    d.SetLength(5);
    d.WriteData(4, "de", 2);
    EXPECT_STREQ(static_cast<const char*>(static_cast<const void*>(d)), "abcde");

    auto* block = static_cast<unsigned char*>(d.Detach());
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(d.IsEmpty());
    int32_t n;
    std::memcpy(&n, block, 4);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block) + 4, 5), "abcde");
    EXPECT_EQ(block[9], 0);
    _vbFree(block);

    vbData empty;
    EXPECT_EQ(empty.Detach(), nullptr);
    EXPECT_EQ(empty.Detach(&d), nullptr);
}

TEST(vbData, EmptyMeansNoBlock)
{
    vbData d('x', 2);
    expectEsys([&] { d.SetData("a", 0); }, E_INVALIDARG, "vbData.SetData() failure");
    expectEsys([&] { d.SetData(static_cast<const void*>(nullptr), 1); }, E_INVALIDARG, "vbData.SetData() failure");
    expectEsys([&] { d.Init('a', 0); }, E_INVALIDARG, "vbData.Init() failure");
    expectEsys([&] { d.SetLength(-1); }, E_INVALIDARG, "vbData.SetLength() failure");
    EXPECT_EQ(hexOf(d), "78 78");
    d.SetLength(0);
    EXPECT_TRUE(d.IsEmpty());
    EXPECT_EQ(static_cast<const void*>(d), nullptr);
    d.Init('y', 1);
    d.Clear();
    EXPECT_EQ(d.GetLength(), 0);
    vbData copy(d);
    EXPECT_TRUE(copy.IsEmpty());
    d.Delete(1, 1);
    d << vbData() << vbString("");
    EXPECT_TRUE(d.IsEmpty());
}

TEST(vbData, ImpossibleSizesFailAndKeepTheBlock)
{
    vbData d("ab", 2);
    expectEsys([&] { d.SetLength(INT_MAX); }, E_OUTOFMEMORY, "vbData.SetLength() failure");
    expectEsys([&] { d.Add("c", INT_MAX - 3); }, E_OUTOFMEMORY, "vbData.SetLength() failure");
    EXPECT_EQ(hexOf(d), "61 62");
}

TEST(vbData, PositionsAreCheckedAndFailuresChangeNothing)
{
    vbData d("\x01\x02\x03", 3);
    EXPECT_EQ(d.GetWord(1), 0x0102);
    expectEsys([&] { (void)d.GetWord(3); }, E_INVALIDARG, "vbData.GetWord(3) failure, bad index");
    expectEsys([&] { (void)d.GetWord(0); }, E_INVALIDARG, "vbData.GetWord(0) failure, bad index");
    expectEsys([&] { (void)d[4]; }, E_INVALIDARG, "vbData.operator[](4) failure, bad index");
    const vbData& cd = d;
    expectEsys([&] { (void)cd[0]; }, E_INVALIDARG, "vbData.operator[](0) const failure, bad index");
    expectEsys([&] { d.WriteData(2, "xyz", 3); }, E_INVALIDARG, "vbData.WriteData() failure");
    expectEsys([&] { d.WriteData(0, 7, 1); }, E_INVALIDARG, "vbData.WriteData() failure");
    expectEsys([&] { (void)d.Mid(0, 1); }, E_FAIL, "vbData::Mid(0,1) : bad arg");
    expectEsys([&] { (void)d.Mid(1, -1); }, E_FAIL, "vbData::Mid(1,-1) : bad arg");
    expectEsys([&] { (void)d.Mid(0); }, E_FAIL, "vbData::Mid(0) : bad arg");
    expectEsys([&] { d.Delete(0, 1); }, E_INVALIDARG, "vbData.Delete() failure");
    vbData src("zz", 2);
    expectEsys([&] { d.Add(src, 3); }, E_FAIL, "vbData::Add(datalg=2,lg=3) : data to write too small");
    EXPECT_EQ(hexOf(d), "01 02 03");

    d[2] = 0x22;
    d.WriteData(3, 0x33, 1);
    d.WriteData(1, "x", 0);
    EXPECT_EQ(hexOf(d), "01 22 33");
    EXPECT_EQ(hexOf(d.Mid(2, 10)), "22 33");
    EXPECT_EQ(hexOf(Mid(d, 3)), "33");
    EXPECT_TRUE(d.Mid(4).IsEmpty());
    EXPECT_TRUE(d.Mid(1, 0).IsEmpty());
    d.Delete(2, 10);
    EXPECT_EQ(hexOf(d), "01");
    d.Delete(5, 1);
    d.Delete(1, 1);
    EXPECT_TRUE(d.IsEmpty());
}

TEST(vbData, AppendingFromItselfSurvivesTheMove)
{
    vbData d("abcd", 4);
    d.Add(d, 4);
    d << d;
    EXPECT_STREQ(static_cast<const char*>(static_cast<const void*>(d)), "abcdabcdabcdabcd");
    d.Add(static_cast<const char*>(static_cast<const void*>(d)) + 1, 2);
    EXPECT_EQ(d.Mid(17).GetLength(), 2);
    EXPECT_EQ(hexOf(d.Mid(17)), "62 63");
    d.SetData(static_cast<const char*>(static_cast<const void*>(d)) + 2, 3);
    EXPECT_EQ(hexOf(d), "63 64 61");
}

TEST(vbData, CompareOrdersByLengthFirst)
{
    vbData ff("\xFF", 1), zeros("\0\0", 2), ab("ab", 2), abc("abc", 3);
    EXPECT_LT(ff.Compare(zeros), 0);
    EXPECT_GT(zeros.Compare(ff), 0);
    EXPECT_LT(zeros.Compare(ab), 0);
    EXPECT_TRUE(ab == vbData("ab", 2));
    EXPECT_TRUE(ab != abc);
    EXPECT_EQ(abc.PartialCompare(ab), 0);
    EXPECT_LT(ab.PartialCompare(abc), 0);
    EXPECT_NE(abc.PartialCompare(vbData("ax", 2)), 0);
    EXPECT_EQ(abc.PartialCompare(vbData()), 0);
}

TEST(vbData, AttachTakesTheOtherBlock)
{
    vbData a("a", 1), b("bb", 2);
    a.Attach(&b);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(hexOf(a), "62 62");
    vbData c("c", 1);
    EXPECT_NE(a.Detach(&c), nullptr);
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(hexOf(c), "62 62");
}

TEST(vbData, FormatFitsIn512Bytes)
{
    vbData d;
    d.Format("%d-%s", 42, "x");
    EXPECT_EQ(std::string(static_cast<const char*>(static_cast<const void*>(d)), 4), "42-x");
    expectEsys([&] { d.Format("%s", ""); }, E_INVALIDARG, "vbData.Format() failure");
    expectEsys([&] { d.Format("%600d", 1); }, E_INVALIDARG, "vbData.Format() failure");
    d.Format("%512d", 1);
    EXPECT_EQ(d.GetLength(), 512);
}

TEST(vbData, InStrFindsPatternsThatHoldZeroBytes)
{
    vbData data("xab\0cDab\0cE", 11);
    struct Case {
        int start;
        const char* find;
        int n;
        int noCase;
        int pos;
    } cases[] = {
        {1, "AB\0CE", 5, 1, 7}, // the bytes after the 0 byte count: "ab\0cD" is no match
        {1, "AB\0CE", 5, 0, 0},
        {1, "ab\0cE", 5, 0, 7},
        {1, "ab\0c", 4, 1, 2},
        {3, "ab", 2, 0, 7},
        {1, "E", 1, 1, 11},
        {1, "eX", 2, 1, 0},
        {5, "", 0, 0, 5},
    };
    for (const Case& c : cases) {
        vbData find;
        if (c.n)
            find.SetData(c.find, c.n);
        EXPECT_EQ(InStr(c.start, data, find, c.noCase), c.pos) << c.start << " " << c.n << " " << c.noCase;
    }
    EXPECT_EQ(InStr(1, vbData(), vbData("a", 1), 0), 0);
    EXPECT_EQ(InStr(1, data, 'd', 1), 6);
    EXPECT_EQ(InStr(1, data, 'd', 0), 0);
    EXPECT_EQ(InStr(8, data, 0, 0), 9);
    EXPECT_EQ(InStr(12, data, 'x', 0), 0);
    expectEsys([&] { (void)InStr(0, data, vbData("a", 1), 0); }, E_FAIL, "InStr(vbData), bad start pos (=0)");
    expectEsys([&] { (void)InStr(-2, data, 'a', 0); }, E_FAIL, "InStr(vbData), bad start pos (=-2)");
}

TEST(vbData, TraceWritesOneRecordPer32Bytes)
{
    vbData d;
    for (int i = 0; i < 33; ++i)
        d << i;
    vbDataTrace("dump", d);
    std::string log = readLogFile();
    size_t title = log.find("<dump>");
    ASSERT_NE(title, std::string::npos) << log;
    std::string tail = log.substr(title);
    EXPECT_NE(tail.find(" 00 01 02"), std::string::npos);
    size_t last = tail.find(" 1E 1F");
    ASSERT_NE(last, std::string::npos);
    // The 33rd byte is a record of its own: a line of just " 20" after the prefix.
    size_t next = tail.find(" 20", last);
    ASSERT_NE(next, std::string::npos);
    EXPECT_EQ(tail.compare(next - 2, 2, "; "), 0) << tail;
}

} // namespace
