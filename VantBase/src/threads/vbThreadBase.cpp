#include "vbThreadBase.h"
#include "vbLog.h"
#include "vbThread.h"
#include "threads/vbThreadNap.h"

#include "plat/errors.h"
#include "plat/thread.h"


const IID IID_sIvbThread = {0x4721E866, 0x2F5E, 0x487F, {0xAA, 0x2B, 0x3E, 0xF5, 0x4D, 0x9D, 0x6C, 0x18}};
const IID IID_sIvbThreadBaseCb = {0xF8595FAE, 0xC7B8, 0x41D4, {0xAC, 0x9F, 0x73, 0xC1, 0x4A, 0x77, 0x08, 0x9D}};
const IID IID_sIvbThreadCb = {0xB835C1E5, 0x22DD, 0x4442, {0x93, 0x1C, 0x59, 0xAF, 0xE7, 0xA8, 0x88, 0x90}};
const IID IID_sIvbThreadMsgCb = {0x7C37A9B4, 0xC275, 0x4693, {0x91, 0x40, 0xC8, 0x5C, 0xE0, 0xA4, 0x1B, 0x64}};

// --- interface default bodies ---

bool sIvbThread::Lock(vbLock*, bool) { vbPurecall(); }
DWORD sIvbThread::Suspend(bool) { vbPurecall(); }
DWORD sIvbThread::Resume(bool) { vbPurecall(); }
bool sIvbThread::Close(vbLock*, bool) { vbPurecall(); }
void sIvbThread::AskClose() { vbPurecall(); }
bool sIvbThread::TryClose(vbLock*) { vbPurecall(); }
HANDLE sIvbThread::GetHandle() { vbPurecall(); }
DWORD sIvbThread::GetThreadId() { vbPurecall(); }
vbString sIvbThread::GetLabel() { vbPurecall(); }
int sIvbThread::GetPriority() { vbPurecall(); }
bool sIvbThread::SetPriority(int) { vbPurecall(); }
void sIvbThread::PostMessage(UINT, WPARAM, LPARAM) { vbPurecall(); }
void sIvbThread::StartCoInit() { vbPurecall(); }
void sIvbThread::StopCoInit() { vbPurecall(); }
bool sIvbThread::IsCoInitStarted() { vbPurecall(); }
sIvbThreadBaseCb* sIvbThread::GetCallback() { vbPurecall(); }

void sIvbThreadBaseCb::onStart(sIvbThread*) { vbPurecall(); }
DWORD sIvbThreadBaseCb::onStop(sIvbThread*, DWORD) { vbPurecall(); }
bool sIvbThreadBaseCb::onAskClose(sIvbThread*, vbLock*) { vbPurecall(); }
DWORD sIvbThreadCb::onRun(sIvbThread*) { vbPurecall(); }
void sIvbThreadCb::onClose(sIvbThread*) { vbPurecall(); }
bool sIvbThreadMsgCb::onMessage(sIvbThread*, const MSG*, bool) { vbPurecall(); }

namespace {
// The passes of Destroy and GetThread, 100 ms apart: about two seconds.
constexpr int kWaitPasses = 20;
constexpr DWORD kWaitStep = 100;

vbString hexPtr(const void* p)
{
    return vbString(static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)), true);
}
} // namespace

// --- the state machine ---

vbThreadBaseState::vbThreadBaseState(CCriticalSection* ownerSection, const vbString& name)
    : m_pSect(ownerSection), m_name(name)
{
}

void vbThreadBaseState::Create(sIvbThreadBaseCb* face, bool closeOthers)
{
    vbSectLock lock(m_pSect);
    if (m_pThread || m_bCreating) {
        if (!m_bCloseAsked)
            return;
        lock.Unlock();
        Destroy();
        lock.Lock(m_pSect);
        if (m_pThread || m_bCreating)
            vbImpl::throwSys(E_FAIL, "vbTThreadBase::Create() failure, can't stop previous thread");
    }
    m_bCloseAsked = false;
    m_bBusy = true;
    m_bCreating = true;
    try {
        g_vbThreadCenter.createThread(m_name, face, closeOthers, false);
    } catch (...) {
        // No thread will come: GetThread must not wait for one.
        m_bCreating = false;
        throw;
    }
}

void vbThreadBaseState::onStart(sIvbThread* thread)
{
    vbSectLock lock(m_pSect);
    m_pThread = thread;
    m_bCreating = false;
}

