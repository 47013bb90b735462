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

int guiTreeViewLevel::indexOf(IguiTreeNode* node) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i]->Node() == node)
            return static_cast<int>(i) + 1;
    return 0;
}

void guiTreeViewLevel::runCommand(Command& command)
{
    const size_t count = command.path.size();
    switch (command.cmd) {
    case guiTreeCmd_Collapse:
        request(kCollapse);
        return;
    case guiTreeCmd_Expand:
        break;
    default:
        return;
    }
    requestExpansion();
    if (count == 0)
        return;
    if (!m_bExpanded) {
        queue(std::move(command));
        return;
    }
    const int index = indexOf(command.path.back().Get());
    guiTreeViewLevel* child = index > 0 ? m_items[size_t(index - 1)]->ChildLevel() : nullptr;
    if (!child)
        return;
    command.path.pop_back();
    child->queue(std::move(command));
}
