#pragma once

// The queue record's fields inside its shared block, and the loads that every walk of the chain
// uses: a record or data block that does not load answers false instead of throwing, and a record
// shorter than its fixed part is refused before any field is read.

#include "vbSharedMem.h"
#include "ipc/vbSharedLayout.h"

#include <cstdint>
#include <cstring>

namespace vbSharedQ {

constexpr uint32_t kSlotSize = 16;
constexpr uint32_t kSlotId = 0x0;
constexpr uint32_t kSlotVal1 = 0x4;
constexpr uint32_t kSlotVal2 = 0x8;
constexpr uint32_t kSlotData = 0xC;

constexpr uint32_t kCount = 0x100;
constexpr uint32_t kPid = 0x104;
constexpr uint32_t kAccess = 0x108;
constexpr uint32_t kPrev = 0x110;
constexpr uint32_t kNext = 0x114;
constexpr uint32_t kName = 0x118;

inline double rdDate(const uint8_t* p)
{
    const uint64_t bits = vbShared::rd64(p);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

inline void wrDate(uint8_t* p, double d)
{
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    vbShared::wr64(p, bits);
}

// The name field, up to its terminator or the end of the record.
vbString readName(const uint8_t* rec, ULONG len);
// A last access as the log lines show it.
vbString formatDate(double date);
bool loadBlock(vbSharedHeap* heap, vbSharedHandle h, vbSharedMemPtr* out);
bool loadRecord(vbSharedHeap* heap, vbSharedHandle h, vbSharedMemPtr* out);

} // namespace vbSharedQ
