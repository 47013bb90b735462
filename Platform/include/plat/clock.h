#pragma once

// The one clock behind the platform's tick count, system time, performance counter, every timed
// wait and Sleep. Tests install their own (see testsupport's ManualClock) to make time-outs take
// no real time and to put the tick count where they need it.

#include "plat/api.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace plat {

// A thread's wake-up flag. Whatever a blocked thread waits for (an object being signalled, a
// message arriving, the clock passing a deadline) calls wake(); the flag stays set until the
// waiting thread resets it, so a wake that comes before the thread blocks is never lost.
class PLATAPI WakeSignal {
public:
    // What a thread that also serves a desktop connection does instead of sleeping: it takes
    // the desktop's events while it waits, and wakes from them as from the flag.
    class Pump {
    public:
        // From any thread, after the flag was set: end a pump() in progress.
        virtual void woken() = 0;
        // On the owner thread: take desktop events for up to realMs milliseconds or until woken.
        virtual void pump(uint32_t realMs) = 0;

    protected:
        ~Pump() = default;
    };
    // Owner thread only; null goes back to sleeping. The pump must outlive its use.
    void setPump(Pump* pump) { __atomic_store_n(&m_pump, pump, __ATOMIC_RELEASE); }

    void wake();
    void reset();
    // Blocks until woken, until one of the watched words changes, or until realMs real
    // milliseconds passed (kNoLimit: no limit). Answers whether it was woken. The flag is left set.
    bool waitReal(uint32_t realMs);

    // Words in memory shared with other processes, which change (and are futex-woken) whenever
    // an object that other processes signal changes. Watched by the blocks that follow, until
    // unwatch(); seen is the value read before the waiter last looked at the object.
    struct WatchedWord {
        const uint32_t* word;
        uint32_t seen;
    };
    static constexpr size_t kMaxWatched = 64;
    void watch(const WatchedWord* words, size_t count);
    void unwatch() { m_watchedCount = 0; }

    static constexpr uint32_t kNoLimit = 0xFFFFFFFFu;

private:
    uint32_t m_word = 0; // 1 once woken; a private futex
    WatchedWord m_watched[kMaxWatched];
    size_t m_watchedCount = 0;
    Pump* m_pump = nullptr;
};

// Whether blocks can watch words of other processes (futex_waitv); otherwise waits that involve
// such objects look again at their poll interval.
PLATAPI bool canWatchSharedWords();
// Raises a watched word and wakes every thread, in any process, that watches it.
PLATAPI void bumpSharedWord(uint32_t* word);

class PLATAPI Clock {
public:
    static constexpr uint64_t kNever = UINT64_MAX;

    virtual ~Clock();
    // Milliseconds on a monotonic scale; GetTickCount answers its low 32 bits.
    virtual uint64_t tickMs() = 0;
    // Now, in UTC, as 100-nanosecond intervals since 1 January 1601.
    virtual int64_t systemTime100ns() = 0;
    // A monotonic count of 100-nanosecond intervals (the performance counter).
    virtual uint64_t perfCounter100ns() = 0;
    // Blocks the calling thread until signal is woken, tickMs() reaches deadlineMs (kNever: no
    // deadline) or realLimitMs real milliseconds passed (WakeSignal::kNoLimit: no limit).
    // Answering early is always allowed: callers check again what they wait for.
    virtual void block(WakeSignal& signal, uint64_t deadlineMs, uint32_t realLimitMs) = 0;
};

// The clock in force. Callers keep the answer for as long as they use it; a clock replaced
// meanwhile stays alive until then.
PLATAPI std::shared_ptr<Clock> currentClock();
// Installs a clock (null: the real one again) and answers the one it replaces.
PLATAPI std::shared_ptr<Clock> setClock(std::shared_ptr<Clock> clock);

// The real clock's milliseconds; also what a replacement clock may start from.
PLATAPI uint64_t realTickMs();

} // namespace plat
