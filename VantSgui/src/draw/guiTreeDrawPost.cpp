#include "draw/guiTreeDrawPost.h"

namespace {

constexpr ULONG kAborted = 0x80004004;

class SilentEvents final : public sIguiTreeEvents {
public:
    bool onItemChecked(bool, sIguiTreeDraw*, IguiTreeNode*, bool*, bool, bool) override { return false; }
    bool onItemClicked(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool) override { return false; }
    bool onItemDClicked(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool) override { return false; }
    bool onItemSelected(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool) override { return false; }
    bool onItemOver(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool) override { return false; }
    bool onItemContextMenu(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool) override { return false; }
    bool onItemExpanded(bool, sIguiTreeDraw*, IguiTreeNode*, bool) override { return false; }
    bool onItemCollapsed(bool, sIguiTreeDraw*, IguiTreeNode*, bool) override { return false; }
    bool onItemParentExpanded(bool, sIguiTreeDraw*, IguiTreeNode*, bool) override { return false; }
    bool onItemParentCollapsed(bool, sIguiTreeDraw*, IguiTreeNode*, bool) override { return false; }
    LONG GetFilterMask() override { return 0; }
    bool onSizeChange(sIguiTreeDraw*, const CSize&, CRect*) override { return false; }
    void askOffsetChange(sIguiTreeDraw*, const CPoint&, const CSize&, const CSize&) override {}
    void onToolTipChange(sIguiTreeDraw*) override {}
    void onTreeRootUpdate(sIguiTreeDraw*, bool) override {}
    void onTreeRootRedraw(sIguiTreeDraw*, bool) override {}
    bool askCloseCtrl(sIguiTreeDraw*, bool) override { return false; }
    guiPopupTreeCtrl* createPopupCtrl(sIguiTreeAspectEngine*) override { return nullptr; }
    void cancelScrollSelect() override {}
    bool onSelectLeft(sIguiTreeDraw*) override { return false; }
    const CRect& getBackRect() override { return m_none; }
    void onMouseMove(sIguiTreeDraw*, IguiTreeNode*, guiTreeHit, const guiTreeAspectEngine&) override {}
    bool onPageUp(sIguiTreeDraw*) override { return false; }
    bool onPageDn(sIguiTreeDraw*) override { return false; }
    bool askStopCloseTimer(sIguiTreeDraw*) override { return false; }
    bool askStartCloseTimer(sIguiTreeDraw*) override { return false; }
    int GetWidthMax() override { return 0; }

private:
    const CRect m_none{0, 0, 0, 0};
};

} // namespace

sIguiTreeEvents& guiTreeSilentEvents()
{
    static SilentEvents silent;
    return silent;
}

bool guiTreeStatusText(IguiTreeNode* root, vbString& text, bool& loaded)
{
    if (!root)
        return false;
    loaded = root->IsLoaded();
    if (!loaded) {
        text = "Loading...";
        return true;
    }
    ULONG code = 0;
    vbString message;
    if (root->GetError(code, message) && code != kAborted)
        text = vbString("Error during download :\n") + message;
    else
        text = vbString();
    return true;
}

vbString guiTreeHintAndStatus(const vbString& hint, const vbString& status)
{
    vbString text = hint;
    if (!status.IsEmpty()) {
        if (!text.IsEmpty())
            text += "\n\n";
        text += status;
    }
    return text;
}
