// The socket's caller side: choosing and making the plug object, asking operations of the
// thread, sending, and reading the input queue.

#include "vbSocket.h"

#include "socket/vbSocketPlugPtr.h"

#include "vbExceptionReport.h"

#include "plat/thread.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr const char* kThreadName = "KVX Vantrel HotPlug Socket Thread";
// A plug object that cannot serve a new port name is replaced: its thread is stopped this many times
// at most, this far apart.
constexpr int kReplaceTries = 10;
constexpr DWORD kReplacePauseMs = 200;
constexpr HRESULT kReplaceFailure = HRESULT(0x800005B4);

// Leading blanks, trailing dots and blanks off.
std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t.");
    return last == std::string::npos || last < first ? std::string() : text.substr(first, last - first + 1);
}

// The port name, then each shorter "."-prefix.
std::vector<vbString> candidatesOf(const vbString& portName)
{
    std::vector<vbString> names;
    std::string name = trimmed(portName.c_str());
    for (;;) {
        if (!name.empty())
            names.emplace_back(name.c_str());
        const size_t dot = name.rfind('.');
        if (dot == std::string::npos || dot == 0)
            break;
        name = trimmed(name.substr(0, dot));
    }
    return names;
}

[[noreturn]] void throwNotCreated(const char* call)
{
    throw new vbEsys((vbString("vbSocket::") + call + " : socket not created !").c_str());
}

} // namespace

// --- the plug pointer ---

void vbSocket::PlugPtr::SetPluggedObject(IvbHotPlugin* plugin, IvbObject* obj)
{
    vbObsPtrExt::operator=(plugin);
    try {
        m_socket->onCreateSocket(obj);
    } catch (...) {
        _unlink(true);
        throw;
    }
}

bool vbSocket::PlugPtr::ReleasePluggedObject(IvbHotPlugin*, vbRefPtr<IvbHotPluggedObject, &IID_IvbHotPluggedObject>*)
{
    // The module goes: the socket closes and lets its objects go; nothing is handed back.
    m_socket->onClose(nullptr);
    _unlink(true);
    return false;
}

// --- the socket ---

vbSocket::vbSocket() : vbTThreadBase(&m_sect, kThreadName), m_pPlug(new PlugPtr(this, &m_sect)) { }

vbSocket::~vbSocket()
{
    try {
        Destroy();
    } catch (CException* e) {
        vbShowException(e, true, "vbSocket", __LINE__);
    }
    delete m_pPlug;
}

bool vbSocket::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_sIvbThreadCb) {
        *ppv = static_cast<sIvbThreadCb*>(this);
        return true;
    }
    return vbTThreadBase::GetInterface(iid, ppv);
}

void vbSocket::Create(const vbString& port)
{
    vbSectLock lock(&m_sect);
    vbString portName = port;
    const bool required = portName.c_str()[0] == '!';
    if (required) {
        portName = vbString(portName.c_str() + 1);
        portName.Trim();
    }
    const std::vector<vbString> names = candidatesOf(portName);
    std::vector<vbString> all = names;
    if (!required)
        all.emplace_back("default");
    // The plug object made already serves when its plug-in can work with one of the names (one
    // handed over without a plug-in: always) and it agrees to serve the port.
    auto serves = [&] {
        if (!m_plugObj || !m_plugObj->CanServePort(portName))
            return false;
        IvbHotPlugin* const plugin = m_pPlug->Plugin();
        return !plugin ||
            std::any_of(all.begin(), all.end(), [&](const vbString& name) { return g_vbSocketPlugType.CanWorkWith(plugin, name); });
    };
    for (int tries = kReplaceTries; m_bCreated;) {
        if (serves() && setBusy(false)) {
            m_portName = portName;
            return;
        }
        if (--tries < 0)
            throw new vbEsocket(kReplaceFailure, "Socket creation failure on port " + portName, "vbSocket::Create()");
        lock.Unlock();
        Destroy();
        Sleep(kReplacePauseMs);
        lock.Lock(&m_sect);
    }

    const vbString failure = "Can't create network connection on port '" + portName + "' : socket plugin not ready";
    bool made = false;
    for (const vbString& name : names)
        if ((made = g_vbSocketPlugType.CreatePluggedObject(m_pPlug, name)))
            break;
    if (!made) {
        if (required)
            throw new vbEhotPlug(failure, "vbSocket::Create(port required)");
        if (!g_vbSocketPlugType.CreatePluggedObject(m_pPlug, "default"))
            throw new vbEhotPlug(failure, "vbSocket::Create()");
    }
    vbTThreadBase::Create(true);
    m_bCreated = true;
    m_portName = portName;
}

