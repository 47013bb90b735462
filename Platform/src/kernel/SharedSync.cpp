#include "kernel/NamedObjects.h"
#include "kernel/SyncObjects.h"

#include "plat/errors.h"
#include "plat/sync.h"
#include "security/SecurityMode.h"

#include <cerrno>
#include <map>
#include <mutex>
#include <vector>

// Events, mutexes and semaphores shared between processes by name. Their state lives in the
// name's shared header; changes made in this process wake its own waiters at once, and waits
// look again every few milliseconds for changes made by other processes.

namespace plat {

namespace {

// Without shared words to watch, waits look again this often.
constexpr uint32_t kPollMs = 10;
// A mutex whose owner dies changes without a word being raised: waits look again this often.
constexpr uint32_t kOwnerDeathPollMs = 100;

uint32_t pollMs() { return canWatchSharedWords() ? 0 : kPollMs; }

// Tells the waiters of every process, this one's at once.
void announce(Waitable& object, SharedHeader& header)
{
    bumpSharedWord(&header.wakeCount);
    object.wakeWaiters();
}

class SharedEvent final : public EventBase, public SecuredObject {
public:
    explicit SharedEvent(std::shared_ptr<NameHold> hold) : m_hold(std::move(hold)) {}

    int securityFd() const override { return m_hold->fd(); }
    uint32_t pollIntervalMs() const override { return pollMs(); }
    const uint32_t* sharedWakeWord() const override { return &m_hold->header().wakeCount; }

    void addWaiter(WakeSignal* signal) override
    {
        Waitable::addWaiter(signal);
        SharedLock lock(state().lock);
        m_pulsesSeen[signal] = event().pulseCount;
    }

    void removeWaiter(WakeSignal* signal) override
    {
        Waitable::removeWaiter(signal);
        m_pulsesSeen.erase(signal);
    }

    bool isSignalled(const WaitContext& ctx) override
    {
        SharedLock lock(state().lock);
        return event().signalled || pulsedSince(ctx);
    }

    Acquire tryAcquire(const WaitContext& ctx) override
    {
        SharedLock lock(state().lock);
        auto& e = event();
        if (pulsedSince(ctx)) {
            if (e.pulseTokens != UINT32_MAX)
                --e.pulseTokens;
            m_pulsesSeen[ctx.signal] = e.pulseCount;
            return Acquire::Yes;
        }
        if (!e.signalled)
            return Acquire::No;
        if (!e.manual)
            e.signalled = 0;
        return Acquire::Yes;
    }

    bool set() override { return change([](auto& e) { e.signalled = 1; }); }
    bool reset() override { return change([](auto& e) { e.signalled = 0; }); }
    bool pulse() override
    {
        // Releases the threads of any process that were waiting when it came: each remembers
        // the pulse count it started waiting at.
        return change([](auto& e) {
            e.signalled = 0;
            ++e.pulseCount;
            e.pulseTokens = e.manual ? UINT32_MAX : 1;
        });
    }

private:
    SharedHeader& state() const { return m_hold->header(); }
    decltype(SharedHeader::u.event)& event() const { return m_hold->header().u.event; }

    // Under the shared lock: a pulse came after this thread began waiting and is not used up.
    bool pulsedSince(const WaitContext& ctx) const
    {
        auto seen = m_pulsesSeen.find(ctx.signal);
        return seen != m_pulsesSeen.end() && seen->second != event().pulseCount && event().pulseTokens > 0;
    }

    template <class F>
    bool change(F apply)
    {
        {
            SharedLock lock(state().lock);
            apply(event());
        }
        announce(*this, state());
        return true;
    }

    std::shared_ptr<NameHold> m_hold;
    std::map<WakeSignal*, uint32_t> m_pulsesSeen; // under waitLock()
};

class SharedMutex;

// This process's named mutexes, so that a thread's end can give up the ones it holds. Never
// destroyed: threads end during the process's exit too.
struct SharedMutexList {
    std::mutex lock;
    std::vector<SharedMutex*> list;
};
SharedMutexList& sharedMutexes()
{
    static auto* mutexes = new SharedMutexList;
    return *mutexes;
}

// Ownership is the robust mutex itself: the kernel marks it when its owning thread or process
// ends, and the next taker is told. A thread of this process that ends holding one gives it up
// itself, as abandoned, so that waiters learn of it at once.
class SharedMutex final : public MutexBase, public SecuredObject {
public:
    explicit SharedMutex(std::shared_ptr<NameHold> hold) : m_hold(std::move(hold))
    {
        std::lock_guard lock(sharedMutexes().lock);
        sharedMutexes().list.push_back(this);
    }
    ~SharedMutex() override
    {
        std::lock_guard lock(sharedMutexes().lock);
        std::erase(sharedMutexes().list, this);
    }

    // On the owning thread, as it ends.
    void abandonIfOwnedBy(DWORD threadId)
    {
        auto& m = mutex();
        if (DWORD(__atomic_load_n(&m.owner.__data.__owner, __ATOMIC_RELAXED)) != threadId)
            return;
        m.abandoned = 1;
        while (pthread_mutex_unlock(&m.owner) == 0) {
        }
        announce(*this, m_hold->header());
    }

    int securityFd() const override { return m_hold->fd(); }
    uint32_t pollIntervalMs() const override { return canWatchSharedWords() ? kOwnerDeathPollMs : kPollMs; }
    const uint32_t* sharedWakeWord() const override { return &m_hold->header().wakeCount; }

