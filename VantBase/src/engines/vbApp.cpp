#include "vbApp.h"

#include "vbVersion.h"

const IID IID_vbApp = {0x5AD096E2, 0x3538, 0x4D25, {0xAC, 0x9D, 0x4D, 0x5D, 0x67, 0xB0, 0x96, 0xF8}};

vbApp::vbApp(const char* name, const char* label) : m_id(name)
{
    if (label)
        m_label = label;
}

vbApp::~vbApp() = default;

bool vbApp::GetInterface(const GUID& iid, const void** ppv) const
{
    return const_cast<vbApp*>(this)->GetInterface(iid, const_cast<void**>(ppv));
}

bool vbApp::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_sIvbExceptionCtx) {
        *ppv = static_cast<sIvbExceptionCtx*>(this);
        return true;
    }
    if (iid == IID_sIvbDlgCtx) {
        *ppv = static_cast<sIvbDlgCtx*>(this);
        return true;
    }
    if (iid == IID_vbApp || iid == IID_sIvbBase) {
        *ppv = static_cast<vbBase*>(this);
        return true;
    }
    return false;
}

vbString vbApp::GetAppId() const { return m_id; }

vbString vbApp::GetAppLabel() const
{
    if (m_label.IsEmpty())
        m_label = vbGetProductName(nullptr, true);
    return m_label;
}

bool vbApp::ExceptionShow(CException*, bool, const char*, int, const char*, const char*, DWORD, int*) { return false; }

bool vbApp::ExceptionTrace(CException*, bool, const char*, int) { return false; }

bool vbApp::CanShowExceptionDlg() const { return m_cExceptionDlgLock <= 0; }

bool vbApp::ShowMBox(HWND, const vbString&, const vbString&, DWORD, int*) { return false; }

bool vbApp::GetAppTitle(vbString* out) const
{
    *out = GetAppLabel();
    return !out->IsEmpty();
}

void vbApp::LockExceptionDlg() const { ++m_cExceptionDlgLock; }
void vbApp::UnlockExceptionDlg() const { --m_cExceptionDlgLock; }

void vbApp::dlgUseLock() { ++m_cDlgUseLock; }
void vbApp::dlgUseUnlock() { --m_cDlgUseLock; }
void vbApp::dlgDispLock() { ++m_cDlgDispLock; }
void vbApp::dlgDispUnlock() { --m_cDlgDispLock; }
bool vbApp::IsDlgDispLocked() { return m_cDlgDispLock > 0; }
bool vbApp::IsDlgUseLocked() { return m_cDlgUseLock > 0; }
bool vbApp::CanShowDlg() { return m_cDlgDispLock <= 0 && m_cExceptionDlgLock <= 0; }
HWND vbApp::GetDlgParentHwnd() { return nullptr; }
sIvbDlg* vbApp::CreateDlg(const GUID&, HWND) { return nullptr; }
