// Module version records and resource tables, as read from outside module files: the ELF note
// search, the version block checks and queries, and the resource table reader. The input is
// tried as an ELF file and as a bare block.

#include "kernel/ElfNote.h"
#include "kernel/ModuleRecords.h"

#include "plat/version.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

volatile unsigned g_sink;

void touch(const void* data, size_t size)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    unsigned sum = 0;
    for (size_t i = 0; i < size; ++i)
        sum += bytes[i];
    g_sink = sum;
}

void exerciseVersionBlock(const uint8_t* data, size_t size)
{
    size_t blockSize = plat::versionBlockSize(data, size);
    if (!blockSize)
        return;
    static const char* const keys[] = {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4\\ProductName",
        "\\StringFileInfo\\040904E4\\FileVersion", "nothing"};
    for (const char* key : keys) {
        void* value = nullptr;
        UINT length = 0;
        if (VerQueryValueA(data, key, &value, &length)) {
            touch(value, length);
            if (length && (!value || static_cast<const uint8_t*>(value) + length > data + blockSize))
                __builtin_trap();
        }
    }
}

void exerciseResourceTable(const uint8_t* data, size_t size)
{
    std::vector<plat::ResourceEntry> entries;
    if (!plat::readResourceTable(data, size, entries))
        return;
    for (const plat::ResourceEntry& entry : entries) {
        touch(entry.data, entry.size);
        if (entry.typeText)
            touch(entry.typeText, std::strlen(entry.typeText));
        if (entry.nameText)
            touch(entry.nameText, std::strlen(entry.nameText));
    }
}

// A copy aligned as the readers' callers hold a block.
std::vector<uint8_t> aligned(const uint8_t* data, size_t size)
{
    return std::vector<uint8_t>(data, data + size);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    plat::MemoryByteSource source(data, size);
    std::vector<uint8_t> desc;
    if (plat::findElfNote(source, plat::kVersionNote, desc))
        exerciseVersionBlock(desc.data(), desc.size());
    if (plat::findElfNote(source, plat::kResourceNote, desc))
        exerciseResourceTable(desc.data(), desc.size());

    std::vector<uint8_t> copy = aligned(data, size);
    exerciseVersionBlock(copy.data(), copy.size());
    exerciseResourceTable(copy.data(), copy.size());
    return 0;
}
