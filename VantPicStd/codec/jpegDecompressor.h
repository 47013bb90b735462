#pragma once

// The decompressor: the caller writes a JPEG file's bytes in chunks of any size, and libjpeg
// decodes them, suspending whenever it runs out, straight into bitmap 1 of the output image.

#include "jpegError.h"

#include "picItf.h"

#include "vbData.h"
#include "vbHotPlugin.h"
#include "vbObjectFace.h"

class jpegDecompressor : public vbObject, public IpicDecompressor {
public:
    // The object counts itself on its module's factory while it lives.
    explicit jpegDecompressor(vbHotPlugFactory* factory);

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override;
    void Destroy() override { vbObject::Destroy(); }

    bool CanWrite() const override;
    DWORD Write(const void* data, DWORD length, bool all) override;
    DWORD WriteStream(IvbInputStream* source, DWORD count, bool all) override;
    DWORD WriteStream(IvbInputStream* source) override;
    using IvbOutputStream::WriteString;
    using IvbOutputStream::WriteStringW;
    DWORD WriteString(const char* text, DWORD length, bool newline, IvbStreamMode* mode) override;
    DWORD WriteStringW(const WCHAR* text, DWORD length, bool newline, IvbStreamMode* mode) override;

    void SetOutputImage(IpicImage* image) override;
    bool GetOutput(picImagePtr* out, picReqMode mode) override;
    bool GetProgress(int* done, int* total) override;
    bool GetOutputFormat(picSize* size, picBmpColorType* bmpType, int* bitsPerPixel, picReqMode mode) override;
    bool SetOutputFormat(picBmpColorType bmpType, int bitsPerPixel, picReqMode mode) override;
    void Reset() override;
    bool EndOfData(vbString* damage) override;

protected:
    ~jpegDecompressor() override;

private:
    // libjpeg's source manager with the part of a skip that lies beyond the bytes received, and
    // whether more bytes may come.
    struct Source : jpeg_source_mgr {
        long skip = 0;
        bool ended = false;
    };

    j_common_ptr common() { return reinterpret_cast<j_common_ptr>(&m_cinfo); }
    // Hands libjpeg the unread bytes followed by the new ones.
    void feed(const JOCTET* data, DWORD length);
    // Keeps the bytes libjpeg has not consumed in a buffer of our own; the caller's go away.
    void keepTail();
    void dropInput();
    [[noreturn]] static void throwNotStarted();
    // The step machine; false to stop (suspended or finished).
    bool process();
    bool readHeader();
    bool readRows();

    vbHotPlugFactory* m_factory;
    bool m_created = false;
    picImagePtr m_image;
    picBitmapPtr m_bitmap;
    jpeg_decompress_struct m_cinfo{};
    jpegErrorMgr m_err{};
    // The bytes libjpeg reads now when they are not the caller's.
    vbData m_current;
    int32_t m_step = 0;
    Source m_src{};
};
