#pragma once

// The bitmap object: one pixel buffer of one format in a top-down DIB section that it owns. Every
// operation runs under the object's critical section, which is also what a caller holds as a row
// lock (the sIvbLock face) while it writes or reads pixels in place.

#include "picItf.h"

#include "vbObjectFace.h"

#include <cstdint>

extern const IID IID_picBitmap;

class picBitmap : public vbObject, public IpicBitmap, public sIvbLock {
public:
    picBitmap() = default;

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override;
    void Destroy() override { vbObject::Destroy(); }

    void Lock() const override;
    void Unlock() const override;

    bool GetDC(int flags, picDCPtr* out, picReqMode mode) override;
    void GetFormat(picSize* size, picBmpColorType* bmpType, int* bitsPerPixel) const override;
    bool SetFormat(const picSize* size, picBmpColorType bmpType, int bitsPerPixel, bool keepData,
        picReqMode mode) override;
    bool CreateCopy(const picSize* size, picBmpColorType bmpType, int bitsPerPixel, picBitmapPtr* out,
        picReqMode mode) override;
    bool CopyTo(IpicBitmap* dst, picReqMode mode) override;
    picSize GetPixelSize() const override;
    picBmpColorType GetBmpType() const override;
    int GetBitsPerPixel() const override;
    int GetRowLength() const override;
    void SetPixelSize(const picSize& size, bool keepData) override;
    void SetBmpType(picBmpColorType bmpType, bool keepData) override;
    void SetBitsPerPixel(int bitsPerPixel, bool keepData) override;
    int GetBitmapRow(sIvbLock** lockHolder, int firstRow, void** rows, int count, int byteLength) override;
    void Clear() override;
    void Empty() override;
    bool IsEmpty() const override;
    bool HasData() const override;
    void SetData(const void* data, int length) override;
    HBITMAP getHandle(sIvbLock** lockHolder) override;

    // Gives the bitmap this format (bitsPerPixel 0: the type's default) in a new zeroed section;
    // the old pixels are lost. The mode is not used: failures throw.
    bool create(const picSize& size, picBmpColorType bmpType, int bitsPerPixel, picReqMode mode);
    // Keeping pixels across a format change: never supported, always throws.
    [[noreturn]] void convert(const picSize& size, picBmpColorType bmpType, int bitsPerPixel, picReqMode mode);

protected:
    ~picBitmap() override = default;
    void onDestruction(bool bExplicit) override;

private:
    class RowLock;

    // A change to this format unless it is the current one; keepData on pixels refuses it.
    bool reformat(const picSize& size, picBmpColorType bmpType, int bitsPerPixel, bool keepData);
    bool isFormat(const picSize& size, picBmpColorType bmpType, int bitsPerPixel) const;
    int64_t dataLength() const;
    void deleteSection();
    // No section and the empty format.
    void reset();

    picSize m_size;
    picBmpColorType m_bmpType = picBmpNone;
    int32_t m_bitsPerPixel = 0;
    int32_t m_rowLength = 0;
    HBITMAP m_handle = nullptr;
    unsigned char* m_bits = nullptr;
};
