// The menu engine's object: construction and destruction, its style records, the request
// machinery, the posted pass with its commands, and the properties a host sets.

#include "menu/guiTreeMenuDraw.h"
#include "menu/guiTreeMenuItem.h"
#include "menu/guiTreeMenuPopup.h"
#include "tree/guiTreeNodeCopy.h"

#include "vbException.h"

#include "plat/paint.h"
#include "plat/window.h"

#include <cstdlib>
#include <initializer_list>

namespace {

constexpr DWORD sysColor(int n) { return 0x80000000u | static_cast<DWORD>(n); }

// The four names a style suffix gives: the popup forms only inside a popup.
void addNames(std::vector<vbString>& names, bool inPopup, const vbString& suffix)
{
    const vbString tail = suffix.IsEmpty() ? vbString() : vbString(".") + suffix;
    if (inPopup) {
        names.push_back(vbString("popup.treemenu") + tail);
        names.push_back(vbString("popup") + tail);
    }
    names.push_back(vbString("treemenu") + tail);
    names.push_back(suffix);
}

} // namespace

// --- the class engine of an item class ---

guiTreeMenuDraw::ClassEngine::ClassEngine(guiTreeMenuDraw* owner, const vbString& name)
    : m_owner(owner), m_name(name), m_engine(this, &owner->m_mainEngine, nullptr), m_aspect(owner)
{
}

bool guiTreeMenuDraw::ClassEngine::GetAspect(
    guiTreeAspectEngine*, const vbString* names, int count, guiTreeAspectRef* out)
{
    return m_owner->GetAspect(&m_owner->m_mainEngine, names, count, out);
}

IguiTreeAspect* guiTreeMenuDraw::ClassEngine::GetAspect(guiTreeAspectEngine*)
{
    if (!m_resolved) {
        m_resolved = true;
        std::vector<vbString> names;
        if (!m_owner->m_aspectName.IsEmpty())
            addNames(names, m_owner->m_inPopup, m_owner->m_aspectName + "." + m_name);
        addNames(names, m_owner->m_inPopup, m_name);
        guiTreeAspectRef found;
        const bool ok = m_engine.GetAspect(names.data(), static_cast<int>(names.size()), &found, true);
        m_aspect.Set(ok ? found.Get() : nullptr);
    }
    return m_aspect.Peek();
}

void guiTreeMenuDraw::ClassEngine::onAspectListChange(IguiTreeNode* node) { m_owner->onAspectListChange(node); }

void guiTreeMenuDraw::ClassEngine::Rename(const vbString& name)
{
    m_name = name;
    Reset();
}

void guiTreeMenuDraw::ClassEngine::Reset()
{
    m_resolved = false;
    m_engine.Reset();
}

void guiTreeMenuDraw::ClassEngine::Detach()
{
    m_aspect.SetCallback(nullptr);
    m_aspect.Set(nullptr);
}

// --- item records ---

guiTreeMenuDraw::Item::Item(guiTreeMenuDraw* owner, IguiTreeNode* child)
    : owner(owner), node(child), icon(this, CSize(16, 16)), selIcon(this, CSize(16, 16)),
      helpIcon(this, CSize(16, 16)), selHelpIcon(this, CSize(16, 16)),
      expandParentEvent(child->GetExpandParentEvent()), collapseParentEvent(child->GetCollapseParentEvent())
{
}

guiTreeMenuDraw::Item::~Item()
{
    // A download worker tells of a loaded icon until then; the icons go one after the other.
    for (vbIcon* each : {&icon, &selIcon, &helpIcon, &selHelpIcon})
        each->SetIconLoadedCB(nullptr);
}

unsigned guiTreeMenuDraw::Item::loadedIconGroups() const
{
    return (icon.IsValid() || selIcon.IsValid() ? 1u : 0u) | (helpIcon.IsValid() || selHelpIcon.IsValid() ? 2u : 0u);
}

