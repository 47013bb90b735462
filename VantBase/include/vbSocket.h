#pragma once

// The process-wide objects of the sockets: the message that reports a socket's state to a window
// (the state in its first parameter, the error code in its second) and the "Socket" plug type,
// whose plug-ins do the network work.

#include "vbHotPlugin.h"
#include "vbException.h"
#include "vbMsg.h"

extern VBAPI vbMsg vbWMCTRL_WINSOCK_NOTIF;
extern VBAPI vbHotPlugType g_vbSocketPlugType;

// Network faults: "Network system error", always logged.
class VBAPI vbEsocket : public vbEadv {
    DECLARE_DYNAMIC(vbEsocket)
public:
    VB_EADV_CONSTRUCTORS(vbEsocket);
    VB_EADV_DISPLAY;
};

// Network refusals meant for the user: "Network error", logged when the switches ask for it.
class VBAPI vbEsocketUser : public vbEsocket {
    DECLARE_DYNAMIC(vbEsocketUser)
public:
    VB_EADV_CONSTRUCTORS(vbEsocketUser);
    VB_EADV_DISPLAY;
};

// The port number of a spec "[prefix.]number": the leading digits after the last "." (0 when
// none), the text before it into prefix. Outside 1-65535: -1, or with bThrow vbEsocketUser
// "Invalid port number ('<text>')".
VBAPI int vbSocketGetPort(const vbString& spec, vbString* prefix, bool bThrow);
