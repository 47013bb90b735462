#pragma once

// The application's only top-level window: the project tree on the left, the property page of the
// shown node on the right and the progress strip under the page. It offers the nodes the file
// dialogs and the image view, runs its own modal loop and, while that loop runs, publishes its
// window to the plug-in centre.

#include "picFilterDirectory.h"
#include "picMainWnd.h"
#include "picTreeAutoSave.h"

#include "guiBox.h"
#include "guiContainer.h"
#include "guiPopupButton.h"
#include "guiProgress.h"
#include "guiSurface.h"
#include "guiToolTip.h"
#include "guiTreeCtrl.h"
#include "guiTreeNode.h"

#include "vbVantMsgEngine.h"

#include "plat/afxwin.h"

class CPicFlorvaneViewDlg;

// Template and resource numbers of the program module.
constexpr UINT IDD_PICFLORVANE_ABOUT = 100;
constexpr UINT IDS_PICFLORVANE_ABOUT = 101;
constexpr UINT IDD_PICFLORVANE_MAIN = 102;
constexpr UINT IDD_PICFLORVANE_VIEW = 103;
constexpr UINT IDR_PICFLORVANE_ICON = 128;
constexpr UINT IDC_PICFLORVANE_VERSION = 1001;
// System commands of the main window.
constexpr UINT IDM_PICFLORVANE_ABOUT = 0x10;
constexpr UINT IDM_PICFLORVANE_QUIT = 0x20;
constexpr UINT IDM_PICFLORVANE_SHOW = 0x30;
// The main window's timer that ticks the tree's auto-save.
constexpr UINT_PTR IDT_PICFLORVANE_AUTOSAVE = 1;

// Where the main window's client area puts its parts; a strip height of -1 is a hidden strip.
struct picMainLayout {
    CRect tree;
    CRect area; // beside the tree: the property box and, under it, the strip
    CRect box;
    CRect strip;
    int stripHeight = -1;

    static picMainLayout compute(int width, int height, int stripHeight);
};

class CPicFlorvaneDlg : public CDialog, public sIpicMainWnd {
public:
    explicit CPicFlorvaneDlg(CWnd* parent = nullptr);
    ~CPicFlorvaneDlg() override;
    CPicFlorvaneDlg(const CPicFlorvaneDlg&) = delete;
    CPicFlorvaneDlg& operator=(const CPicFlorvaneDlg&) = delete;

    // The modal run; with show, the window brings itself to the front once the loop runs.
    INT_PTR DoModal(bool show);
    INT_PTR DoModal() override { return DoModal(true); }

    // rect: a screen rectangle to open the menu beside; null opens it under the mouse.
    bool openNodeMenu(picNode* node, const CRect* rect) override;
    void showImageView(picNode* node) override;
    // Selects node in the tree and shows its page; null shows no page.
    void showNode(picNode* node) override;
    void onNodeChanged(picNode* node) override;
    void onNodeDeleted(picNode* former) override;
    void notifyChange() override;
    void notifyStoredChange() override;

    bool chooseImageToSave(vbString& path, const char* title) override;
    bool chooseImageToOpen(vbString& path, const char* title) override;
    bool chooseImagesToImport(vbArray<vbString>& files, const char* title) override;
    bool pickProjectToSave(vbString& path, const char* title) override;
    bool pickProjectToOpen(vbString& path, const char* title) override;

    void fillFilterCombo(CWnd& combo, picChannelFilter& holder) override;
    bool readFilterCombo(CWnd& combo, picChannelFilter& holder) override;
    bool resolveFilterNode(picChannelFilter& holder, picNodePtr* out) override;
    bool findFilterByPrefix(const vbString& text, picNodePtr* out) override;
    bool isFilterListValid() override;
    void invalidateFilterList() override;

    void setCopyNode(picNode* node) override;
    bool getCopyNode(picNodePtr* out) override;

    guiProgress* getProgress() override { return &m_progress; }
    HWND getWindow() override { return m_hWnd; }

    guiApp& GetGuiApp() { return m_app; }
    HICON GetIcon() const { return m_hIcon; }
    guiBox& GetPropertyBox() { return m_box; }
    guiTreeCtrl& GetTree() { return m_tree; }
    guiTreeNode* GetTreeRoot() const { return m_root.Get(); }
    guiPopupButton& GetActionButton() { return m_actionButton; }
    guiTreeNode* GetMenuRoot() const { return m_menuRoot.Get(); }
    CPicFlorvaneViewDlg* GetImageView() const { return m_pView; }
    // Called by the view when its window went by itself.
    void ForgetImageView(CPicFlorvaneViewDlg* view);

    // The files waiting for import: files moves in (the window's list is emptied first, files is
    // left empty). Any thread.
    void SetPendingImports(vbArray<vbString>& files);
    bool HasPendingImports();

