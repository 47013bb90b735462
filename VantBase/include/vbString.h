#pragma once

// The text type of the whole system: an 8-bit text in a shared, reference-counted, copy-on-write
// block. Its own positions run from 1 to the length and a bad position throws vbEsys instead of
// being clipped; it is built from numbers, booleans, GUIDs and wide text in a code page, and it
// streams itself as a 32-bit length and its bytes.

#include "vbExport.h"
#include "vbStreamIntf.h"

#include "plat/oleauto.h"
#include "plat/types.h"

#include <cstdarg>
#include <cstdint>

class sIvbStringMask;

class VBAPI vbString : public sIvbStreamable {
public:
    vbString() noexcept;
    vbString(const vbString& other) noexcept;
    vbString(vbString&& other) noexcept;
    // A null pointer gives an empty string.
    vbString(const char* s);
    vbString(const unsigned char* s);
    vbString(const char* s, int len);
    vbString(char c, int n);
    // Wide text through the ANSI code page.
    explicit vbString(const WCHAR* w);
    vbString(const WCHAR* w, int len);
    // Wide text through codePage; a null or empty text, or a failed conversion, gives "".
    vbString(DWORD codePage, const WCHAR* w);
    vbString(int codePage, const WCHAR* w) : vbString(static_cast<DWORD>(codePage), w) { }
    vbString(DWORD codePage, const WCHAR* w, int len);
    // Numbers: decimal, or upper-case hexadecimal when bHex.
    vbString(int n, bool bHex = false);
    vbString(unsigned int n, bool bHex = false);
    vbString(long n, bool bHex = false);
    vbString(unsigned long n, bool bHex = false);
    vbString(long long n, bool bHex = false);
    vbString(unsigned long long n, bool bHex = false);
    // "True" or "False".
    vbString(bool b);
    // Six decimals ("%lf").
    vbString(double d);
    vbString(const GUID& g, bool bBraces = true);
    virtual ~vbString();

    vbString& operator=(const vbString& other) noexcept;
    vbString& operator=(vbString&& other) noexcept;
    vbString& operator=(const char* s);
    vbString& operator=(char c);

    // --- the framework string's members (0-based where they take positions) ---
    int GetLength() const noexcept;
    bool IsEmpty() const noexcept { return GetLength() == 0; }
    void Empty() noexcept;
    operator const char*() const noexcept { return m_pch; }
    const char* c_str() const noexcept { return m_pch; }

    vbString Left(int count) const;
    vbString Right(int count) const;
    void MakeUpper();
    void MakeLower();
    void MakeReverse();
    int Compare(const char* s) const;
    // Ignores the case of ASCII letters only.
    int CompareNoCase(const char* s) const;
    int Replace(char oldChar, char newChar);
    int Replace(const char* oldText, const char* newText);
    int Remove(char c);
    void TrimLeft();
    void TrimLeft(char c);
    void TrimLeft(const char* set);
    void TrimRight();
    void TrimRight(char c);
    void TrimRight(const char* set);
    void Format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* fmt, va_list args) __attribute__((format(printf, 2, 0)));

    // A writable buffer of at least minLength characters; the string is its own afterwards.
    char* GetBuffer(int minLength);
    char* GetBufferSetLength(int length);
    // The length becomes newLength, or the position of the first 0 byte for -1.
    void ReleaseBuffer(int newLength = -1);

    vbString& operator+=(const vbString& s);
    vbString& operator+=(const char* s);
    vbString& operator+=(char c);

    // --- 1-based positions ---
    char GetAt(int i) const;
    char operator[](int i) const;
    void SetAt(int i, char c);
    vbString Mid(int start, int count) const;
    vbString Mid(int start) const;
    int Insert(int i, char c);
    int Insert(int i, const char* s);
    int Delete(int i, int count = 1);
    int Find(char c) const;
    int Find(const char* s) const;
    int Find(char c, int start) const;
    int Find(const char* s, int start) const;
    int ReverseFind(char c) const;
    int FindOneOf(const char* set) const;

    // White space (blank, tab, CR, LF, VT, FF), one character or a set, at both ends.
    void Trim();
    void Trim(char c);
    void Trim(const char* set);
    vbString& Pad(int len, char c);
    vbString& PadLeft(int len, char c);
    void Add(const char* s, int n);
    void Set(const char* s, int n);
    void SetLength(int n);
    void OwnData();
    bool IsValid() const noexcept { return GetLength() != 0; }
    // True when the first character, upper-cased, is 'T', 'Y' or '1'.
    bool ToBool() const noexcept;
    // The string becomes mask laid out (see vbStrMask.h).
    vbString& Mask(const vbString& mask, sIvbStringMask* pIf, int total);

    // The system's text for a Windows error code, without trailing blanks and line ends; false
    // and the string unchanged when the system has none.
    bool FormatErr(DWORD err);

    // The text as a new system string, or into an existing one, through the ANSI code page or
    // codePage; an allocation failure throws the framework's memory exception.
    BSTR AllocSysString() const;
    BSTR AllocSysString(DWORD codePage) const;
    BSTR SetSysString(BSTR* pbstr) const;
    BSTR SetSysString(BSTR* pbstr, DWORD codePage) const;

    // Tokenizers (see the .cpp for the exact rules). Every output pointer may be null.
    int GetToken(int start, const char* seps, vbString* pToken, vbString* pRest, char* pSep, bool bTrim = false) const;
    int GetToken(int start, const char* seps, vbString* pToken, vbString* pRest, char* pSep, const char* quotes,
        const char* openDelims, const char* closeDelims, bool bTrim = false) const;
    int GetTokenString(int start, const char* quotes, vbString* pToken, char* pQuote = nullptr,
        bool* pMixed = nullptr) const;

    // Stream form: format 0 a 32-bit length and the bytes, format 1 the stream's text form.
    void ReadFromStream(IvbStreamMode* mode, IvbInputStream* in) override;
    void WriteToStream(IvbStreamMode* mode, IvbOutputStream* out) const override;

    // The shared block behind the text (internal to the string's implementation).
    struct Data;

