// The thread centre and its pool threads.

#include "vbThread.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "engines/vbKernelError.h"
#include "threads/vbThreadNap.h"
#include "vbLog.h"
#include "vbMsg.h"
#include "vbObjects.h"

#include "plat/afxthread.h"
#include "plat/com.h"
#include "plat/message.h"
#include "plat/thread.h"
#include "plat/time.h"

#include <string>

const IID IID_vbThreadCenter = {0x8C9BB171, 0xA9EC, 0x44B0, {0x8A, 0x81, 0x29, 0xFC, 0x68, 0x1D, 0xC0, 0x80}};

namespace {

constexpr DWORD kStep = 100;
// Checks of the termination wait before it reports a holder that does not let go (about 5 s),
// and the period of the reminders after that.
constexpr int kLockChecks = 50;
constexpr DWORD kReminderMs = 5000;
// Waits of a close: forced about 5 s, unforced about 0.5 s; unforced calls after the 50th
// count as forced.
constexpr int kForcedCloseChecks = 50;
constexpr int kUnforcedCloseChecks = 5;
constexpr int kUnforcedCloseCalls = 50;
constexpr int kCreationTries = 5;
constexpr DWORD kFailedExitCode = 0xFFFFFFFF;

std::string hex(DWORD n) { return vbString(n, true).c_str(); }

// Reports an exception that must go no further.
void traceCurrent(const char* file, int line) noexcept
{
    try {
        throw;
    } catch (CException* e) {
        vbTraceException(e, true, file, line);
    } catch (...) {
        vbImpl::reportCurrent(false, file, line);
    }
}

} // namespace

// --- the pool thread ---

class vbThreadCenter::Thread : public CWinThread, public sIvbThread, public sIvbLock {
public:
    Thread(vbThreadCenter* center, const vbString& label, sIvbThreadBaseCb* cb)
        : m_pCenter(center), m_pCb(cb), m_label(label)
    {
    }
    ~Thread() override;

    bool GetInterface(const GUID& iid, const void** ppv) const override
    {
        return const_cast<Thread*>(this)->GetInterface(iid, const_cast<void**>(ppv));
    }
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_sIvbThread || iid == IID_sIvbBase) {
            *ppv = static_cast<sIvbThread*>(this);
            return true;
        }
        if (iid == IID_sIvbLock) {
            *ppv = static_cast<sIvbLock*>(this);
            return true;
        }
        return false;
    }

    BOOL InitInstance() override { return TRUE; }
    // The framework deletes the object when this returns: the body owns it from its start, and
    // Close deletes only a thread whose body never ran.
    int Run() override;

    // sIvbThread
    bool Lock(vbLock* guard, bool force) override;
    DWORD Suspend(bool throwOnError) override;
    DWORD Resume(bool throwOnError) override;
    bool Close(vbLock* guard, bool force) override;
    void AskClose() override;
    bool TryClose(vbLock* guard) override;
    HANDLE GetHandle() override { return m_hThread; }
    DWORD GetThreadId() override { return m_nThreadID; }
    vbString GetLabel() override;
    int GetPriority() override { return GetThreadPriority(); }
    bool SetPriority(int priority) override { return SetThreadPriority(priority) != FALSE; }
    void PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void StartCoInit() override { m_coInit.Start(this); }
    void StopCoInit() override { m_coInit.Stop(); }
    bool IsCoInitStarted() override { return m_coInit.IsStarted(); }
    sIvbThreadBaseCb* GetCallback() override { return m_pCb; }

    // sIvbLock: the holders' count.
    void Lock() const override;
    void Unlock() const override;

