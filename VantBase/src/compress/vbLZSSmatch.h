#pragma once

// The compressor's hash chains: for each 16-bit hash of three bytes, the positions seen, newest
// first, taken from a fixed pool and recycled, never freed, during a stream.
//
// A chain walk touches only the links (position and older entry, 8 bytes each), kept apart from
// the rest. Positions are kept in 32 bits and compared as distances back from the current one:
// every entry lies less than a block and the window behind it, far below 2^32.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

struct vbLZSSmatchFinder {
    static constexpr int kHeads = 65536;
    static constexpr int kPruneEvery = 128;
    static constexpr size_t kPruneBelowFree = 32;

    struct Link {
        uint32_t pos; // stream position (low 32 bits)
        int32_t next; // older entry, -1 at the tail
    };

    explicit vbLZSSmatchFinder(size_t poolSize);

    static uint32_t Hash(const unsigned char* p)
    {
        return ((((uint32_t(p[2]) & 31) << 4) ^ p[1]) << 7) ^ p[0];
    }

    void Clear();
    void Insert(uint32_t h, uint64_t pos, uint32_t ptr, uint32_t chainLimit);
    // Cuts every chain at its first entry reach or more bytes back from position a.
    void Prune(uint64_t a, uint64_t reach);
    // Prunes on every 128th call when the pool is nearly exhausted.
    void PeriodicPrune(uint64_t a, uint64_t reach)
    {
        if (--m_pruneCountdown == 0) {
            m_pruneCountdown = kPruneEvery;
            if (freeCount() <= kPruneBelowFree)
                Prune(a, reach);
        }
    }
    int32_t Head(uint32_t h) const { return int32_t(m_heads[h]) - 1; }
    const Link& At(int32_t e) const { return m_links[size_t(e)]; }
    uint32_t Ptr(int32_t e) const { return m_entries[size_t(e)].ptr; }
    size_t MemoryUsage() const;

private:
    int32_t take();
    void give(int32_t e);

    void setHead(uint32_t h, int32_t e) { m_heads[h] = uint32_t(e + 1); }
    size_t freeCount() const { return m_recycled.size() + (m_poolSize - m_unused); }

    struct Free {
        void operator()(uint32_t* p) const { std::free(p); }
    };
    // Each chain's newest entry plus one, 0 for none: the zeroed memory of a new table is empty
    // without being written, so a short stream touches only the heads it uses.
    std::unique_ptr<uint32_t[], Free> m_heads;
    // The pool grows as its entries are first taken, up to its size: a short stream allocates
    // only what it uses.
    size_t m_poolSize;
    struct Entry {
        uint32_t ptr;  // index in the input ring
        int32_t tail;  // the head's: its chain's tail; the others': the newer entry
        uint32_t count; // the head's: its chain's length
    };
    std::vector<Link> m_links;
    std::vector<Entry> m_entries;
    // Entries are taken from the recycled ones first (the last given back first), then from the
    // never used ones in ascending order.
    std::vector<int32_t> m_recycled;
    size_t m_unused = 0;
    int m_pruneCountdown = kPruneEvery;
};
