// Shared queues within one process: record layout, targets, full and closed queues, the data of
// byte-form posts, clean-up of idle records and the chain check.

#include "vbSharedQueue.h"

#include "LogFileReader.h"
#include "vbObjTestUtil.h"

#include "plat/handles.h"
#include "plat/process.h"
#include "plat/sync.h"
#include "plat/thread.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

using vbtest::catchVb;
using vbtest::expectEsys;

namespace {

// Remembers the sizes asked of Alloc.
class SizeQueue : public vbSharedQueue {
public:
    SizeQueue(const char* name) : vbSharedQueue(0x40000, name, false, 0x80000, 64, 16384) { }
    bool Alloc(vbSharedMemPtr* out, ULONG cByte, bool bThrow) override
    {
        sizes.push_back(cByte);
        return vbSharedQueue::Alloc(out, cByte, bThrow);
    }
    std::vector<ULONG> sizes;
};

vbSharedQueuePtr openQueue(const char* qname, const char* heap = "!TestQueues", bool bCreate = true)
{
    auto* raw = new vbSharedQueue(0x40000, heap, false, 0x80000, 64, 16384);
    vbSharedQueuePtr q(raw);
    raw->Release();
    if (qname)
        q->SetQueueName(qname);
    if (bCreate)
        q->Create();
    return q;
}

int countInLog(const std::string& piece)
{
    const std::string log = readLogFile();
    int n = 0;
    for (size_t at = log.find(piece); at != std::string::npos; at = log.find(piece, at + 1))
        ++n;
    return n;
}

uint32_t rd32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// The bytes of the own record.
std::vector<uint8_t> recordBytes(vbSharedQueue* q)
{
    vbSharedMemPtr rec;
    q->Load(&rec, q->GetQueueHandle(), 0, true);
    vbMemLock ml(rec.Get());
    const auto* p = static_cast<const uint8_t*>(static_cast<void*>(ml));
    return std::vector<uint8_t>(p, p + rec->GetLength());
}

std::string self(const char* qname) { return std::string("\xA7") + qname; }

TEST(vbSharedQueue, RecordSizeLayoutAndEvent)
{
    auto* six = new SizeQueue("!TestQueues");
    vbSharedQueuePtr hold6(six);
    six->Release();
    six->SetQueueName("sixsix");
    six->Create();
    auto* twenty = new SizeQueue("!TestQueues");
    vbSharedQueuePtr hold20(twenty);
    twenty->Release();
    twenty->SetQueueName("twenty-characters-xy");
    twenty->Create();
    EXPECT_EQ(six->sizes, std::vector<ULONG>{0x120});
    EXPECT_EQ(twenty->sizes, std::vector<ULONG>{0x12D});

    // The newest record heads the chain; names, owner and links at their offsets.
    const std::vector<uint8_t> r6 = recordBytes(six), r20 = recordBytes(twenty);
    EXPECT_EQ(rd32(&r20[0x104]), GetCurrentProcessId());
    EXPECT_EQ(rd32(&r20[0x110]), 0u);
    EXPECT_EQ(rd32(&r20[0x114]), six->GetQueueHandle());
    EXPECT_EQ(rd32(&r6[0x110]), twenty->GetQueueHandle());
    EXPECT_EQ(rd32(&r6[0x114]), 0u);
    EXPECT_STREQ(reinterpret_cast<const char*>(&r20[0x118]), "twenty-characters-xy");
    EXPECT_EQ(rd32(&r6[0x100]), 0u);
    double access = 0;
    std::memcpy(&access, &r6[0x108], 8);
    EXPECT_NEAR(access, double(vbDate::GetUtcTime()), 1.0 / 24 / 60);

    const std::string event = "TestQueues.VantrelQ" + std::to_string(GetCurrentProcessId());
    HANDLE h = CreateEventA(nullptr, FALSE, FALSE, event.c_str());
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    CloseHandle(h);
}

TEST(vbSharedQueue, Refusals)
{
    vbSharedQueuePtr bad = openQueue("\xFF" "ab", "!TestQueues", false);
    expectEsys([&] { bad->Create(); }, E_FAIL, "vbSharedQueue('!TestQueues')::Create() : bad qName('\xFF" "ab')");
    // Before Create there is no own record to post to.
    expectEsys([&] { bad->Post(vbSharedQueue::kSelf, 0xC001, 1, 2); }, E_FAIL,
        "vbMemLock::operator void*() : lock not valid");

    vbSharedQueuePtr q = openQueue("q");
    expectEsys([&] { q->SetQueueName("x"); }, E_FAIL,
        "vbSharedQueue('!TestQueues')::SetQueueName(x) : queue already created, can't change name");
    // No name: the program's module name.
    vbSharedQueuePtr unnamed = openQueue(nullptr);
    EXPECT_FALSE(unnamed->GetQueueName().IsEmpty());
}

TEST(vbSharedQueue, TargetsWithinOneProcess)
{
    vbSharedQueuePtr q = openQueue("alpha");
    struct Case {
        const char* target;
        int expected;
    };
    const std::string mine = self("alpha"), mineWild = self("al*"), byPid = self(("processid:" + std::to_string(GetCurrentProcessId())).c_str());
    const Case cases[] = {
        {nullptr, 0}, {vbSharedQueue::kSelf, 1}, {vbSharedQueue::kAll, 1}, {"alpha", 0}, {mine.c_str(), 1},
        {mineWild.c_str(), 1}, {byPid.c_str(), 1}, {"\xA7" "beta", 0},
    };
    int queued = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(q->Post(c.target, 0xC001, 7, 8), c.expected) << (c.target > vbSharedQueue::kAll ? c.target : "special");
        queued += c.expected;
    }
    ULONG id = 0, v1 = 0, v2 = 0;
    vbSharedMemPtr data;
    for (int i = 0; i < queued; ++i) {
        ASSERT_TRUE(q->Peek(&id, &data, &v1, &v2, true));
        EXPECT_EQ(id, 0xC001u);
        EXPECT_EQ(v1, 7u);
        EXPECT_EQ(v2, 8u);
        EXPECT_FALSE(data);
    }
    EXPECT_FALSE(q->Peek(&id, &data, &v1, &v2, true));
}

