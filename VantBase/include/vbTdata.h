#pragma once

// A byte block that holds one variable-length record of type T (a SID, an ACL, ...): the bytes
// are the record, and member access goes through the block. Reading a record out of an empty
// block throws instead of following a null pointer.

#include "vbData.h"

namespace vbImpl {
// Throws vbEsys "t_obj *vbTdata::operator->() const, data is empty !".
[[noreturn]] VBAPI void throwTdataEmpty();
} // namespace vbImpl

template <class T>
class vbTdata : public vbData {
public:
    vbTdata() = default;
    vbTdata(const T* p, int n) : vbData(p, n) { }

    // The record, or null when the block is empty.
    T* GetPtr() const { return static_cast<T*>(const_cast<void*>(static_cast<const void*>(*this))); }
    T* operator->() const
    {
        if (IsEmpty())
            vbImpl::throwTdataEmpty();
        return GetPtr();
    }
};
