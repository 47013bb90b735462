// The timed locks of the plug-in centre and its records: calls exclude additions, the waits give
// up after 50 turns of 100 ms (on the manual clock, but for one real 5 s wait), a record being
// destroyed ends a wait, and the update lock is re-entrant for its thread.

#include "hotplug/vbHotPlugger.h"

#include "vbExpectThrown.h"

#include "plat/thread.h"
#include "plat/time.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

const char* const kCbTimeout = "vbHotPlugCenter::Plugger::lockCbCall() : timeout, can't call callbacks !";

// Moves the clock on in steps of one turn until done: a waiting thread may not be asleep yet when
// a step is made.
void advanceUntil(vnt::test::ManualClock& clock, const std::atomic<bool>& done)
{
    while (!done) {
        clock.advance(100);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

class TestCentre : public vbHotPlugCenter {
public:
    TestCentre() : vbHotPlugCenter("Test HotPlug Center", vbEngineDeps()) { }
    using vbHotPlugCenter::m_nMainCbAdd;
    using vbHotPlugCenter::m_nMainCbCall;
    using vbHotPlugCenter::mainLockCbAdd;
    using vbHotPlugCenter::mainLockCbCall;
    using vbHotPlugCenter::mainUnlockCbAdd;
};

class TestPlugger : public vbHotPlugCenter::Plugger {
public:
    explicit TestPlugger(vbHotPlugCenter* centre) : Plugger(centre, "", IID_IvbHotPlugger) { }
    using Plugger::m_nCbAdd;
    using Plugger::m_nCbCall;
    using Plugger::m_nUpdateCall;
    using Plugger::m_updateThread;
};

class vbHotPlugLocks : public ::testing::Test {
protected:
    vbHotPlugLocks()
    {
        m_plugger = new TestPlugger(&m_centre);
        m_plugger->Create();
    }
    ~vbHotPlugLocks() override { m_plugger->Release(); }

    TestCentre m_centre;
    TestPlugger* m_plugger;
};

TEST_F(vbHotPlugLocks, ACallWaitingForAnAdditionGivesUpAfterFiftyTurns)
{
    vnt::test::ManualClock clock(true);
    const uint64_t start = clock.tick();
    m_centre.mainLockCbAdd();
    std::thread caller([&] {
        vbtest::expectThrown<vbEsys>([&] { m_centre.mainLockCbCall(); }, 0x800005B4, kCbTimeout);
    });
    caller.join();
    EXPECT_EQ(clock.tick() - start, 5000u) << "50 sleeps of 100 ms";
    EXPECT_EQ(m_centre.m_nMainCbAdd, 1);
    EXPECT_EQ(m_centre.m_nMainCbCall, 0);
    m_centre.mainUnlockCbAdd();

    // The record's additions wait for the record's calls the same way, with the same text.
    m_plugger->lockCbCall();
    vbtest::expectThrown<vbEsys>([&] { m_plugger->lockCbAdd(); }, 0x800005B4, kCbTimeout);
    EXPECT_EQ(m_plugger->m_nCbAdd, 0);
    m_plugger->unlockCbCall();
}

TEST_F(vbHotPlugLocks, CallsRunTogetherAndAnAdditionWaitsForAllOfThem)
{
    vnt::test::ManualClock clock;
    vbHotPlugCenter::Plugger::CbCallHold first(m_plugger);
    std::thread second([&] { m_plugger->lockCbCall(); });
    second.join();
    EXPECT_EQ(m_plugger->m_nCbCall, 2);
    EXPECT_EQ(m_centre.m_nMainCbCall, 2) << "the centre counts every record's calls";

    std::atomic<bool> added{false};
    std::thread adder([&] {
        m_plugger->lockCbAdd();
        added = true;
    });
    ASSERT_TRUE(clock.waitUntilBlocked(1));
    first.Unlock();
    clock.advance(100);
    ASSERT_TRUE(clock.waitUntilBlocked(1));
    EXPECT_FALSE(added) << "one call still runs";
    m_plugger->unlockCbCall();
    advanceUntil(clock, added);
    adder.join();
    EXPECT_TRUE(added);
    EXPECT_EQ(m_plugger->m_nCbAdd, 1);
    EXPECT_EQ(m_centre.m_nMainCbCall, 0);
    m_plugger->unlockCbAdd();
}

TEST_F(vbHotPlugLocks, ARecordDestroyedDuringAWaitEndsIt)
{
    vnt::test::ManualClock clock;
    m_plugger->lockCbAdd();
    std::thread caller([&] {
        vbtest::expectThrown<vbEuser>([&] { m_plugger->lockCbCall(); }, E_ABORT,
            "vbHotPlugCenter::Plugger::lockCbCall() : destroyed plug");
    });
    ASSERT_TRUE(clock.waitUntilBlocked(1));
    m_plugger->Destroy();
    clock.advance(100);
    caller.join();
    EXPECT_EQ(m_plugger->m_nCbCall, 0);
    m_plugger->unlockCbAdd();
}

TEST_F(vbHotPlugLocks, TheUpdateLockIsReentrantForItsThread)
{
    vnt::test::ManualClock clock;
    m_plugger->lockUpdateCall();
    m_plugger->lockUpdateCall();
    EXPECT_EQ(m_plugger->m_nUpdateCall, 2);
    EXPECT_EQ(m_plugger->m_updateThread, GetCurrentThreadId());

    std::atomic<DWORD> otherId{0};
    std::atomic<bool> taken{false};
    std::thread other([&] {
        m_plugger->lockUpdateCall();
        otherId = GetCurrentThreadId();
        taken = true;
    });
    ASSERT_TRUE(clock.waitUntilBlocked(1));
    m_plugger->unlockUpdateCall();
    clock.advance(100);
    ASSERT_TRUE(clock.waitUntilBlocked(1));
    EXPECT_FALSE(taken) << "one hold is left";
    EXPECT_EQ(m_plugger->m_nUpdateCall, 1);
    m_plugger->unlockUpdateCall();
    advanceUntil(clock, taken);
    other.join();
    EXPECT_EQ(m_plugger->m_nUpdateCall, 1);
    EXPECT_EQ(m_plugger->m_updateThread, otherId.load());
    m_plugger->unlockUpdateCall();
    EXPECT_EQ(m_plugger->m_updateThread, 0u);

    m_plugger->Destroy();
    vbtest::expectThrown<vbEuser>([&] { m_plugger->lockUpdateCall(); }, E_ABORT,
        "vbHotPlugCenter::Plugger::lockUpdateCall() : destroyed plug");
}

TEST_F(vbHotPlugLocks, TheUpdateLockGivesUpAfterFiveSecondsOfRealTime)
{
    m_plugger->lockUpdateCall();
    const DWORD start = GetTickCount();
    std::thread other([&] {
        vbtest::expectThrown<vbEsys>([&] { m_plugger->lockUpdateCall(); }, 0x800005B4,
            "vbHotPlugCenter::Plugger::lockUpdateCall() : timeout, can't update or load plugin !");
    });
    other.join();
    EXPECT_GE(GetTickCount() - start, 5000u);
    m_plugger->unlockUpdateCall();
}

} // namespace
