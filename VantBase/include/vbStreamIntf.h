#pragma once

// The stream interfaces every byte stream of the system answers, and the streamable face of the
// values that write themselves to streams (strings, variants). Typed values have one byte form
// everywhere: little-endian, no tag, no padding. A slot a stream does not implement throws the
// purecall vbEsys (vbBaseItf.h), so a stream implements only the slots it uses.

#include "vbExport.h"
#include "vbObjects.h"

#include "plat/types.h"
#include "plat/unknwn.h"

#include <cstdint>

class vbString;
class vbBSTR;
class IvbInputStream;
class IvbOutputStream;
class IvbStreamMode;

inline constexpr IID IID_IvbInputStream = VNT_GUID(0x288BF3D5, 0xF1C2, 0x4CDD, 0xBC, 0xEB, 0x4B, 0x9C, 0x38, 0xE3, 0xEA, 0x52);
inline constexpr IID IID_IvbOutputStream = VNT_GUID(0xD666E913, 0x454C, 0x4F41, 0x91, 0xA8, 0x95, 0x5A, 0xA6, 0x9B, 0xD2, 0xBC);
inline constexpr IID IID_IvbSeekStream = VNT_GUID(0xE14F5FB6, 0x3BA0, 0x450D, 0xB1, 0xEB, 0x46, 0xFC, 0x1B, 0x70, 0x5C, 0x75);
inline constexpr IID IID_IvbLongSeekStream = VNT_GUID(0x8BA10090, 0xDA44, 0x463E, 0xA4, 0x5C, 0xE3, 0x89, 0x37, 0xEE, 0xEF, 0x8B);
inline constexpr IID IID_IvbStreamMode = VNT_GUID(0x10EB24BF, 0x47A0, 0x4963, 0xA3, 0x8F, 0xDE, 0x4C, 0x25, 0x39, 0x05, 0xE9);

enum vbFormatMode : int32_t {
    vbFormatBinary = 0,
    vbFormatText = 1,
};

enum vbSeekMode : int32_t {
    vbSeekStart = 0,
    vbSeekCurrent = 1,
    vbSeekEnd = 2,
};

enum vbAccessMode : int32_t {
    vbAccessRead = 0,
    vbAccessWrite = 1,
    vbAccessBoth = 2,
};

enum vbOpenMode : int32_t {
    vbOpenExisting = 0,
    vbOpenCreateNew = 1,
    vbOpenAlways = 2,
    vbOpenCreateAlways = 3,
};

enum vbWorkMode : int32_t {
    vbShareReadWrite = 0,
    vbShareRead = 1,
    vbShareWrite = 2,
    vbShareExclusive = 3,
};

// A value that can write itself to a stream and read itself back; a null mode means format 0.
class VBAPI sIvbStreamable {
public:
    virtual void ReadFromStream(IvbStreamMode* mode, IvbInputStream* in);
    virtual void WriteToStream(IvbStreamMode* mode, IvbOutputStream* out) const;

protected:
    ~sIvbStreamable() = default;
};

// How a stream reads and writes text: the format and the line-end rules.
class VBAPI IvbStreamMode : public IvbObject {
public:
    virtual vbFormatMode GetFormat() const;
    virtual bool GetCRLFasLF() const;
    virtual DWORD FindLineSep(int start, const char* buffer, DWORD length, DWORD* separatorLength) const;
    virtual DWORD FindLineSepW(int start, const WCHAR* buffer, DWORD length, DWORD* separatorLength) const;

protected:
    ~IvbStreamMode() = default;
};

// The reading side. Implementers give CanRead, Read and the text readers; the typed readers have
// default bodies that read the value's little-endian bytes with Read(.., true), so that a short
// read fails in the stream instead of giving half a value.
class VBAPI IvbInputStream : public IvbObject {
public:
    virtual bool CanRead() const;
    virtual DWORD Read(void* buffer, DWORD count, bool all);
    virtual char ReadChar();
    virtual unsigned char ReadUchar();
    virtual WCHAR ReadCharW();
    virtual int16_t ReadShort();
    virtual uint16_t ReadUshort();
    virtual LONG ReadLong();
    virtual ULONG ReadUlong();
    virtual int64_t ReadInt64();
    virtual uint64_t ReadUint64();
    virtual GUID ReadGuid();
    virtual double ReadDouble();
    // Reads value in its stream form, under this stream's IvbStreamMode (none: format 0).
    virtual IvbInputStream& operator>>(sIvbStreamable* value);
    virtual DWORD ReadString(vbString* line, vbString* separator, IvbStreamMode* mode);
    virtual vbString ReadString(vbString* separator, IvbStreamMode* mode);
    virtual DWORD ReadStringW(vbBSTR* line, vbBSTR* separator, IvbStreamMode* mode);
    virtual vbBSTR ReadStringW(vbBSTR* separator, IvbStreamMode* mode);

protected:
    ~IvbInputStream() = default;
};

// The writing side, with the same typed forms as the reading side.
class VBAPI IvbOutputStream : public IvbObject {
public:
    virtual bool CanWrite() const;
    virtual DWORD Write(const void* buffer, DWORD count, bool all);
    virtual DWORD WriteStream(IvbInputStream* source, DWORD count, bool all);
    virtual DWORD WriteStream(IvbInputStream* source);
    virtual void WriteChar(char v);
    virtual void WriteUchar(unsigned char v);
    virtual void WriteCharW(WCHAR v);
    virtual void WriteShort(int16_t v);
    virtual void WriteUshort(uint16_t v);
    virtual void WriteLong(LONG v);
    virtual void WriteUlong(ULONG v);
    virtual void WriteInt64(int64_t v);
    virtual void WriteUint64(uint64_t v);
    virtual void WriteGuid(GUID v);
    virtual void WriteDouble(double v);
    // The text in the string stream form (format 0: a 32-bit count and the bytes).
    virtual IvbOutputStream& operator<<(const char* text);
    virtual IvbOutputStream& operator<<(const sIvbStreamable& value);
    virtual DWORD WriteString(const char* text, DWORD length, bool newline, IvbStreamMode* mode);
    virtual DWORD WriteString(const vbString& text, bool newline, IvbStreamMode* mode);
    virtual DWORD WriteStringW(const WCHAR* text, DWORD length, bool newline, IvbStreamMode* mode);
    virtual DWORD WriteStringW(const vbBSTR& text, bool newline, IvbStreamMode* mode);

protected:
    ~IvbOutputStream() = default;
};

class VBAPI IvbSeekStream : public IvbObject {
public:
    virtual bool Eof() const;
    virtual DWORD Seek(LONG offset, vbSeekMode mode);
    virtual DWORD GetPosition() const;
    virtual DWORD GetLength() const;
    virtual void SetLength(DWORD length);

protected:
    ~IvbSeekStream() = default;
};

class VBAPI IvbLongSeekStream : public IvbObject {
public:
    virtual bool Eof() const;
    virtual uint64_t LongSeek(int64_t offset, vbSeekMode mode);
    virtual uint64_t GetLongPosition() const;
    virtual uint64_t GetLongLength() const;
    virtual void SetLongLength(uint64_t length);

protected:
    ~IvbLongSeekStream() = default;
};
