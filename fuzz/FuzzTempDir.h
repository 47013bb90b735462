#pragma once

// A private folder for one fuzzing run, removed when the program ends. Targets keep one in a
// function-level static, so it is made at the first input and outlives them all.

#include <cstdlib>
#include <filesystem>
#include <string>

struct FuzzTempDir {
    std::string path;

    // asHome: the folder is also the run's VANTREL_HOME.
    explicit FuzzTempDir(bool asHome)
    {
        char pattern[] = "/tmp/vnt-fuzz-XXXXXX";
        if (!mkdtemp(pattern))
            std::abort();
        path = pattern;
        if (asHome)
            setenv("VANTREL_HOME", pattern, 1);
    }
    ~FuzzTempDir() { std::filesystem::remove_all(path); }

    FuzzTempDir(const FuzzTempDir&) = delete;
    FuzzTempDir& operator=(const FuzzTempDir&) = delete;
};
