// The main window in its own modal loop: its layout, its system menu and About box, its paint, the
// window it publishes to the plug-in centre, its file dialogs and its image view, driven through
// real messages on the headless screen.

#include "PicFlorvaneDlg.h"
#include "PicFlorvaneViewDlg.h"
#include "PicHeldLoads.h"
#include "PicPictureKit.h"
#include "PicTestKit.h"
#include "picFolder.h"
#include "picLightFilter.h"
#include "picProject.h"
#include "picSourceImage.h"
#include "picTreeAutoSave.h"
#include "picTreeRegistry.h"

#include "GuiTestBed.h"
#include "guiMsComboBox.h"
#include "guiMsEdit.h"
#include "guiTreeViewDraw.h"
#include "TreeTestKit.h"

#include "vbDnItf.h"
#include "vbExpectThrown.h"
#include "vbHotPlug.h"
#include "vbRegKey.h"
#include "vbVersion.h"

#include "testsupport/ManualClock.h"
#include "testsupport/TestHome.h"

#include "plat/commdlg.h"
#include "plat/dialog.h"
#include "plat/headless.h"
#include "plat/menu.h"
#include "plat/mouse.h"
#include "plat/msgbox.h"
#include "plat/registry.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using gui::test::GuiTestBed;

constexpr UINT kRunScript = WM_APP + 60;
constexpr UINT kEndAbout = WM_APP + 61;
constexpr UINT_PTR kMenuCheck = 61;
constexpr UINT_PTR kThen = 62;

std::string text(const CRect& r)
{
    std::ostringstream out;
    out << r.left << ',' << r.top << ' ' << r.Width() << 'x' << r.Height();
    return out.str();
}

std::string rectOf(TControl& control)
{
    CRect r;
    control.tcGetRect(r, false);
    return text(r);
}

// Runs a test's script inside the window's modal loop, then ends the loop as the system menu's
// quit command does.
class ScriptedDlg : public CPicFlorvaneDlg {
public:
    std::function<void(ScriptedDlg&)> script;
    // Runs once the input the script gave has gone through the window's own loop (timers come
    // after input); it may set a next step.
    std::function<void(ScriptedDlg&)> then;
    std::string aboutVersion;
    HWND publishedInside = nullptr;
    // The window that held the capture when the menu check's timer came, and whether it showed.
    HWND menuSeen = nullptr;
    bool menuShown = false;

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = CPicFlorvaneDlg::OnInitDialog();
        PostMessage(kRunScript);
        return result;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kRunScript) {
            bool offered = false;
            g_vbHotPlugCenter.GetAppliWindow(&offered, &publishedInside);
            if (script)
                script(*this);
            if (then)
                SetTimer(kThen, 1, nullptr);
            else
                PostMessage(WM_SYSCOMMAND, IDM_PICFLORVANE_QUIT);
            return 0;
        }
        if (message == WM_TIMER && wParam == kThen) {
            // A step may set the next one, which runs once its own input has gone through.
            KillTimer(kThen);
            std::exchange(then, nullptr)(*this);
            if (then)
                SetTimer(kThen, 1, nullptr);
            else
                PostMessage(WM_SYSCOMMAND, IDM_PICFLORVANE_QUIT);
            return 0;
        }
        if (message == WM_TIMER && wParam == kMenuCheck) {
            // Comes through an open menu's own loop; the menu holds the capture meanwhile.
            KillTimer(kMenuCheck);
            menuSeen = ::GetCapture();
            menuShown = menuSeen && menuSeen != m_hWnd && ::IsWindowVisible(menuSeen);
            plat::headless::keyPress(VK_ESCAPE);
            return 0;
        }
        if (message == kEndAbout) {
            // Reaches us through the About box's own loop, while it is open.
            HWND about = GetActiveWindow();
            char version[256] = "";
            GetDlgItemTextA(about, int(IDC_PICFLORVANE_VERSION), version, sizeof version);
            aboutVersion = version;
            ::PostMessageA(about, WM_COMMAND, IDOK, 0);
            return 0;
        }
        return CPicFlorvaneDlg::WindowProc(message, wParam, lParam);
    }
};

class PicMainDlg : public GuiTestBed {
protected:
    void SetUp() override
    {
        GuiTestBed::SetUp();
        // Download workers and the strip's plug-in listeners sleep while they wait for each
        // other: on a clock that only the test moves, they would wait for ever.
        clock.reset();
    }
    void TearDown() override
    {
        plat::resetFileDialogPolicy();
        GuiTestBed::TearDown();
    }

    static void resizeClient(CWnd& wnd, int width, int height)
    {
        CRect window, client;
        wnd.GetWindowRect(&window);
        wnd.GetClientRect(&client);
        wnd.SetWindowPos(nullptr, 0, 0, width + window.Width() - client.Width(),
            height + window.Height() - client.Height(), SWP_NOMOVE | SWP_NOZORDER);
        pump();
    }
};

TEST(PicMainLayout, TreeAreaBoxAndStripFollowTheClientSize)
{
    struct Case {
        int width, height, strip;
        const char *tree, *box, *stripRect;
        int stripHeight;
    } cases[] = {
        {300, 300, -1, "3,3 220x294", "226,3 71x294", "0,0 0x0", -1}, // narrow: the tree keeps 220
        {1009, 400, -1, "3,3 350x394", "356,3 650x394", "0,0 0x0", -1},
        {600, 100, -1, "3,3 220x94", "226,3 371x140", "0,0 0x0", -1}, // low: the area keeps 140
        {600, 300, 50, "3,3 220x294", "226,3 371x244", "226,247 371x50", 50},
        {600, 300, 294, "3,3 220x294", "226,3 371x0", "226,3 371x294", 294},
        {600, 300, 500, "3,3 220x294", "226,3 371x0", "226,3 371x294", 294}, // more than the area
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " strip " + std::to_string(c.strip));
        const picMainLayout l = picMainLayout::compute(c.width, c.height, c.strip);
        EXPECT_EQ(text(l.tree), c.tree);
        EXPECT_EQ(text(l.box), c.box);
        EXPECT_EQ(text(l.strip), c.stripRect);
        EXPECT_EQ(l.stripHeight, c.stripHeight);
    }
    EXPECT_EQ(picMainLayout::compute(600, 100, -1).area.bottom, 143);
}

