// Mutexes, events and the waits of the library.

#include "vbSync.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "engines/vbKernelError.h"
#include "vbLog.h"
#include "vbMsg.h"
#include "vbSecurity.h"
#include "vbString.h"

#include "plat/handles.h"
#include "plat/message.h"
#include "plat/process.h"
#include "plat/sync.h"
#include "plat/time.h"

#include <string>

using vbImpl::throwLastError;

namespace {

constexpr HRESULT kTimeoutHr = static_cast<HRESULT>(0x800005B4u);
// Abandoned waits taken over in a row before a lock gives up.
constexpr int kMaxAbandons = 9;

[[noreturn]] void throwPlain(const std::string& msg) { throw new vbEsys(msg.c_str()); }

// An empty name is none.
const char* nameOrNull(const char* name) { return name && *name ? name : nullptr; }

std::string shownName(const char* name, const char* noun, const char* none)
{
    return name && *name ? std::string(name) : std::string(noun) + none;
}

SECURITY_ATTRIBUTES* recordOf(const vbSecurityAttr* attr)
{
    return attr ? const_cast<SECURITY_ATTRIBUTES*>(static_cast<const SECURITY_ATTRIBUTES*>(*attr)) : nullptr;
}

// Handles every pending message of the thread (a WM_QUIT stays for the loop that owns it).
void pumpAll()
{
    while (vbDoOneEvent()) {
    }
}

} // namespace

// --- the handle ---

