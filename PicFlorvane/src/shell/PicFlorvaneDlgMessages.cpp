// What reaches the main window from other threads and other instances: node changes, the
// coalesced change pass, the page of the shown node and the files handed over for import. Other
// threads only change counters and lists under the window's locks and post one of three private
// messages; the window thread does the work.

#include "PicFlorvaneDlg.h"

#include "picCaught.h"
#include "picInstanceMsg.h"

#include "vbDnItf.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbFileTools.h"
#include "vbLog.h"
#include "vbMsg.h"
#include "vbSharedMem.h"

#include "plat/msgbox.h"
#include "plat/thread.h"

#include <vector>

namespace {

constexpr const char* kSource = "PicFlorvaneDlg";
constexpr UINT kRefreshPage = WM_APP + 1;
constexpr UINT kChangePass = WM_APP + 2;
constexpr UINT kImportFiles = WM_APP + 3;
constexpr int kProjectsLoadWaitMs = 30000;

// Clears a flag under a lock when the scope ends, however it ends.
class ClearOnExit {
public:
    ClearOnExit(CCriticalSection& lock, bool& flag) : m_lock(lock), m_flag(flag) { }
    ~ClearOnExit()
    {
        try {
            vbSectLock hold(&m_lock);
            m_flag = false;
        } catch (...) {
            picShowCaught(kSource, __LINE__);
        }
    }
    ClearOnExit(const ClearOnExit&) = delete;
    ClearOnExit& operator=(const ClearOnExit&) = delete;

private:
    CCriticalSection& m_lock;
    bool& m_flag;
};

// The same object, compared through its IUnknown identity.
bool sameNode(picNode* a, picNode* b)
{
    if (!a || !b)
        return a == b;
    vbRefQIPtr<IUnknown, &IID_IUnknown> x(static_cast<IguiTreeNode*>(a), false);
    vbRefQIPtr<IUnknown, &IID_IUnknown> y(static_cast<IguiTreeNode*>(b), false);
    return x.Get() == y.Get();
}

} // namespace

LRESULT CPicFlorvaneDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    guiDispLock display(guiIsMBoxToLock(message) ? &m_app : nullptr);
    guiExceptionScope context(&m_app);
    try {
        switch (message) {
        case WM_ERASEBKGND:
            // WM_PAINT fills the background between the controls.
            return 1;
        case kRefreshPage:
            refreshPage();
            return 0;
        case kChangePass:
            runChangePass();
            return 0;
        case WM_TIMER:
            if (wParam != IDT_PICFLORVANE_AUTOSAVE)
                break;
            tickAutoSave();
            return 0;
        case kImportFiles:
            try {
                importPendingFiles();
            } catch (...) {
                // The user asked for these files: a refused one is said.
                picShowCaught(kSource, __LINE__);
            }
            return 0;
        default: break;
        }
        LRESULT result = 0;
        if (m_container.DispatchMsg(message, wParam, lParam, result))
            return result;
        return CDialog::WindowProc(message, wParam, lParam);
    } catch (...) {
        picTraceCaught(kSource, __LINE__);
        return 0;
    }
}

void CPicFlorvaneDlg::SetPendingImports(vbArray<vbString>& files)
{
    vbSectLock lock(&m_pendingLock);
    m_pendingImports = files;
    files.RemoveAll();
}

bool CPicFlorvaneDlg::HasPendingImports()
{
    vbSectLock lock(&m_pendingLock);
    return m_pendingImports.GetSize() > 0;
}

bool CPicFlorvaneDlg::GetShownNode(picNodePtr* out)
{
    vbSectLock lock(&m_lock);
    *out = m_shownNode;
    return bool(m_shownNode);
}

picNodePtr CPicFlorvaneDlg::projectsList()
{
    guiTreeNodeRef child;
    m_root->GetChild(1, &child);
    return picNodeQIPtr(child.Get(), true);
}

// --- the page of a node ---

void CPicFlorvaneDlg::showNode(picNode* node) { showPage(node, true); }

