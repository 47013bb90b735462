#include "vbStreamTestUtil.h"

#include "vbException.h"
#include "vbString.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace vbstreamtest;

TEST(vbStringStream, BinaryFormIsLengthThenBytes)
{
    MemPtr out = newMemory();
    vbString("abc").WriteToStream(nullptr, out.Get());
    EXPECT_EQ(bytesOf(out), (Bytes{0x03, 0x00, 0x00, 0x00, 0x61, 0x62, 0x63}));

    MemPtr empty = newMemory();
    vbString().WriteToStream(empty.Get(), empty.Get());
    EXPECT_EQ(bytesOf(empty), (Bytes{0x00, 0x00, 0x00, 0x00}));

    vbString back("old");
    out->Seek(0, vbSeekStart);
    back.ReadFromStream(nullptr, out.Get());
    EXPECT_STREQ(back, "abc");
    EXPECT_EQ(out->GetPosition(), bytesOf(out).size());
}

TEST(vbStringStream, NegativeLengthReadsNothingMore)
{
    const unsigned char bytes[] = {0xFB, 0xFF, 0xFF, 0xFF, 'x', 'y'};
    MemPtr in = newMemory(bytes, sizeof bytes);
    vbString s("old");
    s.ReadFromStream(nullptr, in.Get());
    EXPECT_STREQ(s, "");
    EXPECT_EQ(in->GetPosition(), 4u);
}

TEST(vbStringStream, ForgedLengthFailsAtTheEndOfDataAndKeepsTheString)
{
    const unsigned char bytes[] = {0xFF, 0xFF, 0xFF, 0x7F, 'x', 'y'};
    MemPtr in = newMemory(bytes, sizeof bytes);
    vbString s("old");
    try {
        s.ReadFromStream(nullptr, in.Get());
        ADD_FAILURE() << "no exception";
    } catch (vbEstream* e) {
        e->Delete();
    }
    EXPECT_STREQ(s, "old");
}

TEST(vbStringStream, TextFormGoesThroughTheStreamText)
{
    MemPtr out = newMemory(vbFormatText);
    vbString("line").WriteToStream(out.Get(), out.Get());
    EXPECT_EQ(bytesOf(out), (Bytes{'l', 'i', 'n', 'e'}));
    vbString back;
    out->Seek(0, vbSeekStart);
    back.ReadFromStream(out.Get(), out.Get());
    EXPECT_STREQ(back, "line");
}

TEST(vbStringStream, OtherFormatsAreRefusedBothWays)
{
    MemPtr s = newMemory(static_cast<vbFormatMode>(2));
    vbString text("x");
    for (int write = 0; write < 2; ++write) {
        try {
            if (write)
                text.WriteToStream(s.Get(), s.Get());
            else
                text.ReadFromStream(s.Get(), s.Get());
            ADD_FAILURE() << "no exception";
        } catch (vbEsys* e) {
            EXPECT_EQ(e->GetRealHR(), E_NOTIMPL);
            EXPECT_STREQ(e->GetMsg(), "vbString::ReadFromStream() :  format not supported");
            e->Delete();
        }
    }
    EXPECT_TRUE(bytesOf(s).empty());
}

TEST(vbStringStream, StreamOperatorsUseTheStreamsOwnMode)
{
    MemPtr binary = newMemory();
    *binary << "abc";
    EXPECT_EQ(bytesOf(binary), (Bytes{0x03, 0x00, 0x00, 0x00, 0x61, 0x62, 0x63}));
    vbString back;
    binary->Seek(0, vbSeekStart);
    *binary >> &back;
    EXPECT_STREQ(back, "abc");

    MemPtr text = newMemory(vbFormatText);
    *text << vbString("abc");
    EXPECT_EQ(bytesOf(text), (Bytes{0x61, 0x62, 0x63}));
}

TEST(vbStreamTypedForms, LittleEndianEverywhere)
{
    MemPtr s = newMemory();
    s->WriteLong(-2);
    s->WriteUshort(0x1234);
    s->WriteInt64(0x0102030405060708LL);
    const GUID g = {0x11223344, 0x5566, 0x7788, {1, 2, 3, 4, 5, 6, 7, 8}};
    s->WriteGuid(g);
    s->WriteDouble(1.0);
    const Bytes all = bytesOf(s);
    EXPECT_EQ(Bytes(all.begin(), all.begin() + 14),
        (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(Bytes(all.begin() + 14, all.begin() + 22), (Bytes{0x44, 0x33, 0x22, 0x11, 0x66, 0x55, 0x88, 0x77}));
    EXPECT_EQ(all.size(), 4u + 2 + 8 + 16 + 8);

    s->Seek(0, vbSeekStart);

    EXPECT_EQ(s->ReadLong(), -2);
    EXPECT_EQ(s->ReadUshort(), 0x1234);
    EXPECT_EQ(s->ReadInt64(), 0x0102030405060708LL);
    EXPECT_TRUE(s->ReadGuid() == g);
    EXPECT_EQ(s->ReadDouble(), 1.0);
    try {
        s->ReadChar();
        ADD_FAILURE() << "read past the end";
    } catch (vbEstream* e) {
        e->Delete();
    }
}

} // namespace
