// Cursor bytes from any URL reach the cursor object in chunks and go through a temporary file to
// the platform's readers: whatever they are, the load ends with a cursor or with the cursor
// object's "is not a cursor file" error, and leaves no file behind.
//
// Input: the first byte chooses the URL (bit 0: ".ani", else ".cur") and the chunk size (the
// other bits, plus 1); the rest are the delivered bytes.

#include "FuzzTempDir.h"

#include "guiCursor.h"

#include "vbException.h"
#include "vbLog.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

struct TempHome : FuzzTempDir {
    TempHome() : FuzzTempDir(true)
    {
        g_pvbLogFileName = nullptr;
        setenv("TMPDIR", path.c_str(), 1);
    }
    bool holdsFiles() const
    {
        for (const auto& entry : std::filesystem::directory_iterator(path))
            if (entry.is_regular_file() && entry.path().filename().string().rfind("KVX", 0) == 0)
                return true;
        return false;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const TempHome home;
    if (size == 0)
        return 0;
    const char* url = (data[0] & 1) ? "/fuzz/spin.ani" : "/fuzz/arrow.cur";
    const size_t chunk = size_t(data[0] >> 1) + 1;
    auto* cursor = new guiCursorObject(url, 0);
    cursor->Create();
    vbDnData root(nullptr, nullptr);
    bool loaded = false;
    {
        vbDnData op(&root, vbDnLoad, url, cursor);
        try {
            cursor->LoadingStart(&op, int64_t(size - 1));
            for (size_t at = 1; at < size; at += chunk)
                cursor->LoadingAddBuffer(&op, data + at, ULONG(std::min(chunk, size - at)));
            cursor->LoadingEnd(&op, true);
            loaded = true;
        } catch (vbEdnUser* e) {
            if (!std::strstr(e->GetMsg(), "is invalid or is not a cursor file"))
                std::abort();
            e->Delete();
        }
        if (home.holdsFiles() || op.GetUserData())
            std::abort();
    }
    cursor->SetLoaded(loaded, false);
    if (loaded != cursor->IsValid() || (loaded && cursor->IsAnimated() != ((data[0] & 1) != 0)))
        std::abort();
    cursor->Release();
    return 0;
}
