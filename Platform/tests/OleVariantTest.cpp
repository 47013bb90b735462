#include "plat/oleauto.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A VARIANT that frees itself, for building test cases.
struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    Var(const Var& o)
    {
        VariantInit(&v);
        VariantCopy(&v, &o.v);
    }
    Var& operator=(const Var&) = delete;
    ~Var() { VariantClear(&v); }
};

Var i4(LONG x) { Var r; r.v.vt = VT_I4; r.v.lVal = x; return r; }
Var i2(SHORT x) { Var r; r.v.vt = VT_I2; r.v.iVal = x; return r; }
Var ui1(BYTE x) { Var r; r.v.vt = VT_UI1; r.v.bVal = x; return r; }
Var ui4(ULONG x) { Var r; r.v.vt = VT_UI4; r.v.ulVal = x; return r; }
Var i8(LONGLONG x) { Var r; r.v.vt = VT_I8; r.v.llVal = x; return r; }
Var r8(double x) { Var r; r.v.vt = VT_R8; r.v.dblVal = x; return r; }
Var r4(float x) { Var r; r.v.vt = VT_R4; r.v.fltVal = x; return r; }
Var cy(LONGLONG raw) { Var r; r.v.vt = VT_CY; r.v.cyVal.int64 = raw; return r; }
Var date(double x) { Var r; r.v.vt = VT_DATE; r.v.date = x; return r; }
Var boolean(bool x) { Var r; r.v.vt = VT_BOOL; r.v.boolVal = x ? VARIANT_TRUE : VARIANT_FALSE; return r; }
Var empty() { return Var(); }
Var null() { Var r; r.v.vt = VT_NULL; return r; }
Var str(const char16_t* s) { Var r; r.v.vt = VT_BSTR; r.v.bstrVal = SysAllocString(s); return r; }
Var dec(int64_t mant, BYTE scale)
{
    Var r;
    std::memset(&r.v, 0, sizeof r.v);
    r.v.decVal.scale = scale;
    r.v.decVal.sign = mant < 0 ? DECIMAL_NEG : 0;
    r.v.decVal.Lo64 = (ULONGLONG)(mant < 0 ? -mant : mant);
    r.v.vt = VT_DECIMAL;
    return r;
}

std::string text(BSTR b) { return b ? std::string(b, b + SysStringLen(b)) : "(null)"; }

// Whether two VARIANTs hold the same type and value.
::testing::AssertionResult same(const VARIANT& got, const VARIANT& want)
{
    if (got.vt != want.vt)
        return ::testing::AssertionFailure() << "type " << got.vt << ", expected " << want.vt;
    bool equal;
    switch (want.vt) {
    case VT_EMPTY: case VT_NULL: equal = true; break;
    case VT_BSTR: equal = text(got.bstrVal) == text(want.bstrVal); break;
    case VT_I1: case VT_UI1: equal = got.bVal == want.bVal; break;
    case VT_I2: case VT_UI2: case VT_BOOL: equal = got.iVal == want.iVal; break;
    case VT_I4: case VT_UI4: case VT_R4: case VT_ERROR: case VT_INT: case VT_UINT: equal = got.lVal == want.lVal; break;
    case VT_DECIMAL: equal = std::memcmp(&got, &want, sizeof got) == 0; break;
    default: equal = got.llVal == want.llVal; break;
    }
    if (!equal)
        return ::testing::AssertionFailure() << "value differs"
                                             << (want.vt == VT_BSTR ? ": \"" + text(got.bstrVal) + "\"" : "")
                                             << " (raw " << got.llVal << ")";
    return ::testing::AssertionSuccess();
}

struct Case {
    const char* name;
    Var src;
    VARTYPE vt;
    HRESULT hr;
    Var want;
    USHORT flags = 0;
};

