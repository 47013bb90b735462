#pragma once

// The download centre's vocabulary (operations, priorities, the interfaces of objects, pointers,
// centre, sessions and protocols, and the operation record), and the URL and path utilities every
// part of the system uses.
//
// URLs and paths are 8-bit texts. Paths take either separator; "file" paths are joined with "\"
// when they have a drive or already hold a "\", otherwise (native paths) with "/"; other protocols
// with "/". Every parser here is safe for any text: it answers false or an empty result rather
// than throwing, unless its comment names an error.

#include "vbExceptionEngine.h"
#include "vbExport.h"
#include "vbObjects.h"
#include "vbPtr.h"
#include "vbStreamIntf.h"
#include "vbString.h"

#include "plat/types.h"

#include <cstdint>
#include <deque>

// Gives the root that relative URLs of a protocol are resolved against.
class VBAPI sIvbUrlRoots {
public:
    virtual vbString GetUrlRootForProtocol(const vbString& protocol);

protected:
    ~sIvbUrlRoots() = default;
};

// --- escaping ---

// Bytes below 32 or above 127, " ' \ > < # & + : % { } [ ] | ^ ~ and those of extra become %HH
// (a blank in extra becomes "+"); bytes of keep are always copied. The text itself when nothing
// needed escaping.
VBAPI vbString vbUrlEncode(const vbString& text, const char* extra = nullptr, const char* keep = nullptr);
// %HH (either case), %% and %u with up to four hex digits (through the ANSI code page); "+" stays.
VBAPI vbString vbUrlDecode(const vbString& text);
// A length of 0 or less gives "".
VBAPI vbString vbBase64encode(const void* bytes, int length);
// At most length characters, up to the first "="; CR, LF, blank and tab are skipped. Throws vbEsys
// "vbBase64decode() : Bad string to decode (ch)" for a character outside the alphabet and "... (lg)"
// for a single character left over.
VBAPI vbString vbBase64decode(const char* text, int length);

// --- splitting ---

VBAPI vbString vbUrlSlash(const vbString& text);  // every "\" becomes "/"
VBAPI vbString vbUrlAslash(const vbString& text); // every "/" becomes "\"
// The component before the first separator, *rest the text after it (both trimmed; found true);
// without a separator the whole trimmed path, rest empty, found false.
VBAPI vbString vbSubPath(const vbString& path, vbString* rest = nullptr, bool* found = nullptr);
// The same around the last separator: the component after it, *rest the text before it.
VBAPI vbString vbSubPathEnd(const vbString& path, vbString* rest = nullptr, bool* found = nullptr);

// --- protocols, drives and resolving ---

// The lower-case protocol before the first ":" (at least three of 0-9 a-z % .), or "" and *rest the
// whole URL. *rest is the trimmed text after the colon, without a leading "//" when stripSlashes;
// *hasSlashes tells whether that "//" was there.
VBAPI vbString vbGetProtocol(const vbString& url, vbString* rest = nullptr, bool* hasSlashes = nullptr,
    bool stripSlashes = false);
// The upper-case drive (0-9 A-Z % .) of a plain or "file" URL, *rest the trimmed text after its
// colon; "" when there is none.
VBAPI vbString vbGetDrive(const vbString& url, vbString* rest = nullptr);
// A protocol with "//", "data:", a drive, or a plain or "file" path that begins with "\" or "/".
VBAPI bool vbIsAbsUrl(const vbString& url);
// url resolved against base (an empty or null base: none), or against roots' root for its
// protocol. An absolute or empty url comes back unchanged, as does a "res" url without a root;
// any other url without a root throws vbEsys "vbMakeAbsUrl(<url>) : no root url".
VBAPI vbString vbMakeAbsUrl(const vbString& url, const vbString& base, sIvbUrlRoots* roots = nullptr);
VBAPI vbString vbMakeAbsUrl(const vbString& url, const char* base, sIvbUrlRoots* roots = nullptr);
// relative joined to current ("." and ".." resolved; the query or fragment of relative kept, that
// of current dropped). Without a current URL (nor a root for "" from roots) throws vbEsys
// "vbAddPath(<relative>) : no current url".
VBAPI vbString vbAddPath(const vbString& current, const vbString& relative, sIvbUrlRoots* roots = nullptr);
// protocol + "://" + what follows url's own protocol (and its "//").
VBAPI vbString vbSetProtocol(const vbString& url, const vbString& protocol);

// --- the download URL forms ---

