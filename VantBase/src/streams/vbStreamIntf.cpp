// The typed readers and writers every stream inherits: little-endian bytes through Read and
// Write with the all flag, so a short read fails in the stream.

#include "vbStreamIntf.h"

#include "vbBSTR.h"
#include "vbBaseItf.h"
#include "vbString.h"

#include <cstring>

namespace {

template <class T>
T readLE(IvbInputStream* in)
{
    unsigned char b[sizeof(T)];
    in->Read(b, sizeof b, true);
    uint64_t v = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        v |= static_cast<uint64_t>(b[i]) << (8 * i);
    return static_cast<T>(v);
}

template <class T>
void writeLE(IvbOutputStream* out, T value)
{
    uint64_t v = static_cast<uint64_t>(value);
    unsigned char b[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i)
        b[i] = static_cast<unsigned char>(v >> (8 * i));
    out->Write(b, sizeof b, true);
}

} // namespace

char IvbInputStream::ReadChar() { return static_cast<char>(readLE<uint8_t>(this)); }
unsigned char IvbInputStream::ReadUchar() { return readLE<uint8_t>(this); }
WCHAR IvbInputStream::ReadCharW() { return static_cast<WCHAR>(readLE<uint16_t>(this)); }
int16_t IvbInputStream::ReadShort() { return static_cast<int16_t>(readLE<uint16_t>(this)); }
uint16_t IvbInputStream::ReadUshort() { return readLE<uint16_t>(this); }
LONG IvbInputStream::ReadLong() { return static_cast<LONG>(readLE<uint32_t>(this)); }
ULONG IvbInputStream::ReadUlong() { return readLE<uint32_t>(this); }
int64_t IvbInputStream::ReadInt64() { return static_cast<int64_t>(readLE<uint64_t>(this)); }
uint64_t IvbInputStream::ReadUint64() { return readLE<uint64_t>(this); }

GUID IvbInputStream::ReadGuid()
{
    GUID g;
    g.Data1 = readLE<uint32_t>(this);
    g.Data2 = readLE<uint16_t>(this);
    g.Data3 = readLE<uint16_t>(this);
    Read(g.Data4, sizeof g.Data4, true);
    return g;
}

