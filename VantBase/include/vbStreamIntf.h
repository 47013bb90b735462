#pragma once

// The stream interfaces every byte stream of the system answers, and the streamable face of the
// values that write themselves to streams (strings, variants). Typed values have one byte form
// everywhere: little-endian, no tag, no padding.

#include "vbExport.h"

#include "plat/types.h"

#include <cstdint>

class vbString;
class vbBSTR;
class IvbInputStream;
class IvbOutputStream;
class IvbStreamMode;

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
    virtual void ReadFromStream(IvbStreamMode* mode, IvbInputStream* in) = 0;
    virtual void WriteToStream(IvbStreamMode* mode, IvbOutputStream* out) const = 0;

protected:
    ~sIvbStreamable() = default;
};

// How a stream reads and writes text: the format and the line-end rules.
class VBAPI IvbStreamMode {
public:
    virtual vbFormatMode GetFormat() const = 0;
    virtual bool GetCRLFasLF() const = 0;
    virtual DWORD FindLineSep(int start, const char* buffer, DWORD length, DWORD* separatorLength) const = 0;
    virtual DWORD FindLineSepW(int start, const WCHAR* buffer, DWORD length, DWORD* separatorLength) const = 0;

protected:
    ~IvbStreamMode() = default;
};

// The reading side. Implementers give CanRead, Read and the text reader; the typed readers have
// default bodies that read the value's little-endian bytes with Read(.., true), so that a short
// read fails in the stream instead of giving half a value.
class VBAPI IvbInputStream {
public:
    virtual bool CanRead() const = 0;
    virtual DWORD Read(void* buffer, DWORD count, bool all) = 0;
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
    virtual DWORD ReadString(vbString* line, vbString* separator, IvbStreamMode* mode) = 0;
    virtual DWORD ReadStringW(vbBSTR* line, vbBSTR* separator, IvbStreamMode* mode) = 0;

protected:
    ~IvbInputStream() = default;
};

// The writing side, with the same typed forms as the reading side.
class VBAPI IvbOutputStream {
public:
    virtual bool CanWrite() const = 0;
    virtual DWORD Write(const void* buffer, DWORD count, bool all) = 0;
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
    virtual DWORD WriteString(const char* text, DWORD length, bool newline, IvbStreamMode* mode) = 0;
    virtual DWORD WriteString(const vbString& text, bool newline, IvbStreamMode* mode);
    virtual DWORD WriteStringW(const WCHAR* text, DWORD length, bool newline, IvbStreamMode* mode) = 0;

protected:
    ~IvbOutputStream() = default;
};
