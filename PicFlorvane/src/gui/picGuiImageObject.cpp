#include "picGuiImageObject.h"

#include "picMainWnd.h"

#include "gui/picProgressLine.h"

#include "picCompressPlugType.h"
#include "picException.h"

#include "guiProgress.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbFileTools.h"

#include "plat/gdi.h"

#include <algorithm>
#include <mutex>

namespace {

// The file whose load the pictures' line last told of.
std::mutex g_lineLock;
vbString g_lineUrl;

} // namespace

picGuiImageObject::picGuiImageObject(const vbString& url, int64_t key) : vbTdnObject(url, key) {}

picGuiImageObject::~picGuiImageObject() = default;

bool picGuiImageObject::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_picGuiImageObject) {
        *ppv = this;
        return true;
    }
    return vbTdnObject::GetInterface(iid, ppv);
}

DWORD picGuiImageObject::GetMemSizeForCache() const
{
    picSize size;
    if (!GetBitmapSize(&size))
        return 1024;
    return static_cast<DWORD>(static_cast<int64_t>(size.cx) * size.cy / 1024);
}

bool picGuiImageObject::LoadFromRes(vbDnData*, const char*, const char*, HINSTANCE) { return false; }

bool picGuiImageObject::LoadFromFile(vbDnData*, const vbString&) { return false; }

void picGuiImageObject::LoadingStart(vbDnData*, int64_t size)
{
    if (progress().IsNull()) {
        ProgressPtr cb;
        if (guiProgress* strip = picGetMainProgress()) {
            std::lock_guard lock(g_lineLock);
            g_lineUrl = GetUrl();
            strip->GetPlugCb(true, &cb, IID_picGuiImageObject, vbGetFileNameExt(GetUrl().c_str()),
                static_cast<vbPlugUpdateCaps>(0));
        }
        // The load's own line, which the file's node cuts as it goes.
        cb = picProgressLine::Open(GetUrl(), cb);
        vbSectLock lock(m_pLock);
        m_progress = cb;
    }
    {
        vbSectLock lock(m_pLock);
        m_damage.Empty();
    }
    m_failure.Empty();
    m_expected = size;
    m_loaded = 0;
    m_decompressor.Release();
    m_buffer.Clear();
}

void picGuiImageObject::HideLineOf(const vbString& url)
{
    if (url.IsEmpty())
        return;
    // Cut first: a load of the file that runs on would show the hidden line again.
    picProgressLine::CutAll(url);
    guiProgress* strip = picGetMainProgress();
    std::lock_guard lock(g_lineLock);
    if (!strip || g_lineUrl != url)
        return;
    g_lineUrl.Empty();
    strip->HidePlugCb(IID_picGuiImageObject);
}

bool picGuiImageObject::LoadingAddBuffer(vbDnData*, const unsigned char* bytes, ULONG length)
{
    if (length == 0)
        return true;
    try {
        if (!m_decompressor.IsNull()) {
            feed(bytes, static_cast<int>(length));
            return true;
        }
        m_buffer.Add(bytes, static_cast<int>(length));
        int needed = 0;
        const vbString ext = vbGetFileExt(GetUrl().c_str(), false);
        const unsigned char* examined = static_cast<const unsigned char*>(static_cast<const void*>(m_buffer));
        if (g_picCompressPlugType.CanWorkWithType(
                ext.c_str(), examined, m_buffer.GetLength(), &needed, &m_decompressor, nullptr)) {
            feed(examined, m_buffer.GetLength());
            m_buffer.Clear();
            return true;
        }
        if (needed > 0)
            return true;
        throwUnreadable("picGuiImageObject::LoadingAddBuffer()");
    } catch (CException* e) {
        // The centre ends the load as failed before it keeps the error: its line is told why now.
        m_failure = vbGetMsg(e, true);
        throw;
    }
}

void picGuiImageObject::feed(const unsigned char* bytes, int length)
{
    m_decompressor->Write(bytes, static_cast<ULONG>(length), true);
    m_loaded += length;
    if (ProgressPtr cb = progress(); !cb.IsNull())
        cb->OnProgress(nullptr, static_cast<ULONG>(m_loaded), static_cast<ULONG>(m_expected),
            static_cast<vbPlugStatus>(-1), "Loading");
}

