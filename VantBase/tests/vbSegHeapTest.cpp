#include "vbHeap.h"
#include "vbObjTestUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

using vbtest::catchVb;
using vbtest::expectEsys;

namespace {

// A heap with 64-byte cells (48 asked) and 16 cells per segment: small enough to fill segments
// by hand. Largest shared run without a limit: 12 cells.
constexpr int kSmallCellBytes = 48;
constexpr int kSmallSegBytes = vbSegHeap::kSegHeader + 16 * 64;

int userBytes(int cells, int cellSize) { return cells * cellSize - vbSegHeap::kBlockHeader; }

void fill(void* p, int n, unsigned char v) { std::memset(p, v, static_cast<size_t>(n)); }

bool holds(const void* p, int n, unsigned char v)
{
    auto* b = static_cast<const unsigned char*>(p);
    for (int i = 0; i < n; ++i)
        if (b[i] != v)
            return false;
    return true;
}

TEST(vbSegHeap, DefaultLayoutKeepsSixteenByteAlignment)
{
    vbSegHeap heap("layout");
    // 52 asked bytes + 16-byte header, rounded up to 16.
    EXPECT_EQ(heap.GetCellSize(), 80);
    EXPECT_EQ(heap.GetCellsPerSegment(), (131072 - 32) / 80);
    EXPECT_EQ(heap.GetCellsPerSegment(), 1638);
    EXPECT_EQ(heap.GetLargestSharedRun(), 1638 * 3 / 4);

    // One cell holds 64 bytes: 64 takes one cell, 65 takes two.
    void* one = heap.Alloc(64, vbAllocNoInit);
    void* two = heap.Alloc(65, vbAllocNoInit);
    EXPECT_EQ(heap.GetSize(one), 64);
    EXPECT_EQ(heap.GetSize(two), 144);
    EXPECT_EQ(heap.GetSize(), 80 + 160);
    for (void* p : {one, two})
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
    EXPECT_TRUE(heap.IsValid());
    heap.Free(one);
    heap.Free(two);
    EXPECT_EQ(heap.GetAllocCount(), 0);
    EXPECT_EQ(heap.GetSize(), 0);
    EXPECT_TRUE(heap.IsValid());
}

TEST(vbSegHeap, CellBytesMustExceedSixteen)
{
    vbSegHeap heap("cells", vbCtorNoCreate);
    expectEsys([&] { heap.SetParams(16, 0, 0); }, E_FAIL,
        "vbSegHeap(cells)::SetParams() : cByteCell asked = 16, must be > 16");
    heap.SetParams(17, 0, 0);
    heap.Create();
    EXPECT_EQ(heap.GetCellSize(), 48);

    vbSegHeap tiny("tiny", 52, 32 + 11 * 80, 0, vbCtorNoCreate);
    expectEsys([&] { tiny.Create(); }, E_FAIL,
        "vbSegHeap(tiny)::Create() : m_cCellPerSeg = 11, must be >= 12 and <= 32768");
}

TEST(vbSegHeap, OperatorNewOfEveryHeapThrows)
{
    expectEsys([] { delete new vbBaseHeap("x"); }, E_FAIL,
        "Do not use operator void *vbBaseHeap::operator new(unsigned int sz) !");
    expectEsys([] { delete new vbllSysHeap(false); }, E_FAIL,
        "Do not use operator void *vbllSysHeap::operator new(unsigned int sz) !");
    expectEsys([] { delete new vbllCrtHeap(false); }, E_FAIL,
        "Do not use operator void *vbllCrtHeap::operator new(unsigned int sz) !");
    expectEsys([] { delete new vbSegHeap("x"); }, E_FAIL,
        "Do not use operator void *vbSegHeap::operator new(unsigned int sz) !");
}

TEST(vbSegHeap, RefusesBadRequestsWithItsMessages)
{
    vbSegHeap heap("h", vbCtorNoCreate);
    expectEsys([&] { heap.Alloc(8, vbAllocZero); }, E_FAIL, "vbSegHeap(h)::Alloc() : heap not created");
    expectEsys([&] { heap.ReAlloc(&heap, 8, vbAllocZero); }, E_FAIL, "vbSegHeap(h)::ReAlloc() : heap not created");
    expectEsys([&] { heap.Free(&heap); }, E_FAIL, "vbSegHeap(h)::Free() : heap not created");
    heap.Create();
    expectEsys([&] { heap.Alloc(0, vbAllocZero); }, E_FAIL, "vbSegHeap(h)::Alloc(cByte=0) : size to allocate <= 0");

    // Sizes are computed in 64 bits: near 2^31 nothing wraps, the request is refused whole.
    for (int size : {INT_MAX, INT_MAX - 16, INT_MAX - 40}) {
        expectEsys([&] { heap.Alloc(size, vbAllocNoInit); }, E_OUTOFMEMORY,
            "vbSegHeap(h)::Alloc(sz=" + std::to_string(size) + ") : Heap is full (alloc nb = 0, total sz = 0)");
    }
    EXPECT_EQ(heap.GetSegmentCount(), 0);
    void* p = heap.Alloc(100, vbAllocNoInit);
    vbtest::Caught c = catchVb([&] { heap.ReAlloc(p, INT_MAX, vbAllocNoInit); });
    EXPECT_EQ(static_cast<uint32_t>(c.hr), static_cast<uint32_t>(E_OUTOFMEMORY));
    EXPECT_TRUE(heap.IsValid(p));
    EXPECT_EQ(heap.GetAllocCount(), 1);

    // A block given back twice is refused, not merged twice.
    void* keep = heap.Alloc(10, vbAllocNoInit);
    heap.Free(p);
    c = catchVb([&] { heap.Free(p); });
    EXPECT_EQ(static_cast<uint32_t>(c.hr), static_cast<uint32_t>(E_INVALIDARG));
    EXPECT_TRUE(heap.IsValid());
    heap.Free(keep);
    heap.Free(nullptr);
}

TEST(vbSegHeap, ZeroModeClearsNewBytes)
{
    vbSegHeap heap("zero", kSmallCellBytes, kSmallSegBytes, 0);
    void* dirty = heap.Alloc(200, vbAllocNoInit);
    fill(dirty, heap.GetSize(dirty), 0xAB);
    heap.Free(dirty);
    void* p = heap.Alloc(100, vbAllocZero);
    EXPECT_TRUE(holds(p, heap.GetSize(p), 0));
    fill(p, heap.GetSize(p), 0x11);
    int before = heap.GetSize(p);
    p = heap.ReAlloc(p, 400, vbAllocZero);
    EXPECT_TRUE(holds(p, before, 0x11));
    EXPECT_TRUE(holds(static_cast<char*>(p) + before, heap.GetSize(p) - before, 0));
    heap.Free(p);
}

TEST(vbSegHeap, LargeRequestsGetTheirOwnSegment)
{
    vbSegHeap heap("big", kSmallCellBytes, kSmallSegBytes, 0);
    ASSERT_EQ(heap.GetCellSize(), 64);
    ASSERT_EQ(heap.GetCellsPerSegment(), 16);
    ASSERT_EQ(heap.GetLargestSharedRun(), 12);

    void* shared = heap.Alloc(userBytes(12, 64), vbAllocNoInit);
    EXPECT_EQ(heap.GetSegmentCount(), 1);
    void* own = heap.Alloc(userBytes(13, 64), vbAllocNoInit);
    EXPECT_EQ(heap.GetSegmentCount(), 2);
    EXPECT_EQ(heap.GetSize(own), userBytes(13, 64));

    // Growing and shrinking a lone block resizes its segment and keeps the bytes.
    fill(own, heap.GetSize(own), 0x5A);
    int had = heap.GetSize(own);
    own = heap.ReAlloc(own, userBytes(40, 64), vbAllocNoInit);
    EXPECT_TRUE(holds(own, had, 0x5A));
    own = heap.ReAlloc(own, userBytes(2, 64), vbAllocNoInit);
    EXPECT_TRUE(holds(own, userBytes(2, 64), 0x5A));
    EXPECT_EQ(heap.GetSegmentCount(), 2);
    EXPECT_TRUE(heap.IsValid());

    // A segment holding a single block goes back at once.
    heap.Free(own);
    EXPECT_EQ(heap.GetSegmentCount(), 1);
    heap.Free(shared);
    EXPECT_TRUE(heap.IsValid());
}

TEST(vbSegHeap, KeepsThreeEmptySegmentsUntilCompact)
{
    vbSegHeap heap("keep", kSmallCellBytes, kSmallSegBytes, 0);
    // 12 cells each: no two fit in one 16-cell segment.
    std::vector<void*> blocks;
    for (int i = 0; i < 4; ++i)
        blocks.push_back(heap.Alloc(userBytes(12, 64), vbAllocNoInit));
    EXPECT_EQ(heap.GetSegmentCount(), 4);
    for (int i = 0; i < 3; ++i) {
        heap.Free(blocks[i]);
        EXPECT_EQ(heap.GetSegmentCount(), 4);
        EXPECT_EQ(heap.GetEmptySegmentCount(), i + 1);
    }
    heap.Free(blocks[3]);
    EXPECT_EQ(heap.GetSegmentCount(), 3);
    EXPECT_EQ(heap.GetEmptySegmentCount(), 3);
    EXPECT_TRUE(heap.IsValid());

    // A kept segment serves the next request.
    void* again = heap.Alloc(userBytes(12, 64), vbAllocNoInit);
    EXPECT_EQ(heap.GetSegmentCount(), 3);
    EXPECT_EQ(heap.GetEmptySegmentCount(), 2);
    heap.Free(again);

    EXPECT_TRUE(heap.Compact());
    EXPECT_EQ(heap.GetSegmentCount(), 0);
    EXPECT_EQ(heap.GetEmptySegmentCount(), 0);
    EXPECT_FALSE(heap.Compact());
    EXPECT_TRUE(heap.IsValid());
}

TEST(vbSegHeap, ReAllocEdges)
{
    vbSegHeap heap("re", kSmallCellBytes, kSmallSegBytes, 0);
    void* a = heap.Alloc(40, vbAllocNoInit);
    EXPECT_EQ(heap.ReAlloc(a, 0, vbAllocNoInit), nullptr);
    EXPECT_TRUE(heap.IsValid(a));
    // Same cell count: same block.
    EXPECT_EQ(heap.ReAlloc(a, userBytes(1, 64), vbAllocNoInit), a);
    EXPECT_EQ(heap.ReAlloc(a, 1, vbAllocNoInit), a);
    // Null block: an allocation.
    void* b = heap.ReAlloc(nullptr, 10, vbAllocNoInit);
    EXPECT_TRUE(heap.IsValid(b));
    heap.Free(a);
    heap.Free(b);
}

TEST(vbSegHeap, ReAllocGrowsIntoFreeNeighbours)
{
    vbSegHeap heap("grow", kSmallCellBytes, kSmallSegBytes, 0);
    const int one = userBytes(1, 64);

    // Free next block: grows in place.
    void* a = heap.Alloc(one, vbAllocNoInit);
    void* b = heap.Alloc(one, vbAllocNoInit);
    void* stop = heap.Alloc(one, vbAllocNoInit);
    fill(a, one, 0xA1);
    heap.Free(b);
    EXPECT_EQ(heap.ReAlloc(a, userBytes(2, 64), vbAllocNoInit), a);
    EXPECT_TRUE(holds(a, one, 0xA1));
    EXPECT_TRUE(heap.IsValid());

    // Free previous block only: the data moves down to its start.
    void* c = heap.Alloc(one, vbAllocNoInit);
    void* d = heap.Alloc(one, vbAllocNoInit);
    void* e = heap.Alloc(one, vbAllocNoInit);
    fill(d, one, 0xD4);
    heap.Free(c);
    void* moved = heap.ReAlloc(d, userBytes(2, 64), vbAllocNoInit);
    EXPECT_EQ(moved, c);
    EXPECT_TRUE(holds(moved, one, 0xD4));
    EXPECT_TRUE(heap.IsValid(moved));
    EXPECT_FALSE(heap.IsValid(d));
    EXPECT_TRUE(heap.IsValid());

    // Shrinking leaves a free run behind the block that a request can take.
    void* big = heap.Alloc(userBytes(4, 64), vbAllocNoInit);
    EXPECT_EQ(heap.ReAlloc(big, one, vbAllocNoInit), big);
    EXPECT_TRUE(heap.IsValid());

    for (void* p : {a, stop, moved, e, big})
        heap.Free(p);
    EXPECT_EQ(heap.GetAllocCount(), 0);
    EXPECT_TRUE(heap.IsValid());
}

TEST(vbSegHeap, IsValidOfABlock)
{
    vbSegHeap heap("valid", kSmallCellBytes, kSmallSegBytes, 0);
    int local = 0;
    EXPECT_FALSE(heap.IsValid(nullptr));
    EXPECT_FALSE(heap.IsValid(&local));
    void* p = heap.Alloc(10, vbAllocNoInit);
    void* q = heap.Alloc(10, vbAllocNoInit);
    EXPECT_TRUE(heap.IsValid(p));
    EXPECT_FALSE(heap.IsValid(static_cast<char*>(p) + 16));
    EXPECT_FALSE(heap.IsValid(&local));
    heap.Free(p);
    EXPECT_FALSE(heap.IsValid(p));
    heap.Free(q);
}

class Cleaner : public vbBase {
public:
    bool clean(int cByte)
    {
        ++calls;
        asked = cByte;
        if (!victim)
            return false;
        heap->Free(victim);
        victim = nullptr;
        return true;
    }
    vbSegHeap* heap = nullptr;
    void* victim = nullptr;
    int calls = 0;
    int asked = 0;
};

TEST(vbSegHeap, LimitedHeapAsksTheCleanerThenIsFull)
{
    // A maximum of one segment's cell bytes: one segment at most.
    vbSegHeap heap("limited", kSmallCellBytes, kSmallSegBytes, 16 * 64);
    EXPECT_EQ(heap.GetLargestSharedRun(), 16);
    Cleaner cleaner;
    cleaner.heap = &heap;
    heap.SetCleanerFct(&cleaner, static_cast<vbHeapCleanerFct>(&Cleaner::clean));

    void* whole = heap.Alloc(userBytes(16, 64), vbAllocNoInit);
    expectEsys([&] { heap.Alloc(10, vbAllocNoInit); }, E_OUTOFMEMORY,
        "vbSegHeap(limited)::Alloc(sz=10) : Heap is full (alloc nb = 1, total sz = 1024)");
    EXPECT_EQ(cleaner.calls, 1);
    EXPECT_EQ(cleaner.asked, 10);

    // A cleaner that frees something makes the request succeed on the retry.
    cleaner.victim = whole;
    void* p = heap.Alloc(10, vbAllocNoInit);
    EXPECT_EQ(cleaner.calls, 2);
    EXPECT_TRUE(heap.IsValid(p));

    expectEsys([&] { heap.Alloc(userBytes(17, 64), vbAllocNoInit); }, E_FAIL,
        "vbSegHeap(limited)::Alloc(cByte=1072) : When heap is limted in size, it's not possible to allocate a block "
        "bigger than segment size. Sevbent size is cByteCell(64)*cCellPerSeg(16)=1024");
    heap.Free(p);
    EXPECT_TRUE(heap.IsValid());
}

TEST(vbSegHeap, ClearAndDestroyGiveEverythingBack)
{
    vbSegHeap heap("clear", kSmallCellBytes, kSmallSegBytes, 0);
    for (int i = 0; i < 50; ++i)
        heap.Alloc(100 + i * 10, vbAllocNoInit);
    heap.Clear();
    EXPECT_EQ(heap.GetAllocCount(), 0);
    EXPECT_EQ(heap.GetSegmentCount(), 0);
    EXPECT_TRUE(heap.IsValid());
    heap.Alloc(10, vbAllocNoInit);
    // Leaves no leak for the sanitizer to find, blocks or not.
    heap.Destroy();
    EXPECT_FALSE(heap.IsCreated());
    heap.Create();
    EXPECT_TRUE(heap.IsValid());
}

// Several threads allocate, resize and free at random on one heap, checking the whole heap and
// their own bytes after every step.
TEST(vbSegHeap, RandomizedStressFromSeveralThreads)
{
    vbSegHeap heap("stress", kSmallCellBytes, 32 + 64 * 64, 0);
    constexpr int kThreads = 4;
    constexpr int kSteps = 1500;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&heap, &failures, t] {
            std::mt19937 rng(1234 + t);
            struct Live {
                void* p;
                int size;
                unsigned char tag;
            };
            std::vector<Live> live;
            for (int step = 0; step < kSteps; ++step) {
                int op = static_cast<int>(rng() % 3);
                // Mostly small blocks; some beyond the shared run to exercise own segments.
                int size = rng() % 10 == 0 ? 3000 + static_cast<int>(rng() % 3000) : 1 + static_cast<int>(rng() % 700);
                auto tag = static_cast<unsigned char>(rng());
                if (op == 0 || live.empty()) {
                    void* p = heap.Alloc(size, vbAllocNoInit);
                    fill(p, size, tag);
                    live.push_back({p, size, tag});
                } else if (op == 1) {
                    Live& l = live[rng() % live.size()];
                    void* p = heap.ReAlloc(l.p, size, vbAllocNoInit);
                    if (!holds(p, std::min(size, l.size), l.tag))
                        ++failures[t];
                    fill(p, size, tag);
                    l = {p, size, tag};
                } else {
                    size_t i = rng() % live.size();
                    if (!holds(live[i].p, live[i].size, live[i].tag))
                        ++failures[t];
                    heap.Free(live[i].p);
                    live[i] = live.back();
                    live.pop_back();
                }
                if (!heap.IsValid())
                    ++failures[t];
            }
            for (Live& l : live) {
                if (!heap.IsValid(l.p) || !holds(l.p, l.size, l.tag))
                    ++failures[t];
                heap.Free(l.p);
            }
        });
    }
    for (auto& th : threads)
        th.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[t], 0) << "thread " << t;
    EXPECT_EQ(heap.GetAllocCount(), 0);
    EXPECT_EQ(heap.GetSize(), 0);
    EXPECT_TRUE(heap.IsValid());
}

