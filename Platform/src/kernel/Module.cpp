#include "kernel/ElfNote.h"
#include "kernel/FileObject.h"
#include "kernel/ModuleTable.h"
#include "kernel/TestHooks.h"
#include "image/ImageLoading.h"

#include "plat/errors.h"
#include "plat/module.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <map>
#include <memory>
#include <mutex>
#include <strings.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {

struct ModuleInfo {
    uintptr_t base = 0;
    std::string path;
    bool program = false;
    const ElfW(Phdr)* phdr = nullptr;
    int phnum = 0;
    uintptr_t bias = 0;
};

std::string programPath()
{
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, size_t(n));
}

std::string programFolder()
{
    std::string path = programPath();
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::vector<ModuleInfo> loadedModules()
{
    std::vector<ModuleInfo> modules;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            auto& list = *static_cast<std::vector<ModuleInfo>*>(data);
            ModuleInfo module;
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                if (info->dlpi_phdr[i].p_type == PT_LOAD) {
                    module.base = info->dlpi_addr + info->dlpi_phdr[i].p_vaddr - info->dlpi_phdr[i].p_offset;
                    break;
                }
            }
            module.program = list.empty(); // the loader lists the program first
            module.path = info->dlpi_name ? info->dlpi_name : "";
            module.phdr = info->dlpi_phdr;
            module.phnum = info->dlpi_phnum;
            module.bias = info->dlpi_addr;
            list.push_back(module);
            return 0;
        },
        &modules);
    if (!modules.empty())
        modules[0].path = programPath();
    return modules;
}

bool findModule(HMODULE handle, ModuleInfo& out)
{
    for (const ModuleInfo& module : loadedModules()) {
        if (handle ? module.base == reinterpret_cast<uintptr_t>(handle) : module.program) {
            out = module;
            return true;
        }
    }
    return false;
}

bool endsWithNoCase(const std::string& text, const char* tail)
{
    size_t n = std::strlen(tail);
    return text.size() >= n && ::strcasecmp(text.c_str() + text.size() - n, tail) == 0;
}

std::string baseName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file names a module name may stand for, most likely first.
std::vector<std::string> fileNamesFor(const std::string& name)
{
    std::string file = name;
    std::string last = baseName(file);
    if (endsWithNoCase(file, ".dll"))
        file = file.substr(0, file.size() - 4) + ".so";
    else if (!last.empty() && last.back() == '.')
        file.pop_back();
    else if (last.find('.') == std::string::npos)
        file += ".so";
    std::vector<std::string> names{file};
    if (file.find('/') == std::string::npos)
        names.push_back("lib" + file);
    return names;
}

// Modules loaded as data files: only their resources, read from the file.
struct DataModule {
    std::string path;
    std::vector<uint8_t> resources;
    bool hasResources = false;
};

struct Loaded {
    void* dl = nullptr;
    int count = 0;
};

// Never destroyed: modules may be freed by other libraries' static destructors.
struct Registry {
    std::mutex mutex;
    std::map<uintptr_t, Loaded> loaded;                        // base -> loader handle and loads
    std::map<uintptr_t, std::unique_ptr<DataModule>> dataModules; // handle value -> module
};
Registry& registry()
{
    static Registry* instance = new Registry;
    return *instance;
}

// Once the process has begun to exit, FreeLibrary keeps modules mapped, as Windows' loader does:
// the static destructors that run then may free the very module whose code is running.
std::atomic<bool> g_exiting{false};

void markExiting() { g_exiting.store(true); }

// exit() destroys the calling thread's thread-local objects before any exit handler or static
// destructor runs. The main thread's sentinel so marks the start of an exit from main (a return
// from main included), whatever was registered to run at exit and whenever.
struct ExitSentinel {
    ~ExitSentinel() { markExiting(); }
};

[[gnu::constructor]] void armExitSentinel()
{
    if (::syscall(SYS_gettid) != ::getpid())
        return; // loaded by a thread whose end is no exit
    thread_local ExitSentinel sentinel;
}

// A module's static destructors are registered while it loads and run at exit before anything
// registered earlier. A handler registered after each load therefore runs before them even when
// another thread than the main one calls exit.
void markExitingBeforeModuleEnds() { std::atexit(markExiting); }

bool isIntegerName(LPCSTR name) { return (reinterpret_cast<uintptr_t>(name) >> 16) == 0; }

bool isDataHandle(HMODULE handle) { return (reinterpret_cast<uintptr_t>(handle) & 1) != 0; }

