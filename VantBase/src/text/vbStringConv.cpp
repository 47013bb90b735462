// Strings built from numbers, booleans and GUIDs, and from the system's error texts.

#include "vbString.h"

#include "plat/errors.h"

#include <cinttypes>
#include <cstdio>

vbString::vbString(int n, bool bHex) : vbString()
{
    setFormatted(bHex ? "%X" : "%d", n);
}

vbString::vbString(unsigned int n, bool bHex) : vbString()
{
    setFormatted(bHex ? "%X" : "%u", n);
}

vbString::vbString(long n, bool bHex) : vbString()
{
    setFormatted(bHex ? "%lX" : "%ld", n);
}

vbString::vbString(unsigned long n, bool bHex) : vbString()
{
    setFormatted(bHex ? "%lX" : "%lu", n);
}

vbString::vbString(long long n, bool bHex) : vbString()
{
    setFormatted(bHex ? "%llX" : "%lld", n);
}

vbString::vbString(unsigned long long n, bool bHex) : vbString()
{
    setFormatted(bHex ? "%llX" : "%llu", n);
}

vbString::vbString(bool b) : vbString(b ? "True" : "False") { }

// Formatted at the size the value needs: a fixed buffer overflows from about 1e57 on.
vbString::vbString(double d) : vbString() { setFormatted("%lf", d); }

vbString::vbString(const GUID& g, bool bBraces) : vbString()
{
    setFormatted(bBraces ? "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}"
                         : "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
        g.Data1, g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5],
        g.Data4[6], g.Data4[7]);
}

bool vbString::FormatErr(DWORD err)
{
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, err, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
    if (n == 0 || !text) {
        if (text)
            LocalFree(text);
        return false;
    }
    vbString msg(text);
    LocalFree(text);
    msg.TrimRight(" \r\n");
    *this = msg;
    return true;
}
