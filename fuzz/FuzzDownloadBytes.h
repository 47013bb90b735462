#pragma once

// What the targets feeding downloaded bytes to a download object share: a home that is also the
// temporary folder, so a left temporary "KVX" file shows, and delivery in chunks as a session
// delivers them.

#include "FuzzTempDir.h"

#include "vbDnItf.h"
#include "vbException.h"
#include "vbLog.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>

struct FuzzDownloadHome : FuzzTempDir {
    FuzzDownloadHome() : FuzzTempDir(true)
    {
        g_pvbLogFileName = nullptr;
        setenv("TMPDIR", path.c_str(), 1);
    }
    // Files other than the run's own folders (the registry, logs and shared objects live in
    // sub-folders of the home).
    bool holdsFiles() const
    {
        for (const auto& entry : std::filesystem::directory_iterator(path))
            if (entry.is_regular_file() && entry.path().filename().string().rfind("KVX", 0) == 0)
                return true;
        return false;
    }
};

// Loads the bytes into obj in chunks of the given size, grown where the bytes would make more
// than 32 of them (each is a write of its own); true when it loaded. A refusal must be the
// object's own error, whose text contains refusal; anything else aborts the run.
template <class Obj>
bool fuzzLoadInChunks(Obj* obj, vbDnData* op, const uint8_t* data, size_t size, size_t chunk, const char* refusal)
{
    chunk = std::max(chunk, (size + 31) / 32);
    try {
        obj->LoadingStart(op, int64_t(size));
        for (size_t at = 0; at < size; at += chunk)
            obj->LoadingAddBuffer(op, data + at, ULONG(std::min(chunk, size - at)));
        obj->LoadingEnd(op, true);
        return true;
    } catch (vbEdnUser* e) {
        if (!std::strstr(e->GetMsg(), refusal))
            std::abort();
        e->Delete();
        return false;
    }
}