TEST_F(PicMainDlg, RunsUntilQuitPublishingItsWindowMeanwhileAndEnterDoesNotCloseIt)
{
    ScriptedDlg dlg;
    HWND hwnd = nullptr;
    dlg.script = [&](ScriptedDlg& d) {
        hwnd = d.m_hWnd;
        EXPECT_EQ(picGetMainWnd(), &d);
        plat::headless::keyPress(VK_RETURN);
        pump();
        EXPECT_TRUE(::IsWindow(hwnd));
        EXPECT_TRUE(d.IsWindowVisible());
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
    EXPECT_NE(hwnd, nullptr);
    EXPECT_EQ(dlg.publishedInside, hwnd);
    EXPECT_FALSE(::IsWindow(hwnd));
    bool offered = true;
    HWND published = hwnd;
    g_vbHotPlugCenter.GetAppliWindow(&offered, &published);
    EXPECT_EQ(published, nullptr);
}

TEST_F(PicMainDlg, TheSystemMenuOpensTheAboutBoxWithTheProductName)
{
    ScriptedDlg dlg;
    std::string item;
    dlg.script = [&](ScriptedDlg& d) {
        char label[64] = "";
        GetMenuStringA(::GetSystemMenu(d.m_hWnd, FALSE), IDM_PICFLORVANE_ABOUT, label, sizeof label, MF_BYCOMMAND);
        item = label;
        d.PostMessage(kEndAbout);
        d.SendMessage(WM_SYSCOMMAND, IDM_PICFLORVANE_ABOUT);
    };
    EXPECT_EQ(dlg.DoModal(false), 0);
    EXPECT_EQ(item, "&About PicFlorvane...");
    EXPECT_EQ(dlg.aboutVersion, std::string(vbGetProductName(nullptr, true)));
    EXPECT_FALSE(dlg.aboutVersion.empty());
}

// The tree holds the capture while the mouse rests on it; the menu that Alt+Space opens takes it
// and stays open until Escape.
TEST_F(PicMainDlg, AltSpaceOpensTheSystemMenuWhileTheMouseRestsOnTheTree)
{
    ScriptedDlg dlg;
    HWND treeWindow = nullptr, captureBefore = nullptr;
    dlg.script = [&](ScriptedDlg& d) {
        treeWindow = d.GetTree().tcGetHwnd();
        CRect tree;
        ::GetWindowRect(treeWindow, &tree);
        plat::headless::mouseMove(tree.CenterPoint().x, tree.CenterPoint().y);
        pump();
        captureBefore = ::GetCapture();
        d.SetTimer(kMenuCheck, 10, nullptr);
        plat::headless::key(VK_MENU, true);
        plat::headless::keyPress(VK_SPACE);
        plat::headless::key(VK_MENU, false);
        pump();
    };
    EXPECT_EQ(dlg.DoModal(false), 0);
    ASSERT_NE(treeWindow, nullptr);
    EXPECT_EQ(captureBefore, treeWindow);
    EXPECT_NE(dlg.menuSeen, treeWindow);
    EXPECT_TRUE(dlg.menuShown);
    EXPECT_FALSE(::IsWindow(dlg.menuSeen)) << "Escape closed it";
}

TEST_F(PicMainDlg, LaysOutTheBoxAndTheStripAndPaintsTheBackgroundBetweenThem)
{
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        resizeClient(d, 600, 300);
        guiBox& box = d.GetPropertyBox();
        guiProgress& strip = *d.getProgress();
        EXPECT_EQ(rectOf(d.GetTree()), "3,3 220x294");
        EXPECT_EQ(rectOf(box), "226,3 371x294");
        EXPECT_FALSE(strip.tcGetVisible());

        // The strip asks for a height: it gets it under the box, once.
        EXPECT_TRUE(strip.OnAskSizeCB().Call(&strip, CSize(100, 50), CSize()));
        EXPECT_FALSE(strip.OnAskSizeCB().Call(&strip, CSize(100, 50), CSize()));
        EXPECT_EQ(rectOf(box), "226,3 371x244");
        EXPECT_EQ(rectOf(strip), "226,247 371x50");
        EXPECT_TRUE(strip.tcGetVisible());
        // More than the area: the whole area.
        EXPECT_TRUE(strip.OnAskSizeCB().Call(&strip, CSize(100, 900), CSize()));
        EXPECT_EQ(rectOf(box), "226,3 371x0");
        EXPECT_EQ(rectOf(strip), "226,3 371x294");
        // A resize keeps the strip's height, capped by the area.
        resizeClient(d, 700, 200);
        EXPECT_EQ(rectOf(strip), "247,3 450x194");
        // No height: hidden, and the box takes the area again.
        EXPECT_TRUE(strip.OnAskSizeCB().Call(&strip, CSize(0, 0), CSize()));
        EXPECT_FALSE(strip.tcGetVisible());
        EXPECT_EQ(rectOf(box), "247,3 450x194");

        d.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        pump();
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        EXPECT_EQ(pixel(d, 1, 100), face); // left of the tree
        EXPECT_EQ(pixel(d, 245, 100), face); // between the tree and the box
        EXPECT_EQ(pixel(d, 698, 100), face); // right of the box
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
}

// The five file dialogs: what each shows, what it answers, and that Cancel changes nothing.
class PicMainFileDlg : public PicMainDlg {
protected:
    void SetUp() override
    {
        PicMainDlg::SetUp();
        dir = vnt::test::testHome() / "files";
        std::filesystem::create_directories(dir);
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "p.picf"})
            pictest::writeFile(std::string("files/") + name, {1});
        main = std::make_unique<ScriptedDlg>();
    }
    void TearDown() override
    {
        main.reset();
        PicMainDlg::TearDown();
    }
    std::string at(const char* name) const { return (dir / name).string(); }

    std::filesystem::path dir;
    std::unique_ptr<ScriptedDlg> main;
};

TEST_F(PicMainFileDlg, EachDialogShowsItsFilterFlagsTitleAndStartPath)
{
    using Pick = bool (CPicFlorvaneDlg::*)(vbString&, const char*);
    struct Case {
        Pick pick;
        bool save;
        const char *filter, *pattern, *answer;
        DWORD flags;
    } cases[] = {
        {&CPicFlorvaneDlg::chooseImageToSave, true, "JPEG images", "*.jpg;*.jpeg", "new.jpg", 0x888806},
        {&CPicFlorvaneDlg::chooseImageToOpen, false, "JPEG images", "*.jpg;*.jpeg", "a.jpg",
            OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING},
        {&CPicFlorvaneDlg::pickProjectToSave, true, "PICF files", "*.picf", "new.picf", 0x888806},
        {&CPicFlorvaneDlg::pickProjectToOpen, false, "PICF files", "*.picf", "p.picf",
            OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        plat::resetFileDialogPolicy();
        vbString path = at("b.jpg").c_str();
        plat::setFileDialogAnswers({{false, {at(c.answer)}}});
        EXPECT_TRUE(((*main).*c.pick)(path, "Pick one"));
        EXPECT_EQ(std::string(path), at(c.answer));
        // None queued: Cancel, and the path stays.
        EXPECT_FALSE(((*main).*c.pick)(path, "Again"));
        EXPECT_EQ(std::string(path), at(c.answer));

        const auto records = plat::fileDialogRecords();
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[0].save, c.save);
        EXPECT_EQ(records[0].title, "Pick one");
        ASSERT_EQ(records[0].filters.size(), 1u);
        EXPECT_EQ(records[0].filters[0].first, c.filter);
        EXPECT_EQ(records[0].filters[0].second, c.pattern);
        EXPECT_EQ(records[0].flags, c.flags);
        EXPECT_EQ(records[0].folder, dir.string());
        EXPECT_EQ(records[0].fileName, "b.jpg");
    }
}

TEST_F(PicMainFileDlg, AnImportGivesEveryChosenFileInTheDialogsOrder)
{
    vbArray<vbString> files;
    files[files.AddEmpty()] = "kept.jpg";
    EXPECT_FALSE(main->chooseImagesToImport(files, "Import"));
    ASSERT_EQ(files.GetSize(), 1);
    EXPECT_EQ(std::string(files[1]), "kept.jpg");

    plat::setFileDialogAnswers({{false, {at("c.jpg"), at("a.jpg"), at("b.jpg")}}});
    EXPECT_TRUE(main->chooseImagesToImport(files, "Import"));
    ASSERT_EQ(files.GetSize(), 3);
    EXPECT_EQ(std::string(files[1]), at("c.jpg"));
    EXPECT_EQ(std::string(files[2]), at("a.jpg"));
    EXPECT_EQ(std::string(files[3]), at("b.jpg"));
    const auto records = plat::fileDialogRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_TRUE(records[1].flags & OFN_ALLOWMULTISELECT);
    EXPECT_TRUE(records[1].flags & OFN_FILEMUSTEXIST);
}

// The project tree: shown in the tree control under the root of the window's styles, read from the
// registry at start and written back when the window goes.
class PicMainTree : public PicMainDlg {
protected:
    void SetUp() override
    {
        PicMainDlg::SetUp();
        place().DeleteKey("Root-1", true, false);
        place().DeleteKey("Root-2", true, false);
    }
    static vbRegKey place() { return vbRegKey(vbRegVantUser, "PicFlorvane"); }
    static bool stored(const char* name) { return vbRegKey(vbRegVantUser, vbString("PicFlorvane\\") + name).Exists(); }

    // The window's client made 600 x 300, a point on the Actions button at the top of the page of
    // "Projects" and the button, once the tree has loaded and the page came (null if it did not).
    static guiButton* projectsActions(ScriptedDlg& d, POINT& onButton)
    {
        resizeClient(d, 600, 300);
        CRect box;
        d.GetPropertyBox().GetWindowRect(&box);
        onButton = POINT{box.left + 30, box.top + 10};
        guiButton* actions = nullptr;
        for (int i = 0; i < 500 && !actions; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            pump();
            actions = dynamic_cast<guiButton*>(CWnd::FromHandlePermanent(WindowFromPoint(onButton)));
        }
        return actions;
    }