// The page of a destroyed node, or of a node that went with it, must not stay: the former parent
// is shown instead. Any other shown page stays as the user left it.
void CPicFlorvaneDlg::onNodeDeleted(picNode* former)
{
    m_autoSave.MarkChanged();
    picNodePtr shown;
    if (GetShownNode(&shown) && isInTree(shown))
        return;
    showNode(former);
    selectFromTop(former);
}

// A node's selection goes to the level that shows its children, which goes away with its last
// child; the tree's top level, where the node's row stays, is asked too, with the path down to it.
void CPicFlorvaneDlg::selectFromTop(picNode* node)
{
    sIguiTreeDraw* draw = m_tree.GetDraw();
    if (!draw || !node)
        return;
    std::vector<IguiTreeNode*> path;
    guiTreeNodeRef at(static_cast<IguiTreeNode*>(node));
    while (at.Get() != m_root.Get()) {
        path.push_back(at.Get());
        guiTreeNodeRef above;
        if (!at->GetParent(1, &above))
            return;
        at = above;
    }
    if (!path.empty())
        draw->PostCmdNodes(guiTreeCmd_Select, path.data(), int(path.size()));
}

bool CPicFlorvaneDlg::isInTree(picNode* node) const
{
    if (node->IsInDestruction())
        return false;
    const IguiTreeNode* root = m_root.Get();
    guiTreeNodeRef at(static_cast<IguiTreeNode*>(node));
    for (guiTreeNodeRef above; at->GetParent(1, &above); at = above)
        if (above.Get() == root)
            return true;
    return false;
}

bool CPicFlorvaneDlg::onTreeSelect(sIguiTreeDraw*, IguiTreeNode* node, bool, bool)
{
    picNodeQIPtr shown(node, true);
    showPage(shown.operator->(), false);
    return true;
}

void CPicFlorvaneDlg::showPage(picNode* node, bool select)
{
    {
        vbSectLock lock(&m_lock);
        if (m_bBusy)
            return;
        m_bBusy = true;
    }
    ClearOnExit notBusy(m_lock, m_bBusy);
    if (select && node)
        node->Select();
    picNodePtr previous;
    // Before the build, which then lays the page out once for the box left to it.
    if (!holdsStrip(node))
        setStripHeight(m_progressWanted);
    if (!node) {
        showTitle(nullptr);
        m_pageContainer.ClearCtrls();
        {
            vbSectLock lock(&m_lock);
            previous = m_shownNode;
            m_shownNode.Release();
        }
        if (previous)
            previous->DropPropertyPage();
        return;
    }
    const uint64_t stamp = node->GetDisplayStamp();
    {
        vbSectLock lock(&m_lock);
        if (sameNode(m_shownNode, node) && stamp == m_shownStamp)
            return;
        previous = m_shownNode;
    }
    showTitle(node);
    CRect rect = m_box.tcGetClientRect();
    m_pageContainer.ClearCtrls();
    // A rebuild of the same node, whose stamp moved, keeps its page state.
    if (previous && !sameNode(previous, node))
        previous->DropPropertyPage();
    node->BuildPropertyPage(this, &m_pageContainer, rect, false);
    vbSectLock lock(&m_lock);
    m_shownNode = node;
    m_shownStamp = stamp;
}

void CPicFlorvaneDlg::refreshPage()
{
    picNodePtr node;
    {
        vbSectLock lock(&m_lock);
        if (m_bBusy || !m_shownNode)
            return;
        node = m_shownNode;
        m_bBusy = true;
    }
    ClearOnExit notBusy(m_lock, m_bBusy);
    showTitle(node);
    CRect rect = m_box.tcGetClientRect();
    node->BuildPropertyPage(this, &m_pageContainer, rect, true);
}

void CPicFlorvaneDlg::showTitle(picNode* node)
{
    SetWindowText(node ? node->GetText() + " - PicFlorvane..." : vbString("PicFlorvane..."));
}

void CPicFlorvaneDlg::onBoxResized(const CRect&) { refreshPage(); }

