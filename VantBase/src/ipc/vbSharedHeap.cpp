#include "vbSharedMem.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbFileTools.h"
#include "engines/vbKernelError.h"
#include "ipc/vbSharedLayout.h"

#include "plat/file.h"
#include "plat/handles.h"
#include "plat/mapping.h"
#include "plat/system.h"

#include <cstring>
#include <vector>

using namespace vbShared;

// {6A9968D6-8FEC-4AC3-8A44-10FE162FBBA2}
const IID IID_vbSharedHeap = {0x6A9968D6, 0x8FEC, 0x4AC3, {0x8A, 0x44, 0x10, 0xFE, 0x16, 0x2F, 0xBB, 0xA2}};
// {A63F4759-0D39-4E80-A6C9-EE5F8B62F20E}
const GUID GUID_vbSharedHeapFile = {0xA63F4759, 0x0D39, 0x4E80, {0xA6, 0xC9, 0xEE, 0x5F, 0x8B, 0x62, 0xF2, 0x0E}};

namespace {

uint64_t roundUp(uint64_t v, uint64_t unit) { return (v + unit - 1) / unit * unit; }

// The GUID in its stored byte layout (the first three fields little-endian).
void guidBytes(const GUID& g, uint8_t* out)
{
    wr32(out, g.Data1);
    out[4] = uint8_t(g.Data2);
    out[5] = uint8_t(g.Data2 >> 8);
    out[6] = uint8_t(g.Data3);
    out[7] = uint8_t(g.Data3 >> 8);
    std::memcpy(out + 8, g.Data4, 8);
}

[[noreturn]] void throwCreateFailed(const vbString& name)
{
    vbImpl::throwSys(vbImpl::hrOfLastError(), "vbSharedHeap::Create('%s') failed", name.c_str());
}

} // namespace

// --- construction ---

vbSharedHeap::vbSharedHeap(uint64_t cByteMax, const char* name, bool bCreate, ULONG cByteLoaded, ULONG cByteSector,
    ULONG cBytePage)
    : vbSharedHeap(vbSecurityAttr(vbSecurityTypeNullDacl, false), cByteMax, name, bCreate, cByteLoaded, cByteSector,
          cBytePage)
{
}

vbSharedHeap::vbSharedHeap(const vbSecurityAttr& sa, uint64_t cByteMax, const char* name, bool bCreate,
    ULONG cByteLoaded, ULONG cByteSector, ULONG cBytePage)
    : m_mutex(false, nullptr), m_cByteSector(cByteSector), m_cBytePage(cBytePage), m_cByteLoaded(cByteLoaded),
      m_cByteMax(cByteMax), m_hFile(INVALID_HANDLE_VALUE), m_sa(sa)
{
    init(name);
    if (bCreate)
        Create();
}

void vbSharedHeap::init(const char* name)
{
    m_name = name;
    if (!name || !*name) {
        m_bDiskFile = false;
    } else if (name[0] == '!') {
        m_baseName = name + 1;
    } else {
        m_bDiskFile = true;
        m_baseName = vbGetFileNameExt(name);
        m_baseName.MakeLower();
    }
    m_mutex.SetTimeOut(30000);
    m_mutex.Create(&m_sa, m_baseName.IsEmpty() ? nullptr : (m_baseName + ".VantrelHeapMutex").c_str());
}

vbSharedHeap::~vbSharedHeap()
{
    // Only the mapping: the object base has already let its pointers go on the final release.
    try {
        if (m_bCreated) {
            vbLock lock(this);
            m_bCreated = false;
            closeAll();
        }
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__, "vbSharedMem");
    } catch (...) {
        vbImpl::reportCurrent(true, __FILE__, __LINE__);
    }
}

bool vbSharedHeap::GetInterface(const GUID& iid, const void** ppv) const
{
    return const_cast<vbSharedHeap*>(this)->GetInterface(iid, const_cast<void**>(ppv));
}

bool vbSharedHeap::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbSharedHeap) {
        *ppv = this;
        return true;
    }
    if (iid == IID_sIvbLock) {
        *ppv = static_cast<sIvbLock*>(this);
        return true;
    }
    return vbObject::GetInterface(iid, ppv);
}

const GUID& vbSharedHeap::GetFileID() const { return GUID_vbSharedHeapFile; }

void vbSharedHeap::Lock() const { m_mutex.Lock(); }
void vbSharedHeap::Unlock() const { m_mutex.Unlock(); }

