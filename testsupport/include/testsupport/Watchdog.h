#pragma once

// Ends the test program with a message when a scope has not ended within its limit, so that a
// deadlock fails the run instead of hanging it.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace testsupport {

class Watchdog {
public:
    Watchdog(std::chrono::milliseconds limit, std::string what)
        : m_what(std::move(what)), m_thread([this, limit] { watch(limit); })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    void watch(std::chrono::milliseconds limit)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_cv.wait_for(lock, limit, [this] { return m_done; }))
            return;
        std::fprintf(stderr, "watchdog: %s did not end within %lld ms\n", m_what.c_str(),
            static_cast<long long>(limit.count()));
        std::fflush(stderr);
        std::_Exit(1);
    }

    std::string m_what;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    std::thread m_thread;
};

} // namespace testsupport
