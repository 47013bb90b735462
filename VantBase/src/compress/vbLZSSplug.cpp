#include "vbCompressLZSS.h"

#include "compress/vbLZSSformat.h"
#include "compress/vbLZSSstream.h"

#include "vbException.h"

namespace {

[[noreturn]] void failMode(const char* msg, const char* where)
{
    throw new vbEcompress(E_NOTIMPL, vbString(msg), vbString(where));
}

bool isOwnType(const char* type)
{
    vbString t(type);
    return t.CompareNoCase("qvlzss") == 0 || t.CompareNoCase("qvlz") == 0;
}

} // namespace

void vbLZSSplug::CreateObject(vbCompressPlugPtr* out)
{
    vbLZSSstream::create<IvbCompressPlug>(new vbLZSSplug, out);
}

bool vbLZSSplug::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IvbCompressPlug) {
        *ppv = static_cast<IvbCompressPlug*>(this);
        return true;
    }
    return vbObject::GetInterface(iid, ppv);
}

void vbLZSSplug::throwEnd(const char* text, const char* operation) const
{
    if (!IsInDestruction())
        return;
    vbString where = vbString("vbLZSSplug::") + operation;
    // While the plug type is in use the application itself ended the operation.
    vbLock use;
    if (g_vbCompressPlugType.IsNowStarted(&use))
        throw new vbEcompressUser(E_ABORT, vbString("QVLZSS compression : ") + text + ", operation canceled by application",
            where);
    throw new vbEhotPlug(E_ABORT, vbString("QVLZSS compression : ") + text + ", plugin in destruction", where);
}

bool vbLZSSplug::CanWorkWithType(const char* type, IvbInputStream* source)
{
    throwEnd("type detection aborted", "CanWorkWithType()");
    bool typed = type && *type;
    if (!typed && !source)
        throw new vbEcompress(vbString("QVLZSS compression : invalid argument for type detection"),
            vbString("vbLZSSplug::CanWorkWithType()"));
    if (!source)
        return isOwnType(type);
    const void* face = nullptr;
    if (!source->GetInterface(IID_IvbSeekStream, &face))
        return typed && isOwnType(type);
    auto* seek = const_cast<IvbSeekStream*>(static_cast<const IvbSeekStream*>(face));
    DWORD position = seek->GetPosition();
    unsigned char header[vbLZSSformat::kHeaderSize];
    bool valid = false;
    try {
        valid = source->Read(header, sizeof header, false) == sizeof header && vbLZSSformat::isValidHeader(header);
    } catch (...) {
        seek->Seek(LONG(position), vbSeekStart);
        throw;
    }
    seek->Seek(LONG(position), vbSeekStart);
    return valid;
}

bool vbLZSSplug::Decompress(IvbOutputStream* target, int mode, vbDecompressPushPtr* result, bool bThrow)
{
    throwEnd("decompression aborted", "Decompress(push)");
    if (mode != 0) {
        if (bThrow)
            failMode("QVLZSS compression : invalid mode for decompression", "vbLZSSplug::Decompress(push)");
        return false;
    }
    vbDecompressPushPtr d;
    vbLZSSdecompressPush::CreateObject(&d);
    if (target) {
        d->New();
        d->SetOutputStream(target);
    }
    *result = d;
    return true;
}

bool vbLZSSplug::Decompress(IvbInputStream*, int, vbDecompressPullPtr*, bool bThrow)
{
    throwEnd("decompression aborted", "Decompress(pull)");
    if (bThrow)
        failMode("QVLZSS compression : decompression in pull mode not supported", "vbLZSSplug::Decompress(pull)");
    return false;
}

bool vbLZSSplug::Compress(IvbInputStream*, int, vbCompressPullPtr*, bool bThrow)
{
    throwEnd("compression aborted", "Compress(pull)");
    if (bThrow)
        failMode("QVLZSS compression : compression in pull mode not supported", "vbLZSSplug::Compress(pull)");
    return false;
}

bool vbLZSSplug::Compress(IvbOutputStream* target, int mode, vbCompressPushPtr* result, bool bThrow)
{
    throwEnd("compression aborted", "Compress(push)");
    if (mode != 0) {
        if (bThrow)
            failMode("QVLZSS compression : invalid mode for compression", "vbLZSSplug::Compress(push)");
        return false;
    }
    vbCompressPushPtr c;
    vbLZSScompressPush::CreateObject(&c);
    if (target)
        c->New(target);
    *result = c;
    return true;
}

void vbLZSSplug::askClose()
{
    Destroy();
}

vbString vbLZSSplug::GetCompressLabel(bool) const
{
    return vbString("QVLZSS compression");
}

bool vbLZSSplug::GetCompressLevelRange(int* minimum, int* maximum, int* byDefault) const
{
    return vbLZSScompress::LevelRange(minimum, maximum, byDefault);
}

bool vbLZSSplug::GetCompressBlockRange(LONG* minimum, LONG* maximum, LONG* byDefault) const
{
    return vbLZSScompress::BlockRange(minimum, maximum, byDefault);
}

bool vbLZSSplug::EnumCompressSetting(int, vbString*, vbString*) const
{
    return false;
}

DWORD vbLZSSplug::GetCaps() const
{
    return vbCompressCapHeaderParams | vbCompressCapFiles | vbCompressCapFileParams;
}
