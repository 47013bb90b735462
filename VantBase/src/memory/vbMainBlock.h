#pragma once

// The blocks of vbData and vbBSTR come from the main heap. Sizes are computed in 64 bits by the
// callers; a size no heap block can have, or a refused allocation, throws vbEsys E_OUTOFMEMORY
// with the caller's message and leaves the old block as it was.

#include <cstdint>

namespace vbImpl {

void* mainBlockAlloc(int64_t size, const char* failMsg);
void* mainBlockReAlloc(void* block, int64_t size, const char* failMsg);
void mainBlockFree(void* block) noexcept;

} // namespace vbImpl
