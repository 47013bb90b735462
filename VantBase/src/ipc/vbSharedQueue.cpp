#include "vbSharedQueue.h"

#include "vbEngine.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbFileTools.h"
#include "vbLog.h"
#include "ipc/vbSharedLayout.h"
#include "ipc/vbSharedQueueRecord.h"

#include "plat/module.h"
#include "plat/process.h"
#include "plat/system.h"
#include "plat/thread.h"

#include <algorithm>
#include <cstring>

using namespace vbShared;
using namespace vbSharedQ;

// {CCAB7B8A-57C8-4A42-B24D-D17AD813773C}
const IID IID_vbSharedQueue = {0xCCAB7B8A, 0x57C8, 0x4A42, {0xB2, 0x4D, 0xD1, 0x7A, 0xD8, 0x13, 0x77, 0x3C}};
// {38EA03EF-3783-4FF1-9099-1C6139D3217C}
const GUID GUID_vbSharedQueueFile = {0x38EA03EF, 0x3783, 0x4FF1, {0x90, 0x99, 0x1C, 0x61, 0x39, 0xD3, 0x21, 0x7C}};

namespace {

constexpr int kPostPasses = 20;
constexpr DWORD kRetryStep = 300;
constexpr int kAllocTries = 10;
// 20 minutes, in days.
constexpr double kIdleLimit = 1.0 / 72;

} // namespace

// The header's main-block word, which heads the chain of records.
vbSharedHandle vbSharedHeap::getMainHandle() const
{
    checkCreated("getMainBlock");
    return rd32(m_pHeader + kHdrMainBlock);
}

void vbSharedHeap::setMainHandle(vbSharedHandle h)
{
    checkCreated("getMainBlock");
    wr32(m_pHeader + kHdrMainBlock, h);
}

// --- construction ---

vbSharedQueue::vbSharedQueue(uint64_t cByteMax, const char* name, bool bCreate, ULONG cByteLoaded,
    ULONG cByteSector, ULONG cBytePage)
    : vbSharedQueue(vbSecurityAttr(vbSecurityTypeNullDacl, false), cByteMax, name, bCreate, cByteLoaded,
          cByteSector, cBytePage)
{
}

vbSharedQueue::vbSharedQueue(const vbSecurityAttr& sa, uint64_t cByteMax, const char* name, bool bCreate,
    ULONG cByteLoaded, ULONG cByteSector, ULONG cBytePage)
    : vbSharedHeap(sa, cByteMax, name, false, cByteLoaded, cByteSector, cBytePage), m_event(false), m_qsa(sa)
{
    init();
    if (bCreate)
        Create();
}

void vbSharedQueue::init()
{
    m_pid = GetCurrentProcessId();
    m_bClosed = true;
    m_event.SetTimeOut(30000);
    m_event.Create(&m_qsa, GetBaseName().IsEmpty() ? nullptr : eventName(m_pid).c_str(), vbEventAutoReset);
}

vbSharedQueue::~vbSharedQueue() = default;

void vbSharedQueue::onBeforeDestruction(bool bExplicit)
{
    // The record leaves the chain before the object base lets the blocks go.
    try {
        dropRecord();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__, "vbSharedQueue");
    } catch (...) {
        vbImpl::reportCurrent(true, __FILE__, __LINE__);
    }
    vbSharedHeap::onBeforeDestruction(bExplicit);
}

bool vbSharedQueue::GetInterface(const GUID& iid, const void** ppv) const
{
    return const_cast<vbSharedQueue*>(this)->GetInterface(iid, const_cast<void**>(ppv));
}

bool vbSharedQueue::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbSharedQueue) {
        *ppv = this;
        return true;
    }
    return vbSharedHeap::GetInterface(iid, ppv);
}

const GUID& vbSharedQueue::GetFileID() const { return GUID_vbSharedQueueFile; }

vbString vbSharedQueue::eventName(ULONG pid) const
{
    return GetBaseName() + vbStringFormat(".VantrelQ%u", unsigned(pid));
}

void vbSharedQueue::logError(const char* op, const char* text) const
{
    vbRelOutput(vbString("ERROR: vbSharedQueue('") + GetName() + "')::" + op + "() : " + text, true);
}

bool vbSharedQueue::loadRecord(vbSharedHandle h, vbSharedMemPtr* out)
{
    return vbSharedQ::loadRecord(this, h, out);
}

// --- own record ---

