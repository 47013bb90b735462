#pragma once

// The block of the hot-plug data message, which the processes of the system send each other
// about a module's download: a 48-byte header of little-endian 32-bit fields (header size, total
// length, type, the CLSID in its in-memory layout, path offset, three values, text offset), then
// the module path and a second text, each ended by a zero byte. Written and read field by field.

#include "vbExport.h"
#include "vbString.h"

#include "plat/types.h"

#include <cstddef>

struct VBAPI vbHotPlugMsg {
    static constexpr ULONG kHeaderSize = 48;

    LONG type = 0;
    GUID clsid{};
    vbString path;
    DWORD value1 = 0;
    DWORD value2 = 0;
    DWORD value3 = 0;
    vbString text;

    // The block's total length.
    ULONG Size() const;
    // Writes the message into block, which holds Size() bytes.
    void Write(unsigned char* block) const;
    // Reads a block of size bytes; false when it is malformed: a header size or total length below
    // 48, a total length beyond the block, an offset into the header or past the total length, or
    // a text without its zero byte inside the total length.
    bool Read(const unsigned char* block, size_t size);
};