void picGuiImageObject::LoadingEnd(vbDnData*, bool ok)
{
    picDecompressorPtr decompressor = m_decompressor;
    const bool sawBytes = m_loaded > 0 || m_buffer.GetLength() > 0;
    m_decompressor.Release();
    m_buffer.Clear();
    // The line is let go whatever the end: a listener kept alive would hold up the strip's end.
    ProgressPtr cb;
    {
        vbSectLock lock(m_pLock);
        cb = m_progress;
        m_progress.Release();
    }
    if (!ok) {
        reportFailure(cb, m_failure);
        return;
    }
    try {
        finish(decompressor, sawBytes);
    } catch (CException* e) {
        reportFailure(cb, vbGetMsg(e, true));
        throw;
    } catch (...) {
        reportFailure(cb, vbString());
        throw;
    }
    if (cb.IsNull())
        return;
    const vbString damage = GetDamage();
    if (damage.IsEmpty())
        cb->OnLoadPluginAsked(nullptr, false);
    else
        cb->OnError(nullptr, false, static_cast<LONG>(0x80004005), "Damaged file: " + damage);
}

void picGuiImageObject::finish(const picDecompressorPtr& decompressor, bool sawBytes)
{
    // Too few bytes for any plug-in's test: nothing was ever decoded. No plug-in coming later
    // reads such a file, so the centre is not to try it again as it would for a plug-in failure.
    if (decompressor.IsNull())
        throw new picEcompressUser(E_FAIL,
            "Can't read image file '" + GetUrl() + "' : "
                + (sawBytes ? "the file is too short to be a picture" : "the file is empty"),
            vbString("picGuiImageObject::LoadingEnd()"));
    vbString damage;
    if (!decompressor->EndOfData(&damage)) {
        vbSectLock lock(m_pLock);
        m_damage = damage;
    }
    picImagePtr image;
    decompressor->GetOutput(&image, picReqThrow);
    SetImage(image);
}

void picGuiImageObject::reportFailure(const ProgressPtr& cb, const vbString& reason)
{
    if (!cb.IsNull())
        cb->OnError(nullptr, false, static_cast<LONG>(0x80004005),
            reason.IsEmpty() ? vbString("Load failed") : "Load failed: " + reason);
}

void picGuiImageObject::throwUnreadable(const char* context) const
{
    throw new vbEhotPlug(
        "Can't read image file '" + GetUrl() + "' : plugin not ready, missing, or file corrupted", context);
}

vbString picGuiImageObject::GetDamage() const
{
    vbSectLock lock(m_pLock);
    return m_damage;
}

picGuiImageObject::ProgressPtr picGuiImageObject::progress() const
{
    vbSectLock lock(m_pLock);
    return m_progress;
}

picImagePtr picGuiImageObject::GetImage() const
{
    vbSectLock lock(m_pLock);
    return m_image;
}

void picGuiImageObject::SetImage(IpicImage* image)
{
    picImagePtr dropped;
    vbSectLock lock(m_pLock);
    dropped = m_image;
    m_image = image;
}

bool picGuiImageObject::GetBitmapSize(picSize* size) const
{
    picImagePtr image = GetImage();
    if (image.IsNull() || image->GetBitmapCount() < 1 || !image->HasBitmaps())
        return false;
    *size = image->GetPixelSize(-1);
    return true;
}

bool picGuiImageObject::Render(guiDrawInfo*, CDC* dc, LONG x, LONG y, LONG cx, LONG cy, LONG xSrc, LONG ySrc,
    LONG cxSrc, LONG cySrc)
{
    if (!IsLoaded())
        return false;
    picImagePtr image = GetImage();
    picBitmapPtr bitmap;
    if (image.IsNull() || !image->GetBitmap(-1, &bitmap, picReqNoThrow) || bitmap.IsNull())
        return false;
    sIvbLock* held = nullptr;
    HBITMAP handle = bitmap->getHandle(&held);
    struct Release {
        sIvbLock* lock;
        ~Release()
        {
            if (lock)
                lock->Unlock();
        }
    } release{held};
    if (!handle)
        return false;
    HDC memory = CreateCompatibleDC(dc->GetSafeHdc());
    if (!memory)
        memory = CreateCompatibleDC(nullptr);
    if (!memory)
        throw new vbEsys("picGuiImageObject::Render() : dc failure");
    const picSize size = bitmap->GetPixelSize();
    if (cxSrc == -1)
        cxSrc = size.cx;
    if (cySrc == -1)
        cySrc = size.cy;
    HGDIOBJ previous = SelectObject(memory, handle);
    const int previousMode = SetStretchBltMode(dc->GetSafeHdc(), HALFTONE);
    StretchBlt(dc->GetSafeHdc(), x, y, cx, cy, memory, xSrc, ySrc, cxSrc, cySrc, SRCCOPY);
    SetStretchBltMode(dc->GetSafeHdc(), previousMode);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return true;
}

bool picGuiImagePtr::HasBitmap() const
{
    picSize size;
    return IsLoaded() && Get()->GetBitmapSize(&size);
}

void picGuiImagePtr::onSignal(int code)
{
    vbDnPtr::onSignal(code);
    if (m_pOwner && (code == 0 || code == -1))
        m_pOwner->onImageLoaded(this);
}