    static guiTreeNodePtr projectsOf(guiTreeNode* treeRoot)
    {
        guiTreeNodePtr projects;
        EXPECT_TRUE(treeRoot->GetChild(1, &projects));
        return projects;
    }
    // Stores a tree of one folder, as a run before this one would have.
    static void storeFolder(const char* text)
    {
        guiTreeNodePtr treeRoot = gui::test::makeNode("tree");
        picCreateDefaultTree(treeRoot.Get());
        picNodePtr folder = picFolder::Make();
        folder->SetText(text);
        projectsOf(treeRoot.Get())->AddChild(static_cast<IguiTreeNode*>(folder.Get()), 0);
        saveTreeToRegistry(treeRoot.Get());
    }
    // The stored key and the sorted texts of its projects list's children, read from the registry
    // as it is now (a start after a crash reads it so).
    static std::string storedNow()
    {
        for (const char* name : {"Root-1", "Root-2"}) {
            vbRegKey key(vbRegVantUser, vbString("PicFlorvane\\") + name);
            if (!key.Exists())
                continue;
            std::vector<std::string> texts;
            vbRegEnumKey children(key);
            vbRegKey child;
            while (children.Next(&child))
                texts.push_back(std::string(child.GetDefaultValue().GetAsString()));
            std::sort(texts.begin(), texts.end());
            std::string out = std::string(name) + ":";
            for (const std::string& text : texts)
                out += " " + text;
            return out;
        }
        return "(none)";
    }
    // The texts of the stored projects list's children.
    static std::string storedTexts()
    {
        guiTreeNodePtr treeRoot = gui::test::makeNode("tree");
        if (!loadTreeFromRegistry(treeRoot.Get()))
            return "(none)";
        guiTreeNodePtr projects = projectsOf(treeRoot.Get());
        EXPECT_TRUE(vbDnWait(static_cast<IvbDnObject*>(projects.Get()), vbDnLoad, 60000, true));
        std::string texts;
        guiTreeNodePtr child;
        for (int i = 1; projects->GetChild(i, &child); ++i)
            texts += (texts.empty() ? "" : " ") + std::string(child->GetText());
        return texts;
    }
};

TEST_F(PicMainTree, AFirstRunShowsTheDefaultTreeAndStoresItAtTheEnd)
{
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        EXPECT_TRUE(d.GetTree().tcGetVisible());
        guiTreeNodeRef shown;
        ASSERT_TRUE(d.GetTree().GetRoot(&shown));
        EXPECT_EQ(static_cast<IguiTreeNode*>(shown.Get()), static_cast<IguiTreeNode*>(d.GetTreeRoot()));
        guiTreeNodePtr projects = projectsOf(d.GetTreeRoot());
        EXPECT_TRUE(projects->IsLoaded());
        EXPECT_FALSE(stored("Root-1"));
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
    EXPECT_TRUE(stored("Root-1"));
    EXPECT_EQ(storedTexts(), "");
}

TEST_F(PicMainTree, AStoredTreeIsShownAndStoredAgain)
{
    storeFolder("Kept");
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        guiTreeNodePtr projects = projectsOf(d.GetTreeRoot());
        ASSERT_TRUE(vbDnWait(static_cast<IvbDnObject*>(projects.Get()), vbDnLoad, 60000, true));
        guiTreeNodePtr folder;
        ASSERT_TRUE(projects->GetChild(1, &folder));
        EXPECT_EQ(std::string(folder->GetText()), "Kept");
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
    EXPECT_TRUE(stored("Root-2")) << "the save alternates";
    EXPECT_FALSE(stored("Root-1"));
    EXPECT_EQ(storedTexts(), "Kept");
}

TEST_F(PicMainTree, ClosingBeforeTheTreeHasLoadedKeepsTheStoredTree)
{
    storeFolder("Kept");
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        // A projects list that a registry load has not filled (and will not fill in time).
        d.GetTreeRoot()->ClearChildren();
        picNodePtr unloaded = picRoot::Make();
        d.GetTreeRoot()->AddChild(static_cast<IguiTreeNode*>(unloaded.Get()), 0);
        ASSERT_FALSE(unloaded->IsLoaded());
        d.SendMessage(WM_CLOSE);
    };
    EXPECT_EQ(dlg.DoModal(true), IDCANCEL);
    EXPECT_EQ(storedTexts(), "Kept");
}

// The tree also goes to the registry a second after a change while the window stays, so that a
// crash loses at most that second: changes within the second make one save, a quiet second none.
TEST_F(PicMainTree, ChangesAreStoredWithinASecondWhileTheWindowStays)
{
    storeFolder("Kept");
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        guiTreeNodePtr projects = projectsOf(d.GetTreeRoot());
        ASSERT_TRUE(vbDnWait(static_cast<IvbDnObject*>(projects.Get()), vbDnLoad, 60000, true));
        picNodePtr list = picNodeOf(static_cast<IguiTreeNode*>(projects.Get()));
        vnt::test::ManualClock manual;
        const auto later = [&](uint64_t ms) {
            manual.advance(ms);
            pump();
        };
        later(picTreeAutoSave::kPeriodMs);
        EXPECT_EQ(storedNow(), "Root-1: Kept") << "what was loaded is stored already";
        list->OnMenuCommand(&d, "AddFolder");
        later(500);
        list->OnMenuCommand(&d, "AddFolder");
        later(499);
        EXPECT_EQ(storedNow(), "Root-1: Kept");
        later(1);
        EXPECT_EQ(storedNow(), "Root-2: Kept New Folder New Folder");
        later(picTreeAutoSave::kPeriodMs);
        EXPECT_EQ(storedNow(), "Root-2: Kept New Folder New Folder");
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
}

// A change made between the tree's load and the first tick after it is stored by that tick: the
// tick took it for part of the load, and a kill before the next change lost it.
TEST_F(PicMainTree, AChangeBeforeTheFirstTickIsStoredByIt)
{
    storeFolder("Kept");
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        guiTreeNodePtr projects = projectsOf(d.GetTreeRoot());
        ASSERT_TRUE(vbDnWait(static_cast<IvbDnObject*>(projects.Get()), vbDnLoad, 60000, true));
        vnt::test::ManualClock manual;
        picNodeOf(static_cast<IguiTreeNode*>(projects.Get()))->OnMenuCommand(&d, "AddFolder");
        manual.advance(picTreeAutoSave::kPeriodMs);
        pump();
        EXPECT_EQ(storedNow(), "Root-2: Kept New Folder");
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
}

// A registry that refuses the tree: a red row on the strip from the first failed save to the first
// that succeeds, saving tried again each second meanwhile, and a box when the window closes with
// changes that could not be stored. The stored tree stays the last complete one.
TEST_F(PicMainTree, ATreeThatCannotBeStoredIsToldOnTheStripAndWhenTheWindowCloses)
{
    storeFolder("Kept");
    plat::resetMessageBoxPolicy();
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        guiTreeNodePtr projects = projectsOf(d.GetTreeRoot());
        ASSERT_TRUE(vbDnWait(static_cast<IvbDnObject*>(projects.Get()), vbDnLoad, 60000, true));
        picNodePtr list = picNodeOf(static_cast<IguiTreeNode*>(projects.Get()));
        guiProgress& strip = *d.getProgress();
        vnt::test::ManualClock manual;
        const auto later = [&](uint64_t ms) {
            manual.advance(ms);
            pump();
        };
        // The row's red, which the fixed test font's letters leave most of.
        const auto redPixels = [&] {
            if (!strip.tcGetVisible())
                return 0;
            CRect client;
            strip.GetClientRect(&client);
            int n = 0;
            for (int y = 0; y < client.Height(); ++y)
                for (int x = 0; x < client.Width(); ++x) {
                    const COLORREF c = pixel(strip, x, y);
                    n += GetRValue(c) >= 0x80 && GetGValue(c) == 0 && GetBValue(c) == 0 ? 1 : 0;
                }
            return n;
        };
        later(picTreeAutoSave::kPeriodMs);
        plat::registrySetRefusingWrites(HKEY_CURRENT_USER, true);
        list->OnMenuCommand(&d, "AddFolder");
        EXPECT_EQ(redPixels(), 0);
        later(picTreeAutoSave::kPeriodMs);
        EXPECT_GT(redPixels(), 100) << "the first failed save";
        later(picTreeAutoSave::kPeriodMs);
        EXPECT_GT(redPixels(), 100) << "the next one";
        EXPECT_EQ(storedNow(), "Root-1: Kept");

        plat::registrySetRefusingWrites(HKEY_CURRENT_USER, false);
        later(picTreeAutoSave::kPeriodMs);
        EXPECT_EQ(redPixels(), 0) << "gone with the first good save";
        EXPECT_EQ(storedNow(), "Root-2: Kept New Folder");
        EXPECT_TRUE(plat::messageBoxRecords().empty());

        plat::registrySetRefusingWrites(HKEY_CURRENT_USER, true);
        list->OnMenuCommand(&d, "AddFolder");
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
    plat::registrySetRefusingWrites(HKEY_CURRENT_USER, false);
    // Then the log that holds the last stored tree, which the file could not take in, is named.
    const auto boxes = plat::messageBoxRecords();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "PicFlorvane");
    EXPECT_EQ(boxes[0].text, std::string(picTreeAutoSave::CloseText("the file is read-only")));
    EXPECT_NE(boxes[1].text.find(plat::registryUserFile() + "-wal, which must stay beside it"), std::string::npos)
        << boxes[1].text;
    EXPECT_EQ(storedNow(), "Root-2: Kept New Folder");
}

