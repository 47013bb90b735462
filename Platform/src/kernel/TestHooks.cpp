#include "kernel/TestHooks.h"

#include "kernel/SyncObjects.h"
#include "plat/errors.h"
#include "plat/testhooks.h"

#include <strings.h>

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace plat {

namespace {

std::atomic<DWORD> g_threadFailures{0};
std::atomic<DWORD> g_timerFailures{0};
std::atomic<DWORD> g_clipboardDataFailures{0};
std::atomic<uint32_t> g_pumpSliceMs{0};

// Takes one armed failure of counter, if any.
bool consumeFailure(std::atomic<DWORD>& counter)
{
    DWORD left = counter.load();
    while (left > 0)
        if (counter.compare_exchange_weak(left, left - 1))
            return true;
    return false;
}

// Under waitLock(). Keyed by address: an entry is consumed by the waits on its object, and
// tests disarm what they armed before the object goes.
std::map<const Waitable*, DWORD>& forcedAbandons()
{
    static auto* map = new std::map<const Waitable*, DWORD>;
    return *map;
}

struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const { return ::strcasecmp(a.c_str(), b.c_str()) < 0; }
};

struct FailedLoads {
    std::mutex mutex;
    std::set<std::string, NoCaseLess> names;
};

FailedLoads& failedLoads()
{
    static auto* loads = new FailedLoads;
    return *loads;
}

} // namespace

bool testFailLibraryLoad(const char* name)
{
    FailedLoads& loads = failedLoads();
    std::lock_guard lock(loads.mutex);
    return !loads.names.empty() && loads.names.count(name) != 0;
}

bool testFailThreadCreation() { return consumeFailure(g_threadFailures); }

bool testFailTimer() { return consumeFailure(g_timerFailures); }

bool testFailClipboardData() { return consumeFailure(g_clipboardDataFailures); }

uint32_t testPumpSliceMs() { return g_pumpSliceMs.load(); }

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

void vntTestFailNextTimers(DWORD count) { plat::g_timerFailures.store(count); }

void vntTestFailNextClipboardData(DWORD count) { plat::g_clipboardDataFailures.store(count); }

void vntTestSetPumpSliceMs(DWORD ms) { plat::g_pumpSliceMs.store(ms); }

void vntTestFailLibraryLoad(LPCSTR name, BOOL fail)
{
    plat::FailedLoads& loads = plat::failedLoads();
    std::lock_guard lock(loads.mutex);
    if (fail)
        loads.names.insert(name);
    else
        loads.names.erase(name);
}

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
