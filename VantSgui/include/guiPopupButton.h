#pragma once

// A button that drops down a menu or a tree of nodes in a popup tree control it owns for its whole
// life. It opens the popup beside or below itself on a click, on a key or (in automatic mode) when
// the mouse enters it, keeps the keyboard focus while the popup is open and hands keys on to it,
// and closes it when the focus leaves the chain, when it moves, or when the mouse stays away.
// While its root node loads it shows the loading icon and its tool tip says so; a failed download
// is reported there too. Its look comes from the root's style records "popupbtn." + aspect name,
// "popupbtn" and "", completed from the button's own settings.
//
// Notices about the root may come from download threads: they set flags under the update lock and
// post at most one WM_USER + 255 to the button, which does the work on its own thread.

#include "guiButton.h"
#include "guiExport.h"
#include "guiPopupTreeCtrl.h"
#include "guiTreeDraw.h"
#include "guiTreeStyleEngine.h"

#include "vbIcon.h"
#include "vbPtr.h"
#include "vbString.h"

#include <memory>

class guiTreeDrawPost;
class guiTreeRootLink;
class guiTreeAspectLink;

class GUIAPI guiPopupButton : public guiButton,
                              public sIguiTreeMain,
                              public sIguiTreeAspectGet,
                              public sIguiTreeAspectEngine {
public:
    guiPopupButton();
    ~guiPopupButton() override;

    // The button's window in the container, then the popup's there too, empty and hidden.
    void Create(guiContainer* container, const RECT& rect, bool visible, bool enabled);

    // Closes the popup and shows root (drawn as type) in it; answers the popup's result.
    bool SetRoot(IguiTreeNode* root);
    bool SetRoot(guiTreeDrawType type, IguiTreeNode* root);
    bool GetRoot(guiTreeNodeRef* out) const;

    // --- the popup's properties ---
    bool SetDrawType(guiTreeDrawType type);
    guiTreeDrawType GetDrawType() const;
    bool SetCheckBoxes(bool on);
    bool HasCheckBoxes() const;
    bool SetCheckMode(guiNodeCheckMode mode);
    guiNodeCheckMode GetCheckMode() const;
    bool SetExpandedLevel(int level);
    int GetExpandedLevel() const;
    bool SetOnlyOneExpanded(bool only);
    bool GetOnlyOneExpanded() const;
    bool SetMouseTrack(guiMouseTrack track);
    guiMouseTrack GetMouseTrack() const;
    bool SetAspectName(const vbString& name);
    vbString GetAspectName() const;
    bool SetUserCanExpandAll(bool can);
    bool GetUserCanExpandAll() const;
    bool GetSelected(guiTreeNodeRef* out, bool* helpPart) const;

    // The popup reads its mask from here; a new one relayouts its whole tree.
    bool SetFilterMask(LONG mask);
    LONG GetFilterMask() override { return m_filterMask; }

    // A change closes the popup first.
    void SetPopupDir(guiPopupDir dir);
    guiPopupDir GetPopupDir() const { return m_popupDir; }
    // On: the popup takes the button's width (below or above) or height (beside it).
    void SetPopupAlign(bool align);
    bool GetPopupAlign() const { return m_bPopupAlign; }
    // On: the mouse entering the button opens the popup.
    void SetPopupAuto(bool on) { m_bPopupAuto = on; }
    bool GetPopupAuto() const { return m_bPopupAuto; }

    void OpenPopup();
    void ClosePopup();
    bool IsPopupOpen() const;
    // Whether hwnd is the button or a window of its popup chain.
    bool IsTreeChild(HWND hwnd);

    // The popup's callbacks, for the button's owner to set.
    guiTREESUBOPCB& OnTreeClickCB();
    guiTREESUBOPCB& OnTreeDClickCB();
    guiTREESUBOPCB& OnTreeOverCB();
    guiTREESUBOPCB& OnTreeSelectCB();
    guiTREESUBOPCB& OnTreeContextMenuCB();
    guiTREEOPCB& OnTreeExpandCB();
    guiTREEOPCB& OnTreeCollapseCB();
    guiTREEOPCB& OnTreeExpandParentCB();
    guiTREEOPCB& OnTreeCollapseParentCB();
    guiTREECHECKCB& OnTreeCheckCB();
    guiTREEPOPUPCB& OnTreeCloseCB();
    guiTREEPOPUPCB& OnTreeOpenCB();

    // From any thread: the matching work is done once on the button's thread.
    void PostUpdate();
    void PostUpdateRec();
    void PostRedraw();
    void PostRedrawRec();
    void PostLoaded();

    // --- owner of the popup: it handles no item event itself ---
    // The same interface list as the tree hosts' declare, in shape only: each host answers it its own way.
    bool onItemChecked(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool* checked, bool engineHeld,
        bool handled) override;
    bool onItemClicked(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled) override;
    bool onItemDClicked(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled) override;
    bool onItemSelected(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled) override;
    bool onItemOver(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled) override;
    bool onItemContextMenu(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart,
        bool handled) override;
    bool onItemExpanded(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled) override;
    bool onItemCollapsed(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled) override;
    bool onItemParentExpanded(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled) override;
    bool onItemParentCollapsed(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled) override;
    bool IsChildCtrl(HWND window, guiTreeRec rec) override;
    // out receives the button's screen rectangle (the popup closes when it moved); always true.
    bool GetRectPopupChanges(guiPopupTreeCtrl& popup, const CRect* anchor, CRect* out) override;
    bool askSetFocus(guiPopupTreeCtrl& popup) override;
    void onPopupClosed(guiPopupTreeCtrl& popup) override;
    void onPopupOpened(guiPopupTreeCtrl& popup) override;
    bool onSelectLeftChild(guiPopupTreeCtrl& popup, sIguiTreeDraw* draw) override;
    bool onChangePopupSize(guiPopupDir dir, CRect& rect) override;

    // --- the button's style source ---
    bool GetAspect(guiTreeAspectEngine* engine, const vbString* names, int count, guiTreeAspectRef* out) override;
    IguiTreeAspect* GetAspect(guiTreeAspectEngine* engine) override;
    void onAspectListChange(IguiTreeNode* node) override;

    // --- the defaults of its style: the button's own look ---
    // The getters the aspect engine also declares, in shape only: here fixed values, there a look-up.
    const CSize& GetSzIcon() const override;
    const guiFont& GetFont() const override;
    const guiFont& GetSelFont() const override;
    const guiFont& GetOverFont() const override;
    const guiFont& GetSelOverFont() const override;
    const guiFont& GetCaptionFont() const override;
    const guiSurface& GetBack() const override;
    const guiSurface& GetSelBack() const override;
    const guiSurface& GetOverBack() const override;
    const guiSurface& GetCaptionBack() const override;
    const vbColor& GetTextColor() const override;
    const vbColor& GetSelTextColor() const override;
    const vbColor& GetOverTextColor() const override;
    const vbColor& GetCaptionColor() const override;
    const vbColor& GetTextShadowColor() const override;
    const vbColor& GetSelTextShadowColor() const override;
    const vbColor& GetOverTextShadowColor() const override;
    const vbColor& GetCaptionShadowColor() const override;
    const vbColor& GetTreeLineColor() const override;
    const vbColor& GetBtnRectColor() const override;
    const vbColor& GetBtnTextColor() const override;
    const vbColor& GetCheckBtnRectColor() const override;
    const vbColor& GetCheckBtnTextColor() const override;
    const guiCursor& GetCursor() const override;
    const guiCursor& GetHelpCursor() const override;
    const guiCursor& GetCheckCursor() const override;
    const guiCursor& GetExpCursor() const override;
    const vbString& GetLoadingIcon() const override { return m_loadingIconUrl; }
    int GetSpacingHeight() const override { return 0; }
    int GetIndentation() const override { return 0; }
    int GetRootIndentation() const override { return 0; }
    int GetSepHeight() const override { return 0; }
    int GetWidthMax() const override { return 0; }
    const vbBool& GetShowTreeLine() const override { return m_treeLine; }
    const vbBool& GetShowRootTreeLine() const override { return m_treeLine; }
    bool GetAspect(const vbString* names, int count, guiTreeAspectRef* out, bool bCascade) const override;
    void FeedSelFont(guiFont& font) const override;
    void FeedOverFont(guiFont& font) const override;
    void FeedSelOverFont(guiFont& font) const override;

    // --- the button ---
    // Drawn pressed while the popup is open.
    bool IsClicked() override;
    vbColor recupTextColor(bool enabled, bool over) override;
    vbColor recupTextShadowColor(bool enabled, bool over) override;
    guiSurface& recupBack(bool over) override;
    guiFont& recupFont(bool over) override;
    // The loading icon while the root loads.
    vbIcon& recupIcon(bool over) override;
    void tcOnMouseOver() override;
    void tcOnMouseOut() override;
    // The button's tip, then after an empty line the status of the root.
    vbString tcNeedToolTip(const CPoint& point, bool* track, int* delay) override;
    void tcOnDestroy() override;

protected:
    bool onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result) override;

    // The posted work, on the button's thread.
    void onProcessUpdate();
    void onUpdate(bool reset);
    void onRedraw(bool reset);
    void onLoaded(bool redraw);
    // Forgets the resolved style values; full: the style record too.
    void resetAspect(bool full);
    // The status text and loaded flag from the root's download state.
    void updateStatus();

