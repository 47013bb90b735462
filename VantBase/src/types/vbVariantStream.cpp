// The stream form of a variant: the 32-bit type and a payload of fixed width, little-endian; or
// the text form. Counted payloads come from outside and are read in growing pieces, so a forged
// count fails at the end of the data instead of reserving its whole size first.

#include "vbVariant.h"

#include "vbData.h"
#include "vbException.h"
#include "vbString.h"

#include "plat/errors.h"

#include <cstring>
#include <vector>

namespace {

constexpr DWORD kFirstPiece = 64 * 1024;

vbFormatMode formatOf(IvbStreamMode* mode) { return mode ? mode->GetFormat() : vbFormatBinary; }

[[noreturn]] void throwType() { throw new vbEsys(E_NOTIMPL, "vbVariant::ReadFromStream() :  type not supported"); }

// n bytes of the stream (n > 0). The buffer grows with what actually arrived: never more than
// twice the bytes read so far, or the first piece.
std::vector<unsigned char> readCounted(IvbInputStream* in, DWORD n)
{
    std::vector<unsigned char> bytes;
    DWORD have = 0;
    while (have < n) {
        DWORD piece = have < kFirstPiece ? kFirstPiece : have;
        if (piece > n - have)
            piece = n - have;
        bytes.resize(static_cast<size_t>(have) + piece);
        in->Read(bytes.data() + have, piece, true);
        have += piece;
    }
    return bytes;
}

template <class T>
T fromBytes(const unsigned char* b)
{
    uint64_t v = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        v |= static_cast<uint64_t>(b[i]) << (8 * i);
    T out;
    std::memcpy(&out, &v, sizeof out); // the low bytes on a little-endian machine
    return out;
}

template <class T>
T readRaw(IvbInputStream* in)
{
    unsigned char b[sizeof(T)];
    in->Read(b, sizeof b, true);
    return fromBytes<T>(b);
}

} // namespace

void vbVariant::WriteToStream(IvbStreamMode* mode, IvbOutputStream* out) const
{
    switch (formatOf(mode)) {
    case vbFormatBinary:
        break;
    case vbFormatText:
        out->WriteString(GetAsString(0), false, mode);
        return;
    default:
        throw new vbEsys(E_FAIL, "vbVariant::ReadFromStream() :  format not supported");
    }

    const VARIANT& v = m_var;
    out->WriteLong(static_cast<LONG>(v.vt));
    switch (v.vt) {
    case VT_EMPTY: case VT_NULL:
        break;
    case VT_I2:
        out->WriteShort(v.iVal);
        break;
    case VT_UI2:
        out->WriteUshort(v.uiVal);
        break;
    case VT_I4: case VT_ERROR:
        out->WriteLong(v.lVal);
        break;
    case VT_UI4:
        out->WriteUlong(v.ulVal);
        break;
    case VT_R4: {
        uint32_t bits;
        std::memcpy(&bits, &v.fltVal, sizeof bits);
        out->WriteUlong(bits);
        break;
    }
    case VT_R8: case VT_DATE: case VT_CY:
        out->WriteUint64(static_cast<uint64_t>(v.llVal));
        break;
    case VT_BOOL:
        out->WriteShort(v.boolVal ? VARIANT_TRUE : VARIANT_FALSE);
        break;
    case VT_DECIMAL: {
        unsigned char b[sizeof(DECIMAL)];
        std::memcpy(b, &v.decVal, sizeof b);
        b[0] = VT_DECIMAL;
        b[1] = 0;
        out->Write(b, sizeof b, true);
        break;
    }
    case VT_I1: case VT_UI1:
        out->WriteUchar(v.bVal);
        break;
    case VT_BSTR: {
        UINT n = SysStringByteLen(v.bstrVal);
        out->WriteLong(static_cast<LONG>(n));
        if (n > 0)
            out->Write(v.bstrVal, n, true);
        break;
    }
    case VT_ARRAY | VT_UI1: {
        vbData bytes;
        LONG n = GetData(&bytes);
        out->WriteLong(n);
        if (n > 0)
            out->Write(static_cast<const void*>(bytes), static_cast<DWORD>(n), true);
        break;
    }
    default:
        throwType();
    }
}

void vbVariant::ReadFromStream(IvbStreamMode* mode, IvbInputStream* in)
{
    vbVariant tmp;
    switch (formatOf(mode)) {
    case vbFormatBinary:
        break;
    case vbFormatText: {
        vbString text;
        in->ReadString(&text, nullptr, mode);
        tmp.SetAsString(text);
        CopyFrom(tmp);
        return;
    }
    default:
        throw new vbEsys(E_NOTIMPL, "vbVariant::ReadFromStream() :  format not supported");
    }

    VARIANT& v = tmp.m_var;
    const LONG type = in->ReadLong();
    switch (type) {
    case VT_EMPTY:
        break;
    case VT_NULL:
        v.vt = VT_NULL;
        break;
    case VT_I2:
        v.iVal = in->ReadShort();
        v.vt = VT_I2;
        break;
    case VT_I4:
        v.lVal = in->ReadLong();
        v.vt = VT_I4;
        break;
    case VT_I1: case VT_UI1:
        v.bVal = in->ReadUchar();
        v.vt = static_cast<VARTYPE>(type);
        break;
    case VT_UI2:
        v.uiVal = in->ReadUshort();
        v.vt = VT_UI2;
        break;
    case VT_UI4:
        v.ulVal = in->ReadUlong();
        v.vt = VT_UI4;
        break;
    case VT_R4:
        v.fltVal = readRaw<float>(in);
        v.vt = VT_R4;
        break;
    case VT_ERROR:
        v.scode = readRaw<SCODE>(in);
        v.vt = VT_ERROR;
        break;
    case VT_R8: case VT_CY: case VT_DATE:
        v.llVal = readRaw<LONGLONG>(in);
        v.vt = static_cast<VARTYPE>(type);
        break;
    case VT_BOOL:
        v.boolVal = readRaw<VARIANT_BOOL>(in);
        v.vt = VT_BOOL;
        break;
    case VT_DECIMAL: {
        unsigned char b[sizeof(DECIMAL)];
        in->Read(b, sizeof b, true);
        std::memcpy(&v.decVal, b, sizeof b);
        // Whatever the first word said, the value is a DECIMAL.
        v.vt = VT_DECIMAL;
        break;
    }
    case VT_BSTR: {
        LONG n = in->ReadLong();
        if (n > 0) {
            std::vector<unsigned char> bytes = readCounted(in, static_cast<DWORD>(n));
            // Kept by bytes, so an odd count stays inside the string.
            BSTR s = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(bytes.data()), static_cast<UINT>(n));
            if (!s)
                throw new vbEsys(E_OUTOFMEMORY, "vbVariant::ReadFromStream() : not enough memory");
            v.bstrVal = s;
            v.vt = VT_BSTR;
        }
        break;
    }
    case VT_ARRAY | VT_UI1: {
        LONG n = in->ReadLong();
        if (n > 0) {
            std::vector<unsigned char> bytes = readCounted(in, static_cast<DWORD>(n));
            tmp.SetData(bytes.data(), n);
        }
        break;
    }
    default:
        throwType();
    }
    CopyFrom(tmp);
}
