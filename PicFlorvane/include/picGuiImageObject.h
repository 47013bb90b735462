#pragma once

// A picture fetched by the download centre: the file's bytes are streamed through the picture
// plug-in that recognises them into an image, which the object then draws. Its pointer tells an
// owner when the picture has arrived.

#include "picItf.h"

#include "vbData.h"
#include "vbDnObject.h"
#include "vbHotPlugItf.h"

#include "plat/afxgdi.h"
#include "plat/types.h"

class guiDrawInfo;
class picGuiImagePtr;

inline constexpr IID IID_picGuiImageObject =
    VNT_GUID(0x4E198CFD, 0x3CDF, 0x4024, 0xAD, 0x75, 0x0B, 0x80, 0x0B, 0x86, 0x7C, 0x7E);

class picGuiImageObject : public vbTdnObject<vbObject> {
public:
    picGuiImageObject(const vbString& url, int64_t key);
    ~picGuiImageObject() override;

    static const GUID& DnClassId() { return IID_picGuiImageObject; }

    using vbTdnObject::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;
    const GUID& GetClsId() const override { return IID_picGuiImageObject; }

    DWORD GetMemSizeForCache() const override;
    // The centre reads the bytes and streams them in.
    bool LoadFromRes(vbDnData* data, const char* name, const char* type, HINSTANCE module) override;
    bool LoadFromFile(vbDnData* data, const vbString& path) override;
    void LoadingStart(vbDnData* data, int64_t size) override;
    bool LoadingAddBuffer(vbDnData* data, const unsigned char* bytes, ULONG length) override;
    void LoadingEnd(vbDnData* data, bool ok) override;

    // Stretches the source rectangle of the main bitmap (-1 sizes: the bitmap's own) onto the
    // target; false when there is nothing to draw.
    bool Render(guiDrawInfo* info, CDC* dc, LONG x, LONG y, LONG cx, LONG cy, LONG xSrc, LONG ySrc, LONG cxSrc,
        LONG cySrc);

    // The image, read and replaced under the object's lock.
    picImagePtr GetImage() const;
    void SetImage(IpicImage* image);
    // The pixel size of the main bitmap; false without one.
    bool GetBitmapSize(picSize* size) const;
    // What was wrong with a file that loaded only as far as its data could be read (an early
    // end, corrupt data); empty for a whole file.
    vbString GetDamage() const;

    // Every picture tells of its load on one line of the main window's strip, the last one's:
    // the line goes when it tells of the file at url, whose node is going, and the loads of that
    // file at work tell it nothing more.
    static void HideLineOf(const vbString& url);

private:
    using ProgressPtr = vbRefPtr<IvbHotPlugCb, &IID_IvbHotPlugCb>;

    // Into the decompressor, which the first bytes choose.
    void feed(const unsigned char* bytes, int length);
    [[noreturn]] void throwUnreadable(const char* context) const;
    // The image of the file's last bytes, with what was wrong with them.
    void finish(const picDecompressorPtr& decompressor, bool sawBytes);
    static void reportFailure(const ProgressPtr& cb, const vbString& reason);
    ProgressPtr progress() const;

    picDecompressorPtr m_decompressor;
    vbData m_buffer;
    int64_t m_expected = 0;
    int64_t m_loaded = 0;
    ProgressPtr m_progress;
    picImagePtr m_image;
    vbString m_damage;
    // Why the bytes could not be read, for the line of a load that ends failed.
    vbString m_failure;
};

// Told when the picture object of a pointer has finished loading, on the loading thread.
class cbIpicImageLoaded {
public:
    virtual void onImageLoaded(picGuiImagePtr* ptr) = 0;

protected:
    cbIpicImageLoaded() = default;
    cbIpicImageLoaded(const cbIpicImageLoaded&) = default;
    cbIpicImageLoaded& operator=(const cbIpicImageLoaded&) = default;
    ~cbIpicImageLoaded() = default;
};

class picGuiImagePtr : public vbDnPtr<picGuiImageObject, &IID_picGuiImageObject> {
public:
    using Base = vbDnPtr<picGuiImageObject, &IID_picGuiImageObject>;

    explicit picGuiImagePtr(cbIpicImageLoaded* owner = nullptr) : m_pOwner(owner) {}

    // Loaded and holding a main bitmap.
    bool HasBitmap() const;

protected:
    void onSignal(int code) override;

private:
    cbIpicImageLoaded* m_pOwner;
};
