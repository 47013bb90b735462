#pragma once

// Kernel synchronisation that checks every result: a mutex that is a lock of the object model, an
// event with four creation modes and a wait that can keep the thread's messages flowing, a wait
// for any of several handles, a wait for the end of a process, and a sleep that pumps messages.
// Objects may be named (shared with other processes) or not; an empty name is none. Failures
// throw the library's exceptions; destructors show them instead. A copy holds a duplicate of
// the handle, so each object closes only its own.

#include "vbBaseItf.h"
#include "vbExport.h"

#include "plat/types.h"

#include <cstdint>

class vbSecurityAttr;

class VBAPI vbMutex : public sIvbLock {
public:
    vbMutex(bool create = true, const char* name = nullptr);
    vbMutex(const vbSecurityAttr& attr, bool create, const char* name);
    vbMutex(const vbMutex& other);
    vbMutex& operator=(const vbMutex& other);
    virtual ~vbMutex();

    // False when a mutex of that name existed already (both then name one object).
    bool Create(const vbSecurityAttr* attr, const char* name);
    void Destroy();

    // Recursive for the owner: each Lock needs one Unlock. Throws 0x800005B4 after the time-out;
    // an abandoned mutex is taken over up to nine times in a row.
    void Lock() const override;
    void Unlock() const override;

    HANDLE GetHandle() const;
    void Attach(HANDLE handle);
    HANDLE Detach();
    bool IsValid() const { return m_handle != nullptr; }
    bool IsEmpty() const { return m_handle == nullptr; }
    void SetTimeOut(DWORD ms) { m_timeOut = ms; }
    DWORD GetTimeOut() const { return m_timeOut; }

private:
    HANDLE m_handle = nullptr;
    DWORD m_timeOut = 30000;
};

// How an event is made: reset kind and first state.
enum vbEventMode : int32_t {
    vbEventAutoReset = 0,
    vbEventAutoResetSignaled = 1,
    vbEventManualReset = 2,
    vbEventManualResetSignaled = 3,
};

class VBAPI vbEvent {
public:
    vbEvent(bool create = true, const char* name = nullptr, vbEventMode mode = vbEventAutoReset);
    vbEvent(const vbSecurityAttr& attr, bool create, const char* name, vbEventMode mode);
    vbEvent(const vbEvent& other);
    vbEvent& operator=(const vbEvent& other);
    virtual ~vbEvent();

    bool Create(const vbSecurityAttr* attr, const char* name, vbEventMode mode);
    void Destroy();

    void Set();
    void Unset();
    void Pulse();

    // True when the event was signalled; false after the time-out, after an abandonment (when
    // abandoned is given) or, with pumping, after the thread's pending messages were handled.
    bool Wait(bool* abandoned) { return WaitExt(abandoned, false); }
    bool WaitExt(bool* abandoned, bool pumpMessages);

    HANDLE GetHandle() const;
    void Attach(HANDLE handle);
    HANDLE Detach();
    bool IsValid() const { return m_handle != nullptr; }
    bool IsEmpty() const { return m_handle == nullptr; }
    void SetTimeOut(DWORD ms) { m_timeOut = ms; }
    DWORD GetTimeOut() const { return m_timeOut; }

private:
    HANDLE m_handle = nullptr;
    DWORD m_timeOut = 30000;
};

// Waits for any of the handles (a negative time-out waits for ever): i + 1 for handle i, -1 on
// time-out, 0 after the thread's pending messages were handled (pumping only).
VBAPI int vbWait(LONG timeoutMs, HANDLE* handles, int count, bool pumpMessages);
// The exit code of the process once it has ended; -1 waits for ever, and an ended process
// answers at once whatever the time-out.
VBAPI DWORD vbWaitProcessEndExt(HANDLE process, int timeoutMs, bool pumpMessages);
VBAPI DWORD vbWaitProcessEnd(HANDLE process, int timeoutMs);
// Sleeps ms milliseconds (INFINITE: for ever) while handling the thread's messages.
VBAPI void vbMsgSleep(DWORD ms);
