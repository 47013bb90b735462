#pragma once

// The system's exception family. Every failure travels as one of these: created with new, thrown
// by pointer, and deleted by whoever catches it with Delete(). Each class says how it is shown
// (title, message-box mode) and whether it goes to the log file; most announce themselves in the
// log when they are built.

#include "vbExport.h"
#include "vbString.h"

#include "plat/afx.h"
#include "plat/errors.h"
#include "plat/types.h"

// The download centre's connection modes; the values are the download centre's own.
enum vbDnConnectMode : int32_t;

class VBAPI vbEbase : public COleException {
    DECLARE_DYNAMIC(vbEbase)
public:
    explicit vbEbase(HRESULT hr);
    vbEbase(const vbEbase& other);
    vbEbase& operator=(const vbEbase& other);
    ~vbEbase() override;

    BOOL GetErrorMessage(LPSTR buf, UINT max, UINT* pHelpContext = nullptr) override;
    int ReportError(UINT nType = 0, UINT nMessageID = 0) override;

    // The code as an HRESULT a COM caller can test: a stored failure as it is, 0 as E_FAIL, and a
    // positive code (a Win32 error number) as 0x80070000 with its low 16 bits.
    virtual HRESULT GetHR() const;
    virtual HRESULT GetRealHR() const;
    virtual WORD GetHRcode() const;
    virtual DWORD GetHRfacCode() const;
    virtual SCODE GetSC() const;
    virtual WORD GetSCcode() const;
    virtual const char* GetMsg() const;
    virtual bool IsToWriteOnLogFile() const;
    virtual DWORD GetMBoxMode() const;
    virtual const char* GetMBoxTitle() const;
    // The system's text for the code (null when it has none), looked up once.
    virtual const char* GetHRmsg() const;

protected:
    // Writes "EXCEPTION '<class>' THROWN (<hr>) / <msg>" to the log when the class is traced.
    static void traceExcept(const char* className, HRESULT hr, const char* msg);

private:
    void freeSysMsg() noexcept;

    HRESULT m_hr;
    mutable char* m_pszSysMsg;
    mutable bool m_bSysMsgLooked;
};

// System and programming failures: a fixed message of at most 255 characters.
class VBAPI vbEsys : public vbEbase {
    DECLARE_DYNAMIC(vbEsys)
public:
    vbEsys(HRESULT hr, const char* msg);
    vbEsys(unsigned int hr, const char* msg) : vbEsys(static_cast<HRESULT>(hr), msg) { }
    explicit vbEsys(const char* msg);
    // printf-style; the bool only selects these forms.
    vbEsys(bool, HRESULT hr, const char* fmt, ...) __attribute__((format(printf, 4, 5)));
    vbEsys(bool, unsigned int hr, const char* fmt, ...) __attribute__((format(printf, 4, 5)));
    vbEsys(bool, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
    // "Unspecified error !"
    explicit vbEsys(HRESULT hr);
    vbEsys(const vbEsys& other);
    vbEsys& operator=(const vbEsys& other);
    ~vbEsys() override;

    const char* GetMsg() const override;
    bool IsToWriteOnLogFile() const override;
    DWORD GetMBoxMode() const override;
    const char* GetMBoxTitle() const override;

private:
    void setFormatted(const char* fmt, va_list args);

    char m_szMsg[256];
};

// Failures with a message and a context (several lines, one per AddCtx).
class VBAPI vbEadv : public vbEbase {
    DECLARE_DYNAMIC(vbEadv)
public:
    vbEadv(HRESULT hr, const vbString& msg);
    explicit vbEadv(const vbString& msg);
    vbEadv(HRESULT hr, const vbString& msg, const vbString& ctx);
    vbEadv(const vbString& msg, const vbString& ctx);
    // Copies leave the context behind.
    vbEadv(const vbEadv& other);
    vbEadv& operator=(const vbEadv& other);
    ~vbEadv() override;

    const char* GetMsg() const override;
    virtual vbString GetCtxString();
    virtual void AddCtx(const vbString& ctx);

protected:
    // The text a traced subclass writes: the message, plus " / ctx=" and the context when given.
    vbString traceText(bool bWithCtx) const;

