#include "vbStreamTestUtil.h"

#include "vbTypesTestUtil.h"

using namespace vbstreamtest;

namespace {

constexpr HRESULT kEof = static_cast<HRESULT>(0x8003001Eu);
constexpr HRESULT kAccess = static_cast<HRESULT>(0x80030005u);
constexpr HRESULT kSeek = static_cast<HRESULT>(0x80030019u);
constexpr HRESULT kTooLong = static_cast<HRESULT>(0x8003001Du);

MemPtr adopt(vbMemoryStream* s)
{
    MemPtr p(s);
    s->Release();
    return p;
}

TEST(vbMemoryStream, PositionsBeyondTheEndGrowOnWrite)
{
    MemPtr s = newMemory(Bytes(10, 1));
    EXPECT_EQ(s->Seek(20, vbSeekStart), 20u);
    EXPECT_EQ(s->GetLength(), 10u);
    s->WriteUchar(9);
    EXPECT_EQ(s->GetLength(), 21u);
    EXPECT_TRUE(s->Eof());
    Bytes expected(10, 1);
    expected.resize(20, 0);
    expected.push_back(9);
    EXPECT_EQ(bytesOf(s), expected);

    s->Seek(30, vbSeekStart);
    char buf[5];
    EXPECT_EQ(s->Read(buf, 5, false), 0u);
    EXPECT_EQ(s->Seek(-1, vbSeekEnd), 20u);
    EXPECT_EQ(s->Seek(-10, vbSeekCurrent), 10u);
    EXPECT_FALSE(s->Eof());
}

TEST(vbMemoryStream, CharactersAtAnyBytePosition)
{
    MemPtr s = newMemory({0x00, 0x01, 0x02, 0x34, 0x12});
    s->Seek(3, vbSeekStart);
    EXPECT_EQ(s->ReadCharW(), 0x1234);
    EXPECT_EQ(s->GetPosition(), 5u);
    expectEstream([&] { s->ReadCharW(); }, kEof, "ReadCharW failed, EOF reached");
    expectEstream([&] { s->ReadCharA(); }, kEof, "ReadCharA failed, EOF reached");
    s->Seek(1, vbSeekStart);
    EXPECT_EQ(s->ReadCharA(), 0x01);
    s->Seek(4, vbSeekStart);
    s->WriteCharW(0xABCD);
    s->WriteCharA('z');
    EXPECT_EQ(vbtypes::hexBytes(bytesOf(s)), "00 01 02 34 CD AB 7A");
}

TEST(vbMemoryStream, BadSeeksKeepThePosition)
{
    MemPtr s = newMemory({1, 2, 3});
    s->Seek(2, vbSeekStart);
    expectEstream([&] { s->Seek(-1, vbSeekStart); }, kSeek, "Seek failed, position < 0");
    expectEstream([&] { s->Seek(-4, vbSeekEnd); }, kSeek, "Seek failed, position < 0");
    expectEstream([&] { s->Seek(0, static_cast<vbSeekMode>(3)); }, static_cast<HRESULT>(0x80030057u),
        "Seek failed, vbSeekMode mode invalid");
    expectEstream([&] { s->Seek(0x7FFFFFFF, vbSeekStart); }, kSeek, "Seek failed, position too big");
    EXPECT_EQ(s->GetPosition(), 2u);

    // Two relative moves that would pass 2^32 - 1 are refused, not wrapped.
    s->Seek(0x7FFFFFF0, vbSeekStart);
    expectEstream([&] { s->Seek(0x7FFFFFFF, vbSeekCurrent); }, kSeek, "Seek failed, position too big");
    EXPECT_EQ(s->GetPosition(), 0x7FFFFFF0u);
}

TEST(vbMemoryStream, WritesThatWouldPassTheLongestBlockChangeNothing)
{
    MemPtr s = newMemory({1, 2});
    s->Seek(0x7FFFFF00, vbSeekStart);
    Bytes block(0x200, 5);
    expectEstream([&] { s->Write(block.data(), 0x200, true); }, kTooLong, "Write failed, stream too long");
    EXPECT_EQ(s->GetLength(), 2u);
    EXPECT_EQ(s->GetPosition(), 0x7FFFFF00u);

    s->Seek(static_cast<LONG>(vbMemoryStream::kMaxLength), vbSeekStart);
    expectEstream([&] { s->WriteCharA('x'); }, kTooLong, "Write failed, stream too long");
    s->Seek(-1, vbSeekCurrent);
    expectEstream([&] { s->WriteCharW(1); }, kTooLong, "Write failed, stream too long");
    EXPECT_EQ(bytesOf(s), (Bytes{1, 2}));
}

TEST(vbMemoryStream, AccessModesGuardReadsAndWritesButNotTheBlockCalls)
{
    MemPtr ro = adopt(new vbMemoryStream(vbAccessRead));
    EXPECT_TRUE(ro->CanRead());
    EXPECT_FALSE(ro->CanWrite());
    expectEstream([&] { ro->Write("x", 1, true); }, kAccess, "Write failed, permission denied writing data");
    expectEstream([&] { ro->WriteCharA('x'); }, kAccess, "WriteChar failed, permission denied writing char");
    expectEstream([&] { ro->SetLength(3); }, kAccess, "SetLength failed, permission denied setting size");
    vbData d("abc", 3);
    ro->Attach(&d);
    EXPECT_TRUE(d.IsEmpty());
    EXPECT_EQ(ro->ReadChar(), 'a');

    MemPtr wo = adopt(new vbMemoryStream(vbAccessWrite));
    expectEstream([&] { wo->ReadChar(); }, kAccess, "Read failed, permission denied reading data");
    expectEstream([&] { wo->ReadCharA(); }, kAccess, "ReadCharA failed, permission denied reading char");
}

TEST(vbMemoryStream, BlockCallsClampThePosition)
{
    MemPtr s = newMemory(text("abcdef"));
    s->Seek(5, vbSeekStart);
    s->CopyFrom(vbData("xy", 2));
    EXPECT_EQ(s->GetPosition(), 2u);
    vbData out;
    s->CopyTo(&out);
    EXPECT_EQ(out.GetLength(), 2);

    vbData taken;
    s->Detach(&taken);
    EXPECT_EQ(taken.GetLength(), 2);
    EXPECT_EQ(s->GetLength(), 0u);
    EXPECT_EQ(s->GetPosition(), 0u);

    s->Write("12345", 5, true);
    s->SetLength(3);
    EXPECT_EQ(s->GetPosition(), 3u);
    EXPECT_EQ(bytesOf(s), text("123"));
    s->SetLength(0);
    EXPECT_EQ(s->GetLength(), 0u);
}

TEST(vbMemoryStream, SharedBlocksAndCopies)
{
    MemPtr first = newMemory(text("abc"));
    MemPtr second = adopt(new vbMemoryStream(*first, true, vbAccessBoth));
    EXPECT_EQ(second->GetPosition(), 0u);
    first->Seek(0, vbSeekEnd);
    first->Write("d", 1, true);
    EXPECT_EQ(second->GetLength(), 4u);
    second->Write("X", 1, true);
    EXPECT_EQ(bytesOf(first), text("Xbcd"));
    first = nullptr;
    EXPECT_EQ(bytesOf(second), text("Xbcd"));

    second->Seek(1, vbSeekStart);
    MemPtr copy = adopt(new vbMemoryStream(*second, false, vbAccessRead));
    EXPECT_EQ(second->GetPosition(), 4u);
    EXPECT_EQ(copy->GetPosition(), 0u);
    EXPECT_EQ(bytesOf(copy), text("bcd"));
    EXPECT_FALSE(copy->CanWrite());
    second->Seek(0, vbSeekStart);
    second->Write("Z", 1, true);
    EXPECT_EQ(bytesOf(copy), text("bcd"));
}

TEST(vbMemoryStream, NamesAndObjects)
{
    MemPtr s = newMemory();
    EXPECT_STREQ(s->GetName(), "vbMemoryStream");
    EXPECT_STREQ(s->GetPhysicalName(), "vbMemoryStream-noname");
    EXPECT_TRUE(s->IsCreated());
    EXPECT_EQ(s->GetRefCount(), 1);

    vbRefPtr<vbStream, &IID_vbStream> base;
    vbMemoryStream::CreateObject(&base);
    base->WriteLong(7);
    EXPECT_EQ(base->GetLength(), 4u);
}

} // namespace
