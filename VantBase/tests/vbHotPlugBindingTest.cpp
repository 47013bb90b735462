// A module record as the code download's binding callback: the fixed answers, the window offered
// for download dialogs, the abort asked before the binding exists, the retry decision after a
// failed download (the retry downloads again), and the load notification of a success that
// skipped the class object.

#include "LogFileReader.h"
#include "vbFakeCodeDownload.h"
#include "vbExpectThrown.h"
#include "vbHotPlugTestUtil.h"

#include "hotplug/vbHotPlugger.h"

#include "plat/com.h"

#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using vbtest::testClsid;

namespace {

// Counts its aborts, answering with abortResult.
class FakeBinding final : public IBinding {
public:
    HRESULT QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT Abort() override
    {
        ++aborts;
        return abortResult;
    }

    ULONG refs = 1;
    int aborts = 0;
    HRESULT abortResult = S_FALSE;
};

// Answers every error with caps and notes the load requests.
class ErrorListener : public vbtest::Listener {
public:
    vbPlugUpdateCaps OnError(IvbHotPlugger*, bool, LONG, const vbString&) override { return caps; }
    void OnProgress(IvbHotPlugger*, ULONG, ULONG, vbPlugStatus, const vbString&) override { }

    vbPlugUpdateCaps caps = vbPlugUpdateAllow;
};

class vbHotPlugBinding : public ::testing::Test {
protected:
    vbHotPlugBinding()
    {
        m_listener = new ErrorListener;
        m_listener->Create();
    }
    ~vbHotPlugBinding() override { m_listener->Release(); }

    // The record of a module whose download of version 2 now runs in the background.
    vbHotPlugCenter::Plugger* downloading()
    {
        EXPECT_TRUE(m_centre.AddInstall("http://plugs.example/a.cab", "version=2,0,0,0;id={00000001-1234-5678-9ABC-000000000001}"));
        m_download.answerAsynchronous();
        EXPECT_EQ(m_centre.LoadPlugin(testClsid(1), m_listener), vbPlugUpdating);
        EXPECT_EQ(m_centre.m_pluggers.GetLength(), 1);
        vbHotPlugCenter::Plugger* p = m_centre.m_pluggers[1];
        EXPECT_TRUE(p->IsUpdate());
        m_listener->events.clear();
        return p;
    }

