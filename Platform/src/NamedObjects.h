#pragma once

// Kernel objects found by name. A name that an object of another kind uses fails with
// ERROR_INVALID_HANDLE; a name whose object is alive answers that object with existed set.

#include "HandleTable.h"

namespace plat {

enum class NamedKind : uint32_t { Event = 1, Mutex = 2, Semaphore = 3, Mapping = 4 };

std::shared_ptr<KernelObject> createNamedEvent(const char* name, bool manualReset, bool initialState,
    const SECURITY_ATTRIBUTES* sa, bool& existed);
std::shared_ptr<KernelObject> createNamedMutex(const char* name, bool initialOwner, const SECURITY_ATTRIBUTES* sa,
    bool& existed);
std::shared_ptr<KernelObject> createNamedSemaphore(const char* name, LONG initial, LONG maximum,
    const SECURITY_ATTRIBUTES* sa, bool& existed);
// Null with ERROR_FILE_NOT_FOUND when no object of that name is alive.
std::shared_ptr<KernelObject> openNamed(NamedKind kind, const char* name);

} // namespace plat