// Every edit a person makes is in the registry after one tick of the autosave, without another
// change: the stored key of the edited node then holds what the node would store now. Edits that
// make no work (a filter no project uses, an image left out of the result) reached the registry
// only with the next change that did.
class PicMainEdits : public PicMainTree {
protected:
    // A key's values and sub keys, the change counters of the projects list left out.
    static std::string dump(vbRegKey& key)
    {
        std::string out = "(" + std::string(key.GetDefaultValue().GetAsString()) + ")";
        vbRegEnumValue values(key);
        vbString name;
        vbVariant value;
        while (values.Next(&name, &value)) {
            const std::string n(name);
            if (!n.ends_with("ChgH") && !n.ends_with("ChgL"))
                out += n + "=" + std::string(value.GetAsString()) + ";";
        }
        vbRegEnumKey children(key);
        vbRegKey child;
        while (children.Next(&child))
            out += std::string(child.GetName()) + "{" + dump(child) + "}";
        return out;
    }
    // What the registry holds now for node, a node of the projects list or the list itself.
    static std::string stored(picNode* node)
    {
        std::vector<std::string> names;
        guiTreeNodePtr at(node), up, top;
        for (; at->GetParent(1, &up) && up->GetParent(1, &top); at = up)
            names.insert(names.begin(), std::string(at->GetName()));
        for (const char* root : {"Root-1", "Root-2"}) {
            vbRegKey key(vbRegVantUser, vbString("PicFlorvane\\") + root);
            if (!key.Exists())
                continue;
            for (const std::string& name : names)
                key = vbRegKey(key, name.c_str());
            return key.Exists() ? dump(key) : "(not stored)";
        }
        return "(no tree)";
    }
    // What node would store now.
    static std::string live(picNode* node)
    {
        vbRegKey scratch(vbRegVantUser, "PicFlorvane\\Scratch");
        node->SaveToRegKey(scratch);
        const std::string out = dump(scratch);
        scratch.DeleteKey(true, false);
        return out;
    }

