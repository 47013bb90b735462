// Walks of the chain of queue records: the enumerator that Post and the application use, and the
// consistency check.

#include "vbSharedQueue.h"

#include "vbEngine.h"
#include "vbException.h"
#include "vbLog.h"
#include "ipc/vbSharedQueueRecord.h"

#include "plat/afxdate.h"

#include <strings.h>

using namespace vbShared;
using namespace vbSharedQ;

// --- record access ---

vbString vbSharedQ::readName(const uint8_t* rec, ULONG len)
{
    if (len <= kName)
        return vbString();
    const size_t n = strnlen(reinterpret_cast<const char*>(rec + kName), len - kName);
    return vbString(reinterpret_cast<const char*>(rec + kName), int(n));
}

vbString vbSharedQ::formatDate(double date)
{
    return vbString(COleDateTime(date).Format(0, LOCALE_USER_DEFAULT).c_str());
}

bool vbSharedQ::loadBlock(vbSharedHeap* heap, vbSharedHandle h, vbSharedMemPtr* out)
{
    try {
        return heap->Load(out, h, 0, false);
    } catch (CException* e) {
        // A damaged page of the chain is a finding of the walk, not a failure of the caller.
        e->Delete();
        *out = nullptr;
        return false;
    }
}

bool vbSharedQ::loadRecord(vbSharedHeap* heap, vbSharedHandle h, vbSharedMemPtr* out)
{
    if (!loadBlock(heap, h, out))
        return false;
    if ((*out)->GetLength() <= kName) {
        *out = nullptr;
        return false;
    }
    return true;
}

// --- enumerator ---

vbSharedQueueEnum::vbSharedQueueEnum() : vbExpr(1) { }

vbSharedQueueEnum::~vbSharedQueueEnum()
{
    try {
        Stop();
    } catch (...) {
        vbImpl::reportCurrent(false, __FILE__, __LINE__);
    }
}

void vbSharedQueueEnum::Start(vbSharedQueue* queue, bool bExcludeSelf)
{
    Stop();
    m_pQueue = queue;
    m_hold = queue;
    m_excluded = bExcludeSelf && queue ? queue->GetProcessId() : 0;
    m_index = 0;
}

void vbSharedQueueEnum::Stop()
{
    m_current = nullptr;
    if (m_bLocked) {
        m_bLocked = false;
        m_pQueue->Unlock();
    }
    m_pQueue = nullptr;
    m_hold = nullptr;
    m_excluded = 0;
}

bool vbSharedQueueEnum::onGetNext()
{
    if (!m_pQueue)
        vbImpl::throwSys(E_FAIL, "vbSharedQueueEnum()::onGetNext() : no queue attached");
    const char* name = m_pQueue->GetName().c_str();
    vbSharedHandle h = 0;
    if (!m_bLocked) {
        m_pQueue->Lock();
        m_bLocked = true;
        if (!m_pQueue->IsHeapCreated()) {
            m_bLocked = false;
            m_pQueue->Unlock();
            vbImpl::throwSys(E_FAIL, "vbSharedQueueEnum('%s')::onGetNext() : queue not created", name);
        }
        m_index = 0;
        m_current = nullptr;
        h = m_pQueue->getMainHandle();
    } else {
        if (!m_current)
            return false;
        vbMemLock ml(m_current.Get());
        h = rd32(static_cast<uint8_t*>(static_cast<void*>(ml)) + kNext);
    }
    for (;;) {
        m_current = nullptr;
        if (h == 0)
            return false;
        vbSharedMemPtr rec;
        if (!loadRecord(m_pQueue, h, &rec)) {
            vbRelOutput(vbString("ERROR: vbSharedQueueEnum('") + name + "')::onGetNext() : "
                    + (m_index == 0 ? "mainblock pointer invalid" : "next pointer invalid"),
                true);
            return false;
        }
        if (++m_index > vbSharedQueue::kMaxChain) {
            vbRelOutput(vbString("ERROR: vbSharedQueueEnum('") + name
                    + vbStringFormat("')::onGetNext() : maybe a pb in chained list : more than %d q processes !! nb=%d",
                        vbSharedQueue::kMaxChain, m_index),
                true);
            return false;
        }
        m_current = rec;
        vbMemLock ml(rec.Get());
        const auto* p = static_cast<const uint8_t*>(static_cast<void*>(ml));
        if (m_excluded == 0 || rd32(p + kPid) != m_excluded)
            return true;
        h = rd32(p + kNext);
    }
}

