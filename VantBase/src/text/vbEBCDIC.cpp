// EBCDIC byte maps, and the EBCDIC appends of the byte block.

#include "vbEBCDIC.h"

#include "vbData.h"
#include "vbException.h"
#include "vbString.h"

#include "plat/file.h"
#include "plat/handles.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Machine bytes of the EBCDIC codes 0x40 .. 0xFF.
constexpr unsigned char kDefaultToASCII[192] = {
    0x20, 0x20, 0xE2, 0xE4, 0x40, 0xE1, 0xE3, 0xE5, 0x5C, 0xF1, 0xB0, 0x2E, 0x3C, 0x28, 0x2B, 0x21, // 4_
    0x26, 0x7B, 0xEA, 0xEB, 0x7D, 0xED, 0xEE, 0xEF, 0xEC, 0xDF, 0xA7, 0x24, 0x2A, 0x29, 0x3B, 0x5E, // 5_
    0x2D, 0x2F, 0xC2, 0xC4, 0xC0, 0xC1, 0xC3, 0xC5, 0xC7, 0xD1, 0xF9, 0x2C, 0x25, 0x5F, 0x3E, 0x3F, // 6_
    0xF8, 0xC9, 0xCA, 0xCB, 0xC8, 0xCD, 0xCE, 0xCF, 0xCC, 0xB5, 0x3A, 0xA3, 0xE0, 0x27, 0x3D, 0x22, // 7_
    0xD8, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0xAB, 0xBB, 0xF0, 0xFD, 0xFE, 0xB1, // 8_
    0x5B, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70, 0x71, 0x72, 0xAA, 0xBA, 0xE6, 0x91, 0xC6, 0xA4, // 9_
    0x60, 0xA8, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0xA1, 0xB8, 0xD0, 0xDD, 0xDE, 0xAE, // A_
    0xA2, 0x23, 0xA5, 0xB7, 0xA9, 0x5D, 0xB6, 0xBC, 0xBD, 0xBE, 0xAC, 0x5C, 0xAF, 0x7E, 0xB4, 0xD7, // B_
    0xE9, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0xAD, 0xF4, 0xF6, 0xF2, 0xF3, 0xF5, // C_
    0xE8, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0x50, 0x51, 0x52, 0xB9, 0xFB, 0xFC, 0xA6, 0xFA, 0xFF, // D_
    0xE7, 0xF7, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0xB2, 0xD4, 0xD6, 0xD2, 0xD3, 0xD5, // E_
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0xB3, 0xDB, 0xDC, 0xD9, 0xDA, 0xFF, // F_
};

// A code page file is read as at most this many two-character pairs.
constexpr DWORD kMaxFileBytes = 4000;

// '0'..'9' and 'A'..'F' by their value; ':' .. '@' count as 0.
int pairDigit(unsigned char c) { return c >= 'A' ? c - 'A' + 10 : c <= '9' ? c - '0' : 0; }

bool isPairChar(unsigned char c) { return c >= '0' && c <= 'F'; }

