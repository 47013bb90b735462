// The socket plug-in interfaces: identifiers, and the library's purecall error for every
// operation a plug-in object does not provide.

#include "vbSocketItf.h"

#include "vbBaseItf.h"

const IID IID_IvbSocketPlug = {0xAFF88638, 0x14EE, 0x47A7, {0xB8, 0xB0, 0xA7, 0xC5, 0x85, 0x96, 0xAA, 0xE4}};
const IID IID_IvbSocket = {0x11E6D3EE, 0x5CA6, 0x47EC, {0x85, 0xA9, 0x62, 0x7B, 0x3F, 0x14, 0x0F, 0x16}};
const IID IID_IvbSocketEv = {0xFD2AF5D7, 0x902E, 0x4CA8, {0x89, 0x52, 0x1E, 0x70, 0xA6, 0x0A, 0x8D, 0xA5}};

void IvbSocketEv::Set() { vbPurecall(); }
void IvbSocketEv::Reset() { vbPurecall(); }
bool IvbSocketEv::IsSet() { vbPurecall(); }

bool IvbSocket::GetEvents(bool) { vbPurecall(); }
bool IvbSocket::IsConnectEv() { vbPurecall(); }
LONG IvbSocket::GetConnectErr() { vbPurecall(); }
bool IvbSocket::IsAcceptEv() { vbPurecall(); }
LONG IvbSocket::GetAcceptErr() { vbPurecall(); }
bool IvbSocket::IsCloseEv() { vbPurecall(); }
LONG IvbSocket::GetCloseErr() { vbPurecall(); }
bool IvbSocket::IsReadEv() { vbPurecall(); }
LONG IvbSocket::GetReadErr() { vbPurecall(); }
bool IvbSocket::IsWriteEv() { vbPurecall(); }
LONG IvbSocket::GetWriteErr() { vbPurecall(); }
LONG IvbSocket::GetReadSize() { vbPurecall(); }
LONG IvbSocket::Recv(void*, LONG, int) { vbPurecall(); }
LONG IvbSocket::Send(const void*, LONG, int) { vbPurecall(); }
bool IvbSocket::IsBlocking() { vbPurecall(); }
int IvbSocket::Wait(IvbSocketEv* const*, int, int, int, int) { vbPurecall(); }
bool IvbSocket::SetOption(int, LONG) { vbPurecall(); }
LONG IvbSocket::GetOption(int) { vbPurecall(); }
LONG IvbSocket::GetLastErr() { vbPurecall(); }
vbString IvbSocket::GetPeerIP(vbString*) { vbPurecall(); }
vbString IvbSocket::GetSockIP(vbString*) { vbPurecall(); }
void IvbSocket::Close() { vbPurecall(); }
bool IvbSocket::IsOpen() { vbPurecall(); }

vbString IvbSocketPlug::GetHostName() { vbPurecall(); }
int IvbSocketPlug::GetHostNameByAddr(const vbString&, vbArray<vbString, 1, 1>*, bool) { vbPurecall(); }
vbString IvbSocketPlug::GetHostNameByAddr(const vbString&, bool) { vbPurecall(); }
int IvbSocketPlug::GetHostAddrByName(const vbString&, vbArray<vbString, 1, 1>*, bool) { vbPurecall(); }
vbString IvbSocketPlug::GetHostAddrByName(const vbString&, bool) { vbPurecall(); }
void IvbSocketPlug::CreateEv(vbSocketEvPtr*, int) { vbPurecall(); }
LONG IvbSocketPlug::GetLastErr() { vbPurecall(); }
int IvbSocketPlug::Wait(IvbSocketEv* const*, int, int, int, int) { vbPurecall(); }
bool IvbSocketPlug::IsAborted() { vbPurecall(); }
vbString IvbSocketPlug::GetName() { vbPurecall(); }
bool IvbSocketPlug::CanServePort(const vbString&) { vbPurecall(); }
LONG IvbSocketPlug::Connect(IvbSocketEv*, const vbString&, vbString&, vbSocketPtr*) { vbPurecall(); }
LONG IvbSocketPlug::Listen(IvbSocketEv*, vbString&, const vbString&, vbSocketPtr*) { vbPurecall(); }
LONG IvbSocketPlug::Accept(IvbSocketEv*, IvbSocket*, vbSocketPtr*, int) { vbPurecall(); }
void IvbSocketPlug::Abort() { vbPurecall(); }
