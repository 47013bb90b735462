#include "guiTreeContent.h"

#include "guiBase.h"
#include "guiPopupTreeCtrl.h"
#include "guiTreeGlyphs.h"
#include "menu/guiTreeMenuDraw.h"
#include "guiTreeStyleEngine.h"
#include "guiTreeViewDraw.h"

#include "vbException.h"
#include "vbWinClass.h"

#include "plat/gdi.h"
#include "plat/message.h"
#include "plat/sysmetrics.h"
#include "plat/window.h"

#include <algorithm>

namespace {

constexpr int kStripHeight = 12;
constexpr int kHorizontalLine = 5;
constexpr int kPageMargin = 20;
constexpr DWORD kButtonFace = 0x8000000F;

bool meets(const CRect& rect, const CRect* clip)
{
    if (rect.IsRectEmpty())
        return false;
    CRect common;
    return !clip || common.IntersectRect(&rect, clip);
}

bool sameNode(IguiTreeNode* a, IguiTreeNode* b)
{
    if (!a || !b)
        return a == b;
    vbRefQIPtr<IUnknown, &IID_IUnknown> ua(a, false);
    vbRefQIPtr<IUnknown, &IID_IUnknown> ub(b, false);
    return ua.Get() == ub.Get();
}

} // namespace

bool guiTreeForwardEvent(sIguiTreeItemEvents& target, const guiTreeItemEvent& e, bool handled)
{
    switch (e.kind) {
    case guiTreeEventKind::Checked:
        return target.onItemChecked(true, e.draw, e.node, e.checked, e.flag, handled);
    case guiTreeEventKind::Clicked:
        return target.onItemClicked(true, e.draw, e.node, e.flag, handled);
    case guiTreeEventKind::DClicked:
        return target.onItemDClicked(true, e.draw, e.node, e.flag, handled);
    case guiTreeEventKind::Selected:
        return target.onItemSelected(true, e.draw, e.node, e.flag, handled);
    case guiTreeEventKind::Over:
        return target.onItemOver(true, e.draw, e.node, e.flag, handled);
    case guiTreeEventKind::ContextMenu:
        return target.onItemContextMenu(true, e.draw, e.node, e.flag, handled);
    case guiTreeEventKind::Expanded:
        return target.onItemExpanded(true, e.draw, e.node, handled);
    case guiTreeEventKind::Collapsed:
        return target.onItemCollapsed(true, e.draw, e.node, handled);
    case guiTreeEventKind::ParentExpanded:
        return target.onItemParentExpanded(true, e.draw, e.node, handled);
    case guiTreeEventKind::ParentCollapsed:
        return target.onItemParentCollapsed(true, e.draw, e.node, handled);
    }
    return handled;
}

// ---------------------------------------------------------------------------------------------
// The root holder.

bool guiTreeContent::RootHolder::Get(guiTreeNodeRef* out)
{
    guiPaintLock lock(this);
    return m_ptr.GetRefPtr(out);
}

bool guiTreeContent::RootHolder::Is(IguiTreeNode* node)
{
    guiTreeNodeRef held;
    Get(&held);
    return sameNode(held.Get(), node);
}

void guiTreeContent::RootHolder::Set(IguiTreeNode* node)
{
    guiPaintLock lock(this);
    m_ptr = node;
}

// ---------------------------------------------------------------------------------------------
// Construction.

guiTreeContent::guiTreeContent(CWnd& wnd, TControlBase& control, sIguiTreeAspectEngine* aspects, bool inPopup,
    int lineStep, int autoStep, const char* printFailure)
    : m_wnd(wnd), m_control(control), m_bInPopup(inPopup), m_lineStep(lineStep), m_autoStep(autoStep),
      m_printFailure(printFailure), m_pAspects(aspects), m_children(&control, nullptr, nullptr),
      m_autoEvent(&wnd, guiTreeMsgAutoScroll)
{
    m_autoEvent.SetMinTime(0);
}

guiTreeContent::~guiTreeContent()
{
    DestroyDraw();
    m_autoEvent.Stop(true);
}

BOOL guiTreeContent::preCreateWindow(vbWinClass& windowClass, CREATESTRUCTA& cs, DWORD style, const char* source)
{
    try {
        windowClass.InitCs(cs);
        cs.style = style | (cs.style & WS_VISIBLE);
        return TRUE;
    } catch (...) {
        guiShowCaught(source, __LINE__);
    }
    return FALSE;
}

