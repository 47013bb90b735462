#pragma once

// The glyphs of one sized face: advances of the first 256 characters in a table read without the
// face's lock, everything else in a bounded map that lets the least recently used entry go.

#include "text/SizedFace.h"

#include <array>
#include <atomic>
#include <list>
#include <unordered_map>

namespace plat::text {

class GlyphCache {
public:
    struct Entry {
        int advance = 0;
        bool rendered = false;
        std::shared_ptr<const GlyphImage> image;
    };

    explicit GlyphCache(size_t capacity) : m_capacity(capacity)
    {
        for (auto& a : m_latinAdvances)
            a.store(-1, std::memory_order_relaxed);
    }

    // -1 while unknown; safe without the face's lock.
    int latinAdvance(char32_t code) const
    {
        return code < m_latinAdvances.size() ? m_latinAdvances[code].load(std::memory_order_acquire) : -1;
    }

    // The rest under the face's lock. The entry stays valid until the next store.
    Entry* find(char32_t code)
    {
        auto it = m_index.find(code);
        if (it == m_index.end())
            return nullptr;
        m_order.splice(m_order.begin(), m_order, it->second);
        return &it->second->second;
    }

    Entry* store(char32_t code, Entry entry)
    {
        if (code < m_latinAdvances.size())
            m_latinAdvances[code].store(entry.advance, std::memory_order_release);
        if (Entry* existing = find(code)) {
            *existing = std::move(entry);
            return existing;
        }
        if (m_index.size() >= m_capacity) {
            m_index.erase(m_order.back().first);
            m_order.pop_back();
        }
        m_order.emplace_front(code, std::move(entry));
        m_index.emplace(code, m_order.begin());
        return &m_order.front().second;
    }

private:
    using Item = std::pair<char32_t, Entry>;
    size_t m_capacity;
    std::array<std::atomic<int>, 256> m_latinAdvances;
    std::list<Item> m_order; // most recently used first
    std::unordered_map<char32_t, std::list<Item>::iterator> m_index;
};

} // namespace plat::text