TEST(vbSharedQueue, FullQueueTimesOutWithoutKeepingItsBlock)
{
    vbSharedQueuePtr q = openQueue("full");
    const int64_t busyRecord = q->GetBusyByteCount();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(q->Post(vbSharedQueue::kSelf, 0xC001, ULONG(i), 0), 1);
    vnt::test::ManualClock clock(true);
    const uint64_t start = clock.tick();
    const char data[] = "hello";
    expectEsys([&] { q->Post(vbSharedQueue::kSelf, 0xC002, data, 5, 0, 0); }, HRESULT(0x800005B4),
        "vbSharedQueue('!TestQueues')::Post() : timeout");
    EXPECT_EQ(clock.tick() - start, 20u * 300u);
    EXPECT_EQ(q->GetBusyByteCount(), busyRecord);
    // The 16 queued messages are intact and in order.
    ULONG id = 0, v1 = 0;
    for (ULONG i = 0; i < 16; ++i) {
        ASSERT_TRUE(q->Peek(&id, nullptr, &v1, nullptr, true));
        EXPECT_EQ(v1, i);
    }
    EXPECT_EQ(q->Check(), 0);
}

TEST(vbSharedQueue, PeekKeepsTheMessageAndGetHandsOverTheReference)
{
    vbSharedQueuePtr q = openQueue("peek");
    const int64_t busyRecord = q->GetBusyByteCount();
    const char text[] = "some data";
    ASSERT_EQ(q->Post(vbSharedQueue::kSelf, 0xC003, text, int(sizeof text), 1, 2), 1);
    vbSharedMemPtr first, second;
    ASSERT_TRUE(q->Peek(nullptr, &first, nullptr, nullptr, false));
    ASSERT_TRUE(q->Peek(nullptr, &second, nullptr, nullptr, false));
    EXPECT_EQ(first->GetHandle(), second->GetHandle());
    first = nullptr;
    second = nullptr;
    vbSharedMemPtr taken;
    ULONG id = 0;
    ASSERT_TRUE(q->Get(&id, &taken, nullptr, nullptr));
    EXPECT_EQ(id, 0xC003u);
    {
        vbMemLock ml(taken.Get());
        EXPECT_STREQ(static_cast<const char*>(static_cast<void*>(ml)), text);
    }
    EXPECT_GT(q->GetBusyByteCount(), busyRecord);
    taken = nullptr;
    EXPECT_EQ(q->GetBusyByteCount(), busyRecord);
    EXPECT_EQ(q->Check(), 0);
}