ULONG vbSharedHeap::GetSysGranularity() const
{
    if (m_granularity == 0) {
        SYSTEM_INFO info = {};
        GetSystemInfo(&info);
        if (info.dwAllocationGranularity == 0)
            vbImpl::throwSys(E_FAIL, "vbSharedHeap::GetSysGranularity() : failure");
        m_granularity = info.dwAllocationGranularity;
    }
    return m_granularity;
}

void vbSharedHeap::checkCreated(const char* op) const
{
    if (!m_pHeader)
        vbImpl::throwSys(E_FAIL, "vbSharedHeap('%s')::%s() : heap not created", m_name.c_str(), op);
}

// --- geometry and header ---

void vbSharedHeap::computeGeometry()
{
    const uint64_t g = GetSysGranularity();
    // A page size of 0 would make no page at all: it takes one granularity.
    const uint64_t page = m_cBytePage == 0 ? g : roundUp(m_cBytePage, g);
    uint64_t count = (m_cByteMax + page - 1) / page;
    if (count < 2)
        count = 2;
    const uint64_t data = page * count;
    const uint64_t header = roundUp(kHeaderSize + kEntrySize * count, g);
    const uint64_t capacity = (header - kHeaderSize) / kEntrySize;
    uint64_t sector = (uint64_t(m_cByteSector) + 27) / 8 * 8;
    if (sector < 32)
        sector = 32;
    for (uint64_t s = sector; s < 3 * sector; s += 4) {
        if (page % s == 0) {
            sector = s;
            break;
        }
    }
    const uint64_t loaded = (uint64_t(m_cByteLoaded) + page - 1) / page;
    // Values the 32-bit header fields cannot hold make a header the check refuses.
    auto fit = [](uint64_t v) { return v > 0xFFFFFFFFu ? 0u : ULONG(v); };
    m_cbPage = fit(page);
    m_cbSector = fit(sector);
    m_cSectorPerPage = fit(page / sector);
    m_cbData = data;
    m_cbHeader = fit(header);
    m_cPageMax = fit(capacity);
    m_cPageLoadedMax = loaded < 2 ? 2 : fit(loaded);
}

void vbSharedHeap::throwBadHeader() const
{
    vbImpl::throwSys(E_FAIL, "Invalid header for file '%s'", m_name.c_str());
}

void vbSharedHeap::checkHeader(const uint8_t* header) const
{
    uint8_t id[16];
    guidBytes(GetFileID(), id);
    if (std::memcmp(header + kHdrId, id, 16) != 0 || rd32(header + kHdrSectorSize) == 0
        || rd32(header + kHdrSectorsPerPage) == 0 || rd32(header + kHdrCapacity) == 0)
        throwBadHeader();
    if (rd32(header + kHdrVersion) >> 16 != 1)
        vbImpl::throwSys(E_FAIL, "Invalid header version for file '%s'", m_name.c_str());
}

// Takes the geometry of the header (already checked) when it is sound and fits a mapping of
// mapSize bytes; false otherwise.
bool vbSharedHeap::readGeometry(const uint8_t* header, uint64_t mapSize)
{
    const uint64_t g = GetSysGranularity();
    const uint64_t sector = rd32(header + kHdrSectorSize);
    const uint64_t perPage = rd32(header + kHdrSectorsPerPage);
    const uint64_t capacity = rd32(header + kHdrCapacity);
    const uint64_t data = rd64(header + kHdrDataSize);
    const uint64_t page = sector * perPage;
    const uint64_t area = (capacity + 2) * kEntrySize;
    if (sector < 32 || page % g != 0 || page > 0xFFFFFFFFu || area % g != 0 || area > 0xFFFFFFFFu
        || data % page != 0 || data > mapSize || area > mapSize - data || rd32(header + kHdrPageCount) > capacity)
        return false;
    m_cbSector = ULONG(sector);
    m_cSectorPerPage = ULONG(perPage);
    m_cbPage = ULONG(page);
    m_cbData = data;
    m_cbHeader = ULONG(area);
    m_cPageMax = ULONG(capacity);
    const uint64_t loaded = (uint64_t(m_cByteLoaded) + page - 1) / page;
    m_cPageLoadedMax = loaded < 2 ? 2 : ULONG(loaded > 0xFFFFFFFFu ? 0xFFFFFFFFu : loaded);
    return true;
}