// A "res:" URL: "[module/]name[!type]", or "*.ext[!fallback]" for the icon of a file type. Names
// "#n" are integer ids (1-65535), "#n" with n < 1 positional (the name "-k": the k-th); a type "#n"
// is an integer type, a standard type word its number. namePtr and typePtr point into *name and
// *type, or hold an integer id; an answer that needs an out-parameter not given is false. With all
// five out-parameters null, only tells whether the protocol is "res".
VBAPI bool vbGetResUrl(const vbString& url, vbString* module, vbString* name, LPCSTR* namePtr, vbString* type,
    LPCSTR* typePtr);
// "res:" [ "//" module file "/" ] name [ "!" type ]; integer ids as "#n". Throws vbEsys
// "vbMakeResUrl() failure" when the module's file name cannot be read.
VBAPI vbString vbMakeResUrl(LPCSTR name, LPCSTR type, HMODULE module);
// The name of the index-th (from 1) resource of type in module, "#n" for an integer id; "" when
// there are fewer.
VBAPI vbString vbGetResNo(int index, LPCSTR type, HMODULE module);
// A plain or "file" URL; *path its text with every "\" turned into "/" (never percent-decoded).
VBAPI bool vbGetFileUrl(const vbString& url, vbString* path);
// An "http", "https", "ftp" or "gopher" URL; *rest what follows the protocol and "//".
VBAPI bool vbGetNetUrl(const vbString& url, vbString* rest);
// A "data:" URL; *content the text after it (and a "//"), trimmed and not decoded.
VBAPI bool vbGetDataUrl(const vbString& url, vbString* content);

// --- the download vocabulary ---

class CException;
class IvbDnObject;
class vbMemoryStream;
extern VBAPI const IID IID_vbMemoryStream;
class IvbInputStream;
class IvbOutputStream;
class vbDnData;
class sIvbDlg;

// The operation of a download request. The centre treats every value but vbDnLoad as a write
// where it must choose.
enum vbDnOp : int32_t {
    vbDnNoOp = 0,
    vbDnLoad = 1,
    vbDnWrite = 2,
};

// 0-3 plain priorities (3 served first), 4 and 5 the fastest forms of 2 and 3, -1 and -2
// operations waiting for a plug-in change (then served as 3 and 2).
enum vbDnPriority : int32_t {
    vbDnWaitPlug2 = -2,
    vbDnWaitPlug3 = -1,
    vbDnPriority0 = 0,
    vbDnPriority1 = 1,
    vbDnPriority2 = 2,
    vbDnPriority3 = 3,
    vbDnPriorityFast2 = 4,
    vbDnPriorityFast3 = 5,
};

enum vbDnConnectMode : int32_t {
    vbDnConnectDefault = 0,
};

extern VBAPI const IID IID_sIvbUrlRoots;
extern VBAPI const IID IID_sIvbDnInfo;
extern VBAPI const IID IID_IvbDnObject;
extern VBAPI const IID IID_sIvbDnPtr;
extern VBAPI const IID IID_sIvbDnCenter;
extern VBAPI const IID IID_sIvbDnSession;
extern VBAPI const IID IID_IvbDnProto;
extern VBAPI const IID IID_IvbDnProtoStream;
extern VBAPI const IID IID_IvbDnProtoRead;
extern VBAPI const IID IID_IvbDnProtoWrite;
extern VBAPI const IID IID_IvbDnPlugProto;
extern VBAPI const IID IID_IvbDnPlugFactory;
extern VBAPI const IID IID_IvbDnObjectProto;

// Queries on a download target.
class VBAPI sIvbDnInfo {
public:
    virtual bool IsCacheable() const;
    virtual bool IsLoadable() const;
    virtual bool IsWritable() const;
    virtual const GUID& GetClsId() const;
    virtual vbString GetUrl() const;
    virtual int64_t GetKey() const;
    // True when an error is stored; hr and text receive it.
    virtual bool GetError(ULONG& hr, vbString& text) const;
    virtual bool IsLoaded() const;
    virtual bool IsWritten() const;

protected:
    ~sIvbDnInfo() = default;
};

class sIvbDnCenter;

