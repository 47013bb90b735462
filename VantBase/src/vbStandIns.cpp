#include "vbStandIns.h"

#include "vbFileTools.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstring>

vbString vbStandInProductName(const char* path)
{
    if (!path)
        return vbGetFileName(vbStandInModulePath(nullptr).c_str());
    return vbGetFileName(path);
}

vbString vbStandInOSlabel()
{
    struct utsname u;
    if (uname(&u) != 0)
        return vbString("Linux");
    vbString label;
    label.Format("%s %s (%s)", u.sysname, u.release, u.machine);
    return label;
}

namespace {

struct ModuleSearch {
    const void* base;
    const char* path;
    vbString found;
    const void* foundBase;
};

int visitModule(struct dl_phdr_info* info, size_t, void* data)
{
    auto* search = static_cast<ModuleSearch*>(data);
    const void* base = reinterpret_cast<const void*>(info->dlpi_addr);
    if (search->base && base == search->base) {
        search->found = info->dlpi_name;
        return 1;
    }
    if (search->path && info->dlpi_name && std::strcmp(info->dlpi_name, search->path) == 0) {
        search->foundBase = base;
        return 1;
    }
    return 0;
}

vbString programPath()
{
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? vbString(buf, static_cast<int>(n)) : vbString();
}

} // namespace

vbString vbStandInModulePath(HINSTANCE hInst)
{
    if (!hInst)
        return programPath();
    ModuleSearch search{hInst, nullptr, vbString(), nullptr};
    dl_iterate_phdr(visitModule, &search);
    return search.found;
}

HINSTANCE vbStandInModuleHandle(const char* path)
{
    if (!path || programPath() == path)
        return nullptr;
    ModuleSearch search{nullptr, path, vbString(), nullptr};
    dl_iterate_phdr(visitModule, &search);
    return static_cast<HINSTANCE>(const_cast<void*>(search.foundBase));
}
