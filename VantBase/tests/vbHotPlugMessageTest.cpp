// The hot-plug data message between processes: the block's byte layout, the receiver's checks of
// blocks any process may write, the handlers that follow another process's download (handed
// blocks here, and from a second process), and the refusal of an end during this process's own
// download.

#include "LogFileReader.h"
#include "vbException.h"
#include "vbFakeCodeDownload.h"
#include "vbHelperProcess.h"
#include "vbHotPlugTestModules.h"
#include "vbHotPlugTestUtil.h"

#include "hotplug/vbHotPlugMsg.h"
#include "hotplug/vbHotPlugger.h"

#include "vbSharedMem.h"
#include "vbVantMsgEngine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

using vbtest::testClsid;

namespace {

// Notes progress and errors too.
class FullListener : public vbtest::Listener {
public:
    void OnProgress(IvbHotPlugger*, ULONG progress, ULONG progressMax, vbPlugStatus status, const vbString& text) override
    {
        events.push_back("progress " + std::to_string(status) + " " + text.c_str() + " " + std::to_string(progress) +
            "/" + std::to_string(progressMax));
    }
    vbPlugUpdateCaps OnError(IvbHotPlugger*, bool, LONG hr, const vbString& text) override
    {
        events.push_back("error " + std::to_string(hr) + " " + text.c_str());
        return vbPlugUpdateAllow;
    }
};

class vbHotPlugMessage : public ::testing::Test {
protected:
    vbHotPlugMessage()
    {
        m_listener = new FullListener;
        m_listener->Create();
        m_centre.AddPluginCb(m_listener);
    }
    ~vbHotPlugMessage() override { m_listener->Release(); }

    // Hands the receiver a block holding bytes (at least 48 of them).
    void receive(const std::vector<unsigned char>& bytes)
    {
        vbSharedMemPtr block;
        ASSERT_TRUE(g_vbVantMsgEngine.Alloc(&block, static_cast<ULONG>(bytes.size()), true));
        {
            vbMemLock map(block);
            std::memcpy(static_cast<void*>(map), bytes.data(), bytes.size());
        }
        vbVantDataCb cb(48, &g_vbHotPlugDataMsg, vbVANTDATACB(), false);
        m_centre.onReceiveExternalMsg(cb, block, 0, 0);
    }
    void receive(const vbHotPlugMsg& msg)
    {
        std::vector<unsigned char> bytes(msg.Size());
        msg.Write(bytes.data());
        receive(bytes);
    }

