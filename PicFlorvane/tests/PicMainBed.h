#pragma once

// The real main window run by a test: its own modal loop on the headless screen runs a script of
// the test, with a counting projects list as the tree's first child. Messages of other threads and
// instances reach it through the real message engine.

#include "PicFlorvaneDlg.h"
#include "PicTestKit.h"

#include "GuiTestBed.h"

#include "vbException.h"

#include "plat/msgbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace pic::test {

// A projects list that counts its walks, page builds and page drops, runs a hook in its walk,
// and refuses to import files whose name says "bad".
class CountingNode : public TestNode {
public:
    CountingNode() : TestNode("root", "tst-") { }

    bool UpdateWalk(sIpicMainWnd*) override
    {
        ++walks;
        if (onWalk)
            onWalk();
        return true;
    }
    void BuildPropertyPage(sIpicMainWnd* wnd, guiContainer* page, CRect& rect, bool relayout) override
    {
        ++(relayout ? refreshes : builds);
        TestNode::BuildPropertyPage(wnd, page, rect, relayout);
        if (onBuild)
            std::exchange(onBuild, nullptr)();
    }
    void DropPropertyPage() override
    {
        ++drops;
        TestNode::DropPropertyPage();
    }
    void ImportFile(sIpicMainWnd*, const vbString& path) override
    {
        if (std::string(path).find("bad") != std::string::npos)
            throw new vbEuser("File '" + path + "' is not a PicFlorvane file (1)");
        imported.push_back(std::string(path));
    }

    int walks = 0, builds = 0, refreshes = 0, drops = 0;
    std::function<void()> onWalk;
    // Runs once, at the end of the next page build.
    std::function<void()> onBuild;
};

using CountingPtr = vbRefPtr<CountingNode, &IID_IpicNode>;

inline CountingPtr makeCounting(const char* text)
{
    auto* node = new CountingNode;
    CountingPtr held(node);
    node->Release();
    node->Create();
    node->SetText(text);
    return held;
}

// Runs a test's script inside the modal loop; the loop then ends as the system menu's quit
// does, unless the script answers false (the loop is to end by itself).
class ScriptedMain : public CPicFlorvaneDlg {
public:
    static constexpr UINT kRunScript = WM_APP + 70;

    std::function<bool(ScriptedMain&)> script;
    int passPosts = 0;

    std::string title()
    {
        char text[256] = "";
        GetWindowTextA(m_hWnd, text, sizeof text);
        return text;
    }

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = CPicFlorvaneDlg::OnInitDialog();
        PostMessage(kRunScript);
        return result;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_APP + 2)
            ++passPosts;
        return CPicFlorvaneDlg::WindowProc(message, wParam, lParam);
    }
    // The script is reached through the window's own message handling, as any message is.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (message != kRunScript)
            return CPicFlorvaneDlg::OnWndMsg(message, wParam, lParam, pResult);
        if (!script || script(*this))
            PostMessage(WM_SYSCOMMAND, IDM_PICFLORVANE_QUIT);
        *pResult = 0;
        return TRUE;
    }
};

class PicMainBed : public gui::test::GuiTestBed {
protected:
    void SetUp() override
    {
        GuiTestBed::SetUp();
        // The message engine's thread and the download workers wait in real time.
        clock.reset();
        plat::resetMessageBoxPolicy();
        g_vbEngineCenter.Start();
        projects = makeCounting("Projects");
    }
    void TearDown() override
    {
        plat::resetMessageBoxPolicy();
        projects.Release();
        GuiTestBed::TearDown();
    }

    // The script runs with the counting projects list as the tree's first child.
    template <class Window = ScriptedMain>
    void run(std::function<bool(std::type_identity_t<Window>&)> script)
    {
        Window dlg;
        dlg.script = [&](ScriptedMain& d) {
            d.GetTreeRoot()->ClearChildren();
            d.GetTreeRoot()->AddChild(static_cast<IguiTreeNode*>(static_cast<picNode*>(projects.Get())), 0);
            projects->MarkLoaded();
            return script(static_cast<Window&>(d));
        };
        EXPECT_EQ(dlg.DoModal(false), 0);
    }

    // Pumps the window thread until done() holds (other threads deliver), at most timeout.
    static bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pump();
        return true;
    }

    static std::vector<std::string> boxTexts()
    {
        std::vector<std::string> texts;
        for (const plat::MessageBoxRecord& r : plat::messageBoxRecords())
            texts.push_back(r.caption + ": " + r.text);
        return texts;
    }

    CountingPtr projects;
};

} // namespace pic::test
