#pragma once

// Library records: every library of the system registers one at load (module handle, name,
// version) in the base library's list, newest first, and removes it at unload. The release log
// lists the libraries whenever the change counter moved; resource addresses find a library's
// module by its name.

#include "vbExport.h"
#include "vbString.h"

#include "plat/types.h"

#include <atomic>

class VBAPI vbVantLib {
public:
    // Links the record at the head of the list; name and version are kept, not copied.
    vbVantLib(HINSTANCE hInst, const char* name, const char* version);
    vbVantLib(const vbVantLib&) = delete;
    vbVantLib& operator=(const vbVantLib&) = delete;
    virtual ~vbVantLib();

    vbString GetName() const;
    // The name, "V" and the version: "VantBaseV5".
    vbString GetCompleteName() const;
    HINSTANCE GetInstance() const { return m_hInst; }
    vbVantLib* GetNext() const { return m_pNext; }

    // Raised by one when a record is built and when one goes; other deliverables may raise it
    // when their set of loaded modules changes.
    static std::atomic<LONG> s_cChg;

    // The newest record; the caller holds the list lock (vbLockLibList) while walking.
    static vbVantLib* Head();

private:
    const char* m_pszName;
    const char* m_pszVersion;
    HINSTANCE m_hInst;
    vbVantLib* m_pNext;
    vbVantLib* m_pPrev;
};

// The lock of the record list, held by record construction and destruction and by an
// enumerator while it stands on a record (recursive).
VBAPI void vbLockLibList();
VBAPI void vbUnlockLibList();

// Walks the record list, newest first. While it stands on a record it holds the list lock, so
// that no library loads or unloads under it; it lets go at the end, on Reset, UnlockLib and in
// its destructor.
class VBAPI vbVantLibEnum {
public:
    vbVantLibEnum() noexcept;
    // A copy takes over the position without taking the lock again; the original lets go.
    vbVantLibEnum(vbVantLibEnum& other) noexcept;
    vbVantLibEnum& operator=(const vbVantLibEnum&) = delete;
    virtual ~vbVantLibEnum();

    vbVantLib* NextLib();
    HINSTANCE NextHlib(bool bUnlock);
    // The next record whose name or complete name equals name, ignoring case.
    vbVantLib* Find(const vbString& name);
    HINSTANCE FindHlib(const vbString& name, bool bUnlock);
    vbVantLib* GetLib();
    void Reset();
    void LockLib();
    void UnlockLib();

protected:
    void step();

    int m_nPos;
    vbVantLib* m_pCur;
};

// The framework's chain of libraries. All libraries of the system register a record, so the
// chain walked here is the record list; GetVantLib answers the record itself.
class VBAPI vbLibEnum : public vbVantLibEnum {
public:
    vbLibEnum() noexcept = default;
    vbLibEnum(vbLibEnum& other) noexcept : vbVantLibEnum(other) { }
    ~vbLibEnum() override;

    vbVantLib* NextVantLib() { return NextLib(); }
    vbVantLib* GetVantLib() { return GetLib(); }
};
