#include "guiCursor.h"

#include "guiBase.h"

#include "vbDnTempFile.h"

#include "plat/afxdll.h"
#include "plat/cursor.h"
#include "plat/resource.h"

const IID IID_guiCursorObject = {0x368F6B0E, 0x56F8, 0x4A72, {0x9A, 0x2E, 0xD6, 0x3E, 0xBC, 0x9A, 0xED, 0x39}};

void cbIguiCursorLoaded::onCursorLoaded(guiCursor*) { guiPurecall(); }

namespace {

HINSTANCE currentInstance() { return AfxGetModuleState()->m_hCurrentInstanceHandle; }

} // namespace

// ---------------------------------------------------------------------------------------------

guiCursorObject::guiCursorObject(const vbString& url, int64_t key)
    : vbDnFileObject(url, key, "guiCursorObject", "Cursor", "a cursor file")
{
}

guiCursorObject::~guiCursorObject()
{
    if (m_hCursor && !m_bShared)
        DestroyCursor(m_hCursor);
}

bool guiCursorObject::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_guiCursorObject) {
        *ppv = this;
        return true;
    }
    return vbDnFileObject::GetInterface(iid, ppv);
}

const GUID& guiCursorObject::GetClsId() const { return IID_guiCursorObject; }

DWORD guiCursorObject::GetMemSizeForCache() const { return 1024; }

const char* guiCursorObject::GetDefaultResType() const { return RT_GROUP_CURSOR; }

bool guiCursorObject::LoadFromRes(vbDnData*, const char* name, const char* type, HINSTANCE module)
{
    if (type)
        return false;
    const bool shared = !module || module == currentInstance();
    auto handle = static_cast<HCURSOR>(
        LoadImageA(module, name, IMAGE_CURSOR, 0, 0, shared ? LR_SHARED | LR_DEFAULTSIZE : LR_DEFAULTSIZE));
    if (!handle)
        return false;
    m_hCursor = handle;
    m_bShared = shared;
    m_bAnimated = false;
    return true;
}

bool guiCursorObject::LoadFromFile(vbDnData*, const vbString& path)
{
    auto handle = static_cast<HCURSOR>(LoadImageA(nullptr, path.c_str(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
    if (!handle)
        return false;
    m_hCursor = handle;
    m_bShared = false;
    m_bAnimated = vbDnTempFile::IsAniPath(path);
    return true;
}


HCURSOR guiCursorObject::GetHandle() const { return IsLoaded() ? m_hCursor : nullptr; }

bool guiCursorObject::IsValid() const { return GetHandle() != nullptr; }

// ---------------------------------------------------------------------------------------------

guiCursor::guiCursor(cbIguiCursorLoaded* cb) : m_pCb(cb) { }

guiCursor::guiCursor(unsigned int id) { setPending(MAKEINTRESOURCE(id)); }

guiCursor::guiCursor(const char* name) { setPending(name); }

guiCursor::guiCursor(const guiCursor& other) : vbDnPtr(other) { AskLoad(vbDnPriority1); }

guiCursor& guiCursor::operator=(const guiCursor& other)
{
    vbDnPtr::operator=(other);
    AskLoad(vbDnPriority1);
    return *this;
}

guiCursor::~guiCursor() = default;

void guiCursor::setPending(const char* name)
{
    if (name && !IS_INTRESOURCE(name)) {
        m_pendingName = name;
        m_pPending = m_pendingName.c_str();
    } else {
        m_pPending = name;
    }
}

void guiCursor::Set(unsigned int id, HINSTANCE module, vbDnPriority prio) { Set(MAKEINTRESOURCE(id), module, prio); }

void guiCursor::Set(const char* name, HINSTANCE module, vbDnPriority prio)
{
    SetUrl(vbMakeResUrl(name, nullptr, module), prio);
}

void guiCursor::SetUrl(const vbString& url, vbDnPriority prio)
{
    if (SetUrlKey(url, GetKey()))
        AskLoad(prio);
}

guiCursor::operator HICON() const
{
    if (!Get() && !const_cast<guiCursor*>(this)->loadNow())
        return nullptr;
    return Get() ? Get()->GetHandle() : nullptr;
}

bool guiCursor::IsValid() const { return Get() && Get()->IsValid(); }

bool guiCursor::IsAnimated() const { return Get() && Get()->IsAnimated(); }

guiCursor& guiCursor::WaitLoad(int timeout, vbDnPriority)
{
    vbDnPtr::WaitLoad(timeout);
    return *this;
}

void guiCursor::onSignal(int code)
{
    vbDnPtr::onSignal(code);
    if (m_pCb)
        m_pCb->onCursorLoaded(this);
}

bool guiCursor::loadNow()
{
    if (!m_pPending)
        return false;
    SetUrlKey(vbMakeResUrl(m_pPending, nullptr, nullptr), GetKey());
    CreateObject();
    guiCursorObject* obj = Get();
    if (!obj->LoadFromRes(nullptr, m_pPending, nullptr, currentInstance())
        && !obj->LoadFromRes(nullptr, m_pPending, nullptr, nullptr))
        obj->SetDnError(E_FAIL, vbString("guiCursor resource ") + GetUrl() + " not found");
    obj->SetLoadedFlag();
    m_pPending = nullptr;
    m_pendingName.Empty();
    return true;
}
