#include "compress/vbLZSSmatch.h"

#include "plat/afx.h"

#include <algorithm>

vbLZSSmatchFinder::vbLZSSmatchFinder(size_t poolSize)
    : m_heads(kHeads), m_counts(kHeads), m_pool(poolSize)
{
    m_free.reserve(poolSize);
    Clear();
}

void vbLZSSmatchFinder::Clear()
{
    std::fill(m_heads.begin(), m_heads.end(), -1);
    std::fill(m_counts.begin(), m_counts.end(), 0);
    m_free.clear();
    for (size_t i = m_pool.size(); i-- > 0;)
        m_free.push_back(int32_t(i));
    m_pruneCountdown = kPruneEvery;
}

int32_t vbLZSSmatchFinder::take()
{
    if (m_free.empty())
        AfxThrowMemoryException();
    int32_t e = m_free.back();
    m_free.pop_back();
    return e;
}

void vbLZSSmatchFinder::give(int32_t e)
{
    if (m_free.size() >= m_pool.size())
        AfxThrowMemoryException();
    m_free.push_back(e);
}

void vbLZSSmatchFinder::Insert(uint32_t h, uint64_t pos, uint32_t ptr, uint32_t chainLimit)
{
    int32_t head = m_heads[h];
    if (head < 0) {
        if (m_free.empty())
            return;
        int32_t e = take();
        m_pool[size_t(e)] = {pos, ptr, -1, e};
        m_heads[h] = e;
        m_counts[h] = 1;
        return;
    }
    Entry& old = m_pool[size_t(head)];
    if (chainLimit == 1 || (m_counts[h] == 1 && m_free.empty())) {
        old.pos = pos;
        old.ptr = ptr;
        return;
    }
    if (m_counts[h] < chainLimit && !m_free.empty()) {
        int32_t e = take();
        m_pool[size_t(e)] = {pos, ptr, head, old.link};
        old.link = e;
        m_heads[h] = e;
        ++m_counts[h];
        return;
    }
    // The chain is full or the pool empty: its oldest entry becomes the new head.
    int32_t tail = old.link;
    int32_t newTail = m_pool[size_t(tail)].link;
    m_pool[size_t(newTail)].next = -1;
    m_pool[size_t(tail)] = {pos, ptr, head, newTail};
    m_pool[size_t(head)].link = tail;
    m_heads[h] = tail;
}

void vbLZSSmatchFinder::Prune(uint64_t lo)
{
    for (uint32_t h = 0; h < uint32_t(kHeads); ++h) {
        int32_t head = m_heads[h];
        if (head < 0)
            continue;
        int32_t kept = -1, e = head;
        uint32_t count = 0;
        while (e >= 0 && m_pool[size_t(e)].pos > lo) {
            kept = e;
            e = m_pool[size_t(e)].next;
            ++count;
        }
        if (e < 0)
            continue;
        if (kept < 0) {
            m_heads[h] = -1;
        } else {
            m_pool[size_t(kept)].next = -1;
            m_pool[size_t(head)].link = kept;
        }
        m_counts[h] = count;
        while (e >= 0) {
            int32_t next = m_pool[size_t(e)].next;
            give(e);
            e = next;
        }
    }
}

size_t vbLZSSmatchFinder::MemoryUsage() const
{
    return m_heads.size() * sizeof(int32_t) + m_counts.size() * sizeof(uint32_t) + m_pool.size() * sizeof(Entry)
        + m_free.capacity() * sizeof(int32_t);
}
