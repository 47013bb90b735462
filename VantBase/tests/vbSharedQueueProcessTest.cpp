// Shared queues and the message engine between processes: this one and vb_helper_ipcqueue,
// driven through pipes.

#include "vbSharedQueue.h"
#include "vbVantMsgEngine.h"

#include "LogFileReader.h"
#include "vbHelperProcess.h"

#include "plat/thread.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

struct QueueHelper : vbtest::HelperProcess {
    QueueHelper() : HelperProcess("vb_helper_ipcqueue", "quit") { }
};

vbSharedQueuePtr openQueue(const char* qname)
{
    auto* raw = new vbSharedQueue(0x40000, "!ProcQueues", false, 0x80000, 64, 16384);
    vbSharedQueuePtr q(raw);
    raw->Release();
    q->SetQueueName(qname);
    q->Create();
    return q;
}

bool logHas(const std::string& piece) { return readLogFile().find(piece) != std::string::npos; }

int drain(vbSharedQueue* q)
{
    int n = 0;
    while (q->Peek(nullptr, nullptr, nullptr, nullptr, true))
        ++n;
    return n;
}

int drain(QueueHelper& h)
{
    int n = 0;
    while (h("peek") != "ok none")
        ++n;
    return n;
}

TEST(vbSharedQueueProcesses, TargetsReachTheChosenProcesses)
{
    vbSharedQueuePtr a = openQueue("a");
    QueueHelper b, c;
    ASSERT_EQ(b("queue !ProcQueues b"), "ok " + std::to_string(b.pid()));
    ASSERT_EQ(c("queue !ProcQueues c"), "ok " + std::to_string(c.pid()));
    const int64_t records = a->GetBusyByteCount();
    const std::string byPid = "processid:" + std::to_string(b.pid());
    struct Case {
        const char* target;
        int reached, atA, atB, atC;
    };
    const Case cases[] = {
        {nullptr, 2, 0, 1, 1},
        {vbSharedQueue::kSelf, 1, 1, 0, 0},
        {vbSharedQueue::kAll, 3, 1, 1, 1},
        {"b", 1, 0, 1, 0},
        {byPid.c_str(), 1, 0, 1, 0},
        {"\xA7" "a", 1, 1, 0, 0},
        {"a", 0, 0, 0, 0},
    };
    for (const Case& k : cases) {
        const std::string what = k.target > vbSharedQueue::kAll ? k.target : std::to_string(uintptr_t(k.target));
        EXPECT_EQ(a->Post(k.target, 0xC010, 1, 2), k.reached) << what;
        EXPECT_EQ(drain(a.Get()), k.atA) << what;
        EXPECT_EQ(drain(b), k.atB) << what;
        EXPECT_EQ(drain(c), k.atC) << what;
    }
    // One block for all three; free once every one has taken it.
    EXPECT_EQ(a->Post(vbSharedQueue::kAll, 0xC011, "shared", 7, 3, 4), 3);
    EXPECT_EQ(b("peek"), "ok 49169 3 4 shared");
    EXPECT_EQ(c("peek"), "ok 49169 3 4 shared");
    vbSharedMemPtr data;
    ASSERT_TRUE(a->Peek(nullptr, &data, nullptr, nullptr, true));
    data = nullptr;
    EXPECT_EQ(a->GetBusyByteCount(), records);
    EXPECT_EQ(a->Check(), 0);
    // A post from another process.
    EXPECT_EQ(b("post @a 49170 5 6 from b"), "ok 1");
    ULONG id = 0, v1 = 0, v2 = 0;
    ASSERT_TRUE(a->Peek(&id, &data, &v1, &v2, true));
    EXPECT_EQ(id, 49170u);
    vbMemLock ml(data.Get());
    EXPECT_STREQ(static_cast<const char*>(static_cast<void*>(ml)), "from b");
}

