// The tree view's four positions (selected, help-selected, over, help-over), keeping them valid as
// levels change, and bringing an item into view.

#include "guiTreeViewDraw.h"

#include "draw/guiTreeDrawPost.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int kHelpGap = 5;

bool validIndex(guiTreeViewLevel* level, int index) { return index >= 1 && index <= level->ItemCount(); }

} // namespace

int guiTreeViewLevel::IndexOf(IguiTreeNode* node) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i]->Node() == node)
            return static_cast<int>(i) + 1;
    return 0;
}

bool guiTreeViewLevel::IsSelected(IguiTreeNode* node)
{
    const guiTreeViewPos& sel = m_pDraw->Selected();
    return sel.level == this && node && IndexOf(node) == sel.index;
}

bool guiTreeViewLevel::IsOver(IguiTreeNode* node)
{
    const guiTreeViewPos& over = m_pDraw->Over();
    return m_pDraw->IsOverShown() && over.level == this && node && IndexOf(node) == over.index;
}

guiTreeViewPos guiTreeViewDraw::Current(bool* help) const
{
    *help = !m_sel && m_helpSel;
    return m_sel ? m_sel : m_helpSel;
}

void guiTreeViewDraw::repaintRow(guiTreeViewLevel* level, int index)
{
    if (!level || !validIndex(level, index))
        return;
    const guiTreeViewItem& item = level->Item(index);
    if (item.top >= 0)
        invalidateContent(CRect(level->Placed().left + level->Indent(), item.top, m_content.cx, item.top + item.height));
}

void guiTreeViewDraw::reportSelected()
{
    const bool help = !m_sel && m_helpSel;
    const guiTreeViewPos& pos = help ? m_helpSel : m_sel;
    IguiTreeNode* node = pos ? pos.level->Item(pos.index).Node() : nullptr;
    itemEvent(pos.level, node, help, &IguiTreeNode::onSelect, &sIguiTreeItemEvents::onItemSelected);
}

void guiTreeViewDraw::reportOver()
{
    const bool help = !m_over && m_helpOver;
    const guiTreeViewPos& pos = help ? m_helpOver : m_over;
    IguiTreeNode* node = pos ? pos.level->Item(pos.index).Node() : nullptr;
    itemEvent(pos.level, node, help, &IguiTreeNode::onOver, &sIguiTreeItemEvents::onItemOver);
}

// Moves pos to (level, index) after clearing its partner position; both rows are repainted.
void guiTreeViewDraw::moveTo(guiTreeViewPos& pos, guiTreeViewPos& other, guiTreeViewLevel* level, int index,
    bool help, int scrollMode)
{
    m_pEvents->cancelScrollSelect();
    if (other) {
        repaintRow(other.level, other.index);
        other = guiTreeViewPos();
    }
    const guiTreeViewPos next = level ? guiTreeViewPos{level, index} : guiTreeViewPos();
    if (pos && pos != next)
        repaintRow(pos.level, pos.index);
    pos = next;
    if (next)
        makeVisible(level, scrollMode, help, index, true);
}

bool guiTreeViewDraw::select(guiTreeViewLevel* level, int index, int matchStart, int matchLength, int scrollMode)
{
    if (level && !validIndex(level, index))
        return false;
    if (m_sel == (level ? guiTreeViewPos{level, index} : guiTreeViewPos()) && matchStart == m_matchStart
        && matchLength == m_matchLength)
        return false;
    moveTo(m_sel, m_helpSel, level, index, false, scrollMode);
    m_matchStart = level ? matchStart : 0;
    m_matchLength = level ? matchLength : 0;
    m_bSelReported = true;
    reportSelected();
    return true;
}

bool guiTreeViewDraw::helpSelect(guiTreeViewLevel* level, int index, int scrollMode)
{
    if (level && !validIndex(level, index))
        return false;
    if (m_helpSel == (level ? guiTreeViewPos{level, index} : guiTreeViewPos()))
        return false;
    m_matchStart = m_matchLength = 0;
    moveTo(m_helpSel, m_sel, level, index, true, scrollMode);
    m_bSelReported = true;
    reportSelected();
    return true;
}

bool guiTreeViewDraw::setOver(guiTreeViewLevel* level, int index)
{
    if (m_mouseTrack == guiMouseTrack_Select)
        return select(level, index, 0, 0, 1);
    if (m_mouseTrack != guiMouseTrack_Over || (level && !validIndex(level, index)))
        return false;
    if (m_over == (level ? guiTreeViewPos{level, index} : guiTreeViewPos()))
        return false;
    moveTo(m_over, m_helpOver, level, index, false, 1);
    reportOver();
    return true;
}

