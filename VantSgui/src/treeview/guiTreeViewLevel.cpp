#include "guiTreeViewDraw.h"

#include "draw/guiTreeDrawPost.h"
#include "tree/guiTreeNodeCopy.h"
#include "treeview/guiTreeViewStyleLink.h"
#include "treeview/guiTreeViewStyles.h"

#include "vbBaseItf.h"
#include "vbExceptionReport.h"

#include "plat/afxgdi.h"

#include <algorithm>
#include <initializer_list>
#include <map>
#include <utility>
#include <vector>

namespace {

constexpr vbDnPriority kItemIconPriority = static_cast<vbDnPriority>(1);
constexpr vbDnPriority kLoadingIconPriority = static_cast<vbDnPriority>(5);
constexpr int kButtonRoom = 9;
constexpr int kCheckWidth = 20;
constexpr int kCheckHeight = 14;
constexpr int kTextLimitFloor = 50;

} // namespace

// The style of an item's class: its names asked from the level's node, completed by the level.
class guiTreeViewItem::ClassAspect final : public sIguiTreeAspectGet {
public:
    ClassAspect(guiTreeViewLevel* level, const vbString& name)
        : m_level(level), m_name(name), m_link(nullptr), m_aspects(this, &level->AspectEngine(), nullptr)
    {
    }

    bool GetAspect(guiTreeAspectEngine* engine, const vbString* names, int count, guiTreeAspectRef* out) override
    {
        return m_level->GetAspect(engine, names, count, out);
    }
    IguiTreeAspect* GetAspect(guiTreeAspectEngine*) override
    {
        if (!m_resolved) {
            vbString names[guiTreeViewItemNamesMax];
            const int n = guiTreeViewItemNames(m_name, m_level->Draw()->GetAspectName(), m_level->Draw()->InPopup(), names);
            guiTreeAspectRef found;
            m_link.Set(n > 0 && m_aspects.GetAspect(names, n, &found, true) ? static_cast<IguiTreeAspect*>(found) : nullptr);
            m_resolved = true;
        }
        return m_link.Peek();
    }
    void onAspectListChange(IguiTreeNode*) override { }

    void reset()
    {
        m_aspects.Reset();
        m_resolved = false;
    }

    guiTreeViewLevel* m_level;
    vbString m_name;
    guiTreeViewAspectLink m_link;
    bool m_resolved = false;
    guiTreeAspectEngine m_aspects;
};

// ---------------------------------------------------------------------------------------------
// Items.

guiTreeViewItem::guiTreeViewItem(guiTreeViewLevel* level, IguiTreeNode* node)
    : icon(this, CSize(16, 16)), selIcon(this, CSize(16, 16)), helpIcon(this, CSize(16, 16)),
      selHelpIcon(this, CSize(16, 16)), expIcon(this, CSize(16, 16)), selExpIcon(this, CSize(16, 16)),
      expandParentArmed(node->GetExpandParentEvent()), collapseParentArmed(node->GetCollapseParentEvent()),
      m_pLevel(level), m_node(node)
{
}

guiTreeViewItem::~guiTreeViewItem()
{
    // A download worker tells of a loaded icon until then; the icons go after this body, and the
    // item's other members before some of them.
    for (vbIcon* each : {&icon, &selIcon, &helpIcon, &selHelpIcon, &expIcon, &selExpIcon})
        each->SetIconLoadedCB(nullptr);
    m_pLevel->setAnimated(animatedIcon, false);
    m_pLevel->setAnimated(animatedHelpIcon, false);
}

guiTreeAspectEngine& guiTreeViewItem::Aspects() { return m_class ? m_class->m_aspects : m_pLevel->AspectEngine(); }

unsigned guiTreeViewItem::loadedIconGroups() const
{
    const bool main = icon.IsValid() || selIcon.IsValid() || expIcon.IsValid() || selExpIcon.IsValid();
    const bool help = helpIcon.IsValid() || selHelpIcon.IsValid();
    return (main ? 1u : 0u) | (help ? 2u : 0u);
}

void guiTreeViewItem::onIconLoaded(vbIcon*)
{
    // An icon that came after the item was measured without it needs its room: text and row
    // would otherwise run past the level's width and under the next row.
    if (loadedIconGroups() != m_measuredIcons)
        m_pLevel->request(guiTreeViewLevel::kRelayout);
    else if (top >= 0)
        m_pLevel->request(guiTreeViewLevel::kRepaint);
}

// ---------------------------------------------------------------------------------------------
// Levels.

