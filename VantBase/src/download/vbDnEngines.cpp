// The process-wide engines of the download centre and the sockets. They live in one file so that
// they are built in this order and destroyed in the reverse one: the centre before the download
// plug type it depends on, each plug type before its message, the download plug type before the
// socket plug type.

#include "vbDnCenter.h"
#include "vbDnPlugin.h"
#include "vbSocket.h"

vbMsg vbWMCTRL_WINSOCK_NOTIF("vbWMCTRL_WINSOCK_NOTIF");

namespace {
vbExtraMsg socketPlugMsg("KVX Vantrel HotPlug Socket Message V5");
} // namespace

vbHotPlugType g_vbSocketPlugType("Socket", "5", "KVX Vantrel HotPlug Socket", &socketPlugMsg,
    vbEngineDeps(1, static_cast<vbEngine*>(&vbWMCTRL_WINSOCK_NOTIF)));

vbExtraMsg g_vbDnPlugMsg("KVX Vantrel DnCenter HotPlug Message V5");

vbHotPlugType g_vbDnPlugType("DnCenter", "5", "KVX Vantrel DnCenter HotPlug", &g_vbDnPlugMsg,
    vbEngineDeps(1, static_cast<vbEngine*>(&g_vbSocketPlugType)));

vbDnCenter g_vbDnCenter("KVX Vantrel Download Center", vbEngineDeps(1, static_cast<vbEngine*>(&g_vbDnPlugType)));
