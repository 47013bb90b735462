// The segmented heap of fixed-size cells.
//
// A segment is a header followed by blocks that tile it exactly; a block is a header followed by
// the caller's bytes and covers a whole number of cells. Neighbours are found by cell counts kept
// in the header (the next block starts `cells` cells further on, the previous one `prevCells`
// cells back), and the owning segment by the block's byte offset from it. Free blocks of a shared
// segment ("runs") sit in one doubly linked list per run length, their links stored in the first
// bytes after the header. Each group of 16 run lengths counts its runs, and a bitmap of the
// non-empty lists (with one summary bit per word) lets the search find the shortest fitting run
// with a few word tests. Two free blocks are never neighbours: freeing merges them.

#include "vbHeap.h"

#include "plat/afx.h"
#include "plat/errors.h"

#include <climits>
#include <cstdio>
#include <cstring>

struct vbSegHeap::Segment {
    int32_t cUsed; // used blocks
    int32_t reserved;
    Segment* next;
    Segment* prev;
    char* end; // first byte after the segment
};

struct vbSegHeap::Block {
    uint32_t cells;
    uint32_t prevCells; // 0 for the first block of a segment
    uint32_t segOffset; // bytes from the owning segment's start
    uint32_t state;
};

namespace {

constexpr uint32_t kUsed = 0x56425553u;
constexpr uint32_t kFree = 0x56424652u;

struct RunLinks {
    void* next; // next run of the same length
    void* prev;
};

// Lines for a debug configuration; the shipped library writes nothing.
void heapTrace(const char*, ...) __attribute__((format(printf, 1, 2)));
void heapTrace(const char*, ...) {}

unsigned long long addr(const void* p) { return static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)); }

} // namespace

static_assert(sizeof(void*) != 8 || vbSegHeap::kSegHeader == 32, "segment header size");

// --- construction ---

vbSegHeap::vbSegHeap(const char* name, vbCtorMode mode) : vbBaseHeap(name), m_sys(false, vbCtorNoCreate)
{
    static_assert(sizeof(Segment) <= kSegHeader && sizeof(Block) == kBlockHeader, "header layout");
    if (mode == vbCtorCreate)
        Create();
}

vbSegHeap::vbSegHeap(const char* name, int cByteCell, int cByteSeg, int cByteMax, vbCtorMode mode)
    : vbBaseHeap(name), m_sys(false, vbCtorNoCreate), m_cByteCell(cByteCell), m_cByteSeg(cByteSeg),
      m_cByteMax(cByteMax)
{
    if (mode == vbCtorCreate)
        Create();
}

vbSegHeap::~vbSegHeap()
{
    try {
        Destroy();
    } catch (...) {
        vbImpl::reportCurrent(true, __FILE__, __LINE__);
    }
}

void* vbSegHeap::operator new(size_t)
{
    vbImpl::throwSys(E_FAIL, "Do not use operator void *vbSegHeap::operator new(unsigned int sz) !");
}

void vbSegHeap::SetParams(int cByteCell, int cByteSeg, int cByteMax)
{
    Destroy();
    if (cByteCell <= 16)
        vbImpl::throwSys(E_FAIL, "vbSegHeap(%s)::SetParams() : cByteCell asked = %d, must be > %d", m_name,
            cByteCell, 16);
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_cByteCell = cByteCell;
    m_cByteSeg = cByteSeg;
    m_cByteMax = cByteMax;
}

