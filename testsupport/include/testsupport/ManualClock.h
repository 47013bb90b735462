#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vnt::test {

// Replaces the platform clock for the life of the object (restoring the previous one after):
// the tick count, system time, performance counter, every timed wait and Sleep then follow this
// clock, which moves only when the test says so.
//
//   vnt::test::ManualClock clock;          // starts at the real tick count and system time
//   clock.setTick(0xFFFFFFF0);             // GetTickCount() == 0xFFFFFFF0
//   clock.advance(0x20);                   // GetTickCount() == 0x10; wakes due timed waits
//
// With auto-advance on, a timed wait (or Sleep) that would block moves the clock straight to
// its own deadline, so tests of time-outs take no real time. Waits without a time-out still
// block until what they wait for happens.
class ManualClock {
public:
    explicit ManualClock(bool autoAdvance = false);
    ~ManualClock();
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    // Moves the clock forward (tick count, system time and performance counter together) and
    // wakes the timed waits whose deadline has come.
    void advance(uint64_t ms);
    // Puts the millisecond count (whose low 32 bits GetTickCount answers) at value; system time
    // moves by the same amount. Set it before starting timed waits that should not notice.
    void setTick(uint64_t value);
    void setAutoAdvance(bool on);
    // Waits (in real time, at most 10 s) until at least count threads are blocked in timed or
    // untimed waits on this clock, so that a test advances it only once they wait. Answers
    // whether they did.
    bool waitUntilBlocked(size_t count);

    uint64_t tick() const;

    class Impl;

private:
    std::shared_ptr<Impl> m_impl;
    std::shared_ptr<void> m_previous;
};

} // namespace vnt::test
