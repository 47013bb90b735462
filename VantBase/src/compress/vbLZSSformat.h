#pragma once

// The fixed numbers of the QVLZSS stream: header, flags, framing, and the mapping of match lengths
// and distances to symbols and extra bits.

#include "compress/vbHuffman.h"

#include "plat/types.h"

#include <cstdint>

namespace vbLZSSformat {

constexpr int kHeaderSize = 12;
constexpr unsigned char kMagic[4] = {'Q', 'V', 'L', 'Z'};
constexpr DWORD kFlagBlocks = 0x0000000Fu;  // F - 1
constexpr DWORD kFlag16bit = 0x00000010u;
constexpr DWORD kFlagReserved = 0x3FFFFFE0u;
constexpr DWORD kFlagFiles = 0x40000000u;
constexpr DWORD kFlagHeaderParams = 0x80000000u;
constexpr uint64_t kMinBlock = 1024;
constexpr uint64_t kMaxBlock = 0x7FFFFFF0u;
// 16-bit framing is used exactly below this block size.
constexpr uint64_t k16bitBelow = 65533;
constexpr DWORD kMax16bitWords = 0x7FFF;
constexpr DWORD kCodePageDefault = 65001;

constexpr int kLiteralSymbols = 304;
constexpr int kOffsetSymbols = 32;
constexpr uint32_t kLiteralStep = 456;
constexpr uint32_t kOffsetStep = 48;

constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 8194;
constexpr uint64_t kMaxDistance = 65537;

// The coded bytes one block may take in the writer's buffer, header included.
constexpr uint64_t blockBound(uint64_t blockSize)
{
    return (blockSize * 10 >> 3) + 28;
}

struct Code {
    int symbol;
    int extraBits;
    uint32_t extra;
};

// Length code L = length - 3 (0..8191).
VBAPI Code lengthCode(uint32_t l);
// Distance code D = distance - 3 (0..65535).
VBAPI Code distanceCode(uint32_t d);
// The extra bits that follow a length symbol (256..303) and a distance symbol (0..31).
inline int lengthExtraBits(int symbol)
{
    return symbol < 264 ? 0 : ((symbol - 264) >> 2) + 1;
}
inline uint32_t lengthBase(int symbol)
{
    if (symbol < 264)
        return uint32_t(symbol - 256);
    int k = lengthExtraBits(symbol);
    return (1u << (k + 2)) + (uint32_t(symbol & 3) << k);
}
inline int distanceExtraBits(int symbol)
{
    return symbol < 4 ? 0 : ((symbol - 4) >> 1) + 1;
}
inline uint32_t distanceBase(int symbol)
{
    if (symbol < 4)
        return uint32_t(symbol);
    int k = distanceExtraBits(symbol);
    return (1u << (k + 1)) + (uint32_t(symbol & 1) << k);
}

inline DWORD readLE32(const unsigned char* p)
{
    return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}
inline void writeLE32(unsigned char* p, DWORD v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}
inline DWORD readLE16(const unsigned char* p)
{
    return DWORD(p[0]) | DWORD(p[1]) << 8;
}

// Whether the 12 bytes form a stream header the reader accepts (magic, reserved bits, B range).
bool isValidHeader(const unsigned char* header);

} // namespace vbLZSSformat

// The two models of a stream, as writer and reader keep them.
struct VBAPI vbLZSSmodels {
    explicit vbLZSSmodels(bool decodeTables)
        : decodeTables(decodeTables), literal(vbLZSSformat::kLiteralSymbols, vbLZSSformat::kLiteralStep, decodeTables),
          offset(vbLZSSformat::kOffsetSymbols, vbLZSSformat::kOffsetStep, decodeTables)
    {
    }
    // Both models as every stream starts them.
    void Init();
    bool decodeTables;
    vbHuffmanModel literal;
    vbHuffmanModel offset;
};