void vbSegHeap::Create()
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_bCreated)
        return;
    if (m_cByteCell < 1)
        m_cByteCell = kDefaultCellBytes;
    if (m_cByteSeg < 1)
        m_cByteSeg = kDefaultSegBytes;
    if (m_cByteCell <= 16)
        vbImpl::throwSys(E_FAIL, "vbSegHeap(%s)::Create() : cByteCell asked = %d, must be > %d", m_name,
            m_cByteCell, 16);
    // Sizes in 64 bits: the cell bytes may come close to INT_MAX.
    int64_t cbCell = (static_cast<int64_t>(m_cByteCell) + kBlockHeader + 15) & ~int64_t{15};
    int64_t room = static_cast<int64_t>(m_cByteSeg) - kSegHeader;
    int64_t cells = room > 0 ? room / cbCell : 0;
    if (cells < 12 || cells > 32768)
        vbImpl::throwSys(E_FAIL, "vbSegHeap(%s)::Create() : m_cCellPerSeg = %d, must be >= 12 and <= 32768", m_name,
            static_cast<int>(cells));
    m_cbCell = static_cast<int>(cbCell);
    m_cCellPerSeg = static_cast<int>(cells);
    m_cGroup = (m_cCellPerSeg + 15) / 16;
    m_cbCellPerSeg = cells * cbCell;
    m_cbSeg = m_cbCellPerSeg + kSegHeader;
    m_cMaxSeg = m_cByteMax > 0 ? static_cast<int>((m_cByteMax + m_cbCellPerSeg - 1) / m_cbCellPerSeg) : 0;
    m_cMaxRun = m_cMaxSeg ? m_cCellPerSeg : m_cCellPerSeg * 3 / 4;

    m_sys.Create();
    try {
        m_freeRuns = static_cast<Block**>(m_sys.Alloc(sizeof(Block*) * m_cCellPerSeg, vbOpThrow));
        std::memset(m_freeRuns, 0, sizeof(Block*) * m_cCellPerSeg);
        m_groupCounts = static_cast<int32_t*>(m_sys.Alloc(sizeof(int32_t) * m_cGroup, vbOpThrow));
        std::memset(m_groupCounts, 0, sizeof(int32_t) * m_cGroup);
        m_cRunWords = (m_cCellPerSeg + 63) / 64;
        m_runBits = static_cast<uint64_t*>(m_sys.Alloc(sizeof(uint64_t) * m_cRunWords, vbOpThrow));
        std::memset(m_runBits, 0, sizeof(uint64_t) * m_cRunWords);
        m_cRunSummary = (m_cRunWords + 63) / 64;
        m_runWordBits = static_cast<uint64_t*>(m_sys.Alloc(sizeof(uint64_t) * m_cRunSummary, vbOpThrow));
        std::memset(m_runWordBits, 0, sizeof(uint64_t) * m_cRunSummary);
    } catch (...) {
        m_sys.Destroy();
        m_freeRuns = nullptr;
        m_groupCounts = nullptr;
        m_runBits = nullptr;
        m_runWordBits = nullptr;
        throw;
    }
    m_firstSeg = nullptr;
    m_cSeg = 0;
    m_cEmptySeg = 0;
    m_bCreated = true;
}

void vbSegHeap::Destroy()
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (!m_bCreated)
        return;
    if (m_cAlloc > 0) {
        DebugDump();
        heapTrace("vbSegHeap(%s)::Destroy() : %d allocations not freed (total size: %lld) !", m_name, m_cAlloc,
            static_cast<long long>(m_cbTotal));
    }
    Clear();
    m_sys.Destroy();
    m_freeRuns = nullptr;
    m_groupCounts = nullptr;
    m_runBits = nullptr;
    m_runWordBits = nullptr;
    m_bCreated = false;
    resetAllocInfo();
}

// --- block and run helpers (the lock is held) ---

vbSegHeap::Block* vbSegHeap::nextBlock(const Block* b) const
{
    return reinterpret_cast<Block*>(const_cast<char*>(reinterpret_cast<const char*>(b)) +
        static_cast<int64_t>(b->cells) * m_cbCell);
}

vbSegHeap::Block* vbSegHeap::prevBlock(const Block* b) const
{
    if (!b->prevCells)
        return nullptr;
    return reinterpret_cast<Block*>(const_cast<char*>(reinterpret_cast<const char*>(b)) -
        static_cast<int64_t>(b->prevCells) * m_cbCell);
}

vbSegHeap::Segment* vbSegHeap::segmentOf(const Block* b) const
{
    return reinterpret_cast<Segment*>(const_cast<char*>(reinterpret_cast<const char*>(b)) - b->segOffset);
}

int64_t vbSegHeap::cellsFor(int cByte) const
{
    return (static_cast<int64_t>(cByte) + kBlockHeader + m_cbCell - 1) / m_cbCell;
}

