#pragma once

// The phases of one assembly as the process lives them, seen from outside the program's code: a
// sampler thread notes every millisecond each thread's CPU time (/proc/self/task/*/schedstat) and
// which files are open (/proc/self/fd), so that a source's decode is the time its file is open
// (the download session reads and decodes it chunk by chunk), the rows are the time the row
// helpers live, and the threads of a phase are those that ran in it. The caller marks the
// phases it sees itself (start-up, the wait for the result, the save, the shut-down).

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

class AssemblyTimes {
public:
    using Clock = std::chrono::steady_clock;

    // files: the names whose open time is each one's decode, in the order they are printed.
    explicit AssemblyTimes(std::vector<std::string> files) : m_files(std::move(files)), m_start(Clock::now())
    {
        m_sampler = std::thread([this] { sample(); });
    }
    ~AssemblyTimes() { stop(); }

    double now() const { return ms(Clock::now()); }

    // A phase the caller saw from its own thread.
    void mark(const std::string& name, double from, double to) { m_marked.push_back({name, from, to}); }

    void stop()
    {
        if (m_sampler.joinable()) {
            m_stop = true;
            m_sampler.join();
        }
    }

    // One line per phase, in time order: when it ran, its CPU time, how many threads ran in it
    // (each at least a tenth of the phase) and the CPU over the wall time.
    void print(std::FILE* out)
    {
        stop();
        std::vector<Phase> phases = m_marked;
        for (size_t k = 0; k < m_files.size(); ++k) {
            const Span s = openSpan(k);
            if (s.from >= 0)
                phases.push_back({"decode " + m_files[k], s.from, s.to});
        }
        addRowPhases(phases);
        std::sort(phases.begin(), phases.end(), [](const Phase& a, const Phase& b) { return a.from < b.from; });
        std::fprintf(out, "%-22s %9s %9s %9s %9s %8s %9s\n", "phase", "from ms", "to ms", "wall ms", "cpu ms",
            "threads", "cpu/wall");
        for (const Phase& p : phases) {
            const Use u = useIn(p.from, p.to);
            const double wall = p.to - p.from;
            std::fprintf(out, "%-22s %9.1f %9.1f %9.1f %9.1f %8d %9.2f\n", p.name.c_str(), p.from, p.to, wall, u.cpu,
                u.threads, wall > 0 ? u.cpu / wall : 0.0);
        }
        std::fprintf(out, "%-22s %9.1f %9.1f %9.1f %9.1f %8d %9.2f\n", "whole", 0.0, m_last, m_last,
            useIn(0, m_last).cpu, static_cast<int>(m_seen.size()), m_last > 0 ? useIn(0, m_last).cpu / m_last : 0.0);
    }

private:
    struct Phase {
        std::string name;
        double from;
        double to;
    };
    struct Span {
        double from = -1;
        double to = -1;
    };
    struct Use {
        double cpu = 0;
        int threads = 0;
    };
    struct Sample {
        double at;
        std::map<int, double> cpu; // thread id -> CPU ms so far
        std::vector<bool> open;    // per file
    };

    double ms(Clock::time_point t) const { return std::chrono::duration<double, std::milli>(t - m_start).count(); }

    void sample()
    {
        const int self = static_cast<int>(gettid());
        while (!m_stop) {
            Sample s{now(), {}, std::vector<bool>(m_files.size(), false)};
            std::error_code ec;
            for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", ec)) {
                const int tid = std::stoi(task.path().filename().string());
                std::ifstream stat(task.path() / "schedstat");
                double ns = 0;
                if (tid != self && stat >> ns) {
                    s.cpu[tid] = ns / 1e6;
                    m_seen.insert(tid);
                }
            }
            for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
                std::error_code link;
                const std::string target = std::filesystem::read_symlink(fd.path(), link).filename().string();
                for (size_t k = 0; k < m_files.size(); ++k)
                    if (target == m_files[k])
                        s.open[k] = true;
            }
            m_samples.push_back(std::move(s));
            m_last = m_samples.back().at;
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }

    Span openSpan(size_t k) const
    {
        Span s;
        for (const Sample& x : m_samples) {
            if (!x.open[k])
                continue;
            if (s.from < 0)
                s.from = x.at;
            s.to = x.at;
        }
        return s;
    }

    // The row helpers are the threads born after the last source was read; their life is the
    // rows, and what lies between the last read and their birth is the tables' completion.
    void addRowPhases(std::vector<Phase>& phases) const
    {
        double lastRead = -1;
        for (size_t k = 0; k < m_files.size(); ++k)
            lastRead = std::max(lastRead, openSpan(k).to);
        if (lastRead < 0)
            return;
        std::set<int> before;
        double from = -1;
        double to = -1;
        for (const Sample& x : m_samples) {
            if (x.at <= lastRead) {
                for (const auto& [tid, cpu] : x.cpu)
                    before.insert(tid);
                continue;
            }
            const bool helpers =
                std::any_of(x.cpu.begin(), x.cpu.end(), [&](const auto& t) { return !before.count(t.first); });
            if (helpers && from < 0)
                from = x.at;
            if (helpers)
                to = x.at;
            if (!helpers && from >= 0)
                break;
        }
        if (from < 0)
            return;
        phases.push_back({"tables", lastRead, from});
        phases.push_back({"rows", from, to});
    }

    // CPU of every thread between two times, and the threads that had at least a tenth of it; a
    // thread counts from its first sample to its last, whether or not it outlived the phase.
    Use useIn(double from, double to) const
    {
        std::map<int, std::pair<double, double>> span; // thread id -> CPU at the start and at the end
        for (const Sample& x : m_samples) {
            if (x.at > to)
                break;
            for (const auto& [tid, cpu] : x.cpu) {
                auto it = span.try_emplace(tid, 0.0, cpu).first;
                if (x.at <= from)
                    it->second.first = cpu;
                it->second.second = cpu;
            }
        }
        Use u;
        for (const auto& [tid, cpu] : span) {
            const double used = cpu.second - cpu.first;
            u.cpu += used;
            if (used >= (to - from) / 10)
                ++u.threads;
        }
        return u;
    }

    std::vector<std::string> m_files;
    Clock::time_point m_start;
    std::thread m_sampler;
    std::atomic<bool> m_stop{false};
    std::vector<Sample> m_samples;
    std::set<int> m_seen;
    double m_last = 0;
    std::vector<Phase> m_marked;
};
