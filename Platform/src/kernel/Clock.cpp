#include "plat/clock.h"

#include "kernel/TestHooks.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <chrono>
#include <ctime>

namespace plat {

namespace {

long futex(const uint32_t* word, int op, uint32_t value, const timespec* timeout)
{
    return syscall(SYS_futex, word, op, value, timeout, nullptr, 0);
}

#ifndef SYS_futex_waitv
#define SYS_futex_waitv 449
#endif

// The kernel's description of one word to wait on (struct futex_waitv).
struct WaitvEntry {
    uint64_t val;
    uint64_t uaddr;
    uint32_t flags;
    uint32_t reserved;
};
constexpr uint32_t kFutex32 = 2;
constexpr uint32_t kFutexPrivate = 128;

std::atomic<int> g_waitv{-1}; // -1 not known yet, 0 missing, 1 present

timespec deadlineIn(uint32_t ms)
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    ts.tv_sec += ms / 1000;
    ts.tv_nsec += long(ms % 1000) * 1000000;
    if (ts.tv_nsec >= 1000000000) {
        ++ts.tv_sec;
        ts.tv_nsec -= 1000000000;
    }
    return ts;
}

} // namespace

bool canWatchSharedWords()
{
    int known = g_waitv.load(std::memory_order_relaxed);
    if (known < 0) {
        // A word that does not hold the expected value answers EAGAIN where the call works
        // (it may be missing, or refused by a sandbox).
        uint32_t word = 1;
        WaitvEntry entry{0, reinterpret_cast<uintptr_t>(&word), kFutex32 | kFutexPrivate, 0};
        errno = 0;
        long result = syscall(SYS_futex_waitv, &entry, 1, 0, nullptr, CLOCK_MONOTONIC);
        known = result < 0 && errno == EAGAIN ? 1 : 0;
        g_waitv.store(known, std::memory_order_relaxed);
    }
    return known == 1;
}

void bumpSharedWord(uint32_t* word)
{
    __atomic_add_fetch(word, 1, __ATOMIC_SEQ_CST);
    futex(word, FUTEX_WAKE, INT32_MAX, nullptr);
}

void WakeSignal::wake()
{
    __atomic_store_n(&m_word, 1u, __ATOMIC_RELEASE);
    futex(&m_word, FUTEX_WAKE_PRIVATE, INT32_MAX, nullptr);
    if (Pump* pump = __atomic_load_n(&m_pump, __ATOMIC_ACQUIRE))
        pump->woken();
}

void WakeSignal::reset() { __atomic_store_n(&m_word, 0u, __ATOMIC_RELAXED); }

void WakeSignal::watch(const WatchedWord* words, size_t count)
{
    m_watchedCount = count < kMaxWatched ? count : kMaxWatched;
    for (size_t i = 0; i < m_watchedCount; ++i)
        m_watched[i] = words[i];
}

bool WakeSignal::waitReal(uint32_t realMs)
{
    const bool timed = realMs != kNoLimit;
    const timespec until = timed ? deadlineIn(realMs) : timespec{};
    if (Pump* pump = __atomic_load_n(&m_pump, __ATOMIC_ACQUIRE)) {
        // The desktop's events cannot be waited for together with other processes' words:
        // those are looked at again every 10 ms, and the caller checks again after each slice.
        constexpr uint32_t kPumpSliceMs = 100, kWatchedSliceMs = 10;
        const uint32_t tested = testPumpSliceMs();
        const uint32_t slice = m_watchedCount > 0 ? kWatchedSliceMs : tested ? tested : kPumpSliceMs;
        if (__atomic_load_n(&m_word, __ATOMIC_ACQUIRE) == 0)
            pump->pump(realMs < slice ? realMs : slice);
        return __atomic_load_n(&m_word, __ATOMIC_ACQUIRE) != 0;
    }
    const bool watching = m_watchedCount > 0 && canWatchSharedWords();
    while (__atomic_load_n(&m_word, __ATOMIC_ACQUIRE) == 0) {
        if (watching) {
            WaitvEntry entries[kMaxWatched + 1];
            entries[0] = WaitvEntry{0, reinterpret_cast<uintptr_t>(&m_word), kFutex32 | kFutexPrivate, 0};
            for (size_t i = 0; i < m_watchedCount; ++i)
                entries[i + 1] = WaitvEntry{m_watched[i].seen, reinterpret_cast<uintptr_t>(m_watched[i].word), kFutex32, 0};
            long woken = syscall(SYS_futex_waitv, entries, m_watchedCount + 1, 0, timed ? &until : nullptr,
                CLOCK_MONOTONIC);
            if (woken > 0 || (woken < 0 && errno == EAGAIN && __atomic_load_n(&m_word, __ATOMIC_ACQUIRE) == 0))
                return false; // a watched word changed: the caller looks again
            if (woken < 0 && errno == ETIMEDOUT)
                break;
            if (woken < 0 && errno != EINTR && errno != EAGAIN) {
                // Refused after all: from now on waits look again at their poll interval.
                g_waitv.store(0, std::memory_order_relaxed);
                return false;
            }
            continue;
        }
        timespec left{};
        if (timed) {
            timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            int64_t ns = (until.tv_sec - now.tv_sec) * 1000000000LL + (until.tv_nsec - now.tv_nsec);
            if (ns <= 0)
                break;
            left.tv_sec = ns / 1000000000;
            left.tv_nsec = ns % 1000000000;
        }
        futex(&m_word, FUTEX_WAIT_PRIVATE, 0, timed ? &left : nullptr);
    }
    return __atomic_load_n(&m_word, __ATOMIC_ACQUIRE) != 0;
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
