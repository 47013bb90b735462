#pragma once

// The plug object of the JPEG plug-in: it tells whether a file is JPEG (by its type or by its
// first bytes) and hands out the plug-in's decompressors and compressors. It keeps no state, so
// one object may serve every thread.

#include "picItf.h"

#include "vbHotPlugin.h"
#include "vbObjectFace.h"

class jpegPlug : public vbObject, public IpicCompressPlug {
public:
    // The object counts itself on its module's factory while it lives.
    explicit jpegPlug(vbHotPlugFactory* factory);

    // The creation function of the module's served objects: a new plug, its IpicCompressPlug face
    // in out, which then holds the only reference.
    static void CreateObject(vbHotPlugFactory* factory, IvbHotPlugin* plugin, const char* name, LONG value,
        vbHotPlugObjectPtr* out);

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override;

    // A type alone (no bytes) must be "jpg" or "jpeg"; given bytes, the type is ignored and bytes
    // 6 to 9 must read "JFIF" or "Exif". Fewer than that asks for 10 bytes through needed.
    bool CanWorkWithType(const char* fileType, const unsigned char* data, int length, int* needed,
        picDecompressorPtr* out, IpicImage* image) override;
    bool CanWorkWithType(const char* fileType, IvbInputStream* in, picDecompressorPtr* out, IpicImage* image) override;
    bool CreateDecompressor(int reserved, picDecompressorPtr* out, picReqMode mode) override;
    bool CreateCompressor(int reserved, picCompressorPtr* out, picReqMode mode) override;
    void Destroy() override { vbObject::Destroy(); }
    bool CanCompressType(const char* fileType, int flags) override;
    vbString GetDescription(int reserved1, int reserved2) override;
    bool HasSettings(int flags) override;
    bool GetSettingInfo(int index, picSettingInfo* out) override;
    int GetPlugLevel() override;

protected:
    ~jpegPlug() override;

private:
    // An accepted file: a decompressor for it, writing into image.
    void attach(picDecompressorPtr* out, IpicImage* image);

    vbHotPlugFactory* m_factory;
};
