#include "vbEngine.h"

#include "engines/vbEngineWait.h"
#include "threads/vbThreadNap.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbLog.h"
#include "vbObjects.h"
#include "vbVersion.h"

#include "plat/errors.h"
#include "plat/system.h"

#include <cstdarg>
#include <cstdio>

// Built before every other static object of the library (and so before every engine and every
// user of the main heap), and therefore destroyed after all of them.
__attribute__((init_priority(101))) vbEngineCenter g_vbEngineCenter;

namespace {

constexpr int kMaxRefusals = 50;

} // namespace

vbEngineCenter::vbEngineCenter() : m_heap("Vant main memory heap", vbCtorCreate)
{
    vbSectLock lock(&m_lock);
    m_self = this;
    m_pFirst = nullptr;
    m_cUse = 0;
    m_bOsRead = false;
    m_bAllStarted = false;
}

vbEngineCenter::~vbEngineCenter()
{
    try {
        vbSectLock lock(&m_lock);
        m_self = nullptr;
        if (m_pFirst)
            vbRelOutput(vbString("[PB] vbEngineCenter::~vbEngineCenter() : staying engine"), true);
        if (m_cUse != 0)
            vbRelOutput(vbStringFormat("[PB] vbEngineCenter::~vbEngineCenter() : use count=%d", m_cUse), true);
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
}

void vbEngineCenter::CheckReady() const
{
    if (!IsReady())
        throw new vbEsys("vbEngineCenter : not ready");
}

void vbEngineCenter::useLock(bool bStart, vbSectLock* /*pCallerLock*/)
{
    CheckReady();
    vbSectLock lock(&m_lock);
    ++m_cUse;
    if (bStart)
        Start();
}

void vbEngineCenter::useUnlock(vbSectLock* pCallerLock)
{
    CheckReady();
    vbSectLock lock(&m_lock);
    --m_cUse;
    if (m_cUse > 0)
        return;
    stopAll(true, lock, pCallerLock);
}

void vbEngineCenter::Start()
{
    CheckReady();
    vbSectLock lock(&m_lock);
    while (m_cUse > 0) {
        if (m_bAllStarted)
            return;
        m_bAllStarted = true;
        vbEngineStartStopStack stack(true);
        try {
            for (vbEngine* e = m_pFirst; e; e = e->m_pNext)
                if (!e->isNowStarted() && e->m_mode == vbEngineStartAuto)
                    e->start(&stack, 0);
        } catch (...) {
            // Not all of them run: the next Start must try again.
            m_bAllStarted = false;
            throw;
        }
        // An engine linked or stopped meanwhile clears the flag: walk again.
        if (m_bAllStarted)
            return;
    }
    throw new vbEsys("vbEngineCenter()::Start() : engine center is not 'use locked'");
}

void vbEngineCenter::Stop()
{
    CheckReady();
    vbSectLock lock(&m_lock);
    m_bAllStarted = false;
    stopAll(false, lock, nullptr);
}

// Walks the list from its head, stopping every engine not yet stopped. On a refusal the walk
// waits (lock released, messages pumped) and starts again from the head. After 50 consecutive
// refusals of one engine the walks are forced (always for useUnlock, else only when nobody uses
// the centre), and 50 more end in the time-out error. useUnlock's walk also ends as soon as
// another user took the centre again.
void vbEngineCenter::stopAll(bool bUseUnlock, vbSectLock& lock, vbSectLock* pCallerLock)
{
    const vbEngine* lastRefused = nullptr;
    int refusals = 0;
    bool forced = false;
    for (;;) {
        if (bUseUnlock && m_cUse > 0)
            return;
        bool force = forced;
        vbEngine* refused = nullptr;
        uint64_t news = 0;
        for (vbEngine* e = m_pFirst; e; e = e->m_pNext) {
            if (e->m_bStopped)
                continue;
            news = vbImpl::stopNewsCount();
            vbEngineStartStopStack stack(false);
            if (!e->stop(&stack, 0, force)) {
                refused = e;
                break;
            }
        }
        if (!refused)
            return;
        if (refused == lastRefused) {
            ++refusals;
        } else {
            lastRefused = refused;
            refusals = 1;
        }
        if (refusals > kMaxRefusals) {
            if (forced || (!bUseUnlock && m_cUse > 0))
                throw new vbEsys(true, vbHR_ENGINE_TIMEOUT, "vbEngineCenter::%s() : timeout on %s",
                    bUseUnlock ? "useUnlock" : "Stop", refused->m_label);
            forced = true;
            refusals = 0;
        }
        lock.Unlock();
        if (pCallerLock) {
            pCallerLock->Unlock();
            pCallerLock = nullptr;
        }
        vbImpl::engineWaitPump(news);
        lock.Lock(&m_lock);
    }
}

vbEngine* vbEngineCenter::GetEngine(int& pos, const GUID* piid, vbLock* pOnlyStarted) const
{
    vbSectLock lock(&m_lock);
    int number = 0;
    for (vbEngine* e = m_pFirst; e; e = e->m_pNext) {
        ++number;
        if (number < pos)
            continue;
        if (pOnlyStarted && !e->isNowStarted())
            continue;
        void* itf = nullptr;
        if (piid && !e->GetInterface(*piid, &itf))
            continue;
        pos = number + 1;
        return e;
    }
    return nullptr;
}

const OSVERSIONINFOA& vbEngineCenter::GetOsInfo() const
{
    CheckReady();
    vbSectLock lock;
    if (m_cUse > 0)
        lock.Lock(&m_lock);
    if (!m_bOsRead) {
        m_os.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(&m_os)) {
            throw new vbEsys(HRESULT_FROM_WIN32(GetLastError()), "vbEngineCenter::GetOsInfo() : failure");
        }
        m_bOsRead = true;
    }
    return m_os;
}

