#include "vbStreamTestUtil.h"
#include "vbTypesTestUtil.h"

#include "vbBSTR.h"
#include "vbData.h"
#include "vbDate.h"
#include "vbString.h"
#include "vbVariant.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using vbtypes::expectEsys;
using vbtypes::hexBytes;

using namespace vbstreamtest;

namespace {

// Remembers the largest piece a reader asked for.
class WatchedStream : public vbMemoryStream {
public:
    using vbMemoryStream::Read;
    DWORD Read(void* buffer, DWORD count, bool all) override
    {
        if (count > largest)
            largest = count;
        return vbMemoryStream::Read(buffer, count, all);
    }
    DWORD largest = 0;

protected:
    ~WatchedStream() override = default;
};

VARTYPE typeOf(const vbVariant& v) { return static_cast<const VARIANT&>(v).vt; }

std::string written(const vbVariant& v)
{
    MemPtr s = newMemory();
    v.WriteToStream(nullptr, s.Get());
    return hexBytes(bytesOf(s));
}

vbVariant readBack(const std::vector<unsigned char>& bytes)
{
    MemPtr s = newMemory(bytes.data(), bytes.size());
    vbVariant v(7);
    v.ReadFromStream(nullptr, s.Get());
    EXPECT_EQ(s->GetPosition(), bytes.size());
    return v;
}

TEST(vbVariantStream, BinaryFormIsByteExact)
{
    vbVariant dec;
    dec.SetType(VT_DECIMAL, vbVariant(-15), 0);
    vbVariant r4(1.0f), i1, ui2, ui4;
    i1.SetAsChar(-1);
    ui2.SetAsUshort(0xABCD);
    ui4.SetAsUlong(0x01020304u);
    struct Case {
        vbVariant v;
        const char* bytes;
    } cases[] = {
        {vbVariant("AB"), "08 00 00 00 04 00 00 00 41 00 42 00"},
        {vbVariant(true), "0B 00 00 00 FF FF"},
        {vbVariant(false), "0B 00 00 00 00 00"},
        {vbVariant(static_cast<int64_t>(1)), "06 00 00 00 01 00 00 00 00 00 00 00"},
        {vbVariant(-2), "03 00 00 00 FE FF FF FF"},
        {vbVariant(static_cast<short>(0x1234)), "02 00 00 00 34 12"},
        {r4, "04 00 00 00 00 00 80 3F"},
        {vbVariant(1.0), "05 00 00 00 00 00 00 00 00 00 F0 3F"},
        {vbVariant(vbDate(1900, 1, 1, 0, 0, 0)), "07 00 00 00 00 00 00 00 00 00 00 40"},
        {vbVariant(E_FAIL, VT_ERROR), "0A 00 00 00 05 40 00 80"},
        {i1, "10 00 00 00 FF"},
        {vbVariant(static_cast<unsigned char>(0x80)), "11 00 00 00 80"},
        {ui2, "12 00 00 00 CD AB"},
        {ui4, "13 00 00 00 04 03 02 01"},
        {vbVariant(), "00 00 00 00"},
        {vbVariant(0, VT_NULL), "01 00 00 00"},
        {vbVariant(""), "08 00 00 00 00 00 00 00"},
        {vbVariant(static_cast<const char*>(nullptr)), "08 00 00 00 00 00 00 00"},
        {dec, "0E 00 00 00 0E 00 00 80 00 00 00 00 0F 00 00 00 00 00 00 00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(written(c.v), c.bytes) << typeOf(c.v);

    vbVariant bytes;
    bytes.SetData("\x01\x02", 2);
    EXPECT_EQ(written(bytes), "11 20 00 00 02 00 00 00 01 02");
}

TEST(vbVariantStream, EveryStoredTypeReadsBack)
{
    vbVariant dec, ui4, bytes;
    dec.SetType(VT_DECIMAL, vbVariant(123456), 0);
    ui4.SetAsUlong(4000000000u);
    bytes.SetData("\0\xFFz", 3);
    vbVariant values[] = {
        vbVariant(static_cast<short>(-7)), vbVariant(-70000), vbVariant(2.5f), vbVariant(-0.125),
        vbVariant(static_cast<int64_t>(-5)), vbVariant(vbDate(2024, 2, 29, 23, 59, 59)), vbVariant(u"h\u00E9"),
        vbVariant(E_POINTER, VT_ERROR), vbVariant(true), vbVariant(false), dec, vbVariant(static_cast<unsigned char>(9)),
        ui4, bytes, vbVariant(), vbVariant(0, VT_NULL),
    };
    for (const vbVariant& v : values) {
        MemPtr s = newMemory();
        v.WriteToStream(nullptr, s.Get());
        vbVariant back = readBack(bytesOf(s));
        EXPECT_EQ(typeOf(back), typeOf(v));
        EXPECT_EQ(written(back), hexBytes(bytesOf(s))) << typeOf(v);
    }
    EXPECT_EQ(readBack({0x13, 0, 0, 0, 0, 0x28, 0x6B, 0xEE}).GetAsUlong(), 4000000000u);
    EXPECT_EQ(readBack({0x02, 0, 0, 0, 0xF9, 0xFF}).GetAsShort(), -7);
}

TEST(vbVariantStream, EmptyPayloadsReadBackAsEmpty)
{
    vbVariant emptyText(""), emptyBytes;
    emptyBytes.SetData("", 0);
    for (const vbVariant* v : {&emptyText, &emptyBytes}) {
        MemPtr s = newMemory();
        v->WriteToStream(nullptr, s.Get());
        EXPECT_TRUE(readBack(bytesOf(s)).IsEmpty());
    }
    EXPECT_TRUE(readBack({0x11, 0x20, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}).IsEmpty()); // a negative count
}

TEST(vbVariantStream, ReadingTakesTheDefaultLocale)
{
    vbVariant v(5);
    v.SetLCID(0x409);
    MemPtr s = newMemory();
    v.WriteToStream(nullptr, s.Get());
    s->Seek(0, vbSeekStart);
    v.ReadFromStream(nullptr, s.Get());
    EXPECT_EQ(v.GetLCID(), 0x400u);
    EXPECT_EQ(v.GetAsLong(), 5);
}

TEST(vbVariantStream, TextFormReadsBackAsText)
{
    MemPtr s = newMemory(vbFormatText);
    vbVariant(42).WriteToStream(s.Get(), s.Get());
    const Bytes all = bytesOf(s);
    EXPECT_EQ(std::string(all.begin(), all.end()), "42");
    vbVariant back;
    s->Seek(0, vbSeekStart);
    back.ReadFromStream(s.Get(), s.Get());
    EXPECT_EQ(typeOf(back), VT_BSTR);
    EXPECT_STREQ(back.GetAsString(), "42");
}

TEST(vbVariantStream, UnsupportedTypesAndFormatsFail)
{
    class Dispatch : public IDispatch {
    public:
        HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        ULONG AddRef() override { return 2; }
        ULONG Release() override { return 1; }
        HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
        HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
        HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
        HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
        {
            return E_NOTIMPL;
        }
    } object;
    vbVariant disp(static_cast<IDispatch*>(&object));
    MemPtr s = newMemory();
    expectEsys([&] { disp.WriteToStream(nullptr, s.Get()); }, E_NOTIMPL, "vbVariant::ReadFromStream() :  type not supported");
    EXPECT_EQ(hexBytes(bytesOf(s)), "09 00 00 00");

    vbVariant keep("keep");
    MemPtr in = newMemory(bytesOf(s));
    expectEsys([&] { keep.ReadFromStream(nullptr, in.Get()); }, E_NOTIMPL, "vbVariant::ReadFromStream() :  type not supported");
    EXPECT_STREQ(keep.GetAsString(), "keep");

    MemPtr other = newMemory(static_cast<vbFormatMode>(2));
    expectEsys([&] { keep.WriteToStream(other.Get(), other.Get()); }, E_FAIL, "vbVariant::ReadFromStream() :  format not supported");
    expectEsys([&] { keep.ReadFromStream(other.Get(), other.Get()); }, E_NOTIMPL, "vbVariant::ReadFromStream() :  format not supported");
}

TEST(vbVariantStream, ForgedCountsFailAtTheEndOfTheData)
{
    for (unsigned char type : {0x08, 0x11}) {
        std::vector<unsigned char> bytes = {type, static_cast<unsigned char>(type == 0x11 ? 0x20 : 0), 0, 0,
            0xF0, 0xFF, 0xFF, 0x7F, 'a', 'b', 'c'};
        vbRefPtr<WatchedStream, &IID_vbMemoryStream> s(new WatchedStream);
        s->Release();
        s->Write(bytes.data(), static_cast<DWORD>(bytes.size()), true);
        s->Seek(0, vbSeekStart);
        vbVariant v("former");
        try {
            v.ReadFromStream(nullptr, s.Get());
            ADD_FAILURE() << "no exception";
        } catch (vbEstream* e) {
            e->Delete();
        }
        EXPECT_STREQ(v.GetAsString(), "former");
        EXPECT_LE(s->largest, 64u * 1024u) << "a forged count must not size the buffer";
    }
}

TEST(vbVariantStream, OddTextCountsAndStrayDecimalsStayInside)
{
    vbVariant odd = readBack({0x08, 0, 0, 0, 3, 0, 0, 0, 'A', 0, 'B'});
    ASSERT_EQ(typeOf(odd), VT_BSTR);
    BSTR text = static_cast<const VARIANT&>(odd).bstrVal;
    EXPECT_EQ(SysStringByteLen(text), 3u);
    EXPECT_EQ(text[0], u'A');

    std::vector<unsigned char> dec = {0x0E, 0, 0, 0, 0x03, 0x00, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0};
    vbVariant d = readBack(dec);
    EXPECT_EQ(typeOf(d), VT_DECIMAL);
    EXPECT_EQ(d.GetAsLong(), 5);
}

TEST(vbVariantStream, LargeCountsArriveWhole)
{
    std::vector<unsigned char> bytes = {0x11, 0x20, 0, 0};
    const LONG n = 300000;
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<unsigned char>(n >> (8 * i)));
    for (LONG i = 0; i < n; ++i)
        bytes.push_back(static_cast<unsigned char>(i * 7));
    vbVariant v = readBack(bytes);
    vbData data;
    ASSERT_EQ(v.GetData(&data), n);
    EXPECT_EQ(std::memcmp(static_cast<const void*>(data), bytes.data() + 8, n), 0);
}

} // namespace
