#pragma once

// What every writable stream does the same way: copying from a source stream in chunks, and the
// text of WriteString (an added line feed, carriage returns put before bare line feeds).

#include "vbStreamIntf.h"

#include <memory>
#include <string>

namespace vbStreamCopy {

constexpr DWORD kChunk = 16384;
constexpr HRESULT kHrAccess = static_cast<HRESULT>(0x80030005u);
constexpr HRESULT kHrShortWrite = static_cast<HRESULT>(0x8003001Du);

// A buffer of a chunk, left unfilled: every byte is read into before it is used.
inline std::unique_ptr<char[]> chunkBuffer() { return std::make_unique_for_overwrite<char[]>(kChunk); }

// Copies source into target: at most count bytes when bounded, else until source ends; with all,
// a short source fails. fail(hr, text) raises the target's own exception for the texts
// "WriteStream failed, permission denied reading stream", "... writing stream" and
// "WriteStream failed". Answers the bytes copied.
template <class Fail>
DWORD copy(IvbInputStream* source, IvbOutputStream* target, DWORD count, bool bounded, bool all, Fail&& fail)
{
    if (!source->CanRead())
        fail(kHrAccess, "WriteStream failed, permission denied reading stream");
    if (!target->CanWrite())
        fail(kHrAccess, "WriteStream failed, permission denied writing stream");
    if (bounded && count == 0)
        return 0;
    const std::unique_ptr<char[]> buffer = chunkBuffer();
    DWORD total = 0;
    for (;;) {
        DWORD want = bounded && count - total < kChunk ? count - total : kChunk;
        DWORD n = source->Read(buffer.get(), want, false);
        if (n == 0)
            break;
        target->Write(buffer.get(), n, true);
        total += n;
        if (bounded && total == count)
            break;
    }
    if (bounded && all && total < count)
        fail(kHrShortWrite, "WriteStream failed");
    return total;
}

// The bytes WriteString writes, or false when the text goes out unchanged.
inline bool lineText(const char* text, DWORD length, bool newline, bool crlf, std::string* out)
{
    if (!newline && !crlf)
        return false;
    out->assign(text, length);
    if (newline)
        *out += '\n';
    if (crlf) {
        std::string converted;
        converted.reserve(out->size() + out->size() / 8 + 2);
        for (size_t i = 0; i < out->size(); ++i) {
            if ((*out)[i] == '\n' && (i == 0 || (*out)[i - 1] != '\r'))
                converted += '\r';
            converted += (*out)[i];
        }
        out->swap(converted);
    }
    return true;
}

} // namespace vbStreamCopy
