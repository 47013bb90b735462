#include "vbEngine.h"

#include "engines/vbEngineWait.h"
#include "threads/vbThreadNap.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbLog.h"
#include "vbMsg.h"
#include "vbObjects.h"

#include "plat/thread.h"

#include <chrono>
#include <thread>

const IID IID_vbEngine = {0x5B6F3237, 0x5A39, 0x46E5, {0xA8, 0xA7, 0xA8, 0x8C, 0xA0, 0xF9, 0xFE, 0x0F}};

namespace {

// Refusals of one engine before the stop is forced, and again before it times out.
constexpr int kMaxRefusals = 50;

void traceCurrent() noexcept { vbImpl::traceEngineFailure(); }

} // namespace

void vbImpl::traceEngineFailure() noexcept
{
    try {
        throw;
    } catch (CException* e) {
        vbTraceException(e, true, "vbEngine", 0);
    } catch (...) {
        vbTraceException(nullptr, false, "vbEngine", 0);
    }
}

void vbImpl::engineSleep(uint64_t newsBefore)
{
    napUntil(100, [newsBefore] { return stopNewsCount() != newsBefore; });
}

bool vbImpl::engineWaitPump(uint64_t newsBefore)
{
    if (!vbDoOneEvent(nullptr)) {
        engineSleep(newsBefore);
        return false;
    }
    while (vbDoOneEvent(nullptr)) {
    }
    return true;
}

// --- start/stop stack ---

void vbEngineStartStopStack::SetLevel(vbEngine* engine, int level)
{
    const int known = m_engines.GetLength() < level ? m_engines.GetLength() : level;
    for (int i = 1; i <= known; ++i)
        if (m_engines[i] == engine)
            throw new vbEsys(true, "vbEngineStartStopStack::SetLevel(%s,level=%d) : recursive start/stop call in infinite loop !!",
                engine->GetLabelPtr(), level);
    if (m_engines.GetLength() < level + 1)
        m_engines.SetLength(level + 1);
    m_engines[level + 1] = engine;
}

void vbEngineStartStopStack::DumpStack(int level) const
{
    const char* lead = "  >> vbEngineStartStopStack::DumpStack(int level = ";
    if (level < 0) {
        vbRelOutput(vbStringFormat("%s%d) : %s", lead, level,
                        m_bStart ? "Start stack : ROOT, stack empty" : "Stop stack : ROOT, stack empty"),
            true);
        return;
    }
    const int count = m_engines.GetLength();
    if (level >= count)
        level = count - 1;
    const int blanks = 2 * level + 1;
    vbString indent(' ', blanks < 1 ? 0 : blanks);
    vbRelOutput(indent + vbStringFormat("%s%d) : %s", lead, level, m_bStart ? "Start stack : <<" : "Stop stack : <<"),
        true);
    for (int i = 0; i <= level; ++i) {
        const vbEngine* e = m_engines[i + 1];
        vbRelOutput(indent + vbStringFormat("      - vbEngineStartStopStack, level = %d : %s", i,
                                 e ? e->GetLabelPtr() : "(null)"),
            true);
    }
}

// --- engine ---

vbEngine::vbEngine(vbEngineCenter* pCenter, vbEngineStartMode mode, const char* label, const vbEngineDeps& deps)
    : m_pCenter(pCenter ? pCenter : &g_vbEngineCenter)
{
    m_pCenter->CheckReady();
    vbSectLock lock(&m_pCenter->m_lock);
    m_cLock = 0;
    m_bStarted = false;
    m_bStopped = true;
    m_bLinked = false;
    m_self = this;
    m_mode = mode;
    m_deps = deps;
    m_label = label ? label : "";
    centerLink();
}

vbEngine::vbEngine(vbEngineStartMode mode, const char* label, const vbEngineDeps& deps)
    : vbEngine(&g_vbEngineCenter, mode, label, deps)
{
}

vbEngine::~vbEngine()
{
    try {
        vbSectLock lock(&m_pCenter->m_lock);
        centerUnlink();
    } catch (...) {
        traceCurrent();
    }
    m_self = nullptr;
}

bool vbEngine::GetInterface(const GUID& iid, const void** ppv) const
{
    return const_cast<vbEngine*>(this)->GetInterface(iid, const_cast<void**>(ppv));
}

