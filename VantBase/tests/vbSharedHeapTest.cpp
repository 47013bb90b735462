#include "vbSharedMem.h"

#include "LogFileReader.h"
#include "vbObjTestUtil.h"

#include "plat/handles.h"
#include "plat/mapping.h"
#include "plat/sync.h"
#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <atomic>
#include <random>
#include <thread>
#include <string>
#include <vector>

using vbtest::catchVb;
using vbtest::expectEsys;

namespace {

typedef vbRefPtr<vbSharedHeap, &IID_vbSharedHeap> HeapPtr;

// The message engine's queue parameters.
constexpr uint64_t kMax = 0x40000;
constexpr ULONG kLoaded = 0x80000;
constexpr ULONG kSector = 64;
constexpr ULONG kPage = 16384;

HeapPtr openHeap(const std::string& name, uint64_t max = kMax, ULONG loaded = kLoaded, ULONG sector = kSector,
    ULONG page = kPage, bool bCreate = true)
{
    auto* raw = new vbSharedHeap(max, name.c_str(), bCreate, loaded, sector, page);
    HeapPtr heap(raw);
    raw->Release();
    return heap;
}

std::string diskPath(const char* file = "MyHeap.DAT")
{
    auto dir = vnt::test::testHome() / "Dir";
    std::filesystem::create_directories(dir);
    return (dir / file).string();
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void patchFile(const std::string& path, size_t offset, const std::vector<uint8_t>& bytes)
{
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(std::streamoff(offset));
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

int countInLog(const std::string& piece)
{
    const std::string log = readLogFile();
    int n = 0;
    for (size_t at = log.find(piece); at != std::string::npos; at = log.find(piece, at + 1))
        ++n;
    return n;
}

// The block header in front of a block's data, reached through a memory lock.
uint8_t* blockHeader(vbSharedMem* mem, vbMemLock& lock) { return static_cast<uint8_t*>(lock.Lock(mem)) - 20; }

void expectBalanced(vbSharedHeap* heap)
{
    EXPECT_EQ(heap->GetBusyByteCount() + heap->GetUsedFreeByteCount() + heap->GetUnusedFreeByteCount(),
        heap->GetMaxByteCount());
}

TEST(vbSharedHeap, MessageEngineGeometry)
{
    HeapPtr heap = openHeap("!VantMsgInterAppli3");
    EXPECT_EQ(heap->GetPageSize(), 65536u);
    EXPECT_EQ(heap->GetMaxByteCount(), 262144);
    EXPECT_EQ(heap->GetHeaderSize(), 65536u);
    EXPECT_EQ(heap->GetPageCapacity(), 2046u);
    EXPECT_EQ(heap->GetSectorSize(), 128u);
    EXPECT_EQ(heap->GetSectorsPerPage(), 512u);
    EXPECT_EQ(heap->GetLoadedPageLimit(), 8u);
    EXPECT_EQ(heap->GetBaseName(), "VantMsgInterAppli3");
    EXPECT_EQ(heap->GetName(), "!VantMsgInterAppli3");
    // A page size of 0 takes one granularity.
    HeapPtr zero = openHeap("", kMax, kLoaded, kSector, 0);
    EXPECT_EQ(zero->GetPageSize(), 65536u);
}

TEST(vbSharedHeap, NewDiskHeapWritesItsStart)
{
    const std::string path = diskPath();
    std::ofstream(path).close();
    HeapPtr heap = openHeap(path);
    EXPECT_EQ(heap->GetBaseName(), "myheap.dat");
    const std::vector<uint8_t> file = readFile(path);
    ASSERT_EQ(file.size(), 327680u);
    const std::vector<uint8_t> expected = {
        0x59, 0x47, 0x3F, 0xA6, 0x39, 0x0D, 0x80, 0x4E, 0xA6, 0xC9, 0xEE, 0x5F, 0x8B, 0x62, 0xF2, 0x0E, // id
        0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFE, 0x07, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, //
        0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, //
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, //
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, //
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 96), expected);
    // The mutex is the one named after the lower-cased file name.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "myheap.dat.VantrelHeapMutex");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    CloseHandle(mutex);
    // Opening again with other page and sector wishes reads the stored geometry.
    heap = nullptr;
    HeapPtr again = openHeap(path, kMax, kLoaded, 1000, 3 * 65536);
    EXPECT_EQ(again->GetSectorSize(), 128u);
    EXPECT_EQ(again->GetPageSize(), 65536u);
    EXPECT_EQ(again->GetMaxByteCount(), 262144);
}

TEST(vbSharedHeap, DamagedHeadersAreRefused)
{
    struct Case {
        const char* what;
        size_t offset;
        std::vector<uint8_t> bytes;
        const char* message; // null: accepted
    };
    const char* bad = "Invalid header for file '";
    const std::vector<Case> cases = {
        {"other id", 0, {0x00}, bad},
        {"sector size 0", 0x1C, le32(0), bad},
        {"sectors per page 0", 0x20, le32(0), bad},
        {"capacity 0", 0x18, le32(0), bad},
        {"version 2", 0x10, le32(0x00020000), "Invalid header version for file '"},
        {"version 1.FFFF", 0x10, le32(0x0001FFFF), nullptr},
        {"huge capacity", 0x18, le32(0x10000000), bad},
        {"page outside the mapping", 0x50, le32(0x7FFF0000), bad},
        {"page size off the granularity", 0x20, le32(511), bad},
        {"sector size below 32", 0x1C, le32(16), bad},
        {"page count above capacity", 0x14, le32(3000), bad},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = diskPath();
        std::filesystem::remove(path);
        {
            HeapPtr heap = openHeap(path);
            vbSharedMemPtr mem;
            heap->Alloc(&mem, 10, true);
            mem->LockUse(); // stays in the file
        }
        patchFile(path, c.offset, c.bytes);
        const std::vector<uint8_t> before = readFile(path);
        auto caught = catchVb([&] { openHeap(path); });
        if (!c.message) {
            EXPECT_FALSE(caught.thrown) << caught.msg;
            continue;
        }
        EXPECT_EQ(caught.msg, c.message + path + "'");
        EXPECT_EQ(readFile(path), before); // left as it was
    }
}

// A heap with the shared queue's file id.
class QueueIdHeap : public vbSharedHeap {
public:
    using vbSharedHeap::vbSharedHeap;
    const GUID& GetFileID() const override
    {
        static const GUID id = {0x38EA03EF, 0x3783, 0x4FF1, {0x90, 0x99, 0x1C, 0x61, 0x39, 0xD3, 0x21, 0x7C}};
        return id;
    }
};

TEST(vbSharedHeap, PlainAndQueueHeapsRefuseEachOthersFiles)
{
    const std::string queueFile = diskPath("queue.heap");
    auto* queue = new QueueIdHeap(kMax, queueFile.c_str(), false, kLoaded, kSector, kPage);
    queue->Create();
    queue->Release();
    expectEsys([&] { openHeap(queueFile); }, E_FAIL, "Invalid header for file '" + queueFile + "'");

    const std::string plainFile = diskPath("plain.heap");
    openHeap(plainFile);
    queue = new QueueIdHeap(kMax, plainFile.c_str(), false, kLoaded, kSector, kPage);
    expectEsys([&] { queue->Create(); }, E_FAIL, "Invalid header for file '" + plainFile + "'");
    queue->Release();
}

TEST(vbSharedHeap, AllocationSizes)
{
    HeapPtr heap = openHeap("!sizes");
    const ULONG s = heap->GetSectorSize();
    struct Case {
        ULONG cByte;
        ULONG length;
    };
    for (Case c : {Case{0, s - 20}, Case{s - 20, s - 20}, Case{s - 19, 2 * s - 20}}) {
        vbSharedMemPtr mem;
        ASSERT_TRUE(heap->Alloc(&mem, c.cByte, true));
        EXPECT_EQ(mem->GetLength(), c.length) << c.cByte;
    }
    // Above the page size: a big page of its own.
    vbSharedMemPtr big;
    ASSERT_TRUE(heap->Alloc(&big, heap->GetPageSize() + 1, true));
    EXPECT_EQ(big->GetHandle(), 2u << 16);
    EXPECT_EQ(heap->Check(), 0);
    // Two pages are left; three do not fit.
    vbSharedMemPtr none;
    EXPECT_FALSE(heap->Alloc(&none, 3 * heap->GetPageSize(), false));
    expectEsys([&] { heap->Alloc(&none, 3 * heap->GetPageSize(), true); }, HRESULT(0x8007000E),
        "vbSharedHeap('!sizes')::newPage() : heap full");
    // Sizes near 4 GiB must not wrap into a small block.
    const int64_t busy = heap->GetBusyByteCount();
    for (ULONG huge : {0xFFFFFFF0u, 0xFFFFFFECu, 0xFFFFFFFFu}) {
        EXPECT_FALSE(heap->Alloc(&none, huge, false));
        EXPECT_TRUE(none.IsNull());
    }
    EXPECT_EQ(heap->GetBusyByteCount(), busy);
    expectBalanced(heap);
}

TEST(vbSharedHeap, FreeingCoalescesAndFixesTheFollower)
{
    HeapPtr heap = openHeap("!free");
    const ULONG s = heap->GetSectorSize();
    vbSharedMemPtr a, b, c, d;
    heap->Alloc(&a, s - 20, true);
    heap->Alloc(&b, 2 * s - 20, true);
    heap->Alloc(&c, s - 20, true);
    heap->Alloc(&d, s - 20, true);
    {
        vbMemLock lockD;
        const uint8_t* headerD = blockHeader(d, lockD);
        a = nullptr;
        b = nullptr; // merges with a
        EXPECT_EQ(heap->Check(), 0);
        c = nullptr; // merges with a+b
        EXPECT_EQ(heap->Check(), 0);
        EXPECT_EQ(headerD[0x0C] | headerD[0x0D] << 8, int(4 * s)); // d follows the merged block
    }
    d = nullptr;
    EXPECT_EQ(heap->Check(), 0);
    // One free block of the whole page: a block of the page's size fits in page 1 again.
    vbSharedMemPtr whole;
    heap->Alloc(&whole, heap->GetPageSize() - 20, true);
    EXPECT_EQ(whole->GetHandle(), 1u << 16);
    EXPECT_EQ(heap->GetUsedFreeByteCount(), 0);
}

// Two of the heap's eight pages stay mapped, so allocations and checks map and unmap pages all
// the time. A walk of every page unmaps six of them, and each unmapping stops every processor the
// process ran on, so the pages are walked at every tenth step and at the end; the sums, which the
// page table holds, at every step.
TEST(vbSharedHeap, RandomAllocationsKeepTheHeapConsistent)
{
    HeapPtr heap = openHeap("!random", 8 * 65536, 2 * 65536, 64, 65536);
    std::mt19937 rng(1234);
    std::vector<vbSharedMemPtr> blocks;
    constexpr int kSteps = 10000;
    for (int step = 0; step < kSteps; ++step) {
        const bool doFree = !blocks.empty() && (rng() % 100 < 45 || blocks.size() > 300);
        if (doFree) {
            blocks.erase(blocks.begin() + long(rng() % blocks.size()));
        } else {
            const uint32_t kind = rng() % 100;
            ULONG size = kind < 2 ? 65536 + rng() % 70000 : kind < 20 ? rng() % 4000 : rng() % 200;
            vbSharedMemPtr mem;
            if (heap->Alloc(&mem, size, false))
                blocks.push_back(mem);
        }
        if (step % 10 == 9 || step == kSteps - 1) {
            ASSERT_EQ(heap->Check(), 0) << "step " << step;
        }
        ASSERT_EQ(heap->GetBusyByteCount() + heap->GetUsedFreeByteCount() + heap->GetUnusedFreeByteCount(),
            heap->GetMaxByteCount())
            << "step " << step;
    }
}

// Threads on one heap object and on a second object of the same name: every block keeps the
// bytes its owner wrote, and the heap ends sound and empty.
TEST(vbSharedHeap, ThreadsAndObjectsShareOneHeap)
{
    HeapPtr first = openHeap("!threads", 8 * 65536, 2 * 65536, 64, 65536);
    HeapPtr second = openHeap("!threads", 8 * 65536, 2 * 65536, 64, 65536);
    std::atomic<int> damaged{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            vbSharedHeap* heap = t % 2 ? second.Get() : first.Get();
            std::mt19937 rng{unsigned(t)};
            std::vector<std::pair<vbSharedMemPtr, uint8_t>> mine;
            for (int i = 0; i < 1500; ++i) {
                if (!mine.empty() && (rng() % 2 || mine.size() > 40)) {
                    {
                        auto& [mem, fill] = mine.front();
                        vbMemLock lock(mem);
                        const auto* p = static_cast<const uint8_t*>(static_cast<void*>(lock));
                        for (ULONG k = 0; k < mem->GetLength(); ++k)
                            if (p[k] != fill) {
                                ++damaged;
                                break;
                            }
                    }
                    mine.erase(mine.begin());
                    continue;
                }
                vbSharedMemPtr mem;
                if (!heap->Alloc(&mem, rng() % 3000, false))
                    continue;
                const uint8_t fill = uint8_t(rng());
                vbMemLock lock(mem);
                std::memset(static_cast<void*>(lock), fill, mem->GetLength());
                mine.emplace_back(mem, fill);
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(damaged.load(), 0);
    EXPECT_EQ(first->Check(), 0);
    EXPECT_EQ(second->GetBusyByteCount(), 0);
}

TEST(vbSharedHeap, CheckReportsEachFinding)
{
    HeapPtr heap = openHeap("!check");
    EXPECT_EQ(heap->Check(), 0);
    EXPECT_EQ(heap->GetBusyByteCount(), 0);
    EXPECT_EQ(heap->GetUsedFreeByteCount(), 0);
    EXPECT_EQ(heap->GetUnusedFreeByteCount(), heap->GetMaxByteCount());
    EXPECT_EQ(heap->GetFreeByteCount(), heap->GetMaxByteCount());

    vbSharedMemPtr a, b;
    heap->Alloc(&a, 10, true);
    heap->Alloc(&b, 10, true);
    vbMemLock lock;
    uint8_t* header = blockHeader(b, lock);
    const uint8_t saved = header[0x0C];
    header[0x0C] = 0x40; // a wrong predecessor size
    EXPECT_EQ(heap->Check(), 1);
    EXPECT_EQ(countInLog("ERROR: vbSharedHeap('!check')::Check() : page 1: block cByte prev=64, calc=128"), 1);
    header[0x0C] = saved;
    EXPECT_EQ(heap->Check(), 0);
    const std::vector<uint8_t> size(header + 8, header + 12);
    std::memset(header + 8, 0, 4); // a block of size 0
    EXPECT_EQ(heap->Check(), 1);
    EXPECT_EQ(countInLog("ERROR: vbSharedHeap('!check')::Check() : page 1: bad block offs="), 1);
    std::memcpy(header + 8, size.data(), 4);

    HeapPtr closed = openHeap("!check2", kMax, kLoaded, kSector, kPage, false);
    expectEsys([&] { closed->Check(); }, E_FAIL, "vbSharedHeap('!check2')::Check() : heap not created");
    expectEsys([&] { closed->GetUsedFreeByteCount(); }, E_FAIL,
        "vbSharedHeap('!check2')::GetUsedFreeByteCount() : heap not created");
}

TEST(vbSharedHeap, DamagedBlocksStopTheOperation)
{
    HeapPtr heap = openHeap("!damaged");
    vbSharedMemPtr a, b;
    heap->Alloc(&a, 10, true);
    heap->Alloc(&b, 10, true);
    const vbSharedHandle hb = b->GetHandle();
    vbMemLock lock;
    uint8_t* header = blockHeader(b, lock);
    header[8] = 0x7F; // not a whole number of sectors
    expectEsys([&] { heap->Load(nullptr, hb, 0, true); }, E_FAIL,
        "vbSharedHeap('!damaged')::Load() : invalid handle (not found)");
    EXPECT_FALSE(heap->IsValid(hb, 0));
    // A free block whose next link leaves the page.
    header[8] = 0x80;
    uint8_t* free = header + 128;
    std::memcpy(free + 8, le32(128).data(), 4);
    std::memcpy(free, le32(0x7FFFFF80).data(), 4);
    vbSharedMemPtr c;
    expectEsys([&] { heap->Alloc(&c, 200, true); }, E_FAIL, "vbSharedHeap::Page::alloc() : internal error");
    // One that loops back on itself: the walk ends and the block goes to a new page.
    std::memcpy(free, le32(256).data(), 4);
    ASSERT_TRUE(heap->Alloc(&c, 200, true));
    EXPECT_EQ(c->GetHandle(), 2u << 16);
    EXPECT_GT(heap->Check(), 0);
}

TEST(vbSharedHeap, HandlesAreChecked)
{
    HeapPtr heap = openHeap("!handles");
    const ULONG s = heap->GetSectorSize();
    vbSharedMemPtr first, small;
    heap->Alloc(&first, 3 * s - 20, true);
    heap->Alloc(&small, 3 * s - 20, true); // page 1, sector 3
    std::vector<vbSharedMemPtr> pages(3);
    for (auto& p : pages)
        heap->Alloc(&p, heap->GetPageSize() - 20, true); // pages 2 to 4
    const vbSharedHandle h = small->GetHandle();
    ASSERT_EQ(h, 1u << 16 | 3);
    const std::string p = "vbSharedHeap('!handles')::";
    struct Case {
        vbSharedHandle h;
        ULONG cByte;
        std::string message;
    };
    const std::vector<Case> cases = {
        {0, 0, p + "Load() : handle is Null"},
        {5u << 16, 0, p + "getPage(int ix = 5) : ix out of range"},
        {1u << 16 | 512, 0, p + "Load() : invalid handle (not found)"},
        {h + 1, 0, p + "Load() : invalid handle (not found)"},
        {1u << 16 | 513, 0, p + "Load() : invalid handle"},
        {h, 10, p + "Load() : invalid handle (bad size)"},
    };
    for (const Case& c : cases) {
        expectEsys([&] { heap->Load(nullptr, c.h, c.cByte, true); }, E_FAIL, c.message);
        vbSharedMemPtr out;
        EXPECT_FALSE(heap->Load(&out, c.h, c.cByte, false)) << c.message;
        EXPECT_FALSE(heap->IsValid(c.h, c.cByte)) << c.message;
    }
    EXPECT_TRUE(heap->IsValid(h, 3 * s - 20));
    vbSharedMemPtr loaded;
    EXPECT_TRUE(heap->Load(&loaded, h, 3 * s - 20, true));
    EXPECT_EQ(loaded->GetHandle(), h);
}

TEST(vbSharedHeap, BigPageHandlesPassLoadButNotIsValid)
{
    HeapPtr heap = openHeap("!bigpages", 8 * 65536, kLoaded, 64, 65536);
    vbSharedMemPtr pad, big, behind;
    heap->Alloc(&pad, 10, true);
    heap->Alloc(&big, 2 * 65536 - 20 - 1024, true); // page 2: a big page of 1024 sectors, 8 left
    ASSERT_EQ(big->GetHandle(), 2u << 16);
    heap->Alloc(&behind, 900, true); // the most recently used page first
    const vbSharedHandle h = behind->GetHandle();
    ASSERT_EQ(h, 2u << 16 | 1016);
    EXPECT_FALSE(heap->IsValid(h, 0));
    vbSharedMemPtr loaded;
    EXPECT_TRUE(heap->Load(&loaded, h, 0, true));
    EXPECT_EQ(heap->Check(), 0);
}

// Opens the page and lock operations the blocks use.
class ExposedHeap : public vbSharedHeap {
public:
    using vbSharedHeap::vbSharedHeap;
    using vbSharedHeap::getPage;
    using vbSharedHeap::unlockMem;
};

TEST(vbSharedHeap, LoadedPagesAndLocks)
{
    auto* x = new ExposedHeap(4 * 65536, "!loaded", true, 2 * 65536, 64, 65536);
    HeapPtr heap(x);
    x->Release();
    std::vector<vbSharedMemPtr> blocks(3);
    for (auto& b : blocks)
        heap->Alloc(&b, 65536 - 20, true);
    const SIZE_T views = vntMappedViewCount();
    // Touching pages 1, 2 and 3 with a limit of 2: page 1 goes.
    for (auto& b : blocks)
        heap->Load(nullptr, b->GetHandle(), 0, true);
    EXPECT_FALSE(x->getPage(1, true)->IsLoaded());
    EXPECT_TRUE(x->getPage(3, true)->IsLoaded());
    EXPECT_EQ(vntMappedViewCount(), views);
    // Unless memory is locked on it.
    blocks[0]->LockMem();
    heap->Load(nullptr, blocks[1]->GetHandle(), 0, true);
    heap->Load(nullptr, blocks[2]->GetHandle(), 0, true);
    EXPECT_TRUE(x->getPage(1, true)->IsLoaded());
    EXPECT_FALSE(x->getPage(2, true)->IsLoaded());
    EXPECT_EQ(vntMappedViewCount(), views);
    blocks[0]->UnlockMem();

    expectEsys([&] { x->unlockMem(1, 0); }, E_FAIL, "vbSharedHeap('!loaded')::unlockMem() : page already unlocked");
    expectEsys([&] { blocks[0]->UnlockMem(); }, E_FAIL, "vbSharedMem::UnlockMem() : already unlocked");

    EXPECT_TRUE(heap->EndMemLocks());
    auto caught = catchVb([&] { blocks[0]->LockMem(); });
    EXPECT_EQ(caught.cls, "vbEuser");
    EXPECT_EQ(uint32_t(caught.hr), 0x80004004u);
    EXPECT_EQ(caught.msg, "vbSharedHeap('!loaded')::lockMem()");
    heap->Create(); // clears the ending flag
    EXPECT_NE(blocks[0]->LockMem(), nullptr);
    EXPECT_TRUE(heap->IsMemLocked());
    EXPECT_FALSE(heap->EndMemLocks());
}

TEST(vbSharedHeap, UseCountsAcrossObjects)
{
    HeapPtr heap = openHeap("!use");
    vbSharedMemPtr a;
    heap->Alloc(&a, 10, true);
    const vbSharedHandle h = a->GetHandle();
    expectEsys([&] { a->UnlockUse(); }, E_FAIL, "vbSharedMem::UnlockUse() : already unlocked");
    vbSharedMemPtr b;
    heap->Load(&b, h, 0, true);
    a = nullptr; // the block's count is 1 again, b still counts its load
    expectEsys([&] { b->UnlockUse(); }, E_FAIL, "vbSharedHeap('!use')::unlockUse() : block already unlocked");
    b = nullptr;
    EXPECT_FALSE(heap->IsValid(h, 0));
    // A use lock outlives the object: the block stays until someone releases it.
    heap->Alloc(&a, 10, true);
    a->LockUse();
    a = nullptr;
    EXPECT_TRUE(heap->IsValid(h, 0));
    heap->Load(&b, h, 0, true);
    b->UnlockUse();
    b = nullptr;
    EXPECT_FALSE(heap->IsValid(h, 0));
    EXPECT_EQ(heap->GetBusyByteCount(), 0);
    // Before Create and after the heap is gone.
    HeapPtr closed = openHeap("!x", kMax, kLoaded, kSector, kPage, false);
    expectEsys([&] { closed->Alloc(&a, 1, true); }, E_FAIL, "vbSharedHeap('!x')::Alloc() : heap not created");
    heap->Alloc(&a, 10, true);
    heap->Destroy();
    expectEsys([&] { a->GetLength(); }, E_FAIL, "vbSharedMem::GetLength() : void memory");
    vbMemLock empty;
    expectEsys([&] { (void)static_cast<void*>(empty); }, E_FAIL, "vbMemLock::operator void*() : lock not valid");
}

TEST(vbSharedHeap, MainBlock)
{
    HeapPtr heap = openHeap("!main");
    vbSharedMemPtr out;
    EXPECT_FALSE(heap->getMainBlock(&out, 0, 0));
    ASSERT_TRUE(heap->getMainBlock(&out, 100, 0));
    const vbSharedHandle h = out->GetHandle();
    out = nullptr;
    ASSERT_TRUE(heap->getMainBlock(&out, 0, 0));
    EXPECT_EQ(out->GetHandle(), h);
    out = nullptr;
    EXPECT_TRUE(heap->delMainBlock());
    EXPECT_FALSE(heap->delMainBlock());
    EXPECT_EQ(heap->GetBusyByteCount(), 0);
    // The lock face answers for the heap's mutex.
    const void* face = nullptr;
    ASSERT_TRUE(heap->GetInterface(IID_sIvbLock, &face));
    EXPECT_EQ(face, static_cast<const sIvbLock*>(heap.Get()));
}

} // namespace
