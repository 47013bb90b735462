// Sockets: port names, the network exceptions, and sockets at work through a test plug-in on
// loopback TCP.

#include "vbSocket.h"

#include "LogFileReader.h"
#include "vbEngine.h"
#include "vbExpectThrown.h"
#include "vbRegKey.h"
#include "vbVariant.h"

#include "plat/headless.h"
#include "plat/module.h"
#include "plat/thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <iterator>
#include <initializer_list>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

TEST(vbSocketGetPort, NumberAfterTheLastDotAndThePrefixBeforeIt)
{
    struct Case {
        const char* portName;
        int port;
        const char* prefix;
    } cases[] = {
        {"a.b.8080", 8080, "a.b"}, {"443", 443, ""},       {"host.80", 80, "host"}, {"x.65536", -1, "x"},
        {"x.12ab", 12, "x"},       {"x.0", -1, "x"},       {"70000", -1, ""},       {"", -1, ""},
        {"x.", -1, "x"},           {"x.99999999999", -1, "x"}, {"a.65535", 65535, "a"}, {"ssl.1", 1, "ssl"},
    };
    for (const Case& c : cases) {
        vbString prefix("old");
        EXPECT_EQ(vbSocketGetPort(c.portName, &prefix, false), c.port) << c.portName;
        EXPECT_STREQ(prefix.c_str(), c.prefix) << c.portName;
    }
    EXPECT_EQ(vbSocketGetPort("x.21", nullptr, true), 21);
    vbtest::expectThrown<vbEsocketUser>([] { vbSocketGetPort("x.0", nullptr, true); }, E_FAIL,
        "Invalid port number ('0')");
    vbtest::expectThrown<vbEsocketUser>([] { vbSocketGetPort("70000", nullptr, true); }, E_FAIL,
        "Invalid port number ('70000')");
}

TEST(vbEsocket, SystemFaultsAndUserRefusals)
{
    vbEsocket* sys = new vbEsocket(HRESULT(0x800005B4), "down", "vbSocket::Create()");
    EXPECT_STREQ(sys->GetMBoxTitle(), "Network system error");
    EXPECT_EQ(sys->GetMBoxMode(), 16u);
    EXPECT_TRUE(sys->IsToWriteOnLogFile());
    EXPECT_STREQ(sys->GetCtxString().c_str(), "vbSocket::Create()");
    sys->Delete();
    vbEsocket* user = new vbEsocketUser("Socket not connected !", "vbSocket::SendData()");
    EXPECT_TRUE(user->IsKindOf(RUNTIME_CLASS(vbEsocket)));
    EXPECT_STREQ(user->GetMBoxTitle(), "Network error");
    EXPECT_EQ(user->GetMBoxMode(), 48u);
    user->Delete();
}

// --- sockets through the test plug-in ---

const char kModule[] = VNT_BIN_DIR "/vb_testmod_socket.so";
const char kModuleId[] = "{6C1F3A52-0B7E-4D29-9A43-1E85C07D26B9}";
constexpr auto kLong = std::chrono::seconds(20);

// The test plug-in as the server of the names given (the engines in use, the socket plug type
// not yet started).
void registerPlugin(const std::vector<const char*>& names)
{
    vbRegKey(vbRegClassesRoot, vbString("CLSID\\") + kModuleId + "\\InprocServer32").SetDefaultValue(vbVariant(kModule));
    vbRegKey config = g_vbSocketPlugType.GetConfigKey();
    for (const char* name : names)
        vbRegKey(config, vbString(kModuleId) + "\\" + name).SetValue("priority", vbVariant(10));
}

// A socket that notes its reports.
class NotedSocket : public vbSocket {
public:
    ~NotedSocket() override { destroy(); }