// An object the download centre loads content into or writes from (the standard behaviour is
// vbTdnObject, vbDnObject.h).
class VBAPI IvbDnObject : public IvbObject {
public:
    virtual bool CancelDnOp();
    virtual void ResetDnState();
    // A stop was asked or the object is being destroyed.
    virtual bool IsDnOpStopped() const;
    virtual void CheckStopDnOp(const vbString& url) const;
    virtual bool HasDnError() const;
    virtual void SetDnError(ULONG hr, const vbString& text);
    virtual void SetDnError(CException* e);
    virtual void ClearDnError();
    virtual bool IsDnOpAsked() const;
    virtual vbDnOp GetDnOpAsked() const;
    virtual bool IsDnOpInWork() const;
    virtual vbDnOp GetDnOpInWork() const;
    virtual DWORD GetMemSizeForCache() const;
    // The object agrees to dialogs during its operations.
    virtual bool CanShowDnDlg() const;
    virtual bool IsDnOpAllowed() const;
    // The object runs the operation itself; false lets a protocol run it.
    virtual bool DoDnOp(vbDnData* data, vbDnOp op, const vbString& url);
    virtual vbString GetDnUrl(bool* absolute) const;
    virtual void SetDnAbsUrl(const vbString& url);
    virtual vbString GetDnRealUrl(bool* real) const;
    virtual void SetDnRealUrl(const vbString& url);
    virtual bool Load(const char* url, vbDnPriority priority);
    virtual bool CancelLoad();
    virtual bool IsLoading() const;
    virtual void ResetLoaded();
    virtual void SetLoaded(bool ok, bool signal);
    virtual bool LoadFromRes(vbDnData* data, const char* name, const char* type, HINSTANCE module);
    virtual const char* GetDefaultResType() const;
    virtual bool LoadFromFile(vbDnData* data, const vbString& path);
    virtual void LoadingStart(vbDnData* data, int64_t size);
    virtual bool LoadingAddBuffer(vbDnData* data, const unsigned char* bytes, ULONG length);
    virtual void LoadingEnd(vbDnData* data, bool ok);
    virtual bool Write(const char* url, vbDnPriority priority);
    virtual bool CancelWrite();
    virtual bool IsWriting() const;
    virtual void ResetWritten();
    virtual void SetWritten(bool ok, bool signal);
    virtual void WriteToStream(vbDnData* data, IvbOutputStream* out);
    // The protocol's stream has taken everything the object wrote.
    virtual void WritingEnd(vbDnData* data, bool ok);
    virtual void SetUrl(const vbString& url);
    virtual void SetDnOpAsked(vbDnOp op);
    virtual void SetLoadedFlag();
    virtual void SetWrittenFlag();
    // take: the asked operation becomes the one in work; otherwise the one in work has ended.
    virtual void EndDnOp(bool take);
    virtual bool TakeRetryLater(bool first);
    virtual bool TakeRetryNow();
    // Milliseconds to wait before a retry.
    virtual int GetRetryDelay(bool now) const;
    virtual void ClearRetryNowCount();
    virtual void SetDnProto(IvbObject* proto);
    virtual void StopDnOp();
    virtual void ClearRetryLaterCount();
    virtual void dnCenter_cache(sIvbDnCenter* center, int id);
    virtual bool dnCenter_tryDel(sIvbDnCenter* center, int id);
    virtual int dnCenter_getCacheId(sIvbDnCenter* center) const;
    virtual void DnReserved(int code, void* param);

protected:
    ~IvbDnObject() = default;
};

// The pointer side of a download object: the smart-pointer operations of sIvbPtr, the creation
// of the object it names, and the parked link of pointers whose load waits for the engines.
class VBAPI sIvbDnPtr : public sIvbBase, public sIvbLock, public sIvbDnInfo {
public:
    virtual bool HasObject(const IvbObject* p);
    virtual bool _unlink(bool bSilent);
    virtual void onSignal(int signal);
    virtual void onLink();
    virtual void onUnlink();
    virtual void setNextPtr(sIvbPtr* p);
    virtual void setPrevPtr(sIvbPtr* p);
    virtual sIvbPtr* _link(IvbObject* obj, sIvbPtr** head);
    virtual void _unlinkFromList(sIvbPtr** head, vbSectLock* objectLock);
    virtual sIvbPtr* GetNextPtr();
    virtual bool IsToUnlinkOnDestroy();
    virtual IvbDnObject* CreateObject();
    virtual IvbDnObject* GetDnObject();
    virtual const IvbDnObject* GetDnObject() const;
    // Answers the parked link and clears it.
    virtual sIvbDnPtr* GetParkedNext();
    virtual void SetParkedNext(sIvbDnPtr* next);

protected:
    ~sIvbDnPtr() = default;
};

// The download centre as objects and records see it; its dialog face serves the operations.
class VBAPI sIvbDnCenter : public sIvbBase, public sIvbDlgCtx {
public:
    virtual void LongTaskLock();
    virtual void LongTaskUnlock();

protected:
    ~sIvbDnCenter() = default;
};

