#include "plat/com.h"
#include "plat/folders.h"
#include "plat/registry.h"
#include "plat/testhooks.h"
#include "plat/urlmon.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

TEST(CodeDownload, EveryUrlButALocalFileIsRefusedAtOnce)
{
    CountedCallback callback;
    IBindCtx* ctx = nullptr;
    ASSERT_EQ(CreateAsyncBindCtx(0, &callback, nullptr, &ctx), S_OK);
    for (const char16_t* url : {u"http://example.org/plug.cab", u"https://example.org/plug.cab",
             u"ftp://example.org/plug.cab", u"file://elsewhere/tmp/plug.so", u""}) {
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

// Notes what a download reports, until OnStopBinding.
class NotingCallback final : public IBindStatusCallback {
public:
    HRESULT QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT OnStartBinding(DWORD, IBinding* pib) override
    {
        if (abortAtStart)
            pib->Abort();
        return S_OK;
    }
    HRESULT GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT OnLowResource(DWORD) override { return E_NOTIMPL; }
    HRESULT OnProgress(ULONG, ULONG, ULONG status, LPCWSTR) override
    {
        std::lock_guard lock(m_mutex);
        if (statuses.empty() || statuses.back() != status) // the byte counts of one step as one
            statuses.push_back(status);
        return S_OK;
    }
    HRESULT OnStopBinding(HRESULT hr, LPCWSTR) override
    {
        std::lock_guard lock(m_mutex);
        stopped = true;
        result = hr;
        m_done.notify_all();
        return S_OK;
    }
    HRESULT GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    HRESULT OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT OnObjectAvailable(REFIID riid, IUnknown* punk) override
    {
        IClassFactory* factory = nullptr;
        gotFactory = riid == IID_IClassFactory && punk &&
            SUCCEEDED(punk->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&factory)));
        if (factory)
            factory->Release();
        return S_OK;
    }

    bool waitForStop()
    {
        std::unique_lock lock(m_mutex);
        return m_done.wait_for(lock, std::chrono::seconds(20), [&] { return stopped; });
    }

    std::atomic<ULONG> refs{1};
    bool abortAtStart = false;
    std::vector<ULONG> statuses;
    bool stopped = false;
    HRESULT result = S_FALSE;
    bool gotFactory = false;

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
};

// The COM test server's class, and its copy with version 2.0.0.0.
constexpr CLSID kServerClass = VNT_GUID(0x6A0E2C54, 0x3B1D, 0x4F7A, 0x9C, 0x21, 0x5D, 0x8E, 0x0F, 0x4B, 0x7A, 0x13);
const std::string kVersion2 = std::string(VNT_BIN_DIR) + "/plat_testmod_inproc_v2.so";

class FileCodeDownload : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }

    // The download of url for version major.0, run to its end when it goes on in the background.
    HRESULT download(const std::string& url, DWORD major, NotingCallback& callback, void** ppv)
    {
        IBindCtx* ctx = nullptr;
        EXPECT_EQ(CreateAsyncBindCtx(0, &callback, nullptr, &ctx), S_OK);
        const std::u16string wide(url.begin(), url.end());
        const HRESULT hr = CoGetClassObjectFromURL(kServerClass, reinterpret_cast<LPCWSTR>(wide.c_str()), major << 16, 0,
            nullptr, ctx, 7, nullptr, IID_IClassFactory, ppv);
        if (hr == MK_S_ASYNCHRONOUS) {
            EXPECT_TRUE(callback.waitForStop()) << url;
        }
        ctx->Release();
        // The download's thread lets the callback go right after its last report.
        for (int i = 0; i < 2000 && callback.refs != 1u; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return hr;
    }

    static std::string registeredServer()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{6A0E2C54-3B1D-4F7A-9C21-5D8E0F4B7A13}\\InprocServer32", 0, KEY_READ,
                &key) != ERROR_SUCCESS)
            return {};
        char path[1024] = {};
        DWORD size = sizeof path - 1;
        RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size);
        RegCloseKey(key);
        return path;
    }
};

TEST_F(FileCodeDownload, ACopyIsRegisteredAndHandedOverThenTheInstalledOneServesAtOnce)
{
    NotingCallback first;
    void* object = nullptr;
    ASSERT_EQ(download("file://" + kVersion2, 2, first, &object), MK_S_ASYNCHRONOUS);
    EXPECT_EQ(first.result, S_OK);
    EXPECT_EQ(first.statuses, (std::vector<ULONG>{1, 4, 5, 6, 7, 8, 9}));
    EXPECT_TRUE(first.gotFactory);
    const std::string copy = plat::vantrelFolder(plat::Folder::Data) + "/plugins/plat_testmod_inproc_v2.so";
    EXPECT_EQ(registeredServer(), copy);
    EXPECT_TRUE(std::filesystem::exists(copy));

    NotingCallback again;
    ASSERT_EQ(download(kVersion2, 2, again, &object), S_OK) << "a plain path; version 2 is installed";
    ASSERT_NE(object, nullptr);
    static_cast<IUnknown*>(object)->Release();
    EXPECT_TRUE(again.statuses.empty());
    EXPECT_FALSE(again.stopped);
    EXPECT_EQ(again.refs, 1u);
    EXPECT_EQ(first.refs, 1u) << "the finished download let its callback go";
}

TEST_F(FileCodeDownload, FailuresEndTheDownloadWithTheirError)
{
    const struct {
        std::string url;
        DWORD major;
        bool abort;
        HRESULT result;
    } cases[] = {
        {"file:///nowhere/plat_testmod_inproc_v2.so", 2, false, HRESULT(0x80070002)},
        {"file://" + kVersion2, 3, false, E_FAIL}, // the copy is older than asked
        {"file://localhost" + kVersion2, 2, true, E_ABORT},
    };
    for (const auto& c : cases) {
        NotingCallback callback;
        callback.abortAtStart = c.abort;
        void* object = nullptr;
        ASSERT_EQ(download(c.url, c.major, callback, &object), MK_S_ASYNCHRONOUS) << c.url;
        EXPECT_EQ(callback.result, c.result) << c.url;
        EXPECT_FALSE(callback.gotFactory) << c.url;
        EXPECT_EQ(registeredServer(), "") << "nothing was registered";
    }
    EXPECT_FALSE(std::filesystem::exists(plat::vantrelFolder(plat::Folder::Data) + "/plugins/plat_testmod_inproc_v2.so"));
}

} // namespace
