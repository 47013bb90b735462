#pragma once

// Arrays. vbArray keeps its elements in one block of the main heap, exactly as long as the
// array (no spare capacity), and counts positions from 1. Elements are relocated bitwise when the
// block moves or elements shift, as every element type of the library allows; they are created
// and copied only through their constructors. vbPtrArray owns the objects its entries point to.
// vbSArray is a fixed-capacity array held in place.

#include "vbBaseItf.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

namespace vbImpl {
// The block resized to hold count elements of elemSize bytes (count > 0; a null block is
// allocated). A size no block can have, or a refused allocation, throws vbEsys E_OUTOFMEMORY
// with failMsg; the old block is then left as it was.
VBAPI void* arrayResize(void* block, int64_t count, size_t elemSize, const char* failMsg);
VBAPI void arrayFree(void* block) noexcept;
// Reports an exception caught by an array's destructor.
VBAPI void arrayReportCurrent(const char* file, int line) noexcept;
} // namespace vbImpl

template <class T, int nLow = 1, int nStep = 1>
class vbArray {
    static_assert(nLow == 1 && nStep == 1, "arrays start at 1 and grow by 1");

public:
    vbArray() = default;
    vbArray(const vbArray& o) { *this = o; }
    virtual ~vbArray()
    {
        try {
            vbArray::Empty();
        } catch (...) {
            vbImpl::arrayReportCurrent(__FILE__, __LINE__);
        }
    }

    // Destroys every element (the last first), frees the block; length 0.
    virtual void Empty()
    {
        while (m_cItem > 0) {
            --m_cItem;
            destroyElement(m_pItems + m_cItem);
        }
        T* block = m_pItems;
        m_pItems = nullptr;
        vbImpl::arrayFree(block);
    }
    void RemoveAll() { Empty(); }

    int GetLength() const { return m_cItem; }
    int GetSize() const { return m_cItem; }
    T* GetData() const { return m_pItems; }

    T& operator[](int i)
    {
        if (i < 1 || i > m_cItem)
            vbImpl::throwSys(E_INVALIDARG, "vbArray.operator[](%d) failure, bad index", i);
        return m_pItems[i - 1];
    }
    const T& operator[](int i) const
    {
        if (i < 1 || i > m_cItem)
            vbImpl::throwSys(E_INVALIDARG, "vbArray.operator[](%d) const failure, bad index", i);
        return m_pItems[i - 1];
    }

    void SetLength(int n)
    {
        if (n <= 0) {
            Empty();
            return;
        }
        if (m_pItems && n == m_cItem)
            return;
        while (m_cItem > n) {
            --m_cItem;
            destroyElement(m_pItems + m_cItem);
        }
        m_pItems = static_cast<T*>(vbImpl::arrayResize(m_pItems, n, sizeof(T), "vbArray.SetLength() failure"));
        while (m_cItem < n) {
            ::new (static_cast<void*>(m_pItems + m_cItem)) T();
            ++m_cItem;
        }
    }

    // One more element, built by its default constructor; answers its position.
    int AddEmpty()
    {
        T* slot = growByOne();
        try {
            ::new (static_cast<void*>(slot)) T();
        } catch (...) {
            shrinkRaw();
            throw;
        }
        return ++m_cItem;
    }

    int Add(const T& v)
    {
        if (isInside(&v)) {
            T copy(v);
            return Add(copy);
        }
        T* slot = growByOne();
        try {
            ::new (static_cast<void*>(slot)) T(v);
        } catch (...) {
            shrinkRaw();
            throw;
        }
        return ++m_cItem;
    }

    // Inserts v before position i (1..length+1; length+1 appends). The shifted elements are
    // relocated and v is copy-constructed into the freed slot, never assigned over a stale copy.
    void Insert(int i, const T& v)
    {
        if (i < 1 || i > m_cItem + 1)
            vbImpl::throwSys(E_INVALIDARG, "vbArray.Insert(%d,...) failure, bad index", i);
        if (isInside(&v)) {
            T copy(v);
            Insert(i, copy);
            return;
        }
        growByOne();
        T* slot = m_pItems + (i - 1);
        const size_t tail = static_cast<size_t>(m_cItem - (i - 1)) * sizeof(T);
        std::memmove(static_cast<void*>(slot + 1), static_cast<const void*>(slot), tail);
        try {
            ::new (static_cast<void*>(slot)) T(v);
        } catch (...) {
            std::memmove(static_cast<void*>(slot), static_cast<const void*>(slot + 1), tail);
            shrinkRaw();
            throw;
        }
        ++m_cItem;
    }

    void Delete(int i)
    {
        if (i < 1 || i > m_cItem)
            vbImpl::throwSys(E_INVALIDARG, "vbArray.Delete(%d) failure, bad index", i);
        if (m_cItem == 1) {
            Empty();
            return;
        }
        T* slot = m_pItems + (i - 1);
        destroyElement(slot);
        std::memmove(static_cast<void*>(slot), static_cast<const void*>(slot + 1),
            static_cast<size_t>(m_cItem - i) * sizeof(T));
        --m_cItem;
        m_pItems = static_cast<T*>(vbImpl::arrayResize(m_pItems, m_cItem, sizeof(T), "vbArray.Delete() failure"));
    }

