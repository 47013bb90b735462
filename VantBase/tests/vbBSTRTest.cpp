#include "vbTypesTestUtil.h"

#include "vbBSTR.h"
#include "vbCodePage.h"
#include "vbString.h"

#include "plat/codepage.h"
#include "plat/module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using vbtypes::expectEsys;
using vbtypes::hexBytes;

namespace {

std::u16string text(const vbBSTR& s)
{
    BSTR p = s;
    return p ? std::u16string(p, static_cast<size_t>(s.GetLength())) : std::u16string(u"<null>");
}

int32_t heapPrefix(const vbBSTR& s)
{
    int32_t n;
    std::memcpy(&n, reinterpret_cast<const char*>(static_cast<BSTR>(s)) - 4, 4);
    return n;
}

TEST(vbBSTR, NullAndEmptyAreBothEmptyButCompareApart)
{
    vbBSTR null;
    EXPECT_EQ(null.GetLength(), 0);
    EXPECT_TRUE(null.IsEmpty());
    EXPECT_FALSE(null.IsValid());
    EXPECT_TRUE(null.IsNull());
    EXPECT_EQ(null.GetAllocHeap(), vbAllocSysString);

    vbBSTR empty(u"", 0);
    EXPECT_FALSE(empty.IsNull());
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_FALSE(empty == static_cast<const WCHAR*>(nullptr));
    EXPECT_TRUE(empty == u"");
    EXPECT_TRUE(null == static_cast<const WCHAR*>(nullptr));
    EXPECT_FALSE(null == u"");
    EXPECT_TRUE(null < u"");
    EXPECT_FALSE(empty < static_cast<const WCHAR*>(nullptr));
    EXPECT_TRUE(vbBSTR(u"ab") < u"b");
    EXPECT_TRUE(vbBSTR(u"\xE9") == "\xC3\xA9"); // the 8-bit side goes through the ANSI code page
    EXPECT_TRUE(vbBSTR(u"a") < "b");
}

TEST(vbBSTR, AddrOnlyForANullOwnedText)
{
    vbBSTR s;
    BSTR* out = s.Addr();
    ASSERT_NE(out, nullptr);
    *out = SysAllocString(u"filled");
    EXPECT_EQ(text(s), u"filled");
    expectEsys([&] { s.Addr(); }, E_FAIL, "BSTR* vbBSTR::Addr() : bstr not empty !");
    s = u"other";
    expectEsys([&] { s.Addr(); }, E_FAIL, "BSTR* vbBSTR::Addr() : bstr not empty !");
    vbBSTR attached;
    attached.AttachEx(nullptr);
    expectEsys([&] { attached.Addr(); }, E_FAIL, "BSTR* vbBSTR::Addr() : bstr not empty !");
}

TEST(vbBSTR, HeapFormIsALengthPrefixedBlock)
{
    vbBSTR s(vbAllocMainHeap, u"abc");
    EXPECT_EQ(s.GetAllocHeap(), vbAllocMainHeap);
    EXPECT_EQ(heapPrefix(s), 3);
    EXPECT_EQ(static_cast<BSTR>(s)[3], 0);
    EXPECT_EQ(s.GetByteLength(), 6);

    s.SetLength(5);
    EXPECT_EQ(heapPrefix(s), 5);
    EXPECT_EQ(text(s), std::u16string(u"abc\0\0", 5));
    s.SetLength(2);
    EXPECT_EQ(heapPrefix(s), 2);
    EXPECT_EQ(static_cast<BSTR>(s)[2], 0);
    s.Append(u"xyz", 3);
    EXPECT_EQ(text(s), u"abxyz");
    EXPECT_EQ(heapPrefix(s), 5);

    vbBSTR filled(vbAllocMainHeap, 3, true, u'z');
    EXPECT_EQ(text(filled), u"zzz");
    EXPECT_EQ(heapPrefix(filled), 3);
}

TEST(vbBSTR, KindsFollowTheirRules)
{
    vbBSTR heap(vbAllocMainHeap, u"text");
    vbBSTR copy(heap);
    EXPECT_EQ(copy.GetAllocHeap(), vbAllocSysString);
    EXPECT_EQ(SysStringLen(copy), 4u);

    vbBSTR target(vbAllocMainHeap);
    target = copy;
    EXPECT_EQ(target.GetAllocHeap(), vbAllocMainHeap);
    EXPECT_EQ(heapPrefix(target), 4);

    vbBSTR heapCopy(vbAllocMainHeap, copy);
    EXPECT_EQ(heapCopy.GetAllocHeap(), vbAllocMainHeap);
    BSTR c = heapCopy.Copy(vbAllocSysString);
    EXPECT_EQ(SysStringLen(c), 4u);
    SysFreeString(c);

    heapCopy.SetAllocHeap(vbAllocSysString);
    EXPECT_EQ(heapCopy.GetAllocHeap(), vbAllocSysString);
    EXPECT_EQ(SysStringLen(heapCopy), 4u);
    heapCopy.SetAllocHeap(vbAllocMainHeap);
    EXPECT_EQ(heapPrefix(heapCopy), 4);
    EXPECT_EQ(text(heapCopy), u"text");

    vbBSTR fromHeap;
    fromHeap.SetBSTR(vbAllocMainHeap, heap);
    EXPECT_EQ(text(fromHeap), u"text");
    fromHeap.AppendBSTR(vbAllocMainHeap, heap);
    EXPECT_EQ(text(fromHeap), u"texttext");
}

TEST(vbBSTR, AttachedTextIsNeverWritten)
{
    for (vbAllocHeap kind : {vbAllocSysString, vbAllocMainHeap}) {
        vbBSTR owner(kind, u"Mixed");
        struct Edit {
            const char* name;
            void (*edit)(vbBSTR&);
            const char16_t* result;
        } edits[] = {
            {"Append", [](vbBSTR& s) { s.Append(u"!"); }, u"Mixed!"},
            {"ToUpper", [](vbBSTR& s) { s.ToUpper(); }, u"MIXED"},
            {"ToLower", [](vbBSTR& s) { s.ToLower(); }, u"mixed"},
            {"SetLength", [](vbBSTR& s) { s.SetLength(3); }, u"Mix"},
            {"OwnData", [](vbBSTR& s) { s.OwnData(); }, u"Mixed"},
        };
        for (const Edit& e : edits) {
            vbBSTR view;
            view.AttachEx(kind, owner);
            e.edit(view);
            EXPECT_EQ(text(view), e.result) << e.name;
            EXPECT_NE(static_cast<BSTR>(view), static_cast<BSTR>(owner)) << e.name;
            EXPECT_EQ(text(owner), u"Mixed") << e.name;
        }
        vbBSTR view;
        view.AttachEx(kind, owner);
        view.Clear(); // frees nothing: the owner still holds it
        EXPECT_TRUE(view.IsNull());
        EXPECT_EQ(text(owner), u"Mixed");
        view.AttachEx(kind, owner);
        BSTR mine = view.Detach();
        EXPECT_NE(mine, static_cast<BSTR>(owner));
        vbBSTR back(kind);
        back.Attach(&mine);
        EXPECT_EQ(mine, nullptr);
        EXPECT_EQ(text(back), u"Mixed");
    }
}

TEST(vbBSTR, EditsThatReadTheirOwnText)
{
    for (vbAllocHeap kind : {vbAllocSysString, vbAllocMainHeap}) {
        vbBSTR s(kind, u"abc");
        s.Append(s);
        EXPECT_EQ(text(s), u"abcabc");
        s.Append(static_cast<BSTR>(s) + 4, 2);
        EXPECT_EQ(text(s), u"abcabcbc");
        s = static_cast<BSTR>(s) + 5;
        EXPECT_EQ(text(s), u"cbc");
        s += s;
        EXPECT_EQ(text(s), u"cbccbc");
    }
}

TEST(vbBSTR, BadArgumentsThrow)
{
    expectEsys([] { vbBSTR s(static_cast<const WCHAR*>(nullptr), 3); }, E_POINTER,
        "vbBSTR::vbBSTR(LPCWSTR pszStr, int nSize) : pszStr is null");
    vbBSTR s(u"keep");
    expectEsys([&] { s.Set(static_cast<const WCHAR*>(nullptr), 1); }, E_POINTER,
        "vbBSTR::vbBSTR(LPCWSTR pszStr, int nSize) : pszStr is null");
    expectEsys([&] { s.CopyTo(nullptr); }, E_POINTER, "vbBSTR::CopyTo(BSTR* pbstr) : pbstr is NULL");
    expectEsys([&] { s.SetLength(-1); }, E_OUTOFMEMORY, "vbBSTR::SetLength(int nLen) : not enough memory");
    expectEsys([&] { vbBSTR big(1 << 30, false, u' '); }, E_OUTOFMEMORY, "vbBSTR::vbBSTR(int nSize)");
    EXPECT_EQ(text(s), u"keep");
    s.Set(static_cast<const WCHAR*>(nullptr), 0);
    EXPECT_FALSE(s.IsNull());
    s = static_cast<const WCHAR*>(nullptr);
    EXPECT_TRUE(s.IsNull());
    BSTR out = reinterpret_cast<BSTR>(1);
    s.CopyTo(&out);
    EXPECT_EQ(out, nullptr);
}

TEST(vbBSTR, EightBitTextConvertsThroughItsCodePage)
{
    const DWORD cp1252 = 1252;
    vbBSTR euro(cp1252, "\x80", 1);
    EXPECT_EQ(text(euro), u"\u20AC");
    vbBSTR viaSet;
    viaSet.Set(cp1252, "\x80x", 1);
    EXPECT_EQ(text(viaSet), u"\u20AC");
    viaSet.Set(cp1252, "\x80");
    EXPECT_EQ(text(viaSet), u"\u20AC");
    viaSet.Append(cp1252, "\xE9", 1);
    EXPECT_EQ(text(viaSet), u"\u20AC\u00E9");

    vbBSTR ansi("\xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(text(ansi), u"\u65E5\u672C");
    vbString back = ansi;
    EXPECT_STREQ(back, "\xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_STREQ(static_cast<vbString>(vbBSTR()), "");

    vbBSTR heap(vbAllocMainHeap, "abc", 2);
    EXPECT_EQ(heap.GetAllocHeap(), vbAllocMainHeap);
    EXPECT_EQ(heapPrefix(heap), 2);
    heap = "";
    EXPECT_TRUE(heap.IsNull());
    heap = static_cast<const char*>(nullptr);
    EXPECT_TRUE(heap.IsNull());
    EXPECT_EQ(heap.GetAllocHeap(), vbAllocMainHeap);
}

TEST(vbBSTR, LoadFromResReadsTheModuleStringTable)
{
    std::string path = vbtypes::binDir() + "/plat_testmod_versioned.so";
    if (access(path.c_str(), R_OK) != 0)
        GTEST_SKIP() << "test module not built: " << path;
    HMODULE mod = LoadLibraryA(path.c_str());
    ASSERT_NE(mod, nullptr);

    vbBSTR s(vbAllocMainHeap);
    s.LoadFromRes(101, nullptr, mod);
    EXPECT_EQ(text(s), u"Hello");
    EXPECT_EQ(s.GetAllocHeap(), vbAllocMainHeap);
    s.LoadFromRes(103, nullptr, mod);
    EXPECT_EQ(text(s), u"\u00DCn\u00EFc\u00F6d\u00E9");
    s.LoadFromRes(999, u"default", mod);
    EXPECT_EQ(text(s), u"default");
    try {
        s.LoadFromRes(999, nullptr, mod);
        ADD_FAILURE() << "no exception";
    } catch (vbEsys* e) {
        EXPECT_STREQ(e->GetMsg(), "vbBSTR::LoadFromRes(UINT id=0x3E7,LPCSTR dflt,HINSTANCE hInst)");
        EXPECT_EQ(static_cast<uint32_t>(e->GetRealHR()) & 0xFFFF0000u, 0x80070000u);
        e->Delete();
    }
    EXPECT_EQ(text(s), u"default");
    FreeLibrary(mod);
}

// --- conversions between code pages ---

std::string hexOf(const vbString& s) { return hexBytes(s.c_str(), static_cast<size_t>(s.GetLength())); }

TEST(vbCPconvert, SameRealCodePageCopiesTheBytes)
{
    vbString out;
    vbCPconvert(0, "\xFF\xFE", 2, 65001, &out); // not UTF-8, but nothing is converted
    EXPECT_EQ(hexOf(out), "FF FE");
    vbCPconvert(1, vbString("\x80"), 0, &out);
    EXPECT_EQ(hexOf(out), "80");
}

TEST(vbCPconvert, ReencodesThroughUtf16)
{
    vbString out;
    vbCPconvert(1252, "\x80\xE9", 2, 0, &out);
    EXPECT_EQ(hexOf(out), "E2 82 AC C3 A9");
    vbCPconvert(65001, out, 1252, &out); // the destination may be the source
    EXPECT_EQ(hexOf(out), "80 E9");
    vbCPconvert(u"\u65E5\u672C\u8A9E", 3, 65001, &out);
    EXPECT_EQ(hexOf(out), "E6 97 A5 E6 9C AC E8 AA 9E");
    vbCPconvert(1252, "", 0, 0, &out);
    EXPECT_TRUE(out.IsEmpty());
    out = "x";
    vbCPconvert(u"", 0, 0, &out);
    EXPECT_TRUE(out.IsEmpty());

    vbBSTR wide(vbAllocMainHeap, u"old");
    vbCPconvert(1252, vbString("\x80"), &wide);
    EXPECT_EQ(text(wide), u"\u20AC");
    EXPECT_EQ(wide.GetAllocHeap(), vbAllocMainHeap);
    vbCPconvert(0, "", 0, &wide);
    EXPECT_TRUE(wide.IsNull());
}

TEST(vbCPconvert, AnUnknownCodePageFails)
{
    vbString out("keep");
    try {
        vbCPconvert(12345, "abc", 3, 0, &out);
        ADD_FAILURE() << "no exception";
    } catch (vbEapp* e) {
        EXPECT_STREQ(e->GetMsg(), "Invalid or not supported code page (12345)");
        EXPECT_STREQ(e->GetCtxString(), "vbRegEngine::GetRealCP()");
        e->Delete();
    }
    EXPECT_STREQ(out, "keep");
    vbBSTR wide(u"keep");
    try {
        vbCPconvert(12345, "abc", 3, &wide);
        ADD_FAILURE() << "no exception";
    } catch (vbEsys* e) {
        EXPECT_STREQ(e->GetMsg(), "string conversion api failure - comCfg::CPconvert(5)");
        EXPECT_NE(e->GetRealHR(), 0);
        e->Delete();
    }
    EXPECT_EQ(text(wide), u"keep");
}

} // namespace
