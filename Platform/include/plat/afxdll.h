#pragma once

// Extension libraries: each library of the system describes itself with an
// AFX_EXTENSION_MODULE and joins the chain of libraries of the module state with a
// CDynLinkLibrary, newest first. The chain is guarded by the framework's global lock 0
// (AfxLockGlobals), which callers walking it hold too.

#include "plat/afx.h"
#include "plat/window.h"

struct AFX_EXTENSION_MODULE {
    BOOL bInitialized;
    HMODULE hModule;
    HMODULE hResource;
};

#define CRIT_DYNLINKLIST 0
// Recursive process-wide locks 0 to 31 of the framework.
PLATAPI void AfxLockGlobals(int nLockType);
PLATAPI void AfxUnlockGlobals(int nLockType);

class CDynLinkLibrary;

// The libraries of a module state, in a singly linked chain (newest first).
class PLATAPI CDynLinkLibraryList {
public:
    CDynLinkLibrary* GetHead() const { return m_pHead; }
    static CDynLinkLibrary* GetNext(const CDynLinkLibrary* pLibrary);
    bool IsEmpty() const { return m_pHead == nullptr; }

private:
    friend class CDynLinkLibrary;
    CDynLinkLibrary* m_pHead = nullptr;
};

struct PLATAPI AFX_MODULE_STATE {
    // The state of the process's program: its instance and resources are the program's.
    AFX_MODULE_STATE();
    // A private state of a library; its instance handles are null until its owner sets them.
    AFX_MODULE_STATE(BOOL bDLL, WNDPROC pfnAfxWndProc, DWORD dwVersion, BOOL bSystem = FALSE);

    BOOL m_bDLL;
    BOOL m_bSystem;
    WNDPROC m_pfnAfxWndProc;
    DWORD m_dwVersion;
    HINSTANCE m_hCurrentInstanceHandle;
    HINSTANCE m_hCurrentResourceHandle;
    CDynLinkLibraryList m_libraryList;
};

PLATAPI AFX_MODULE_STATE* AfxGetModuleState();

// Records the module (and its resources) in state; FALSE with ERROR_INVALID_PARAMETER for a
// null module.
PLATAPI BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule);
// Deletes the chain's libraries of this module (every library with bAll) and forgets it.
PLATAPI void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll = FALSE);

class PLATAPI CDynLinkLibrary : public CObject {
    DECLARE_DYNAMIC(CDynLinkLibrary)
public:
    // Joins the chain at its head.
    explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem = FALSE);
    // Leaves the chain.
    ~CDynLinkLibrary() override;
    CDynLinkLibrary(const CDynLinkLibrary&) = delete;
    CDynLinkLibrary& operator=(const CDynLinkLibrary&) = delete;

    HMODULE m_hModule;
    HMODULE m_hResource;
    BOOL m_bSystem;
    CDynLinkLibrary* m_pNextDLL;
};
