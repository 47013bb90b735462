// The main heap behind _vbAlloc, _vbReAlloc and _vbFree: the engine centre's, which is the first
// static object of the library and the last to go.

#include "vbEngine.h"
#include "vbHeap.h"

vbSegHeap& vbGetMainHeap()
{
    g_vbEngineCenter.CheckReady();
    return g_vbEngineCenter.GetMainHeap();
}

void* _vbAlloc(int size, vbAllocMode mode) { return vbGetMainHeap().Alloc(size, mode); }

void* _vbReAlloc(void* p, int size, vbAllocMode mode) { return vbGetMainHeap().ReAlloc(p, size, mode); }

void _vbFree(void* p)
{
    // Once the centre is gone its heap has given every block back already.
    if (p && g_vbEngineCenter.IsReady())
        g_vbEngineCenter.GetMainHeap().Free(p);
}