static void markList(uint64_t* bits, uint64_t* words, uint32_t i)
{
    bits[i / 64] |= uint64_t{1} << (i % 64);
    words[i / 4096] |= uint64_t{1} << ((i / 64) % 64);
}

static void unmarkList(uint64_t* bits, uint64_t* words, uint32_t i)
{
    uint64_t& w = bits[i / 64];
    w &= ~(uint64_t{1} << (i % 64));
    if (!w)
        words[i / 4096] &= ~(uint64_t{1} << ((i / 64) % 64));
}

static RunLinks* links(void* b) { return reinterpret_cast<RunLinks*>(static_cast<char*>(b) + vbSegHeap::kBlockHeader); }

void vbSegHeap::pushRun(Block* b)
{
    b->state = kFree;
    uint32_t i = b->cells - 1;
    RunLinks* l = links(b);
    l->prev = nullptr;
    l->next = m_freeRuns[i];
    if (m_freeRuns[i])
        links(m_freeRuns[i])->prev = b;
    else
        markList(m_runBits, m_runWordBits, i);
    m_freeRuns[i] = b;
    ++m_groupCounts[i / 16];
}

void vbSegHeap::popRun(Block* b)
{
    uint32_t i = b->cells - 1;
    RunLinks* l = links(b);
    if (l->prev) {
        links(l->prev)->next = l->next;
    } else {
        m_freeRuns[i] = static_cast<Block*>(l->next);
        if (!l->next)
            unmarkList(m_runBits, m_runWordBits, i);
    }
    if (l->next)
        links(l->next)->prev = l->prev;
    --m_groupCounts[i / 16];
}

// The head run of the shortest listed length of at least n cells: the first non-empty group from
// n's on, and in it the first non-empty list long enough.
vbSegHeap::Block* vbSegHeap::findRun(int64_t n)
{
    if (n > m_cCellPerSeg)
        return nullptr;
    const int first = static_cast<int>(n - 1);
    int w = first / 64;
    uint64_t bits = m_runBits[w] & (~uint64_t{0} << (first % 64));
    if (!bits) {
        // The next non-empty word through the summary.
        int s = (w + 1) / 64;
        if (s >= m_cRunSummary)
            return nullptr;
        int from = (w + 1) % 64;
        uint64_t words = from ? m_runWordBits[s] & (~uint64_t{0} << from) : m_runWordBits[s];
        while (!words) {
            if (++s >= m_cRunSummary)
                return nullptr;
            words = m_runWordBits[s];
        }
        w = s * 64 + __builtin_ctzll(words);
        bits = m_runBits[w];
    }
    return m_freeRuns[w * 64 + __builtin_ctzll(bits)];
}

// Cuts a used block b down to n cells; the cells behind become a free run, merged with a free
// next block.
void vbSegHeap::freeTail(Block* b, uint32_t n)
{
    if (b->cells <= n)
        return;
    Segment* s = segmentOf(b);
    auto* tail = reinterpret_cast<Block*>(reinterpret_cast<char*>(b) + static_cast<int64_t>(n) * m_cbCell);
    tail->cells = b->cells - n;
    tail->prevCells = n;
    tail->segOffset = b->segOffset + static_cast<uint32_t>(static_cast<int64_t>(n) * m_cbCell);
    b->cells = n;
    Block* next = nextBlock(tail);
    if (reinterpret_cast<char*>(next) != s->end && next->state == kFree) {
        popRun(next);
        tail->cells += next->cells;
        next = nextBlock(tail);
    }
    if (reinterpret_cast<char*>(next) != s->end)
        next->prevCells = tail->cells;
    pushRun(tail);
}

void vbSegHeap::markUsed(Block* b)
{
    b->state = kUsed;
    Segment* s = segmentOf(b);
    if (s->cUsed++ == 0)
        --m_cEmptySeg;
}

