#pragma once

// The framework's root classes: run-time class records, CObject, the exception family and the
// recursive critical section. Exceptions are created with new, thrown by pointer and released by
// whoever catches them with Delete(); the classes are exported whole so that their type
// information is one and the same in every module that throws or catches them.

#include "plat/api.h"
#include "plat/sync.h"
#include "plat/types.h"

class CObject;

// One record per class that declares itself dynamic: its name and its base's record.
struct PLATAPI CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    const CRuntimeClass* m_pBaseClass;

    // True when this class is pClass or derives from it.
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name) \
public: \
    static const CRuntimeClass class##class_name; \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    const CRuntimeClass class_name::class##class_name = { \
        #class_name, (int)sizeof(class class_name), 0xFFFF, RUNTIME_CLASS(base_class_name)}; \
    const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

class PLATAPI CObject {
public:
    static const CRuntimeClass classCObject;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject();

    BOOL IsKindOf(const CRuntimeClass* pClass) const;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

class PLATAPI CException : public CObject {
    DECLARE_DYNAMIC(CException)
public:
    // An auto-deleting exception lives on the heap and goes in Delete(); one made with FALSE is a
    // static or stack object that Delete() leaves alone.
    explicit CException(BOOL bAutoDelete = TRUE);
    ~CException() override;

    void Delete();

    // Copies the exception's text, truncated to nMaxError - 1 characters and terminated, into
    // lpszError; false (and an empty buffer when there is room) when it has none.
    virtual BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr);
    // Shows the text in a message box of style nType (0 = MB_OK; the text of string resource
    // nMessageID, or a generic one, when the exception has none) and answers the box's result.
    virtual int ReportError(UINT nType = 0, UINT nMessageID = 0);

    BOOL m_bAutoDelete;
};

class PLATAPI CMemoryException : public CException {
    DECLARE_DYNAMIC(CMemoryException)
public:
    explicit CMemoryException(BOOL bAutoDelete = TRUE);
    ~CMemoryException() override;
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;
};

class PLATAPI CNotSupportedException : public CException {
    DECLARE_DYNAMIC(CNotSupportedException)
public:
    explicit CNotSupportedException(BOOL bAutoDelete = TRUE);
    ~CNotSupportedException() override;
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;
};

class PLATAPI COleException : public CException {
    DECLARE_DYNAMIC(COleException)
public:
    COleException();
    ~COleException() override;
    // The system's text for m_sc.
    BOOL GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;

    // The status an exception stands for: an OLE exception's own code, E_OUTOFMEMORY for a
    // memory exception, E_NOTIMPL for a not-supported one, else E_UNEXPECTED.
    static SCODE Process(const CException* pAnyException);

    SCODE m_sc;
};

// Throw a new heap exception of the kind. A memory exception that cannot itself be allocated is
// thrown as a process-wide object that Delete() leaves alone.
[[noreturn]] PLATAPI void AfxThrowMemoryException();
[[noreturn]] PLATAPI void AfxThrowNotSupportedException();
[[noreturn]] PLATAPI void AfxThrowOleException(SCODE sc);

// The framework's recursive critical section.
class PLATAPI CCriticalSection : public CObject {
    DECLARE_DYNAMIC(CCriticalSection)
public:
    CCriticalSection();
    ~CCriticalSection() override;
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    operator CRITICAL_SECTION*() { return &m_sect; }

    BOOL Lock();
    // Waits at most dwTimeout milliseconds (INFINITE waits for ever).
    BOOL Lock(DWORD dwTimeout);
    BOOL Unlock();

    CRITICAL_SECTION m_sect;
};
