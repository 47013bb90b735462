// The heap interface, the named heap base and the two low-level heaps.

#include "vbHeap.h"

#include "plat/errors.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const IID IID_sIvbHeap = {0xFFE49FAC, 0xA819, 0x41E8, {0xBE, 0xAA, 0x3E, 0x60, 0x5B, 0x67, 0x71, 0xE0}};

// --- sIvbHeap: unimplemented operations report the purecall error ---

void* sIvbHeap::Alloc(int, vbAllocMode) { vbPurecall(); }
void* sIvbHeap::ReAlloc(void*, int, vbAllocMode) { vbPurecall(); }
void sIvbHeap::Free(void*) { vbPurecall(); }
void sIvbHeap::Clear() { vbPurecall(); }
int sIvbHeap::GetSize(void*) const { vbPurecall(); }
int64_t sIvbHeap::GetSize() const { vbPurecall(); }
bool sIvbHeap::IsValid(void*) const { vbPurecall(); }
bool sIvbHeap::IsValid() const { vbPurecall(); }
bool sIvbHeap::Compact() { vbPurecall(); }
void sIvbHeap::DebugDump() const { vbPurecall(); }
void sIvbHeap::SetCleanerFct(vbBase*, vbHeapCleanerFct) { vbPurecall(); }
bool sIvbHeap::RequestCleanerToFreeBytes(int) { vbPurecall(); }

// --- vbBaseHeap ---

vbBaseHeap::vbBaseHeap(const char* name)
{
    std::snprintf(m_name, sizeof m_name, "%s", name && *name ? name : "No name");
}

vbBaseHeap::~vbBaseHeap() = default;

void* vbBaseHeap::operator new(size_t)
{
    vbImpl::throwSys(E_FAIL, "Do not use operator void *vbBaseHeap::operator new(unsigned int sz) !");
}

bool vbBaseHeap::GetInterface(const GUID& iid, const void** ppv) const
{
    return const_cast<vbBaseHeap*>(this)->GetInterface(iid, const_cast<void**>(ppv));
}

bool vbBaseHeap::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_sIvbHeap) {
        *ppv = static_cast<sIvbHeap*>(this);
        return true;
    }
    return vbBase::GetInterface(iid, ppv);
}

void vbBaseHeap::SetCleanerFct(vbBase* obj, vbHeapCleanerFct fct)
{
    m_cleanerObj = obj;
    m_cleanerFct = fct;
}

bool vbBaseHeap::RequestCleanerToFreeBytes(int cByte)
{
    if (Compact())
        return true;
    if (m_cleanerObj && m_cleanerFct)
        return (m_cleanerObj->*m_cleanerFct)(cByte);
    return false;
}

void vbBaseHeap::SetName(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(m_name, sizeof m_name, fmt, args);
    va_end(args);
}

// --- vbllCrtHeap ---

vbllCrtHeap::vbllCrtHeap(bool, vbCtorMode mode)
{
    if (mode == vbCtorCreate)
        Create();
}

vbllCrtHeap::~vbllCrtHeap() = default;

void* vbllCrtHeap::operator new(size_t)
{
    vbImpl::throwSys(E_FAIL, "Do not use operator void *vbllCrtHeap::operator new(unsigned int sz) !");
}

void vbllCrtHeap::Create() { m_bCreated = true; }

void vbllCrtHeap::Destroy()
{
    m_bCreated = false;
    m_cAlloc = 0;
}

void* vbllCrtHeap::Alloc(int cByte, vbOpMode mode)
{
    if (!m_bCreated)
        vbImpl::throwSys(E_FAIL, "vbllCrtHeap()::Alloc() : heap not created");
    if (cByte < 1)
        vbImpl::throwSys(E_FAIL, "vbllCrtHeap()::Alloc(cByte=%d) : size to allocate is invalid", cByte);
    void* p = std::malloc(static_cast<size_t>(cByte));
    if (!p) {
        if (mode == vbOpThrow)
            vbImpl::throwSys(E_OUTOFMEMORY, "vbllCrtHeap()::Alloc(cByte=%d) : malloc failure", cByte);
        return nullptr;
    }
    ++m_cAlloc;
    return p;
}

void* vbllCrtHeap::ReAlloc(void* p, int cByte, vbOpMode mode)
{
    if (!m_bCreated)
        vbImpl::throwSys(E_FAIL, "vbllCrtHeap()::ReAlloc() : heap not created");
    if (cByte < 1)
        vbImpl::throwSys(E_FAIL, "vbllCrtHeap()::ReAlloc(cByte=%d) : size to allocate is invalid", cByte);
    void* q = std::realloc(p, static_cast<size_t>(cByte));
    if (!q) {
        if (mode == vbOpThrow)
            vbImpl::throwSys(E_OUTOFMEMORY, "vbllCrtHeap()::ReAlloc(cByte=%d) : realloc failure", cByte);
        return nullptr;
    }
    if (!p)
        ++m_cAlloc;
    return q;
}