void vbSharedQueue::Create()
{
    vbSharedHeap::Create();
    const double now = vbDate::GetUtcTime();
    vbLock lock(this);
    if (m_record) {
        m_bClosed = false;
        return;
    }
    if (m_qName.IsEmpty())
        m_qName = vbGetFileName(static_cast<HINSTANCE>(nullptr));
    if (m_qName.IsEmpty() || uint8_t(m_qName.c_str()[0]) == 0xFF)
        vbImpl::throwSys(E_FAIL, "vbSharedQueue('%s')::Create() : bad qName('%s')", GetName().c_str(), m_qName.c_str());
    makeRecord(now);
}

void vbSharedQueue::makeRecord(double now)
{
    const ULONG len = ULONG(m_qName.GetLength());
    const ULONG size = std::max(len + kName + 1, kRecordMin);
    vbSharedMemPtr rec;
    Alloc(&rec, size, true);
    const vbSharedHandle self = rec->GetHandle();
    {
        vbMemLock ml(rec.Get());
        auto* p = static_cast<uint8_t*>(static_cast<void*>(ml));
        std::memset(p, 0, rec->GetLength());
        wr32(p + kPid, m_pid);
        wrDate(p + kAccess, now);
        std::memcpy(p + kName, m_qName.c_str(), len);
        const vbSharedHandle head = getMainHandle();
        if (head) {
            vbSharedMemPtr old;
            if (!loadRecord(head, &old)) {
                logError("Create", "mainblock pointer invalid");
                setMainHandle(0);
            } else {
                vbMemLock oml(old.Get());
                wr32(static_cast<uint8_t*>(static_cast<void*>(oml)) + kPrev, self);
                wr32(p + kNext, head);
            }
        }
    }
    setMainHandle(self);
    m_record = rec;
    m_bClosed = false;
}

void vbSharedQueue::dropRecord()
{
    vbLock lock(this);
    vbSharedMemPtr rec = m_record;
    m_record = nullptr;
    m_bClosed = true;
    if (rec && IsHeapCreated()) {
        clearEnding();
        vbMemLock ml(rec.Get());
        auto* p = static_cast<uint8_t*>(static_cast<void*>(ml));
        const ULONG pid = rd32(p + kPid);
        if (pid == 0 || pid == m_pid)
            deleteQ(p, false, true);
    }
    lock.Unlock();
    // Its last reference: the block goes back to the heap.
    rec = nullptr;
}

void vbSharedQueue::Destroy()
{
    dropRecord();
    m_bClosed = true;
    vbSharedHeap::EndMemLocks();
    vbSharedHeap::Destroy();
}

vbSharedHandle vbSharedQueue::GetQueueHandle()
{
    vbLock lock(this);
    return m_record ? m_record->GetHandle() : 0;
}

void vbSharedQueue::SetQueueName(const char* name)
{
    vbLock lock(this);
    if (m_record)
        vbImpl::throwSys(E_FAIL, "vbSharedQueue('%s')::SetQueueName(%s) : queue already created, can't change name",
            GetName().c_str(), name ? name : "");
    m_qName = name;
}

vbString vbSharedQueue::GetQueueName() const
{
    vbLock lock(this);
    return m_qName;
}

void vbSharedQueue::SetTimeOut(ULONG ms) { m_event.SetTimeOut(ms); }
ULONG vbSharedQueue::GetTimeOut() const { return m_event.GetTimeOut(); }

// --- unlinking ---

void vbSharedQueue::deleteQ(uint8_t* rec, bool bLog, bool bUnlink)
{
    if (!bUnlink) {
        wrDate(rec + kAccess, vbDate::GetUtcTime());
    } else if (rec[kName] == 0xFF) {
        if (bLog)
            logError("Destroy", "q already destroyed in chain !!");
    } else {
        rec[kName] = 0xFF;
        const vbSharedHandle next = rd32(rec + kNext);
        const vbSharedHandle prev = rd32(rec + kPrev);
        vbSharedMemPtr nextRec, prevRec;
        if (next && !loadRecord(next, &nextRec))
            logError("Destroy", "next pointer invalid");
        if (prev && !loadRecord(prev, &prevRec))
            logError("Destroy", "previous pointer invalid");
        if (!prevRec) {
            setMainHandle(next);
        } else {
            vbMemLock ml(prevRec.Get());
            wr32(static_cast<uint8_t*>(static_cast<void*>(ml)) + kNext, next);
        }
        if (nextRec) {
            vbMemLock ml(nextRec.Get());
            wr32(static_cast<uint8_t*>(static_cast<void*>(ml)) + kPrev, prev);
        }
    }
    if (bUnlink) {
        wr32(rec + kPid, 0);
        wr32(rec + kNext, 0);
        wr32(rec + kPrev, 0);
    }
    const uint32_t count = std::min<uint32_t>(rd32(rec + kCount), kSlots);
    for (uint32_t i = 0; i < count; ++i)
        deleteMsg(rec + i * kSlotSize);
    wr32(rec + kCount, 0);
}

