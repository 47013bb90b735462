#include "jpegPlug.h"

#include "jpegCompressor.h"
#include "jpegDecompressor.h"

#include "vbExceptionReport.h"
#include "vbString.h"

#include <cstring>

namespace {

// The bytes the content test needs: the signature ends at offset 10.
constexpr int kSignatureEnd = 10;

bool isJpegType(const char* fileType)
{
    return fileType && (vbString(fileType).CompareNoCase("jpg") == 0 || vbString(fileType).CompareNoCase("jpeg") == 0);
}

// Made, counted and created as every object of the plug-in is; out then holds the only reference.
template <class Object, class Ptr>
void makeInto(vbHotPlugFactory* factory, Ptr* out)
{
    auto* object = new Object(factory);
    object->Create();
    *out = object;
    object->Release();
}

} // namespace

jpegPlug::jpegPlug(vbHotPlugFactory* factory) : m_factory(factory) { m_factory->IncObjCnt(); }

jpegPlug::~jpegPlug()
{
    try {
        m_factory->DecObjCnt();
    } catch (CException* e) {
        vbTraceException(e, true, __FILE__, __LINE__);
    }
}

void jpegPlug::CreateObject(vbHotPlugFactory* factory, IvbHotPlugin*, const char*, LONG, vbHotPlugObjectPtr* out)
{
    auto* plug = new jpegPlug(factory);
    plug->Create();
    *out = static_cast<IpicCompressPlug*>(plug);
    plug->Release();
}

bool jpegPlug::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IpicCompressPlug) {
        *ppv = static_cast<IpicCompressPlug*>(this);
        return true;
    }
    return vbObject::GetInterface(iid, ppv);
}

bool jpegPlug::CanWorkWithType(const char* fileType, const unsigned char* data, int length, int* needed,
    picDecompressorPtr* out, IpicImage* image)
{
    // Bytes that are not there are no bytes.
    if (!data || length < 0)
        length = 0;
    if (fileType && length == 0) {
        if (!isJpegType(fileType)) {
            if (needed)
                *needed = kSignatureEnd;
            return false;
        }
    } else {
        if (length < kSignatureEnd) {
            if (needed)
                *needed = kSignatureEnd;
            return false;
        }
        if (std::memcmp(data + 6, "JFIF", 4) != 0 && std::memcmp(data + 6, "Exif", 4) != 0)
            return false;
    }
    attach(out, image);
    return true;
}

bool jpegPlug::CanWorkWithType(const char* fileType, IvbInputStream*, picDecompressorPtr* out, IpicImage* image)
{
    if (!isJpegType(fileType))
        return false;
    attach(out, image);
    return true;
}

void jpegPlug::attach(picDecompressorPtr* out, IpicImage* image)
{
    if (!out && !image)
        return;
    picDecompressorPtr own;
    picDecompressorPtr* target = out ? out : &own;
    CreateDecompressor(0, target, picReqThrow);
    (*target)->SetOutputImage(image);
}

bool jpegPlug::CreateDecompressor(int, picDecompressorPtr* out, picReqMode)
{
    makeInto<jpegDecompressor>(m_factory, out);
    return true;
}

bool jpegPlug::CreateCompressor(int, picCompressorPtr* out, picReqMode)
{
    makeInto<jpegCompressor>(m_factory, out);
    return true;
}

bool jpegPlug::CanCompressType(const char*, int) { return false; }

vbString jpegPlug::GetDescription(int, int) { return "VantPicture JPEG-6b Plugin"; }

bool jpegPlug::HasSettings(int) { return false; }

bool jpegPlug::GetSettingInfo(int, picSettingInfo*) { return false; }

int jpegPlug::GetPlugLevel() { return 3; }