bool guiTreeMenuDraw::Item::lacksRoom() const { return (loadedIconGroups() & ~measuredIcons) != 0; }

void guiTreeMenuDraw::Item::onIconLoaded(vbIcon*)
{
    if (!laidOut)
        return;
    // An icon the layout had no room for widens the icon column or the row.
    if (lacksRoom())
        owner->requestRelayout();
    else
        owner->requestRepaint();
}

void guiTreeMenuDraw::Item::clearPaintFlags()
{
    hasHelp = hasCheck = paintedSel = paintedHelpSel = iconAnimating = helpAnimating = false;
}

// --- the engine ---

guiTreeMenuDraw::guiTreeMenuDraw(CWnd* host, sIguiTreeEvents* events, sIguiTreeAspectEngine* hostEngine, bool inPopup)
    : m_host(host), m_events(events), m_inPopup(inPopup), m_post(host), m_baseEngine(this, nullptr, nullptr),
      m_mainEngine(this, hostEngine, &m_baseEngine), m_mainAspect(this), m_root(this, this, this),
      m_loadingIcon(nullptr, CSize(16, 16)), m_timer(host, guiTreeMsgTimer)
{
}

guiTreeMenuDraw::~guiTreeMenuDraw()
{
    try {
        m_root.SetCallback(nullptr);
        m_mainAspect.SetCallback(nullptr);
        for (auto& item : m_items)
            if (item->classEngine)
                item->classEngine->Detach();
        m_items.clear();
    } catch (...) {
        vbShowException(nullptr, "guiTreeMenuDraw");
    }
}

void guiTreeMenuDraw::deleteEngine(void* engine) { delete static_cast<guiTreeMenuDraw*>(engine); }

void guiTreeMenuDraw::Destroy()
{
    if (m_life.IsDestroyPending())
        return;
    m_post.Stop([this] { m_requests = Requests(); });
    stopTimer();
    m_root.SetCallback(nullptr);
    m_root.Set(nullptr);
    m_mainAspect.SetCallback(nullptr);
    m_mainAspect.Set(nullptr);
    for (auto& item : m_items)
        if (item->classEngine)
            item->classEngine->Detach();
    m_events = &guiTreeSilentEvents();
    if (m_life.MarkDestroyed())
        delete this;
}

// --- style records ---

IguiTreeAspect* guiTreeMenuDraw::defaultAspect()
{
    if (!m_defaultAspect) {
        auto* a = new guiTreeAspect();
        m_defaultAspect = a;
        a->Release();
        a->Create();
        a->SetTextColor(vbColor(sysColor(18)), false);
        a->SetSelTextColor(vbColor(sysColor(14)), false);
        a->SetOverTextColor(vbColor(RGB(138, 43, 226)), false);
        a->SetCaptionColor(vbColor(sysColor(9)), false);
        a->SetCaptionShadowColor(vbColor(sysColor(17)), false);
        a->SetBack(guiSurface(nullptr, sysColor(15), vbNULLCOLOR, vbNULLCOLOR, false), false);
        a->SetSelBack(guiSurface(nullptr, sysColor(13), vbNULLCOLOR, vbNULLCOLOR, false), false);
        guiFont normal(nullptr, false);
        normal.SetSize(-12, false);
        a->SetFont(normal, false);
        guiFont sel(nullptr, false);
        sel.SetBold(true, false);
        a->SetSelFont(sel, false);
        guiFont over(nullptr, false);
        over.SetUnderline(true, false);
        a->SetOverFont(over, false);
        guiFont caption(nullptr, false);
        caption.SetBold(true, false);
        caption.SetSize(-14, false);
        a->SetCaptionFont(caption, false);
        a->SetCaptionBack(guiSurface(nullptr, vbNULLCOLOR, sysColor(2), 0, true), false);
        a->SetBtnRectColor(vbColor(sysColor(16)), false);
        a->SetBtnTextColor(vbColor(sysColor(8)), false);
        a->SetCheckBtnRectColor(vbColor(sysColor(8)), false);
        a->SetCheckBtnTextColor(vbColor(sysColor(8)), false);
        a->SetSepHeight(8, false);
        a->SetSpacingHeight(2, false);
        a->SetSzIcon(CSize(16, 16), false);
        a->SetWidthMax(200, false);
        a->SetLoadingIcon(vbIconHOURGLASS, false);
    }
    return m_defaultAspect.Get();
}