DataModule* dataModule(HMODULE handle)
{
    auto it = registry().dataModules.find(reinterpret_cast<uintptr_t>(handle));
    return it == registry().dataModules.end() ? nullptr : it->second.get();
}

bool fileExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The file a LoadLibrary name resolves to; empty (ERROR_MOD_NOT_FOUND) when there is none, in
// which case a bare name may still be known to the system loader (system set true).
std::string resolve(LPCSTR name, bool& system)
{
    system = false;
    std::string path;
    if (!plat::nativePath(name, path))
        return {};
    std::vector<std::string> names = fileNamesFor(path);
    if (path.find('/') != std::string::npos) {
        if (fileExists(names[0]))
            return names[0][0] == '/' ? names[0] : plat::fullPathOf(names[0]);
        SetLastError(ERROR_MOD_NOT_FOUND);
        return {};
    }
    std::string folder = programFolder();
    for (const std::string& file : names)
        if (!folder.empty() && fileExists(folder + "/" + file))
            return folder + "/" + file;
    system = true;
    return names[0];
}

HMODULE baseOfLoaderHandle(void* dl)
{
    link_map* map = nullptr;
    Dl_info info;
    if (dlinfo(dl, RTLD_DI_LINKMAP, &map) != 0 || !map || !dladdr(map->l_ld, &info))
        return nullptr;
    return reinterpret_cast<HMODULE>(info.dli_fbase);
}

HMODULE loadModule(LPCSTR name)
{
    bool system;
    std::string path = resolve(name, system);
    if (path.empty())
        return nullptr;
    if (path == programPath())
        return GetModuleHandleA(nullptr);
    void* dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl && system && fileNamesFor(path).size() > 1)
        dl = dlopen(("lib" + path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
        const char* why = dlerror();
        bool missing = system || (why && std::strstr(why, "No such file"));
        SetLastError(missing ? ERROR_MOD_NOT_FOUND : ERROR_BAD_EXE_FORMAT);
        return nullptr;
    }
    HMODULE module = baseOfLoaderHandle(dl);
    if (!module) {
        dlclose(dl);
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return nullptr;
    }
    // Every load holds one reference of the system loader, which the matching FreeLibrary drops.
    bool first;
    {
        std::lock_guard lock(registry().mutex);
        Loaded& loaded = registry().loaded[reinterpret_cast<uintptr_t>(module)];
        loaded.dl = dl;
        first = loaded.count++ == 0;
    }
    if (first)
        markExitingBeforeModuleEnds();
    return module;
}

HMODULE loadDataModule(LPCSTR name)
{
    bool system;
    std::string path = resolve(name, system);
    if (path.empty())
        return nullptr;
    if (system) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // A module that is running already is handed out as it is.
    for (const ModuleInfo& module : loadedModules()) {
        if (!module.program && module.path == path)
            return loadModule(path.c_str());
    }
    auto data = std::make_unique<DataModule>();
    data->path = path;
    data->hasResources = plat::readElfNoteFromFile(path, plat::kResourceNote, data->resources);
    if (!data->hasResources && GetLastError() != DWORD(ERROR_RESOURCE_TYPE_NOT_FOUND))
        return nullptr;
    uintptr_t handle = reinterpret_cast<uintptr_t>(data.get()) | 1;
    std::lock_guard lock(registry().mutex);
    registry().dataModules[handle] = std::move(data);
    return reinterpret_cast<HMODULE>(handle);
}

bool nameMatches(const ModuleInfo& module, const std::string& wanted)
{
    if (wanted.find('/') != std::string::npos) {
        std::string full = wanted[0] == '/' ? wanted : plat::fullPathOf(wanted);
        for (const std::string& file : fileNamesFor(full))
            if (file == module.path)
                return true;
        return full == module.path;
    }
    std::string file = baseName(module.path);
    if (::strcasecmp(file.c_str(), wanted.c_str()) == 0)
        return true;
    for (const std::string& candidate : fileNamesFor(wanted))
        if (::strcasecmp(file.c_str(), candidate.c_str()) == 0)
            return true;
    return false;
}

} // namespace

