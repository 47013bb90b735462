#pragma once

// A temporary folder of the test's own: TMPDIR names a fresh folder under the test's home while
// the object lives, so that what code leaves in the temporary folder can be seen and nothing else
// is there.

#include "testsupport/TestHome.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vnt::test {

class TempFolder {
public:
    explicit TempFolder(const std::string& name = "tmp") : m_path(testHome() / name)
    {
        std::filesystem::create_directories(m_path);
        if (const char* old = std::getenv("TMPDIR"))
            m_old = old;
        setenv("TMPDIR", m_path.c_str(), 1);
    }
    ~TempFolder()
    {
        if (m_old)
            setenv("TMPDIR", m_old->c_str(), 1);
        else
            unsetenv("TMPDIR");
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

    // The names of the files in the folder that begin with prefix, unordered.
    std::vector<std::string> files(const std::string& prefix = "") const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(prefix, 0) == 0)
                names.push_back(name);
        }
        return names;
    }

private:
    std::filesystem::path m_path;
    std::optional<std::string> m_old;
};

} // namespace vnt::test
