// The menu engine's layout: the records of the visible children, their order and sizes, the
// selection kept in the root, the status text, scrolling rows into view and the geometry helpers.

#include "menu/guiTreeMenuDraw.h"
#include "menu/guiTreeMenuItem.h"
#include "menu/guiTreeMenuPopup.h"
#include "tree/guiTreeNodeCopy.h"

#include "plat/paint.h"
#include "plat/window.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

constexpr vbDnPriority kIconPriority = vbDnPriority1;

// Which of an item's four measured sizes.
enum { kNormal, kSel, kOver, kSelOver };

} // namespace

void guiTreeMenuDraw::refreshStatus()
{
    guiTreeNodeRef root;
    m_root.Get(&root);
    guiTreeStatusText(root.Get(), m_status, m_rootLoaded);
}

void guiTreeMenuDraw::forgetLayout()
{
    m_items.clear();
    m_size = CSize(-1, -1);
    m_anySubmenu = false;
    m_widest = m_totalHeight = m_widestIcon = 0;
}

void guiTreeMenuDraw::stopTimer()
{
    if (m_timerRunning) {
        m_timer.Stop(true);
        m_timerRunning = false;
    }
}

bool guiTreeMenuDraw::layout(bool reload)
{
    guiTreeNodeRef root;
    m_root.Get(&root);
    if (root && !m_rootExpanded) {
        m_rootExpanded = true;
        const bool handled = root->onExpand(root.Get());
        m_events->onItemExpanded(false, this, root.Get(), handled);
    }
    stopTimer();
    const LONG mask = m_events->GetFilterMask();
    m_hostLimit = m_events->GetWidthMax();
    m_anySubmenu = false;
    m_widest = m_totalHeight = m_widestIcon = 0;
    if (!root) {
        m_items.clear();
    } else {
        if (reload) {
            m_mainResolved = false;
            m_mainEngine.Reset();
        }
        m_loadingIcon.SetUrl(m_mainEngine.GetLoadingIcon(), m_mainEngine.GetSzIcon(), kIconPriority);
        walkChildren(root.Get(), mask, reload);
        sortItems(root.Get());
        measureItems(reload);
    }
    const bool show = !m_items.empty() || (root && !m_rootLoaded);
    if (show) {
        takeSelectionFromRoot(root.Get(), reload);
        return true;
    }
    if (m_sel != 0) {
        m_sel = 0;
        reportSelect(0);
    }
    if (m_over != 0) {
        m_over = 0;
        reportOver(0);
    }
    if (m_openPopup != 0)
        requestPopup(0);
    return root && root->GetForceHasChildren();
}

