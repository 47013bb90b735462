// The tree-view engine's keyboard, its navigation between rows, and the selection questions its
// host asks: the current item is the selected one, else the help-selected one (its help part).

#include "guiTreeViewDraw.h"

#include "draw/guiTreeDrawPost.h"
#include "tree/guiTreeNodeCopy.h"
#include "draw/guiTreeTypeAhead.h"

#include "plat/keyboard.h"
#include "plat/msgbox.h"
#include "plat/window.h"

#include <string>

namespace {

bool isSelectable(const guiTreeViewItem& item)
{
    return item.type != guiNodeType_Sep && item.type != guiNodeType_Text && item.enabled;
}

bool hasHelpIcon(const guiTreeViewItem& item) { return item.helpIcon.IsValid() || item.selHelpIcon.IsValid(); }

// The expanded child level of an item when it shows items.
guiTreeViewLevel* openChildren(guiTreeViewItem& item)
{
    guiTreeViewLevel* child = item.ChildLevel();
    return child && child->IsExpanded() && child->ItemCount() > 0 ? child : nullptr;
}

// The last row shown from item index of level on: down through expanded last items.
guiTreeViewPos lastRowUnder(guiTreeViewLevel* level, int index)
{
    while (guiTreeViewLevel* child = openChildren(level->Item(index))) {
        level = child;
        index = child->ItemCount();
    }
    return {level, index};
}

} // namespace

bool guiTreeViewDraw::selectAt(guiTreeViewLevel* level, int index) { return select(level, index, 0, 0, 0); }

bool guiTreeViewDraw::selectAt(const guiTreeViewPos& pos) { return selectAt(pos.level, pos.index); }

// --- characters and keys ---

void guiTreeViewDraw::onChar(UINT& character) { input(character, &guiTreeViewDraw::charAction); }

void guiTreeViewDraw::onKeyDown(UINT& key) { input(key, &guiTreeViewDraw::keyAction); }

// Both stop the host's close timer first; a used-up code becomes 0, a failed action beeps.
void guiTreeViewDraw::input(UINT& code, InputAction action)
{
    guiTreeDrawLife::Entry entry(*m_life);
    m_pEvents->askStopCloseTimer(this);
    if (IsDestroyPending())
        return;
    bool help = false;
    const guiTreeViewPos at = Current(&help);
    const Outcome done = (this->*action)(code, at, help);
    if (!done.handled)
        return;
    if (done.consumed)
        code = 0;
    if (!done.ok)
        MessageBeep(0);
}

guiTreeViewDraw::Outcome guiTreeViewDraw::charAction(UINT character, const guiTreeViewPos& at, bool help)
{
    switch (character) {
    case '+':
        return {true, at && expandItem(at.level, at.index, false)};
    case '*':
        return {true, at && expandItem(at.level, at.index, m_bUserCanExpandAll)};
    case '-':
        return {true, at && collapseItem(at.level, at.index, false)};
    case '/':
        return {true, at && collapseItem(at.level, at.index, true)};
    case ' ':
        return {true, !at || activateClick(at.level, at.index, help)};
    default:
        break;
    }
    if (character < ' ')
        return {false};
    if (std::string ch; m_typed->Collect(static_cast<unsigned char>(character), ch))
        typeAhead(ch);
    return {};
}

guiTreeViewDraw::Outcome guiTreeViewDraw::keyAction(UINT key, const guiTreeViewPos& at, bool help)
{
    switch (key) {
    case VK_RETURN:
        return {true, at && activateClick(at.level, at.index, help)};
    case VK_ESCAPE:
        clearSearch();
        return {true, true, false};
    case VK_BACK:
        return {true, backspace()};
    case VK_PRIOR:
        return {true, m_pEvents->onPageUp(this), false};
    case VK_NEXT: {
        const bool ok = m_pEvents->onPageDn(this);
        if (!IsDestroyPending())
            clearSearch();
        return {true, ok, false};
    }
    case VK_HOME:
        return {true, SelectFirst()};
    case VK_END:
        return {true, m_root.ItemCount() > 0 && selectAt(lastRowUnder(&m_root, m_root.ItemCount()))};
    case VK_LEFT:
        return {true, keyLeft(at, help)};
    case VK_RIGHT:
        return {true, keyRight(at, help)};
    case VK_UP:
    case VK_DOWN:
        return {true, keyUpDown(key == VK_DOWN, at)};
    default:
        return {false};
    }
}