private:
    friend class vbThreadCenter;

    std::string prefix() const { return "vbThreadCenter::Thread(" + hex(m_nThreadID) + ")::"; }
    CCriticalSection* sect() const { return &m_pCenter->m_lock; }
    sIvbThreadCb* plainCb() const;
    sIvbThreadMsgCb* msgCb() const;

    DWORD messageLoop(sIvbThreadMsgCb* cb);
    void waitForLocks();
    void drain();
    // onStop once per thread; answers the final exit code (exitCode when it already ran).
    DWORD stopOnce(DWORD exitCode);
    // Under the centre lock: ResumeThread until the thread runs.
    void resumeCompletely(const char* op);
    void postQuitOrClose();

    vbThreadCenter* m_pCenter;
    int m_index = 0;
    sIvbThreadBaseCb* m_pCb;
    vbString m_label;
    bool m_bRunning = false;
    bool m_bWaitingLocks = false;
    bool m_bQueueReady = false;
    bool m_bClosing = false;
    bool m_bCloseAsked = false;
    bool m_bBodyStarted = false;
    bool m_bStopped = false;
    mutable int m_cLock = 0;
    int m_cCloseCalls = 0;
    vbThreadCoInit m_coInit;
};

// The COM state stops with its member.
vbThreadCenter::Thread::~Thread()
{
    m_pCenter->removeThread(this);
    vbImpl::stopNews();
}

sIvbThreadCb* vbThreadCenter::Thread::plainCb() const
{
    void* p = nullptr;
    return m_pCb && m_pCb->GetInterface(IID_sIvbThreadCb, &p) ? static_cast<sIvbThreadCb*>(p) : nullptr;
}

sIvbThreadMsgCb* vbThreadCenter::Thread::msgCb() const
{
    void* p = nullptr;
    return m_pCb && m_pCb->GetInterface(IID_sIvbThreadMsgCb, &p) ? static_cast<sIvbThreadMsgCb*>(p) : nullptr;
}

int vbThreadCenter::Thread::Run()
{
    DWORD exitCode = 0;
    bool failed = false;
    CException* held = nullptr;
    try {
        {
            vbSectLock lock(sect());
            m_bBodyStarted = true;
        }
        m_pCb->onStart(this);
        vbImpl::threadStateChanged();
        bool skip;
        {
            vbSectLock lock(sect());
            m_bRunning = true;
            skip = m_bCloseAsked;
        }
        if (!skip) {
            if (sIvbThreadCb* plain = plainCb())
                exitCode = plain->onRun(this);
            else if (sIvbThreadMsgCb* messages = msgCb())
                exitCode = messageLoop(messages);
            else
                vbImpl::throwSys(E_NOINTERFACE, "%sRun() : bad thread callback", prefix().c_str());
        }
    } catch (CException* e) {
        failed = true;
        held = e;
    } catch (...) {
        failed = true;
        traceCurrent(__FILE__, __LINE__);
    }
    try {
        waitForLocks();
    } catch (...) {
        traceCurrent(__FILE__, __LINE__);
    }
    try {
        drain();
    } catch (...) {
        traceCurrent(__FILE__, __LINE__);
    }
    {
        vbSectLock lock(sect());
        m_bRunning = false;
    }
    try {
        exitCode = stopOnce(failed ? kFailedExitCode : exitCode);
    } catch (...) {
        traceCurrent(__FILE__, __LINE__);
    }
    vbImpl::threadStateChanged();
    if (held)
        vbTraceException(held, true, __FILE__, __LINE__);
    try {
        m_coInit.Stop();
    } catch (...) {
        traceCurrent(__FILE__, __LINE__);
    }
    return static_cast<int>(exitCode);
}

DWORD vbThreadCenter::Thread::messageLoop(sIvbThreadMsgCb* cb)
{
    DWORD exitCode = 0;
    for (;;) {
        MSG msg;
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1)
            vbImpl::throwLastError((prefix() + "Run() : GetMessage failure").c_str());
        if (!m_bQueueReady) {
            vbSectLock lock(sect());
            m_bQueueReady = true;
        }
        exitCode = static_cast<DWORD>(msg.wParam);
        if (got == 0 || !cb->onMessage(this, &msg, false))
            return exitCode;
    }
}

