#include "shell/ShellFolders.h"

#include "plat/errors.h"
#include "plat/shell.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <string>

namespace {

// The shell allocator: one object for the whole process, never freed.
class ShellMalloc final : public IMalloc {
public:
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override
    {
        if (!ppvObject)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IMalloc) {
            *ppvObject = static_cast<IMalloc*>(this);
            return S_OK;
        }
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    void* Alloc(SIZE_T cb) override { return std::malloc(cb ? cb : 1); }
    void* Realloc(void* pv, SIZE_T cb) override
    {
        if (pv && !cb) {
            std::free(pv);
            return nullptr;
        }
        return std::realloc(pv, cb);
    }
    void Free(void* pv) override { std::free(pv); }
    SIZE_T GetSize(void* pv) override { return pv ? malloc_usable_size(pv) : SIZE_T(-1); }
    int DidAlloc(void*) override { return -1; }
    void HeapMinimize() override {}
};

ShellMalloc& shellMalloc()
{
    static ShellMalloc* allocator = new ShellMalloc;
    return *allocator;
}

// Marks the item lists made here, so that a foreign list is not read as a path.
constexpr BYTE kPathItemTag[4] = {'V', 'p', 't', 'h'};

std::string absoluteEnv(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || value[0] != '/')
        return {};
    std::string text = value;
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

std::string homeFolder()
{
    std::string home = absoluteEnv("HOME");
    return home.empty() ? "/tmp" : home;
}

std::string xdgBase(const char* variable, const char* fallback)
{
    std::string base = absoluteEnv(variable);
    return base.empty() ? homeFolder() + fallback : base;
}

// A folder of user-dirs.dirs (XDG_<key>_DIR="$HOME/..." or an absolute path), else the default
// under the home folder.
std::string userDir(const char* key, const char* fallback)
{
    std::ifstream file(xdgBase("XDG_CONFIG_HOME", "/.config") + "/user-dirs.dirs");
    std::string wanted = std::string("XDG_") + key + "_DIR=";
    for (std::string line; std::getline(file, line);) {
        if (line.rfind(wanted, 0) != 0)
            continue;
        std::string value = line.substr(wanted.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = homeFolder() + value.substr(5);
        if (!value.empty() && value[0] == '/') {
            while (value.size() > 1 && value.back() == '/')
                value.pop_back();
            return value;
        }
    }
    return homeFolder() + "/" + fallback;
}

} // namespace

std::string plat::shell::specialFolder(int folder)
{
    // VANTREL_HOME, read at every call as the tests change it.
    std::string portable = absoluteEnv("VANTREL_HOME");
    bool isPortable = !portable.empty();
    if (portable == "/")
        portable.clear();
    std::string config = isPortable ? portable + "/config" : xdgBase("XDG_CONFIG_HOME", "/.config");
    std::string data = isPortable ? portable + "/data" : xdgBase("XDG_DATA_HOME", "/.local/share");
    auto user = [&](const char* key, const char* fallback) {
        return isPortable ? portable + "/home/" + fallback : userDir(key, fallback);
    };
    switch (folder) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY: return user("DESKTOP", "Desktop");
    case CSIDL_PERSONAL: return user("DOCUMENTS", "Documents");
    case CSIDL_MYPICTURES: return user("PICTURES", "Pictures");
    case CSIDL_APPDATA: return config;
    case CSIDL_LOCAL_APPDATA: return data;
    case CSIDL_PROGRAMS:
    case CSIDL_COMMON_PROGRAMS: return data + "/applications";
    case CSIDL_STARTUP: return config + "/autostart";
    default: return {};
    }
}

HRESULT SHGetMalloc(LPMALLOC* ppMalloc)
{
    if (!ppMalloc)
        return E_INVALIDARG;
    *ppMalloc = &shellMalloc();
    return S_OK;
}

HRESULT SHGetSpecialFolderLocation(HWND, int nFolder, LPITEMIDLIST* ppidl)
{
    if (!ppidl)
        return E_INVALIDARG;
    *ppidl = nullptr;
    std::string path = plat::shell::specialFolder(nFolder);
    if (path.empty())
        return E_INVALIDARG;
    // One item (size, tag, path with its 0), then the empty item that ends the list.
    size_t itemSize = sizeof(USHORT) + sizeof kPathItemTag + path.size() + 1;
    if (itemSize > 0xFFFF)
        return E_FAIL;
    auto* bytes = static_cast<BYTE*>(shellMalloc().Alloc(itemSize + sizeof(USHORT)));
    if (!bytes)
        return E_OUTOFMEMORY;
    USHORT cb = USHORT(itemSize), end = 0;
    std::memcpy(bytes, &cb, sizeof cb);
    std::memcpy(bytes + sizeof cb, kPathItemTag, sizeof kPathItemTag);
    std::memcpy(bytes + sizeof cb + sizeof kPathItemTag, path.c_str(), path.size() + 1);
    std::memcpy(bytes + itemSize, &end, sizeof end);
    *ppidl = reinterpret_cast<LPITEMIDLIST>(bytes);
    return S_OK;
}

BOOL SHGetPathFromIDListA(LPCITEMIDLIST pidl, LPSTR pszPath)
{
    if (!pidl || !pszPath)
        return FALSE;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(pidl);
    USHORT cb;
    std::memcpy(&cb, bytes, sizeof cb);
    const size_t head = sizeof cb + sizeof kPathItemTag;
    if (cb <= head || std::memcmp(bytes + sizeof cb, kPathItemTag, sizeof kPathItemTag) != 0) {
        pszPath[0] = 0;
        return FALSE;
    }
    size_t length = cb - head - 1; // the path's 0 is part of the item
    if (bytes[cb - 1] != 0 || length >= MAX_PATH) {
        pszPath[0] = 0;
        return FALSE;
    }
    std::memcpy(pszPath, bytes + head, length + 1);
    return TRUE;
}
