#include "memory/vbMainBlock.h"

#include "vbException.h"
#include "vbHeap.h"

#include "plat/errors.h"

#include <climits>

namespace vbImpl {

namespace {

[[noreturn]] void throwFull(const char* failMsg) { throw new vbEsys(E_OUTOFMEMORY, failMsg); }

// The heap's own out-of-memory exception becomes the caller's; the old block stays.
template <class F>
void* heapCall(F f, const char* failMsg)
{
    void* p = nullptr;
    try {
        p = f();
    } catch (vbEbase* e) {
        if (e->GetRealHR() != E_OUTOFMEMORY)
            throw;
        e->Delete();
        throwFull(failMsg);
    }
    if (!p)
        throwFull(failMsg);
    return p;
}

} // namespace

void* mainBlockAlloc(int64_t size, const char* failMsg)
{
    if (size <= 0 || size > INT_MAX)
        throwFull(failMsg);
    return heapCall([&] { return _vbAlloc(static_cast<int>(size), vbAllocNoInit); }, failMsg);
}

void* mainBlockReAlloc(void* block, int64_t size, const char* failMsg)
{
    if (size <= 0 || size > INT_MAX)
        throwFull(failMsg);
    return heapCall([&] { return _vbReAlloc(block, static_cast<int>(size), vbAllocNoInit); }, failMsg);
}

void mainBlockFree(void* block) noexcept
{
    try {
        _vbFree(block);
    } catch (CException* e) {
        e->Delete();
    }
}

} // namespace vbImpl