    // The shown page's control of that type and hint, or that shows text.
    template <class Control>
    static Control* pageControl(ScriptedDlg& d, const std::string& hint, const std::string& text = "")
    {
        const std::string wanted = text.empty() ? hint : text;
        for (HWND h = GetWindow(d.GetPropertyBox().tcGetHwnd(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
            if (auto* control = dynamic_cast<Control*>(CWnd::FromHandlePermanent(h)))
                if (std::string(text.empty() ? control->tcGetToolTip() : control->tcGetText()) == wanted)
                    return control;
        ADD_FAILURE() << "no control " << hint << text;
        return nullptr;
    }
    static void clickOn(TControl* control, int button = 0)
    {
        ASSERT_NE(control, nullptr);
        CRect r;
        control->tcGetRect(r, true);
        plat::headless::mouseMove(r.CenterPoint().x, r.CenterPoint().y);
        pump();
        plat::headless::click(r.CenterPoint().x, r.CenterPoint().y, button);
        pump();
    }
    // The edit's text replaced as a person does it: a click in it, its text erased, the new typed.
    static void retype(guiMsEdit* edit, const char* text)
    {
        ASSERT_NO_FATAL_FAILURE(clickOn(edit));
        keys({VK_END});
        for (int n = edit->tcGetText().GetLength(); n > 0; --n)
            plat::headless::keyPress(VK_BACK);
        type(text);
    }
    // The combo's list opened by a click, the entry showing text taken with the keys.
    static void choose(guiMsComboBox* combo, const char* text)
    {
        ASSERT_NE(combo, nullptr);
        int entry = -1;
        for (int i = 0; i < combo->GetListLength(); ++i)
            if (std::string(combo->GetListItem(i)) == text)
                entry = i;
        ASSERT_GE(entry, 0) << text;
        clickOn(combo);
        plat::headless::keyPress(VK_HOME);
        for (int i = 0; i < entry; ++i)
            plat::headless::keyPress(VK_DOWN);
        keys({VK_RETURN});
        EXPECT_EQ(combo->GetListIndex(), entry);
    }
    // In the open action menu, the arrows down to the item of that name, then Return.
    static void menuItem(ScriptedDlg& d, const char* name)
    {
        ASSERT_TRUE(d.GetActionButton().IsPopupOpen());
        guiTreeNodeRef selected;
        for (int i = 0; i < 20 && !(d.GetActionButton().GetSelected(&selected, nullptr) && selected->GetName() == name);
             ++i)
            keys({VK_DOWN});
        ASSERT_FALSE(selected.IsNull());
        ASSERT_EQ(std::string(selected->GetName()), name);
        keys({VK_RETURN});
    }
    // The item of that name in the menu of the page's Actions button.
    static void pageMenuItem(ScriptedDlg& d, const char* name)
    {
        ASSERT_NO_FATAL_FAILURE(clickOn(pageControl<guiButton>(d, "", "Actions")));
        menuItem(d, name);
    }
    // The screen point x per cent across and y per cent up the curve editor's plot box.
    static CPoint plotPoint(picGuiCurve& curve, double x, double y)
    {
        const CRect& plot = curve.GetEditor().PlotBox();
        CPoint at(plot.left + int(plot.Width() * x / 100), plot.bottom - int(plot.Height() * y / 100));
        curve.ClientToScreen(&at);
        return at;
    }
    static void drag(CPoint from, CPoint to)
    {
        plat::headless::mouseMove(from.x, from.y);
        pump();
        plat::headless::mouseButton(0, true);
        pump();
        plat::headless::mouseMove(to.x, to.y);
        pump();
        plat::headless::mouseButton(0, false);
        pump();
    }
    // The middle of node's check box in the tree, in screen coordinates.
    static CPoint checkBoxOf(ScriptedDlg& d, picNode* node)
    {
        auto* draw = dynamic_cast<guiTreeViewDraw*>(d.GetTree().GetDraw());
        HWND host = d.GetTree().tcGetHwnd();
        CRect client;
        GetClientRect(host, &client);
        for (int y = 0; draw && y < client.bottom; ++y)
            for (int x = 0; x < client.right; ++x) {
                guiTreeViewPos pos;
                guiTreeHit part = guiTreeHit_Item;
                if (draw->hitTest(CPoint(x, y), pos, part) && part == guiTreeHit_Check
                    && pos.level->Item(pos.index).Node() == static_cast<IguiTreeNode*>(node)) {
                    CPoint at(x + 3, y + 3);
                    ClientToScreen(host, &at);
                    return at;
                }
            }
        return CPoint(-1, -1);
    }
};

TEST_F(PicMainEdits, EachEditIsStoredByTheNextTick)
{
    pictest::registerJpegPlugin();
    const std::string background = pictest::writeFile("sheet.jpg", vnt::test::jpegFile(160, 120, 0x808080));
    const std::string picf = (vnt::test::testHome() / "filter.picf").string();
    {
        guiTreeNodePtr treeRoot = gui::test::makeNode("tree");
        picCreateDefaultTree(treeRoot.Get());
        guiTreeNodePtr list = projectsOf(treeRoot.Get());
        picNodePtr filter, project = picProject::Make(), shown = picSourceImage::Make(),
                           left = picSourceImage::Make();
        picLightFilter::New(&filter);
        filter->SetText("Drawn");
        project->SetText("Assembly");
        shown->SetText("Shown");
        left->SetText("Left out");
        left->SetChecked(false);
        for (picNode* node : {filter.Get(), project.Get()})
            list->AddChild(static_cast<IguiTreeNode*>(node), 0);
        for (picNode* node : {shown.Get(), left.Get()})
            project->AddChild(static_cast<IguiTreeNode*>(node), 0);
        saveTreeToRegistry(treeRoot.Get());
    }
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        guiTreeNodePtr projects = projectsOf(d.GetTreeRoot());
        ASSERT_TRUE(vbDnWait(static_cast<IvbDnObject*>(projects.Get()), vbDnLoad, 60000, true));
        resizeClient(d, 900, 640);
        picNodePtr list = picNodeOf(static_cast<IguiTreeNode*>(projects.Get()));
        picNodePtr filter, project, shown, left;
        ASSERT_TRUE(list->FindChildByText("Drawn", &filter));
        ASSERT_TRUE(list->FindChildByText("Assembly", &project));
        ASSERT_TRUE(project->FindChildByText("Shown", &shown));
        ASSERT_TRUE(project->FindChildByText("Left out", &left));
        picGuiCurve& curve = static_cast<picLightFilter*>(filter.Get())->GetCurveEditor();
        auto doubleClick = [&](double x, double y) {
            const CPoint at = plotPoint(curve, x, y);
            plat::headless::click(at.x, at.y);
            plat::headless::click(at.x, at.y);
            pump();
        };
        auto firstPoint = [&] {
            const picCurveData data = curve.GetCurve().Snapshot();
            return data.points.empty() ? CPoint(-1, -1) : plotPoint(curve, data.points[0].x, data.points[0].y);
        };
        auto edit = [&](const char* hint) { return pageControl<guiMsEdit>(d, hint); };
        auto combo = [&](const char* hint) { return pageControl<guiMsComboBox>(d, hint); };
        vnt::test::ManualClock manual;
        const struct {
            const char* what;
            picNode* node;
            std::function<void()> edit;
        } rows[] = {
            {"a curve point placed", filter, [&] { doubleClick(30, 40); }},
            {"a second curve point placed", filter, [&] { doubleClick(70, 60); }},
            {"a curve point dragged", filter, [&] { drag(firstPoint(), firstPoint() + CSize(15, -20)); }},
            {"the plot box dragged", filter, [&] { drag(plotPoint(curve, 50, 90), plotPoint(curve, 45, 85)); }},
            {"a curve point deleted from its menu", filter,
                [&] {
                    const CPoint at = firstPoint();
                    plat::headless::mouseMove(at.x, at.y);
                    pump();
                    plat::headless::click(at.x, at.y, 1);
                    pump();
                    menuItem(d, "CurveDeletePt");
                }},
            {"every curve point deleted", filter,
                [&] {
                    plat::setMessageBoxAnswer(IDYES);
                    pageMenuItem(d, "CurveDeleteAll");
                }},
            {"the first axis box typed", filter,
                [&] { retype(edit("Light band pass minima or origin for graph (x axis)"), "420nm"); }},
            {"a background picture pasted into its box", filter,
                [&] {
                    plat::headless::setClipboardText(background.c_str());
                    clickOn(edit("Light filter background image path"));
                    plat::headless::key(VK_CONTROL, true);
                    plat::headless::keyPress('V');
                    plat::headless::key(VK_CONTROL, false);
                    for (int i = 0; i < 500 && curve.GetEditor().ImageRect().IsRectEmpty(); ++i) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(10));
                        pump();
                    }
                    ASSERT_FALSE(curve.GetEditor().ImageRect().IsRectEmpty()) << "the picture did not come";
                }},
            {"the background picture dragged", filter,
                [&] {
                    // Inside the picture, above the wide plot box.
                    const CRect image = curve.GetEditor().ImageRect();
                    const CRect plot = curve.GetEditor().PlotBox();
                    ASSERT_LT(image.top + 10, plot.top);
                    CPoint from(image.CenterPoint().x, (image.top + plot.top) / 2);
                    curve.ClientToScreen(&from);
                    drag(from, from + CSize(-6, 4));
                }},
            {"the filter renamed", filter, [&] { retype(edit("Light filter name"), "Long pass"); }},
            {"an image left out of the result", shown,
                [&] {
                    const CPoint box = checkBoxOf(d, shown);
                    ASSERT_GE(box.x, 0) << "no check box in the tree";
                    plat::headless::click(box.x, box.y);
                    pump();
                }},
            {"a left-out image's filter chosen", left,
                [&] { choose(combo("Image monochromatic filter used to make this image"), "Simple RED filter"); }},
            {"a left-out image's factor typed", left, [&] { retype(pageControl<guiMsEdit>(d, "", "100%"), "150"); }},
            {"a left-out image's filter type chosen", left,
                [&] { choose(combo("Image filter type used to make this image"), "RGB filters"); }},
            {"a project's filter type chosen", project,
                [&] { choose(combo("Project filter type used to make this image"), "Monochromatic filter"); }},
            {"a project's filter chosen", project,
                [&] { choose(combo("Project monochromatic filter used to make this image"), "Long pass"); }},
            {"a project renamed", project, [&] { retype(edit("Project name"), "Sky"); }},
            {"a filter exported", filter,
                [&] {
                    plat::setFileDialogAnswers({{false, {picf}}});
                    pageMenuItem(d, "Export");
                }},
            {"a filter copied and pasted", list,
                [&] {
                    d.showNode(filter);
                    pageMenuItem(d, "Copy");
                    d.showNode(list);
                    pageMenuItem(d, "Paste");
                }},
            {"a file imported", list,
                [&] {
                    plat::setFileDialogAnswers({{false, {picf}}});
                    pageMenuItem(d, "ImportUnder");
                }},
        };
        for (const auto& row : rows) {
            SCOPED_TRACE(row.what);
            d.showNode(row.node);
            pump();
            const std::string before = live(row.node);
            row.edit();
            pump();
            EXPECT_NE(live(row.node), before) << "the edit changed nothing";
            manual.advance(picTreeAutoSave::kPeriodMs);
            pump();
            EXPECT_EQ(stored(row.node), live(row.node));
            plat::resetMessageBoxPolicy();
        }
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
}

// The action menu of a node: the menu style followed by the node's own mark-up, in a popup of the
// action button; built again only when the text or the node's menu stamp moved.
TEST_F(PicMainTree, ARightClickOpensTheNodesMenuWhichIsReusedUntilItsStampMoves)
{
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        resizeClient(d, 600, 300);
        picNodePtr projects = picNodeOf(static_cast<IguiTreeNode*>(projectsOf(d.GetTreeRoot()).Get()));
        ASSERT_FALSE(projects.IsNull());
        guiTREESUBOPCB& command = d.GetActionButton().OnTreeClickCB();
        vbtest::expectThrown<vbEsys>([&] { command.Call(nullptr, nullptr, false, false); }, E_POINTER,
            "T* vbRefPtr()::operator->() const, pointer is NULL !");
        // "Projects", the first row of the tree.
        const HWND tree = d.GetTree().GetSafeHwnd();
        ::SendMessageA(tree, WM_RBUTTONDOWN, 0x0002, MAKELPARAM(60, 12));
        ::SendMessageA(tree, WM_RBUTTONUP, 0, MAKELPARAM(60, 12));
        pump();
        ASSERT_NE(d.GetMenuRoot(), nullptr) << "no menu opened";
        EXPECT_TRUE(d.GetActionButton().IsPopupOpen());
        vbString markup;
        projects->GetMenuMarkup(&d, markup);
        guiTreeNodePtr expected = gui::test::loadMarkup(markup.c_str());
        EXPECT_EQ(gui::test::childNames(d.GetMenuRoot()), gui::test::childNames(expected.Get()));
        EXPECT_NE(gui::test::childNames(d.GetMenuRoot()).find("AddFolder"), std::string::npos);

        guiTreeNode* first = d.GetMenuRoot();
        EXPECT_TRUE(d.openNodeMenu(projects.Get(), nullptr));
        EXPECT_EQ(d.GetMenuRoot(), first) << "nothing changed: the same menu";
        projects->TouchMenu();
        EXPECT_TRUE(d.openNodeMenu(projects.Get(), nullptr));
        EXPECT_NE(d.GetMenuRoot(), first) << "a new stamp: built again";

        // A menu item's click runs its command on the node: here the import asks for a file.
        guiTreeNodeRef item;
        for (int i = 1; d.GetMenuRoot()->GetChild(i, &item); ++i)
            if (item->GetName() == "ImportUnder")
                break;
        ASSERT_FALSE(item.IsNull());
        EXPECT_TRUE(command.Call(nullptr, item.Get(), false, false));
        const auto records = plat::fileDialogRecords();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].title, "Choose a picf file to import...");

        // Moving the window closes the menu.
        CRect place;
        d.GetWindowRect(&place);
        d.SetWindowPos(nullptr, place.left + 10, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        pump();
        EXPECT_FALSE(d.GetActionButton().IsPopupOpen());
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
}