vbString vbEngineCenter::GetOSlabel() const
{
    const OSVERSIONINFOA& os = GetOsInfo();
    vbString label;
    switch (os.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
        label = "Win32s ";
        break;
    case VER_PLATFORM_WIN32_WINDOWS:
        label = "Windows ";
        break;
    case VER_PLATFORM_WIN32_NT:
        label = "Windows NT ";
        break;
    default:
        label = "??? ";
        break;
    }
    label += vbVersion(os.dwMajorVersion, os.dwMinorVersion).ToStr('.', true);
    if (os.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        label += vbStringFormat(" Build %u.%u %u", (os.dwBuildNumber >> 24) & 0xFFu, (os.dwBuildNumber >> 16) & 0xFFu,
            os.dwBuildNumber & 0xFFFFu);
    } else if (os.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        label += vbStringFormat(" Build %u", os.dwBuildNumber);
    }
    label += ' ';
    char csd[sizeof os.szCSDVersion + 1] = {};
    for (size_t i = 0; i < sizeof os.szCSDVersion && os.szCSDVersion[i]; ++i)
        csd[i] = os.szCSDVersion[i];
    label += csd;
    return vbTrimmed(label);
}

bool vbIsNTos() { return g_vbEngineCenter.IsNTos(); }
bool vbIs95os() { return g_vbEngineCenter.Is95os(); }
DWORD vbGetOSver() { return g_vbEngineCenter.GetOSver(); }
DWORD vbGetOSminorVer() { return g_vbEngineCenter.GetOSminorVer(); }
vbString vbGetOSlabel() { return g_vbEngineCenter.GetOSlabel(); }

vbString vbStringFormat(const char* fmt, ...)
{
    char buf[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    buf[sizeof buf - 1] = 0;
    return vbString(buf);
}

// --- use holders ---

vbUseEngineCenter::~vbUseEngineCenter()
{
    try {
        StopUse();
    } catch (...) {
        vbImpl::traceEngineFailure();
    }
}

void vbUseEngineCenter::StartUse(vbEngineCenter* p, bool bStart)
{
    if (p != m_pCenter) {
        StopUse();
        if (!p)
            return;
        p->CheckReady();
        // Held from here on, so that the use lock taken below is given back even if Start fails.
        m_pCenter = p;
        p->useLock(bStart, nullptr);
    } else if (p && bStart) {
        p->Start();
    }
}

void vbUseEngineCenter::StopUse()
{
    if (vbEngineCenter* p = m_pCenter) {
        m_pCenter = nullptr;
        p->useUnlock(nullptr);
    }
}

vbMTuseEngineCenter::~vbMTuseEngineCenter()
{
    try {
        StopUse();
    } catch (...) {
        vbImpl::traceEngineFailure();
    }
}

void vbMTuseEngineCenter::StartUse(vbEngineCenter* p, bool bStart)
{
    vbSectLock lock(&m_lock);
    if (p != m_pCenter) {
        if (vbEngineCenter* old = m_pCenter) {
            m_pCenter = nullptr;
            old->useUnlock(&lock);
            lock.Lock(&m_lock);
        }
        if (!p)
            return;
        p->CheckReady();
        m_pCenter = p;
        p->useLock(bStart, &lock);
    } else if (p && bStart) {
        p->Start();
    }
}

bool vbMTuseEngineCenter::StopUse()
{
    vbSectLock lock(&m_lock);
    if (m_bIgnoreNextStop) {
        m_bIgnoreNextStop = false;
        return false;
    }
    if (vbEngineCenter* p = m_pCenter) {
        m_pCenter = nullptr;
        p->useUnlock(&lock);
    }
    return true;
}

void vbMTuseEngineCenter::IgnoreStopUse(bool bIgnore)
{
    vbSectLock lock(&m_lock);
    m_bIgnoreNextStop = bIgnore;
}