    // The states reported so far, in order.
    std::vector<int> states()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<int> out;
        for (const auto& r : m_reports)
            out.push_back(r.first);
        return out;
    }
    std::vector<std::pair<int, int>> reports()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reports;
    }
    // Waits until state has been reported (count times); false after a long wait.
    bool waitFor(int state, size_t count = 1)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, kLong, [&] {
            return size_t(std::count_if(m_reports.begin(), m_reports.end(), [&](auto& r) { return r.first == state; })) >=
                count;
        });
    }
    // The received bytes once there are n of them.
    std::string receive(size_t n)
    {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + kLong;
        while (got.size() < n && std::chrono::steady_clock::now() < end) {
            vbData block;
            if (GetData(block) > 0)
                got.append(static_cast<const char*>(static_cast<const void*>(block)), size_t(block.GetLength()));
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return got;
    }

protected:
    void OnStateChange(vbSocketCtx ctx, int code) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reports.emplace_back(int(ctx), code);
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::pair<int, int>> m_reports;
};

std::string reportsOf(NotedSocket& s)
{
    std::string text;
    for (const auto& [state, code] : s.reports())
        text += std::to_string(state) + ":" + std::to_string(code) + " ";
    return text;
}

class Sockets : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_use.StartUse(true);
        registerPlugin({"default", "loop"});
    }
    void TearDown() override { m_use.StopUse(); }

    // A listening socket on a port the system chooses, and a client connected to it, accepted.
    void connectPair()
    {
        listener.Listen("loop.0", nullptr);
        ASSERT_TRUE(listener.waitFor(vbSocketConnected)) << reportsOf(listener);
        vbString port;
        listener.GetSockIP(&port);
        client.Connect("127.0.0.1", "loop." + port);
        ASSERT_TRUE(listener.waitFor(vbSocketToAccept));
        server.Accept(listener);
        ASSERT_TRUE(server.waitFor(vbSocketConnected));
        ASSERT_TRUE(client.waitFor(vbSocketConnected));
    }

    vbUseEngineCenter m_use;
    NotedSocket listener, client, server;
};

struct Served {
    std::vector<const char*> names;
    const char* portName;
    const char* server;
};

// Stable test names: the port name and its server, not the bytes of the case.
void PrintTo(const Served& served, std::ostream* os) { *os << "[" << served.portName << "]:" << served.server; }

class SocketCandidates : public ::testing::TestWithParam<Served> {
protected:
    vbUseEngineCenter m_use;
};

TEST_P(SocketCandidates, TheLongestServedPrefixServes)
{
    m_use.StartUse(true);
    registerPlugin(GetParam().names);
    {
        NotedSocket s;
        s.Create(GetParam().portName);
        EXPECT_STREQ(s.GetHostName().c_str(), GetParam().server);
    }
    m_use.StopUse();
}

INSTANTIATE_TEST_SUITE_P(PortNames, SocketCandidates,
    ::testing::Values(Served{{"a.b", "a", "default"}, "a.b.c", "host of a.b"}, Served{{"a", "default"}, "a.b.c", "host of a"},
        Served{{"default"}, "a.b.c", "host of default"}, Served{{"a", "default"}, "", "host of default"},
        Served{{"a.b", "default"}, " a.b.. ", "host of a.b"}));

TEST_F(Sockets, ARequiredPlugInIsNeverReplacedByTheDefault)
{
    NotedSocket s;
    vbtest::expectThrown<vbEhotPlug>([&] { s.Create("!a.b"); }, E_FAIL,
        "Can't create network connection on port 'a.b' : socket plugin not ready");
    try {
        s.Create("!ssl.443");
    } catch (vbEhotPlug* e) {
        EXPECT_STREQ(e->GetCtxString().c_str(), "vbSocket::Create(port required)");
        e->Delete();
    }
    EXPECT_EQ(s.GetThreadId(false), 0u) << "nothing was made";
}

TEST_F(Sockets, ListenConnectAcceptSendAndClose)
{
    connectPair();
    EXPECT_TRUE(client.IsConnected());
    vbString port;
    EXPECT_STREQ(server.GetPeerIP(&port).c_str(), "127.0.0.1");

    std::string sent(1 << 20, '\0');
    for (size_t i = 0; i < sent.size(); ++i)
        sent[i] = char(i * 7 + i / 4096);
    client.SendData(vbData(sent.data(), int(sent.size())));
    EXPECT_TRUE(server.receive(sent.size()) == sent) << "1 MiB arrives whole and in order";
    EXPECT_TRUE(server.waitFor(vbSocketDataRead));

    client.Close();
    EXPECT_TRUE(server.waitFor(vbSocketClosed)) << "the peer's close";
    EXPECT_TRUE(client.waitFor(vbSocketClosed));
}

