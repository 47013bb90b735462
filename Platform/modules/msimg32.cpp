// The module the libraries load by name for gradient fills: it exports the C name GradientFill
// and hands every call to the platform's drawing code.

#include "plat/gdi.h"

extern "C" __attribute__((visibility("default"))) BOOL exportedGradientFill(HDC hdc, PTRIVERTEX pVertex, ULONG nVertex,
                                                                           PVOID pMesh, ULONG nMesh, ULONG ulMode)
    __asm__("GradientFill");

BOOL exportedGradientFill(HDC hdc, PTRIVERTEX pVertex, ULONG nVertex, PVOID pMesh, ULONG nMesh, ULONG ulMode)
{
    return ::GradientFill(hdc, pVertex, nVertex, pMesh, nMesh, ulMode);
}
