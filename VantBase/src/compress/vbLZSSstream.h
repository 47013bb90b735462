#pragma once

// What the codec's objects share as stream objects: how a new one is made, and the copy and text
// writes that both push objects serve the same way, each with its own message prefix.

#include "vbException.h"
#include "streams/vbStreamCopy.h"

namespace vbLZSSstream {

// Creates the new object t and hands it to out through its Face; out then holds the only reference.
template <class Face, class T, class Ptr>
void create(T* t, Ptr* out)
{
    try {
        t->Create();
        *out = static_cast<Face*>(t);
    } catch (...) {
        t->vbObject::Release();
        throw;
    }
    t->vbObject::Release();
}

// GetInterface of a push object: its face answers for the face's own IID and the output stream's.
template <class Face>
bool face(Face* self, const GUID& iid, const GUID& faceIid, void** ppv)
{
    if (iid != faceIid && iid != IID_IvbOutputStream)
        return false;
    *ppv = self;
    return true;
}

// WriteStream of a push object; prefix: "QVLZSS compression" or "QVLZSS decompression".
inline DWORD writeStream(IvbOutputStream* self, IvbInputStream* source, DWORD count, bool bounded, bool all,
    const char* prefix)
{
    return vbStreamCopy::copy(source, self, count, bounded, all, [prefix](HRESULT hr, const char* text) {
        throw new vbEcompress(hr, vbString(prefix) + ": " + text);
    });
}

// WriteString of a push object: without a mode the text goes out as it is.
inline DWORD writeString(IvbOutputStream* self, const char* text, DWORD length, bool newline, IvbStreamMode* mode)
{
    std::string out;
    if (!vbStreamCopy::lineText(text, length, newline, mode && mode->GetCRLFasLF(), &out))
        return self->Write(text, length, true);
    return self->Write(out.data(), DWORD(out.size()), true);
}

} // namespace vbLZSSstream