void vbSocket::CreateOn(IvbObject* plugObject, const vbString& portName)
{
    Destroy();
    vbSectLock lock(&m_sect);
    m_pPlug->SetPluggedObject(nullptr, plugObject);
    vbTThreadBase::Create(true);
    m_bCreated = true;
    m_portName = portName;
}

void vbSocket::onCreateSocket(IvbObject* obj)
{
    vbRefQIPtr<IvbSocketPlug, &IID_IvbSocketPlug> plug(obj, true);
    vbSocketEvPtr sockEv, wakeEv;
    plug->CreateEv(&sockEv, 0);
    plug->CreateEv(&wakeEv, 0);
    vbSectLock lock(&m_sect);
    m_opAsked = OpNone;
    m_sockEv = sockEv;
    m_wakeEv = wakeEv;
    m_plugObj = plug.Get();
}

void vbSocket::askOp(OpAsked op)
{
    vbSectLock lock(&m_sect);
    if (!m_wakeEv) {
        if (op == OpEnd)
            return;
    }
    m_opAsked = op;
    if (m_wakeEv)
        m_wakeEv->Set();
}

void vbSocket::Connect(const vbString& host, const vbString& port)
{
    Create(port);
    vbSectLock lock(&m_sect);
    if (!m_bCreated)
        throwNotCreated("Connect()");
    m_remote = host;
    m_listenSock.Release();
    lock.Unlock();
    askOp(OpConnect);
}

void vbSocket::Listen(const vbString& port, const char* address)
{
    Create(port);
    vbSectLock lock(&m_sect);
    if (!m_bCreated)
        throwNotCreated("Listen()");
    m_remote = address ? address : "";
    m_listenSock.Release();
    lock.Unlock();
    askOp(OpListen);
}

void vbSocket::Accept(vbSocket& listening)
{
    vbSocketPtr sock;
    vbString port;
    {
        vbSectLock lock(&listening.m_sect);
        if (!listening.m_bCreated || !listening.m_userSock)
            throw new vbEsocket("Invalid listening socket !", "vbSocket::Accept()");
        sock = listening.m_userSock;
        port = listening.m_port;
    }
    Create(port);
    vbSectLock lock(&m_sect);
    if (!m_bCreated)
        throwNotCreated("Accept()");
    m_listenSock = sock;
    m_remote.Empty();
    lock.Unlock();
    askOp(OpAccept);
}

void vbSocket::Close()
{
    vbSectLock lock(&m_sect);
    if (!m_bCreated)
        return;
    m_listenSock.Release();
    m_remote.Empty();
    lock.Unlock();
    askOp(OpClose);
}

void vbSocket::SendData(const vbData& data)
{
    if (data.IsEmpty())
        return;
    {
        vbSectLock lock(&m_sect);
        if (m_bTrace)
            vbDataTrace("OUTPUT", data);
    }
    const vbSocketPtr sock = connectedSocket("SendData()");
    const auto* bytes = static_cast<const unsigned char*>(static_cast<const void*>(data));
    const LONG length = data.GetLength();
    for (LONG sent = 0; sent < length;) {
        const LONG n = sock->Send(bytes + sent, length - sent, 0);
        if (n >= 0)
            sent += n;
        else
            sock->Wait(nullptr, 0, 0, -1, 1);
    }
}

int vbSocket::GetData(vbData& out)
{
    vbSectLock lock(&m_sect);
    if (m_input.GetSize() == 0) {
        out.Clear();
        return 0;
    }
    out.Attach(&m_input[1]);
    m_input.Delete(1);
    if (m_bTrace)
        vbDataTrace("INPUT", out);
    return out.GetLength();
}

