#pragma once

// A block of COM task memory, for handing strings and buffers to COM callers that free them
// themselves (CoTaskMemFree). Wide text in it is 0-terminated UTF-16; 8-bit text converts
// through the ANSI code page.

#include "vbExport.h"

#include "plat/types.h"

class vbString;

class VBAPI vbComData {
public:
    vbComData() noexcept : m_p(nullptr), m_length(0) { }
    explicit vbComData(ULONG sz);
    explicit vbComData(const char* text);
    explicit vbComData(const WCHAR* text);
    vbComData(const vbComData&) = delete;
    vbComData& operator=(const vbComData&) = delete;
    ~vbComData();

    // Hands the block to the caller, who frees it with CoTaskMemFree.
    WCHAR* Detach();
    void Attach(WCHAR* p, ULONG length);
    operator WCHAR*() const;
    operator unsigned char*() const;

    // 0 frees the block; a refused size keeps the old block.
    void SetLength(ULONG n);
    ULONG GetLength() const noexcept { return m_length; }

    // An empty 8-bit text leaves the block as it was; an empty wide text gives just the terminator.
    void SetString(const char* text);
    void SetString(const WCHAR* text);
    vbString GetString() const;

private:
    void* m_p;
    ULONG m_length;
};
