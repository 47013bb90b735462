// vbVariant: construction, the writer and reader rules, ownership, byte arrays and type tests.

#include "vbVariant.h"

#include "vbBSTR.h"
#include "vbCodePage.h"
#include "vbData.h"
#include "vbDate.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbString.h"

#include "plat/codepage.h"
#include "plat/errors.h"

#include <cstring>
#include <utility>

namespace {

const char* const kNullRef = "vbVariant::operator=() : pointer on value is null (byref)";
const char* const kNullRefCp = "vbVariant::SetAsString(cp,...) : pointer on value is null (byref)";
const char* const kAccessData = "Instruction 'SafeArrayAccessData(m_var.parray,&pArrayData)' failed !";

constexpr VARTYPE kVariantRef = VT_VARIANT | VT_BYREF;
constexpr VARTYPE kByteArray = VT_ARRAY | VT_UI1;
constexpr LCID kUserDefault = LOCALE_USER_DEFAULT;

// The bytes a value of a plain scalar type takes; 0 for every other type.
size_t scalarSize(VARTYPE vt)
{
    switch (vt) {
    case VT_I1: case VT_UI1:
        return 1;
    case VT_I2: case VT_UI2: case VT_BOOL:
        return 2;
    case VT_I4: case VT_UI4: case VT_R4: case VT_ERROR: case VT_INT: case VT_UINT:
        return 4;
    case VT_R8: case VT_CY: case VT_DATE: case VT_I8: case VT_UI8:
        return 8;
    default:
        return 0;
    }
}

bool writableThroughRef(VARTYPE vt) { return scalarSize(vt) || vt == VT_BSTR || vt == VT_UNKNOWN || vt == VT_DISPATCH; }

VARIANT emptyVariant()
{
    VARIANT v;
    std::memset(&v, 0, sizeof v);
    return v;
}

// Releases a plain value that a writer took over, unless it was stored.
struct Owned {
    VARIANT* p;
    ~Owned()
    {
        if (p)
            VariantClear(p);
    }
};

// Runs f with the array's data locked.
template <class F>
void withArrayData(SAFEARRAY* psa, F f)
{
    void* data = nullptr;
    HRESULT hr = SafeArrayAccessData(psa, &data);
    if (FAILED(hr))
        throw new vbEsys(hr, kAccessData);
    try {
        f(data);
    } catch (...) {
        SafeArrayUnaccessData(psa);
        throw;
    }
    SafeArrayUnaccessData(psa);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// construction

vbVariant::vbVariant() noexcept : m_var(emptyVariant()), m_bOwner(true), m_bRefCopy(false), m_lcid(kUserDefault) { }

vbVariant::vbVariant(const VARIANT& v) : vbVariant() { CopyFrom(v); }

vbVariant::vbVariant(const vbVariant& v) : vbVariant() { CopyFrom(v); }

vbVariant::vbVariant(WCHAR* p) : vbVariant() { *this = p; }

vbVariant::vbVariant(const WCHAR* p) : vbVariant() { *this = p; }

vbVariant::vbVariant(const vbBSTR& s) : vbVariant() { *this = s; }

vbVariant::vbVariant(const vbString& s) : vbVariant() { *this = s; }

vbVariant::vbVariant(const char* s) : vbVariant() { *this = s; }

vbVariant::vbVariant(DWORD codePage, const vbString& s) : vbVariant() { SetAsString(codePage, s); }

vbVariant::vbVariant(DWORD codePage, const char* s) : vbVariant() { SetAsString(codePage, s); }

vbVariant::vbVariant(bool b) : vbVariant() { SetAsBool(b); }

vbVariant::vbVariant(int v) : vbVariant() { SetAsLong(v); }

vbVariant::vbVariant(unsigned char v) : vbVariant() { SetAsUchar(v); }

vbVariant::vbVariant(short v) : vbVariant() { SetAsShort(v); }

vbVariant::vbVariant(LONG value, VARTYPE vt) : vbVariant()
{
    m_var.vt = vt;
    m_var.lVal = value;
}

vbVariant::vbVariant(float v) : vbVariant() { SetAsFloat(v); }

vbVariant::vbVariant(double v) : vbVariant() { SetAsDouble(v); }

vbVariant::vbVariant(CY v) : vbVariant() { *this = v; }

vbVariant::vbVariant(const vbDate& d) : vbVariant() { SetAsDate(d); }

vbVariant::vbVariant(const COleDateTime& d) : vbVariant() { SetAsDate(vbDate(d)); }

vbVariant::vbVariant(int64_t v) : vbVariant() { SetAsInt64(v); }

vbVariant::vbVariant(IDispatch* p) : vbVariant() { SetAsDispatch(p); }

vbVariant::vbVariant(IUnknown* p) : vbVariant() { SetAsUnknown(p); }

vbVariant::~vbVariant()
{
    try {
        Clear();
    } catch (CException* e) {
        vbShowException(e, true, "vbVariant", 790);
    } catch (...) {
    }
}

// ---------------------------------------------------------------------------------------------
// the writer rule

void vbVariant::write(VARIANT& v, const char* nullMsg)
{
    Owned owned{&v};
    if (m_bRefCopy)
        NoRef();
    if (m_var.vt == kVariantRef) {
        VARIANT* ref = m_var.pvarVal;
        if (!ref)
            throw new vbEsys(E_FAIL, nullMsg);
        // The referenced value moves into a temporary that writes on down the chain; if that
        // fails, the temporary releases it and the reference is left empty.
        vbVariant tmp;
        std::memcpy(&tmp.m_var, ref, sizeof(VARIANT));
        ref->vt = VT_EMPTY;
        owned.p = nullptr;
        tmp.write(v, nullMsg);
        std::memcpy(ref, &tmp.m_var, sizeof(VARIANT));
        tmp.m_var.vt = VT_EMPTY;
        return;
    }
    const VARTYPE vt = v.vt;
    if (m_var.vt == (vt | VT_BYREF) && writableThroughRef(vt)) {
        if (!m_var.byref)
            throw new vbEsys(E_FAIL, nullMsg);
        owned.p = nullptr;
        if (vt == VT_BSTR) {
            BSTR old = std::exchange(*m_var.pbstrVal, v.bstrVal);
            SysFreeString(old);
        } else if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
            IUnknown* old = std::exchange(*m_var.ppunkVal, v.punkVal);
            if (old)
                old->Release();
        } else {
            std::memcpy(m_var.byref, &v.llVal, scalarSize(vt));
        }
        return;
    }
    if (scalarSize(vt) && m_var.vt == vt) {
        m_var.llVal = v.llVal;
        owned.p = nullptr;
        return;
    }
    Clear();
    std::memcpy(&m_var, &v, sizeof(VARIANT));
    owned.p = nullptr;
}

void vbVariant::writeScalar(VARTYPE vt, const void* value, size_t size)
{
    VARIANT v = emptyVariant();
    v.vt = vt;
    std::memcpy(&v.llVal, value, size);
    write(v, kNullRef);
}

void vbVariant::writeBSTR(BSTR s, const char* nullMsg)
{
    VARIANT v = emptyVariant();
    v.vt = VT_BSTR;
    v.bstrVal = s;
    write(v, nullMsg);
}

void vbVariant::writeInterface(VARTYPE vt, IUnknown* p)
{
    if (p)
        p->AddRef();
    VARIANT v = emptyVariant();
    v.vt = vt;
    v.punkVal = p;
    write(v, kNullRef);
}

vbVariant& vbVariant::operator=(const vbVariant& v)
{
    CopyFrom(v);
    return *this;
}

vbVariant& vbVariant::operator=(const VARIANT& v)
{
    CopyFrom(v);
    return *this;
}

vbVariant& vbVariant::operator=(bool b)
{
    SetAsBool(b);
    return *this;
}

vbVariant& vbVariant::operator=(int v)
{
    SetAsLong(v);
    return *this;
}

vbVariant& vbVariant::operator=(unsigned char v)
{
    SetAsUchar(v);
    return *this;
}

vbVariant& vbVariant::operator=(short v)
{
    SetAsShort(v);
    return *this;
}

vbVariant& vbVariant::operator=(float v)
{
    SetAsFloat(v);
    return *this;
}

vbVariant& vbVariant::operator=(double v)
{
    SetAsDouble(v);
    return *this;
}

vbVariant& vbVariant::operator=(const vbDate& d)
{
    SetAsDate(d);
    return *this;
}

vbVariant& vbVariant::operator=(const COleDateTime& d)
{
    SetAsDate(vbDate(d));
    return *this;
}

vbVariant& vbVariant::operator=(CY v)
{
    writeScalar(VT_CY, &v, sizeof v);
    return *this;
}

vbVariant& vbVariant::operator=(int64_t v)
{
    SetAsInt64(v);
    return *this;
}

vbVariant& vbVariant::operator=(IDispatch* p)
{
    SetAsDispatch(p);
    return *this;
}

vbVariant& vbVariant::operator=(IUnknown* p)
{
    SetAsUnknown(p);
    return *this;
}

vbVariant& vbVariant::operator=(WCHAR* p) { return *this = static_cast<const WCHAR*>(p); }

vbVariant& vbVariant::operator=(const WCHAR* p)
{
    vbBSTR text(p);
    writeBSTR(text.Detach(), kNullRef);
    return *this;
}

vbVariant& vbVariant::operator=(const vbBSTR& s)
{
    SetAsBSTR(s);
    return *this;
}

vbVariant& vbVariant::operator=(const vbString& s)
{
    SetAsString(s);
    return *this;
}

vbVariant& vbVariant::operator=(const char* s)
{
    vbBSTR text(s);
    writeBSTR(text.Detach(), kNullRef);
    return *this;
}

void vbVariant::SetAsBool(bool v)
{
    VARIANT_BOOL b = v ? VARIANT_TRUE : VARIANT_FALSE;
    writeScalar(VT_BOOL, &b, sizeof b);
}

void vbVariant::SetAsLong(LONG v) { writeScalar(VT_I4, &v, sizeof v); }
void vbVariant::SetAsInt32(LONG v) { SetAsLong(v); }
void vbVariant::SetAsHR(HRESULT v) { SetAsLong(v); }
void vbVariant::SetAsUchar(unsigned char v) { writeScalar(VT_UI1, &v, sizeof v); }
void vbVariant::SetAsUint8(unsigned char v) { SetAsUchar(v); }
void vbVariant::SetAsChar(char v) { writeScalar(VT_I1, &v, sizeof v); }
void vbVariant::SetAsInt8(char v) { SetAsChar(v); }
void vbVariant::SetAsShort(short v) { writeScalar(VT_I2, &v, sizeof v); }
void vbVariant::SetAsInt16(short v) { SetAsShort(v); }
void vbVariant::SetAsUshort(unsigned short v) { writeScalar(VT_UI2, &v, sizeof v); }
void vbVariant::SetAsUint16(unsigned short v) { SetAsUshort(v); }
void vbVariant::SetAsUlong(ULONG v) { writeScalar(VT_UI4, &v, sizeof v); }
void vbVariant::SetAsUint32(ULONG v) { SetAsUlong(v); }
void vbVariant::SetAsFloat(float v) { writeScalar(VT_R4, &v, sizeof v); }
void vbVariant::SetAsDouble(double v) { writeScalar(VT_R8, &v, sizeof v); }

void vbVariant::SetAsDate(const vbDate& d)
{
    DATE dt = static_cast<double>(d);
    writeScalar(VT_DATE, &dt, sizeof dt);
}

void vbVariant::SetAsInt64(int64_t v) { writeScalar(VT_CY, &v, sizeof v); }
void vbVariant::SetAsDispatch(IDispatch* p) { writeInterface(VT_DISPATCH, p); }
void vbVariant::SetAsUnknown(IUnknown* p) { writeInterface(VT_UNKNOWN, p); }
void vbVariant::SetAsBSTR(const vbBSTR& s) { writeBSTR(s.Copy(vbAllocSysString), kNullRef); }

void vbVariant::SetAsString(const vbString& s)
{
    vbBSTR text(s.c_str(), s.GetLength());
    writeBSTR(text.Detach(), kNullRef);
}

void vbVariant::SetAsString(DWORD codePage, const vbString& s)
{
    vbBSTR text(codePage, s.c_str(), s.GetLength());
    writeBSTR(text.Detach(), kNullRefCp);
}

void vbVariant::SetAsString(DWORD codePage, const char* s)
{
    vbBSTR text;
    if (s)
        vbCPconvert(codePage, s, static_cast<int>(std::strlen(s)), &text);
    writeBSTR(text.Detach(), kNullRefCp);
}

void vbVariant::setRef(const VARIANT& v, const vbVariant* src)
{
    if (m_bRefCopy)
        NoRef();
    if (m_var.vt == kVariantRef) {
        VARIANT* ref = m_var.pvarVal;
        if (!ref)
            throw new vbEsys(E_FAIL, kNullRef);
        vbVariant tmp;
        std::memcpy(&tmp.m_var, ref, sizeof(VARIANT));
        ref->vt = VT_EMPTY;
        tmp.setRef(v, src);
        std::memcpy(ref, &tmp.m_var, sizeof(VARIANT));
        tmp.m_var.vt = VT_EMPTY;
        return;
    }
    if (m_var.vt == (v.vt | VT_BYREF) && writableThroughRef(v.vt)) {
        VARIANT value = emptyVariant();
        vbVariantCopy(&value, &v);
        write(value, kNullRef);
        return;
    }
    if (src)
        CopyFrom(*src);
    else
        CopyFrom(v);
}

void vbVariant::SetRef(const vbVariant& v)
{
    if (&v != this)
        setRef(v.m_var, &v);
}

void vbVariant::SetRef(const VARIANT& v)
{
    if (&v != &m_var)
        setRef(v, nullptr);
}

// ---------------------------------------------------------------------------------------------
// the reader rule

void vbVariant::readAs(VARTYPE vt, LCID lcid, const char* prop, VARIANT& out) const
{
    out = emptyVariant();
    if (m_var.vt == vt) {
        vbVariantCopy(&out, &m_var);
        return;
    }
    if (m_var.vt == (vt | VT_BYREF)) {
        if (!m_var.byref)
            throw new vbEsys(true, E_FAIL, "property vbVariant::%s, read access, reference to variable is NULL", prop);
        vbVariantChangeType(&out, &m_var, vt, lcid ? lcid : m_lcid);
        return;
    }
    if (m_var.vt == kVariantRef) {
        if (!m_var.pvarVal)
            throw new vbEsys(true, E_FAIL, "property vbVariant::%s, read access, reference to variant is null", prop);
        vbVariant view;
        view.AttachEx(*m_var.pvarVal);
        view.m_lcid = m_lcid;
        view.readAs(vt, lcid, prop, out);
        return;
    }
    vbVariantChangeType(&out, &m_var, vt, lcid ? lcid : m_lcid);
}

#define VB_SCALAR_READER(name, type, vt, field, prop) \
    type vbVariant::name(LCID lcid) const \
    { \
        VARIANT out; \
        readAs(vt, lcid, prop, out); \
        return static_cast<type>(out.field); \
    }

VB_SCALAR_READER(GetAsUchar, unsigned char, VT_UI1, bVal, "AsUchar")
VB_SCALAR_READER(GetAsUint8, unsigned char, VT_UI1, bVal, "AsUint8")
VB_SCALAR_READER(GetAsChar, char, VT_I1, cVal, "AsChar")
VB_SCALAR_READER(GetAsInt8, char, VT_I1, cVal, "AsInt8")
VB_SCALAR_READER(GetAsShort, short, VT_I2, iVal, "AsShort")
VB_SCALAR_READER(GetAsInt16, short, VT_I2, iVal, "AsInt16")
VB_SCALAR_READER(GetAsUshort, unsigned short, VT_UI2, uiVal, "AsUshort")
VB_SCALAR_READER(GetAsUint16, unsigned short, VT_UI2, uiVal, "AsUint16")
VB_SCALAR_READER(GetAsLong, LONG, VT_I4, lVal, "AsLong")
VB_SCALAR_READER(GetAsInt32, LONG, VT_I4, lVal, "AsInt32")
VB_SCALAR_READER(GetAsUlong, ULONG, VT_UI4, ulVal, "AsUlong")
VB_SCALAR_READER(GetAsUint32, ULONG, VT_UI4, ulVal, "AsUint32")
VB_SCALAR_READER(GetAsFloat, float, VT_R4, fltVal, "AsFloat")
VB_SCALAR_READER(GetAsDouble, double, VT_R8, dblVal, "AsDouble")
VB_SCALAR_READER(GetAsHR, HRESULT, VT_ERROR, scode, "AsHR")
VB_SCALAR_READER(GetAsInt64, int64_t, VT_CY, cyVal.int64, "AsInt64")

#undef VB_SCALAR_READER

bool vbVariant::GetAsBool(LCID lcid) const
{
    VARIANT out;
    readAs(VT_BOOL, lcid, "AsBool", out);
    return out.boolVal != 0;
}

vbDate vbVariant::GetAsDate(LCID lcid) const
{
    VARIANT out;
    readAs(VT_DATE, lcid, "AsDate", out);
    return vbDate(out.date);
}

vbBSTR vbVariant::GetAsBSTR(LCID lcid) const
{
    VARIANT out;
    readAs(VT_BSTR, lcid, "AsBSTR", out);
    vbBSTR text;
    text.Attach(&out.bstrVal);
    return text;
}

IUnknown* vbVariant::GetAsUnknown(LCID lcid) const
{
    VARIANT out;
    readAs(VT_UNKNOWN, lcid, "AsUnknown", out);
    IUnknown* p = out.punkVal;
    // The variant itself still holds a reference; the caller gets none.
    if (p)
        p->Release();
    return p;
}

IDispatch* vbVariant::GetAsDispatch(LCID lcid) const
{
    VARIANT out;
    readAs(VT_DISPATCH, lcid, "AsDispatch", out);
    IDispatch* p = out.pdispVal;
    if (p)
        p->Release();
    return p;
}

vbString vbVariant::GetAsString(LCID lcid) const { return static_cast<vbString>(GetAsBSTR(lcid)); }

vbString vbVariant::GetAsString(DWORD codePage, LCID lcid) const
{
    VARIANT out;
    readAs(VT_BSTR, lcid, "AsString", out);
    vbBSTR text;
    text.Attach(&out.bstrVal);
    return vbString(codePage, static_cast<BSTR>(text), text.GetLength());
}

// ---------------------------------------------------------------------------------------------
// ownership and type

void vbVariant::Clear()
{
    m_bRefCopy = false;
    if (m_bOwner) {
        vbVariantClear(&m_var);
    } else {
        m_var.vt = VT_EMPTY;
        m_bOwner = true;
    }
}

void vbVariant::CopyFrom(const vbVariant& v)
{
    if (&v == this)
        return;
    Clear();
    vbVariantCopy(&m_var, &v.m_var);
    m_bRefCopy = (m_var.vt & VT_BYREF) != 0;
    m_lcid = v.m_lcid;
}

void vbVariant::CopyTo(vbVariant& dst) const { dst.CopyFrom(*this); }

void vbVariant::CopyFrom(const VARIANT& v)
{
    if (&v == &m_var)
        return;
    // v may be held by this variant: copy it before letting go.
    VARIANT copy = emptyVariant();
    vbVariantCopy(&copy, &v);
    try {
        Clear();
    } catch (...) {
        VariantClear(&copy);
        throw;
    }
    std::memcpy(&m_var, &copy, sizeof(VARIANT));
    m_bRefCopy = (m_var.vt & VT_BYREF) != 0;
}

void vbVariant::CopyTo(VARIANT& dst) const
{
    if (m_bRefCopy)
        const_cast<vbVariant*>(this)->NoRef();
    vbVariantCopy(&dst, &m_var);
}

void vbVariant::Attach(VARIANT* p)
{
    Clear();
    if (!p)
        return;
    std::memcpy(&m_var, p, sizeof(VARIANT));
    p->vt = VT_EMPTY;
}

void vbVariant::AttachEx(const VARIANT& v)
{
    Clear();
    std::memcpy(&m_var, &v, sizeof(VARIANT));
    m_bOwner = false;
}

void vbVariant::AttachRef(VARIANT* p)
{
    Clear();
    m_var.vt = kVariantRef;
    m_var.pvarVal = p;
}

void vbVariant::Detach(VARIANT* p)
{
    if (p)
        std::memcpy(p, &m_var, sizeof(VARIANT));
    m_bOwner = false;
}

void vbVariant::SetType(VARTYPE vt, LCID lcid)
{
    if (m_var.vt == vt)
        return;
    LCID use = lcid ? lcid : m_lcid;
    if (m_bOwner) {
        vbVariantChangeType(&m_var, &m_var, vt, use);
        m_bRefCopy = false;
        return;
    }
    VARIANT borrowed;
    std::memcpy(&borrowed, &m_var, sizeof(VARIANT));
    m_var = emptyVariant();
    m_bOwner = true;
    m_bRefCopy = false;
    vbVariantChangeType(&m_var, &borrowed, vt, use);
}

void vbVariant::SetType(VARTYPE vt, const VARIANT& src, LCID lcid)
{
    if (!m_bOwner)
        Clear();
    vbVariantChangeType(&m_var, &src, vt, lcid ? lcid : m_lcid);
    m_bRefCopy = false;
}

void vbVariant::SetType(VARTYPE vt, const vbVariant& src, LCID lcid) { SetType(vt, src.m_var, lcid); }

bool vbVariant::NoRef()
{
    const VARTYPE vt = m_var.vt;
    if (!(vt & VT_BYREF)) {
        m_bRefCopy = false;
        return false;
    }
    if (vt != kVariantRef) {
        SetType(static_cast<VARTYPE>(vt & ~VT_BYREF), 0);
        m_bRefCopy = false;
        return true;
    }
    const VARIANT* p = m_var.pvarVal;
    while (p && p->vt == kVariantRef)
        p = p->pvarVal;
    if (!p) {
        Clear();
        return true;
    }
    VARIANT value = emptyVariant();
    if (p->vt & VT_BYREF)
        vbVariantChangeType(&value, p, static_cast<VARTYPE>(p->vt & ~VT_BYREF), m_lcid);
    else
        vbVariantCopy(&value, p);
    try {
        Clear();
    } catch (...) {
        VariantClear(&value);
        throw;
    }
    std::memcpy(&m_var, &value, sizeof(VARIANT));
    m_bOwner = true;
    return true;
}

void vbVariant::DeRef() const
{
    if (m_bRefCopy)
        const_cast<vbVariant*>(this)->NoRef();
}

VARIANT* vbVariant::Addr()
{
    if (m_var.vt != VT_EMPTY)
        throw new vbEsys(E_FAIL, "VARIANT* vbVariant::Addr() : variant not empty !");
    return &m_var;
}

VARIANT* vbVariant::IOaddr()
{
    if (m_bRefCopy)
        NoRef();
    return &m_var;
}

VARTYPE vbVariant::GetDeRefType() const
{
    const VARIANT* p = &m_var;
    while (p->vt == kVariantRef) {
        p = p->pvarVal;
        if (!p)
            return VT_NULL;
    }
    return static_cast<VARTYPE>(p->vt & ~VT_BYREF);
}

// ---------------------------------------------------------------------------------------------
// byte arrays

LONG vbVariant::GetData(vbData* pData) const
{
    if (m_var.vt != kByteArray || !m_var.parray)
        throw new vbEsys(E_NOTIMPL, "vbVariant::GetData() : VARIANT is not an array of bytes !");
    LONG n = static_cast<LONG>(m_var.parray->rgsabound[0].cElements);
    if (pData) {
        withArrayData(m_var.parray, [&](void* data) {
            if (n > 0)
                pData->SetData(data, n);
            else
                pData->Clear();
        });
    }
    return n;
}

void vbVariant::SetData(const void* p, int n)
{
    if (n > 0 && !p)
        throw new vbEsys(E_POINTER, "vbVariant::SetData() : no bytes to copy (null pointer) !");
    Clear();
    if (n <= 0)
        return;
    SAFEARRAYBOUND bound{static_cast<ULONG>(n), 0};
    SAFEARRAY* psa = SafeArrayCreate(VT_UI1, 1, &bound);
    if (!psa)
        throw new vbEsys(E_FAIL, "vbVariant::SetData() : array of bytes creation failure !");
    m_var.vt = kByteArray;
    m_var.parray = psa;
    void* data = nullptr;
    HRESULT hr = SafeArrayAccessData(psa, &data);
    if (FAILED(hr)) {
        try {
            Clear();
        } catch (CException* e) {
            vbShowException(e, true, "vbVariant", 243);
        }
        throw new vbEsys(hr, kAccessData);
    }
    std::memcpy(data, p, static_cast<size_t>(n));
    SafeArrayUnaccessData(psa);
}

void vbVariant::SetData(const vbData& data) { SetData(static_cast<const void*>(data), data.GetLength()); }

// ---------------------------------------------------------------------------------------------
// type tests

namespace {

// The VARIANT at the end of a chain of variant references; null for a null reference.
const VARIANT* endOfChain(const VARIANT* p)
{
    while (p && p->vt == kVariantRef)
        p = p->pvarVal;
    return p;
}

VARTYPE plainType(const VARIANT* p) { return static_cast<VARTYPE>(p->vt & ~VT_BYREF); }

} // namespace

bool vbVariant::IsEmpty() const
{
    const VARIANT* p = endOfChain(&m_var);
    return !p || plainType(p) == VT_EMPTY;
}

bool vbVariant::IsValid() const
{
    const VARIANT* p = endOfChain(&m_var);
    return p && plainType(p) != VT_EMPTY;
}

bool vbVariant::IsNull() const
{
    const VARIANT* p = endOfChain(&m_var);
    if (!p)
        return true;
    switch (p->vt) {
    case VT_EMPTY: case VT_NULL:
        return true;
    case VT_DISPATCH: case VT_UNKNOWN:
        return p->punkVal == nullptr;
    case VT_DISPATCH | VT_BYREF: case VT_UNKNOWN | VT_BYREF:
        return !p->ppunkVal || !*p->ppunkVal;
    default:
        return false;
    }
}

bool vbVariant::IsString() const
{
    const VARIANT* p = endOfChain(&m_var);
    return p && plainType(p) == VT_BSTR;
}

bool vbVariant::IsBool() const
{
    const VARIANT* p = endOfChain(&m_var);
    return p && plainType(p) == VT_BOOL;
}

bool vbVariant::IsNum() const
{
    const VARIANT* p = endOfChain(&m_var);
    if (!p)
        return false;
    switch (plainType(p)) {
    case VT_UI1: case VT_I1: case VT_UI2: case VT_I2: case VT_UI4: case VT_I4: case VT_CY: case VT_DECIMAL:
    case VT_R4: case VT_R8:
        return true;
    default:
        return false;
    }
}

bool vbVariant::IsInterface() const
{
    const VARIANT* p = endOfChain(&m_var);
    return p && (plainType(p) == VT_UNKNOWN || plainType(p) == VT_DISPATCH);
}

// ---------------------------------------------------------------------------------------------
// comparisons

bool vbVariant::operator==(const vbVariant& v) const { return vbVariantCmp(&m_var, &v.m_var, false, 0) == 0; }
bool vbVariant::operator!=(const vbVariant& v) const { return vbVariantCmp(&m_var, &v.m_var, false, 0) != 0; }
bool vbVariant::operator<(const vbVariant& v) const { return vbVariantCmp(&m_var, &v.m_var, false, 0) < 0; }
bool vbVariant::operator>(const vbVariant& v) const { return vbVariantCmp(&m_var, &v.m_var, false, 0) > 0; }
bool vbVariant::operator<=(const vbVariant& v) const { return vbVariantCmp(&m_var, &v.m_var, false, 0) <= 0; }
bool vbVariant::operator>=(const vbVariant& v) const { return vbVariantCmp(&m_var, &v.m_var, false, 0) >= 0; }
bool vbVariant::operator==(const VARIANT& v) const { return vbVariantCmp(&m_var, &v, false, 0) == 0; }
bool vbVariant::operator!=(const VARIANT& v) const { return vbVariantCmp(&m_var, &v, false, 0) != 0; }
bool vbVariant::operator<(const VARIANT& v) const { return vbVariantCmp(&m_var, &v, false, 0) < 0; }
bool vbVariant::operator>(const VARIANT& v) const { return vbVariantCmp(&m_var, &v, false, 0) > 0; }
bool vbVariant::operator<=(const VARIANT& v) const { return vbVariantCmp(&m_var, &v, false, 0) <= 0; }
bool vbVariant::operator>=(const VARIANT& v) const { return vbVariantCmp(&m_var, &v, false, 0) >= 0; }
