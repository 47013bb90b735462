#include "vbObjects.h"
#include "vbPtr.h"
#include "vbObjTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using vbtest::catchVb;
using vbtest::expectEsys;

namespace {

// Counts what happens to objects of the test class.
struct Events {
    int before = 0;
    int destruction = 0;
    int deleted = 0;
    bool lockFreeAtDelete = true;
};

// A heap that counts the blocks given back to it.
class CountingHeap : public vbSegHeap {
public:
    CountingHeap() : vbSegHeap("counting") {}
    void Free(void* p) override
    {
        if (p)
            ++frees;
        vbSegHeap::Free(p);
    }
    int frees = 0;
};

typedef vbRefPtr<IvbObject, &IID_IvbObject> ObjRef;

class TestObject : public vbObject {
public:
    explicit TestObject(Events* ev) : m_ev(ev) {}

    // Run inside onDestruction, as an owner that still has work to do there would.
    std::function<void(TestObject*)> inDestruction;
    bool throwInLookup = false;
    bool throwOther = false;

    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (throwInLookup)
            vbImpl::throwSys(E_INVALIDARG, "lookup failed");
        if (throwOther)
            throw 42;
        return vbObject::GetInterface(iid, ppv);
    }
    using vbObject::GetInterface;

protected:
    ~TestObject() override
    {
        ++m_ev->deleted;
        // The section must not be held by anyone (the releasing thread included) at this point.
        bool freeElsewhere = false;
        std::thread([&] {
            freeElsewhere = m_pLock->Lock(0) != FALSE;
            if (freeElsewhere)
                m_pLock->Unlock();
        }).join();
        m_ev->lockFreeAtDelete = freeElsewhere;
    }
    void onBeforeDestruction(bool) override { ++m_ev->before; }
    void onDestruction(bool) override
    {
        ++m_ev->destruction;
        if (inDestruction)
            inDestruction(this);
    }

private:
    Events* m_ev;
};

TestObject* newObject(Events* ev, sIvbHeap* heap = nullptr)
{
    TestObject* o = heap ? new (heap) TestObject(ev) : new TestObject(ev);
    o->Create();
    return o;
}

// Records the notifications an attached pointer forwards.
class Recorder : public sIvbPtrCb {
public:
    bool GetInterface(const GUID&, const void**) const override { return false; }
    bool GetInterface(const GUID&, void**) override { return false; }
    void onPtrSignal(sIvbPtr* p, int s) override { log.push_back("signal " + name(p) + " " + std::to_string(s)); }
    void onPtrUnlink(sIvbPtr* p) override { log.push_back("unlink " + name(p)); }
    void onPtrLink(sIvbPtr* p) override { log.push_back("link " + name(p)); }

    std::string name(sIvbPtr* p)
    {
        for (auto& [ptr, n] : names)
            if (ptr == p)
                return n;
        return "?";
    }
    std::vector<std::pair<sIvbPtr*, std::string>> names;
    std::vector<std::string> log;
};

typedef vbObsPtr<IvbObject, &IID_IvbObject> Obs;
typedef vbObsRefPtr<IvbObject, &IID_IvbObject> ObsRef;
typedef vbObsPtrExt<IvbObject, &IID_IvbObject> ObsExt;
typedef vbPtr<IvbObject, &IID_IvbObject> Attached;

TEST(vbObject, SingleReleaseFreesIntoTheHeapItCameFrom)
{
    Events ev;
    CountingHeap heap;
    TestObject* o = newObject(&ev, &heap);
    EXPECT_EQ(heap.GetAllocCount(), 1);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(o) % 16, 0u);
    EXPECT_TRUE(heap.IsValid(reinterpret_cast<char*>(o) - vbObjectBase::kHeapHeader));
    // The final Release runs in the base library, a module other than the one that built the
    // object; the block still goes back to the heap recorded in front of it.
    EXPECT_EQ(static_cast<IUnknown*>(o)->Release(), 0u);
    EXPECT_EQ(ev.before, 1);
    EXPECT_EQ(ev.destruction, 1);
    EXPECT_EQ(ev.deleted, 1);
    EXPECT_EQ(heap.frees, 1);
    EXPECT_EQ(heap.GetAllocCount(), 0);

    // The plain operator new takes the main heap.
    int before = vbGetMainHeap().GetAllocCount();
    o = newObject(&ev);
    EXPECT_EQ(vbGetMainHeap().GetAllocCount(), before + 1);
    o->Release();
    EXPECT_EQ(vbGetMainHeap().GetAllocCount(), before);
}

