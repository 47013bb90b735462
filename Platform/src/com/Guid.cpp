#include "plat/unknwn.h"

#include <cstdio>
#include <fcntl.h>
#include <random>
#include <unistd.h>

int StringFromGUID2(REFGUID g, LPOLESTR lpsz, int cchMax)
{
    if (!lpsz || cchMax < 39)
        return 0;
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
        g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    for (int i = 0; i < 39; ++i)
        lpsz[i] = (OLECHAR)(unsigned char)text[i];
    return 39;
}

namespace {

int hexValue(OLECHAR c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Reads `digits` hex digits at p; false on anything else.
bool readHex(const OLECHAR*& p, int digits, uint32_t& out)
{
    out = 0;
    for (int i = 0; i < digits; ++i) {
        int v = hexValue(*p);
        if (v < 0)
            return false;
        out = out << 4 | (uint32_t)v;
        ++p;
    }
    return true;
}

bool parseGuid(LPCOLESTR s, GUID& g)
{
    if (!s)
        return false;
    const OLECHAR* p = s;
    uint32_t v;
    if (*p++ != u'{' || !readHex(p, 8, v))
        return false;
    g.Data1 = v;
    if (*p++ != u'-' || !readHex(p, 4, v))
        return false;
    g.Data2 = (uint16_t)v;
    if (*p++ != u'-' || !readHex(p, 4, v))
        return false;
    g.Data3 = (uint16_t)v;
    if (*p++ != u'-')
        return false;
    for (int i = 0; i < 8; ++i) {
        if (i == 2 && *p++ != u'-')
            return false;
        if (!readHex(p, 2, v))
            return false;
        g.Data4[i] = (uint8_t)v;
    }
    return *p++ == u'}' && *p == 0;
}

} // namespace

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid)
{
    if (!pclsid)
        return E_INVALIDARG;
    GUID g;
    if (!parseGuid(lpsz, g)) {
        *pclsid = GUID_NULL;
        return CO_E_CLASSSTRING;
    }
    *pclsid = g;
    return S_OK;
}

HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid)
{
    if (!lpiid)
        return E_INVALIDARG;
    GUID g;
    if (!parseGuid(lpsz, g))
        return E_INVALIDARG;
    *lpiid = g;
    return S_OK;
}

HRESULT CoCreateGuid(GUID* pguid)
{
    if (!pguid)
        return E_INVALIDARG;
    uint8_t bytes[16];
    size_t got = 0;
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        while (got < sizeof bytes) {
            ssize_t n = read(fd, bytes + got, sizeof bytes - got);
            if (n <= 0)
                break;
            got += (size_t)n;
        }
        close(fd);
    }
    if (got < sizeof bytes) {
        std::random_device rd;
        for (auto& b : bytes)
            b = (uint8_t)rd();
    }
    pguid->Data1 = (uint32_t)bytes[0] << 24 | (uint32_t)bytes[1] << 16 | (uint32_t)bytes[2] << 8 | bytes[3];
    pguid->Data2 = (uint16_t)(bytes[4] << 8 | bytes[5]);
    // Version 4 (random), variant 10.
    pguid->Data3 = (uint16_t)(((bytes[6] << 8 | bytes[7]) & 0x0FFF) | 0x4000);
    for (int i = 0; i < 8; ++i)
        pguid->Data4[i] = bytes[8 + i];
    pguid->Data4[0] = (uint8_t)((pguid->Data4[0] & 0x3F) | 0x80);
    return S_OK;
}
