#pragma once

// The compressor: the caller hands it a picture and reads the JPEG file out of it. Rows are
// compressed only as far as the reads ask; the bytes made wait in the output buffer.

#include "jpegError.h"

#include "picItf.h"

#include "vbData.h"
#include "vbHotPlugin.h"
#include "vbObjectFace.h"

class jpegCompressor : public vbObject, public IpicCompressor {
public:
    // The object counts itself on its module's factory while it lives.
    explicit jpegCompressor(vbHotPlugFactory* factory);

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override;
    void Destroy() override { vbObject::Destroy(); }

    bool CanRead() const override;
    DWORD Read(void* buffer, DWORD length, bool exact) override;
    using IvbInputStream::ReadString;
    using IvbInputStream::ReadStringW;
    DWORD ReadString(vbString* line, vbString* separator, IvbStreamMode* mode) override;
    DWORD ReadStringW(vbBSTR* line, vbBSTR* separator, IvbStreamMode* mode) override;

    void SetInputBitmap(IpicBitmap* bitmap) override;
    void SetInputImage(IpicImage* image) override;
    bool GetInput(picBitmapPtr* out, picReqMode mode) override;
    bool GetInput(picImagePtr* out, picReqMode mode) override;
    void SetCompressLevel(int level) override;
    int GetCompressLevel() const override;
    bool GetCompressSetting(int index, picSettingInfo* out) override;
    void SetCompressSetting(int index, int value, const char* name, picReqMode mode) override;
    bool GetCompressSettingValue(int index, int* value, vbString* text) override;
    void ResetSettings(int level) override;

protected:
    ~jpegCompressor() override;

private:
    // libjpeg's destination manager with its 4096-byte work buffer from the image pool.
    struct Destination : jpeg_destination_mgr {
        jpegCompressor* owner = nullptr;
        JOCTET* work = nullptr;
    };

    j_common_ptr common() { return reinterpret_cast<j_common_ptr>(&m_cinfo); }
    // Destroys the libjpeg object, if any, with the bytes it made.
    void discard();
    void recreate();
    void start();
    // Chooses the components and colour space, copying the bitmap when its depth differs.
    void chooseColorSpace(const picSize& size, picBmpColorType type, int bits);
    void setDensity();
    // Compresses rows until n bytes wait or the file is complete; false when no byte waits.
    bool makeOutput(size_t n);
    void finish();
    void append(const JOCTET* bytes, size_t n);
    size_t waiting() const { return m_outEnd - m_outStart; }

    static void initDestination(j_compress_ptr cinfo);
    static boolean emptyOutputBuffer(j_compress_ptr cinfo);
    static void termDestination(j_compress_ptr cinfo);

    vbHotPlugFactory* m_factory;
    bool m_created = false;
    picImagePtr m_image;
    picBitmapPtr m_bitmap;
    int32_t m_level = 25;
    jpeg_compress_struct m_cinfo{};
    jpegErrorMgr m_err{};
    // The bytes made and not yet read lie between m_outStart and m_outEnd; the block keeps spare
    // room so that appending and reading from the front cost no quadratic copying.
    vbData m_output;
    size_t m_outStart = 0;
    size_t m_outEnd = 0;
    bool m_finished = false;
    Destination m_dest;
};
