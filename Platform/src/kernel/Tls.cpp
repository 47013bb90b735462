#include "plat/errors.h"
#include "plat/thread.h"

#include <atomic>
#include <mutex>
#include <vector>

// Thread-local slots. Each slot has a generation; a value stored under an older generation (the
// slot was freed and allocated again since) reads as null, as a freed slot's values are cleared.

namespace {

constexpr DWORD kSlots = 1088;

struct SlotTable {
    std::mutex mutex; // serialises allocation and freeing
    std::atomic<bool> used[kSlots] = {};
    std::atomic<uint32_t> generation[kSlots] = {};
};

SlotTable& slots()
{
    static auto* table = new SlotTable;
    return *table;
}

struct Value {
    uint32_t generation = 0;
    LPVOID value = nullptr;
};
thread_local std::vector<Value> t_values;

bool valid(DWORD index)
{
    if (index < kSlots && slots().used[index].load(std::memory_order_acquire))
        return true;
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

} // namespace

DWORD TlsAlloc()
{
    SlotTable& table = slots();
    std::lock_guard lock(table.mutex);
    for (DWORD i = 0; i < kSlots; ++i) {
        if (!table.used[i].load()) {
            table.generation[i].fetch_add(1);
            table.used[i] = true;
            return i;
        }
    }
    SetLastError(ERROR_NO_MORE_ITEMS);
    return TLS_OUT_OF_INDEXES;
}

BOOL TlsFree(DWORD dwTlsIndex)
{
    std::lock_guard lock(slots().mutex);
    if (!valid(dwTlsIndex))
        return FALSE;
    slots().generation[dwTlsIndex].fetch_add(1);
    slots().used[dwTlsIndex] = false;
    return TRUE;
}

LPVOID TlsGetValue(DWORD dwTlsIndex)
{
    if (!valid(dwTlsIndex))
        return nullptr;
    SetLastError(ERROR_SUCCESS);
    if (dwTlsIndex >= t_values.size())
        return nullptr;
    const Value& v = t_values[dwTlsIndex];
    return v.generation == slots().generation[dwTlsIndex].load() ? v.value : nullptr;
}

BOOL TlsSetValue(DWORD dwTlsIndex, LPVOID lpTlsValue)
{
    if (!valid(dwTlsIndex))
        return FALSE;
    if (dwTlsIndex >= t_values.size())
        t_values.resize(dwTlsIndex + 1);
    t_values[dwTlsIndex] = Value{slots().generation[dwTlsIndex].load(), lpTlsValue};
    return TRUE;
}