guiTreeViewLevel::guiTreeViewLevel(guiTreeViewDraw* draw, guiTreeViewLevel* parent, sIguiTreeAspectEngine* hostAspects)
    : m_pDraw(draw), m_pParent(parent), m_node(std::make_unique<guiTreeRootLink>(this, this, this)),
      m_aspect(std::make_unique<guiTreeViewAspectLink>(this)),
      m_aspects(this, parent ? &parent->m_aspects : hostAspects, parent ? nullptr : &draw->OwnAspects()),
      m_number(parent ? parent->m_number + 1 : 0),
      m_bExpanded(!parent || (parent->m_bExpanded && m_number <= draw->GetExpandedLevel())),
      m_loadingIcon(nullptr, CSize(16, 16))
{
}

guiTreeViewLevel::~guiTreeViewLevel()
{
    try {
        clearItems();
    } catch (...) {
        vbImpl::reportCurrent(true, "guiTreeViewLevel", __LINE__);
    }
    m_pDraw->forgetLevel(this);
    m_node->SetCallback(nullptr);
    m_node->Set(nullptr);
    m_aspect->SetCallback(nullptr);
    m_aspect->Set(nullptr);
}

bool guiTreeViewLevel::GetAspect(guiTreeAspectEngine*, const vbString* names, int count, guiTreeAspectRef* out)
{
    IguiTreeNode* node = GetNode();
    if (!node)
        return false;
    for (int i = 0; i < count; ++i)
        if (node->GetAspect(names[i].c_str(), out) && *out)
            return true;
    return false;
}

IguiTreeAspect* guiTreeViewLevel::GetAspect(guiTreeAspectEngine*)
{
    if (!m_bAspectResolved) {
        IguiTreeNode* node = GetNode();
        vbString names[guiTreeViewLevelNamesMax];
        const int n = guiTreeViewLevelNames(node ? guiTreeNodeCopy(node, &IguiTreeNode::GetChildrenClass) : vbString(), m_pDraw->GetAspectName(),
            m_pDraw->InPopup(), m_pParent == nullptr, names);
        guiTreeAspectRef found;
        const bool ok = n > 0 && m_aspects.GetAspect(names, n, &found, !m_aspects.HasDflt());
        m_aspect->Set(ok ? static_cast<IguiTreeAspect*>(found) : nullptr);
        m_bAspectResolved = true;
    }
    return m_aspect->Peek();
}

void guiTreeViewLevel::onAspectListChange(IguiTreeNode*) { request(kRelayoutAll); }

sIguiTreeDraw* guiTreeViewLevel::GetDraw() { return m_pDraw; }

void guiTreeViewLevel::onPtrSignal(sIvbPtr* ptr, int signal)
{
    if (ptr == m_aspect.get()) {
        if (signal == 3)
            request(kRelayoutAll);
        else if (signal == 4)
            request(kRepaintAll);
        return;
    }
    if (signal == 1)
        request(kRelayout);
    else if (signal == 2)
        request(kRepaint);
    else if (signal == 0 || signal == -1)
        request(kStatus);
}

void guiTreeViewLevel::onPtrUnlink(sIvbPtr* ptr)
{
    if (ptr == m_node.get())
        request(kReset);
}

void guiTreeViewLevel::onPtrLink(sIvbPtr* ptr)
{
    if (ptr == m_node.get())
        request(kRelayoutAll);
}

void guiTreeViewLevel::request(unsigned what)
{
    if (what & kExpandAll)
        what |= kExpand;
    if (what & kCollapseAll)
        what |= kCollapse;
    bool fresh = false;
    {
        vbSectLock lock(&m_sect);
        if (what & kExpand)
            m_requests &= ~(kCollapse | kCollapseAll);
        if (what & kCollapse)
            m_requests &= ~(kExpand | kExpandAll);
        if (what & (kRelayout | kRelayoutAll | kStatus))
            m_requests &= ~kReset;
        fresh = (m_requests & what) != what;
        m_requests |= what;
    }
    if (fresh)
        m_pDraw->post();
}

void guiTreeViewLevel::addRequests(unsigned what)
{
    vbSectLock lock(&m_sect);
    m_requests |= what;
}

void guiTreeViewLevel::SetNode(IguiTreeNode* node)
{
    m_node->Set(node);
    refreshStatus();
}

IguiTreeNode* guiTreeViewLevel::GetNode() const { return m_node->Peek(); }

void guiTreeViewLevel::setAnimated(bool& flag, bool animated)
{
    if (flag == animated)
        return;
    const bool before = HasAnimation();
    flag = animated;
    m_animated += animated ? 1 : -1;
    if (HasAnimation() != before && m_pParent)
        m_pParent->belowChanged(!before);
}

