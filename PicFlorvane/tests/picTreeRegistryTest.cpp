// The project tree in the registry: a round trip of every kind of value, the two alternating
// keys, the load's edge cases, a failed save, and ids after a restart.

#include "PicPictureKit.h"
#include "PicTestKit.h"
#include "TreeTestKit.h"

#include "picFolder.h"
#include "picLightFilter.h"
#include "picProject.h"
#include "picSourceImage.h"
#include "picTreeAutoSave.h"
#include "picTreeRegistry.h"

#include "vbDnItf.h"
#include "vbExpectThrown.h"
#include "vbRegKey.h"

#include "plat/registry.h"
#include "plat/resource.h"

#include "testsupport/TestHome.h"

#include <atomic>
#include <bit>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace pic::test;

namespace {

vbRegKey treeKey(const char* name) { return vbRegKey(vbRegVantUser, vbString("PicFlorvane\\") + name); }

picNodePtr childOf(guiTreeNode* parent, int pos)
{
    guiTreeNodePtr child;
    return parent->GetChild(pos, &child) ? picNodeOf(static_cast<IguiTreeNode*>(child.Get())) : picNodePtr();
}

picImageHolder* holder(const picNodePtr& node) { return static_cast<picImageHolder*>(node.Get()); }

// The names of a subtree, depth first, each with its text: "name=text/child=text..".
std::string outline(guiTreeNode* node)
{
    std::string text = std::string(node->GetName()) + "=" + std::string(node->GetText());
    guiTreeNodePtr child;
    for (int i = 1; node->GetChild(i, &child); ++i)
        text += (i == 1 ? "(" : ",") + outline(child.Get()) + (i == node->GetChildCount() ? ")" : "");
    return text;
}

uint64_t idNumber(const vbString& name)
{
    const std::string text(name);
    return std::stoull(text.substr(text.find('-') + 1));
}

class PicTreeRegistry : public PicTest {
protected:
    // The counters as a new process has them, whatever the tests before made: the registry gives
    // sub keys back in name order, which is the order the nodes were made only while their ids
    // have as many digits.
    void SetUp() override
    {
        PicTest::SetUp();
        picSetChangeCounts({});
    }
    void TearDown() override
    {
        treeRoot->ClearChildren();
        PicTest::TearDown();
    }

    picNode* projects() { return childOf(treeRoot.Get(), 1).Get(); }

    template <class Make>
    picNodePtr add(picNode* parent, Make make, const char* text)
    {
        picNodePtr node = make();
        node->SetText(text);
        attach(parent, node);
        return node;
    }

    // The tree as a new process finds it: no nodes, the counters from zero, then the load.
    void restartAndLoad()
    {
        treeRoot->ClearChildren();
        picSetChangeCounts({});
        ASSERT_TRUE(loadTreeFromRegistry(treeRoot.Get()));
        ASSERT_TRUE(projects());
        ASSERT_TRUE(vbDnWait(static_cast<IvbDnObject*>(projects()), vbDnLoad, 60000, true));
        ASSERT_TRUE(projects()->IsLoaded());
    }

