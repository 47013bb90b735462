#pragma once

// The tree-view engine's tests run it in a real window of the headless screen: the window hands the
// engine its posted updates, timer ticks and paints, and records everything the engine tells it.

#include "guiTreeViewDraw.h"

#include "GuiTestBed.h"
#include "TreeTestKit.h"
#include "vbIconTestUtil.h"

#include "plat/mouse.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace gui::test {

// The host: hands the engine its posted updates, and records what the engine tells it.
class Host : public CWnd, public sIguiTreeEvents {
public:
    bool onSizeChange(sIguiTreeDraw*, const CSize& size, CRect*) override
    {
        sizes.push_back(size);
        return false;
    }
    void askOffsetChange(sIguiTreeDraw*, const CPoint& offset, const CSize&, const CSize&) override
    {
        offsets.push_back(offset);
        if (followOffsets && draw)
            draw->SetOffset(offset, true);
    }
    void onToolTipChange(sIguiTreeDraw*) override { ++tips; }
    void onTreeRootUpdate(sIguiTreeDraw*, bool) override
    {
        ++rootUpdates;
        if (onRootUpdate)
            onRootUpdate();
        if (destroyOnRootUpdate && draw) {
            draw->Destroy();
            draw = nullptr;
        }
    }
    void onTreeRootRedraw(sIguiTreeDraw*, bool) override { ++redraws; }
    bool askCloseCtrl(sIguiTreeDraw*, bool) override { return true; }
    const CRect& getBackRect() override { return backRect; }
    int GetWidthMax() override { return widthMax; }
    LONG GetFilterMask() override { return 0; }
    void cancelScrollSelect() override { ++scrollCancels; }
    bool onSelectLeft(sIguiTreeDraw*) override { return log("selectLeft", nullptr, false); }
    void onMouseMove(sIguiTreeDraw*, IguiTreeNode* node, guiTreeHit hit, const guiTreeAspectEngine&) override
    {
        moves.push_back(name(node) + " " + std::to_string(int(hit)));
    }
    bool onPageUp(sIguiTreeDraw*) override { return log("pageUp", nullptr, false); }
    bool onPageDn(sIguiTreeDraw*) override { return log("pageDn", nullptr, false); }
    bool askStopCloseTimer(sIguiTreeDraw*) override
    {
        if (onStopCloseTimer)
            onStopCloseTimer();
        return false;
    }
    bool askStartCloseTimer(sIguiTreeDraw*) override { return false; }

    // --- item events: "<event> <node name>[ help][ handled]" ---
    bool onItemChecked(bool, sIguiTreeDraw*, IguiTreeNode* node, bool* checked, bool engineHeld, bool handled) override
    {
        log(std::string("checked ") + (*checked ? "on" : "off") + (engineHeld ? " engine" : ""), node, handled);
        if (checkAnswer >= 0)
            *checked = checkAnswer != 0;
        return false;
    }
    bool onItemClicked(bool, sIguiTreeDraw*, IguiTreeNode* n, bool help, bool handled) override
    {
        return log("click", n, handled, help) || takeClicks;
    }
    bool onItemDClicked(bool, sIguiTreeDraw*, IguiTreeNode* n, bool help, bool handled) override
    {
        return log("dclick", n, handled, help);
    }
    bool onItemSelected(bool, sIguiTreeDraw*, IguiTreeNode* n, bool help, bool handled) override
    {
        return log("select", n, handled, help);
    }
    bool onItemOver(bool, sIguiTreeDraw*, IguiTreeNode* n, bool help, bool handled) override
    {
        return log("over", n, handled, help);
    }
    bool onItemContextMenu(bool, sIguiTreeDraw*, IguiTreeNode* n, bool help, bool handled) override
    {
        return log("menu", n, handled, help);
    }
    bool onItemExpanded(bool, sIguiTreeDraw*, IguiTreeNode* n, bool handled) override
    {
        return log("expanded", n, handled);
    }
    bool onItemCollapsed(bool, sIguiTreeDraw*, IguiTreeNode* n, bool handled) override
    {
        return log("collapsed", n, handled);
    }
    bool onItemParentExpanded(bool, sIguiTreeDraw*, IguiTreeNode* n, bool handled) override
    {
        return log("parentExpanded", n, handled);
    }
    bool onItemParentCollapsed(bool, sIguiTreeDraw*, IguiTreeNode* n, bool handled) override
    {
        return log("parentCollapsed", n, handled);
    }

    static std::string name(IguiTreeNode* node) { return node ? std::string(node->GetText().c_str()) : "-"; }
    bool log(const std::string& what, IguiTreeNode* node, bool handled, bool help = false)
    {
        events.push_back(what + " " + name(node) + (help ? " help" : "") + (handled ? " handled" : ""));
        if (duringEvent)
            duringEvent(events.back());
        return false;
    }
    // The entries of events starting with one of prefixes.
    std::vector<std::string> eventsOf(std::initializer_list<const char*> prefixes) const
    {
        std::vector<std::string> out;
        for (const std::string& e : events)
            for (const char* p : prefixes)
                if (e.rfind(std::string(p) + " ", 0) == 0)
                    out.push_back(e);
        return out;
    }

