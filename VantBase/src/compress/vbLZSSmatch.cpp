#include "compress/vbLZSSmatch.h"

#include "plat/afx.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

vbLZSSmatchFinder::vbLZSSmatchFinder(size_t poolSize)
    : m_heads(static_cast<uint32_t*>(std::calloc(kHeads, sizeof(uint32_t)))), m_poolSize(poolSize)
{
    if (!m_heads)
        AfxThrowMemoryException();
    Clear();
}

void vbLZSSmatchFinder::Clear()
{
    if (m_unused > 0) // else no head was set since the table was made or last cleared
        std::memset(m_heads.get(), 0, kHeads * sizeof(uint32_t));
    m_recycled.clear();
    m_unused = 0;
    m_pruneCountdown = kPruneEvery;
}

int32_t vbLZSSmatchFinder::take()
{
    if (!m_recycled.empty()) {
        int32_t e = m_recycled.back();
        m_recycled.pop_back();
        return e;
    }
    if (m_unused == m_poolSize)
        AfxThrowMemoryException();
    if (m_unused == m_links.size()) {
        m_links.emplace_back();
        m_entries.emplace_back();
    }
    return int32_t(m_unused++);
}

void vbLZSSmatchFinder::give(int32_t e)
{
    if (freeCount() >= m_poolSize)
        AfxThrowMemoryException();
    m_recycled.push_back(e);
}

void vbLZSSmatchFinder::Insert(uint32_t h, uint64_t pos, uint32_t ptr, uint32_t chainLimit)
{
    auto set = [&](int32_t e, int32_t next, int32_t tail, uint32_t count) {
        m_links[size_t(e)] = {uint32_t(pos), next};
        m_entries[size_t(e)] = {ptr, tail, count};
    };
    int32_t head = Head(h);
    if (head < 0) {
        if (freeCount() == 0)
            return;
        int32_t e = take();
        set(e, -1, e, 1);
        setHead(h, e);
        return;
    }
    Entry& first = m_entries[size_t(head)];
    if (chainLimit == 1 || (first.count == 1 && freeCount() == 0)) {
        m_links[size_t(head)].pos = uint32_t(pos);
        first.ptr = ptr;
        return;
    }
    if (first.count < chainLimit && freeCount() != 0) {
        int32_t e = take(); // may move the entries
        Entry& old = m_entries[size_t(head)];
        set(e, head, old.tail, old.count + 1);
        old.tail = e;
        setHead(h, e);
        return;
    }
    // The chain is full or the pool empty: its oldest entry becomes the new head.
    int32_t tail = first.tail;
    int32_t newTail = m_entries[size_t(tail)].tail;
    m_links[size_t(newTail)].next = -1;
    set(tail, head, newTail, first.count);
    first.tail = tail;
    setHead(h, tail);
}

void vbLZSSmatchFinder::Prune(uint64_t a, uint64_t reach)
{
    uint32_t a32 = uint32_t(a);
    for (uint32_t h = 0; h < uint32_t(kHeads); ++h) {
        int32_t head = Head(h);
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
            setHead(h, -1);
        } else {
            m_links[size_t(kept)].next = -1;
            m_entries[size_t(head)].tail = kept;
            m_entries[size_t(head)].count = count;
        }
        while (e >= 0) {
            int32_t next = m_links[size_t(e)].next;
            give(e);
            e = next;
        }
    }
}

size_t vbLZSSmatchFinder::MemoryUsage() const
{
    return kHeads * sizeof(uint32_t) + m_links.capacity() * sizeof(Link) + m_entries.capacity() * sizeof(Entry)
        + m_recycled.capacity() * sizeof(int32_t);
}