// A new segment at the head of the list, holding one free block (not in any list) of `cells`
// cells; null when the limit is reached or the system heap refuses.
vbSegHeap::Block* vbSegHeap::newSegment(int64_t cells, bool own)
{
    if (!own && m_cMaxSeg && m_cSeg >= m_cMaxSeg)
        return nullptr;
    int64_t bytes = own ? cells * m_cbCell + kSegHeader : m_cbSeg;
    auto* s = static_cast<Segment*>(m_sys.Alloc(bytes, vbOpNoThrow));
    if (!s)
        return nullptr;
    s->cUsed = 0;
    s->reserved = 0;
    s->end = reinterpret_cast<char*>(s) + bytes;
    s->prev = nullptr;
    s->next = m_firstSeg;
    if (m_firstSeg)
        m_firstSeg->prev = s;
    m_firstSeg = s;
    ++m_cSeg;
    ++m_cEmptySeg;
    auto* b = reinterpret_cast<Block*>(reinterpret_cast<char*>(s) + kSegHeader);
    b->cells = static_cast<uint32_t>(cells);
    b->prevCells = 0;
    b->segOffset = kSegHeader;
    b->state = kFree;
    return b;
}

// Takes the segment out of the list and gives it back; its runs must have left their lists.
void vbSegHeap::releaseSegment(Segment* s)
{
    if (s->prev)
        s->prev->next = s->next;
    else
        m_firstSeg = s->next;
    if (s->next)
        s->next->prev = s->prev;
    --m_cSeg;
    m_sys.Free(s);
}

void vbSegHeap::throwFull(int cByte) const
{
    vbImpl::throwSys(E_OUTOFMEMORY, "vbSegHeap(%s)::Alloc(sz=%d) : Heap is full (alloc nb = %d, total sz = %lld)",
        m_name, cByte, m_cAlloc, static_cast<long long>(m_cbTotal));
}

// --- operations ---

void* vbSegHeap::Alloc(int cByte, vbAllocMode mode)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return allocLocked(cByte, mode);
}

void* vbSegHeap::allocLocked(int cByte, vbAllocMode mode)
{
    if (!m_bCreated)
        vbImpl::throwSys(E_FAIL, "vbSegHeap(%s)::Alloc() : heap not created", m_name);
    if (cByte < 1)
        vbImpl::throwSys(E_FAIL, "vbSegHeap(%s)::Alloc(cByte=%d) : size to allocate <= 0", m_name, cByte);
    int64_t n = cellsFor(cByte);
    // A block whose size an int cannot report is refused before anything changes.
    if (n * m_cbCell > INT_MAX)
        throwFull(cByte);
    if (n > m_cMaxRun && m_cMaxSeg)
        vbImpl::throwSys(E_FAIL,
            "vbSegHeap(%s)::Alloc(cByte=%d) : When heap is limted in size, it's not possible to allocate a block "
            "bigger than segment size. Sevbent size is cByteCell(%d)*cCellPerSeg(%d)=%lld",
            m_name, cByte, m_cbCell, m_cCellPerSeg, static_cast<long long>(m_cbCellPerSeg));
    Block* b;
    for (;;) {
        if (n <= m_cMaxRun) {
            b = findRun(n);
            if (b) {
                popRun(b);
                break;
            }
            b = newSegment(m_cCellPerSeg, false);
        } else {
            b = newSegment(n, true);
        }
        if (b)
            break;
        if (!RequestCleanerToFreeBytes(cByte)) {
            DebugDump();
            throwFull(cByte);
        }
    }
    markUsed(b);
    freeTail(b, static_cast<uint32_t>(n));
    int64_t bytes = n * m_cbCell;
    char* p = reinterpret_cast<char*>(b) + kBlockHeader;
    if (mode == vbAllocZero)
        std::memset(p, 0, static_cast<size_t>(bytes - kBlockHeader));
    addAlloc(bytes);
    return p;
}

void vbSegHeap::Free(void* p)
{
    if (!p)
        return;
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (!m_bCreated)
        vbImpl::throwSys(E_FAIL, "vbSegHeap(%s)::Free() : heap not created", m_name);
    auto* b = reinterpret_cast<Block*>(static_cast<char*>(p) - kBlockHeader);
    if (b->state != kUsed)
        vbImpl::throwSys(E_INVALIDARG, "vbSegHeap(%s)::Free(pBlock=%016llX) : block is not a live block of this heap",
            m_name, addr(p));
    freeLocked(b);
}