    guiTreeNodePtr treeRoot = gui::test::makeNode("tree");
};

TEST_F(PicTreeRegistry, RoundTripOfEveryValue)
{
    picCreateDefaultTree(treeRoot.Get());
    picNode* root = projects();
    picNodePtr outer = add(root, picFolder::Make, "Nebulae");
    outer->SetImportPath("/data/in");
    outer->SetExportPath("/data/out.picf");
    picNodePtr inner = add(outer, picFolder::Make, "Orion");
    picNodePtr project = add(inner, picProject::Make, "M42");
    holder(project)->SetFilterType(picImageHolder::kRgb);
    holder(project)->SetPath("/data/m42.jpg");
    picChannelFilter red;
    red.SetKey("!Ha");
    picChannelFilter blue;
    blue.SetKey("root\\fld-2\\flt-7");
    blue.SetFactor(150.0);
    holder(project)->SetChannel(1, red);
    holder(project)->SetChannel(3, blue);
    picNodePtr shown = add(project, picSourceImage::Make, "red frame");
    holder(shown)->SetPath("/data/red.tif");
    picNodePtr hidden = add(project, picSourceImage::Make, "blue frame");
    hidden->SetChecked(false);
    picNodePtr filter;
    picLightFilter::New(&filter);
    filter->SetText("H-alpha");
    attach(outer, filter);
    picCurve& curve = static_cast<picLightFilter*>(filter.Get())->GetCurveEditor().GetCurve();
    curve.Edit([](picCurveData& d) {
        d.hasSizeRef = true;
        d.sizeRefX = 400;
        d.sizeRefY = 300;
        d.points = {{10, 20}, {55.5, 80.25}};
    });
    const picCurveData savedCurve = curve.Snapshot();
    const std::string before = outline(root);

    saveTreeToRegistry(treeRoot.Get());

    vbRegKey projectKey = treeKey("Root-1");
    for (const picNodePtr& node : {outer, inner, project})
        projectKey = vbRegKey(projectKey, node->GetName());
    EXPECT_EQ(std::string(projectKey.GetValue("Type").GetAsString()), "project");
    EXPECT_FALSE(projectKey.ValueExists("Checked"));
    EXPECT_FALSE(projectKey.ValueExists("FilterC2"));
    EXPECT_FALSE(projectKey.ValueExists("FactorC2H"));
    const uint64_t bits = std::bit_cast<uint64_t>(150.0);
    EXPECT_EQ(static_cast<uint32_t>(projectKey.GetValue("FactorC3H").GetAsLong()), static_cast<uint32_t>(bits >> 32));
    EXPECT_EQ(static_cast<uint32_t>(projectKey.GetValue("FactorC3L").GetAsLong()), static_cast<uint32_t>(bits));
    for (auto [node, checked] : {std::pair{shown, 1}, std::pair{hidden, 0}}) {
        vbVariant value = vbRegKey(projectKey, node->GetName()).GetValue("Checked");
        EXPECT_EQ(value.GetDeRefType(), VT_I4);
        EXPECT_EQ(value.GetAsLong(), checked);
    }

    restartAndLoad();
    EXPECT_EQ(outline(projects()), before);
    picNodePtr outerBack = childOf(projects(), 1);
    EXPECT_EQ(std::string(outerBack->GetImportPath()), "/data/in");
    EXPECT_EQ(std::string(outerBack->GetExportPath()), "/data/out.picf");
    picNodePtr projectBack = childOf(childOf(outerBack.Get(), 1).Get(), 1);
    picNodePtr filterBack = childOf(outerBack.Get(), 2);
    EXPECT_EQ(static_cast<picLightFilter*>(filterBack.Get())->GetCurveEditor().GetCurve().Snapshot(), savedCurve);
    EXPECT_EQ(holder(projectBack)->GetFilterType(), picImageHolder::kRgb);
    EXPECT_EQ(std::string(holder(projectBack)->GetFilePath()), "/data/m42.jpg");
    struct Channel {
        const char* key;
        double factor;
    };
    const Channel channels[] = {{"!Ha", 100.0}, {"", 100.0}, {"root\\fld-2\\flt-7", 150.0}};
    for (int c = 1; c <= 3; ++c) {
        const picChannelFilter back = holder(projectBack)->GetChannel(c);
        EXPECT_EQ(std::string(back.GetKey()), channels[c - 1].key) << c;
        EXPECT_EQ(back.GetFactor(), channels[c - 1].factor) << c;
    }
    EXPECT_TRUE(childOf(projectBack.Get(), 1)->IsChecked());
    EXPECT_FALSE(childOf(projectBack.Get(), 2)->IsChecked());
    EXPECT_EQ(std::string(holder(childOf(projectBack.Get(), 1))->GetFilePath()), "/data/red.tif");
    for (int i = 1; i <= 2; ++i)
        EXPECT_TRUE(childOf(projectBack.Get(), i)->IsLoaded());
}

// Each save writes the key that does not hold the last tree, then removes the other one.
TEST_F(PicTreeRegistry, SavesAlternateBetweenTheTwoKeys)
{
    picCreateDefaultTree(treeRoot.Get());
    add(projects(), picFolder::Make, "kept");
    const std::string saved = outline(projects());
    for (const char* expected : {"Root-1", "Root-2", "Root-1"}) {
        SCOPED_TRACE(expected);
        saveTreeToRegistry(treeRoot.Get());
        const bool first = std::string(expected) == "Root-1";
        EXPECT_EQ(treeKey("Root-1").Exists(), first);
        EXPECT_EQ(treeKey("Root-2").Exists(), !first);
        restartAndLoad();
        EXPECT_EQ(outline(projects()), saved);
    }
}

TEST_F(PicTreeRegistry, FirstRunGivesTheDefaultTree)
{
    EXPECT_FALSE(loadTreeFromRegistry(treeRoot.Get()));
    EXPECT_EQ(treeRoot->GetChildCount(), 0);
    picCreateDefaultTree(treeRoot.Get());
    picCreateDefaultTree(treeRoot.Get());
    ASSERT_EQ(treeRoot->GetChildCount(), 1);
    EXPECT_EQ(std::string(projects()->GetText()), "Projects");
    EXPECT_EQ(projects()->GetChildCount(), 0);
    EXPECT_TRUE(projects()->IsLoaded());
}

// What an earlier build, which wrote value by value, could leave: a key whose save stopped before
// its counters (written last) beside a whole one, or two whole ones, the older half deleted. The
// whole, newer copy is loaded, with its counters, and the next save keeps it.
TEST_F(PicTreeRegistry, WithBothKeysTheLastFinishedSaveIsLoadedAndKept)
{
    struct Left {
        uint64_t counts; // 0: stopped before its counters
    };
    struct Case {
        Left first, second;
        const char* loaded;
    };
    const Case cases[] = {
        {{0}, {5}, "Root-2"},
        {{5}, {0}, "Root-1"},
        {{5}, {7}, "Root-2"},
        {{7}, {5}, "Root-1"},
        {{0}, {0}, "Root-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.loaded) + " " + std::to_string(c.first.counts) + "/" + std::to_string(c.second.counts));
        for (auto [name, left] : {std::pair{"Root-1", c.first}, std::pair{"Root-2", c.second}}) {
            vbRegKey key = treeKey(name);
            key.SetDefaultValue(vbVariant("Projects"));
            vbRegKey folder(key, "fld-3");
            folder.SetDefaultValue(vbVariant(name));
            folder.SetValue("Type", vbVariant("folder"));
            for (const char* counter : {"MenuChgH", "MenuChgL", "DispChgH", "DispChgL", "WorkChgH", "WorkChgL"})
                if (left.counts) {
                    vbVariant half;
                    half.SetAsLong(counter[7] == 'L' ? static_cast<LONG>(left.counts) : 0);
                    key.SetValue(counter, half);
                }
        }
        restartAndLoad();
        const std::string wanted = std::string("root=Projects(fld-3=") + c.loaded + ")";
        EXPECT_EQ(outline(projects()), wanted);
        // The nodes made by the load count on from there.
        const uint64_t counts = std::string(c.loaded) == "Root-1" ? c.first.counts : c.second.counts;
        EXPECT_GE(picGetChangeCounts().menu, counts);

        saveTreeToRegistry(treeRoot.Get());
        EXPECT_NE(treeKey("Root-1").Exists(), treeKey("Root-2").Exists());
        restartAndLoad();
        EXPECT_EQ(outline(projects()), wanted);
        vbRegKey(vbRegVantUser, "PicFlorvane").DeleteKey(true, false);
    }
}

// Changes of the registry made so far by this process; the child of the test below ends itself
// at the one it is told.
int g_changesLeft = 0;
void killAtTheChangeCounted()
{
    if (--g_changesLeft == 0)
        raise(SIGKILL);
}

// What the child of the test below is told: after which change it dies (0: none), and the home
// whose registry it saves into.
constexpr const char* kKillAtVariable = "PIC_TREE_SAVE_KILL_AT";
constexpr const char* kHomeVariable = "PIC_TREE_SAVE_HOME";

// The later edits, which the save under test stores.
void editAfterTheFirstSave(picNode* root, const std::function<void(picNode*, const char*)>& addFolder)
{
    for (int i = 0; i < 3; ++i)
        addFolder(root, "later");
    picNodePtr filter;
    picLightFilter::New(&filter);
    static_cast<picLightFilter*>(filter.Get())->GetCurveEditor().GetCurve().Edit([](picCurveData& d) {
        d.hasSizeRef = true;
        d.sizeRefX = 400;
        d.sizeRefY = 300;
        d.points = {{10, 20}, {55.5, 80.25}};
    });
    attach(root, filter);
    childOf(root, 1)->SetText("renamed");
}

// This test again, in a process of its own: a forked copy of a process whose other threads may
// hold the allocator's lock at the fork can wait for it forever. Answers the child's wait status.
int runSaveInChild(int killAt)
{
    const std::string filter = std::string("--gtest_filter=")
        + ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "."
        + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    // Made before the fork: the child may only exec.
    std::vector<std::string> settings = {std::string(kKillAtVariable) + "=" + std::to_string(killAt),
        std::string(kHomeVariable) + "=" + vnt::test::testHome().string()};
    for (char** entry = environ; *entry; ++entry)
        settings.emplace_back(*entry);
    std::vector<char*> environment;
    for (std::string& setting : settings)
        environment.push_back(setting.data());
    environment.push_back(nullptr);
    char* const arguments[] = {const_cast<char*>(self.c_str()), const_cast<char*>(filter.c_str()), nullptr};
    const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(quiet, 1);
        execve(self.c_str(), arguments, environment.data());
        _exit(127);
    }
    close(quiet);
    int status = -1;
    if (pid > 0)
        waitpid(pid, &status, 0);
    return status;
}

// The registry file as it is now, put back in place of whatever a child left.
class StoredRegistry {
public:
    StoredRegistry() : m_file(plat::registryUserFile())
    {
        plat::registryClose();
        std::filesystem::copy_file(m_file, m_file + ".kept", std::filesystem::copy_options::overwrite_existing);
    }
    void putBack()
    {
        plat::registryClose();
        for (const char* log : {"-wal", "-shm"})
            std::filesystem::remove(m_file + log);
        std::filesystem::copy_file(m_file + ".kept", m_file, std::filesystem::copy_options::overwrite_existing);
    }

private:
    std::string m_file;
};

// A process killed right after any change that a save makes leaves the tree as it was before the
// save or as it is after it, in one key: never part of it, never both.
TEST_F(PicTreeRegistry, ASaveKilledAfterAnyOfItsChangesLeavesTheTreeBeforeOrAfter)
{
    const auto addFolder = [this](picNode* parent, const char* text) { add(parent, picFolder::Make, text); };
    if (const char* killAt = std::getenv(kKillAtVariable)) {
        // The child: the tree as the first save left it, edited and saved again.
        std::filesystem::remove_all(vnt::test::testHome());
        setenv("VANTREL_HOME", std::getenv(kHomeVariable), 1);
        restartAndLoad();
        editAfterTheFirstSave(projects(), addFolder);
        g_changesLeft = std::atoi(killAt);
        if (g_changesLeft > 0)
            plat::registrySetWriteHook(killAtTheChangeCounted);
        try {
            saveTreeToRegistry(treeRoot.Get());
        } catch (...) {
            _exit(2);
        }
        _exit(HasFailure() ? 3 : 0);
    }

    // Ids of two digits, which the registry gives back in the order they were made.
    picSetChangeCounts({20, 20, 20});
    picCreateDefaultTree(treeRoot.Get());
    for (int i = 0; i < 4; ++i) {
        picNodePtr folder = add(projects(), picFolder::Make, "folder");
        add(folder.Get(), picProject::Make, "project");
    }
    saveTreeToRegistry(treeRoot.Get());
    const std::string before = outline(projects());
    StoredRegistry first;

    // Not killed, the child stores the tree after.
    int status = runSaveInChild(0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    restartAndLoad();
    const std::string after = outline(projects());
    ASSERT_NE(after, before);
    first.putBack();

    // Killed after each change in turn, until the tree after is stored: that is the save's last
    // change, its commit.
    int storedAt = 0;
    bool killedThen = false;
    for (int n = 1; !storedAt && n < 2000; ++n) {
        SCOPED_TRACE(n);
        status = runSaveInChild(n);
        killedThen = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        ASSERT_TRUE(killedThen || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << status;
        EXPECT_NE(treeKey("Root-1").Exists(), treeKey("Root-2").Exists());
        restartAndLoad();
        const std::string stored = outline(projects());
        ASSERT_TRUE(stored == before || stored == after) << stored;
        if (stored == after)
            storedAt = n;
    }
    EXPECT_GT(storedAt, 50);
    EXPECT_TRUE(killedThen);
}

// A subtree that cannot be loaded is dropped; its siblings, and folders at any depth, load.
TEST_F(PicTreeRegistry, AnUnknownTypeDropsOnlyItsSubtree)
{
    vbRegKey key = treeKey("Root-1");
    key.SetDefaultValue(vbVariant("Projects"));
    struct Sub {
        const char *path, *type;
    };
    const Sub subs[] = {
        {"fld-10", "folder"}, {"fld-10\\fld-11", "folder"}, {"fld-10\\fld-11\\proj-12", "project"},
        {"fld-3", "bogus"}, {"fld-3\\fld-4", "folder"}, {"proj-2", "PROJECT"}, {"fld-6", nullptr},
    };
    for (const Sub& sub : subs) {
        vbRegKey node(key, sub.path);
        node.SetDefaultValue(vbVariant(sub.path));
        if (sub.type)
            node.SetValue("Type", vbVariant(sub.type));
    }
    restartAndLoad();
    EXPECT_EQ(outline(projects()),
        "root=Projects(fld-10=fld-10(fld-11=fld-10\\fld-11(proj-12=fld-10\\fld-11\\proj-12)),proj-2=proj-2)");
}

TEST_F(PicTreeRegistry, LoadcfgIsTheOnlyOperation)
{
    picNodePtr root = picRoot::Make();
    EXPECT_FALSE(root->LoadFromRes(nullptr, "loadcfg", "CFG", nullptr));
    EXPECT_FALSE(root->LoadFromRes(nullptr, MAKEINTRESOURCEA(7), nullptr, nullptr));
    EXPECT_FALSE(root->LoadFromRes(nullptr, "loadcfg2", nullptr, nullptr));
    EXPECT_FALSE(root->IsLoaded());
    EXPECT_TRUE(root->LoadFromRes(nullptr, "LoadCfg", nullptr, nullptr));
    EXPECT_TRUE(root->IsLoaded());
}

// A node that cannot write its values.
class FailingSave : public TestNode {
public:
    FailingSave() : TestNode("folder", "fld-") {}
    void SaveValues(vbRegKey& key) override
    {
        picNode::SaveValues(key);
        throw new vbEapp("disk full");
    }
};

TEST_F(PicTreeRegistry, AFailedSaveKeepsThePreviousTree)
{
    picCreateDefaultTree(treeRoot.Get());
    add(projects(), picFolder::Make, "good");
    saveTreeToRegistry(treeRoot.Get());
    const std::string good = outline(projects());

    picNodePtr bad(new FailingSave());
    bad->Release();
    bad->Create();
    picNodePtr holderFolder = add(projects(), picFolder::Make, "holder");
    attach(holderFolder, bad);
    const picChangeCounts counts = picGetChangeCounts();
    vbtest::expectThrown<vbEapp>([&] { saveTreeToRegistry(treeRoot.Get()); }, E_FAIL, "disk full");
    // Nothing was stored: the counters stay where they were.
    EXPECT_EQ(picGetChangeCounts().menu, counts.menu);
    EXPECT_EQ(picGetChangeCounts().work, counts.work);
    EXPECT_TRUE(treeKey("Root-1").Exists());
    EXPECT_FALSE(treeKey("Root-2").Exists());
    restartAndLoad();
    EXPECT_EQ(outline(projects()), good);
}

// A registry that refuses the tree: each failed save renews a red row on the strip that names the
// file and the reason, the stored tree stays as it was, saving goes on, and the first save that
// succeeds takes the row away and stores everything, in the other key.
class PicTreeAutoSave : public PicTreeRegistry {
protected:
    void SetUp() override
    {
        PicTreeRegistry::SetUp();
        wnd.progress = &strip;
    }
    void TearDown() override
    {
        plat::registrySetRefusingWrites(HKEY_CURRENT_USER, false);
        wnd.progress = nullptr;
        PicTreeRegistry::TearDown();
    }
    std::string storedOutline()
    {
        restartAndLoad();
        return outline(projects());
    }

    pictest::ProgressRows strip;
};

TEST_F(PicTreeAutoSave, ARefusedSaveIsToldOnTheStripUntilOneSucceeds)
{
    picCreateDefaultTree(treeRoot.Get());
    add(projects(), picFolder::Make, "good");
    picTreeAutoSave autoSave;
    autoSave.Tick(treeRoot.Get(), true);
    autoSave.MarkChanged();
    autoSave.Tick(treeRoot.Get(), true);
    EXPECT_FALSE(autoSave.HasUnstoredChanges());
    const std::string good = outline(projects());
    EXPECT_EQ(strip.find(picTreeAutoSave::kRowLabel), nullptr);

    plat::registrySetRefusingWrites(HKEY_CURRENT_USER, true);
    add(projects(), picFolder::Make, "new");
    const std::string wanted = outline(projects());
    const std::string text = "Not stored: the file is read-only (" + plat::registryUserFile() + ")";
    for (int tick = 1; tick <= 2; ++tick) {
        SCOPED_TRACE(tick);
        autoSave.Tick(treeRoot.Get(), true);
        const auto* row = strip.find(picTreeAutoSave::kRowLabel);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->status, 3);
        EXPECT_EQ(std::string(row->message), text);
        EXPECT_TRUE(autoSave.HasUnstoredChanges());
        EXPECT_TRUE(treeKey("Root-1").Exists());
        EXPECT_FALSE(treeKey("Root-2").Exists());
    }
    EXPECT_EQ(std::string(picTreeAutoSave::CloseText("the file is read-only")),
        "The project tree could not be stored in " + plat::registryUserFile()
            + ": the file is read-only.\nThe changes made since it was last stored are lost.");

    plat::registrySetRefusingWrites(HKEY_CURRENT_USER, false);
    autoSave.Tick(treeRoot.Get(), true);
    EXPECT_EQ(strip.find(picTreeAutoSave::kRowLabel)->status, -1);
    EXPECT_FALSE(autoSave.HasUnstoredChanges());
    EXPECT_FALSE(treeKey("Root-1").Exists());
    EXPECT_TRUE(treeKey("Root-2").Exists());
    EXPECT_EQ(storedOutline(), wanted);
    EXPECT_NE(wanted, good);
}

// The projects list shown before its loader has run: an add waits for the loader, so that the
// new id comes after the restored counters.
class HeldRoot : public picRoot {
public:
    bool LoadFromRes(vbDnData* data, const char* name, const char* type, HINSTANCE module) override
    {
        while (!released)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return picRoot::LoadFromRes(data, name, type, module);
    }
    std::atomic<bool> released{false};
};

TEST_F(PicTreeRegistry, NewIdsComeAfterEverySavedOne)
{
    picCreateDefaultTree(treeRoot.Get());
    for (int i = 0; i < 5; ++i)
        add(projects(), picFolder::Make, "folder");
    add(childOf(projects(), 2).Get(), picProject::Make, "project");
    saveTreeToRegistry(treeRoot.Get());
    std::set<uint64_t> saved;
    vbRegEnumKey subs;
    vbRegKey root1 = treeKey("Root-1");
    subs.Init(root1);
    vbString name;
    while (subs.Next(&name))
        saved.insert(idNumber(name));
    ASSERT_EQ(saved.size(), 5u);

    // A restart: the projects list asks for its loader, which waits until the add has begun.
    treeRoot->ClearChildren();
    picSetChangeCounts({});
    auto* held = new HeldRoot();
    picNodePtr root(held);
    held->Release();
    held->Create();
    treeRoot->AddChild(root, 0);
    vbDnAsk(static_cast<IvbDnObject*>(held), vbDnLoad, "res:loadcfg", vbDnPriorityFast3, true);
    held->released = true;
    held->OnMenuCommand(&wnd, "AddFolder");

    ASSERT_TRUE(held->IsLoaded());
    ASSERT_EQ(held->GetChildCount(), 6);
    picNodePtr added = childOf(held, 6);
    EXPECT_GT(idNumber(added->GetName()), *saved.rbegin());
    EXPECT_EQ(std::string(added->GetName()).rfind("fld-", 0), 0u);
}

} // namespace