bool guiTreeContent::drawFrame(guiDrawInfo* info, CDC* dc, CRect& inside, int frameWidth)
{
    return guiDrawFrame(info, &m_wnd, dc, &inside, m_control.tcGetAppearStyle(), m_control.tcGetBorderStyle(),
        frameWidth);
}

const guiCursor* guiTreeContent::contentCursor()
{
    if (m_pItemCursor)
        return m_pItemCursor;
    return m_control.TControlBase::tcGetMouseCursor();
}

void guiTreeContent::closeContent()
{
    DestroyDraw();
    children().ClearCtrls();
    if (m_wnd.GetSafeHwnd())
        m_wnd.DestroyWindow();
}

// The deriving control's own: reached here only while it is being destroyed.
bool guiTreeContent::frameInside(guiDrawInfo*, CDC*, CRect&) { guiPurecall(); }
void guiTreeContent::prepareScrollBar(guiMsScrollBar&) { guiPurecall(); }
void guiTreeContent::onCaptionWidthChanged() { guiPurecall(); }

// ---------------------------------------------------------------------------------------------
// Properties.

template <class T, class Pass>
bool guiTreeContent::setProperty(T& field, const T& value, Pass pass)
{
    if (field == value)
        return false;
    field = value;
    return !m_pDraw || pass(*m_pDraw);
}

bool guiTreeContent::SetCheckBoxes(bool on)
{
    return setProperty(m_bCheckBoxes, on, [on](sIguiTreeDraw& d) { return d.SetCheckBoxes(on); });
}

bool guiTreeContent::SetCheckMode(guiNodeCheckMode mode)
{
    return setProperty(m_checkMode, mode, [mode](sIguiTreeDraw& d) { return d.SetCheckMode(mode); });
}

bool guiTreeContent::SetExpandedLevel(int level)
{
    return setProperty(m_expandedLevel, level, [level](sIguiTreeDraw& d) { return d.SetExpandedLevel(level); });
}

bool guiTreeContent::SetOnlyOneExpanded(bool only)
{
    return setProperty(m_bOnlyOneExpanded, only, [only](sIguiTreeDraw& d) { return d.SetOnlyOneExpanded(only); });
}

bool guiTreeContent::SetMouseTrack(guiMouseTrack track)
{
    return setProperty(m_mouseTrack, track, [track](sIguiTreeDraw& d) { return d.SetMouseTrack(track); });
}

bool guiTreeContent::SetUserCanExpandAll(bool can)
{
    return setProperty(m_bUserCanExpandAll, can, [can](sIguiTreeDraw& d) { return d.SetUserCanExpandAll(can); });
}

bool guiTreeContent::SetAspectName(const vbString& name)
{
    // Names compare case-sensitively.
    if (std::string_view(m_aspectName.c_str()) == std::string_view(name.c_str()))
        return false;
    m_aspectName = name;
    return !m_pDraw || m_pDraw->SetAspectName(name);
}

