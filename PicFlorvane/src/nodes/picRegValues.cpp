#include "nodes/picRegValues.h"

#include "vbVariant.h"

#include <bit>

uint32_t picReadHalf(vbRegKey& key, const vbString& name)
{
    vbVariant v = key.GetValue(name);
    switch (v.GetDeRefType()) {
    case VT_I4:
    case VT_INT:
        return static_cast<uint32_t>(v.GetAsLong());
    default:
        return v.GetAsUlong();
    }
}

void picWriteHalf(vbRegKey& key, const vbString& name, uint32_t value)
{
    vbVariant v;
    v.SetAsLong(static_cast<LONG>(value));
    key.SetValue(name, v);
}

uint64_t picReadHalves(vbRegKey& key, const vbString& name)
{
    const uint64_t low = picReadHalf(key, name + "L");
    const uint64_t high = picReadHalf(key, name + "H");
    return high << 32 | low;
}

void picWriteHalves(vbRegKey& key, const vbString& name, uint64_t value)
{
    picWriteHalf(key, name + "H", static_cast<uint32_t>(value >> 32));
    picWriteHalf(key, name + "L", static_cast<uint32_t>(value));
}

double picReadDouble(vbRegKey& key, const vbString& name) { return std::bit_cast<double>(picReadHalves(key, name)); }

void picWriteDouble(vbRegKey& key, const vbString& name, double value)
{
    picWriteHalves(key, name, std::bit_cast<uint64_t>(value));
}