    // The node whose page is shown, with a reference; false when none is.
    bool GetShownNode(picNodePtr* out);

    // The paint of the application's dialogs: the background between the controls, and the icon
    // centred in a minimised window.
    static void PaintBackground(CWnd& wnd, guiContainer& container, const guiSurface& surface, HICON icon);

protected:
    BOOL OnInitDialog() override;
    // Enter never closes the main window.
    void OnOK() override { }
    // Holds the display lock and makes the window's application the exception context around
    // every message; handles the three private messages (page refresh, change pass, imports).
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The tree's selection: shows the selected node's page (refused unless it is a project node).
    bool onTreeSelect(sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled);
    // Builds the shown node's page again in place (private message 1, and the property box's
    // resize).
    void refreshPage();
    void onBoxResized(const CRect& inner);

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnSize(UINT nType, int cx, int cy);
    void OnMove(int x, int y);
    void OnClose();
    void OnDestroy();

    DECLARE_MESSAGE_MAP()

private:
    void layout(int width, int height);
    bool onTreeClick(sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled);
    bool onTreeDClick(sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled);
    bool onTreeContextMenu(sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled);
    // A click in the action menu runs the item's command on the menu's node.
    bool onMenuCommand(sIguiTreeDraw* draw, IguiTreeNode* item, bool helpPart, bool handled);
    void closeActionMenu();
    // The menu root for text, built again when the text or the node's menu stamp changed.
    void loadMenu(const vbString& text, uint64_t stamp);
    void saveTree();
    // The auto-save's tick, while no page is built and no pass runs.
    void tickAutoSave();
    // The tree changed: stored at the next tick, unless the projects list is still loading,
    // whose load tells this last.
    void treeChanged();
    bool onAskSize(guiProgress* strip, const CSize& wanted, const CSize& current);
    // The strip at height (0 or less: hidden), the box above it; false when nothing moved.
    bool setStripHeight(int height);
    // A light filter's curve editor keeps its scale only while its page keeps its size: while
    // such a page is shown, the strip keeps its height, and takes the one it asked for later.
    static bool holdsStrip(picNode* shown);
    // What other instances send; they run on the message engine's thread.
    void receiveStoppingMsg(vbVantMsgCb& cb, DWORD value1, DWORD value2);
    void receiveInterDataMsg(vbVantDataCb& cb, vbSharedMem* block, DWORD value1, DWORD value2);
    void showPage(picNode* node, bool select);
    // The title names the shown node (null: none).
    void showTitle(picNode* node);
    void runChangePass();
    void importPendingFiles();
    // The tree root's first child.
    picNodePtr projectsList();
    // Whether node still hangs under the tree's root.
    bool isInTree(picNode* node) const;
    void selectFromTop(picNode* node);
    bool runFileDialog(bool open, const char* filter, const char* defExt, DWORD flags, vbString& path,
        const char* title);
    void deleteImageView();
    void deleteGoneView();

    HICON m_hIcon;
    guiApp m_app;
    guiContainer m_container;
    guiSurface m_background;
    guiToolTip m_toolTip;
    guiTreeCtrl m_tree;
    guiBox m_box;
    guiContainer m_pageContainer;
    guiProgress m_progress;
    vbVantMsgCb m_msgCb;
    vbVantDataCb m_dataCb;
    // Its first child is the projects list.
    guiTreeNodePtr m_root;
    guiPopupButton m_actionButton;
    // The action menu: its root, the text it was read from, the menu stamp of the node it was
    // built for, and the node its commands go to (under m_lock).
    guiTreeNodePtr m_menuRoot;
    vbString m_menuText;
    uint64_t m_menuStamp = 0;
    picNodePtr m_menuTarget;
    int m_progressHeight = -1;
    // The height the strip asked for last.
    int m_progressWanted = -1;
    CRect m_area;
    bool m_bInitialised = false;
    // The dialog lock: guards the filter list, the shown node and its stamp, the busy flag and the
    // change counters; never held while a page is built, a walk runs or a message is posted.
    CCriticalSection m_lock;
    picFilterDirectory m_filters;
    // The node of the last "Copy" (under m_lock).
    picNodeWeakPtr m_copyNode;
    CPicFlorvaneViewDlg* m_pView = nullptr;
    // A view whose window went by itself, deleted once its window is gone.
    CPicFlorvaneViewDlg* m_pGoneView = nullptr;
    picNodePtr m_shownNode;
    uint64_t m_shownStamp = 0;
    // A page build runs (held during construction): selections and refreshes are ignored.
    bool m_bBusy = true;
    // A change pass runs (window thread only).
    bool m_bInPass = false;
    uint64_t m_changeCount = 0;
    uint64_t m_changeDone = 0;
    // Files handed over by the command line or other instances.
    CCriticalSection m_pendingLock;
    vbArray<vbString> m_pendingImports;
    picTreeAutoSave m_autoSave;
};