std::vector<vbString> guiTreeMenuDraw::mainNames()
{
    std::vector<vbString> names;
    guiTreeNodeRef root;
    if (m_root.Get(&root)) {
        const vbString children = guiTreeNodeCopy(root.Get(), &IguiTreeNode::GetChildrenClass);
        if (!children.IsEmpty()) {
            if (!m_aspectName.IsEmpty())
                addNames(names, m_inPopup, m_aspectName + "." + children);
            addNames(names, m_inPopup, children);
        }
    }
    if (!m_mainEngine.HasParent()) {
        if (!m_aspectName.IsEmpty())
            addNames(names, m_inPopup, m_aspectName);
        addNames(names, m_inPopup, vbString());
    }
    return names;
}

bool guiTreeMenuDraw::GetAspect(guiTreeAspectEngine* engine, const vbString* names, int count, guiTreeAspectRef* out)
{
    if (engine == &m_baseEngine) {
        for (int i = 0; i < count; ++i)
            if (names[i] == "treemenu.default") {
                if (out)
                    *out = defaultAspect();
                return true;
            }
        return false;
    }
    guiTreeNodeRef root;
    if (!m_root.Get(&root))
        return false;
    guiTreeAspectRef found;
    for (int i = 0; i < count; ++i)
        if (root->GetAspect(names[i], out ? out : &found))
            return true;
    return false;
}

IguiTreeAspect* guiTreeMenuDraw::GetAspect(guiTreeAspectEngine* engine)
{
    if (engine == &m_baseEngine)
        return defaultAspect();
    if (engine != &m_mainEngine)
        return nullptr;
    if (!m_mainResolved) {
        m_mainResolved = true;
        const std::vector<vbString> names = mainNames();
        guiTreeAspectRef found;
        const bool ok = m_mainEngine.GetAspect(
            names.data(), static_cast<int>(names.size()), &found, !m_mainEngine.HasParent());
        m_mainAspect.Set(ok ? found.Get() : nullptr);
    }
    return m_mainAspect.Peek();
}

void guiTreeMenuDraw::onAspectListChange(IguiTreeNode*) { requestFullUpdate(); }

// --- notices of the root and of the style records ---

void guiTreeMenuDraw::onPtrSignal(sIvbPtr* ptr, int signal)
{
    if (ptr == &m_root) {
        if (signal == 1)
            requestRelayout();
        else if (signal == 2)
            requestRepaint();
        else if (signal == 0 || signal == -1)
            requestStatusRefresh();
        return;
    }
    if (signal == 3)
        requestFullUpdate();
    else if (signal == 4)
        requestFullRepaint();
}

void guiTreeMenuDraw::onPtrLink(sIvbPtr* ptr)
{
    if (ptr == &m_root)
        requestFullUpdate();
}

void guiTreeMenuDraw::onPtrUnlink(sIvbPtr* ptr)
{
    if (ptr == &m_root)
        requestStatusOnly();
}

// --- requests ---

void guiTreeMenuDraw::requestRelayout()
{
    m_post.Request([this] {
        m_requests.relayout = true;
        m_requests.statusOnly = false;
    });
}

void guiTreeMenuDraw::requestFullUpdate()
{
    m_post.Request([this] {
        m_requests.reloadAspect = m_requests.relayout = true;
        m_requests.statusOnly = false;
    });
}

void guiTreeMenuDraw::requestRepaint()
{
    m_post.Request([this] { m_requests.repaint = true; });
}

