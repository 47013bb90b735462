// The main heap behind _vbAlloc, _vbReAlloc and _vbFree.

#include "vbHeap.h"

#include <new>

vbSegHeap& vbGetMainHeap()
{
    // Built on first use, from any static constructor of any module, and deliberately never
    // destroyed: blocks may still be freed by static destructors that run after this library's.
    alignas(vbSegHeap) static unsigned char storage[sizeof(vbSegHeap)];
    static vbSegHeap* heap = ::new (storage) vbSegHeap("Vant main memory heap", vbCtorCreate);
    return *heap;
}

void* _vbAlloc(int size, vbAllocMode mode) { return vbGetMainHeap().Alloc(size, mode); }

void* _vbReAlloc(void* p, int size, vbAllocMode mode) { return vbGetMainHeap().ReAlloc(p, size, mode); }

void _vbFree(void* p)
{
    if (p)
        vbGetMainHeap().Free(p);
}