TEST_F(Sockets, ASecondConnectClosesTheFirstConnectionFirst)
{
    connectPair();
    vbString port;
    listener.GetSockIP(&port);
    const size_t before = client.states().size();
    client.Connect("127.0.0.1", "loop." + port);
    ASSERT_TRUE(client.waitFor(vbSocketConnected, 2));
    const std::vector<int> all = client.states();
    const std::vector<int> after(all.begin() + long(before), all.end());
    EXPECT_EQ(after, (std::vector<int>{vbSocketClosed, vbSocketConnected}));
}

TEST_F(Sockets, LockedNotificationsQueueDataWithoutReportingIt)
{
    connectPair();
    {
        vbNotifLock hold(&server);
        client.SendData(vbData("ping", 4));
        const auto end = std::chrono::steady_clock::now() + kLong;
        while (!server.HasData() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_TRUE(server.HasData());
        const std::vector<int> states = server.states();
        EXPECT_EQ(std::count(states.begin(), states.end(), int(vbSocketDataRead)), 0);
    }
    EXPECT_EQ(server.receive(4), "ping");
}

TEST_F(Sockets, RefusalsOfASocketThatNeverConnected)
{
    NotedSocket s;
    vbtest::expectThrown<vbEsocketUser>([&] { s.GetPeerIP(nullptr); }, E_FAIL, "Socket not connected !");
    vbtest::expectThrown<vbEsocketUser>([&] { s.SendData(vbData("x", 1)); }, E_FAIL, "Socket not connected !");
    vbData out("old", 3);
    EXPECT_EQ(s.GetData(out), 0);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_FALSE(s.HasData());
    NotedSocket other;
    vbtest::expectThrown<vbEsocket>([&] { other.Accept(s); }, E_FAIL, "Invalid listening socket !");
}

TEST_F(Sockets, TracedSocketsDumpWhatTheySendAndWhatIsRead)
{
    connectPair();
    auto count = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    };
    client.SendData(vbData("quiet", 5));
    EXPECT_EQ(server.receive(5), "quiet");
    client.SetDbgTrace(true);
    server.SetDbgTrace(true);
    client.SendData(vbData("hello", 5));
    EXPECT_EQ(server.receive(5), "hello");
    client.SetDbgTrace(false);
    server.SetDbgTrace(false);
    client.SendData(vbData("again", 5));
    EXPECT_EQ(server.receive(5), "again");

    const std::string log = readLogFile();
    EXPECT_EQ(count(log, "<OUTPUT>"), 1u) << log;
    EXPECT_EQ(count(log, "<INPUT>"), 1u) << log;
    EXPECT_EQ(count(log, " 68 65 6C 6C 6F"), 2u) << "both dumps show \"hello\"";
    EXPECT_EQ(count(log, " 71 75 69 65 74"), 0u) << "nothing of the untraced sends";
}

// The five look-ups, each answering as text.
const std::function<std::string(vbSocket&)> kLookUps[] = {
    [](vbSocket& s) { return std::string(s.GetHostName().c_str()); },
    [](vbSocket& s) { return std::string(s.GetHostNameByAddr("10.0.0.1", false).c_str()); },
    [](vbSocket& s) { return std::string(s.GetHostAddrByName("there", false).c_str()); },
    [](vbSocket& s) {
        vbArray<vbString, 1, 1> names;
        const int count = s.GetHostNameByAddr("10.0.0.1", &names, false);
        return std::to_string(count) + names[1].c_str();
    },
    [](vbSocket& s) {
        vbArray<vbString, 1, 1> addrs;
        const int count = s.GetHostAddrByName("there", &addrs, false);
        return std::to_string(count) + addrs[1].c_str();
    },
};