void vbSegHeap::freeLocked(Block* b)
{
    Segment* s = segmentOf(b);
    int64_t bytes = static_cast<int64_t>(b->cells) * m_cbCell;
    bool alone = b->segOffset == kSegHeader && reinterpret_cast<char*>(nextBlock(b)) == s->end;
    --s->cUsed;
    if (s->cUsed == 0 && (alone || m_cEmptySeg >= kKeptEmptySegments)) {
        // Every other block of the segment is a free run: they leave their lists with it.
        for (auto* r = reinterpret_cast<Block*>(reinterpret_cast<char*>(s) + kSegHeader);
             reinterpret_cast<char*>(r) != s->end; r = nextBlock(r))
            if (r != b)
                popRun(r);
        releaseSegment(s);
    } else {
        if (s->cUsed == 0)
            ++m_cEmptySeg;
        Block* prev = prevBlock(b);
        Block* next = nextBlock(b);
        if (reinterpret_cast<char*>(next) != s->end && next->state == kFree) {
            popRun(next);
            b->cells += next->cells;
        }
        if (prev && prev->state == kFree) {
            popRun(prev);
            prev->cells += b->cells;
            b->state = kFree;
            b = prev;
        }
        next = nextBlock(b);
        if (reinterpret_cast<char*>(next) != s->end)
            next->prevCells = b->cells;
        pushRun(b);
    }
    subAlloc(bytes);
}

void* vbSegHeap::ReAlloc(void* p, int cByte, vbAllocMode mode)
{
    if (!p)
        return Alloc(cByte, mode);
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (!m_bCreated)
        vbImpl::throwSys(E_FAIL, "vbSegHeap(%s)::ReAlloc() : heap not created", m_name);
    if (cByte < 1)
        return nullptr;
    auto* b = reinterpret_cast<Block*>(static_cast<char*>(p) - kBlockHeader);
    if (b->state != kUsed)
        vbImpl::throwSys(E_INVALIDARG,
            "vbSegHeap(%s)::ReAlloc(pBlock=%016llX) : block is not a live block of this heap", m_name, addr(p));
    int64_t n = cellsFor(cByte);
    if (n * m_cbCell > INT_MAX)
        vbImpl::throwSys(E_OUTOFMEMORY,
            "vbSegHeap(%s)::ReAlloc(pBlock=%016llX,sz=%d) : Heap is full (alloc nb = %d, total sz = %lld)", m_name,
            addr(p), cByte, m_cAlloc, static_cast<long long>(m_cbTotal));
    const uint32_t old = b->cells;
    if (n == old)
        return p;
    const int64_t oldUser = static_cast<int64_t>(old) * m_cbCell - kBlockHeader;
    Segment* s = segmentOf(b);
    bool alone = b->segOffset == kSegHeader && reinterpret_cast<char*>(nextBlock(b)) == s->end;

    if (alone && !(m_cMaxSeg && n > m_cMaxRun)) {
        // The segment is the block: resize it whole.
        int64_t bytes = n * m_cbCell + kSegHeader;
        Segment* ns;
        for (;;) {
            ns = static_cast<Segment*>(m_sys.ReAlloc(s, bytes, vbOpNoThrow));
            if (ns)
                break;
            if (!RequestCleanerToFreeBytes(cByte)) {
                DebugDump();
                vbImpl::throwSys(E_OUTOFMEMORY,
                    "vbSegHeap(%s)::ReAlloc(pBlock=%016llX,sz=%d) : Heap is full (alloc nb = %d, total sz = %lld)",
                    m_name, addr(p), cByte, m_cAlloc, static_cast<long long>(m_cbTotal));
            }
        }
        if (ns->prev)
            ns->prev->next = ns;
        else
            m_firstSeg = ns;
        if (ns->next)
            ns->next->prev = ns;
        ns->end = reinterpret_cast<char*>(ns) + bytes;
        b = reinterpret_cast<Block*>(reinterpret_cast<char*>(ns) + kSegHeader);
        b->cells = static_cast<uint32_t>(n);
    } else if (n < old) {
        freeTail(b, static_cast<uint32_t>(n));
    } else {
        Block* next = nextBlock(b);
        if (reinterpret_cast<char*>(next) == s->end || next->state != kFree)
            next = nullptr;
        Block* prev = prevBlock(b);
        if (prev && prev->state != kFree)
            prev = nullptr;
        int64_t nc = next ? next->cells : 0;
        int64_t pc = prev ? prev->cells : 0;
        if (n > m_cMaxRun || old + nc + pc < n) {
            // Neighbours cannot hold it: move.
            void* q = allocLocked(cByte, mode);
            std::memcpy(q, p, static_cast<size_t>(oldUser));
            freeLocked(b);
            return q;
        }
        if (old + nc >= n) {
            popRun(next);
            b->cells += next->cells;
        } else {
            popRun(prev);
            uint32_t cells = prev->cells + old;
            if (cells < n) {
                popRun(next);
                cells += next->cells;
            }
            // The old header ends up inside the moved bytes: the block now starts at prev.
            std::memmove(reinterpret_cast<char*>(prev) + kBlockHeader, p, static_cast<size_t>(oldUser));
            prev->cells = cells;
            prev->state = kUsed;
            b = prev;
        }
        Block* after = nextBlock(b);
        if (reinterpret_cast<char*>(after) != s->end)
            after->prevCells = b->cells;
        freeTail(b, static_cast<uint32_t>(n));
    }
    char* q = reinterpret_cast<char*>(b) + kBlockHeader;
    if (mode == vbAllocZero && n > old)
        std::memset(q + oldUser, 0, static_cast<size_t>((n - old) * m_cbCell));
    m_cbTotal += (n - static_cast<int64_t>(old)) * m_cbCell;
    return q;
}