    vbtest::FakeCodeDownload m_download;
    vbtest::OpenCentre m_centre;
    vbUseEngineCenter m_use{&g_vbEngineCenter, true};
    ErrorListener* m_listener;
};

TEST_F(vbHotPlugBinding, FixedAnswersAndTheBindInfo)
{
    vbHotPlugCenter::Plugger* p = downloading();
    EXPECT_EQ(p->OnLowResource(0), E_NOTIMPL);
    LONG priority = 5;
    EXPECT_EQ(p->GetPriority(&priority), S_OK);
    EXPECT_EQ(priority, 0);
    DWORD flags = 0;
    BINDINFO info{};
    EXPECT_EQ(p->GetBindInfo(&flags, &info), E_INVALIDARG) << "a BINDINFO of size 0";
    info.cbSize = sizeof info;
    info.dwBindVerb = 3;
    info.grfBindInfoF = 7;
    EXPECT_EQ(p->GetBindInfo(&flags, &info), S_OK);
    EXPECT_EQ(flags, 0x11u);
    EXPECT_EQ(info.cbSize, sizeof info);
    EXPECT_EQ(info.dwBindVerb, 0u);
    EXPECT_EQ(info.grfBindInfoF, 0u);
    EXPECT_EQ(p->GetBindInfo(nullptr, &info), E_INVALIDARG);
}

// The identifier under which the centre holds its records in counted pointers.
TEST_F(vbHotPlugBinding, TheRecordAnswersTheCentresRecordIdentifierWithItself)
{
    GUID id{};
    ASSERT_EQ(CLSIDFromString(u"{67C95090-019A-4214-9269-6DEE6DDCA897}", &id), S_OK);
    vbHotPlugCenter::Plugger* p = downloading();
    void* self = nullptr;
    ASSERT_TRUE(p->GetInterface(id, &self));
    EXPECT_EQ(self, static_cast<void*>(p));
}

TEST_F(vbHotPlugBinding, TheWindowFaceExistsOnlyWithAnApplicationWindow)
{
    vbHotPlugCenter::Plugger* p = downloading();
    void* face = nullptr;
    EXPECT_FALSE(p->GetInterface(IID_IWindowForBindingUI, &face));
    const HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
    m_centre.SetAppliWindow(true, window);
    ASSERT_TRUE(p->GetInterface(IID_IWindowForBindingUI, &face));
    HWND given = nullptr;
    EXPECT_EQ(static_cast<IWindowForBindingUI*>(face)->GetWindow(GUID{}, &given), S_OK);
    EXPECT_EQ(given, window);
}

TEST_F(vbHotPlugBinding, AnAbortAskedBeforeTheBindingAbortsAtTheNextProgress)
{
    vbHotPlugCenter::Plugger* p = downloading();
    p->AbortDownload();
    FakeBinding binding;
    EXPECT_EQ(p->OnStartBinding(0, &binding), S_OK);
    EXPECT_EQ(binding.aborts, 0);
    EXPECT_EQ(p->OnProgress(1, 10, 1, u"finding"), S_FALSE) << "the binding's own answer";
    EXPECT_EQ(binding.aborts, 1);
    EXPECT_EQ(p->OnProgress(2, 10, 1, u"finding"), S_OK);
    EXPECT_EQ(binding.aborts, 1) << "once";
}

TEST_F(vbHotPlugBinding, AFailureWhileInstallingIsRetriedAndDownloadsAgain)
{
    vbHotPlugCenter::Plugger* p = downloading();
    vnt::test::ManualClock clock;
    ASSERT_EQ(m_download.fetchCalls, 1);
    EXPECT_EQ(p->OnProgress(1, 1, 8, u"installing"), S_OK);
    EXPECT_EQ(p->OnStopBinding(E_FAIL, u"broken"), S_OK);
    EXPECT_FALSE(p->IsUpdate());
    g_vbVantMsgEngine.Remove(&*m_centre.m_retryTimer);
    clock.advance(15000);
    m_centre.onRetryTimer(*m_centre.m_retryTimer);
    EXPECT_EQ(m_download.fetchCalls, 2) << "the retry downloads the request again";
}

TEST_F(vbHotPlugBinding, AFailureWhileDownloadingDataLeavesTheOldModule)
{
    vbHotPlugCenter::Plugger* p = downloading();
    vnt::test::ManualClock clock;
    EXPECT_EQ(p->OnProgress(1, 1, 5, u"data"), S_OK);
    EXPECT_EQ(p->OnStopBinding(E_FAIL, u"broken"), S_OK);
    EXPECT_FALSE(p->IsUpdate());
    clock.advance(15000);
    m_centre.onRetryTimer(*m_centre.m_retryTimer);
    EXPECT_EQ(m_download.fetchCalls, 1);
    EXPECT_EQ(m_centre.GetInUpdateCnt(), 0u);
}

TEST_F(vbHotPlugBinding, ASuccessWithoutTheClassObjectStillTellsEveryoneToLoad)
{
    vbHotPlugCenter::Plugger* p = downloading();
    const std::string path = p->GetModulePath().c_str();
    EXPECT_EQ(p->OnStopBinding(S_OK, nullptr), S_OK);
    EXPECT_FALSE(p->IsUpdate());
    EXPECT_NE(readLogFile().find("vbHotPlugCenter::Plugger::OnStopBinding({00000001-1234-5678-9ABC-000000000001}, " +
                  path + ") : prb : m_bObjAvailOk = false in async op"),
        std::string::npos);
    EXPECT_EQ(m_listener->events, std::vector<std::string>{"load " + path});
}

TEST_F(vbHotPlugBinding, ADestroyedRecordAbortsItsDownloadOnceAndRefusesProgress)
{
    vbHotPlugCenter::Plugger* p = downloading();
    FakeBinding binding;
    EXPECT_EQ(p->OnStartBinding(0, &binding), S_OK);
    p->Destroy();
    EXPECT_EQ(binding.aborts, 1) << "the destruction aborts the running download";
    EXPECT_EQ(p->OnProgress(1, 10, 5, u"data"), E_ABORT);
    p->AbortDownload();
    EXPECT_EQ(binding.aborts, 1) << "nothing more to abort";
}

TEST_F(vbHotPlugBinding, TheOwnClassObjectOutsideTheLoadNotificationsComesFromCom)
{
    vbHotPlugCenter::Plugger* p = downloading();
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    vbClassFactoryPtr factory;
    vbtest::expectThrown<vbEsys>([&] { p->GetClassFactory(testClsid(1), &factory); }, REGDB_E_CLASSNOTREG,
        "Instruction '::CoGetClassObject(clsid,CLSCTX_ALL,0,IID_IClassFactory,ppFact->AddrV())' failed !");
    EXPECT_TRUE(factory.IsNull());
    CoUninitialize();
}

} // namespace