double IvbInputStream::ReadDouble()
{
    uint64_t bits = readLE<uint64_t>(this);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

void IvbOutputStream::WriteChar(char v) { writeLE<uint8_t>(this, static_cast<uint8_t>(v)); }
void IvbOutputStream::WriteUchar(unsigned char v) { writeLE<uint8_t>(this, v); }
void IvbOutputStream::WriteCharW(WCHAR v) { writeLE<uint16_t>(this, v); }
void IvbOutputStream::WriteShort(int16_t v) { writeLE<uint16_t>(this, static_cast<uint16_t>(v)); }
void IvbOutputStream::WriteUshort(uint16_t v) { writeLE<uint16_t>(this, v); }
void IvbOutputStream::WriteLong(LONG v) { writeLE<uint32_t>(this, static_cast<uint32_t>(v)); }
void IvbOutputStream::WriteUlong(ULONG v) { writeLE<uint32_t>(this, v); }
void IvbOutputStream::WriteInt64(int64_t v) { writeLE<uint64_t>(this, static_cast<uint64_t>(v)); }
void IvbOutputStream::WriteUint64(uint64_t v) { writeLE<uint64_t>(this, v); }

void IvbOutputStream::WriteGuid(GUID g)
{
    writeLE<uint32_t>(this, g.Data1);
    writeLE<uint16_t>(this, g.Data2);
    writeLE<uint16_t>(this, g.Data3);
    Write(g.Data4, sizeof g.Data4, true);
}

void IvbOutputStream::WriteDouble(double d)
{
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    writeLE<uint64_t>(this, bits);
}

DWORD IvbOutputStream::WriteString(const vbString& text, bool newline, IvbStreamMode* mode)
{
    return WriteString(text.c_str(), static_cast<DWORD>(text.GetLength()), newline, mode);
}

namespace {

// The stream's own mode, when it has one; released by the holder.
class ModeOf {
public:
    explicit ModeOf(IvbObject* stream)
    {
        void* p = nullptr;
        if (SUCCEEDED(stream->QueryInterface(IID_IvbStreamMode, &p)))
            m_mode = static_cast<IvbStreamMode*>(p);
    }
    ~ModeOf()
    {
        if (m_mode)
            static_cast<IUnknown*>(m_mode)->Release();
    }
    ModeOf(const ModeOf&) = delete;
    ModeOf& operator=(const ModeOf&) = delete;
    IvbStreamMode* get() const { return m_mode; }

private:
    IvbStreamMode* m_mode = nullptr;
};

} // namespace

IvbInputStream& IvbInputStream::operator>>(sIvbStreamable* value)
{
    ModeOf mode(this);
    value->ReadFromStream(mode.get(), this);
    return *this;
}

vbString IvbInputStream::ReadString(vbString* separator, IvbStreamMode* mode)
{
    vbString line;
    ReadString(&line, separator, mode);
    return line;
}

IvbOutputStream& IvbOutputStream::operator<<(const sIvbStreamable& value)
{
    ModeOf mode(this);
    value.WriteToStream(mode.get(), this);
    return *this;
}

IvbOutputStream& IvbOutputStream::operator<<(const char* text) { return *this << vbString(text); }

vbBSTR IvbInputStream::ReadStringW(vbBSTR* separator, IvbStreamMode* mode)
{
    vbBSTR line;
    ReadStringW(&line, separator, mode);
    return line;
}

DWORD IvbOutputStream::WriteStringW(const vbBSTR& text, bool newline, IvbStreamMode* mode)
{
    return WriteStringW(static_cast<BSTR>(text), static_cast<DWORD>(text.GetLength()), newline, mode);
}

// The slots left to the concrete streams.
void sIvbStreamable::ReadFromStream(IvbStreamMode*, IvbInputStream*) { vbPurecall(); }
void sIvbStreamable::WriteToStream(IvbStreamMode*, IvbOutputStream*) const { vbPurecall(); }

vbFormatMode IvbStreamMode::GetFormat() const { vbPurecall(); }
bool IvbStreamMode::GetCRLFasLF() const { vbPurecall(); }
DWORD IvbStreamMode::FindLineSep(int, const char*, DWORD, DWORD*) const { vbPurecall(); }
DWORD IvbStreamMode::FindLineSepW(int, const WCHAR*, DWORD, DWORD*) const { vbPurecall(); }

bool IvbInputStream::CanRead() const { vbPurecall(); }
DWORD IvbInputStream::Read(void*, DWORD, bool) { vbPurecall(); }
DWORD IvbInputStream::ReadString(vbString*, vbString*, IvbStreamMode*) { vbPurecall(); }
DWORD IvbInputStream::ReadStringW(vbBSTR*, vbBSTR*, IvbStreamMode*) { vbPurecall(); }

bool IvbOutputStream::CanWrite() const { vbPurecall(); }
DWORD IvbOutputStream::Write(const void*, DWORD, bool) { vbPurecall(); }
DWORD IvbOutputStream::WriteStream(IvbInputStream*, DWORD, bool) { vbPurecall(); }
DWORD IvbOutputStream::WriteStream(IvbInputStream*) { vbPurecall(); }
DWORD IvbOutputStream::WriteString(const char*, DWORD, bool, IvbStreamMode*) { vbPurecall(); }
DWORD IvbOutputStream::WriteStringW(const WCHAR*, DWORD, bool, IvbStreamMode*) { vbPurecall(); }

bool IvbSeekStream::Eof() const { vbPurecall(); }
DWORD IvbSeekStream::Seek(LONG, vbSeekMode) { vbPurecall(); }
DWORD IvbSeekStream::GetPosition() const { vbPurecall(); }
DWORD IvbSeekStream::GetLength() const { vbPurecall(); }
void IvbSeekStream::SetLength(DWORD) { vbPurecall(); }

bool IvbLongSeekStream::Eof() const { vbPurecall(); }
uint64_t IvbLongSeekStream::LongSeek(int64_t, vbSeekMode) { vbPurecall(); }
uint64_t IvbLongSeekStream::GetLongPosition() const { vbPurecall(); }
uint64_t IvbLongSeekStream::GetLongLength() const { vbPurecall(); }
void IvbLongSeekStream::SetLongLength(uint64_t) { vbPurecall(); }
