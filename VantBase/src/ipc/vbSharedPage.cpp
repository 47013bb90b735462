// The blocks inside one page of a shared heap: formatting, first-fit allocation with splitting,
// freeing with coalescing. Every block offset and size read from the page is checked against the
// page before it is followed or written (see blockOk), and every list walk stops after as many
// steps as the page has sectors: a damaged page makes the operation fail, never reach outside
// the page.

#include "vbSharedMem.h"

#include "ipc/vbSharedLayout.h"

using namespace vbShared;

namespace {

// A damaged page met inside an operation; turned into that operation's own error.
struct BadPage {};

class Blocks {
public:
    Blocks(uint8_t* view, uint8_t* entry, uint64_t span, uint32_t sector)
        : m_view(view), m_entry(entry), m_span(span), m_sector(sector)
    {
    }

    uint8_t* at(uint32_t off) const
    {
        if (!blockOk(m_view, m_span, m_sector, off))
            throw BadPage{};
        return m_view + off;
    }
    uint32_t get(uint32_t off, uint32_t field) const { return rd32(at(off) + field); }
    void set(uint32_t off, uint32_t field, uint32_t v) { wr32(at(off) + field, v); }

    uint32_t head(bool busy) const { return rd32(m_entry + (busy ? kEntBusyHead : kEntFreeHead)); }
    void setHead(bool busy, uint32_t off) { wr32(m_entry + (busy ? kEntBusyHead : kEntFreeHead), off); }

    // Both neighbours of a listed block must be sound before the block leaves its list.
    void checkLinks(uint32_t off) const
    {
        for (uint32_t link : {get(off, kBlkNext), get(off, kBlkPrev)})
            if (link != kNone)
                at(link);
    }
    void unlink(uint32_t off, bool busy)
    {
        checkLinks(off);
        const uint32_t next = get(off, kBlkNext);
        const uint32_t prev = get(off, kBlkPrev);
        if (prev != kNone)
            set(prev, kBlkNext, next);
        else
            setHead(busy, next);
        if (next != kNone)
            set(next, kBlkPrev, prev);
    }
    void push(uint32_t off, bool busy)
    {
        const uint32_t old = head(busy);
        if (old != kNone)
            at(old);
        set(off, kBlkNext, old);
        set(off, kBlkPrev, kNone);
        if (old != kNone)
            set(old, kBlkPrev, off);
        setHead(busy, off);
    }
    // Writes a whole block header at off (which must lie on a sector inside the page).
    void make(uint32_t off, uint32_t size, uint32_t prevSize, uint32_t use)
    {
        if (off % m_sector != 0 || uint64_t(off) + size > m_span || size < m_sector)
            throw BadPage{};
        uint8_t* b = m_view + off;
        wr32(b + kBlkNext, kNone);
        wr32(b + kBlkPrev, kNone);
        wr32(b + kBlkSize, size);
        wr32(b + kBlkPrevSize, prevSize);
        wr32(b + kBlkUse, use);
    }
    // The block physically after off, or kNone at the page end.
    uint32_t follower(uint32_t off) const
    {
        const uint64_t next = uint64_t(off) + get(off, kBlkSize);
        if (next >= m_span)
            return kNone;
        at(uint32_t(next));
        return uint32_t(next);
    }
    // The block physically before off, or kNone at the page start.
    uint32_t predecessor(uint32_t off) const
    {
        const uint32_t prevSize = get(off, kBlkPrevSize);
        if (prevSize == 0 || off == 0)
            return kNone;
        if (prevSize > off || prevSize % m_sector != 0)
            throw BadPage{};
        const uint32_t prev = off - prevSize;
        if (get(prev, kBlkSize) != prevSize)
            throw BadPage{};
        return prev;
    }

    uint32_t freeCount() const { return rd32(m_entry + kEntFree); }
    void setFreeCount(uint32_t n) { wr32(m_entry + kEntFree, n); }
    uint32_t sectors() const { return uint32_t(m_span / m_sector); }
    uint32_t sector() const { return m_sector; }

private:
    uint8_t* m_view;
    uint8_t* m_entry;
    uint64_t m_span;
    uint32_t m_sector;
};

} // namespace

uint64_t vbSharedHeap::Page::span() const
{
    const uint64_t sector = m_pHeap->m_cbSector;
    const uint64_t sectors = rd32(entry() + kEntSectors);
    const uint64_t mapped = m_size / sector;
    return (sectors < mapped ? sectors : mapped) * sector;
}