bool guiTreeContent::SetFilterMask(LONG mask)
{
    if (m_filterMask == mask)
        return false;
    m_filterMask = mask;
    if (m_pDraw)
        m_pDraw->UpdateTree(true);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Root and engine.

void guiTreeContent::storeRoot(IguiTreeNode* root)
{
    m_root.Set(root);
    m_treeSize = CSize(-1, -1);
}

bool guiTreeContent::SetRoot(IguiTreeNode* root)
{
    guiPaintLock lock(&m_root);
    if (m_root.Is(root))
        return false;
    storeRoot(root);
    if (m_pDraw)
        return m_pDraw->SetRoot(root);
    if (root)
        CreateDraw();
    return true;
}

bool guiTreeContent::SetRoot(guiTreeDrawType type, IguiTreeNode* root)
{
    guiPaintLock lock(&m_root);
    if (m_root.Is(root))
        return SetDrawType(type);
    storeRoot(root);
    if (type != m_drawType) {
        DestroyDraw();
        m_drawType = type;
    }
    if (m_pDraw)
        return m_pDraw->SetRoot(root);
    if (root) {
        CreateDraw();
        invalidate(false);
    }
    return true;
}

bool guiTreeContent::GetRoot(guiTreeNodeRef* out) const { return m_root.Get(out); }

bool guiTreeContent::SetDrawType(guiTreeDrawType type)
{
    if (type == m_drawType)
        return false;
    DestroyDraw();
    m_drawType = type;
    CreateDraw();
    invalidate(false);
    return true;
}

void guiTreeContent::CreateDraw()
{
    if (m_pDraw)
        return;
    guiPaintLock lock(&m_root);
    guiTreeNodeRef root;
    if (!m_root.Get(&root) || !root)
        return;
    sIguiTreeDraw* draw = nullptr;
    if (m_drawType == guiTreeDraw_TreeView)
        draw = new guiTreeViewDraw(&m_wnd, this, m_pAspects, m_bInPopup);
    else
        draw = new guiTreeMenuDraw(&m_wnd, this, m_pAspects, m_bInPopup);
    m_pDraw = draw;
    draw->SetAspectName(m_aspectName);
    draw->SetCheckMode(m_checkMode);
    draw->SetCheckBoxes(m_bCheckBoxes);
    draw->SetExpandedLevel(m_expandedLevel);
    draw->SetOnlyOneExpanded(m_bOnlyOneExpanded);
    draw->SetMouseTrack(m_mouseTrack);
    draw->SetRoot(root);
    draw->SetUserCanExpandAll(m_bUserCanExpandAll);
}

void guiTreeContent::DestroyDraw()
{
    sIguiTreeDraw* draw = m_pDraw;
    if (!draw)
        return;
    m_pDraw = nullptr;
    m_pItemCursor = nullptr;
    // The engine forgets its submenu popups without closing them.
    for (auto& popup : m_popups)
        popup->Close();
    draw->Destroy();
    m_treeSize = CSize(-1, -1);
    m_captionSize = CSize(0, 0);
}

void guiTreeContent::UpdateTree(bool all)
{
    if (m_pDraw)
        m_pDraw->UpdateTree(all);
}

bool guiTreeContent::GetSelected(guiTreeNodeRef* out, bool* helpPart) const
{
    return m_pDraw && m_pDraw->GetSelected(out, helpPart);
}

guiPopupTreeCtrl* guiTreeContent::makePopup(sIguiTreeAspectEngine* aspectEngine)
{
    m_popups.push_back(std::make_unique<guiPopupTreeCtrl>(aspectEngine));
    guiPopupTreeCtrl& popup = *m_popups.back();
    popup.Create(&m_children, CRect(0, 0, 0, 0), false, true);
    popup.SetCheckBoxes(m_bCheckBoxes);
    popup.SetCheckMode(m_checkMode);
    popup.SetMouseTrack(m_mouseTrack);
    popup.SetExpandedLevel(m_expandedLevel);
    return &popup;
}

void guiTreeContent::contentSetVisible(bool visible)
{
    if (!m_wnd.GetSafeHwnd())
        return;
    m_wnd.ShowWindow(visible ? SW_SHOWNA : SW_HIDE);
    if (!visible && m_pDraw)
        m_pDraw->Hide();
}

int guiTreeContent::verticalBarWidth() const
{
    return m_vBarWidth < 0 ? GetSystemMetrics(SM_CXVSCROLL) : m_vBarWidth;
}

void guiTreeContent::invalidate(bool erase)
{
    if (m_wnd.GetSafeHwnd())
        m_wnd.Invalidate(erase ? TRUE : FALSE);
}

// ---------------------------------------------------------------------------------------------
// Tree rectangle, scroll bars and arrow strips.

bool guiTreeContent::calcTreeRect(bool repaint)
{
    CRect back;
    if (!frameInside(nullptr, nullptr, back) || back.IsRectEmpty()) {
        m_backRect.SetRectEmpty();
        m_treeRect.SetRectEmpty();
        m_visible = CSize(0, 0);
        return false;
    }
    m_backRect = back;
    CRect rect = back;
    rect.left += m_captionSize.cx;
    bool vNeed = rect.Height() - 2 < m_treeSize.cy;
    bool hNeed = rect.Width() < m_treeSize.cx;

    if (vNeed && !hNeed && m_treeSize.cy <= 3 * (rect.Height() - 2)) {
        hideBar(m_vBar, m_bVBarShown);
        hideBar(m_hBar, m_bHBarShown);
        m_upperStrip = CRect(rect.left, rect.top, rect.right, rect.top + kStripHeight);
        m_lowerStrip = CRect(rect.left, rect.bottom - kStripHeight, rect.right, rect.bottom);
        const CRect tree(rect.left, rect.top + kStripHeight, rect.right, rect.bottom - kStripHeight);
        const bool changed = !m_bArrowMode || tree != m_treeRect;
        m_bArrowMode = true;
        m_treeRect = tree;
        m_visible = CSize(tree.Width(), tree.Height() - 2);
        if (changed && repaint)
            invalidate(true);
        updateScrolls(false);
        return changed;
    }

    bool changed = false;
    if (m_bArrowMode) {
        clearStrips();
        changed = true;
    }
    if (vNeed) {
        if (m_vBarWidth < 0)
            m_vBarWidth = GetSystemMetrics(SM_CXVSCROLL);
        rect.right -= m_vBarWidth;
    }
    hNeed = rect.Width() < m_treeSize.cx;
    if (hNeed) {
        if (m_hBarHeight < 0)
            m_hBarHeight = GetSystemMetrics(SM_CYHSCROLL);
        rect.bottom -= m_hBarHeight;
        if (!vNeed && rect.Height() - 2 < m_treeSize.cy) {
            vNeed = true;
            if (m_vBarWidth < 0)
                m_vBarWidth = GetSystemMetrics(SM_CXVSCROLL);
            rect.right -= m_vBarWidth;
        }
    }
    if (vNeed)
        showBar(m_vBar, m_bVBarShown, CRect(back.right - m_vBarWidth, back.top, back.right, back.bottom));
    else
        hideBar(m_vBar, m_bVBarShown);
    if (hNeed)
        showBar(m_hBar, m_bHBarShown, CRect(rect.left, rect.bottom, rect.right, rect.bottom + m_hBarHeight));
    else
        hideBar(m_hBar, m_bHBarShown);

    changed = changed || rect != m_treeRect;
    m_treeRect = rect;
    m_visible = CSize(rect.Width(), rect.Height() - 2);
    if (changed && repaint)
        invalidate(true);
    updateScrolls(false);
    return changed;
}

void guiTreeContent::clearStrips()
{
    m_bArrowMode = false;
    m_upperStrip.SetRectEmpty();
    m_lowerStrip.SetRectEmpty();
    m_bCanScrollDown = false;
    m_bCanScrollUp = false;
    m_scrollDir = 0;
    m_autoEvent.Stop(true);
}

void guiTreeContent::showBar(guiMsScrollBar& bar, bool& shown, const CRect& rect)
{
    if (!bar.GetSafeHwnd()) {
        bar.Create(&m_children, rect, true, true);
        prepareScrollBar(bar);
    } else {
        bar.MoveWindow(&rect, TRUE);
        if (!shown)
            bar.ShowScrollBar(TRUE);
    }
    shown = true;
}

void guiTreeContent::hideBar(guiMsScrollBar& bar, bool& shown)
{
    if (!shown)
        return;
    bar.ShowScrollBar(FALSE);
    shown = false;
}

void guiTreeContent::setBarInfo(guiMsScrollBar& bar, bool positionOnly, int total, int page, int position)
{
    SCROLLINFO si{};
    si.cbSize = sizeof(SCROLLINFO);
    si.fMask = positionOnly ? SIF_POS : SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = total;
    si.nPage = static_cast<UINT>(std::max(0, page));
    si.nPos = position;
    bar.SetScrollInfo(&si, TRUE);
}

void guiTreeContent::updateScrolls(bool positionOnly)
{
    const CPoint offset = m_pDraw ? m_pDraw->GetOffset() : CPoint(0, 0);
    if (m_bArrowMode) {
        const bool down = m_visible.cy + offset.y < m_treeSize.cy;
        const bool up = offset.y >= 1;
        if (down != m_bCanScrollDown) {
            m_bCanScrollDown = down;
            m_wnd.InvalidateRect(&m_lowerStrip, TRUE);
            if (!down && m_scrollDir > 0)
                stopAutoScroll();
        }
        if (up != m_bCanScrollUp) {
            m_bCanScrollUp = up;
            m_wnd.InvalidateRect(&m_upperStrip, TRUE);
            if (!up && m_scrollDir < 0)
                stopAutoScroll();
        }
    }
    if (m_bVBarShown)
        setBarInfo(m_vBar, positionOnly, m_treeSize.cy, m_visible.cy, offset.y);
    if (m_bHBarShown)
        setBarInfo(m_hBar, positionOnly, m_treeSize.cx, m_visible.cx, offset.x);
}

void guiTreeContent::checkOffset(bool repaint)
{
    if (m_pDraw && m_pDraw->SetTreeRect(m_treeRect, repaint))
        updateScrolls(true);
}

bool guiTreeContent::scrollTo(CPoint offset)
{
    if (!m_pDraw || !m_pDraw->SetOffset(offset, true))
        return false;
    updateScrolls(true);
    return true;
}

void guiTreeContent::scrollCommand(bool vertical, UINT code, int position)
{
    if (!m_pDraw)
        return;
    CPoint offset = m_pDraw->GetOffset();
    int& value = vertical ? offset.y : offset.x;
    const int line = vertical ? m_lineStep : kHorizontalLine;
    const int visible = vertical ? m_visible.cy : m_visible.cx;
    const int total = vertical ? m_treeSize.cy : m_treeSize.cx;
    const int page = std::max(0, visible - kPageMargin);
    switch (code) {
    case SB_LINEUP:
        value -= line;
        break;
    case SB_LINEDOWN:
        value += line;
        break;
    case SB_PAGEUP:
        value -= page;
        break;
    case SB_PAGEDOWN:
        value += page;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        SCROLLINFO si{};
        si.cbSize = sizeof(SCROLLINFO);
        si.fMask = code == SB_THUMBTRACK ? SIF_TRACKPOS : SIF_POS;
        guiMsScrollBar& bar = vertical ? m_vBar : m_hBar;
        if (bar.GetSafeHwnd() && bar.GetScrollInfo(&si, si.fMask))
            value = code == SB_THUMBTRACK ? si.nTrackPos : si.nPos;
        else
            value = position;
        break;
    }
    case SB_TOP:
        value = 0;
        break;
    case SB_BOTTOM:
        value = std::max(0, total - visible);
        break;
    default:
        return;
    }
    scrollTo(offset);
}

