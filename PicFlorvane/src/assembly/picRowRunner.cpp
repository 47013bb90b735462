#include "assembly/picRowRunner.h"

#include "vbSync.h"
#include "vbThread.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <sched.h>
#include <thread>
#include <vector>

namespace {

// The batches of one run, shared by every thread that computes them.
class RowJob {
public:
    RowJob(int height, int batch, const std::function<void(int, int)>& rows)
        : m_height(height), m_batch(batch), m_rows(rows)
    {
    }

    // The next batch, or false when all are taken or the run stops.
    bool take(int* first, int* end)
    {
        if (m_stop.load())
            return false;
        const int f = m_next.fetch_add(m_batch);
        if (f >= m_height)
            return false;
        *first = f;
        *end = std::min(m_height, f + m_batch);
        return true;
    }

    // Runs batches until none is left; a failure is kept for the calling thread and stops the run.
    void work()
    {
        try {
            int first = 0;
            int end = 0;
            while (take(&first, &end))
                m_rows(first, end);
        } catch (...) {
            std::lock_guard<std::mutex> lock(m_errorLock);
            if (!m_error)
                m_error = std::current_exception();
            m_stop = true;
        }
    }

    void stop() { m_stop = true; }
    std::exception_ptr error()
    {
        std::lock_guard<std::mutex> lock(m_errorLock);
        return m_error;
    }

private:
    const int m_height;
    const int m_batch;
    const std::function<void(int, int)>& m_rows;
    std::atomic<int> m_next{0};
    std::atomic<bool> m_stop{false};
    std::mutex m_errorLock;
    std::exception_ptr m_error;
};

class RowHelper : public vbThread {
public:
    explicit RowHelper(RowJob* job) : vbThread("PicFlorvane assembly rows"), m_done(true, nullptr, vbEventManualReset), m_job(job) { }

    DWORD onRun(sIvbThread*) override
    {
        m_job->work();
        m_done.Set();
        return 0;
    }
    void onClose(sIvbThread*) override { m_job->stop(); }

    // Waits until the helper has left its batches, then lets its thread go.
    void finish()
    {
        m_done.Wait(nullptr);
        Destroy();
    }

private:
    vbEvent m_done;
    RowJob* m_job;
};

// The helpers of one run; whatever way the run ends, they are stopped and gone before it does.
class RowHelpers {
public:
    RowHelpers(RowJob* job, int count) : m_job(job)
    {
        for (int i = 0; i < count; ++i) {
            auto helper = std::make_unique<RowHelper>(job);
            try {
                helper->Create(false);
            } catch (CException* e) {
                // Fewer threads only make the run slower.
                e->Delete();
                break;
            }
            m_helpers.push_back(std::move(helper));
        }
    }
    ~RowHelpers()
    {
        m_job->stop();
        join();
    }

    void join()
    {
        for (auto& h : m_helpers)
            h->finish();
        m_helpers.clear();
    }

private:
    RowJob* m_job;
    std::vector<std::unique_ptr<RowHelper>> m_helpers;
};

} // namespace

int picDefaultRowThreads()
{
    // The cores this process may run on, which a restricted start has fewer of than the machine.
    cpu_set_t cores;
    if (sched_getaffinity(0, sizeof cores, &cores) == 0)
        return std::max(1, CPU_COUNT(&cores));
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void picRunRows(int height, int threads, const std::function<void(int, int)>& rows,
    const std::function<void(int)>& between)
{
    if (height <= 0)
        return;
    threads = std::clamp(threads, 1, height);
    // One row at a time alone; with helpers, batches small enough to share out evenly.
    const int batch = threads == 1 ? 1 : std::max(1, height / (threads * 32));
    RowJob job(height, batch, rows);
    between(0);
    int reported = 0;
    {
        RowHelpers helpers(&job, threads - 1);
        int first = 0;
        int end = 0;
        while (job.take(&first, &end)) {
            if (first > reported) {
                between(first);
                reported = first;
            }
            rows(first, end);
        }
        helpers.join();
    }
    if (std::exception_ptr error = job.error())
        std::rethrow_exception(error);
    if (reported < height - 1)
        between(height - 1);
}
