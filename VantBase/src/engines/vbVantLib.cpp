// Library records and the base library's own record.

#include "vbVantLib.h"

#include "vbException.h"
#include "vbExceptionReport.h"

#include "plat/errors.h"
#include "plat/module.h"

IMPLEMENT_DYNAMIC(vbVantLib, CDynLinkLibrary)

std::atomic<LONG> vbVantLib::s_cChg{0};

namespace {

vbVantLib* g_pHead = nullptr;

// The framework's global lock 0, guarding both chains.
struct GlobalLock {
    GlobalLock() { AfxLockGlobals(CRIT_DYNLINKLIST); }
    ~GlobalLock() { AfxUnlockGlobals(CRIT_DYNLINKLIST); }
    GlobalLock(const GlobalLock&) = delete;
    GlobalLock& operator=(const GlobalLock&) = delete;
};

} // namespace

vbVantLib::vbVantLib(HINSTANCE hInst, const char* name, const char* version, AFX_EXTENSION_MODULE& module,
    BOOL bSystem)
    : CDynLinkLibrary(module, bSystem), m_pszName(name), m_pszVersion(version), m_hInst(hInst), m_pNext(nullptr),
      m_pPrev(nullptr)
{
    ++s_cChg;
    GlobalLock lock;
    m_pNext = g_pHead;
    if (g_pHead)
        g_pHead->m_pPrev = this;
    g_pHead = this;
}

vbVantLib::~vbVantLib()
{
    {
        GlobalLock lock;
        if (m_pPrev)
            m_pPrev->m_pNext = m_pNext;
        else if (g_pHead == this)
            g_pHead = m_pNext;
        if (m_pNext)
            m_pNext->m_pPrev = m_pPrev;
        m_pNext = m_pPrev = nullptr;
    }
    ++s_cChg;
}

vbVantLib* vbVantLib::Head() { return g_pHead; }

vbString vbVantLib::GetName() const { return vbString(m_pszName); }

vbString vbVantLib::GetCompleteName() const { return vbString(m_pszName) + "V" + m_pszVersion; }

// ---------------------------------------------------------------------------------------------

vbLibWalk::vbLibWalk(Next next) noexcept : m_next(next), m_nPos(-1), m_pCur(nullptr) { }

vbLibWalk::vbLibWalk(vbLibWalk& other) noexcept : m_next(other.m_next), m_nPos(other.m_nPos), m_pCur(other.m_pCur)
{
    // The lock moves with the position: the original no longer stands on anything.
    other.m_pCur = nullptr;
    other.m_nPos = -1;
}

vbLibWalk::~vbLibWalk() { UnlockLib(); }

void vbLibWalk::LockLib()
{
    if (m_pCur || m_nPos < 0)
        return;
    AfxLockGlobals(CRIT_DYNLINKLIST);
    void* p = m_next(nullptr);
    for (int i = 0; p && i < m_nPos; ++i)
        p = m_next(p);
    if (!p) {
        AfxUnlockGlobals(CRIT_DYNLINKLIST);
        return;
    }
    m_pCur = p;
}

void vbLibWalk::UnlockLib()
{
    if (m_pCur) {
        m_pCur = nullptr;
        AfxUnlockGlobals(CRIT_DYNLINKLIST);
    }
}

void vbLibWalk::Reset()
{
    UnlockLib();
    m_nPos = -1;
}

void* vbLibWalk::step()
{
    ++m_nPos;
    if (!m_pCur) {
        LockLib();
        return m_pCur;
    }
    m_pCur = m_next(m_pCur);
    if (!m_pCur)
        AfxUnlockGlobals(CRIT_DYNLINKLIST);
    return m_pCur;
}

void* vbLibWalk::current()
{
    LockLib();
    return m_pCur;
}

