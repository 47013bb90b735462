#include "guiPopupButton.h"

#include "draw/guiTreeDrawPost.h"

#include "vbExceptionReport.h"

#include "plat/afxwin.h"
#include "plat/dialog.h"

// Hands the notices of one of the button's observing pointers to the button.
class guiPopupButton::Notices final : public sIvbPtrCb {
public:
    using Handler = void (guiPopupButton::*)(int signal);
    Notices(guiPopupButton& button, Handler handler) : m_button(button), m_handler(handler) {}
    void onPtrSignal(sIvbPtr*, int signal) override { (m_button.*m_handler)(signal); }
    // A root coming in is a change of the whole button; a style record coming in is not.
    void onPtrLink(sIvbPtr*) override { (m_button.*m_handler)(kLinked); }
    void onPtrUnlink(sIvbPtr*) override {}

    static constexpr int kLinked = 0x7FFF;

private:
    guiPopupButton& m_button;
    Handler m_handler;
};

guiPopupButton::guiPopupButton()
    : m_post(std::make_unique<guiTreeDrawPost>(this)),
      m_popup(nullptr),
      m_rootNotices(std::make_unique<Notices>(*this, &guiPopupButton::rootNotice)),
      // The root reaches the button as one of its style listeners; it shows no node itself.
      m_root(std::make_unique<guiTreeRootLink>(nullptr, this, m_rootNotices.get())),
      m_aspectNotices(std::make_unique<Notices>(*this, &guiPopupButton::aspectNotice)),
      m_aspect(std::make_unique<guiTreeAspectLink>(m_aspectNotices.get())),
      m_aspectEngine(this, nullptr, this),
      m_loadingIconUrl(vbIconHOURGLASS),
      m_loadingIcon(this, CSize(16, 16))
{
    m_popup.SetTreeMain(this);
}

guiPopupButton::~guiPopupButton()
{
    // The window goes while the whole button still answers its destruction; then nothing may
    // post or call back into a half-destroyed button.
    try {
        if (GetSafeHwnd())
            DestroyWindow();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    }
    m_post->Stop([] {});
    m_root->Set(nullptr);
    m_aspect->Set(nullptr);
}

void guiPopupButton::Create(guiContainer* container, const RECT& rect, bool visible, bool enabled)
{
    guiButton::Create(container, rect, visible, enabled);
    m_popup.Create(container, CRect(0, 0, 0, 0), false, true);
    // Notices that came before the window are taken now.
    bool pending = false;
    m_post->Locked([&] {
        const Pending& p = m_pending;
        pending = p.update || p.redraw || p.loaded;
    });
    if (pending)
        m_post->Request([] {});
}

// --- root and properties ---

bool guiPopupButton::SetRoot(IguiTreeNode* root)
{
    ClosePopup();
    m_root->Set(root);
    const bool changed = m_popup.SetRoot(root);
    updateStatus();
    return changed;
}

bool guiPopupButton::SetRoot(guiTreeDrawType type, IguiTreeNode* root)
{
    ClosePopup();
    m_root->Set(root);
    const bool changed = m_popup.SetRoot(type, root);
    updateStatus();
    return changed;
}

bool guiPopupButton::GetRoot(guiTreeNodeRef* out) const { return m_popup.GetRoot(out); }
bool guiPopupButton::SetDrawType(guiTreeDrawType type) { return m_popup.SetDrawType(type); }
guiTreeDrawType guiPopupButton::GetDrawType() const { return m_popup.GetDrawType(); }
bool guiPopupButton::SetCheckBoxes(bool on) { return m_popup.SetCheckBoxes(on); }
bool guiPopupButton::HasCheckBoxes() const { return m_popup.HasCheckBoxes(); }
bool guiPopupButton::SetCheckMode(guiNodeCheckMode mode) { return m_popup.SetCheckMode(mode); }
guiNodeCheckMode guiPopupButton::GetCheckMode() const { return m_popup.GetCheckMode(); }
bool guiPopupButton::SetExpandedLevel(int level) { return m_popup.SetExpandedLevel(level); }
int guiPopupButton::GetExpandedLevel() const { return m_popup.GetExpandedLevel(); }
bool guiPopupButton::SetOnlyOneExpanded(bool only) { return m_popup.SetOnlyOneExpanded(only); }
bool guiPopupButton::GetOnlyOneExpanded() const { return m_popup.GetOnlyOneExpanded(); }
bool guiPopupButton::SetMouseTrack(guiMouseTrack track) { return m_popup.SetMouseTrack(track); }
guiMouseTrack guiPopupButton::GetMouseTrack() const { return m_popup.GetMouseTrack(); }
bool guiPopupButton::SetAspectName(const vbString& name) { return m_popup.SetAspectName(name); }
vbString guiPopupButton::GetAspectName() const { return m_popup.GetAspectName(); }
bool guiPopupButton::SetUserCanExpandAll(bool can) { return m_popup.SetUserCanExpandAll(can); }
bool guiPopupButton::GetUserCanExpandAll() const { return m_popup.GetUserCanExpandAll(); }