bool vbEngine::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_sIvbLock) {
        *ppv = static_cast<sIvbLock*>(this);
        return true;
    }
    if (iid == IID_vbEngine) {
        *ppv = this;
        return true;
    }
    if (iid == IID_sIvbBase) {
        *ppv = static_cast<sIvbBase*>(this);
        return true;
    }
    return false;
}

void vbEngine::onStart() { vbPurecall(); }

bool vbEngine::onStop(bool) { vbPurecall(); }

bool vbEngine::onCanStop() const { return true; }

void vbEngine::centerLink()
{
    if (m_bLinked)
        return;
    m_pPrev = nullptr;
    m_pNext = m_pCenter->m_pFirst;
    if (m_pNext)
        m_pNext->m_pPrev = this;
    m_pCenter->m_pFirst = this;
    m_pCenter->m_bAllStarted = false;
    m_bLinked = true;
}

void vbEngine::centerUnlink()
{
    if (!m_bLinked)
        return;
    if (m_pPrev)
        m_pPrev->m_pNext = m_pNext;
    else
        m_pCenter->m_pFirst = m_pNext;
    if (m_pNext)
        m_pNext->m_pPrev = m_pPrev;
    m_pNext = m_pPrev = nullptr;
    m_bLinked = false;
}

bool vbEngine::IsReady() const { return m_self == this && m_bLinked; }

void vbEngine::CheckReady() const
{
    if (m_self != this)
        throw new vbEsys("vbEngine : not ready");
    if (!m_bLinked)
        throw new vbEsys(true, "vbEngine(%s) : not ready", m_label);
}

bool vbEngine::isNowStarted() const { return IsReady() && m_bStarted && m_pCenter->m_cUse > 0; }

