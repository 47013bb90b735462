#pragma once

// Heaps. Every object and buffer of the library comes from a heap behind `sIvbHeap`; the main
// heap "Vant main memory heap" (a vbSegHeap) serves `_vbAlloc`, `_vbReAlloc` and `_vbFree` for
// every module. Heap objects are static or member objects: their class operator new throws.
//
// Failures are vbEsys exceptions; running out of memory throws E_OUTOFMEMORY (0x8007000E) and
// never answers null, so callers of the main heap need not test the block.

#include "vbBaseItf.h"

#include <cstddef>
#include <cstdint>
#include <mutex>

extern VBAPI const IID IID_sIvbHeap;

// 0 fills new bytes with zero, 1 leaves them as they are.
enum vbAllocMode : int32_t {
    vbAllocZero = 0,
    vbAllocNoInit = 1,
};

// Low-level heaps: 0 throws when the system refuses memory, any other value answers null.
enum vbOpMode : int32_t {
    vbOpThrow = 0,
    vbOpNoThrow = 1,
};

// 0 creates the heap in the constructor, any other value leaves it to an explicit Create.
enum vbCtorMode : int32_t {
    vbCtorCreate = 0,
    vbCtorNoCreate = 1,
};

// The cleaner a heap asks to make room before it gives up: receives the byte count wanted and
// answers true when it freed something worth a retry.
typedef bool (vbBase::*vbHeapCleanerFct)(int cByte);

class VBAPI sIvbHeap : public sIvbBase {
public:
    virtual void* Alloc(int cByte, vbAllocMode mode);
    virtual void* ReAlloc(void* p, int cByte, vbAllocMode mode);
    virtual void Free(void* p);
    virtual void Clear();
    virtual int GetSize(void* p) const;
    virtual int64_t GetSize() const;
    virtual bool IsValid(void* p) const;
    virtual bool IsValid() const;
    virtual bool Compact();
    virtual void DebugDump() const;
    virtual void SetCleanerFct(vbBase* obj, vbHeapCleanerFct fct);
    virtual bool RequestCleanerToFreeBytes(int cByte);

protected:
    sIvbHeap() = default;
    ~sIvbHeap() = default;
};

// Named heap base with the allocation accounting and the cleaner.
class VBAPI vbBaseHeap : public vbBase, public sIvbHeap {
public:
    explicit vbBaseHeap(const char* name = nullptr);
    ~vbBaseHeap() override;

    static void* operator new(size_t sz);
    // Nothing ever comes from the operator new above.
    static void operator delete(void*) noexcept {}

    bool GetInterface(const GUID& iid, const void** ppv) const override;
    bool GetInterface(const GUID& iid, void** ppv) override;

    int64_t GetSize() const override { return m_cbTotal; }
    using sIvbHeap::GetSize;
    bool Compact() override { return false; }
    void DebugDump() const override {}
    void SetCleanerFct(vbBase* obj, vbHeapCleanerFct fct) override;
    bool RequestCleanerToFreeBytes(int cByte) override;

    // Replaces the name with the formatted text (at most 127 characters).
    void SetName(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    const char* GetName() const { return m_name; }
    int GetAllocCount() const { return m_cAlloc; }

protected:
    void addAlloc(int64_t n)
    {
        ++m_cAlloc;
        m_cbTotal += n;
    }
    void subAlloc(int64_t n)
    {
        --m_cAlloc;
        m_cbTotal -= n;
    }
    void resetAllocInfo()
    {
        m_cAlloc = 0;
        m_cbTotal = 0;
    }

    int32_t m_cAlloc = 0;
    int64_t m_cbTotal = 0;
    char m_name[128];
    vbHeapCleanerFct m_cleanerFct = nullptr;
    vbBase* m_cleanerObj = nullptr;
};

// Building block over the runtime library's malloc.
class VBAPI vbllCrtHeap {
public:
    explicit vbllCrtHeap(bool unused = false, vbCtorMode mode = vbCtorCreate);
    virtual ~vbllCrtHeap();

    static void* operator new(size_t sz);
    // Nothing ever comes from the operator new above.
    static void operator delete(void*) noexcept {}

    void Create();
    void Destroy();
    bool IsCreated() const { return m_bCreated; }
    void* Alloc(int cByte, vbOpMode mode);
    void* ReAlloc(void* p, int cByte, vbOpMode mode);
    void Free(void* p);
    int GetAllocCount() const { return m_cAlloc; }

private:
    bool m_bCreated = false;
    int32_t m_cAlloc = 0;
};

// Building block standing for a private system heap: destroying it frees every block still in
// it at once. Without serialization the owner does the locking.
class VBAPI vbllSysHeap {
public:
    explicit vbllSysHeap(bool serialize, vbCtorMode mode = vbCtorCreate);
    virtual ~vbllSysHeap();
    vbllSysHeap(const vbllSysHeap&) = delete;
    vbllSysHeap& operator=(const vbllSysHeap&) = delete;

    static void* operator new(size_t sz);
    // Nothing ever comes from the operator new above.
    static void operator delete(void*) noexcept {}

    void Create();
    void Destroy();
    bool IsCreated() const { return m_bCreated; }
    // Blocks are aligned on 16 bytes. Sizes are 64-bit here: the segment heap's own segments may
    // exceed what an int holds once headers are added.
    void* Alloc(int64_t cByte, vbOpMode mode);
    void* ReAlloc(void* p, int64_t cByte, vbOpMode mode);
    void Free(void* p);
    int GetAllocCount() const { return m_cAlloc; }

private:
    struct Node;
    void link(Node* n);
    void unlink(Node* n);