    vbString m_msg;
    vbString m_ctx;
};

// Declares the four standard constructors and the copy of a vbEadv subclass.
#define VB_EADV_CONSTRUCTORS(cls) \
    cls(HRESULT hr, const vbString& msg); \
    explicit cls(const vbString& msg); \
    cls(HRESULT hr, const vbString& msg, const vbString& ctx); \
    cls(const vbString& msg, const vbString& ctx); \
    cls(const cls& other); \
    cls& operator=(const cls& other) = default; \
    ~cls() override

#define VB_EADV_DISPLAY \
    bool IsToWriteOnLogFile() const override; \
    DWORD GetMBoxMode() const override; \
    const char* GetMBoxTitle() const override

// The bodies of the declarations above, for a subclass of vbEadv (another library's too): the four
// standard constructors trace under traceName, the copy does not.
#define VB_EADV_IMPLEMENT(cls, base, traceName) \
    cls::cls(HRESULT hr, const vbString& msg) : base(hr, msg) { traceExcept(traceName, hr, traceText(false)); } \
    cls::cls(const vbString& msg) : base(msg) { traceExcept(traceName, E_FAIL, traceText(false)); } \
    cls::cls(HRESULT hr, const vbString& msg, const vbString& ctx) : base(hr, msg, ctx) \
    { \
        traceExcept(traceName, hr, traceText(true)); \
    } \
    cls::cls(const vbString& msg, const vbString& ctx) : base(msg, ctx) \
    { \
        traceExcept(traceName, E_FAIL, traceText(true)); \
    } \
    cls::cls(const cls& other) : base(other) { } \
    cls::~cls() = default;

#define VB_EADV_DISPLAY_IMPLEMENT(cls, title, mode, logged) \
    bool cls::IsToWriteOnLogFile() const { return logged; } \
    DWORD cls::GetMBoxMode() const { return mode; } \
    const char* cls::GetMBoxTitle() const { return title; }

// Refusals meant for the user.
class VBAPI vbEuser : public vbEadv {
    DECLARE_DYNAMIC(vbEuser)
public:
    VB_EADV_CONSTRUCTORS(vbEuser);
    VB_EADV_DISPLAY;
};

class VBAPI vbEapp : public vbEadv {
    DECLARE_DYNAMIC(vbEapp)
public:
    VB_EADV_CONSTRUCTORS(vbEapp);
    VB_EADV_DISPLAY;
};

class VBAPI vbEappCfg : public vbEadv {
    DECLARE_DYNAMIC(vbEappCfg)
public:
    VB_EADV_CONSTRUCTORS(vbEappCfg);
    VB_EADV_DISPLAY;
};

class VBAPI vbEscript : public vbEadv {
    DECLARE_DYNAMIC(vbEscript)
public:
    VB_EADV_CONSTRUCTORS(vbEscript);
    VB_EADV_DISPLAY;
};

// Wraps any caught exception, keeping its code, message, title, mode and log rule.
class VBAPI vbEadvCtx : public vbEadv {
    DECLARE_DYNAMIC(vbEadvCtx)
public:
    explicit vbEadvCtx(CException* e);
    vbEadvCtx(const vbEadvCtx& other);
    vbEadvCtx& operator=(const vbEadvCtx& other) = default;
    ~vbEadvCtx() override;
    VB_EADV_DISPLAY;

private:
    vbString m_title;
    bool m_bLogged;
    DWORD m_mode;
};

class VBAPI vbEhotPlug : public vbEadv {
    DECLARE_DYNAMIC(vbEhotPlug)
public:
    VB_EADV_CONSTRUCTORS(vbEhotPlug);
    VB_EADV_DISPLAY;
    DWORD GetMode() const { return m_mode; }
    void SetMode(DWORD mode) { m_mode = mode; }
    DWORD GetTick() const { return m_tick; }

private:
    DWORD m_mode = 0;
    DWORD m_tick = 0;
};

class VBAPI vbEcompress : public vbEadv {
    DECLARE_DYNAMIC(vbEcompress)
public:
    VB_EADV_CONSTRUCTORS(vbEcompress);
    VB_EADV_DISPLAY;
};

class VBAPI vbEcompressUser : public vbEcompress {
    DECLARE_DYNAMIC(vbEcompressUser)
public:
    VB_EADV_CONSTRUCTORS(vbEcompressUser);
    VB_EADV_DISPLAY;
};

// Stream faults; the context is the stream's name.
class VBAPI vbEstream : public vbEadv {
    DECLARE_DYNAMIC(vbEstream)
public:
    vbEstream(const vbString& context, HRESULT hr, const vbString& msg);
    vbEstream(const vbString& context, const vbString& msg);
    vbEstream(const vbEstream& other);
    vbEstream& operator=(const vbEstream& other) = default;
    ~vbEstream() override;
    VB_EADV_DISPLAY;
};

// Download centre faults.
class VBAPI vbEdn : public vbEadv {
    DECLARE_DYNAMIC(vbEdn)
public:
    VB_EADV_CONSTRUCTORS(vbEdn);
    VB_EADV_DISPLAY;
};

class VBAPI vbEdnUser : public vbEdn {
    DECLARE_DYNAMIC(vbEdnUser)
public:
    VB_EADV_CONSTRUCTORS(vbEdnUser);
    VB_EADV_DISPLAY;
};

class VBAPI vbEdnHttp : public vbEdn {
    DECLARE_DYNAMIC(vbEdnHttp)
public:
    vbEdnHttp(LONG status, const vbString& msg, vbDnConnectMode mode, const char* var);
    vbEdnHttp(LONG status, const vbString& msg, const vbString& ctx, vbDnConnectMode mode, const char* var);
    vbEdnHttp(LONG status, HRESULT hr, const vbString& msg, const vbString& ctx, vbDnConnectMode mode,
        const char* var);
    vbEdnHttp(LONG status, HRESULT hr, const vbString& msg, vbDnConnectMode mode, const char* var);
    vbEdnHttp(const vbEdnHttp& other);
    vbEdnHttp& operator=(const vbEdnHttp& other) = default;
    ~vbEdnHttp() override;
    VB_EADV_DISPLAY;