    vbArray& operator=(const vbArray& o)
    {
        if (this == &o)
            return *this;
        if (o.m_cItem == 0) {
            Empty();
            return *this;
        }
        SetLength(o.m_cItem);
        for (int i = 0; i < m_cItem; ++i)
            m_pItems[i] = o.m_pItems[i];
        return *this;
    }

    // Binary search over an array kept sorted by cmp (> 0: the element lies after the key).
    // Answers the element found and its position, or null and the position the key belongs at.
    template <class K>
    T* FindSorted(K key, int (*cmp)(const T* element, K key), int* pPos) const
    {
        int lo = 1;
        int hi = m_cItem;
        while (lo <= hi) {
            int mid = lo + (hi - lo) / 2;
            int c = cmp(m_pItems + (mid - 1), key);
            if (c == 0) {
                if (pPos)
                    *pPos = mid;
                return m_pItems + (mid - 1);
            }
            if (c > 0)
                hi = mid - 1;
            else
                lo = mid + 1;
        }
        if (pPos)
            *pPos = lo;
        return nullptr;
    }

protected:
    // Ends one element's life; owned-pointer arrays delete what it points to.
    virtual void destroyElement(T* p) { p->~T(); }

    bool isInside(const T* p) const { return m_pItems && p >= m_pItems && p < m_pItems + m_cItem; }

    // The block one element longer; answers the new raw slot at the end.
    T* growByOne()
    {
        m_pItems = static_cast<T*>(
            vbImpl::arrayResize(m_pItems, int64_t{m_cItem} + 1, sizeof(T), "vbArray.SetLength() failure"));
        return m_pItems + m_cItem;
    }
    // Gives back the raw slot growByOne added when its element could not be built.
    void shrinkRaw() noexcept
    {
        try {
            if (m_cItem == 0) {
                vbImpl::arrayFree(m_pItems);
                m_pItems = nullptr;
            } else {
                m_pItems = static_cast<T*>(vbImpl::arrayResize(m_pItems, m_cItem, sizeof(T), "vbArray.Delete() failure"));
            }
        } catch (...) {
            vbImpl::arrayReportCurrent(__FILE__, __LINE__);
        }
    }

    T* m_pItems = nullptr;
    int32_t m_cItem = 0;
};

// An array of owned object pointers: removing an entry, emptying or destroying the array deletes
// the object it points to.
template <class T>
class vbPtrArray : public vbArray<T*, 1, 1> {
public:
    vbPtrArray() = default;
    vbPtrArray(const vbPtrArray&) = delete;
    vbPtrArray& operator=(const vbPtrArray&) = delete;
    ~vbPtrArray() override
    {
        try {
            this->Empty();
        } catch (...) {
            vbImpl::arrayReportCurrent(__FILE__, __LINE__);
        }
    }

protected:
    void destroyElement(T** p) override
    {
        T* obj = *p;
        *p = nullptr;
        delete obj;
    }
};

// N elements held in place and the count in use.
template <class T, int N>
class vbSArray {
public:
    vbSArray() = default;
    // count elements of T given as further arguments (T must pass through "...": pointers, numbers).
    explicit vbSArray(int count, ...)
    {
        if (count < 0 || count > N) {
            Init(nullptr, count);
            return;
        }
        T items[N > 0 ? N : 1];
        va_list args;
        va_start(args, count);
        for (int i = 0; i < count; ++i)
            items[i] = va_arg(args, T);
        va_end(args);
        Init(items, count);
    }

    void Init(const T* items, int count)
    {
        if (count < 0 || count > N) {
            m_size = 0;
            vbImpl::throwSys(E_FAIL, "vbSArray()::Init(sz=%d, sz max = %d) : sz too big", count, N);
        }
        for (int i = 0; i < count; ++i)
            m_items[i] = items[i];
        m_size = count;
    }

    void Add(const T* items, int count)
    {
        if (count < 0 || count > N - m_size)
            vbImpl::throwSys(E_FAIL, "vbSArray()::Add(sz=%d, cur sz=%d, sz max = %d) : sz too big", count, m_size, N);
        for (int i = 0; i < count; ++i)
            m_items[m_size + i] = items[i];
        m_size += count;
    }
    void Add(const T& item) { Add(&item, 1); }

    int GetSize() const { return m_size; }
    const T* GetItems() const { return m_items; }
    // Positions 1..size.
    const T& operator[](int i) const
    {
        if (i < 1 || i > m_size)
            vbImpl::throwSys(E_INVALIDARG, "vbSArray.operator[](%d) const failure, bad index", i);
        return m_items[i - 1];
    }

private:
    T m_items[N > 0 ? N : 1] = {};
    int32_t m_size = 0;
};
