#include "PicFlorvaneDlg.h"

#include "PicFlorvaneViewDlg.h"
#include "picCaught.h"
#include "picInstanceMsg.h"
#include "picRegistryNotices.h"
#include "picTreeRegistry.h"

#include "picCompressPlugType.h"

#include "vbExceptionReport.h"
#include "vbDnItf.h"
#include "vbHotPlug.h"
#include "vbLog.h"
#include "vbSocket.h"
#include "vbVersion.h"

#include "plat/afxdlgs.h"
#include "plat/afxgdi.h"
#include "plat/cursor.h"
#include "plat/dialog.h"
#include "plat/mouse.h"
#include "plat/msgbox.h"
#include "plat/registry.h"
#include "plat/sysmetrics.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* kSource = "PicFlorvaneDlg";
constexpr DWORD kButtonFace = 0x8000000F;

constexpr const char* kImageFilter = "JPEG images|*.jpg;*.jpeg||";
constexpr const char* kProjectFilter = "PICF files|*.picf||";
constexpr DWORD kSaveFlags = 0x888806;
constexpr DWORD kOpenFlags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING;
constexpr size_t kImportBuffer = 16384;
constexpr int kLoadWaitMs = 30000;
constexpr UINT kImportPendingMsg = WM_APP + 3;

// The tree root's styles and caption: the first part, the caption text and the last part.
const vbString kTreeStyle = vbString(
    "data:<style fontname=helvetica fontsize=16 iconSize=32 bkcolor=#006699 textcolor=white selbkcolor=white "
    "seltextcolor=#006699 bkgradstart=#006699 bkgradend=#87CeFA selbkgradstart=white selbkgradend=#87CeFA "
    "OverTextColor=blue><style name='errorused' bold  textcolor=red seltextcolor=red OverTextColor=red "
    "textshadowcolor=darkorange seltextshadowcolor=darkorange OverTextshadowColor=darkorange><style name='used' "
    "bold textcolor=darkorange seltextcolor=darkorange OverTextColor=darkorange><style name='error' textcolor=red "
    "seltextcolor=red OverTextColor=red><menucfg caption=\"") +
    "PicFlorvane by the PicFlorvane developers..." +
    "\" captionfontname=\"Comic Sans MS\" captionbold captionitalic captionbkcolor=blue captionbkgradstart=black "
    "captionbkgradend=blue captionbkgradv=true/>";

// Put before each node's menu mark-up.
constexpr const char* kMenuStyle =
    "data:<style fontname=helvetica fontsize=16 iconSize=16 bkcolor=menu textcolor=menutext selbkcolor=highlight "
    "seltextcolor=highlighttext bkgradstart=white bkgradend=gray OverTextColor=highlighttext OverBkColor=highlight "
    "overbkgradstart=highlight overbkgradend=white><menucfg caption=\"Actions...\" captionfontname=\"Comic Sans MS\" "
    "captionbold captionbkcolor=white captionbkgradstart=black captionbkgradend=white captionbkgradv=true/>";
constexpr int kMenuMouseTrack = 2;

constexpr const char* kNullRoot = "T* vbPtr()::operator->() const, pointer is NULL !";
constexpr const char* kNullChild = "T* vbRefPtr()::operator->() const, pointer is NULL !";

// The About box: the product name and version of the running program.
class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_PICFLORVANE_ABOUT) { }

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        if (!pDX->m_bSaveAndValidate)
            SetDlgItemText(int(IDC_PICFLORVANE_VERSION), vbGetProductName(nullptr, true));
    }
};

// A visible root read from a "data:" URL through the download centre.
guiTreeNodePtr loadRoot(const char* url)
{
    auto* node = new guiTreeNode(vbString());
    guiTreeNodePtr root(node);
    node->Release();
    node->Create();
    root->Load(url, vbDnPriority3);
    vbDnWait(static_cast<IvbDnObject*>(node), vbDnLoad, kLoadWaitMs, true);
    if (!root->IsLoaded())
        throw new vbEsys(E_POINTER, kNullRoot);
    root->SetVisible(true);
    return root;
}

} // namespace

