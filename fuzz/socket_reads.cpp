// A socket's reading thread against whatever a plug-in may report: the input scripts an
// in-process plug object (handed to the socket as the plug type would hand it) whose socket
// reports events with error codes, read sizes and Recv results. The bytes the socket queues must
// be, in order, the bytes its Recv calls delivered; every report carries a state 1-6; the script's
// final close always ends the run.
//
// Input: byte 0: the connect's error code (0: success); then steps of
//   flags (bit 0 read, 1 write, 2 accept, 3 connect, 4 close), error code (signed byte),
//   and for a read: 3 bytes of read size (modulo 64 KiB + 1), the count of Recv results (1-4), and
//   per result a kind (0 full, 1 short, 2 nothing, 3 failure) and a byte for the short length.
// The steps end with the input; a close follows them.
//
// Every input starts the socket's reading thread and waits for it to end, which is most of its
// time: it runs about a hundred inputs a second.

#include "FuzzTempDir.h"

#include "vbEngine.h"
#include "vbLog.h"
#include "vbObjectFace.h"
#include "vbSocket.h"
#include "vbSocketItf.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

// The socket's cost grows with the sizes it reads and queues, its handling does not: reads stay
// below 64 KiB and a run below 1 MiB, so that the script's steps, not the copying, fill the time.
constexpr LONG kMaxReadSize = 1 << 16;
// Past this much, Recv has nothing more: a run stays small whatever the sizes.
constexpr size_t kMaxDelivered = 1 << 20;

// What wakes the waits of the scripted objects: one lock and signal for all.
std::mutex g_mutex;
std::condition_variable g_signal;