namespace plat {

bool moduleResourceTable(HMODULE module, const uint8_t*& table, size_t& size)
{
    if (isDataHandle(module)) {
        std::lock_guard lock(registry().mutex);
        DataModule* data = dataModule(module);
        if (!data) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        if (!data->hasResources) {
            SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
            return false;
        }
        table = data->resources.data();
        size = data->resources.size();
        return true;
    }
    ModuleInfo info;
    if (!findModule(module, info)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return false;
    }
    for (int i = 0; i < info.phnum; ++i) {
        const ElfW(Phdr)& program = info.phdr[i];
        if (program.p_type != PT_NOTE)
            continue;
        const uint8_t* segment = reinterpret_cast<const uint8_t*>(info.bias + program.p_vaddr);
        if (findNoteInSegment(segment, program.p_memsz, program.p_align, kResourceNote, table, size))
            return true;
    }
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return false;
}

} // namespace plat

HMODULE LoadLibraryA(LPCSTR lpLibFileName)
{
    if (lpLibFileName && plat::testFailLibraryLoad(lpLibFileName)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return loadModule(lpLibFileName);
}

HMODULE LoadLibraryExA(LPCSTR lpLibFileName, HANDLE /*hFile*/, DWORD dwFlags)
{
    if (dwFlags & LOAD_LIBRARY_AS_DATAFILE)
        return loadDataModule(lpLibFileName);
    return loadModule(lpLibFileName);
}

BOOL FreeLibrary(HMODULE hLibModule)
{
    uintptr_t key = reinterpret_cast<uintptr_t>(hLibModule);
    std::unique_ptr<DataModule> dropped;
    void* dl = nullptr;
    bool unloaded = false;
    {
        std::lock_guard lock(registry().mutex);
        if (isDataHandle(hLibModule)) {
            auto it = registry().dataModules.find(key);
            if (it == registry().dataModules.end()) {
                SetLastError(ERROR_INVALID_HANDLE);
                return FALSE;
            }
            dropped = std::move(it->second);
            registry().dataModules.erase(it);
        } else if (auto it = registry().loaded.find(key); it != registry().loaded.end()) {
            dl = it->second.dl;
            unloaded = --it->second.count == 0;
            if (unloaded)
                registry().loaded.erase(it);
        }
    }
    // A module's shared images go with its last reference.
    if (dropped || unloaded)
        plat::image::releaseModuleImages(hLibModule);
    if (dropped)
        return TRUE;
    if (dl) {
        if (!g_exiting.load())
            dlclose(dl);
        return TRUE;
    }
    // The program and the modules it was linked with stay; freeing them changes nothing.
    ModuleInfo info;
    if (!hLibModule || !findModule(hLibModule, info)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    if (!lpProcName || isIntegerName(lpProcName) || isDataHandle(hModule)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    ModuleInfo info;
    if (!findModule(hModule, info)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    void* dl = info.program ? dlopen(nullptr, RTLD_LAZY) : dlopen(info.path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (!dl) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    void* symbol = dlsym(dl, lpProcName);
    dlclose(dl);
    // The loader also searches the modules this one uses; only its own symbols count.
    Dl_info where;
    if (!symbol || !dladdr(symbol, &where) || reinterpret_cast<uintptr_t>(where.dli_fbase) != info.base) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

HMODULE GetModuleHandleA(LPCSTR lpModuleName)
{
    std::string wanted;
    if (lpModuleName && !plat::nativePath(lpModuleName, wanted))
        return nullptr;
    for (const ModuleInfo& module : loadedModules()) {
        if (lpModuleName ? (!module.path.empty() && nameMatches(module, wanted)) : module.program)
            return reinterpret_cast<HMODULE>(module.base);
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

BOOL GetModuleHandleExA(DWORD dwFlags, LPCSTR lpModuleName, HMODULE* phModule)
{
    if (!phModule) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *phModule = nullptr;
    if (dwFlags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
        Dl_info info;
        if (!dladdr(lpModuleName, &info) || !info.dli_fbase) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return FALSE;
        }
        *phModule = reinterpret_cast<HMODULE>(info.dli_fbase);
        return TRUE;
    }
    *phModule = GetModuleHandleA(lpModuleName);
    return *phModule ? TRUE : FALSE;
}

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize)
{
    std::string path;
    if (isDataHandle(hModule)) {
        std::lock_guard lock(registry().mutex);
        DataModule* data = dataModule(hModule);
        if (data)
            path = data->path;
    } else {
        ModuleInfo info;
        if (findModule(hModule, info))
            path = info.path[0] == '/' ? info.path : plat::fullPathOf(info.path);
    }
    if (path.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() >= nSize) {
        std::memcpy(lpFilename, path.data(), nSize - 1);
        lpFilename[nSize - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    std::memcpy(lpFilename, path.c_str(), path.size() + 1);
    return DWORD(path.size());
}
