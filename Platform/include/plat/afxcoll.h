#pragma once

// The framework's collection classes, as far as callers use them: appending and reading back.
// Positions count from 0; a position outside the collection throws the framework's
// not-supported exception.

#include "plat/afx.h"
#include "plat/types.h"

#include <string>
#include <vector>

namespace plat::afx {
// The element at i of items; outside them the framework's not-supported exception.
template <class T>
const T& elementAt(const std::vector<T>& items, INT_PTR i)
{
    if (i < 0 || static_cast<size_t>(i) >= items.size())
        AfxThrowNotSupportedException();
    return items[static_cast<size_t>(i)];
}
} // namespace plat::afx

class CStringArray {
public:
    // Answers the new element's position.
    INT_PTR Add(LPCSTR text)
    {
        m_items.emplace_back(text ? text : "");
        return static_cast<INT_PTR>(m_items.size()) - 1;
    }
    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    LPCSTR GetAt(INT_PTR i) const { return plat::afx::elementAt(m_items, i).c_str(); }
    LPCSTR operator[](INT_PTR i) const { return GetAt(i); }

private:
    std::vector<std::string> m_items;
};

class CDWordArray {
public:
    INT_PTR Add(DWORD value)
    {
        m_items.push_back(value);
        return static_cast<INT_PTR>(m_items.size()) - 1;
    }
    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    DWORD GetAt(INT_PTR i) const { return plat::afx::elementAt(m_items, i); }
    DWORD operator[](INT_PTR i) const { return GetAt(i); }

private:
    std::vector<DWORD> m_items;
};
