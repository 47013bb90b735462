// The default bodies of the draw engine contract: an operation an object does not implement reports
// the purecall error.

#include "guiTreeDraw.h"

#include "guiBase.h"

bool sIguiTreeDraw::SetRoot(IguiTreeNode*) { guiPurecall(); }
bool sIguiTreeDraw::GetRoot(guiTreeNodeRef*) { guiPurecall(); }
bool sIguiTreeDraw::SetCheckBoxes(bool) { guiPurecall(); }
bool sIguiTreeDraw::HasCheckBoxes() { guiPurecall(); }
bool sIguiTreeDraw::SetCheckMode(guiNodeCheckMode) { guiPurecall(); }
guiNodeCheckMode sIguiTreeDraw::GetCheckMode() { guiPurecall(); }
bool sIguiTreeDraw::SetExpandedLevel(int) { guiPurecall(); }
int sIguiTreeDraw::GetExpandedLevel() { guiPurecall(); }
bool sIguiTreeDraw::SetOnlyOneExpanded(bool) { guiPurecall(); }
bool sIguiTreeDraw::GetOnlyOneExpanded() { guiPurecall(); }
bool sIguiTreeDraw::SetMouseTrack(guiMouseTrack) { guiPurecall(); }
guiMouseTrack sIguiTreeDraw::GetMouseTrack() { guiPurecall(); }
bool sIguiTreeDraw::SetUserCanExpandAll(bool) { guiPurecall(); }
bool sIguiTreeDraw::GetUserCanExpandAll() { guiPurecall(); }
bool sIguiTreeDraw::SetAspectName(const vbString&) { guiPurecall(); }
vbString sIguiTreeDraw::GetAspectName() { guiPurecall(); }
void sIguiTreeDraw::Draw(const CRect&, CDC&, const CRect*) { guiPurecall(); }
void sIguiTreeDraw::OnPostedUpdate() { guiPurecall(); }
void sIguiTreeDraw::OnTimer() { guiPurecall(); }
void sIguiTreeDraw::OnMouseMove(const CPoint&, UINT) { guiPurecall(); }
void sIguiTreeDraw::OnLButtonUp(const CPoint&, UINT) { guiPurecall(); }
void sIguiTreeDraw::OnLButtonDblClk(const CPoint&, UINT) { guiPurecall(); }
vbString sIguiTreeDraw::tcNeedToolTip(const CPoint&, bool*, INT_PTR*) { guiPurecall(); }
void sIguiTreeDraw::onChar(UINT&) { guiPurecall(); }
void sIguiTreeDraw::onKeyDown(UINT&) { guiPurecall(); }
void sIguiTreeDraw::MoveCursorToSelection() { guiPurecall(); }
bool sIguiTreeDraw::OnContextMenu(const CPoint&) { guiPurecall(); }
void sIguiTreeDraw::Redraw(bool) { guiPurecall(); }
void sIguiTreeDraw::UpdateTree(bool) { guiPurecall(); }
bool sIguiTreeDraw::AskClose(bool) { guiPurecall(); }
void sIguiTreeDraw::CancelSelection() { guiPurecall(); }
void sIguiTreeDraw::ClearSelection() { guiPurecall(); }
bool sIguiTreeDraw::HasSelection() { guiPurecall(); }
void sIguiTreeDraw::ClearOver() { guiPurecall(); }
bool sIguiTreeDraw::SelectFirst() { guiPurecall(); }
void sIguiTreeDraw::Destroy() { guiPurecall(); }
void sIguiTreeDraw::Hide() { guiPurecall(); }
void sIguiTreeDraw::PaintBack(CDC&, const CRect&) { guiPurecall(); }
const guiSurface& sIguiTreeDraw::GetBack() { guiPurecall(); }
guiTreeAspectEngine& sIguiTreeDraw::GetAspectEngine() { guiPurecall(); }
CPoint sIguiTreeDraw::GetOffset() { guiPurecall(); }
bool sIguiTreeDraw::SetOffset(const CPoint&, bool) { guiPurecall(); }
CSize sIguiTreeDraw::GetSize() { guiPurecall(); }
bool sIguiTreeDraw::IsChildCtrl(HWND) { guiPurecall(); }
bool sIguiTreeDraw::SetTreeRect(const CRect&, bool) { guiPurecall(); }
bool sIguiTreeDraw::PostCmd(guiTree_Cmd, const guiTreeNodeRef*, int) { guiPurecall(); }
bool sIguiTreeDraw::PostCmdNodes(guiTree_Cmd, IguiTreeNode* const*, int) { guiPurecall(); }
bool sIguiTreeDraw::GetSelected(guiTreeNodeRef*, bool*) { guiPurecall(); }

