#include "vbSharedMem.h"

#include "vbException.h"
#include "vbExceptionReport.h"

typedef vbRefPtr<vbSharedHeap, &IID_vbSharedHeap> HeapRef;

vbSharedMem::vbSharedMem(vbSharedHeap* heap, uint32_t page, uint32_t sector, ULONG cByte, int cUseLock)
    : m_heap(&m_sect), m_pHeap(heap), m_page(page), m_sector(sector), m_cByte(cByte), m_cUseLock(cUseLock)
{
    Create();
    m_watcher.owner = this;
    m_heap.SetCallback(&m_watcher);
    m_heap = heap;
    if (!m_heap.IsAttached())
        vbImpl::throwUser(E_ABORT, "Object in destruction or observers not allowed", "vbSharedMem::vbSharedMem()");
}

vbSharedMem::~vbSharedMem()
{
    // The heap must not call back into a half-destroyed object.
    m_heap.SetCallback(nullptr);
}

void vbSharedMem::Watcher::onPtrUnlink(sIvbPtr*)
{
    // The heap is ending: this block goes while the mapping is still there.
    try {
        owner->destroy(owner->m_pHeap);
    } catch (...) {
        vbImpl::reportCurrent(true, __FILE__, __LINE__);
    }
}

void vbSharedMem::onBeforeDestruction(bool)
{
    HeapRef hold;
    m_heap.GetRefPtr(&hold);
    destroy(hold.Get());
}

void vbSharedMem::destroy(vbSharedHeap* heap)
{
    vbSectLock lock(&m_sect);
    if (!heap || m_page == 0)
        return;
    // A failed unlock must not keep the block's reference from going back.
    while (m_cMemLock > 0) {
        --m_cMemLock;
        try {
            heap->unlockMem(m_page, m_sector);
        } catch (...) {
            vbImpl::reportCurrent(false, __FILE__, __LINE__);
        }
    }
    const uint32_t page = m_page;
    m_page = 0;
    m_heap.SetCallback(nullptr);
    lock.Unlock();
    // Use locks still counted stay in the block: another process gives them back.
    heap->free(page, m_sector, m_cByte);
}

vbSharedHeap* vbSharedMem::heapFor(const char* op, HeapRef& hold)
{
    if (m_page == 0 || !m_heap.GetRefPtr(&hold))
        vbImpl::throwSys(E_FAIL, "vbSharedMem::%s() : void memory", op);
    return hold.Get();
}

vbSharedHandle vbSharedMem::GetHandle()
{
    vbSectLock lock(&m_sect);
    HeapRef hold;
    heapFor("GetHandle", hold);
    if (m_page >= 0x10000 || m_sector >= 0x10000)
        vbImpl::throwSys(E_FAIL, "vbSharedMem::GetHandle() : invalid or long handle");
    return m_page * 0x10000 + m_sector;
}

ULONG vbSharedMem::GetLength()
{
    vbSectLock lock(&m_sect);
    HeapRef hold;
    heapFor("GetLength", hold);
    return m_cByte;
}

void* vbSharedMem::LockMem()
{
    vbSectLock lock(&m_sect);
    HeapRef hold;
    vbSharedHeap* heap = heapFor("LockMem", hold);
    void* p = heap->lockMem(m_page, m_sector);
    ++m_cMemLock;
    return p;
}

void vbSharedMem::UnlockMem()
{
    vbSectLock lock(&m_sect);
    HeapRef hold;
    vbSharedHeap* heap = heapFor("UnlockMem", hold);
    if (m_cMemLock == 0)
        vbImpl::throwSys(E_FAIL, "vbSharedMem::UnlockMem() : already unlocked");
    --m_cMemLock;
    heap->unlockMem(m_page, m_sector);
}

void vbSharedMem::LockUse()
{
    vbSectLock lock(&m_sect);
    HeapRef hold;
    vbSharedHeap* heap = heapFor("LockUse", hold);
    heap->lockUse(m_page, m_sector);
    ++m_cUseLock;
}

void vbSharedMem::UnlockUse()
{
    vbSectLock lock(&m_sect);
    HeapRef hold;
    vbSharedHeap* heap = heapFor("UnlockUse", hold);
    if (m_cUseLock == 0)
        vbImpl::throwSys(E_FAIL, "vbSharedMem::UnlockUse() : already unlocked");
    heap->unlockUse(m_page, m_sector);
    --m_cUseLock;
}

// --- vbMemLock ---

vbMemLock::~vbMemLock()
{
    if (vbSharedMem* p = m_pMem) {
        m_pMem = nullptr;
        m_pData = nullptr;
        try {
            p->UnlockMem();
        } catch (CException* e) {
            vbShowException(e, true, __FILE__, __LINE__, "vbSharedMem");
        } catch (...) {
            vbImpl::reportCurrent(true, __FILE__, __LINE__);
        }
    }
}

void* vbMemLock::Lock(vbSharedMem* p)
{
    if (vbSharedMem* old = m_pMem) {
        m_pMem = nullptr;
        m_pData = nullptr;
        old->UnlockMem();
    }
    m_pData = p->LockMem();
    m_pMem = p;
    return m_pData;
}

vbMemLock::operator void*() const
{
    if (!m_pMem)
        vbImpl::throwSys(E_FAIL, "vbMemLock::operator void*() : lock not valid");
    return m_pData;
}
