#pragma once

// Checks shared by the stream tests: the vbEstream a call throws, and a memory stream's bytes.

#include "vbExpectThrown.h"
#include "vbMemoryStream.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vbstreamtest {

using Bytes = std::vector<unsigned char>;
using MemPtr = vbRefPtr<vbMemoryStream, &IID_vbMemoryStream>;

// Runs f, expects a vbEstream with the code and message, and deletes it.
template <class F>
void expectEstream(F&& f, HRESULT hr, const std::string& msg)
{
    vbtest::expectThrown<vbEstream>(std::forward<F>(f), hr, msg);
}

inline MemPtr newMemory(const Bytes& bytes = {})
{
    MemPtr s;
    vbMemoryStream::CreateObject(&s);
    if (!bytes.empty()) {
        s->Write(bytes.data(), static_cast<DWORD>(bytes.size()), true);
        s->Seek(0, vbSeekStart);
    }
    return s;
}

inline MemPtr newMemory(const void* data, size_t size)
{
    auto* p = static_cast<const unsigned char*>(data);
    return newMemory(Bytes(p, p + size));
}

inline MemPtr newMemory(vbFormatMode format)
{
    MemPtr s = newMemory();
    s->SetFormat(format);
    return s;
}

inline Bytes bytesOf(vbMemoryStream* s)
{
    vbData d;
    s->CopyTo(&d);
    auto* p = static_cast<const unsigned char*>(static_cast<const void*>(d));
    return p ? Bytes(p, p + d.GetLength()) : Bytes{};
}

inline Bytes text(const char* s) { return Bytes(s, s + std::char_traits<char>::length(s)); }

} // namespace vbstreamtest