bool guiTreeContent::onPageUp(sIguiTreeDraw*)
{
    if (!m_pDraw)
        return false;
    CPoint offset = m_pDraw->GetOffset();
    offset.y -= std::max(0, m_visible.cy - kPageMargin);
    return scrollTo(offset);
}

bool guiTreeContent::onPageDn(sIguiTreeDraw*)
{
    if (!m_pDraw)
        return false;
    CPoint offset = m_pDraw->GetOffset();
    offset.y += std::max(0, m_visible.cy - kPageMargin);
    return scrollTo(offset);
}

// ---------------------------------------------------------------------------------------------
// Arrow-strip auto-scroll.

void guiTreeContent::SetScrollSelected(int direction)
{
    int wanted = 0;
    if (direction > 0 && m_bCanScrollDown)
        wanted = 1;
    else if (direction < 0 && m_bCanScrollUp)
        wanted = -1;
    if (wanted == m_scrollDir)
        return;
    if (m_pDraw)
        m_pDraw->ClearOver();
    auto stripOf = [this](int dir) -> CRect* { return dir > 0 ? &m_lowerStrip : dir < 0 ? &m_upperStrip : nullptr; };
    if (CRect* old = stripOf(m_scrollDir))
        m_wnd.InvalidateRect(old, FALSE);
    if (CRect* now = stripOf(wanted))
        m_wnd.InvalidateRect(now, FALSE);
    m_scrollDir = wanted;
    if (wanted)
        m_autoEvent.StartExt(&m_autoTimer, true);
    else
        m_autoEvent.Stop(true);
}