TEST(vbMainHeap, ServesAndRefusesOneWay)
{
    vbSegHeap& main = vbGetMainHeap();
    EXPECT_STREQ(main.GetName(), "Vant main memory heap");
    EXPECT_EQ(&main, &vbGetMainHeap());
    int before = main.GetAllocCount();
    void* p = _vbAlloc(30, vbAllocZero);
    EXPECT_TRUE(holds(p, 30, 0));
    p = _vbReAlloc(p, 3000, vbAllocNoInit);
    EXPECT_EQ(main.GetAllocCount(), before + 1);
    _vbFree(p);
    _vbFree(nullptr);
    EXPECT_EQ(main.GetAllocCount(), before);
    // Exhaustion throws; it never answers null.
    vbtest::Caught c = catchVb([] { _vbAlloc(INT_MAX, vbAllocNoInit); });
    EXPECT_TRUE(c.thrown);
    EXPECT_EQ(static_cast<uint32_t>(c.hr), static_cast<uint32_t>(E_OUTOFMEMORY));
}

TEST(vbllHeaps, CountAndRefuseAsTheirMessagesSay)
{
    vbllSysHeap sys(true, vbCtorNoCreate);
    expectEsys([&] { sys.Alloc(1, vbOpThrow); }, E_FAIL, "vbllSysHeap()::Alloc() : heap not created");
    sys.Create();
    expectEsys([&] { sys.Alloc(0, vbOpThrow); }, E_FAIL, "vbllSysHeap()::Alloc(cByte=0) : size to allocate is invalid");
    void* a = sys.Alloc(10, vbOpThrow);
    void* b = sys.Alloc(10, vbOpThrow);
    b = sys.ReAlloc(b, 5000, vbOpThrow);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 16, 0u);
    EXPECT_EQ(sys.GetAllocCount(), 2);
    sys.Free(a);
    EXPECT_EQ(sys.GetAllocCount(), 1);
    // Destroy gives back what is left, as a private heap would.
    sys.Destroy();
    EXPECT_EQ(sys.GetAllocCount(), 0);

    vbllCrtHeap crt(false, vbCtorNoCreate);
    expectEsys([&] { crt.Free(nullptr); }, E_FAIL, "vbllCrtHeap()::Free() : heap not created");
    crt.Create();
    expectEsys([&] { crt.ReAlloc(nullptr, -3, vbOpThrow); }, E_FAIL,
        "vbllCrtHeap()::ReAlloc(cByte=-3) : size to allocate is invalid");
    void* c = crt.Alloc(16, vbOpThrow);
    EXPECT_EQ(crt.GetAllocCount(), 1);
    crt.Free(c);
    EXPECT_EQ(crt.GetAllocCount(), 0);
}

} // namespace