DWORD vbThreadBaseState::onStop(sIvbThread* thread, DWORD exitCode)
{
    vbSectLock lock(m_pSect);
    if (thread == m_pThread) {
        m_pThread = nullptr;
        m_bCreating = false;
    } else {
        vbRelOutput(vbString("vbSocket::Thread::onStop(") + vbString(exitCode) +
                ") : thread cb attached to another thread (stopped=" + hexPtr(thread) + ", actual=" +
                hexPtr(m_pThread) + ")",
            true);
    }
    return exitCode;
}

bool vbThreadBaseState::onAskClose(sIvbThread* thread, vbLock* guard)
{
    vbSectLock lock(m_pSect);
    if (m_bBusy)
        return false;
    m_bCloseAsked = true;
    lock.Unlock();
    thread->Close(guard, true);
    return true;
}

bool vbThreadBaseState::AskClose(bool* pbFailed)
{
    *pbFailed = false;
    vbSectLock lock(m_pSect);
    if (!m_pThread)
        return !m_bCreating;
    vbLock threadLock;
    sIvbThread* thread = m_pThread;
    if (!thread->Lock(&threadLock, false)) {
        *pbFailed = true;
        return false;
    }
    m_bCloseAsked = true;
    lock.Unlock();
    thread->Close(&threadLock, false);
    threadLock.Unlock();
    lock.Lock(m_pSect);
    return m_pThread == nullptr;
}

void vbThreadBaseState::Destroy()
{
    bool closed = false;
    for (int pass = 0; pass < kWaitPasses; ++pass) {
        vbSectLock lock(m_pSect);
        if (!m_pThread && !m_bCreating)
            return;
        if (m_pThread && !closed) {
            closed = true;
            m_bCloseAsked = true;
            sIvbThread* thread = m_pThread;
            vbLock threadLock;
            bool locked = thread->Lock(&threadLock, false);
            lock.Unlock();
            if (locked)
                thread->Close(&threadLock, true);
            threadLock.Unlock();
            lock.Lock(m_pSect);
            if (!m_pThread && !m_bCreating)
                return;
        }
        lock.Unlock();
        vbImpl::napUntil(kWaitStep, [this] {
            vbSectLock look(m_pSect);
            return !m_pThread && !m_bCreating;
        });
    }
    vbImpl::throwSys(E_FAIL, "vbTThreadBase(%s)::Destroy() : timeout", m_name.c_str());
}

sIvbThread* vbThreadBaseState::GetThread(vbLock* pLock, bool bThrow)
{
    vbSectLock lock(m_pSect);
    if (m_bCloseAsked) {
        if (bThrow)
            vbImpl::throwSys(E_FAIL, "vbTThreadBase(%s)::GetThread() : close asked", m_name.c_str());
        return nullptr;
    }
    if (!m_pThread && !m_bCreating) {
        if (bThrow)
            vbImpl::throwSys(E_FAIL, "vbTThreadBase(%s)::GetThread() : not created", m_name.c_str());
        return nullptr;
    }
    for (int pass = 0; !m_pThread; ++pass) {
        if (pass == kWaitPasses)
            vbImpl::throwSys(E_FAIL, "vbTThreadBase(%s)::GetThread() : timeout (maybe thread suspended)",
                m_name.c_str());
        lock.Unlock();
        vbImpl::napUntil(kWaitStep, [this] {
            vbSectLock look(m_pSect);
            return m_pThread != nullptr;
        });
        lock.Lock(m_pSect);
    }
    sIvbThread* thread = m_pThread;
    return thread->Lock(pLock, bThrow) ? thread : nullptr;
}

bool vbThreadBaseState::setBusy(bool bThrow)
{
    vbSectLock lock(m_pSect);
    if (m_bCloseAsked) {
        if (bThrow)
            vbImpl::throwSys(E_FAIL, "vbTThreadBase(%s)::setBusy() : close asked", m_name.c_str());
        return false;
    }
    m_bBusy = true;
    return true;
}

bool vbThreadBaseState::resetBusy()
{
    vbSectLock lock(m_pSect);
    m_bBusy = false;
    return true;
}

bool vbThreadBaseState::IsCloseAsked()
{
    vbSectLock lock(m_pSect);
    return m_bCloseAsked;
}
