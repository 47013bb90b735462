// Any disk file can be named as a shared heap, so opening one must accept any bytes: refuse a
// damaged header with the heap's own exception, and never read or write outside the mapping or
// loop when page entries and block lists are damaged.
//
// The input is split in two: its first 1024 bytes are the start of the file (header and page
// table), the rest is laid at 65536, where the first page of a heap with one 64 KiB header area
// begins. The file is padded with zeros to 320 KiB (the message engine's heap) or more. The last
// 16 bytes also give four handles to look up. The file is tried as a plain heap and as a queue.
//
// Each of the two heaps maps the file and makes and removes its named objects, which is most of
// an input's time: it runs about a hundred inputs a second.

#include "FuzzTempDir.h"
#include "vbException.h"
#include "vbLog.h"
#include "vbSharedMem.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A heap that expects the shared queue's file id.
class QueueIdHeap : public vbSharedHeap {
public:
    using vbSharedHeap::vbSharedHeap;
    const GUID& GetFileID() const override
    {
        static const GUID id = {0x38EA03EF, 0x3783, 0x4FF1, {0x90, 0x99, 0x1C, 0x61, 0x39, 0xD3, 0x21, 0x7C}};
        return id;
    }
};

uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

void exercise(vbSharedHeap* heap, const uint8_t* data, size_t size)
{
    for (size_t i = 0; i + 4 <= size && i < 16; i += 4) {
        const vbSharedHandle h = le32(data + size - 16 + i);
        try {
            heap->IsValid(h, 0);
            vbSharedMemPtr mem;
            if (heap->Load(&mem, h, 0, false)) {
                vbMemLock lock(mem);
                std::memset(static_cast<void*>(lock), 0x5A, mem->GetLength());
            }
        } catch (CException* e) {
            e->Delete();
        }
    }
    std::vector<vbSharedMemPtr> kept;
    for (size_t i = 0; i < size && i < 8; ++i) {
        try {
            vbSharedMemPtr mem;
            if (heap->Alloc(&mem, ULONG(data[i]) * 97, false))
                kept.push_back(mem);
            if (i % 3 == 2 && !kept.empty())
                kept.erase(kept.begin());
        } catch (CException* e) {
            e->Delete();
        }
    }
    kept.clear();
    try {
        heap->Check();
        heap->GetBusyByteCount();
        heap->GetUsedFreeByteCount();
        heap->GetUnusedFreeByteCount();
        heap->GetFreeByteCount();
        vbSharedMemPtr main;
        heap->getMainBlock(&main, 0, 0);
    } catch (CException* e) {
        e->Delete();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzTempDir home(true);
    g_pvbLogFileName = nullptr; // findings are expected: keep the log quiet
    const std::string file = home.path + "/fuzzed.heap";
    for (int kind = 0; kind < 2; ++kind) {
        int fd = open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            std::abort();
        const size_t head = size < 1024 ? size : 1024;
        const size_t rest = size - head;
        if (pwrite(fd, data, head, 0) != ssize_t(head) || pwrite(fd, data + head, rest, 65536) != ssize_t(rest)
            || ftruncate(fd, off_t(65536 + rest > 327680 ? 65536 + rest : 327680)) != 0)
            std::abort();
        close(fd);
        if (size == 0)
            std::filesystem::resize_file(file, 0); // an empty file makes a new heap
        // Created after construction, so that the queue's id is the one checked.
        vbSharedHeap* heap = kind == 0 ? new vbSharedHeap(0x40000, file.c_str(), false, 0x20000, 64, 16384)
                                       : new QueueIdHeap(0x40000, file.c_str(), false, 0x20000, 64, 16384);
        try {
            heap->Create();
            exercise(heap, data, size);
        } catch (CException* e) {
            e->Delete();
        }
        heap->Release();
    }
    return 0;
}
