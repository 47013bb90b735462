#include "NamedObjects.h"

#include "SyncObjects.h"
#include "plat/errors.h"

#include <functional>
#include <map>
#include <string>

namespace plat {

namespace {

struct Entry {
    NamedKind kind;
    std::weak_ptr<KernelObject> object;
};

std::mutex g_namesMutex;
std::map<std::string, Entry> g_names;

std::shared_ptr<KernelObject> createNamed(NamedKind kind, const char* name,
    const std::function<std::shared_ptr<KernelObject>()>& make, bool& existed)
{
    std::lock_guard lock(g_namesMutex);
    auto it = g_names.find(name);
    if (it != g_names.end()) {
        if (auto alive = it->second.object.lock()) {
            if (it->second.kind != kind) {
                SetLastError(ERROR_INVALID_HANDLE);
                return nullptr;
            }
            existed = true;
            return alive;
        }
    }
    existed = false;
    auto made = make();
    g_names[name] = Entry{kind, made};
    return made;
}

} // namespace

std::shared_ptr<KernelObject> createNamedEvent(const char* name, bool manualReset, bool initialState,
    const SECURITY_ATTRIBUTES*, bool& existed)
{
    return createNamed(NamedKind::Event, name,
        [&] { return std::make_shared<EventObject>(manualReset, initialState); }, existed);
}

std::shared_ptr<KernelObject> createNamedMutex(const char* name, bool initialOwner, const SECURITY_ATTRIBUTES*,
    bool& existed)
{
    auto mutex = createNamed(NamedKind::Mutex, name, [&] { return std::make_shared<MutexObject>(initialOwner); },
        existed);
    return mutex;
}

std::shared_ptr<KernelObject> createNamedSemaphore(const char* name, LONG initial, LONG maximum,
    const SECURITY_ATTRIBUTES*, bool& existed)
{
    return createNamed(NamedKind::Semaphore, name,
        [&] { return std::make_shared<SemaphoreObject>(initial, maximum); }, existed);
}

std::shared_ptr<KernelObject> openNamed(NamedKind kind, const char* name)
{
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard lock(g_namesMutex);
    auto it = g_names.find(name);
    std::shared_ptr<KernelObject> alive = it == g_names.end() ? nullptr : it->second.object.lock();
    if (!alive) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    if (it->second.kind != kind) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return alive;
}

} // namespace plat
