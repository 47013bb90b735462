// Global memory blocks behind handles of their own table.

#include "input/GlobalMemory.h"

#include "kernel/HandleTable.h"
#include "plat/errors.h"
#include "plat/globalmem.h"

#include <mutex>
#include <new>
#include <vector>

namespace plat::input {

namespace {

struct GlobalBlock : KernelObject {
    std::vector<unsigned char> bytes;
    UINT flags = 0;
    int locks = 0;
};

struct BlockTable {
    HandleTable handles;
    std::mutex mutex; // guards the blocks' bytes and lock counts
};

BlockTable& blocks()
{
    static BlockTable* table = new BlockTable;
    return *table;
}

std::shared_ptr<GlobalBlock> findBlock(HGLOBAL h)
{
    return h ? blocks().handles.lookupAs<GlobalBlock>(HANDLE(h)) : (SetLastError(ERROR_INVALID_HANDLE), nullptr);
}

// Larger blocks are refused outright rather than left to the allocator.
constexpr SIZE_T kMaxBlock = SIZE_T(1) << 30;

// Sizes the bytes; false with ERROR_NOT_ENOUGH_MEMORY when that cannot be had.
bool resize(GlobalBlock& block, SIZE_T size)
{
    if (size > kMaxBlock) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    try {
        block.bytes.resize(size); // new bytes are zero
        return true;
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    } catch (const std::length_error&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
}

} // namespace

bool globalBlockLive(HGLOBAL block) { return block && blocks().handles.lookupAs<GlobalBlock>(HANDLE(block)); }

} // namespace plat::input

using namespace plat;
using namespace plat::input;

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes)
{
    auto block = std::make_shared<GlobalBlock>();
    block->flags = uFlags;
    if (!resize(*block, dwBytes))
        return nullptr;
    return HGLOBAL(blocks().handles.insert(block));
}

LPVOID GlobalLock(HGLOBAL hMem)
{
    auto block = findBlock(hMem);
    if (!block)
        return nullptr;
    std::lock_guard lock(blocks().mutex);
    block->locks++;
    // A block of no bytes still has an address of its own while locked.
    if (block->bytes.empty())
        block->bytes.reserve(1);
    return block->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL hMem)
{
    auto block = findBlock(hMem);
    if (!block)
        return FALSE;
    std::lock_guard lock(blocks().mutex);
    if (block->locks == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    if (--block->locks > 0)
        return TRUE;
    SetLastError(NO_ERROR);
    return FALSE;
}

SIZE_T GlobalSize(HGLOBAL hMem)
{
    auto block = findBlock(hMem);
    if (!block)
        return 0;
    std::lock_guard lock(blocks().mutex);
    return block->bytes.size();
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags)
{
    auto block = findBlock(hMem);
    if (!block)
        return nullptr;
    std::lock_guard lock(blocks().mutex);
    if (block->locks > 0 && !(uFlags & GMEM_MOVEABLE) && dwBytes > block->bytes.capacity()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return resize(*block, dwBytes) ? hMem : nullptr;
}

HGLOBAL GlobalFree(HGLOBAL hMem)
{
    if (!findBlock(hMem))
        return hMem;
    blocks().handles.remove(HANDLE(hMem));
    return nullptr;
}
