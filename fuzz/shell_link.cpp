// A link file may have been written by any program or by hand: loading it must accept any bytes,
// and what a loaded link saves must load back as the same link.

#include "FuzzTempDir.h"

#include "plat/codepage.h"
#include "plat/com.h"
#include "plat/objidl.h"
#include "plat/shlobj.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct Texts {
    std::string target, arguments, description;
    bool operator==(const Texts&) const = default;
};

Texts textsOf(IShellLinkA* link)
{
    static char buffer[1 << 16];
    Texts t;
    link->GetPath(buffer, sizeof buffer, nullptr, 0);
    t.target = buffer;
    link->GetArguments(buffer, sizeof buffer);
    t.arguments = buffer;
    link->GetDescription(buffer, sizeof buffer);
    t.description = buffer;
    return t;
}

// A new link loaded from path; null when the file is refused.
IShellLinkA* loaded(const std::u16string& path, IPersistFile** file)
{
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
            reinterpret_cast<void**>(&link))))
        std::abort();
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file))))
        std::abort();
    if (SUCCEEDED((*file)->Load(path.c_str(), STGM_READ)))
        return link;
    (*file)->Release();
    link->Release();
    return nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const struct Home : FuzzTempDir {
        Home() : FuzzTempDir(true) { CoInitialize(nullptr); }
    } home;
    // Escaping grows a text at most fourfold; a larger copy would be refused as too large.
    if (size > (size_t(1) << 18))
        return 0;
    const std::string input = home.path + "/input.lnk";
    const std::u16string copy = plat::utf16FromUtf8(home.path + "/copy.lnk");
    // Written straight, without a stream's buffer made and filled at every input.
    const int fd = open(input.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || write(fd, data, size) != ssize_t(size))
        std::abort();
    close(fd);

    IPersistFile* file = nullptr;
    IShellLinkA* link = loaded(plat::utf16FromUtf8(input), &file);
    if (!link)
        return 0;
    if (FAILED(file->Save(copy.c_str(), FALSE)))
        std::abort();
    IPersistFile* copyFile = nullptr;
    IShellLinkA* again = loaded(copy, &copyFile);
    if (!again || !(textsOf(again) == textsOf(link)))
        std::abort();
    copyFile->Release();
    again->Release();
    file->Release();
    link->Release();
    return 0;
}
