// Registry values as variants, and back.

#include "registry/vbRegValue.h"

#include "vbData.h"
#include "vbException.h"
#include "vbString.h"
#include "vbVariant.h"

#include "plat/oleauto.h"
#include "plat/registry.h"

#include <cstring>

namespace vbImpl {

namespace {

constexpr LCID kEnglishUS = 1033;
constexpr VARTYPE kByteArray = VT_ARRAY | VT_UI1;

void setBytes(const BYTE* data, DWORD size, vbVariant* pValue)
{
    if (size > 0) {
        pValue->SetData(data, static_cast<int>(size));
        return;
    }
    // An empty REG_BINARY is still a byte array, of no bytes.
    SAFEARRAYBOUND bound{0, 0};
    VARIANT v;
    VariantInit(&v);
    v.parray = SafeArrayCreate(VT_UI1, 1, &bound);
    if (!v.parray)
        throw new vbEsys(E_OUTOFMEMORY, "vbVariant::SetData() : array of bytes creation failure !");
    v.vt = kByteArray;
    pValue->Attach(&v);
}

void putDword(DWORD value, std::string* pBytes)
{
    const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
        static_cast<char>(value >> 24)};
    pBytes->assign(bytes, 4);
}

} // namespace

RegValueRead regValueToVariant(DWORD type, const BYTE* data, DWORD size, vbVariant* pValue)
{
    pValue->Clear();
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        // The stored terminator is not part of the text; a value written without one ends at its
        // size.
        const char* text = reinterpret_cast<const char*>(data);
        const size_t len = size && data ? strnlen(text, size) : 0;
        *pValue = vbString(text, static_cast<int>(len));
        break;
    }
    case REG_BINARY:
        setBytes(data, size, pValue);
        break;
    case REG_DWORD:
        if (size != 4 || !data)
            return RegValueRead::badSize;
        *pValue = static_cast<int>(static_cast<DWORD>(data[0]) | static_cast<DWORD>(data[1]) << 8 |
            static_cast<DWORD>(data[2]) << 16 | static_cast<DWORD>(data[3]) << 24);
        break;
    default:
        return RegValueRead::unsupportedType;
    }
    pValue->SetLCID(kEnglishUS);
    return RegValueRead::ok;
}

DWORD variantToRegValue(const vbVariant& v, bool bExpand, std::string* pBytes)
{
    switch (v.GetDeRefType()) {
    case kByteArray: {
        vbVariant own(v);
        own.NoRef();
        vbData bytes;
        const LONG n = own.GetData(&bytes);
        pBytes->assign(n > 0 ? static_cast<const char*>(static_cast<const void*>(bytes)) : "", n > 0 ? n : 0);
        return REG_BINARY;
    }
    case VT_BOOL:
        putDword(v.GetAsBool(kEnglishUS) ? 1 : 0, pBytes);
        return REG_DWORD;
    case VT_I2:
        putDword(static_cast<DWORD>(static_cast<LONG>(v.GetAsShort(kEnglishUS))), pBytes);
        return REG_DWORD;
    case VT_UI2:
        // Read as a signed 16-bit number, a value above 32767 would not convert at all.
        putDword(v.GetAsUshort(kEnglishUS), pBytes);
        return REG_DWORD;
    case VT_UI1:
        putDword(v.GetAsUchar(kEnglishUS), pBytes);
        return REG_DWORD;
    case VT_I1:
        // The byte as it is, zero-extended; a negative value would not convert to an unsigned one.
        putDword(static_cast<unsigned char>(v.GetAsChar(kEnglishUS)), pBytes);
        return REG_DWORD;
    case VT_I4:
        putDword(static_cast<DWORD>(v.GetAsLong(kEnglishUS)), pBytes);
        return REG_DWORD;
    case VT_UI4:
        putDword(v.GetAsUlong(kEnglishUS), pBytes);
        return REG_DWORD;
    default: {
        const vbString text = v.GetAsString(kEnglishUS);
        pBytes->assign(text.c_str(), static_cast<size_t>(text.GetLength()) + 1);
        return bExpand ? REG_EXPAND_SZ : REG_SZ;
    }
    }
}

std::string regValueText(const vbVariant& v) noexcept
{
    try {
        return std::string(v.GetAsString(kEnglishUS).c_str());
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
    return std::string();
}

} // namespace vbImpl