uint32_t vbSharedHeap::pageCount() const { return rd32(m_pHeader + kHdrPageCount); }

uint8_t* vbSharedHeap::pageEntry(uint32_t ix) const { return m_pHeader + kEntrySize * (uint64_t(ix) + 1); }

// Whether the entry of page ix (1 to the capacity) is sound: on the granularity, inside the data
// area, with sectors and free sectors that agree with its size; gives its offset and size.
bool vbSharedHeap::pageEntryOk(uint32_t ix, uint64_t* pOffset, uint64_t* pSize) const
{
    const uint8_t* e = pageEntry(ix);
    const uint64_t sectors = rd32(e + kEntSectors);
    const uint64_t offset = rd64(e + kEntOffset);
    const uint64_t size = roundUp(sectors * m_cbSector, GetSysGranularity());
    const uint64_t end = uint64_t(m_cbHeader) + m_cbData;
    if (sectors == 0 || rd32(e + kEntFree) > sectors || offset % GetSysGranularity() != 0 || offset < m_cbHeader
        || offset > end || size > end - offset)
        return false;
    *pOffset = offset;
    *pSize = size;
    return true;
}

void vbSharedHeap::mapHeader(uint64_t fileSize, bool bNew)
{
    if (bNew) {
        m_pHeader = static_cast<uint8_t*>(MapViewOfFile(m_hMap, FILE_MAP_ALL_ACCESS, 0, 0, m_cbHeader));
        if (!m_pHeader)
            throwCreateFailed(m_name);
        uint8_t start[kStartSize] = {};
        guidBytes(GetFileID(), start + kHdrId);
        wr32(start + kHdrVersion, kVersion);
        wr32(start + kHdrPageCount, 0);
        wr32(start + kHdrCapacity, m_cPageMax);
        wr32(start + kHdrSectorSize, m_cbSector);
        wr32(start + kHdrSectorsPerPage, m_cSectorPerPage);
        wr32(start + kHdrReserved, 0);
        wr64(start + kHdrDataSize, m_cbData);
        wr32(start + kHdrMainBlock, 0);
        wr32(start + 0x40 + kEntBusyHead, kNone);
        wr32(start + 0x40 + kEntFreeHead, kNone);
        checkHeader(start);
        if (!readGeometry(start, m_cbMapping))
            throwBadHeader();
        std::memcpy(m_pHeader, start, kStartSize);
        return;
    }
    // Opening: everything read from the mapping is checked before it decides what is mapped.
    if (m_bDiskFile && fileSize < kStartSize)
        throwBadHeader();
    auto* start = static_cast<uint8_t*>(MapViewOfFile(m_hMap, FILE_MAP_ALL_ACCESS, 0, 0, kStartSize));
    if (!start)
        throwCreateFailed(m_name);
    uint64_t mapSize = m_cbMapping;
    bool ok = false;
    try {
        checkHeader(start);
        if (!m_bDiskFile) {
            // An existing named mapping has the size its creator gave it: find whether the
            // header's geometry fits by mapping all of it once.
            const uint64_t want = uint64_t((rd32(start + kHdrCapacity) + uint64_t(2)) * kEntrySize)
                + rd64(start + kHdrDataSize);
            void* probe = want <= SIZE_MAX ? MapViewOfFile(m_hMap, FILE_MAP_READ, 0, 0, SIZE_T(want)) : nullptr;
            if (probe) {
                UnmapViewOfFile(probe);
                mapSize = want;
            } else {
                mapSize = 0;
            }
        }
        ok = readGeometry(start, mapSize);
    } catch (...) {
        UnmapViewOfFile(start);
        throw;
    }
    UnmapViewOfFile(start);
    if (!ok)
        throwBadHeader();
    m_cbMapping = mapSize;
    m_pHeader = static_cast<uint8_t*>(MapViewOfFile(m_hMap, FILE_MAP_ALL_ACCESS, 0, 0, m_cbHeader));
    if (!m_pHeader)
        throwCreateFailed(m_name);
    checkHeader(m_pHeader);
    // The pages in use follow each other from the end of the header area.
    uint64_t expected = m_cbHeader;
    for (uint32_t ix = 1; ix <= pageCount(); ++ix) {
        uint64_t offset = 0, size = 0;
        if (!pageEntryOk(ix, &offset, &size) || offset != expected)
            throwBadHeader();
        expected = offset + size;
    }
}

