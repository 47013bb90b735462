#include "plat/afx.h"

#include "plat/errors.h"

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const
{
    for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
        if (c == pBaseClass)
            return TRUE;
    return FALSE;
}

const CRuntimeClass CObject::classCObject = {"CObject", (int)sizeof(CObject), 0xFFFF, nullptr};

const CRuntimeClass* CObject::GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }

CObject::~CObject() = default;

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

IMPLEMENT_DYNAMIC(CCriticalSection, CObject)

CCriticalSection::CCriticalSection() = default;
CCriticalSection::~CCriticalSection() = default;

BOOL CCriticalSection::Lock()
{
    m_sect.lock();
    return TRUE;
}

BOOL CCriticalSection::Lock(DWORD dwTimeout)
{
    if (dwTimeout == INFINITE)
        return Lock();
    return m_sect.try_lock_for(std::chrono::milliseconds(dwTimeout)) ? TRUE : FALSE;
}

BOOL CCriticalSection::Unlock()
{
    m_sect.unlock();
    return TRUE;
}
