// IStream over a global memory block: the block's size is the stream's size, and writes past
// the end grow it.

#include "com/ComObject.h"
#include "input/GlobalMemory.h"

#include "plat/globalmem.h"
#include "plat/olectl.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

// The block and what to do with it, shared by a stream and its clones.
struct Block {
    std::mutex mutex;
    HGLOBAL handle = nullptr;
    bool freeOnRelease = false;
    ~Block()
    {
        if (freeOnRelease)
            GlobalFree(handle);
    }
};

class GlobalStream final : public plat::com::ComObject<GlobalStream, IStream> {
public:
    GlobalStream(std::shared_ptr<Block> block, uint64_t position) : block_(std::move(block)), position_(position) {}

    void* face(REFIID riid) { return riid == IID_IStream ? static_cast<IStream*>(this) : nullptr; }

    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override
    {
        if (!pv)
            return STG_E_INVALIDPOINTER;
        std::lock_guard lock(block_->mutex);
        const uint64_t size = GlobalSize(block_->handle);
        const ULONG n = ULONG(std::min<uint64_t>(cb, position_ < size ? size - position_ : 0));
        if (n > 0) {
            std::memcpy(pv, static_cast<const uint8_t*>(GlobalLock(block_->handle)) + position_, n);
            GlobalUnlock(block_->handle);
        }
        position_ += n;
        if (pcbRead)
            *pcbRead = n;
        return S_OK;
    }

    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override
    {
        if (!pv)
            return STG_E_INVALIDPOINTER;
        std::lock_guard lock(block_->mutex);
        const uint64_t end = position_ + cb;
        if (end > GlobalSize(block_->handle) && !GlobalReAlloc(block_->handle, SIZE_T(end), GMEM_MOVEABLE))
            return STG_E_MEDIUMFULL;
        if (cb > 0) {
            std::memcpy(static_cast<uint8_t*>(GlobalLock(block_->handle)) + position_, pv, cb);
            GlobalUnlock(block_->handle);
        }
        position_ = end;
        if (pcbWritten)
            *pcbWritten = cb;
        return S_OK;
    }

    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override
    {
        int64_t base;
        if (origin == STREAM_SEEK_SET)
            base = 0;
        else if (origin == STREAM_SEEK_CUR)
            base = int64_t(position_);
        else if (origin == STREAM_SEEK_END) {
            std::lock_guard lock(block_->mutex);
            base = int64_t(GlobalSize(block_->handle));
        } else
            return STG_E_INVALIDFUNCTION;
        if (move.QuadPart < -base)
            return STG_E_INVALIDFUNCTION;
        position_ = uint64_t(base + move.QuadPart);
        if (newPosition)
            newPosition->QuadPart = position_;
        return S_OK;
    }

    HRESULT SetSize(ULARGE_INTEGER size) override
    {
        std::lock_guard lock(block_->mutex);
        return GlobalReAlloc(block_->handle, SIZE_T(size.QuadPart), GMEM_MOVEABLE) ? S_OK : STG_E_MEDIUMFULL;
    }

    HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return S_OK; }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }

    HRESULT Stat(STATSTG* stat, DWORD) override
    {
        if (!stat)
            return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        std::lock_guard lock(block_->mutex);
        stat->cbSize.QuadPart = GlobalSize(block_->handle);
        return S_OK;
    }

    HRESULT Clone(IStream** clone) override
    {
        if (!clone)
            return STG_E_INVALIDPOINTER;
        *clone = new GlobalStream(block_, position_);
        return S_OK;
    }

private:
    std::shared_ptr<Block> block_;
    uint64_t position_;
};

} // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm)
{
    if (!ppstm)
        return E_INVALIDARG;
    *ppstm = nullptr;
    if (hGlobal && !plat::input::globalBlockLive(hGlobal))
        return E_INVALIDARG;
    auto block = std::make_shared<Block>();
    block->handle = hGlobal ? hGlobal : GlobalAlloc(GMEM_MOVEABLE, 0);
    if (!block->handle)
        return E_OUTOFMEMORY;
    block->freeOnRelease = fDeleteOnRelease != FALSE;
    *ppstm = new GlobalStream(std::move(block), 0);
    return S_OK;
}
