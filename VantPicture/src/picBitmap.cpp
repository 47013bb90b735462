#include "picBitmap.h"

#include "picCreate.h"

#include "VantPicture.h"

#include "plat/bitmap.h"
#include "plat/errors.h"
#include "plat/gdi.h"
#include "plat/paint.h"

#include <cstdarg>
#include <cstring>

const IID IID_picBitmap = {0xA9B14FC7, 0x9251, 0x499C, {0xBE, 0xCE, 0xE1, 0xBA, 0xD6, 0xED, 0x07, 0xA8}};

namespace {

// Throws picEcompress with hr, msg and the printf-formatted context.
[[noreturn]] __attribute__((format(printf, 3, 4))) void refuse(HRESULT hr, const char* msg, const char* ctxFmt, ...)
{
    vbString ctx;
    va_list args;
    va_start(args, ctxFmt);
    ctx.FormatV(ctxFmt, args);
    va_end(args);
    throw new picEcompress(hr, vbString(msg), ctx);
}

// The depth a colour type takes for bitsPerPixel (0: its default); 0 when the pair is refused.
int acceptedDepth(picBmpColorType bmpType, int bitsPerPixel)
{
    switch (bmpType) {
    case picBmpGrey:
        if (bitsPerPixel == 0)
            return 8;
        return bitsPerPixel == 1 || bitsPerPixel == 8 || bitsPerPixel == 24 || bitsPerPixel == 32 ? bitsPerPixel : 0;
    case picBmpRGB:
    case picBmpYCbCr:
        if (bitsPerPixel == 0)
            return 24;
        return bitsPerPixel == 24 || bitsPerPixel == 32 ? bitsPerPixel : 0;
    case picBmpCMYK:
    case picBmpYCCK:
    case picBmpType5:
    case picBmpType6:
        return bitsPerPixel == 0 || bitsPerPixel == 32 ? 32 : 0;
    default:
        return 0;
    }
}

// The DIB row size; a width no section can have gives 0.
int32_t rowLengthOf(int32_t width, int bitsPerPixel)
{
    const int64_t length = (int64_t{bitsPerPixel} * width + 31) / 32 * 4;
    return length > INT32_MAX || length < INT32_MIN ? 0 : static_cast<int32_t>(length);
}

} // namespace

// The bitmap's lock for one operation. With a holder, the lock the holder had is let go first and,
// once the operation has succeeded, the bitmap's lock stays held in the holder.
class picBitmap::RowLock {
public:
    RowLock(const picBitmap& bitmap, sIvbLock** holder) : m_bitmap(bitmap), m_holder(holder)
    {
        if (holder && *holder) {
            sIvbLock* previous = *holder;
            *holder = nullptr;
            previous->Unlock();
        }
        bitmap.Lock();
    }
    ~RowLock()
    {
        if (!m_kept)
            m_bitmap.Unlock();
    }
    RowLock(const RowLock&) = delete;
    RowLock& operator=(const RowLock&) = delete;

    void keep()
    {
        if (m_holder) {
            *m_holder = const_cast<picBitmap*>(&m_bitmap);
            m_kept = true;
        }
    }

private:
    const picBitmap& m_bitmap;
    sIvbLock** m_holder;
    bool m_kept = false;
};

bool picBitmap::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IpicBitmap) {
        *ppv = static_cast<IpicBitmap*>(this);
        return true;
    }
    if (iid == IID_picBitmap) {
        *ppv = static_cast<vbObject*>(this);
        return true;
    }
    if (iid == IID_sIvbLock) {
        *ppv = static_cast<sIvbLock*>(this);
        return true;
    }
    return vbObject::GetInterface(iid, ppv);
}

void picBitmap::Lock() const { m_pLock->Lock(); }
void picBitmap::Unlock() const { m_pLock->Unlock(); }

bool picBitmap::GetDC(int, picDCPtr*, picReqMode mode)
{
    vbSectLock lock(m_pLock);
    if (mode == picReqThrow)
        throw new picEcompress(E_NOTIMPL, "picBitmap::GetDC() : not implemented (VantPicture)");
    return false;
}

void picBitmap::GetFormat(picSize* size, picBmpColorType* bmpType, int* bitsPerPixel) const
{
    vbSectLock lock(m_pLock);
    if (size)
        *size = m_size;
    if (bmpType)
        *bmpType = m_bmpType;
    if (bitsPerPixel)
        *bitsPerPixel = m_bitsPerPixel;
}

