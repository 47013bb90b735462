// Conversions between code pages, measured first so that no form of text is cut short.

#include "vbCodePage.h"

#include "text/vbCodePageImpl.h"

#include "vbBSTR.h"
#include "vbException.h"
#include "vbString.h"

#include "plat/codepage.h"
#include "plat/errors.h"

#include <string>

namespace {

// The messages of one form: measuring, making the wide text, measuring the 8-bit text, writing it.
struct Texts {
    const char* measure;
    const char* wide;
    const char* measureOut;
    const char* out;
};

constexpr Texts kForm1 = {"string conversion api failure - comCfg::CPconvert(1)",
    "string conversion api failure - comCfg::CPconvert(1a)", "string conversion api failure - comCfg::CPconvert(1b)",
    "string conversion api failure - comCfg::CPconvert()"};
constexpr Texts kForm2 = {"string conversion api failure - comCfg::CPconvert(2)",
    "string conversion api failure - comCfg::CPconvert(2a)", "string conversion api failure - comCfg::CPconvert(2b)",
    "string conversion api failure - comCfg::CPconvert(2c)"};
constexpr Texts kForm4 = {"string conversion api failure - comCfg::CPconvert(4)",
    "string conversion api failure - comCfg::CPconvert(4a)", nullptr, nullptr};
constexpr Texts kForm5 = {"string conversion api failure - comCfg::CPconvert(5)",
    "string conversion api failure - comCfg::CPconvert(5a)", nullptr, nullptr};

[[noreturn]] void throwApi(const char* msg) { throw new vbEsys(HRESULT_FROM_WIN32(GetLastError()), msg); }

// len UTF-16 units into cpTo; the texts name the two steps.
vbString narrow(const WCHAR* wtext, int len, DWORD cpTo, const char* measureMsg, const char* outMsg)
{
    vbString out;
    if (len <= 0 || !wtext)
        return out;
    int n = WideCharToMultiByte(cpTo, 0, wtext, len, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        throwApi(measureMsg);
    char* buffer = out.GetBufferSetLength(n);
    int written = WideCharToMultiByte(cpTo, 0, wtext, len, buffer, n, nullptr, nullptr);
    if (written <= 0) {
        out.ReleaseBuffer(0);
        throwApi(outMsg);
    }
    out.ReleaseBuffer(written);
    return out;
}

void toWide(DWORD cp, const char* text, int len, vbBSTR* dst, const Texts& t)
{
    if (len <= 0 || !text) {
        dst->Clear();
        return;
    }
    int n = MultiByteToWideChar(cp, 0, text, len, nullptr, 0);
    if (n <= 0)
        throwApi(t.measure);
    vbBSTR wide(dst->GetAllocHeap());
    wide.SetLength(n);
    int written = MultiByteToWideChar(cp, 0, text, len, static_cast<BSTR>(wide), n);
    if (written <= 0)
        throwApi(t.wide);
    if (written < n)
        wide.SetLength(written);
    dst->Clear();
    BSTR p = wide.Detach();
    dst->Attach(&p);
}

void reencode(DWORD cpFrom, const char* text, int len, DWORD cpTo, vbString* dst, const Texts& t)
{
    if (cpFrom == cpTo || vbImpl::realCodePage(cpFrom, true) == vbImpl::realCodePage(cpTo, true)) {
        *dst = len > 0 && text ? vbString(text, len) : vbString();
        return;
    }
    if (len <= 0 || !text) {
        dst->Empty();
        return;
    }
    int n = MultiByteToWideChar(cpFrom, 0, text, len, nullptr, 0);
    if (n <= 0)
        throwApi(t.measure);
    std::u16string wide(static_cast<size_t>(n), u'\0');
    int written = MultiByteToWideChar(cpFrom, 0, text, len, wide.data(), n);
    if (written <= 0)
        throwApi(t.wide);
    *dst = narrow(wide.data(), written, cpTo, t.measureOut, t.out);
}

} // namespace

namespace vbImpl {

DWORD realCodePage(DWORD cp, bool bThrow)
{
    if (cp == CP_ACP)
        return GetACP();
    if (cp == CP_OEMCP)
        return GetOEMCP();
    SetLastError(0);
    if (IsValidCodePage(cp))
        return cp;
    if (!bThrow)
        return 0;
    throw new vbEapp(HRESULT_FROM_WIN32(GetLastError()), "Invalid or not supported code page (" + vbString(cp) + ")",
        vbString("vbRegEngine::GetRealCP()"));
}

} // namespace vbImpl

void vbCPconvert(DWORD cpFrom, const vbString& src, DWORD cpTo, vbString* dst)
{
    vbString keep(src); // dst may be src
    reencode(cpFrom, keep.c_str(), keep.GetLength(), cpTo, dst, kForm1);
}

void vbCPconvert(DWORD cpFrom, const char* text, int len, DWORD cpTo, vbString* dst)
{
    reencode(cpFrom, text, len, cpTo, dst, kForm2);
}

void vbCPconvert(const WCHAR* wtext, int len, DWORD cpTo, vbString* dst)
{
    *dst = narrow(wtext, len, cpTo, "string conversion api failure - comCfg::CPconvert(3)",
        "string conversion api failure - comCfg::CPconvert(3a)");
}

void vbCPconvert(DWORD cp, const vbString& src, vbBSTR* dst) { toWide(cp, src.c_str(), src.GetLength(), dst, kForm4); }

void vbCPconvert(DWORD cp, const char* text, int len, vbBSTR* dst) { toWide(cp, text, len, dst, kForm5); }
