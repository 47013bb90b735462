// The main window's private messages and what other threads and instances send it: the change
// pass, the page of a node, the stop and show requests, the handed-over files and their import.
// Everything runs inside the window's own modal loop on the headless screen, and the other
// instance's messages travel through the process's real message queue.

#include "PicMainBed.h"
#include "picInstanceMsg.h"
#include "picProject.h"
#include "picSourceImage.h"

#include "LogFileReader.h"

#include "vbExceptionReport.h"
#include "vbSharedQueue.h"
#include "vbVantMsgEngine.h"

#include "guiMsComboBox.h"
#include "guiMsEdit.h"

#include "plat/headless.h"
#include "plat/msgbox.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using pic::test::CountingPtr;
using pic::test::makeCounting;
using pic::test::ScriptedMain;

// The controls of the shown page, in the order the page made them.
template <class Control>
std::vector<Control*> pageControls(ScriptedMain& d)
{
    std::vector<Control*> found;
    for (HWND hwnd = GetWindow(d.GetPropertyBox().tcGetHwnd(), GW_CHILD); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
        if (auto* control = dynamic_cast<Control*>(CWnd::FromHandlePermanent(hwnd)))
            found.push_back(control);
    return found;
}

class PicMainMessages : public pic::test::PicMainBed {
protected:
    // A block from "another instance", through this process's own queue.
    static void sendBlock(const std::string& command, int32_t count, const std::vector<std::string>& files)
    {
        std::string bytes;
        auto put32 = [&](uint32_t v) {
            for (int i = 0; i < 4; ++i)
                bytes += char((v >> (8 * i)) & 0xFF);
        };
        put32(uint32_t(command.size()));
        bytes += command;
        put32(uint32_t(count));
        for (const std::string& f : files) {
            put32(uint32_t(f.size()));
            bytes += f;
        }
        g_vbVantMsgEngine.Post(vbSharedQueue::kSelf, g_picInstanceDataMsg, bytes.data(), int(bytes.size()), 0,
            0);
    }
};

TEST_F(PicMainMessages, ChangesComeTogetherInOnePassAndAChangeDuringTheWalkGivesOneMoreIteration)
{
    run([&](ScriptedMain& d) {
        for (int i = 0; i < 10; ++i)
            d.notifyChange();
        pump();
        EXPECT_EQ(d.passPosts, 1);
        EXPECT_EQ(projects->walks, 1);

        projects->onWalk = [&] {
            if (projects->walks == 2)
                d.notifyChange();
        };
        d.notifyChange();
        pump();
        EXPECT_EQ(d.passPosts, 2);
        EXPECT_EQ(projects->walks, 3);

        // Quiet again: the next change posts again.
        d.notifyChange();
        pump();
        EXPECT_EQ(d.passPosts, 3);
        EXPECT_EQ(projects->walks, 4);
        return true;
    });
}

TEST_F(PicMainMessages, ThePageOfANodeIsBuiltOncePerStampAndDroppedWhenAnotherIsShown)
{
    CountingPtr mars = makeCounting("Mars");
    CountingPtr venus = makeCounting("Venus");
    run([&](ScriptedMain& d) {
        pic::test::attach(projects, mars);
        pic::test::attach(projects, venus);
        d.showNode(mars);
        EXPECT_EQ(d.title(), "Mars - PicFlorvane...");
        EXPECT_EQ(mars->builds, 1);
        picNodePtr shown;
        EXPECT_TRUE(d.GetShownNode(&shown));
        EXPECT_EQ(shown.Get(), static_cast<picNode*>(mars.Get()));

        // Shown, stamp unmoved: nothing is rebuilt.
        d.showNode(mars);
        EXPECT_EQ(mars->builds, 1);
        // A moved stamp rebuilds the page of the same node without dropping it.
        mars->TouchDisplay();
        d.showNode(mars);
        EXPECT_EQ(mars->builds, 2);
        EXPECT_EQ(mars->drops, 0);

        // A change of the shown node refreshes its page in place; others change nothing.
        d.onNodeChanged(venus);
        d.onNodeChanged(nullptr);
        pump();
        EXPECT_EQ(mars->refreshes, 0);
        d.onNodeChanged(mars);
        pump();
        EXPECT_EQ(mars->refreshes, 1);
        // So does a new size of the property box, once per size.
        CRect window;
        d.GetWindowRect(&window);
        d.SetWindowPos(nullptr, 0, 0, window.Width() + 40, window.Height() + 30, SWP_NOMOVE | SWP_NOZORDER);
        pump();
        EXPECT_EQ(mars->refreshes, 2);
        d.SetWindowPos(nullptr, window.left + 10, window.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        pump();
        EXPECT_EQ(mars->refreshes, 2);

        d.showNode(venus);
        // The tree's own selection comes back through its callback, and finds the page shown.
        pump();
        EXPECT_EQ(d.title(), "Venus - PicFlorvane...");
        EXPECT_EQ(mars->drops, 1);
        EXPECT_EQ(venus->builds, 1);

        d.showNode(nullptr);
        EXPECT_EQ(d.title(), "PicFlorvane...");
        EXPECT_EQ(venus->drops, 1);
        EXPECT_FALSE(d.GetShownNode(&shown));
        // With nothing shown, only a change of "whatever is shown" refreshes, and finds no page.
        d.onNodeChanged(nullptr);
        pump();
        EXPECT_EQ(venus->refreshes + mars->refreshes, 2);
        return true;
    });
}

// Told that a node under a parent was destroyed, the window gives the page of that node, or of a
// node under it, over to the former parent; any other shown page stays as it was.
TEST_F(PicMainMessages, ADeletedNodesPageGivesWayToItsFormerParentAndOtherPagesStay)
{
    CountingPtr mars = makeCounting("Mars");
    CountingPtr moon = makeCounting("Moon");
    CountingPtr venus = makeCounting("Venus");
    run([&](ScriptedMain& d) {
        pic::test::attach(projects, mars);
        pic::test::attach(mars, moon);
        pic::test::attach(projects, venus);
        d.showNode(venus);
        mars->Destroy();
        d.onNodeDeleted(projects);
        EXPECT_EQ(d.title(), "Venus - PicFlorvane...");
        EXPECT_EQ(venus->builds, 1);
        EXPECT_EQ(venus->drops, 0);

        CountingPtr io = makeCounting("Io");
        pic::test::attach(venus, io);
        d.showNode(io);
        venus->Destroy();
        d.onNodeDeleted(projects);
        EXPECT_EQ(d.title(), "Projects - PicFlorvane...");
        picNodePtr shown;
        EXPECT_TRUE(d.GetShownNode(&shown));
        EXPECT_EQ(shown.Get(), static_cast<picNode*>(projects.Get()));

        // The list's last child shown and deleted: the list's own level goes with it, and the tree
        // selects the list all the same.
        CountingPtr pluto = makeCounting("Pluto");
        pic::test::attach(projects, pluto);
        d.showNode(pluto);
        auto selected = [&] {
            guiTreeNodeRef node;
            d.GetTree().GetSelected(&node, nullptr);
            return node.IsNull() ? std::string("(none)") : std::string(node->GetText());
        };
        pump();
        EXPECT_EQ(selected(), "Pluto");
        pluto->Destroy();
        d.onNodeDeleted(projects);
        pump();
        EXPECT_EQ(d.title(), "Projects - PicFlorvane...");
        EXPECT_EQ(selected(), "Projects");
        return true;
    });
    EXPECT_EQ(boxTexts(), std::vector<std::string>());
}

// The title follows the name typed into the shown node's name box, and a rename of a node that
// is not shown leaves it alone.
TEST_F(PicMainMessages, TheTitleFollowsARenameOfTheShownNode)
{
    CountingPtr mars = makeCounting("Mars");
    run([&](ScriptedMain& d) {
        pic::test::attach(projects, mars);
        d.showNode(mars);
        pump();
        std::vector<guiMsEdit*> edits = pageControls<guiMsEdit>(d);
        EXPECT_EQ(edits.size(), 1u);
        if (edits.empty())
            return true;
        CRect name;
        edits[0]->tcGetRect(name, true);
        plat::headless::click(name.CenterPoint().x, name.CenterPoint().y);
        plat::headless::keyPress(VK_END);
        plat::headless::typeText(" II");
        pump();
        EXPECT_EQ(std::string(mars->GetText()), "Mars II");
        EXPECT_EQ(d.title(), "Mars II - PicFlorvane...");

        projects->SetText("All projects");
        d.onNodeChanged(projects);
        pump();
        EXPECT_EQ(d.title(), "Mars II - PicFlorvane...");
        return true;
    });
}

// Nothing of a page stays painted on the next one: an image's page shown after its project's,
// whose factors stand under the image's two boxes, and laid out again at once (as when the strip
// comes), shows the page's background under the boxes, where the factors' edges were. A box laid
// out at the row's height kept its window that high and painted only its field.
TEST_F(PicMainMessages, APageShownAfterAnotherKeepsNothingOfIt)
{
    picNodePtr project = picProject::Make();
    picNodePtr image = picSourceImage::Make();
    run([&](ScriptedMain& d) {
        pic::test::attach(projects, project);
        pic::test::attach(project, image);
        d.showNode(project);
        pump();
        // Laid out again before it is painted, as when the strip grows with the image's load.
        d.showNode(image);
        std::vector<guiMsComboBox*> combos = pageControls<guiMsComboBox>(d);
        EXPECT_EQ(combos.size(), 2u);
        if (combos.size() != 2)
            return true;
        CRect field;
        combos[0]->tcGetRect(field, false);
        CRect window;
        d.GetWindowRect(&window);
        d.SetWindowPos(nullptr, 0, 0, window.Width(), window.Height() - 10, SWP_NOMOVE | SWP_NOZORDER);
        pump();
        const std::vector<guiMsEdit*> edits = pageControls<guiMsEdit>(d);
        EXPECT_EQ(edits.size(), 4u) << "name, path, factor, status";
        if (edits.size() != 4)
            return true;
        // The filter row: from the boxes' top to the status row's.
        CRect box, status;
        combos[0]->tcGetRect(box, false);
        edits[3]->tcGetRect(status, false);
        CRect right;
        combos[1]->tcGetRect(right, false);
        EXPECT_EQ(box, field) << "a box is as high as its field, whatever height it is given";
        HWND page = d.GetPropertyBox().tcGetHwnd();
        const COLORREF back = GetSysColor(COLOR_BTNFACE);
        int stale = 0;
        for (int y = field.bottom; y < status.top; ++y)
            for (int x = box.left; x < right.right; ++x)
                if (plat::headless::windowPixel(page, x, y) != back && stale++ < 5)
                    ADD_FAILURE() << "at " << x << "," << y;
        EXPECT_EQ(stale, 0);
        return true;
    });
    project->Destroy();
}

// News of a node from another thread while its page is being built may tell of what the build
// has already read: the page is refreshed once the build is over. The build's own news is not
// heard, or the page would rebuild itself without end.
TEST_F(PicMainMessages, NewsFromAnotherThreadDuringABuildRefreshesThePageAfterIt)
{
    CountingPtr mars = makeCounting("Mars");
    run([&](ScriptedMain& d) {
        pic::test::attach(projects, mars);
        mars->onBuild = [&] {
            d.onNodeChanged(mars);
            std::thread([&] { d.onNodeChanged(mars); }).join();
        };
        d.showNode(mars);
        pump();
        EXPECT_EQ(mars->builds, 1);
        EXPECT_EQ(mars->refreshes, 1) << "the news that came during the first build";

        // News during a refresh too; without news the pages stay as they are.
        mars->onBuild = [&] {
            std::thread([&] { d.onNodeChanged(mars); }).join();
        };
        d.onNodeChanged(mars);
        pump();
        EXPECT_EQ(mars->refreshes, 3);
        pump();
        EXPECT_EQ(mars->refreshes, 3);
        EXPECT_EQ(mars->builds, 1);
        return true;
    });
}

TEST_F(PicMainMessages, ABoxShownWhileAMessageIsHandledIsOwnedByTheMainWindow)
{
    HWND main = nullptr;
    run([&](ScriptedMain& d) {
        main = d.m_hWnd;
        vbShowException(new vbEuser("Hello"), true);
        return true;
    });
    const auto records = plat::messageBoxRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].owner, main);
    EXPECT_NE(records[0].text.find("Hello"), std::string::npos) << records[0].text;
}