bool guiPopupButton::GetSelected(guiTreeNodeRef* out, bool* helpPart) const
{
    return m_popup.GetSelected(out, helpPart);
}

bool guiPopupButton::SetFilterMask(LONG mask)
{
    if (mask == m_filterMask)
        return false;
    m_filterMask = mask;
    if (sIguiTreeDraw* draw = m_popup.GetDraw())
        draw->UpdateTree(true);
    return true;
}

void guiPopupButton::SetPopupDir(guiPopupDir dir)
{
    if (dir == m_popupDir)
        return;
    ClosePopup();
    m_popupDir = dir;
}

void guiPopupButton::SetPopupAlign(bool align)
{
    if (align == m_bPopupAlign)
        return;
    ClosePopup();
    m_bPopupAlign = align;
}

// --- the popup ---

void guiPopupButton::screenRect(CRect& rect) { tcGetRect(rect, true); }

void guiPopupButton::OpenPopup()
{
    CRect anchor;
    screenRect(anchor);
    m_popup.Open(anchor, m_popupDir);
}

void guiPopupButton::ClosePopup()
{
    if (m_popup.IsOpen())
        m_popup.Close();
}

bool guiPopupButton::IsPopupOpen() const { return m_popup.IsOpen(); }

bool guiPopupButton::IsTreeChild(HWND hwnd) { return hwnd && IsChildCtrl(hwnd, guiTreeRec_Both); }

guiTREESUBOPCB& guiPopupButton::OnTreeClickCB() { return m_popup.OnTreeClickCB(); }
guiTREESUBOPCB& guiPopupButton::OnTreeDClickCB() { return m_popup.OnTreeDClickCB(); }
guiTREESUBOPCB& guiPopupButton::OnTreeOverCB() { return m_popup.OnTreeOverCB(); }
guiTREESUBOPCB& guiPopupButton::OnTreeSelectCB() { return m_popup.OnTreeSelectCB(); }
guiTREESUBOPCB& guiPopupButton::OnTreeContextMenuCB() { return m_popup.OnTreeContextMenuCB(); }
guiTREEOPCB& guiPopupButton::OnTreeExpandCB() { return m_popup.OnTreeExpandCB(); }
guiTREEOPCB& guiPopupButton::OnTreeCollapseCB() { return m_popup.OnTreeCollapseCB(); }
guiTREEOPCB& guiPopupButton::OnTreeExpandParentCB() { return m_popup.OnTreeExpandParentCB(); }
guiTREEOPCB& guiPopupButton::OnTreeCollapseParentCB() { return m_popup.OnTreeCollapseParentCB(); }
guiTREECHECKCB& guiPopupButton::OnTreeCheckCB() { return m_popup.OnTreeCheckCB(); }
guiTREEPOPUPCB& guiPopupButton::OnTreeCloseCB() { return m_popup.OnTreeCloseCB(); }
guiTREEPOPUPCB& guiPopupButton::OnTreeOpenCB() { return m_popup.OnTreeOpenCB(); }

// --- coalesced updates ---

void guiPopupButton::post(bool Pending::*first, bool Pending::*second)
{
    auto record = [&] {
        m_pending.*first = true;
        if (second)
            m_pending.*second = true;
    };
    // Without a window the flags wait for Create.
    if (GetSafeHwnd())
        m_post->Request(record);
    else
        m_post->Locked(record);
}

void guiPopupButton::PostUpdate() { post(&Pending::update, nullptr); }
void guiPopupButton::PostUpdateRec() { post(&Pending::update, &Pending::updateReset); }
void guiPopupButton::PostRedraw() { post(&Pending::redraw, nullptr); }
void guiPopupButton::PostRedrawRec() { post(&Pending::redraw, &Pending::redrawReset); }
void guiPopupButton::PostLoaded() { post(&Pending::loaded, nullptr); }

void guiPopupButton::onProcessUpdate()
{
    Pending p;
    if (!m_post->Take([&] { std::swap(p, m_pending); }))
        return;
    if (p.loaded)
        onLoaded(!p.update && !p.redraw);
    if (p.update) {
        onUpdate(p.updateReset);
        onRedraw(p.redrawReset);
    } else if (p.redraw) {
        onRedraw(p.redrawReset);
    }
}

