#include "plat/afxdll.h"

#include "plat/errors.h"
#include "plat/module.h"

#include <mutex>

namespace {

constexpr int kGlobalLocks = 32;

std::recursive_mutex* globalLocks()
{
    // Libraries join and leave the chain from their load and unload code, before and after
    // any ordinary static object: these locks must never be destroyed.
    static auto* locks = new std::recursive_mutex[kGlobalLocks];
    return locks;
}

} // namespace

void AfxLockGlobals(int nLockType)
{
    if (nLockType >= 0 && nLockType < kGlobalLocks)
        globalLocks()[nLockType].lock();
}

void AfxUnlockGlobals(int nLockType)
{
    if (nLockType >= 0 && nLockType < kGlobalLocks)
        globalLocks()[nLockType].unlock();
}

CDynLinkLibrary* CDynLinkLibraryList::GetNext(const CDynLinkLibrary* pLibrary)
{
    return pLibrary ? pLibrary->m_pNextDLL : nullptr;
}

AFX_MODULE_STATE::AFX_MODULE_STATE()
    : m_bDLL(FALSE), m_bSystem(FALSE), m_pfnAfxWndProc(nullptr), m_dwVersion(0),
      m_hCurrentInstanceHandle(GetModuleHandleA(nullptr)), m_hCurrentResourceHandle(m_hCurrentInstanceHandle)
{
}

AFX_MODULE_STATE::AFX_MODULE_STATE(BOOL bDLL, WNDPROC pfnAfxWndProc, DWORD dwVersion, BOOL bSystem)
    : m_bDLL(bDLL), m_bSystem(bSystem), m_pfnAfxWndProc(pfnAfxWndProc), m_dwVersion(dwVersion),
      m_hCurrentInstanceHandle(nullptr), m_hCurrentResourceHandle(nullptr)
{
}

AFX_MODULE_STATE* AfxGetModuleState()
{
    static auto* state = new AFX_MODULE_STATE;
    return state;
}

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule)
{
    if (state.bInitialized)
        return TRUE;
    if (!hModule) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    state.hModule = hModule;
    state.hResource = hModule;
    state.bInitialized = TRUE;
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll)
{
    if (!state.bInitialized && !bAll)
        return;
    AfxLockGlobals(CRIT_DYNLINKLIST);
    CDynLinkLibraryList& list = AfxGetModuleState()->m_libraryList;
    // Deleting a library unlinks it, so the walk restarts after each one.
    bool found = true;
    while (found) {
        found = false;
        for (CDynLinkLibrary* p = list.GetHead(); p; p = CDynLinkLibraryList::GetNext(p)) {
            if (bAll || p->m_hModule == state.hModule) {
                delete p;
                found = true;
                break;
            }
        }
    }
    AfxUnlockGlobals(CRIT_DYNLINKLIST);
    state.bInitialized = FALSE;
}

IMPLEMENT_DYNAMIC(CDynLinkLibrary, CObject)

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_bSystem(bSystem), m_pNextDLL(nullptr)
{
    AfxLockGlobals(CRIT_DYNLINKLIST);
    CDynLinkLibraryList& list = AfxGetModuleState()->m_libraryList;
    m_pNextDLL = list.m_pHead;
    list.m_pHead = this;
    AfxUnlockGlobals(CRIT_DYNLINKLIST);
}

CDynLinkLibrary::~CDynLinkLibrary()
{
    AfxLockGlobals(CRIT_DYNLINKLIST);
    CDynLinkLibraryList& list = AfxGetModuleState()->m_libraryList;
    for (CDynLinkLibrary** link = &list.m_pHead; *link; link = &(*link)->m_pNextDLL) {
        if (*link == this) {
            *link = m_pNextDLL;
            break;
        }
    }
    m_pNextDLL = nullptr;
    AfxUnlockGlobals(CRIT_DYNLINKLIST);
}