picMainLayout picMainLayout::compute(int width, int height, int stripHeight)
{
    picMainLayout l;
    const int treeWidth = std::max((width - 9) * 35 / 100, 220);
    l.tree = CRect(3, 3, 3 + treeWidth, height - 3);
    const int bottom = height >= 146 ? height - 6 : 140;
    l.area = CRect(treeWidth + 6, 3, width - 3, bottom + 3);
    int pageBottom = bottom + 3;
    if (stripHeight >= 0) {
        if (stripHeight <= bottom) {
            pageBottom = bottom + 3 - stripHeight;
        } else {
            stripHeight = std::max(bottom, 0);
            pageBottom = 3;
        }
        l.strip = CRect(l.area.left, pageBottom, l.area.right, pageBottom + stripHeight);
    }
    l.stripHeight = stripHeight;
    l.box = CRect(l.area.left, 3, l.area.right, pageBottom);
    return l;
}

BEGIN_MESSAGE_MAP(CPicFlorvaneDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_SIZE()
    ON_WM_MOVE()
    ON_WM_CLOSE()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CPicFlorvaneDlg::CPicFlorvaneDlg(CWnd* parent)
    : CDialog(IDD_PICFLORVANE_MAIN, parent)
    , m_hIcon(LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_PICFLORVANE_ICON)))
    , m_app(this, "PICflorvane", "PicFlorvane")
    , m_container(&m_app, this, nullptr, nullptr)
    , m_background(nullptr, kButtonFace, vbNULLCOLOR, vbNULLCOLOR, false)
    , m_pageContainer(&m_box, nullptr, nullptr)
    , m_msgCb(&g_picInstanceMsg, vbVANTMSGCB(this, &CPicFlorvaneDlg::receiveStoppingMsg), false)
    , m_dataCb(8, &g_picInstanceDataMsg, vbVANTDATACB(this, &CPicFlorvaneDlg::receiveInterDataMsg), false)
    , m_root(loadRoot(kTreeStyle.c_str()))
    , m_filters(m_lock)
{
    m_tree.OnTreeClickCB() = guiTREESUBOPCB(this, &CPicFlorvaneDlg::onTreeClick);
    m_tree.OnTreeDClickCB() = guiTREESUBOPCB(this, &CPicFlorvaneDlg::onTreeDClick);
    m_tree.OnTreeContextMenuCB() = guiTREESUBOPCB(this, &CPicFlorvaneDlg::onTreeContextMenu);
    m_actionButton.OnTreeClickCB() = guiTREESUBOPCB(this, &CPicFlorvaneDlg::onMenuCommand);
    m_box.tcGetResizeCB() = guiRESIZECB(this, &CPicFlorvaneDlg::onBoxResized);
    m_filters.SetTreeRoot(m_root.Get());
    m_progress.OnAskSizeCB() = ASKSIZECB(this, &CPicFlorvaneDlg::onAskSize);
    m_progress.ListenPlugin(false, &g_picCompressPlugType, nullptr, vbPlugUpdateAllow);
    m_progress.ListenPlugin(false, &g_vbSocketPlugType, nullptr, vbPlugUpdateAllow);
    m_tree.OnTreeSelectCB() = guiTREESUBOPCB(this, &CPicFlorvaneDlg::onTreeSelect);
    picSetMainWnd(this);
    vbSectLock lock(&m_lock);
    m_bBusy = false;
}

CPicFlorvaneDlg::~CPicFlorvaneDlg()
{
    picSetMainWnd(nullptr);
    deleteImageView();
}

