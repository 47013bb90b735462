// A light filter's curve read from outside bytes, in both stored forms. The first byte picks the
// form: even, the rest is a curve block of a binary stream; odd, the rest is a list of (at most 64) registry
// values, 6 bytes each (a name selector, a point number, a 32-bit little-endian value), written
// under a key of their own and loaded from there. A failed read must leave the curve unchanged;
// a curve loaded with a valid size reference must come back unchanged from both forms.
//
// Every registry value is a transaction of the registry's database, and loading a key lists its
// values by one query each: the registry form runs a few hundred inputs a second.

#include "FuzzTempDir.h"

#include "picCurveData.h"

#include "vbEngine.h"
#include "vbException.h"
#include "vbMemoryStream.h"
#include "vbRegEngine.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// Values past the 64th are left out: each is a registry transaction, and listing a key reads
// its n-th value with a query of its own, so a run's time grows with the square of their number.
constexpr size_t kMaxValues = 64;
using MemPtr = vbRefPtr<vbMemoryStream, &IID_vbMemoryStream>;

const char* const kDoubleNames[] = {"curve-sizeRefX", "curve-sizeRefY", "curve-MinAxisX", "curve-MaxAxisX",
    "curve-MinAxisY", "curve-MaxAxisY", "curve-MinImageX", "curve-MaxImageX", "curve-MinImageY", "curve-MaxImageY"};

// Selectors: 0-19 the halves of the ten group doubles, 20 the point count, 21-24 a point's halves.
std::string nameOf(unsigned selector, unsigned point)
{
    selector %= 25;
    if (selector < 20)
        return std::string(kDoubleNames[selector / 2]) + (selector % 2 ? "L" : "H");
    if (selector == 20)
        return "curve-PtCount";
    static const char* const kHalves[] = {"XH", "XL", "YH", "YL"};
    char name[32];
    std::snprintf(name, sizeof name, "curve-Pt%03u%s", point, kHalves[selector - 21]);
    return name;
}

MemPtr memory(const unsigned char* data, size_t size)
{
    MemPtr s;
    vbMemoryStream::CreateObject(&s);
    if (size)
        s->Write(data, DWORD(size), true);
    s->Seek(0, vbSeekStart);
    return s;
}

Bytes blockOf(const picCurveData& c)
{
    MemPtr s = memory(nullptr, 0);
    c.WriteToStream(s.Get());
    vbData d;
    s->CopyTo(&d);
    auto* p = static_cast<const unsigned char*>(static_cast<const void*>(d));
    return p ? Bytes(p, p + d.GetLength()) : Bytes{};
}

vbRegKey freshKey(const char* name)
{
    vbRegKey key(vbRegVantUser, vbString("PicFlorvane\\") + name);
    key.DeleteKey(true, false);
    return key;
}

// Reads into a curve that already holds something; a failure must leave it as it was.
template <class Read>
bool readInto(picCurveData& curve, Read&& read)
{
    curve.hasSizeRef = true;
    curve.sizeRefX = curve.sizeRefY = 123;
    curve.points = {{1, 2}};
    const Bytes before = blockOf(curve);
    try {
        read(curve);
        return true;
    } catch (CException* e) {
        e->Delete();
    }
    if (blockOf(curve) != before)
        std::abort();
    return false;
}

void checkStable(const picCurveData& loaded)
{
    if (!loaded.hasSizeRef)
        return;
    const Bytes block = blockOf(loaded);
    picCurveData fromStream;
    fromStream.ReadFromStream(memory(block.data(), block.size()).Get());
    if (blockOf(fromStream) != block)
        std::abort();
    vbRegKey key = freshKey("FuzzCurveCopy");
    loaded.SaveToRegKey(key);
    picCurveData fromKey;
    fromKey.LoadFromRegKey(key);
    if (blockOf(fromKey) != block)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzTempDir home(true);
    static vbUseEngineCenter use(&g_vbEngineCenter, true);
    if (size < 1)
        return 0;
    picCurveData curve;
    bool read;
    if (data[0] % 2 == 0) {
        MemPtr s = memory(data + 1, size - 1);
        read = readInto(curve, [&](picCurveData& c) { c.ReadFromStream(s.Get()); });
    } else {
        vbRegKey key = freshKey("FuzzCurve");
        for (size_t at = 1; at + 6 <= size && at < 1 + 6 * kMaxValues; at += 6) {
            uint32_t bits = uint32_t(data[at + 2]) | uint32_t(data[at + 3]) << 8 | uint32_t(data[at + 4]) << 16
                | uint32_t(data[at + 5]) << 24;
            vbVariant value;
            value.SetAsLong(LONG(bits));
            key.SetValue(nameOf(data[at], data[at + 1]).c_str(), value);
        }
        read = readInto(curve, [&](picCurveData& c) { c.LoadFromRegKey(key); });
    }
    if (read)
        checkStable(curve);
    return 0;
}