void vbSharedQueue::deleteMsg(uint8_t* slot)
{
    const vbSharedHandle h = rd32(slot + kSlotData);
    if (h == 0)
        return;
    wr32(slot + kSlotData, 0);
    vbSharedMemPtr data;
    if (!vbSharedQ::loadBlock(this, h, &data)) {
        logError("deleteMsg", "data pointer invalid");
        return;
    }
    // The slot's reference and the load's both go.
    data->UnlockUse();
}

// --- posting ---

bool vbSharedQueue::wake(ULONG pid)
{
    if (GetBaseName().IsEmpty() || pid == m_pid) {
        m_event.Set();
        return true;
    }
    vbEvent other(false);
    other.SetTimeOut(30000);
    if (other.Create(&m_qsa, eventName(pid).c_str(), vbEventAutoReset))
        return false; // made here: nobody waits on it
    other.Set();
    return true;
}

bool vbSharedQueue::post(vbSharedMem* record, ULONG id, vbSharedMem* data, ULONG val1, ULONG val2, ULONG* pFullPid)
{
    vbLock lock(this);
    vbMemLock ml;
    if (record)
        ml.Lock(record);
    auto* p = static_cast<uint8_t*>(static_cast<void*>(ml));
    const ULONG pid = rd32(p + kPid);
    *pFullPid = 0;
    if (pid == 0)
        return false;
    const uint32_t count = rd32(p + kCount);
    if (count >= uint32_t(kSlots)) {
        if (!wake(pid)) {
            logError("post", vbStringFormat("event doesn't exist for processid=%u (on queue full)", unsigned(pid)));
            wr32(p + kPid, 0);
        }
        *pFullPid = rd32(p + kPid);
        return false;
    }
    uint8_t* slot = p + count * kSlotSize;
    if (data)
        data->LockUse();
    wr32(slot + kSlotId, id);
    wr32(slot + kSlotVal1, val1);
    wr32(slot + kSlotVal2, val2);
    wr32(slot + kSlotData, data ? data->GetHandle() : 0);
    wr32(p + kCount, count + 1);
    if (!wake(pid)) {
        logError("post", vbStringFormat("event doesn't exist for processid=%u", unsigned(pid)));
        wr32(p + kPid, 0);
        return false;
    }
    return true;
}

int vbSharedQueue::post(std::vector<ULONG>& pids, ULONG id, vbSharedMem* data, ULONG val1, ULONG val2,
    std::vector<ULONG>* pStillFull)
{
    vbLock lock(this);
    if (!IsHeapCreated())
        vbImpl::throwSys(E_FAIL, "vbSharedQueue('%s')::post() : queue not created", GetName().c_str());
    int posted = 0;
    int n = 0;
    for (vbSharedHandle h = getMainHandle(); h && !pids.empty();) {
        if (++n > kMaxChain) {
            logError("post", vbStringFormat("maybe a pb in chained list : more than %d q processes !! nb=%d", kMaxChain, n));
            break;
        }
        vbSharedMemPtr rec;
        if (!loadRecord(h, &rec)) {
            logError("post", n == 1 ? "mainblock pointer invalid" : "next pointer invalid");
            break;
        }
        ULONG pid = 0;
        {
            vbMemLock ml(rec.Get());
            auto* p = static_cast<uint8_t*>(static_cast<void*>(ml));
            h = rd32(p + kNext);
            pid = rd32(p + kPid);
        }
        auto it = std::find(pids.begin(), pids.end(), pid);
        if (pid == 0 || it == pids.end())
            continue;
        pids.erase(it);
        ULONG full = 0;
        if (post(rec.Get(), id, data, val1, val2, &full))
            ++posted;
        else if (full && pStillFull)
            pStillFull->push_back(full);
    }
    return posted;
}

int vbSharedQueue::Post(const char* target, ULONG id, ULONG val1, ULONG val2)
{
    return Post(target, id, static_cast<vbSharedMem*>(nullptr), val1, val2);
}

