// The download centre's entry points, for the objects and pointers that call them. The centre
// that serves them is not part of the library yet: each call is refused.

#include "vbDnItf.h"

#include "vbBaseItf.h"

namespace {

[[noreturn]] void notServed(const char* call) { vbImpl::throwSys(E_NOTIMPL, "%s : no download center", call); }

} // namespace

bool vbDnAsk(IvbDnObject*, vbDnOp, const char*, vbDnPriority, bool) { notServed("vbDnAsk()"); }
bool vbDnAsk(sIvbDnPtr*, vbDnOp, vbDnPriority, bool, bool) { notServed("vbDnAsk()"); }
bool vbDnWait(IvbDnObject*, vbDnOp, int, bool) { notServed("vbDnWait()"); }
bool vbDnCancel(IvbDnObject*, vbDnOp, bool) { notServed("vbDnCancel()"); }