bool vbEngine::IsNowStarted(vbLock* pLock) const
{
    if (!IsReady())
        return false;
    // The centre's lock is tried in turns, giving up once the engine no longer runs: a stop
    // holds that lock while it removes callbacks and closes threads, and those may be the very
    // callers that would otherwise wait here for it.
    CCriticalSection& centre = m_pCenter->m_lock;
    while (!centre.Lock(0)) {
        if (!isNowStarted())
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    struct Leave {
        CCriticalSection& sect;
        ~Leave() { sect.Unlock(); }
    } leave{centre};
    if (!m_bStarted || m_pCenter->m_cUse <= 0)
        return false;
    pLock->Lock(this);
    return true;
}

bool vbEngine::IsStarted(vbLock* pLock) const
{
    if (!IsReady())
        return false;
    vbSectLock lock(&m_pCenter->m_lock);
    if (!m_bStarted && m_mode != vbEngineStartOnDemand)
        return false;
    if (pLock)
        pLock->Lock(this);
    return true;
}

void vbEngine::Lock() const
{
    CheckReady();
    vbSectLock lock(&m_pCenter->m_lock);
    if (!m_bStarted) {
        if (m_mode == vbEngineStartOnDemand)
            const_cast<vbEngine*>(this)->Start();
        if (!m_bStarted)
            throw new vbEsys(true, "vbEngine(%s) : not started", m_label);
    }
    ++m_cLock;
}

void vbEngine::Unlock() const
{
    vbSectLock lock(&m_pCenter->m_lock);
    --m_cLock;
}

void vbEngine::SetStartMode(vbEngineStartMode mode)
{
    CheckReady();
    {
        vbSectLock lock(&m_pCenter->m_lock);
        m_mode = mode;
    }
    if (mode == vbEngineStartDisabled)
        Stop();
}

vbEngineStartMode vbEngine::GetStartMode() const
{
    CheckReady();
    vbSectLock lock(&m_pCenter->m_lock);
    return m_mode;
}

bool vbEngine::CanStop() const
{
    CheckReady();
    vbSectLock lock(&m_pCenter->m_lock);
    if (m_cLock > 0)
        return false;
    return m_bStarted ? onCanStop() : true;
}

bool vbEngine::IsUsed(const vbEngine* engine) const
{
    for (int i = 1; i <= m_deps.GetSize(); ++i)
        if (m_deps[i] == engine)
            return true;
    return false;
}

void vbEngine::start(vbEngineStartStopStack* stack, int level)
{
    if (m_bStarted)
        return;
    try {
        if (m_mode == vbEngineStartDisabled)
            throw new vbEsys(true, "vbEngine(%s)::start() : this engine is disabled", m_label);
        if (level > 0) {
            CheckReady();
            if (m_mode == vbEngineStartExplicit)
                throw new vbEsys(true,
                    "vbEngine(%s)::start() : this engine is not started, and is to start manually/explicitly", m_label);
        }
        stack->SetLevel(this, level);
    } catch (...) {
        stack->DumpStack(level - 1);
        throw;
    }
    for (int i = 1; i <= m_deps.GetSize(); ++i)
        if (vbEngine* dep = m_deps[i])
            dep->start(stack, level + 1);
    try {
        onStart();
    } catch (...) {
        stack->DumpStack(level);
        throw;
    }
    m_bStarted = true;
    m_bStopped = false;
}

bool vbEngine::stop(vbEngineStartStopStack* stack, int level, bool& bForce)
{
    if (m_bStopped)
        return true;
    if (!bForce) {
        if (m_cLock > 0)
            return false;
        if (m_bStarted && !onCanStop())
            return false;
    }
    try {
        stack->SetLevel(this, level);
    } catch (...) {
        stack->DumpStack(level - 1);
        throw;
    }
    for (vbEngine* e = m_pCenter->m_pFirst; e; e = e->m_pNext)
        if (e != this && e->IsUsed(this) && !e->stop(stack, level + 1, bForce))
            return false;

    m_pCenter->m_bAllStarted = false;
    m_bStarted = false;
    bool stopped = true;
    if (m_pCenter->m_cUse > 0 && m_mode != vbEngineStartDisabled) {
        bForce = false;
        try {
            stopped = onStop(false);
        } catch (...) {
            stack->DumpStack(level);
            throw;
        }
    } else {
        const bool force = bForce;
        bForce = false;
        try {
            stopped = onStop(force);
        } catch (...) {
            // Nobody uses the centre any more (or the engine is going): the failure is traced and
            // the engine counts as stopped.
            stack->DumpStack(level);
            traceCurrent();
            stopped = true;
        }
    }
    if (!stopped)
        return false;
    m_bStopped = true;
    return true;
}

void vbEngine::Start()
{
    if (m_bStarted)
        return;
    CheckReady();
    vbSectLock lock(&m_pCenter->m_lock);
    if (m_pCenter->m_cUse < 1)
        throw new vbEsys(true, "vbEngine(%s)::Start() : engine center is not in use !", m_label);
    vbEngineStartStopStack stack(true);
    start(&stack, 0);
}

void vbEngine::retryStop(vbSectLock& lock, bool bAlwaysForce, const char* timeoutText)
{
    CCriticalSection* sect = &m_pCenter->m_lock;
    int refusals = 0;
    bool forced = false;
    for (;;) {
        bool force = forced;
        const uint64_t news = vbImpl::stopNewsCount();
        vbEngineStartStopStack stack(false);
        if (stop(&stack, 0, force))
            return;
        if (++refusals > kMaxRefusals) {
            if (forced || (!bAlwaysForce && m_pCenter->m_cUse > 0))
                throw new vbEsys(true, vbHR_ENGINE_TIMEOUT, "vbEngine(%s)%s", m_label, timeoutText);
            forced = true;
            refusals = 1;
        }
        lock.Unlock();
        if (vbImpl::engineWaitPump(news)) {
            // The messages may have been what the engine waited for.
            lock.Lock(sect);
            bool again = forced;
            vbEngineStartStopStack retry(false);
            if (stop(&retry, 0, again))
                return;
            lock.Unlock();
        }
        vbImpl::engineSleep(news);
        lock.Lock(sect);
    }
}

void vbEngine::Stop()
{
    CheckReady();
    vbSectLock lock(&m_pCenter->m_lock);
    retryStop(lock, false, "::Stop() : timeout, can't stop this engine");
}

bool vbEngine::TryStop()
{
    CheckReady();
    vbSectLock lock(&m_pCenter->m_lock);
    bool force = false;
    vbEngineStartStopStack stack(false);
    return stop(&stack, 0, force);
}

void vbEngine::Destroy()
{
    vbSectLock lock;
    try {
        m_pCenter->CheckReady();
        lock.Lock(&m_pCenter->m_lock);
        m_mode = vbEngineStartDisabled;
        if (m_bStopped)
            return;
    } catch (...) {
        traceCurrent();
        return;
    }
    try {
        retryStop(lock, true, "::Destroy() : timeout, can't stop this engine !");
    } catch (...) {
        traceCurrent();
        if (!lock.IsLocked())
            lock.Lock(&m_pCenter->m_lock);
        m_bStarted = false;
        m_bStopped = true;
    }
}