TEST(VariantChangeTypeEx, ConversionTable)
{
    const Case cases[] = {
        {"empty to I4 is 0", empty(), VT_I4, S_OK, i4(0)},
        {"empty to BSTR is empty text", empty(), VT_BSTR, S_OK, str(u"")},
        {"empty to R8 is 0", empty(), VT_R8, S_OK, r8(0)},
        {"null to I4", null(), VT_I4, DISP_E_TYPEMISMATCH, empty()},
        {"null to BSTR", null(), VT_BSTR, DISP_E_TYPEMISMATCH, empty()},
        {"null to empty", null(), VT_EMPTY, DISP_E_TYPEMISMATCH, empty()},
        {"null to null", null(), VT_NULL, S_OK, null()},
        {"I4 to I2 in range", i4(-32768), VT_I2, S_OK, i2(-32768)},
        {"I4 to I2 overflow", i4(32768), VT_I2, DISP_E_OVERFLOW, empty()},
        {"I4 to UI1 negative", i4(-1), VT_UI1, DISP_E_OVERFLOW, empty()},
        {"UI4 max to I4", ui4(0xFFFFFFFFu), VT_I4, DISP_E_OVERFLOW, empty()},
        {"I8 to UI4 overflow", i8(0x100000000LL), VT_UI4, DISP_E_OVERFLOW, empty()},
        {"R8 2.5 to I4 rounds to even", r8(2.5), VT_I4, S_OK, i4(2)},
        {"R8 3.5 to I4 rounds to even", r8(3.5), VT_I4, S_OK, i4(4)},
        {"R8 -2.5 to I4 rounds to even", r8(-2.5), VT_I4, S_OK, i4(-2)},
        {"R8 2.51 to I4", r8(2.51), VT_I4, S_OK, i4(3)},
        {"R8 huge to I4", r8(3e9), VT_I4, DISP_E_OVERFLOW, empty()},
        {"R4 255.5 to UI1 overflows after rounding", r4(255.5f), VT_UI1, DISP_E_OVERFLOW, empty()},
        {"CY 0.0005 to I4", cy(5), VT_I4, S_OK, i4(0)},
        {"CY 1.5 to I4", cy(15000), VT_I4, S_OK, i4(2)},
        {"CY 2.5 to I4", cy(25000), VT_I4, S_OK, i4(2)},
        {"CY -0.5 to I4", cy(-5000), VT_I4, S_OK, i4(0)},
        {"I4 5 to CY", i4(5), VT_CY, S_OK, cy(50000)},
        {"I8 max to CY overflows", i8(INT64_MAX), VT_CY, DISP_E_OVERFLOW, empty()},
        {"R8 to CY rounds at the fourth place", r8(1.23455), VT_CY, S_OK, cy(12346)},
        {"CY to R8", cy(12345), VT_R8, S_OK, r8(1.2345)},
        {"CY to BSTR", cy(15000), VT_BSTR, S_OK, str(u"1.5")},
        {"CY small to BSTR", cy(-5), VT_BSTR, S_OK, str(u"-0.0005")},
        {"decimal 12.345 to I4", dec(12345, 3), VT_I4, S_OK, i4(12)},
        {"decimal to BSTR", dec(-12345, 3), VT_BSTR, S_OK, str(u"-12.345")},
        {"I4 to decimal", i4(-7), VT_DECIMAL, S_OK, dec(-7, 0)},
        {"BSTR blanks and sign", str(u"  -42  "), VT_I4, S_OK, i4(-42)},
        {"BSTR thousands", str(u"1,234,567"), VT_I4, S_OK, i4(1234567)},
        {"BSTR decimal point rounds to even", str(u"2.5"), VT_I4, S_OK, i4(2)},
        {"BSTR fraction to R8", str(u"1,234.75"), VT_R8, S_OK, r8(1234.75)},
        {"BSTR exponent", str(u"1.5e3"), VT_I4, S_OK, i4(1500)},
        {"BSTR to CY", str(u"12.34567"), VT_CY, S_OK, cy(123457)},
        {"BSTR empty", str(u""), VT_I4, DISP_E_TYPEMISMATCH, empty()},
        {"BSTR blanks only", str(u"   "), VT_R8, DISP_E_TYPEMISMATCH, empty()},
        {"BSTR word", str(u"abc"), VT_I4, DISP_E_TYPEMISMATCH, empty()},
        {"BSTR trailing junk", str(u"12x"), VT_I4, DISP_E_TYPEMISMATCH, empty()},
        {"BSTR leading comma", str(u",12"), VT_I4, DISP_E_TYPEMISMATCH, empty()},
        {"BSTR too large for I2", str(u"40000"), VT_I2, DISP_E_OVERFLOW, empty()},
        {"BSTR True to BOOL", str(u"tRuE"), VT_BOOL, S_OK, boolean(true)},
        {"BSTR False to BOOL", str(u"FALSE"), VT_BOOL, S_OK, boolean(false)},
        {"BSTR number to BOOL", str(u"0"), VT_BOOL, S_OK, boolean(false)},
        {"BSTR nonzero to BOOL", str(u"-3.5"), VT_BOOL, S_OK, boolean(true)},
        {"BSTR yes to BOOL", str(u"yes"), VT_BOOL, DISP_E_TYPEMISMATCH, empty()},
        {"BOOL true to BSTR", boolean(true), VT_BSTR, S_OK, str(u"-1")},
        {"BOOL false to BSTR", boolean(false), VT_BSTR, S_OK, str(u"0")},
        {"BOOL true to BSTR alpha", boolean(true), VT_BSTR, S_OK, str(u"True"), VARIANT_ALPHABOOL},
        {"BOOL false to BSTR alpha", boolean(false), VT_BSTR, S_OK, str(u"False"), VARIANT_ALPHABOOL},
        {"BOOL true to I4", boolean(true), VT_I4, S_OK, i4(-1)},
        {"I4 to BOOL", i4(7), VT_BOOL, S_OK, boolean(true)},
        {"I4 to BSTR", i4(-123), VT_BSTR, S_OK, str(u"-123")},
        {"R8 to BSTR", r8(0.1), VT_BSTR, S_OK, str(u"0.1")},
        {"R8 to BSTR fifteen digits", r8(1.0 / 3), VT_BSTR, S_OK, str(u"0.333333333333333")},
        {"DATE to BSTR date only", date(45000), VT_BSTR, S_OK, str(u"3/15/2023")},
        {"DATE to BSTR date and time", date(45000.75), VT_BSTR, S_OK, str(u"3/15/2023 6:00:00 PM")},
        {"DATE to BSTR time only", date(0.5), VT_BSTR, S_OK, str(u"12:00:00 PM")},
        {"DATE zero to BSTR", date(0), VT_BSTR, S_OK, str(u"12:00:00 AM")},
        {"DATE before 1899 to BSTR", date(-1.25), VT_BSTR, S_OK, str(u"12/29/1899 6:00:00 AM")},
        {"BSTR to DATE", str(u"3/15/2023 6:00:00 PM"), VT_DATE, S_OK, date(45000.75)},
        {"BSTR ISO to DATE", str(u"2023-03-15"), VT_DATE, S_OK, date(45000)},
        {"BSTR bad date", str(u"2/30/2023"), VT_DATE, DISP_E_TYPEMISMATCH, empty()},
        {"DATE to R8", date(1.5), VT_R8, S_OK, r8(1.5)},
        {"R8 beyond year 9999 to DATE", r8(3e6), VT_DATE, DISP_E_OVERFLOW, empty()},
        {"I4 to ERROR", i4(-2147024809), VT_ERROR, S_OK, [] { Var r; r.v.vt = VT_ERROR; r.v.scode = E_INVALIDARG; return r; }()},
        {"BSTR to BSTR", str(u"x"), VT_BSTR, S_OK, str(u"x")},
        {"I4 to EMPTY", i4(3), VT_EMPTY, S_OK, empty()},
        {"UI1 to R4", ui1(200), VT_R4, S_OK, r4(200.0f)},
        {"R8 to R4 overflow", r8(1e300), VT_R4, DISP_E_OVERFLOW, empty()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Var out;
        HRESULT hr = VariantChangeTypeEx(&out.v, &c.src.v, 0x409, c.flags, c.vt);
        EXPECT_EQ(hr, c.hr);
        if (SUCCEEDED(c.hr))
            EXPECT_TRUE(same(out.v, c.want.v));
        else
            EXPECT_EQ(out.v.vt, VT_EMPTY);
    }
}

TEST(VariantChangeTypeEx, EveryLocaleTheSystemUsesReadsEnUsNumbers)
{
    for (LCID lcid : {0x400u, 0x409u, 0x800u, 1033u}) {
        Var src = str(u"-1,000.5");
        Var out;
        ASSERT_EQ(VariantChangeTypeEx(&out.v, &src.v, lcid, 0, VT_R8), S_OK) << lcid;
        EXPECT_EQ(out.v.dblVal, -1000.5);
    }
}

TEST(VariantChangeTypeEx, InPlaceAndThroughReferences)
{
    Var v = str(u"17");
    ASSERT_EQ(VariantChangeTypeEx(&v.v, &v.v, 0x409, 0, VT_I4), S_OK);
    EXPECT_TRUE(same(v.v, i4(17).v));

    // A failed conversion leaves the variant as it was.
    Var bad = str(u"nope");
    EXPECT_EQ(VariantChangeTypeEx(&bad.v, &bad.v, 0x409, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_TRUE(same(bad.v, str(u"nope").v));

    LONG target = 250;
    Var ref;
    ref.v.vt = VT_I4 | VT_BYREF;
    ref.v.plVal = &target;
    Var out;
    ASSERT_EQ(VariantChangeTypeEx(&out.v, &ref.v, 0x409, 0, VT_UI1), S_OK);
    EXPECT_TRUE(same(out.v, ui1(250).v));

    Var inner = r8(2.5);
    Var varRef;
    varRef.v.vt = VT_VARIANT | VT_BYREF;
    varRef.v.pvarVal = &inner.v;
    ASSERT_EQ(VariantChangeTypeEx(&out.v, &varRef.v, 0x409, 0, VT_BSTR), S_OK);
    EXPECT_TRUE(same(out.v, str(u"2.5").v));
}

// Counts its references and answers IUnknown and IDispatch, with a value property of 42.
struct CountedDispatch : IDispatch {
    ULONG refs = 1;
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override
    {
        if (id != DISPID_VALUE || !result)
            return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_I4;
        result->lVal = 42;
        return S_OK;
    }
};

TEST(VariantChangeTypeEx, InterfacesAndValueProperty)
{
    CountedDispatch object;
    {
        Var disp;
        disp.v.vt = VT_DISPATCH;
        disp.v.pdispVal = &object;
        object.AddRef();
        Var unk;
        ASSERT_EQ(VariantChangeTypeEx(&unk.v, &disp.v, 0x409, 0, VT_UNKNOWN), S_OK);
        EXPECT_EQ(unk.v.vt, VT_UNKNOWN);
        EXPECT_EQ(unk.v.punkVal, static_cast<IUnknown*>(&object));
        EXPECT_EQ(object.refs, 3u);

        Var number;
        ASSERT_EQ(VariantChangeTypeEx(&number.v, &disp.v, 0x409, 0, VT_BSTR), S_OK);
        EXPECT_TRUE(same(number.v, str(u"42").v));
        EXPECT_EQ(VariantChangeTypeEx(&number.v, &disp.v, 0x409, VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
    }
    EXPECT_EQ(object.refs, 1u);
}

TEST(VariantChangeTypeEx, BadTypes)
{
    Var src = i4(1);
    Var out;
    EXPECT_EQ(VariantChangeTypeEx(&out.v, &src.v, 0x409, 0, 15), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantChangeTypeEx(&out.v, &src.v, 0x409, 0, VT_VARIANT), DISP_E_BADVARTYPE);
    src.v.vt = 99;
    EXPECT_EQ(VariantChangeTypeEx(&out.v, &src.v, 0x409, 0, VT_I4), DISP_E_BADVARTYPE);
    src.v.vt = VT_EMPTY;
}

TEST(Bstr, LengthPrefixTerminatorAndReallocation)
{
    BSTR s = SysAllocString(u"abc");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 3u);
    EXPECT_EQ(SysStringByteLen(s), 6u);
    uint32_t prefix;
    std::memcpy(&prefix, reinterpret_cast<char*>(s) - 4, 4);
    EXPECT_EQ(prefix, 6u);
    EXPECT_EQ(s[3], u'\0');

    // Reallocation from a part of the string itself.
    ASSERT_TRUE(SysReAllocStringLen(&s, s + 1, 2));
    EXPECT_EQ(text(s), "bc");
    SysFreeString(s);

    BSTR bytes = SysAllocStringByteLen("xyz", 3);
    EXPECT_EQ(SysStringByteLen(bytes), 3u);
    EXPECT_EQ(SysStringLen(bytes), 1u);
    EXPECT_EQ(std::memcmp(bytes, "xyz\0", 4), 0);
    SysFreeString(bytes);

    BSTR blank = SysAllocStringLen(nullptr, 4);
    EXPECT_EQ(SysStringLen(blank), 4u);
    EXPECT_EQ(blank[0], u'\0');
    SysFreeString(blank);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
}

TEST(Variant, CopyAndClearOwnWhatTheyHold)
{
    static_assert(sizeof(VARIANT) == 16);
    Var a = str(u"text");
    Var b;
    ASSERT_EQ(VariantCopy(&b.v, &a.v), S_OK);
    EXPECT_NE(b.v.bstrVal, a.v.bstrVal);
    EXPECT_TRUE(same(b.v, a.v));

    SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, 2);
    BSTR* items;
    ASSERT_EQ(SafeArrayAccessData(psa, reinterpret_cast<void**>(&items)), S_OK);
    items[0] = SysAllocString(u"one");
    SafeArrayUnaccessData(psa);
    Var arr;
    arr.v.vt = VT_ARRAY | VT_BSTR;
    arr.v.parray = psa;
    Var arrCopy;
    ASSERT_EQ(VariantCopy(&arrCopy.v, &arr.v), S_OK);
    ASSERT_NE(arrCopy.v.parray, psa);
    BSTR* copied;
    ASSERT_EQ(SafeArrayAccessData(arrCopy.v.parray, reinterpret_cast<void**>(&copied)), S_OK);
    EXPECT_EQ(text(copied[0]), "one");
    EXPECT_NE(copied[0], items[0]);
    EXPECT_EQ(copied[1], nullptr);
    SafeArrayUnaccessData(arrCopy.v.parray);

    // VariantCopyInd turns a reference into a value of its own.
    BSTR referenced = SysAllocString(u"ref");
    Var ref;
    ref.v.vt = VT_BSTR | VT_BYREF;
    ref.v.pbstrVal = &referenced;
    Var value;
    ASSERT_EQ(VariantCopyInd(&value.v, &ref.v), S_OK);
    EXPECT_EQ(value.v.vt, VT_BSTR);
    EXPECT_NE(value.v.bstrVal, referenced);
    SysFreeString(referenced);
}

TEST(SafeArray, VectorOfBytes)
{
    SAFEARRAY* psa = SafeArrayCreateVector(VT_UI1, 0, 5);
    ASSERT_NE(psa, nullptr);
    EXPECT_EQ(SafeArrayGetDim(psa), 1u);
    EXPECT_EQ(SafeArrayGetElemsize(psa), 1u);
    LONG lo = -1, hi = -1;
    EXPECT_EQ(SafeArrayGetLBound(psa, 1, &lo), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(psa, 1, &hi), S_OK);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 4);
    EXPECT_EQ(SafeArrayGetLBound(psa, 2, &lo), DISP_E_BADINDEX);

    BYTE* data;
    ASSERT_EQ(SafeArrayAccessData(psa, reinterpret_cast<void**>(&data)), S_OK);
    std::memcpy(data, "hello", 5);
    EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
    ASSERT_EQ(SafeArrayUnaccessData(psa), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(psa), E_UNEXPECTED);

    SAFEARRAY* copy;
    ASSERT_EQ(SafeArrayCopy(psa, &copy), S_OK);
    ASSERT_EQ(SafeArrayAccessData(copy, reinterpret_cast<void**>(&data)), S_OK);
    EXPECT_EQ(std::memcmp(data, "hello", 5), 0);
    SafeArrayUnaccessData(copy);
    EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);

    SAFEARRAY* none = SafeArrayCreateVector(VT_UI1, 3, 0);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(SafeArrayGetUBound(none, 1, &hi), S_OK);
    EXPECT_EQ(hi, 2);
    SafeArrayDestroy(none);
}

TEST(OleDate, SystemTimeAndDosTime)
{
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(45000.75, &st));
    EXPECT_EQ(st.wYear, 2023);
    EXPECT_EQ(st.wMonth, 3);
    EXPECT_EQ(st.wDay, 15);
    EXPECT_EQ(st.wDayOfWeek, 3); // a Wednesday
    EXPECT_EQ(st.wHour, 18);

    double d = 0;
    SYSTEMTIME epoch{1899, 12, 0, 30, 0, 0, 0, 0};
    ASSERT_TRUE(SystemTimeToVariantTime(&epoch, &d));
    EXPECT_EQ(d, 0.0);
    SYSTEMTIME early{1899, 12, 0, 29, 6, 0, 0, 0};
    ASSERT_TRUE(SystemTimeToVariantTime(&early, &d));
    EXPECT_EQ(d, -1.25);
    SYSTEMTIME bad{2023, 2, 0, 29, 0, 0, 0, 0};
    EXPECT_FALSE(SystemTimeToVariantTime(&bad, &d));

    // 15 March 2023 18:00:10 in DOS form.
    USHORT dosDate = (USHORT)(((2023 - 1980) << 9) | (3 << 5) | 15);
    USHORT dosTime = (USHORT)((18 << 11) | (0 << 5) | 5);
    ASSERT_TRUE(DosDateTimeToVariantTime(dosDate, dosTime, &d));
    EXPECT_NEAR(d, 45000.75 + 10.0 / 86400, 1e-9);
    USHORT backDate, backTime;
    ASSERT_TRUE(VariantTimeToDosDateTime(d, &backDate, &backTime));
    EXPECT_EQ(backDate, dosDate);
    EXPECT_EQ(backTime, dosTime);
    EXPECT_FALSE(DosDateTimeToVariantTime((USHORT)((43 << 9) | (13 << 5) | 1), 0, &d));

    EXPECT_FALSE(VariantTimeToSystemTime(2958466.0, &st));
    EXPECT_TRUE(VariantTimeToSystemTime(-657434.0, &st));
    EXPECT_EQ(st.wYear, 100);
}

} // namespace