bool picBitmap::SetFormat(const picSize* size, picBmpColorType bmpType, int bitsPerPixel, bool keepData, picReqMode)
{
    vbSectLock lock(m_pLock);
    return reformat(size ? *size : m_size, bmpType == picBmpNone ? m_bmpType : bmpType,
        bitsPerPixel == 0 ? m_bitsPerPixel : bitsPerPixel, keepData);
}

// Only a copy in the source's own format is possible: any other would need a conversion.
bool picBitmap::CreateCopy(const picSize* size, picBmpColorType bmpType, int bitsPerPixel, picBitmapPtr* out,
    picReqMode mode)
{
    vbSectLock lock(m_pLock);
    const picSize askedSize = size ? *size : m_size;
    const picBmpColorType askedType = bmpType == picBmpNone ? m_bmpType : bmpType;
    const int askedDepth = bitsPerPixel == 0 ? m_bitsPerPixel : bitsPerPixel;
    if (!isFormat(askedSize, askedType, askedDepth))
        refuse(E_NOTIMPL, "Copy not supported for bitmap format asked",
            "picBitmap::CopyTo(bmpTypeSrc=%d, bitsPerPixelSrc=%d, bmpTypeDst=%d, bitsPerPixelDst=%d) (VantPicture)",
            m_bmpType, m_bitsPerPixel, askedType, askedDepth);
    picBitmapPtr copy;
    picCreateBitmap(&copy, m_size, m_bmpType, m_bitsPerPixel, mode);
    copy->SetData(m_bits, static_cast<int>(dataLength()));
    *out = copy;
    return true;
}

bool picBitmap::CopyTo(IpicBitmap* dst, picReqMode mode)
{
    vbSectLock lock(m_pLock);
    if (!dst->IsEmpty())
        refuse(E_NOTIMPL, "Copy not supported for bitmap format asked",
            "picBitmap::CopyTo(bmpTypeSrc=%d, bitsPerPixelSrc=%d, bmpTypeDst=%d, bitsPerPixelDst=%d) (VantPicture)",
            m_bmpType, m_bitsPerPixel, dst->GetBmpType(), dst->GetBitsPerPixel());
    if (!dst->SetFormat(&m_size, m_bmpType, m_bitsPerPixel, false, mode))
        return false;
    dst->SetData(m_bits, static_cast<int>(dataLength()));
    return true;
}

picSize picBitmap::GetPixelSize() const
{
    vbSectLock lock(m_pLock);
    return m_size;
}

picBmpColorType picBitmap::GetBmpType() const
{
    vbSectLock lock(m_pLock);
    return m_bmpType;
}

int picBitmap::GetBitsPerPixel() const
{
    vbSectLock lock(m_pLock);
    return m_bitsPerPixel;
}

int picBitmap::GetRowLength() const
{
    vbSectLock lock(m_pLock);
    return m_rowLength;
}

void picBitmap::SetPixelSize(const picSize& size, bool keepData)
{
    vbSectLock lock(m_pLock);
    reformat(size, m_bmpType, m_bitsPerPixel, keepData);
}

void picBitmap::SetBmpType(picBmpColorType bmpType, bool keepData)
{
    vbSectLock lock(m_pLock);
    reformat(m_size, bmpType, m_bitsPerPixel, keepData);
}

void picBitmap::SetBitsPerPixel(int bitsPerPixel, bool keepData)
{
    vbSectLock lock(m_pLock);
    reformat(m_size, m_bmpType, bitsPerPixel, keepData);
}

// A negative first row or a count below 1 fits no row.
int picBitmap::GetBitmapRow(sIvbLock** lockHolder, int firstRow, void** rows, int count, int byteLength)
{
    RowLock lock(*this, lockHolder);
    if (byteLength != 0 && byteLength > m_rowLength)
        refuse(E_NOTIMPL, "Byte length for rows too big for current bitmap format",
            "picBitmap::GetBitmapRow(bmpType=%d, bitsPerPixel=%d) (VantPicture)", m_bmpType, m_bitsPerPixel);
    int n = 0;
    if (firstRow >= 0 && count > 0 && firstRow < m_size.cy && m_bits) {
        n = count < m_size.cy - firstRow ? count : m_size.cy - firstRow;
        unsigned char* row = m_bits + int64_t{firstRow} * m_rowLength;
        for (int i = 0; i < n; ++i, row += m_rowLength)
            rows[i] = row;
    }
    lock.keep();
    return n;
}

