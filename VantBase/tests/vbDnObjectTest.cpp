#include "vbDnObject.h"
#include "vbDnPlugin.h"

#include "testsupport/TestDnObject.h"
#include "vbExpectThrown.h"
#include "vbTypesTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

using vbtypes::expectEsys;
using vnt::test::CLSID_TestDnObject;
using vnt::test::TestDnObject;

namespace {

using TestPtr = vbDnPtr<TestDnObject, &CLSID_TestDnObject>;

// A created object held by the test's one reference.
TestDnObject* newObject(const char* url = "u")
{
    auto* o = new TestDnObject(url);
    o->Create();
    return o;
}

// A test object that counts its deletions.
struct Counted : TestDnObject {
    using TestDnObject::TestDnObject;
    std::atomic<int>* deleted = nullptr;
    ~Counted() override { ++*deleted; }
};

struct FakeCenter : sIvbDnCenter {
    bool canShow = true;
    int useLocks = 0;
    void dlgUseLock() override { ++useLocks; }
    bool IsDlgUseLocked() override { return useLocks > 0; }
    bool IsDlgDispLocked() override { return false; }
    bool CanShowDlg() override { return canShow; }
};

TEST(vbDnData, RecursionGuardComparesOperationAndExactUrl)
{
    FakeCenter center;
    vbDnData root(&center, nullptr);
    EXPECT_FALSE(root.IsAlreadyInDnOp());
    vbDnData load(&root, vbDnLoad, "res:a", nullptr);
    vbDnData other(&load, vbDnLoad, "res:b", nullptr);
    vbDnData again(&other, vbDnLoad, "res:a", nullptr);
    EXPECT_EQ(again.GetCenter(), &center) << "the centre comes from the parent";
    vbtest::expectThrown<vbEdnUser>([&] { again.CheckDnOp(); }, E_FAIL,
        "Recursive work on url = 'res:a' cause infinite loop ...");
    try {
        again.CheckDnOp();
    } catch (vbEdnUser* e) {
        EXPECT_STREQ(e->GetCtxString().c_str(), "vbDnData::checkDnOp()");
        e->Delete();
    }
    vbDnData write(&other, vbDnWrite, "res:a", nullptr);
    vbDnData caseDiffers(&other, vbDnLoad, "RES:a", nullptr);
    write.CheckDnOp();
    caseDiffers.CheckDnOp();
}

TEST(vbDnData, DialogsGoThroughTheCentreAndAskTheObject)
{
    vbDnData orphan(nullptr, nullptr);
    EXPECT_FALSE(orphan.CanShowDlg());
    EXPECT_FALSE(orphan.IsDlgUseLocked());
    EXPECT_EQ(orphan.GetDlgParentHwnd(), nullptr);
    orphan.dlgUseLock();

    FakeCenter center;
    vbDnData root(&center, nullptr);
    root.dlgUseLock();
    EXPECT_TRUE(root.IsDlgUseLocked());
    EXPECT_FALSE(root.IsDlgDispLocked());
    EXPECT_TRUE(root.CanShowDlg());
    center.canShow = false;
    EXPECT_FALSE(root.CanShowDlg());

    struct Shy : TestDnObject {
        bool CanShowDnDlg() const override { return false; }
    };
    auto* shy = new Shy;
    shy->Create();
    center.canShow = true;
    vbDnData child(&root, vbDnLoad, "x", shy);
    EXPECT_FALSE(child.CanShowDlg());
    EXPECT_EQ(child.GetUserData(), nullptr);
    shy->Release();
}

struct TestSession : vbDnSession {
    void set(bool stopping, bool fromPlugin, bool closeAsked)
    {
        m_bStopping = stopping;
        m_bFromPlugin = fromPlugin;
        m_bCloseAsked = closeAsked;
    }
};

TEST(vbDnSession, StopChecksAndIdentity)
{
    TestSession s;
    EXPECT_FALSE(s.ShouldStopDnOp());
    s.CheckStopDnOp("u");

    s.set(true, false, false);
    EXPECT_TRUE(s.ShouldStopDnOp());
    vbtest::expectThrown<vbEdnUser>([&] { s.CheckStopDnOp("u"); }, E_ABORT,
        "URL 'u' download canceled, download center stopping...");

    s.set(false, true, true);
    EXPECT_TRUE(s.ShouldStopDnOp());
    vbtest::expectThrown<vbEhotPlug>([&] { s.CheckStopDnOp("u"); }, E_ABORT,
        "URL 'u' download canceled, download center updating plugins...");
    s.ResetStatus();
    EXPECT_FALSE(s.ShouldStopDnOp());

    void* face = nullptr;
    EXPECT_TRUE(s.GetInterface(IID_sIvbDnSession, &face));
    EXPECT_EQ(face, static_cast<sIvbDnSession*>(&s));
    EXPECT_TRUE(s.GetInterface(IID_sIvbBase, &face));
    EXPECT_FALSE(s.GetInterface(IID_IvbDnObject, &face));
}

TEST(vbDnBuiltinPlugin, QueryAnswers)
{
    auto* p = new vbDnBuiltinPlugin;
    p->Create();
    EXPECT_EQ(p->QueryInterface(IID_IvbDnPlugProto, static_cast<void**>(nullptr)), E_POINTER);
    void* face = nullptr;
    EXPECT_EQ(p->QueryInterface(IID_IvbDnObject, &face), E_NOINTERFACE);
    EXPECT_EQ(p->QueryInterface(IID_vbDnBuiltinPlugin, &face), S_OK);
    EXPECT_EQ(face, static_cast<IvbDnPlugProto*>(p));
    p->Release();
    p->Release();
}

// A protocol that records askStopDnOp and checks that the object's lock is free meanwhile.
class FakeProto : public vbObject, public IvbDnPlugProto {
public:
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbDnPlugProto) {
            *ppv = static_cast<IvbDnPlugProto*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    bool askStopDnOp(IvbDnObject* obj) override
    {
        ++stops;
        // Another thread takes the object's lock: it would wait for ever if the lock were held.
        auto other = std::async(std::launch::async, [obj] { return obj->IsDnOpStopped(); });
        lockFree = other.wait_for(std::chrono::seconds(10)) == std::future_status::ready && other.get();
        return true;
    }
    int stops = 0;
    bool lockFree = false;
};

TEST(vbTdnObject, StopAsksTheProtocolOutsideTheLock)
{
    TestDnObject* o = newObject();
    auto* proto = new FakeProto;
    proto->Create();
    o->SetDnProto(static_cast<vbObject*>(proto));
    o->CheckStopDnOp("u");
    o->StopDnOp();
    EXPECT_EQ(proto->stops, 1);
    EXPECT_TRUE(proto->lockFree);
    EXPECT_TRUE(o->IsDnOpStopped());
    try {
        o->CheckStopDnOp("u");
        ADD_FAILURE() << "no stop error";
    } catch (vbEdnUser* e) {
        EXPECT_EQ(static_cast<uint32_t>(e->GetRealHR()), static_cast<uint32_t>(E_ABORT));
        EXPECT_STREQ(e->GetMsg(), "URL 'u' download canceled...");
        EXPECT_STREQ(e->GetCtxString().c_str(), "vbTdnObject::CheckStopDnOp(m_bStopDnOp = true)");
        e->Delete();
    }
    // Ending the operation lets the protocol go and forgets the stop.
    o->EndDnOp(false);
    EXPECT_FALSE(o->IsDnOpStopped());
    EXPECT_EQ(proto->GetRefCount(), 1);
    proto->Release();

    std::string context;
    o->script.onBeforeDestruction = [&](bool) {
        try {
            o->CheckStopDnOp("u");
        } catch (vbEdnUser* e) {
            context = e->GetCtxString().c_str();
            e->Delete();
        }
    };
    o->Release();
    EXPECT_EQ(context, "vbTdnObject::CheckStopDnOp(m_bDestruction = true)");
}

// A plug-in object that is a protocol factory.
class FakeFactory : public vbObject, public IvbDnPlugFactory {
public:
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbDnPlugFactory && isFactory) {
            *ppv = static_cast<IvbDnPlugFactory*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    bool isFactory = true;
};

struct PlugSession : TestSession {
    void plugIn(vbObject* plugged) { plugged->AddPtr(&m_plug, true); }
    void holdProto(IvbDnPlugProto* proto)
    {
        m_proto = proto;
        m_bFromPlugin = true;
    }
    bool hasFactory() const { return !m_factory.IsNull(); }
    bool hasProto() const { return !m_proto.IsNull(); }
    bool closeAsked() const { return m_bCloseAsked; }
    bool plugged() { return m_plug.IsAttached(); }
};

struct CountingProto : FakeProto {
    void askClose() override { ++closes; }
    int closes = 0;
};

TEST(vbDnSession, PlugInObjectBringsTheFactoryAndItsSignalLetsItGo)
{
    PlugSession s;
    auto* proto = new CountingProto;
    proto->Create();
    s.holdProto(proto);
    auto* factory = new FakeFactory;
    factory->Create();
    s.plugIn(factory);
    EXPECT_TRUE(s.plugged());
    EXPECT_TRUE(s.hasFactory());
    EXPECT_FALSE(s.hasProto()) << "the factory's arrival drops the protocol";
    EXPECT_EQ(proto->closes, 1);

    s.holdProto(proto);
    factory->SignalPtr(1);
    EXPECT_FALSE(s.hasFactory());
    EXPECT_TRUE(s.closeAsked());
    EXPECT_TRUE(s.ShouldStopDnOp());
    EXPECT_EQ(proto->closes, 2);
    s.ResetStatus();
    EXPECT_FALSE(s.closeAsked()) << "no protocol is held any more";

    // An object without a factory is refused and not kept.
    auto* notFactory = new FakeFactory;
    notFactory->isFactory = false;
    notFactory->Create();
    try {
        s.plugIn(notFactory);
        ADD_FAILURE() << "accepted";
    } catch (CException* e) {
        e->Delete();
    }
    EXPECT_FALSE(s.plugged()) << "the session let it go";
    notFactory->Release();
    factory->Release();
    proto->Release();
}

TEST(vbTdnObject, RetryRules)
{
    TestDnObject* o = newObject();
    auto work = [&](vbDnOp op) {
        o->SetDnOpAsked(op);
        o->EndDnOp(true);
    };
    work(vbDnLoad);
    EXPECT_EQ(o->GetDnOpInWork(), vbDnLoad);
    EXPECT_FALSE(o->IsDnOpAsked());

    // Later retries go back to the queue, up to 309 in a row.
    EXPECT_TRUE(o->TakeRetryLater(true));
    EXPECT_EQ(o->GetDnOpAsked(), vbDnLoad);
    int taken = 1;
    for (;; ++taken) {
        o->EndDnOp(true);
        if (!o->TakeRetryLater(false))
            break;
    }
    EXPECT_EQ(taken, 309);
    EXPECT_FALSE(o->IsDnOpInWork());
    EXPECT_EQ(o->GetRetryDelay(false), 200) << "the count was reset";

    // Refused while another operation is asked or a stop is asked.
    work(vbDnLoad);
    o->SetDnOpAsked(vbDnWrite);
    EXPECT_FALSE(o->TakeRetryLater(true));
    EXPECT_FALSE(o->IsDnOpInWork());
    o->EndDnOp(true);
    o->StopDnOp();
    EXPECT_FALSE(o->TakeRetryLater(true));
    EXPECT_EQ(o->GetRetryDelay(false), 200);

    // Immediate retries: two in a row; they reset the later count.
    work(vbDnLoad);
    EXPECT_TRUE(o->TakeRetryLater(true));
    o->EndDnOp(true);
    EXPECT_TRUE(o->TakeRetryLater(false));
    EXPECT_EQ(o->GetRetryDelay(false), 500);
    o->EndDnOp(true);
    EXPECT_TRUE(o->TakeRetryNow());
    EXPECT_EQ(o->GetRetryDelay(false), 200);
    EXPECT_TRUE(o->TakeRetryNow());
    EXPECT_FALSE(o->TakeRetryNow());
    o->ClearRetryNowCount();
    EXPECT_TRUE(o->TakeRetryNow());
    o->EndDnOp(false);
    EXPECT_FALSE(o->TakeRetryNow());
    o->Release();

    const std::pair<LONG, int> delays[] = {
        {0, 200}, {1, 500}, {20, 500}, {21, 1000}, {140, 1000}, {141, 2000}, {260, 2000}, {261, 5000},
    };
    for (const auto& [count, ms] : delays)
        EXPECT_EQ(vbImpl::dnRetryDelay(false, count), ms) << count;
    EXPECT_EQ(vbImpl::dnRetryDelay(true, 300), 1000);
}

// Records the signals of the object it is linked to.
struct Signals : sIvbPtrCb {
    std::vector<int> got;
    void onPtrSignal(sIvbPtr*, int signal) override { got.push_back(signal); }
    void onPtrLink(sIvbPtr*) override {}
    void onPtrUnlink(sIvbPtr*) override {}
};

TEST(vbTdnObject, SignalsAndDefaults)
{
    TestPtr p("u");
    Signals signals;
    p.SetCallback(&signals);
    TestDnObject* o = static_cast<TestDnObject*>(p.CreateObject());

    o->SetLoaded(true, true);
    o->SetWritten(true, true);
    o->SetDnError(0x80070005u, "denied");
    o->SetLoaded(true, true);
    o->SetWritten(true, true);
    EXPECT_EQ(signals.got, (std::vector<int>{0, 5, -1, -2}));
    EXPECT_TRUE(o->IsLoaded());
    ULONG hr = 0;
    vbString text;
    EXPECT_TRUE(p.GetError(hr, text));
    EXPECT_EQ(hr, 0x80070005u);
    EXPECT_STREQ(text, "denied");

    o->SetLoaded(false, true);
    EXPECT_EQ(signals.got.back(), 0);
    EXPECT_FALSE(o->HasDnError());
    EXPECT_FALSE(o->IsLoaded());
    EXPECT_TRUE(o->IsWritten());

    expectEsys([&] { o->WriteToStream(nullptr, nullptr); }, E_NOTIMPL, "vbTdnObject(u)::WriteToStream() not implemented");

    bool absolute = true, real = true;
    EXPECT_STREQ(o->GetDnUrl(&absolute), "u");
    EXPECT_FALSE(absolute);
    o->SetDnAbsUrl("file:/a/u");
    EXPECT_STREQ(o->GetDnRealUrl(&real), "file:/a/u");
    EXPECT_FALSE(real);
    o->SetDnRealUrl("file:/b/u");
    EXPECT_STREQ(o->GetDnRealUrl(&real), "file:/b/u");
    EXPECT_TRUE(real);
    o->SetUrl("v");
    EXPECT_STREQ(o->GetDnRealUrl(&real), "v");
    EXPECT_STREQ(o->GetDnUrl(nullptr), "v");
    EXPECT_TRUE(o->IsCacheable());
    EXPECT_FALSE(o->IsWritable());
    p.SetCallback(nullptr);
}

TEST(vbTdnObject, CacheKeepsTheObjectUntilTheCentreDeletesIt)
{
    FakeCenter center, other;
    TestPtr p("u");
    TestDnObject* o = static_cast<TestDnObject*>(p.CreateObject());
    o->dnCenter_cache(&center, 5);
    EXPECT_EQ(o->dnCenter_getCacheId(&center), 5);
    EXPECT_FALSE(o->dnCenter_tryDel(&center, 5)) << "in use";

    // The last release leaves the object to the cache.
    p.Unlink();
    EXPECT_EQ(o->Calls(), (std::vector<std::string>{"dnCenter_cache(center,5)", "dnCenter_tryDel(center,5)",
                              "onBeforeDestruction(false)", "onDestruction(false)"}));
    EXPECT_TRUE(o->IsInDestruction());

    expectEsys([&] { o->dnCenter_cache(&other, 5); }, E_FAIL, "dnCenter_cache(): object set to another download center");
    expectEsys([&] { o->dnCenter_cache(&center, 3); }, E_FAIL, "dnCenter_cache(): bad cache id (expected=3,obj=5)");
    expectEsys([&] { o->dnCenter_tryDel(&center, 3); }, E_FAIL, "dnCenter_tryDel(): bad cache id (expected=3,obj=5)");
    expectEsys([&] { o->dnCenter_tryDel(&other, 5); }, E_FAIL, "dnCenter_tryDel(): object set to another download center");
    expectEsys([&] { o->dnCenter_getCacheId(&other); }, E_FAIL,
        "dnCenter_getCacheId(): object set to another download center");

    // Revived: a new pointer links to it.
    o->dnCenter_cache(&center, 5);
    EXPECT_FALSE(o->IsInDestruction());
    TestPtr again("u");
    EXPECT_TRUE(o->AddPtr(&again, true));
    EXPECT_EQ(again.GetDnObject(), static_cast<IvbDnObject*>(o));
    again.Unlink();

    EXPECT_TRUE(o->dnCenter_tryDel(&center, 5)); // deletes it (the sanitizers see a leak otherwise)
}

TEST(vbTdnObject, UncachingAfterTheLastReleaseDeletes)
{
    FakeCenter center;
    std::atomic<int> deleted{0};
    auto* o = new Counted("u");
    o->deleted = &deleted;
    o->Create();
    o->dnCenter_cache(&center, 1);
    o->Release();
    EXPECT_EQ(deleted.load(), 0) << "kept for the cache";
    o->dnCenter_cache(nullptr, 0);
    EXPECT_EQ(deleted.load(), 1);
}

TEST(vbDnPtr, CreationLinksAndCopies)
{
    struct Refusing : TestDnObject {
        using TestDnObject::TestDnObject;
        bool GetInterface(const GUID& iid, void** ppv) override
        {
            return iid != IID_IvbDnObject && TestDnObject::GetInterface(iid, ppv);
        }
    };
    vbDnPtr<Refusing, &CLSID_TestDnObject> refused("u");
    expectEsys([&] { refused.CreateObject(); }, E_NOINTERFACE,
        "vbDnPtr::CreateObject() : object doesn't have interface IvbDnObject");
    EXPECT_EQ(refused.GetDnObject(), nullptr);

    TestPtr none("u", 7);
    ULONG hr = 1;
    vbString text("x");
    EXPECT_FALSE(none.GetError(hr, text));
    EXPECT_EQ(hr, 0u);
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(none.IsLoaded());
    EXPECT_TRUE(none.IsCacheable());
    EXPECT_EQ(none.GetClsId(), CLSID_TestDnObject);
    EXPECT_FALSE(none.WaitLoad(10));

    TestPtr p("u", 7);
    IvbDnObject* o = p.CreateObject();
    EXPECT_STREQ(o->GetDnUrl(nullptr), "u");
    EXPECT_FALSE(p.AskLoad(vbDnPriority1)) << "already linked";
    TestPtr copy(p);
    EXPECT_EQ(copy.GetDnObject(), o);
    EXPECT_STREQ(copy.GetUrl(), "u");
    EXPECT_EQ(copy.GetKey(), 7);

    EXPECT_FALSE(p.SetUrlKey("u", 7));
    EXPECT_EQ(p.GetDnObject(), o);
    EXPECT_TRUE(p.SetUrlKey("U", 7));
    EXPECT_EQ(p.GetDnObject(), nullptr);
    EXPECT_FALSE(p.Unlink());
    EXPECT_STREQ(p.GetUrl(), "U");

    TestPtr parked("w");
    parked.SetParkedNext(&copy);
    EXPECT_EQ(parked.GetParkedNext(), static_cast<sIvbDnPtr*>(&copy));
    EXPECT_EQ(parked.GetParkedNext(), nullptr);
}

TEST(vbTdnObject, ReferencesAndCacheCallsAcrossThreads)
{
    FakeCenter center;
    std::atomic<int> deleted{0};
    vbDnPtr<Counted, &CLSID_TestDnObject> held("u");
    auto* o = static_cast<Counted*>(held.CreateObject());
    o->deleted = &deleted;
    o->dnCenter_cache(&center, 1);

    std::atomic<bool> stop{false};
    std::vector<std::thread> users;
    for (int t = 0; t < 4; ++t)
        users.emplace_back([&] {
            for (int i = 0; i < 300; ++i) {
                TestPtr p("u");
                EXPECT_TRUE(o->AddPtr(&p, true));
                o->AddRef();
                TestPtr copy(p);
                o->Release();
                p.Unlink();
            }
        });
    std::thread cache([&] {
        while (!stop) {
            o->dnCenter_cache(&center, 1);
            EXPECT_FALSE(o->dnCenter_tryDel(&center, 1)) << "still referenced";
        }
    });
    for (auto& t : users)
        t.join();
    stop = true;
    cache.join();
    held.Unlink();
    EXPECT_EQ(deleted.load(), 0) << "kept for the cache";
    EXPECT_TRUE(o->dnCenter_tryDel(&center, 1));
    EXPECT_EQ(deleted.load(), 1);
}

} // namespace