void vbSharedHeap::Create()
{
    vbLock lock(this);
    m_bEnding = false;
    if (m_bCreated)
        return;
    if (!IsCreated() || m_bInDestruction)
        vbObject::Create();
    m_bCreated = true;
    try {
        uint64_t fileSize = 0;
        bool bNew = true;
        if (m_bDiskFile) {
            m_hFile = CreateFileA(m_name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &m_sa,
                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (m_hFile == INVALID_HANDLE_VALUE)
                vbImpl::throwSys(vbImpl::hrOfLastError(), "vbSharedHeap::Create() : can't open file '%s'",
                    m_name.c_str());
            DWORD high = 0;
            SetLastError(0);
            const DWORD low = GetFileSize(m_hFile, &high);
            if (low == INVALID_FILE_SIZE && GetLastError() != 0)
                throwCreateFailed(m_name);
            fileSize = uint64_t(high) << 32 | low;
            bNew = fileSize == 0;
        }
        computeGeometry();
        // An existing file is mapped as it is (never grown from what this process would choose).
        m_cbMapping = bNew ? uint64_t(m_cbHeader) + m_cbData : fileSize;
        const uint64_t mapSize = m_bDiskFile && !bNew ? 0 : m_cbMapping;
        m_hMap = CreateFileMappingA(m_bDiskFile ? m_hFile : INVALID_HANDLE_VALUE, &m_sa, PAGE_READWRITE,
            DWORD(mapSize >> 32), DWORD(mapSize), m_baseName.IsEmpty() ? nullptr : (m_baseName + ".VantrelHeapFile").c_str());
        if (!m_hMap)
            throwCreateFailed(m_name);
        if (!m_bDiskFile)
            bNew = GetLastError() != ERROR_ALREADY_EXISTS;
        mapHeader(fileSize, bNew);
        m_pages.SetLength(int(m_cPageMax));
    } catch (...) {
        closeAll();
        m_bCreated = false;
        throw;
    }
}

void vbSharedHeap::closeAll() noexcept
{
    m_pages.Empty();
    m_pLeastRecent = m_pMostRecent = nullptr;
    m_cLoaded = 0;
    if (m_pHeader)
        UnmapViewOfFile(m_pHeader);
    m_pHeader = nullptr;
    if (m_hMap)
        CloseHandle(m_hMap);
    m_hMap = nullptr;
    if (m_hFile != INVALID_HANDLE_VALUE)
        CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    m_cMemLock = 0;
}

void vbSharedHeap::Destroy()
{
    // The blocks of this process go first (they give their references back into the mapping).
    vbObject::Destroy();
    vbLock lock(this);
    if (m_bCreated) {
        m_bCreated = false;
        closeAll();
    }
}

// --- pages ---

vbSharedHeap::Page* vbSharedHeap::newPage(uint64_t cByte, bool bThrow)
{
    const uint32_t n = pageCount();
    if (n >= m_cPageMax) {
        if (bThrow)
            vbImpl::throwSys(E_OUTOFMEMORY, "vbSharedHeap('%s')::newPage() : too many pages", m_name.c_str());
        return nullptr;
    }
    uint64_t offset = m_cbHeader;
    if (n > 0) {
        Page* last = getPage(n, true);
        offset = last->m_offset + last->m_size;
    }
    uint64_t size = m_cbPage;
    uint64_t sectors = m_cSectorPerPage;
    if (cByte > m_cbPage) {
        size = roundUp(roundUp(cByte, m_cbSector), GetSysGranularity());
        sectors = size / m_cbSector;
    }
    const uint64_t end = uint64_t(m_cbHeader) + m_cbData;
    if (offset > end || size > end - offset || sectors > 0xFFFFFFFFu) {
        if (bThrow)
            vbImpl::throwSys(E_OUTOFMEMORY, "vbSharedHeap('%s')::newPage() : heap full", m_name.c_str());
        return nullptr;
    }
    if (m_pages[int(n + 1)])
        vbImpl::throwSys(E_FAIL, "vbSharedHeap('%s')::newPage() : internal error", m_name.c_str());
    uint8_t* e = pageEntry(n + 1);
    wr32(e + kEntSectors, uint32_t(sectors));
    wr32(e + kEntFree, uint32_t(sectors));
    wr32(e + kEntBusyHead, kNone);
    wr32(e + kEntFreeHead, kNone);
    wr64(e + kEntOffset, offset);
    wr64(e + 0x18, 0);
    m_pages[int(n + 1)] = new Page(this, n + 1, offset, size);
    wr32(m_pHeader + kHdrPageCount, n + 1);
    return m_pages[int(n + 1)];
}

vbSharedHeap::Page* vbSharedHeap::getPage(uint32_t ix, bool bThrow)
{
    if (ix == 0 || ix > pageCount() || ix > m_cPageMax) {
        if (bThrow)
            vbImpl::throwSys(E_FAIL, "vbSharedHeap('%s')::getPage(int ix = %u) : ix out of range", m_name.c_str(), ix);
        return nullptr;
    }
    Page*& slot = m_pages[int(ix)];
    if (!slot) {
        // Pages another process added since the header was checked are checked here.
        uint64_t offset = 0, size = 0;
        if (!pageEntryOk(ix, &offset, &size)) {
            if (bThrow)
                throwBadHeader();
            return nullptr;
        }
        slot = new Page(this, ix, offset, size);
    }
    return slot;
}

void vbSharedHeap::unlinkLoaded(Page* p)
{
    if (!p->m_bInList)
        return;
    if (p->m_pMoreRecent)
        p->m_pMoreRecent->m_pLessRecent = p->m_pLessRecent;
    else
        m_pMostRecent = p->m_pLessRecent;
    if (p->m_pLessRecent)
        p->m_pLessRecent->m_pMoreRecent = p->m_pMoreRecent;
    else
        m_pLeastRecent = p->m_pMoreRecent;
    p->m_pMoreRecent = p->m_pLessRecent = nullptr;
    p->m_bInList = false;
    --m_cLoaded;
}

void vbSharedHeap::cleanLoadedPages(bool bForNew)
{
    const int limit = int(m_cPageLoadedMax) - (bForNew ? 1 : 0);
    for (Page* p = m_pLeastRecent; p && m_cLoaded > limit;) {
        Page* next = p->m_pMoreRecent;
        if (p->m_cLock == 0) {
            unlinkLoaded(p);
            p->Unload();
        }
        p = next;
    }
}

vbSharedHeap::Page::Page(vbSharedHeap* heap, uint32_t pageNo, uint64_t offset, uint64_t size)
    : m_pHeap(heap), m_offset(offset), m_size(size), m_pageNo(pageNo)
{
}

vbSharedHeap::Page::~Page()
{
    m_pHeap->unlinkLoaded(this);
    Unload();
}

uint8_t* vbSharedHeap::Page::entry() const { return m_pHeap->pageEntry(m_pageNo); }

uint8_t* vbSharedHeap::Page::Load()
{
    vbSharedHeap* h = m_pHeap;
    h->unlinkLoaded(this);
    h->cleanLoadedPages(m_pView == nullptr);
    m_pLessRecent = h->m_pMostRecent;
    if (h->m_pMostRecent)
        h->m_pMostRecent->m_pMoreRecent = this;
    else
        h->m_pLeastRecent = this;
    h->m_pMostRecent = this;
    m_bInList = true;
    ++h->m_cLoaded;
    if (!m_pView) {
        m_pView = static_cast<uint8_t*>(MapViewOfFile(h->m_hMap, FILE_MAP_ALL_ACCESS, DWORD(m_offset >> 32),
            DWORD(m_offset), SIZE_T(m_size)));
        if (!m_pView) {
            const HRESULT hr = vbImpl::hrOfLastError();
            h->unlinkLoaded(this);
            vbImpl::throwSys(hr, "vbSharedHeap('%s')::Page::Load() failed (offs=%llu,sz=%llu)", h->m_name.c_str(),
                static_cast<unsigned long long>(m_offset), static_cast<unsigned long long>(m_size));
        }
    }
    return m_pView;
}

void vbSharedHeap::Page::Unload() noexcept
{
    if (m_pView)
        UnmapViewOfFile(m_pView);
    m_pView = nullptr;
}

// --- blocks ---

bool vbSharedHeap::Alloc(vbSharedMemPtr* out, ULONG cByte, bool bThrow)
{
    vbLock lock(this);
    checkCreated("Alloc");
    // Sizes beyond the data area cannot fit, and must not wrap in the arithmetic below.
    if (uint64_t(cByte) > m_cbData) {
        if (bThrow)
            vbImpl::throwSys(E_OUTOFMEMORY, "vbSharedHeap('%s')::newPage() : heap full", m_name.c_str());
        return false;
    }
    const uint64_t sectors = (uint64_t(cByte) + kBlockHeader + m_cbSector - 1) / m_cbSector;
    const uint64_t bytes = sectors * m_cbSector;
    Page* page = nullptr;
    uint32_t sector = 0;
    auto tryPage = [&](Page* p) {
        if (p && rd32(p->entry() + kEntFree) >= sectors && p->alloc(uint32_t(sectors), &sector))
            page = p;
        return page != nullptr;
    };
    std::vector<Page*> loaded;
    for (Page* p = m_pMostRecent; p; p = p->m_pLessRecent)
        loaded.push_back(p);
    for (Page* p : loaded)
        if (tryPage(p))
            break;
    for (uint32_t ix = 1; !page && ix <= pageCount(); ++ix)
        tryPage(getPage(ix, true));
    if (!page) {
        Page* p = newPage(bytes, bThrow);
        if (!p)
            return false;
        if (!p->alloc(uint32_t(sectors), &sector))
            vbImpl::throwSys(E_FAIL, "vbSharedHeap('%s')::Alloc() : internal error (newpage)", m_name.c_str());
        page = p;
    }
    vbSharedMem* mem = nullptr;
    try {
        mem = new vbSharedMem(this, page->m_pageNo, sector, ULONG(bytes - kBlockHeader), 0);
    } catch (...) {
        page->free(sector, bytes);
        throw;
    }
    if (out)
        *out = mem;
    mem->Release();
    return true;
}

bool vbSharedHeap::Load(vbSharedMemPtr* out, const vbSharedHandle& h, ULONG cByte, bool bThrow)
{
    auto fail = [&](const char* piece) {
        if (bThrow)
            vbImpl::throwSys(E_FAIL, "vbSharedHeap('%s')::Load() : %s", m_name.c_str(), piece);
        return false;
    };
    if (h == 0)
        return fail("handle is Null");
    if (!m_pHeader)
        return fail("heap not created");
    vbLock lock(this);
    Page* page = getPage(h >> 16, bThrow);
    if (!page)
        return false;
    const uint32_t sector = h & 0xFFFF;
    const uint8_t* e = page->entry();
    const uint32_t total = uint32_t(page->m_size / m_cbSector);
    const uint32_t sectors = rd32(e + kEntSectors);
    if (sector > sectors)
        return fail("invalid handle");
    if (rd32(e + kEntFree) >= sectors)
        return fail("invalid handle (no busy block in page)");
    uint8_t* view = page->Load();
    const uint64_t span = uint64_t(sectors < total ? sectors : total) * m_cbSector;
    const uint64_t want = uint64_t(sector) * m_cbSector;
    uint32_t off = rd32(e + kEntBusyHead);
    for (uint32_t steps = 0; off != kNone && off != want; off = rd32(view + off + kBlkNext)) {
        if (++steps > sectors || !blockOk(view, span, m_cbSector, off))
            return fail("invalid handle (not found)");
    }
    if (off == kNone || !blockOk(view, span, m_cbSector, off))
        return fail("invalid handle (not found)");
    const uint32_t size = rd32(view + off + kBlkSize);
    if (cByte != 0 && uint64_t(size) != uint64_t(cByte) + kBlockHeader)
        return fail("invalid handle (bad size)");
    if (out) {
        wr32(view + off + kBlkUse, rd32(view + off + kBlkUse) + 1);
        vbSharedMem* mem = nullptr;
        try {
            mem = new vbSharedMem(this, h >> 16, sector, size - kBlockHeader, 1);
        } catch (...) {
            wr32(view + off + kBlkUse, rd32(view + off + kBlkUse) - 1);
            throw;
        }
        *out = mem;
        mem->Release();
    }
    return true;
}

bool vbSharedHeap::IsValid(const vbSharedHandle& h, ULONG cByte) const
{
    if (!m_pHeader)
        vbImpl::throwSys(E_FAIL, "vbSharedHeap('%s')::IsValid() : heap not created", m_name.c_str());
    if (h == 0 || (h & 0xFFFF) >= m_cSectorPerPage)
        return false;
    vbLock lock(this);
    auto* self = const_cast<vbSharedHeap*>(this);
    Page* page = self->getPage(h >> 16, false);
    if (!page)
        return false;
    const uint8_t* e = page->entry();
    const uint32_t sectors = rd32(e + kEntSectors);
    const uint32_t total = uint32_t(page->m_size / m_cbSector);
    if (rd32(e + kEntFree) >= sectors)
        return false;
    const uint8_t* view = page->Load();
    const uint64_t span = uint64_t(sectors < total ? sectors : total) * m_cbSector;
    const uint64_t want = uint64_t(h & 0xFFFF) * m_cbSector;
    uint32_t off = rd32(e + kEntBusyHead);
    for (uint32_t steps = 0; off != kNone; off = rd32(view + off + kBlkNext)) {
        if (++steps > sectors || !blockOk(view, span, m_cbSector, off))
            return false;
        if (off == want)
            return cByte == 0 || uint64_t(rd32(view + off + kBlkSize)) == uint64_t(cByte) + kBlockHeader;
    }
    return false;
}

uint8_t* vbSharedHeap::blockOf(uint32_t page, uint32_t sector, const char* op)
{
    checkCreated(op);
    uint8_t* view = getPage(page, true)->Load();
    return view + uint64_t(sector) * m_cbSector;
}

void* vbSharedHeap::lockMem(uint32_t page, uint32_t sector)
{
    vbLock lock(this);
    checkCreated("lockMem");
    if (m_bEnding)
        vbImpl::throwUser(E_ABORT, (vbString("vbSharedHeap('") + m_name + "')::lockMem()").c_str(),
            "Heap in destruction");
    Page* p = getPage(page, true);
    uint8_t* view = p->Load();
    ++p->m_cLock;
    ++m_cMemLock;
    return view + uint64_t(sector) * m_cbSector + kBlockHeader;
}

void vbSharedHeap::unlockMem(uint32_t page, uint32_t sector)
{
    (void)sector;
    vbLock lock(this);
    checkCreated("unlockMem");
    Page* p = getPage(page, true);
    if (p->m_cLock == 0)
        vbImpl::throwSys(E_FAIL, "vbSharedHeap('%s')::unlockMem() : page already unlocked", m_name.c_str());
    --p->m_cLock;
    --m_cMemLock;
}

void vbSharedHeap::lockUse(uint32_t page, uint32_t sector)
{
    vbLock lock(this);
    uint8_t* block = blockOf(page, sector, "lockUse");
    wr32(block + kBlkUse, rd32(block + kBlkUse) + 1);
}

void vbSharedHeap::unlockUse(uint32_t page, uint32_t sector)
{
    vbLock lock(this);
    uint8_t* block = blockOf(page, sector, "unlockUse");
    const int32_t use = int32_t(rd32(block + kBlkUse));
    if (use < 2)
        vbImpl::throwSys(E_FAIL, "vbSharedHeap('%s')::unlockUse() : block already unlocked", m_name.c_str());
    wr32(block + kBlkUse, uint32_t(use - 1));
}

void vbSharedHeap::free(uint32_t page, uint32_t sector, ULONG cByte)
{
    vbLock lock(this);
    checkCreated("free");
    getPage(page, true)->free(sector, uint64_t(cByte) + kBlockHeader);
}

bool vbSharedHeap::IsMemLocked() const { return m_cMemLock > 0; }

bool vbSharedHeap::EndMemLocks()
{
    vbLock lock(this);
    m_bEnding = true;
    return m_cMemLock == 0;
}

// --- main block ---

bool vbSharedHeap::getMainBlock(vbSharedMemPtr* out, ULONG cByteNew, ULONG cByteLoad)
{
    vbLock lock(this);
    checkCreated("getMainBlock");
    const vbSharedHandle main = rd32(m_pHeader + kHdrMainBlock);
    if (main == 0) {
        if (cByteNew == 0)
            return false;
        vbSharedMemPtr mem;
        Alloc(&mem, cByteNew, true);
        mem->LockUse();
        wr32(m_pHeader + kHdrMainBlock, mem->GetHandle());
        if (out)
            *out = mem;
        return true;
    }
    return Load(out, main, cByteLoad, true);
}

bool vbSharedHeap::delMainBlock()
{
    vbLock lock(this);
    vbSharedMemPtr mem;
    if (!getMainBlock(&mem, 0, 0))
        return false;
    mem->UnlockUse();
    wr32(m_pHeader + kHdrMainBlock, 0);
    return true;
}
