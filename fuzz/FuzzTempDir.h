#pragma once

// A private folder for one fuzzing run, removed when the program ends. Targets keep one in a
// function-level static, so it is made at the first input and outlives them all. It lies in
// memory where the machine offers a memory file system: the targets rewrite their files at every
// input, and on a disk each rewrite of a file cut to nothing waits for the blocks to be flushed.

#include <cstdlib>
#include <filesystem>
#include <string>

struct FuzzTempDir {
    std::string path;

    // asHome: the folder is also the run's VANTREL_HOME.
    explicit FuzzTempDir(bool asHome)
    {
        char inMemory[] = "/dev/shm/vnt-fuzz-XXXXXX";
        char onDisk[] = "/tmp/vnt-fuzz-XXXXXX";
        const char* made = mkdtemp(inMemory);
        if (!made)
            made = mkdtemp(onDisk);
        if (!made)
            std::abort();
        path = made;
        if (asHome)
            setenv("VANTREL_HOME", made, 1);
    }
    ~FuzzTempDir() { std::filesystem::remove_all(path); }

    FuzzTempDir(const FuzzTempDir&) = delete;
    FuzzTempDir& operator=(const FuzzTempDir&) = delete;
};
