#include "testsupport/ManualClock.h"

#include "plat/clock.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>

namespace vnt::test {

class ManualClock::Impl final : public plat::Clock {
public:
    explicit Impl(bool autoAdvance)
        : m_now(plat::realTickMs()), m_startTick(m_now), m_auto(autoAdvance)
    {
        m_systemStart = plat::currentClock()->systemTime100ns();
    }

    uint64_t tickMs() override
    {
        std::lock_guard lock(m_mutex);
        return now();
    }

    int64_t systemTime100ns() override
    {
        std::lock_guard lock(m_mutex);
        return m_systemStart + (int64_t(now()) - int64_t(m_startTick)) * 10000;
    }

    uint64_t perfCounter100ns() override
    {
        std::lock_guard lock(m_mutex);
        return now() * 10000;
    }

    void block(plat::WakeSignal& signal, uint64_t deadlineMs, uint32_t realLimitMs) override
    {
        {
            std::unique_lock lock(m_mutex);
            if (deadlineMs != kNever && now() >= deadlineMs)
                return;
            if (m_retired) {
                // Whoever still holds this clock sees it run on in real time.
                uint64_t left = deadlineMs == kNever ? kNever : deadlineMs - now() + 1;
                lock.unlock();
                signal.waitReal(left < realLimitMs ? uint32_t(left) : realLimitMs);
                return;
            }
            if (m_auto && deadlineMs != kNever) {
                moveTo(deadlineMs);
                return;
            }
            m_blocked.insert(&signal);
        }
        m_blockedChanged.notify_all();
        signal.waitReal(realLimitMs);
        std::lock_guard lock(m_mutex);
        m_blocked.erase(&signal);
    }

    void advance(uint64_t ms)
    {
        std::lock_guard lock(m_mutex);
        moveTo(m_now + ms);
    }

    void setTick(uint64_t value)
    {
        std::lock_guard lock(m_mutex);
        // System time keeps its course relative to the new scale.
        m_systemStart += (int64_t(value) - int64_t(m_now)) * 10000;
        m_now = value;
        m_startTick = value;
        wakeAll();
    }

    bool waitUntilBlocked(size_t count)
    {
        std::unique_lock lock(m_mutex);
        return m_blockedChanged.wait_for(lock, std::chrono::seconds(10), [&] { return m_blocked.size() >= count; });
    }

    void setAutoAdvance(bool on)
    {
        std::lock_guard lock(m_mutex);
        m_auto = on;
        wakeAll(); // timed waits already blocked take the new mode
    }

    // Waits still blocked here go on with the clock installed after this one.
    void retire()
    {
        std::lock_guard lock(m_mutex);
        m_retired = true;
        m_retiredAtReal = plat::realTickMs();
        wakeAll();
    }

private:
    // Under m_mutex: once retired, the clock goes on from where it stood in real time.
    uint64_t now() const { return m_retired ? m_now + (plat::realTickMs() - m_retiredAtReal) : m_now; }

    // Under m_mutex.
    void moveTo(uint64_t value)
    {
        m_now = value;
        wakeAll();
    }

    void wakeAll()
    {
        for (plat::WakeSignal* signal : m_blocked)
            signal->wake();
    }

    std::mutex m_mutex;
    uint64_t m_now;
    uint64_t m_startTick;
    int64_t m_systemStart = 0;
    bool m_auto;
    bool m_retired = false;
    uint64_t m_retiredAtReal = 0;
    std::set<plat::WakeSignal*> m_blocked;
    std::condition_variable m_blockedChanged;
};

ManualClock::ManualClock(bool autoAdvance) : m_impl(std::make_shared<Impl>(autoAdvance))
{
    m_previous = plat::setClock(m_impl);
}

ManualClock::~ManualClock()
{
    plat::setClock(std::static_pointer_cast<plat::Clock>(m_previous));
    m_impl->retire();
}

void ManualClock::advance(uint64_t ms) { m_impl->advance(ms); }

void ManualClock::setTick(uint64_t value) { m_impl->setTick(value); }

void ManualClock::setAutoAdvance(bool on) { m_impl->setAutoAdvance(on); }

bool ManualClock::waitUntilBlocked(size_t count) { return m_impl->waitUntilBlocked(count); }

uint64_t ManualClock::tick() const { return m_impl->tickMs(); }

} // namespace vnt::test
