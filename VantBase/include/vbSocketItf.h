#pragma once

// What a socket plug-in provides: the plugged object of the "Socket" plug type (IvbSocketPlug),
// its sockets (IvbSocket) and its events (IvbSocketEv). Every failure is an error code, never an
// exception: the codes reach the socket's owner unchanged.

#include "vbArray.h"
#include "vbObjects.h"
#include "vbPtr.h"
#include "vbString.h"

extern VBAPI const IID IID_IvbSocketPlug;
extern VBAPI const IID IID_IvbSocket;
extern VBAPI const IID IID_IvbSocketEv;

// An event a socket's wait wakes for.
class VBAPI IvbSocketEv : public IvbObject {
public:
    virtual void Set();
    virtual void Reset();
    virtual bool IsSet();

protected:
    ~IvbSocketEv() = default;
};

using vbSocketEvPtr = vbRefPtr<IvbSocketEv, &IID_IvbSocketEv>;

// One connection or listening socket of a plug-in.
class VBAPI IvbSocket : public IvbObject {
public:
    // Collects the pending network events; true when there are some.
    virtual bool GetEvents(bool reset);
    virtual bool IsConnectEv();
    virtual LONG GetConnectErr();
    virtual bool IsAcceptEv();
    virtual LONG GetAcceptErr();
    virtual bool IsCloseEv();
    virtual LONG GetCloseErr();
    virtual bool IsReadEv();
    virtual LONG GetReadErr();
    virtual bool IsWriteEv();
    virtual LONG GetWriteErr();
    // Bytes ready to read.
    virtual LONG GetReadSize();
    // Bytes read, below 1 when none.
    virtual LONG Recv(void* buffer, LONG length, int flags);
    // Bytes taken, negative when the socket would block.
    virtual LONG Send(const void* data, LONG length, int flags);
    virtual bool IsBlocking();
    // 0 or more when the socket or one of the events is signalled, negative on time-out.
    virtual int Wait(IvbSocketEv* const* events, int count, int flags, int timeOutMs, int mode);
    virtual bool SetOption(int option, LONG value);
    virtual LONG GetOption(int option);
    virtual LONG GetLastErr();
    virtual vbString GetPeerIP(vbString* port);
    virtual vbString GetSockIP(vbString* port);
    virtual void Close();
    virtual bool IsOpen();

protected:
    ~IvbSocket() = default;
};

using vbSocketPtr = vbRefPtr<IvbSocket, &IID_IvbSocket>;

// The object a socket plug-in makes for a socket.
class VBAPI IvbSocketPlug : public IvbObject {
public:
    virtual vbString GetHostName();
    virtual int GetHostNameByAddr(const vbString& addr, vbArray<vbString, 1, 1>* names, bool bThrow);
    virtual vbString GetHostNameByAddr(const vbString& addr, bool bThrow);
    virtual int GetHostAddrByName(const vbString& name, vbArray<vbString, 1, 1>* addrs, bool bThrow);
    virtual vbString GetHostAddrByName(const vbString& name, bool bThrow);
    virtual void CreateEv(vbSocketEvPtr* out, int flags);
    virtual LONG GetLastErr();
    // 1 or more when one of the events was set, less on time-out.
    virtual int Wait(IvbSocketEv* const* events, int count, int flags, int timeOutMs, int mode);
    virtual bool IsAborted();
    virtual vbString GetName();
    virtual bool CanServePort(const vbString& portName);
    // Each answers 0 or an error code; port may be rewritten (a port the system chose).
    virtual LONG Connect(IvbSocketEv* ev, const vbString& host, vbString& port, vbSocketPtr* out);
    virtual LONG Listen(IvbSocketEv* ev, vbString& port, const vbString& address, vbSocketPtr* out);
    virtual LONG Accept(IvbSocketEv* ev, IvbSocket* listening, vbSocketPtr* out, int flags);
    // Ends the blocking calls at once.
    virtual void Abort();

protected:
    ~IvbSocketPlug() = default;
};

using vbSocketPlugPtr = vbRefPtr<IvbSocketPlug, &IID_IvbSocketPlug>;