void guiPopupButton::rootNotice(int signal)
{
    if (!m_root->Peek())
        return;
    switch (signal) {
    case Notices::kLinked:
        // A new root brings its own style records: the default one is looked up again.
        PostUpdateRec();
        break;
    case 3:
        PostUpdate();
        break;
    case 4:
        PostRedraw();
        break;
    case 0:
    case -1:
        PostLoaded();
        break;
    default:
        break;
    }
}

void guiPopupButton::aspectNotice(int signal)
{
    if (!m_aspect->Peek())
        return;
    if (signal == 3)
        PostUpdateRec();
    else if (signal == 4)
        PostRedrawRec();
}

void guiPopupButton::onUpdate(bool reset)
{
    if (reset)
        resetAspect(true);
    const CSize size = m_aspectEngine.GetSzIcon();
    const vbString& loading = m_aspectEngine.GetLoadingIcon();
    if (loading != m_loadingIcon.GetUrl())
        m_loadingIcon.SetUrl(loading, size, vbDnPriorityFast3);
    else
        m_loadingIcon.SetSize(size, vbDnPriorityFast3);
    Icon().SetSize(size, vbDnPriority1);
    SelIcon().SetSize(size, vbDnPriority1);
}

void guiPopupButton::onRedraw(bool reset)
{
    if (reset)
        resetAspect(false);
    repaintButton();
}

void guiPopupButton::onLoaded(bool redraw)
{
    updateStatus();
    if (redraw)
        onRedraw(false);
}

void guiPopupButton::resetAspect(bool full)
{
    m_aspectEngine.Reset();
    if (!full)
        return;
    m_bAspectResolved = false;
    m_aspect->Set(nullptr);
}

void guiPopupButton::updateStatus()
{
    guiTreeNodeRef root;
    if (!m_root->Get(&root)) {
        m_status.Empty();
        m_bLoaded = true;
    } else if (!root->IsLoaded()) {
        m_bLoaded = false;
        m_status = "Loading...";
    } else {
        ULONG code = 0;
        vbString message;
        if (root->GetError(code, message))
            m_status = "Error during download :\n" + message;
        else
            m_status.Empty();
        m_bLoaded = true;
    }
    if (guiContainer* container = tcGetContainer())
        container->UpdateToolTip(this);
}

void guiPopupButton::repaintButton()
{
    if (GetSafeHwnd())
        InvalidateRect(nullptr, FALSE);
}

// --- owner of the popup ---

bool guiPopupButton::onItemChecked(bool, sIguiTreeDraw*, IguiTreeNode*, bool*, bool, bool) { return false; }
bool guiPopupButton::onItemClicked(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool) { return false; }
bool guiPopupButton::onItemDClicked(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool) { return false; }
bool guiPopupButton::onItemSelected(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool) { return false; }
bool guiPopupButton::onItemOver(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool) { return false; }
bool guiPopupButton::onItemContextMenu(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool) { return false; }
bool guiPopupButton::onItemExpanded(bool, sIguiTreeDraw*, IguiTreeNode*, bool) { return false; }
bool guiPopupButton::onItemCollapsed(bool, sIguiTreeDraw*, IguiTreeNode*, bool) { return false; }
bool guiPopupButton::onItemParentExpanded(bool, sIguiTreeDraw*, IguiTreeNode*, bool) { return false; }
bool guiPopupButton::onItemParentCollapsed(bool, sIguiTreeDraw*, IguiTreeNode*, bool) { return false; }

bool guiPopupButton::IsChildCtrl(HWND window, guiTreeRec rec)
{
    if (window && window == GetSafeHwnd())
        return true;
    if (rec == guiTreeRec_Down || rec == guiTreeRec_Both)
        return m_popup.IsChildCtrl(window, guiTreeRec_Down);
    return false;
}

bool guiPopupButton::GetRectPopupChanges(guiPopupTreeCtrl&, const CRect* anchor, CRect* out)
{
    if (anchor && out)
        screenRect(*out);
    return true;
}

bool guiPopupButton::askSetFocus(guiPopupTreeCtrl&)
{
    SetFocus();
    return true;
}

void guiPopupButton::onPopupClosed(guiPopupTreeCtrl&)
{
    m_bPopupOpen = false;
    repaintButton();
}

void guiPopupButton::onPopupOpened(guiPopupTreeCtrl&)
{
    m_bPopupOpen = true;
    repaintButton();
}