void guiTreeViewLevel::belowChanged(bool up)
{
    const bool before = HasAnimation();
    m_animatedBelow += up ? 1 : -1;
    if (HasAnimation() != before && m_pParent)
        m_pParent->belowChanged(!before);
}

void guiTreeViewLevel::resetAspects()
{
    m_aspects.Reset();
    for (auto& item : m_items) {
        if (item->m_class)
            item->m_class->reset();
        if (item->m_child)
            item->m_child->resetAspects();
    }
}

void guiTreeViewLevel::clearItems()
{
    std::vector<std::unique_ptr<guiTreeViewItem>> gone;
    gone.swap(m_items);
}

void guiTreeViewLevel::refreshStatus()
{
    vbString status;
    bool loaded = false;
    if (guiTreeStatusText(GetNode(), status, loaded)) {
        m_status = status;
        m_bLoaded = loaded;
    }
}

// ---------------------------------------------------------------------------------------------
// Layout.

bool guiTreeViewLevel::place(bool visible, int x, int& y, int& right, int& rows)
{
    m_placed.left = x;
    m_placed.top = y;
    m_indent = m_aspects.GetIndentation(m_pParent == nullptr);
    if (m_indent > 0)
        m_indent += kButtonRoom;
    bool expandAll = false;
    if (!update(visible, expandAll) || m_pDraw->IsDestroyPending())
        return false;
    int widest = 0;
    for (size_t i = 0; i < m_items.size(); ++i) {
        auto& item = m_items[i];
        if (visible) {
            item->top = y;
            y += item->height;
            ++rows;
            widest = std::max(widest, item->width);
            if (item->type != guiNodeType_Sep && item->type != guiNodeType_Text)
                m_treeLineEnd = item->top + item->height / 2;
        } else {
            item->top = -1;
        }
        parentEvents(*item, visible);
        if (m_pDraw->IsDestroyPending())
            return false;
        if (item->m_child) {
            item->m_child->setParentItemTop(item->top);
            if (expandAll)
                item->m_child->addRequests(kExpandAll | kExpand);
            if (!item->m_child->place(visible, x + m_indent, y, right, rows) && !m_pDraw->IsDestroyPending())
                item->m_child.reset();
        }
        if (m_pDraw->IsDestroyPending())
            return false;
    }
    m_placed.right = x + m_indent + widest;
    m_placed.bottom = y;
    right = std::max<int>(right, m_placed.right);
    return true;
}

// A row appearing or vanishing tells its node when the node asked for it, and re-arms the other.
void guiTreeViewLevel::parentEvents(guiTreeViewItem& item, bool visible)
{
    IguiTreeNode* node = item.Node();
    if (visible && item.expandParentArmed) {
        item.expandParentArmed = false;
        m_pDraw->itemNotice(this, node, &IguiTreeNode::onExpandParent, &sIguiTreeItemEvents::onItemParentExpanded);
        item.collapseParentArmed = node->GetCollapseParentEvent();
    } else if (!visible && item.collapseParentArmed) {
        item.collapseParentArmed = false;
        m_pDraw->itemNotice(this, node, &IguiTreeNode::onCollapseParent, &sIguiTreeItemEvents::onItemParentCollapsed);
        item.expandParentArmed = node->GetExpandParentEvent();
    }
}

bool guiTreeViewLevel::update(bool& visible, bool& expandAll)
{
    unsigned flags = 0;
    std::vector<Command> commands;
    {
        vbSectLock lock(&m_sect);
        std::swap(flags, m_requests);
        commands.swap(m_commands);
    }
    sIguiTreeEvents* events = m_pDraw->Events();
    if (m_pDraw->IsDestroyPending())
        return false;
    if (flags & kReset) {
        refreshStatus();
        events->onToolTipChange(m_pDraw);
        clearItems();
        m_bShows = false;
        return false;
    }
    const bool relayout = (flags & (kRelayout | kRelayoutAll)) != 0;
    if ((flags & kExpand) && !m_bExpanded) {
        m_bExpanded = true;
        expandAll = (flags & kExpandAll) != 0;
        if (visible && !relayout)
            m_pDraw->markRepaintLine(m_parentItemTop);
    } else if ((flags & kCollapse) && m_bExpanded) {
        m_bExpanded = false;
        if (flags & kCollapseAll)
            for (auto& item : m_items)
                if (item->m_child)
                    item->m_child->addRequests(kCollapseAll | kCollapse);
        if (visible)
            m_pDraw->markRepaintLine(m_parentItemTop);
        m_pDraw->levelCollapsed(this);
        if (m_pDraw->IsDestroyPending())
            return false;
    }
    // A level shown expanded, also one made so, is reported once.
    if (m_bExpanded) {
        m_pDraw->levelExpanded(this);
        if (m_pDraw->IsDestroyPending())
            return false;
    }
    visible = visible && m_bExpanded;
    if (flags & kStatus) {
        refreshStatus();
        if (visible && !relayout && m_placed.top >= 0)
            events->onToolTipChange(m_pDraw);
    }
    if (relayout || (visible && m_bMustLoad)) {
        m_bShows = loadAndMeasure(visible, (flags & kRelayoutAll) != 0);
        if (relayout && !m_pParent)
            events->onTreeRootUpdate(m_pDraw, (flags & kRelayoutAll) != 0);
    }
    const bool repaintAll = (flags & kRepaintAll) != 0;
    if ((flags & (kRepaint | kRepaintAll)) && (!relayout || repaintAll)) {
        if (repaintAll)
            resetAspects();
        if (visible) {
            CRect band = m_placed;
            if (repaintAll)
                band.right = std::max<int>(band.right, m_pDraw->GetSize().cx);
            m_pDraw->invalidateContent(band);
        }
        if (!m_pParent)
            events->onTreeRootRedraw(m_pDraw, repaintAll);
    }
    for (size_t i = 0; m_bShows && i < commands.size() && !m_pDraw->IsDestroyPending(); ++i)
        runCommand(commands[i]);
    return m_bShows;
}

