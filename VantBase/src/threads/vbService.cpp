// Services with counted users.

#include "vbService.h"

#include "engines/vbEngineWait.h"
#include "threads/vbThreadNap.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbLog.h"
#include "vbObjects.h"

#include <cstdint>

const IID IID_vbService = {0xED34120F, 0x92F0, 0x46C4, {0xBD, 0xDD, 0xF3, 0x70, 0x0F, 0x04, 0x64, 0x0B}};

namespace {
// Tries of the last user to stop the service, 100 ms apart when no message is pending.
constexpr int kStopTries = 50;
} // namespace

vbService::vbService(const char* label, const vbEngineDeps& deps) : vbEngine(vbEngineStartExplicit, label, deps) { }

vbService::~vbService()
{
    try {
        vbSectLock lock(centerLock());
        if (m_users.GetLength() > 0) {
            vbRelOutput(vbString("vbService(") + GetLabelPtr() + ")::~vbService() : Not stopped correctly (" +
                    vbString(m_users.GetLength()) + " Instance(s) using it, state=" + (IsStarted() ? "started" : "stopped") +
                    ")",
                true);
            m_users.Empty();
        }
    } catch (...) {
        vbImpl::reportCurrent(false, __FILE__, __LINE__);
    }
    Destroy();
}

bool vbService::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbService) {
        *ppv = this;
        return true;
    }
    return vbEngine::GetInterface(iid, ppv);
}

int vbService::indexOf(sIvbBase* user) const
{
    if (!user)
        return 0;
    for (int i = 1; i <= m_users.GetLength(); ++i)
        if (m_users[i] == user)
            return i;
    return 0;
}

int vbService::getLockInfo(sIvbBase* user)
{
    vbSectLock lock(centerLock());
    return indexOf(user);
}

void vbService::UseLock(sIvbBase* user)
{
    CheckReady();
    vbSectLock lock(centerLock());
    const bool wasEmpty = m_users.GetLength() == 0;
    if (indexOf(user))
        throw new vbEsys(true, "vbService(%s)::UseLock() : pUser already in locker list", GetLabelPtr());
    const int index = m_users.Add(user);
    if (wasEmpty && !IsStarted()) {
        try {
            Start();
        } catch (...) {
            // A user whose service could not start does not use it.
            m_users.Delete(index);
            throw;
        }
        m_bStartedByUsers = true;
    } else {
        onUserChange(-index);
    }
}

void vbService::UseUnlock(sIvbBase* user)
{
    CheckReady();
    vbSectLock lock(centerLock());
    const int index = indexOf(user);
    if (!index)
        throw new vbEsys(true, "vbService(%s)::UseUnlock(sIvbBase *pUser=%llX) : pUser not found !!", GetLabelPtr(),
            static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(user)));
    m_users.Delete(index);
    if (m_users.GetLength() == 0 && m_bStartedByUsers) {
        if (!IsStarted())
            return;
        for (int tries = 1;; ++tries) {
            const uint64_t news = vbImpl::stopNewsCount();
            if (TryStop())
                return;
            if (tries >= kStopTries)
                throw new vbEsys(true, "vbService(%s)::UseUnlock() : timeout, can't stop this engine !", GetLabelPtr());
            lock.Unlock();
            vbImpl::engineWaitPump(news);
            lock.Lock(centerLock());
            // A handler run meanwhile may have brought a user back.
            if (m_users.GetLength() > 0 || !m_bStartedByUsers)
                return;
        }
    }
    if (IsStarted())
        onUserChange(0);
}

void vbService::UpdateLock(sIvbBase* user)
{
    CheckReady();
    vbSectLock lock(centerLock());
    const int index = indexOf(user);
    if (!index)
        throw new vbEsys(true, "vbService(%s)::UpdateLock(sIvbBase *pUser=%llX) : pUser not found !!", GetLabelPtr(),
            static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(user)));
    if (IsStarted())
        onUserChange(index);
}

void vbService::onStart()
{
    m_bStartedByUsers = false;
    onServiceStart();
}

bool vbService::onStop(bool bForce)
{
    // Only a stop that happened clears the flag: the last user's retries stop waiting once it
    // is gone, and a refusal must not end them.
    const bool stopped = onServiceStop(bForce);
    if (stopped)
        m_bStartedByUsers = false;
    return stopped;
}

bool vbService::onCanStop() const { return true; }

void vbService::onServiceStart() { vbPurecall(); }
bool vbService::onServiceStop(bool) { vbPurecall(); }
void vbService::onUserChange(int) { vbPurecall(); }

// --- the user's guard ---

vbUseService::vbUseService(vbService* service) { StartUse(service); }

vbUseService::~vbUseService()
{
    try {
        StopUse();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    } catch (...) {
        vbImpl::reportCurrent(true, __FILE__, __LINE__);
    }
}

void vbUseService::StartUse(vbService* service)
{
    if (service == m_pService)
        return;
    StopUse();
    if (!service)
        return;
    vbUseEngineCenter::StartUse(false);
    try {
        service->UseLock(this);
    } catch (...) {
        vbUseEngineCenter::StopUse();
        throw;
    }
    m_pService = service;
}

void vbUseService::StopUse()
{
    vbService* service = m_pService;
    if (!service)
        return;
    m_pService = nullptr;
    try {
        service->UseUnlock(this);
    } catch (...) {
        vbUseEngineCenter::StopUse();
        throw;
    }
    vbUseEngineCenter::StopUse();
}

void vbUseService::updateServiceParams()
{
    if (m_pService)
        m_pService->UpdateLock(this);
}
