#pragma once

// The shared heap: variable-size blocks in one named file mapping that every process opening the
// same name shares, backed by a disk file (it outlives the processes) or by the paging file. A
// header and a page table start the mapping; pages follow, appended on demand and mapped by each
// process only when touched, at most a budget of them at a time. A block is named in every
// process by the same 32-bit handle (page << 16 | first sector) and counts its references in the
// shared memory, so whichever process drops the last one frees it. One named mutex serialises
// every change.
//
// The mapping is a format shared between processes and kept in files: every field is read and
// written little-endian at fixed offsets, and everything read from it is checked before use (a
// damaged or foreign file is refused, a damaged block list stops the operation with its error).

#include "vbArray.h"
#include "vbExport.h"
#include "vbObjects.h"
#include "vbPtr.h"
#include "vbSecurity.h"
#include "vbString.h"
#include "vbSync.h"

#include <cstdint>

// Page number (from 1) in the high 16 bits, first sector of the block in the low 16; 0 = none.
typedef uint32_t vbSharedHandle;

extern VBAPI const IID IID_vbSharedHeap;
// The file id of a plain heap, at offset 0 of its mapping.
extern VBAPI const GUID GUID_vbSharedHeapFile;

class vbSharedHeap;
class vbSharedMem;

typedef vbRefPtr<vbSharedMem, &IID_IvbObject> vbSharedMemPtr;

class VBAPI vbSharedHeap : public vbObject, public sIvbLock {
public:
    // One page this process has touched: where it lies, its view when mapped, its place in the
    // list of loaded pages and the memory locks held on it.
    class Page {
    public:
        Page(vbSharedHeap* heap, uint32_t pageNo, uint64_t offset, uint64_t size);
        ~Page();
        Page(const Page&) = delete;
        Page& operator=(const Page&) = delete;

        // Maps the page if needed and makes it the most recently used.
        uint8_t* Load();
        void Unload() noexcept;
        bool IsLoaded() const { return m_pView != nullptr; }

        // The data address and first sector of a new busy block of that many sectors; null when
        // none fits.
        uint8_t* alloc(uint32_t sectors, uint32_t* pSector);
        // Drops one reference of the block at the sector (its size given, header included).
        void free(uint32_t sectNo, uint64_t cByte);

        // The page entry in the header view (32 bytes).
        uint8_t* entry() const;
        // The bytes its sectors cover: the entry's sectors, never past the mapped size.
        uint64_t span() const;

        vbSharedHeap* m_pHeap;
        uint8_t* m_pView = nullptr;
        Page* m_pMoreRecent = nullptr;
        Page* m_pLessRecent = nullptr;
        bool m_bInList = false;
        uint64_t m_offset;
        uint64_t m_size;
        int m_cLock = 0;
        uint32_t m_pageNo;
    };

    // Default security: a null DACL (the platform keeps such objects to their owner), not
    // inheritable. A name beginning with "!" is a named paging-file heap, another non-empty name
    // a disk file, null or "" an unnamed paging-file heap.
    vbSharedHeap(uint64_t cByteMax, const char* name, bool bCreate, ULONG cByteLoaded, ULONG cByteSector,
        ULONG cBytePage);
    vbSharedHeap(const vbSecurityAttr& sa, uint64_t cByteMax, const char* name, bool bCreate, ULONG cByteLoaded,
        ULONG cByteSector, ULONG cBytePage);

    bool GetInterface(const GUID& iid, const void** ppv) const override;
    bool GetInterface(const GUID& iid, void** ppv) override;

    void Create() override;
    void Destroy() override;

    virtual const GUID& GetFileID() const;
    // A new block of at least cByte data bytes; false when the heap is full and !bThrow.
    virtual bool Alloc(vbSharedMemPtr* out, ULONG cByte, bool bThrow);
    // The block of h with one more reference (out null: only checks); cByte 0 takes any size.
    virtual bool Load(vbSharedMemPtr* out, const vbSharedHandle& h, ULONG cByte, bool bThrow);
    virtual bool IsMemLocked() const;
    // Refuses further memory locks; true when none is held.
    virtual bool EndMemLocks();

    bool IsValid(const vbSharedHandle& h, ULONG cByte) const;
    bool getMainBlock(vbSharedMemPtr* out, ULONG cByteNew, ULONG cByteLoad);
    bool delMainBlock();

    ULONG GetSysGranularity() const;
    int64_t GetMaxByteCount() const { return int64_t(m_cbData); }

    // The consistency check: one release-log line per finding, answers their number.
    int Check();
    int64_t GetBusyByteCount() const;
    int64_t GetFreeByteCount() const;
    int64_t GetUsedFreeByteCount() const;
    int64_t GetUnusedFreeByteCount() const;

    // The named mutex, re-entrant for its owner.
    void Lock() const override;
    void Unlock() const override;

    const vbString& GetName() const { return m_name; }
    const vbString& GetBaseName() const { return m_baseName; }
    bool IsHeapCreated() const { return m_pHeader != nullptr; }
    ULONG GetSectorSize() const { return m_cbSector; }
    ULONG GetSectorsPerPage() const { return m_cSectorPerPage; }
    ULONG GetPageSize() const { return m_cbPage; }
    ULONG GetLoadedPageLimit() const { return m_cPageLoadedMax; }
    ULONG GetHeaderSize() const { return m_cbHeader; }
    ULONG GetPageCapacity() const { return m_cPageMax; }

protected:
    ~vbSharedHeap() override;