    bool isSignalled(const WaitContext& ctx) override
    {
        Acquire got = tryAcquire(ctx);
        if (got == Acquire::No)
            return false;
        if (got == Acquire::Abandoned)
            mutex().abandoned = 1; // kept for whoever takes it for real
        pthread_mutex_unlock(&mutex().owner);
        return true;
    }

    Acquire tryAcquire(const WaitContext&) override
    {
        int result = pthread_mutex_trylock(&mutex().owner);
        if (result == EOWNERDEAD) {
            pthread_mutex_consistent(&mutex().owner);
            mutex().abandoned = 0;
            return Acquire::Abandoned;
        }
        if (result != 0)
            return Acquire::No;
        if (mutex().abandoned) {
            mutex().abandoned = 0;
            return Acquire::Abandoned;
        }
        return Acquire::Yes;
    }

    bool release() override
    {
        if (pthread_mutex_unlock(&mutex().owner) != 0) {
            SetLastError(ERROR_NOT_OWNER);
            return false;
        }
        announce(*this, m_hold->header());
        return true;
    }

    // The creator's initial ownership.
    void take() { tryAcquire(WaitContext{0, nullptr}); }

private:
    decltype(SharedHeader::u.mutex)& mutex() const { return m_hold->header().u.mutex; }

    std::shared_ptr<NameHold> m_hold;
};

class SharedSemaphore final : public SemaphoreBase, public SecuredObject {
public:
    explicit SharedSemaphore(std::shared_ptr<NameHold> hold) : m_hold(std::move(hold)) {}

    int securityFd() const override { return m_hold->fd(); }
    uint32_t pollIntervalMs() const override { return pollMs(); }
    const uint32_t* sharedWakeWord() const override { return &m_hold->header().wakeCount; }

    bool isSignalled(const WaitContext&) override
    {
        SharedLock lock(m_hold->header().lock);
        return semaphore().count > 0;
    }

    Acquire tryAcquire(const WaitContext&) override
    {
        SharedLock lock(m_hold->header().lock);
        if (semaphore().count <= 0)
            return Acquire::No;
        --semaphore().count;
        return Acquire::Yes;
    }

    bool release(LONG count, LONG* previous) override
    {
        {
            SharedLock lock(m_hold->header().lock);
            auto& s = semaphore();
            if (count <= 0) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return false;
            }
            if (s.count < 0 || count > s.maximum - s.count) {
                SetLastError(ERROR_TOO_MANY_POSTS);
                return false;
            }
            if (previous)
                *previous = s.count;
            s.count += count;
        }
        announce(*this, m_hold->header());
        return true;
    }

private:
    decltype(SharedHeader::u.semaphore)& semaphore() const { return m_hold->header().u.semaphore; }

    std::shared_ptr<NameHold> m_hold;
};

} // namespace

void abandonSharedMutexesOf(DWORD threadId)
{
    std::lock_guard lock(sharedMutexes().lock);
    for (SharedMutex* mutex : sharedMutexes().list)
        mutex->abandonIfOwnedBy(threadId);
}

namespace {

template <class T>
MakeNamed maker()
{
    return [](std::shared_ptr<NameHold> hold) -> std::shared_ptr<KernelObject> {
        return std::make_shared<T>(std::move(hold));
    };
}

} // namespace

std::shared_ptr<KernelObject> createNamedEvent(const char* name, bool manualReset, bool initialState,
    const SECURITY_ATTRIBUTES* sa, bool& existed)
{
    auto init = [&](SharedHeader& header, int) {
        header.u.event.manual = manualReset;
        header.u.event.signalled = initialState;
        return true;
    };
    return findOrMakeNamed(NamedKind::Event, name, true, modeFromSecurityAttributes(sa), init,
        maker<SharedEvent>(), existed);
}

std::shared_ptr<KernelObject> createNamedMutex(const char* name, bool initialOwner, const SECURITY_ATTRIBUTES* sa,
    bool& existed)
{
    auto init = [](SharedHeader& header, int) {
        initSharedMutex(header.u.mutex.owner, true);
        return true;
    };
    auto object = findOrMakeNamed(NamedKind::Mutex, name, true, modeFromSecurityAttributes(sa), init,
        maker<SharedMutex>(), existed);
    // An existing mutex is not taken: the creator asked for a new one's ownership only.
    if (object && initialOwner && !existed)
        static_cast<SharedMutex&>(*object).take();
    return object;
}

std::shared_ptr<KernelObject> createNamedSemaphore(const char* name, LONG initial, LONG maximum,
    const SECURITY_ATTRIBUTES* sa, bool& existed)
{
    auto init = [&](SharedHeader& header, int) {
        header.u.semaphore.count = initial;
        header.u.semaphore.maximum = maximum;
        return true;
    };
    return findOrMakeNamed(NamedKind::Semaphore, name, true, modeFromSecurityAttributes(sa), init,
        maker<SharedSemaphore>(), existed);
}

std::shared_ptr<KernelObject> openNamed(NamedKind kind, const char* name)
{
    MakeNamed make;
    switch (kind) {
    case NamedKind::Event: make = maker<SharedEvent>(); break;
    case NamedKind::Mutex: make = maker<SharedMutex>(); break;
    case NamedKind::Semaphore: make = maker<SharedSemaphore>(); break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
    bool existed = false;
    return findOrMakeNamed(kind, name, false, 0600, {}, make, existed);
}

} // namespace plat
