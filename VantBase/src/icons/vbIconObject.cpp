// The downloadable icon: its handle, how it loads (resource, file, or bytes through a temporary
// file) and how an animated cursor's frames are found by drawing.

#include "vbIcon.h"

#include "vbDnTempFile.h"

#include "plat/cursor.h"
#include "plat/gdi.h"
#include "plat/resource.h"

namespace {

// A still icon draws at any step; a cursor of fewer frames fails here.
constexpr UINT kProbeStep = 100;

} // namespace

const GUID CLSID_vbIconObject = {0xF59CE6ED, 0x2AF6, 0x4271, {0x96, 0xF9, 0xD5, 0x35, 0x5B, 0xE8, 0x18, 0x85}};
const char vbIconHOURGLASS[] = "res://VantBaseV5/hourglass!anicursor";

void sIvbIconLoaded::onIconLoaded(vbIcon*) { vbPurecall(); }

vbIconObject::vbIconObject(const vbString& url, int64_t key)
    : vbDnFileObject(url, key, "vbIconObject", "Icon", "an icon file")
{
}

vbIconObject::~vbIconObject()
{
    if (m_hIcon)
        DestroyIcon(m_hIcon);
}

int64_t vbIconObject::MakeKey(int width, int height)
{
    const uint32_t packed = (static_cast<uint32_t>(width) << 16) + (static_cast<uint32_t>(height) & 0xFFFFu);
    return static_cast<int32_t>(packed);
}

bool vbIconObject::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == CLSID_vbIconObject) {
        *ppv = this;
        return true;
    }
    return vbDnFileObject::GetInterface(iid, ppv);
}

const GUID& vbIconObject::GetClsId() const { return CLSID_vbIconObject; }

DWORD vbIconObject::GetMemSizeForCache() const { return 1024; }

const char* vbIconObject::GetDefaultResType() const { return RT_GROUP_ICON; }

void vbIconObject::setHandle(HICON icon, bool animated)
{
    HICON old = nullptr;
    {
        vbSectLock lock(m_pLock);
        old = m_hIcon;
        m_hIcon = icon;
        m_bAnimated = animated;
    }
    // A reload replaces the handle: the one before is not leaked.
    if (old && old != icon)
        DestroyIcon(old);
}

bool vbIconObject::LoadFromRes(vbDnData*, const char* name, const char* type, HINSTANCE module)
{
    if (type)
        return false;
    auto icon = static_cast<HICON>(LoadImageA(module, name, IMAGE_ICON, width(), height(), 0));
    if (!icon)
        return false;
    setHandle(icon, false);
    return true;
}

bool vbIconObject::LoadFromFile(vbDnData*, const vbString& path)
{
    auto icon = static_cast<HICON>(LoadImageA(nullptr, path, IMAGE_ICON, width(), height(), LR_LOADFROMFILE));
    if (!icon)
        return false;
    setHandle(icon, vbDnTempFile::IsAniPath(path));
    return true;
}

void vbIconObject::onLoadedFromBytes(bool animated)
{
    vbSectLock lock(m_pLock);
    m_bAnimated = animated;
}

HICON vbIconObject::GetHandle() const
{
    if (!IsLoaded())
        return nullptr;
    vbSectLock lock(m_pLock);
    return m_hIcon;
}

bool vbIconObject::IsValid() const { return GetHandle() != nullptr; }

bool vbIconObject::IsAnimated() const
{
    vbSectLock lock(m_pLock);
    return (m_bFirstDraw && m_bAnimated) || m_frameCount != 0;
}

bool vbIconObject::draw(HDC hdc, const RECT& rect, UINT step, HBRUSH brush) const
{
    return DrawIconEx(hdc, rect.left, rect.top, m_hIcon, width(), height(), step, brush, DI_NORMAL) != FALSE;
}

bool vbIconObject::DrawIcon(HDC hdc, const RECT& rect, WORD frame, LONG& firstFrame, HBRUSH brush, int)
{
    vbSectLock lock(m_pLock);
    if (!m_hIcon)
        return false;
    if (m_frameCount == 0) {
        const bool still = draw(hdc, rect, kProbeStep, brush);
        const bool first = m_bFirstDraw;
        m_bFirstDraw = false;
        if (still)
            return true;
        if (!first)
            return false;
        firstFrame = frame;
        m_frameCount = -1;
    }
    if (firstFrame < 0)
        firstFrame = frame;
    // The phase runs on the holder's 16-bit counter: its wrap is one step like any other.
    LONG step = LONG(frame) - firstFrame;
    if (step < 0)
        step += 0x10000;
    if (m_frameCount > 0)
        step %= m_frameCount;
    if (draw(hdc, rect, UINT(step), brush))
        return true;
    if (step == 0 || m_frameCount > 0)
        return false;
    // The first step that cannot be drawn is the number of frames.
    m_frameCount = step;
    return draw(hdc, rect, 0, brush);
}