// The bytes of the file, at most kMaxFileBytes; false when it cannot be opened or read.
bool readCodePageFile(const char* file, std::vector<unsigned char>& bytes)
{
    if (!file)
        return false;
    DWORD attributes = GetFileAttributesA(file);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    HANDLE h = CreateFileA(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    bytes.resize(kMaxFileBytes);
    DWORD total = 0;
    bool ok = true;
    while (total < kMaxFileBytes) {
        DWORD got = 0;
        if (!ReadFile(h, bytes.data() + total, kMaxFileBytes - total, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        total += got;
    }
    CloseHandle(h);
    bytes.resize(total);
    return ok;
}

void mapBytes(const unsigned char* table, const unsigned char* src, unsigned char* dst, int n) noexcept
{
    for (int i = 0; i < n; ++i)
        dst[i] = table[src[i]];
}

vbString mapString(const unsigned char* table, const vbString& s)
{
    vbString out;
    int n = s.GetLength();
    if (n > 0)
        mapBytes(table, reinterpret_cast<const unsigned char*>(s.c_str()),
            reinterpret_cast<unsigned char*>(out.GetBufferSetLength(n)), n);
    return out;
}

// Appends n bytes of p, each through table when it is given, with every 0xFF doubled.
void addDoubled(vbData& data, const unsigned char* table, const void* p, int n, int* pDoubled)
{
    if (n < 1)
        return;
    if (!p)
        throw new vbEsys(true, E_INVALIDARG, "vbData::AddEBCDIC(lg=%d) : bad arg", n);
    auto* src = static_cast<const unsigned char*>(p);
    std::vector<unsigned char> out;
    out.reserve(static_cast<size_t>(n));
    int doubled = 0;
    for (int i = 0; i < n; ++i) {
        unsigned char b = table ? table[src[i]] : src[i];
        out.push_back(b);
        if (b == 0xFF) {
            out.push_back(b);
            ++doubled;
        }
    }
    if (out.size() > static_cast<size_t>(INT32_MAX))
        throw new vbEsys(E_OUTOFMEMORY, "vbData.SetLength() failure");
    data.Add(out.data(), static_cast<int>(out.size()));
    if (pDoubled)
        *pDoubled += doubled;
}

} // namespace

// --- TEBCDICmap ---

TEBCDICmap::TEBCDICmap() noexcept : m_toASCII{}, m_toEBCDIC{}, m_bActive(0) { }

void TEBCDICmap::correctControls() noexcept
{
    m_toASCII[0x00] = 0x20;
    std::memset(m_toASCII + 0x01, 0x01, 0x3F);
}

void TEBCDICmap::DefaultCodePage()
{
    NullCodePage();
    std::memcpy(m_toASCII + 0x40, kDefaultToASCII, sizeof kDefaultToASCII);
    // The lowest EBCDIC code of each machine byte: walking down leaves the lowest one last.
    for (int e = 0xFF; e >= 0x40; --e) {
        unsigned char v = m_toASCII[e];
        if (v >= 0x20)
            m_toEBCDIC[v] = static_cast<unsigned char>(e);
    }
    correctControls();
}

void TEBCDICmap::NullCodePage()
{
    std::memset(m_toASCII, 0, sizeof m_toASCII);
    std::memset(m_toEBCDIC, 0, sizeof m_toEBCDIC);
    m_bActive = 1;
}

void TEBCDICmap::LoadCodePage(const char* file)
{
    std::vector<unsigned char> bytes;
    if (!readCodePageFile(file, bytes))
        throw new vbEsys(true, E_FAIL, "Can't open code page file '%s' !", file ? file : "");
    NullCodePage();
    unsigned char* tables[2] = {m_toASCII, m_toEBCDIC};
    int filled = 0;
    for (size_t i = 0; i + 1 < bytes.size() && filled < 512; i += 2) {
        unsigned char hi = bytes[i];
        unsigned char lo = bytes[i + 1];
        if (!isPairChar(hi) || !isPairChar(lo))
            continue;
        tables[filled / 256][filled % 256] = static_cast<unsigned char>(pairDigit(hi) * 16 + pairDigit(lo));
        ++filled;
    }
    correctControls();
}

unsigned char TEBCDICmap::ToEBCDIC(unsigned char c) const noexcept { return m_bActive ? m_toEBCDIC[c] : c; }

unsigned char TEBCDICmap::ToASCII(unsigned char c) const noexcept { return m_bActive ? m_toASCII[c] : c; }

void TEBCDICmap::ToEBCDIC(const unsigned char* src, unsigned char* dst, int n) const noexcept
{
    mapBytes(m_toEBCDIC, src, dst, n);
}

void TEBCDICmap::ToASCII(const unsigned char* src, unsigned char* dst, int n) const noexcept
{
    mapBytes(m_toASCII, src, dst, n);
}

vbString TEBCDICmap::ToEBCDIC(const vbString& s) const { return mapString(m_toEBCDIC, s); }

vbString TEBCDICmap::ToASCII(const vbString& s) const { return mapString(m_toASCII, s); }

void TEBCDICmap::DbgDump(const vbString&) const { }

// --- vbData ---

void vbData::AddEBCDIC(const TEBCDICmap& map, const void* p, int n, int* pDoubled)
{
    addDoubled(*this, map.IsActive() ? map.m_toEBCDIC : nullptr, p, n, pDoubled);
}

void vbData::AddEBCDIC(const TEBCDICmap& map, const vbData& src, int* pDoubled)
{
    AddEBCDIC(map, static_cast<const void*>(src), src.GetLength(), pDoubled);
}

void vbData::AddEBCDIC(const TEBCDICmap& map, const vbString& src, int* pDoubled)
{
    AddEBCDIC(map, src.c_str(), src.GetLength(), pDoubled);
}

void vbData::AddEBCDICnc(const void* p, int n, int* pDoubled) { addDoubled(*this, nullptr, p, n, pDoubled); }

void vbData::AddEBCDICnc(const vbData& src, int* pDoubled)
{
    AddEBCDICnc(static_cast<const void*>(src), src.GetLength(), pDoubled);
}

void vbData::AddEBCDICnc(const vbString& src, int* pDoubled) { AddEBCDICnc(src.c_str(), src.GetLength(), pDoubled); }

int vbData::GetEBCDIClength() const noexcept
{
    int n = GetLength();
    int count = 0;
    for (int i = 0; i < n; ++i, ++count) {
        if (m_p[i] == 0xFF && i + 1 < n && m_p[i + 1] == 0xFF)
            ++i;
    }
    return count;
}
