// The raster row pool: workers made on first use, waiting for jobs; chunks are taken by an
// atomic counter so uneven rows even out.

#include "RowPool.h"

#include "plat/testhooks.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace plat::gdi {

namespace {

constexpr int kMaxThreads = 4;
std::atomic<int> g_threadsAsked{0};

struct Job {
    const std::function<void(int, int)>* work = nullptr;
    int rows = 0;
    int chunk = 1;
    std::atomic<int> next{0};
    std::atomic<int> active{0};
};

class Pool {
public:
    void run(int rows, int threads, const std::function<void(int, int)>& work)
    {
        std::unique_lock serial(runMutex_); // one job at a time; others wait their turn
        ensureWorkers(threads - 1);
        Job job;
        job.work = &work;
        job.rows = rows;
        job.chunk = std::max(1, rows / (threads * 4));
        {
            std::lock_guard lock(mutex_);
            job_ = &job;
            helpers_ = threads - 1;
            ++generation_;
        }
        wake_.notify_all();
        drain(job);
        std::unique_lock lock(mutex_);
        done_.wait(lock, [&] { return job.active.load() == 0 && helpers_ == 0; });
        job_ = nullptr;
    }

private:
    static void drain(Job& job)
    {
        ++job.active;
        for (;;) {
            const int begin = job.next.fetch_add(job.chunk);
            if (begin >= job.rows)
                break;
            (*job.work)(begin, std::min(job.rows, begin + job.chunk));
        }
        --job.active;
    }

    void ensureWorkers(int count)
    {
        while (int(workers_) < count) {
            std::thread([this] { workerLoop(); }).detach();
            ++workers_;
        }
    }

    void workerLoop()
    {
        unsigned seen = 0;
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return generation_ != seen && job_ && helpers_ > 0; });
            seen = generation_;
            --helpers_;
            Job* job = job_;
            ++job->active; // before the lock goes, so the caller cannot finish under us
            lock.unlock();
            drain(*job);
            --job->active;
            lock.lock();
            done_.notify_all();
        }
    }

    std::mutex runMutex_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    Job* job_ = nullptr;
    int helpers_ = 0;
    unsigned generation_ = 0;
    size_t workers_ = 0;
};

Pool& pool()
{
    static auto* p = new Pool; // workers wait on it until the process ends
    return *p;
}

} // namespace

int rowThreads()
{
    const int asked = g_threadsAsked.load();
    if (asked > 0)
        return std::min(asked, kMaxThreads);
    return std::clamp(int(std::thread::hardware_concurrency()), 1, kMaxThreads);
}

void runRows(int rows, const std::function<void(int begin, int end)>& work)
{
    const int threads = std::min(rowThreads(), rows);
    if (threads <= 1) {
        work(0, rows);
        return;
    }
    pool().run(rows, threads, work);
}

} // namespace plat::gdi

void vntTestSetBlitThreads(int count) { plat::gdi::g_threadsAsked = std::max(0, count); }
