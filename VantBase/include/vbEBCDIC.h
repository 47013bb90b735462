#pragma once

// Byte maps between an EBCDIC code page and the machine's 8-bit character set (Latin-1 bytes,
// never UTF-8), through two 256-byte tables: a built-in default, an all-zero map, or one loaded
// from a file of hexadecimal pairs. vbData appends text through a map (vbData::AddEBCDIC).

#include "vbExport.h"

class vbString;

class VBAPI TEBCDICmap {
public:
    // Inactive, both tables 0.
    TEBCDICmap() noexcept;

    void DefaultCodePage();
    // Every byte converts to 0.
    void NullCodePage();
    // At most 4000 bytes of the file, read as two-character pairs: a pair of two characters from
    // '0' to 'F' gives one byte (the characters between '9' and 'A' count as 0), any other pair is
    // skipped whole. The first 256 bytes fill the to-ASCII table, the next 256 the to-EBCDIC table;
    // what the file does not fill stays 0. Throws vbEsys E_FAIL when the file cannot be opened.
    void LoadCodePage(const char* file);

    // The map's flag: while inactive, the single-byte forms give their byte back unchanged.
    bool IsActive() const noexcept { return m_bActive != 0; }

    unsigned char ToEBCDIC(unsigned char c) const noexcept;
    unsigned char ToASCII(unsigned char c) const noexcept;
    // The buffer and string forms always go through the tables, active or not.
    void ToEBCDIC(const unsigned char* src, unsigned char* dst, int n) const noexcept;
    void ToASCII(const unsigned char* src, unsigned char* dst, int n) const noexcept;
    vbString ToEBCDIC(const vbString& s) const;
    vbString ToASCII(const vbString& s) const;

    // A debugging hook that writes nothing.
    void DbgDump(const vbString& title) const;

private:
    friend class vbData;

    // Blank for EBCDIC 0x00 and 0x01 for the rest of the control range, whatever the source.
    void correctControls() noexcept;

    unsigned char m_toASCII[256];
    unsigned char m_toEBCDIC[256];
    unsigned char m_bActive;
};
