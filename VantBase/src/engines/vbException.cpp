// The exception family: codes, messages, display rules and the throw trace.

#include "vbException.h"

#include "vbBaseItf.h"
#include "vbExceptionReport.h"
#include "engines/vbExceptionSwitches.h"
#include "vbLog.h"

#include "plat/errors.h"
#include "plat/module.h"
#include "plat/resource.h"
#include "plat/time.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr DWORD kStopIcon = 16;
constexpr DWORD kExclamationIcon = 48;

// Cuts trailing blanks, carriage returns and line feeds in place.
void cutTrailing(char* s)
{
    size_t n = std::strlen(s);
    while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\r' || s[n - 1] == '\n'))
        s[--n] = '\0';
}

char* systemText(DWORD code)
{
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0x400, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    if (n == 0 || !text) {
        if (text)
            LocalFree(text);
        return nullptr;
    }
    return text;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// vbEbase

IMPLEMENT_DYNAMIC(vbEbase, COleException)

vbEbase::vbEbase(HRESULT hr) : m_hr(hr), m_pszSysMsg(nullptr), m_bSysMsgLooked(false) { m_sc = hr; }

vbEbase::vbEbase(const vbEbase& other) : COleException(), m_hr(other.m_hr), m_pszSysMsg(nullptr), m_bSysMsgLooked(false)
{
    m_sc = other.m_sc;
}

vbEbase& vbEbase::operator=(const vbEbase& other)
{
    if (this != &other) {
        freeSysMsg();
        m_hr = other.m_hr;
        m_sc = other.m_sc;
    }
    return *this;
}

vbEbase::~vbEbase() { freeSysMsg(); }

void vbEbase::freeSysMsg() noexcept
{
    try {
        if (m_pszSysMsg)
            LocalFree(m_pszSysMsg);
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
    m_pszSysMsg = nullptr;
    m_bSysMsgLooked = false;
}

HRESULT vbEbase::GetHR() const
{
    if (m_hr < 0)
        return m_hr;
    if (m_hr == 0)
        return E_FAIL;
    // A positive code is a Win32 error number (registry calls store their own result): as it
    // was, a COM caller would take it for success.
    return static_cast<HRESULT>(0x80070000u | (static_cast<DWORD>(m_hr) & 0xFFFFu));
}

HRESULT vbEbase::GetRealHR() const { return m_hr; }
const char* vbEbase::GetMsg() const { vbPurecall(); }
bool vbEbase::IsToWriteOnLogFile() const { vbPurecall(); }
DWORD vbEbase::GetMBoxMode() const { vbPurecall(); }
const char* vbEbase::GetMBoxTitle() const { vbPurecall(); }
WORD vbEbase::GetHRcode() const { return static_cast<WORD>(m_hr & 0xFFFF); }
DWORD vbEbase::GetHRfacCode() const { return static_cast<DWORD>(m_hr) & 0x1FFFFFFFu; }
SCODE vbEbase::GetSC() const { return m_sc; }
WORD vbEbase::GetSCcode() const { return static_cast<WORD>(m_sc & 0xFFFF); }

const char* vbEbase::GetHRmsg() const
{
    if (!m_bSysMsgLooked) {
        m_bSysMsgLooked = true;
        DWORD hr = static_cast<DWORD>(m_hr);
        m_pszSysMsg = systemText(hr);
        if (!m_pszSysMsg)
            m_pszSysMsg = systemText(hr & 0x1FFFFFFFu);
        if (!m_pszSysMsg)
            m_pszSysMsg = systemText(hr & 0xFFFFu);
        if (m_pszSysMsg)
            cutTrailing(m_pszSysMsg);
    }
    return m_pszSysMsg;
}

BOOL vbEbase::GetErrorMessage(LPSTR buf, UINT max, UINT* pHelpContext)
{
    if (!buf || max == 0)
        return FALSE;
    if (pHelpContext)
        *pHelpContext = 0;
    const char* msg = GetMsg();
    if (!msg)
        msg = "";
    if (m_hr != E_FAIL && m_hr != 0) {
        vbString text;
        if (!text.FormatErr(static_cast<DWORD>(m_hr)))
            text.FormatErr(static_cast<DWORD>(m_hr) & 0xFFFFu);
        vbString suffix = text.IsEmpty() ? vbString("???") : vbString(" - ") + text;
        std::snprintf(buf, max, "%s\n\n[error code: %08X%s]", msg, static_cast<DWORD>(m_hr), suffix.c_str());
    } else {
        std::strncpy(buf, msg, max);
    }
    buf[max - 1] = '\0';
    return TRUE;
}

int vbEbase::ReportError(UINT nType, UINT nMessageID)
{
    char text[512] = {};
    bool hasText = nMessageID != 0 && LoadStringA(GetModuleHandleA(nullptr), nMessageID, text, sizeof text) > 0;
    return vbShowException(this, false, nullptr, 0, nullptr, hasText ? text : nullptr, nType);
}

void vbEbase::traceExcept(const char* className, HRESULT hr, const char* msg)
{
    if (!vbExcIsToTrace(className))
        return;
    vbString text;
    text.Format("EXCEPTION '%s' THROWN (%X) / %s", className ? className : "", static_cast<DWORD>(hr), msg ? msg : "");
    vbRelOutput(text, true);
}

// ---------------------------------------------------------------------------------------------
// vbEsys

IMPLEMENT_DYNAMIC(vbEsys, vbEbase)

vbEsys::vbEsys(HRESULT hr, const char* msg) : vbEbase(hr)
{
    std::snprintf(m_szMsg, sizeof m_szMsg, "%s", msg ? msg : "");
    traceExcept("vbEsys", hr, m_szMsg);
}

vbEsys::vbEsys(const char* msg) : vbEsys(E_FAIL, msg) { }

void vbEsys::setFormatted(const char* fmt, va_list args)
{
    if (!fmt || std::vsnprintf(m_szMsg, sizeof m_szMsg, fmt, args) < 0)
        m_szMsg[0] = '\0';
    m_szMsg[sizeof m_szMsg - 1] = '\0';
}

vbEsys::vbEsys(bool, HRESULT hr, const char* fmt, ...) : vbEbase(hr)
{
    va_list args;
    va_start(args, fmt);
    setFormatted(fmt, args);
    va_end(args);
    traceExcept("vbEsys", hr, m_szMsg);
}

vbEsys::vbEsys(bool, unsigned int hr, const char* fmt, ...) : vbEbase(static_cast<HRESULT>(hr))
{
    va_list args;
    va_start(args, fmt);
    setFormatted(fmt, args);
    va_end(args);
    traceExcept("vbEsys", GetRealHR(), m_szMsg);
}

vbEsys::vbEsys(bool, const char* fmt, ...) : vbEbase(E_FAIL)
{
    va_list args;
    va_start(args, fmt);
    setFormatted(fmt, args);
    va_end(args);
    traceExcept("vbEsys", E_FAIL, m_szMsg);
}

vbEsys::vbEsys(HRESULT hr) : vbEbase(hr)
{
    std::snprintf(m_szMsg, sizeof m_szMsg, "%s", "Unspecified error !");
    traceExcept("vbEsys", hr, "??");
}

vbEsys::vbEsys(const vbEsys& other) : vbEbase(other) { std::memcpy(m_szMsg, other.m_szMsg, sizeof m_szMsg); }

vbEsys& vbEsys::operator=(const vbEsys& other)
{
    vbEbase::operator=(other);
    if (this != &other)
        std::memcpy(m_szMsg, other.m_szMsg, sizeof m_szMsg);
    return *this;
}

vbEsys::~vbEsys() = default;

const char* vbEsys::GetMsg() const { return m_szMsg; }
bool vbEsys::IsToWriteOnLogFile() const { return true; }
DWORD vbEsys::GetMBoxMode() const { return kStopIcon; }
const char* vbEsys::GetMBoxTitle() const { return "System error"; }

// ---------------------------------------------------------------------------------------------
// vbEadv

IMPLEMENT_DYNAMIC(vbEadv, vbEbase)

vbEadv::vbEadv(HRESULT hr, const vbString& msg) : vbEbase(hr), m_msg(msg) { }
vbEadv::vbEadv(const vbString& msg) : vbEbase(E_FAIL), m_msg(msg) { }
vbEadv::vbEadv(HRESULT hr, const vbString& msg, const vbString& ctx) : vbEbase(hr), m_msg(msg), m_ctx(ctx) { }
vbEadv::vbEadv(const vbString& msg, const vbString& ctx) : vbEbase(E_FAIL), m_msg(msg), m_ctx(ctx) { }
vbEadv::vbEadv(const vbEadv& other) : vbEbase(other), m_msg(other.m_msg) { }

vbEadv& vbEadv::operator=(const vbEadv& other)
{
    vbEbase::operator=(other);
    m_msg = other.m_msg;
    return *this;
}

vbEadv::~vbEadv() = default;

const char* vbEadv::GetMsg() const { return m_msg; }
vbString vbEadv::GetCtxString() { return m_ctx; }

void vbEadv::AddCtx(const vbString& ctx)
{
    if (!m_ctx.IsEmpty())
        m_ctx += '\n';
    m_ctx += ctx;
}

vbString vbEadv::traceText(bool bWithCtx) const
{
    if (!bWithCtx)
        return m_msg;
    return m_msg + " / ctx=" + m_ctx;
}

IMPLEMENT_DYNAMIC(vbEuser, vbEadv)
VB_EADV_IMPLEMENT(vbEuser, vbEadv, "vbEuser")
VB_EADV_DISPLAY_IMPLEMENT(vbEuser, "User error", kExclamationIcon, vbExcIsToLog("vbEuser"))

IMPLEMENT_DYNAMIC(vbEapp, vbEadv)
VB_EADV_IMPLEMENT(vbEapp, vbEadv, "vbEapp")
VB_EADV_DISPLAY_IMPLEMENT(vbEapp, "Application error", kStopIcon, true)

IMPLEMENT_DYNAMIC(vbEappCfg, vbEadv)
VB_EADV_IMPLEMENT(vbEappCfg, vbEadv, "vbEappCfg")
VB_EADV_DISPLAY_IMPLEMENT(vbEappCfg, "Configuration error", kExclamationIcon, vbExcIsToLog("vbEappCfg", true))

IMPLEMENT_DYNAMIC(vbEscript, vbEadv)
VB_EADV_IMPLEMENT(vbEscript, vbEadv, "vbEscript")
VB_EADV_DISPLAY_IMPLEMENT(vbEscript, "Script error", kExclamationIcon, vbExcIsToLog("vbEscript", true))

IMPLEMENT_DYNAMIC(vbEhotPlug, vbEadv)
VB_EADV_DISPLAY_IMPLEMENT(vbEhotPlug, "HotPlug system error", kExclamationIcon,
    vbExcIsToLog("vbEhotPlug") || vbHotPlugTraceLevel() > 0)
vbEhotPlug::vbEhotPlug(HRESULT hr, const vbString& msg) : vbEadv(hr, msg), m_tick(GetTickCount())
{
    traceExcept("vbEhotPlug", hr, traceText(false));
}
vbEhotPlug::vbEhotPlug(const vbString& msg) : vbEadv(msg), m_tick(GetTickCount())
{
    traceExcept("vbEhotPlug", E_FAIL, traceText(false));
}
vbEhotPlug::vbEhotPlug(HRESULT hr, const vbString& msg, const vbString& ctx) : vbEadv(hr, msg, ctx), m_tick(GetTickCount())
{
    traceExcept("vbEhotPlug", hr, traceText(true));
}
vbEhotPlug::vbEhotPlug(const vbString& msg, const vbString& ctx) : vbEadv(msg, ctx), m_tick(GetTickCount())
{
    traceExcept("vbEhotPlug", E_FAIL, traceText(true));
}
vbEhotPlug::vbEhotPlug(const vbEhotPlug& other) : vbEadv(other), m_mode(other.m_mode), m_tick(other.m_tick) { }
vbEhotPlug::~vbEhotPlug() = default;

IMPLEMENT_DYNAMIC(vbEcompress, vbEadv)
VB_EADV_IMPLEMENT(vbEcompress, vbEadv, "vbEcompress")
VB_EADV_DISPLAY_IMPLEMENT(vbEcompress, "Compression system error", kStopIcon, true)

IMPLEMENT_DYNAMIC(vbEcompressUser, vbEcompress)
VB_EADV_IMPLEMENT(vbEcompressUser, vbEcompress, "vbEcompressUser")
VB_EADV_DISPLAY_IMPLEMENT(vbEcompressUser, "Compression error", kExclamationIcon, vbExcIsToLog("vbEcompressUser"))

IMPLEMENT_DYNAMIC(vbEstream, vbEadv)
vbEstream::vbEstream(const vbString& context, HRESULT hr, const vbString& msg) : vbEadv(hr, msg, context)
{
    traceExcept("vbEstream", hr, traceText(true));
}
vbEstream::vbEstream(const vbString& context, const vbString& msg) : vbEadv(E_FAIL, msg, context)
{
    traceExcept("vbEstream", E_FAIL, traceText(true));
}
vbEstream::vbEstream(const vbEstream& other) : vbEadv(other) { }
vbEstream::~vbEstream() = default;
VB_EADV_DISPLAY_IMPLEMENT(vbEstream, "Stream system error", kStopIcon, true)

IMPLEMENT_DYNAMIC(vbEdn, vbEadv)
VB_EADV_IMPLEMENT(vbEdn, vbEadv, "vbEdn")
VB_EADV_DISPLAY_IMPLEMENT(vbEdn, "Download system error", kStopIcon, true)

IMPLEMENT_DYNAMIC(vbEdnUser, vbEdn)
VB_EADV_IMPLEMENT(vbEdnUser, vbEdn, "vbEdnUser")
VB_EADV_DISPLAY_IMPLEMENT(vbEdnUser, "Download error", kExclamationIcon, vbExcIsToLog("vbEdnUser"))

IMPLEMENT_DYNAMIC(vbExmlParser, vbEadv)
VB_EADV_IMPLEMENT(vbExmlParser, vbEadv, "vbExmlParser")
VB_EADV_DISPLAY_IMPLEMENT(vbExmlParser, "XML parser error", kExclamationIcon, vbExcIsToLog("vbExmlParser"))

// ---------------------------------------------------------------------------------------------
// vbEdnHttp: the vbEdn part traces first, with the plain message; then the status.

IMPLEMENT_DYNAMIC(vbEdnHttp, vbEdn)

vbEdnHttp::vbEdnHttp(LONG status, const vbString& msg, vbDnConnectMode mode, const char* var)
    : vbEdn(msg), m_status(status), m_mode(mode), m_var(var)
{
    traceHttp(false);
}

vbEdnHttp::vbEdnHttp(LONG status, const vbString& msg, const vbString& ctx, vbDnConnectMode mode, const char* var)
    : vbEdn(msg, ctx), m_status(status), m_mode(mode), m_var(var)
{
    traceHttp(true);
}

vbEdnHttp::vbEdnHttp(LONG status, HRESULT hr, const vbString& msg, const vbString& ctx, vbDnConnectMode mode,
    const char* var)
    : vbEdn(hr, msg, ctx), m_status(status), m_mode(mode), m_var(var)
{
    traceHttp(true);
}

vbEdnHttp::vbEdnHttp(LONG status, HRESULT hr, const vbString& msg, vbDnConnectMode mode, const char* var)
    : vbEdn(hr, msg), m_status(status), m_mode(mode), m_var(var)
{
    traceHttp(false);
}

vbEdnHttp::vbEdnHttp(const vbEdnHttp& other)
    : vbEdn(other), m_status(other.m_status), m_mode(other.m_mode), m_var(other.m_var)
{
}

vbEdnHttp::~vbEdnHttp() = default;

void vbEdnHttp::traceHttp(bool bWithCtx) const
{
    vbString text(static_cast<int>(m_status));
    text += ' ';
    text += traceText(bWithCtx);
    traceExcept("vbEdnHttp", GetRealHR(), text);
}

bool vbEdnHttp::IsToWriteOnLogFile() const { return m_status >= 500 || vbExcIsToLog("vbEdnHttp"); }
DWORD vbEdnHttp::GetMBoxMode() const { return m_status < 500 ? kExclamationIcon : kStopIcon; }
const char* vbEdnHttp::GetMBoxTitle() const { return "Download system error"; }
LONG vbEdnHttp::GetHttpStatus() const { return m_status; }
vbDnConnectMode vbEdnHttp::GetConnectMode() { return m_mode; }
vbString vbEdnHttp::GetConnectVar() { return m_var; }

// ---------------------------------------------------------------------------------------------
// vbEdnRetry and its kinds

IMPLEMENT_DYNAMIC(vbEdnRetry, vbEdn)

vbEdnRetry::vbEdnRetry(HRESULT hr, const vbString& msg, int delay) : vbEdn(hr, msg), m_timeOut(delay) { }
vbEdnRetry::vbEdnRetry(const vbString& msg, int delay) : vbEdn(msg), m_timeOut(delay) { }
vbEdnRetry::vbEdnRetry(HRESULT hr, const vbString& msg, const vbString& ctx, int delay)
    : vbEdn(hr, msg, ctx), m_timeOut(delay)
{
}
vbEdnRetry::vbEdnRetry(const vbString& msg, const vbString& ctx, int delay) : vbEdn(msg, ctx), m_timeOut(delay) { }
vbEdnRetry::vbEdnRetry(const vbEdnRetry& other) : vbEdn(other), m_timeOut(other.m_timeOut) { }
vbEdnRetry::~vbEdnRetry() = default;
DWORD vbEdnRetry::GetMBoxMode() const { return kExclamationIcon; }
const char* vbEdnRetry::GetMBoxTitle() const { return "Download system error"; }
int vbEdnRetry::GetTimeOut() const { return m_timeOut; }

#define VB_EDNRETRY_IMPLEMENT(cls, traceName) \
    cls::cls(HRESULT hr, const vbString& msg, int delay) : vbEdnRetry(hr, msg, delay) \
    { \
        traceExcept(traceName, hr, traceText(false)); \
    } \
    cls::cls(const vbString& msg, int delay) : vbEdnRetry(msg, delay) \
    { \
        traceExcept(traceName, E_FAIL, traceText(false)); \
    } \
    cls::cls(HRESULT hr, const vbString& msg, const vbString& ctx, int delay) : vbEdnRetry(hr, msg, ctx, delay) \
    { \
        traceExcept(traceName, hr, traceText(true)); \
    } \
    cls::cls(const vbString& msg, const vbString& ctx, int delay) : vbEdnRetry(msg, ctx, delay) \
    { \
        traceExcept(traceName, E_FAIL, traceText(true)); \
    } \
    cls::cls(const cls& other) : vbEdnRetry(other) { } \
    cls::~cls() = default;

IMPLEMENT_DYNAMIC(vbEdnRetryLater, vbEdnRetry)
VB_EDNRETRY_IMPLEMENT(vbEdnRetryLater, "vbEdnRetryLater")
bool vbEdnRetryLater::IsToWriteOnLogFile() const { return vbExcIsToLog("vbEdnRetryLater"); }

IMPLEMENT_DYNAMIC(vbEdnRetrySession, vbEdnRetry)
VB_EDNRETRY_IMPLEMENT(vbEdnRetrySession, "vbEdnRetrySession")
bool vbEdnRetrySession::IsToWriteOnLogFile() const { return vbExcIsToLog("vbEdnRetrySession"); }

IMPLEMENT_DYNAMIC(vbEdnRetryNow, vbEdnRetry)
vbEdnRetryNow::vbEdnRetryNow(HRESULT hr, const vbString& msg) : vbEdnRetry(hr, msg, -1)
{
    traceExcept("vbEdnRetryNow", hr, traceText(false));
}
vbEdnRetryNow::vbEdnRetryNow(const vbString& msg) : vbEdnRetry(msg, -1)
{
    traceExcept("vbEdnRetryNow", E_FAIL, traceText(false));
}
vbEdnRetryNow::vbEdnRetryNow(HRESULT hr, const vbString& msg, const vbString& ctx) : vbEdnRetry(hr, msg, ctx, -1)
{
    traceExcept("vbEdnRetryNow", hr, traceText(true));
}
vbEdnRetryNow::vbEdnRetryNow(const vbString& msg, const vbString& ctx) : vbEdnRetry(msg, ctx, -1)
{
    traceExcept("vbEdnRetryNow", E_FAIL, traceText(true));
}
vbEdnRetryNow::vbEdnRetryNow(const vbEdnRetryNow& other) : vbEdnRetry(other) { }
vbEdnRetryNow::~vbEdnRetryNow() = default;
bool vbEdnRetryNow::IsToWriteOnLogFile() const { return vbExcIsToLog("vbEdnRetryNow"); }

// ---------------------------------------------------------------------------------------------
// vbEadvCtx: a wrapper of any exception

IMPLEMENT_DYNAMIC(vbEadvCtx, vbEadv)

vbEadvCtx::vbEadvCtx(CException* e) : vbEadv(vbGetHR(e), vbGetMsg(e, true)), m_bLogged(true), m_mode(kStopIcon)
{
    if (!e) {
        m_title = "System exception";
    } else if (!e->IsKindOf(RUNTIME_CLASS(vbEbase))) {
        m_title = "MFC system error";
    } else {
        vbEbase* be = static_cast<vbEbase*>(e);
        m_title = be->GetMBoxTitle();
        m_mode = be->GetMBoxMode();
        m_bLogged = be->IsToWriteOnLogFile();
        if (e->IsKindOf(RUNTIME_CLASS(vbEadv)))
            m_ctx = static_cast<vbEadv*>(e)->GetCtxString();
    }
}

vbEadvCtx::vbEadvCtx(const vbEadvCtx& other)
    : vbEadv(other), m_title(other.m_title), m_bLogged(other.m_bLogged), m_mode(other.m_mode)
{
}

vbEadvCtx::~vbEadvCtx() = default;
bool vbEadvCtx::IsToWriteOnLogFile() const { return m_bLogged; }
DWORD vbEadvCtx::GetMBoxMode() const { return m_mode; }
const char* vbEadvCtx::GetMBoxTitle() const { return m_title; }