int vbSegHeap::GetSize(void* p) const
{
    if (!p)
        return 0;
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    auto* b = reinterpret_cast<const Block*>(static_cast<char*>(p) - kBlockHeader);
    return static_cast<int>(static_cast<int64_t>(b->cells) * m_cbCell - kBlockHeader);
}

void vbSegHeap::Clear()
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    while (m_firstSeg) {
        Segment* s = m_firstSeg;
        m_firstSeg = s->next;
        m_sys.Free(s);
    }
    if (m_freeRuns)
        std::memset(m_freeRuns, 0, sizeof(Block*) * m_cCellPerSeg);
    if (m_groupCounts)
        std::memset(m_groupCounts, 0, sizeof(int32_t) * m_cGroup);
    if (m_runBits)
        std::memset(m_runBits, 0, sizeof(uint64_t) * m_cRunWords);
    if (m_runWordBits)
        std::memset(m_runWordBits, 0, sizeof(uint64_t) * m_cRunSummary);
    m_cSeg = 0;
    m_cEmptySeg = 0;
    resetAllocInfo();
}

bool vbSegHeap::Compact()
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (!m_bCreated || m_cEmptySeg == 0)
        return false;
    for (Segment* s = m_firstSeg; s;) {
        Segment* next = s->next;
        if (s->cUsed == 0) {
            for (auto* r = reinterpret_cast<Block*>(reinterpret_cast<char*>(s) + kSegHeader);
                 reinterpret_cast<char*>(r) != s->end; r = nextBlock(r))
                popRun(r);
            releaseSegment(s);
        }
        s = next;
    }
    m_cEmptySeg = 0;
    return true;
}

// --- checks ---

bool vbSegHeap::checkBlock(const Block* b, const void* caller) const
{
    const Segment* s = segmentOf(b);
    const char* start = reinterpret_cast<const char*>(s) + kSegHeader;
    if (b->state != kUsed && b->state != kFree) {
        heapTrace("vbSegHeap(%s)::IsValid(void *pBlock=%016llX) : Invalid block (segment of block is NULL)", m_name,
            addr(caller));
        return false;
    }
    const char* next = reinterpret_cast<const char*>(nextBlock(b));
    if (b->cells == 0 || next <= reinterpret_cast<const char*>(b)) {
        heapTrace("vbSegHeap(%s)::IsValid(void *pBlock=%016llX) : Invalid block (segment=%016llX,next block=%016llX,"
                  "block start=%016llX)",
            m_name, addr(caller), addr(s), addr(next), addr(b));
        return false;
    }
    if (reinterpret_cast<const char*>(b) < start || next > s->end) {
        heapTrace("vbSegHeap(%s)::IsValid(void *pBlock=%016llX) : Offset of block (seg_start=%016llX,seg_end=%016llX,"
                  "nextbloc=%016llX)",
            m_name, addr(caller), addr(start), addr(s->end), addr(next));
        return false;
    }
    return true;
}