void vbThreadCenter::Thread::waitForLocks()
{
    // A holder keeps pointers to this object: it is never freed under it. After about 5 s the
    // stuck holder is reported once, then reminded of every 5 s, until it lets go.
    vbSectLock lock(sect());
    m_bClosing = true;
    vbImpl::threadStateChanged();
    DWORD lastReminder = 0;
    for (int checks = 1; m_cLock > 0; ++checks) {
        m_bWaitingLocks = true;
        lock.Unlock();
        // Reported outside the centre's lock: a report takes the engines' locks, and a stopping
        // engine holds those while it asks this centre to close its threads.
        if (checks >= kLockChecks) {
            const std::string text = prefix() + "Run() : thread lock(task termination) timeout";
            if (checks == kLockChecks) {
                lastReminder = GetTickCount();
                try {
                    vbImpl::throwSys(E_FAIL, "%s", text.c_str());
                } catch (CException* e) {
                    vbTraceException(e, true, __FILE__, __LINE__);
                }
            } else if (GetTickCount() - lastReminder >= kReminderMs) {
                lastReminder = GetTickCount();
                vbRelOutput(vbString(text.c_str()), true);
            }
        }
        vbImpl::napUntil(kStep, [this] {
            vbSectLock look(sect());
            return m_cLock <= 0;
        });
        lock.Lock(sect());
    }
    m_bWaitingLocks = false;
}

void vbThreadCenter::Thread::drain()
{
    {
        vbSectLock lock(sect());
        if (!m_bQueueReady)
            return;
        m_bQueueReady = false;
    }
    sIvbThreadMsgCb* cb = msgCb();
    if (!cb)
        return;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message != WM_QUIT)
            cb->onMessage(this, &msg, true);
}

DWORD vbThreadCenter::Thread::stopOnce(DWORD exitCode)
{
    {
        vbSectLock lock(sect());
        if (m_bStopped)
            return exitCode;
        m_bStopped = true;
    }
    return m_pCb->onStop(this, exitCode);
}

bool vbThreadCenter::Thread::Lock(vbLock* guard, bool force)
{
    vbSectLock lock(sect());
    if (!force && m_bClosing)
        return false;
    guard->Lock(static_cast<const sIvbLock*>(this));
    return true;
}

void vbThreadCenter::Thread::Lock() const
{
    vbSectLock lock(sect());
    if (m_bClosing)
        vbImpl::throwSys(E_FAIL, "%sLock(label=%s) : thread in close", prefix().c_str(), m_label.c_str());
    ++m_cLock;
}

void vbThreadCenter::Thread::Unlock() const
{
    vbSectLock lock(sect());
    if (--m_cLock <= 0 && m_bWaitingLocks)
        vbImpl::threadStateChanged();
}

DWORD vbThreadCenter::Thread::Suspend(bool throwOnError)
{
    DWORD previous = SuspendThread();
    if (previous == 0xFFFFFFFF && throwOnError)
        vbImpl::throwLastError((prefix() + "Suspend() : SuspendThread error").c_str());
    return previous;
}

DWORD vbThreadCenter::Thread::Resume(bool throwOnError)
{
    DWORD previous = ResumeThread();
    if (previous == 0xFFFFFFFF) {
        DWORD err = GetLastError();
        if (err == 0)
            return 0;
        if (throwOnError)
            vbImpl::throwSys(vbImpl::hrOfError(err), "%sResume() : ResumeThread error", prefix().c_str());
    }
    return previous;
}

void vbThreadCenter::Thread::resumeCompletely(const char* op)
{
    for (;;) {
        DWORD previous = ResumeThread();
        if (previous == 0xFFFFFFFF) {
            DWORD err = GetLastError();
            if (err != 0) {
                vbString text;
                if (!text.FormatErr(err))
                    text = "Unknown error";
                vbRelOutput(vbString((prefix() + op + "(label=" + m_label.c_str() + ") : ResumeThread error (").c_str()) +
                        vbString(err, true) + ":" + text + ")",
                    true);
            }
            return;
        }
        if (previous < 2)
            return;
    }
}