bool guiTreeViewDraw::setHelpOver(guiTreeViewLevel* level, int index)
{
    if (m_mouseTrack == guiMouseTrack_Select)
        return helpSelect(level, index, 1);
    if (m_mouseTrack != guiMouseTrack_Over || (level && !validIndex(level, index)))
        return false;
    if (m_helpOver == (level ? guiTreeViewPos{level, index} : guiTreeViewPos()))
        return false;
    moveTo(m_helpOver, m_over, level, index, true, 1);
    reportOver();
    return true;
}

bool guiTreeViewDraw::setMatch(int start, int length)
{
    if (!m_sel)
        start = length = 0;
    if (start == m_matchStart && length == m_matchLength)
        return false;
    m_matchStart = start;
    m_matchLength = length;
    repaintRow(m_sel.level, m_sel.index);
    return true;
}

void guiTreeViewDraw::clearPositions()
{
    m_sel = m_helpSel = m_over = m_helpOver = guiTreeViewPos();
    m_matchStart = m_matchLength = 0;
}

void guiTreeViewDraw::forgetLevel(guiTreeViewLevel* level)
{
    for (guiTreeViewPos* pos : {&m_sel, &m_helpSel, &m_over, &m_helpOver, &m_search.start, &m_search.before.pos,
             &m_search.after.pos, &m_pendingVisible.pos})
        if (pos->level == level)
            *pos = guiTreeViewPos();
    if (!m_sel)
        m_matchStart = m_matchLength = 0;
}

void guiTreeViewDraw::clampPositions(guiTreeViewLevel* level, int count)
{
    for (guiTreeViewPos* pos : {&m_sel, &m_helpSel}) {
        if (pos->level != level || pos->index <= count)
            continue;
        pos->index = count;
        if (count == 0)
            *pos = guiTreeViewPos();
        m_matchStart = m_matchLength = 0;
        m_bSelReported = false;
    }
    if (!m_bSelReported) {
        m_bSelReported = true;
        reportSelected();
    }
    bool overMoved = false;
    for (guiTreeViewPos* pos : {&m_over, &m_helpOver}) {
        if (pos->level != level || pos->index <= count)
            continue;
        pos->index = count;
        if (count == 0)
            *pos = guiTreeViewPos();
        overMoved = true;
    }
    if (overMoved && !IsDestroyPending())
        reportOver();
}

// ---------------------------------------------------------------------------------------------
// Into view.

bool guiTreeViewDraw::makeVisible(guiTreeViewLevel* level, int scrollMode, bool help, int index, bool repaint)
{
    if (!level || !level->IsExpanded() || !validIndex(level, index))
        return false;
    guiTreeViewItem& item = level->Item(index);
    if (item.top < 0) {
        m_pendingVisible = PendingVisible{guiTreeViewPos{level, index}, help, scrollMode};
        return true;
    }
    const CRect& placed = level->Placed();
    const int left = help ? placed.right - item.Aspects().GetSzIcon().cx - kHelpGap : placed.left;
    if (!scrollIntoView(scrollMode, CRect(left, item.top, placed.right, item.top + item.height)) && repaint)
        invalidateContent(CRect(placed.left + level->Indent(), item.top, placed.right, item.top + item.height));
    return true;
}

void guiTreeViewDraw::makePendingVisible()
{
    const PendingVisible pending = std::exchange(m_pendingVisible, PendingVisible());
    if (pending.pos)
        makeVisible(pending.pos.level, pending.scrollMode, pending.help, pending.pos.index, true);
}

bool guiTreeViewDraw::scrollIntoView(int scrollMode, const CRect& rect)
{
    if (m_treeRect.IsRectEmpty())
        return false;
    CRect r = rect;
    r.OffsetRect(toClient());
    const CRect inner(m_treeRect.left, m_treeRect.top + 1, m_treeRect.right, m_treeRect.bottom - 1);
    CRect seen;
    if (seen.IntersectRect(&r, &inner)) {
        const bool verticallyIn = r.top >= inner.top && r.bottom <= inner.bottom;
        if (verticallyIn && r.left >= inner.left && r.right <= inner.right)
            return false;
        if (verticallyIn
            && (scrollMode != 0 || seen.Width() >= std::min<int>(r.Width() * 5 / 10, m_treeRect.Width() * 7 / 10)))
            return false;
    }
    CPoint offset = m_offset;
    if (r.top < inner.top)
        offset.y += r.top - inner.top;
    else if (r.bottom > inner.bottom)
        offset.y += r.bottom - inner.bottom;
    offset.x += r.left - m_treeRect.left;
    offset = clampOffset(offset);
    if (offset == m_offset)
        return false;
    m_pEvents->askOffsetChange(this, offset, m_content, CSize(m_treeRect.Width(), m_treeRect.Height() - 2));
    return true;
}
