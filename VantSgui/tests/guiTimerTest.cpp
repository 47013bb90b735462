#include "guiGlobal.h"

#include "GuiTestBed.h"
#include "vbExpectThrown.h"

#include "plat/time.h"
#include "plat/testhooks.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using gui::test::GuiTestBed;
using gui::test::MessageCounter;

// An event that counts its firings by the index of the tick (1-based) and may run an action.
struct Recorder : vbBase {
    explicit Recorder(DWORD minTime = 0) : event(guiTIMERCB(this, &Recorder::onTick)) { event.SetMinTime(minTime); }
    void onTick(guiTimerEvent&, DWORD tick)
    {
        ticks.push_back(tick);
        if (action)
            action();
    }
    guiTimerEvent event;
    std::vector<DWORD> ticks;
    std::function<void()> action;
};

class GuiTimerTest : public GuiTestBed {
protected:
    // Moves the clock one period at a time, answering the (1-based) steps at which rec fired.
    std::vector<int> run(Recorder& rec, int steps, int period = 150)
    {
        std::vector<int> fired;
        for (int i = 1; i <= steps; ++i) {
            const size_t before = rec.ticks.size();
            advance(static_cast<uint64_t>(period));
            if (rec.ticks.size() != before)
                fired.push_back(i);
        }
        return fired;
    }
};

TEST_F(GuiTimerTest, PeriodsOfZeroOrLessTickEvery150Ms)
{
    for (int period : {0, -5}) {
        guiTimer timer(period);
        Recorder rec;
        EXPECT_TRUE(rec.event.Start(&timer));
        advance(149);
        EXPECT_TRUE(rec.ticks.empty()) << period;
        advance(1);
        advance(150);
        EXPECT_EQ(rec.ticks.size(), 2u) << period;
    }
}

TEST_F(GuiTimerTest, MinimumTimesDecideWhichTicksFire)
{
    guiTimer timer;
    Recorder every;
    Recorder slow(400);
    every.event.Start(&timer);
    slow.event.Start(&timer);
    // The first tick only records; 400 ms need three more ticks of 150 ms.
    EXPECT_EQ(run(slow, 7), (std::vector<int>{4, 7}));
    EXPECT_EQ(every.ticks.size(), 7u);

    slow.event.SetMinTime(400);
    EXPECT_EQ(run(slow, 4), (std::vector<int>{4}));
    advance(150);
    slow.event.Reset();
    EXPECT_EQ(run(slow, 4), (std::vector<int>{4}));
}

TEST_F(GuiTimerTest, SecondEventJoinsTheRunningTimer)
{
    guiTimer timer;
    Recorder first;
    Recorder second;
    first.event.Start(&timer);
    advance(100);
    second.event.Start(&timer);
    // A restarted system timer would tick 150 ms from now.
    advance(50);
    EXPECT_EQ(first.ticks.size(), 1u);
    EXPECT_EQ(second.ticks.size(), 1u);
}

TEST_F(GuiTimerTest, StartWithoutStartAttachesToAStoppedTimer)
{
    guiTimer timer;
    Recorder rec;
    EXPECT_FALSE(rec.event.StartExt(&timer, false));
    EXPECT_TRUE(rec.event.IsLinked());
    EXPECT_FALSE(rec.event.IsStarted());
    advance(300);
    EXPECT_TRUE(rec.ticks.empty());
    timer.Start();
    EXPECT_TRUE(rec.event.IsStarted());
    advance(150);
    EXPECT_EQ(rec.ticks.size(), 1u);
}

TEST_F(GuiTimerTest, StoppingTheLastEvent)
{
    guiTimer timer;
    Recorder a;
    Recorder b;
    a.event.Start(&timer);
    b.event.Start(&timer);
    // Not the last: the timer runs on.
    EXPECT_TRUE(a.event.Stop(true));
    EXPECT_FALSE(a.event.IsLinked());
    EXPECT_FALSE(b.event.Stop(true));
    EXPECT_FALSE(timer.IsStarted());

    a.event.Start(&timer);
    EXPECT_TRUE(a.event.Stop(false));
    EXPECT_TRUE(timer.IsStarted());
    EXPECT_FALSE(a.event.Stop(false)) << "a detached event";

    // Moving to another timer leaves the first one, which stops without events.
    guiTimer other;
    a.event.Start(&timer);
    a.event.Start(&other);
    EXPECT_FALSE(timer.IsStarted());
    EXPECT_TRUE(other.IsStarted());
}

TEST_F(GuiTimerTest, DestroyedTimerLeavesItsEventsDetached)
{
    Recorder rec;
    {
        guiTimer timer;
        rec.event.Start(&timer);
    }
    EXPECT_FALSE(rec.event.IsLinked());
    advance(300);
    EXPECT_TRUE(rec.ticks.empty());
}

TEST_F(GuiTimerTest, EventStoppingItselfLeavesTheOthersCalled)
{
    guiTimer timer;
    Recorder older;
    Recorder newer;
    older.event.Start(&timer);
    newer.event.Start(&timer);
    // The newest is called first.
    newer.action = [&] { newer.event.Stop(false); };
    advance(150);
    advance(150);
    EXPECT_EQ(newer.ticks.size(), 1u);
    EXPECT_EQ(older.ticks.size(), 2u);
}

TEST_F(GuiTimerTest, UnknownTimerIdDoesNothing)
{
    guiTimer timer;
    Recorder rec;
    rec.event.Start(&timer);
    guiTimer::TimerProc(nullptr, WM_TIMER, 0x7FFFFFF0, 1234);
    EXPECT_TRUE(rec.ticks.empty());
}

TEST_F(GuiTimerTest, PostEventDeliversItsMessageWithTheTick)
{
    MessageCounter counter(window->GetSafeHwnd());
    guiTimer timer;
    guiTimerPostEvent event(window.get(), WM_USER + 7);
    event.Start(&timer);
    clock->advance(150);
    const DWORD tick = GetTickCount();
    pump();
    EXPECT_EQ(counter.count(WM_USER + 7), 1);
    EXPECT_EQ(counter.lastWParam(WM_USER + 7), tick);
}

TEST_F(GuiTimerTest, RefusedTimerThrowsAndStaysUnlinked)
{
    guiTimer timer;
    vntTestFailNextTimers(1);
    vbtest::expectThrown<vbEsys>([&] { timer.Start(); }, static_cast<HRESULT>(0x800705AA), "guiTimer::Start() : failure");
    EXPECT_FALSE(timer.IsStarted());
    // Unlinked: a later start links it again and its ticks arrive.
    Recorder rec;
    rec.event.Start(&timer);
    advance(150);
    EXPECT_EQ(rec.ticks.size(), 1u);
}

} // namespace
