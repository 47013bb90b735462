// URLs and paths from project files, mark-up and the command line: every parser of the download
// URL forms must take any text, and only the library's own errors may come out.

#include "FuzzTempDir.h"

#include "vbDnItf.h"
#include "vbException.h"
#include "vbLog.h"
#include "vbRegKey.h"
#include "vbVariant.h"

#include "plat/resource.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// A registry with a few file types whose icons lead on, to each other and back.
struct Home : FuzzTempDir {
    Home() : FuzzTempDir(true)
    {
        g_pvbLogFileName = nullptr; // nothing here is meant for the user's log
        const char* const icons[][2] = {
            {".tst\\DefaultIcon", "/opt/i.so,-101"},
            {".jpg", "jpgfile"},
            {"jpgfile\\DefaultIcon", "%systemroot%/icons.so,3"},
            {".loop\\DefaultIcon", "*.loop!x"},
            {".env\\DefaultIcon", "%HOME%/x.so"},
        };
        for (const auto& [key, value] : icons) {
            vbRegKey k(vbRegClassesRoot, key);
            k.SetDefaultValue(vbVariant(vbString(value)));
        }
    }
};

// Runs f; only the library's vbEsys may come out.
template <class F>
void guarded(F&& f)
{
    try {
        f();
    } catch (vbEsys* e) {
        e->Delete();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Home home;
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* zero = size ? std::memchr(bytes, 0, size) : nullptr;
    const size_t split = zero ? static_cast<size_t>(static_cast<const char*>(zero) - bytes) : size;
    const vbString url(bytes, static_cast<int>(split));
    const vbString base(split < size ? bytes + split + 1 : "", split < size ? static_cast<int>(size - split - 1) : 0);

    vbString rest, module, name, type, out;
    bool slashes = false;
    LPCSTR namePtr = nullptr, typePtr = nullptr;
    vbGetProtocol(url, &rest, &slashes, true);
    vbGetDrive(url, &rest);
    vbIsAbsUrl(url);
    if (vbGetResUrl(url, &module, &name, &namePtr, &type, &typePtr)) {
        if (namePtr && !IS_INTRESOURCE(namePtr) && std::strcmp(namePtr, name.c_str()) != 0)
            std::abort();
        if (typePtr && !IS_INTRESOURCE(typePtr) && std::strcmp(typePtr, type.c_str()) != 0)
            std::abort();
    }
    vbGetResUrl(url, nullptr, nullptr, nullptr, nullptr, nullptr);
    vbGetFileUrl(url, &out);
    vbGetDataUrl(url, &out);
    vbGetNetUrl(url, &out);
    vbUrlDecode(url);
    vbSubPath(url, &rest);
    vbSubPathEnd(url, &rest);
    guarded([&] { vbBase64decode(url.c_str(), url.GetLength()); });
    guarded([&] { vbMakeAbsUrl(url, base); });
    guarded([&] { vbAddPath(base, url); });
    return 0;
}
