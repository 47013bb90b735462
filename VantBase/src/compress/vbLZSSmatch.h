#pragma once

// The compressor's hash chains: for each 16-bit hash of three bytes, the positions seen, newest
// first, taken from a fixed pool and recycled, never freed, during a stream.

#include <cstddef>
#include <cstdint>
#include <vector>

struct vbLZSSmatchFinder {
    static constexpr int kHeads = 65536;
    static constexpr int kPruneEvery = 128;
    static constexpr size_t kPruneBelowFree = 32;

    struct Entry {
        uint64_t pos; // stream position
        uint32_t ptr; // index in the input ring
        int32_t next; // older entry, -1 at the tail
        int32_t link; // the head's: its chain's tail; the others': the newer entry
    };

    explicit vbLZSSmatchFinder(size_t poolSize);

    static uint32_t Hash(const unsigned char* p)
    {
        return ((((uint32_t(p[2]) & 31) << 4) ^ p[1]) << 7) ^ p[0];
    }

    void Clear();
    void Insert(uint32_t h, uint64_t pos, uint32_t ptr, uint32_t chainLimit);
    // Cuts every chain at its first entry at or below lo.
    void Prune(uint64_t lo);
    // Prunes on every 128th call when the pool is nearly exhausted.
    void PeriodicPrune(uint64_t lo)
    {
        if (--m_pruneCountdown == 0) {
            m_pruneCountdown = kPruneEvery;
            if (m_free.size() <= kPruneBelowFree)
                Prune(lo);
        }
    }
    int32_t Head(uint32_t h) const { return m_heads[h]; }
    const Entry& At(int32_t e) const { return m_pool[size_t(e)]; }
    size_t MemoryUsage() const;

private:
    int32_t take();
    void give(int32_t e);

    std::vector<int32_t> m_heads;
    std::vector<uint32_t> m_counts;
    std::vector<Entry> m_pool;
    std::vector<int32_t> m_free;
    int m_pruneCountdown = kPruneEvery;
};