void guiTreeMenuDraw::walkChildren(IguiTreeNode* root, LONG mask, bool reload)
{
    std::unordered_map<IguiTreeNode*, Item*> byNode;
    byNode.reserve(m_items.size());
    for (auto& item : m_items) {
        item->kept = false;
        byNode.emplace(item->node.Get(), item.get());
    }
    for (int i = 1;; ++i) {
        guiTreeNodeRef child;
        if (!root->GetChild(i, &child))
            break;
        if (!child->IsFilteredVisible(mask))
            continue;
        Item* item = nullptr;
        auto found = byNode.find(child.Get());
        if (found != byNode.end() && !found->second->kept) {
            item = found->second;
            item->clearPaintFlags();
        } else {
            m_items.push_back(std::make_unique<Item>(this, child.Get()));
            item = m_items.back().get();
        }
        item->kept = true;
        item->index = i;
        item->type = child->GetType();
        const vbString cls = guiTreeNodeCopy(child.Get(), &IguiTreeNode::GetClass);
        if (cls.IsEmpty()) {
            if (item->classEngine) {
                item->classEngine->Detach();
                item->classEngine.reset();
                item->measured = false;
            }
        } else if (!item->classEngine) {
            item->classEngine = std::make_unique<ClassEngine>(this, cls);
            item->measured = false;
        } else if (item->classEngine->Name() != cls) {
            item->classEngine->Rename(cls);
            item->measured = false;
        } else if (reload) {
            item->classEngine->Reset();
        }
        item->enabled = child->IsEnabled();
        const CSize iconSize = engineOf(*item).GetSzIcon();
        if (item->type == guiNodeType_Sep) {
            item->text = item->selText = vbString();
            item->hasSubmenu = false;
            continue;
        }
        item->hasSubmenu = child->HasFilteredVisibleChildren(mask);
        m_anySubmenu = m_anySubmenu || item->hasSubmenu;
        vbString selIcon = guiTreeNodeCopy(child.Get(), &IguiTreeNode::GetSelIcon);
        if (selIcon.IsEmpty())
            selIcon = guiTreeNodeCopy(child.Get(), &IguiTreeNode::GetExpIcon);
        if (selIcon.IsEmpty())
            selIcon = guiTreeNodeCopy(child.Get(), &IguiTreeNode::GetSelExpIcon);
        const vbString icon = guiTreeNodeCopy(child.Get(), &IguiTreeNode::GetIcon);
        const vbString helpIcon = guiTreeNodeCopy(child.Get(), &IguiTreeNode::GetHelpIcon);
        const vbString selHelpIcon = guiTreeNodeCopy(child.Get(), &IguiTreeNode::GetSelHelpIcon);
        item->icon.SetUrl(icon, iconSize, kIconPriority);
        item->selIcon.SetUrl(selIcon, iconSize, kIconPriority);
        item->helpIcon.SetUrl(helpIcon, iconSize, kIconPriority);
        item->selHelpIcon.SetUrl(selHelpIcon, iconSize, kIconPriority);
        // Room is made for every icon named, loaded or not, so that a menu keeps its size
        // whenever its icons arrive.
        item->measuredIcons = (icon.IsEmpty() && selIcon.IsEmpty() ? 0u : 1u)
            | (helpIcon.IsEmpty() && selHelpIcon.IsEmpty() ? 0u : 2u);
        if (item->measuredIcons & 1u)
            m_widestIcon = std::max(m_widestIcon, static_cast<int>(iconSize.cx));
    }
    std::erase_if(m_items, [](const std::unique_ptr<Item>& item) { return !item->kept; });
}

void guiTreeMenuDraw::sortItems(IguiTreeNode* root)
{
    auto byIndex = [](const std::unique_ptr<Item>& a, const std::unique_ptr<Item>& b) { return a->index < b->index; };
    // A relayout mostly finds the order of the last one.
    if (!root->GetSorted()) {
        if (!std::is_sorted(m_items.begin(), m_items.end(), byIndex))
            std::sort(m_items.begin(), m_items.end(), byIndex);
        return;
    }
    // The children's current texts, so that a new record sorts right at its first layout; copied
    // once, since a worker may change a text while the sort compares it.
    std::vector<std::pair<vbString, std::unique_ptr<Item>>> keyed;
    keyed.reserve(m_items.size());
    for (std::unique_ptr<Item>& item : m_items)
        keyed.emplace_back(guiTreeNodeCopy(item->node.Get(), &IguiTreeNode::GetText), std::move(item));
    auto byText = [](const auto& a, const auto& b) {
        const int order = vbSortStringNC(a.first, b.first);
        return order != 0 ? order < 0 : a.second->index < b.second->index;
    };
    if (!std::is_sorted(keyed.begin(), keyed.end(), byText))
        std::sort(keyed.begin(), keyed.end(), byText);
    for (size_t i = 0; i < keyed.size(); ++i)
        m_items[i] = std::move(keyed[i].second);
}