bool vbSharedQueueEnum::onKeysOk(const Cond* c, ULONG flags) const
{
    auto* self = const_cast<vbSharedQueueEnum*>(this);
    if (!m_current)
        return false;
    if ((flags & 1) && c->IsKeyOk(self->GetQname(), flags))
        return true;
    return (flags & 2) && c->IsKeyOk(vbStringFormat("%u", unsigned(self->GetQprocess())), flags);
}

bool vbSharedQueueEnum::onFlagSet(bool bFirst, const vbString& keyword, int sign, ULONG* pFlags) const
{
    ULONG bit = 0;
    if (strcasecmp(keyword.c_str(), "name") == 0)
        bit = 1;
    else if (strcasecmp(keyword.c_str(), "processid") == 0)
        bit = 2;
    else
        return false;
    if (sign == 1) {
        *pFlags |= bit;
    } else if (sign == -1) {
        *pFlags &= ~bit;
    } else {
        if (bFirst)
            *pFlags &= ~vbExpr::kFieldMask;
        *pFlags |= bit;
    }
    return true;
}

const uint8_t* vbSharedQueueEnum::current(const char* op, vbMemLock& lock)
{
    if (!m_current)
        vbImpl::throwSys(E_FAIL, "vbSharedQueueEnum()::%s() : no current queue selected", op);
    return static_cast<const uint8_t*>(lock.Lock(m_current.Get()));
}

vbSharedMem* vbSharedQueueEnum::getQptr()
{
    if (!m_current)
        vbImpl::throwSys(E_FAIL, "vbSharedQueueEnum()::getQptr() : no current queue selected");
    return m_current.Get();
}

vbString vbSharedQueueEnum::GetQname()
{
    vbMemLock ml;
    const uint8_t* p = current("GetQname", ml);
    return readName(p, m_current->GetLength());
}

ULONG vbSharedQueueEnum::GetQprocess()
{
    vbMemLock ml;
    return rd32(current("GetQprocess", ml) + kPid);
}

vbDate vbSharedQueueEnum::GetQlastAccess()
{
    vbMemLock ml;
    return vbDate(rdDate(current("GetQlastAccess", ml) + kAccess));
}

// --- check ---

int vbSharedQueue::Check()
{
    int findings = vbSharedHeap::Check();
    vbLock lock(this);
    if (!IsHeapCreated())
        vbImpl::throwSys(E_FAIL, "vbSharedQueue('%s')::Check() : queue not created", GetName().c_str());
    bool bFinding = false;
    checkWalk(false, &bFinding);
    if (bFinding)
        findings += checkWalk(true, &bFinding);
    return findings;
}

int vbSharedQueue::checkWalk(bool bListing, bool* pEndedOnFinding)
{
    const vbString head = vbString("vbSharedQueue('") + GetName() + "')::Check() : ";
    *pEndedOnFinding = false;
    int findings = 0;
    auto finding = [&](const vbString& text, bool bEnds) {
        vbRelOutput("ERROR: " + head + text, true);
        ++findings;
        *pEndedOnFinding = bEnds;
    };
    vbSharedHandle expected = 0;
    int pos = 0;
    for (vbSharedHandle h = getMainHandle(); h;) {
        if (++pos > kMaxChain) {
            finding(vbStringFormat("maybe a pb in chained list : more than %d q processes !! nb=%d", kMaxChain, pos), true);
            break;
        }
        vbSharedMemPtr rec;
        if (!vbSharedQ::loadRecord(this, h, &rec)) {
            finding(pos == 1 ? "mainblock pointer invalid" : "next pointer invalid", true);
            break;
        }
        vbMemLock ml(rec.Get());
        const auto* p = static_cast<const uint8_t*>(static_cast<void*>(ml));
        const vbSharedHandle prev = rd32(p + kPrev);
        const vbSharedHandle next = rd32(p + kNext);
        if (prev != expected) {
            finding(vbStringFormat("previous pointer invalid (expected=%X, cur=%X)", unsigned(expected), unsigned(prev)),
                true);
            if (!bListing)
                break;
        }
        if (bListing)
            vbRelOutput(vbString("INFO: ") + head + vbStringFormat("%d", pos) + ": q name=" + readName(p, rec->GetLength())
                    + vbStringFormat(", processId=%u, lastAccess=", unsigned(rd32(p + kPid))) + formatDate(rdDate(p + kAccess))
                    + vbStringFormat(", this=%X, next=%X, prev=%X", unsigned(h), unsigned(next), unsigned(prev)),
                true);
        expected = h;
        h = next;
    }
    return findings;
}