class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) { }
    bool empty() const { return m_at >= m_size; }
    uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    LONG code() { return LONG(int8_t(byte())); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

struct RecvResult {
    int kind = 0;
    uint8_t shortLength = 0;
};

struct Step {
    uint8_t flags = 0;
    LONG error = 0;
    LONG readSize = 0;
    std::vector<RecvResult> recvs;
};

enum : uint8_t { kRead = 1, kWrite = 2, kAccept = 4, kConnect = 8, kClose = 16 };

std::vector<Step> scriptOf(Input& in)
{
    std::vector<Step> steps;
    while (!in.empty() && steps.size() < 256) {
        Step step;
        step.flags = in.byte() & 0x1F;
        step.error = in.code();
        if (step.flags & kRead) {
            const uint32_t size = uint32_t(in.byte()) | uint32_t(in.byte()) << 8 | uint32_t(in.byte()) << 16;
            step.readSize = LONG(size % (kMaxReadSize + 1));
            for (int n = in.byte() % 4 + 1; n > 0; --n)
                step.recvs.push_back({in.byte() % 4, in.byte()});
        }
        steps.push_back(step);
        if (step.flags & kClose)
            return steps;
    }
    steps.push_back({kClose, 0, 0, {}});
    return steps;
}

// The byte delivered at each position of the stream: a pattern of period 256, so that a byte
// lost, repeated or moved shows, and a run of them is copied from one table.
uint8_t patternByte(size_t position) { return uint8_t(position * 131 + 7); }

const uint8_t* patternFrom(size_t position)
{
    static const auto table = [] {
        std::array<uint8_t, 512> t{};
        for (size_t i = 0; i < t.size(); ++i)
            t[i] = patternByte(i);
        return t;
    }();
    return table.data() + position % 256;
}

// Copies count pattern bytes of the stream from position on.
void fillPattern(uint8_t* out, size_t position, size_t count)
{
    while (count > 0) {
        const size_t n = std::min<size_t>(count, 256);
        std::memcpy(out, patternFrom(position), n);
        out += n;
        position += n;
        count -= n;
    }
}

// Whether bytes are the stream's from position on.
bool matchesPattern(const uint8_t* bytes, size_t position, size_t count)
{
    while (count > 0) {
        const size_t n = std::min<size_t>(count, 256);
        if (std::memcmp(bytes, patternFrom(position), n) != 0)
            return false;
        bytes += n;
        position += n;
        count -= n;
    }
    return true;
}

class FuzzEv : public vbObject, public IvbSocketEv {
public:
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbSocketEv) {
            *ppv = static_cast<IvbSocketEv*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    void Set() override
    {
        std::lock_guard lock(g_mutex);
        m_set = true;
        g_signal.notify_all();
    }
    void Reset() override
    {
        std::lock_guard lock(g_mutex);
        m_set = false;
    }
    bool IsSet() override
    {
        std::lock_guard lock(g_mutex);
        return m_set;
    }
    bool setLocked() const { return m_set; }

private:
    bool m_set = false;
};

// Under g_mutex: the first of the events that is set (1-based), else 0.
int firstSet(IvbSocketEv* const* events, int count)
{
    for (int i = 0; i < count; ++i)
        if (events[i] && static_cast<FuzzEv*>(events[i])->setLocked())
            return i + 1;
    return 0;
}

class FuzzSock : public vbObject, public IvbSocket {
public:
    explicit FuzzSock(std::vector<Step> steps) : m_steps(std::move(steps)) { }

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbSocket) {
            *ppv = static_cast<IvbSocket*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }

    bool GetEvents(bool) override
    {
        if (m_next >= m_steps.size())
            return false;
        m_step = m_steps[m_next++];
        m_recv = 0;
        return m_step.flags != 0;
    }
    bool IsConnectEv() override { return m_step.flags & kConnect; }
    LONG GetConnectErr() override { return m_step.error; }
    bool IsAcceptEv() override { return m_step.flags & kAccept; }
    LONG GetAcceptErr() override { return m_step.error; }
    bool IsCloseEv() override
    {
        if (!(m_step.flags & kClose))
            return false;
        std::lock_guard lock(g_mutex);
        closeTaken = true;
        return true;
    }
    LONG GetCloseErr() override { return m_step.error; }
    bool IsReadEv() override { return m_step.flags & kRead; }
    LONG GetReadErr() override { return m_step.error; }
    bool IsWriteEv() override { return m_step.flags & kWrite; }
    LONG GetWriteErr() override { return m_step.error; }
    LONG GetReadSize() override { return m_step.readSize; }
    LONG Recv(void* buffer, LONG length, int) override
    {
        if (m_recv >= m_step.recvs.size() || length < 1 || delivered >= kMaxDelivered)
            return 0;
        const RecvResult r = m_step.recvs[m_recv++];
        LONG n = 0;
        switch (r.kind) {
        case 0: n = length; break;
        case 1: n = length > 1 ? 1 + LONG(r.shortLength) % (length - 1) : length; break;
        case 2: return 0;
        default: return -1;
        }
        fillPattern(static_cast<uint8_t*>(buffer), delivered, size_t(n));
        delivered += size_t(n);
        return n;
    }
    LONG Send(const void*, LONG length, int) override { return length; }
    // Signalled while steps are left; afterwards it waits for the events like its plug object.
    int Wait(IvbSocketEv* const* events, int count, int, int, int) override
    {
        if (m_next < m_steps.size())
            return 0;
        std::unique_lock lock(g_mutex);
        g_signal.wait(lock, [&] { return firstSet(events, count) != 0; });
        return firstSet(events, count);
    }
    vbString GetPeerIP(vbString*) override { return "127.0.0.1"; }
    vbString GetSockIP(vbString*) override { return "127.0.0.1"; }
    void Close() override { }
    bool IsOpen() override { return true; }

    size_t delivered = 0; // bytes of the pattern; on the socket's thread until the close is taken
    bool closeTaken = false; // under g_mutex

private:
    std::vector<Step> m_steps;
    size_t m_next = 0;
    Step m_step;
    size_t m_recv = 0;
};

