#pragma once

// Little-endian fields of outside bytes, read only after the caller has checked that they lie
// inside the data.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace plat::image {

struct Bytes {
    const uint8_t* data = nullptr;
    size_t size = 0;

    // Whether [offset, offset + length) lies inside the bytes, without overflow.
    bool holds(uint64_t offset, uint64_t length) const { return offset <= size && length <= size - offset; }
    Bytes from(size_t offset, size_t length) const { return Bytes{data + offset, length}; }

    uint16_t u16(size_t at) const { return uint16_t(data[at] | data[at + 1] << 8); }
    uint32_t u32(size_t at) const { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; }
    int32_t i32(size_t at) const { return int32_t(u32(at)); }
    bool tagAt(size_t at, const char (&tag)[5]) const { return holds(at, 4) && std::memcmp(data + at, tag, 4) == 0; }
};

} // namespace plat::image
