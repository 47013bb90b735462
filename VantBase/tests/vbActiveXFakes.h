#pragma once

// Small OLE objects for the dispatch and container tests: automation objects with named members
// (optionally OLE objects with a client site), sites that hand out an extender, and a container
// whose enumerator counts its calls. Every object lives as long as its test and counts the
// references it was given.

#include "plat/oleauto.h"
#include "plat/oleidl.h"

#include <map>
#include <string>
#include <vector>

namespace vbfakes {

inline std::u16string wide(const char* s) { return std::u16string(s, s + std::char_traits<char>::length(s)); }

class Site;

// The query of an object with two faces: the first, which is also its IUnknown, and a second one
// (null when the object goes without it). A face found is counted on the object.
inline HRESULT answerQuery(
    REFIID riid, void** ppv, IUnknown* first, REFIID firstIid, IUnknown* second, REFIID secondIid)
{
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == firstIid)
        *ppv = first;
    else if (riid == secondIid && second)
        *ppv = second;
    else
        return E_NOINTERFACE;
    first->AddRef();
    return S_OK;
}

// An automation object; as an OLE object (withOle) it answers IOleObject and its client site.
class Object final : public IDispatch, public IOleObject {
public:
    explicit Object(bool withOle = false) : m_withOle(withOle) { }

    // A member answering text, or (text null) a number.
    Object& member(const char* name, DISPID id, const char* text = nullptr)
    {
        m_ids[wide(name)] = id;
        if (text)
            m_texts[id] = text;
        return *this;
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        return answerQuery(riid, ppv, disp(), IID_IDispatch, m_withOle ? static_cast<IOleObject*>(this) : nullptr,
            IID_IOleObject);
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }

    HRESULT GetTypeInfoCount(UINT* n) override
    {
        *n = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override
    {
        ++getIdsCalls;
        lastLcid = lcid;
        if (oneAtATime && count > 1)
            return DISP_E_UNKNOWNNAME;
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            auto it = m_ids.find(names[i]);
            ids[i] = it == m_ids.end() ? DISPID_UNKNOWN : it->second;
            if (it == m_ids.end())
                hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
        UINT*) override
    {
        lastLcid = lcid;
        lastFlags = flags;
        lastArgCount = params ? static_cast<int>(params->cArgs) : -1;
        auto text = m_texts.find(id);
        if (text != m_texts.end()) {
            std::u16string w = wide(text->second.c_str());
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(w.c_str());
            return S_OK;
        }
        for (const auto& entry : m_ids) {
            if (entry.second == id) {
                result->vt = VT_I4;
                result->lVal = 42;
                return S_OK;
            }
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT SetClientSite(IOleClientSite*) override { return E_NOTIMPL; }
    HRESULT GetClientSite(IOleClientSite** pp) override;

    IDispatch* disp() { return static_cast<IDispatch*>(this); }
    IUnknown* unk() { return static_cast<IDispatch*>(this); }

    ULONG refs = 1;
    int getIdsCalls = 0;
    LCID lastLcid = 0;
    WORD lastFlags = 0;
    int lastArgCount = -2;
    bool oneAtATime = false;
    Site* site = nullptr;

private:
    bool m_withOle;
    std::map<std::u16string, DISPID> m_ids;
    std::map<DISPID, std::string> m_texts;
};

class Container;

// A client site; as a control site (the default) it hands out its extender.
class Site final : public IOleClientSite, public IOleControlSite {
public:
    explicit Site(IDispatch* extender, bool controlSite = true) : m_extender(extender), m_controlSite(controlSite) { }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        return answerQuery(riid, ppv, static_cast<IOleClientSite*>(this), IID_IOleClientSite,
            m_controlSite ? static_cast<IOleControlSite*>(this) : nullptr, IID_IOleControlSite);
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }

    HRESULT SaveObject() override { return E_NOTIMPL; }
    HRESULT GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT GetContainer(IOleContainer** pp) override;
    HRESULT ShowObject() override { return E_NOTIMPL; }
    HRESULT OnShowWindow(BOOL) override { return E_NOTIMPL; }
    HRESULT RequestNewObjectLayout() override { return E_NOTIMPL; }

    HRESULT OnControlInfoChanged() override { return E_NOTIMPL; }
    HRESULT LockInPlaceActive(BOOL) override { return E_NOTIMPL; }
    HRESULT GetExtendedControl(IDispatch** pp) override
    {
        *pp = m_extender;
        if (!m_extender)
            return E_NOTIMPL;
        m_extender->AddRef();
        return S_OK;
    }

    ULONG refs = 1;
    Container* container = nullptr;

private:
    IDispatch* m_extender;
    bool m_controlSite;
};

inline HRESULT Object::GetClientSite(IOleClientSite** pp)
{
    *pp = site;
    if (!site)
        return E_FAIL;
    site->AddRef();
    return S_OK;
}

// A walk over the container's objects; it deletes itself with its last reference.
class Enum final : public IEnumUnknown {
public:
    Enum(const std::vector<IUnknown*>& items, int& nextCalls, bool failReset)
        : m_items(items), m_nextCalls(nextCalls), m_failReset(failReset)
    {
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IEnumUnknown)
            return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT Next(ULONG, IUnknown** out, ULONG* fetched) override
    {
        ++m_nextCalls;
        if (m_pos >= m_items.size()) {
            *fetched = 0;
            return S_FALSE;
        }
        *out = m_items[m_pos++];
        (*out)->AddRef();
        *fetched = 1;
        return S_OK;
    }
    HRESULT Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT Reset() override
    {
        if (m_failReset)
            return E_UNEXPECTED;
        m_pos = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumUnknown** pp) override
    {
        auto* copy = new Enum(m_items, m_nextCalls, m_failReset);
        copy->m_pos = m_pos;
        *pp = copy;
        return S_OK;
    }

private:
    std::vector<IUnknown*> m_items;
    int& m_nextCalls;
    bool m_failReset;
    size_t m_pos = 0;
    ULONG m_refs = 1;
};

class Container : public IOleContainer {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IOleContainer && riid != IID_IParseDisplayName)
            return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT ParseDisplayName(IBindCtx*, LPOLESTR, ULONG*, IMoniker**) override { return E_NOTIMPL; }
    HRESULT EnumObjects(DWORD flags, IEnumUnknown** pp) override
    {
        *pp = nullptr;
        lastFlags = flags;
        if (failEnum)
            return E_FAIL;
        *pp = new Enum(objects, nextCalls, failReset);
        return S_OK;
    }
    HRESULT LockContainer(BOOL) override { return E_NOTIMPL; }

    std::vector<IUnknown*> objects;
    ULONG refs = 1;
    DWORD lastFlags = 0;
    int nextCalls = 0;
    bool failEnum = false;
    bool failReset = false;
};

inline HRESULT Site::GetContainer(IOleContainer** pp)
{
    *pp = container;
    if (!container)
        return E_FAIL;
    container->AddRef();
    return S_OK;
}

} // namespace vbfakes