    virtual LONG GetHttpStatus() const;
    virtual vbDnConnectMode GetConnectMode();
    virtual vbString GetConnectVar();

private:
    void traceHttp(bool bWithCtx) const;

    LONG m_status;
    vbDnConnectMode m_mode;
    vbString m_var;
};

// A download to retry: after a delay, with a new session, or now.
class VBAPI vbEdnRetry : public vbEdn {
    DECLARE_DYNAMIC(vbEdnRetry)
public:
    vbEdnRetry(HRESULT hr, const vbString& msg, int delay);
    vbEdnRetry(const vbString& msg, int delay);
    vbEdnRetry(HRESULT hr, const vbString& msg, const vbString& ctx, int delay);
    vbEdnRetry(const vbString& msg, const vbString& ctx, int delay);
    vbEdnRetry(const vbEdnRetry& other);
    vbEdnRetry& operator=(const vbEdnRetry& other) = default;
    ~vbEdnRetry() override;
    DWORD GetMBoxMode() const override;
    const char* GetMBoxTitle() const override;

    virtual int GetTimeOut() const;

private:
    int m_timeOut;
};

#define VB_EDNRETRY_CONSTRUCTORS(cls) \
    cls(HRESULT hr, const vbString& msg, int delay); \
    cls(const vbString& msg, int delay); \
    cls(HRESULT hr, const vbString& msg, const vbString& ctx, int delay); \
    cls(const vbString& msg, const vbString& ctx, int delay); \
    cls(const cls& other); \
    cls& operator=(const cls& other) = default; \
    ~cls() override

class VBAPI vbEdnRetryLater : public vbEdnRetry {
    DECLARE_DYNAMIC(vbEdnRetryLater)
public:
    VB_EDNRETRY_CONSTRUCTORS(vbEdnRetryLater);
    bool IsToWriteOnLogFile() const override;
};

class VBAPI vbEdnRetrySession : public vbEdnRetry {
    DECLARE_DYNAMIC(vbEdnRetrySession)
public:
    VB_EDNRETRY_CONSTRUCTORS(vbEdnRetrySession);
    bool IsToWriteOnLogFile() const override;
};

// Retry at once: the time-out is always -1.
class VBAPI vbEdnRetryNow : public vbEdnRetry {
    DECLARE_DYNAMIC(vbEdnRetryNow)
public:
    VB_EADV_CONSTRUCTORS(vbEdnRetryNow);
    bool IsToWriteOnLogFile() const override;
};

class VBAPI vbExmlParser : public vbEadv {
    DECLARE_DYNAMIC(vbExmlParser)
public:
    VB_EADV_CONSTRUCTORS(vbExmlParser);
    VB_EADV_DISPLAY;
};