void guiTreeMenuDraw::requestFullRepaint()
{
    m_post.Request([this] { m_requests.repaintAll = m_requests.repaint = true; });
}

void guiTreeMenuDraw::requestStatusOnly()
{
    m_post.Request([this] { m_requests.statusOnly = true; });
}

void guiTreeMenuDraw::requestStatusRefresh()
{
    m_post.Request([this] {
        m_requests.statusRefresh = true;
        m_requests.statusOnly = false;
    });
}

void guiTreeMenuDraw::requestPopup(int pos)
{
    m_post.Request([this, pos] { m_requests.popup = pos; });
}

void guiTreeMenuDraw::queue(Command command)
{
    m_post.Request([this, &command] {
        // A later select replaces one not carried out yet.
        if (command.cmd == guiTreeCmd_Select)
            std::erase_if(m_requests.commands, [](const Command& c) { return c.cmd == guiTreeCmd_Select; });
        m_requests.commands.push_back(std::move(command));
    });
}

bool guiTreeMenuDraw::PostCmd(guiTree_Cmd cmd, const guiTreeNodeRef* path, int count)
{
    if (count <= 0 || !path)
        return false;
    Command command{cmd, std::vector<guiTreeNodeRef>(path, path + count)};
    queue(std::move(command));
    return true;
}

bool guiTreeMenuDraw::PostCmdNodes(guiTree_Cmd cmd, IguiTreeNode* const* path, int count)
{
    if (count <= 0 || !path)
        return false;
    Command command{cmd, {}};
    for (int i = 0; i < count; ++i)
        command.path.emplace_back(path[i]);
    queue(std::move(command));
    return true;
}

// --- the posted pass ---

void guiTreeMenuDraw::OnPostedUpdate()
{
    guiTreeDrawLife::Entry entry(m_life);
    if (m_life.IsDestroyPending())
        return;
    Requests r;
    if (!m_post.Take([&] { std::swap(r, m_requests); }))
        return;
    if (r.statusOnly) {
        refreshStatus();
        m_events->onToolTipChange(this);
        forgetLayout();
        m_events->onSizeChange(this, m_size, &m_treeRect);
        return;
    }
    if (r.statusRefresh) {
        refreshStatus();
        if (!m_treeRect.IsRectEmpty())
            m_events->onToolTipChange(this);
    }
    if (r.relayout) {
        if (!relayoutPass(r.reloadAspect, r.repaintAll))
            return;
    } else if (r.repaint) {
        repaint(r.repaintAll);
        m_events->onTreeRootRedraw(this, r.repaintAll);
    }
    if (m_life.IsDestroyPending())
        return;
    if (r.popup >= 0)
        openPopup(r.popup);
    std::vector<Command> again;
    for (Command& command : r.commands) {
        if (m_life.IsDestroyPending())
            return;
        execute(command, again);
    }
    for (Command& command : again)
        queue(std::move(command));
}

bool guiTreeMenuDraw::relayoutPass(bool reload, bool repaintAll)
{
    if (!layout(reload)) {
        m_events->askCloseCtrl(this, false);
        return false;
    }
    m_events->onTreeRootUpdate(this, reload);
    CSize size(m_widest + (m_anySubmenu ? 7 : 0), m_totalHeight);
    // A tree control's rows span its width; a popup's limit is the screen's, which its rows need
    // not fill.
    if (!m_inPopup && m_hostLimit > size.cx)
        size.cx = m_hostLimit;
    repaint(repaintAll);
    if (repaintAll)
        m_events->onTreeRootRedraw(this, true);
    bool sizeAnswer = false;
    if (size != m_size) {
        m_size = size;
        sizeAnswer = m_events->onSizeChange(this, m_size, &m_treeRect);
    }
    if (!m_treeRect.IsRectEmpty()) {
        CPoint offset = m_offset;
        const bool moved = clampOffset(offset);
        m_offset = offset;
        if (sizeAnswer || moved)
            m_events->askOffsetChange(this, m_offset, m_size, visibleSize());
    }
    if (m_events->GetWidthMax() != m_hostLimit)
        requestRelayout();
    return true;
}

