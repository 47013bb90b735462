#pragma once

// A private home (VANTREL_HOME) for a benchmark, so that it never touches the user's registry or
// files; removed with everything in it when it goes.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

struct BenchHome {
    std::string path;
    BenchHome()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vnt-bench-XXXXXX").string();
        path = mkdtemp(pattern.data()) ? pattern : std::string();
        setenv("VANTREL_HOME", path.c_str(), 1);
    }
    ~BenchHome()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    BenchHome(const BenchHome&) = delete;
    BenchHome& operator=(const BenchHome&) = delete;
};