void guiTreeContent::stopAutoScroll()
{
    if (m_scrollDir == 0)
        return;
    CRect& strip = m_scrollDir > 0 ? m_lowerStrip : m_upperStrip;
    m_scrollDir = 0;
    m_autoEvent.Stop(true);
    m_wnd.InvalidateRect(&strip, FALSE);
}

void guiTreeContent::cancelScrollSelect() { SetScrollSelected(0); }

void guiTreeContent::autoScrollStep()
{
    if (!m_pDraw || m_scrollDir == 0) {
        m_autoEvent.Stop(true);
        return;
    }
    CPoint offset = m_pDraw->GetOffset();
    offset.y += m_autoStep * m_scrollDir;
    m_pDraw->SetOffset(offset, true);
    updateScrolls(true);
}

// ---------------------------------------------------------------------------------------------
// Painting.

void guiTreeContent::ClientPrint(guiDrawInfo* info, CDC& dc, const CRect* clip)
{
    CRect inside;
    const bool framed = frameInside(info, &dc, inside);
    if (!m_pDraw) {
        if (framed)
            guiSurface(nullptr, kButtonFace, -1, -1, false).Fill(dc.GetSafeHdc(), inside, clip);
        return;
    }
    const int saved = dc.SaveDC();
    dc.IntersectClipRect(&inside);
    if (m_captionSize.cx > 0)
        paintCaption(dc, inside, clip);
    paintStrip(dc, m_upperStrip, -1, clip);
    if (meets(m_treeRect, clip))
        m_pDraw->Draw(m_treeRect, dc, clip);
    // The engine may have gone from inside its own drawing.
    if (m_pDraw)
        paintStrip(dc, m_lowerStrip, 1, clip);
    dc.RestoreDC(saved);
}

