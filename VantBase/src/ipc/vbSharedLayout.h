#pragma once

// The shared heap's format: offsets of the header, the page entries and the block headers, read
// and written byte by byte in little-endian order, and the bounds every block met in a page must
// keep before anything of it is used.

#include <cstdint>

namespace vbShared {

inline uint32_t rd32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void wr32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
inline uint64_t rd64(const uint8_t* p) { return uint64_t(rd32(p)) | uint64_t(rd32(p + 4)) << 32; }
inline void wr64(uint8_t* p, uint64_t v)
{
    wr32(p, uint32_t(v));
    wr32(p + 4, uint32_t(v >> 32));
}

constexpr uint32_t kNone = 0xFFFFFFFFu;

// Header.
constexpr uint32_t kHeaderSize = 64;
constexpr uint32_t kStartSize = 96; // header and page 1's entry
constexpr uint32_t kHdrId = 0x00;
constexpr uint32_t kHdrVersion = 0x10;
constexpr uint32_t kHdrPageCount = 0x14;
constexpr uint32_t kHdrCapacity = 0x18;
constexpr uint32_t kHdrSectorSize = 0x1C;
constexpr uint32_t kHdrSectorsPerPage = 0x20;
constexpr uint32_t kHdrReserved = 0x24;
constexpr uint32_t kHdrDataSize = 0x28;
constexpr uint32_t kHdrMainBlock = 0x30;
constexpr uint32_t kVersion = 0x00010002u;

// Page entry of page i (from 1), at 32 * (i + 1).
constexpr uint32_t kEntrySize = 32;
constexpr uint32_t kEntSectors = 0x00;
constexpr uint32_t kEntFree = 0x04;
constexpr uint32_t kEntBusyHead = 0x08;
constexpr uint32_t kEntFreeHead = 0x0C;
constexpr uint32_t kEntOffset = 0x10;

// Block header.
constexpr uint32_t kBlockHeader = 20;
constexpr uint32_t kBlkNext = 0x00;
constexpr uint32_t kBlkPrev = 0x04;
constexpr uint32_t kBlkSize = 0x08;
constexpr uint32_t kBlkPrevSize = 0x0C;
constexpr uint32_t kBlkUse = 0x10;

// A block offset of a page whose blocks span `span` bytes of sectors of `sector` bytes: on a
// sector, inside the page, its size whole sectors (at least one) that end inside the page.
inline bool blockOk(const uint8_t* view, uint64_t span, uint32_t sector, uint32_t off)
{
    if (off % sector != 0 || uint64_t(off) + kBlockHeader > span)
        return false;
    const uint32_t size = rd32(view + off + kBlkSize);
    return size >= sector && size % sector == 0 && uint64_t(off) + size <= span;
}

// A link of a list: none, or a sound block.
inline bool linkOk(const uint8_t* view, uint64_t span, uint32_t sector, uint32_t off)
{
    return off == kNone || blockOk(view, span, sector, off);
}

} // namespace vbShared