TEST(vbObject, AHeapWithoutMemoryFailsTheAllocation)
{
    class EmptyHeap : public vbSegHeap {
    public:
        EmptyHeap() : vbSegHeap("empty") {}
        void* Alloc(int, vbAllocMode) override { return nullptr; }
    } heap;
    Events ev;
    expectEsys([&] { new (&heap) TestObject(&ev); }, E_OUTOFMEMORY, "vbObjectBase::operator new() : not enougth memory");
    EXPECT_EQ(ev.deleted, 0);
}

TEST(vbObject, QueryInterfaceAnswersWithCodes)
{
    Events ev;
    TestObject* o = newObject(&ev);
    void* pv = nullptr;
    const GUID unknown = {0x12345678, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(static_cast<uint32_t>(o->QueryInterface(unknown, &pv)), 0x80004002u);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(o->GetRefCount(), 1);

    EXPECT_EQ(o->QueryInterface(IID_IUnknown, &pv), S_OK);
    EXPECT_EQ(pv, static_cast<IvbObject*>(o));
    EXPECT_EQ(o->GetRefCount(), 2);
    const void* cpv = nullptr;
    EXPECT_EQ(static_cast<const IvbObject*>(o)->QueryInterface(IID_IvbObject, &cpv), S_OK);
    EXPECT_EQ(o->GetRefCount(), 3);
    o->Release();
    o->Release();

    // A library exception becomes its code; anything else E_POINTER.
    o->throwInLookup = true;
    EXPECT_EQ(o->QueryInterface(IID_IUnknown, &pv), E_INVALIDARG);
    o->throwInLookup = false;
    o->throwOther = true;
    EXPECT_EQ(o->QueryInterface(IID_IUnknown, &pv), E_POINTER);
    o->throwOther = false;
    EXPECT_EQ(o->GetRefCount(), 1);
    o->Release();
}

TEST(vbObject, CreateOnceUnlessDestroyedAndReusable)
{
    Events ev;
    TestObject* o = newObject(&ev);
    expectEsys([&] { o->Create(); }, E_FAIL, "vbObjectBase::Create() : already created");
    o->Destroy();
    EXPECT_TRUE(o->IsInDestruction());
    EXPECT_FALSE(o->IsAddPtrAllowed());
    EXPECT_EQ(ev.deleted, 0);
    o->Create();
    EXPECT_FALSE(o->IsInDestruction());
    Obs obs(o, true);
    EXPECT_TRUE(obs.IsAttached());
    o->Release();
    EXPECT_FALSE(obs.IsAttached());
}

TEST(vbObject, UnimplementedOperationsReportPurecall)
{
    class Partial : public vbBaseHeap {
    } heap;
    expectEsys([&] { heap.Alloc(1, vbAllocZero); }, E_ABORT,
        "VantBase: Object of called method is in destruction (purecall)");
    class BareLock : public sIvbNotifLock {
    } lock;
    expectEsys([&] { lock.Lock(); }, E_ABORT, "VantBase: Object of called method is in destruction (purecall)");
}

TEST(vbObject, AddPtrAndRemovePtrRules)
{
    Events ev;
    TestObject* o = new TestObject(&ev);
    Obs obs;
    expectEsys([&] { o->AddPtr(&obs, true); }, E_FAIL, "vbObjectBase::addPtr() : object not created");
    o->Create();
    Recorder rec;
    rec.names = {{&obs, "obs"}};
    obs.SetCallback(&rec);
    EXPECT_TRUE(o->AddPtr(&obs, true));
    // Already attached: nothing changes.
    EXPECT_TRUE(o->AddPtr(&obs, true));
    EXPECT_EQ(rec.log, (std::vector<std::string>{"link obs"}));

    o->RemovePtr(&obs, true);
    EXPECT_EQ(rec.log.size(), 1u);
    EXPECT_FALSE(obs.IsAttached());
    expectEsys([&] { o->RemovePtr(&obs, false); }, E_FAIL, "vbObjectBase::removePtr() : ptr not attached to this object");

    // During destruction pointers are refused, quietly or with an exception meant for the user.
    o->Destroy();
    EXPECT_FALSE(o->AddPtr(&obs, false));
    vbtest::Caught c = catchVb([&] { o->AddPtr(&obs, true); });
    EXPECT_EQ(c.cls, "vbEuser");
    EXPECT_EQ(static_cast<uint32_t>(c.hr), static_cast<uint32_t>(E_ABORT));
    EXPECT_EQ(c.msg, "Object in destruction or observers not allowed");
    o->Release();
}

TEST(vbObsPtr, ObjectReleasedToZeroLeavesObserversEmptyNewestFirst)
{
    Events ev;
    TestObject* o = newObject(&ev);
    Recorder rec;
    Obs a, b;
    rec.names = {{&a, "a"}, {&b, "b"}};
    a.SetCallback(&rec);
    b.SetCallback(&rec);
    o->AddPtr(&a, true);
    o->AddPtr(&b, true);
    o->SignalPtr(7);
    o->Release();
    EXPECT_EQ(rec.log, (std::vector<std::string>{"link a", "link b", "signal b 7", "signal a 7", "unlink b", "unlink a"}));
    ObjRef ref;
    EXPECT_FALSE(a.GetRefPtr(&ref));
    EXPECT_TRUE(ref.IsNull());
    EXPECT_TRUE(a.HasObject(nullptr));
    EXPECT_EQ(ev.deleted, 1);
}

TEST(vbObsPtr, ReferenceTakenAndDroppedInDestructionStartsNoSecondOne)
{
    Events ev;
    TestObject* o = newObject(&ev);
    o->inDestruction = [](TestObject* self) {
        ObjRef hold(self);
        hold.Release();
    };
    Obs obs(o, true);
    o->Release();
    EXPECT_EQ(ev.before, 1);
    EXPECT_EQ(ev.destruction, 1);
    EXPECT_EQ(ev.deleted, 1);
}

TEST(vbObsPtr, GetRefPtrCountsWhileTheObjectLives)
{
    Events ev;
    TestObject* o = newObject(&ev);
    Obs obs(o, true);
    {
        ObjRef ref;
        EXPECT_TRUE(obs.GetRefPtr(&ref));
        EXPECT_EQ(ref.Get(), static_cast<IvbObject*>(o));
        EXPECT_EQ(o->GetRefCount(), 2);
    }
    EXPECT_EQ(o->GetRefCount(), 1);
    EXPECT_TRUE(obs.HasObject(o));
    o->Release();
}

// Another thread keeps upgrading an observer while the last reference goes: the object is
// deleted once, after the last counted reference of either thread.
TEST(vbObsPtr, UpgradeRacingTheLastReleaseDeletesOnce)
{
    constexpr int kRounds = 200;
    Events ev;
    for (int round = 0; round < kRounds; ++round) {
        TestObject* o = newObject(&ev);
        Obs obs(o, true);
        std::atomic<bool> go{false};
        std::thread upgrader([&] {
            while (!go.load()) {
            }
            ObjRef ref;
            while (obs.GetRefPtr(&ref))
                ref.Release();
        });
        go = true;
        o->Release();
        upgrader.join();
        EXPECT_FALSE(obs.IsAttached());
    }
    EXPECT_EQ(ev.deleted, kRounds);
    EXPECT_TRUE(ev.lockFreeAtDelete);
}

TEST(vbObsPtrExt, AssignmentMovesAndNullDetaches)
{
    Events ev;
    TestObject* first = newObject(&ev);
    TestObject* second = newObject(&ev);
    CCriticalSection ownerSection;
    ObsExt ext(&ownerSection);
    Recorder rec;
    rec.names = {{&ext, "ext"}};
    ext.SetCallback(&rec);
    ext = first;
    ext = second;
    EXPECT_TRUE(ext.HasObject(second));
    EXPECT_EQ(first->GetRefCount(), 1);
    ext = nullptr;
    EXPECT_EQ(rec.log, (std::vector<std::string>{"link ext", "link ext", "unlink ext"}));
    EXPECT_TRUE(ext.HasObject(nullptr));
    first->Release();
    second->Release();
    EXPECT_EQ(ev.deleted, 2);
}

TEST(vbObsRefPtr, KeepsTheObjectAliveAndReleasesOutsideItsLock)
{
    Events ev;
    TestObject* o = newObject(&ev);
    {
        ObsRef keeper(o, true);
        EXPECT_EQ(o->GetRefCount(), 2);
        o->Release();
        EXPECT_EQ(ev.deleted, 0);
        EXPECT_TRUE(keeper.IsSameObject(static_cast<IvbObject*>(o)));
        EXPECT_FALSE(keeper.IsSameObject(nullptr));
    }
    EXPECT_EQ(ev.deleted, 1);
    EXPECT_TRUE(ev.lockFreeAtDelete);
}

TEST(vbObsRefPtr, DestroyWhenTheLastReferenceIsTheObserversOwn)
{
    Events ev;
    TestObject* o = newObject(&ev);
    ObsRef keeper(o, true);
    o->Release();
    // Unlinking the observer drops the last reference while Destroy still runs; the object must
    // outlive the call and go at its end.
    o->Destroy();
    EXPECT_EQ(ev.deleted, 1);
    EXPECT_TRUE(ev.lockFreeAtDelete);
    EXPECT_TRUE(keeper.IsSameObject(nullptr));
}

TEST(vbPtr, StaysAttachedThroughDestroy)
{
    Events ev;
    TestObject* o = newObject(&ev);
    Obs obs(o, true);
    {
        Attached ptr(o);
        Attached copy(ptr);
        EXPECT_EQ(o->GetRefCount(), 3);
        o->Release();
        o->Destroy();
        EXPECT_FALSE(obs.IsAttached());
        EXPECT_EQ(ptr.Get(), static_cast<IvbObject*>(o));
        EXPECT_EQ(copy.Get(), static_cast<IvbObject*>(o));
        EXPECT_EQ(ev.deleted, 0);
        copy = nullptr;
        EXPECT_EQ(o->GetRefCount(), 1);
    }
    EXPECT_EQ(ev.deleted, 1);
    Attached none;
    expectEsys([&] { none->AddRef(); }, E_FAIL, "T* vbPtr()::operator->() const, pointer is NULL !");
}

TEST(vbRefPtr, CountsAndRefusesToOverwrite)
{
    Events ev;
    TestObject* o = newObject(&ev);
    {
        ObjRef p(o);
        EXPECT_EQ(o->GetRefCount(), 2);
        const ObjRef& same = p;
        p = same;
        p = p.Get();
        EXPECT_EQ(o->GetRefCount(), 2);
        expectEsys([&] { p.Addr(); }, E_FAIL, "T** vbRefPtr()::Addr(), pointer is not NULL !");
        expectEsys([&] { p.AddrV(); }, E_FAIL, "T** vbRefPtr()::AddrV(), pointer is not NULL !");
        EXPECT_EQ(o->GetRefCount(), 2);
        EXPECT_TRUE(p.Release());
        EXPECT_FALSE(p.Release());
        expectEsys([&] { p->AddRef(); }, E_FAIL, "T* vbRefPtr()::operator->() const, pointer is NULL !");
        // An out-parameter fill.
        EXPECT_EQ(o->QueryInterface(IID_IvbObject, p.AddrV()), S_OK);
        EXPECT_EQ(o->GetRefCount(), 2);
        const CLSID clsid = {0x0BADC0DE, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
        expectEsys([&] { p.CreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER); }, E_FAIL,
            "T** vbRefPtr()::CreateInstance(), pointer is not NULL !");
        ObjRef fresh;
        // This thread never initialised COM.
        expectEsys([&] { fresh.CreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER); }, CO_E_NOTINITIALIZED,
            "Instruction '::CoCreateInstance(rclsid, pUnkOuter, dwClsContext, *piid, (void**)&m_pObj)' failed !");
        EXPECT_TRUE(fresh.IsNull());
    }
    EXPECT_EQ(o->GetRefCount(), 1);

    typedef vbRefQIPtr<IvbObject, &IID_IvbObject> ObjQI;
    ObjQI qi(static_cast<IUnknown*>(o), true);
    EXPECT_EQ(o->GetRefCount(), 2);
    expectEsys([] { ObjQI bad(nullptr, true); }, E_FAIL, "vbRefQIPtr() : pObj == NULL");
    typedef vbRefQIPtr<IUnknown, &IID_sIvbLock> LockQI;
    expectEsys([&] { LockQI bad(static_cast<IUnknown*>(o), true); }, E_NOINTERFACE,
        "Instruction 'pObj->QueryInterface(*piid, (void **)&m_pObj)' failed !");
    LockQI quiet(static_cast<IUnknown*>(o), false);
    EXPECT_TRUE(quiet.IsNull());
    qi.Release();
    o->Release();
    EXPECT_EQ(ev.deleted, 1);
}

