#include "vbTypesTestUtil.h"

#include "vbBSTR.h"
#include "vbData.h"
#include "vbDate.h"
#include "vbString.h"
#include "vbVariant.h"

#include "testsupport/CountedUnknown.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

using vbtypes::expectEsys;
using vbtypes::hexBytes;

namespace {

VARIANT plain(VARTYPE vt)
{
    VARIANT v;
    std::memset(&v, 0, sizeof v);
    v.vt = vt;
    return v;
}

VARIANT refTo(VARTYPE vt, void* p)
{
    VARIANT v = plain(static_cast<VARTYPE>(vt | VT_BYREF));
    v.byref = p;
    return v;
}

VARTYPE typeOf(const vbVariant& v) { return static_cast<const VARIANT&>(v).vt; }

TEST(vbVariant, SixtyFourBitIntegersTravelAsRawCurrency)
{
    vbVariant five(static_cast<int64_t>(5));
    EXPECT_EQ(typeOf(five), VT_CY);
    EXPECT_EQ(five.GetAsInt64(), 5);
    EXPECT_EQ(five.GetAsLong(), 0); // the currency 0.0005
    EXPECT_EQ(vbVariant(5).GetAsInt64(), 50000);
    vbVariant big;
    big.SetAsInt64(INT64_MIN);
    EXPECT_EQ(big.GetAsInt64(), INT64_MIN);
}

TEST(vbVariant, WritersStoreTheirTypes)
{
    vbVariant v;
    struct Case {
        const char* name;
        void (*set)(vbVariant&);
        VARTYPE vt;
        LONG asLong;
    } cases[] = {
        {"bool", [](vbVariant& x) { x = true; }, VT_BOOL, -1},
        {"int", [](vbVariant& x) { x = 7; }, VT_I4, 7},
        {"uchar", [](vbVariant& x) { x = static_cast<unsigned char>(200); }, VT_UI1, 200},
        {"char", [](vbVariant& x) { x.SetAsChar(-5); }, VT_I1, -5},
        {"short", [](vbVariant& x) { x = static_cast<short>(-300); }, VT_I2, -300},
        {"ushort", [](vbVariant& x) { x.SetAsUshort(60000); }, VT_UI2, 60000},
        {"ulong", [](vbVariant& x) { x.SetAsUlong(123456u); }, VT_UI4, 123456},
        {"float", [](vbVariant& x) { x = 2.5f; }, VT_R4, 2},
        {"double", [](vbVariant& x) { x = 3.5; }, VT_R8, 4},
        {"hr", [](vbVariant& x) { x.SetAsHR(E_FAIL); }, VT_I4, static_cast<LONG>(E_FAIL)},
        {"date", [](vbVariant& x) { x = vbDate(1900, 1, 1, 0, 0, 0); }, VT_DATE, 2},
        {"text", [](vbVariant& x) { x = "42"; }, VT_BSTR, 42},
    };
    for (const Case& c : cases) {
        c.set(v);
        EXPECT_EQ(typeOf(v), c.vt) << c.name;
        EXPECT_EQ(v.GetAsLong(), c.asLong) << c.name;
    }
    EXPECT_EQ(vbVariant(true).GetAsShort(), -1);
    EXPECT_TRUE(vbVariant(static_cast<short>(2)).GetAsBool());
    EXPECT_EQ(vbVariant(E_FAIL, VT_ERROR).GetAsHR(), E_FAIL);
    EXPECT_EQ(vbVariant(5).GetAsDouble(), 5.0);
    EXPECT_STREQ(vbVariant(1.5).GetAsString(), "1.5");
    EXPECT_STREQ(vbVariant(vbDate(2024, 2, 29, 12, 0, 0)).GetAsDate().ToYMDHMS(), "20240229120000");
    EXPECT_STREQ(vbVariant(COleDateTime(2024, 2, 29, 0, 0, 0)).GetAsDate().ToYMD(), "20240229");
}

TEST(vbVariant, TextInCodePages)
{
    vbVariant v("\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(v.GetAsBSTR() == u"\u00E9t\u00E9", true);
    EXPECT_STREQ(v.GetAsString(), "\xC3\xA9t\xC3\xA9");
    EXPECT_STREQ(v.GetAsString(1252, 0), "\xE9t\xE9");
    vbVariant euro(1252u, "\x80");
    EXPECT_EQ(euro.GetAsBSTR() == u"\u20AC", true);
    euro.SetAsString(1252u, vbString("\x80\x80"));
    EXPECT_EQ(euro.GetAsBSTR() == u"\u20AC\u20AC", true);

    vbVariant nullText(static_cast<const char*>(nullptr));
    EXPECT_EQ(typeOf(nullText), VT_BSTR);
    EXPECT_STREQ(nullText.GetAsString(), "");
    EXPECT_TRUE(nullText.GetAsBSTR().IsNull());
    vbBSTR heap(vbAllocMainHeap, u"from the heap");
    vbVariant fromHeap(heap); // the variant holds a system string of its own
    EXPECT_EQ(SysStringLen(static_cast<const VARIANT&>(fromHeap).bstrVal), 13u);
}

TEST(vbVariant, WritesGoThroughReferenceChains)
{
    LONG target = 1;
    VARIANT typed = refTo(VT_I4, &target);
    VARIANT middle = refTo(VT_VARIANT, &typed);

    vbVariant direct;
    direct.AttachRef(&typed);
    direct = 7;
    EXPECT_EQ(target, 7);
    EXPECT_EQ(typed.vt, VT_I4 | VT_BYREF);

    vbVariant chained;
    chained.AttachRef(&middle);
    chained.SetAsLong(9);
    EXPECT_EQ(target, 9);
    EXPECT_EQ(middle.vt, VT_VARIANT | VT_BYREF);
    EXPECT_EQ(typed.vt, VT_I4 | VT_BYREF);
    EXPECT_EQ(chained.GetAsLong(), 9);
    EXPECT_EQ(chained.GetDeRefType(), VT_I4);

    // Another type replaces the reference by a value; the long is not touched.
    chained = "text";
    EXPECT_EQ(target, 9);
    EXPECT_EQ(middle.vt, VT_VARIANT | VT_BYREF);
    EXPECT_EQ(typed.vt, VT_BSTR);
    EXPECT_EQ(chained.GetDeRefType(), VT_BSTR);
    chained.Clear();
    VariantClear(&typed);
}

TEST(vbVariant, CopiedReferencesBecomeValuesBeforeTheNextWrite)
{
    LONG target = 3;
    VARIANT ref = refTo(VT_I4, &target);
    vbVariant copy(ref);
    EXPECT_TRUE(copy.IsRef());
    EXPECT_EQ(copy.GetAsLong(), 3);
    copy = 7;
    EXPECT_EQ(typeOf(copy), VT_I4);
    EXPECT_EQ(copy.GetAsLong(), 7);
    EXPECT_EQ(target, 3);

    vbVariant again(ref);
    VARIANT out = plain(VT_EMPTY);
    again.CopyTo(out);
    EXPECT_EQ(out.vt, VT_I4);
    EXPECT_EQ(out.lVal, 3);
    EXPECT_EQ(typeOf(again), VT_I4); // the variant now holds the value

    BSTR text = SysAllocString(u"ref");
    VARIANT strRef = refTo(VT_BSTR, &text);
    vbVariant s(strRef);
    s.SetAsString(vbString("new"));
    EXPECT_EQ(std::u16string(text), u"ref");
    EXPECT_STREQ(s.GetAsString(), "new");
    SysFreeString(text);
}

TEST(vbVariant, NullReferencesFailWithTheirMessages)
{
    VARIANT nullVar = refTo(VT_VARIANT, nullptr);
    vbVariant v;
    v.AttachEx(nullVar);
    EXPECT_TRUE(v.IsEmpty());
    EXPECT_FALSE(v.IsValid());
    EXPECT_TRUE(v.IsNull());
    EXPECT_EQ(v.GetDeRefType(), VT_NULL);
    expectEsys([&] { (void)v.GetAsLong(); }, E_FAIL, "property vbVariant::AsLong, read access, reference to variant is null");
    expectEsys([&] { (void)v.GetAsBool(); }, E_FAIL, "property vbVariant::AsBool, read access, reference to variant is null");

    vbVariant byVar;
    byVar.AttachEx(refTo(VT_I4, nullptr));
    expectEsys([&] { (void)byVar.GetAsLong(); }, E_FAIL, "property vbVariant::AsLong, read access, reference to variable is NULL");
    expectEsys([&] { byVar = 5; }, E_FAIL, "vbVariant::operator=() : pointer on value is null (byref)");
    EXPECT_EQ(typeOf(byVar), VT_I4 | VT_BYREF);
    // A reference of another type is converted, and fails as a conversion.
    expectEsys([&] { (void)byVar.GetAsUlong(); }, E_INVALIDARG,
        "Instruction '::VariantChangeTypeEx(pDest, (VARIANT*)pSrce,lcid, 0, vt)' failed !");
    vbVariant byText;
    byText.AttachEx(refTo(VT_BSTR, nullptr));
    expectEsys([&] { byText.SetAsString(1252u, "x"); }, E_FAIL, "vbVariant::SetAsString(cp,...) : pointer on value is null (byref)");
    expectEsys([&] { byText.SetAsString(vbString("x")); }, E_FAIL, "vbVariant::operator=() : pointer on value is null (byref)");

    // A failure down a chain leaves the reference it passed empty, its value released.
    VARIANT inner = refTo(VT_VARIANT, nullptr);
    VARIANT outer = refTo(VT_VARIANT, &inner);
    vbVariant chain;
    chain.AttachRef(&outer);
    expectEsys([&] { chain = 1.5; }, E_FAIL, "vbVariant::operator=() : pointer on value is null (byref)");
    EXPECT_EQ(inner.vt, VT_EMPTY);
    EXPECT_EQ(outer.vt, VT_EMPTY);
}

TEST(vbVariant, OwnershipMovesByAttachAndDetach)
{
    VARIANT mine = plain(VT_BSTR);
    mine.bstrVal = SysAllocString(u"owned");
    vbVariant v;
    v.Attach(&mine);
    EXPECT_EQ(mine.vt, VT_EMPTY);
    EXPECT_STREQ(v.GetAsString(), "owned");

    VARIANT out = plain(VT_EMPTY);
    v.Detach(&out);
    v.Clear(); // forgets without freeing: out owns it now
    EXPECT_TRUE(v.IsEmpty());
    EXPECT_EQ(std::u16string(out.bstrVal), u"owned");

    vbVariant borrow;
    borrow.AttachEx(out);
    borrow = 5; // replaces the borrowed text without freeing it
    EXPECT_EQ(borrow.GetAsLong(), 5);
    EXPECT_EQ(std::u16string(out.bstrVal), u"owned");
    VariantClear(&out);
}

TEST(vbVariant, SetTypeConvertsInPlaceOrFromABorrowedCopy)
{
    vbVariant v("12");
    v.SetType(VT_I4);
    EXPECT_EQ(typeOf(v), VT_I4);
    EXPECT_EQ(v.GetAsLong(), 12);
    v.SetType(VT_BSTR, vbVariant(static_cast<short>(3)));
    EXPECT_STREQ(v.GetAsString(), "3");
    expectEsys([&] { v.SetType(VT_DISPATCH); }, DISP_E_TYPEMISMATCH,
        "Instruction '::VariantChangeTypeEx(pDest, (VARIANT*)pSrce,lcid, 0, vt)' failed !");
    EXPECT_STREQ(v.GetAsString(), "3"); // unchanged after a refused conversion
    expectEsys([&] { (void)v.GetAsDispatch(); }, DISP_E_TYPEMISMATCH,
        "Instruction '::VariantChangeTypeEx(pDest, (VARIANT*)pSrce,lcid, 0, vt)' failed !");

    VARIANT text = plain(VT_BSTR);
    text.bstrVal = SysAllocString(u"34");
    vbVariant borrow;
    borrow.AttachEx(text);
    borrow.SetType(VT_I2);
    EXPECT_EQ(borrow.GetAsShort(), 34);
    EXPECT_EQ(std::u16string(text.bstrVal), u"34");
    VariantClear(&text);
}

TEST(vbVariant, AddrOnlyForAnEmptyVariant)
{
    vbVariant v;
    VARIANT* out = v.Addr();
    out->vt = VT_I4;
    out->lVal = 5;
    EXPECT_EQ(v.GetAsLong(), 5);
    expectEsys([&] { v.Addr(); }, E_FAIL, "VARIANT* vbVariant::Addr() : variant not empty !");
    EXPECT_EQ(v.IOaddr()->lVal, 5);
}

TEST(vbVariant, ByteArrays)
{
    vbVariant v;
    v.SetData("abc", 3);
    EXPECT_TRUE(v.IsData());
    EXPECT_TRUE(v.IsArray());
    vbData out;
    EXPECT_EQ(v.GetData(&out), 3);
    EXPECT_EQ(hexBytes(static_cast<const void*>(out), 3), "61 62 63");
    vbVariant copy(v);
    EXPECT_EQ(copy.GetData(), 3);

    v.SetData("x", 0);
    EXPECT_TRUE(v.IsEmpty());
    EXPECT_FALSE(v.IsData());
    expectEsys([&] { v.GetData(); }, E_NOTIMPL, "vbVariant::GetData() : VARIANT is not an array of bytes !");
    v.SetData(vbData());
    EXPECT_TRUE(v.IsEmpty());
    v = 3;
    expectEsys([&] { v.SetData(nullptr, 2); }, E_POINTER, "vbVariant::SetData() : no bytes to copy (null pointer) !");
    EXPECT_EQ(v.GetAsLong(), 3);
}

TEST(vbVariant, InterfacesAreCounted)
{
    CountedUnknown a, b;
    {
        vbVariant v(static_cast<IUnknown*>(&a));
        EXPECT_EQ(a.refs, 2u);
        EXPECT_EQ(v.GetAsUnknown(), &a);
        EXPECT_EQ(a.refs, 2u); // no reference for the caller
        EXPECT_TRUE(v.IsInterface());
        EXPECT_FALSE(v.IsNull());
        vbVariant copy(v);
        EXPECT_EQ(a.refs, 3u);
    }
    EXPECT_EQ(a.refs, 1u);

    IUnknown* slot = &a;
    a.AddRef();
    VARIANT ref = refTo(VT_UNKNOWN, &slot);
    vbVariant through;
    through.AttachEx(ref);
    through.SetAsUnknown(&b);
    EXPECT_EQ(slot, &b);
    EXPECT_EQ(a.refs, 1u);
    EXPECT_EQ(b.refs, 2u);
    slot->Release();

    vbVariant none(static_cast<IUnknown*>(nullptr));
    EXPECT_TRUE(none.IsNull());
    EXPECT_TRUE(none.IsInterface());
}

TEST(vbVariant, TypeTests)
{
    struct Case {
        vbVariant v;
        bool empty, null, str, boolean, num;
    };
    Case cases[] = {
        {vbVariant(), true, true, false, false, false},
        {vbVariant(0, VT_NULL), false, true, false, false, false},
        {vbVariant("x"), false, false, true, false, false},
        {vbVariant(false), false, false, false, true, false},
        {vbVariant(1.0f), false, false, false, false, true},
        {vbVariant(static_cast<int64_t>(1)), false, false, false, false, true},
        {vbVariant(E_FAIL, VT_ERROR), false, false, false, false, false},
    };
    for (const Case& c : cases) {
        VARTYPE vt = typeOf(c.v);
        EXPECT_EQ(c.v.IsEmpty(), c.empty) << vt;
        EXPECT_EQ(c.v.IsValid(), !c.empty) << vt;
        EXPECT_EQ(c.v.IsNull(), c.null) << vt;
        EXPECT_EQ(c.v.IsString(), c.str) << vt;
        EXPECT_EQ(c.v.IsBool(), c.boolean) << vt;
        EXPECT_EQ(c.v.IsNum(), c.num) << vt;
        EXPECT_FALSE(c.v.IsRef()) << vt;
    }
    // The chained tests look through variant references.
    VARIANT text = plain(VT_BSTR);
    VARIANT ref = refTo(VT_VARIANT, &text);
    vbVariant v;
    v.AttachEx(ref);
    EXPECT_TRUE(v.IsString());
    EXPECT_TRUE(v.IsRef());
    EXPECT_FALSE(v.IsArray());
}

TEST(vbVariant, ComparisonsWithoutConversionOrderByType)
{
    EXPECT_TRUE(vbVariant(static_cast<short>(100)) < vbVariant(1));
    EXPECT_TRUE(vbVariant(2) > vbVariant(1));
    EXPECT_TRUE(vbVariant("a") == vbVariant("a"));
    EXPECT_TRUE(vbVariant("a") != vbVariant("b"));
    EXPECT_TRUE(vbVariant(true) > vbVariant(false));
    VARIANT v = plain(VT_I4);
    v.lVal = 3;
    EXPECT_TRUE(vbVariant(3) == v);
    EXPECT_TRUE(vbVariant(2) <= v);
}

TEST(vbVariantCmp, TableOfTypes)
{
    auto i4 = [](LONG x) { return vbVariant(x); };
    auto cmp = [](const vbVariant& a, const vbVariant& b, bool conv) {
        return vbVariantCmp(static_cast<const VARIANT*>(a), static_cast<const VARIANT*>(b), conv, 0);
    };
    EXPECT_EQ(cmp(i4(5), vbVariant(static_cast<short>(5)), false), 1);
    EXPECT_EQ(cmp(i4(5), vbVariant(static_cast<short>(5)), true), 0);
    // No overflow: the sign of the true difference.
    EXPECT_LT(cmp(i4(INT32_MIN), i4(1), false), 0);
    EXPECT_GT(cmp(i4(INT32_MAX), i4(-1), false), 0);
    EXPECT_LT(cmp(vbVariant(INT32_MIN, VT_ERROR), vbVariant(INT32_MAX, VT_ERROR), false), 0);
    EXPECT_EQ(cmp(i4(7), i4(7), false), 0);
    // Currencies compare bytewise from the least significant byte.
    EXPECT_LT(cmp(vbVariant(static_cast<int64_t>(256)), vbVariant(static_cast<int64_t>(1)), false), 0);
    EXPECT_GT(cmp(vbVariant(2.5), vbVariant(-1.0), false), 0);
    EXPECT_EQ(cmp(vbVariant(static_cast<unsigned char>(200)), vbVariant(static_cast<unsigned char>(100)), false), 100);
    EXPECT_LT(cmp(vbVariant("B"), vbVariant("a"), false), 0);
    vbVariant nullText(static_cast<const char*>(nullptr));
    EXPECT_EQ(cmp(nullText, vbVariant(""), false), 0);
    EXPECT_EQ(cmp(vbVariant(), vbVariant(), false), 0);
    vbVariant a, b;
    a.SetAsUlong(1);
    b.SetAsUlong(1);
    expectEsys([&] { (void)cmp(a, b, false); }, E_NOTIMPL,
        "vbVariantCmp(const VARIANT* pOp1, const VARIANT* pOp2,bool can_convert) : unsupported VARIANT type !");
    expectEsys([&] { (void)cmp(a, i4(1), true); }, E_NOTIMPL,
        "vbVariantCmp(const VARIANT* pOp1, const VARIANT* pOp2,bool can_convert) : unsupported VARIANT type !");
    expectEsys([&] { (void)cmp(i4(1), vbVariant("x"), true); }, DISP_E_TYPEMISMATCH,
        "Instruction '::VariantChangeTypeEx(pDest, (VARIANT*)pSrce,lcid, 0, vt)' failed !");
}

TEST(vbVariantFunctions, ClearAndCopy)
{
    VARIANT a = plain(VT_BSTR), b = plain(VT_EMPTY);
    a.bstrVal = SysAllocString(u"abc");
    vbVariantCopy(&b, &a);
    EXPECT_NE(b.bstrVal, a.bstrVal);
    vbVariantCopy(&b, &b);
    vbVariantClear(&a);
    EXPECT_EQ(a.vt, VT_EMPTY);
    EXPECT_EQ(std::u16string(b.bstrVal), u"abc");
    vbVariantClear(&b);

    VARIANT bad = plain(VT_VARIANT);
    expectEsys([&] { vbVariantClear(&bad); }, DISP_E_BADVARTYPE, "Instruction '::VariantClear(var)' failed !");
    VARIANT dst = plain(VT_EMPTY);
    expectEsys([&] { vbVariantCopy(&dst, &bad); }, DISP_E_BADVARTYPE, "Instruction '::VariantCopy( dst, (VARIANT*)src )' failed !");

    VARIANT i = plain(VT_I4);
    i.lVal = 12;
    vbVariantChangeType(&i, &i, VT_BSTR, 0x409);
    EXPECT_EQ(i.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(i.bstrVal), u"12");
    vbVariantClear(&i);
}

} // namespace
