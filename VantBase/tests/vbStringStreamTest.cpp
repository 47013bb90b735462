#include "MemoryStreamFake.h"

#include "vbException.h"
#include "vbString.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

TEST(vbStringStream, BinaryFormIsLengthThenBytes)
{
    MemoryStreamFake out;
    vbString("abc").WriteToStream(nullptr, &out);
    EXPECT_EQ(out.m_bytes, (Bytes{0x03, 0x00, 0x00, 0x00, 0x61, 0x62, 0x63}));

    MemoryStreamFake empty;
    vbString().WriteToStream(&empty, &empty);
    EXPECT_EQ(empty.m_bytes, (Bytes{0x00, 0x00, 0x00, 0x00}));

    vbString back("old");
    back.ReadFromStream(nullptr, &out);
    EXPECT_STREQ(back, "abc");
    EXPECT_EQ(out.m_pos, out.m_bytes.size());
}

TEST(vbStringStream, NegativeLengthReadsNothingMore)
{
    const unsigned char bytes[] = {0xFB, 0xFF, 0xFF, 0xFF, 'x', 'y'};
    MemoryStreamFake in(bytes, sizeof bytes);
    vbString s("old");
    s.ReadFromStream(nullptr, &in);
    EXPECT_STREQ(s, "");
    EXPECT_EQ(in.m_pos, 4u);
}

TEST(vbStringStream, ForgedLengthFailsAtTheEndOfDataAndKeepsTheString)
{
    const unsigned char bytes[] = {0xFF, 0xFF, 0xFF, 0x7F, 'x', 'y'};
    MemoryStreamFake in(bytes, sizeof bytes);
    vbString s("old");
    try {
        s.ReadFromStream(nullptr, &in);
        ADD_FAILURE() << "no exception";
    } catch (vbEstream* e) {
        e->Delete();
    }
    EXPECT_STREQ(s, "old");
}

TEST(vbStringStream, TextFormGoesThroughTheStreamText)
{
    MemoryStreamFake out(vbFormatText);
    vbString("line").WriteToStream(&out, &out);
    EXPECT_EQ(out.m_bytes, (Bytes{'l', 'i', 'n', 'e'}));
    vbString back;
    back.ReadFromStream(&out, &out);
    EXPECT_STREQ(back, "line");
}

TEST(vbStringStream, OtherFormatsAreRefusedBothWays)
{
    MemoryStreamFake s(static_cast<vbFormatMode>(2));
    vbString text("x");
    for (int write = 0; write < 2; ++write) {
        try {
            if (write)
                text.WriteToStream(&s, &s);
            else
                text.ReadFromStream(&s, &s);
            ADD_FAILURE() << "no exception";
        } catch (vbEsys* e) {
            EXPECT_EQ(e->GetRealHR(), E_NOTIMPL);
            EXPECT_STREQ(e->GetMsg(), "vbString::ReadFromStream() :  format not supported");
            e->Delete();
        }
    }
    EXPECT_TRUE(s.m_bytes.empty());
}

TEST(vbStringStream, StreamOperatorsUseTheStreamsOwnMode)
{
    MemoryStreamFake binary;
    binary << "abc";
    EXPECT_EQ(binary.m_bytes, (Bytes{0x03, 0x00, 0x00, 0x00, 0x61, 0x62, 0x63}));
    vbString back;
    binary >> &back;
    EXPECT_STREQ(back, "abc");

    MemoryStreamFake text(vbFormatText);
    text << vbString("abc");
    EXPECT_EQ(text.m_bytes, (Bytes{0x61, 0x62, 0x63}));
}

TEST(vbStreamTypedForms, LittleEndianEverywhere)
{
    MemoryStreamFake s;
    s.WriteLong(-2);
    s.WriteUshort(0x1234);
    s.WriteInt64(0x0102030405060708LL);
    const GUID g = {0x11223344, 0x5566, 0x7788, {1, 2, 3, 4, 5, 6, 7, 8}};
    s.WriteGuid(g);
    s.WriteDouble(1.0);
    EXPECT_EQ(Bytes(s.m_bytes.begin(), s.m_bytes.begin() + 14),
        (Bytes{0xFE, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(Bytes(s.m_bytes.begin() + 14, s.m_bytes.begin() + 22), (Bytes{0x44, 0x33, 0x22, 0x11, 0x66, 0x55, 0x88, 0x77}));
    EXPECT_EQ(s.m_bytes.size(), 4u + 2 + 8 + 16 + 8);

    EXPECT_EQ(s.ReadLong(), -2);
    EXPECT_EQ(s.ReadUshort(), 0x1234);
    EXPECT_EQ(s.ReadInt64(), 0x0102030405060708LL);
    EXPECT_TRUE(s.ReadGuid() == g);
    EXPECT_EQ(s.ReadDouble(), 1.0);
    try {
        s.ReadChar();
        ADD_FAILURE() << "read past the end";
    } catch (vbEstream* e) {
        e->Delete();
    }
}

} // namespace
