#pragma once

// A byte buffer with the stream interfaces, for tests of stream forms. Reads past the end throw a
// vbEstream, as a real stream's end-of-data error does.

#include "vbException.h"
#include "vbStreamIntf.h"
#include "vbString.h"

#include <cstring>
#include <vector>

class MemoryStreamFake : public IvbInputStream, public IvbOutputStream, public IvbStreamMode {
public:
    explicit MemoryStreamFake(vbFormatMode format = vbFormatBinary) : m_format(format) { }
    MemoryStreamFake(const void* data, size_t size) : m_bytes(static_cast<const unsigned char*>(data),
                                                          static_cast<const unsigned char*>(data) + size) { }

    std::vector<unsigned char> m_bytes;
    size_t m_pos = 0;
    vbFormatMode m_format = vbFormatBinary;

    bool CanRead() const override { return true; }
    DWORD Read(void* buffer, DWORD count, bool all) override
    {
        size_t avail = m_bytes.size() - m_pos;
        if (count > avail) {
            if (all)
                throw new vbEstream(vbString("fake"), E_FAIL, vbString("end of data"));
            count = static_cast<DWORD>(avail);
        }
        std::memcpy(buffer, m_bytes.data() + m_pos, count);
        m_pos += count;
        return count;
    }
    DWORD ReadString(vbString* line, vbString*, IvbStreamMode*) override
    {
        size_t n = m_bytes.size() - m_pos;
        *line = vbString(reinterpret_cast<const char*>(m_bytes.data() + m_pos), static_cast<int>(n));
        m_pos += n;
        return static_cast<DWORD>(n);
    }
    using IvbInputStream::ReadStringW;
    DWORD ReadStringW(vbBSTR*, vbBSTR*, IvbStreamMode*) override { return 0; }

    bool CanWrite() const override { return true; }
    DWORD Write(const void* buffer, DWORD count, bool) override
    {
        const unsigned char* p = static_cast<const unsigned char*>(buffer);
        m_bytes.insert(m_bytes.end(), p, p + count);
        return count;
    }
    using IvbOutputStream::WriteString;
    DWORD WriteString(const char* text, DWORD length, bool, IvbStreamMode*) override
    {
        return Write(text, length, true);
    }
    using IvbOutputStream::WriteStringW;
    DWORD WriteStringW(const WCHAR*, DWORD, bool, IvbStreamMode*) override { return 0; }

    DWORD WriteStream(IvbInputStream*, DWORD, bool) override { return 0; }
    DWORD WriteStream(IvbInputStream*) override { return 0; }

    // Answers its own stream mode; the fake is not counted.
    HRESULT QueryInterface(REFIID iid, void** ppv) override
    {
        if (iid != IID_IvbStreamMode) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IvbStreamMode*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    vbFormatMode GetFormat() const override { return m_format; }
    bool GetCRLFasLF() const override { return true; }
    DWORD FindLineSep(int, const char*, DWORD, DWORD*) const override { return 0; }
    DWORD FindLineSepW(int, const WCHAR*, DWORD, DWORD*) const override { return 0; }
};
