// A named mapping's file in the runtime folder may have been written (or damaged) by any process
// of the user: opening it by name and viewing it must accept any bytes. The input is the start
// of the name file; the rest of the header and a small data area read as zeros.

#include "FuzzTempDir.h"
#include "kernel/NamedObjects.h"
#include "plat/folders.h"
#include "plat/handles.h"
#include "plat/mapping.h"

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A home of its own for the run, removed at the end.
    static const FuzzTempDir home(true);
    static const std::string folder = plat::vantrelFolder(plat::Folder::Runtime, true);
    const std::string path = plat::nameFilePath(folder, "fuzzed");
    int holder = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (holder < 0)
        std::abort();
    if (write(holder, data, size) != ssize_t(size) || ftruncate(holder, plat::kSharedDataOffset + 8192) != 0)
        std::abort();
    // Held by "another process", so the name is alive.
    flock(holder, LOCK_SH);

    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, "fuzzed");
    if (mapping) {
        if (auto* view = static_cast<const volatile uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0))) {
            (void)view[0];
            UnmapViewOfFile(const_cast<const uint8_t*>(view));
        }
        CloseHandle(mapping);
    }
    close(holder);
    unlink(path.c_str());
    return 0;
}