TEST(vbSharedQueue, ByteFormZeroesWhatItDoesNotCopy)
{
    vbSharedQueuePtr q = openQueue("bytes");
    // A block full of other bytes, freed again, lies where the next one is made.
    std::vector<uint8_t> junk(100, 0xAB);
    ASSERT_EQ(q->Post(vbSharedQueue::kSelf, 0xC004, junk.data(), int(junk.size()), 0, 0), 1);
    vbSharedMemPtr data;
    ASSERT_TRUE(q->Get(nullptr, &data, nullptr, nullptr));
    data = nullptr;
    for (const void* p : {static_cast<const void*>("12345"), static_cast<const void*>(nullptr)}) {
        ASSERT_EQ(q->Post(vbSharedQueue::kSelf, 0xC004, p, 5, 0, 0), 1);
        ASSERT_TRUE(q->Get(nullptr, &data, nullptr, nullptr));
        ASSERT_TRUE(data);
        EXPECT_EQ(data->GetLength(), 108u);
        vbMemLock ml(data.Get());
        const auto* b = static_cast<const uint8_t*>(static_cast<void*>(ml));
        EXPECT_EQ(std::memcmp(b, p ? p : "\0\0\0\0\0", 5), 0);
        for (ULONG i = 5; i < data->GetLength(); ++i)
            ASSERT_EQ(b[i], 0) << i;
    }
}

TEST(vbSharedQueue, ClosedQueueDrainsThenAnswersFalse)
{
    vbSharedQueuePtr q = openQueue("closed");
    q->Post(vbSharedQueue::kSelf, 0xC005, 1, 0);
    q->Post(vbSharedQueue::kSelf, 0xC005, 2, 0);
    q->Close();
    EXPECT_TRUE(q->IsClosed());
    ULONG v1 = 0;
    EXPECT_TRUE(q->Get(nullptr, nullptr, &v1, nullptr));
    EXPECT_EQ(v1, 1u);
    EXPECT_TRUE(q->Get(nullptr, nullptr, &v1, nullptr));
    EXPECT_EQ(v1, 2u);
    EXPECT_FALSE(q->Get(nullptr, nullptr, &v1, nullptr));
    q->CancelClose();
    EXPECT_FALSE(q->IsClosed());

    // Close from another thread wakes a waiting Get.
    bool answer = true;
    std::thread waiter([&] { answer = q->Get(nullptr, nullptr, nullptr, nullptr); });
    Sleep(50);
    q->Close();
    waiter.join();
    EXPECT_FALSE(answer);
}

TEST(vbSharedQueue, WaitTimesOutAfterTheQueueTimeOut)
{
    vbSharedQueuePtr q = openQueue("wait");
    EXPECT_EQ(q->GetTimeOut(), 30000u);
    q->SetTimeOut(500);
    vnt::test::ManualClock clock(true);
    const uint64_t start = clock.tick();
    bool timedOut = false, abandoned = true;
    EXPECT_FALSE(q->Wait(&timedOut, &abandoned));
    EXPECT_TRUE(timedOut);
    EXPECT_FALSE(abandoned);
    EXPECT_EQ(clock.tick() - start, 500u);
    q->Post(vbSharedQueue::kSelf, 0xC006, 0, 0);
    EXPECT_TRUE(q->Wait(&timedOut, nullptr));
    EXPECT_FALSE(timedOut);
}

TEST(vbSharedQueue, IdleOwnRecordIsCleanedAndRelinkedOnPeek)
{
    vnt::test::ManualClock clock;
    vbSharedQueuePtr other = openQueue("other");
    vbSharedQueuePtr q = openQueue("idle");
    const char text[] = "pending";
    q->Post(self("idle").c_str(), 0xC007, text, int(sizeof text), 0, 0);
    clock.advance(21 * 60 * 1000);
    other->Peek(nullptr, nullptr, nullptr, nullptr, false); // "other" has read lately
    // The owner lives: the record leaves the chain, its pending data is freed, the block stays.
    EXPECT_FALSE(other->CleanQlist());
    EXPECT_EQ(countInLog("INFO: vbSharedQueue('!TestQueues')::CleanQlist() : q deleted but not freed : name=idle, processId="
                  + std::to_string(GetCurrentProcessId()) + ", lastAccess="),
        1);
    EXPECT_EQ(q->Post(self("idle").c_str(), 0xC007, 0, 0), 0);
    // The next Peek makes a new record; messages come again.
    EXPECT_FALSE(q->Peek(nullptr, nullptr, nullptr, nullptr, true));
    EXPECT_EQ(countInLog("INFO: vbSharedQueue('!TestQueues')::Peek() : q removed from chain, recreated : name=idle"), 1);
    EXPECT_EQ(q->Post(self("idle").c_str(), 0xC007, 5, 0), 1);
    ULONG v1 = 0;
    EXPECT_TRUE(q->Peek(nullptr, nullptr, &v1, nullptr, true));
    EXPECT_EQ(v1, 5u);
    EXPECT_EQ(q->Check(), 0);
    // Only the two records are left.
    vbSharedQueueEnum e;
    e.Start(q.Get(), false);
    e.SearchSubString(vbString(), 1);
    int n = 0;
    while (e.SearchNext())
        ++n;
    e.Stop();
    EXPECT_EQ(n, 2);
}

