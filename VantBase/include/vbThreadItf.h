#pragma once

// The interfaces between the thread centre, its pool threads and the callbacks that the threads
// run (usually through vbTThreadBase, vbThreadBase.h).

#include "vbBaseItf.h"
#include "vbString.h"

#include "plat/types.h"

struct MSG;
class vbLock;
class sIvbThreadBaseCb;

extern VBAPI const IID IID_sIvbThread;
extern VBAPI const IID IID_sIvbThreadBaseCb;
extern VBAPI const IID IID_sIvbThreadCb;
extern VBAPI const IID IID_sIvbThreadMsgCb;

// A pool thread as its users see it.
class VBAPI sIvbThread : public sIvbBase {
public:
    virtual bool Lock(vbLock* guard, bool force);
    virtual DWORD Suspend(bool throwOnError);
    virtual DWORD Resume(bool throwOnError);
    virtual bool Close(vbLock* guard, bool force);
    virtual void AskClose();
    virtual bool TryClose(vbLock* guard);
    virtual HANDLE GetHandle();
    virtual DWORD GetThreadId();
    virtual vbString GetLabel();
    virtual int GetPriority();
    virtual bool SetPriority(int priority);
    virtual void PostMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void StartCoInit();
    virtual void StopCoInit();
    virtual bool IsCoInitStarted();
    virtual sIvbThreadBaseCb* GetCallback();

protected:
    sIvbThread() = default;
    ~sIvbThread() = default;
};

class VBAPI sIvbThreadBaseCb : public sIvbBase {
public:
    virtual void onStart(sIvbThread* thread);
    // Answers the thread's final exit code.
    virtual DWORD onStop(sIvbThread* thread, DWORD exitCode);
    virtual bool onAskClose(sIvbThread* thread, vbLock* guard);

protected:
    sIvbThreadBaseCb() = default;
    ~sIvbThreadBaseCb() = default;
};

// A plain worker: runs onRun once.
class VBAPI sIvbThreadCb : public sIvbThreadBaseCb {
public:
    virtual DWORD onRun(sIvbThread* thread);
    virtual void onClose(sIvbThread* thread);

protected:
    sIvbThreadCb() = default;
    ~sIvbThreadCb() = default;
};

// A worker with a message queue: onMessage for each message; false ends the loop.
class VBAPI sIvbThreadMsgCb : public sIvbThreadBaseCb {
public:
    virtual bool onMessage(sIvbThread* thread, const MSG* msg, bool closing);

protected:
    sIvbThreadMsgCb() = default;
    ~sIvbThreadMsgCb() = default;
};
