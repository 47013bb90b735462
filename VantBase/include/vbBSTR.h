#pragma once

// The wide (UTF-16) text of the system. The characters live either in an OLE system string
// (BSTR) or in a block of the main heap laid out the same way (a 32-bit length in characters, the
// characters, a 0 character); the kind is chosen per string. A string either owns its text or
// only refers to text owned elsewhere; every edit first makes the text its own, so a string never
// writes into text it does not own. A null text is a valid empty string.
//
// 8-bit text converts through vbCPconvert: the ANSI code page (0) unless a code page is given.

#include "vbExport.h"

#include "plat/oleauto.h"
#include "plat/types.h"

#include <cstdint>

class vbString;

// 0 is the system string; any other value is the main heap.
enum vbAllocHeap : int32_t {
    vbAllocSysString = 0,
    vbAllocMainHeap = 1,
};

class VBAPI vbBSTR {
public:
    vbBSTR() noexcept;
    explicit vbBSTR(vbAllocHeap h) noexcept;
    // n characters, each c when bFill.
    vbBSTR(int n, bool bFill, WCHAR c);
    vbBSTR(vbAllocHeap h, int n, bool bFill, WCHAR c);
    vbBSTR(const WCHAR* p, int n);
    vbBSTR(vbAllocHeap h, const WCHAR* p, int n);
    // A null p gives a null text.
    vbBSTR(const WCHAR* p);
    vbBSTR(vbAllocHeap h, const WCHAR* p);
    // Always an owned system string.
    vbBSTR(const vbBSTR& o);
    vbBSTR(vbAllocHeap h, const vbBSTR& o);
    vbBSTR(const char* s);
    vbBSTR(const char* s, int n);
    vbBSTR(vbAllocHeap h, const char* s);
    vbBSTR(vbAllocHeap h, const char* s, int n);
    vbBSTR(DWORD codePage, const char* s);
    vbBSTR(DWORD codePage, const char* s, int n);
    vbBSTR(vbAllocHeap h, DWORD codePage, const char* s);
    vbBSTR(vbAllocHeap h, DWORD codePage, const char* s, int n);
    ~vbBSTR();

    // --- assignment and setting: the kind of this string is kept ---
    vbBSTR& operator=(const vbBSTR& o);
    vbBSTR& operator=(const WCHAR* p);
    vbBSTR& operator=(const char* s);
    void Set(const WCHAR* p);
    void Set(const WCHAR* p, int n);
    void Set(const vbBSTR& o);
    // p is read as a string of kind h.
    void SetBSTR(vbAllocHeap h, BSTR p);
    void Set(const char* s);
    void Set(const char* s, int n);
    void Set(DWORD codePage, const char* s);
    void Set(DWORD codePage, const char* s, int n);

    // --- ownership ---
    // Takes *pp over and sets it to null.
    void Attach(BSTR* pp);
    void Attach(vbAllocHeap h, BSTR* pp);
    // Refers to p without owning it.
    void AttachEx(BSTR p);
    void AttachEx(vbAllocHeap h, BSTR p);
    // Hands the text to the caller (made its own first) and becomes null.
    BSTR Detach();
    // Makes attached text its own; the address of the text for in/out use.
    BSTR* OwnData();
    BSTR* IOaddr() { return OwnData(); }
    // For output arguments: the text must be null and owned.
    BSTR* Addr();
    // A new copy the caller owns (null for null).
    BSTR Copy() const;
    BSTR Copy(vbAllocHeap h) const;
    void CopyTo(BSTR* pp) const;
    void SetAllocHeap(vbAllocHeap h);
    vbAllocHeap GetAllocHeap() const noexcept;
    void Clear();
    void Empty() { Clear(); }

    // --- queries and editing ---
    operator BSTR() const noexcept { return m_pText; }
    bool IsNull() const noexcept { return m_pText == nullptr; }
    bool operator!() const noexcept { return m_pText == nullptr; }
    int GetLength() const noexcept;
    int GetByteLength() const noexcept { return GetLength() * 2; }
    bool IsEmpty() const noexcept { return GetLength() == 0; }
    bool IsValid() const noexcept { return GetLength() > 0; }
    // Keeps the first characters; new ones are 0.
    void SetLength(int n);
    void Append(const WCHAR* p, int n);
    void Append(const vbBSTR& o);
    void Append(const WCHAR* p);
    vbBSTR& operator+=(const vbBSTR& o);
    void AppendBSTR(vbAllocHeap h, BSTR p);
    void Append(const char* s);
    void Append(const char* s, int n);
    void Append(DWORD codePage, const char* s);
    void Append(DWORD codePage, const char* s, int n);
    // ASCII letters only.
    void ToLower();
    void ToUpper();
    // String resource id of hInst (511 characters at most), or dflt when there is none.
    void LoadFromRes(UINT id, const WCHAR* dflt, HINSTANCE hInst);

    // Through the ANSI code page; a null text gives "".
    operator vbString() const;

    // Null equals only null; a null text sorts before any other.
    bool operator==(const WCHAR* p) const;
    bool operator!=(const WCHAR* p) const { return !(*this == p); }
    bool operator<(const WCHAR* p) const;
    bool operator==(const char* s) const;
    bool operator!=(const char* s) const { return !(*this == s); }
    bool operator<(const char* s) const;

private:
    static constexpr uint32_t kSysForm = 0x80000000u;
    static constexpr uint32_t kOwned = 0x40000000u;

    bool isSys() const noexcept { return (m_flags & kSysForm) != 0; }
    bool isOwned() const noexcept { return (m_flags & kOwned) != 0; }
    void setKind(vbAllocHeap h) noexcept;
    // Replaces the text by a new owned text of this kind built from n characters of p.
    void assign(const WCHAR* p, int n, const char* nullMsg, const char* failMsg);
    void assignConverted(DWORD codePage, const char* s, int n);
    void resize(int n, const char* failMsg);
    void append(const WCHAR* p, int n, const char* failMsg);

    BSTR m_pText;
    uint32_t m_flags;
};
