#include "picImage.h"

#include "picCreate.h"

#include "VantPicture.h"

#include "vbExceptionReport.h"

const IID IID_picImage = {0x895DDEFB, 0xD3F0, 0x476B, {0x8D, 0x64, 0x9B, 0x6E, 0x1D, 0xFD, 0x11, 0x81}};

namespace {

int normalId(int bmpId) { return bmpId == -1 ? 1 : bmpId; }

} // namespace

bool picImage::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IpicImage) {
        *ppv = static_cast<IpicImage*>(this);
        return true;
    }
    if (iid == IID_picImage) {
        *ppv = static_cast<vbObject*>(this);
        return true;
    }
    return vbObject::GetInterface(iid, ppv);
}

void picImage::SetType(const char* type, const char* label)
{
    vbSectLock lock(m_pLock);
    m_type = vbString(type);
    m_label = vbString(label);
}

void picImage::LoadFromStream(IvbInputStream*) { notImplemented("LoadFromStream"); }
void picImage::SaveToStream(IvbOutputStream*) { notImplemented("SaveToStream"); }

bool picImage::GetDC(int, picDCPtr*, int, picReqMode mode)
{
    if (mode == picReqThrow)
        notImplemented("GetDC");
    return false;
}

bool picImage::GetBitmap(int bmpId, picBitmapPtr* out, picReqMode mode)
{
    vbSectLock lock(m_pLock);
    const int id = normalId(bmpId);
    if (id >= 1 && id <= m_bitmaps.GetLength() && !m_bitmaps[id].bitmap.IsNull()) {
        if (out)
            *out = m_bitmaps[id].bitmap;
        return true;
    }
    if (mode == picReqThrow)
        noSlot("GetBitmap", id);
    return false;
}

picSize picImage::GetPixelSize(int bmpId) const
{
    vbSectLock lock(m_pLock);
    return slot("GetPixelSize", bmpId).info.size;
}

picMetricSize picImage::GetMetricSize(int bmpId, picMetricUnit unit) const
{
    vbSectLock lock(m_pLock);
    return slot("GetMetricSize", bmpId).info.metricSize.ToUnit(unit, nullptr);
}

bool picImage::HasExtra4() const
{
    vbSectLock lock(m_pLock);
    return m_bitmaps.GetLength() > 0 && m_bitmaps[1].info.extra4 >= 0;
}

bool picImage::HasExtra2() const
{
    vbSectLock lock(m_pLock);
    return m_bitmaps.GetLength() > 0 && m_bitmaps[1].info.extra2 >= 0;
}

bool picImage::HasFrames() const { return false; }
int picImage::GetFrameCount() const { return 0; }
int picImage::GetCurrentFrame() const { return 0; }

int picImage::GetBitmapCount() const
{
    vbSectLock lock(m_pLock);
    return m_bitmaps.GetLength();
}

int picImage::GetBitmapInfo(int bmpId, picBmpInfo* out) const
{
    vbSectLock lock(m_pLock);
    const Slot& s = slot("GetBitmapInfo", bmpId);
    if (out)
        *out = s.info;
    return normalId(bmpId);
}

int picImage::GetBitmapInfos(vbArray<picBmpInfo>* out) const
{
    vbSectLock lock(m_pLock);
    const int count = m_bitmaps.GetLength();
    out->SetLength(count);
    for (int i = 1; i <= count; ++i)
        (*out)[i] = m_bitmaps[i].info;
    return count;
}

int picImage::FindBitmap(const picSize*, picBmpColorType, int) const { return -1; }

int picImage::SetBitmap(int bmpId, const picBmpInfo* info, IpicBitmap* bitmap)
{
    vbSectLock lock(m_pLock);
    Slot& s = slot("GetBitmapInfo", bmpId);
    if (info)
        s.info = *info;
    if (bitmap)
        s.bitmap = bitmap;
    return normalId(bmpId);
}

void picImage::SetBitmapInfo(int, const picBmpInfo*) { notImplemented("SetBitmapInfo"); }

int picImage::CreateBitmap(int bmpId, const picBmpInfo* info, picBitmapPtr* out)
{
    vbSectLock lock(m_pLock);
    const int id = normalId(bmpId);
    if (id < 1)
        noSlot("GetBitmapInfo", id);
    if (m_bitmaps.GetLength() < id)
        m_bitmaps.SetLength(id);
    Slot& s = m_bitmaps[id];
    if (info) {
        s.info = *info;
        s.info.OwnData();
    }
    picCreateBitmap(&s.bitmap, s.info.size, s.info.bmpType, s.info.bitsPerPixel, picReqThrow);
    if (out)
        *out = s.bitmap;
    return id;
}

void picImage::RemoveAllBitmaps()
{
    vbSectLock lock(m_pLock);
    m_bitmaps.RemoveAll();
}

bool picImage::IsEmpty() const
{
    vbSectLock lock(m_pLock);
    return m_bitmaps.GetLength() == 0;
}

bool picImage::HasBitmaps() const { return !IsEmpty(); }

void picImage::SetBitmapCount(int count)
{
    vbSectLock lock(m_pLock);
    m_bitmaps.SetLength(count);
}

void picImage::SetPixelSize(int, const picSize&) { notImplemented("SetPixelSize"); }
void picImage::SetMetricSize(int, const picMetricSize&) { notImplemented("SetMetricSize"); }

// The bitmap takes its own lock, and may keep it for the caller: the image's lock is let go first.
HBITMAP picImage::getHandle(int bmpId, sIvbLock** lockHolder)
{
    picBitmapPtr bitmap;
    {
        vbSectLock lock(m_pLock);
        const int id = normalId(bmpId);
        bitmap = slot("getHandle", id).bitmap;
        if (bitmap.IsNull())
            throw new picEcompress(E_FAIL, where("getHandle") + "bmpId=" + vbString(id) + " has no bitmap data");
    }
    return bitmap->getHandle(lockHolder);
}

void picImage::onDestruction(bool)
{
    try {
        vbSectLock lock(m_pLock);
        m_bitmaps.RemoveAll();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    } catch (...) {
        vbShowException(nullptr, false, __FILE__, __LINE__);
    }
}

vbString picImage::where(const char* op) const
{
    return "picImage(" + m_type + "/" + m_label + ")::" + op + "() : ";
}

void picImage::notImplemented(const char* op) const
{
    vbSectLock lock(m_pLock);
    throw new picEcompress(E_NOTIMPL, where(op) + "not implemented (VantPicture)");
}

void picImage::noSlot(const char* op, int bmpId) const
{
    throw new picEcompress(E_FAIL, where(op) + "bmpId=" + vbString(bmpId) + " doesn't exist");
}

picImage::Slot& picImage::slot(const char* op, int bmpId)
{
    return const_cast<Slot&>(static_cast<const picImage*>(this)->slot(op, bmpId));
}

const picImage::Slot& picImage::slot(const char* op, int bmpId) const
{
    const int id = normalId(bmpId);
    if (id < 1 || id > m_bitmaps.GetLength())
        noSlot(op, id);
    return m_bitmaps[id];
}

bool picCreateImage(picImagePtr* out, const char* type, const char* label, picReqMode)
{
    picCreateInto<picImage>(out, [&](picImage& image) { image.SetType(type, label); });
    return true;
}
