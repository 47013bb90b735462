#pragma once

// A scriptable code download in place of the system's for the life of the object: it answers
// CoGetClassObjectFromURL with a current module (and a class object), with a download that goes
// on in the background, or with a failure; its bind contexts (each holding its callback, as the
// system's do) can be made to fail. It counts the calls and keeps what it was asked.

#include "plat/testhooks.h"
#include "plat/urlmon.h"

#include <atomic>
#include <string>

namespace vbtest {

// Counts its references; the object a current module hands out.
class FakeClassFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT CreateInstance(IUnknown*, REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOTIMPL;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }

    std::atomic<ULONG> refs{1};
};

class FakeCodeDownload final : public vntCodeDownloadService {
public:
    enum class Answer { current, asynchronous, failure };

    FakeCodeDownload() { vntTestSetCodeDownload(this); }
    ~FakeCodeDownload() { vntTestSetCodeDownload(nullptr); }
    FakeCodeDownload(const FakeCodeDownload&) = delete;
    FakeCodeDownload& operator=(const FakeCodeDownload&) = delete;

    // The answer of the next fetches: the module is current (S_OK with factory), a download goes
    // on (MK_S_ASYNCHRONOUS), or hr.
    void answerCurrent() { answer = Answer::current; }
    void answerAsynchronous() { answer = Answer::asynchronous; }
    void answerFailure(HRESULT hr)
    {
        answer = Answer::failure;
        fetchResult = hr;
    }
    // The next bind contexts fail with hr (S_OK: they are made again).
    void failBindContexts(HRESULT hr) { bindResult = hr; }

    HRESULT CreateAsyncBindCtx(DWORD, IBindStatusCallback* pBSCb, IEnumFORMATETC*, IBindCtx** ppBC) override
    {
        ++bindCalls;
        *ppBC = nullptr;
        if (FAILED(bindResult))
            return bindResult;
        *ppBC = new Context(pBSCb);
        return S_OK;
    }

    HRESULT CoGetClassObjectFromURL(REFCLSID rclsid, LPCWSTR szCodeURL, DWORD dwFileVersionMS, DWORD dwFileVersionLS,
        LPCWSTR, IBindCtx* pBindCtx, DWORD dwClsContext, LPVOID, REFIID riid, LPVOID* ppv) override
    {
        ++fetchCalls;
        clsid = rclsid;
        url.clear();
        for (const char16_t* p = szCodeURL; p && *p; ++p)
            url += char(*p);
        versionMS = dwFileVersionMS;
        versionLS = dwFileVersionLS;
        clsContext = dwClsContext;
        boundContext = pBindCtx != nullptr;
        askedFactory = riid == IID_IClassFactory;
        *ppv = nullptr;
        switch (answer) {
        case Answer::current:
            factory.AddRef();
            *ppv = static_cast<IClassFactory*>(&factory);
            return S_OK;
        case Answer::asynchronous:
            return MK_S_ASYNCHRONOUS;
        case Answer::failure:
            break;
        }
        return fetchResult;
    }

    Answer answer = Answer::current;
    HRESULT fetchResult = E_FAIL;
    HRESULT bindResult = S_OK;
    FakeClassFactory factory;

    int bindCalls = 0;
    int fetchCalls = 0;
    CLSID clsid = GUID_NULL;
    std::string url;
    DWORD versionMS = 0;
    DWORD versionLS = 0;
    DWORD clsContext = 0;
    bool boundContext = false;
    bool askedFactory = false;

private:
    class Context final : public IBindCtx {
    public:
        explicit Context(IBindStatusCallback* callback) : m_callback(callback)
        {
            if (m_callback)
                m_callback->AddRef();
        }
        ~Context()
        {
            if (m_callback)
                m_callback->Release();
        }
        HRESULT QueryInterface(REFIID, void** ppv) override
        {
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
        std::atomic<ULONG> m_refs{1};
        IBindStatusCallback* m_callback;
    };
};

} // namespace vbtest
