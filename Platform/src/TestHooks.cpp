#include "TestHooks.h"

#include "SyncObjects.h"
#include "plat/errors.h"
#include "plat/testhooks.h"

#include <atomic>
#include <map>

namespace plat {

namespace {

std::atomic<DWORD> g_threadFailures{0};

// Under waitLock(). Keyed by address: an entry is consumed by the waits on its object, and
// tests disarm what they armed before the object goes.
std::map<const Waitable*, DWORD>& forcedAbandons()
{
    static auto* map = new std::map<const Waitable*, DWORD>;
    return *map;
}

} // namespace

bool testFailThreadCreation()
{
    DWORD left = g_threadFailures.load();
    while (left > 0)
        if (g_threadFailures.compare_exchange_weak(left, left - 1))
            return true;
    return false;
}

bool testForcedAbandon(const Waitable* object)
{
    auto& map = forcedAbandons();
    if (map.empty())
        return false;
    auto it = map.find(object);
    if (it == map.end())
        return false;
    if (--it->second == 0)
        map.erase(it);
    return true;
}

} // namespace plat

void vntTestFailNextThreadCreations(DWORD count) { plat::g_threadFailures.store(count); }

BOOL vntTestAbandonNextWaits(HANDLE hMutex, DWORD count)
{
    auto mutex = plat::kernelHandles().lookupAs<plat::MutexBase>(hMutex);
    if (!mutex)
        return FALSE;
    std::lock_guard lock(plat::waitLock());
    if (count == 0)
        plat::forcedAbandons().erase(mutex.get());
    else
        plat::forcedAbandons()[mutex.get()] = count;
    return TRUE;
}
