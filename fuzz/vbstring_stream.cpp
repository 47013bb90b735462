// Reads strings in their binary stream form from untrusted bytes, and cuts the text read with
// the tokenizers: nothing may read past the data, and a forged length must fail cleanly.

#include "vbException.h"
#include "vbLog.h"
#include "vbMemoryStream.h"
#include "vbString.h"

#include <cstdint>

namespace {

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
    vbRefPtr<vbMemoryStream, &IID_vbMemoryStream> in;
    vbMemoryStream::CreateObject(&in);
    if (size) {
        in->Write(data, static_cast<DWORD>(size), true);
        in->Seek(0, vbSeekStart);
    }
    for (int i = 0; i < 4; ++i) {
        try {
            vbString s;
            s.ReadFromStream(nullptr, in.Get());
            cut(s);
        } catch (CException* e) {
            e->Delete();
            break;
        }
    }
    return 0;
}
