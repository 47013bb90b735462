#pragma once

// The exception engine: one exception context per thread plus a default one, through which the
// application decides how caught exceptions and message boxes are shown (vbShowException,
// vbTraceException, vbMBox), and the switches that say whether an exception class is traced when
// it is built and written to the log file. While the engine does not run, no context exists
// (nothing is shown, blocks go to the log marked "(Can't show MBox) ") and every class counts as
// traced and logged.

#include "vbArray.h"
#include "vbBaseItf.h"
#include "vbEngine.h"
#include "vbExport.h"
#include "vbString.h"

#include "plat/afx.h"
#include "plat/types.h"

class sIvbDlg;

extern VBAPI const IID IID_vbExceptionEngine;
extern VBAPI const IID IID_sIvbExceptionCtx;
extern VBAPI const IID IID_sIvbDlgCtx;

// How an application shows dialogs; the default implementation is vbApp.
class VBAPI sIvbDlgCtx {
public:
    virtual void dlgUseLock();
    virtual void dlgUseUnlock();
    virtual void dlgDispLock();
    virtual void dlgDispUnlock();
    virtual bool IsDlgDispLocked();
    virtual bool IsDlgUseLocked();
    virtual bool CanShowDlg();
    virtual HWND GetDlgParentHwnd();
    virtual sIvbDlg* CreateDlg(const GUID& iid, HWND hParent);

protected:
    sIvbDlgCtx() = default;
    sIvbDlgCtx(const sIvbDlgCtx&) = default;
    sIvbDlgCtx& operator=(const sIvbDlgCtx&) { return *this; }
    ~sIvbDlgCtx() = default;
};

// How an application shows and traces exceptions. ExceptionShow, ExceptionTrace and ShowMBox
// answer true when they did the work themselves.
class VBAPI sIvbExceptionCtx : public sIvbBase, public sIvbDlgCtx {
public:
    virtual bool ExceptionShow(CException* e, bool bDelete, const char* file, int line, const char* textBefore,
        const char* textAfter, DWORD type, int* pResult);
    virtual bool ExceptionTrace(CException* e, bool bDelete, const char* file, int line);
    virtual bool CanShowExceptionDlg() const;
    virtual bool ShowMBox(HWND hParent, const vbString& text, const vbString& title, DWORD type, int* pResult);
    virtual bool GetAppTitle(vbString* out) const;
    virtual void LockExceptionDlg() const;
    virtual void UnlockExceptionDlg() const;

protected:
    sIvbExceptionCtx() = default;
    sIvbExceptionCtx(const sIvbExceptionCtx&) = default;
    sIvbExceptionCtx& operator=(const sIvbExceptionCtx&) { return *this; }
    ~sIvbExceptionCtx() = default;
};

class VBAPI vbExceptionEngine : public vbEngine {
public:
    vbExceptionEngine();
    ~vbExceptionEngine() override;

    using vbEngine::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // The calling thread's context, else the default one; null while the engine does not run.
    sIvbExceptionCtx* GetContext();
    // Installs (ctx not null) or removes (null) the calling thread's context; answers the one it
    // replaces. Throws "not started" while the engine does not run.
    sIvbExceptionCtx* SetContext(sIvbExceptionCtx* ctx);
    sIvbExceptionCtx* GetDefaultContext();
    sIvbExceptionCtx* SetDefaultContext(sIvbExceptionCtx* ctx);

    bool IsToTrace(const char* className) { return IsToTrace(className, false); }
    bool IsToTrace(const char* className, bool bDefault);
    bool IsToLog(const char* className) { return IsToLog(className, false); }
    bool IsToLog(const char* className, bool bDefault);
    bool IsToStop(const char*) { return false; }
    bool IsToStop(const char*, bool) { return false; }

    // The number of threads with a context of their own; for diagnostics and tests.
    int GetContextCount();

protected:
    void onStart() override { }
    bool onStop(bool bForce) override;

    struct Entry {
        DWORD threadId;
        sIvbExceptionCtx* ctx;
    };
    // The entry of threadId, or null; pPos gets its 1-based position or the one to insert it at.
    Entry* findCtxSt(DWORD threadId, int* pPos);
    // 0 for equal ids, 1 when the searched id is smaller than the entry's, -1 when larger.
    static int findCtxCb(const Entry* entry, DWORD threadId);

private:
    bool isToSwitch(const char* className, const char* allName, const char* valueName, bool bDefault);

    CCriticalSection m_sect;
    vbArray<Entry> m_contexts;
    sIvbExceptionCtx* m_pDefault = nullptr;
};

extern VBAPI vbExceptionEngine g_vbExceptionEngine;