bool guiTreeViewDraw::keyLeft(const guiTreeViewPos& at, bool help)
{
    if (!at)
        return SelectFirst();
    if (help)
        return selectAt(at.level, at.index);
    guiTreeViewLevel* child = at.level->Item(at.index).ChildLevel();
    if (child && child->IsExpanded())
        return collapseItem(at.level, at.index, false);
    if (guiTreeViewLevel* parent = at.level->Parent())
        return selectAt(parent, at.level->IndexInParent());
    return m_pEvents->onSelectLeft(this);
}

bool guiTreeViewDraw::keyRight(const guiTreeViewPos& at, bool help)
{
    if (!at)
        return SelectFirst();
    guiTreeViewItem& item = at.level->Item(at.index);
    if (!help && hasHelpIcon(item))
        return helpSelect(at.level, at.index, 0);
    guiTreeViewLevel* child = item.ChildLevel();
    if (!child)
        return false;
    if (child->IsExpanded())
        return selectAt(child, 1);
    return expandItem(at.level, at.index, false);
}

bool guiTreeViewDraw::keyUpDown(bool down, const guiTreeViewPos& at)
{
    if (GetKeyState(VK_CONTROL) < 0) {
        // The next match of the typed text further on (back) from the current item.
        if (!at || m_matchStart == 0 || m_typed->IsEmpty() || m_search.running)
            return false;
        return search(m_typed->Text(), true, !down);
    }
    if (!at)
        return SelectFirst();
    return down ? selectNext(at) : selectPrevious(at);
}

bool guiTreeViewDraw::selectPrevious(const guiTreeViewPos& at)
{
    for (int j = at.index - 1; j >= 1; --j)
        if (isSelectable(at.level->Item(j)))
            return selectAt(lastRowUnder(at.level, j));
    guiTreeViewLevel* parent = at.level->Parent();
    return parent && selectAt(parent, at.level->IndexInParent());
}

bool guiTreeViewDraw::selectNext(const guiTreeViewPos& at)
{
    if (guiTreeViewLevel* child = openChildren(at.level->Item(at.index)))
        return selectAt(child, 1);
    // The next selectable item of the level, else after its parent item, up to the root level.
    guiTreeViewLevel* level = at.level;
    int index = at.index;
    while (level) {
        for (int j = index + 1; j <= level->ItemCount(); ++j)
            if (isSelectable(level->Item(j)))
                return selectAt(level, j);
        index = level->IndexInParent();
        level = level->Parent();
    }
    return false;
}

// --- the selection as the host sees it ---

void guiTreeViewDraw::ClearSelection()
{
    select(nullptr, 0, 0, 0, 0);
    helpSelect(nullptr, 0, 0);
}

void guiTreeViewDraw::ClearOver()
{
    if (m_mouseTrack == guiMouseTrack_Select) {
        ClearSelection();
    } else if (m_mouseTrack == guiMouseTrack_Over) {
        setOver(nullptr, 0);
        setHelpOver(nullptr, 0);
    }
}

bool guiTreeViewDraw::HasSelection()
{
    const HWND window = m_pHost->GetSafeHwnd();
    return (m_sel || m_helpSel) && window && IsWindowVisible(window);
}

bool guiTreeViewDraw::SelectFirst() { return m_root.IsExpanded() && m_root.ItemCount() > 0 && selectAt(&m_root, 1); }

bool guiTreeViewDraw::GetSelected(guiTreeNodeRef* out, bool* helpPart)
{
    bool help = false;
    const guiTreeViewPos at = Current(&help);
    IguiTreeNode* node = at ? at.level->Item(at.index).Node() : nullptr;
    if (!node)
        return false;
    *out = node;
    if (helpPart)
        *helpPart = help;
    return true;
}

vbString guiTreeViewDraw::tcNeedToolTip(const CPoint& point, bool* shown, INT_PTR* identity)
{
    guiTreeDrawLife::Entry entry(*m_life);
    if (shown)
        *shown = true;
    guiTreeViewPos pos;
    guiTreeHit part = guiTreeHit_Item;
    if (!hitTest(point, pos, part)) {
        if (identity)
            *identity = reinterpret_cast<INT_PTR>(static_cast<sIguiTreeDraw*>(this));
        return m_root.Status();
    }
    IguiTreeNode* node = pos.level->Item(pos.index).Node();
    if (identity)
        *identity = node ? reinterpret_cast<INT_PTR>(node) : reinterpret_cast<INT_PTR>(pos.level);
    return guiTreeHintAndStatus(node ? guiTreeNodeHint(node, part) : vbString(), pos.level->Status());
}