// The page's Actions button opens the node's menu at its own place; once the menu is gone, by a
// row's command or by a click in the tree, the button shows its caption as before.
TEST_F(PicMainTree, ThePagesActionsButtonShowsItsCaptionAgainOnceItsMenuCloses)
{
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        POINT onButton{};
        guiButton* actions = projectsActions(d, onButton);
        ASSERT_NE(actions, nullptr);
        ASSERT_EQ(std::string(actions->tcGetText()), "Actions");
        // The caption's colour; the fixed test font draws each letter as a box of it.
        auto caption = [&] {
            CRect client;
            actions->GetClientRect(&client);
            int n = 0;
            for (int y = 0; y < client.Height(); ++y)
                for (int x = 0; x < client.Width(); ++x)
                    n += pixel(*actions, x, y) == 0xFF0000 ? 1 : 0;
            return n;
        };
        const int shown = caption();
        ASSERT_GT(shown, 0);
        CRect place;
        actions->GetWindowRect(&place);
        CRect tree;
        d.GetTree().GetWindowRect(&tree);

        // The menu's last row, "Save all to file", asks for a file (and is cancelled).
        auto lastRow = [&] {
            CRect popup;
            ::GetWindowRect(WindowFromPoint(POINT{place.left + 20, place.bottom + 5}), &popup);
            return POINT{popup.left + 30, popup.bottom - 6};
        };
        auto inTree = [&] { return POINT{tree.left + 60, tree.top + 12}; }; // "Projects", shown already
        const struct {
            const char* how;
            std::function<POINT()> closeAt;
            size_t filesAsked;
        } closings[] = {{"a click in the tree", inTree, 0}, {"a row", lastRow, 1}};
        for (const auto& c : closings) {
            SCOPED_TRACE(c.how);
            plat::headless::click(onButton.x, onButton.y);
            pump();
            ASSERT_TRUE(d.GetActionButton().IsPopupOpen());
            EXPECT_EQ(WindowFromPoint(onButton), actions->GetSafeHwnd()) << "the menu's button lies under the page";
            const size_t asked = plat::fileDialogRecords().size();
            const POINT at = c.closeAt();
            plat::headless::click(at.x, at.y);
            pump();
            EXPECT_FALSE(d.GetActionButton().IsPopupOpen());
            EXPECT_EQ(plat::fileDialogRecords().size(), asked + c.filesAsked);
            EXPECT_EQ(caption(), shown);
        }
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
}

// What a click opened on a project's page, its filter-type list or its action menu, stays open and
// drawn as it was while the row of the project's failed assembly leaves the strip after its minute
// and the page is laid out again in the room the strip gave back. Escape then closes it alone; a
// second Escape closes the window.
TEST_F(PicMainTree, WhatAPageOpenedOutlivesTheStripsRowAndTakesTheFirstEscape)
{
    struct Case {
        const char* what;
        int y; // in the page: the Actions button is its first row, the filter type its fourth
    };
    for (const Case c : {Case{"filter-type list", 3 * 20 + 10}, Case{"action menu", 10}}) {
        SCOPED_TRACE(c.what);
        ScriptedDlg dlg;
        HWND opened = nullptr;
        bool firstEscapeSeen = false;
        dlg.script = [&](ScriptedDlg& d) {
            resizeClient(d, 600, 300);
            picNodeOf(static_cast<IguiTreeNode*>(projectsOf(d.GetTreeRoot()).Get()))->OnMenuCommand(&d, "AddRGBproject");
            guiProgress& strip = *d.getProgress();
            const auto settled = [&](const std::function<bool()>& done) {
                for (int i = 0; i < 500 && !done(); ++i) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    pump();
                }
                return done();
            };
            ASSERT_TRUE(settled([&] { return bool(strip.tcGetVisible()); })) << "no row of the failed assembly";

            CRect box;
            d.GetPropertyBox().GetWindowRect(&box);
            const POINT at{box.left + 20, box.top + c.y};
            const HWND opener = WindowFromPoint(at);
            plat::headless::click(at.x, at.y);
            pump();
            CRect below;
            ::GetWindowRect(opener, &below);
            opened = WindowFromPoint(POINT{below.left + 10, below.bottom + 5});
            ASSERT_NE(opened, opener);
            ASSERT_NE(::GetParent(opened), ::GetParent(opener)) << "nothing opened below";
            // Where it stands and how much of it is in black (the test font's letters, as boxes)
            // and in the highlight.
            const auto shown = [&] {
                CRect r;
                ::GetWindowRect(opened, &r);
                int black = 0, lit = 0;
                for (int y = 0; y < r.Height(); ++y)
                    for (int x = 0; x < r.Width(); ++x) {
                        const COLORREF colour = plat::headless::windowPixel(opened, x, y);
                        black += colour == RGB(0, 0, 0) ? 1 : 0;
                        lit += colour == GetSysColor(COLOR_HIGHLIGHT) ? 1 : 0;
                    }
                std::ostringstream out;
                out << (::IsWindowVisible(opened) ? "shown at " : "hidden at ") << text(r) << ", " << black
                    << " black, " << lit << " lit";
                return out.str();
            };
            const std::string before = shown();
            ASSERT_EQ(before.rfind("shown at " + std::to_string(below.left) + "," + std::to_string(below.bottom), 0),
                0u) << before;
            ASSERT_EQ(before.find(", 0 black"), std::string::npos) << before;

            vnt::test::ManualClock manual;
            manual.advance(60000);
            EXPECT_TRUE(settled([&] { return !strip.tcGetVisible(); })) << "the row stayed";
            EXPECT_EQ(rectOf(d.GetPropertyBox()), "226,3 371x294") << "the page did not get the strip's room";
            EXPECT_EQ(shown(), before);
            plat::headless::keyPress(VK_ESCAPE);
        };
        dlg.then = [&](ScriptedDlg& d) {
            firstEscapeSeen = true;
            EXPECT_FALSE(::IsWindowVisible(opened));
            EXPECT_TRUE(::IsWindowVisible(d.m_hWnd));
            plat::headless::keyPress(VK_ESCAPE);
            d.then = [](ScriptedDlg&) { ADD_FAILURE() << "the second Escape left the window"; };
        };
        EXPECT_EQ(dlg.DoModal(true), IDCANCEL);
        EXPECT_TRUE(firstEscapeSeen) << "the first Escape closed the window";
    }
}

// The menu of "Projects" has one size at every opening, from the first, while its icons are still
// on their way, and one line a row: a row wraps only at the screen's width.
TEST_F(PicMainTree, TheProjectsMenuHasOneSizeAndOneLineARowAtEveryOpening)
{
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        POINT onButton{};
        guiButton* actions = projectsActions(d, onButton);
        ASSERT_NE(actions, nullptr);
        CRect place;
        actions->GetWindowRect(&place);
        CRect tree;
        d.GetTree().GetWindowRect(&tree);
        CRect first;
        for (int opening = 0; opening < 20; ++opening) {
            SCOPED_TRACE(opening);
            plat::headless::click(onButton.x, onButton.y);
            pump();
            ASSERT_TRUE(d.GetActionButton().IsPopupOpen());
            auto* popup = dynamic_cast<guiPopupTreeCtrl*>(
                CWnd::FromHandlePermanent(WindowFromPoint(POINT{place.left + 20, place.bottom + 5})));
            ASSERT_NE(popup, nullptr);
            CRect now;
            popup->GetWindowRect(&now);
            if (opening == 0)
                first = now;
            EXPECT_EQ(now, first);
            // The test font's line is 13 high, an icon 16, a separator 8; every row adds 2.
            int oneLineRows = 0;
            guiTreeNodeRef item;
            for (int i = 1; d.GetMenuRoot()->GetChild(i, &item); ++i)
                oneLineRows += item->GetType() == guiNodeType_Sep ? 10 : item->GetIcon().IsEmpty() ? 15 : 18;
            EXPECT_EQ(popup->GetTreeSize().cy, oneLineRows);
            plat::headless::click(tree.left + 60, tree.top + 12);
            pump();
            ASSERT_FALSE(d.GetActionButton().IsPopupOpen());
        }
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
}