// A look-up on a socket not made yet makes it first, on the port name it had, and asks the plug
// object that serves it.
TEST_F(Sockets, HostLookUpsMakeTheSocketOnItsStoredPortNameFirst)
{
    registerPlugin({"a"});
    const char* answers[] = {"host of a", "localhost", "127.0.0.1", "1localhost", "1127.0.0.1"};
    for (size_t i = 0; i < std::size(kLookUps); ++i) {
        NotedSocket s;
        s.Create("a.7");
        s.destroy();
        ASSERT_EQ(s.GetThreadId(false), 0u);
        EXPECT_EQ(kLookUps[i](s), answers[i]) << i;
        EXPECT_NE(s.GetThreadId(false), 0u) << i;
    }
}

TEST(SocketLookUps, WithoutAPlugInToServeThemTheyFailAsCreateDoes)
{
    vbUseEngineCenter use;
    use.StartUse(true);
    registerPlugin({"a"});
    for (const auto& lookUp : kLookUps) {
        NotedSocket s;
        vbtest::expectThrown<vbEhotPlug>([&] { lookUp(s); }, E_FAIL,
            "Can't create network connection on port '' : socket plugin not ready");
    }
    use.StopUse();
}

// Notes the socket messages a window receives, with the thread they came on.
class NoteWnd : public CWnd {
public:
    std::vector<std::pair<WPARAM, int32_t>> notes;
    DWORD thread = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == vbWMCTRL_WINSOCK_NOTIF.GetMsg() && message != 0) {
            notes.emplace_back(wParam, int32_t(lParam));
            thread = GetCurrentThreadId();
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

class ExposedWinSocket : public vbWinSocket {
public:
    using vbWinSocket::vbWinSocket;
    using vbWinSocket::OnStateChange;
};

TEST_F(Sockets, AWindowsSocketPostsItsReportsToTheWindowsThread)
{
    NoteWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "w", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    ExposedWinSocket s(&wnd);
    s.Listen("loop.0", nullptr);
    const auto end = std::chrono::steady_clock::now() + kLong;
    while (std::none_of(wnd.notes.begin(), wnd.notes.end(), [](auto& n) { return n.first == vbSocketConnected; }) &&
        std::chrono::steady_clock::now() < end)
        plat::headless::pumpUntilIdle();
    ASSERT_FALSE(wnd.notes.empty());
    EXPECT_EQ(wnd.thread, GetCurrentThreadId());
    wnd.notes.clear();
    s.OnStateChange(vbSocketWriteError, E_FAIL);
    plat::headless::pumpUntilIdle();
    ASSERT_EQ(wnd.notes.size(), 1u);
    EXPECT_EQ(wnd.notes[0].first, WPARAM(vbSocketWriteError));
    EXPECT_EQ(wnd.notes[0].second, int32_t(E_FAIL)) << "the code reads back as the same negative value";
    s.destroy();
    wnd.DestroyWindow();
}

TEST_F(Sockets, StoppingTheEnginesClosesOpenSockets)
{
    connectPair();
    m_use.StopUse();
    EXPECT_TRUE(client.waitFor(vbSocketClosed));
    EXPECT_TRUE(server.waitFor(vbSocketClosed));
    const auto start = std::chrono::steady_clock::now();
    client.destroy();
    server.destroy();
    listener.destroy();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(client.GetThreadId(false), 0u);
    m_use.StartUse(true);
}

TEST_F(Sockets, UnloadingThePlugInClosesItsSocketsAndLetsTheModuleGo)
{
    connectPair();
    vbHotPluginPtr plugin;
    ASSERT_TRUE(g_vbSocketPlugType.CreatePluggedObject("loop", nullptr, &plugin));
    void* face = nullptr;
    ASSERT_TRUE(plugin->GetInterface(IID_vbHotPlugTypePlugin, &face));
    static_cast<vbHotPlugType::Plugin*>(face)->unloadPlugin(false);
    EXPECT_TRUE(client.waitFor(vbSocketClosed));
    EXPECT_TRUE(server.waitFor(vbSocketClosed));
    EXPECT_EQ(client.GetThreadId(false), 0u);
    EXPECT_EQ(server.GetThreadId(false), 0u);
    EXPECT_EQ(listener.GetThreadId(false), 0u);
    EXPECT_EQ(GetModuleHandleA(kModule), nullptr) << "the module went";
}

} // namespace