TEST(vbSharedQueueProcesses, ADeadProcessIsMarkedThenCleanedWithItsData)
{
    vbSharedQueuePtr a = openQueue("a");
    const int64_t alone = a->GetBusyByteCount();
    QueueHelper b;
    ASSERT_EQ(b("queue !ProcQueues b"), "ok " + std::to_string(b.pid()));
    EXPECT_EQ(a->Post("b", 0xC012, "pending", 8, 0, 0), 1);
    const pid_t pid = b.pid();
    b.kill();
    EXPECT_EQ(a->Post("b", 0xC012, 0, 0), 0);
    EXPECT_TRUE(logHas("ERROR: vbSharedQueue('!ProcQueues')::post() : event doesn't exist for processid="
        + std::to_string(pid)));
    EXPECT_TRUE(a->CleanQlist());
    EXPECT_TRUE(logHas("INFO: vbSharedQueue('!ProcQueues')::CleanQlist() : q deleted : name=b, processId=0, lastAccess="));
    EXPECT_EQ(a->GetBusyByteCount(), alone);
    EXPECT_EQ(a->Check(), 0);
}

TEST(vbSharedQueueProcesses, AnIdleProcessIsUnlinkedAndComesBack)
{
    vnt::test::ManualClock clock;
    vbSharedQueuePtr a = openQueue("a");
    QueueHelper b;
    ASSERT_EQ(b("queue !ProcQueues b"), "ok " + std::to_string(b.pid()));
    clock.advance(21 * 60 * 1000);
    a->Peek(nullptr, nullptr, nullptr, nullptr, false);
    EXPECT_FALSE(a->CleanQlist());
    EXPECT_TRUE(logHas("INFO: vbSharedQueue('!ProcQueues')::CleanQlist() : q deleted but not freed : name=b, processId="
        + std::to_string(b.pid()) + ", lastAccess="));
    EXPECT_EQ(a->Post("b", 0xC013, 1, 0), 0);
    // Its next read links a new record.
    EXPECT_EQ(b("peek"), "ok none");
    EXPECT_EQ(a->Post("b", 0xC013, 2, 0), 1);
    EXPECT_EQ(b("peek"), "ok 49171 2 0 -");
    EXPECT_EQ(b("check"), "ok 0");
}

TEST(vbSharedQueueProcesses, EngineMessagesBothWays)
{
    vbUseEngineCenter use(&g_vbEngineCenter, false);
    vbExtraMsg valueMsg("KVX Test value message");
    vbExtraDataMsg dataMsg("KVX Test data message");
    QueueHelper b;
    ASSERT_EQ(b("engine childq"), "ok");
    EXPECT_EQ(b("epost - value 1 2"), "ok 0"); // nobody else yet
    g_vbVantMsgEngine.SetQueueName("parentq");
    EXPECT_EQ(g_vbVantMsgEngine.Post("childq", valueMsg, 7, 8), 1);
    EXPECT_EQ(g_vbVantMsgEngine.Post("childq", dataMsg, "hello", 6, 9, 10), 1);
    EXPECT_EQ(b("got 2"), "ok value 7 8;data 9 10 hello");

    // From the child: delivered here on the engine thread, the block freed after the call.
    struct Sink : vbBase {
        void onData(vbVantDataCb&, vbSharedMem* block, DWORD v1, DWORD v2)
        {
            vbMemLock ml(block);
            text = static_cast<const char*>(static_cast<void*>(ml));
            values = v1 * 1000 + v2;
            thread = GetCurrentThreadId();
        }
        std::string text;
        std::atomic<DWORD> values{0};
        DWORD thread = 0;
    } sink;
    vbVantDataCb cb(1, &dataMsg, vbVANTDATACB(&sink, &Sink::onData), true);
    const int64_t records = g_vbVantMsgEngine.GetQueue()->GetBusyByteCount();
    EXPECT_EQ(b("epost parentq data 11 12 to parent"), "ok 1");
    for (int i = 0; i < 1000 && sink.values == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(sink.values, 11012u);
    EXPECT_EQ(sink.text, "to parent");
    EXPECT_NE(sink.thread, GetCurrentThreadId());
    for (int i = 0; i < 1000 && g_vbVantMsgEngine.GetQueue()->GetBusyByteCount() != records; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(g_vbVantMsgEngine.GetQueue()->GetBusyByteCount(), records);
}

TEST(vbMsgWndProcess, HiddenTopMostToolWindowBeforeVersion5)
{
    QueueHelper four, five;
    EXPECT_EQ(four("msgwnd 4"), "ok 0 136");
    EXPECT_EQ(five("msgwnd 5"), "ok 1 136");
}

} // namespace
