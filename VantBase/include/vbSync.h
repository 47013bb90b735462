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

namespace vbImpl {
// The handle of a mutex or an event, and its time-out. kind and noun name the owner in messages
// ("vbMutex", "mutex"); both are string constants.
class VBAPI SyncHandle {
public:
    SyncHandle(const char* kind, const char* noun) : m_kind(kind), m_noun(noun) { }
    // A copy holds a duplicate of the handle.
    SyncHandle(const SyncHandle& other);
    SyncHandle& operator=(const SyncHandle& other);
    ~SyncHandle() { Close(); }

    // Throws "<kind>::Create(<name>) : already created" when a handle is held.
    void checkNotCreated(const char* name) const;
    // Takes what the creation call answered (null: throws with the last error); false when a
    // named object existed already.
    bool adopt(HANDLE created, const char* name);
    // Throws "<kind>::<op>() : <noun> not created" when no handle is held.
    HANDLE checked(const char* op) const;
    void Close() noexcept;

    HANDLE GetHandle() const { return checked("GetHandle"); }
    void Attach(HANDLE handle);
    HANDLE Detach();
    HANDLE get() const { return m_handle; }

    DWORD m_timeOut = 30000;

private:
    const char* m_kind;
    const char* m_noun;
    HANDLE m_handle = nullptr;
};

// What a mutex and an event show of their handle.
class VBAPI SyncObject {
public:
    HANDLE GetHandle() const { return m_h.GetHandle(); }
    void Attach(HANDLE handle) { m_h.Attach(handle); }
    HANDLE Detach() { return m_h.Detach(); }
    bool IsValid() const { return m_h.get() != nullptr; }
    bool IsEmpty() const { return m_h.get() == nullptr; }
    void SetTimeOut(DWORD ms) { m_h.m_timeOut = ms; }
    DWORD GetTimeOut() const { return m_h.m_timeOut; }

protected:
    SyncObject(const char* kind, const char* noun) : m_h(kind, noun) { }
    ~SyncObject() = default;

    SyncHandle m_h;
};
} // namespace vbImpl

class VBAPI vbMutex : public sIvbLock, public vbImpl::SyncObject {
public:
    vbMutex(bool create = true, const char* name = nullptr);
    vbMutex(const vbSecurityAttr& attr, bool create, const char* name);
    vbMutex(const vbMutex& other) = default;
    vbMutex& operator=(const vbMutex& other) = default;
    virtual ~vbMutex();

    // False when a mutex of that name existed already (both then name one object).
    bool Create(const vbSecurityAttr* attr, const char* name);
    void Destroy();

    // Recursive for the owner: each Lock needs one Unlock. Throws 0x800005B4 after the time-out;
    // an abandoned mutex is taken over up to nine times in a row.
    void Lock() const override;
    void Unlock() const override;
};

// How an event is made: reset kind and first state.
enum vbEventMode : int32_t {
    vbEventAutoReset = 0,
    vbEventAutoResetSignaled = 1,
    vbEventManualReset = 2,
    vbEventManualResetSignaled = 3,
};

class VBAPI vbEvent : public vbImpl::SyncObject {
public:
    vbEvent(bool create = true, const char* name = nullptr, vbEventMode mode = vbEventAutoReset);
    vbEvent(const vbSecurityAttr& attr, bool create, const char* name, vbEventMode mode);
    vbEvent(const vbEvent& other) = default;
    vbEvent& operator=(const vbEvent& other) = default;
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