class FuzzPlug : public vbObject, public IvbSocketPlug {
public:
    FuzzPlug(LONG connectError, FuzzSock* sock) : m_connectError(connectError), m_sock(sock) { }

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbSocketPlug) {
            *ppv = static_cast<IvbSocketPlug*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    void CreateEv(vbSocketEvPtr* out, int) override
    {
        auto* ev = new FuzzEv;
        ev->Create();
        *out = static_cast<IvbSocketEv*>(ev);
        ev->Release();
    }
    int Wait(IvbSocketEv* const* events, int count, int, int, int) override
    {
        std::unique_lock lock(g_mutex);
        g_signal.wait(lock, [&] { return m_aborted || firstSet(events, count) != 0; });
        return firstSet(events, count);
    }
    bool CanServePort(const vbString&) override { return true; }
    LONG Connect(IvbSocketEv*, const vbString&, vbString&, vbSocketPtr* out) override
    {
        if (m_connectError == 0)
            *out = static_cast<IvbSocket*>(m_sock);
        return m_connectError;
    }
    void Abort() override
    {
        std::lock_guard lock(g_mutex);
        m_aborted = true;
        g_signal.notify_all();
    }

private:
    LONG m_connectError;
    FuzzSock* m_sock;
    bool m_aborted = false; // under g_mutex
};

// Notes that every report is a state 1-6, and when the run is over: the failed connect reported,
// or the close the script ended with.
class FuzzSocket : public vbSocket {
public:
    FuzzSocket(FuzzSock* sock, bool connectFails) : m_sock(sock), m_connectFails(connectFails) { }
    ~FuzzSocket() override { destroy(); }

    void waitForEnd()
    {
        std::unique_lock lock(g_mutex);
        if (!g_signal.wait_for(lock, std::chrono::seconds(20), [&] { return m_ended; })) {
            std::fprintf(stderr, "the socket never reported the end of the script\n");
            std::abort();
        }
    }

protected:
    void OnStateChange(vbSocketCtx ctx, int code) override
    {
        if (ctx < vbSocketConnected || ctx > vbSocketNotOpen) {
            std::fprintf(stderr, "report of state %d\n", int(ctx));
            std::abort();
        }
        std::lock_guard lock(g_mutex);
        if ((ctx == vbSocketClosed && m_sock->closeTaken) || (ctx == vbSocketConnected && m_connectFails && code != 0))
            m_ended = true;
        g_signal.notify_all();
    }

private:
    FuzzSock* m_sock;
    bool m_connectFails;
    bool m_ended = false; // under g_mutex
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzTempDir home(true);
    static vbUseEngineCenter use(&g_vbEngineCenter, true);
    g_pvbLogFileName = nullptr;

    Input in(data, size);
    const LONG connectError = in.code();
    auto* sock = new FuzzSock(scriptOf(in));
    sock->Create();
    auto* plug = new FuzzPlug(connectError, sock);
    plug->Create();
    {
        FuzzSocket socket(sock, connectError != 0);
        socket.CreateOn(static_cast<IvbSocketPlug*>(plug), "fuzz");
        socket.Connect("peer", "fuzz");
        socket.waitForEnd();

        size_t queued = 0;
        for (vbData block; socket.GetData(block) > 0;) {
            const auto* bytes = static_cast<const uint8_t*>(static_cast<const void*>(block));
            const size_t length = size_t(block.GetLength());
            if (queued + length > sock->delivered || !matchesPattern(bytes, queued, length)) {
                std::fprintf(stderr, "queued bytes %zu-%zu are not the ones delivered\n", queued, queued + length);
                std::abort();
            }
            queued += length;
        }
        if (queued != sock->delivered) {
            std::fprintf(stderr, "queued %zu bytes, delivered %zu\n", queued, sock->delivered);
            std::abort();
        }
    }
    plug->Release();
    sock->Release();
    return 0;
}
