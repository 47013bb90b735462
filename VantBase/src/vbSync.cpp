// Mutexes, events and the waits of the library.

#include "vbSync.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbKernelError.h"
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

// The handle's own duplicate, so that a copy closes only what it holds.
HANDLE duplicate(HANDLE handle, const char* failMsg)
{
    if (!handle)
        return nullptr;
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        throwLastError(failMsg);
    return copy;
}

// An empty name is none.
const char* nameOrNull(const char* name) { return name && *name ? name : nullptr; }

std::string shownName(const char* name, const char* none) { return name && *name ? name : none; }

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

void closeOwned(HANDLE& handle)
{
    if (HANDLE h = handle) {
        handle = nullptr;
        CloseHandle(h);
    }
}

} // namespace

// --- vbMutex ---

vbMutex::vbMutex(bool create, const char* name)
{
    if (create)
        Create(nullptr, name);
}

vbMutex::vbMutex(const vbSecurityAttr& attr, bool create, const char* name)
{
    if (create)
        Create(&attr, name);
}

vbMutex::vbMutex(const vbMutex& other)
    : m_handle(duplicate(other.m_handle, "vbMutex::vbMutex(const vbMutex&) : DuplicateHandle failure")),
      m_timeOut(other.m_timeOut)
{
}

vbMutex& vbMutex::operator=(const vbMutex& other)
{
    if (this != &other) {
        HANDLE copy = duplicate(other.m_handle, "vbMutex::operator=() : DuplicateHandle failure");
        closeOwned(m_handle);
        m_handle = copy;
        m_timeOut = other.m_timeOut;
    }
    return *this;
}

vbMutex::~vbMutex()
{
    try {
        Destroy();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    } catch (...) {
        vbImpl::reportCurrent(true, __FILE__, __LINE__);
    }
}

bool vbMutex::Create(const vbSecurityAttr* attr, const char* name)
{
    const std::string shown = shownName(name, "mutex with no name");
    if (m_handle)
        throwPlain("vbMutex::Create(" + shown + ") : already created");
    HANDLE handle = CreateMutexA(recordOf(attr), FALSE, nameOrNull(name));
    if (!handle)
        throwLastError(("vbMutex::Create(" + shown + ") : failure").c_str());
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    m_handle = handle;
    return !existed;
}

void vbMutex::Destroy() { closeOwned(m_handle); }

void vbMutex::Lock() const
{
    if (!m_handle)
        throwPlain("vbMutex::Lock() : mutex not created");
    for (int abandons = 0;;) {
        DWORD result = WaitForSingleObject(m_handle, m_timeOut);
        if (result == WAIT_OBJECT_0)
            return;
        if (result == WAIT_TIMEOUT)
            vbImpl::throwSys(kTimeoutHr, "vbMutex::Lock() : timeout");
        if (result != WAIT_ABANDONED)
            throwLastError("vbMutex::Lock() : wait failure");
        // The previous owner ended while holding it: take it over (its data may be half done,
        // which the caller cannot know), unless owners keep dying.
        vbRelOutput(vbString("vbMutex::Lock() : wait abandoned, retry, try cnt=") + vbString(abandons), true);
        ++abandons;
        // Owned now, whatever happens next: give it back before giving up, or nobody gets it.
        ReleaseMutex(m_handle);
        if (abandons > kMaxAbandons)
            vbImpl::throwSys(E_ABORT, "vbMutex::Lock() : thread terminated");
    }
}

void vbMutex::Unlock() const
{
    if (!m_handle)
        throwPlain("vbMutex::Unlock() : mutex not created");
    ReleaseMutex(m_handle);
}

HANDLE vbMutex::GetHandle() const
{
    if (!m_handle)
        throwPlain("vbMutex::GetHandle() : mutex not created");
    return m_handle;
}

void vbMutex::Attach(HANDLE handle)
{
    if (m_handle)
        throwPlain("vbMutex::Attach() : mutex already created");
    m_handle = handle;
}

HANDLE vbMutex::Detach()
{
    if (!m_handle)
        throwPlain("vbMutex::Detach() : mutex not created");
    HANDLE handle = m_handle;
    m_handle = nullptr;
    return handle;
}

// --- vbEvent ---

vbEvent::vbEvent(bool create, const char* name, vbEventMode mode)
{
    if (create)
        Create(nullptr, name, mode);
}

vbEvent::vbEvent(const vbSecurityAttr& attr, bool create, const char* name, vbEventMode mode)
{
    if (create)
        Create(&attr, name, mode);
}

vbEvent::vbEvent(const vbEvent& other)
    : m_handle(duplicate(other.m_handle, "vbEvent::vbEvent(const vbEvent&) : DuplicateHandle failure")),
      m_timeOut(other.m_timeOut)
{
}

vbEvent& vbEvent::operator=(const vbEvent& other)
{
    if (this != &other) {
        HANDLE copy = duplicate(other.m_handle, "vbEvent::operator=() : DuplicateHandle failure");
        closeOwned(m_handle);
        m_handle = copy;
        m_timeOut = other.m_timeOut;
    }
    return *this;
}

vbEvent::~vbEvent()
{
    try {
        Destroy();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    } catch (...) {
        vbImpl::reportCurrent(true, __FILE__, __LINE__);
    }
}

bool vbEvent::Create(const vbSecurityAttr* attr, const char* name, vbEventMode mode)
{
    const std::string shown = shownName(name, "event with no name");
    if (m_handle)
        throwPlain("vbEvent::Create(" + shown + ") : already created");
    const BOOL manual = mode == vbEventManualReset || mode == vbEventManualResetSignaled;
    const BOOL initial = mode == vbEventAutoResetSignaled || mode == vbEventManualResetSignaled;
    HANDLE handle = CreateEventA(recordOf(attr), manual, initial, nameOrNull(name));
    if (!handle)
        throwLastError(("vbEvent::Create(" + shown + ") : failure").c_str());
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    m_handle = handle;
    return !existed;
}

void vbEvent::Destroy() { closeOwned(m_handle); }

void vbEvent::Set()
{
    if (!m_handle)
        throwPlain("vbEvent::Set() : event not created");
    if (!SetEvent(m_handle))
        throwLastError("vbEvent::Set() failure");
}

void vbEvent::Unset()
{
    if (!m_handle)
        throwPlain("vbEvent::Unset() : event not created");
    if (!ResetEvent(m_handle))
        throwLastError("vbEvent::Unset() failure");
}

void vbEvent::Pulse()
{
    if (!m_handle)
        throwPlain("vbEvent::Pulse() : event not created");
    if (!PulseEvent(m_handle))
        throwLastError("vbEvent::Pulse() failure");
}

bool vbEvent::WaitExt(bool* abandoned, bool pumpMessages)
{
    if (!m_handle)
        throwPlain("vbEvent::Wait() : event not created");
    DWORD result = pumpMessages ? MsgWaitForMultipleObjects(1, &m_handle, FALSE, m_timeOut, QS_ALLINPUT)
                                : WaitForSingleObject(m_handle, m_timeOut);
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

HANDLE vbEvent::GetHandle() const
{
    if (!m_handle)
        throwPlain("vbEvent::GetHandle() : event not created");
    return m_handle;
}

void vbEvent::Attach(HANDLE handle)
{
    if (m_handle)
        throwPlain("vbEvent::Attach() : event already created");
    m_handle = handle;
}

HANDLE vbEvent::Detach()
{
    if (!m_handle)
        throwPlain("vbEvent::Detach() : event not created");
    HANDLE handle = m_handle;
    m_handle = nullptr;
    return handle;
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
