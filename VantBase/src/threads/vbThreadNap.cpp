#include "threads/vbThreadNap.h"

#include "plat/handles.h"
#include "plat/sync.h"
#include "plat/thread.h"
#include "plat/time.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace {

struct Nappers {
    std::mutex mutex;
    std::vector<HANDLE> wakes;
    std::atomic<uint64_t> news{0};
};

// Never destroyed: engines stop, and threads end, in the libraries' static destructors.
Nappers& nappers()
{
    static auto* n = new Nappers;
    return *n;
}

// One nap's own event, listed while the nap lasts: listed before the condition is first asked,
// so a change made between the question and the wait still ends the wait. Without an event (no
// handle left) the nap sleeps its whole step, as a plain poll does.
class Wake {
public:
    Wake() : m_event(CreateEventA(nullptr, FALSE, FALSE, nullptr))
    {
        if (!m_event)
            return;
        std::lock_guard<std::mutex> lock(nappers().mutex);
        nappers().wakes.push_back(m_event);
    }
    ~Wake()
    {
        if (!m_event)
            return;
        {
            std::lock_guard<std::mutex> lock(nappers().mutex);
            std::erase(nappers().wakes, m_event);
        }
        CloseHandle(m_event);
    }
    Wake(const Wake&) = delete;
    Wake& operator=(const Wake&) = delete;

    void wait(DWORD ms) const
    {
        if (m_event)
            WaitForSingleObject(m_event, ms);
        else
            Sleep(ms);
    }

private:
    HANDLE m_event;
};

} // namespace

void vbImpl::threadStateChanged()
{
    Nappers& n = nappers();
    std::lock_guard<std::mutex> lock(n.mutex);
    for (HANDLE wake : n.wakes)
        SetEvent(wake);
}

void vbImpl::stopNews()
{
    ++nappers().news;
    threadStateChanged();
}

uint64_t vbImpl::stopNewsCount() { return nappers().news.load(); }

void vbImpl::napUntil(DWORD ms, const std::function<bool()>& done)
{
    const Wake wake;
    const DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return;
        // Unsigned: right across the wrap of the tick count.
        const DWORD spent = GetTickCount() - start;
        if (spent >= ms)
            return;
        wake.wait(ms - spent);
    }
}