void guiTreeMenuDraw::repaint(bool all)
{
    if (all) {
        m_mainEngine.Reset();
        for (auto& item : m_items)
            if (item->classEngine)
                item->classEngine->Reset();
    }
    invalidate(m_treeRect);
    if (all)
        if (sIguiTreeDraw* sub = popupDraw())
            sub->Redraw(true);
}

void guiTreeMenuDraw::execute(Command& command, std::vector<Command>& again)
{
    const int count = static_cast<int>(command.path.size());
    IguiTreeNode* target = command.path.front().Get();
    const bool here = count == 1;
    switch (command.cmd) {
    case guiTreeCmd_Unselect:
        if (Item* item = itemAt(std::abs(m_sel)); item && item->node.Get() == target)
            select(0, 0, 0);
        return;
    case guiTreeCmd_EndOver:
        if (Item* item = itemAt(std::abs(m_over)); item && item->node.Get() == target) {
            invalidateItem(std::abs(m_over));
            m_over = 0;
        }
        return;
    case guiTreeCmd_Collapse:
        return;
    case guiTreeCmd_Select:
    case guiTreeCmd_Over:
    case guiTreeCmd_MakeVisible:
        if (here) {
            const int pos = positionOf(target);
            if (pos == 0)
                return;
            if (command.cmd == guiTreeCmd_Select)
                select(pos, 0, 0);
            else if (command.cmd == guiTreeCmd_Over)
                setOver(pos);
            else
                scrollIntoView(pos, false, false);
            return;
        }
        break;
    case guiTreeCmd_Expand:
        break;
    }
    // Down the submenu chain: through the popup that shows the item of this level.
    if (m_treeRect.IsRectEmpty())
        return;
    IguiTreeNode* item = command.path.back().Get();
    const int pos = positionOf(item);
    if (pos == 0)
        return;
    if (m_popup && guiMenuPopupHasRoot(m_popup, item)) {
        if (sIguiTreeDraw* sub = guiMenuPopupDraw(m_popup))
            sub->PostCmd(command.cmd, command.path.data(), count - 1);
        return;
    }
    // Once again after the popup had its chance to open; a second miss drops the command.
    if (command.requeued)
        return;
    requestPopup(pos);
    command.requeued = true;
    again.push_back(std::move(command));
}

// --- properties ---

bool guiTreeMenuDraw::SetRoot(IguiTreeNode* node)
{
    guiTreeDrawLife::Entry entry(m_life);
    if (m_root.Peek() == node)
        return false;
    guiTreeNodeRef old;
    if (m_root.Get(&old) && m_rootExpanded) {
        const bool handled = old->onCollapse(old.Get());
        m_events->onItemCollapsed(false, this, old.Get(), handled);
    }
    m_rootExpanded = false;
    m_size = CSize(0, 0);
    m_root.Set(node);
    refreshStatus();
    m_events->onToolTipChange(this);
    return true;
}

bool guiTreeMenuDraw::GetRoot(guiTreeNodeRef* out) { return m_root.Get(out); }

bool guiTreeMenuDraw::SetCheckBoxes(bool on)
{
    if (on == m_checkBoxes)
        return false;
    m_checkBoxes = on;
    requestRelayout();
    if (sIguiTreeDraw* sub = popupDraw())
        sub->SetCheckBoxes(on);
    return true;
}

bool guiTreeMenuDraw::SetCheckMode(guiNodeCheckMode mode)
{
    if (mode == m_checkMode)
        return false;
    m_checkMode = mode;
    requestRepaint();
    if (sIguiTreeDraw* sub = popupDraw())
        sub->SetCheckMode(mode);
    return true;
}

