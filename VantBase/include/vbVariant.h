#pragma once

// The general value type: one OLE Automation VARIANT with a conversion locale. Writers store one
// value of one type and write through by-reference variants (a VT_VARIANT|VT_BYREF chain down to
// a typed reference); readers convert on demand with the platform's VariantChangeTypeEx. Fixed
// conventions: bool is VT_BOOL -1/0; a 64-bit integer is VT_CY holding the integer's raw 64 bits
// (5 is the currency 0.0005); a byte array is a one-dimension VT_UI1 SAFEARRAY from 0. Failures
// are vbEsys exceptions.
//
// The four functions below work on plain VARIANTs for callers that hold no vbVariant.

#include "vbExport.h"
#include "vbStreamIntf.h"

#include "plat/oleauto.h"
#include "plat/types.h"

#include <cstdint>

class COleDateTime;
class vbBSTR;
class vbData;
class vbDate;
class vbString;

class VBAPI vbVariant : public sIvbStreamable {
public:
    vbVariant() noexcept;
    // A copy; a by-reference type stays a reference until the next write.
    vbVariant(const VARIANT& v);
    vbVariant(const vbVariant& v);
    vbVariant(WCHAR* p);
    vbVariant(const WCHAR* p);
    vbVariant(const vbBSTR& s);
    vbVariant(const vbString& s);
    vbVariant(const char* s);
    vbVariant(DWORD codePage, const vbString& s);
    vbVariant(DWORD codePage, const char* s);
    vbVariant(bool b);
    vbVariant(int v);
    vbVariant(unsigned char v);
    vbVariant(short v);
    // The 32-bit value unchanged under type vt (VT_ERROR and the like).
    vbVariant(LONG value, VARTYPE vt);
    vbVariant(float v);
    vbVariant(double v);
    vbVariant(CY v);
    vbVariant(const vbDate& d);
    vbVariant(const COleDateTime& d);
    vbVariant(int64_t v);
    vbVariant(IDispatch* p);
    vbVariant(IUnknown* p);
    ~vbVariant();

    // --- writers ---
    vbVariant& operator=(const vbVariant& v);
    vbVariant& operator=(const VARIANT& v);
    vbVariant& operator=(bool b);
    vbVariant& operator=(int v);
    vbVariant& operator=(unsigned char v);
    vbVariant& operator=(short v);
    vbVariant& operator=(float v);
    vbVariant& operator=(double v);
    vbVariant& operator=(const vbDate& d);
    vbVariant& operator=(const COleDateTime& d);
    vbVariant& operator=(CY v);
    vbVariant& operator=(int64_t v);
    vbVariant& operator=(IDispatch* p);
    vbVariant& operator=(IUnknown* p);
    vbVariant& operator=(WCHAR* p);
    vbVariant& operator=(const WCHAR* p);
    vbVariant& operator=(const vbBSTR& s);
    vbVariant& operator=(const vbString& s);
    vbVariant& operator=(const char* s);

    void SetAsBool(bool v);
    void SetAsLong(LONG v);
    void SetAsInt32(LONG v);
    void SetAsHR(HRESULT v);
    void SetAsUchar(unsigned char v);
    void SetAsUint8(unsigned char v);
    void SetAsChar(char v);
    void SetAsInt8(char v);
    void SetAsShort(short v);
    void SetAsInt16(short v);
    void SetAsUshort(unsigned short v);
    void SetAsUint16(unsigned short v);
    void SetAsUlong(ULONG v);
    void SetAsUint32(ULONG v);
    void SetAsFloat(float v);
    void SetAsDouble(double v);
    void SetAsDate(const vbDate& d);
    void SetAsInt64(int64_t v);
    void SetAsDispatch(IDispatch* p);
    void SetAsUnknown(IUnknown* p);
    void SetAsBSTR(const vbBSTR& s);
    void SetAsString(const vbString& s);
    void SetAsString(DWORD codePage, const vbString& s);
    void SetAsString(DWORD codePage, const char* s);
    // A whole value, written by the same rule: through a reference of the source's type, else a copy.
    void SetRef(const vbVariant& v);
    void SetRef(const VARIANT& v);

    // --- readers: lcid 0 is the variant's own locale ---
    vbBSTR GetAsBSTR(LCID lcid = 0) const;
    vbDate GetAsDate(LCID lcid = 0) const;
    unsigned char GetAsUchar(LCID lcid = 0) const;
    unsigned char GetAsUint8(LCID lcid = 0) const;
    char GetAsChar(LCID lcid = 0) const;
    char GetAsInt8(LCID lcid = 0) const;
    short GetAsShort(LCID lcid = 0) const;
    short GetAsInt16(LCID lcid = 0) const;
    unsigned short GetAsUshort(LCID lcid = 0) const;
    unsigned short GetAsUint16(LCID lcid = 0) const;
    LONG GetAsLong(LCID lcid = 0) const;
    LONG GetAsInt32(LCID lcid = 0) const;
    ULONG GetAsUlong(LCID lcid = 0) const;
    ULONG GetAsUint32(LCID lcid = 0) const;
    float GetAsFloat(LCID lcid = 0) const;
    double GetAsDouble(LCID lcid = 0) const;
    HRESULT GetAsHR(LCID lcid = 0) const;
    int64_t GetAsInt64(LCID lcid = 0) const;
    bool GetAsBool(LCID lcid = 0) const;
    // No reference is added for the caller.
    IUnknown* GetAsUnknown(LCID lcid = 0) const;
    IDispatch* GetAsDispatch(LCID lcid = 0) const;
    // Through the ANSI code page, or through codePage; a null BSTR gives "".
    vbString GetAsString(LCID lcid = 0) const;
    vbString GetAsString(DWORD codePage, LCID lcid) const;