    friend class vbSharedMem;

    void* lockMem(uint32_t page, uint32_t sector);
    void unlockMem(uint32_t page, uint32_t sector);
    void lockUse(uint32_t page, uint32_t sector);
    void unlockUse(uint32_t page, uint32_t sector);
    void free(uint32_t page, uint32_t sector, ULONG cByte);
    Page* newPage(uint64_t cByte, bool bThrow);
    Page* getPage(uint32_t ix, bool bThrow);
    // For heaps that chain records of their own from the header's main-block word: the word as
    // it stands (no block loaded), and memory locks allowed again after EndMemLocks.
    vbSharedHandle getMainHandle() const;
    void setMainHandle(vbSharedHandle h);
    void clearEnding() { m_bEnding = false; }
    void cleanLoadedPages(bool bForNew);

private:
    void init(const char* name);
    void computeGeometry();
    bool readGeometry(const uint8_t* header, uint64_t mapSize);
    void checkHeader(const uint8_t* header) const;
    [[noreturn]] void throwBadHeader() const;
    bool pageEntryOk(uint32_t ix, uint64_t* pOffset, uint64_t* pSize) const;
    void mapHeader(uint64_t fileSize, bool bNew);
    void closeAll() noexcept;
    uint32_t pageCount() const;
    uint8_t* pageEntry(uint32_t ix) const;
    // The use count field of a busy block met through (page, sector); throws with op's text.
    uint8_t* blockOf(uint32_t page, uint32_t sector, const char* op);
    void unlinkLoaded(Page* p);
    void checkPage(Page* p, uint32_t ix, int& findings);
    int64_t countPages(const char* counter, bool bBusy) const;
    void checkCreated(const char* op) const;

    vbMutex m_mutex;
    vbString m_name;
    vbString m_baseName;
    bool m_bCreated = false;
    bool m_bDiskFile = false;
    ULONG m_cByteSector;
    ULONG m_cBytePage;
    ULONG m_cByteLoaded;
    uint64_t m_cByteMax;
    ULONG m_cSectorPerPage = 0;
    ULONG m_cbSector = 0;
    ULONG m_cbPage = 0;
    ULONG m_cPageLoadedMax = 0;
    uint64_t m_cbData = 0;
    ULONG m_cbHeader = 0;
    ULONG m_cPageMax = 0;
    mutable ULONG m_granularity = 0;
    int m_cMemLock = 0;
    bool m_bEnding = false;
    HANDLE m_hFile;
    HANDLE m_hMap = nullptr;
    uint8_t* m_pHeader = nullptr;
    uint64_t m_cbMapping = 0;
    vbPtrArray<Page> m_pages;
    Page* m_pLeastRecent = nullptr;
    Page* m_pMostRecent = nullptr;
    int m_cLoaded = 0;
    vbSecurityAttr m_sa;
};

// One block of a shared heap in this process, made only by the heap. Its end gives back its
// memory locks and one reference; use locks still counted stay in the block for another process.
class VBAPI vbSharedMem : public vbObject {
public:
    vbSharedHandle GetHandle();
    ULONG GetLength();
    void* LockMem();
    void UnlockMem();
    void LockUse();
    void UnlockUse();

protected:
    friend class vbSharedHeap;
    vbSharedMem(vbSharedHeap* heap, uint32_t page, uint32_t sector, ULONG cByte, int cUseLock);
    ~vbSharedMem() override;
    void onBeforeDestruction(bool bExplicit) override;

private:
    // Hears the heap's end.
    struct Watcher : sIvbPtrCb {
        vbSharedMem* owner;
        bool GetInterface(const GUID&, const void**) const override { return false; }
        bool GetInterface(const GUID&, void**) override { return false; }
        void onPtrUnlink(sIvbPtr*) override;
        void onPtrSignal(sIvbPtr*, int) override { }
        void onPtrLink(sIvbPtr*) override { }
    };

    // Gives back the memory locks and the block's reference; heap is the heap when it is ending.
    void destroy(vbSharedHeap* heap);
    // The heap with a reference, throwing "vbSharedMem::<op>() : void memory" when none.
    vbSharedHeap* heapFor(const char* op, vbRefPtr<vbSharedHeap, &IID_vbSharedHeap>& hold);

    CCriticalSection m_sect;
    Watcher m_watcher;
    vbObsPtrExt<vbSharedHeap, &IID_vbSharedHeap> m_heap;
    vbSharedHeap* m_pHeap;
    uint32_t m_page;
    uint32_t m_sector;
    ULONG m_cByte;
    int m_cMemLock = 0;
    int m_cUseLock;
};

// Keeps one block mapped for a scope.
class VBAPI vbMemLock {
public:
    vbMemLock() = default;
    explicit vbMemLock(vbSharedMem* p) { Lock(p); }
    ~vbMemLock();
    vbMemLock(const vbMemLock&) = delete;
    vbMemLock& operator=(const vbMemLock&) = delete;

    // Unlocks the block held before, then maps p (not null) and answers its address.
    void* Lock(vbSharedMem* p);
    operator void*() const;

private:
    vbSharedMem* m_pMem = nullptr;
    void* m_pData = nullptr;
};
