#pragma once

// What the menu engine tests share: a real top-level host window whose procedure hands the
// engine's posted update, its timer and WM_PAINT to the engine, a host that records every call it
// gets (with its arguments) and answers from a script, and menus read from "data:" mark-up.

#include "GuiTestBed.h"
#include "TreeTestKit.h"
#include "menu/guiTreeMenuDraw.h"

#include "vbIcon.h"


#include "plat/mouse.h"
#include "plat/paint.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace gui::test {

// The animated hourglass at 16 x 16, loaded once so that the menus' icons find it loaded.
inline void loadHourglass()
{
    vbIcon probe(nullptr, CSize(16, 16));
    probe.SetUrl(vbIconHOURGLASS, CSize(16, 16), vbDnPriority1);
    probe.WaitLoad(10000, vbDnPriority1);
}

inline std::string nameOf(IguiTreeNode* node) { return node ? std::string(node->GetName()) : "-"; }

// Every call becomes one line "<operation> <arguments>"; `during` runs after each is recorded.
class RecordingHost : public sIguiTreeEvents {
public:
    bool onItemChecked(bool, sIguiTreeDraw*, IguiTreeNode* node, bool* checked, bool held, bool handled) override
    {
        record("onItemChecked " + nameOf(node) + " " + std::to_string(*checked) + " " + std::to_string(held) + " " +
            std::to_string(handled));
        if (checkedAnswer >= 0)
            *checked = checkedAnswer != 0;
        return handled;
    }
    bool onItemClicked(bool, sIguiTreeDraw*, IguiTreeNode* node, bool help, bool handled) override
    {
        return item("onItemClicked", node, help, handled) || clickAnswer;
    }
    bool onItemDClicked(bool, sIguiTreeDraw*, IguiTreeNode* node, bool help, bool handled) override
    {
        return item("onItemDClicked", node, help, handled) || clickAnswer;
    }
    bool onItemSelected(bool, sIguiTreeDraw*, IguiTreeNode* node, bool help, bool handled) override
    {
        return item("onItemSelected", node, help, handled);
    }
    bool onItemOver(bool, sIguiTreeDraw*, IguiTreeNode* node, bool help, bool handled) override
    {
        return item("onItemOver", node, help, handled);
    }
    bool onItemContextMenu(bool, sIguiTreeDraw*, IguiTreeNode* node, bool help, bool handled) override
    {
        return item("onItemContextMenu", node, help, handled);
    }
    bool onItemExpanded(bool, sIguiTreeDraw*, IguiTreeNode* node, bool handled) override
    {
        record("onItemExpanded " + nameOf(node) + " " + std::to_string(handled));
        return handled;
    }
    bool onItemCollapsed(bool, sIguiTreeDraw*, IguiTreeNode* node, bool handled) override
    {
        record("onItemCollapsed " + nameOf(node) + " " + std::to_string(handled));
        return handled;
    }
    bool onItemParentExpanded(bool, sIguiTreeDraw*, IguiTreeNode*, bool handled) override { return handled; }
    bool onItemParentCollapsed(bool, sIguiTreeDraw*, IguiTreeNode*, bool handled) override { return handled; }
    LONG GetFilterMask() override { return filterMask; }
    bool onSizeChange(sIguiTreeDraw*, const CSize& size, CRect* treeRect) override
    {
        record("onSizeChange " + std::to_string(size.cx) + " " + std::to_string(size.cy));
        if (giveTreeRect)
            *treeRect = CRect(treeRectGiven);
        return sizeAnswer;
    }
    void askOffsetChange(sIguiTreeDraw* draw, const CPoint& offset, const CSize&, const CSize& visible) override
    {
        record("askOffsetChange " + std::to_string(offset.x) + " " + std::to_string(offset.y) + " " +
            std::to_string(visible.cx) + " " + std::to_string(visible.cy));
        draw->SetOffset(offset, true);
    }
    void onToolTipChange(sIguiTreeDraw*) override { record("onToolTipChange"); }
    void onTreeRootUpdate(sIguiTreeDraw*, bool reload) override { record("onTreeRootUpdate " + std::to_string(reload)); }
    void onTreeRootRedraw(sIguiTreeDraw*, bool all) override { record("onTreeRootRedraw " + std::to_string(all)); }
    bool askCloseCtrl(sIguiTreeDraw*, bool whole) override
    {
        record("askCloseCtrl " + std::to_string(whole));
        return closeAnswer;
    }
    guiPopupTreeCtrl* createPopupCtrl(sIguiTreeAspectEngine*) override
    {
        record("createPopupCtrl");
        return nullptr;
    }
    void cancelScrollSelect() override { record("cancelScrollSelect"); }
    bool onSelectLeft(sIguiTreeDraw*) override
    {
        record("onSelectLeft");
        return true;
    }
    const CRect& getBackRect() override { return backRect; }
    void onMouseMove(sIguiTreeDraw*, IguiTreeNode* node, guiTreeHit hit, const guiTreeAspectEngine&) override
    {
        record("onMouseMove " + nameOf(node) + " " + std::to_string(hit));
    }
    bool onPageUp(sIguiTreeDraw*) override
    {
        record("onPageUp");
        return true;
    }
    bool onPageDn(sIguiTreeDraw*) override
    {
        record("onPageDn");
        return true;
    }
    bool askStopCloseTimer(sIguiTreeDraw*) override { return true; }
    bool askStartCloseTimer(sIguiTreeDraw*) override { return true; }
    int GetWidthMax() override { return widthMax; }

