#pragma once

// Sockets that work through socket plug-ins. The process-wide objects: the message that reports a
// socket's state to a window (the state in its first parameter, the error code in its second) and
// the "Socket" plug type, whose plug-ins do the network work.

#include "vbHotPlugin.h"
#include "vbArray.h"
#include "vbData.h"
#include "vbException.h"
#include "vbMsg.h"
#include "vbObjects.h"
#include "vbSocketItf.h"
#include "vbThreadBase.h"

#include "plat/afxwin.h"

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

// The port number of a port name "[prefix.]number": the leading digits after the last "." (0 when
// none), the text before it into prefix. Outside 1-65535: -1, or with bThrow vbEsocketUser
// "Invalid port number ('<text>')".
VBAPI int vbSocketGetPort(const vbString& portName, vbString* prefix, bool bThrow);

// What a socket reports to its owner through OnStateChange, with a code (0 success, else the
// plug-in's error code or an HRESULT).
enum vbSocketCtx : int32_t {
    vbSocketNoCtx = 0,
    vbSocketConnected = 1, // also: a listening socket is ready
    vbSocketDataRead = 2,
    vbSocketWriteError = 3,
    vbSocketToAccept = 4,
    vbSocketClosed = 5,    // a socket was open
    vbSocketNotOpen = 6,   // closed, no socket was open
};

// One network endpoint: a client connection, a listening socket or an accepted connection. Its
// network work runs on a thread of its own and goes to a plug-in of the "Socket" plug type,
// chosen by the port name; callers ask for operations from any thread, and every state
// change comes back through OnStateChange on the socket's thread.
class VBAPI vbSocket : public vbTThreadBase<sIvbThreadCb>, public sIvbNotifLock {
public:
    enum OpAsked { OpNone = 0, OpConnect = 1, OpListen = 2, OpAccept = 3, OpClose = 4, OpEnd = 5 };

    vbSocket();
    // Ends the thread; a failure is shown.
    ~vbSocket() override;
    vbSocket(const vbSocket&) = delete;
    vbSocket& operator=(const vbSocket&) = delete;

    using vbTThreadBase::GetInterface;
    // Answers the thread callbacks' face, so that the thread centre runs onRun.
    bool GetInterface(const GUID& iid, void** ppv) override;

    // Makes (or keeps) the plug object that serves the port name "[!]name[.name...].port" and starts
    // the thread. "!" requires the named plug-in; otherwise "default" serves what none serves.
    void Create(const vbString& port);
    // Makes the socket on a plug object handed over as the plug type hands its objects (through the
    // socket's plug pointer), for a plug object that no plug-in record made; starts the thread.
    // Later calls on portName keep it while it can serve them.
    void CreateOn(IvbObject* plugObject, const vbString& portName);
    void Connect(const vbString& host, const vbString& port);
    void Listen(const vbString& port, const char* address);
    // Takes the next connection of a listening socket.
    void Accept(vbSocket& listening);
    void Close();

    // Sends everything, waiting while the socket would block.
    void SendData(const vbData& data);
    // The oldest block received (moved into out), and its length; 0 and out freed when none.
    int GetData(vbData& out);
    bool HasData();

    vbString GetHostName();
    vbString GetHostNameByAddr(const vbString& addr, bool bThrow);
    vbString GetHostAddrByName(const vbString& name, bool bThrow);
    int GetHostNameByAddr(const vbString& addr, vbArray<vbString, 1, 1>* names, bool bThrow);
    int GetHostAddrByName(const vbString& name, vbArray<vbString, 1, 1>* addrs, bool bThrow);
    vbString GetPeerIP(vbString* port);
    vbString GetSockIP(vbString* port);

    bool IsConnected();
    void SetDbgTrace(bool bTrace);
    // While held, successful reads and connections to accept are not reported (errors are).
    void NotifLock();
    void NotifUnlock();
    DWORD GetThreadId(bool bThrow);
    void destroy();
    bool AskDestroy();

    // --- sIvbNotifLock ---
    void Lock() override { NotifLock(); }
    void Unlock() override { NotifUnlock(); }

protected:
    virtual int GetWaitTimeOut();
    virtual bool OnWaitTimeOut(int count);
    virtual void OnStateChange(vbSocketCtx ctx, int code);
    virtual void onBeforeConnect();
    virtual void onAfterClose();
    // Queues the block (the queue takes its buffer).
    virtual void OnDataRead(vbData& data);

    // --- the thread ---
    void onStart(sIvbThread* thread) override;
    DWORD onStop(sIvbThread* thread, DWORD exitCode) override;
    DWORD onRun(sIvbThread* thread) override;
    void onClose(sIvbThread* thread) override;

private:
    class PlugPtr;
    friend class PlugPtr;

    void onCreateSocket(IvbObject* obj);
    void askOp(OpAsked op);
    // One pass of the thread's loop; false ends the thread.
    bool threadPass(vbSocketCtx& state);
    bool waitForWork();
    void takeEvents(vbSocketCtx& state);
    bool runOp(OpAsked op, vbSocketCtx& state);
    void doConnect(OpAsked op);
    // keepInput: the queue keeps what arrived (a close by the peer).
    void doClose(bool keepBusy, int code, bool keepInput = false);
    void reportFailure(vbSocketCtx state, int code);
    void doRead(IvbSocket* sock);
    // Reported unless notifications are locked; an error always is. Also makes a pending connect.
    bool toReport(int error);
    vbSocketPlugPtr plugObject(const char* call);
    // The user socket; vbEsocketUser "Socket not connected !" (context "vbSocket::<call>") without.
    vbSocketPtr connectedSocket(const char* call);

    CCriticalSection m_sect;
    PlugPtr* m_pPlug;
    bool m_bCreated = false;
    bool m_bConnected = false;
    vbSocketPlugPtr m_plugObj;
    vbSocketPtr m_userSock;
    OpAsked m_opAsked = OpNone;
    vbString m_port;
    vbString m_remote;
    vbString m_portName;
    vbSocketPtr m_listenSock;
    vbSocketPtr m_threadSock;
    vbSocketEvPtr m_sockEv;
    vbSocketEvPtr m_wakeEv;
    LONG m_notifLocks = 0;
    bool m_bConnectNotified = false;
    vbString m_lastError;
    vbData m_readBuf;
    vbArray<vbData, 1, 1> m_input;
    bool m_bTrace = false;
    sIvbThread* m_pOwnThread = nullptr;
};

// A socket that reports to a window: each state change is posted as vbWMCTRL_WINSOCK_NOTIF with
// the state in wParam and the code, as a signed 32-bit value, in lParam.
class VBAPI vbWinSocket : public vbSocket {
public:
    explicit vbWinSocket(CWnd* wnd);
    // The thread ends while the socket still posts.
    ~vbWinSocket() override;

protected:
    void OnStateChange(vbSocketCtx ctx, int code) override;

private:
    CWnd* m_pWnd;
};
