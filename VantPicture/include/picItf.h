#pragma once

// The picture interfaces: the contract between the picture library, the program and the picture
// plug-ins, which are built apart and loaded at run time. The order of the operations (the slots
// after the 12 of IvbObject) and their arguments must not change. Every operation has a default
// body that throws the picture purecall error, so an implementation gives only what it supports
// and a call that reaches an object in destruction fails cleanly.

#include "picExport.h"
#include "picTypes.h"

#include "vbObjects.h"
#include "vbPtr.h"
#include "vbStreamIntf.h"

#include "plat/types.h"
#include "plat/unknwn.h"

class IpicDC;
class IpicImage;
class IpicBitmap;
class IpicCompressPlug;
class IpicCompressor;
class IpicDecompressor;

inline constexpr IID IID_IpicDC = VNT_GUID(0x433FB428, 0x4A84, 0x426F, 0xBF, 0x60, 0x55, 0xF8, 0xA1, 0xC6, 0x78, 0xC1);
inline constexpr IID IID_IpicImage = VNT_GUID(0x899F89F2, 0xB700, 0x42D1, 0xAD, 0x8C, 0xCC, 0xAC, 0xB1, 0xDF, 0xA6, 0xD9);
inline constexpr IID IID_IpicBitmap = VNT_GUID(0xDA1064E7, 0x1254, 0x42AF, 0xA1, 0x58, 0xA2, 0x18, 0x39, 0x4B, 0xF0, 0xF5);
inline constexpr IID IID_IpicCompressPlug = VNT_GUID(0x97404814, 0x01A8, 0x4DAF, 0x96, 0xD2, 0x2A, 0xF5, 0xFA, 0x77, 0x1E, 0xB4);
inline constexpr IID IID_IpicCompressor = VNT_GUID(0xE798BE00, 0x1308, 0x41E2, 0x88, 0x49, 0xE4, 0x5B, 0x2B, 0x6F, 0x66, 0x85);
inline constexpr IID IID_IpicDecompressor = VNT_GUID(0xE68F6C27, 0xC4D1, 0x4958, 0x95, 0x0A, 0xA1, 0xE9, 0x1F, 0xB4, 0x0B, 0x16);

typedef vbRefPtr<IpicDC, &IID_IpicDC> picDCPtr;
typedef vbRefPtr<IpicImage, &IID_IpicImage> picImagePtr;
typedef vbRefPtr<IpicBitmap, &IID_IpicBitmap> picBitmapPtr;
typedef vbRefPtr<IpicCompressPlug, &IID_IpicCompressPlug> picCompressPlugPtr;
typedef vbRefPtr<IpicCompressor, &IID_IpicCompressor> picCompressorPtr;
typedef vbRefPtr<IpicDecompressor, &IID_IpicDecompressor> picDecompressorPtr;

// Throws vbEsys E_ABORT "VantPicture: Object of called method is in destruction (purecall)".
[[noreturn]] PICAPI void picPurecall();

// A drawing context on a picture; nothing offers one (every GetDC refuses).
class PICAPI IpicDC : public IvbObject {
protected:
    ~IpicDC() = default;
};

// A named container of bitmap slots, numbered from 1 (-1 stands for 1).
class PICAPI IpicImage : public IvbObject {
public:
    virtual void LoadFromStream(IvbInputStream* in);
    virtual void SaveToStream(IvbOutputStream* out);
    virtual bool GetDC(int bmpId, picDCPtr* out, int flags, picReqMode mode);
    virtual bool GetBitmap(int bmpId, picBitmapPtr* out, picReqMode mode);
    virtual picSize GetPixelSize(int bmpId) const;
    virtual picMetricSize GetMetricSize(int bmpId, picMetricUnit unit) const;
    virtual bool HasExtra4() const;
    virtual bool HasExtra2() const;
    virtual bool HasFrames() const;
    virtual int GetFrameCount() const;
    virtual int GetCurrentFrame() const;
    virtual int GetBitmapCount() const;
    virtual int GetBitmapInfo(int bmpId, picBmpInfo* out) const;
    virtual int GetBitmapInfos(vbArray<picBmpInfo>* out) const;
    // The slot whose bitmap has this format; -1 for none.
    virtual int FindBitmap(const picSize* size, picBmpColorType bmpType, int bitsPerPixel) const;
    virtual int SetBitmap(int bmpId, const picBmpInfo* info, IpicBitmap* bitmap);
    virtual void SetBitmapInfo(int bmpId, const picBmpInfo* info);
    virtual int CreateBitmap(int bmpId, const picBmpInfo* info, picBitmapPtr* out);
    virtual void RemoveAllBitmaps();
    virtual bool IsEmpty() const;
    virtual bool HasBitmaps() const;
    virtual void SetBitmapCount(int count);
    virtual void SetPixelSize(int bmpId, const picSize& size);
    virtual void SetMetricSize(int bmpId, const picMetricSize& size);
    virtual void Destroy();
    // The slot's DIB section, under the row-lock protocol of IpicBitmap::getHandle.
    virtual HBITMAP getHandle(int bmpId, sIvbLock** lockHolder);

protected:
    ~IpicImage() = default;
};