void vbThreadCenter::Thread::postQuitOrClose()
{
    if (sIvbThreadCb* plain = plainCb())
        plain->onClose(this);
    else
        vbPostThreadMessage(m_hThread, m_nThreadID, WM_QUIT, 0, 0);
}

bool vbThreadCenter::Thread::Close(vbLock* guard, bool force)
{
    {
        vbSectLock lock(sect());
        if (m_bClosing)
            return true;
        if (!force && ++m_cCloseCalls > kUnforcedCloseCalls)
            force = true;
        m_bCloseAsked = true;
        resumeCompletely("Close");
    }
    DWORD code = 0;
    if (!GetExitCodeThread(m_hThread, &code)) {
        vbRelOutput(vbString((prefix() + "Close(label=" + m_label.c_str() + ") : thread doesn't exist").c_str()), true);
        code = 0;
    }
    if (code == STILL_ACTIVE) {
        postQuitOrClose();
        for (int checks = 1;; ++checks) {
            vbSectLock lock(sect());
            if (m_bClosing)
                return true;
            if (checks > kForcedCloseChecks)
                vbImpl::throwSys(E_FAIL, "%sClose(label=%s) : timeout", prefix().c_str(), m_label.c_str());
            if (!force && checks > kUnforcedCloseChecks)
                return false;
            lock.Unlock();
            vbImpl::napUntil(kStep, [this] {
                vbSectLock look(sect());
                return m_bClosing;
            });
        }
    }
    // Ended. A body that ran owns its object (and has stopped it); one that never ran leaves
    // both to this call.
    bool own;
    {
        vbSectLock lock(sect());
        m_bClosing = true;
        own = !m_bBodyStarted;
    }
    if (!own) {
        guard->Unlock();
        return true;
    }
    stopOnce(code == 0 ? kFailedExitCode : code);
    guard->Unlock();
    Delete();
    return true;
}

void vbThreadCenter::Thread::AskClose()
{
    // The caller holds no lock of the thread, and once resumed the thread may end at once: this
    // call holds it itself until the callback has been told, so the object outlives the call.
    vbLock self;
    {
        vbSectLock lock(sect());
        if (m_bCloseAsked || m_bClosing)
            return;
        m_bCloseAsked = true;
        self.Lock(static_cast<const sIvbLock*>(this));
        resumeCompletely("AskClose");
    }
    postQuitOrClose();
}

bool vbThreadCenter::Thread::TryClose(vbLock* guard)
{
    {
        vbSectLock lock(sect());
        if (!m_bRunning)
            return false;
    }
    return m_pCb->onAskClose(this, guard);
}

vbString vbThreadCenter::Thread::GetLabel()
{
    vbSectLock lock(sect());
    return m_label;
}

void vbThreadCenter::Thread::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    vbPostThreadMessage(m_nThreadID, msg, wParam, lParam);
}

// --- the centre ---

vbThreadCenter g_vbThreadCenter("KVX Vantrel Thread Center", vbEngineDeps());

vbThreadCenter::vbThreadCenter(const char* label, const vbEngineDeps& deps)
    : vbEngine(vbEngineStartOnDemand, label, deps)
{
}

vbThreadCenter::~vbThreadCenter()
{
    // The engine centre stopped it at the process's end, while the libraries were loaded;
    // threads still listed now are left alone, and only an idle centre is stopped here.
    try {
        bool idle;
        {
            vbSectLock lock(&m_lock);
            idle = m_cThread < 1;
        }
        if (idle)
            Destroy();
    } catch (...) {
        traceCurrent(__FILE__, __LINE__);
    }
}

bool vbThreadCenter::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbThreadCenter) {
        *ppv = this;
        return true;
    }
    return vbEngine::GetInterface(iid, ppv);
}

sIvbThread* vbThreadCenter::NewThread(const vbString& label, sIvbThreadBaseCb* cb, bool closeOthers)
{
    return createThread(label, cb, closeOthers, false);
}

