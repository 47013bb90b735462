// Reads variants in their binary stream form from untrusted bytes. Nothing may read past the
// data, a forged count must fail without reserving its size, and every variant that was read
// must write itself back to exactly the bytes it came from and survive the readers.

#include "vbBSTR.h"
#include "vbData.h"
#include "vbException.h"
#include "vbLog.h"
#include "vbStreamIntf.h"
#include "vbString.h"
#include "vbVariant.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class ByteReader : public IvbInputStream {
public:
    ByteReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) { }

    bool CanRead() const override { return true; }
    DWORD Read(void* buffer, DWORD count, bool all) override
    {
        // A reader sizes its pieces by what arrived, not by the count it was given.
        if (count > 2 * m_size + 64 * 1024)
            std::abort();
        size_t avail = m_size - m_pos;
        if (count > avail) {
            if (all)
                throw new vbEstream(vbString("fuzz"), E_FAIL, vbString("end of data"));
            count = static_cast<DWORD>(avail);
        }
        if (count)
            std::memcpy(buffer, m_data + m_pos, count);
        m_pos += count;
        return count;
    }
    DWORD ReadString(vbString* line, vbString*, IvbStreamMode*) override
    {
        *line = vbString(reinterpret_cast<const char*>(m_data + m_pos), static_cast<int>(m_size - m_pos));
        m_pos = m_size;
        return 0;
    }
    DWORD ReadStringW(vbBSTR*, vbBSTR*, IvbStreamMode*) override { return 0; }

    size_t pos() const { return m_pos; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

class ByteWriter : public IvbOutputStream {
public:
    bool CanWrite() const override { return true; }
    DWORD Write(const void* buffer, DWORD count, bool) override
    {
        auto* p = static_cast<const uint8_t*>(buffer);
        bytes.insert(bytes.end(), p, p + count);
        return count;
    }
    DWORD WriteStream(IvbInputStream*, DWORD, bool) override { return 0; }
    DWORD WriteStream(IvbInputStream*) override { return 0; }
    using IvbOutputStream::WriteString;
    DWORD WriteString(const char* text, DWORD length, bool, IvbStreamMode*) override { return Write(text, length, true); }
    DWORD WriteStringW(const WCHAR*, DWORD, bool, IvbStreamMode*) override { return 0; }

    std::vector<uint8_t> bytes;
};

template <class F>
void tolerate(F f)
{
    try {
        f();
    } catch (CException* e) {
        e->Delete();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_pvbLogFileName = nullptr; // the throw traces of failed reads stay out of the user's log
    ByteReader in(data, size);
    vbVariant previous;
    for (int i = 0; i < 8; ++i) {
        size_t start = in.pos();
        vbVariant v;
        try {
            v.ReadFromStream(nullptr, &in);
        } catch (CException* e) {
            e->Delete();
            break;
        }
        // Written back, a variant gives the bytes it came from, except for what the form fixes:
        // a boolean is FF FF or 00 00, a DECIMAL's first word is its type, and an empty payload
        // (a count of 0 or less) reads as VT_EMPTY.
        ByteWriter out;
        v.WriteToStream(nullptr, &out);
        std::vector<uint8_t> came(data + start, data + in.pos());
        if (v.IsBool() && came.size() == 6 && (came[4] || came[5]))
            came[4] = came[5] = 0xFF;
        if (static_cast<const VARIANT&>(v).vt == VT_DECIMAL && came.size() == 20) {
            came[4] = VT_DECIMAL;
            came[5] = 0;
        }
        bool emptied = v.IsEmpty() && out.bytes.size() == 4 && came.size() == 8;
        if (!emptied && out.bytes != came)
            std::abort();
        tolerate([&] { (void)v.GetAsString(); });
        tolerate([&] { (void)v.GetAsDouble(); });
        tolerate([&] { (void)v.GetAsInt64(); });
        tolerate([&] { (void)vbVariantCmp(v, previous, false, 0); });
        tolerate([&] { (void)vbVariantCmp(v, previous, true, 0); });
        tolerate([&] { vbData bytes; (void)v.GetData(&bytes); });
        previous = v;
    }
    return 0;
}
