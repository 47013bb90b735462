#include "vbExceptionEngine.h"

#include "vbException.h"
#include "vbObjects.h"
#include "registry/vbRegSwitches.h"

#include "plat/thread.h"

const IID IID_vbExceptionEngine = {0x1CE27827, 0x63AB, 0x4E45, {0xAD, 0xA6, 0x20, 0x09, 0xC0, 0xAE, 0x4B, 0x38}};
const IID IID_sIvbExceptionCtx = {0x7ED22EEB, 0x7ECB, 0x4288, {0xB2, 0x25, 0x53, 0x10, 0x5A, 0xD5, 0x2C, 0x5F}};
const IID IID_sIvbDlgCtx = {0x74528C19, 0x47F5, 0x4124, {0xB4, 0xDC, 0x50, 0xCC, 0x74, 0xE7, 0xC9, 0xA9}};

vbExceptionEngine g_vbExceptionEngine;

// --- interfaces: what a class does not implement reports the purecall error ---

void sIvbDlgCtx::dlgUseLock() { vbPurecall(); }
void sIvbDlgCtx::dlgUseUnlock() { vbPurecall(); }
void sIvbDlgCtx::dlgDispLock() { vbPurecall(); }
void sIvbDlgCtx::dlgDispUnlock() { vbPurecall(); }
bool sIvbDlgCtx::IsDlgDispLocked() { vbPurecall(); }
bool sIvbDlgCtx::IsDlgUseLocked() { vbPurecall(); }
bool sIvbDlgCtx::CanShowDlg() { vbPurecall(); }
HWND sIvbDlgCtx::GetDlgParentHwnd() { vbPurecall(); }
sIvbDlg* sIvbDlgCtx::CreateDlg(const GUID&, HWND) { vbPurecall(); }

bool sIvbExceptionCtx::ExceptionShow(CException*, bool, const char*, int, const char*, const char*, DWORD, int*)
{
    vbPurecall();
}
bool sIvbExceptionCtx::ExceptionTrace(CException*, bool, const char*, int) { vbPurecall(); }
bool sIvbExceptionCtx::CanShowExceptionDlg() const { vbPurecall(); }
bool sIvbExceptionCtx::ShowMBox(HWND, const vbString&, const vbString&, DWORD, int*) { vbPurecall(); }
bool sIvbExceptionCtx::GetAppTitle(vbString*) const { vbPurecall(); }
void sIvbExceptionCtx::LockExceptionDlg() const { vbPurecall(); }
void sIvbExceptionCtx::UnlockExceptionDlg() const { vbPurecall(); }

// --- engine ---

vbExceptionEngine::vbExceptionEngine() : vbEngine(vbEngineStartAuto, "KVX Vantrel Exception Engine", vbEngineDeps()) { }

vbExceptionEngine::~vbExceptionEngine() { Destroy(); }

bool vbExceptionEngine::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbExceptionEngine) {
        *ppv = this;
        return true;
    }
    return vbEngine::GetInterface(iid, ppv);
}

bool vbExceptionEngine::onStop(bool)
{
    vbSectLock lock(&m_sect);
    m_contexts.Empty();
    return true;
}

int vbExceptionEngine::findCtxCb(const Entry* entry, DWORD threadId)
{
    if (threadId == entry->threadId)
        return 0;
    return threadId < entry->threadId ? 1 : -1;
}

vbExceptionEngine::Entry* vbExceptionEngine::findCtxSt(DWORD threadId, int* pPos)
{
    return m_contexts.FindSorted<DWORD>(threadId, &vbExceptionEngine::findCtxCb, pPos);
}

sIvbExceptionCtx* vbExceptionEngine::GetContext()
{
    try {
        if (!isNowStarted())
            return nullptr;
        vbLock use;
        if (!IsNowStarted(&use))
            return nullptr;
        vbSectLock lock(&m_sect);
        Entry* entry = findCtxSt(GetCurrentThreadId(), nullptr);
        return entry ? entry->ctx : m_pDefault;
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
    return nullptr;
}

sIvbExceptionCtx* vbExceptionEngine::SetContext(sIvbExceptionCtx* ctx)
{
    vbLock use(this);
    vbSectLock lock(&m_sect);
    int pos = 0;
    if (Entry* entry = findCtxSt(GetCurrentThreadId(), &pos)) {
        sIvbExceptionCtx* previous = entry->ctx;
        if (ctx)
            entry->ctx = ctx;
        else
            m_contexts.Delete(pos);
        return previous;
    }
    if (ctx)
        m_contexts.Insert(pos, Entry{GetCurrentThreadId(), ctx});
    return nullptr;
}

sIvbExceptionCtx* vbExceptionEngine::GetDefaultContext()
{
    vbSectLock lock(&m_sect);
    return m_pDefault;
}

sIvbExceptionCtx* vbExceptionEngine::SetDefaultContext(sIvbExceptionCtx* ctx)
{
    CheckReady();
    vbSectLock lock(&m_sect);
    sIvbExceptionCtx* previous = m_pDefault;
    m_pDefault = ctx;
    return previous;
}

int vbExceptionEngine::GetContextCount()
{
    vbSectLock lock(&m_sect);
    return m_contexts.GetLength();
}

bool vbExceptionEngine::IsToTrace(const char* className, bool bDefault)
{
    return isToSwitch(className, "TraceAll", "Trace", bDefault);
}

bool vbExceptionEngine::IsToLog(const char* className, bool bDefault)
{
    return isToSwitch(className, "LogAll", "Log", bDefault);
}

// While the engine does not run, or cannot be locked now, every class is traced and logged; so it
// is when the switches cannot be read.
bool vbExceptionEngine::isToSwitch(const char* className, const char* allName, const char* valueName, bool bDefault)
{
    try {
        if (!isNowStarted())
            return true;
        vbLock use;
        if (!IsNowStarted(&use))
            return true;
        return vbImpl::readExceptionSwitch(className, allName, valueName, bDefault);
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
    return true;
}