void guiTreeContent::paintCaption(CDC& dc, const CRect& inside, const CRect* clip)
{
    const CRect strip(inside.left, inside.top, inside.left + m_captionSize.cx, inside.bottom);
    if (!meets(strip, clip))
        return;
    const guiTreeAspectEngine& aspects = m_pDraw->GetAspectEngine();
    aspects.GetCaptionBack().Fill(dc.GetSafeHdc(), strip, clip);
    const guiFont& font = aspects.GetCaptionFont();
    HGDIOBJ oldFont = SelectObject(dc.GetSafeHdc(), static_cast<HFONT>(font));
    dc.SetBkMode(TRANSPARENT);
    const char* text = m_caption.c_str();
    const UINT length = static_cast<UINT>(m_caption.GetLength());
    const vbColor& shadow = aspects.GetCaptionShadowColor();
    if (!shadow.IsNull()) {
        const int shift = font.GetBold() ? 2 : 1;
        dc.SetTextColor(static_cast<DWORD>(shadow));
        ExtTextOutA(dc.GetSafeHdc(), strip.left + shift, strip.bottom + shift, ETO_CLIPPED, &strip, text, length,
            nullptr);
    }
    dc.SetTextColor(static_cast<DWORD>(aspects.GetCaptionColor()));
    ExtTextOutA(dc.GetSafeHdc(), strip.left, strip.bottom, ETO_CLIPPED, &strip, text, length, nullptr);
    SelectObject(dc.GetSafeHdc(), oldFont);
}

void guiTreeContent::paintStrip(CDC& dc, const CRect& strip, int direction, const CRect* clip)
{
    if (!meets(strip, clip))
        return;
    const guiTreeAspectEngine& aspects = m_pDraw->GetAspectEngine();
    const bool can = direction < 0 ? m_bCanScrollUp : m_bCanScrollDown;
    const bool active = m_scrollDir == direction;
    const vbColor arrow = !can ? vbColor(g_guiClrFrame) : active ? aspects.GetSelTextColor() : aspects.GetTextColor();
    if (active)
        aspects.GetSelBack().Fill(dc.GetSafeHdc(), strip, clip);
    else
        m_pDraw->PaintBack(dc, strip);
    vbDrawScroll(arrow, dc, strip, direction < 0);
}

void guiTreeContent::updateCaption()
{
    m_caption = m_pDraw->GetAspectEngine().GetCaption();
    if (m_caption.IsEmpty()) {
        m_captionSize = CSize(0, 0);
        return;
    }
    const CSize text = m_pDraw->GetAspectEngine().GetCaptionFont().GetTextSize(m_caption, false);
    m_captionSize = CSize(text.cy, text.cx);
}

void guiTreeContent::printClient(WPARAM hdc)
{
    CDC* dc = CDC::FromHandle(reinterpret_cast<HDC>(hdc));
    if (!dc)
        throw new vbEsys(E_FAIL, m_printFailure);
    guiDrawInfo info(1);
    ClientPrint(&info, *dc, nullptr);
}

// ---------------------------------------------------------------------------------------------
// What the engine tells the host.

void guiTreeContent::askOffsetChange(sIguiTreeDraw* draw, const CPoint& offset, const CSize&, const CSize&)
{
    if (draw)
        draw->SetOffset(offset, true);
    updateScrolls(true);
}

void guiTreeContent::onToolTipChange(sIguiTreeDraw*)
{
    if (guiContainer* container = m_control.tcGetContainer())
        container->UpdateToolTip(&m_control);
}

void guiTreeContent::onTreeRootUpdate(sIguiTreeDraw*, bool reload)
{
    if (!reload || !m_pDraw)
        return;
    updateCaption();
    invalidate(false);
}

void guiTreeContent::onTreeRootRedraw(sIguiTreeDraw*, bool all)
{
    if (all && m_pDraw)
        invalidate(false);
}

void guiTreeContent::onMouseMove(sIguiTreeDraw*, IguiTreeNode* node, guiTreeHit hit,
    const guiTreeAspectEngine& aspectEngine)
{
    const guiCursor* cursor = node ? &aspectEngine.GetCursor(hit) : nullptr;
    if (cursor == m_pItemCursor)
        return;
    m_pItemCursor = cursor;
    m_control.tcUpdateMouseCursor();
}

// ---------------------------------------------------------------------------------------------
// Item events: the root node (when asked), whatever the control passes the event on to, then the
// control's own callback.

bool guiTreeContent::itemEvent(const guiTreeItemEvent& event, bool toRoot, bool handled)
{
    if (toRoot && !handled && !(event.kind == guiTreeEventKind::Checked && event.flag))
        handled = rootStep(event, handled);
    handled = passItemEventUp(event, handled);
    return callbackStep(event, handled);
}

