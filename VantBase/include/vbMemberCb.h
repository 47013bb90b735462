#pragma once

// A member-function record: an object (a framework CObject, a vbBase or a vbObjectBase) and one of
// its member functions, called with the arguments A. An empty record (the default, or made from 0)
// calls nothing and answers R's default value. Records are copied by value.

#include "vbBaseItf.h"

#include "plat/afx.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

class vbObjectBase;

template <class R, class... A>
class vbMemberCb {
public:
    vbMemberCb() = default;
    vbMemberCb(std::nullptr_t) { }
    vbMemberCb(int zero) { (void)zero; }

    template <class T>
    vbMemberCb(T* obj, R (T::*fn)(A...))
    {
        static_assert(std::is_base_of_v<CObject, T> || std::is_base_of_v<vbBase, T> || std::is_base_of_v<vbObjectBase, T>,
            "a member-function record holds a framework object, a vbBase or a vbObjectBase");
        static_assert(sizeof fn <= sizeof m_mfp);
        m_obj = obj;
        m_thunk = &thunk<T>;
        std::memcpy(m_mfp, &fn, sizeof fn);
    }

    bool IsEmpty() const { return m_obj == nullptr; }

    // The same object and the same member function, or both empty.
    bool operator==(const vbMemberCb& other) const
    {
        return m_obj == other.m_obj && m_thunk == other.m_thunk && std::memcmp(m_mfp, other.m_mfp, sizeof m_mfp) == 0;
    }

    R Call(A... args) const
    {
        if (!m_obj)
            return R();
        return m_thunk(m_obj, m_mfp, args...);
    }

private:
    // A member function of a second base class comes with its this-adjustment, which the
    // sanitizer's dynamic-type check of the call misreads as a call on the wrong object.
    template <class T>
    __attribute__((no_sanitize("vptr"))) static R thunk(void* obj, const unsigned char* mfp, A... args)
    {
        R (T::*fn)(A...);
        std::memcpy(&fn, mfp, sizeof fn);
        return (static_cast<T*>(obj)->*fn)(args...);
    }

    void* m_obj = nullptr;
    R (*m_thunk)(void*, const unsigned char*, A...) = nullptr;
    alignas(void*) unsigned char m_mfp[2 * sizeof(void*)] = {};
};
