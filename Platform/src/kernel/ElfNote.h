#pragma once

// Internal to the platform library: finding a note (a named block the build put into a module,
// such as its version record or resource table) in a module file or in a loaded module. The
// file readers take outside bytes and check every offset and size before they use it.

#include "plat/api.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Random access to the bytes of a file or a buffer.
class PLATAPI ByteSource {
public:
    virtual ~ByteSource() = default;
    // False when the range is not wholly inside the source.
    virtual bool read(uint64_t offset, void* out, size_t size) const = 0;
};

class PLATAPI MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool read(uint64_t offset, void* out, size_t size) const override;

private:
    const uint8_t* m_data;
    size_t m_size;
};

// The notes of a 64-bit little-endian ELF file are searched (through its PT_NOTE program
// headers) for one named name; its contents go to desc. False when the source is no such file or
// has no such note.
PLATAPI bool findElfNote(const ByteSource& source, const char* name, std::vector<uint8_t>& desc);
// The same for a file on disk; false with the last error set: ERROR_FILE_NOT_FOUND ... when it
// cannot be read, ERROR_BAD_EXE_FORMAT when it is no module, ERROR_RESOURCE_TYPE_NOT_FOUND when
// it has no such note.
bool readElfNoteFromFile(const std::string& path, const char* name, std::vector<uint8_t>& desc);
// Searches one note segment (align 4 or 8, as its program header says) in memory.
bool findNoteInSegment(const uint8_t* segment, size_t size, size_t align, const char* name, const uint8_t*& desc,
    size_t& descSize);

// Names of the notes the build helpers write.
constexpr const char* kVersionNote = "VNTVER";
constexpr const char* kResourceNote = "VNTRSRC";

} // namespace plat
