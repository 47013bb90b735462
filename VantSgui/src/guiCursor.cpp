#include "guiCursor.h"

#include "guiBase.h"

#include "vbException.h"

#include "plat/afxdll.h"
#include "plat/cursor.h"
#include "plat/errors.h"
#include "plat/file.h"
#include "plat/handles.h"
#include "plat/resource.h"

#include <memory>

#include <strings.h>

const IID IID_guiCursorObject = {0x368F6B0E, 0x56F8, 0x4A72, {0x9A, 0x2E, 0xD6, 0x3E, 0xBC, 0x9A, 0xED, 0x39}};

void cbIguiCursorLoaded::onCursorLoaded(guiCursor*) { guiPurecall(); }

namespace {

HRESULT lastErrorHr() { return HRESULT_FROM_WIN32(GetLastError()); }

bool endsWithAni(const vbString& text)
{
    const size_t n = text.GetLength();
    return n > 4 && strcasecmp(text.c_str() + n - 4, ".ani") == 0;
}

HINSTANCE currentInstance() { return AfxGetModuleState()->m_hCurrentInstanceHandle; }

// The file a cursor's bytes are written to while they arrive.
struct TempFile {
    vbString name;
    HANDLE file = INVALID_HANDLE_VALUE;

    ~TempFile()
    {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (!name.IsEmpty())
            DeleteFileA(name.c_str());
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------

guiCursorObject::guiCursorObject(const vbString& url, int64_t key) : vbTdnObject(url, key) { }

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
    return vbTdnObject::GetInterface(iid, ppv);
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
    m_bAnimated = endsWithAni(path);
    return true;
}

void guiCursorObject::LoadingStart(vbDnData* data, int64_t)
{
    char folder[MAX_PATH];
    if (GetTempPathA(MAX_PATH, folder) == 0)
        throw new vbEsys(lastErrorHr(), "guiCursorObject::LoadingStart() : can't get temp path");
    char name[MAX_PATH];
    if (GetTempFileNameA(folder, "KVX", 0, name) == 0)
        throw new vbEsys(lastErrorHr(), "guiCursorObject::LoadingStart() : can't create temp file");
    auto* record = new TempFile;
    record->name = name;
    record->file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (record->file == INVALID_HANDLE_VALUE) {
        const HRESULT hr = lastErrorHr();
        delete record;
        throw new vbEsys(true, hr, "guiCursorObject / dnData(%s) : can't open temp file", name);
    }
    data->SetUserData(record);
}

bool guiCursorObject::LoadingAddBuffer(vbDnData* data, const unsigned char* bytes, ULONG length)
{
    auto* record = static_cast<TempFile*>(data->GetUserData());
    if (!record || record->file == INVALID_HANDLE_VALUE)
        throw new vbEsys("guiCursorObject::LoadingAddBuffer() : LoadingStart() not called");
    DWORD written = 0;
    if (!WriteFile(record->file, bytes, length, &written, nullptr) || written != length)
        throw new vbEsys(lastErrorHr(), "guiCursorObject::LoadingAddBuffer() : write failure");
    return true;
}

void guiCursorObject::LoadingEnd(vbDnData* data, bool ok)
{
    auto* record = static_cast<TempFile*>(data->GetUserData());
    if (!record || record->file == INVALID_HANDLE_VALUE)
        throw new vbEsys("guiCursorObject::LoadingEnd() : LoadingStart() not called");
    data->SetUserData(nullptr);
    std::unique_ptr<TempFile> drop(record);
    if (!ok)
        return;
    CloseHandle(record->file);
    record->file = INVALID_HANDLE_VALUE;
    const vbString url = data->GetUrl();
    if (!LoadFromFile(data, record->name))
        throw new vbEdnUser(vbString("Cursor url '") + url + "' is invalid or is not a cursor file");
    vbString module, name, typeText;
    const char* namePtr = nullptr;
    const char* type = nullptr;
    if (vbGetResUrl(url, &module, &name, &namePtr, &typeText, &type))
        m_bAnimated = type == RT_ANICURSOR || type == RT_ANIICON;
    else
        m_bAnimated = endsWithAni(url);
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