bool sIguiTreeNodeDraw::PostCmd(guiTree_Cmd, const guiTreeNodeRef*, int) { guiPurecall(); }
bool sIguiTreeNodeDraw::PostCmdNodes(guiTree_Cmd, IguiTreeNode* const*, int) { guiPurecall(); }
sIguiTreeDraw* sIguiTreeNodeDraw::GetDraw() { guiPurecall(); }
bool sIguiTreeNodeDraw::IsSelected(IguiTreeNode*) { guiPurecall(); }
bool sIguiTreeNodeDraw::IsOver(IguiTreeNode*) { guiPurecall(); }
bool sIguiTreeNodeDraw::IsExpanded() { guiPurecall(); }

bool sIguiTreeItemEvents::onItemChecked(bool, sIguiTreeDraw*, IguiTreeNode*, bool*, bool, bool) { guiPurecall(); }
bool sIguiTreeItemEvents::onItemClicked(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool) { guiPurecall(); }
bool sIguiTreeItemEvents::onItemDClicked(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool) { guiPurecall(); }
bool sIguiTreeItemEvents::onItemSelected(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool) { guiPurecall(); }
bool sIguiTreeItemEvents::onItemOver(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool) { guiPurecall(); }
bool sIguiTreeItemEvents::onItemContextMenu(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool) { guiPurecall(); }
bool sIguiTreeItemEvents::onItemExpanded(bool, sIguiTreeDraw*, IguiTreeNode*, bool) { guiPurecall(); }
bool sIguiTreeItemEvents::onItemCollapsed(bool, sIguiTreeDraw*, IguiTreeNode*, bool) { guiPurecall(); }
bool sIguiTreeItemEvents::onItemParentExpanded(bool, sIguiTreeDraw*, IguiTreeNode*, bool) { guiPurecall(); }
bool sIguiTreeItemEvents::onItemParentCollapsed(bool, sIguiTreeDraw*, IguiTreeNode*, bool) { guiPurecall(); }
LONG sIguiTreeItemEvents::GetFilterMask() { guiPurecall(); }
bool sIguiTreeEvents::onSizeChange(sIguiTreeDraw*, const CSize&, CRect*) { guiPurecall(); }
void sIguiTreeEvents::askOffsetChange(sIguiTreeDraw*, const CPoint&, const CSize&, const CSize&) { guiPurecall(); }
void sIguiTreeEvents::onToolTipChange(sIguiTreeDraw*) { guiPurecall(); }
void sIguiTreeEvents::onTreeRootUpdate(sIguiTreeDraw*, bool) { guiPurecall(); }
void sIguiTreeEvents::onTreeRootRedraw(sIguiTreeDraw*, bool) { guiPurecall(); }
bool sIguiTreeEvents::askCloseCtrl(sIguiTreeDraw*, bool) { guiPurecall(); }
guiPopupTreeCtrl* sIguiTreeEvents::createPopupCtrl(sIguiTreeAspectEngine*) { guiPurecall(); }
void sIguiTreeEvents::cancelScrollSelect() { guiPurecall(); }
bool sIguiTreeEvents::onSelectLeft(sIguiTreeDraw*) { guiPurecall(); }
const CRect& sIguiTreeEvents::getBackRect() { guiPurecall(); }
void sIguiTreeEvents::onMouseMove(sIguiTreeDraw*, IguiTreeNode*, guiTreeHit, const guiTreeAspectEngine&) { guiPurecall(); }
bool sIguiTreeEvents::onPageUp(sIguiTreeDraw*) { guiPurecall(); }
bool sIguiTreeEvents::onPageDn(sIguiTreeDraw*) { guiPurecall(); }
bool sIguiTreeEvents::askStopCloseTimer(sIguiTreeDraw*) { guiPurecall(); }
bool sIguiTreeEvents::askStartCloseTimer(sIguiTreeDraw*) { guiPurecall(); }
int sIguiTreeEvents::GetWidthMax() { guiPurecall(); }

bool sIguiTreeMain::IsChildCtrl(HWND, guiTreeRec) { guiPurecall(); }
bool sIguiTreeMain::GetRectPopupChanges(guiPopupTreeCtrl&, const CRect*, CRect*) { guiPurecall(); }
bool sIguiTreeMain::askSetFocus(guiPopupTreeCtrl&) { guiPurecall(); }
void sIguiTreeMain::onPopupClosed(guiPopupTreeCtrl&) { guiPurecall(); }
void sIguiTreeMain::onPopupOpened(guiPopupTreeCtrl&) { guiPurecall(); }
bool sIguiTreeMain::onSelectLeftChild(guiPopupTreeCtrl&, sIguiTreeDraw*) { guiPurecall(); }
bool sIguiTreeMain::onChangePopupSize(guiPopupDir, CRect&) { guiPurecall(); }