void picBitmap::Clear()
{
    vbSectLock lock(m_pLock);
    refuse(E_NOTIMPL, "Clear not supported for current bitmap format",
        "picBitmap::Clear(bmpType=%d, bitsPerPixel=%d) (VantPicture)", m_bmpType, m_bitsPerPixel);
}

void picBitmap::Empty()
{
    vbSectLock lock(m_pLock);
    reset();
}

bool picBitmap::IsEmpty() const
{
    vbSectLock lock(m_pLock);
    return m_bits == nullptr;
}

bool picBitmap::HasData() const { return !IsEmpty(); }

void picBitmap::SetData(const void* data, int length)
{
    vbSectLock lock(m_pLock);
    const bool invalid = length < 0 || (length > 0 && !data);
    if (invalid || length > dataLength())
        refuse(invalid ? E_INVALIDARG : E_NOTIMPL, "Data to copy too big for current bitmap format",
            "picBitmap::CopyTo(bmpTypeDst=%d, bitsPerPixelDst=%d) (VantPicture)", m_bmpType, m_bitsPerPixel);
    if (length > 0)
        std::memcpy(m_bits, data, static_cast<size_t>(length));
}

HBITMAP picBitmap::getHandle(sIvbLock** lockHolder)
{
    RowLock lock(*this, lockHolder);
    lock.keep();
    return m_handle;
}

bool picBitmap::create(const picSize& size, picBmpColorType bmpType, int bitsPerPixel, picReqMode)
{
    vbSectLock lock(m_pLock);
    const int depth = acceptedDepth(bmpType, bitsPerPixel);
    if (depth == 0)
        refuse(E_NOTIMPL, "Bitmap format not supported", "picBitmap::create(bmpType=%d, bitsPerPixel=%d) (VantPicture)",
            bmpType, bitsPerPixel);
    m_bitsPerPixel = depth;
    m_rowLength = rowLengthOf(size.cx, depth);
    m_size = size;
    m_bmpType = bmpType;
    deleteSection();

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(depth);
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = ::GetDC(nullptr);
    void* bits = nullptr;
    HBITMAP handle = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const DWORD err = GetLastError();
    ::ReleaseDC(nullptr, screen);
    if (!handle)
        throw new picEcompress(err == 0 ? 0 : static_cast<HRESULT>((err & 0xFFFFu) | 0x80070000u),
            "Bitmap format not supported by OS");
    m_handle = handle;
    m_bits = static_cast<unsigned char*>(bits);
    return true;
}

void picBitmap::convert(const picSize&, picBmpColorType bmpType, int bitsPerPixel, picReqMode)
{
    refuse(E_NOTIMPL, "Bitmap format not supported", "picBitmap::convert(bmpType=%d, bitsPerPixel=%d) (VantPicture)",
        bmpType, bitsPerPixel);
}

void picBitmap::onDestruction(bool)
{
    vbSectLock lock(m_pLock);
    reset();
}

bool picBitmap::reformat(const picSize& size, picBmpColorType bmpType, int bitsPerPixel, bool keepData)
{
    if (isFormat(size, bmpType, bitsPerPixel))
        return true;
    if (keepData && m_bits)
        convert(size, bmpType, bitsPerPixel, picReqThrow);
    return create(size, bmpType, bitsPerPixel, picReqThrow);
}

bool picBitmap::isFormat(const picSize& size, picBmpColorType bmpType, int bitsPerPixel) const
{
    return size == m_size && bmpType == m_bmpType && bitsPerPixel == m_bitsPerPixel;
}

int64_t picBitmap::dataLength() const { return m_bits ? int64_t{m_rowLength} * m_size.cy : 0; }

void picBitmap::deleteSection()
{
    if (HBITMAP handle = m_handle) {
        m_bits = nullptr;
        m_handle = nullptr;
        ::DeleteObject(handle);
    }
}

void picBitmap::reset()
{
    deleteSection();
    m_size.Empty();
    m_bmpType = picBmpNone;
    m_bitsPerPixel = 0;
    m_rowLength = 0;
}

bool picCreateBitmap(picBitmapPtr* out, const picSize& size, picBmpColorType bmpType, int bitsPerPixel,
    picReqMode mode)
{
    picCreateInto<picBitmap>(out, [&](picBitmap& b) { b.create(size, bmpType, bitsPerPixel, mode); });
    return true;
}
