// The shared heap between two processes: this one and vb_helper_sharedheap, driven through pipes.

#include "vbSharedMem.h"

#include "LogFileReader.h"
#include "vbHelperProcess.h"
#include "vbObjTestUtil.h"

#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

typedef vbRefPtr<vbSharedHeap, &IID_vbSharedHeap> HeapPtr;

HeapPtr openHeap(const std::string& name)
{
    auto* raw = new vbSharedHeap(0x40000, name.c_str(), true, 0x80000, 64, 16384);
    HeapPtr heap(raw);
    raw->Release();
    return heap;
}

// The helper process: one command line in, one answer line out.
struct Helper : vbtest::HelperProcess {
    Helper() : HelperProcess("vb_helper_sharedheap") { }
};

const char* kOpenArgs = " 262144 524288 64 16384";

TEST(vbSharedHeapProcesses, ABlockPassesFromOneProcessToTheOther)
{
    HeapPtr heap = openHeap("!twoproc");
    vbSharedMemPtr a;
    heap->Alloc(&a, 50, true);
    {
        vbMemLock lock(a);
        std::memset(static_cast<void*>(lock), 0xAB, 50);
    }
    a->LockUse();
    const vbSharedHandle h = a->GetHandle();

    Helper b;
    // Other page and sector wishes: the geometry comes from the header.
    ASSERT_EQ(b("open !twoproc 262144 524288 1000 196608"), "ok 128 512 65536 262144");
    EXPECT_EQ(b("load " + std::to_string(h)), "ok 108 171");
    a = nullptr; // the use lock keeps the block for b
    EXPECT_TRUE(heap->IsValid(h, 0));
    EXPECT_EQ(b("unlockuse"), "ok");
    EXPECT_EQ(b("drop"), "ok");
    EXPECT_FALSE(heap->IsValid(h, 0));
    EXPECT_EQ(heap->Check(), 0);
    EXPECT_EQ(heap->GetBusyByteCount(), 0);
    EXPECT_EQ(b("check"), "ok 0 0 65536 196608");

    // The main block one process made is found by the other.
    vbSharedMemPtr main;
    ASSERT_TRUE(heap->getMainBlock(&main, 100, 0));
    const vbSharedHandle mh = main->GetHandle();
    main = nullptr;
    EXPECT_EQ(b("mainget 0"), "ok 1 " + std::to_string(mh));
    EXPECT_EQ(b("drop"), "ok");
    EXPECT_TRUE(heap->delMainBlock());
    EXPECT_EQ(b("mainget 0"), "ok 0 0");
    EXPECT_EQ(b("check"), "ok 0 0 65536 196608");
    b.end("quit");
}

TEST(vbSharedHeapProcesses, ALockHeldByAKilledProcessIsTakenOver)
{
    HeapPtr heap = openHeap("!abandoned");
    vbSharedMemPtr a;
    heap->Alloc(&a, 10, true);
    Helper b;
    ASSERT_EQ(b(std::string("open !abandoned") + kOpenArgs).substr(0, 2), "ok");
    ASSERT_EQ(b("alloc 10 1"), "ok 65537");
    ASSERT_EQ(b("holdlock"), "ok");
    b.kill();
    vbSharedMemPtr c;
    ASSERT_TRUE(heap->Alloc(&c, 10, true));
    const std::string log = readLogFile();
    size_t n = 0;
    for (size_t at = log.find("wait abandoned"); at != std::string::npos; at = log.find("wait abandoned", at + 1))
        ++n;
    EXPECT_EQ(n, 1u);
    // The dead process's block keeps its reference; the heap is sound.
    EXPECT_EQ(heap->Check(), 0);
    EXPECT_EQ(heap->GetBusyByteCount(), 3 * 128);
}

TEST(vbSharedHeapProcesses, ADiskHeapKeepsItsBlocksForTheNextProcess)
{
    auto dir = vnt::test::testHome() / "Dir";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "Kept.heap").string();
    {
        Helper b;
        ASSERT_EQ(b("open " + path + kOpenArgs).substr(0, 2), "ok");
        ASSERT_EQ(b("alloc 30 7"), "ok 65536");
        ASSERT_EQ(b("lockuse"), "ok");
        ASSERT_EQ(b("mainget 100"), "ok 1 65537");
        b.end("exit");
    }
    HeapPtr heap = openHeap(path);
    EXPECT_EQ(heap->Check(), 0);
    vbSharedMemPtr main;
    ASSERT_TRUE(heap->getMainBlock(&main, 0, 0));
    EXPECT_EQ(main->GetHandle(), 65537u);
    EXPECT_EQ(main->GetLength(), 108u);
    vbSharedMemPtr kept;
    ASSERT_TRUE(heap->Load(&kept, 65536, 108, true));
    vbMemLock lock(kept);
    EXPECT_EQ(*static_cast<uint8_t*>(static_cast<void*>(lock)), 7);
}

} // namespace