    // --- ownership and type ---
    void Clear();
    void Empty() { Clear(); }
    void CopyFrom(const vbVariant& v);
    void CopyTo(vbVariant& dst) const;
    void CopyFrom(const VARIANT& v);
    // A by-reference copy becomes a value first; dst must hold a valid VARIANT.
    void CopyTo(VARIANT& dst) const;
    // Takes p's value over and empties p.
    void Attach(VARIANT* p);
    // Borrows the value: it is never released by this variant.
    void AttachEx(const VARIANT& v);
    // Every later write lands in *p.
    void AttachRef(VARIANT* p);
    // Gives the value away (copied to p when given).
    void Detach(VARIANT* p);
    void SetType(VARTYPE vt, LCID lcid = 0);
    void SetType(VARTYPE vt, const VARIANT& src, LCID lcid = 0);
    void SetType(VARTYPE vt, const vbVariant& src, LCID lcid = 0);
    void SetLCID(LCID lcid) noexcept { m_lcid = lcid; }
    LCID GetLCID() const noexcept { return m_lcid; }
    // A by-reference value becomes a value of its own; true when it was a reference.
    bool NoRef();
    void DeRef() const;
    void OwnData() { NoRef(); }
    // For output arguments: the variant must be empty.
    VARIANT* Addr();
    VARIANT* IOaddr();
    operator const VARIANT&() const noexcept { return m_var; }
    operator const VARIANT*() const noexcept { return &m_var; }
    // The type behind variant references (VT_NULL for a null one), without VT_BYREF.
    VARTYPE GetDeRefType() const;

    // --- byte arrays ---
    // The byte count, the bytes copied into pData when given.
    LONG GetData(vbData* pData = nullptr) const;
    void SetData(const void* p, int n);
    void SetData(const vbData& data);

    // --- type tests ---
    bool IsEmpty() const;
    bool IsValid() const;
    bool IsNull() const;
    bool IsString() const;
    bool IsBool() const;
    bool IsNum() const;
    bool IsInterface() const;
    bool IsArray() const noexcept { return (m_var.vt & VT_ARRAY) != 0; }
    bool IsRef() const noexcept { return (m_var.vt & VT_BYREF) != 0; }
    bool IsData() const noexcept { return m_var.vt == (VT_ARRAY | VT_UI1); }

    // Without conversion: values of different types order by their type numbers.
    bool operator==(const vbVariant& v) const;
    bool operator!=(const vbVariant& v) const;
    bool operator<(const vbVariant& v) const;
    bool operator>(const vbVariant& v) const;
    bool operator<=(const vbVariant& v) const;
    bool operator>=(const vbVariant& v) const;
    bool operator==(const VARIANT& v) const;
    bool operator!=(const VARIANT& v) const;
    bool operator<(const VARIANT& v) const;
    bool operator>(const VARIANT& v) const;
    bool operator<=(const VARIANT& v) const;
    bool operator>=(const VARIANT& v) const;

    // Format 0: the 32-bit type and its payload, little-endian; format 1: the text form.
    void ReadFromStream(IvbStreamMode* mode, IvbInputStream* in) override;
    void WriteToStream(IvbStreamMode* mode, IvbOutputStream* out) const override;

private:
    // Stores v (a plain value whose resources it takes over, released on failure) by the
    // writer rule.
    void write(VARIANT& v, const char* nullMsg);
    void writeScalar(VARTYPE vt, const void* value, size_t size);
    void writeBSTR(BSTR s, const char* nullMsg);
    void writeInterface(VARTYPE vt, IUnknown* p);
    void setRef(const VARIANT& v, const vbVariant* src);
    // The value in type vt as a VARIANT the caller clears.
    void readAs(VARTYPE vt, LCID lcid, const char* prop, VARIANT& out) const;

    VARIANT m_var;
    bool m_bOwner;
    bool m_bRefCopy;
    LCID m_lcid;
};

VBAPI void vbVariantClear(VARIANT* var);
VBAPI void vbVariantCopy(VARIANT* dst, const VARIANT* src);
VBAPI void vbVariantChangeType(VARIANT* pDest, const VARIANT* pSrce, VARTYPE vt, LCID lcid);
// Below, equal to or above 0 as pOp1 orders before, with or after pOp2.
VBAPI int vbVariantCmp(const VARIANT* pOp1, const VARIANT* pOp2, bool can_convert, LCID lcid);