namespace vbImpl {

SyncHandle::SyncHandle(const SyncHandle& other) : m_timeOut(other.m_timeOut), m_kind(other.m_kind), m_noun(other.m_noun)
{
    *this = other;
}

SyncHandle& SyncHandle::operator=(const SyncHandle& other)
{
    if (this == &other)
        return *this;
    HANDLE copy = nullptr;
    if (other.m_handle &&
        !DuplicateHandle(GetCurrentProcess(), other.m_handle, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        throwLastError((std::string(m_kind) + "::operator=() : DuplicateHandle failure").c_str());
    Close();
    m_handle = copy;
    m_timeOut = other.m_timeOut;
    return *this;
}

void SyncHandle::checkNotCreated(const char* name) const
{
    if (m_handle)
        throwPlain(std::string(m_kind) + "::Create(" + shownName(name, m_noun, " with no name") + ") : already created");
}

bool SyncHandle::adopt(HANDLE created, const char* name)
{
    if (!created)
        throwLastError((std::string(m_kind) + "::Create(" + shownName(name, m_noun, " with no name") + ") : failure").c_str());
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    m_handle = created;
    return !existed;
}

HANDLE SyncHandle::checked(const char* op) const
{
    if (!m_handle)
        throwPlain(std::string(m_kind) + "::" + op + "() : " + m_noun + " not created");
    return m_handle;
}

void SyncHandle::Close() noexcept
{
    if (HANDLE h = m_handle) {
        m_handle = nullptr;
        CloseHandle(h);
    }
}

void SyncHandle::Attach(HANDLE handle)
{
    if (m_handle)
        throwPlain(std::string(m_kind) + "::Attach() : " + m_noun + " already created");
    m_handle = handle;
}

HANDLE SyncHandle::Detach()
{
    HANDLE handle = checked("Detach");
    m_handle = nullptr;
    return handle;
}

} // namespace vbImpl

// --- vbMutex ---

vbMutex::vbMutex(bool create, const char* name) : SyncObject("vbMutex", "mutex")
{
    if (create)
        Create(nullptr, name);
}

vbMutex::vbMutex(const vbSecurityAttr& attr, bool create, const char* name) : SyncObject("vbMutex", "mutex")
{
    if (create)
        Create(&attr, name);
}

vbMutex::~vbMutex()
{
    try {
        Destroy();
    } catch (...) {
        vbImpl::reportCurrent(true, __FILE__, __LINE__);
    }
}

bool vbMutex::Create(const vbSecurityAttr* attr, const char* name)
{
    m_h.checkNotCreated(name);
    return m_h.adopt(CreateMutexA(recordOf(attr), FALSE, nameOrNull(name)), name);
}

void vbMutex::Destroy() { m_h.Close(); }

void vbMutex::Lock() const
{
    HANDLE handle = m_h.checked("Lock");
    for (int abandons = 0;;) {
        DWORD result = WaitForSingleObject(handle, m_h.m_timeOut);
        if (result == WAIT_OBJECT_0)
            return;
        if (result == WAIT_TIMEOUT)
            vbImpl::throwSys(kTimeoutHr, "vbMutex::Lock() : timeout");
        if (result != WAIT_ABANDONED)
            throwLastError("vbMutex::Lock() : wait failure");
        // The previous owner ended while holding it: take it over, unless owners keep dying.
        vbRelOutput(vbString("vbMutex::Lock() : wait abandoned, retry, try cnt=") + vbString(abandons), true);
        ++abandons;
        // Owned now, whatever happens next: give it back before giving up, or nobody gets it.
        ReleaseMutex(handle);
        if (abandons > kMaxAbandons)
            vbImpl::throwSys(E_ABORT, "vbMutex::Lock() : thread terminated");
    }
}

void vbMutex::Unlock() const { ReleaseMutex(m_h.checked("Unlock")); }

// --- vbEvent ---

vbEvent::vbEvent(bool create, const char* name, vbEventMode mode) : SyncObject("vbEvent", "event")
{
    if (create)
        Create(nullptr, name, mode);
}

vbEvent::vbEvent(const vbSecurityAttr& attr, bool create, const char* name, vbEventMode mode) : SyncObject("vbEvent", "event")
{
    if (create)
        Create(&attr, name, mode);
}

vbEvent::~vbEvent()
{
    try {
        Destroy();
    } catch (...) {
        vbImpl::reportCurrent(true, __FILE__, __LINE__);
    }
}

bool vbEvent::Create(const vbSecurityAttr* attr, const char* name, vbEventMode mode)
{
    m_h.checkNotCreated(name);
    const BOOL manual = mode == vbEventManualReset || mode == vbEventManualResetSignaled;
    const BOOL initial = mode == vbEventAutoResetSignaled || mode == vbEventManualResetSignaled;
    return m_h.adopt(CreateEventA(recordOf(attr), manual, initial, nameOrNull(name)), name);
}

void vbEvent::Destroy() { m_h.Close(); }

void vbEvent::Set()
{
    if (!SetEvent(m_h.checked("Set")))
        throwLastError("vbEvent::Set() failure");
}

void vbEvent::Unset()
{
    if (!ResetEvent(m_h.checked("Unset")))
        throwLastError("vbEvent::Unset() failure");
}

void vbEvent::Pulse()
{
    if (!PulseEvent(m_h.checked("Pulse")))
        throwLastError("vbEvent::Pulse() failure");
}

bool vbEvent::WaitExt(bool* abandoned, bool pumpMessages)
{
    HANDLE handle = m_h.checked("Wait");
    DWORD result = pumpMessages ? MsgWaitForMultipleObjects(1, &handle, FALSE, m_h.m_timeOut, QS_ALLINPUT)
                                : WaitForSingleObject(handle, m_h.m_timeOut);
    if (result == WAIT_OBJECT_0) {
        if (abandoned)
            *abandoned = false;
        return true;
    }
    if (pumpMessages && result == WAIT_OBJECT_0 + 1) {
        pumpAll();
        return false;
    }
    if (result == WAIT_TIMEOUT) {
        if (abandoned)
            *abandoned = false;
        return false;
    }
    if (result == WAIT_ABANDONED) {
        if (!abandoned)
            vbImpl::throwUser(E_ABORT, "Process/Application in destruction", "vbEvent::Wait() : wait abandoned");
        *abandoned = true;
        return false;
    }
    throwLastError("vbEvent::Wait() : wait failure");
}

// --- waits ---

int vbWait(LONG timeoutMs, HANDLE* handles, int count, bool pumpMessages)
{
    const DWORD timeout = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    const DWORD n = count > 0 ? static_cast<DWORD>(count) : 0;
    DWORD result = pumpMessages ? MsgWaitForMultipleObjects(n, handles, FALSE, timeout, QS_ALLINPUT)
                                : WaitForMultipleObjects(n, handles, FALSE, timeout);
    if (result < WAIT_OBJECT_0 + n)
        return static_cast<int>(result - WAIT_OBJECT_0) + 1;
    if (pumpMessages && result == WAIT_OBJECT_0 + n) {
        pumpAll();
        return 0;
    }
    if (result == WAIT_TIMEOUT)
        return -1;
    if (result == WAIT_ABANDONED_0)
        vbImpl::throwUser(E_ABORT, "Process/Application in destruction", "vbWait() : wait abandoned");
    vbImpl::throwSys(vbImpl::hrOfLastError(), "vbWait() : wait failure (ret=%d)", static_cast<int>(result));
}

DWORD vbWaitProcessEndExt(HANDLE process, int timeoutMs, bool pumpMessages)
{
    for (;;) {
        DWORD code = 0;
        if (!GetExitCodeProcess(process, &code))
            throwLastError("vbWaitProcessEnd() failure");
        if (code != STILL_ACTIVE)
            return code;
        if (timeoutMs != -1 && timeoutMs < 1)
            vbImpl::throwSys(kTimeoutHr, "vbWaitProcessEnd() timeout");
        const DWORD start = GetTickCount();
        vbWait(timeoutMs, &process, 1, pumpMessages);
        if (timeoutMs != -1)
            timeoutMs -= static_cast<int>(GetTickCount() - start);
    }
}

DWORD vbWaitProcessEnd(HANDLE process, int timeoutMs) { return vbWaitProcessEndExt(process, timeoutMs, false); }

void vbMsgSleep(DWORD ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD rest = INFINITE;
        if (ms != INFINITE) {
            const DWORD elapsed = GetTickCount() - start;
            if (elapsed > ms)
                return;
            rest = ms - elapsed;
        }
        DWORD result = MsgWaitForMultipleObjects(0, nullptr, FALSE, rest, QS_ALLINPUT);
        if (result == WAIT_TIMEOUT)
            return;
        if (result == WAIT_FAILED)
            throwLastError("vbMsgSleep() : wait failure");
        pumpAll();
    }
}
