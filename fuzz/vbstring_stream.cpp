// Reads strings in their binary stream form from untrusted bytes, and cuts the text read with
// the tokenizers: nothing may read past the data, and a forged length must fail cleanly.

#include "vbException.h"
#include "vbLog.h"
#include "vbStreamIntf.h"
#include "vbString.h"

#include <cstdint>
#include <cstring>

namespace {

class ByteReader : public IvbInputStream {
public:
    ByteReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) { }

    bool CanRead() const override { return true; }
    DWORD Read(void* buffer, DWORD count, bool all) override
    {
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
        *line = vbString();
        return 0;
    }
    DWORD ReadStringW(vbBSTR*, vbBSTR*, IvbStreamMode*) override { return 0; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

void cut(const vbString& text)
{
    vbString token, rest;
    char sep = 0;
    for (int pos = 1; pos > 0 && pos <= text.GetLength();) {
        int next = text.GetToken(pos, " ,;", &token, &rest, &sep, "\"'", "([{", ")]}");
        if (next <= pos)
            break;
        pos = next;
    }
    text.GetToken(1, " =", &token, &rest, &sep, true);
    char quote = 0;
    bool mixed = false;
    text.GetTokenString(1, "\"'", &token, &quote, &mixed);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_pvbLogFileName = nullptr; // the throw traces of failed reads stay out of the user's log
    ByteReader in(data, size);
    for (int i = 0; i < 4; ++i) {
        try {
            vbString s;
            s.ReadFromStream(nullptr, &in);
            cut(s);
        } catch (CException* e) {
            e->Delete();
            break;
        }
    }
    return 0;
}