sIvbThread* vbThreadCenter::NewSuspendedThread(const vbString& label, sIvbThreadBaseCb* cb, bool closeOthers)
{
    return createThread(label, cb, closeOthers, true);
}

sIvbThread* vbThreadCenter::createThread(const vbString& label, sIvbThreadBaseCb* cb, bool closeOthers, bool suspended)
{
    vbLock use(this);
    for (int tries = 1;; ++tries) {
        if (tries > kCreationTries)
            vbImpl::throwSys(E_FAIL, "vbThreadCenter::createThread(%s) failure, too many creation try (thread cnt=%d)",
                label.c_str(), GetThreadCount());
        Thread* thread = nullptr;
        try {
            thread = new Thread(this, label, cb);
            addThread(thread);
            if (!thread->CreateThread(suspended ? CREATE_SUSPENDED : 0, 0, nullptr)) {
                const HRESULT hr = vbImpl::hrOfLastError();
                vbImpl::throwSys(hr, "vbThreadCenter::createThread(%s) failure (thread cnt=%d)", label.c_str(),
                    GetThreadCount());
            }
            // From here the thread owns itself.
            return thread;
        } catch (CException* e) {
            delete thread;
            if (!closeOthers || !tryCloseOthers())
                throw;
            e->Delete();
        }
    }
}

sIvbThread* vbThreadCenter::threadAt(int index) const
{
    vbSectLock lock(&m_lock);
    return index >= 1 && index <= m_table.GetLength() ? m_table[index] : nullptr;
}

void vbThreadCenter::addThread(Thread* thread)
{
    vbSectLock lock(&m_lock);
    int index = 0;
    for (int i = 1; i <= m_table.GetLength(); ++i)
        if (!m_table[i]) {
            index = i;
            break;
        }
    if (!index)
        index = m_table.Add(nullptr);
    m_table[index] = thread;
    thread->m_index = index;
    if (++m_cThread > m_cPeak)
        m_cPeak = m_cThread;
}

void vbThreadCenter::removeThread(Thread* thread) noexcept
{
    try {
        vbSectLock lock(&m_lock);
        const int index = thread->m_index;
        thread->m_index = 0;
        // A forced stop of the centre may have emptied the table already.
        if (index < 1 || index > m_table.GetLength() || m_table[index] != thread)
            return;
        m_table[index] = nullptr;
        --m_cThread;
        ++m_cClosed;
        ++m_cDone;
    } catch (...) {
        traceCurrent(__FILE__, __LINE__);
    }
}

bool vbThreadCenter::tryCloseOthers()
{
    vbSectLock lock(&m_lock);
    const int remembered = m_cThread;
    for (int i = 1; i <= m_table.GetLength(); ++i) {
        Thread* thread = m_table[i];
        if (!thread || !thread->m_bRunning || thread->m_bClosing || thread->m_bCloseAsked)
            continue;
        vbLock guard(static_cast<const sIvbLock*>(thread));
        lock.Unlock();
        const bool closed = thread->TryClose(&guard);
        guard.Unlock();
        if (closed) {
            for (int wait = 0; wait < 3; ++wait) {
                lock.Lock(&m_lock);
                if (m_cThread < remembered)
                    return true;
                lock.Unlock();
                vbImpl::napUntil(kStep, [&] {
                    vbSectLock look(&m_lock);
                    return m_cThread < remembered;
                });
            }
        }
        lock.Lock(&m_lock);
        if (m_cThread < remembered)
            return true;
    }
    return m_cThread < remembered;
}

bool vbThreadCenter::askCloseAll()
{
    vbSectLock lock(&m_lock);
    for (int i = 1; i <= m_table.GetLength(); ++i) {
        Thread* thread = m_table[i];
        if (!thread || thread->m_bClosing)
            continue;
        vbLock guard(static_cast<const sIvbLock*>(thread));
        lock.Unlock();
        thread->Close(&guard, false);
        guard.Unlock();
        lock.Lock(&m_lock);
    }
    return m_cThread < 1;
}

