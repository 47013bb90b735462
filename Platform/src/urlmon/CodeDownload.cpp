#include "plat/testhooks.h"
#include "plat/urlmon.h"

#include <atomic>

namespace {

// Holds the callback that the downloads bound with it report to.
class BindContext final : public IBindCtx {
public:
    explicit BindContext(IBindStatusCallback* callback) : m_callback(callback)
    {
        if (m_callback)
            m_callback->AddRef();
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IBindCtx) {
            *ppv = static_cast<IBindCtx*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

private:
    ~BindContext()
    {
        if (m_callback)
            m_callback->Release();
    }

    std::atomic<ULONG> m_refs{1};
    IBindStatusCallback* m_callback;
};

// The system's own code download. It has no network client, so every module URL is refused at
// once; nothing is left running that could report later.
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

    HRESULT CoGetClassObjectFromURL(REFCLSID, LPCWSTR, DWORD, DWORD, LPCWSTR, IBindCtx*, DWORD, LPVOID, REFIID,
        LPVOID* ppv) override
    {
        if (!ppv)
            return E_INVALIDARG;
        *ppv = nullptr;
        return E_NOTIMPL;
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
