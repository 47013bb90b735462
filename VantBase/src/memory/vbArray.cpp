#include "vbArray.h"
#include "vbHeap.h"

#include "plat/afx.h"
#include "plat/errors.h"

#include <climits>

namespace vbImpl {

void* arrayResize(void* block, int64_t count, size_t elemSize, const char* failMsg)
{
    // Computed in 64 bits: a count near 2^31 must be refused, not wrapped into a small block.
    const int64_t bytes = count * static_cast<int64_t>(elemSize);
    if (count < 1 || bytes > INT_MAX)
        throwSys(E_OUTOFMEMORY, "%s", failMsg);
    try {
        return block ? _vbReAlloc(block, static_cast<int>(bytes), vbAllocNoInit)
                     : _vbAlloc(static_cast<int>(bytes), vbAllocNoInit);
    } catch (CException* e) {
        // The array's own message for any refusal of the heap.
        e->Delete();
    }
    throwSys(E_OUTOFMEMORY, "%s", failMsg);
}

void arrayFree(void* block) noexcept
{
    try {
        _vbFree(block);
    } catch (...) {
        reportCurrent(true, __FILE__, __LINE__);
    }
}

void arrayReportCurrent(const char* file, int line) noexcept { reportCurrent(true, file, line); }

} // namespace vbImpl
