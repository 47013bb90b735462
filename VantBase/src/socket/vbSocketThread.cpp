// The socket's thread: it waits for network events and asked operations, reads incoming data
// into the queue and reports every state change. Plug-in calls that block run outside the lock.

#include "vbSocket.h"

#include "socket/vbSocketPlugPtr.h"

#include "vbExceptionReport.h"

namespace {

constexpr HRESULT kUnknownException = HRESULT(0x80004003);

// The reference held, taken out of ptr (left empty): for releasing after a lock is left.
template <class Ptr>
Ptr takeOut(Ptr& ptr)
{
    Ptr taken = ptr;
    ptr.Release();
    return taken;
}

} // namespace

void vbSocket::onStart(sIvbThread* thread)
{
    vbTThreadBase::onStart(thread);
    vbSectLock lock(&m_sect);
    m_pOwnThread = thread;
}

DWORD vbSocket::onStop(sIvbThread* thread, DWORD exitCode)
{
    vbSocketPlugPtr plug;
    vbSocketPtr user, threadSock, listening;
    vbSocketEvPtr sockEv, wakeEv;
    {
        vbSectLock lock(&m_sect);
        const bool own = thread == m_pOwnThread;
        exitCode = vbTThreadBase::onStop(thread, exitCode);
        if (!own)
            return exitCode;
        m_pOwnThread = nullptr;
        m_bCreated = false;
        // Taken out here, released after the lock: a release may end the plug-in's last object.
        sockEv = takeOut(m_sockEv);
        wakeEv = takeOut(m_wakeEv);
        plug = takeOut(m_plugObj);
        user = takeOut(m_userSock);
        threadSock = takeOut(m_threadSock);
        listening = takeOut(m_listenSock);
        resetBusy();
    }
    return exitCode;
}

void vbSocket::onClose(sIvbThread*)
{
    vbSocketPtr user;
    vbSocketPlugPtr plug;
    {
        vbSectLock lock(&m_sect);
        user = takeOut(m_userSock);
        plug = takeOut(m_plugObj);
    }
    if (user)
        user->Close();
    if (plug)
        plug->Abort();
    askOp(OpEnd);
}

DWORD vbSocket::onRun(sIvbThread*)
{
    for (bool goOn = true; goOn;) {
        vbSocketCtx state = vbSocketNoCtx;
        try {
            goOn = threadPass(state);
        } catch (CException* e) {
            {
                vbSectLock lock(&m_sect);
                m_lastError = vbGetMsg(e, false);
            }
            const HRESULT hr = vbGetHR(e);
            e->Delete();
            reportFailure(state, hr);
        } catch (...) {
            {
                vbSectLock lock(&m_sect);
                m_lastError = "Unknown type exception !";
            }
            reportFailure(state, kUnknownException);
        }
    }
    return 0;
}

void vbSocket::reportFailure(vbSocketCtx state, int code)
{
    // A report that fails in turn is traced: the loop must go on.
    try {
        OnStateChange(state, code);
    } catch (CException* e) {
        vbTraceException(e, true, "vbSocket", __LINE__);
    } catch (...) {
        vbImpl::reportCurrent(false, "vbSocket", __LINE__);
    }
}

bool vbSocket::threadPass(vbSocketCtx& state)
{
    if (!waitForWork()) {
        doClose(false, 0);
        return false;
    }
    takeEvents(state);
    OpAsked op = OpNone;
    {
        vbSectLock lock(&m_sect);
        op = m_opAsked;
        if (op != OpNone) {
            if (m_wakeEv)
                m_wakeEv->Reset();
            m_opAsked = OpNone;
        }
    }
    return runOp(op, state);
}

bool vbSocket::waitForWork()
{
    for (int timeOuts = 0;; ++timeOuts) {
        if (IsCloseAsked() || (timeOuts > 0 && !OnWaitTimeOut(timeOuts)))
            return false;
        vbSocketPtr sock;
        vbSocketPlugPtr plug;
        vbSocketEvPtr wake;
        {
            vbSectLock lock(&m_sect);
            sock = m_threadSock;
            plug = m_plugObj;
            wake = m_wakeEv;
            // Nothing to wait on (the plug object went): an asked operation runs, else the
            // thread ends.
            if (!sock && !plug)
                return m_opAsked != OpNone;
        }
        IvbSocketEv* const events[1] = {wake.Get()};
        const int count = wake ? 1 : 0;
        if (sock) {
            if (sock->Wait(events, count, 0, GetWaitTimeOut(), 1) >= 0)
                return true;
        } else if (plug->Wait(events, count, 0, GetWaitTimeOut(), 1) >= 1) {
            return true;
        }
    }
}

bool vbSocket::toReport(int error)
{
    vbSectLock lock(&m_sect);
    if (m_notifLocks != 0 && error == 0)
        return false;
    return true;
}

