#pragma once

// The image object: a type word, a label and numbered bitmap slots, each a description and a
// reference to its bitmap. Every operation runs under the image's lock, and none calls into a
// bitmap while it holds it, except to let a slot's bitmap go.

#include "picItf.h"

#include "vbArray.h"
#include "vbObjectFace.h"

extern const IID IID_picImage;

class picImage : public vbObject, public IpicImage {
public:
    picImage() = default;

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override;
    void Destroy() override { vbObject::Destroy(); }

    // Null gives an empty text.
    void SetType(const char* type, const char* label);

    void LoadFromStream(IvbInputStream* in) override;
    void SaveToStream(IvbOutputStream* out) override;
    bool GetDC(int bmpId, picDCPtr* out, int flags, picReqMode mode) override;
    bool GetBitmap(int bmpId, picBitmapPtr* out, picReqMode mode) override;
    picSize GetPixelSize(int bmpId) const override;
    picMetricSize GetMetricSize(int bmpId, picMetricUnit unit) const override;
    bool HasExtra4() const override;
    bool HasExtra2() const override;
    bool HasFrames() const override;
    int GetFrameCount() const override;
    int GetCurrentFrame() const override;
    int GetBitmapCount() const override;
    int GetBitmapInfo(int bmpId, picBmpInfo* out) const override;
    int GetBitmapInfos(vbArray<picBmpInfo>* out) const override;
    int FindBitmap(const picSize* size, picBmpColorType bmpType, int bitsPerPixel) const override;
    int SetBitmap(int bmpId, const picBmpInfo* info, IpicBitmap* bitmap) override;
    void SetBitmapInfo(int bmpId, const picBmpInfo* info) override;
    int CreateBitmap(int bmpId, const picBmpInfo* info, picBitmapPtr* out) override;
    void RemoveAllBitmaps() override;
    bool IsEmpty() const override;
    bool HasBitmaps() const override;
    void SetBitmapCount(int count) override;
    void SetPixelSize(int bmpId, const picSize& size) override;
    void SetMetricSize(int bmpId, const picMetricSize& size) override;
    HBITMAP getHandle(int bmpId, sIvbLock** lockHolder) override;

protected:
    ~picImage() override = default;
    void onDestruction(bool bExplicit) override;

private:
    struct Slot {
        picBmpInfo info;
        picBitmapPtr bitmap;
    };

    // "picImage(<type>/<label>)::<op>() : "
    vbString where(const char* op) const;
    [[noreturn]] void notImplemented(const char* op) const;
    [[noreturn]] void noSlot(const char* op, int bmpId) const;
    // The slot of bmpId (-1: 1); one outside 1..count throws op's "doesn't exist".
    Slot& slot(const char* op, int bmpId);
    const Slot& slot(const char* op, int bmpId) const;

    vbString m_type;
    vbString m_label;
    vbArray<Slot> m_bitmaps;
};