// The image view of the main window, on source images whose pages were never opened.
class PicMainViewDlg : public PicMainDlg {
protected:
    void SetUp() override
    {
        PicMainDlg::SetUp();
        pictest::registerJpegPlugin();
        for (const char* name : {"a", "b"}) {
            picNodePtr node = picSourceImage::Make();
            node->SetText(name);
            const std::string file = pictest::writeFile(std::string(name) + ".jpg", vnt::test::jpegFile(40, 30, 0xFF00FF));
            static_cast<picSourceImage*>(node.Get())->SetPath(file.c_str());
            images.push_back(node);
        }
    }
    void TearDown() override
    {
        images.clear();
        PicMainDlg::TearDown();
    }

    static std::string title(HWND hwnd)
    {
        char text[256] = "";
        GetWindowTextA(hwnd, text, sizeof text);
        return text;
    }
    // Pumps while other threads deliver, until done() holds or five seconds have gone.
    static bool pumpUntil(const std::function<bool()>& done)
    {
        for (int i = 0; i < 500 && !done(); ++i) {
            pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pump();
        return done();
    }

    // The view's picture arrives from the download centre's workers.
    static bool waitForPicture(CPicFlorvaneViewDlg& view)
    {
        return pumpUntil([&] { return view.GetBox().GetPicture().HasBitmap(); });
    }

    // The view's text once its picture's load has ended one way or the other: neither loading
    // nor there.
    static vbString settledText(CPicFlorvaneViewDlg& view)
    {
        picGuiBox& box = view.GetBox();
        pumpUntil([&] { return box.tcGetText() != vbString("Loading image...") || box.GetPicture().HasBitmap(); });
        return box.tcGetText();
    }

    // The pixels of the view's words, which are black on its grey.
    static int textPixels(CPicFlorvaneViewDlg& view)
    {
        CRect client;
        view.GetClientRect(&client);
        int n = 0;
        for (int y = 0; y < client.Height(); ++y)
            for (int x = 0; x < client.Width(); ++x)
                n += pixel(view, x, y) == RGB(0, 0, 0) ? 1 : 0;
        return n;
    }

    std::vector<picNodePtr> images;
};

TEST_F(PicMainViewDlg, OneViewFollowsTheLastNodeAndShowsItsOwnPictureFile)
{
    ScriptedDlg dlg;
    HWND viewWnd = nullptr;
    dlg.script = [&](ScriptedDlg& d) {
        d.showImageView(images[0].Get());
        CPicFlorvaneViewDlg* view = d.GetImageView();
        ASSERT_NE(view, nullptr);
        d.showImageView(images[1].Get());
        pump();
        EXPECT_EQ(d.GetImageView(), view);
        viewWnd = view->m_hWnd;
        EXPECT_TRUE(::IsWindowVisible(viewWnd));
        EXPECT_EQ(title(viewWnd), "image 'b'");
        EXPECT_EQ(::GetParent(viewWnd), d.m_hWnd);
        ASSERT_TRUE(waitForPicture(*view));
        CRect client;
        view->GetClientRect(&client);
        EXPECT_TRUE(pictest::near(pixel(*view, client.Width() / 2, client.Height() / 2), RGB(255, 0, 255)));
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
    EXPECT_FALSE(::IsWindow(viewWnd)) << "closing the main window takes the view with it";
    EXPECT_EQ(dlg.GetImageView(), nullptr);
}

// The view shows what the project's page shows now, its preview, and not the result it saved
// before a change; with neither a preview nor a file it says that there is no picture yet.
TEST_F(PicMainViewDlg, AProjectsViewShowsItsCurrentPreviewElseThatThereIsNone)
{
    picNodePtr project = picProject::Make();
    auto* proj = static_cast<picProject*>(project.Get());
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        d.showImageView(proj);
        CPicFlorvaneViewDlg* view = d.GetImageView();
        ASSERT_NE(view, nullptr);
        pump();
        EXPECT_EQ(view->GetBox().tcGetText(), vbString("No picture to show yet"));
        EXPECT_GT(textPixels(*view), 0);

        // The saved result is magenta; the one made since is green.
        proj->SetPath(static_cast<picSourceImage*>(images[0].Get())->GetFilePath());
        proj->StartWork(&d);
        ASSERT_TRUE(vbDnWait(proj, vbDnLoad, 30000, true));
        picGuiImageObject* result = proj->GetResult();
        ASSERT_NE(result, nullptr);
        pictest::deliver(result, vnt::test::jpegFile(40, 30, 0x00FF00));
        result->SetLoadState(true, true);
        d.showImageView(proj);
        ASSERT_TRUE(waitForPicture(*view));
        EXPECT_EQ(view->GetBox().tcGetText(), vbString());
        const auto green = [&] {
            CRect client;
            view->GetClientRect(&client);
            return pictest::near(pixel(*view, client.Width() / 2, client.Height() / 2), RGB(0, 255, 0));
        };
        EXPECT_TRUE(green());

        // An image without a picture in the same window, then the project again.
        auto* image = static_cast<picSourceImage*>(images[0].Get());
        image->SetPath("");
        d.showImageView(image);
        pump();
        EXPECT_FALSE(green()) << "the project's picture stayed under the image's words";
        EXPECT_GT(textPixels(*view), 0);
        d.showImageView(proj);
        pump();
        EXPECT_TRUE(green());
        EXPECT_EQ(textPixels(*view), 0);
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
    project->Destroy();
}

// An image whose file cannot be read, or is gone, shows no grey window without a word: the view
// says why, as the image's page does.
TEST_F(PicMainViewDlg, AnImageThatCannotBeReadSaysWhyInItsView)
{
    const std::string unreadable = pictest::writeFile("unreadable.jpg", {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'g'});
    const std::string gone = (std::filesystem::path(unreadable).parent_path() / "gone.jpg").string();
    const struct {
        std::string file;
        std::string says;
    } cases[] = {
        {unreadable, "Load failed: Can't read image file '" + unreadable + "'"},
        {gone, "Load failed: can't find file '" + gone + "'"},
    };
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.file);
            auto* image = static_cast<picSourceImage*>(images[0].Get());
            image->SetPath(c.file.c_str());
            image->OnMenuCommand(&d, "View");
            CPicFlorvaneViewDlg* view = d.GetImageView();
            ASSERT_NE(view, nullptr);
            const std::string said = settledText(*view).c_str();
            EXPECT_EQ(said.substr(0, c.says.size()), c.says);
            EXPECT_FALSE(view->GetBox().GetPicture().HasBitmap());
            EXPECT_GT(textPixels(*view), 0);
        }
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
}

// A project whose assembly failed says so with the reason, and never shows the result it saved
// before as if it were the result.
TEST_F(PicMainViewDlg, AFailedAssemblySaysWhyAndShowsNoOlderResult)
{
    picNodePtr project = picProject::Make();
    auto* proj = static_cast<picProject*>(project.Get());
    const std::string saved = pictest::writeFile("saved.jpg", vnt::test::jpegFile(40, 30, 0xFF00FF));
    proj->SetPath(saved.c_str());
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        proj->StartWork(&d);
        ASSERT_TRUE(vbDnWait(proj, vbDnLoad, 30000, true));
        const vbString failure = proj->GetWorkFailure();
        ASSERT_FALSE(failure.IsEmpty()) << "a project without images assembles nothing";
        proj->OnMenuCommand(&d, "View");
        CPicFlorvaneViewDlg* view = d.GetImageView();
        ASSERT_NE(view, nullptr);
        pump();
        EXPECT_EQ(view->GetBox().tcGetText(), "Assembly failed: " + failure);
        EXPECT_GT(textPixels(*view), 0);
        EXPECT_TRUE(view->GetBox().GetPicture().GetUrl().IsEmpty()) << "the result saved before is loaded";
        EXPECT_FALSE(view->GetBox().GetPicture().HasBitmap()) << "the result saved before is shown";
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
    project->Destroy();
}

