#pragma once

// The process-wide objects of the sockets: the message that reports a socket's state to a window
// (the state in its first parameter, the error code in its second) and the "Socket" plug type,
// whose plug-ins do the network work.

#include "vbHotPlugin.h"
#include "vbMsg.h"

extern VBAPI vbMsg vbWMCTRL_WINSOCK_NOTIF;
extern VBAPI vbHotPlugType g_vbSocketPlugType;
