#include "vbService.h"
#include "LogFileReader.h"
#include "vbObjTestUtil.h"

#include "plat/message.h"
#include "plat/thread.h"
#include "plat/time.h"
#include "plat/timer.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using vbtest::catchVb;
using vbtest::expectEsys;

namespace {

// A service that records what it is told.
class Recording : public vbService {
public:
    explicit Recording(const char* label) : vbService(label, vbEngineDeps()) { }
    ~Recording() override
    {
        refuseStop = false;
        Destroy();
    }

    int starts = 0;
    int stops = 0;
    bool refuseStop = false;
    std::vector<int> changes;

    // A user of the service's own, to call its operations directly.
    struct User : vbBase {
    } a, b;

protected:
    void onServiceStart() override { ++starts; }
    bool onServiceStop(bool bForce) override
    {
        if (refuseStop && !bForce)
            return false;
        ++stops;
        return true;
    }
    void onUserChange(int change) override { changes.push_back(change); }
};

class vbServiceTest : public ::testing::Test {
protected:
    vbUseEngineCenter use{&g_vbEngineCenter, false};
};

TEST_F(vbServiceTest, TheFirstUserStartsItAndTheLastStopsIt)
{
    Recording service("Recording service");
    void* face = nullptr;
    EXPECT_TRUE(service.GetInterface(IID_vbService, &face));
    EXPECT_EQ(face, &service);
    EXPECT_FALSE(service.IsStarted());
    {
        vbUseService first(&service);
        EXPECT_TRUE(service.IsStarted());
        EXPECT_EQ(service.starts, 1);
        EXPECT_EQ(service.getLockInfo(&first), 1);
        {
            vbUseService second(&service);
            EXPECT_EQ(service.changes, std::vector<int>{-2});
            second.StartUse(&service);
            EXPECT_EQ(service.changes, std::vector<int>{-2}) << "the held service again changes nothing";
            EXPECT_EQ(service.getLockInfo(&second), 2);
        }
        EXPECT_EQ(service.changes, (std::vector<int>{-2, 0}));
        EXPECT_EQ(service.stops, 0);
        EXPECT_EQ(service.getLockInfo(&first), 1);
    }
    EXPECT_EQ(service.stops, 1);
    EXPECT_FALSE(service.IsStarted());

    // Moving to another service leaves the first.
    Recording other("Other service");
    vbUseService user(&service);
    EXPECT_EQ(service.starts, 2);
    user.StartUse(&other);
    EXPECT_EQ(service.stops, 2);
    EXPECT_EQ(other.starts, 1);
    user.StopUse();
    EXPECT_EQ(other.stops, 1);
    EXPECT_EQ(service.getLockInfo(nullptr), 0);
}

TEST_F(vbServiceTest, UsersAreKnownOnce)
{
    Recording service("Checked service");
    service.UseLock(&service.a);
    expectEsys([&] { service.UseLock(&service.a); }, E_FAIL,
        "vbService(Checked service)::UseLock() : pUser already in locker list");
    service.UseLock(&service.b);
    service.UpdateLock(&service.b);
    EXPECT_EQ(service.changes, (std::vector<int>{-2, 2}));

    sIvbBase* stranger = &service;
    char pointer[32];
    std::snprintf(pointer, sizeof pointer, "%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(stranger)));
    expectEsys([&] { service.UseUnlock(stranger); }, E_FAIL,
        std::string("vbService(Checked service)::UseUnlock(sIvbBase *pUser=") + pointer + ") : pUser not found !!");
    EXPECT_TRUE(catchVb([&] { service.UpdateLock(stranger); }).thrown);
    service.UseUnlock(&service.a);
    service.UseUnlock(&service.b);
    EXPECT_EQ(service.stops, 1);

    // Started explicitly, the service outlives its users.
    service.Start();
    service.UseLock(&service.a);
    service.UseUnlock(&service.a);
    EXPECT_TRUE(service.IsStarted());
    EXPECT_EQ(service.changes, (std::vector<int>{-2, 2, 0, -1, 0}));
}

TEST_F(vbServiceTest, AServiceThatWillNotStopTimesOutAfterFiveSeconds)
{
    vnt::test::ManualClock clock(true);
    Recording service("Stubborn service");
    service.refuseStop = true;
    const int uses = g_vbEngineCenter.GetUseCount();
    vbUseService user(&service);
    EXPECT_EQ(g_vbEngineCenter.GetUseCount(), uses + 1);
    const DWORD start = GetTickCount();
    expectEsys([&] { user.StopUse(); }, E_FAIL, "vbService(Stubborn service)::UseUnlock() : timeout, can't stop this engine !");
    EXPECT_GE(GetTickCount() - start, 4900u);
    EXPECT_LT(GetTickCount() - start, 5500u);
    EXPECT_EQ(service.getLockInfo(&user), 0);
    EXPECT_EQ(g_vbEngineCenter.GetUseCount(), uses) << "the guard let the centre go";
}

Recording* g_comeBack = nullptr;

// Run by the pump of the stop loop: a user comes back.
void CALLBACK comeBack(HWND, UINT, UINT_PTR, DWORD)
{
    if (!g_comeBack->getLockInfo(&g_comeBack->b))
        g_comeBack->UseLock(&g_comeBack->b);
}

TEST_F(vbServiceTest, AUserWhoComesBackDuringTheStopKeepsTheServiceRunning)
{
    vnt::test::ManualClock clock(true);
    Recording service("Returning service");
    g_comeBack = &service;
    service.refuseStop = true;
    service.UseLock(&service.a);
    UINT_PTR timer = SetTimer(nullptr, 0, 250, &comeBack);
    service.UseUnlock(&service.a);
    KillTimer(nullptr, timer);
    EXPECT_EQ(service.getLockInfo(&service.b), 1);
    EXPECT_EQ(service.stops, 0);
    service.refuseStop = false;
    service.UseUnlock(&service.b);
    EXPECT_EQ(service.stops, 1);
    g_comeBack = nullptr;
}

TEST_F(vbServiceTest, DestroyingAServiceInUseIsLogged)
{
    auto* service = new Recording("Abandoned service");
    service->UseLock(&service->a);
    delete service;
    EXPECT_NE(readLogFile().find(
                  "vbService(Abandoned service)::~vbService() : Not stopped correctly (1 Instance(s) using it, state=stopped)"),
        std::string::npos);
}

} // namespace