namespace {

void* nextInChain(void* current)
{
    if (!current)
        return AfxGetModuleState()->m_libraryList.GetHead();
    return CDynLinkLibraryList::GetNext(static_cast<CDynLinkLibrary*>(current));
}

void* nextRecord(void* current)
{
    return current ? static_cast<vbVantLib*>(current)->GetNextVantLib() : vbVantLib::Head();
}

bool named(const vbVantLib* lib, const vbString& name)
{
    return lib->GetName().CompareNoCase(name) == 0 || lib->GetCompleteName().CompareNoCase(name) == 0;
}

vbVantLib* asVantLib(CDynLinkLibrary* lib)
{
    return lib && lib->IsKindOf(RUNTIME_CLASS(vbVantLib)) ? static_cast<vbVantLib*>(lib) : nullptr;
}

} // namespace

vbLibEnum::vbLibEnum() noexcept : vbLibWalk(nextInChain) { }
vbLibEnum::~vbLibEnum() = default;

CDynLinkLibrary* vbLibEnum::NextLib() { return static_cast<CDynLinkLibrary*>(step()); }

HINSTANCE vbLibEnum::NextHlib(bool bUnlock)
{
    CDynLinkLibrary* lib = NextLib();
    HINSTANCE h = lib ? lib->m_hModule : nullptr;
    if (bUnlock)
        UnlockLib();
    return h;
}

vbVantLib* vbLibEnum::NextVantLib()
{
    for (CDynLinkLibrary* lib = NextLib(); lib; lib = NextLib())
        if (vbVantLib* v = asVantLib(lib))
            return v;
    return nullptr;
}

vbVantLib* vbLibEnum::Find(const vbString& name)
{
    for (vbVantLib* lib = NextVantLib(); lib; lib = NextVantLib())
        if (named(lib, name))
            return lib;
    return nullptr;
}

HINSTANCE vbLibEnum::FindHlib(const vbString& name, bool bUnlock)
{
    vbVantLib* lib = Find(name);
    HINSTANCE h = lib ? lib->m_hModule : nullptr;
    if (bUnlock)
        UnlockLib();
    return h;
}

CDynLinkLibrary* vbLibEnum::GetLib() { return static_cast<CDynLinkLibrary*>(current()); }
vbVantLib* vbLibEnum::GetVantLib() { return asVantLib(GetLib()); }

vbVantLibEnum::vbVantLibEnum() noexcept : vbLibWalk(nextRecord) { }
vbVantLibEnum::~vbVantLibEnum() = default;

vbVantLib* vbVantLibEnum::NextLib() { return static_cast<vbVantLib*>(step()); }

HINSTANCE vbVantLibEnum::NextHlib(bool bUnlock)
{
    vbVantLib* lib = NextLib();
    HINSTANCE h = lib ? lib->GetInstance() : nullptr;
    if (bUnlock)
        UnlockLib();
    return h;
}

vbVantLib* vbVantLibEnum::Find(const vbString& name)
{
    for (vbVantLib* lib = NextLib(); lib; lib = NextLib())
        if (named(lib, name))
            return lib;
    return nullptr;
}

HINSTANCE vbVantLibEnum::FindHlib(const vbString& name, bool bUnlock)
{
    vbVantLib* lib = Find(name);
    HINSTANCE h = lib ? lib->GetInstance() : nullptr;
    if (bUnlock)
        UnlockLib();
    return h;
}

vbVantLib* vbVantLibEnum::GetLib() { return static_cast<vbVantLib*>(current()); }

// ---------------------------------------------------------------------------------------------

vbVantLibEntry::vbVantLibEntry(const char* name, const char* version)
{
    try {
        HMODULE hInst = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<const char*>(this), &hInst);
        if (!AfxInitExtensionModule(m_module, hInst)) {
            DWORD err = GetLastError();
            HRESULT hr = err == 0 ? 0 : static_cast<HRESULT>((err & 0xFFFFu) | 0x80070000u);
            throw new vbEsys(true, hr, "%s::DllMain() / AfxInitExtensionModule() failure !", name);
        }
        new vbVantLib(hInst, name, version, m_module, FALSE);
    } catch (CException* e) {
        vbTraceException(e, true, name, 0);
    }
}

vbVantLibEntry::~vbVantLibEntry() { AfxTermExtensionModule(m_module, FALSE); }

// The base library's own entry.
namespace {
vbVantLibEntry g_libraryEntry("VantBase", "5");
} // namespace