bool guiTreeMenuDraw::SetMouseTrack(guiMouseTrack track)
{
    if (track == m_mouseTrack)
        return false;
    if (m_over != 0) {
        invalidateItem(std::abs(m_over));
        m_over = 0;
    }
    select(0, 0, 0);
    m_mouseTrack = track;
    if (sIguiTreeDraw* sub = popupDraw())
        sub->SetMouseTrack(track);
    return true;
}

bool guiTreeMenuDraw::SetAspectName(const vbString& name)
{
    if (name == m_aspectName)
        return false;
    m_aspectName = name;
    requestFullUpdate();
    if (sIguiTreeDraw* sub = popupDraw())
        sub->SetAspectName(name);
    return true;
}

void guiTreeMenuDraw::Redraw(bool all)
{
    if (all)
        requestFullRepaint();
    else
        requestRepaint();
}

void guiTreeMenuDraw::UpdateTree(bool all)
{
    if (all)
        requestFullUpdate();
    else
        requestRelayout();
}

bool guiTreeMenuDraw::AskClose(bool wholeChain) { return m_events->askCloseCtrl(this, wholeChain); }

void guiTreeMenuDraw::Hide()
{
    closePopup();
    m_openPopup = 0;
    m_treeRect.SetRectEmpty();
}

void guiTreeMenuDraw::PaintBack(CDC& dc, const CRect& rect) { GetBack().Fill(dc.GetSafeHdc(), rect, nullptr); }

const guiSurface& guiTreeMenuDraw::GetBack() { return m_mainEngine.GetBack(); }

bool guiTreeMenuDraw::SetOffset(const CPoint& offset, bool repaint)
{
    CPoint clamped = offset;
    clampOffset(clamped);
    if (clamped == m_offset)
        return false;
    m_offset = clamped;
    if (repaint)
        invalidate(m_treeRect);
    return true;
}

bool guiTreeMenuDraw::SetTreeRect(const CRect& rect, bool repaint)
{
    if (rect == m_treeRect || rect.IsRectEmpty())
        return false;
    m_treeRect = rect;
    const bool moved = SetOffset(m_offset, repaint);
    if (m_events->GetWidthMax() != m_hostLimit)
        requestRelayout();
    return moved;
}

bool guiTreeMenuDraw::IsChildCtrl(HWND window) { return m_popup && guiMenuPopupIsChild(m_popup, window); }

bool guiTreeMenuDraw::IsSelected(IguiTreeNode* node)
{
    const Item* item = itemAt(std::abs(m_sel));
    return item && node && item->node.Get() == node;
}

bool guiTreeMenuDraw::IsOver(IguiTreeNode* node)
{
    const Item* item = itemAt(std::abs(m_over));
    return item && node && item->node.Get() == node;
}

// --- the submenu popup ---

sIguiTreeDraw* guiTreeMenuDraw::popupDraw() const { return m_popup ? guiMenuPopupDraw(m_popup) : nullptr; }

void guiTreeMenuDraw::closePopup()
{
    if (m_popup)
        guiMenuPopupClose(m_popup);
}

void guiTreeMenuDraw::openPopup(int pos)
{
    Item* item = itemAt(pos);
    CRect visible;
    if (!item || m_treeRect.IsRectEmpty() || !item->hasSubmenu ||
        !visible.IntersectRect(toClient(rowRect(*item)), m_treeRect)) {
        closePopup();
        m_openPopup = 0;
        return;
    }
    if (!m_popup)
        m_popup = m_events->createPopupCtrl(&m_mainEngine);
    if (!m_popup) {
        m_openPopup = 0;
        return;
    }
    m_openPopup = pos;
    ClientToScreen(m_host->GetSafeHwnd(), reinterpret_cast<POINT*>(&visible.left));
    ClientToScreen(m_host->GetSafeHwnd(), reinterpret_cast<POINT*>(&visible.right));
    const guiTreeDrawType type = item->node->GetForceDisplayAsTreeView() ? guiTreeDraw_TreeView : guiTreeDraw_Menu;
    guiMenuPopupOpen(m_popup, item->node.Get(), type, visible);
}
