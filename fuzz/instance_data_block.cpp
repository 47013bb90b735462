// A data block handed over by another instance, from outside bytes, through the receiver's
// parse. Only "Import" blocks (any case) are accepted, a refused block gives nothing out, and the
// files given out never number more than the bytes can hold.

#include "FuzzTempDir.h"

#include "picInstanceMsg.h"

#include "vbEngine.h"
#include "vbException.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <strings.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzTempDir home(true);
    static vbUseEngineCenter use(&g_vbEngineCenter, true);
    if (size < 1 || size > 0x100000)
        return 0;
    vbData block(data, int(size));
    vbArray<vbString> files;
    files.Add("untouched");
    try {
        picParseImportBlock(block, &files);
    } catch (CException* e) {
        e->Delete();
        if (files.GetSize() != 1)
            std::abort();
        return 0;
    }
    const bool import = size >= 10 && data[0] == 6 && data[1] == 0 && data[2] == 0 && data[3] == 0
        && strncasecmp(reinterpret_cast<const char*>(data) + 4, "Import", 6) == 0;
    if (!import || size < 14 || size_t(files.GetSize()) > (size - 14) / 4)
        std::abort();
    return 0;
}
