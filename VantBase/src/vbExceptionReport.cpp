// Showing and tracing caught exceptions. No exception context exists yet (the exception engine
// and the application object install them), so no box is ever shown: a shown exception writes
// its block to the log marked "(Can't show MBox) ", as it does whenever no context can show.

#include "vbExceptionReport.h"

#include "vbException.h"
#include "vbLog.h"
#include "vbStandIns.h"

#include "plat/errors.h"

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

vbString applicationTitle() { return vbStandInProductName(nullptr); }

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
    (void)textBefore;
    (void)textAfter;
    (void)type;
    try {
        vbString message = vbGetMsg(e, false);
        ReportInfo info = describe(e);
        vbString appTitle = applicationTitle();
        const bool canShow = false; // no context can show a box
        if (info.logged || !canShow) {
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
    } catch (CException* inner) {
        inner->Delete();
    } catch (...) {
    }
    deleteException(e, bDelete);
    return 0;
}

void vbTraceException(CException* e, bool bDelete, const char* file, int line)
{
    try {
        ReportInfo info = describe(e);
        if (!info.logged) {
            deleteException(e, bDelete);
            return;
        }
        vbString appTitle = applicationTitle();
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