bool guiTreeViewLevel::loadAndMeasure(bool visible, bool force)
{
    IguiTreeNode* node = GetNode();
    if (!node) {
        clearItems();
        return false;
    }
    if (!visible) {
        m_bMustLoad = true;
        if (!force)
            clearItems();
        return true;
    }
    if (force) {
        m_aspects.Reset();
        m_aspect->Set(nullptr);
        m_bAspectResolved = false;
    }
    CClientDC dc(m_pDraw->Host());
    const int saved = dc.SaveDC();
    const CSize iconSize = m_aspects.GetSzIcon();
    const vbString& loading = m_aspects.GetLoadingIcon();
    if (loading != m_loadingIcon.GetUrl())
        m_loadingIcon.SetUrl(loading, iconSize, kLoadingIconPriority);
    else
        m_loadingIcon.SetSize(iconSize, kLoadingIconPriority);

    std::map<IguiTreeNode*, std::unique_ptr<guiTreeViewItem>> old;
    for (auto& item : m_items)
        old.emplace(item->Node(), std::move(item));
    m_items.clear();
    const LONG mask = m_pDraw->Events()->GetFilterMask();
    for (int index = 1;; ++index) {
        guiTreeNodeRef child;
        if (!node->GetChild(index, &child) || !child)
            break;
        if (!child->IsFilteredVisible(mask))
            continue;
        std::unique_ptr<guiTreeViewItem> item;
        auto found = old.find(child);
        if (found != old.end()) {
            item = std::move(found->second);
            old.erase(found);
        } else {
            item = std::make_unique<guiTreeViewItem>(this, child);
        }
        item->childIndex = index;
        loadItem(*item, child, dc, mask, force);
        m_items.push_back(std::move(item));
    }
    dc.RestoreDC(saved);
    old.clear();
    m_bMustLoad = false;
    const bool shows = !m_items.empty() || !node->IsLoaded() || node->GetForceHasChildren();
    if (shows)
        sortItems(node->GetSorted());
    m_pDraw->clampPositions(this, static_cast<int>(m_items.size()));
    m_pDraw->markRepaintLine(m_placed.top);
    return shows;
}