void guiTreeMenuDraw::measureItems(bool reload)
{
    HDC screen = GetDC(nullptr);
    CDC dc;
    dc.Attach(screen);
    int y = 0;
    try {
        for (auto& item : m_items) {
            item->top = y;
            measureItem(dc, *item, reload);
            item->laidOut = true;
            // An icon that arrived since the walk took its state told no one: lay out again.
            if (item->lacksRoom())
                requestRelayout();
            m_widest = std::max(m_widest, item->width);
            y += item->height;
        }
    } catch (...) {
        dc.Detach();
        ReleaseDC(nullptr, screen);
        throw;
    }
    dc.Detach();
    ReleaseDC(nullptr, screen);
    m_totalHeight = y;
}

void guiTreeMenuDraw::measureItem(CDC& dc, Item& item, bool reload)
{
    const guiTreeAspectEngine& engine = engineOf(item);
    if (item.type == guiNodeType_Sep) {
        item.width = 0;
        item.height = engine.GetSepHeight() + engine.GetSpacingHeight();
        return;
    }
    const CSize iconSize = engine.GetSzIcon();
    int width = m_widestIcon > 0 ? m_widestIcon + 9 : 6;
    int height = 0;
    const bool hasHelp = (item.measuredIcons & 2u) != 0;
    if (item.measuredIcons != 0 && iconSize.cy > 0)
        height = iconSize.cy;
    if (hasHelp)
        width += iconSize.cx + 3;
    if (m_checkBoxes || item.type == guiNodeType_Check || item.type == guiNodeType_Radio) {
        height = std::max(height, 14);
        item.checkMode = item.node->GetCheckMode();
        width += 20;
    }
    int limit = m_hostLimit > 0 ? m_hostLimit : engine.GetWidthMax();
    if (limit > 0) {
        limit -= width + (m_anySubmenu ? 7 : 0);
        limit = std::max(limit, 20);
    }

    const bool remeasure = reload || !item.measured || limit != item.limit;
    auto measure = [&](const vbString& text, bool sel, int plain, int over) {
        const guiFont& font = engine.GetFont(sel, false);
        const guiFont& overFont = engine.GetFont(sel, true);
        item.sizes[plain] = font.GetTextSize(dc, limit, text, !engine.GetTextShadowColor(false, sel, false).IsNull());
        item.sizes[over] = overFont.IsEmpty()
            ? item.sizes[plain]
            : overFont.GetTextSize(dc, limit, text, !engine.GetTextShadowColor(false, sel, true).IsNull());
    };
    const vbString text = guiTreeNodeCopy(item.node.Get(), &IguiTreeNode::GetText);
    if (remeasure || text != item.text) {
        item.text = text;
        measure(item.text, false, kNormal, kOver);
    }
    vbString selText = guiTreeNodeCopy(item.node.Get(), &IguiTreeNode::GetSelText);
    if (selText.IsEmpty() && !engine.GetFont(true, false).IsEmpty())
        selText = item.text;
    if (remeasure || selText != item.selText) {
        item.selText = selText;
        if (selText.IsEmpty())
            item.sizes[kSel] = item.sizes[kSelOver] = CSize(0, 0);
        else
            measure(item.selText, true, kSel, kSelOver);
    }
    item.limit = limit;
    item.measured = true;

    int textWidth = 0;
    for (const CSize& size : item.sizes) {
        textWidth = std::max(textWidth, static_cast<int>(size.cx));
        height = std::max(height, static_cast<int>(size.cy));
    }
    if (item.hasSubmenu)
        height = std::max(height, 6);
    item.width = width + textWidth;
    item.height = height + engine.GetSpacingHeight();
}

void guiTreeMenuDraw::takeSelectionFromRoot(IguiTreeNode* root, bool reload)
{
    const int count = GetItemCount();
    int sel = root ? root->RetrieveSelected() : m_sel;
    bool clamped = false;
    if (std::abs(sel) > count) {
        sel = count;
        clamped = true;
    }
    m_sel = sel;
    if (std::abs(m_over) > count)
        m_over = 0;
    if (m_sel != 0 || m_over != 0)
        m_events->cancelScrollSelect();
    if (clamped || m_sel != 0)
        reportSelect(m_sel);
    if (m_over != 0)
        reportOver(m_over);
    if (reload)
        if (sIguiTreeDraw* sub = popupDraw())
            sub->UpdateTree(true);
    const int wanted = m_sel > 0 ? m_sel : 0;
    if (m_openPopup != wanted)
        requestPopup(wanted);
}

