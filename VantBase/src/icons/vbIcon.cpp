// The icon holder: a download pointer with the wanted size, a callback and the animation phase.

#include "vbIcon.h"

#include "plat/resource.h"

namespace {

vbString resUrl(const char* name, HMODULE module) { return vbMakeResUrl(name, nullptr, module); }

} // namespace

vbIcon::vbIcon(sIvbIconLoaded* cb, const CSize& size) : vbDnPtr(vbString(), vbIconObject::MakeKey(size.cx, size.cy)), m_size(size), m_pCb(cb) { }

vbIcon::vbIcon(UINT id, const CSize& size, HMODULE module, vbDnPriority priority)
    : vbIcon(MAKEINTRESOURCE(id), size, module, priority)
{
}

vbIcon::vbIcon(const char* name, const CSize& size, HMODULE module, vbDnPriority priority)
    : vbDnPtr(resUrl(name, module), vbIconObject::MakeKey(size.cx, size.cy)), m_size(size)
{
    AskLoad(priority);
}

vbIcon::vbIcon(const vbIcon& other) : vbDnPtr(other), m_size(other.m_size) { AskLoad(vbDnPriority1); }

vbIcon& vbIcon::operator=(const vbIcon& other)
{
    if (this != &other) {
        vbDnPtr::operator=(other);
        m_size = other.m_size;
        resetPhase();
        AskLoad(vbDnPriority1);
    }
    return *this;
}

vbIcon::~vbIcon() { Unlink(); }

bool vbIcon::operator==(const vbIcon& other) const
{
    return GetUrl() == other.GetUrl() && m_size == other.m_size;
}

void vbIcon::resetPhase()
{
    m_firstFrame = -1;
    m_lastStep = 0;
    m_frame = 0;
}

bool vbIcon::setUrlSize(const vbString& url, const CSize& size, vbDnPriority priority)
{
    if (!SetUrlKey(url, vbIconObject::MakeKey(size.cx, size.cy)))
        return IsLoaded();
    m_size = size;
    return AskLoad(priority);
}

bool vbIcon::Set(const vbIcon& other, const CSize& size)
{
    *this = other;
    if (size == m_size)
        return AskLoad(vbDnPriority1);
    Unlink();
    SetUrlKey(GetUrl(), vbIconObject::MakeKey(size.cx, size.cy));
    m_size = size;
    return AskLoad(vbDnPriority1);
}

bool vbIcon::Set(UINT id, const CSize& size, HMODULE module, vbDnPriority priority)
{
    return Set(MAKEINTRESOURCE(id), size, module, priority);
}

bool vbIcon::Set(const char* name, const CSize& size, HMODULE module, vbDnPriority priority)
{
    return setUrlSize(resUrl(name, module), size, priority);
}

bool vbIcon::Set(UINT id, HMODULE module, vbDnPriority priority) { return Set(MAKEINTRESOURCE(id), m_size, module, priority); }

bool vbIcon::Set(const char* name, HMODULE module, vbDnPriority priority) { return Set(name, m_size, module, priority); }

bool vbIcon::SetUrl(const vbString& url, vbDnPriority priority) { return setUrlSize(url, m_size, priority); }

bool vbIcon::SetUrl(const vbString& url, const CSize& size, vbDnPriority priority)
{
    return setUrlSize(url, size, priority);
}

bool vbIcon::SetSize(const CSize& size, vbDnPriority priority) { return setUrlSize(GetUrl(), size, priority); }

vbIcon::operator HICON() const { return Get() ? Get()->GetHandle() : nullptr; }

bool vbIcon::IsValid() const { return Get() && Get()->IsValid(); }

bool vbIcon::IsAnimated() const { return Get() && Get()->IsAnimated(); }

vbIcon& vbIcon::WaitLoad(int timeOutMs, vbDnPriority)
{
    vbDnPtr::WaitLoad(timeOutMs);
    return *this;
}

bool vbIcon::DrawIcon(HDC hdc, const RECT& rect, WORD step, HBRUSH brush, int flags)
{
    vbIconObject* obj = Get();
    if (!obj)
        return false;
    if (step != m_lastStep)
        ++m_frame;
    const bool drawn = obj->DrawIcon(hdc, rect, m_frame, m_firstFrame, brush, flags);
    m_lastStep = step;
    return drawn;
}

void vbIcon::SetIconLoadedCB(sIvbIconLoaded* cb)
{
    // The object signals its holders under its pointer lock.
    vbPtrLock lock;
    if (vbIconObject* obj = Get())
        lock.Lock(static_cast<vbObject*>(obj));
    m_pCb = cb;
}

void vbIcon::onSignal(int signal)
{
    vbDnPtr::onSignal(signal);
    if (m_pCb)
        m_pCb->onIconLoaded(this);
}

void vbIcon::onLink()
{
    vbDnPtr::onLink();
    resetPhase();
}
