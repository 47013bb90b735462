// OleLoadPicture: a .bmp or JPEG file from a stream as an IPicture holding a bitmap.

#include "com/ComObject.h"
#include "image/BmpReader.h"
#include "image/ImageLoading.h"
#include "image/JpegReader.h"

#include "plat/gdi.h"
#include "plat/olectl.h"

#include <algorithm>
#include <vector>

namespace {

constexpr ULONG kReadChunk = 1 << 16;
constexpr uint64_t kMaxPictureBytes = uint64_t(1) << 30;

// HIMETRIC (0.01 mm) of a length in pixels at 96 per inch, rounded to nearest.
LONG himetric(int pixels) { return LONG((int64_t(pixels) * 2540 + 48) / 96); }

class BitmapPicture final : public plat::com::ComObject<BitmapPicture, IPicture> {
public:
    BitmapPicture(HBITMAP bitmap, int width, int height) : bitmap_(bitmap), width_(width), height_(height) {}
    ~BitmapPicture() { DeleteObject(bitmap_); }

    void* face(REFIID riid) { return riid == IID_IPicture ? static_cast<IPicture*>(this) : nullptr; }

    HRESULT get_Handle(OLE_HANDLE* handle) override { return answer(handle, OLE_HANDLE(bitmap_)); }
    HRESULT get_hPal(OLE_HANDLE* palette) override { return answer(palette, OLE_HANDLE(0)); }
    HRESULT get_Type(SHORT* type) override { return answer(type, SHORT(PICTYPE_BITMAP)); }
    HRESULT get_Width(OLE_XSIZE_HIMETRIC* width) override { return answer(width, himetric(width_)); }
    HRESULT get_Height(OLE_YSIZE_HIMETRIC* height) override { return answer(height, himetric(height_)); }

    HRESULT Render(HDC, LONG, LONG, LONG, LONG, OLE_XPOS_HIMETRIC, OLE_YPOS_HIMETRIC, OLE_XSIZE_HIMETRIC,
                   OLE_YSIZE_HIMETRIC, LPCRECT) override
    {
        return E_NOTIMPL;
    }
    HRESULT set_hPal(OLE_HANDLE) override { return E_NOTIMPL; }
    HRESULT get_CurDC(HDC*) override { return E_NOTIMPL; }
    HRESULT SelectPicture(HDC, HDC*, OLE_HANDLE*) override { return E_NOTIMPL; }
    HRESULT get_KeepOriginalFormat(BOOL*) override { return E_NOTIMPL; }
    HRESULT put_KeepOriginalFormat(BOOL) override { return E_NOTIMPL; }
    HRESULT PictureChanged() override { return E_NOTIMPL; }
    HRESULT SaveAsFile(LPSTREAM, BOOL, LONG*) override { return E_NOTIMPL; }
    HRESULT get_Attributes(DWORD*) override { return E_NOTIMPL; }

private:
    template <class T> static HRESULT answer(T* out, T value)
    {
        if (!out)
            return E_POINTER;
        *out = value;
        return S_OK;
    }

    HBITMAP bitmap_;
    const int width_;
    const int height_;
};

// lSize bytes, or all that is left when it is 0 or less.
HRESULT readStream(IStream* stream, LONG size, std::vector<uint8_t>& bytes)
{
    const bool wholeRest = size <= 0;
    while (wholeRest || bytes.size() < size_t(size)) {
        const ULONG want = wholeRest ? kReadChunk : ULONG(std::min<size_t>(kReadChunk, size_t(size) - bytes.size()));
        if (bytes.size() + want > kMaxPictureBytes)
            return CTL_E_INVALIDPICTURE;
        const size_t at = bytes.size();
        bytes.resize(at + want);
        ULONG read = 0;
        const HRESULT hr = stream->Read(bytes.data() + at, want, &read);
        if (FAILED(hr))
            return hr;
        bytes.resize(at + std::min(read, want));
        if (read < want)
            return wholeRest ? S_OK : CTL_E_INVALIDPICTURE;
    }
    return S_OK;
}

bool decodePicture(plat::image::Bytes bytes, plat::image::Picture& picture)
{
    if (bytes.holds(0, 2) && bytes.data[0] == 'B' && bytes.data[1] == 'M')
        return plat::image::readBmp(bytes, picture);
    if (bytes.holds(0, 3) && bytes.data[0] == 0xFF && bytes.data[1] == 0xD8 && bytes.data[2] == 0xFF)
        return plat::image::readJpeg(bytes, picture);
    return false;
}

} // namespace

HRESULT OleLoadPicture(LPSTREAM lpstream, LONG lSize, BOOL /*fRunmode*/, REFIID riid, LPVOID* lplpvObj)
{
    if (!lplpvObj)
        return E_POINTER;
    *lplpvObj = nullptr;
    if (!lpstream)
        return E_POINTER;
    if (riid != IID_IPicture && riid != IID_IUnknown)
        return E_NOINTERFACE;
    std::vector<uint8_t> bytes;
    if (const HRESULT hr = readStream(lpstream, lSize, bytes); FAILED(hr))
        return hr;
    plat::image::Picture picture;
    if (!decodePicture(plat::image::Bytes{bytes.data(), bytes.size()}, picture))
        return CTL_E_INVALIDPICTURE;
    HBITMAP bitmap = plat::image::makeBitmap(picture, false);
    if (!bitmap)
        return E_OUTOFMEMORY;
    *lplpvObj = static_cast<IPicture*>(new BitmapPicture(bitmap, picture.width, picture.height));
    return S_OK;
}