bool guiTreeContent::passItemEventUp(const guiTreeItemEvent&, bool handled) { return handled; }

bool guiTreeContent::rootStep(const guiTreeItemEvent& e, bool handled)
{
    guiTreeNodeRef root;
    if (!GetRoot(&root) || !root)
        return handled;
    bool answered = false;
    switch (e.kind) {
    case guiTreeEventKind::Checked:
        answered = root->onCheck(e.node, e.checked);
        break;
    case guiTreeEventKind::Clicked:
        answered = root->onClick(e.node, e.flag);
        break;
    case guiTreeEventKind::DClicked:
        answered = root->onDClick(e.node, e.flag);
        break;
    case guiTreeEventKind::Selected:
        answered = root->onSelect(e.node, e.flag);
        break;
    case guiTreeEventKind::Over:
        answered = root->onOver(e.node, e.flag);
        break;
    case guiTreeEventKind::ContextMenu:
        answered = root->onContextMenu(e.node, e.flag);
        break;
    case guiTreeEventKind::Expanded:
        answered = root->onExpand(e.node);
        break;
    case guiTreeEventKind::Collapsed:
        answered = root->onCollapse(e.node);
        break;
    case guiTreeEventKind::ParentExpanded:
        answered = root->onExpandParent(e.node);
        break;
    case guiTreeEventKind::ParentCollapsed:
        answered = root->onCollapseParent(e.node);
        break;
    }
    return handled || answered;
}

bool guiTreeContent::callbackStep(const guiTreeItemEvent& e, bool handled)
{
    bool answered = false;
    switch (e.kind) {
    case guiTreeEventKind::Checked:
        answered = m_checkCB.Call(e.draw, e.node, e.checked, e.flag, handled);
        break;
    case guiTreeEventKind::Clicked:
        answered = m_clickCB.Call(e.draw, e.node, e.flag, handled);
        break;
    case guiTreeEventKind::DClicked:
        answered = m_dClickCB.Call(e.draw, e.node, e.flag, handled);
        break;
    case guiTreeEventKind::Selected:
        answered = m_selectCB.Call(e.draw, e.node, e.flag, handled);
        break;
    case guiTreeEventKind::Over:
        answered = m_overCB.Call(e.draw, e.node, e.flag, handled);
        break;
    case guiTreeEventKind::ContextMenu:
        answered = m_contextMenuCB.Call(e.draw, e.node, e.flag, handled);
        break;
    case guiTreeEventKind::Expanded:
        answered = m_expandCB.Call(e.draw, e.node, handled);
        break;
    case guiTreeEventKind::Collapsed:
        answered = m_collapseCB.Call(e.draw, e.node, handled);
        break;
    case guiTreeEventKind::ParentExpanded:
        answered = m_expandParentCB.Call(e.draw, e.node, handled);
        break;
    case guiTreeEventKind::ParentCollapsed:
        answered = m_collapseParentCB.Call(e.draw, e.node, handled);
        break;
    }
    return handled || answered;
}

bool guiTreeContent::onItemChecked(
    bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool* checked, bool engineHeld, bool handled)
{
    return itemEvent({guiTreeEventKind::Checked, draw, node, engineHeld, checked}, toRoot, handled);
}

bool guiTreeContent::onItemClicked(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool help, bool handled)
{
    return itemEvent({guiTreeEventKind::Clicked, draw, node, help, nullptr}, toRoot, handled);
}

bool guiTreeContent::onItemDClicked(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool help, bool handled)
{
    return itemEvent({guiTreeEventKind::DClicked, draw, node, help, nullptr}, toRoot, handled);
}

bool guiTreeContent::onItemSelected(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool help, bool handled)
{
    return itemEvent({guiTreeEventKind::Selected, draw, node, help, nullptr}, toRoot, handled);
}

bool guiTreeContent::onItemOver(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool help, bool handled)
{
    return itemEvent({guiTreeEventKind::Over, draw, node, help, nullptr}, toRoot, handled);
}

bool guiTreeContent::onItemContextMenu(
    bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool help, bool handled)
{
    return itemEvent({guiTreeEventKind::ContextMenu, draw, node, help, nullptr}, toRoot, handled);
}

bool guiTreeContent::onItemExpanded(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled)
{
    return itemEvent({guiTreeEventKind::Expanded, draw, node, false, nullptr}, toRoot, handled);
}

bool guiTreeContent::onItemCollapsed(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled)
{
    return itemEvent({guiTreeEventKind::Collapsed, draw, node, false, nullptr}, toRoot, handled);
}

