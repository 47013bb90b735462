// Diagnostics of the shared heap: the consistency check (each finding one release-log line, no
// repair) and the byte counters. The walks stop at the first block that is not sound, so a
// damaged page gives a finding instead of a read outside it or an endless walk.

#include "vbSharedMem.h"

#include "vbLog.h"
#include "ipc/vbSharedLayout.h"

using namespace vbShared;

namespace {

vbString num(uint64_t v) { return vbString(static_cast<unsigned long long>(v)); }

} // namespace

void vbSharedHeap::checkPage(Page* p, uint32_t ix, int& findings)
{
    const vbString prefix = vbString("ERROR: vbSharedHeap('") + m_name + "')::Check() : page " + num(uint64_t(ix));
    auto finding = [&](const vbString& text) {
        vbRelOutput(prefix + text, true);
        ++findings;
    };
    const uint8_t* view = p->Load();
    const uint8_t* e = p->entry();
    const uint64_t span = p->span();
    const uint32_t s = m_cbSector;
    const uint64_t maxSteps = span / s;
    auto badBlock = [&](uint32_t off) { finding(vbString(": bad block offs=") + num(uint64_t(off))); };

    // A bad block ends the check of the page: the sums behind it would mean nothing.
    uint64_t byList[2] = {0, 0};
    for (int list = 0; list < 2; ++list) {
        uint32_t expected = kNone;
        uint32_t off = rd32(e + (list == 0 ? kEntBusyHead : kEntFreeHead));
        for (uint64_t steps = 0; off != kNone; off = rd32(view + off + kBlkNext)) {
            if (++steps > maxSteps || !blockOk(view, span, s, off)) {
                badBlock(off);
                return;
            }
            const uint32_t prev = rd32(view + off + kBlkPrev);
            if (prev != expected)
                finding(vbString(": block offs prev=") + num(uint64_t(prev)) + ", calc=" + num(uint64_t(expected))
                    + (list == 1 ? " (2)" : ""));
            byList[list] += rd32(view + off + kBlkSize);
            expected = off;
        }
    }
    const uint64_t busyByList = byList[0];
    const uint64_t freeByList = byList[1];
    if (rd32(e + kEntBusyHead) == kNone && rd32(e + kEntFreeHead) == kNone)
        return;
    uint64_t busyByWalk = 0;
    uint64_t freeByWalk = 0;
    uint64_t prevSize = 0;
    uint64_t steps = 0;
    for (uint64_t off = 0; off < span;) {
        if (++steps > maxSteps || !blockOk(view, span, s, uint32_t(off))) {
            badBlock(uint32_t(off));
            return;
        }
        const uint8_t* b = view + off;
        if (rd32(b + kBlkPrevSize) != prevSize)
            finding(vbString(": block cByte prev=") + num(uint64_t(rd32(b + kBlkPrevSize))) + ", calc=" + num(prevSize));
        const uint32_t size = rd32(b + kBlkSize);
        if (int32_t(rd32(b + kBlkUse)) < 1)
            freeByWalk += size;
        else
            busyByWalk += size;
        prevSize = size;
        off += size;
    }
    if (busyByList != busyByWalk)
        finding(vbString(": busy bytes=") + num(busyByList) + ", calc=" + num(busyByWalk));
    if (freeByList != freeByWalk)
        finding(vbString(": free bytes=") + num(freeByList) + ", calc=" + num(freeByWalk));
    const uint32_t freeSectors = rd32(e + kEntFree);
    if (freeByList / s != freeSectors)
        finding(vbString(": free sectors=") + num(uint64_t(freeSectors)) + ", calc=" + num(freeByList / s)
            + ", szFree=" + num(freeByList));
    const uint32_t sectors = rd32(e + kEntSectors);
    if ((busyByList + freeByList) / s != sectors)
        finding(vbString(": sectors=") + num(uint64_t(sectors)) + ", calc=" + num((busyByList + freeByList) / s)
            + ", szFree=" + num(busyByList + freeByList));
}

int vbSharedHeap::Check()
{
    vbLock lock(this);
    checkCreated("Check");
    int findings = 0;
    for (uint32_t ix = 1; ix <= pageCount(); ++ix)
        checkPage(getPage(ix, true), ix, findings);
    return findings;
}

int64_t vbSharedHeap::countPages(const char* counter, bool bBusy) const
{
    vbLock lock(this);
    checkCreated(counter);
    int64_t total = 0;
    for (uint32_t ix = 1; ix <= pageCount() && ix <= m_cPageMax; ++ix) {
        const uint8_t* e = pageEntry(ix);
        const uint32_t sectors = rd32(e + kEntSectors);
        const uint32_t free = rd32(e + kEntFree);
        if (free > sectors) {
            vbRelOutput(vbString("ERROR: vbSharedHeap('") + m_name + "')::" + counter + "() : page "
                    + num(uint64_t(ix)) + ": free blocks=" + num(uint64_t(free)) + " > blocks = " + num(uint64_t(sectors)),
                true);
            continue;
        }
        total += int64_t(bBusy ? sectors - free : free) * m_cbSector;
    }
    return total;
}

int64_t vbSharedHeap::GetBusyByteCount() const { return countPages("GetBusyByteCount", true); }

int64_t vbSharedHeap::GetUsedFreeByteCount() const { return countPages("GetUsedFreeByteCount", false); }

int64_t vbSharedHeap::GetUnusedFreeByteCount() const
{
    vbLock lock(this);
    checkCreated("GetUnusedFreeByteCount");
    const uint32_t n = pageCount();
    if (n >= m_cPageMax)
        return 0;
    uint64_t end = m_cbHeader;
    if (n > 0) {
        Page* last = const_cast<vbSharedHeap*>(this)->getPage(n, true);
        end = last->m_offset + last->m_size;
    }
    const uint64_t max = uint64_t(m_cbHeader) + m_cbData;
    if (end > max)
        vbRelOutput(vbString("ERROR: vbSharedHeap('") + m_name + "')::GetUnusedFreeByteCount() : last offset="
                + num(end) + " > size max= " + num(max),
            true);
    return int64_t(max) - int64_t(end);
}

int64_t vbSharedHeap::GetFreeByteCount() const
{
    vbLock lock(this);
    checkCreated("GetFreeByteCount");
    return GetUsedFreeByteCount() + GetUnusedFreeByteCount();
}
