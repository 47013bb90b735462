#include "guiTreeViewDraw.h"

#include "draw/guiTreeDrawPost.h"
#include "draw/guiTreeTypeAhead.h"
#include "treeview/guiTreeViewStyleLink.h"
#include "treeview/guiTreeViewStyles.h"

#include "vbExceptionReport.h"

#include "plat/afxgdi.h"
#include "plat/window.h"

#include <algorithm>
#include <utility>

guiTreeViewDraw::guiTreeViewDraw(CWnd* host, sIguiTreeEvents* events, sIguiTreeAspectEngine* hostAspects, bool inPopup)
    : m_pHost(host), m_pEvents(events), m_bInPopup(inPopup), m_ownAspects(this, nullptr, nullptr),
      m_post(std::make_unique<guiTreeDrawPost>(host)), m_life(std::make_unique<guiTreeDrawLife>(this, &deleteEngine)),
      m_root(this, nullptr, hostAspects), m_default(std::make_unique<guiTreeViewAspectLink>(this)),
      m_timer(host, guiTreeMsgTimer), m_typed(std::make_unique<guiTypedText>())
{
}

// The levels below report to the engine's positions as they go: they go while those still exist.
guiTreeViewDraw::~guiTreeViewDraw() { m_root.clearItems(); }

void guiTreeViewDraw::deleteEngine(void* engine) { delete static_cast<guiTreeViewDraw*>(engine); }

// ---------------------------------------------------------------------------------------------
// The engine's own style: the built-in default aspect.

bool guiTreeViewDraw::GetAspect(guiTreeAspectEngine* engine, const vbString* names, int count, guiTreeAspectRef* out)
{
    for (int i = 0; i < count; ++i) {
        if (names[i] == "treeview.default") {
            *out = GetAspect(engine);
            return true;
        }
    }
    return false;
}

IguiTreeAspect* guiTreeViewDraw::GetAspect(guiTreeAspectEngine*)
{
    if (!m_default->Peek())
        m_default->Set(guiTreeViewDefaultAspect());
    return m_default->Peek();
}

void guiTreeViewDraw::onAspectListChange(IguiTreeNode*) { }

void guiTreeViewDraw::onPtrSignal(sIvbPtr*, int signal)
{
    if (signal == 3)
        m_root.request(guiTreeViewLevel::kRelayoutAll);
    else if (signal == 4)
        m_root.request(guiTreeViewLevel::kRepaintAll);
}

// ---------------------------------------------------------------------------------------------
// Settings.

bool guiTreeViewDraw::SetRoot(IguiTreeNode* node)
{
    if (node == m_root.GetNode())
        return false;
    if (m_root.GetNode()) {
        levelCollapsed(&m_root);
        m_content = CSize(0, 0);
    }
    m_root.SetNode(node);
    m_root.request(guiTreeViewLevel::kRelayoutAll);
    if (m_root.IsExpanded())
        m_pEvents->onToolTipChange(this);
    return true;
}

bool guiTreeViewDraw::GetRoot(guiTreeNodeRef* out)
{
    *out = m_root.GetNode();
    return *out != nullptr;
}

template <class T>
bool guiTreeViewDraw::store(T& field, const T& value, bool relayout)
{
    if (field == value)
        return false;
    field = value;
    if (relayout)
        m_root.request(guiTreeViewLevel::kRelayoutAll);
    return true;
}

bool guiTreeViewDraw::SetCheckBoxes(bool on) { return store(m_bCheckBoxes, on, true); }
bool guiTreeViewDraw::SetCheckMode(guiNodeCheckMode mode) { return store(m_checkMode, mode, m_bCheckBoxes); }
bool guiTreeViewDraw::SetExpandedLevel(int level) { return store(m_expandedLevel, level, false); }
bool guiTreeViewDraw::SetOnlyOneExpanded(bool only) { return store(m_bOnlyOneExpanded, only, true); }
bool guiTreeViewDraw::SetUserCanExpandAll(bool can) { return store(m_bUserCanExpandAll, can, false); }
bool guiTreeViewDraw::SetAspectName(const vbString& name) { return store(m_aspectName, name, true); }

bool guiTreeViewDraw::SetMouseTrack(guiMouseTrack track)
{
    if (m_mouseTrack == track)
        return false;
    clearPositions();
    m_mouseTrack = track;
    return true;
}

void guiTreeViewDraw::Redraw(bool all) { m_root.request(all ? guiTreeViewLevel::kRepaintAll : guiTreeViewLevel::kRepaint); }

void guiTreeViewDraw::UpdateTree(bool all)
{
    m_root.request(all ? guiTreeViewLevel::kRelayoutAll : guiTreeViewLevel::kRelayout);
}

bool guiTreeViewDraw::AskClose(bool wholeChain) { return m_pEvents->askCloseCtrl(this, wholeChain); }

bool guiTreeViewDraw::IsDestroyPending() const { return m_life->IsDestroyPending(); }

// ---------------------------------------------------------------------------------------------
// The update cycle.

// Workers post while the host's thread places: both flags are read and written under the
// post's lock, so that a request made during the placing is posted again after it.
void guiTreeViewDraw::post()
{
    bool placing = false;
    m_post->Locked([&] {
        placing = m_bPlacing;
        m_bRepost = m_bRepost || placing;
    });
    if (!placing)
        m_post->Request([] { });
}

void guiTreeViewDraw::markRepaintLine(int y)
{
    if (m_repaintLine < 0 || y < m_repaintLine)
        m_repaintLine = y;
}