TEST_F(PicMainMessages, AStopRequestEndsTheLoopAndIsLogged)
{
    constexpr const char* kLine = "CPicFlorvaneDlg::receiveStoppingMsg(0) : received";
    run([&](ScriptedMain&) {
        g_vbVantMsgEngine.Post(vbSharedQueue::kSelf, g_picInstanceMsg, 0, 0);
        // Ended by the request, or by the script when it never comes.
        return !pumpUntil([&] { return readLogFile().find(kLine) != std::string::npos; });
    });
    EXPECT_NE(readLogFile().find(kLine), std::string::npos);
}

TEST_F(PicMainMessages, HandedOverFilesAreImportedOnlyOnceTheUserAgrees)
{
    plat::setMessageBoxAnswer(IDNO);
    run([&](ScriptedMain& d) {
        // Count 0: an import message that finds nothing to ask about.
        sendBlock("Import", 0, {});
        // Refused blocks append nothing and post nothing.
        sendBlock("Export", 1, {"/p/x.picf"});
        sendBlock("Import", 0x7FFFFFFF, {"/p/x.picf", "/p/y.picf"});
        sendBlock("import", 1, {"/p/a.picf"});
        EXPECT_TRUE(pumpUntil([] { return plat::messageBoxRecords().size() == 1; }));
        sendBlock("Import", 2, {"/p/a.picf", "/q/b.picf"});
        EXPECT_TRUE(pumpUntil([] { return plat::messageBoxRecords().size() == 2; }));
        EXPECT_FALSE(d.HasPendingImports());
        plat::setMessageBoxAnswer(IDYES);
        sendBlock("Import", 2, {"/p/bad.picf", "/p/c.picf"});
        EXPECT_TRUE(pumpUntil([] { return plat::messageBoxRecords().size() == 4; }));
        return true;
    });
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{
                              "Question / PicFlorvane: Confirm that you want to import, in PicFlorvane, file a.picf?",
                              "Question / PicFlorvane: Confirm that you want to import, in PicFlorvane, files a.picf, b.picf?",
                              "Question / PicFlorvane: Confirm that you want to import, in PicFlorvane, files bad.picf, c.picf?",
                              "User error ! / PicFlorvane: File '/p/bad.picf' is not a PicFlorvane file (1)",
                          }));
    // No was answered twice; the batch that was agreed to stopped at its first refused file.
    EXPECT_TRUE(projects->imported.empty());
}

TEST_F(PicMainMessages, FilesOfTheCommandLineWaitForTheImportMessage)
{
    plat::setMessageBoxAnswer(IDYES);
    run([&](ScriptedMain& d) {
        vbArray<vbString> files;
        files.Add("/p/one.picf");
        files.Add("/p/two.picf");
        d.SetPendingImports(files);
        EXPECT_EQ(files.GetSize(), 0);
        EXPECT_TRUE(d.HasPendingImports());
        d.PostMessage(WM_APP + 3);
        pump();
        EXPECT_FALSE(d.HasPendingImports());
        return true;
    });
    EXPECT_EQ(projects->imported, (std::vector<std::string>{"/p/one.picf", "/p/two.picf"}));
}

} // namespace
