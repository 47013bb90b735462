// Socket exceptions and port names.

#include "vbSocket.h"

#include "vbExceptionEngine.h"

#include <cstring>

IMPLEMENT_DYNAMIC(vbEsocket, vbEadv)
VB_EADV_IMPLEMENT(vbEsocket, vbEadv, "vbEsocket")
VB_EADV_DISPLAY_IMPLEMENT(vbEsocket, "Network system error", 16, true)

IMPLEMENT_DYNAMIC(vbEsocketUser, vbEsocket)
VB_EADV_IMPLEMENT(vbEsocketUser, vbEsocket, "vbEsocketUser")
VB_EADV_DISPLAY_IMPLEMENT(vbEsocketUser, "Network error", 48, g_vbExceptionEngine.IsToLog("vbEsocketUser"))

int vbSocketGetPort(const vbString& portName, vbString* prefix, bool bThrow)
{
    const char* text = portName.c_str();
    const char* dot = std::strrchr(text, '.');
    const char* number = dot ? dot + 1 : text;
    if (prefix)
        *prefix = dot ? vbString(text, int(dot - text)) : vbString();
    long value = 0;
    for (const char* p = number; *p >= '0' && *p <= '9' && value <= 65535; ++p)
        value = value * 10 + (*p - '0');
    if (value < 1 || value > 65535) {
        if (bThrow)
            throw new vbEsocketUser("Invalid port number ('" + vbString(number) + "')");
        return -1;
    }
    return int(value);
}