bool guiPopupButton::onSelectLeftChild(guiPopupTreeCtrl&, sIguiTreeDraw* draw)
{
    draw->AskClose(true);
    return true;
}

bool guiPopupButton::onChangePopupSize(guiPopupDir dir, CRect& rect)
{
    if (!m_bPopupAlign)
        return false;
    CRect button;
    screenRect(button);
    if (dir == guiPopupDir_Left || dir == guiPopupDir_Right) {
        rect.top = button.top;
        rect.bottom = button.bottom;
    } else {
        rect.left = button.left;
        rect.right = button.right;
    }
    return true;
}

// --- style source ---

bool guiPopupButton::GetAspect(guiTreeAspectEngine*, const vbString* names, int count, guiTreeAspectRef* out)
{
    guiTreeNodeRef root;
    if (!m_root->Get(&root))
        return false;
    for (int i = 0; i < count; ++i) {
        if (root->GetAspect(names[i], out))
            return true;
    }
    return false;
}

IguiTreeAspect* guiPopupButton::GetAspect(guiTreeAspectEngine*)
{
    if (!m_bAspectResolved) {
        const vbString aspectName = GetAspectName();
        vbString names[3];
        int count = 0;
        if (!aspectName.IsEmpty())
            names[count++] = "popupbtn." + aspectName;
        names[count++] = "popupbtn";
        names[count++] = "";
        guiTreeAspectRef found;
        m_aspect->Set(m_aspectEngine.GetAspect(names, count, &found, false) ? found.Get() : nullptr);
        m_bAspectResolved = true;
    }
    return m_aspect->Peek();
}

void guiPopupButton::onAspectListChange(IguiTreeNode*) { PostUpdateRec(); }

// --- style defaults: the button's own look ---

namespace {

template <class T>
T& mut(const T& v)
{
    return const_cast<T&>(v);
}

} // namespace

const CSize& guiPopupButton::GetSzIcon() const
{
    m_szIcon = mut(*this).Icon().GetSize();
    return m_szIcon;
}

const guiFont& guiPopupButton::GetFont() const { return mut(*this).tcGetFont(); }
const guiFont& guiPopupButton::GetSelFont() const { return GetFont(); }
const guiFont& guiPopupButton::GetOverFont() const { return GetFont(); }
const guiFont& guiPopupButton::GetSelOverFont() const { return GetFont(); }
const guiFont& guiPopupButton::GetCaptionFont() const { return GetFont(); }
const guiSurface& guiPopupButton::GetBack() const { return mut(*this).tcGetBackSurface(); }
const guiSurface& guiPopupButton::GetCaptionBack() const { return GetBack(); }
const guiSurface& guiPopupButton::GetSelBack() const { return mut(*this).SelBack(); }
const guiSurface& guiPopupButton::GetOverBack() const { return GetSelBack(); }
const vbColor& guiPopupButton::GetTextColor() const { return mut(*this).tcGetTextColor(); }
const vbColor& guiPopupButton::GetCaptionColor() const { return GetTextColor(); }
const vbColor& guiPopupButton::GetTreeLineColor() const { return GetTextColor(); }
const vbColor& guiPopupButton::GetBtnRectColor() const { return GetTextColor(); }
const vbColor& guiPopupButton::GetBtnTextColor() const { return GetTextColor(); }
const vbColor& guiPopupButton::GetCheckBtnRectColor() const { return GetTextColor(); }
const vbColor& guiPopupButton::GetCheckBtnTextColor() const { return GetTextColor(); }
const vbColor& guiPopupButton::GetSelTextColor() const { return guiButton::GetSelTextColor(); }
const vbColor& guiPopupButton::GetOverTextColor() const { return guiButton::GetSelTextColor(); }
const vbColor& guiPopupButton::GetTextShadowColor() const { return guiButton::GetTextShadowColor(); }
const vbColor& guiPopupButton::GetCaptionShadowColor() const { return guiButton::GetTextShadowColor(); }
const vbColor& guiPopupButton::GetSelTextShadowColor() const { return guiButton::GetSelTextShadowColor(); }
const vbColor& guiPopupButton::GetOverTextShadowColor() const { return guiButton::GetSelTextShadowColor(); }
const guiCursor& guiPopupButton::GetCursor() const { return mut(*this).tcGetCursor(); }
const guiCursor& guiPopupButton::GetHelpCursor() const { return GetCursor(); }
const guiCursor& guiPopupButton::GetCheckCursor() const { return GetCursor(); }
const guiCursor& guiPopupButton::GetExpCursor() const { return GetCursor(); }