// A worker's session: it runs operations through protocols.
class VBAPI sIvbDnSession : public sIvbBase {
public:
    virtual bool ReadUrl(vbDnData* data, IvbDnObject* obj, vbRefPtr<IvbInputStream, &IID_IvbInputStream>* stream);
    virtual bool WriteUrl(vbDnData* data, IvbDnObject* obj, vbRefPtr<IvbOutputStream, &IID_IvbOutputStream>* stream);
    virtual bool DoDnOp(vbDnData* parent, vbDnOp op, const vbString& url, IvbDnObject* obj);
    virtual bool ShouldStopDnOp() const;
    virtual void CheckStopDnOp(const vbString& url) const;

protected:
    ~sIvbDnSession() = default;
};

// The operations of these protocol interfaces that no caller uses yet are left out.
class VBAPI IvbDnProto : public IvbObject {
protected:
    ~IvbDnProto() = default;
};

// A protocol's stream over one operation.
class VBAPI IvbDnProtoStream : public IvbObject {
public:
    // Null detaches.
    virtual void AttachDnData(vbDnData* data);
    virtual void CloseStream();

protected:
    ~IvbDnProtoStream() = default;
};

class VBAPI IvbDnProtoRead : public IvbDnProtoStream {
public:
    // The stream may be drained into the record's buffer.
    virtual bool CanBuffer(vbDnData* data, IvbDnObject* obj);

protected:
    ~IvbDnProtoRead() = default;
};

class VBAPI IvbDnProtoWrite : public IvbDnProtoStream {
public:
    virtual void WritingEnd(vbDnData* data, bool ok);

protected:
    ~IvbDnProtoWrite() = default;
};

// A protocol object of a "DnCenter" plug-in or the built-in readers.
class VBAPI IvbDnPlugProto : public IvbObject {
public:
    virtual bool askStopDnOp(IvbDnObject* obj);
    virtual bool CanWorkWithProto(vbDnData* data, IvbDnObject* obj, const vbString& name);
    virtual void askClose();
    virtual bool ReadUrl(vbDnData* data, IvbDnObject* obj, vbRefPtr<IvbInputStream, &IID_IvbInputStream>* stream);
    virtual bool WriteUrl(vbDnData* data, IvbDnObject* obj, vbRefPtr<IvbOutputStream, &IID_IvbOutputStream>* stream);

protected:
    ~IvbDnPlugProto() = default;
};

// The protocol factory of a "DnCenter" plug-in.
class VBAPI IvbDnPlugFactory : public IvbObject {
public:
    virtual bool CanWorkWith(vbDnData* data, IvbDnObject* obj, const vbString& name);
    virtual void CreateProto(IvbDnObject* obj, const vbString& protocol, bool bThrow,
        vbRefPtr<IvbDnPlugProto, &IID_IvbDnPlugProto>* proto);

protected:
    ~IvbDnPlugFactory() = default;
};

// An object's own protocol.
class VBAPI IvbDnObjectProto : public IvbObject {
public:
    virtual bool GetDnProto(vbDnOp op, const vbString& url, vbRefPtr<IvbDnPlugProto, &IID_IvbDnPlugProto>* proto);

protected:
    ~IvbDnObjectProto() = default;
};

// The record of one running operation: the worker builds a root record, every nested operation
// a child record under it. Its dialog face forwards to the download centre's.
class VBAPI vbDnData : public sIvbDlgCtx {
public:
    // A child record: centre and session come from the parent.
    vbDnData(vbDnData* parent, vbDnOp op, const vbString& url, IvbDnObject* obj);
    // A root record, with no operation, URL, object or parent.
    vbDnData(sIvbDnCenter* center, sIvbDnSession* session);
    virtual ~vbDnData();
    vbDnData(const vbDnData&) = delete;
    vbDnData& operator=(const vbDnData&) = delete;

    // This record or one above it runs op on exactly this URL (case counts).
    bool IsInDnOp(vbDnOp op, const vbString& url) const;
    // An enclosing record already runs this record's operation on its URL.
    bool IsAlreadyInDnOp() const;
    // Throws vbEdnUser "Recursive work on url = '<url>' cause infinite loop ..." when
    // IsAlreadyInDnOp; then the stop checks (CheckStop).
    void CheckDnOp() const;

    const vbString& GetUrl() const { return m_url; }
    vbDnOp GetOp() const { return m_op; }
    IvbDnObject* GetObject() const { return m_pObj; }
    vbDnData* GetParent() const { return m_pParent; }
    sIvbDnCenter* GetCenter() const { return m_pCenter; }
    sIvbDnSession* GetSession() const { return m_pSession; }
    // The object's private loading data; null when the operation starts.
    void* GetUserData() const { return m_pUser; }
    void SetUserData(void* p) { m_pUser = p; }

