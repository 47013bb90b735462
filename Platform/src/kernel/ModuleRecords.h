#pragma once

// Internal to the platform library: the layouts of the version record and the resource table
// that the build writes into modules (cmake/tools/vnt_pack.cpp). Both may come from outside
// files, so every reader checks sizes and offsets before it uses them. Little-endian throughout.
//
// Version block: "VNTV", u32 block size, then entries (4-aligned): u32 entry size, u16 key size,
// u16 flags (1 = text), u32 value size, key text + NUL padded to 4, value padded to 4.
// Resource table: "VNTR", u32 count, then entries (4-aligned): u32 entry size, u16 type id,
// u16 name id (0 = named), u32 data offset from the entry, u32 data size, u16 type text size,
// u16 name text size, the texts (+ NUL) padded to 4; the data follows all entries.

#include "plat/api.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {

// The size the block declares, when it is a well-formed block within size bytes; else 0.
PLATAPI size_t versionBlockSize(const uint8_t* block, size_t size);
// The value of a key (case-blind) in a block that versionBlockSize accepted.
bool findVersionValue(const uint8_t* block, const char* key, const uint8_t*& value, uint32_t& valueSize);

struct ResourceEntry {
    const uint8_t* entry; // what an HRSRC points at
    uint16_t typeId;
    uint16_t nameId;
    const char* typeText; // null for an integer type
    const char* nameText; // null for an integer name
    const uint8_t* data;
    uint32_t size;
};

// All entries of a resource table; false when the table is malformed.
PLATAPI bool readResourceTable(const uint8_t* table, size_t size, std::vector<ResourceEntry>& entries);

} // namespace plat
