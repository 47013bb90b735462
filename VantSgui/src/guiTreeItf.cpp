// The default bodies of the tree interfaces: an operation an object does not implement, or one
// reached while the object is being destroyed, reports the purecall error.

#include "guiTreeNode.h"

const IID IID_IguiTreeNode = {0x495B58A8, 0x7986, 0x45EB, {0xAB, 0x99, 0xD9, 0x23, 0xBF, 0x07, 0x1F, 0x24}};
const CLSID CLSID_guiTreeNode = {0x83DFF6D6, 0x7BC0, 0x4690, {0x9E, 0x84, 0x1C, 0x97, 0xD1, 0x1B, 0x90, 0xB5}};
const IID IID_IguiTreeNodeContainer = {0x3632A6EE, 0x1929, 0x4202, {0xB7, 0xF1, 0xB3, 0xFA, 0xC7, 0xD5, 0x4E, 0x92}};
const IID IID_IguiTreeAspect = {0xF68E9160, 0xA510, 0x47A0, {0xB2, 0x49, 0x4F, 0x31, 0x7F, 0x72, 0xE4, 0x85}};
const CLSID CLSID_guiTreeAspect = {0x38DA79F8, 0xD5BD, 0x4A09, {0xA4, 0xFE, 0xC1, 0x51, 0xF2, 0x21, 0x7F, 0xF6}};
const IID IID_sIguiTreeAspectGet = {0x9F463412, 0xFD55, 0x4775, {0xB1, 0xC8, 0x14, 0x4F, 0x84, 0x50, 0x46, 0x1D}};
const IID IID_sIguiTreeNodeDraw = {0xF43BDEB1, 0x299B, 0x479B, {0x83, 0x0F, 0x2F, 0x2C, 0x11, 0xF4, 0xB7, 0x55}};

const CSize& sIguiTreeAspect::GetSzIcon() const { vbPurecall(); }
const guiFont& sIguiTreeAspect::GetFont() const { vbPurecall(); }
const guiFont& sIguiTreeAspect::GetSelFont() const { vbPurecall(); }
const guiFont& sIguiTreeAspect::GetOverFont() const { vbPurecall(); }
const guiFont& sIguiTreeAspect::GetSelOverFont() const { vbPurecall(); }
const guiFont& sIguiTreeAspect::GetCaptionFont() const { vbPurecall(); }
const guiSurface& sIguiTreeAspect::GetBack() const { vbPurecall(); }
const guiSurface& sIguiTreeAspect::GetSelBack() const { vbPurecall(); }
const guiSurface& sIguiTreeAspect::GetOverBack() const { vbPurecall(); }
const guiSurface& sIguiTreeAspect::GetCaptionBack() const { vbPurecall(); }
const vbColor& sIguiTreeAspect::GetTextColor() const { vbPurecall(); }
const vbColor& sIguiTreeAspect::GetSelTextColor() const { vbPurecall(); }
const vbColor& sIguiTreeAspect::GetOverTextColor() const { vbPurecall(); }
const vbColor& sIguiTreeAspect::GetCaptionColor() const { vbPurecall(); }
const vbColor& sIguiTreeAspect::GetTextShadowColor() const { vbPurecall(); }
const vbColor& sIguiTreeAspect::GetSelTextShadowColor() const { vbPurecall(); }
const vbColor& sIguiTreeAspect::GetOverTextShadowColor() const { vbPurecall(); }
const vbColor& sIguiTreeAspect::GetCaptionShadowColor() const { vbPurecall(); }
const vbColor& sIguiTreeAspect::GetTreeLineColor() const { vbPurecall(); }
const vbColor& sIguiTreeAspect::GetBtnRectColor() const { vbPurecall(); }
const vbColor& sIguiTreeAspect::GetBtnTextColor() const { vbPurecall(); }
const vbColor& sIguiTreeAspect::GetCheckBtnRectColor() const { vbPurecall(); }
const vbColor& sIguiTreeAspect::GetCheckBtnTextColor() const { vbPurecall(); }
const guiCursor& sIguiTreeAspect::GetCursor() const { vbPurecall(); }
const guiCursor& sIguiTreeAspect::GetHelpCursor() const { vbPurecall(); }
const guiCursor& sIguiTreeAspect::GetCheckCursor() const { vbPurecall(); }
const guiCursor& sIguiTreeAspect::GetExpCursor() const { vbPurecall(); }
const vbString& sIguiTreeAspect::GetLoadingIcon() const { vbPurecall(); }
int sIguiTreeAspect::GetSpacingHeight() const { vbPurecall(); }
int sIguiTreeAspect::GetIndentation() const { vbPurecall(); }
int sIguiTreeAspect::GetRootIndentation() const { vbPurecall(); }
int sIguiTreeAspect::GetSepHeight() const { vbPurecall(); }
int sIguiTreeAspect::GetWidthMax() const { vbPurecall(); }
const vbBool& sIguiTreeAspect::GetShowTreeLine() const { vbPurecall(); }
const vbBool& sIguiTreeAspect::GetShowRootTreeLine() const { vbPurecall(); }

