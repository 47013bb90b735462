// The string's stream form and the buffer lock it reads through.

#include "vbString.h"

#include "vbException.h"
#include "vbExceptionReport.h"

#include "plat/errors.h"

#include <utility>

namespace {

// A length field comes from outside: the text is read in pieces, so that a forged length fails
// at the end of the data instead of reserving its whole size first.
constexpr LONG kReadPiece = 64 * 1024;

vbFormatMode formatOf(IvbStreamMode* mode) { return mode ? mode->GetFormat() : vbFormatBinary; }

[[noreturn]] void throwFormat()
{
    throw new vbEsys(E_NOTIMPL, "vbString::ReadFromStream() :  format not supported");
}

} // namespace

void vbString::WriteToStream(IvbStreamMode* mode, IvbOutputStream* out) const
{
    switch (formatOf(mode)) {
    case vbFormatBinary: {
        LONG len = GetLength();
        out->WriteLong(len);
        if (len > 0)
            out->Write(m_pch, static_cast<DWORD>(len), true);
        break;
    }
    case vbFormatText:
        out->WriteString(*this, false, mode);
        break;
    default:
        throwFormat();
    }
}

void vbString::ReadFromStream(IvbStreamMode* mode, IvbInputStream* in)
{
    switch (formatOf(mode)) {
    case vbFormatBinary: {
        LONG len = in->ReadLong();
        vbString text;
        LONG have = 0;
        while (have < len) {
            LONG piece = len - have < kReadPiece ? len - have : kReadPiece;
            vbStrExp lock(&text, have + piece, false);
            in->Read(static_cast<char*>(lock) + have, static_cast<DWORD>(piece), true);
            have += piece;
        }
        *this = std::move(text);
        break;
    }
    case vbFormatText:
        in->ReadString(this, nullptr, mode);
        break;
    default:
        throwFormat();
    }
}

// ---------------------------------------------------------------------------------------------
// vbStrExp

vbStrExp::vbStrExp() noexcept : m_pStr(nullptr), m_pBuf(nullptr), m_nRelease(-1) { }

vbStrExp::vbStrExp(vbString* s, int len, bool bZeroEnd) : vbStrExp() { Lock(s, len, bZeroEnd); }

vbStrExp::vbStrExp(vbStrExp&& other) noexcept
    : m_pStr(std::exchange(other.m_pStr, nullptr)), m_pBuf(std::exchange(other.m_pBuf, nullptr)),
      m_nRelease(other.m_nRelease)
{
}

vbStrExp& vbStrExp::operator=(vbStrExp&& other) noexcept
{
    if (this != &other) {
        try {
            Unlock();
        } catch (CException* e) {
            vbShowException(e, true);
        }
        m_pStr = std::exchange(other.m_pStr, nullptr);
        m_pBuf = std::exchange(other.m_pBuf, nullptr);
        m_nRelease = other.m_nRelease;
    }
    return *this;
}

vbStrExp::~vbStrExp()
{
    try {
        Unlock();
    } catch (CException* e) {
        vbShowException(e, true);
    } catch (...) {
    }
}

char* vbStrExp::Lock(vbString* s, int len, bool bZeroEnd)
{
    Unlock();
    if (!s)
        return nullptr;
    m_pBuf = s->GetBuffer(len);
    m_pStr = s;
    m_nRelease = bZeroEnd ? -1 : len;
    return m_pBuf;
}

void vbStrExp::Unlock() { Unlock(m_nRelease); }

void vbStrExp::Unlock(int n)
{
    if (!m_pStr)
        return;
    vbString* s = std::exchange(m_pStr, nullptr);
    m_pBuf = nullptr;
    s->ReleaseBuffer(n);
}

vbStrExp::operator char*() const
{
    if (!m_pBuf)
        throw new vbEsys(E_FAIL, "vbStrExp() : no string associated");
    return m_pBuf;
}