bool guiPopupButton::GetAspect(const vbString*, int, guiTreeAspectRef*, bool) const { return false; }

// A font the button was never given leaves the state fonts as the styles made them.
void guiPopupButton::FeedSelFont(guiFont& font) const
{
    const guiFont& own = GetFont();
    if (!own.IsEmpty())
        font.SetValids(own, true);
}

void guiPopupButton::FeedOverFont(guiFont& font) const { FeedSelFont(font); }
void guiPopupButton::FeedSelOverFont(guiFont& font) const { FeedSelFont(font); }

// --- the button ---

bool guiPopupButton::IsClicked() { return guiButton::IsClicked() || m_bPopupOpen; }

vbColor guiPopupButton::recupTextColor(bool enabled, bool over)
{
    return m_aspectEngine.GetTextColor(!enabled, m_bPopupOpen, over);
}

vbColor guiPopupButton::recupTextShadowColor(bool enabled, bool over)
{
    return m_aspectEngine.GetTextShadowColor(!enabled, m_bPopupOpen, over);
}

guiSurface& guiPopupButton::recupBack(bool over) { return mut(m_aspectEngine.GetBack(m_bPopupOpen, over)); }
guiFont& guiPopupButton::recupFont(bool over) { return mut(m_aspectEngine.GetFont(m_bPopupOpen, over)); }

vbIcon& guiPopupButton::recupIcon(bool over) { return m_bLoaded ? guiButton::recupIcon(over) : m_loadingIcon; }

void guiPopupButton::tcOnMouseOver()
{
    guiButton::tcOnMouseOver();
    SetFocus();
    m_popup.StopCloseTimer();
    if (m_bPopupAuto && !m_bClicked && !m_popup.IsOpen())
        OpenPopup();
}

void guiPopupButton::tcOnMouseOut()
{
    m_popup.StartCloseTimer();
    m_bClicked = false;
    guiButton::tcOnMouseOut();
}

vbString guiPopupButton::tcNeedToolTip(const CPoint& point, bool* track, int* delay)
{
    vbString tip = guiButton::tcNeedToolTip(point, track, delay);
    if (!m_status.IsEmpty())
        tip += tip.IsEmpty() ? m_status : "\n\n" + m_status;
    return tip;
}

void guiPopupButton::tcOnDestroy()
{
    ClosePopup();
    m_root->Set(nullptr);
    try {
        if (m_popup.GetSafeHwnd())
            m_popup.DestroyWindow();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    }
    guiButton::tcOnDestroy();
}

bool guiPopupButton::onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result)
{
    switch (msg) {
    case guiTreeMsgPostedUpdate:
        onProcessUpdate();
        break;
    case WM_CHAR:
    case WM_KEYDOWN:
        onKey(msg, wParam);
        break;
    case WM_GETDLGCODE:
        // While the popup is open every key is the menu's: in a dialog the arrows would move the
        // focus away, which closes the popup, Return would run the dialog's default command and
        // Escape its cancel, which ends the dialog under the open menu.
        if (!m_popup.IsOpen())
            return guiButton::onWindowProc(msg, wParam, lParam, result);
        result = classWindowProc(msg, wParam, lParam) | DLGC_WANTALLKEYS;
        return true;
    case WM_MOUSEWHEEL:
        result = TRUE;
        return true;
    case WM_LBUTTONDOWN:
        onLButtonDown(msg, wParam, lParam, result);
        break;
    case WM_KILLFOCUS:
        if (!IsTreeChild(reinterpret_cast<HWND>(wParam)))
            ClosePopup();
        return guiButton::onWindowProc(msg, wParam, lParam, result);
    default:
        return guiButton::onWindowProc(msg, wParam, lParam, result);
    }
    result = 0;
    return true;
}

void guiPopupButton::onLButtonDown(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result)
{
    guiButton::onWindowProc(msg, wParam, lParam, result);
    if (m_popup.IsOpen())
        ClosePopup();
    else
        OpenPopup();
    m_bClicked = true;
}

void guiPopupButton::onKey(UINT msg, WPARAM& wParam)
{
    UINT key = static_cast<UINT>(wParam);
    if (!m_popup.IsOpen()) {
        // The character of a Return or Escape that closed the menu comes after its key: it must
        // not open the menu again.
        if (msg == WM_CHAR && key < ' ')
            return;
        OpenPopup();
    }
    if (msg == WM_CHAR)
        m_popup.onChar(key);
    else
        m_popup.onKeyDown(key);
}
