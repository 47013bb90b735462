// Showing and tracing caught exceptions. Both offer the exception to the calling thread's
// exception context first; without a context that can show, a shown exception only writes its
// block to the log, marked "(Can't show MBox) ".

#include "vbExceptionReport.h"

#include "vbException.h"
#include "vbExceptionEngine.h"
#include "vbLog.h"
#include "vbVersion.h"

#include "plat/errors.h"
#include "plat/message.h"
#include "plat/msgbox.h"

#include <cstring>

namespace {

struct ReportInfo {
    vbString title;
    DWORD mode = 16;
    bool logged = true;
    vbString ctx;
};

ReportInfo describe(CException* e)
{
    ReportInfo info;
    if (!e) {
        info.title = "System exception";
    } else if (!e->IsKindOf(RUNTIME_CLASS(vbEbase))) {
        info.title = "MFC system error";
    } else {
        vbEbase* be = static_cast<vbEbase*>(e);
        info.title = be->GetMBoxTitle();
        info.mode = be->GetMBoxMode();
        info.logged = be->IsToWriteOnLogFile();
        if (e->IsKindOf(RUNTIME_CLASS(vbEadv)))
            info.ctx = static_cast<vbEadv*>(e)->GetCtxString();
    }
    return info;
}

// The context's title, else the program's product name and version.
vbString applicationTitle(sIvbExceptionCtx* ctx)
{
    vbString title;
    if (ctx && ctx->GetAppTitle(&title))
        return title;
    return vbGetProductName(nullptr, true);
}

// Runs a context's unlock at the end of a scope; a failing unlock has nowhere to go.
template <class F>
class OnScopeExit {
public:
    explicit OnScopeExit(F f) : m_f(f) { }
    ~OnScopeExit()
    {
        try {
            m_f();
        } catch (CException* e) {
            e->Delete();
        } catch (...) {
        }
    }
    OnScopeExit(const OnScopeExit&) = delete;
    OnScopeExit& operator=(const OnScopeExit&) = delete;

private:
    F m_f;
};

void appendSource(vbString& block, const char* file, int line)
{
    if (file && *file) {
        block += file;
        block += '(';
        block += vbString(line);
        block += "): ";
    }
}

void appendContext(vbString& block, const vbString& ctx)
{
    if (!ctx.IsEmpty()) {
        block += "\n -> Context:\n";
        block += ctx;
    }
}

void deleteException(CException* e, bool bDelete)
{
    if (bDelete && e)
        e->Delete();
}

vbString systemText(DWORD code)
{
    vbString text;
    text.FormatErr(code);
    return text;
}

} // namespace

HRESULT vbGetHR(CException* e)
{
    if (!e)
        return E_POINTER;
    if (e->IsKindOf(RUNTIME_CLASS(vbEbase)))
        return static_cast<vbEbase*>(e)->GetHR();
    return static_cast<HRESULT>(static_cast<DWORD>(COleException::Process(e)) | 0x80000000u);
}

WORD vbGetHRcode(CException* e)
{
    if (!e)
        return 0x4003;
    if (e->IsKindOf(RUNTIME_CLASS(vbEbase)))
        return static_cast<vbEbase*>(e)->GetHRcode();
    return static_cast<WORD>(COleException::Process(e) & 0xFFFF);
}

DWORD vbGetHRfacCode(CException* e)
{
    if (!e)
        return 0x4003;
    if (e->IsKindOf(RUNTIME_CLASS(vbEbase)))
        return static_cast<vbEbase*>(e)->GetHRfacCode();
    return static_cast<DWORD>(COleException::Process(e)) & 0xFFFFu;
}

vbString vbGetMsg(CException* e, bool bNoErrCode)
{
    if (!e)
        return vbString("Unknown type exception !");
    if (!e->IsKindOf(RUNTIME_CLASS(vbEbase))) {
        if (e->IsKindOf(RUNTIME_CLASS(CMemoryException)))
            return vbString("Not enough memory");
        char buf[512] = {};
        e->GetErrorMessage(buf, sizeof buf, nullptr);
        return vbString(buf);
    }
    vbEbase* be = static_cast<vbEbase*>(e);
    vbString msg(be->GetMsg());
    if (bNoErrCode)
        return msg;
    HRESULT hr = be->GetRealHR();
    if (hr != E_FAIL && hr != 0) {
        vbString tail;
        if (const char* sys = be->GetHRmsg())
            tail.Format("\n\n[error code: %08X - %s]", static_cast<DWORD>(hr), sys);
        else
            tail.Format("\n\n[error code: %08X ???]", static_cast<DWORD>(hr));
        msg += tail;
    }
    return msg;
}

