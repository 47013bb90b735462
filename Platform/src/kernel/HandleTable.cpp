#include "kernel/HandleTable.h"

#include "plat/errors.h"
#include "plat/handles.h"

namespace plat {

namespace {
// Handle values are multiples of 4, as on the original platform; the slot index sits above the
// two low bits and the generation above the index. Index 0 is never used, so no handle is null.
constexpr uint32_t kIndexBits = 20;
constexpr uint32_t kIndexMask = (1u << kIndexBits) - 1;
constexpr uint32_t kGenerationMask = (1u << (30 - kIndexBits)) - 1;

HANDLE encode(uint32_t index, uint32_t generation)
{
    uintptr_t value = (uintptr_t(generation & kGenerationMask) << kIndexBits | index) << 2;
    return reinterpret_cast<HANDLE>(value);
}
} // namespace

bool HandleTable::decode(HANDLE handle, uint32_t& index, uint32_t& generation) const
{
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (value == 0 || (value & 3) != 0 || value > 0xFFFFFFFFu)
        return false;
    value >>= 2;
    index = uint32_t(value & kIndexMask);
    generation = uint32_t(value >> kIndexBits);
    return index != 0 && index < m_slots.size();
}

HANDLE HandleTable::insert(std::shared_ptr<KernelObject> obj)
{
    std::lock_guard lock(m_mutex);
    uint32_t index;
    if (!m_free.empty()) {
        index = m_free.back();
        m_free.pop_back();
    } else {
        if (m_slots.empty())
            m_slots.emplace_back(); // index 0 stays unused
        if (m_slots.size() > kIndexMask) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        index = uint32_t(m_slots.size());
        m_slots.emplace_back();
    }
    m_slots[index].object = std::move(obj);
    return encode(index, m_slots[index].generation);
}

std::shared_ptr<KernelObject> HandleTable::lookup(HANDLE handle) const
{
    std::lock_guard lock(m_mutex);
    uint32_t index, generation;
    if (!decode(handle, index, generation) || m_slots[index].generation != generation || !m_slots[index].object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return m_slots[index].object;
}

bool HandleTable::remove(HANDLE handle)
{
    std::shared_ptr<KernelObject> dropped; // released outside the lock: destructors may call back
    {
        std::lock_guard lock(m_mutex);
        uint32_t index, generation;
        if (!decode(handle, index, generation) || m_slots[index].generation != generation
            || !m_slots[index].object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        dropped = std::move(m_slots[index].object);
        m_slots[index].generation = (m_slots[index].generation + 1) & kGenerationMask;
        if (m_slots[index].generation == 0)
            m_slots[index].generation = 1;
        m_free.push_back(index);
    }
    return true;
}

HandleTable& kernelHandles()
{
    // Never destroyed: handles may be closed by other libraries' static destructors.
    static HandleTable* table = new HandleTable;
    return *table;
}

} // namespace plat

BOOL CloseHandle(HANDLE hObject)
{
    // The current-process (-1) and current-thread (-2) pseudo-handles name no slot; closing them
    // is allowed and does nothing.
    auto value = reinterpret_cast<intptr_t>(hObject);
    if (value == -1 || value == -2)
        return TRUE;
    return plat::kernelHandles().remove(hObject) ? TRUE : FALSE;
}
