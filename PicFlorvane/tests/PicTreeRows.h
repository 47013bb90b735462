#pragma once

// Where the main window's tree shows a node's row, found as the mouse would: through the tree
// engine's own hit test.

#include "PicFlorvaneDlg.h"

#include "guiTreeViewDraw.h"

#include <algorithm>
#include <climits>

namespace pic::test {

// The middle of the part of node's row that the tree engine itself takes for the item, in screen
// coordinates; (-1, -1) while the tree shows no such row.
inline CPoint treeItemPoint(CPicFlorvaneDlg* dlg, guiTreeNode* node)
{
    auto* draw = dlg ? dynamic_cast<guiTreeViewDraw*>(dlg->GetTree().GetDraw()) : nullptr;
    if (!draw || !node)
        return CPoint(-1, -1);
    HWND host = dlg->GetTree().tcGetHwnd();
    CRect client;
    GetClientRect(host, &client);
    CRect hits(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    for (int y = 0; y < client.bottom; y += 2)
        for (int x = 0; x < client.right; x += 2) {
            guiTreeViewPos pos;
            guiTreeHit part = guiTreeHit_Expand;
            if (!draw->hitTest(CPoint(x, y), pos, part) || part != guiTreeHit_Item)
                continue;
            if (pos.level->Item(pos.index).Node() != static_cast<IguiTreeNode*>(node))
                continue;
            hits.left = std::min<LONG>(hits.left, x);
            hits.top = std::min<LONG>(hits.top, y);
            hits.right = std::max<LONG>(hits.right, x);
            hits.bottom = std::max<LONG>(hits.bottom, y);
        }
    if (hits.left > hits.right)
        return CPoint(-1, -1);
    CPoint middle((hits.left + hits.right) / 2, (hits.top + hits.bottom) / 2);
    ClientToScreen(host, &middle);
    return middle;
}

} // namespace pic::test