private:
    Data* data() const noexcept;
    void release() noexcept;
    void assign(const char* s, int len);
    void makeUnique(int minAlloc);
    vbString& pad(int len, char c, bool bLeft);
    void setFormatted(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    char* m_pch;
};

VBAPI vbString operator+(const vbString& a, const vbString& b);
VBAPI vbString operator+(const vbString& a, const char* b);
VBAPI vbString operator+(const char* a, const vbString& b);
VBAPI vbString operator+(const vbString& a, char b);
VBAPI vbString operator+(char a, const vbString& b);

// Byte-wise comparisons, as the framework string makes them.
inline bool operator==(const vbString& a, const vbString& b) { return a.Compare(b) == 0; }
inline bool operator==(const vbString& a, const char* b) { return a.Compare(b) == 0; }
inline bool operator==(const char* a, const vbString& b) { return b.Compare(a) == 0; }
inline bool operator!=(const vbString& a, const vbString& b) { return a.Compare(b) != 0; }
inline bool operator!=(const vbString& a, const char* b) { return a.Compare(b) != 0; }
inline bool operator!=(const char* a, const vbString& b) { return b.Compare(a) != 0; }
inline bool operator<(const vbString& a, const vbString& b) { return a.Compare(b) < 0; }
inline bool operator<(const vbString& a, const char* b) { return a.Compare(b) < 0; }
inline bool operator>(const vbString& a, const vbString& b) { return a.Compare(b) > 0; }
inline bool operator>(const vbString& a, const char* b) { return a.Compare(b) > 0; }
inline bool operator<=(const vbString& a, const vbString& b) { return a.Compare(b) <= 0; }
inline bool operator>=(const vbString& a, const vbString& b) { return a.Compare(b) >= 0; }

// A scoped lock on a string's writable buffer. Move-only: two holders of one lock would both
// release it.
class VBAPI vbStrExp {
public:
    vbStrExp() noexcept;
    vbStrExp(vbString* s, int len, bool bZeroEnd);
    vbStrExp(const vbStrExp&) = delete;
    vbStrExp& operator=(const vbStrExp&) = delete;
    vbStrExp(vbStrExp&& other) noexcept;
    vbStrExp& operator=(vbStrExp&& other) noexcept;
    virtual ~vbStrExp();

    char* Lock(vbString* s, int len, bool bZeroEnd);
    void Unlock();
    void Unlock(int n);
    operator char*() const;

private:
    vbString* m_pStr;
    char* m_pBuf;
    int m_nRelease;
};

// The text without leading and trailing white space.
VBAPI vbString vbTrimmed(const vbString& s);
VBAPI vbString vbTrimmed(const char* s);
// 0 for an empty text, else what atoi reads.
VBAPI int vbStringToInt(const vbString& s);
// Below, equal to or above 0 as a sorts before, equal to or after b, ignoring ASCII case.
VBAPI int vbSortStringNC(const vbString& a, const vbString& b);