private:
    class Notices;
    struct Pending {
        bool update = false;
        bool updateReset = false;
        bool redraw = false;
        bool redrawReset = false;
        bool loaded = false;
    };

    void post(bool Pending::*first, bool Pending::*second);
    void screenRect(CRect& rect);
    void repaintButton();
    void onLButtonDown(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result);
    void onKey(UINT msg, WPARAM& wParam);
    void rootNotice(int signal);
    void aspectNotice(int signal);

    std::unique_ptr<guiTreeDrawPost> m_post;
    Pending m_pending;
    guiPopupTreeCtrl m_popup;
    guiPopupDir m_popupDir = guiPopupDir_Below;
    bool m_bPopupAuto = true;
    bool m_bClicked = false;
    bool m_bPopupOpen = false;
    bool m_bPopupAlign = false;
    LONG m_filterMask = 0;
    std::unique_ptr<Notices> m_rootNotices;
    std::unique_ptr<guiTreeRootLink> m_root;
    vbString m_status;
    std::unique_ptr<Notices> m_aspectNotices;
    std::unique_ptr<guiTreeAspectLink> m_aspect;
    bool m_bAspectResolved = false;
    bool m_bLoaded = true;
    guiTreeAspectEngine m_aspectEngine;
    vbBool m_treeLine{2};
    vbString m_loadingIconUrl;
    vbIcon m_loadingIcon;
    // The icon size as the style defaults answer it.
    mutable CSize m_szIcon{16, 16};
};