bool vbThreadCenter::onStop(bool bForce)
{
    if (!askCloseAll())
        return false;
    vbSectLock lock(&m_lock);
    if (!bForce && m_cThread > 0)
        return false;
    m_table.Empty();
    m_cThread = 0;
    return true;
}

int vbThreadCenter::GetThreadCount() const
{
    vbSectLock lock(&m_lock);
    return m_cThread;
}

int vbThreadCenter::GetThreadPeakCount() const
{
    vbSectLock lock(&m_lock);
    return m_cPeak;
}

unsigned vbThreadCenter::GetThreadDoneCount() const
{
    vbSectLock lock(&m_lock);
    return m_cDone;
}

unsigned vbThreadCenter::GetThreadClosedCount() const
{
    vbSectLock lock(&m_lock);
    return m_cClosed;
}

void vbThreadCenter::ResetPerfStats()
{
    vbSectLock lock(&m_lock);
    m_cPeak = 0;
    m_cDone = 0;
}

void vbThreadCenter::SetCoInit(sIvbThreadCoInit* hook)
{
    vbSectLock lock(&m_lock);
    m_pCoInit = hook;
}

sIvbThreadCoInit* vbThreadCenter::GetCoInit() const
{
    vbSectLock lock(&m_lock);
    return m_pCoInit;
}

void vbThreadCenter::StartCoInit(sIvbThread* thread, void** cookie)
{
    {
        vbLock guard(&m_sectLock);
        if (m_pCoInit && m_pCoInit->onCoInit(&guard, thread, cookie))
            return;
    }
    HRESULT hr = CoInitialize(nullptr);
    if (FAILED(hr))
        vbImpl::throwSys(hr, "Instruction '::CoInitialize(NULL)' failed !");
}

void vbThreadCenter::StopCoInit(sIvbThread* thread, void* cookie)
{
    {
        vbLock guard(&m_sectLock);
        if (m_pCoInit && m_pCoInit->onCoUninit(&guard, thread, cookie))
            return;
    }
    CoUninitialize();
}

// --- COM state of a thread ---

bool sIvbThreadCoInit::onCoInit(vbLock*, sIvbThread*, void**) { vbPurecall(); }
bool sIvbThreadCoInit::onCoUninit(vbLock*, sIvbThread*, void*) { vbPurecall(); }

vbThreadCoInit::~vbThreadCoInit()
{
    try {
        Stop();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    } catch (...) {
        vbImpl::reportCurrent(true, __FILE__, __LINE__);
    }
}

void vbThreadCoInit::Start(sIvbThread* thread)
{
    if (m_bStarted)
        return;
    g_vbThreadCenter.StartCoInit(thread, &m_cookie);
    m_pThread = thread;
    m_bStarted = true;
}

void vbThreadCoInit::Stop()
{
    if (!m_bStarted)
        return;
    m_bStarted = false;
    sIvbThread* thread = m_pThread;
    void* cookie = m_cookie;
    m_cookie = nullptr;
    m_pThread = nullptr;
    g_vbThreadCenter.StopCoInit(thread, cookie);
}

// --- the ready-made thread bases ---

vbThread::vbThread(const vbString& label) : vbTThreadBase(&m_sect, label) { }

vbThread::~vbThread() = default;

bool vbThread::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_sIvbThreadCb) {
        *ppv = static_cast<sIvbThreadCb*>(this);
        return true;
    }
    return vbTThreadBase::GetInterface(iid, ppv);
}

vbThreadMsg::vbThreadMsg(const vbString& label) : vbTThreadBase(&m_sect, label) { }

vbThreadMsg::~vbThreadMsg() = default;

bool vbThreadMsg::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_sIvbThreadMsgCb) {
        *ppv = static_cast<sIvbThreadMsgCb*>(this);
        return true;
    }
    return vbTThreadBase::GetInterface(iid, ppv);
}

void vbThreadMsg::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    vbLock lock;
    GetThread(&lock, true)->PostMessage(msg, wParam, lParam);
}
