// One instance at a time: the real program, started beside a running instance, hands over to it
// and ends. The running instance is this test process (its real main window in its modal loop,
// holding what a running instance holds), or a real program started before.

#include "PicMainBed.h"
#include "PicProgramKit.h"
#include "TreeTestKit.h"
#include "picFolder.h"
#include "picInstanceMsg.h"
#include "picTreeRegistry.h"

#include "LogFileReader.h"
#include "testsupport/Immutable.h"

#include "vbFileTools.h"
#include "vbRegEngine.h"
#include "vbRegKey.h"
#include "vbSharedQueue.h"
#include "vbVantMsgEngine.h"

#include "plat/focus.h"
#include "plat/handles.h"
#include "plat/msgbox.h"
#include "plat/registry.h"
#include "plat/shell.h"
#include "plat/sync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using pic::test::ProgramRun;
using pic::test::ScriptedMain;
using Arrivals = std::vector<std::string>;

constexpr const char* kProgramLog = "picfV5108.log";
constexpr const char* kSemaphoreName = "KVX.PicFlorvane";
constexpr auto kProcessTimeout = std::chrono::seconds(30);

// What a running instance holds while it runs.
class InstanceSemaphore {
public:
    InstanceSemaphore() : m_handle(CreateSemaphoreA(nullptr, 1, 1, kSemaphoreName)) { EXPECT_TRUE(m_handle); }
    ~InstanceSemaphore() { CloseHandle(m_handle); }
    InstanceSemaphore(const InstanceSemaphore&) = delete;
    InstanceSemaphore& operator=(const InstanceSemaphore&) = delete;

private:
    HANDLE m_handle;
};

size_t occurrences(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

// The main window of the running instance; it notes the show requests and the import messages
// that reach it, in order.
class FirstInstance : public ScriptedMain {
public:
    Arrivals arrivals;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == IDM_PICFLORVANE_SHOW)
            arrivals.push_back("show");
        else if (message == WM_APP + 3)
            arrivals.push_back("import");
        return ScriptedMain::WindowProc(message, wParam, lParam);
    }
};

class PicInstances : public pic::test::PicMainBed {
protected:
    // Everything a later instance sent has reached the window: a request this process sends
    // itself afterwards comes behind it through the queue. That request's own arrival is taken
    // off again. The engine's thread logs each show request before it posts it to the window, so
    // the requests are settled once as many shows have arrived as were logged, the marker among them.
    static void settle(FirstInstance& window)
    {
        constexpr const char* kRequest = "CPicFlorvaneDlg::receiveStoppingMsg(";
        constexpr const char* kStopRequest = "CPicFlorvaneDlg::receiveStoppingMsg(0)";
        constexpr const char* kMarker = "CPicFlorvaneDlg::receiveStoppingMsg(2) : received";
        g_vbVantMsgEngine.Post(vbSharedQueue::kSelf, g_picInstanceMsg, 2, 0);
        ASSERT_TRUE(pumpUntil(
            [&] {
                const std::string log = readLogFile();
                const auto shown = std::count(window.arrivals.begin(), window.arrivals.end(), "show");
                return log.find(kMarker) != std::string::npos &&
                    size_t(shown) == occurrences(log, kRequest) - occurrences(log, kStopRequest);
            },
            kProcessTimeout));
        ASSERT_FALSE(window.arrivals.empty());
        EXPECT_EQ(window.arrivals.back(), "show");
        window.arrivals.pop_back();
    }

    // A later start beside this running instance; it must end by itself with status 0.
    static void runLater(const std::vector<std::string>& args, const std::filesystem::path& directory = {})
    {
        ProgramRun later(args, directory);
        EXPECT_EQ(later.waitExit(), 0) << later.output();
    }

    InstanceSemaphore running;
};

TEST_F(PicInstances, ALaterStartWithoutFilesOnlyBringsTheFirstToTheFront)
{
    run<FirstInstance>([&](FirstInstance& d) {
        // Hidden, another window in front.
        d.ShowWindow(SW_HIDE);
        window->SetForegroundWindow();
        EXPECT_NE(GetForegroundWindow(), d.m_hWnd);
        runLater({});
        settle(d);
        EXPECT_EQ(d.arrivals, Arrivals{"show"});
        EXPECT_TRUE(d.IsWindowVisible());
        EXPECT_EQ(GetForegroundWindow(), d.m_hWnd);
        EXPECT_TRUE(plat::messageBoxRecords().empty());
        return true;
    });
}

