// The queue records of the message engine's heap come from other processes: every walk of the
// chain, every slot read and every data handle met must stay inside the mapping, end, and fail
// only with the library's own exceptions.
//
// Input: byte 0 is the length n (0-32) of a search expression that follows; then the header's
// main-block handle (4 bytes), page 1's free sector count, busy head and free head (4 bytes each),
// and a 16-bit length m; then m bytes laid as page 1 of a disk-file queue heap (sectors of 128
// bytes), and whatever follows as the bytes written over the slots and count of the caller's own
// record.
//
// Opening the queue makes and removes its named objects, and every record is read under the
// heap's shared mutex; a chain that loops is walked to the 2000-record bound by the enumeration,
// each check and the clean-up, half a second per such input: it runs tens of inputs a second.

#include "FuzzTempDir.h"
#include "vbException.h"
#include "vbLog.h"
#include "vbSharedQueue.h"
#include "vbVantMsgEngine.h"

#include "plat/clock.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kHeaderArea = 65536;
constexpr size_t kPage = 65536;
constexpr size_t kFileSize = kHeaderArea + 4 * kPage;

void put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

struct Input {
    std::string expr;
    const uint8_t* fields = nullptr;
    const uint8_t* page = nullptr;
    size_t pageLen = 0;
    const uint8_t* slots = nullptr;
    size_t slotsLen = 0;
};

bool split(const uint8_t* data, size_t size, Input& in)
{
    if (size < 1)
        return false;
    const size_t n = std::min<size_t>(data[0] % 33, size - 1);
    in.expr.assign(reinterpret_cast<const char*>(data + 1), n);
    size_t at = 1 + n;
    if (size - at < 18)
        return false;
    in.fields = data + at;
    at += 16;
    const size_t m = size_t(data[at]) | size_t(data[at + 1]) << 8;
    at += 2;
    in.pageLen = std::min(size - at, m);
    in.page = data + at;
    at += in.pageLen;
    in.slots = data + at;
    in.slotsLen = size - at;
    return true;
}

// The file is written sparse: the header fields, the page's bytes, and zeros up to its size.
void writeHeap(const std::string& file, const Input& in)
{
    uint8_t header[0x60] = {};
    static const uint8_t id[16] = {0xEF, 0x03, 0xEA, 0x38, 0x83, 0x37, 0xF1, 0x4F, 0x90, 0x99, 0x1C, 0x61, 0x39, 0xD3, 0x21, 0x7C};
    std::memcpy(header, id, 16);
    put32(&header[0x10], 0x00010002);
    put32(&header[0x14], 1);
    put32(&header[0x18], 2046);
    put32(&header[0x1C], 128);
    put32(&header[0x20], 512);
    put32(&header[0x28], 4 * kPage);
    std::memcpy(&header[0x30], in.fields, 4);
    put32(&header[0x40], 512);
    std::memcpy(&header[0x44], in.fields + 4, 12);
    put32(&header[0x50], uint32_t(kHeaderArea));
    int fd = open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || pwrite(fd, header, sizeof header, 0) != ssize_t(sizeof header)
        || pwrite(fd, in.page, in.pageLen, off_t(kHeaderArea)) != ssize_t(in.pageLen) || ftruncate(fd, off_t(kFileSize)) != 0)
        std::abort();
    close(fd);
}

template <class F>
void guarded(F&& f)
{
    try {
        f();
    } catch (CException* e) {
        e->Delete();
    }
}

// Timed waits end at once at their deadline, so that the retries of full queues and heaps take
// no real time.
class FastClock : public plat::Clock {
public:
    explicit FastClock(int64_t systemNow) : m_base(systemNow), m_start(plat::realTickMs()), m_ms(m_start) { }
    uint64_t tickMs() override { return m_ms; }
    int64_t systemTime100ns() override { return m_base + int64_t(m_ms - m_start) * 10000; }
    uint64_t perfCounter100ns() override { return m_ms * 10000; }
    void block(plat::WakeSignal& signal, uint64_t deadlineMs, uint32_t realLimitMs) override
    {
        if (deadlineMs == kNever) {
            signal.waitReal(realLimitMs);
            return;
        }
        uint64_t now = m_ms;
        while (deadlineMs > now && !m_ms.compare_exchange_weak(now, deadlineMs)) { }
    }

private:
    int64_t m_base;
    uint64_t m_start;
    std::atomic<uint64_t> m_ms;
};