bool vbSegHeap::walkLocked(const Block* wanted) const
{
    if (!m_bCreated)
        return false;
    if (wanted && !m_firstSeg) {
        heapTrace("vbSegHeap(%s)::IsValid(void *pBlock=%016llX) : Heap empty, block is not in this heap", m_name,
            addr(wanted));
        return false;
    }
    bool found = false;
    int segs = 0, empty = 0, used = 0;
    int64_t bytes = 0, freeRuns = 0;
    const Segment* before = nullptr;
    for (const Segment* s = m_firstSeg; s; before = s, s = s->next) {
        if (s->prev != before)
            return false;
        ++segs;
        int segUsed = 0;
        uint32_t prevCells = 0;
        bool prevFree = false;
        const char* p = reinterpret_cast<const char*>(s) + kSegHeader;
        while (p < s->end) {
            auto* b = reinterpret_cast<const Block*>(p);
            if (!checkBlock(b, wanted ? wanted : b) || b->prevCells != prevCells ||
                b->segOffset != static_cast<uint32_t>(p - reinterpret_cast<const char*>(s)))
                return false;
            if (b->state == kUsed) {
                ++segUsed;
                bytes += static_cast<int64_t>(b->cells) * m_cbCell;
                if (b == wanted)
                    found = true;
                prevFree = false;
            } else {
                // A free block is a listed run of a shared segment, never next to another.
                if (prevFree || b->cells > static_cast<uint32_t>(m_cCellPerSeg))
                    return false;
                ++freeRuns;
                prevFree = true;
            }
            prevCells = b->cells;
            p = reinterpret_cast<const char*>(nextBlock(b));
        }
        if (p != s->end || segUsed != s->cUsed)
            return false;
        used += segUsed;
        if (segUsed == 0)
            ++empty;
    }
    if (segs != m_cSeg || empty != m_cEmptySeg || used != m_cAlloc || bytes != m_cbTotal)
        return false;
    // Every listed run is free, of its list's length, and linked both ways.
    int64_t listed = 0;
    for (int g = 0; g < m_cGroup; ++g) {
        int64_t inGroup = 0;
        for (int i = g * 16; i < g * 16 + 16 && i < m_cCellPerSeg; ++i) {
            bool marked = (m_runBits[i / 64] >> (i % 64)) & 1;
            bool wordMarked = (m_runWordBits[i / 4096] >> ((i / 64) % 64)) & 1;
            if (marked != (m_freeRuns[i] != nullptr) || wordMarked != (m_runBits[i / 64] != 0))
                return false;
            const void* prev = nullptr;
            for (const void* r = m_freeRuns[i]; r; prev = r, r = links(const_cast<void*>(r))->next) {
                auto* b = static_cast<const Block*>(r);
                if (b->state != kFree || b->cells != static_cast<uint32_t>(i + 1) ||
                    links(const_cast<void*>(r))->prev != prev)
                    return false;
                ++inGroup;
            }
        }
        if (inGroup != m_groupCounts[g])
            return false;
        listed += inGroup;
    }
    if (listed != freeRuns)
        return false;
    if (wanted && !found) {
        heapTrace("vbSegHeap(%s)::IsValid(void *pBlock=%016llX) : block is not in this heap (segment=%016llX not in "
                  "segment list of this heap)",
            m_name, addr(wanted), 0ull);
        return false;
    }
    return true;
}

bool vbSegHeap::IsValid() const
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (!walkLocked(nullptr)) {
        DebugDump();
        return false;
    }
    return true;
}

bool vbSegHeap::IsValid(void* p) const
{
    if (!p)
        return false;
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return walkLocked(reinterpret_cast<const Block*>(static_cast<char*>(p) - kBlockHeader));
}
