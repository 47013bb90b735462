#pragma once

// Library records: every library of the system is a framework extension library and registers a
// record (module handle, name, version) at load, in the framework's chain of libraries and in the
// base library's own list, newest first; the record goes at unload. The release log lists the
// libraries whenever the change counter moved; resource addresses find a library's module by its
// name.

#include "vbExport.h"
#include "vbString.h"

#include "plat/afxdll.h"
#include "plat/types.h"

#include <atomic>

class VBAPI vbVantLib : public CDynLinkLibrary {
    DECLARE_DYNAMIC(vbVantLib)
public:
    // Joins the framework's chain, then the record list; name and version are kept, not copied.
    vbVantLib(HINSTANCE hInst, const char* name, const char* version, AFX_EXTENSION_MODULE& module,
        BOOL bSystem = FALSE);
    ~vbVantLib() override;

    vbString GetName() const;
    // The name, "V" and the version: "VantBaseV5".
    vbString GetCompleteName() const;
    HINSTANCE GetInstance() const { return m_hInst; }
    vbVantLib* GetNextVantLib() const { return m_pNext; }

    // Raised by one when a record is built and when one goes; other deliverables may raise it
    // when their set of loaded modules changes.
    static std::atomic<LONG> s_cChg;

    // The newest record; the caller holds the framework's global lock 0 while walking.
    static vbVantLib* Head();

private:
    const char* m_pszName;
    const char* m_pszVersion;
    HINSTANCE m_hInst;
    vbVantLib* m_pNext;
    vbVantLib* m_pPrev;
};

// A library's entry, as one static object of the library: at load it joins the framework as an
// extension module and registers the library record under name and version; a failure is traced
// (a shared object cannot refuse to load). At unload the framework lets go of the library and
// deletes the record with it. Being in the library's own data, the object finds its module.
class VBAPI vbVantLibEntry {
public:
    vbVantLibEntry(const char* name, const char* version);
    ~vbVantLibEntry();
    vbVantLibEntry(const vbVantLibEntry&) = delete;
    vbVantLibEntry& operator=(const vbVantLibEntry&) = delete;

private:
    AFX_EXTENSION_MODULE m_module = {FALSE, nullptr, nullptr};
};

// The common walk of the two enumerators. While one stands on a library it holds the framework's
// global lock 0, so that no library loads or unloads under it; it lets go at the end, on Reset,
// UnlockLib and in its destructor. A copy takes the position over (the original lets go of it),
// so the lock is released once.
class VBAPI vbLibWalk {
public:
    vbLibWalk(const vbLibWalk&) = delete;
    vbLibWalk& operator=(const vbLibWalk&) = delete;
    virtual ~vbLibWalk();

    void Reset();
    void LockLib();
    void UnlockLib();

protected:
    using Next = void* (*)(void* current);
    vbLibWalk(Next first) noexcept;
    vbLibWalk(vbLibWalk& other) noexcept;
    // One step: the next element, or null at the end (the lock then released).
    void* step();
    void* current();

private:
    Next m_next; // null current: the head
    int m_nPos;
    void* m_pCur;
};

// Walks the framework's chain of extension libraries of the current module state.
class VBAPI vbLibEnum : public vbLibWalk {
public:
    vbLibEnum() noexcept;
    vbLibEnum(vbLibEnum& other) noexcept : vbLibWalk(other) { }
    ~vbLibEnum() override;

    CDynLinkLibrary* NextLib();
    HINSTANCE NextHlib(bool bUnlock);
    // The next library that is a vbVantLib.
    vbVantLib* NextVantLib();
    // The next vbVantLib whose name or complete name equals name, ignoring case.
    vbVantLib* Find(const vbString& name);
    HINSTANCE FindHlib(const vbString& name, bool bUnlock);
    CDynLinkLibrary* GetLib();
    vbVantLib* GetVantLib();
};

// Walks the base library's record list.
class VBAPI vbVantLibEnum : public vbLibWalk {
public:
    vbVantLibEnum() noexcept;
    vbVantLibEnum(vbVantLibEnum& other) noexcept : vbLibWalk(other) { }
    ~vbVantLibEnum() override;

    vbVantLib* NextLib();
    HINSTANCE NextHlib(bool bUnlock);
    vbVantLib* Find(const vbString& name);
    HINSTANCE FindHlib(const vbString& name, bool bUnlock);
    vbVantLib* GetLib();
};