// A view opened while its picture is still coming says so in words, as the node's page does: an
// image whose file loads, a project whose assembly runs (held on its source's load). It shows the
// picture when it comes, or why it did not: a second source that cannot be read fails the assembly.
TEST_F(PicMainViewDlg, WhileItsPictureComesTheViewSaysSoThenShowsItOrWhyNot)
{
    pic::test::HeldLoads held;
    const std::string unreadable = pictest::writeFile("unreadable.jpg", {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'g'});
    const auto source = [](const std::string& file) {
        picNodePtr node = picSourceImage::Make();
        auto* image = static_cast<picSourceImage*>(node.Get());
        image->SetSourceFile(file.c_str());
        image->SetFilterType(picImageHolder::kRgb);
        return node;
    };
    const struct {
        const char* name;
        int sources; // 0: the held image itself is viewed; 2: the second cannot be read
        const char* says;
        const char* then; // null: the picture
    } cases[] = {
        {"image", 0, "Loading image...", nullptr},
        {"project", 1, "Processing image...", nullptr},
        {"failing project", 2, "Processing image...", "Assembly failed: Image unreadable can't be read"},
    };
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            held.close();
            // A file of its own: a picture loaded before is kept by the download centre.
            const std::string heldFile =
                pictest::writeFile(std::string(c.name) + ".hold", pic::test::HeldLoads::file(20 * 8192));
            picNodePtr node = c.sources == 0 ? source(heldFile) : picProject::Make();
            for (int i = 1; i <= c.sources; ++i) {
                picNodePtr image = source(i == 1 ? heldFile : unreadable);
                pic::test::attach(node.Get(), image.Get());
                const char* bands[3] = {"!red", "!green", "!blue"};
                for (int k = 1; k <= 3; ++k) {
                    picChannelFilter band;
                    band.SetKey(bands[k - 1]);
                    static_cast<picImageHolder*>(node.Get())->SetChannel(k, band);
                    static_cast<picImageHolder*>(image.Get())->SetChannel(k, band);
                }
            }
            auto* project = dynamic_cast<picProject*>(node.Get());
            if (project)
                project->StartWork(&d);
            node->OnMenuCommand(&d, "View");
            CPicFlorvaneViewDlg* view = d.GetImageView();
            ASSERT_NE(view, nullptr);
            // The held picture is one pixel, and the window was fitted to the one shown before.
            resizeClient(*view, 400, 300);
            ASSERT_TRUE(pumpUntil([&] { return held.waiting() > 0; })) << "the load is not held";
            pump();
            EXPECT_EQ(view->GetBox().tcGetText(), vbString(c.says));
            EXPECT_GT(textPixels(*view), 0);

            held.open();
            if (!c.then) {
                EXPECT_TRUE(waitForPicture(*view));
                EXPECT_EQ(view->GetBox().tcGetText(), vbString());
            } else {
                EXPECT_TRUE(pumpUntil([&] { return view->GetBox().tcGetText() != vbString(c.says); }));
                EXPECT_EQ(std::string(view->GetBox().tcGetText()).substr(0, std::strlen(c.then)), c.then);
                EXPECT_GT(textPixels(*view), 0);
            }
            if (project) {
                ASSERT_TRUE(vbDnWait(project, vbDnLoad, 30000, true));
            }
            node->Destroy();
        }
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
}

// The view opens at the picture's own size where the screen has room for it, else as large as
// the screen allows, the picture scaled down with its proportions, and on the screen.
TEST_F(PicMainViewDlg, TheViewOpensAtThePicturesSizeOrAsLargeAsTheScreenAllows)
{
    const int screenX = GetSystemMetrics(SM_CXSCREEN), screenY = GetSystemMetrics(SM_CYSCREEN);
    const struct {
        int cx, cy;
        bool whole;
    } cases[] = {{40, 30, true}, {screenX / 2, screenY / 2, true}, {screenX * 2, screenY, false}};
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(c.cx) + "x" + std::to_string(c.cy));
            const std::string file = pictest::writeFile(
                "sized" + std::to_string(c.cx) + ".jpg", vnt::test::jpegFile(c.cx, c.cy, 0x00FF00));
            auto* image = static_cast<picSourceImage*>(images[0].Get());
            image->SetPath(file.c_str());
            image->OnMenuCommand(&d, "View");
            CPicFlorvaneViewDlg* view = d.GetImageView();
            ASSERT_NE(view, nullptr);
            ASSERT_TRUE(waitForPicture(*view));
            // The window is fitted on the message its picture's arrival posts.
            CRect window, client;
            const auto fitted = [&] {
                view->GetWindowRect(&window);
                view->GetClientRect(&client);
                return c.whole ? client.Width() == c.cx : window.Width() == screenX;
            };
            for (int i = 0; i < 500 && !fitted(); ++i) {
                pump();
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            EXPECT_GE(window.left, 0);
            EXPECT_GE(window.top, 0);
            EXPECT_LE(window.right, screenX);
            EXPECT_LE(window.bottom, screenY);
            if (c.whole) {
                EXPECT_EQ(client.Width(), c.cx);
                EXPECT_EQ(client.Height(), c.cy);
            } else {
                EXPECT_EQ(window.Width(), screenX);
                EXPECT_NEAR(double(client.Width()) / client.Height(), double(c.cx) / c.cy, 0.02);
            }
        }
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
}

TEST_F(PicMainViewDlg, ClosingTheMainWindowEndsItsLoopAndTakesTheViewAlong)
{
    ScriptedDlg dlg;
    HWND viewWnd = nullptr;
    dlg.script = [&](ScriptedDlg& d) {
        d.showImageView(images[0].Get());
        ASSERT_TRUE(waitForPicture(*d.GetImageView()));
        viewWnd = d.GetImageView()->m_hWnd;
        d.SendMessage(WM_CLOSE);
        EXPECT_EQ(d.GetImageView(), nullptr);
        EXPECT_FALSE(::IsWindow(viewWnd));
    };
    EXPECT_EQ(dlg.DoModal(true), IDCANCEL);
}

TEST_F(PicMainViewDlg, ClosingWhileThePictureLoadsEnds)
{
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        d.showImageView(images[0].Get());
        d.showImageView(images[1].Get());
        d.SendMessage(WM_CLOSE);
    };
    EXPECT_EQ(dlg.DoModal(true), IDCANCEL);
}

// The view takes the keys once it is up, as a question box does: Escape closes it and goes no
// further, so the main window stays.
TEST_F(PicMainViewDlg, EscapeClosesTheViewAndOnlyTheView)
{
    ScriptedDlg dlg;
    HWND view = nullptr;
    dlg.script = [&](ScriptedDlg& d) {
        pump(); // the main window is shown first
        images[0]->OnMenuCommand(&d, "View");
        ASSERT_NE(d.GetImageView(), nullptr);
        view = d.GetImageView()->m_hWnd;
        pump();
        EXPECT_EQ(::GetActiveWindow(), view);
        plat::headless::keyPress(VK_ESCAPE);
    };
    dlg.then = [&](ScriptedDlg& d) {
        EXPECT_FALSE(::IsWindow(view));
        EXPECT_EQ(d.GetImageView(), nullptr);
        EXPECT_TRUE(::IsWindowVisible(d.m_hWnd));
        EXPECT_EQ(::GetActiveWindow(), d.m_hWnd);
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
}

TEST_F(PicMainViewDlg, ADoubleClickClosesTheViewAndTheNextViewIsANewOne)
{
    ScriptedDlg dlg;
    dlg.script = [&](ScriptedDlg& d) {
        d.showImageView(images[0].Get());
        ASSERT_TRUE(waitForPicture(*d.GetImageView()));
        HWND first = d.GetImageView()->m_hWnd;
        ::PostMessageA(first, WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
        pump();
        EXPECT_FALSE(::IsWindow(first));
        EXPECT_EQ(d.GetImageView(), nullptr);

        d.showImageView(images[1].Get());
        pump();
        ASSERT_NE(d.GetImageView(), nullptr);
        EXPECT_TRUE(::IsWindowVisible(d.GetImageView()->m_hWnd));
        EXPECT_EQ(title(d.GetImageView()->m_hWnd), "image 'b'");
        EXPECT_TRUE(waitForPicture(*d.GetImageView()));
    };
    EXPECT_EQ(dlg.DoModal(true), 0);
}

} // namespace
