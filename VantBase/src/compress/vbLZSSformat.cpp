#include "compress/vbLZSSformat.h"

#include <bit>
#include <cstring>

namespace vbLZSSformat {

Code lengthCode(uint32_t l)
{
    if (l < 8)
        return {256 + int(l), 0, 0};
    int k = std::bit_width(l) - 3; // 2^(k+2) <= l < 2^(k+3)
    uint32_t rest = l - (1u << (k + 2));
    return {264 + 4 * (k - 1) + int(rest >> k), k, rest & ((1u << k) - 1)};
}

Code distanceCode(uint32_t d)
{
    if (d < 4)
        return {int(d), 0, 0};
    int k = std::bit_width(d) - 2; // 2^(k+1) <= d < 2^(k+2)
    uint32_t rest = d - (1u << (k + 1));
    return {2 + 2 * k + int(rest >> k), k, rest & ((1u << k) - 1)};
}

bool isValidHeader(const unsigned char* header)
{
    if (std::memcmp(header, kMagic, 4) != 0)
        return false;
    if (readLE32(header + 4) & kFlagReserved)
        return false;
    DWORD block = readLE32(header + 8);
    return block >= kMinBlock && block <= kMaxBlock;
}

} // namespace vbLZSSformat

namespace {

vbLZSSmodels started(bool decodeTables)
{
    vbLZSSmodels m(decodeTables);
    m.literal.Init();
    m.offset.Init();
    return m;
}

} // namespace

void vbLZSSmodels::Init()
{
    // Every stream starts from the same models: they are built once and copied.
    static const vbLZSSmodels writer = started(false);
    static const vbLZSSmodels reader = started(true);
    const vbLZSSmodels& start = decodeTables ? reader : writer;
    literal = start.literal;
    offset = start.offset;
}