    guiTreeViewDraw* draw = nullptr;
    std::vector<CSize> sizes;
    std::vector<CPoint> offsets;
    int tips = 0;
    int rootUpdates = 0;
    int redraws = 0;
    int updates = 0;
    bool destroyOnRootUpdate = false;
    int widthMax = 0;
    CRect backRect{0, 0, 0, 0};
    std::vector<std::string> events;
    std::vector<std::string> moves;
    int scrollCancels = 0;
    std::vector<bool> contextAnswers;
    bool followOffsets = false;
    bool buttonsAct = true;
    // Runs inside the update, after the root level's relayout.
    std::function<void()> onRootUpdate;
    // Runs inside each item event, with its log line.
    std::function<void(const std::string&)> duringEvent;
    bool takeClicks = false;
    // Runs as a character or key reaches the engine.
    std::function<void()> onStopCloseTimer;
    // 0 or 1: what onItemChecked leaves in the offered state; -1 leaves it.
    int checkAnswer = -1;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == guiTreeMsgPostedUpdate) {
            ++updates;
            if (draw)
                draw->OnPostedUpdate();
            return 0;
        }
        if (msg == WM_PAINT && draw) {
            CPaintDC dc(this);
            const CRect clip(dc.m_ps.rcPaint);
            CRect client;
            GetClientRect(&client);
            draw->Draw(client, dc, &clip);
            return 0;
        }
        if (msg == WM_ERASEBKGND)
            return 1;
        const CPoint at(short(LOWORD(lParam)), short(HIWORD(lParam)));
        if (msg == WM_MOUSEMOVE && draw) {
            draw->OnMouseMove(at, UINT(wParam));
            return 0;
        }
        if (msg == WM_CONTEXTMENU && draw) {
            CPoint client(at);
            ScreenToClient(&client);
            contextAnswers.push_back(draw->OnContextMenu(client));
            return 0;
        }
        // As the tree control does: a button message acts.
        if ((msg == WM_LBUTTONUP || msg == WM_LBUTTONDBLCLK) && draw) {
            const UINT flags = UINT(wParam) | (buttonsAct ? MK_LBUTTON : 0);
            if (msg == WM_LBUTTONUP)
                draw->OnLButtonUp(at, flags);
            else
                draw->OnLButtonDblClk(at, flags);
            return 0;
        }
        // As the tree control does: characters and keys go to the engine.
        if ((msg == WM_CHAR || msg == WM_KEYDOWN) && draw) {
            UINT code = UINT(wParam);
            if (msg == WM_CHAR)
                draw->onChar(code);
            else
                draw->onKeyDown(code);
            if (code == 0)
                return 0;
        }
        if (msg == guiTreeMsgTimer && draw) {
            draw->OnTimer();
            return 0;
        }
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

// A node with a text and children.
inline guiTreeNodePtr node(const char* text, std::initializer_list<guiTreeNodePtr> children = {})
{
    guiTreeNodePtr n = makeNode(text);
    n->SetText(text);
    n->SetLoaded(true, false);
    n->SetVisible(true);
    for (const guiTreeNodePtr& child : children)
        n->AddChild(child, 0);
    return n;
}

class TreeViewBed : public GuiTestBed {
protected:
    void SetUp() override
    {
        GuiTestBed::SetUp();
        ASSERT_TRUE(host.CreateEx(0, nullptr, "tree", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr));
        host.draw = new guiTreeViewDraw(&host, &host, nullptr, false);
        host.draw->SetTreeRect(CRect(0, 0, 300, 200), false);
    }
    void TearDown() override
    {
        if (host.draw)
            host.draw->Destroy();
        host.draw = nullptr;
        pump();
        host.DestroyWindow();
        GuiTestBed::TearDown();
    }
    guiTreeViewDraw& draw() { return *host.draw; }

    // An icon read from a file, as the download centre would leave it.
    static void loadIcon(vbIcon& icon, const vbicontest::Bytes& bytes, const char* name)
    {
        ASSERT_TRUE(vbicontest::loadFile(icon, bytes, name));
        pump();
    }
    // Gives node an icon read from a file written with bytes, and waits until the item shown for
    // it has loaded it.
    static void giveIcon(const guiTreeNodePtr& node, guiTreeViewItem& item, const vbicontest::Bytes& bytes, const char* name)
    {
        node->SetIcon(vbicontest::writeFile(name, bytes).c_str());
        pump();
        ASSERT_TRUE(item.icon.WaitLoad(10000, vbDnPriority1).IsValid());
        pump();
    }

    // The texts of the shown rows in display order, indented by two spaces per level.
    static void rowsOf(guiTreeViewLevel& level, int depth, std::vector<std::string>& out)
    {
        if (!level.IsExpanded())
            return;
        for (int i = 1; i <= level.ItemCount(); ++i) {
            guiTreeViewItem& item = level.Item(i);
            out.push_back(std::string(size_t(depth) * 2, ' ') + item.text.c_str());
            if (item.ChildLevel())
                rowsOf(*item.ChildLevel(), depth + 1, out);
        }
    }
    std::vector<std::string> rows()
    {
        std::vector<std::string> out;
        rowsOf(draw().Root(), 0, out);
        return out;
    }

    Host host;
};

} // namespace gui::test