    vbtest::OpenCentre m_centre;
    vbUseEngineCenter m_use{&g_vbEngineCenter, true};
    vbLock m_msgEngine{&g_vbVantMsgEngine};
    FullListener* m_listener;
};

TEST_F(vbHotPlugMessage, TheBlockIsWrittenFieldByFieldInLittleEndian)
{
    const GUID clsid = testClsid(0x01020304);
    vbHotPlugMsg msg{3, clsid, "", 5, 10, 20, "x"};
    vbSharedMemPtr block;
    vbMemLock keep;
    const unsigned char* p = vbHotPlugCenter::Plugger::allocExternalMsg(&block, &keep, msg);
    ASSERT_NE(p, nullptr);
    const unsigned char expected[50] = {
        0x30, 0, 0, 0, 0x32, 0, 0, 0, 3, 0, 0, 0,                           // header size, total, type
        0x04, 0x03, 0x02, 0x01, 0x34, 0x12, 0x78, 0x56,                      // CLSID, in memory
        0x9A, 0xBC, 0, 0, 0, 0, 0, 0x01,                                     //
        0, 0, 0, 0,                                                         // no path
        5, 0, 0, 0, 0x0A, 0, 0, 0, 0x14, 0, 0, 0,                           // the three values
        0x30, 0, 0, 0, 'x', 0,                                              // text offset and text
    };
    EXPECT_EQ(std::vector<unsigned char>(p, p + 50), std::vector<unsigned char>(expected, expected + 50));

    vbHotPlugMsg back;
    ASSERT_TRUE(back.Read(p, 50));
    EXPECT_EQ(back.type, 3);
    EXPECT_EQ(back.clsid, clsid);
    EXPECT_TRUE(back.path.IsEmpty());
    EXPECT_EQ(std::string(back.text), "x");
    EXPECT_EQ(back.value3, 20u);
}

TEST_F(vbHotPlugMessage, MalformedBlocksAndUnknownTypesAreLoggedAndDropped)
{
    vbHotPlugMsg good{0, testClsid(7), "/opt/a.so", 1, 2, 0, ""};
    std::vector<unsigned char> longer(good.Size());
    good.Write(longer.data());
    longer[4] = 200; // a total length beyond the block

    vbHotPlugMsg texted{2, testClsid(7), "", 0, 0, 0, "abc"};
    std::vector<unsigned char> unended(texted.Size());
    texted.Write(unended.data());
    unended.back() = 'd'; // the text's zero byte gone

    std::vector<unsigned char> intoHeader(good.Size());
    good.Write(intoHeader.data());
    intoHeader.resize(48);
    intoHeader[4] = 48; // the path offset 48 now points past the total length

    for (const auto& bytes : {longer, unended, intoHeader})
        receive(bytes);
    vbHotPlugMsg typed{4, testClsid(7), "", 0, 0, 0, ""};
    receive(typed);
    typed.type = -1;
    receive(typed);

    const std::string log = readLogFile();
    size_t count = 0;
    for (size_t at = log.find("onReceiveExternalMsg() : malformed message"); at != std::string::npos;
         at = log.find("onReceiveExternalMsg() : malformed message", at + 1))
        ++count;
    EXPECT_EQ(count, 3u);
    EXPECT_NE(log.find("vbHotPlugCenter::onReceiveExternalMsg() : unknown message type : 4\n"), std::string::npos);
    EXPECT_NE(log.find("vbHotPlugCenter::onReceiveExternalMsg() : unknown message type : -1\n"), std::string::npos);
    EXPECT_EQ(m_centre.m_pluggers.GetLength(), 0) << "no handler ran";
    EXPECT_TRUE(m_listener->events.empty());
}

TEST_F(vbHotPlugMessage, AnotherProcessDownloadIsFollowedFromProgressToTheEnd)
{
    const GUID clsid = testClsid(8);
    const ULONG before = m_centre.GetInUpdateCnt();
    receive(vbHotPlugMsg{3, clsid, "/opt/m.so", 5, 10, 20, "loading"});
    ASSERT_EQ(m_centre.m_pluggers.GetLength(), 1);
    vbHotPlugCenter::PluggerPtr plugger = m_centre.m_pluggers[1];
    EXPECT_TRUE(plugger->IsExternalUpdate());
    EXPECT_EQ(m_centre.GetInUpdateCnt(), before + 1);

    receive(vbHotPlugMsg{2, clsid, "/opt/m.so", static_cast<DWORD>(E_FAIL), 0, 0, "broken"});
    EXPECT_FALSE(plugger->IsUpdate());
    receive(vbHotPlugMsg{0, clsid, "/opt/m.so", 1, 2, 0, ""});
    EXPECT_TRUE(plugger->IsExternalUpdate());
    receive(vbHotPlugMsg{1, clsid, "/opt/m.so", 0x10002, 0x30004, 0, ""});
    EXPECT_FALSE(plugger->IsUpdate());
    EXPECT_EQ(m_centre.GetInUpdateCnt(), before);

    EXPECT_EQ(m_listener->events, (std::vector<std::string>{
                                      "unload /opt/m.so",
                                      "progress 5 loading 10/20",
                                      "error " + std::to_string(E_FAIL) + " broken",
                                      "unload /opt/m.so",
                                      "load ",
                                  }));
    EXPECT_EQ(m_centre.m_pluggers.GetLength(), 1) << "found again by its class id";
}

// Another process's end of a download of the module this process downloads itself is refused
// and reaches no listener.
TEST_F(vbHotPlugMessage, AnEndDuringTheOwnDownloadIsASynchronisationError)
{
    vbtest::FakeCodeDownload download;
    ASSERT_TRUE(m_centre.AddInstall("http://plugs.example/a.cab", "version=2,0,0,0;id={00000001-1234-5678-9ABC-000000000001}"));
    download.answerAsynchronous();
    ASSERT_EQ(m_centre.LoadPlugin(testClsid(1), m_listener), vbPlugUpdating);
    vbHotPlugCenter::PluggerPtr plugger = m_centre.m_pluggers[1];
    const std::string path = plugger->GetModulePath().c_str();
    m_listener->events.clear();

    std::string refusal;
    try {
        receive(vbHotPlugMsg{1, testClsid(1), path.c_str(), 0x20000, 0, 0, ""});
    } catch (CException* e) {
        refusal = vbGetMsg(e, false).c_str();
        e->Delete();
    }
    EXPECT_EQ(refusal, "vbHotPlugCenter::Plugger::ReceiveExternalEndDownload(" + path +
            ", {00000001-1234-5678-9ABC-000000000001}) : synchronisation error (external update during internal update)");
    EXPECT_TRUE(m_listener->events.empty());
    EXPECT_TRUE(plugger->IsUpdate()) << "the own download goes on";
    EXPECT_FALSE(plugger->IsExternalUpdate());
}

// Notes, on the message engine's thread, what the listeners are told, and whether an unload
// came with another process's update.
class ExternalListener : public vbtest::Listener {
public:
    void OnUnloadPluginAsked(IvbHotPlugger* plugger, bool bAlone) override
    {
        note(std::string("unload") + (plugger->IsExternalUpdate() ? " external" : ""), bAlone);
    }
    void OnLoadPluginAsked(IvbHotPlugger*, bool bAlone) override { note("load", bAlone); }

