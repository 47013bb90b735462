#include "picCompressPlugType.h"

namespace {

const GUID kObjectIds[] = {
    IID_sIvbBase,
    VNT_GUID(0x5B6F3237, 0x5A39, 0x46E5, 0xA8, 0xA7, 0xA8, 0x8C, 0xA0, 0xF9, 0xFE, 0x0F),
    VNT_GUID(0x72B5D83C, 0xED16, 0x43E7, 0xBD, 0xA0, 0x91, 0x54, 0x60, 0xD8, 0x0C, 0xB1),
    VNT_GUID(0x321A9C42, 0xF414, 0x4F06, 0x92, 0xBE, 0xCD, 0xEE, 0x91, 0x5B, 0x2A, 0xD5),
};

} // namespace

picCompressPlugType::picCompressPlugType(const char* name, const char* version, const char* label, vbExtraMsg* msg,
    const vbEngineDeps& deps)
    : vbHotPlugType(name, version, label, msg, deps)
{
}

picCompressPlugType::~picCompressPlugType() = default;

bool picCompressPlugType::GetInterface(const GUID& iid, const void** ppv) const
{
    for (const GUID& id : kObjectIds) {
        if (iid == id) {
            *ppv = this;
            return true;
        }
    }
    if (iid == IID_sIvbHotPlugType) {
        *ppv = static_cast<const sIvbHotPlugType*>(this);
        return true;
    }
    if (iid == IID_sIvbLock) {
        *ppv = static_cast<const sIvbLock*>(this);
        return true;
    }
    return false;
}

bool picCompressPlugType::GetInterface(const GUID& iid, void** ppv)
{
    return static_cast<const picCompressPlugType*>(this)->GetInterface(iid, const_cast<const void**>(ppv));
}