int vbSharedQueue::Post(const char* target, ULONG id, vbSharedMem* data, ULONG val1, ULONG val2)
{
    int count = 0;
    std::vector<ULONG> retry;
    auto one = [&](vbSharedMem* rec) {
        ULONG full = 0;
        if (post(rec, id, data, val1, val2, &full))
            ++count;
        else if (full)
            retry.push_back(full);
    };
    if (target == kSelf) {
        vbLock lock(this);
        one(m_record.Get());
    } else {
        const bool bAll = target == nullptr || target == kAll;
        const bool bSelfToo = target == kAll || (!bAll && uint8_t(target[0]) == 0xA7);
        vbSharedQueueEnum e;
        e.Start(this, !bSelfToo);
        if (bAll)
            e.SearchSubString(vbString(), 1);
        else
            e.SearchExpr(vbString(bSelfToo ? target + 1 : target), 1);
        while (e.SearchNext())
            one(e.getQptr());
        e.Stop();
    }
    for (int pass = 0; !retry.empty(); ++pass) {
        if (pass == kPostPasses)
            vbImpl::throwSys(vbHR_ENGINE_TIMEOUT, "vbSharedQueue('%s')::Post() : timeout", GetName().c_str());
        Sleep(kRetryStep);
        std::vector<ULONG> still;
        count += post(retry, id, data, val1, val2, &still);
        retry.swap(still);
    }
    return count;
}

int vbSharedQueue::Post(const char* target, ULONG id, const void* p, int len, ULONG val1, ULONG val2)
{
    vbSharedMemPtr block;
    Alloc(&block, ULONG(len > 0 ? len : 0), true);
    {
        // The block's length is rounded up to whole sectors: what is not copied is zeroed, so that
        // no bytes of an earlier block (maybe of another process) reach the receivers.
        vbMemLock ml(block.Get());
        auto* dst = static_cast<uint8_t*>(static_cast<void*>(ml));
        const ULONG total = block->GetLength();
        const ULONG copied = p && len > 0 ? ULONG(len) : 0;
        if (copied)
            std::memcpy(dst, p, copied);
        std::memset(dst + copied, 0, total - copied);
    }
    return Post(target, id, block.Get(), val1, val2);
}

// --- reading ---

bool vbSharedQueue::Peek(ULONG* id, vbSharedMemPtr* data, ULONG* val1, ULONG* val2, bool bRemove)
{
    const double now = vbDate::GetUtcTime();
    vbLock lock(this);
    if (!m_record)
        return false;
    relinkIfCleaned(now);
    uint8_t slot[kSlotSize];
    {
        vbMemLock ml(m_record.Get());
        auto* p = static_cast<uint8_t*>(static_cast<void*>(ml));
        wrDate(p + kAccess, now);
        const uint32_t count = std::min<uint32_t>(rd32(p + kCount), kSlots);
        if (count == 0)
            return false;
        std::memcpy(slot, p, kSlotSize);
        if (bRemove) {
            std::memmove(p, p + kSlotSize, (count - 1) * kSlotSize);
            std::memset(p + (count - 1) * kSlotSize, 0, kSlotSize);
            wr32(p + kCount, count - 1);
        }
    }
    if (bRemove)
        lock.Unlock();
    if (id)
        *id = rd32(slot + kSlotId);
    if (val1)
        *val1 = rd32(slot + kSlotVal1);
    if (val2)
        *val2 = rd32(slot + kSlotVal2);
    const vbSharedHandle h = rd32(slot + kSlotData);
    vbSharedMemPtr mem;
    if (h && (data || bRemove)) {
        if (!vbSharedQ::loadBlock(this, h, &mem))
            logError("deleteMsg", "data pointer invalid");
        else if (bRemove)
            mem->UnlockUse(); // the slot's reference passes to the returned object
    }
    if (data)
        *data = mem;
    return true;
}

void vbSharedQueue::relinkIfCleaned(double now)
{
    ULONG pid = 0;
    {
        vbMemLock ml(m_record.Get());
        auto* p = static_cast<uint8_t*>(static_cast<void*>(ml));
        pid = rd32(p + kPid);
        if (pid == m_pid)
            return;
        if (pid != 0 && p[kName] != 0xFF)
            vbImpl::throwSys(E_FAIL, "vbSharedQueue('%s')::Peek() : queue attached to another process",
                GetName().c_str());
        // Taken out by another process's clean-up while this one was idle: a new record lets the
        // messages come again instead of ending the reader.
        vbRelOutput(vbString("INFO: vbSharedQueue('") + GetName() + "')::Peek() : q removed from chain, recreated : name="
                + m_qName,
            true);
        if (p[kName] != 0xFF)
            deleteQ(p, true, true);
    }
    m_record = nullptr;
    makeRecord(now);
}