// --- geometry ---

guiTreeMenuDraw::Item* guiTreeMenuDraw::itemAt(int pos) const
{
    return pos >= 1 && pos <= GetItemCount() ? m_items[static_cast<size_t>(pos - 1)].get() : nullptr;
}

int guiTreeMenuDraw::positionOf(IguiTreeNode* node) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i]->node.Get() == node)
            return static_cast<int>(i) + 1;
    return 0;
}

const guiTreeAspectEngine& guiTreeMenuDraw::engineOf(const Item& item) const
{
    return item.classEngine ? item.classEngine->Engine() : m_mainEngine;
}

int guiTreeMenuDraw::helpColumn(const Item& item) const
{
    return m_size.cx - static_cast<int>(engineOf(item).GetSzIcon().cx) - 5 - (m_anySubmenu ? 7 : 0);
}

CRect guiTreeMenuDraw::rowRect(const Item& item) const
{
    return CRect(0, item.top, m_size.cx, item.top + item.height);
}

CRect guiTreeMenuDraw::GetItemRect(int pos) const
{
    const Item* item = itemAt(pos);
    return item ? CRect(0, item->top, item->width, item->top + item->height) : CRect(0, 0, 0, 0);
}

CRect guiTreeMenuDraw::toClient(const CRect& content) const
{
    CRect r = content;
    r.OffsetRect(m_treeRect.left - m_offset.x, m_treeRect.top + 1 - m_offset.y);
    return r;
}

bool guiTreeMenuDraw::clampOffset(CPoint& offset) const
{
    const CPoint before = offset;
    const int maxX = std::max(0, static_cast<int>(m_size.cx) - m_treeRect.Width());
    const int maxY = std::max(0, static_cast<int>(m_size.cy) - (m_treeRect.Height() - 2));
    offset.x = std::clamp(static_cast<int>(offset.x), 0, maxX);
    offset.y = std::clamp(static_cast<int>(offset.y), 0, maxY);
    return offset != before;
}

void guiTreeMenuDraw::invalidate(const CRect& client)
{
    if (!client.IsRectEmpty())
        InvalidateRect(m_host->GetSafeHwnd(), &client, FALSE);
}

void guiTreeMenuDraw::invalidateItem(int pos)
{
    if (const Item* item = itemAt(pos); item && item->top >= 0)
        invalidate(toClient(rowRect(*item)));
}

bool guiTreeMenuDraw::scrollIntoView(int pos, bool help, bool invalidateRow)
{
    const Item* item = itemAt(pos);
    if (!item || item->top < 0)
        return false;
    const CRect target =
        toClient(CRect(help ? helpColumn(*item) : 0, item->top, m_size.cx, item->top + item->height));
    const CRect& tree = m_treeRect;
    CRect visible;
    bool stays = false;
    if (visible.IntersectRect(target, tree)) {
        const bool inside = visible == target;
        const bool insideVertically = target.top >= tree.top && target.bottom <= tree.bottom;
        const int wanted = std::min(target.Width() * 2 / 10, tree.Width() * 7 / 10);
        stays = inside || (insideVertically && visible.Width() >= wanted);
    }
    if (!stays) {
        CPoint offset = m_offset;
        if (target.top < tree.top + 1)
            offset.y += target.top - tree.top - 1;
        else if (target.bottom > tree.bottom - 1)
            offset.y += target.bottom - tree.bottom + 1;
        if (target.left < tree.left)
            offset.x += target.left - tree.left;
        clampOffset(offset);
        if (offset != m_offset) {
            m_events->askOffsetChange(this, offset, m_size, visibleSize());
            return true;
        }
    }
    if (invalidateRow)
        invalidate(toClient(rowRect(*item)));
    return false;
}
