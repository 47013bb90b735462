// Cursor bytes from any URL reach the cursor object in chunks and go through a temporary file to
// the platform's readers: whatever they are, the load ends with a cursor or with the cursor
// object's "is not a cursor file" error, and leaves no file behind.
//
// Input: the first byte chooses the URL (bit 0: ".ani", else ".cur") and the chunk size (the
// other bits, plus 1, grown so that there are at most 32 chunks); the rest are the delivered bytes.
//
// Every input makes, writes, reads and removes a temporary file: it runs several hundred inputs
// a second.

#include "FuzzDownloadBytes.h"

#include "guiCursor.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzDownloadHome home;
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
        loaded = fuzzLoadInChunks(cursor, &op, data + 1, size - 1, chunk, "is invalid or is not a cursor file");
        if (home.holdsFiles() || op.GetUserData())
            std::abort();
    }
    cursor->SetLoaded(loaded, false);
    if (loaded != cursor->IsValid() || (loaded && cursor->IsAnimated() != ((data[0] & 1) != 0)))
        std::abort();
    cursor->Release();
    return 0;
}