vbString vbGetHRmsg(CException* e)
{
    if (e && e->IsKindOf(RUNTIME_CLASS(vbEbase))) {
        const char* sys = static_cast<vbEbase*>(e)->GetHRmsg();
        return vbString(sys);
    }
    DWORD hr = static_cast<DWORD>(vbGetHR(e));
    vbString text = systemText(hr);
    if (text.IsEmpty())
        text = systemText(hr & 0x1FFFFFFFu);
    if (text.IsEmpty())
        text = systemText(hr & 0xFFFFu);
    return text;
}

int vbShowException(CException* e, bool bDelete, const char* file, int line, const char* textBefore,
    const char* textAfter, DWORD type)
{
    int result = 0;
    try {
        sIvbExceptionCtx* ctx = g_vbExceptionEngine.GetContext();
        HWND parent = nullptr;
        if (ctx) {
            if (ctx->ExceptionShow(e, bDelete, file, line, textBefore, textAfter, type, &result))
                return result;
            parent = ctx->GetDlgParentHwnd();
        }
        vbString message = vbGetMsg(e, false);
        ReportInfo info = describe(e);
        vbString appTitle = applicationTitle(ctx);
        const bool canShow = ctx && ctx->CanShowDlg();
        if (info.logged || !canShow) {
            MessageBeep(0x40);
            vbString block("<<EXCEPTION ! mbtrace");
            block += vbString('-', 99);
            block += "<<\n";
            appendSource(block, file, line);
            if (!canShow)
                block += "(Can't show MBox) ";
            block += info.title;
            if (!appTitle.IsEmpty()) {
                block += " / ";
                block += appTitle;
            }
            block += ": ";
            block += message;
            appendContext(block, info.ctx);
            block += "\n>>mbtrace";
            block += vbString('-', 111);
            block += ">>";
            vbRelOutput(block, info.logged);
        }
        if (canShow) {
            ctx->LockExceptionDlg();
            OnScopeExit unlock([ctx] { ctx->UnlockExceptionDlg(); });
            vbString title = info.title + " !";
            if (textBefore)
                message = vbString(textBefore) + "\n\n" + message;
            if (textAfter) {
                message += "\n\n";
                message += textAfter;
            }
            result = vbMBox(parent, message, title, info.mode | type);
        }
    } catch (CException* inner) {
        inner->Delete();
    } catch (...) {
    }
    deleteException(e, bDelete);
    return result;
}

void vbTraceException(CException* e, bool bDelete, const char* file, int line)
{
    try {
        sIvbExceptionCtx* ctx = g_vbExceptionEngine.GetContext();
        if (ctx && ctx->ExceptionTrace(e, bDelete, file, line))
            return;
        ReportInfo info = describe(e);
        if (!info.logged) {
            deleteException(e, bDelete);
            return;
        }
        vbString appTitle = applicationTitle(ctx);
        vbString message = vbGetMsg(e, false);
        vbString block("<<EXCEPTION !trace");
        block += vbString('-', 102);
        block += "<<\n";
        appendSource(block, file, line);
        if (!appTitle.IsEmpty()) {
            block += appTitle;
            block += " / ";
        }
        block += info.title;
        block += ": ";
        block += message;
        appendContext(block, info.ctx);
        block += "\n>>trace";
        block += vbString('-', 113);
        block += ">>";
        vbRelOutput(block, true);
    } catch (CException* inner) {
        inner->Delete();
    } catch (...) {
    }
    deleteException(e, bDelete);
}

int vbMBox(HWND hParent, const vbString& text, const vbString& title, DWORD type)
{
    sIvbExceptionCtx* ctx = g_vbExceptionEngine.GetContext();
    if (!ctx || ctx->IsDlgDispLocked()) {
        MessageBeep(0x40);
        vbRelOutput(vbString("VantBase / MBox display forbidden: ") + title + " / " + text, true);
        return 0;
    }
    int result = 0;
    if (ctx->ShowMBox(hParent, text, title, type, &result))
        return result;

    ctx->dlgUseLock();
    OnScopeExit useUnlock([ctx] { ctx->dlgUseUnlock(); });
    ctx->dlgDispLock();
    OnScopeExit dispUnlock([ctx] { ctx->dlgDispUnlock(); });
    vbString appTitle = applicationTitle(ctx);
    vbString caption;
    if (appTitle.IsEmpty())
        caption = title;
    else if (title.IsEmpty())
        caption = appTitle;
    else
        caption = title + " / " + appTitle;

    const LPARAM extra = GetMessageExtraInfo();
    // A pending quit would end the box at once: it is taken out and posted again afterwards.
    MSG quit;
    const bool hadQuit = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    result = MessageBoxA(hParent, text.c_str(), caption.IsEmpty() ? nullptr : caption.c_str(), type);
    if (hadQuit)
        PostQuitMessage(static_cast<int>(quit.wParam));
    SetMessageExtraInfo(extra);
    return result;
}