TEST_F(PicInstances, FilesOfALaterStartComeInOneBlockInTheirOrderAndAreAskedAbout)
{
    const std::filesystem::path folder = vnt::test::testHome() / "work";
    std::filesystem::create_directories(folder);
    const std::string full = std::filesystem::canonical(folder).string() + "/";
    plat::setMessageBoxAnswer(IDYES);
    run<FirstInstance>([&](FirstInstance& d) {
        runLater({"a.picf", "b.picf", "c.picf"}, folder);
        settle(d);
        EXPECT_EQ(d.arrivals, (Arrivals{"show", "import"}));
        const auto records = plat::messageBoxRecords();
        EXPECT_EQ(records.size(), 1u);
        for (const plat::MessageBoxRecord& r : records) {
            EXPECT_EQ(r.text, "Confirm that you want to import, in PicFlorvane, files a.picf, b.picf, c.picf?");
            EXPECT_EQ(r.caption.rfind("Question", 0), 0u) << r.caption;
            EXPECT_EQ(r.type, UINT(MB_YESNO | MB_ICONQUESTION));
            EXPECT_EQ(r.owner, d.m_hWnd);
        }
        return true;
    });
    EXPECT_EQ(projects->imported, (std::vector<std::string>{full + "a.picf", full + "b.picf", full + "c.picf"}));
}

TEST_F(PicInstances, RegisteringBesideARunningInstanceHandsOverAndRegistersNothing)
{
    run<FirstInstance>([&](FirstInstance& d) {
        runLater({"-Register"});
        settle(d);
        EXPECT_EQ(d.arrivals, Arrivals{"show"});
        return true;
    });
    EXPECT_FALSE(vbRegKey(vbRegClassesRoot, ".picf").Exists());
    EXPECT_FALSE(vbRegKey(vbRegClassesRoot, "PicFlorvaneFile").Exists());
    EXPECT_FALSE(std::filesystem::exists(std::string(vbGetShellFolder(CSIDL_COMMON_PROGRAMS, false).c_str()) + "Corlund"));
}

TEST_F(PicInstances, AnAutomationStartBesideARunningInstanceSaysItCannotBeServed)
{
    constexpr const char* kRefusal = "PICf already launched and com need to instanciate a new application";
    run<FirstInstance>([&](FirstInstance& d) {
        ProgramRun later({"-Embedding"});
        EXPECT_EQ(later.waitExit(), 1);
        EXPECT_NE(later.output().find(std::string("PicFlorvane: ") + kRefusal + "\n"), std::string::npos)
            << later.output();
        settle(d);
        EXPECT_TRUE(d.arrivals.empty());
        return true;
    });
    const std::string log = readLogFile(kProgramLog);
    EXPECT_NE(log.find(kRefusal), std::string::npos) << log;
}

// Instances that are real programs, this process only posting to them.
class PicInstancesAlone : public ::testing::Test {
protected:
    void SetUp() override { g_vbEngineCenter.Start(); }