const vbString& IguiTreeAspect::GetName() const { vbPurecall(); }
const vbString& IguiTreeAspect::GetCaption() const { vbPurecall(); }
void IguiTreeAspect::ReadXml(sIvbXmlSource*, const char*, sIvbUrlRoots*) { vbPurecall(); }
bool IguiTreeAspect::SetCaption(const vbString&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetSzIcon(const CSize&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetTextColor(const vbColor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetTextShadowColor(const vbColor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetSelTextColor(const vbColor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetSelTextShadowColor(const vbColor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetOverTextColor(const vbColor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetOverTextShadowColor(const vbColor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetCaptionColor(const vbColor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetCaptionShadowColor(const vbColor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetTreeLineColor(const vbColor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetBtnRectColor(const vbColor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetBtnTextColor(const vbColor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetCheckBtnRectColor(const vbColor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetCheckBtnTextColor(const vbColor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetIndentation(int, bool) { vbPurecall(); }
bool IguiTreeAspect::SetRootIndentation(int, bool) { vbPurecall(); }
bool IguiTreeAspect::SetSpacingHeight(int, bool) { vbPurecall(); }
bool IguiTreeAspect::SetSepHeight(int, bool) { vbPurecall(); }
bool IguiTreeAspect::SetWidthMax(int, bool) { vbPurecall(); }
bool IguiTreeAspect::SetShowTreeLine(const vbBool&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetShowRootTreeLine(const vbBool&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetFont(const guiFont&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetSelFont(const guiFont&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetOverFont(const guiFont&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetSelOverFont(const guiFont&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetCaptionFont(const guiFont&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetBack(const guiSurface&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetSelBack(const guiSurface&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetOverBack(const guiSurface&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetCaptionBack(const guiSurface&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetCursor(const guiCursor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetHelpCursor(const guiCursor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetCheckCursor(const guiCursor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetExpCursor(const guiCursor&, bool) { vbPurecall(); }
bool IguiTreeAspect::SetLoadingIcon(const vbString&, bool) { vbPurecall(); }

bool sIguiTreeAspectGet::GetAspect(guiTreeAspectEngine*, const vbString*, int, guiTreeAspectRef*) { vbPurecall(); }
bool sIguiTreeAspectGet::GetAspect(guiTreeAspectEngine*) { vbPurecall(); }
void sIguiTreeAspectGet::onAspectListChange(IguiTreeNode*) { vbPurecall(); }

void IguiTreeNode::Destroy() { vbPurecall(); }
bool IguiTreeNode::HasVisibleChildren() const { vbPurecall(); }
bool IguiTreeNode::HasChildren() const { vbPurecall(); }
bool IguiTreeNode::GetChild(int, guiTreeNodeRef*) const { vbPurecall(); }
bool IguiTreeNode::GetParent(int, guiTreeNodeRef*) const { vbPurecall(); }
bool IguiTreeNode::GetForceDisplayAsTreeView() const { vbPurecall(); }
bool IguiTreeNode::GetForceHasChildren() const { vbPurecall(); }
bool IguiTreeNode::IsInXmlUpdate() const { vbPurecall(); }
void IguiTreeNode::setXmlUpdated(bool) { vbPurecall(); }
bool IguiTreeNode::GetAspect(const char*, guiTreeAspectRef*) const { vbPurecall(); }
const vbString& IguiTreeNode::GetName() const { vbPurecall(); }
const vbString& IguiTreeNode::GetClass() const { vbPurecall(); }
const vbString& IguiTreeNode::GetChildrenClass() const { vbPurecall(); }
const vbString& IguiTreeNode::GetText() const { vbPurecall(); }
const vbString& IguiTreeNode::GetSelText() const { vbPurecall(); }
const vbString& IguiTreeNode::GetIcon() const { vbPurecall(); }
const vbString& IguiTreeNode::GetSelIcon() const { vbPurecall(); }
const vbString& IguiTreeNode::GetHelpIcon() const { vbPurecall(); }
const vbString& IguiTreeNode::GetSelHelpIcon() const { vbPurecall(); }
const vbString& IguiTreeNode::GetExpIcon() const { vbPurecall(); }
const vbString& IguiTreeNode::GetSelExpIcon() const { vbPurecall(); }
const vbString& IguiTreeNode::GetHint(guiTreeHit) const { vbPurecall(); }
const vbVariant& IguiTreeNode::GetTag() const { vbPurecall(); }
bool IguiTreeNode::IsVisible() const { vbPurecall(); }
bool IguiTreeNode::IsEnabled() const { vbPurecall(); }
bool IguiTreeNode::IsChecked() const { vbPurecall(); }
guiNodeType IguiTreeNode::GetType() const { vbPurecall(); }
guiNodeCheckMode IguiTreeNode::GetCheckMode() const { vbPurecall(); }
bool IguiTreeNode::IsFilteredVisible(LONG) const { vbPurecall(); }
bool IguiTreeNode::HasFilteredVisibleChildren(LONG) const { vbPurecall(); }
bool IguiTreeNode::GetSorted() const { vbPurecall(); }
bool IguiTreeNode::SetChecked(bool) { vbPurecall(); }
bool IguiTreeNode::onClick(IguiTreeNode*, bool) { vbPurecall(); }
bool IguiTreeNode::onDClick(IguiTreeNode*, bool) { vbPurecall(); }
bool IguiTreeNode::onContextMenu(IguiTreeNode*, bool) { vbPurecall(); }
bool IguiTreeNode::onExpand(IguiTreeNode*) { vbPurecall(); }
bool IguiTreeNode::onCollapse(IguiTreeNode*) { vbPurecall(); }
bool IguiTreeNode::onCheck(IguiTreeNode*, bool*) { vbPurecall(); }
bool IguiTreeNode::onSelect(IguiTreeNode*, bool) { vbPurecall(); }
bool IguiTreeNode::onOver(IguiTreeNode*, bool) { vbPurecall(); }
bool IguiTreeNode::GetExpandParentEvent() const { vbPurecall(); }
bool IguiTreeNode::GetCollapseParentEvent() const { vbPurecall(); }
bool IguiTreeNode::onExpandParent(IguiTreeNode*) { vbPurecall(); }
bool IguiTreeNode::onCollapseParent(IguiTreeNode*) { vbPurecall(); }
bool IguiTreeNode::IsLoaded() const { vbPurecall(); }
bool IguiTreeNode::GetError(ULONG&, vbString&) const { vbPurecall(); }
void IguiTreeNode::MemorizeSelected(int) { vbPurecall(); }
int IguiTreeNode::RetrieveSelected() const { vbPurecall(); }
char IguiTreeNode::GetPathChar() const { vbPurecall(); }
vbString IguiTreeNode::GetPath() const { vbPurecall(); }
bool IguiTreeNode::GetPathChild(const vbString&, guiTreeNodeRef*, int, int) { vbPurecall(); }

bool IguiTreeNodeContainer::LoadNodeFromRes(vbDnData*, guiTreeNode*, const char*) { vbPurecall(); }
bool IguiTreeNodeContainer::onClick(guiTreeNode*, bool) { vbPurecall(); }
bool IguiTreeNodeContainer::onDClick(guiTreeNode*, bool) { vbPurecall(); }
bool IguiTreeNodeContainer::onContextMenu(guiTreeNode*, bool) { vbPurecall(); }
bool IguiTreeNodeContainer::onSelect(guiTreeNode*, bool) { vbPurecall(); }
bool IguiTreeNodeContainer::onOver(guiTreeNode*, bool) { vbPurecall(); }
bool IguiTreeNodeContainer::onCheck(guiTreeNode*, bool*) { vbPurecall(); }
bool IguiTreeNodeContainer::onExpand(guiTreeNode*) { vbPurecall(); }
bool IguiTreeNodeContainer::onCollapse(guiTreeNode*) { vbPurecall(); }
bool IguiTreeNodeContainer::onExpandParent(guiTreeNode*) { vbPurecall(); }
bool IguiTreeNodeContainer::onCollapseParent(guiTreeNode*) { vbPurecall(); }
void IguiTreeNodeContainer::onNodeChange(guiTreeNode*, bool) { vbPurecall(); }
void IguiTreeNodeContainer::onReserved() { vbPurecall(); }
void IguiTreeNodeContainer::onSetContainer(guiTreeNode*, bool) { vbPurecall(); }