void vbSocket::takeEvents(vbSocketCtx& state)
{
    vbSocketPtr sock;
    {
        vbSectLock lock(&m_sect);
        sock = m_threadSock;
    }
    if (!sock || !sock->GetEvents(true))
        return;
    bool connectPending = sock->IsConnectEv();
    // A read or a connection to accept before any connect report stands for the connect.
    auto event = [&](vbSocketCtx ctx, int error) {
        state = ctx;
        bool report = false;
        {
            vbSectLock lock(&m_sect);
            report = m_notifLocks == 0 || error != 0;
            if (report && error == 0 && !m_bConnectNotified)
                connectPending = true;
        }
        if (report)
            OnStateChange(ctx, error);
    };
    if (sock->IsReadEv()) {
        const int error = sock->GetReadErr();
        if (error == 0)
            doRead(sock);
        event(vbSocketDataRead, error);
    }
    if (sock->IsWriteEv()) {
        state = vbSocketWriteError;
        if (const int error = sock->GetWriteErr())
            OnStateChange(vbSocketWriteError, error);
    }
    if (sock->IsAcceptEv())
        event(vbSocketToAccept, sock->GetAcceptErr());
    if (connectPending) {
        state = vbSocketConnected;
        const int error = sock->GetConnectErr();
        if (error == 0) {
            vbSectLock lock(&m_sect);
            m_bConnected = true;
        }
        OnStateChange(vbSocketConnected, error);
        vbSectLock lock(&m_sect);
        m_bConnectNotified = true;
    }
    if (sock->IsCloseEv()) {
        state = vbSocketClosed;
        const int error = sock->GetCloseErr();
        {
            vbSectLock lock(&m_sect);
            m_bConnected = false;
        }
        // What the peer sent before it closed stays for the owner, who is told of it only now.
        doClose(false, error, true);
    }
}

bool vbSocket::runOp(OpAsked op, vbSocketCtx& state)
{
    switch (op) {
    case OpConnect:
    case OpListen:
    case OpAccept:
        state = vbSocketConnected;
        doConnect(op);
        return true;
    case OpClose:
        state = vbSocketClosed;
        doClose(false, 0);
        return true;
    case OpEnd:
        state = vbSocketClosed;
        doClose(false, 0);
        return false;
    default:
        return true;
    }
}

void vbSocket::doConnect(OpAsked op)
{
    vbSocketPlugPtr plug;
    vbSocketEvPtr ev;
    vbSocketPtr listening;
    vbString remote, port;
    {
        vbSectLock lock(&m_sect);
        plug = m_plugObj;
        if (!plug || IsCloseAsked())
            return;
        if (op == OpAccept && !(listening = m_listenSock))
            return;
        ev = m_sockEv;
        remote = m_remote;
        port = m_portName;
    }
    doClose(true, 0);
    onBeforeConnect();
    {
        vbSectLock lock(&m_sect);
        m_bConnectNotified = false;
    }
    vbSocketPtr sock;
    LONG error = 0;
    if (op == OpConnect)
        error = plug->Connect(ev, remote, port, &sock);
    else if (op == OpListen)
        error = plug->Listen(ev, port, remote, &sock);
    else
        error = plug->Accept(ev, listening, &sock, 0);
    if (error != 0 || !sock) {
        // No connection came of it: the owner hears why.
        OnStateChange(vbSocketConnected, error ? int(error) : int(E_FAIL));
        return;
    }
    {
        vbSectLock lock(&m_sect);
        m_threadSock = sock;
        m_userSock = sock;
        m_port = port;
        if (op == OpListen)
            m_bConnected = true;
    }
    if (op == OpListen) {
        OnStateChange(vbSocketConnected, 0);
        vbSectLock lock(&m_sect);
        m_bConnectNotified = true;
    }
}

void vbSocket::doClose(bool keepBusy, int code, bool keepInput)
{
    vbSocketPtr sock;
    {
        vbSectLock lock(&m_sect);
        m_userSock.Release();
        m_bConnected = false;
        sock = takeOut(m_threadSock);
    }
    const bool wasOpen = !sock.IsNull();
    if (sock)
        sock->Close();
    sock.Release();
    {
        vbSectLock lock(&m_sect);
        m_readBuf.Clear();
    }
    onAfterClose();
    OnStateChange(wasOpen ? vbSocketClosed : vbSocketNotOpen, code);
    if (!keepInput) {
        vbSectLock lock(&m_sect);
        m_input.RemoveAll();
    }
    if (!keepBusy)
        resetBusy();
}

void vbSocket::doRead(IvbSocket* sock)
{
    const LONG size = sock->GetReadSize();
    if (size < 1)
        return;
    vbData block;
    vbData buffer;
    buffer.SetLength(int(size));
    for (;;) {
        const LONG n = sock->Recv(buffer.GetWritePtr(int(size)), size, 0);
        if (n < 1)
            break;
        block.Add(static_cast<const void*>(buffer), int(n));
        if (n < size)
            break;
    }
    {
        vbSectLock lock(&m_sect);
        m_readBuf = buffer;
    }
    if (!block.IsEmpty())
        OnDataRead(block);
}