bool guiTreeContent::onItemParentExpanded(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled)
{
    return itemEvent({guiTreeEventKind::ParentExpanded, draw, node, false, nullptr}, toRoot, handled);
}

bool guiTreeContent::onItemParentCollapsed(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled)
{
    return itemEvent({guiTreeEventKind::ParentCollapsed, draw, node, false, nullptr}, toRoot, handled);
}

// ---------------------------------------------------------------------------------------------
// Messages and the TControl answers.

bool guiTreeContent::contentMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    switch (msg) {
    case WM_PAINT: {
        CPaintDC dc(&m_wnd);
        const CRect clip(dc.m_ps.rcPaint);
        ClientPrint(nullptr, dc, &clip);
        return true;
    }
    case WM_ERASEBKGND:
        result = TRUE;
        return true;
    case guiTreeMsgTimer:
        if (m_pDraw)
            m_pDraw->OnTimer();
        return true;
    case guiTreeMsgPostedUpdate:
        postedUpdate();
        return true;
    case guiTreeMsgAutoScroll:
        autoScrollStep();
        return true;
    case WM_PRINTCLIENT:
        printClient(wParam);
        return true;
    case WM_CHAR:
    case WM_KEYDOWN: {
        UINT key = static_cast<UINT>(wParam);
        contentKey(msg == WM_CHAR, key);
        return true;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
        routeMouse(msg, wParam, CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
        return true;
    case WM_CONTEXTMENU:
        contextMenu(lParam);
        return true;
    case WM_VSCROLL:
    case WM_HSCROLL:
        scrollCommand(msg == WM_VSCROLL, LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
        return true;
    default:
        return false;
    }
}

void guiTreeContent::postedUpdate()
{
    m_savedCaptionSize = m_captionSize;
    if (!m_pDraw)
        return;
    m_pDraw->OnPostedUpdate();
    if (m_pDraw && m_captionSize.cx != m_savedCaptionSize.cx)
        onCaptionWidthChanged();
}

void guiTreeContent::routeMouse(UINT msg, WPARAM flags, const CPoint& point)
{
    if (msg == WM_MOUSEMOVE) {
        if (point == m_lastMouse)
            return;
        m_lastMouse = point;
        if (m_lowerStrip.PtInRect(point))
            SetScrollSelected(1);
        else if (m_upperStrip.PtInRect(point))
            SetScrollSelected(-1);
        else if (m_pDraw && m_treeRect.PtInRect(point))
            m_pDraw->OnMouseMove(point, static_cast<UINT>(flags));
        return;
    }
    if (!m_pDraw || m_treeRect.IsRectEmpty() || !m_treeRect.PtInRect(point) || !acceptsClicks())
        return;
    const UINT keys = static_cast<UINT>(flags) | guiTreeMouseLeft;
    if (msg == WM_LBUTTONUP)
        m_pDraw->OnLButtonUp(point, keys);
    else
        m_pDraw->OnLButtonDblClk(point, keys);
}

void guiTreeContent::contextMenu(LPARAM screenPoint)
{
    if (!m_pDraw || !m_wnd.IsWindowVisible() || !acceptsClicks())
        return;
    CPoint point(GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint));
    m_wnd.ScreenToClient(&point);
    if (m_treeRect.PtInRect(point))
        m_pDraw->OnContextMenu(point);
}

vbString guiTreeContent::contentToolTip(const CPoint& point, bool* shown)
{
    if (shown)
        *shown = true;
    if (!m_pDraw || !m_treeRect.PtInRect(point))
        return vbString();
    bool engineShown = false;
    INT_PTR identity = 0;
    return m_pDraw->tcNeedToolTip(point, &engineShown, &identity);
}

void guiTreeContent::contentMouseOut()
{
    stopAutoScroll();
    if (m_pDraw)
        m_pDraw->ClearOver();
}

void guiTreeContent::contentDestroy()
{
    DestroyDraw();
    m_autoEvent.Stop(true);
    m_children.ClearCtrls();
    m_bVBarShown = false;
    m_bHBarShown = false;
}

void guiTreeContent::contentKey(bool character, UINT& key)
{
    if (guiContainer* container = m_control.tcGetContainer())
        container->HideToolTip();
    if (!m_pDraw)
        return;
    if (character)
        m_pDraw->onChar(key);
    else
        m_pDraw->onKeyDown(key);
}

bool guiTreeContent::isOwnWindow(HWND hwnd)
{
    if (!hwnd)
        return false;
    return hwnd == m_wnd.GetSafeHwnd() || hwnd == m_vBar.GetSafeHwnd() || hwnd == m_hBar.GetSafeHwnd();
}