    // The events once there are count of them (or after a long wait, fewer).
    std::vector<std::string> waitFor(size_t count)
    {
        std::unique_lock lock(m_mutex);
        m_noted.wait_for(lock, std::chrono::seconds(20), [&] { return m_events.size() >= count; });
        return m_events;
    }

private:
    void note(const std::string& what, bool bAlone)
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(what + (bAlone ? " alone" : ""));
        m_noted.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_noted;
    std::vector<std::string> m_events;
};

TEST_F(vbHotPlugMessage, AnotherProcessDownloadReachesTheListenersOfThisOne)
{
    vbtest::setHotPlugTrace(1); // the end's line names the version
    auto* listener = new ExternalListener;
    listener->Create();
    m_centre.AddPluginCb(listener);
    const ULONG before = m_centre.GetInUpdateCnt();
    {
        vbtest::HelperProcess helper("vb_helper_hotplugsignal", "quit");
        EXPECT_EQ(helper("start {00000009-1234-5678-9ABC-000000000009} /opt/two.so 0 0"), "ok");
        EXPECT_EQ(helper("end {00000009-1234-5678-9ABC-000000000009} /opt/two.so 10002 30004"), "ok");
    }
    EXPECT_EQ(listener->waitFor(2), (std::vector<std::string>{"unload external", "load"}));
    ASSERT_EQ(m_centre.m_pluggers.GetLength(), 1);
    EXPECT_FALSE(m_centre.m_pluggers[1]->IsUpdate());
    EXPECT_EQ(m_centre.GetInUpdateCnt(), before);
    EXPECT_NE(readLogFile().find("ReceiveExternalEndDownload(, {00000009-1234-5678-9ABC-000000000009}) highver=10002, "
                                 "lowver=30004"),
        std::string::npos)
        << "the version now installed";
    listener->Release();
}

size_t countOf(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Notes how many update decisions the log shows by the time each listener call comes.
class DecisionNotingListener : public vbtest::Listener {
public:
    void OnUnloadPluginAsked(IvbHotPlugger*, bool) override { events.push_back("unload " + decisions()); }
    void OnLoadPluginAsked(IvbHotPlugger*, bool) override { events.push_back("load " + decisions()); }
    static std::string decisions() { return std::to_string(countOf(readLogFile(), "::UpdateIfAsked(")); }
};

// Another process installing exactly the version this process asked for leaves the request
// pending: this process's own decision runs once the listeners have been told to load, and the
// next load still fetches the version asked.
TEST_F(vbHotPlugMessage, AnEndWithThePendingVersionLeavesTheRequestToTheOwnDecisionAfterTheListeners)
{
    vbtest::setHotPlugTrace(2); // the decisions are traced
    vbtest::FakeCodeDownload download;
    download.answerCurrent();
    auto* listener = new DecisionNotingListener;
    listener->Create();
    m_centre.AddPluginCb(listener);
    ASSERT_TRUE(m_centre.AddInstall("http://plugs.example/a.cab", "version=2,0,0,0;id={00000001-1234-5678-9ABC-000000000001}"));
    ASSERT_EQ(m_centre.m_pluggers.GetLength(), 1);
    const std::string path = m_centre.m_pluggers[1]->GetModulePath().c_str();
    const std::string before = DecisionNotingListener::decisions();

    receive(vbHotPlugMsg{0, testClsid(1), path.c_str(), 0x20000, 0, 0, ""});
    receive(vbHotPlugMsg{1, testClsid(1), path.c_str(), 0x20000, 0, 0, ""});
    EXPECT_EQ(listener->events, (std::vector<std::string>{"unload " + before, "load " + before}));
    const std::string log = readLogFile();
    const size_t asked = log.find("ReceiveExternalEndDownload({00000001-1234-5678-9ABC-000000000001}, " + path +
        ") : plug update asked during component download");
    ASSERT_NE(asked, std::string::npos);
    EXPECT_NE(log.find("::UpdateIfAsked(", asked), std::string::npos) << "the own decision follows";
    EXPECT_EQ(download.fetchCalls, 0);

    EXPECT_EQ(m_centre.LoadPlugin(testClsid(1), listener), vbPlugReady);
    EXPECT_EQ(download.fetchCalls, 1) << "the request stayed pending";
    EXPECT_EQ(download.versionMS, 0x20000u);
    listener->Release();
}

} // namespace
