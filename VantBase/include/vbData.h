#pragma once

// The byte block every deliverable passes bytes in. One pointer to an exact-size block of the
// main heap: a 32-bit length, the bytes, and one 0 byte after them so that text can be read as
// 0-terminated text. There is no spare capacity, so builders of large contents set the length
// once and write into it. Positions run from 1 to the length; bad positions throw vbEsys and
// leave the block unchanged.

#include "vbExport.h"

#include <cstdint>

class TEBCDICmap;
class vbString;

class VBAPI vbData {
public:
    vbData() noexcept : m_p(nullptr) { }
    vbData(const void* p, int n);
    vbData(char c, int n);
    vbData(const vbData& o);
    vbData(vbData&& o) noexcept;
    ~vbData();

    vbData& operator=(const vbData& o);
    vbData& operator=(vbData&& o) noexcept;

    // --- setting ---
    void SetData(const void* p, int n);
    void SetData(const char* p, int n);
    void SetData(char c, int n);
    void Init(char c, int n);
    // New bytes are left as they are; 0 frees the block.
    void SetLength(int n);
    unsigned char* GetWritePtr(int n);
    // Copies over positions i .. i + n - 1 of the present bytes.
    void WriteData(int i, const void* p, int n);
    void WriteData(int i, const char* p, int n);
    void WriteData(int i, int c, int n);
    vbData& Clear();
    void Empty() { Clear(); }
    void Format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    // --- appending ---
    void Add(const void* p, int n);
    void Add(const vbData& src, int n);
    vbData& operator<<(const vbData& src);
    vbData& operator<<(const vbString& text);
    vbData& operator<<(int b);
    // High byte first; every 0xFF byte is doubled.
    void AddWord(int w);
    // Hexadecimal pairs of 0-9 and A-F; anything else is skipped.
    void ParseStr(const char* s);
    // EBCDIC terminal data: each byte converted through the map while it is active, then every
    // resulting 0xFF written twice; *pDoubled, when given, grows by the number of doubled bytes.
    // The nc forms take bytes that are EBCDIC already. Nothing for n < 1.
    void AddEBCDIC(const TEBCDICmap& map, const void* p, int n, int* pDoubled = nullptr);
    void AddEBCDIC(const TEBCDICmap& map, const vbData& src, int* pDoubled = nullptr);
    void AddEBCDIC(const TEBCDICmap& map, const vbString& src, int* pDoubled = nullptr);
    void AddEBCDICnc(const void* p, int n, int* pDoubled = nullptr);
    void AddEBCDICnc(const vbData& src, int* pDoubled = nullptr);
    void AddEBCDICnc(const vbString& src, int* pDoubled = nullptr);

    // --- reading and editing ---
    int GetLength() const noexcept;
    // The bytes the block stands for when each pair FF FF counts as one.
    int GetEBCDIClength() const noexcept;
    bool IsValid() const noexcept { return m_p != nullptr; }
    bool IsEmpty() const noexcept { return m_p == nullptr; }
    operator const void*() const noexcept { return m_p; }
    unsigned char& operator[](int i);
    unsigned char operator[](int i) const;
    int GetWord(int i) const;
    vbData Mid(int i, int n) const;
    vbData Mid(int i) const;
    void Delete(int i, int n);

    // The block moves between byte blocks. Detach answers the start of the block handed over (its
    // length field), null when there was none; without o the caller frees it with _vbFree.
    void Attach(vbData* o);
    void* Detach(vbData* o = nullptr);

    // Different lengths: the length difference; equal lengths: the sign of the bytes' order.
    int Compare(const vbData& o) const;
    // 0 when this block begins with o's bytes.
    int PartialCompare(const vbData& o) const;
    bool operator==(const vbData& o) const { return Compare(o) == 0; }
    bool operator!=(const vbData& o) const { return Compare(o) != 0; }

private:
    void resize(int n);

    unsigned char* m_p;
};

VBAPI vbData Mid(const vbData& data, int i, int n);
VBAPI vbData Mid(const vbData& data, int i);

// 1-based position of find (or of the byte c) in data at or after start, 0 when absent; with
// bNoCase ASCII letters match either case.
VBAPI int InStr(int start, const vbData& data, const vbData& find, int bNoCase);
VBAPI int InStr(int start, const vbData& data, unsigned char c, int bNoCase);

// A hex dump of data to the release log, 32 bytes per record.
VBAPI void vbDataTrace(const char* title, const vbData& data);