    // Asks the other instances to show themselves until the running program answers, as it does
    // once its window runs; false when it ended or did not answer in time.
    static bool waitUntilServing(const ProgramRun& program)
    {
        constexpr const char* kShown = "CPicFlorvaneDlg::receiveStoppingMsg(1) : received";
        const size_t before = occurrences(readLogFile(kProgramLog), kShown);
        const auto end = std::chrono::steady_clock::now() + kProcessTimeout;
        while (occurrences(readLogFile(kProgramLog), kShown) == before) {
            if (program.ended() || std::chrono::steady_clock::now() > end)
                return false;
            postShowToInstances();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }

    // Asks the running program to stop until it ended; its exit status.
    static int stop(ProgramRun& program)
    {
        const auto end = std::chrono::steady_clock::now() + kProcessTimeout;
        while (!program.ended() && std::chrono::steady_clock::now() < end) {
            postStopToInstances();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return program.waitExit(std::chrono::milliseconds(0));
    }

    vbUseEngineCenter engines{&g_vbEngineCenter, true};
};

TEST_F(PicInstancesAlone, AKilledInstanceLeavesTheNextStartToRun)
{
    ProgramRun first({});
    ASSERT_TRUE(waitUntilServing(first)) << first.output();
    first.kill();
    EXPECT_EQ(first.waitExit(), 128 + SIGKILL);

    ProgramRun next({});
    ASSERT_TRUE(waitUntilServing(next)) << next.output();
    EXPECT_EQ(stop(next), 0) << next.output();
    EXPECT_NE(readLogFile(kProgramLog).find("CPicFlorvaneDlg::receiveStoppingMsg(0) : received"), std::string::npos);
}

// The running program would write its tree back when it ends: unregistering ends it first.
TEST_F(PicInstancesAlone, UnregisteringEndsTheRunningInstanceAndItsTreeStaysRemoved)
{
    ProgramRun program({});
    ASSERT_TRUE(waitUntilServing(program)) << program.output();
    ProgramRun unregistering({"-Unregister"});
    EXPECT_EQ(unregistering.waitExit(), 0) << unregistering.output();
    EXPECT_EQ(program.waitExit(), 0) << program.output();
    EXPECT_NE(readLogFile(kProgramLog).find("CPicFlorvaneDlg::receiveStoppingMsg(0) : received"), std::string::npos);
    EXPECT_FALSE(vbRegKey(vbRegVantUser, "PicFlorvane").Exists());
}

// An instance that does not answer (here one that only holds the semaphore) keeps the tree it
// would write back; the registration goes all the same.
TEST_F(PicInstancesAlone, UnregisteringBesideAnInstanceThatDoesNotEndKeepsTheTreeAndSaysSo)
{
    vbRegKey(vbRegVantUser, "PicFlorvane\\Root-1").SetValue("type", vbVariant("root"));
    vbRegKey(vbRegClassesRoot, "PicFlorvaneFile").SetDefaultValue(vbVariant("PicFlorvane file :-)"));
    InstanceSemaphore running;
    ProgramRun unregistering({"-Unregister"});
    EXPECT_EQ(unregistering.waitExit(), 1);
    EXPECT_NE(unregistering.output().find("PicFlorvane: a running PicFlorvane did not end"), std::string::npos)
        << unregistering.output();
    EXPECT_TRUE(vbRegKey(vbRegVantUser, "PicFlorvane\\Root-1").Exists());
    EXPECT_FALSE(vbRegKey(vbRegClassesRoot, "PicFlorvaneFile").Exists());
}

// SIGTERM, as the desktop session's end sends it, ends the program as the closing of its window
// does: the tree is stored and the status is 0.
TEST_F(PicInstancesAlone, SigtermEndsTheProgramWithTheTreeStored)
{
    ProgramRun program({});
    ASSERT_TRUE(waitUntilServing(program)) << program.output();
    EXPECT_FALSE(vbRegKey(vbRegVantUser, "PicFlorvane\\Root-1").Exists());
    ::kill(pid_t(program.pid()), SIGTERM);
    EXPECT_EQ(program.waitExit(), 0) << program.output();
    EXPECT_TRUE(vbRegKey(vbRegVantUser, "PicFlorvane\\Root-1").Exists());
}

// Whether the registry file, copied alone into a home of its own as a backup or a move copies it,
// holds the key under root.
bool copyAloneHolds(const std::filesystem::path& file, vbRegRoot root, const char* key)
{
    namespace fs = std::filesystem;
    const fs::path home = vnt::test::testHome();
    const fs::path copy = home / "copy";
    fs::remove_all(copy);
    fs::create_directories(copy / "config");
    fs::copy_file(file, copy / "config" / file.filename());
    setenv("VANTREL_HOME", copy.c_str(), 1);
    const bool holds = vbRegKey(root, key).Exists();
    setenv("VANTREL_HOME", home.c_str(), 1);
    return holds;
}

// A normal end, the window closed or the session's end, leaves the registry file whole and no log
// of any size beside it.
TEST_F(PicInstancesAlone, AfterANormalEndTheRegistryFileAloneHoldsTheTree)
{
    namespace fs = std::filesystem;
    const fs::path file = vnt::test::testHome() / "config" / "registry-user.db";
    const fs::path log = file.string() + "-wal";
    for (const bool bySessionEnd : {false, true}) {
        SCOPED_TRACE(bySessionEnd ? "the session's end" : "the window closed");
        pic::test::leaveRegistryFiles();
        for (const char* suffix : {"", "-wal", "-shm"})
            fs::remove(file.string() + suffix);
        ProgramRun program({});
        ASSERT_TRUE(waitUntilServing(program)) << program.output();
        if (bySessionEnd)
            ::kill(pid_t(program.pid()), SIGTERM);
        EXPECT_EQ(bySessionEnd ? program.waitExit() : stop(program), 0) << program.output();
        EXPECT_TRUE(!fs::exists(log) || fs::file_size(log) <= 4 * 4096) << fs::file_size(log);
        EXPECT_TRUE(copyAloneHolds(file, vbRegVantUser, "PicFlorvane\\Root-1"));
    }
}

// An installation registers the picture plug-in with the registration tool: the machine file it
// leaves holds the registration by itself.
TEST(PicRegistryFiles, AfterVntregsvrTheMachineFileAloneHoldsTheRegistration)
{
    const std::filesystem::path file = vnt::test::testHome() / "registered" / "registry-machine.db";
    std::filesystem::create_directories(file.parent_path());
    const std::string command = "VANTREL_MACHINE_REGISTRY='" + file.string() + "' '" VNT_BIN_DIR "/vntregsvr' '" VNT_BIN_DIR
        "/Vt05pcST.so'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_TRUE(copyAloneHolds(file, vbRegClassesRoot, "VANTPICSTD.Plugin.5"));
}

// The registry file made immutable while the program runs: the tree it stores at its end goes
// into the log, and the end says that the log, named, must stay beside the file, which with it
// holds the tree.
TEST_F(PicInstancesAlone, ALogThatCannotGoIntoAnImmutableRegistryFileIsToldAtTheEnd)
{
    ProgramRun program({});
    ASSERT_TRUE(waitUntilServing(program)) << program.output();
    const std::string file = plat::registryUserFile();
    struct Writable {
        const std::string& file;
        ~Writable() { vnt::test::setImmutable(file, false); }
    } writable{file};
    if (!vnt::test::setImmutable(file, true)) {
        stop(program);
        GTEST_SKIP() << "this file system or process cannot make a file immutable";
    }
    EXPECT_EQ(stop(program), 0) << program.output();
    const std::string told = "PicFlorvane: The registry file " + file
        + " could not take in its latest changes (the file cannot be written): they are kept in " + file
        + "-wal, which must stay beside it";
    EXPECT_EQ(occurrences(program.output(), told), 1u) << program.output();
    ASSERT_TRUE(vnt::test::setImmutable(file, false));
    EXPECT_TRUE(vbRegKey(vbRegVantUser, "PicFlorvane\\Root-1").Exists());
}

// Two pages of garbage in the stored tree's registry file, as a disk fault leaves them: the program
// starts and runs, says on stderr which file was damaged and where it is kept, keeps it byte for
// byte, and goes on with the folders that could be read, which it stores again at its end.
TEST_F(PicInstancesAlone, ADamagedRegistryFileIsKeptAndTheProgramGoesOnWithWhatCouldBeRead)
{
    namespace fs = std::filesystem;
    constexpr int kFolders = 300;
    {
        guiTreeNodePtr treeRoot = gui::test::makeNode("tree");
        picCreateDefaultTree(treeRoot.Get());
        guiTreeNodePtr projects;
        ASSERT_TRUE(treeRoot->GetChild(1, &projects));
        for (int i = 0; i < kFolders; ++i) {
            picNodePtr folder = picFolder::Make();
            folder->SetText(vbStringFormat("Folder %03d with a text long enough to fill the pages", i));
            projects->AddChild(static_cast<IguiTreeNode*>(folder.Get()), 0);
        }
        saveTreeToRegistry(treeRoot.Get());
        treeRoot->ClearChildren();
    }
    const std::string file = plat::registryUserFile();
    pic::test::leaveRegistryFiles();

    std::string bytes;
    {
        std::ifstream in(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    constexpr size_t kPage = 4096;
    ASSERT_GT(bytes.size(), 10 * kPage);
    const size_t at = bytes.size() / kPage / 2 * kPage;
    for (size_t i = 0; i < 2 * kPage; ++i)
        bytes[at + i] = char(0xA5 ^ (i * 131));
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;

    ProgramRun program({});
    ASSERT_TRUE(waitUntilServing(program)) << program.output();
    EXPECT_EQ(stop(program), 0) << program.output();
    const std::string told = "PicFlorvane: The registry file " + file + " is damaged. It is kept as " + file + ".damaged-";
    EXPECT_NE(program.output().find(told), std::string::npos) << program.output();

    std::vector<fs::path> copies;
    for (const auto& entry : fs::directory_iterator(fs::path(file).parent_path()))
        if (entry.path().filename().string().rfind("registry-user.db.damaged-", 0) == 0)
            copies.push_back(entry.path());
    ASSERT_EQ(copies.size(), 1u);
    std::ifstream in(copies[0], std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) == bytes)
        << "the copy is the damaged file as it was";

    int folders = 0;
    for (const char* root : {"PicFlorvane\\Root-1", "PicFlorvane\\Root-2"}) {
        vbRegKey key(vbRegVantUser, root);
        if (!key.Exists())
            continue;
        vbRegEnumKey children(key);
        vbRegKey child;
        while (children.Next(&child))
            ++folders;
    }
    EXPECT_GT(folders, 0);
    EXPECT_LE(folders, kFolders);
}

} // namespace
