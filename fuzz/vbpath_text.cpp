// Path text and wildcard matching over untrusted names and patterns (command lines, project
// files, directory listings): nothing may read past the end of either text.

#include "vbFileTools.h"
#include "vbLog.h"
#include "vbString.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_pvbLogFileName = nullptr; // nothing here is meant for the user's log
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* nl = size ? std::memchr(bytes, '\n', size) : nullptr;
    size_t split = nl ? static_cast<size_t>(static_cast<const char*>(nl) - bytes) : size;
    // Each piece is an exact-size copy (embedded zeros end the text, as they would for the system).
    vbString pattern(bytes, static_cast<int>(split));
    vbString path(split < size ? bytes + split + 1 : "", split < size ? static_cast<int>(size - split - 1) : 0);

    vbMatchPath(pattern, path);
    vbMatchPathCase(pattern, path);
    vbMatchPathCase(path, pattern);
    vbGetFileExt(path, true);
    vbGetFileName(path.c_str());
    vbGetFileNameExt(path.c_str());
    vbGetFileDir(path.c_str(), false);
    vbEndSlash(path, false);
    vbNoEndSlash(path);
    vbGetFilePath(path, pattern, vbString("txt"));
    return 0;
}