void guiTreeViewDraw::invalidateContent(const CRect& band)
{
    if (m_treeRect.IsRectEmpty() || !m_pHost->GetSafeHwnd())
        return;
    CRect r = band;
    r.OffsetRect(m_treeRect.left - m_offset.x, m_treeRect.top + 1 - m_offset.y);
    r.IntersectRect(&r, &m_treeRect);
    if (!r.IsRectEmpty())
        m_pHost->InvalidateRect(&r, FALSE);
}

void guiTreeViewDraw::OnPostedUpdate()
{
    guiTreeDrawLife::Entry entry(*m_life);
    // The levels stay in place while a search walks them.
    if (m_search.running) {
        m_bUpdateOwed = true;
        return;
    }
    if (m_life->IsDestroyPending() || !m_post->Take([] { }))
        return;
    m_pendingVisible = PendingVisible();
    m_widthMax = m_pEvents->GetWidthMax();
    m_repaintLine = -1;
    int bottom = 0;
    int right = 0;
    int rows = 0;
    m_post->Locked([&] { m_bPlacing = true; });
    const bool shows = m_root.place(true, 0, bottom, right, rows);
    m_post->Locked([&] { m_bPlacing = false; });
    if (m_life->IsDestroyPending())
        return;
    if (!shows) {
        m_content = CSize(-1, -1);
        CRect rect = m_treeRect;
        m_pEvents->onSizeChange(this, m_content, &rect);
        if (!m_life->IsDestroyPending() && m_pHost->GetSafeHwnd())
            m_pHost->Invalidate(FALSE);
    } else {
        repaintFromLine();
        resize(CSize(right, bottom));
    }
    if (!m_life->IsDestroyPending())
        makePendingVisible();
    bool repost = false;
    m_post->Locked([&] { repost = std::exchange(m_bRepost, false); });
    if (repost && !m_life->IsDestroyPending())
        post();
}

void guiTreeViewDraw::repaintFromLine()
{
    if (m_repaintLine < 0 || m_treeRect.IsRectEmpty() || !m_pHost->GetSafeHwnd())
        return;
    const int line = std::max<int>(0, m_repaintLine + m_treeRect.top - m_offset.y + 1);
    if (line >= m_treeRect.bottom - 1)
        return;
    const CRect r(m_treeRect.left, line, m_treeRect.right, m_treeRect.bottom);
    m_pHost->InvalidateRect(&r, FALSE);
}

void guiTreeViewDraw::resize(const CSize& content)
{
    if (content == m_content)
        return;
    m_content = content;
    CRect rect = m_treeRect;
    const bool answered = m_pEvents->onSizeChange(this, m_content, &rect);
    if (m_life->IsDestroyPending() || m_treeRect.IsRectEmpty())
        return;
    const CPoint clamped = clampOffset(m_offset);
    if (answered || clamped != m_offset) {
        m_offset = clamped;
        m_pEvents->askOffsetChange(this, m_offset, m_content, CSize(m_treeRect.Width(), m_treeRect.Height() - 2));
    }
    if (!m_life->IsDestroyPending() && m_pEvents->GetWidthMax() != m_widthMax)
        m_root.request(guiTreeViewLevel::kRelayoutAll);
}

// ---------------------------------------------------------------------------------------------
// Geometry.

CPoint guiTreeViewDraw::clampOffset(const CPoint& offset) const
{
    CPoint p = offset;
    p.x = std::max<int>(0, std::min<int>(p.x, m_content.cx - m_treeRect.Width()));
    p.y = std::max<int>(0, std::min<int>(p.y, m_content.cy - (m_treeRect.Height() - 2)));
    return p;
}

bool guiTreeViewDraw::SetOffset(const CPoint& offset, bool repaint)
{
    const CPoint clamped = clampOffset(offset);
    const bool moved = clamped != m_offset;
    m_offset = clamped;
    if (repaint && m_pHost->GetSafeHwnd())
        m_pHost->InvalidateRect(&m_treeRect, TRUE);
    return moved;
}

bool guiTreeViewDraw::SetTreeRect(const CRect& rect, bool repaint)
{
    if (rect == m_treeRect)
        return false;
    m_treeRect = rect;
    if (m_pEvents->GetWidthMax() != m_widthMax)
        m_root.request(guiTreeViewLevel::kRelayoutAll);
    SetOffset(m_offset, repaint);
    return true;
}

void guiTreeViewDraw::PaintBack(CDC& dc, const CRect& rect)
{
    // The back rectangle is the gradient's span, so that it runs across the whole control.
    const CRect& span = m_pEvents->getBackRect();
    GetBack().Fill(dc.GetSafeHdc(), span.IsRectEmpty() ? rect : span, &rect);
}

const guiSurface& guiTreeViewDraw::GetBack() { return m_root.AspectEngine().GetBack(); }

// ---------------------------------------------------------------------------------------------
// Lifecycle.

void guiTreeViewDraw::stopAnimation()
{
    m_timer.Stop(true);
    m_bAnimating = false;
}

void guiTreeViewDraw::Destroy()
{
    stopAnimation();
    m_post->Stop([] { });
    m_search.stop = m_search.running;
    m_default->SetCallback(nullptr);
    m_default->Set(nullptr);
    m_root.SetNode(nullptr);
    forgetLevel(&m_root);
    clearPositions();
    // Inside an entry the levels below may be on the stack: their items go with the engine.
    if (m_life->MarkDestroyed())
        delete this;
}
