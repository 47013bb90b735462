#pragma once

#include "plat/errors.h"

namespace plat {

template <class T>
std::shared_ptr<T> HandleTable::lookupAs(HANDLE handle) const
{
    auto object = std::dynamic_pointer_cast<T>(lookup(handle));
    if (!object)
        SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

} // namespace plat