TEST(vbSharedQueue, EnumeratorKeysAndAccessors)
{
    vbSharedQueuePtr a = openQueue("first");
    vbSharedQueuePtr b = openQueue("second");
    vbSharedQueueEnum e;
    expectEsys([&] { e.GetQname(); }, E_FAIL, "vbSharedQueueEnum()::GetQname() : no current queue selected");
    expectEsys([&] { e.SearchNext(); }, E_FAIL, "vbSharedQueueEnum()::onGetNext() : no queue attached");
    struct Case {
        std::string expr;
        std::vector<std::string> names;
    };
    const std::string pid = std::to_string(GetCurrentProcessId());
    const Case cases[] = {
        {"f*", {"first"}},
        {"*", {"second", "first"}},
        {"FIRST", {"first"}},
        {"processid:" + pid, {"second", "first"}},
        {"processid:1", {}},
        {"name:sec*", {"second"}},
    };
    for (const Case& c : cases) {
        e.Start(a.Get(), false);
        e.SearchExpr(c.expr.c_str(), 1);
        std::vector<std::string> names;
        while (e.SearchNext()) {
            names.push_back(e.GetQname().c_str());
            EXPECT_EQ(e.GetQprocess(), GetCurrentProcessId());
            // The position in the chain, newest first.
            EXPECT_EQ(e.GetQindex(), names.back() == "second" ? 1 : 2);
            EXPECT_TRUE(e.GetQlastAccess().IsValid());
        }
        e.Stop();
        EXPECT_EQ(names, c.names) << c.expr;
    }
}

TEST(vbSharedQueue, CheckListsTheChainAfterABrokenLink)
{
    vbSharedQueuePtr a = openQueue("one");
    vbSharedQueuePtr b = openQueue("two");
    vbSharedQueuePtr c = openQueue("three");
    EXPECT_EQ(c->Check(), 0);
    EXPECT_EQ(countInLog("vbSharedQueue('!TestQueues')::Check()"), 0);
    // The second record ("two") gets a wrong previous handle.
    {
        vbSharedMemPtr rec;
        b->Load(&rec, b->GetQueueHandle(), 0, true);
        vbMemLock ml(rec.Get());
        auto* p = static_cast<uint8_t*>(static_cast<void*>(ml));
        p[0x110] ^= 0x40;
    }
    EXPECT_EQ(c->Check(), 1);
    EXPECT_EQ(countInLog("ERROR: vbSharedQueue('!TestQueues')::Check() : previous pointer invalid (expected="), 2);
    char expected[64];
    std::snprintf(expected, sizeof expected, "(expected=%X, cur=%X)", c->GetQueueHandle(), c->GetQueueHandle() ^ 0x40);
    EXPECT_EQ(countInLog(expected), 2);
    for (const char* line : {"INFO: vbSharedQueue('!TestQueues')::Check() : 1: q name=three, processId=",
             "INFO: vbSharedQueue('!TestQueues')::Check() : 2: q name=two, processId=",
             "INFO: vbSharedQueue('!TestQueues')::Check() : 3: q name=one, processId="})
        EXPECT_EQ(countInLog(line), 1) << line;
    char handles[96];
    std::snprintf(handles, sizeof handles, ", this=%X, next=%X, prev=0", c->GetQueueHandle(), b->GetQueueHandle());
    EXPECT_EQ(countInLog(handles), 1);
}

TEST(vbSharedQueue, DestroyUnlinksAndFrees)
{
    vbSharedQueuePtr a = openQueue("stay");
    const int64_t busyOne = a->GetBusyByteCount();
    {
        vbSharedQueuePtr b = openQueue("leave");
        b->Post(vbSharedQueue::kSelf, 0xC008, "x", 1, 0, 0);
        EXPECT_GT(a->GetBusyByteCount(), busyOne);
    }
    EXPECT_EQ(a->GetBusyByteCount(), busyOne);
    EXPECT_EQ(a->Check(), 0);
    EXPECT_EQ(a->Post(vbSharedQueue::kAll, 0xC008, 0, 0), 1);
    a->Destroy();
    EXPECT_TRUE(a->IsClosed());
}

} // namespace
