#pragma once

// The waiting scheme of the plug-in system's timed locks, and the scoped hold of such a lock.
// A wait never blocks the thread outright: each turn leaves the guarding section, pumps the
// thread's messages, sleeps 100 ms and looks again; after 50 turns it gives up with the caller's
// time-out text.

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbObjects.h"

#include <functional>

// The time-out of a timed lock: the failure bit with the system's time-out error number.
constexpr HRESULT vbHR_HOTPLUG_TIMEOUT = static_cast<HRESULT>(0x800005B4u);

// Takes section and calls tryTake (with section held) until it answers true, which ends the
// wait with section left. checkAlive (may be empty) runs, with section left, after each pump of
// messages and after each sleep, and throws when the lock's owner is going away. After 50 turns
// throws vbEsys vbHR_HOTPLUG_TIMEOUT with timeoutText.
void vbHotPlugWait(CCriticalSection* section, const std::function<bool()>& tryTake,
    const std::function<void()>& checkAlive, const char* timeoutText);

// Holds one timed lock of an owner T (Take and Leave are its lock and unlock members). The
// release never passes an exception on: it is shown and dropped.
template <class T, void (T::*Take)() const, void (T::*Leave)() const>
class vbHotPlugHold {
public:
    vbHotPlugHold() = default;
    explicit vbHotPlugHold(const T* owner) { Lock(owner); }
    ~vbHotPlugHold() { Unlock(); }
    vbHotPlugHold(const vbHotPlugHold&) = delete;
    vbHotPlugHold& operator=(const vbHotPlugHold&) = delete;

    // Releases what is held first; a failed take leaves the hold empty.
    void Lock(const T* owner)
    {
        Unlock();
        (owner->*Take)();
        m_pOwner = owner;
    }
    void Unlock() noexcept
    {
        const T* owner = m_pOwner;
        if (!owner)
            return;
        m_pOwner = nullptr;
        try {
            (owner->*Leave)();
        } catch (CException* e) {
            vbShowException(e, true, "vbHotPlug", __LINE__);
        } catch (...) {
            vbShowException(nullptr, false, "vbHotPlug", __LINE__);
        }
    }
    bool IsLocked() const { return m_pOwner != nullptr; }

private:
    const T* m_pOwner = nullptr;
};
