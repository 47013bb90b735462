#include "plat/testhooks.h"
#include "plat/urlmon.h"

#include <gtest/gtest.h>

namespace {

// Counts its references; every report is refused, none is expected.
class CountedCallback final : public IBindStatusCallback {
public:
    HRESULT QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT OnStartBinding(DWORD, IBinding*) override { return E_FAIL; }
    HRESULT GetPriority(LONG*) override { return E_FAIL; }
    HRESULT OnLowResource(DWORD) override { return E_FAIL; }
    HRESULT OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return E_FAIL; }
    HRESULT OnStopBinding(HRESULT, LPCWSTR) override { return E_FAIL; }
    HRESULT GetBindInfo(DWORD*, BINDINFO*) override { return E_FAIL; }
    HRESULT OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_FAIL; }
    HRESULT OnObjectAvailable(REFIID, IUnknown*) override { return E_FAIL; }

    ULONG refs = 1;
};

constexpr CLSID kClass = VNT_GUID(0x1A2B3C4D, 0x1111, 0x2222, 0x33, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66);

HRESULT fetch(const char16_t* url, IBindCtx* ctx, void** ppv)
{
    return CoGetClassObjectFromURL(kClass, url, 0x00010000, 0, nullptr, ctx, 7, nullptr, IID_IClassFactory, ppv);
}

TEST(CodeDownload, BindContextHoldsItsCallbackUntilReleased)
{
    CountedCallback callback;
    IBindCtx* ctx = nullptr;
    EXPECT_EQ(CreateAsyncBindCtx(1, &callback, nullptr, &ctx), E_INVALIDARG);
    EXPECT_EQ(ctx, nullptr);
    ASSERT_EQ(CreateAsyncBindCtx(0, &callback, nullptr, &ctx), S_OK);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(callback.refs, 2u);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(ctx->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    unknown->Release();
    ctx->Release();
    EXPECT_EQ(callback.refs, 1u);
}

TEST(CodeDownload, EveryModuleUrlIsRefusedAtOnce)
{
    CountedCallback callback;
    IBindCtx* ctx = nullptr;
    ASSERT_EQ(CreateAsyncBindCtx(0, &callback, nullptr, &ctx), S_OK);
    for (const char16_t* url : {u"http://example.org/plug.cab", u"https://example.org/plug.cab",
             u"ftp://example.org/plug.cab", u"file:///tmp/plug.so", u"plug.cab", u""}) {
        void* object = &callback;
        EXPECT_EQ(fetch(url, ctx, &object), E_NOTIMPL);
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_EQ(fetch(u"http://example.org/plug.cab", ctx, nullptr), E_INVALIDARG);
    ctx->Release();
    EXPECT_EQ(callback.refs, 1u) << "a refused download keeps no reference";
}

// Answers every call with a fixed result and counts them.
struct ScriptedDownload final : vntCodeDownloadService {
    HRESULT CreateAsyncBindCtx(DWORD, IBindStatusCallback*, IEnumFORMATETC*, IBindCtx** ppBC) override
    {
        ++bindCalls;
        *ppBC = nullptr;
        return E_OUTOFMEMORY;
    }
    HRESULT CoGetClassObjectFromURL(REFCLSID, LPCWSTR, DWORD, DWORD, LPCWSTR, IBindCtx*, DWORD, LPVOID, REFIID,
        LPVOID*) override
    {
        ++fetchCalls;
        return MK_S_ASYNCHRONOUS;
    }
    int bindCalls = 0;
    int fetchCalls = 0;
};

TEST(CodeDownload, TestServiceTakesBothCallsUntilRemoved)
{
    ScriptedDownload scripted;
    vntTestSetCodeDownload(&scripted);
    IBindCtx* ctx = nullptr;
    void* object = nullptr;
    EXPECT_EQ(CreateAsyncBindCtx(0, nullptr, nullptr, &ctx), E_OUTOFMEMORY);
    EXPECT_EQ(fetch(u"http://example.org/plug.cab", nullptr, &object), MK_S_ASYNCHRONOUS);
    vntTestSetCodeDownload(nullptr);
    EXPECT_EQ(fetch(u"http://example.org/plug.cab", nullptr, &object), E_NOTIMPL);
    EXPECT_EQ(scripted.bindCalls, 1);
    EXPECT_EQ(scripted.fetchCalls, 1);
}

} // namespace