bool vbSocket::HasData()
{
    vbSectLock lock(&m_sect);
    return m_input.GetSize() > 0;
}

vbSocketPlugPtr vbSocket::plugObject(const char* call)
{
    vbSectLock lock(&m_sect);
    if (!m_bCreated) {
        lock.Unlock();
        Create(vbString(m_portName));
        lock.Lock(&m_sect);
    }
    if (!m_bCreated || !m_plugObj)
        throwNotCreated(call);
    return m_plugObj;
}

vbString vbSocket::GetHostName() { return plugObject("GetHostName()")->GetHostName(); }

vbString vbSocket::GetHostNameByAddr(const vbString& addr, bool bThrow)
{
    return plugObject("GetHostNameByAddr()")->GetHostNameByAddr(addr, bThrow);
}

vbString vbSocket::GetHostAddrByName(const vbString& name, bool bThrow)
{
    return plugObject("GetHostAddrByName()")->GetHostAddrByName(name, bThrow);
}

int vbSocket::GetHostNameByAddr(const vbString& addr, vbArray<vbString, 1, 1>* names, bool bThrow)
{
    return plugObject("GetHostNameByAddr(2)")->GetHostNameByAddr(addr, names, bThrow);
}

int vbSocket::GetHostAddrByName(const vbString& name, vbArray<vbString, 1, 1>* addrs, bool bThrow)
{
    return plugObject("GetHostAddrByName(2)")->GetHostAddrByName(name, addrs, bThrow);
}

vbSocketPtr vbSocket::connectedSocket(const char* call)
{
    vbSocketPtr sock;
    {
        vbSectLock lock(&m_sect);
        sock = m_userSock;
    }
    if (!sock)
        throw new vbEsocketUser("Socket not connected !", vbString("vbSocket::") + call);
    return sock;
}

vbString vbSocket::GetPeerIP(vbString* port) { return connectedSocket("GetPeerIP()")->GetPeerIP(port); }

vbString vbSocket::GetSockIP(vbString* port) { return connectedSocket("GetSockIP()")->GetSockIP(port); }

bool vbSocket::IsConnected()
{
    vbSectLock lock(&m_sect);
    return m_bConnected;
}

void vbSocket::SetDbgTrace(bool bTrace)
{
    vbSectLock lock(&m_sect);
    m_bTrace = bTrace;
}

void vbSocket::NotifLock()
{
    vbSectLock lock(&m_sect);
    ++m_notifLocks;
}

void vbSocket::NotifUnlock()
{
    vbSectLock lock(&m_sect);
    --m_notifLocks;
}

DWORD vbSocket::GetThreadId(bool bThrow)
{
    vbLock threadLock;
    sIvbThread* thread = GetThread(&threadLock, bThrow);
    return thread ? thread->GetThreadId() : 0;
}

void vbSocket::destroy() { Destroy(); }

bool vbSocket::AskDestroy()
{
    bool failed = false;
    return AskClose(&failed);
}

int vbSocket::GetWaitTimeOut() { return -1; }

bool vbSocket::OnWaitTimeOut(int) { return true; }

void vbSocket::OnStateChange(vbSocketCtx, int) { vbPurecall(); }

void vbSocket::onBeforeConnect() { }

void vbSocket::onAfterClose() { }

void vbSocket::OnDataRead(vbData& data)
{
    vbSectLock lock(&m_sect);
    m_input[m_input.AddEmpty()].Attach(&data);
}

// --- the window's socket ---

vbWinSocket::vbWinSocket(CWnd* wnd) : m_pWnd(wnd) { }

vbWinSocket::~vbWinSocket()
{
    try {
        Destroy();
    } catch (CException* e) {
        vbShowException(e, true, "vbSocket", __LINE__);
    }
}

void vbWinSocket::OnStateChange(vbSocketCtx ctx, int code)
{
    const UINT msg = vbWMCTRL_WINSOCK_NOTIF.GetMsg();
    if (!m_pWnd || !m_pWnd->GetSafeHwnd() || !msg)
        return;
    // The code travels as a signed 32-bit value: a receiver reads it back with int32_t(lParam).
    vbPostMessage(m_pWnd, msg, WPARAM(ctx), LPARAM(int32_t(code)));
}
