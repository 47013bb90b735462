#pragma once

// The compressor's hash chains: for each 16-bit hash of three bytes, the positions seen, newest
// first, taken from a fixed pool and recycled, never freed, during a stream.
//
// A chain walk touches only the links (position and older entry, 8 bytes each), kept apart from
// the rest. Positions are kept in 32 bits and compared as distances back from the current one:
// every entry lies less than a block and the window behind it, far below 2^32.

#include <cstddef>
#include <cstdint>
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
            if (m_free.size() <= kPruneBelowFree)
                Prune(a, reach);
        }
    }
    int32_t Head(uint32_t h) const { return m_heads[h]; }
    const Link& At(int32_t e) const { return m_links[size_t(e)]; }
    uint32_t Ptr(int32_t e) const { return m_ptr[size_t(e)]; }
    size_t MemoryUsage() const;

private:
    int32_t take();
    void give(int32_t e);

    std::vector<int32_t> m_heads;
    std::vector<uint32_t> m_counts;
    std::vector<Link> m_links;
    std::vector<uint32_t> m_ptr;   // index in the input ring
    std::vector<int32_t> m_tail;   // the head's: its chain's tail; the others': the newer entry
    std::vector<int32_t> m_free;
    int m_pruneCountdown = kPruneEvery;
};
