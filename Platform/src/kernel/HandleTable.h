#pragma once

// The table behind every handle the platform gives out. A handle value carries a slot index and
// the slot's generation, so a handle that was closed (and whose slot was reused) is recognised as
// stale instead of silently naming the new object.

#include "plat/api.h"
#include "plat/types.h"

#include <memory>
#include <mutex>
#include <vector>

namespace plat {

// Base of everything a handle can name. The object lives while a handle or an internal user
// holds it; its destructor is where a kind releases what it owns.
class KernelObject {
public:
    virtual ~KernelObject() = default;
};

// Exported for the platform's own tests only.
class PLATAPI HandleTable {
public:
    // Answers a new handle naming obj, or null (ERROR_NOT_ENOUGH_MEMORY) when the table is full.
    HANDLE insert(std::shared_ptr<KernelObject> obj);
    // The object a handle names, or null with ERROR_INVALID_HANDLE for a stale or foreign one.
    std::shared_ptr<KernelObject> lookup(HANDLE handle) const;
    // Forgets a handle; the object goes when its last holder does. False (ERROR_INVALID_HANDLE)
    // for a stale or foreign handle.
    bool remove(HANDLE handle);

    // The typed object a handle names, or null with ERROR_INVALID_HANDLE for another kind.
    template <class T>
    std::shared_ptr<T> lookupAs(HANDLE handle) const;

private:
    struct Slot {
        std::shared_ptr<KernelObject> object;
        uint32_t generation = 1;
    };
    bool decode(HANDLE handle, uint32_t& index, uint32_t& generation) const;

    mutable std::mutex m_mutex;
    std::vector<Slot> m_slots;
    std::vector<uint32_t> m_free;
};

// The process's kernel handles (files, threads, events, mutexes, mappings, processes ...).
PLATAPI HandleTable& kernelHandles();

} // namespace plat

#include "kernel/HandleTable.inl"
