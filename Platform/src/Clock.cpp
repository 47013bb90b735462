#include "plat/clock.h"

#include <atomic>
#include <chrono>
#include <ctime>

namespace plat {

void WakeSignal::wake()
{
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
    }
    m_cond.notify_all();
}

void WakeSignal::reset()
{
    std::lock_guard lock(m_mutex);
    m_woken = false;
}

bool WakeSignal::waitReal(uint32_t realMs)
{
    std::unique_lock lock(m_mutex);
    if (realMs == kNoLimit)
        m_cond.wait(lock, [this] { return m_woken; });
    else
        m_cond.wait_for(lock, std::chrono::milliseconds(realMs), [this] { return m_woken; });
    return m_woken;
}

Clock::~Clock() = default;

namespace {

uint64_t monotonicNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000u + uint64_t(ts.tv_nsec);
}

// Seconds from 1 January 1601 to 1 January 1970.
constexpr int64_t kEpochDelta = 11644473600LL;

class RealClock final : public Clock {
public:
    uint64_t tickMs() override { return realTickMs(); }

    int64_t systemTime100ns() override
    {
        timespec ts;
        clock_gettime(CLOCK_REALTIME, &ts);
        return (int64_t(ts.tv_sec) + kEpochDelta) * 10000000 + ts.tv_nsec / 100;
    }

    uint64_t perfCounter100ns() override { return monotonicNs() / 100; }

    void block(WakeSignal& signal, uint64_t deadlineMs, uint32_t realLimitMs) override
    {
        uint32_t wait = realLimitMs;
        if (deadlineMs != kNever) {
            uint64_t now = tickMs();
            if (now >= deadlineMs)
                return;
            // Round up by one so that a wait never answers a moment before its deadline.
            uint64_t left = deadlineMs - now + 1;
            if (left < wait)
                wait = uint32_t(left);
        }
        signal.waitReal(wait);
    }
};

struct ClockSlot {
    std::mutex mutex;
    std::shared_ptr<Clock> installed;
    std::atomic<bool> replaced{false};
};

// Never destroyed: waits may run in other libraries' static destructors.
ClockSlot& slot()
{
    static ClockSlot* s = new ClockSlot;
    return *s;
}

const std::shared_ptr<Clock>& realClock()
{
    static auto* real = new std::shared_ptr<Clock>(std::make_shared<RealClock>());
    return *real;
}

} // namespace

uint64_t realTickMs() { return monotonicNs() / 1000000u; }

std::shared_ptr<Clock> currentClock()
{
    ClockSlot& s = slot();
    if (!s.replaced.load(std::memory_order_acquire))
        return realClock();
    std::lock_guard lock(s.mutex);
    return s.installed ? s.installed : realClock();
}

std::shared_ptr<Clock> setClock(std::shared_ptr<Clock> clock)
{
    ClockSlot& s = slot();
    std::lock_guard lock(s.mutex);
    std::shared_ptr<Clock> previous = s.installed ? s.installed : realClock();
    s.installed = std::move(clock);
    s.replaced.store(s.installed != nullptr, std::memory_order_release);
    return previous;
}

} // namespace plat