uint8_t* vbSharedHeap::Page::alloc(uint32_t sectors, uint32_t* pSector)
{
    uint8_t* view = Load();
    const uint32_t s = m_pHeap->m_cbSector;
    const uint64_t bytes64 = uint64_t(sectors) * s;
    Blocks b(view, entry(), span(), s);
    if (bytes64 > span() || sectors == 0)
        return nullptr;
    const uint32_t bytes = uint32_t(bytes64);
    try {
        if (b.head(false) == kNone) {
            if (b.head(true) != kNone || b.freeCount() < sectors)
                throw BadPage{};
            b.make(0, bytes, 0, 1);
            b.setHead(true, 0);
            const uint32_t rest = b.sectors() - sectors;
            b.setFreeCount(rest);
            if (rest > 0) {
                b.make(bytes, rest * s, bytes, 0);
                b.setHead(false, bytes);
            }
            *pSector = 0;
            return view + kBlockHeader;
        }
        // First fit along the free list.
        uint32_t running = b.freeCount();
        uint32_t off = b.head(false);
        for (uint32_t steps = 0;; off = b.get(off, kBlkNext)) {
            if (off == kNone)
                return nullptr;
            if (++steps > b.sectors())
                throw BadPage{};
            const uint32_t size = b.get(off, kBlkSize);
            if (size >= bytes)
                break;
            const uint32_t n = size / s;
            running = n > running ? 0 : running - n;
            if (running < sectors)
                return nullptr;
        }
        const uint32_t size = b.get(off, kBlkSize);
        const uint32_t follower = b.follower(off);
        b.predecessor(off);
        b.unlink(off, false);
        uint32_t freeCount = b.freeCount() - size / s;
        b.set(off, kBlkSize, bytes);
        b.set(off, kBlkUse, 1);
        b.push(off, true);
        if (size > bytes) {
            const uint32_t rest = off + bytes;
            b.make(rest, size - bytes, bytes, 0);
            b.push(rest, false);
            freeCount += (size - bytes) / s;
            if (follower != kNone)
                b.set(follower, kBlkPrevSize, size - bytes);
        }
        b.setFreeCount(freeCount);
        *pSector = off / s;
        return view + off + kBlockHeader;
    } catch (BadPage) {
        vbImpl::throwSys(E_FAIL, "vbSharedHeap::Page::alloc() : internal error");
    }
}

void vbSharedHeap::Page::free(uint32_t sectNo, uint64_t cByte)
{
    uint8_t* view = Load();
    const uint32_t s = m_pHeap->m_cbSector;
    Blocks b(view, entry(), span(), s);
    auto fail = [&](const char* what) {
        vbImpl::throwSys(E_FAIL,
            "vbSharedHeap::Page(ulong pageNo=%u)::free(ulong sectNo=%u,ulong cByte=%llu) : %s", m_pageNo, sectNo,
            static_cast<unsigned long long>(cByte), what);
    };
    const uint64_t off64 = uint64_t(sectNo) * s;
    if (off64 >= span() || !blockOk(view, span(), s, uint32_t(off64))
        || rd32(view + off64 + kBlkSize) != cByte)
        fail("sector ouf of bounds");
    const uint32_t off = uint32_t(off64);
    const int32_t use = int32_t(b.get(off, kBlkUse));
    if (use <= 0)
        fail("sector already freed");
    try {
        if (use > 1) {
            b.set(off, kBlkUse, uint32_t(use - 1));
            return;
        }
        // Everything this touches is checked before the first write.
        b.checkLinks(off);
        const uint32_t prev = b.predecessor(off);
        const bool mergePrev = prev != kNone && b.get(prev, kBlkUse) == 0;
        if (mergePrev)
            b.checkLinks(prev);
        const uint32_t next = b.follower(off);
        const bool mergeNext = next != kNone && b.get(next, kBlkUse) == 0;
        if (mergeNext) {
            b.checkLinks(next);
            b.follower(next);
        }
        b.set(off, kBlkUse, 0);
        b.unlink(off, true);
        uint32_t freeCount = b.freeCount();
        uint32_t start = off;
        uint32_t size = b.get(off, kBlkSize);
        if (mergePrev) {
            b.unlink(prev, false);
            const uint32_t prevSize = b.get(prev, kBlkSize);
            freeCount -= prevSize / s;
            start = prev;
            size += prevSize;
        }
        if (mergeNext) {
            b.unlink(next, false);
            const uint32_t nextSize = b.get(next, kBlkSize);
            freeCount -= nextSize / s;
            size += nextSize;
        }
        b.set(start, kBlkSize, size);
        b.set(start, kBlkUse, 0);
        const uint32_t after = b.follower(start);
        if (after != kNone)
            b.set(after, kBlkPrevSize, size);
        b.push(start, false);
        b.setFreeCount(freeCount + size / s);
    } catch (BadPage) {
        fail("sector ouf of bounds");
    }
}
