// Late binding to OLE Automation objects.

#include "vbDispatch.h"

#include "vbException.h"
#include "vbVariant.h"

#include <utility>
#include <vector>

namespace {

constexpr LCID kLocale = 0x800;

int wideCompare(const WCHAR* a, const WCHAR* b)
{
    static const WCHAR empty[1] = {0};
    a = a ? a : empty;
    b = b ? b : empty;
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return static_cast<int>(*a) - static_cast<int>(*b);
}

// An owned system string of name, never null: an object may read every name it is given.
vbBSTR wideName(const vbString& name)
{
    vbBSTR wide(name.c_str());
    if (wide.IsNull())
        wide = u"";
    return wide;
}

} // namespace

// --- vbDispatch ---

vbDispatch::vbDispatch(bool bWithName) : m_bWithName(bWithName) { }

vbDispatch::vbDispatch(IDispatch* p, bool bWithName) : m_bWithName(bWithName) { Bind(p, true); }

vbDispatch::vbDispatch(IUnknown* p, bool bWithName) : m_bWithName(bWithName) { Bind(p, true); }

vbDispatch::vbDispatch(const vbDispatch& o) : m_bWithName(o.m_bWithName) { *this = o; }

vbDispatch& vbDispatch::operator=(const vbDispatch& o)
{
    if (this != &o) {
        m_prDisp = o.m_prDisp;
        m_aNames = o.m_aNames;
        m_aDispIds = o.m_aDispIds;
        m_bWithName = o.m_bWithName;
    }
    return *this;
}

vbDispatch::~vbDispatch() = default;

void vbDispatch::initArray()
{
    if (m_bWithName && m_aNames.GetLength() == 0)
        m_aNames.Add(wideName("Name"));
}

int vbDispatch::AddDispName(const vbString& name)
{
    initArray();
    return m_aNames.Add(wideName(name));
}

int vbDispatch::getDispNo(const vbString& name) const
{
    vbBSTR wide = wideName(name);
    int n = m_aNames.GetLength();
    for (int i = 1; i <= n; ++i) {
        if (wideCompare(m_aNames[i], wide) == 0)
            return i;
    }
    return n + 1;
}

DISPID vbDispatch::GetDispId(const vbString& name) const { return m_aDispIds[getDispNo(name)]; }

DISPID vbDispatch::GetDispId(int n) const { return m_aDispIds[n]; }

IDispatch* vbDispatch::GetDispatch() const
{
    if (m_prDisp.IsNull())
        throw new vbEsys(E_FAIL, "vbDispatch not set");
    return m_prDisp.Get();
}

vbString vbDispatch::GetPropertyName()
{
    IDispatch* p = GetDispatch();
    DISPID id = std::as_const(m_aDispIds)[1];
    vbVariant result;
    DISPPARAMS noArgs = {nullptr, nullptr, 0, 0};
    HRESULT hr = p->Invoke(id, IID_NULL, kLocale, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &noArgs, result.Addr(),
        nullptr, nullptr);
    if (SUCCEEDED(hr) && static_cast<const VARIANT&>(result).vt == VT_BSTR)
        return result.GetAsString(0);
    return vbString();
}

bool vbDispatch::HasDispName() const { return m_aNames.GetLength() > (m_bWithName ? 1 : 0); }

void vbDispatch::SetHasNameProperty(bool bWithName)
{
    m_bWithName = bWithName;
    ClearDispName();
}

void vbDispatch::ClearDispName()
{
    m_aNames.Empty();
    m_aDispIds.Empty();
}

void vbDispatch::Empty()
{
    ClearDispName();
    m_prDisp.Release();
}

void vbDispatch::Reset()
{
    m_aDispIds.Empty();
    m_prDisp.Release();
}

bool vbDispatch::Bind(IDispatch* p, bool bThrow)
{
    if (!p) {
        if (bThrow)
            throw new vbEsys(E_FAIL, "vbDispatch::Bind() : pDisp null");
        return false;
    }
    initArray();
    int n = m_aNames.GetLength();
    if (n == 0) {
        m_aDispIds.Empty();
        m_prDisp = p;
        return true;
    }
    std::vector<LPOLESTR> names(static_cast<size_t>(n));
    for (int i = 1; i <= n; ++i)
        names[static_cast<size_t>(i - 1)] = m_aNames[i];
    vbArray<DISPID> ids;
    ids.SetLength(n);
    HRESULT hr = p->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(n), kLocale, ids.GetData());
    // Some objects resolve names only one at a time.
    if (FAILED(hr) && n > 1) {
        for (int i = 0; i < n; ++i) {
            hr = p->GetIDsOfNames(IID_NULL, &names[static_cast<size_t>(i)], 1, kLocale, ids.GetData() + i);
            if (FAILED(hr))
                break;
        }
    }
    if (FAILED(hr)) {
        if (bThrow)
            throw new vbEsys(E_FAIL, "vbDispatch::Bind() : one or more names requested not present");
        return false;
    }
    m_aDispIds = ids;
    m_prDisp = p;
    return true;
}

bool vbDispatch::Bind(IUnknown* p, bool bThrow)
{
    vbRefQIPtr<IDispatch, &IID_IDispatch> disp(p, bThrow);
    return Bind(disp.Get(), bThrow);
}

// --- vbControl ---

vbControl::vbControl() : m_ctl(false), m_ext(true) { }

void vbControl::ClearDispName()
{
    m_ext.ClearDispName();
    m_ctl.ClearDispName();
}

void vbControl::Empty()
{
    m_ext.Empty();
    m_ctl.Empty();
}

void vbControl::Reset()
{
    m_ext.Reset();
    m_ctl.Reset();
}
