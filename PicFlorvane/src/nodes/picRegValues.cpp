#include "nodes/picRegValues.h"

#include "vbVariant.h"

#include <bit>

uint32_t picHalfOf(const vbVariant& v)
{
    switch (v.GetDeRefType()) {
    case VT_I4:
    case VT_INT:
        return static_cast<uint32_t>(v.GetAsLong());
    default:
        return v.GetAsUlong();
    }
}

uint32_t picReadHalf(vbRegKey& key, const vbString& name) { return picHalfOf(key.GetValue(name)); }

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

double picDoubleOf(const vbVariant& low, const vbVariant& high)
{
    return std::bit_cast<double>(uint64_t(picHalfOf(high)) << 32 | picHalfOf(low));
}

double picReadDouble(vbRegKey& key, const vbString& name)
{
    return picDoubleOf(key.GetValue(name + "L"), key.GetValue(name + "H"));
}

void picWriteDouble(vbRegKey& key, const vbString& name, double value)
{
    picWriteHalves(key, name, std::bit_cast<uint64_t>(value));
}