void vbllCrtHeap::Free(void* p)
{
    if (!m_bCreated)
        vbImpl::throwSys(E_FAIL, "vbllCrtHeap()::Free() : heap not created");
    if (p) {
        std::free(p);
        --m_cAlloc;
    }
}

// --- vbllSysHeap ---

// Every block carries the links of the heap's block list, so that Destroy can give back what is
// left as a private system heap would; 16 bytes keep the caller's bytes 16-byte aligned.
struct vbllSysHeap::Node {
    Node* prev;
    Node* next;
};

namespace {
// A lock that is only taken when the heap serializes itself.
class OptionalLock {
public:
    OptionalLock(std::mutex& m, bool on) : m_m(on ? &m : nullptr)
    {
        if (m_m)
            m_m->lock();
    }
    ~OptionalLock()
    {
        if (m_m)
            m_m->unlock();
    }
    OptionalLock(const OptionalLock&) = delete;
    OptionalLock& operator=(const OptionalLock&) = delete;

private:
    std::mutex* m_m;
};
} // namespace

vbllSysHeap::vbllSysHeap(bool serialize, vbCtorMode mode) : m_bSerialize(serialize)
{
    if (mode == vbCtorCreate)
        Create();
}

vbllSysHeap::~vbllSysHeap() { Destroy(); }

void* vbllSysHeap::operator new(size_t)
{
    vbImpl::throwSys(E_FAIL, "Do not use operator void *vbllSysHeap::operator new(unsigned int sz) !");
}

void vbllSysHeap::Create()
{
    OptionalLock lock(m_lock, m_bSerialize);
    if (m_bCreated)
        return;
    m_cAlloc = 0;
    m_first = nullptr;
    m_bCreated = true;
}

void vbllSysHeap::Destroy()
{
    OptionalLock lock(m_lock, m_bSerialize);
    Node* n = m_first;
    while (n) {
        Node* next = n->next;
        std::free(n);
        n = next;
    }
    m_first = nullptr;
    m_cAlloc = 0;
    m_bCreated = false;
}

void vbllSysHeap::link(Node* n)
{
    n->prev = nullptr;
    n->next = m_first;
    if (m_first)
        m_first->prev = n;
    m_first = n;
}

void vbllSysHeap::unlink(Node* n)
{
    if (n->prev)
        n->prev->next = n->next;
    else
        m_first = n->next;
    if (n->next)
        n->next->prev = n->prev;
}

void* vbllSysHeap::Alloc(int64_t cByte, vbOpMode mode)
{
    OptionalLock lock(m_lock, m_bSerialize);
    if (!m_bCreated)
        vbImpl::throwSys(E_FAIL, "vbllSysHeap()::Alloc() : heap not created");
    if (cByte < 1)
        vbImpl::throwSys(E_FAIL, "vbllSysHeap()::Alloc(cByte=%lld) : size to allocate is invalid",
            static_cast<long long>(cByte));
    auto* n = static_cast<Node*>(std::malloc(sizeof(Node) + static_cast<size_t>(cByte)));
    if (!n) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        if (mode == vbOpThrow)
            vbImpl::throwSys(HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY),
                "vbllSysHeap()::Alloc(cByte=%lld) : HeapAlloc failure", static_cast<long long>(cByte));
        return nullptr;
    }
    link(n);
    ++m_cAlloc;
    return n + 1;
}

void* vbllSysHeap::ReAlloc(void* p, int64_t cByte, vbOpMode mode)
{
    if (!p)
        return Alloc(cByte, mode);
    OptionalLock lock(m_lock, m_bSerialize);
    if (!m_bCreated)
        vbImpl::throwSys(E_FAIL, "vbllSysHeap()::ReAlloc() : heap not created");
    if (cByte < 1)
        vbImpl::throwSys(E_FAIL, "vbllSysHeap()::ReAlloc(cByte=%lld) : size to allocate is invalid",
            static_cast<long long>(cByte));
    Node* old = static_cast<Node*>(p) - 1;
    unlink(old);
    auto* n = static_cast<Node*>(std::realloc(old, sizeof(Node) + static_cast<size_t>(cByte)));
    if (!n) {
        link(old);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        if (mode == vbOpThrow)
            vbImpl::throwSys(HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY),
                "vbllSysHeap()::ReAlloc(cByte=%lld) : HeapReAlloc failure", static_cast<long long>(cByte));
        return nullptr;
    }
    link(n);
    return n + 1;
}

void vbllSysHeap::Free(void* p)
{
    OptionalLock lock(m_lock, m_bSerialize);
    if (!m_bCreated)
        vbImpl::throwSys(E_FAIL, "vbllSysHeap()::Free() : heap not created");
    if (!p)
        return;
    Node* n = static_cast<Node*>(p) - 1;
    unlink(n);
    std::free(n);
    --m_cAlloc;
}
