// Node commands of the tree-view engine: queued from any thread on the level that shows the node
// (or one of its ancestors), carried out in that level's update on the host's thread. A command
// for a node deeper down opens the levels on its way and travels down one level per update.

#include "guiTreeViewDraw.h"

#include "vbObjects.h"

#include <utility>

bool guiTreeViewDraw::PostCmd(guiTree_Cmd cmd, const guiTreeNodeRef* path, int count)
{
    return m_root.PostCmd(cmd, path, count);
}

bool guiTreeViewDraw::PostCmdNodes(guiTree_Cmd cmd, IguiTreeNode* const* path, int count)
{
    return m_root.PostCmdNodes(cmd, path, count);
}

bool guiTreeViewLevel::PostCmd(guiTree_Cmd cmd, const guiTreeNodeRef* path, int count)
{
    Command command{cmd, {}};
    if (path && count > 0)
        command.path.assign(path, path + count);
    queue(std::move(command));
    return true;
}

bool guiTreeViewLevel::PostCmdNodes(guiTree_Cmd cmd, IguiTreeNode* const* path, int count)
{
    Command command{cmd, {}};
    for (int i = 0; path && i < count; ++i)
        command.path.emplace_back(path[i]);
    queue(std::move(command));
    return true;
}

// Every command is carried out in its turn: nothing queued is replaced.
void guiTreeViewLevel::queue(Command command)
{
    {
        vbSectLock lock(&m_sect);
        m_commands.push_back(std::move(command));
    }
    m_pDraw->post();
}

void guiTreeViewLevel::requestExpansion()
{
    request(kExpand);
    for (guiTreeViewLevel* up = m_pParent; up; up = up->m_pParent)
        if (!up->m_bExpanded)
            up->request(kExpand);
}

int guiTreeViewLevel::IndexInParent() const
{
    if (!m_pParent)
        return 0;
    for (size_t i = 0; i < m_pParent->m_items.size(); ++i)
        if (m_pParent->m_items[i]->ChildLevel() == this)
            return static_cast<int>(i) + 1;
    return 0;
}

void guiTreeViewLevel::runCommand(Command& command)
{
    const size_t count = command.path.size();
    switch (command.cmd) {
    case guiTreeCmd_Select:
    case guiTreeCmd_Over:
    case guiTreeCmd_MakeVisible:
        if (count == 0) {
            showInParent(command.cmd);
            return;
        }
        if (count == 1) {
            selectHere(command);
            return;
        }
        break;
    case guiTreeCmd_Expand:
        break;
    case guiTreeCmd_Unselect:
    case guiTreeCmd_EndOver:
        if (count > 0)
            unmark(command.cmd, command.path.front().Get());
        return;
    case guiTreeCmd_Collapse:
        request(kCollapse);
        return;
    default:
        return;
    }
    // On its way down: this level opens, and the item of the path's last node passes it on.
    requestExpansion();
    if (count == 0)
        return;
    if (!m_bExpanded) {
        queue(std::move(command));
        return;
    }
    const int index = IndexOf(command.path.back().Get());
    guiTreeViewLevel* child = index > 0 ? m_items[size_t(index - 1)]->ChildLevel() : nullptr;
    if (!child)
        return;
    command.path.pop_back();
    child->queue(std::move(command));
}

// The command is for the item showing this level.
void guiTreeViewLevel::showInParent(guiTree_Cmd cmd)
{
    if (!m_pParent)
        return;
    const int index = IndexInParent();
    if (cmd == guiTreeCmd_Select)
        m_pDraw->select(m_pParent, index, 0, 0, 0);
    else if (cmd == guiTreeCmd_Over)
        m_pDraw->setOver(m_pParent, index);
    else
        m_pDraw->makeVisible(m_pParent, 0, false, index, false);
    if (!m_pDraw->IsDestroyPending())
        m_pParent->requestExpansion();
}

// The target is an item of this level: selected (whichever of the three commands) once the level is open.
void guiTreeViewLevel::selectHere(Command& command)
{
    if (!m_bExpanded) {
        requestExpansion();
        queue(std::move(command));
        return;
    }
    if (const int index = IndexOf(command.path.front().Get()))
        m_pDraw->select(this, index, 0, 0, 0);
    if (!m_pDraw->IsDestroyPending())
        requestExpansion();
}

void guiTreeViewLevel::unmark(guiTree_Cmd cmd, IguiTreeNode* node)
{
    if (cmd == guiTreeCmd_EndOver) {
        if (IsOver(node))
            m_pDraw->setOver(nullptr, 0);
    } else if (IsSelected(node)) {
        m_pDraw->select(nullptr, 0, 0, 0, 0);
    }
}
