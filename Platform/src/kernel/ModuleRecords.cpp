#include "kernel/ModuleRecords.h"

#include <cstring>
#include <strings.h>

namespace plat {

namespace {

uint32_t get32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// A text of exactly length bytes, its last one the only NUL.
bool validText(const uint8_t* text, size_t length)
{
    return length > 0 && text[length - 1] == 0 && std::memchr(text, 0, length) == text + length - 1;
}

constexpr size_t kVersionEntryHeader = 12;
constexpr size_t kResourceEntryHeader = 20;

} // namespace

size_t versionBlockSize(const uint8_t* block, size_t size)
{
    if (!block || size < 8 || std::memcmp(block, "VNTV", 4) != 0)
        return 0;
    size_t total = get32(block + 4);
    if (total < 8 || total > size || total % 4 != 0)
        return 0;
    for (size_t pos = 8; pos < total;) {
        if (total - pos < kVersionEntryHeader)
            return 0;
        size_t entrySize = get32(block + pos);
        size_t keySize = get16(block + pos + 4);
        size_t valueSize = get32(block + pos + 8);
        size_t keyPadded = (keySize + 3) & ~size_t(3);
        if (entrySize < kVersionEntryHeader || entrySize % 4 != 0 || entrySize > total - pos || keyPadded > entrySize - kVersionEntryHeader
            || valueSize > entrySize - kVersionEntryHeader - keyPadded)
            return 0;
        if (!validText(block + pos + kVersionEntryHeader, keySize))
            return 0;
        if ((get16(block + pos + 6) & 1) && !validText(block + pos + kVersionEntryHeader + keyPadded, valueSize))
            return 0;
        pos += entrySize;
    }
    return total;
}

bool findVersionValue(const uint8_t* block, const char* key, const uint8_t*& value, uint32_t& valueSize)
{
    size_t total = get32(block + 4);
    for (size_t pos = 8; pos < total; pos += get32(block + pos)) {
        const char* entryKey = reinterpret_cast<const char*>(block + pos + kVersionEntryHeader);
        if (::strcasecmp(entryKey, key) == 0) {
            size_t keyPadded = (size_t(get16(block + pos + 4)) + 3) & ~size_t(3);
            value = block + pos + kVersionEntryHeader + keyPadded;
            valueSize = get32(block + pos + 8);
            return true;
        }
    }
    return false;
}

bool readResourceTable(const uint8_t* table, size_t size, std::vector<ResourceEntry>& entries)
{
    entries.clear();
    if (!table || size < 8 || std::memcmp(table, "VNTR", 4) != 0)
        return false;
    size_t count = get32(table + 4);
    if (count > (size - 8) / kResourceEntryHeader)
        return false;
    size_t pos = 8;
    for (size_t i = 0; i < count; ++i) {
        if (size - pos < kResourceEntryHeader)
            return false;
        const uint8_t* e = table + pos;
        size_t entrySize = get32(e);
        size_t dataOffset = get32(e + 8);
        size_t dataSize = get32(e + 12);
        size_t typeSize = get16(e + 16);
        size_t nameSize = get16(e + 18);
        if (entrySize < kResourceEntryHeader || entrySize % 4 != 0 || entrySize > size - pos
            || typeSize + nameSize > entrySize - kResourceEntryHeader)
            return false;
        ResourceEntry entry{e, get16(e + 4), get16(e + 6), nullptr, nullptr, nullptr, uint32_t(dataSize)};
        // Exactly one of id and text names the type, and the name.
        if ((entry.typeId == 0) != (typeSize != 0) || (entry.nameId == 0) != (nameSize != 0))
            return false;
        const uint8_t* text = e + kResourceEntryHeader;
        if (typeSize) {
            if (!validText(text, typeSize))
                return false;
            entry.typeText = reinterpret_cast<const char*>(text);
        }
        if (nameSize) {
            if (!validText(text + typeSize, nameSize))
                return false;
            entry.nameText = reinterpret_cast<const char*>(text + typeSize);
        }
        if (dataOffset > size - pos || dataSize > size - pos - dataOffset)
            return false;
        entry.data = e + dataOffset;
        entries.push_back(entry);
        pos += entrySize;
    }
    return true;
}

} // namespace plat