    // --- sIvbDlgCtx, through the centre (none: nothing locked, no dialog) ---
    void dlgUseLock() override;
    void dlgUseUnlock() override;
    void dlgDispLock() override;
    void dlgDispUnlock() override;
    bool IsDlgDispLocked() override;
    bool IsDlgUseLocked() override;
    // The centre agrees and so does the record's object.
    bool CanShowDlg() override;
    HWND GetDlgParentHwnd() override;
    sIvbDlg* CreateDlg(const GUID& iid, HWND hParent) override;

    // --- nested operations, stops and follow-up tasks ---
    // False when the operation chain must stop; else the session runs the operation under this one.
    bool SubDnOp(vbDnOp op, const vbString& url, IvbDnObject* obj);
    // This record or an enclosing one: its session or its object asks to stop.
    bool ShouldStop() const;
    // Throws the stop error of the innermost session or object that asks to stop.
    void CheckStop() const;
    // Queues an operation run after this one (the object gains a reference); first in, first out.
    void AddDnTask(vbDnOp op, const vbString& url, IvbDnObject* obj);
    // Takes out the first task; false when none is left.
    bool GetDnTask(vbDnOp* op, vbString* url, vbRefPtr<IvbDnObject, &IID_IvbDnObject>* obj);
    bool HasDnTask() const;

    // --- the URL stream, through the session's protocol ---
    // True when the protocol did the whole operation itself (nothing opened); false when a
    // stream was handed out.
    bool UrlOpen();
    void UrlClose();
    DWORD UrlRead(void* buffer, DWORD size, bool all);
    DWORD UrlWrite(const void* buffer, DWORD size, bool all);
    // The length of what is read; -1 when the stream cannot tell.
    int64_t UrlGetSize();
    // False when the stream cannot be sized; throws when a 32-bit stream gets a larger size.
    bool UrlSetSize(int64_t size);
    void UrlGetReadStm(vbRefPtr<IvbInputStream, &IID_IvbInputStream>* out);
    void UrlGetWriteStm(vbRefPtr<IvbOutputStream, &IID_IvbOutputStream>* out);
    void UrlWritingEnd(bool ok);
    bool IsUrlOpened() const { return m_bOpened; }

private:
    // Drains the read stream of this and every enclosing open load into its memory buffer, so
    // that the session's protocol is free for a nested operation.
    void plugStartRead();
    void drainToBuffer();
    // The buffering failed: reads of this record fail from now on.
    void markFailed() noexcept;
    // Throws the failure of call (its name) unless a stream of the wanted kind is open.
    void checkRead(const char* call) const;
    void checkWrite(const char* call) const;
    void checkBuffer(const char* call) const;

    struct Task {
        vbDnOp op;
        vbString url;
        vbRefPtr<IvbDnObject, &IID_IvbDnObject> obj;
    };

    vbString m_url;
    vbDnOp m_op = vbDnNoOp;
    IvbDnObject* m_pObj = nullptr; // not counted
    vbDnData* m_pParent = nullptr;
    sIvbDnCenter* m_pCenter = nullptr;
    sIvbDnSession* m_pSession = nullptr;
    vbRefPtr<IvbInputStream, &IID_IvbInputStream> m_readStm;
    vbRefPtr<IvbOutputStream, &IID_IvbOutputStream> m_writeStm;
    vbRefPtr<vbMemoryStream, &IID_vbMemoryStream> m_buffer;
    std::deque<Task> m_tasks; // first in, first out
    void* m_pUser = nullptr;
    bool m_bOpened = false;
    bool m_bFailed = false;
};

// The download centre's requests (vbDnCenter.h). A load asked through a pointer before anyone
// uses the engines is parked until the centre starts.
VBAPI bool vbDnAsk(IvbDnObject* obj, vbDnOp op, const char* url, vbDnPriority priority, bool pump);
VBAPI bool vbDnAsk(sIvbDnPtr* p, vbDnOp op, vbDnPriority priority, bool pump, bool cacheCheck);
VBAPI bool vbDnWait(IvbDnObject* obj, vbDnOp op, int timeOutMs, bool pump);
VBAPI bool vbDnCancel(IvbDnObject* obj, vbDnOp op, bool pump);
// A parked pointer that goes away, or names something else, is no longer asked when the centre
// starts.
VBAPI void vbDnUnpark(sIvbDnPtr* p);