bool vbSharedQueue::Get(ULONG* id, vbSharedMemPtr* data, ULONG* val1, ULONG* val2)
{
    for (;;) {
        if (Peek(id, data, val1, val2, true))
            return true;
        if (!Wait(nullptr, nullptr))
            return false;
    }
}

bool vbSharedQueue::Wait(bool* pbTimeOut, bool* pbAbandoned)
{
    if (pbTimeOut)
        *pbTimeOut = false;
    if (pbAbandoned)
        *pbAbandoned = false;
    {
        vbLock lock(this);
        if (!m_record || m_bClosed)
            return false;
    }
    bool abandoned = false;
    if (m_event.WaitExt(&abandoned, false))
        return true;
    if (pbTimeOut)
        *pbTimeOut = !abandoned;
    if (pbAbandoned)
        *pbAbandoned = abandoned;
    return false;
}

void vbSharedQueue::Close()
{
    {
        vbLock lock(this);
        m_bClosed = true;
    }
    m_event.Set();
}

void vbSharedQueue::Wake() { m_event.Set(); }

void vbSharedQueue::CancelClose()
{
    vbLock lock(this);
    m_bClosed = false;
    clearEnding();
}

bool vbSharedQueue::IsClosed() const
{
    vbLock lock(this);
    return m_bClosed;
}

bool vbSharedQueue::EndMemLocks()
{
    Close();
    return vbSharedHeap::EndMemLocks();
}

// --- space ---

bool vbSharedQueue::Alloc(vbSharedMemPtr* out, ULONG cByte, bool bThrow)
{
    bool cleaned = false;
    for (int tries = 0;;) {
        if (vbSharedHeap::Alloc(out, cByte, false))
            return true;
        if (!bThrow)
            return false;
        if (!cleaned) {
            cleaned = true;
            if (CleanQlist())
                continue;
        }
        if (++tries > kAllocTries)
            vbImpl::throwSys(E_OUTOFMEMORY, "vbSharedQueue('%s')::Alloc() : heap full", GetName().c_str());
        Sleep(kRetryStep);
    }
}

bool vbSharedQueue::CleanQlist()
{
    const double limit = vbDate::GetUtcTime() - kIdleLimit;
    vbLock lock(this);
    if (!IsHeapCreated())
        vbImpl::throwSys(E_FAIL, "vbSharedQueue('%s')::CleanQlist() : queue not created", GetName().c_str());
    bool freed = false;
    int n = 0;
    for (vbSharedHandle h = getMainHandle(); h;) {
        if (++n > kMaxChain) {
            logError("CleanQlist",
                vbStringFormat("maybe a pb in chained list : more than %d q processes !! nb=%d", kMaxChain, n));
            break;
        }
        vbSharedMemPtr rec;
        if (!loadRecord(h, &rec)) {
            logError("CleanQlist", n == 1 ? "mainblock pointer invalid" : "next pointer invalid");
            break;
        }
        bool alive = false;
        {
            vbMemLock ml(rec.Get());
            auto* p = static_cast<uint8_t*>(static_cast<void*>(ml));
            h = rd32(p + kNext);
            const ULONG pid = rd32(p + kPid);
            const double access = rdDate(p + kAccess);
            if (!(access < limit) && pid != 0)
                continue;
            if (pid != 0 && !GetBaseName().IsEmpty()) {
                vbEvent other(false);
                alive = !other.Create(&m_qsa, eventName(pid).c_str(), vbEventAutoReset);
            }
            vbRelOutput(vbString("INFO: vbSharedQueue('") + GetName() + "')::CleanQlist() : "
                    + (alive ? "q deleted but not freed" : "q deleted") + " : name=" + readName(p, rec->GetLength())
                    + vbStringFormat(", processId=%u, lastAccess=", unsigned(pid)) + formatDate(access),
                true);
            deleteQ(p, true, true);
        }
        if (!alive) {
            // The owner's reference goes with the load's: the record is freed.
            rec->UnlockUse();
            freed = true;
        }
    }
    return freed;
}