BOOL CPicFlorvaneDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CMenu* sysMenu = GetSystemMenu(FALSE);
    char about[256] = "";
    if (sysMenu && LoadStringA(AfxGetResourceHandle(), IDS_PICFLORVANE_ABOUT, about, sizeof about) > 0) {
        sysMenu->AppendMenu(MF_SEPARATOR);
        sysMenu->AppendMenu(MF_STRING, IDM_PICFLORVANE_ABOUT, about);
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    const CRect none(0, 0, 0, 0);
    m_tree.Create(&m_container, none, false, true);
    m_toolTip.Create(&m_container, none, false, true);
    m_container.SetToolTip(&m_toolTip);
    m_progress.Create(&m_container, none, false, true);
    m_box.Create(&m_container, none, false, true);
    m_box.SetAssociatedContainer(&m_pageContainer);
    m_box.tcSetVisible(true);

    m_bInitialised = true;
    CRect client;
    GetClientRect(&client);
    layout(client.Width(), client.Height());

    m_tree.SetRoot(guiTreeDraw_TreeView, m_root.Get());
    m_tree.tcSetVisible(true);
    if (!loadTreeFromRegistry(m_root.Get())) {
        picCreateDefaultTree(m_root.Get());
        m_autoSave.TakeAsStored();
    }
    try {
        guiTreeNodePtr projects;
        if (!m_root->GetChild(1, &projects))
            throw new vbEsys(E_POINTER, kNullChild);
        projects->Select();
    } catch (...) {
        picTraceCaught(kSource, __LINE__);
    }

    m_msgCb.Create();
    m_dataCb.Create();
    SetTimer(IDT_PICFLORVANE_AUTOSAVE, picTreeAutoSave::kPeriodMs, nullptr);
    return TRUE;
}

