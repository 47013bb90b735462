#include "FileCodeDownload.h"

#include "com/ComObject.h"

#include "plat/testhooks.h"
#include "plat/urlmon.h"

#include "plat/codepage.h"

#include <atomic>
#include <string>

namespace {

// The bind context's own face, by which the system finds its callback again.
constexpr IID kBindContextSelf = VNT_GUID(0x3F6C2A90, 0x5E4B, 0x4C1D, 0x8A, 0x27, 0x61, 0xD0, 0x9B, 0x3E, 0x42, 0xF5);

// Holds the callback that the downloads bound with it report to.
class BindContext final : public plat::com::ComObject<BindContext, IBindCtx> {
public:
    explicit BindContext(IBindStatusCallback* callback) : m_callback(callback)
    {
        if (m_callback)
            m_callback->AddRef();
    }

    void* face(REFIID riid)
    {
        return riid == IID_IBindCtx || riid == kBindContextSelf ? static_cast<IBindCtx*>(this) : nullptr;
    }
    IBindStatusCallback* callback() const { return m_callback; }

    ~BindContext()
    {
        if (m_callback)
            m_callback->Release();
    }

private:
    IBindStatusCallback* m_callback;
};

// The callback a bind context of the system holds, or null.
IBindStatusCallback* callbackOf(IBindCtx* ctx)
{
    void* self = nullptr;
    if (!ctx || FAILED(ctx->QueryInterface(kBindContextSelf, &self)))
        return nullptr;
    auto* context = static_cast<BindContext*>(static_cast<IBindCtx*>(self));
    IBindStatusCallback* callback = context->callback();
    context->Release(); // the caller's context keeps it
    return callback;
}

std::string utf8Of(LPCWSTR text)
{
    if (!text)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

// The system's own code download: modules named by "file:" URLs or plain paths. It has no network
// client, so every other URL is refused at once; nothing is left running that could report later.
class SystemCodeDownload final : public vntCodeDownloadService {
public:
    HRESULT CreateAsyncBindCtx(DWORD reserved, IBindStatusCallback* pBSCb, IEnumFORMATETC*, IBindCtx** ppBC) override
    {
        if (!ppBC)
            return E_INVALIDARG;
        *ppBC = nullptr;
        if (reserved != 0)
            return E_INVALIDARG;
        *ppBC = new BindContext(pBSCb);
        return S_OK;
    }

    HRESULT CoGetClassObjectFromURL(REFCLSID rclsid, LPCWSTR szCodeURL, DWORD dwFileVersionMS, DWORD dwFileVersionLS,
        LPCWSTR, IBindCtx* pBindCtx, DWORD dwClsContext, LPVOID, REFIID riid, LPVOID* ppv) override
    {
        if (!ppv)
            return E_INVALIDARG;
        *ppv = nullptr;
        const std::optional<std::string> path = plat::urlmon::localPathOf(utf8Of(szCodeURL));
        if (!path)
            return E_NOTIMPL;
        return plat::urlmon::fileCodeDownload(rclsid, *path, dwFileVersionMS, dwFileVersionLS, callbackOf(pBindCtx),
            dwClsContext, riid, ppv);
    }
};

SystemCodeDownload g_systemDownload;
std::atomic<vntCodeDownloadService*> g_testDownload{nullptr};

vntCodeDownloadService& service()
{
    vntCodeDownloadService* replaced = g_testDownload.load();
    return replaced ? *replaced : g_systemDownload;
}

} // namespace

HRESULT CreateAsyncBindCtx(DWORD reserved, IBindStatusCallback* pBSCb, IEnumFORMATETC* pEFetc, IBindCtx** ppBC)
{
    return service().CreateAsyncBindCtx(reserved, pBSCb, pEFetc, ppBC);
}

HRESULT CoGetClassObjectFromURL(REFCLSID rclsid, LPCWSTR szCodeURL, DWORD dwFileVersionMS, DWORD dwFileVersionLS,
    LPCWSTR szTYPE, LPBINDCTX pBindCtx, DWORD dwClsContext, LPVOID pvReserved, REFIID riid, LPVOID* ppv)
{
    return service().CoGetClassObjectFromURL(rclsid, szCodeURL, dwFileVersionMS, dwFileVersionLS, szTYPE, pBindCtx,
        dwClsContext, pvReserved, riid, ppv);
}

void vntTestSetCodeDownload(vntCodeDownloadService* service) { g_testDownload.store(service); }
