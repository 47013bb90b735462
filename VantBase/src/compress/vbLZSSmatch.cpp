#include "compress/vbLZSSmatch.h"

#include "plat/afx.h"

#include <algorithm>

vbLZSSmatchFinder::vbLZSSmatchFinder(size_t poolSize)
    : m_heads(kHeads), m_counts(kHeads), m_links(poolSize), m_ptr(poolSize), m_tail(poolSize)
{
    m_free.reserve(poolSize);
    Clear();
}

void vbLZSSmatchFinder::Clear()
{
    std::fill(m_heads.begin(), m_heads.end(), -1);
    std::fill(m_counts.begin(), m_counts.end(), 0);
    m_free.clear();
    for (size_t i = m_links.size(); i-- > 0;)
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
    if (m_free.size() >= m_links.size())
        AfxThrowMemoryException();
    m_free.push_back(e);
}

void vbLZSSmatchFinder::Insert(uint32_t h, uint64_t pos, uint32_t ptr, uint32_t chainLimit)
{
    auto set = [&](int32_t e, int32_t next, int32_t tail) {
        m_links[size_t(e)] = {uint32_t(pos), next};
        m_ptr[size_t(e)] = ptr;
        m_tail[size_t(e)] = tail;
    };
    int32_t head = m_heads[h];
    if (head < 0) {
        if (m_free.empty())
            return;
        int32_t e = take();
        set(e, -1, e);
        m_heads[h] = e;
        m_counts[h] = 1;
        return;
    }
    if (chainLimit == 1 || (m_counts[h] == 1 && m_free.empty())) {
        m_links[size_t(head)].pos = uint32_t(pos);
        m_ptr[size_t(head)] = ptr;
        return;
    }
    if (m_counts[h] < chainLimit && !m_free.empty()) {
        int32_t e = take();
        set(e, head, m_tail[size_t(head)]);
        m_tail[size_t(head)] = e;
        m_heads[h] = e;
        ++m_counts[h];
        return;
    }
    // The chain is full or the pool empty: its oldest entry becomes the new head.
    int32_t tail = m_tail[size_t(head)];
    int32_t newTail = m_tail[size_t(tail)];
    m_links[size_t(newTail)].next = -1;
    set(tail, head, newTail);
    m_tail[size_t(head)] = tail;
    m_heads[h] = tail;
}

void vbLZSSmatchFinder::Prune(uint64_t a, uint64_t reach)
{
    uint32_t a32 = uint32_t(a);
    for (uint32_t h = 0; h < uint32_t(kHeads); ++h) {
        int32_t head = m_heads[h];
        if (head < 0)
            continue;
        int32_t kept = -1, e = head;
        uint32_t count = 0;
        while (e >= 0 && uint32_t(a32 - m_links[size_t(e)].pos) < reach) {
            kept = e;
            e = m_links[size_t(e)].next;
            ++count;
        }
        if (e < 0)
            continue;
        if (kept < 0) {
            m_heads[h] = -1;
        } else {
            m_links[size_t(kept)].next = -1;
            m_tail[size_t(head)] = kept;
        }
        m_counts[h] = count;
        while (e >= 0) {
            int32_t next = m_links[size_t(e)].next;
            give(e);
            e = next;
        }
    }
}

size_t vbLZSSmatchFinder::MemoryUsage() const
{
    return m_heads.size() * sizeof(int32_t) + m_counts.size() * sizeof(uint32_t) + m_links.size() * sizeof(Link)
        + m_ptr.size() * sizeof(uint32_t) + m_tail.size() * sizeof(int32_t) + m_free.capacity() * sizeof(int32_t);
}