INT_PTR CPicFlorvaneDlg::DoModal(bool show)
{
    try {
        m_nModalResult = -1;
        if (!CreateFromTemplate(nullptr))
            return -1;
        if (m_hWnd && ::IsWindow(m_hWnd)) {
            const DWORD flags = (GetStyle() & DS_NOIDLEMSG) ? MLF_NOIDLEMSG : 0;
            if (show)
                PostMessage(WM_SYSCOMMAND, IDM_PICFLORVANE_SHOW, 0);
            g_vbHotPlugCenter.SetAppliWindow(true, m_hWnd);
            try {
                RunModalLoop(flags);
            } catch (...) {
                g_vbHotPlugCenter.SetAppliWindow(false, nullptr);
                throw;
            }
            g_vbHotPlugCenter.SetAppliWindow(false, nullptr);
            m_msgCb.Destroy();
            m_dataCb.Destroy();
        }
        if (m_hWnd) {
            SetWindowPos(nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
            DestroyWindow();
        }
        return m_nModalResult;
    } catch (...) {
        picTraceCaught(kSource, __LINE__);
        return -1;
    }
}

void CPicFlorvaneDlg::OnSysCommand(UINT nID, LPARAM)
{
    switch (nID & 0xFFF0) {
    case IDM_PICFLORVANE_ABOUT: {
        CAboutDlg about;
        about.m_pParentWnd = this;
        about.DoModal();
        break;
    }
    case IDM_PICFLORVANE_SHOW:
        SetForegroundWindow();
        ShowWindow(SW_SHOW);
        break;
    case IDM_PICFLORVANE_QUIT:
        EndModalLoop(0);
        postStopToInstances();
        break;
    default: Default();
    }
}

void CPicFlorvaneDlg::PaintBackground(CWnd& wnd, guiContainer& container, const guiSurface& surface, HICON icon)
{
    CPaintDC dc(&wnd);
    for (int i = container.GetLength(); i >= 1; --i) {
        CRect r;
        container.GetControl(i)->tcGetRect(r, false);
        if (!r.IsRectEmpty())
            dc.ExcludeClipRect(&r);
    }
    CRect client;
    wnd.GetClientRect(&client);
    surface.Fill(dc.GetSafeHdc(), client, nullptr);
    if (wnd.IsIconic() && icon)
        dc.DrawIcon((client.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2,
            (client.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2, icon);
}

void CPicFlorvaneDlg::OnPaint() { PaintBackground(*this, m_container, m_background, m_hIcon); }

HCURSOR CPicFlorvaneDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CPicFlorvaneDlg::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    layout(cx, cy);
    if (HasPendingImports() && !PostMessage(kImportPendingMsg))
        vbRelOutput(vbStringFormat("CPicFlorvaneDlg::OnSize() : can't post the import message (%u)",
                        unsigned(GetLastError())),
            true);
}

void CPicFlorvaneDlg::OnMove(int x, int y)
{
    CDialog::OnMove(x, y);
    closeActionMenu();
}

void CPicFlorvaneDlg::OnClose()
{
    deleteImageView();
    CDialog::OnClose();
}

void CPicFlorvaneDlg::OnDestroy()
{
    KillTimer(IDT_PICFLORVANE_AUTOSAVE);
    try {
        saveTree();
    } catch (...) {
        picTraceCaught(kSource, __LINE__);
    }
    // The tree is stored: the registry's log goes into its file now, and one that cannot (a file
    // made immutable) is told while a box can still be shown; once the window's loop has ended,
    // the quit it leaves queued would take a box away at once.
    plat::registryClose();
    picShowRegistryNotices();
    try {
        deleteImageView();
    } catch (...) {
        picTraceCaught(kSource, __LINE__);
    }
    CDialog::OnDestroy();
}

// The projects list may still be filling from the registry on a download worker: saved then, it
// would replace the stored tree with the part read so far. It gets its time; a list that does not
// finish is not saved, and the stored tree stays. Changes that cannot be stored are lost with the
// window: the person is told so.
void CPicFlorvaneDlg::saveTree()
{
    guiTreeNodePtr projects;
    if (m_root->GetChild(1, &projects) && !projects->IsLoaded()) {
        vbDnWait(static_cast<IvbDnObject*>(projects.Get()), vbDnLoad, kLoadWaitMs, true);
        if (!projects->IsLoaded()) {
            vbRelOutput("CPicFlorvaneDlg::saveTree() : the project tree has not loaded, it is not saved", true);
            return;
        }
    }
    const bool unstored = m_autoSave.HasUnstoredChanges();
    const vbString failure = m_autoSave.Save(m_root.Get());
    if (failure.IsEmpty() || !unstored)
        return;
    // On stderr too: a window closed by the session's end shows no box.
    const vbString text = picTreeAutoSave::CloseText(failure);
    std::fprintf(stderr, "PicFlorvane: %s\n", text.c_str());
    MessageBoxA(nullptr, text.c_str(), "PicFlorvane", MB_OK | MB_ICONERROR);
}

void CPicFlorvaneDlg::tickAutoSave()
{
    bool idle;
    {
        vbSectLock lock(&m_lock);
        idle = !m_bBusy && !m_bInPass;
    }
    m_autoSave.Tick(m_root.Get(), idle);
    // A registry file found damaged while the window stays.
    picShowRegistryNotices();
}

void CPicFlorvaneDlg::layout(int width, int height)
{
    if (!m_bInitialised)
        return;
    closeActionMenu();
    const picMainLayout l = picMainLayout::compute(width, height, m_progressHeight);
    m_area = l.area;
    m_progressHeight = l.stripHeight;
    m_tree.tcSetWindowPos(l.tree.left, l.tree.top, l.tree.Width(), l.tree.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    m_box.tcSetWindowPos(l.box.left, l.box.top, l.box.Width(), l.box.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_progressHeight >= 0)
        m_progress.tcSetWindowPos(l.strip.left, l.strip.top, l.strip.Width(), l.strip.Height(),
            SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CPicFlorvaneDlg::onAskSize(guiProgress*, const CSize& wanted, const CSize&)
{
    m_progressWanted = wanted.cy;
    picNodePtr shown;
    {
        vbSectLock lock(&m_lock);
        shown = m_shownNode;
    }
    return !holdsStrip(shown) && setStripHeight(wanted.cy);
}

bool CPicFlorvaneDlg::holdsStrip(picNode* shown)
{
    void* filter = nullptr;
    return shown && shown->GetInterface(IID_IpicLightFilter, &filter);
}

bool CPicFlorvaneDlg::setStripHeight(int height)
{
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (height > 0) {
        height = std::min(height, int(m_area.Height()));
        if (height == m_progressHeight)
            return false;
        m_progressHeight = height;
        m_box.tcSetWindowPos(m_area.left, m_area.top, m_area.Width(), m_area.Height() - height, flags);
        m_progress.tcSetWindowPos(m_area.left, m_area.bottom - height, m_area.Width(), height, flags);
        if (!m_progress.tcGetVisible())
            m_progress.tcSetVisible(true);
        return true;
    }
    if (m_progress.tcGetVisible()) {
        m_progressHeight = -1;
        m_progress.tcSetVisible(false);
        m_progress.tcSetWindowPos(0, 0, 0, 0, flags);
        m_box.tcSetWindowPos(m_area.left, m_area.top, m_area.Width(), m_area.Height(), flags);
    }
    return true;
}

bool CPicFlorvaneDlg::onTreeClick(sIguiTreeDraw*, IguiTreeNode*, bool, bool handled)
{
    if (!handled)
        closeActionMenu();
    return true;
}

bool CPicFlorvaneDlg::onTreeContextMenu(sIguiTreeDraw*, IguiTreeNode* node, bool, bool)
{
    return openNodeMenu(picNodeQIPtr(node, true).Get(), nullptr);
}

bool CPicFlorvaneDlg::openNodeMenu(picNode* node, const CRect* rect)
{
    CRect anchor;
    if (rect) {
        anchor = *rect;
        ScreenToClient(&anchor);
    } else {
        CPoint mouse;
        GetCursorPos(&mouse);
        ScreenToClient(&mouse);
        anchor = CRect(mouse.x - 5, mouse.y - 5, mouse.x, mouse.y);
    }
    picNodePtr target = picNodeQIPtr(node ? static_cast<IguiTreeNode*>(node) : nullptr, true);
    if (m_actionButton.GetSafeHwnd()) {
        m_actionButton.tcSetWindowPos(anchor.left, anchor.top, anchor.Width(), anchor.Height(),
            SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        m_actionButton.Create(&m_container, anchor, true, true);
        m_actionButton.SetMouseTrack(guiMouseTrack(kMenuMouseTrack));
    }
    {
        vbSectLock lock(&m_lock);
        m_menuTarget = nullptr;
    }
    vbString markup;
    target->GetMenuMarkup(this, markup);
    loadMenu(vbString(kMenuStyle) + markup, target->GetMenuStamp());
    m_actionButton.SetRoot(m_menuRoot.Get());
    {
        vbSectLock lock(&m_lock);
        m_menuTarget = target;
    }
    m_toolTip.HideTip();
    m_actionButton.OpenPopup();
    return true;
}

void CPicFlorvaneDlg::loadMenu(const vbString& text, uint64_t stamp)
{
    if (!m_menuRoot.IsNull() && text == m_menuText && stamp == m_menuStamp)
        return;
    m_menuRoot = nullptr;
    m_menuText = text;
    m_menuStamp = stamp;
    m_menuRoot = loadRoot(text.c_str());
}

bool CPicFlorvaneDlg::onMenuCommand(sIguiTreeDraw* draw, IguiTreeNode* item, bool, bool)
{
    if (draw)
        draw->AskClose(false);
    picNodePtr target;
    {
        vbSectLock lock(&m_lock);
        target = m_menuTarget;
    }
    if (target.IsNull())
        throw new vbEsys(E_POINTER, kNullChild);
    target->OnMenuCommand(this, item ? item->GetName() : vbString());
    return true;
}

void CPicFlorvaneDlg::closeActionMenu()
{
    if (m_actionButton.GetSafeHwnd())
        m_actionButton.ClosePopup();
}

bool CPicFlorvaneDlg::onTreeDClick(sIguiTreeDraw*, IguiTreeNode*, bool, bool handled) { return handled; }

void CPicFlorvaneDlg::fillFilterCombo(CWnd& combo, picChannelFilter& holder) { m_filters.fillFilterCombo(combo, holder); }

bool CPicFlorvaneDlg::readFilterCombo(CWnd& combo, picChannelFilter& holder)
{
    return m_filters.readFilterCombo(combo, holder);
}

bool CPicFlorvaneDlg::resolveFilterNode(picChannelFilter& holder, picNodePtr* out)
{
    return m_filters.resolveFilterNode(holder, out);
}

bool CPicFlorvaneDlg::findFilterByPrefix(const vbString& text, picNodePtr* out)
{
    return m_filters.findFilterByPrefix(text, out);
}

bool CPicFlorvaneDlg::isFilterListValid() { return m_filters.IsValid(); }

// Nodes added, renamed or loaded invalidate the filter list: the tree is to be saved as well.
void CPicFlorvaneDlg::invalidateFilterList()
{
    m_filters.Invalidate();
    treeChanged();
}

void CPicFlorvaneDlg::notifyStoredChange() { treeChanged(); }

void CPicFlorvaneDlg::treeChanged()
{
    guiTreeNodePtr projects;
    if (m_root->GetChild(1, &projects) && !projects->IsLoaded())
        m_autoSave.TakeAsStored();
    else
        m_autoSave.MarkChanged();
}

void CPicFlorvaneDlg::setCopyNode(picNode* node)
{
    vbSectLock lock(&m_lock);
    m_copyNode.Set(node);
}

bool CPicFlorvaneDlg::getCopyNode(picNodePtr* out)
{
    vbSectLock lock(&m_lock);
    return m_copyNode.Get(out);
}

bool CPicFlorvaneDlg::runFileDialog(bool open, const char* filter, const char* defExt, DWORD flags, vbString& path,
    const char* title)
{
    CFileDialog dlg(open, defExt, path.IsEmpty() ? nullptr : path.c_str(), flags, filter, this);
    if (title)
        dlg.m_ofn.lpstrTitle = title;
    if (dlg.DoModal() != IDOK)
        return false;
    path = dlg.GetPathName().c_str();
    return true;
}

bool CPicFlorvaneDlg::chooseImageToSave(vbString& path, const char* title)
{
    return runFileDialog(false, kImageFilter, ".jpg", kSaveFlags, path, title);
}

bool CPicFlorvaneDlg::chooseImageToOpen(vbString& path, const char* title)
{
    return runFileDialog(true, kImageFilter, ".jpg", kOpenFlags, path, title);
}

bool CPicFlorvaneDlg::pickProjectToSave(vbString& path, const char* title)
{
    return runFileDialog(false, kProjectFilter, ".picf", kSaveFlags, path, title);
}

bool CPicFlorvaneDlg::pickProjectToOpen(vbString& path, const char* title)
{
    return runFileDialog(true, kProjectFilter, ".picf", kOpenFlags, path, title);
}

bool CPicFlorvaneDlg::chooseImagesToImport(vbArray<vbString>& files, const char* title)
{
    // The given names, each ended by a zero byte, and one more zero byte at the end.
    std::string start;
    for (int i = 1; i <= files.GetSize(); ++i)
        start.append(files[i].c_str()).push_back('\0');
    start.push_back('\0');
    std::vector<char> buffer(std::max(start.size(), kImportBuffer), '\0');
    std::copy(start.begin(), start.end(), buffer.begin());

    CFileDialog dlg(TRUE, ".jpg", nullptr, kOpenFlags | OFN_ALLOWMULTISELECT, kImageFilter, this);
    dlg.m_ofn.lpstrFile = buffer.data();
    dlg.m_ofn.nMaxFile = DWORD(buffer.size());
    if (title)
        dlg.m_ofn.lpstrTitle = title;
    if (dlg.DoModal() != IDOK)
        return false;
    files.RemoveAll();
    for (POSITION pos = dlg.GetStartPosition(); pos;) {
        const std::string path = dlg.GetNextPathName(pos);
        if (path.empty())
            break;
        files[files.AddEmpty()] = path.c_str();
    }
    return true;
}

void CPicFlorvaneDlg::showImageView(picNode* node)
{
    deleteGoneView();
    if (!m_pView)
        m_pView = new CPicFlorvaneViewDlg(*this);
    m_pView->ShowNode(node);
}

void CPicFlorvaneDlg::ForgetImageView(CPicFlorvaneViewDlg* view)
{
    if (m_pView != view)
        return;
    // Its window is still going away under this call: the object goes at the next occasion.
    m_pView = nullptr;
    deleteGoneView();
    m_pGoneView = view;
}

void CPicFlorvaneDlg::deleteGoneView()
{
    CPicFlorvaneViewDlg* view = m_pGoneView;
    m_pGoneView = nullptr;
    delete view;
}

void CPicFlorvaneDlg::deleteImageView()
{
    deleteGoneView();
    CPicFlorvaneViewDlg* view = m_pView;
    m_pView = nullptr;
    delete view;
}
