// Library records and the base library's own record.

#include "vbVantLib.h"

#include "vbException.h"
#include "vbExceptionReport.h"

#include "plat/module.h"

#include <mutex>

std::atomic<LONG> vbVantLib::s_cChg{0};

namespace {

// Function-local: libraries register from their load-time constructors, whatever the order of
// static initialisation.
std::recursive_mutex& listLock()
{
    static std::recursive_mutex* lock = new std::recursive_mutex; // outlives every unloading library
    return *lock;
}

vbVantLib* g_pHead = nullptr;

} // namespace

void vbLockLibList() { listLock().lock(); }
void vbUnlockLibList() { listLock().unlock(); }

vbVantLib::vbVantLib(HINSTANCE hInst, const char* name, const char* version)
    : m_pszName(name), m_pszVersion(version), m_hInst(hInst), m_pNext(nullptr), m_pPrev(nullptr)
{
    ++s_cChg;
    std::lock_guard<std::recursive_mutex> guard(listLock());
    m_pNext = g_pHead;
    if (g_pHead)
        g_pHead->m_pPrev = this;
    g_pHead = this;
}

vbVantLib::~vbVantLib()
{
    {
        std::lock_guard<std::recursive_mutex> guard(listLock());
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

vbVantLibEnum::vbVantLibEnum() noexcept : m_nPos(-1), m_pCur(nullptr) { }

vbVantLibEnum::vbVantLibEnum(vbVantLibEnum& other) noexcept : m_nPos(other.m_nPos), m_pCur(other.m_pCur)
{
    // The lock moves with the position: the original no longer stands on anything.
    other.m_pCur = nullptr;
    other.m_nPos = -1;
}

vbVantLibEnum::~vbVantLibEnum() { UnlockLib(); }

void vbVantLibEnum::LockLib()
{
    if (m_pCur)
        return;
    vbLockLibList();
    vbVantLib* p = vbVantLib::Head();
    for (int i = 0; p && i < m_nPos; ++i)
        p = p->GetNext();
    if (!p || m_nPos < 0) {
        vbUnlockLibList();
        m_pCur = nullptr;
        return;
    }
    m_pCur = p;
}

void vbVantLibEnum::UnlockLib()
{
    if (m_pCur) {
        m_pCur = nullptr;
        vbUnlockLibList();
    }
}

void vbVantLibEnum::Reset()
{
    UnlockLib();
    m_nPos = -1;
}

void vbVantLibEnum::step()
{
    ++m_nPos;
    if (!m_pCur) {
        LockLib();
        return;
    }
    m_pCur = m_pCur->GetNext();
    if (!m_pCur)
        vbUnlockLibList();
}

vbVantLib* vbVantLibEnum::NextLib()
{
    step();
    return m_pCur;
}

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
        if (lib->GetName().CompareNoCase(name) == 0 || lib->GetCompleteName().CompareNoCase(name) == 0)
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

vbVantLib* vbVantLibEnum::GetLib()
{
    LockLib();
    return m_pCur;
}

vbLibEnum::~vbLibEnum() = default;

// ---------------------------------------------------------------------------------------------
// The base library's own record, registered when the library is loaded and kept until the
// process ends (the records of later libraries point into the list it heads).

namespace {

HINSTANCE ownInstance()
{
    static const char anchor = 0;
    HMODULE h = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, &anchor, &h);
    return h;
}

struct BaseLibraryRecord {
    BaseLibraryRecord()
    {
        try {
            new vbVantLib(ownInstance(), "VantBase", "5");
        } catch (CException* e) {
            vbTraceException(e, true, "VantBase", 0);
        }
    }
};

BaseLibraryRecord g_baseRecord;

} // namespace