    bool m_bSerialize;
    bool m_bCreated = false;
    int32_t m_cAlloc = 0;
    Node* m_first = nullptr;
    std::mutex m_lock;
};

// The segmented heap of fixed-size cells. Blocks are runs of whole cells inside segments taken
// from a private system heap; free runs are kept in one list per run length.
//
// Layout on a 64-bit build (the caller's bytes stay 16-byte aligned): a segment has a 32-byte
// header, a block a 16-byte header, and the cell size is the requested cell bytes plus the block
// header rounded up to 16 (the default 52 gives 80-byte cells, 1638 per 131072-byte segment; a
// one-cell block holds 64 bytes).
class VBAPI vbSegHeap : public vbBaseHeap {
public:
    static constexpr int kSegHeader = 32;
    static constexpr int kBlockHeader = 16;
    static constexpr int kDefaultCellBytes = 52;
    static constexpr int kDefaultSegBytes = 131072;
    // Empty segments kept for reuse before they go back to the system.
    static constexpr int kKeptEmptySegments = 3;

    vbSegHeap(const char* name, vbCtorMode mode = vbCtorCreate);
    vbSegHeap(const char* name, int cByteCell, int cByteSeg, int cByteMax, vbCtorMode mode = vbCtorCreate);
    ~vbSegHeap() override;

    static void* operator new(size_t sz);
    // Nothing ever comes from the operator new above.
    static void operator delete(void*) noexcept {}

    void SetParams(int cByteCell, int cByteSeg, int cByteMax);
    void Create();
    void Destroy();
    bool IsCreated() const { return m_bCreated; }

    void* Alloc(int cByte, vbAllocMode mode) override;
    void* ReAlloc(void* p, int cByte, vbAllocMode mode) override;
    void Free(void* p) override;
    void Clear() override;
    int GetSize(void* p) const override;
    using vbBaseHeap::GetSize;
    bool IsValid(void* p) const override;
    bool IsValid() const override;
    bool Compact() override;

    // Figures computed by Create, for callers that size their requests and for tests.
    int GetCellSize() const { return m_cbCell; }
    int GetCellsPerSegment() const { return m_cCellPerSeg; }
    int GetLargestSharedRun() const { return m_cMaxRun; }
    int GetSegmentCount() const { return m_cSeg; }
    int GetEmptySegmentCount() const { return m_cEmptySeg; }

private:
    struct Segment;
    struct Block;

    // Internal steps, hidden so that the compiler may inline them within the library.
#define VB_HEAP_STEP __attribute__((visibility("hidden")))
    VB_HEAP_STEP Block* nextBlock(const Block* b) const;
    VB_HEAP_STEP Block* prevBlock(const Block* b) const;
    VB_HEAP_STEP Segment* segmentOf(const Block* b) const;
    VB_HEAP_STEP int64_t cellsFor(int cByte) const;
    VB_HEAP_STEP void pushRun(Block* b);
    VB_HEAP_STEP void popRun(Block* b);
    VB_HEAP_STEP Block* findRun(int64_t n);
    VB_HEAP_STEP void freeTail(Block* b, uint32_t n);
    VB_HEAP_STEP Block* newSegment(int64_t cells, bool own);
    VB_HEAP_STEP void releaseSegment(Segment* s);
    VB_HEAP_STEP void markUsed(Block* b);
    VB_HEAP_STEP void* allocLocked(int cByte, vbAllocMode mode);
    VB_HEAP_STEP void freeLocked(Block* b);
    VB_HEAP_STEP bool checkBlock(const Block* b, const void* caller) const;
    VB_HEAP_STEP bool walkLocked(const Block* wanted) const;
    [[noreturn]] VB_HEAP_STEP void throwFull(int cByte) const;
#undef VB_HEAP_STEP

    mutable std::recursive_mutex m_lock;
    vbllSysHeap m_sys;
    bool m_bCreated = false;
    int m_cByteCell = 0;
    int m_cByteSeg = 0;
    int m_cByteMax = 0;
    int m_cCellPerSeg = 0;
    int m_cMaxRun = 0;
    int m_cbCell = 0;
    int64_t m_cbCellPerSeg = 0;
    int64_t m_cbSeg = 0;
    int m_cMaxSeg = 0;
    int m_cGroup = 0;
    int m_cSeg = 0;
    int m_cEmptySeg = 0;
    Segment* m_firstSeg = nullptr;
    Block** m_freeRuns = nullptr;
    int32_t* m_groupCounts = nullptr;
    // One bit per run length whose list is not empty: the search finds the shortest fitting
    // length with a few word tests instead of walking the groups.
    uint64_t* m_runBits = nullptr;
    int m_cRunWords = 0;
    // One bit per word of m_runBits that is not zero.
    uint64_t* m_runWordBits = nullptr;
    int m_cRunSummary = 0;
};

// The process-wide main heap, "Vant main memory heap", owned by the engine centre (vbEngine.h):
// built before any other static object of the library and destroyed after all of them. Throws
// "vbEngineCenter : not ready" outside that time; _vbFree then does nothing.
VBAPI vbSegHeap& vbGetMainHeap();

VBAPI void* _vbAlloc(int size, vbAllocMode mode);
VBAPI void* _vbReAlloc(void* p, int size, vbAllocMode mode);
VBAPI void _vbFree(void* p);
