#include "vbStreamTestUtil.h"

#include "vbBSTR.h"
#include "vbTypesTestUtil.h"

#include "plat/com.h"

#include <cstring>

using namespace vbstreamtest;
using vbtypes::expectEsys;

namespace {

const GUID kGuid = {0x4721E866, 0x2F5E, 0x487F, {0xAA, 0x2B, 0x3E, 0xF5, 0x4D, 0x9D, 0x6C, 0x18}};

// A stream of ours made with new, held by the pointer alone.
MemPtr adopt(vbMemoryStream* s)
{
    MemPtr p(s);
    s->Release();
    return p;
}

TEST(vbStream, TypedValuesHaveOneLittleEndianForm)
{
    MemPtr s = newMemory();
    s->WriteLong(0x12345678);
    s->WriteGuid(kGuid);
    s->WriteDouble(1.0);
    *s << "abc";
    s->WriteCharW(0xBEEF);
    s->WriteInt64(-2);
    EXPECT_EQ(vbtypes::hexBytes(bytesOf(s)),
        "78 56 34 12 "
        "66 E8 21 47 5E 2F 7F 48 AA 2B 3E F5 4D 9D 6C 18 "
        "00 00 00 00 00 00 F0 3F "
        "03 00 00 00 61 62 63 "
        "EF BE "
        "FE FF FF FF FF FF FF FF");

    s->Seek(0, vbSeekStart);
    EXPECT_EQ(s->ReadLong(), 0x12345678);
    EXPECT_TRUE(s->ReadGuid() == kGuid);
    EXPECT_EQ(s->ReadDouble(), 1.0);
    vbString back;
    *s >> &back;
    EXPECT_STREQ(back, "abc");
    EXPECT_EQ(s->ReadCharW(), 0xBEEF);
    EXPECT_EQ(s->ReadInt64(), -2);
}

TEST(vbStream, TypedReadAtTheEndFailsAndKeepsThePosition)
{
    MemPtr s = newMemory({1, 2, 3});
    expectEstream([&] { s->ReadLong(); }, static_cast<HRESULT>(0x8003001Eu), "Read failed, EOF reached");
    EXPECT_EQ(s->GetPosition(), 0u);
    try {
        s->ReadGuid();
    } catch (vbEstream* e) {
        EXPECT_STREQ(e->GetCtxString(), "vbMemoryStream");
        e->Delete();
    }
}

TEST(vbStream, ReadStringSplitsLines)
{
    struct Case {
        const char* bytes;
        bool crlfAsLf;
        const char* line;
        const char* sep;
        DWORD result;
        DWORD position;
    };
    const Case cases[] = {
        {"ab\r\ncd", true, "ab", "\n", 4, 4},
        {"ab\r\ncd", false, "ab", "\r\n", 4, 4},
        {"ab\ncd", true, "ab", "\n", 3, 3},
        {"a\rb\n", true, "a\rb", "\n", 4, 4},
        {"abc", true, "abc", "", 3, 3},
        {"", true, "", "", 0, 0},
    };
    for (const Case& c : cases) {
        MemPtr s = newMemory(text(c.bytes));
        s->SetCRLFasLF(c.crlfAsLf);
        vbString line("old"), sep("old");
        EXPECT_EQ(s->ReadString(&line, &sep, nullptr), c.result) << c.bytes;
        EXPECT_STREQ(line, c.line) << c.bytes;
        EXPECT_STREQ(sep, c.sep) << c.bytes;
        EXPECT_EQ(s->GetPosition(), c.position) << c.bytes;
    }

    MemPtr s = newMemory(text("abc"));
    vbString line, sep;
    s->ReadString(&line, &sep, nullptr);
    EXPECT_EQ(s->ReadString(&line, &sep, nullptr), 0u);
    EXPECT_STREQ(line, "");
}

TEST(vbStream, LongLinesSpanChunksAndACrAtAChunkEndStaysInTheLine)
{
    std::string first(63, 'x');
    first += "\r\nrest";
    MemPtr s = newMemory(text(first.c_str()));
    vbString line, sep;
    EXPECT_EQ(s->ReadString(&line, &sep, nullptr), 65u);
    EXPECT_EQ(std::string(line), std::string(63, 'x') + "\r");
    EXPECT_STREQ(sep, "\n");
    EXPECT_STREQ(s->ReadString(nullptr, nullptr), "rest");

    std::string longLine(200, 'y');
    MemPtr l = newMemory(text((longLine + "\nz").c_str()));
    EXPECT_EQ(std::string(l->ReadString(nullptr, nullptr)), longLine);
    EXPECT_EQ(l->GetPosition(), 201u);
}

TEST(vbStream, WriteStringAddsCrBeforeBareLineFeeds)
{
    const char in[] = {'a', '\n', 'b', '\r', '\n', 'c'};
    MemPtr s = newMemory();
    EXPECT_EQ(s->WriteString(in, sizeof in, true, nullptr), 9u);
    EXPECT_EQ(bytesOf(s), text("a\r\nb\r\nc\r\n"));

    MemPtr plain = newMemory();
    plain->SetCRLFasLF(false);
    EXPECT_EQ(plain->WriteString(in, sizeof in, true, nullptr), 7u);
    EXPECT_EQ(bytesOf(plain), text("a\nb\r\nc\n"));

    // A mode given for one call wins over the stream's own.
    MemPtr viaMode = newMemory();
    EXPECT_EQ(viaMode->WriteString(vbString("x\n"), false, plain), 2u);
    EXPECT_EQ(bytesOf(viaMode), text("x\n"));

    MemPtr empty = newMemory();
    EXPECT_EQ(empty->WriteString("", 0, false, nullptr), 0u);
    EXPECT_EQ(empty->GetLength(), 0u);
}

TEST(vbStream, WideTextFormsAreNotImplemented)
{
    MemPtr s = newMemory();
    vbBSTR line, sep;
    expectEsys([&] { s->ReadStringW(&line, &sep, nullptr); }, E_FAIL, "vbStream::ReadStringW() not implemented");
    expectEsys([&] { s->WriteStringW(u"x", 1, false, nullptr); }, E_FAIL, "vbStream::WriteStringW() not implemented");
    expectEsys([&] { s->FindLineSepW(1, u"x", 1, nullptr); }, E_FAIL, "vbStream::FindLineSepW() not implemented");
}

TEST(vbStream, WriteStreamCopiesWhatTheSourceHas)
{
    Bytes forty(40, 7);
    MemPtr src = newMemory(forty);
    MemPtr dst = newMemory();
    expectEstream([&] { dst->WriteStream(src, 100, true); }, static_cast<HRESULT>(0x8003001Du), "WriteStream failed");
    EXPECT_EQ(bytesOf(dst), forty);

    src->Seek(0, vbSeekStart);
    MemPtr dst2 = newMemory();
    EXPECT_EQ(dst2->WriteStream(src, 100, false), 40u);
    EXPECT_EQ(dst2->WriteStream(src, 0, true), 0u);

    // Larger than one copy chunk.
    Bytes big(40000);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<unsigned char>(i * 7);
    MemPtr bigSrc = newMemory(big);
    MemPtr bigDst = newMemory();
    EXPECT_EQ(bigDst->WriteStream(bigSrc), 40000u);
    EXPECT_EQ(bytesOf(bigDst), big);

    MemPtr readOnly = adopt(new vbMemoryStream(vbAccessRead));
    MemPtr writeOnly = adopt(new vbMemoryStream(vbAccessWrite));
    expectEstream([&] { readOnly->WriteStream(bigSrc); }, static_cast<HRESULT>(0x80030005u),
        "WriteStream failed, permission denied writing stream");
    expectEstream([&] { bigDst->WriteStream(writeOnly, 5, false); }, static_cast<HRESULT>(0x80030005u),
        "WriteStream failed, permission denied reading stream");
}

TEST(vbStream, AnswersItsFacesAndTheComStream)
{
    MemPtr s = newMemory();
    const IID faces[] = {IID_IvbInputStream, IID_IvbOutputStream, IID_IvbSeekStream, IID_IvbStreamMode, IID_sIvbLock,
        IID_IStream, IID_ISequentialStream, IID_vbStream, IID_vbMemoryStream, IID_IUnknown};
    for (const IID& iid : faces) {
        void* p = nullptr;
        LONG before = s->GetRefCount();
        ASSERT_EQ(s->QueryInterface(iid, &p), S_OK);
        EXPECT_EQ(s->GetRefCount(), before + 1);
        s->Release();
    }
    void* p = nullptr;
    EXPECT_EQ(s->QueryInterface(IID_IvbLongSeekStream, &p), E_NOINTERFACE);

    void* face = nullptr;
    s->QueryInterface(IID_ISequentialStream, &face);
    EXPECT_EQ(face, static_cast<void*>(static_cast<IStream*>(s.Get())));
    static_cast<IStream*>(face)->Release();
}

TEST(vbStream, ComStreamFaceTurnsFaultsIntoResults)
{
    MemPtr s = newMemory({1, 2, 3});
    IStream* com = s.Get();

    LARGE_INTEGER far;
    far.QuadPart = 0x80000000ll;
    EXPECT_EQ(static_cast<uint32_t>(com->Seek(far, STREAM_SEEK_SET, nullptr)), 0x80030032u);
    LARGE_INTEGER one;
    one.QuadPart = 1;
    EXPECT_EQ(com->Seek(one, 3, nullptr), E_INVALIDARG);
    ULARGE_INTEGER pos;
    ASSERT_EQ(com->Seek(one, STREAM_SEEK_END, &pos), S_OK);
    EXPECT_EQ(pos.QuadPart, 4u);
    LARGE_INTEGER back;
    back.QuadPart = -10;
    EXPECT_EQ(static_cast<uint32_t>(com->Seek(back, STREAM_SEEK_CUR, nullptr)), 0x80030019u);

    com->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    char buf[8];
    EXPECT_EQ(static_cast<uint32_t>(com->Read(buf, 8, nullptr)), 0x8003001Eu);
    ULONG got = 0;
    EXPECT_EQ(com->Read(buf, 8, &got), S_OK);
    EXPECT_EQ(got, 3u);
    ULONG written = 0;
    EXPECT_EQ(com->Write("xy", 2, &written), S_OK);
    EXPECT_EQ(written, 2u);

    STATSTG st;
    ASSERT_EQ(com->Stat(&st, STATFLAG_DEFAULT), S_OK);
    EXPECT_EQ(st.type, static_cast<DWORD>(STGTY_STREAM));
    EXPECT_EQ(st.cbSize.QuadPart, 5u);
    ASSERT_NE(st.pwcsName, nullptr);
    EXPECT_STREQ(vbString(st.pwcsName), "vbMemoryStream-noname");
    CoTaskMemFree(st.pwcsName);
    ASSERT_EQ(com->Stat(&st, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(st.pwcsName, nullptr);

    ULARGE_INTEGER size;
    size.QuadPart = 0x100000000ull;
    EXPECT_EQ(static_cast<uint32_t>(com->SetSize(size)), 0x80030032u);
    size.QuadPart = 2;
    EXPECT_EQ(com->SetSize(size), S_OK);
    EXPECT_EQ(s->GetLength(), 2u);

    EXPECT_EQ(com->Commit(0), E_NOTIMPL);
    EXPECT_EQ(com->Revert(), E_NOTIMPL);
    EXPECT_EQ(com->LockRegion(ULARGE_INTEGER{}, ULARGE_INTEGER{}, 0), E_NOTIMPL);
    EXPECT_EQ(com->UnlockRegion(ULARGE_INTEGER{}, ULARGE_INTEGER{}, 0), E_NOTIMPL);
    IStream* clone = nullptr;
    EXPECT_EQ(com->Clone(&clone), E_NOTIMPL);

    MemPtr readOnly = adopt(new vbMemoryStream(vbAccessRead));
    EXPECT_EQ(static_cast<uint32_t>(static_cast<IStream*>(readOnly.Get())->Write("x", 1, nullptr)), 0x80030005u);
}

TEST(vbStream, FormatAndLineModeStartAsDefaultsAndAreKept)
{
    MemPtr s = newMemory();
    EXPECT_EQ(s->GetFormat(), vbFormatBinary);
    EXPECT_TRUE(s->GetCRLFasLF());
    s->SetFormat(vbFormatText);
    s->SetCRLFasLF(false);
    EXPECT_EQ(s->GetFormat(), vbFormatText);
    EXPECT_FALSE(s->GetCRLFasLF());
    // Text format: a string is its bytes alone.
    *s << "abc";
    EXPECT_EQ(bytesOf(s), text("abc"));
}

TEST(vbStream, FindLineSepAnswersTheSeparatorStart)
{
    MemPtr s = newMemory();
    DWORD len = 99;
    EXPECT_EQ(s->FindLineSep(1, "ab\r\n", 4, &len), 3u);
    EXPECT_EQ(len, 2u);
    EXPECT_EQ(s->FindLineSep(0, "\nx", 2, &len), 1u);
    EXPECT_EQ(len, 1u);
    len = 99;
    EXPECT_EQ(s->FindLineSep(1, "a\rb", 3, &len), 0u);
    EXPECT_EQ(len, 99u);
    EXPECT_EQ(s->FindLineSep(1, "a\n", 2, nullptr), 2u);
}

} // namespace