// A build's own news is not heard, or the page would rebuild itself without end. News from
// another thread during a build may tell of what the build has already read (a node it shows
// only once it is over, too): the page is refreshed after the build.
void CPicFlorvaneDlg::onNodeChanged(picNode* node)
{
    bool post = false;
    {
        vbSectLock lock(&m_lock);
        if (!m_bBusy)
            post = sameNode(m_shownNode, node);
        else
            post = m_hWnd && GetWindowThreadProcessId(m_hWnd, nullptr) != GetCurrentThreadId();
    }
    if (post && m_hWnd)
        vbPostMessage(m_hWnd, kRefreshPage, 0, 0);
}

// --- the change pass ---

void CPicFlorvaneDlg::notifyChange()
{
    vbSectLock lock(&m_lock);
    if (m_changeCount == m_changeDone) {
        lock.Unlock();
        // Before the window exists nothing is counted: the nodes keep their work stamps, and
        // the first pass after it exists takes them all.
        if (!m_hWnd)
            return;
        vbPostMessage(m_hWnd, kChangePass, 0, 0);
        lock.Lock(&m_lock);
    }
    ++m_changeCount;
}

void CPicFlorvaneDlg::runChangePass()
{
    if (m_bInPass)
        return;
    m_bInPass = true;
    struct EndPass {
        bool& inPass;
        ~EndPass() { inPass = false; }
    } endPass{m_bInPass};
    for (;;) {
        bool quit = false;
        while (vbDoOneEvent(&quit)) {
        }
        if (quit)
            return;
        uint64_t snapshot;
        {
            vbSectLock lock(&m_lock);
            snapshot = m_changeCount;
        }
        projectsList()->UpdateWalk(this);
        vbSectLock lock(&m_lock);
        if (m_changeCount == snapshot) {
            m_changeDone = snapshot;
            m_autoSave.MarkChanged();
            return;
        }
    }
}

// --- other instances ---

void CPicFlorvaneDlg::receiveStoppingMsg(vbVantMsgCb&, DWORD value1, DWORD)
{
    const HWND window = m_hWnd;
    if (!window)
        return;
    vbString text;
    text.Format("CPicFlorvaneDlg::receiveStoppingMsg(%u) : received", unsigned(value1));
    vbRelOutput(text, true);
    vbPostMessage(window, WM_SYSCOMMAND, value1 ? IDM_PICFLORVANE_SHOW : IDM_PICFLORVANE_QUIT, 0);
}

void CPicFlorvaneDlg::receiveInterDataMsg(vbVantDataCb&, vbSharedMem* block, DWORD, DWORD)
{
    vbData data;
    {
        const ULONG length = block->GetLength();
        vbMemLock bytes(block);
        const void* p = bytes;
        if (length < 1)
            throw new vbEsys(E_INVALIDARG, "vbData.SetData() failure");
        data.SetData(p, int(length));
    }
    // Read whole first: a damaged block appends nothing and posts nothing.
    vbArray<vbString> files;
    picParseImportBlock(data, &files);
    for (int i = 1; i <= files.GetSize(); ++i) {
        vbSectLock lock(&m_pendingLock);
        m_pendingImports.Add(files[i]);
    }
    vbPostMessage(m_hWnd, kImportFiles, 0, 0);
}

void CPicFlorvaneDlg::importPendingFiles()
{
    vbArray<vbString> files;
    {
        vbSectLock lock(&m_pendingLock);
        if (m_pendingImports.GetSize() == 0)
            return;
        files = m_pendingImports;
        m_pendingImports.RemoveAll();
    }
    vbString question("Confirm that you want to import, in PicFlorvane, file");
    if (files.GetSize() > 1)
        question += "s";
    for (int i = 1; i <= files.GetSize(); ++i)
        question += (i == 1 ? " " : ", ") + vbGetFileNameExt(files[i].c_str());
    question += "?";
    if (vbMBox(m_hWnd, question, "Question", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    picNodePtr projects = projectsList();
    if (!projects->IsLoaded())
        vbDnWait(static_cast<IvbDnObject*>(projects.Get()), vbDnLoad, kProjectsLoadWaitMs,
            true);
    // The first refused file ends the batch.
    for (int i = 1; i <= files.GetSize(); ++i)
        projects->ImportFile(this, files[i]);
}