class FakeNotifLock : public sIvbNotifLock {
public:
    void Lock() override { ++locks; }
    void Unlock() override
    {
        ++unlocks;
        if (throwOnUnlock)
            vbImpl::throwSys(E_FAIL, "unlock failed");
    }
    int locks = 0;
    int unlocks = 0;
    bool throwOnUnlock = false;
};

TEST(vbLockHolders, LockReleasesTheHeldOneFirstAndDestructorsSwallow)
{
    FakeNotifLock a, b;
    {
        vbNotifLock holder(&a);
        holder.Lock(&b);
        EXPECT_EQ(a.unlocks, 1);
        EXPECT_EQ(b.locks, 1);
        b.throwOnUnlock = true;
    }
    EXPECT_EQ(b.unlocks, 1);

    Events ev;
    TestObject* o = newObject(&ev);
    {
        vbPtrLock held(o);
        // Recursive: the same thread may enter again.
        vbPtrLock again(o);
        EXPECT_TRUE(again.IsLocked());
        again.Unlock();
        EXPECT_FALSE(again.IsLocked());
    }
    CCriticalSection sect;
    {
        vbSectLock s(&sect);
    }
    EXPECT_TRUE(sect.Lock(0));
    sect.Unlock();
    o->Release();
}

} // namespace