    // The recorded lines that start with prefix.
    std::vector<std::string> calls(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const std::string& line : log)
            if (line.rfind(prefix, 0) == 0)
                out.push_back(line);
        return out;
    }

    std::vector<std::string> log;
    std::function<void(const std::string&)> during;
    LONG filterMask = 0;
    int widthMax = 0;
    bool closeAnswer = true;
    bool sizeAnswer = false;
    bool clickAnswer = false;
    int checkedAnswer = -1;
    bool giveTreeRect = true;
    RECT treeRectGiven{0, 0, 200, 300};
    CRect backRect{0, 0, 0, 0};

private:
    void record(const std::string& line)
    {
        log.push_back(line);
        if (during)
            during(line);
    }
    bool item(const char* what, IguiTreeNode* node, bool help, bool handled)
    {
        record(std::string(what) + " " + nameOf(node) + " " + std::to_string(help) + " " + std::to_string(handled));
        return handled;
    }
};

// The host window: its procedure hands the engine its messages as a tree control does.
class HostWindow : public CWnd {
public:
    static vbWinClass& windowClass()
    {
        static vbWinClass cls("KVX Vantrel menuTestHost", 0x8B, DefWindowProcA, vbEngineDeps());
        return cls;
    }

    sIguiTreeDraw* engine = nullptr;
    CRect treeRect{0, 0, 200, 300};
    bool drawing = false;
    // Whether button-up and double-click calls carry the left button flag.
    bool leftFlag = true;
    UINT lastUnusedKey = 0;
    CRect lastPaint{0, 0, 0, 0};
    std::function<void(UINT)> onMessage;

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override
    {
        windowClass().InitCs(cs);
        return TRUE;
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (onMessage)
            onMessage(msg);
        const CPoint point(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        const UINT left = leftFlag ? MK_LBUTTON : 0;
        switch (engine ? msg : 0) {
        case guiTreeMsgPostedUpdate:
            engine->OnPostedUpdate();
            return 0;
        case guiTreeMsgTimer:
            engine->OnTimer();
            return 0;
        case WM_MOUSEMOVE:
            engine->OnMouseMove(point, static_cast<UINT>(wParam));
            return 0;
        case WM_LBUTTONUP:
            engine->OnLButtonUp(point, static_cast<UINT>(wParam) | left);
            return 0;
        case WM_LBUTTONDBLCLK:
            engine->OnLButtonDblClk(point, static_cast<UINT>(wParam) | left);
            return 0;
        case WM_KEYDOWN: {
            UINT key = static_cast<UINT>(wParam);
            engine->onKeyDown(key);
            if (key)
                lastUnusedKey = key;
            return 0;
        }
        case WM_CHAR: {
            UINT character = static_cast<UINT>(wParam);
            engine->onChar(character);
            return 0;
        }
        default:
            break;
        }
        if (msg == WM_PAINT) {
            CPaintDC dc(this);
            lastPaint = CRect(dc.m_ps.rcPaint);
            if (engine && drawing) {
                const CRect clip(dc.m_ps.rcPaint);
                engine->Draw(treeRect, dc, &clip);
            }
            return 0;
        }
        if (msg == WM_ERASEBKGND)
            return 1;
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

class MenuTest : public GuiTestBed {
protected:
    static constexpr int kHostLeft = 500;
    static constexpr int kHostTop = 200;

    void SetUp() override
    {
        GuiTestBed::SetUp();
        hostWindow = std::make_unique<HostWindow>();
        ASSERT_TRUE(
            hostWindow->CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, kHostLeft, kHostTop, 220, 320, nullptr,
                nullptr));
        makeEngine(false);
        pump();
    }
    void TearDown() override
    {
        destroyEngine();
        hostWindow.reset();
        GuiTestBed::TearDown();
    }

    void makeEngine(bool inPopup, sIguiTreeAspectEngine* hostEngine = nullptr)
    {
        menu = new guiTreeMenuDraw(hostWindow.get(), &host, hostEngine, inPopup);
        hostWindow->engine = menu;
    }
    void destroyEngine()
    {
        if (menu) {
            hostWindow->engine = nullptr;
            menu->Destroy();
            menu = nullptr;
        }
    }

    // A root read from "data:" + markup, loaded.
    static guiTreeNodePtr load(const std::string& markup) { return loadMarkup(markup); }
    // Shows root in the engine and runs the posted pass.
    void show(IguiTreeNode* root)
    {
        menu->SetTreeRect(hostWindow->treeRect, false);
        menu->SetRoot(root);
        pump();
    }
    // Runs the thread's messages as the engine's own pumping does.
    static int drain()
    {
        int n = 0;
        while (vbDoOneEvent())
            ++n;
        return n;
    }

    RecordingHost host;
    std::unique_ptr<HostWindow> hostWindow;
    guiTreeMenuDraw* menu = nullptr;
};

} // namespace gui::test