class Sink : public vbBase {
public:
    void onValue(vbVantMsgCb&, DWORD, DWORD) { ++calls; }
    void onData(vbVantDataCb&, vbSharedMem* block, DWORD, DWORD)
    {
        if (block) {
            vbMemLock ml(block);
            const auto* p = static_cast<const uint8_t*>(static_cast<void*>(ml));
            calls += p[0] + p[block->GetLength() - 1];
        }
    }
    unsigned calls = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const struct Home : FuzzTempDir {
        Home() : FuzzTempDir(true)
        {
            g_pvbLogFileName = nullptr; // findings are expected: keep the log quiet
        }
    } home;
    static const bool clockSet = [] {
        plat::setClock(std::make_shared<FastClock>(plat::currentClock()->systemTime100ns()));
        return true;
    }();
    (void)clockSet;
    // The callbacks' own checks of what arrives; registering them would start the engine thread.
    static vbExtraMsg valueMsg("KVX Fuzz value message");
    static vbExtraDataMsg dataMsg("KVX Fuzz data message");
    static Sink sink;
    static vbVantMsgCb valueCb(&valueMsg, vbVANTMSGCB(&sink, &Sink::onValue), false);
    static vbVantDataCb dataCb(-8, &dataMsg, vbVANTDATACB(&sink, &Sink::onData), false);

    Input in;
    if (!split(data, size, in))
        return 0;
    const std::string file = home.path + "/fuzzed.queue";
    writeHeap(file, in);
    auto* q = new vbSharedQueue(0x40000, file.c_str(), false, 0x20000, 64, 16384);
    q->SetQueueName("fuzzq");
    guarded([&] { q->Create(); });
    guarded([&] {
        vbSharedQueueEnum e;
        e.Start(q, false);
        e.SearchExpr(vbString(in.expr.c_str()), 1);
        while (e.SearchNext()) {
            e.GetQname();
            e.GetQprocess();
            e.GetQlastAccess();
        }
        e.Stop();
    });
    guarded([&] { q->Check(); });
    // The caller's own record gets the input's slots and count.
    std::vector<uint32_t> slots;
    guarded([&] {
        vbSharedMemPtr rec;
        if (!q->Load(&rec, q->GetQueueHandle(), 0, false))
            return;
        vbMemLock ml(rec.Get());
        auto* p = static_cast<uint8_t*>(static_cast<void*>(ml));
        std::memcpy(p, in.slots, std::min<size_t>(in.slotsLen, 0x104));
        for (size_t i = 0; i + 16 <= std::min<size_t>(in.slotsLen, 0x100); i += 16)
            slots.push_back(uint32_t(p[i + 12]) | uint32_t(p[i + 13]) << 8 | uint32_t(p[i + 14]) << 16
                | uint32_t(p[i + 15]) << 24);
    });
    // Each slot's data block, as the engine thread would deliver it.
    for (uint32_t h : slots) {
        guarded([&] {
            vbSharedMemPtr block;
            if (!h || !q->Load(&block, h, 0, false))
                return;
            guarded([&] { valueCb.Call(block.Get(), 1, 2); });
            guarded([&] { dataCb.Call(block.Get(), 1, 2); });
        });
    }
    guarded([&] { dataCb.Call(nullptr, 1, 2); });
    guarded([&] { q->CleanQlist(); });
    for (int i = 0; i < 18; ++i) {
        guarded([&] {
            ULONG id = 0, v1 = 0, v2 = 0;
            vbSharedMemPtr d;
            q->Peek(&id, &d, &v1, &v2, i % 3 == 0);
        });
    }
    guarded([&] { q->Post(vbSharedQueue::kAll, 0xC100, 1, 2); });
    guarded([&] { q->Post(vbSharedQueue::kSelf, 0xC100, "data", 5, 1, 2); });
    guarded([&] { q->Check(); });
    q->Release();
    return 0;
}
