#include "hotplug/vbHotPlugMsg.h"

#include <cstring>

namespace {

void put32(unsigned char* p, DWORD v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

DWORD get32(const unsigned char* p)
{
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
        static_cast<DWORD>(p[3]) << 24;
}

void put16(unsigned char* p, WORD v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

WORD get16(const unsigned char* p) { return static_cast<WORD>(p[0] | p[1] << 8); }

// The text at offset (0: none), which must end with a zero byte before total.
bool readText(const unsigned char* block, ULONG total, ULONG offset, vbString* out)
{
    if (offset == 0) {
        *out = vbString();
        return true;
    }
    if (offset < vbHotPlugMsg::kHeaderSize || offset >= total)
        return false;
    const void* end = std::memchr(block + offset, 0, total - offset);
    if (!end)
        return false;
    *out = vbString(reinterpret_cast<const char*>(block + offset),
        static_cast<int>(static_cast<const unsigned char*>(end) - (block + offset)));
    return true;
}

} // namespace

ULONG vbHotPlugMsg::Size() const
{
    ULONG size = kHeaderSize;
    if (!path.IsEmpty())
        size += static_cast<ULONG>(path.GetLength()) + 1;
    if (!text.IsEmpty())
        size += static_cast<ULONG>(text.GetLength()) + 1;
    return size;
}

void vbHotPlugMsg::Write(unsigned char* block) const
{
    put32(block, kHeaderSize);
    put32(block + 4, Size());
    put32(block + 8, static_cast<DWORD>(type));
    put32(block + 12, clsid.Data1);
    put16(block + 16, clsid.Data2);
    put16(block + 18, clsid.Data3);
    std::memcpy(block + 20, clsid.Data4, 8);
    put32(block + 32, value1);
    put32(block + 36, value2);
    put32(block + 40, value3);
    ULONG next = kHeaderSize;
    put32(block + 28, path.IsEmpty() ? 0 : next);
    if (!path.IsEmpty()) {
        std::memcpy(block + next, path.c_str(), static_cast<size_t>(path.GetLength()) + 1);
        next += static_cast<ULONG>(path.GetLength()) + 1;
    }
    put32(block + 44, text.IsEmpty() ? 0 : next);
    if (!text.IsEmpty())
        std::memcpy(block + next, text.c_str(), static_cast<size_t>(text.GetLength()) + 1);
}

bool vbHotPlugMsg::Read(const unsigned char* block, size_t size)
{
    if (size < kHeaderSize)
        return false;
    const ULONG headerSize = get32(block);
    const ULONG total = get32(block + 4);
    if (headerSize < kHeaderSize || total < kHeaderSize || total > size)
        return false;
    type = static_cast<LONG>(get32(block + 8));
    clsid.Data1 = get32(block + 12);
    clsid.Data2 = get16(block + 16);
    clsid.Data3 = get16(block + 18);
    std::memcpy(clsid.Data4, block + 20, 8);
    value1 = get32(block + 32);
    value2 = get32(block + 36);
    value3 = get32(block + 40);
    return readText(block, total, get32(block + 28), &path) && readText(block, total, get32(block + 44), &text);
}
