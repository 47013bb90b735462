#include "hotplug/vbHotPlugWait.h"

#include "vbMsg.h"

#include "plat/thread.h"

namespace {

constexpr int kMaxTurns = 50;
constexpr DWORD kTurnSleepMs = 100;

void pumpAll()
{
    while (vbDoOneEvent())
        ;
}

} // namespace

void vbHotPlugWait(CCriticalSection* section, const std::function<bool()>& tryTake,
    const std::function<void()>& checkAlive, const char* timeoutText)
{
    vbSectLock lock(section);
    for (int turn = 1;; ++turn) {
        if (tryTake())
            return;
        if (turn > kMaxTurns)
            throw new vbEsys(vbHR_HOTPLUG_TIMEOUT, timeoutText);
        lock.Unlock();
        if (vbDoOneEvent()) {
            pumpAll();
            if (checkAlive)
                checkAlive();
            lock.Lock(section);
            if (tryTake())
                return;
            lock.Unlock();
        }
        Sleep(kTurnSleepMs);
        if (checkAlive)
            checkAlive();
        lock.Lock(section);
    }
}
