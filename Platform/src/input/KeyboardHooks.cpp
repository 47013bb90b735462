// Thread keyboard hooks: chains per thread, newest first.

#include "input/Input.h"

#include "kernel/HandleTable.h"
#include "plat/errors.h"
#include "plat/keyboard.h"

#include <algorithm>
#include <string>
#include <vector>

#include <unistd.h>

namespace plat::input {

namespace {

struct Hook : KernelObject {
    Hook(DWORD thread_, HOOKPROC proc_, uint64_t order_) : thread(thread_), proc(proc_), order(order_) {}
    const DWORD thread;
    const HOOKPROC proc;
    const uint64_t order; // later hooks are called first
    HHOOK handle = nullptr;
};

struct HookChains {
    std::mutex mutex;
    HandleTable handles;
    std::vector<std::shared_ptr<Hook>> live;
    uint64_t nextOrder = 1;
};

HookChains& chains()
{
    static HookChains* c = new HookChains;
    return *c;
}

// The live hook of a thread that comes next after one of the given order (UINT64_MAX: the
// newest), or null.
std::shared_ptr<Hook> nextHook(DWORD thread, uint64_t before)
{
    std::lock_guard lock(chains().mutex);
    std::shared_ptr<Hook> best;
    for (const auto& h : chains().live)
        if (h->thread == thread && h->order < before && (!best || h->order > best->order))
            best = h;
    return best;
}

bool threadOfThisProcess(DWORD threadId)
{
    return access(("/proc/self/task/" + std::to_string(threadId)).c_str(), F_OK) == 0;
}

} // namespace

bool keyboardHooksSwallow(DWORD threadId, int code, WPARAM vk, LPARAM keyData)
{
    auto hook = nextHook(threadId, UINT64_MAX);
    return hook && hook->proc(code, vk, keyData) != 0;
}

void forgetThreadHooks(DWORD threadId)
{
    HookChains& c = chains();
    std::lock_guard lock(c.mutex);
    std::erase_if(c.live, [&](const std::shared_ptr<Hook>& h) {
        if (h->thread != threadId)
            return false;
        c.handles.remove(HANDLE(h->handle));
        return true;
    });
}

} // namespace plat::input

using namespace plat;
using namespace plat::input;

HHOOK SetWindowsHookExA(int idHook, HOOKPROC lpfn, HINSTANCE, DWORD dwThreadId)
{
    if (idHook != WH_KEYBOARD || !lpfn || dwThreadId == 0 || !threadOfThisProcess(dwThreadId)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HookChains& c = chains();
    std::lock_guard lock(c.mutex);
    auto hook = std::make_shared<Hook>(dwThreadId, lpfn, c.nextOrder++);
    hook->handle = HHOOK(c.handles.insert(hook));
    if (!hook->handle)
        return nullptr;
    c.live.push_back(hook);
    return hook->handle;
}

LRESULT CallNextHookEx(HHOOK hhk, int nCode, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<Hook> current;
    {
        std::lock_guard lock(chains().mutex);
        current = chains().handles.lookupAs<Hook>(HANDLE(hhk));
    }
    if (!current)
        return 0;
    auto next = nextHook(current->thread, current->order);
    return next ? next->proc(nCode, wParam, lParam) : 0;
}

BOOL UnhookWindowsHookEx(HHOOK hhk)
{
    HookChains& c = chains();
    std::lock_guard lock(c.mutex);
    auto hook = c.handles.lookupAs<Hook>(HANDLE(hhk));
    if (!hook) {
        SetLastError(ERROR_INVALID_HOOK_HANDLE);
        return FALSE;
    }
    c.handles.remove(HANDLE(hhk));
    c.live.erase(std::remove(c.live.begin(), c.live.end(), hook), c.live.end());
    return TRUE;
}