void guiTreeViewLevel::loadItem(guiTreeViewItem& item, IguiTreeNode* child, CDC& dc, LONG mask, bool force)
{
    item.type = child->GetType();
    const vbString cls = guiTreeNodeCopy(child, &IguiTreeNode::GetClass);
    if (cls.IsEmpty())
        item.m_class.reset();
    else if (!item.m_class || item.m_class->m_name != cls)
        item.m_class = std::make_unique<guiTreeViewItem::ClassAspect>(this, cls);
    item.enabled = child->IsEnabled();
    const CSize iconSize = item.Aspects().GetSzIcon();
    vbIcon* icons[] = {&item.icon, &item.selIcon, &item.helpIcon, &item.selHelpIcon, &item.expIcon, &item.selExpIcon};
    for (vbIcon* icon : icons)
        if (icon->GetSize() != iconSize)
            icon->SetSize(iconSize, kItemIconPriority);
    if (item.type == guiNodeType_Sep) {
        item.text.Empty();
        item.selText.Empty();
        item.m_child.reset();
        item.width = 0;
        item.height = item.Aspects().GetSepHeight();
        return;
    }
    if (!child->HasFilteredVisibleChildren(mask)) {
        item.m_child.reset();
    } else if (!item.m_child) {
        item.m_child = std::make_unique<guiTreeViewLevel>(m_pDraw, this, nullptr);
        // Laid out in this same update: the link's own notice would post another.
        item.m_child->m_node->SetCallback(nullptr);
        item.m_child->m_node->Set(child);
        item.m_child->m_node->SetCallback(item.m_child.get());
        item.m_child->addRequests(kRelayoutAll);
        item.m_child->refreshStatus();
    } else if (force) {
        item.m_child->addRequests(kRelayoutAll);
    }
    const vbString& (IguiTreeNode::*urls[])() const = {&IguiTreeNode::GetIcon, &IguiTreeNode::GetSelIcon,
        &IguiTreeNode::GetHelpIcon, &IguiTreeNode::GetSelHelpIcon, &IguiTreeNode::GetExpIcon, &IguiTreeNode::GetSelExpIcon};
    for (int k = 0; k < 6; ++k) {
        try {
            const vbString url = guiTreeNodeCopy(child, urls[k]);
            if (url != icons[k]->GetUrl())
                icons[k]->SetUrl(url, iconSize, kItemIconPriority);
        } catch (CException* e) {
            vbTraceException(e, true, "guiTreeViewLevel", __LINE__);
        } catch (...) {
            vbTraceException(nullptr, false, "guiTreeViewLevel", __LINE__);
        }
    }
    measure(item, child, dc, force);
}

void guiTreeViewLevel::measure(guiTreeViewItem& item, IguiTreeNode* child, CDC& dc, bool force)
{
    guiTreeAspectEngine& a = item.Aspects();
    const CSize iconSize = a.GetSzIcon();
    const unsigned groups = item.loadedIconGroups();
    item.m_measuredIcons = groups;
    const bool groupA = (groups & 1u) != 0;
    const bool groupB = (groups & 2u) != 0;
    int width = 6;
    int height = groupA || groupB ? iconSize.cy : 0;
    if (groupA)
        width += iconSize.cx + 3;
    if (groupB)
        width += iconSize.cx + 3;
    if (m_pDraw->HasCheckBoxes() || item.type == guiNodeType_Check || item.type == guiNodeType_Radio) {
        height = std::max(height, kCheckHeight);
        width += kCheckWidth;
        item.checkMode = child->GetCheckMode();
    }
    int limit = m_pDraw->WidthMax() > 0 ? m_pDraw->WidthMax() - m_placed.left - m_indent : a.GetWidthMax();
    if (limit > 0)
        limit = std::max(limit - width, kTextLimitFloor);

    const bool sameLimit = !force && limit == item.widthLimit;
    const vbString text = guiTreeNodeCopy(child, &IguiTreeNode::GetText);
    if (!sameLimit || text != item.text) {
        item.text = text;
        item.size = a.GetFont(false, false).GetTextSize(dc, limit, text, true);
        const guiFont& over = a.GetFont(false, true);
        item.overSize = over.IsEmpty()
            ? item.size
            : over.GetTextSize(dc, limit, text, !a.GetTextShadowColor(false, false, true).IsNull());
    }
    vbString selText = guiTreeNodeCopy(child, &IguiTreeNode::GetSelText);
    if (selText.IsEmpty())
        selText = text;
    if (!sameLimit || selText != item.selText) {
        item.selText = selText;
        item.selSize = a.GetFont(true, false).GetTextSize(dc, limit, selText, !a.GetTextShadowColor(false, true, false).IsNull());
        item.selOverSize =
            a.GetFont(true, true).GetTextSize(dc, limit, selText, !a.GetTextShadowColor(false, true, true).IsNull());
    }
    item.widthLimit = limit;
    const CSize sizes[] = {item.size, item.selSize, item.overSize, item.selOverSize};
    int widest = 0;
    for (const CSize& s : sizes) {
        widest = std::max<int>(widest, s.cx);
        height = std::max<int>(height, s.cy);
    }
    if (item.m_child)
        height = std::max(height, kButtonRoom);
    item.width = width + widest;
    item.height = height + a.GetSpacingHeight();
}

void guiTreeViewLevel::sortItems(bool byText)
{
    auto before = [byText](const std::unique_ptr<guiTreeViewItem>& a, const std::unique_ptr<guiTreeViewItem>& b) {
        if (byText) {
            const int order = vbSortStringNC(a->text, b->text);
            if (order != 0)
                return order < 0;
        }
        return a->childIndex < b->childIndex;
    };
    std::sort(m_items.begin(), m_items.end(), before);
}
