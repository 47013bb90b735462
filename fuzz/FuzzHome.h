#pragma once

// A VANTREL_HOME of its own for a fuzz run: made in /tmp on first use, removed at exit.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vnt::fuzz {

class Home {
public:
    Home()
    {
        char pattern[] = "/tmp/vnt-fuzz-XXXXXX";
        if (!mkdtemp(pattern))
            std::abort();
        m_path = pattern;
        setenv("VANTREL_HOME", pattern, 1);
    }
    ~Home() { std::filesystem::remove_all(m_path); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace vnt::fuzz
