// The timed locks of the centre and of its records. Their counters live under the centre lock;
// the waits poll them (vbHotPlugWait).

#include "hotplug/vbHotPlugger.h"

#include "plat/thread.h"

namespace {

const char* const kCbTimeout = "vbHotPlugCenter::Plugger::lockCbCall() : timeout, can't call callbacks !";
const char* const kUpdateTimeout = "vbHotPlugCenter::Plugger::lockUpdateCall() : timeout, can't update or load plugin !";

} // namespace

// --- the centre ---

void vbHotPlugCenter::mainLockCbAdd() const
{
    vbHotPlugWait(&m_sect, [this] {
        if (m_nMainCbCall > 0)
            return false;
        ++m_nMainCbAdd;
        return true;
    }, nullptr, kCbTimeout);
}

void vbHotPlugCenter::mainUnlockCbAdd() const
{
    vbSectLock lock(&m_sect);
    --m_nMainCbAdd;
}

void vbHotPlugCenter::mainLockCbCall() const
{
    vbHotPlugWait(&m_sect, [this] {
        if (m_nMainCbAdd > 0)
            return false;
        ++m_nMainCbCall;
        return true;
    }, nullptr, kCbTimeout);
}

void vbHotPlugCenter::mainUnlockCbCall() const
{
    vbSectLock lock(&m_sect);
    --m_nMainCbCall;
}

// --- the records ---

void vbHotPlugCenter::Plugger::lockCbCall() const
{
    checkDestroyed("lockCbCall()");
    vbHotPlugWait(centreLock(), [this] {
        if (m_nCbAdd > 0 || m_centre->m_nMainCbAdd > 0)
            return false;
        ++m_nCbCall;
        ++m_centre->m_nMainCbCall;
        return true;
    }, [this] { checkDestroyed("lockCbCall()"); }, kCbTimeout);
}

void vbHotPlugCenter::Plugger::unlockCbCall() const
{
    vbSectLock lock(centreLock());
    --m_nCbCall;
    --m_centre->m_nMainCbCall;
}

void vbHotPlugCenter::Plugger::lockCbAdd() const
{
    vbHotPlugWait(centreLock(), [this] {
        if (m_nCbCall > 0)
            return false;
        ++m_nCbAdd;
        return true;
    }, [this] { checkDestroyed("lockCbAdd()"); }, kCbTimeout);
}

void vbHotPlugCenter::Plugger::unlockCbAdd() const
{
    vbSectLock lock(centreLock());
    --m_nCbAdd;
}

void vbHotPlugCenter::Plugger::lockUpdateCall() const
{
    checkDestroyed("lockUpdateCall()");
    const DWORD me = GetCurrentThreadId();
    vbHotPlugWait(centreLock(), [this, me] {
        if (m_updateThread != 0 && m_updateThread != me)
            return false;
        ++m_nUpdateCall;
        m_updateThread = me;
        return true;
    }, [this] { checkDestroyed("lockUpdateCall()"); }, kUpdateTimeout);
}

void vbHotPlugCenter::Plugger::unlockUpdateCall() const
{
    vbSectLock lock(centreLock());
    if (--m_nUpdateCall < 1)
        m_updateThread = 0;
}

void vbHotPlugCenter::Plugger::checkDestroyed(const char* member) const
{
    vbSectLock lock(centreLock());
    if (m_bDestroyed)
        throw new vbEuser(E_ABORT, vbString("vbHotPlugCenter::Plugger::") + member + " : destroyed plug");
}
