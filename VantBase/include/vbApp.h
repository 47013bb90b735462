#pragma once

// The base library's application object: the default exception and dialog context. An
// application installs it for a thread (g_vbExceptionEngine.SetContext) or as the default
// (SetDefaultContext) and overrides what it wants; as it is, the library shows its own message
// boxes and trace blocks. The counts are plain integers: a context is used from the threads that
// installed it.

#include "vbBaseItf.h"
#include "vbExceptionEngine.h"
#include "vbExport.h"
#include "vbString.h"

extern VBAPI const IID IID_vbApp;

class VBAPI vbApp : public vbBase, public sIvbExceptionCtx {
public:
    // label null: the calling module's product name, looked up on first use.
    vbApp(const char* name, const char* label);
    ~vbApp() override;

    bool GetInterface(const GUID& iid, const void** ppv) const override;
    bool GetInterface(const GUID& iid, void** ppv) override;

    virtual vbString GetAppId() const;
    virtual vbString GetAppLabel() const;

    bool ExceptionShow(CException* e, bool bDelete, const char* file, int line, const char* textBefore,
        const char* textAfter, DWORD type, int* pResult) override;
    bool ExceptionTrace(CException* e, bool bDelete, const char* file, int line) override;
    bool CanShowExceptionDlg() const override;
    bool ShowMBox(HWND hParent, const vbString& text, const vbString& title, DWORD type, int* pResult) override;
    bool GetAppTitle(vbString* out) const override;
    void LockExceptionDlg() const override;
    void UnlockExceptionDlg() const override;

    void dlgUseLock() override;
    void dlgUseUnlock() override;
    void dlgDispLock() override;
    void dlgDispUnlock() override;
    bool IsDlgDispLocked() override;
    bool IsDlgUseLocked() override;
    bool CanShowDlg() override;
    HWND GetDlgParentHwnd() override;
    sIvbDlg* CreateDlg(const GUID& iid, HWND hParent) override;

private:
    vbString m_id;
    mutable vbString m_label;
    mutable int m_cExceptionDlgLock = 0;
    int m_cDlgUseLock = 0;
    int m_cDlgDispLock = 0;
};