// One pixel buffer of one format (size, colour type, bits per pixel) in a top-down DIB section.
class PICAPI IpicBitmap : public IvbObject {
public:
    virtual bool GetDC(int flags, picDCPtr* out, picReqMode mode);
    virtual void Destroy();
    virtual void GetFormat(picSize* size, picBmpColorType* bmpType, int* bitsPerPixel) const;
    // Null size, bmpType -1 and bitsPerPixel 0 keep the current value.
    virtual bool SetFormat(const picSize* size, picBmpColorType bmpType, int bitsPerPixel, bool keepData,
        picReqMode mode);
    virtual bool CreateCopy(const picSize* size, picBmpColorType bmpType, int bitsPerPixel, picBitmapPtr* out,
        picReqMode mode);
    virtual bool CopyTo(IpicBitmap* dst, picReqMode mode);
    virtual picSize GetPixelSize() const;
    virtual picBmpColorType GetBmpType() const;
    virtual int GetBitsPerPixel() const;
    virtual int GetRowLength() const;
    virtual void SetPixelSize(const picSize& size, bool keepData);
    virtual void SetBmpType(picBmpColorType bmpType, bool keepData);
    virtual void SetBitsPerPixel(int bitsPerPixel, bool keepData);
    // Addresses of up to count rows from firstRow (0 is the top) in rows; answers how many. With a
    // lockHolder, the lock it held is let go and the bitmap's lock stays held in it after the call,
    // until the caller unlocks it; the holder adds no reference. A call that throws leaves the
    // bitmap unlocked and the holder null.
    virtual int GetBitmapRow(sIvbLock** lockHolder, int firstRow, void** rows, int count, int byteLength);
    virtual void Clear();
    virtual void Empty();
    virtual bool IsEmpty() const;
    virtual bool HasData() const;
    virtual void SetData(const void* data, int length);
    virtual HBITMAP getHandle(sIvbLock** lockHolder);

protected:
    ~IpicBitmap() = default;
};

// A picture plug-in's object: it tells which pictures it reads and makes its decompressors and
// compressors.
class PICAPI IpicCompressPlug : public IvbObject {
public:
    // True: the plug reads these bytes, and makes its decompressor in out and gives it the image
    // as output when either is given. False with *needed above 0: it needs that many bytes.
    virtual bool CanWorkWithType(const char* fileType, const unsigned char* data, int length, int* needed,
        picDecompressorPtr* out, IpicImage* image);
    virtual bool CanWorkWithType(const char* fileType, IvbInputStream* in, picDecompressorPtr* out,
        IpicImage* image);
    virtual bool CreateDecompressor(int reserved, picDecompressorPtr* out, picReqMode mode);
    virtual bool CreateCompressor(int reserved, picCompressorPtr* out, picReqMode mode);
    virtual void Destroy();
    virtual bool CanCompressType(const char* fileType, int flags);
    virtual vbString GetDescription(int reserved1, int reserved2);
    virtual bool HasSettings(int flags);
    virtual bool GetSettingInfo(int index, picSettingInfo* out);
    virtual int GetPlugLevel();

protected:
    ~IpicCompressPlug() = default;
};

// A compressor: given a picture, it is read as a stream of the compressed file's bytes.
class PICAPI IpicCompressor : public IvbInputStream {
public:
    virtual void SetInputBitmap(IpicBitmap* bitmap);
    // The compressor takes the image's bitmap 1.
    virtual void SetInputImage(IpicImage* image);
    virtual bool GetInput(picBitmapPtr* out, picReqMode mode);
    virtual bool GetInput(picImagePtr* out, picReqMode mode);
    virtual void SetCompressLevel(int level);
    virtual int GetCompressLevel() const;
    virtual bool GetCompressSetting(int index, picSettingInfo* out);
    virtual void SetCompressSetting(int index, int value, const char* text, picReqMode mode);
    virtual bool GetCompressSettingValue(int index, int* value, vbString* text);
    // Settings back to their defaults, then the level.
    virtual void ResetSettings(int level);
    virtual void Destroy();

protected:
    ~IpicCompressor() = default;
};

// A decompressor: the file's bytes are written into it and the picture grows in its output image.
class PICAPI IpicDecompressor : public IvbOutputStream {
public:
    virtual void SetOutputImage(IpicImage* image);
    virtual bool GetOutput(picImagePtr* out, picReqMode mode);
    virtual bool GetProgress(int* done, int* total);
    virtual bool GetOutputFormat(picSize* size, picBmpColorType* bmpType, int* bitsPerPixel, picReqMode mode);
    virtual bool SetOutputFormat(picBmpColorType bmpType, int bitsPerPixel, picReqMode mode);
    virtual void Reset();
    virtual void Destroy();
    // No more bytes come: a picture not decoded to its end is completed as far as its data goes.
    // False, with what went wrong in damage (an early end, corrupt data), when the file was not
    // whole and clean; the picture then still holds every row that could be decoded.
    virtual bool EndOfData(vbString* damage);

protected:
    ~IpicDecompressor() = default;
};
