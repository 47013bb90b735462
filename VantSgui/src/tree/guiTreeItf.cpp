// The default bodies of the tree interfaces: an operation an object does not implement, or one
// reached while the object is being destroyed, reports the purecall error.

#include "guiTreeNode.h"

#include "guiBase.h"
#include "guiTreeStyleEngine.h"

const IID IID_IguiTreeNode = {0x495B58A8, 0x7986, 0x45EB, {0xAB, 0x99, 0xD9, 0x23, 0xBF, 0x07, 0x1F, 0x24}};
const CLSID CLSID_guiTreeNode = {0x83DFF6D6, 0x7BC0, 0x4690, {0x9E, 0x84, 0x1C, 0x97, 0xD1, 0x1B, 0x90, 0xB5}};
const IID IID_IguiTreeNodeContainer = {0x3632A6EE, 0x1929, 0x4202, {0xB7, 0xF1, 0xB3, 0xFA, 0xC7, 0xD5, 0x4E, 0x92}};
const IID IID_IguiTreeAspect = {0xF68E9160, 0xA510, 0x47A0, {0xB2, 0x49, 0x4F, 0x31, 0x7F, 0x72, 0xE4, 0x85}};
const CLSID CLSID_guiTreeAspect = {0x38DA79F8, 0xD5BD, 0x4A09, {0xA4, 0xFE, 0xC1, 0x51, 0xF2, 0x21, 0x7F, 0xF6}};
const IID IID_sIguiTreeAspectGet = {0x9F463412, 0xFD55, 0x4775, {0xB1, 0xC8, 0x14, 0x4F, 0x84, 0x50, 0x46, 0x1D}};
const IID IID_sIguiTreeNodeDraw = {0xF43BDEB1, 0x299B, 0x479B, {0x83, 0x0F, 0x2F, 0x2C, 0x11, 0xF4, 0xB7, 0x55}};

const CSize& sIguiTreeAspect::GetSzIcon() const { guiPurecall(); }
const guiFont& sIguiTreeAspect::GetFont() const { guiPurecall(); }
const guiFont& sIguiTreeAspect::GetSelFont() const { guiPurecall(); }
const guiFont& sIguiTreeAspect::GetOverFont() const { guiPurecall(); }
const guiFont& sIguiTreeAspect::GetSelOverFont() const { guiPurecall(); }
const guiFont& sIguiTreeAspect::GetCaptionFont() const { guiPurecall(); }
const guiSurface& sIguiTreeAspect::GetBack() const { guiPurecall(); }
const guiSurface& sIguiTreeAspect::GetSelBack() const { guiPurecall(); }
const guiSurface& sIguiTreeAspect::GetOverBack() const { guiPurecall(); }
const guiSurface& sIguiTreeAspect::GetCaptionBack() const { guiPurecall(); }
const vbColor& sIguiTreeAspect::GetTextColor() const { guiPurecall(); }
const vbColor& sIguiTreeAspect::GetSelTextColor() const { guiPurecall(); }
const vbColor& sIguiTreeAspect::GetOverTextColor() const { guiPurecall(); }
const vbColor& sIguiTreeAspect::GetCaptionColor() const { guiPurecall(); }
const vbColor& sIguiTreeAspect::GetTextShadowColor() const { guiPurecall(); }
const vbColor& sIguiTreeAspect::GetSelTextShadowColor() const { guiPurecall(); }
const vbColor& sIguiTreeAspect::GetOverTextShadowColor() const { guiPurecall(); }
const vbColor& sIguiTreeAspect::GetCaptionShadowColor() const { guiPurecall(); }
const vbColor& sIguiTreeAspect::GetTreeLineColor() const { guiPurecall(); }
const vbColor& sIguiTreeAspect::GetBtnRectColor() const { guiPurecall(); }
const vbColor& sIguiTreeAspect::GetBtnTextColor() const { guiPurecall(); }
const vbColor& sIguiTreeAspect::GetCheckBtnRectColor() const { guiPurecall(); }
const vbColor& sIguiTreeAspect::GetCheckBtnTextColor() const { guiPurecall(); }
const guiCursor& sIguiTreeAspect::GetCursor() const { guiPurecall(); }
const guiCursor& sIguiTreeAspect::GetHelpCursor() const { guiPurecall(); }
const guiCursor& sIguiTreeAspect::GetCheckCursor() const { guiPurecall(); }
const guiCursor& sIguiTreeAspect::GetExpCursor() const { guiPurecall(); }
const vbString& sIguiTreeAspect::GetLoadingIcon() const { guiPurecall(); }
int sIguiTreeAspect::GetSpacingHeight() const { guiPurecall(); }
int sIguiTreeAspect::GetIndentation() const { guiPurecall(); }
int sIguiTreeAspect::GetRootIndentation() const { guiPurecall(); }
int sIguiTreeAspect::GetSepHeight() const { guiPurecall(); }
int sIguiTreeAspect::GetWidthMax() const { guiPurecall(); }
const vbBool& sIguiTreeAspect::GetShowTreeLine() const { guiPurecall(); }
const vbBool& sIguiTreeAspect::GetShowRootTreeLine() const { guiPurecall(); }

const vbString& IguiTreeAspect::GetName() const { guiPurecall(); }
const vbString& IguiTreeAspect::GetCaption() const { guiPurecall(); }
void IguiTreeAspect::ReadXml(sIvbXmlSource*, const char*, sIvbUrlRoots*) { guiPurecall(); }
bool IguiTreeAspect::SetCaption(const vbString&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetSzIcon(const CSize&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetTextColor(const vbColor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetTextShadowColor(const vbColor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetSelTextColor(const vbColor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetSelTextShadowColor(const vbColor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetOverTextColor(const vbColor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetOverTextShadowColor(const vbColor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetCaptionColor(const vbColor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetCaptionShadowColor(const vbColor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetTreeLineColor(const vbColor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetBtnRectColor(const vbColor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetBtnTextColor(const vbColor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetCheckBtnRectColor(const vbColor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetCheckBtnTextColor(const vbColor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetIndentation(int, bool) { guiPurecall(); }
bool IguiTreeAspect::SetRootIndentation(int, bool) { guiPurecall(); }
bool IguiTreeAspect::SetSpacingHeight(int, bool) { guiPurecall(); }
bool IguiTreeAspect::SetSepHeight(int, bool) { guiPurecall(); }
bool IguiTreeAspect::SetWidthMax(int, bool) { guiPurecall(); }
bool IguiTreeAspect::SetShowTreeLine(const vbBool&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetShowRootTreeLine(const vbBool&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetFont(const guiFont&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetSelFont(const guiFont&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetOverFont(const guiFont&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetSelOverFont(const guiFont&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetCaptionFont(const guiFont&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetBack(const guiSurface&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetSelBack(const guiSurface&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetOverBack(const guiSurface&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetCaptionBack(const guiSurface&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetCursor(const guiCursor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetHelpCursor(const guiCursor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetCheckCursor(const guiCursor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetExpCursor(const guiCursor&, bool) { guiPurecall(); }
bool IguiTreeAspect::SetLoadingIcon(const vbString&, bool) { guiPurecall(); }

bool sIguiTreeAspectGet::GetAspect(guiTreeAspectEngine*, const vbString*, int, guiTreeAspectRef*) { guiPurecall(); }
IguiTreeAspect* sIguiTreeAspectGet::GetAspect(guiTreeAspectEngine*) { guiPurecall(); }
void sIguiTreeAspectGet::onAspectListChange(IguiTreeNode*) { guiPurecall(); }

void IguiTreeNode::Destroy() { guiPurecall(); }
bool IguiTreeNode::HasVisibleChildren() const { guiPurecall(); }
bool IguiTreeNode::HasChildren() const { guiPurecall(); }
bool IguiTreeNode::GetChild(int, guiTreeNodeRef*) const { guiPurecall(); }
bool IguiTreeNode::GetParent(int, guiTreeNodeRef*) const { guiPurecall(); }
bool IguiTreeNode::GetForceDisplayAsTreeView() const { guiPurecall(); }
bool IguiTreeNode::GetForceHasChildren() const { guiPurecall(); }
bool IguiTreeNode::IsInXmlUpdate() const { guiPurecall(); }
void IguiTreeNode::setXmlUpdated(bool) { guiPurecall(); }
bool IguiTreeNode::GetAspect(const char*, guiTreeAspectRef*) const { guiPurecall(); }
const vbString& IguiTreeNode::GetName() const { guiPurecall(); }
const vbString& IguiTreeNode::GetClass() const { guiPurecall(); }
const vbString& IguiTreeNode::GetChildrenClass() const { guiPurecall(); }
const vbString& IguiTreeNode::GetText() const { guiPurecall(); }
const vbString& IguiTreeNode::GetSelText() const { guiPurecall(); }
const vbString& IguiTreeNode::GetIcon() const { guiPurecall(); }
const vbString& IguiTreeNode::GetSelIcon() const { guiPurecall(); }
const vbString& IguiTreeNode::GetHelpIcon() const { guiPurecall(); }
const vbString& IguiTreeNode::GetSelHelpIcon() const { guiPurecall(); }
const vbString& IguiTreeNode::GetExpIcon() const { guiPurecall(); }
const vbString& IguiTreeNode::GetSelExpIcon() const { guiPurecall(); }
const vbString& IguiTreeNode::GetHint(guiTreeHit) const { guiPurecall(); }
const vbVariant& IguiTreeNode::GetTag() const { guiPurecall(); }
bool IguiTreeNode::IsVisible() const { guiPurecall(); }
bool IguiTreeNode::IsEnabled() const { guiPurecall(); }
bool IguiTreeNode::IsChecked() const { guiPurecall(); }
guiNodeType IguiTreeNode::GetType() const { guiPurecall(); }
guiNodeCheckMode IguiTreeNode::GetCheckMode() const { guiPurecall(); }
bool IguiTreeNode::IsFilteredVisible(LONG) const { guiPurecall(); }
bool IguiTreeNode::HasFilteredVisibleChildren(LONG) const { guiPurecall(); }
bool IguiTreeNode::GetSorted() const { guiPurecall(); }
bool IguiTreeNode::SetChecked(bool) { guiPurecall(); }
bool IguiTreeNode::onClick(IguiTreeNode*, bool) { guiPurecall(); }
bool IguiTreeNode::onDClick(IguiTreeNode*, bool) { guiPurecall(); }
bool IguiTreeNode::onContextMenu(IguiTreeNode*, bool) { guiPurecall(); }
bool IguiTreeNode::onExpand(IguiTreeNode*) { guiPurecall(); }
bool IguiTreeNode::onCollapse(IguiTreeNode*) { guiPurecall(); }
bool IguiTreeNode::onCheck(IguiTreeNode*, bool*) { guiPurecall(); }
bool IguiTreeNode::onSelect(IguiTreeNode*, bool) { guiPurecall(); }
bool IguiTreeNode::onOver(IguiTreeNode*, bool) { guiPurecall(); }
bool IguiTreeNode::GetExpandParentEvent() const { guiPurecall(); }
bool IguiTreeNode::GetCollapseParentEvent() const { guiPurecall(); }
bool IguiTreeNode::onExpandParent(IguiTreeNode*) { guiPurecall(); }
bool IguiTreeNode::onCollapseParent(IguiTreeNode*) { guiPurecall(); }
bool IguiTreeNode::IsLoaded() const { guiPurecall(); }
bool IguiTreeNode::GetError(ULONG&, vbString&) const { guiPurecall(); }
void IguiTreeNode::MemorizeSelected(int) { guiPurecall(); }
int IguiTreeNode::RetrieveSelected() const { guiPurecall(); }
char IguiTreeNode::GetPathChar() const { guiPurecall(); }
vbString IguiTreeNode::GetPath() const { guiPurecall(); }
bool IguiTreeNode::GetPathChild(const vbString&, guiTreeNodeRef*, int, int) { guiPurecall(); }

bool IguiTreeNodeContainer::LoadNodeFromRes(vbDnData*, guiTreeNode*, const char*) { guiPurecall(); }
bool IguiTreeNodeContainer::onClick(guiTreeNode*, bool) { guiPurecall(); }
bool IguiTreeNodeContainer::onDClick(guiTreeNode*, bool) { guiPurecall(); }
bool IguiTreeNodeContainer::onContextMenu(guiTreeNode*, bool) { guiPurecall(); }
bool IguiTreeNodeContainer::onSelect(guiTreeNode*, bool) { guiPurecall(); }
bool IguiTreeNodeContainer::onOver(guiTreeNode*, bool) { guiPurecall(); }
bool IguiTreeNodeContainer::onCheck(guiTreeNode*, bool*) { guiPurecall(); }
bool IguiTreeNodeContainer::onExpand(guiTreeNode*) { guiPurecall(); }
bool IguiTreeNodeContainer::onCollapse(guiTreeNode*) { guiPurecall(); }
bool IguiTreeNodeContainer::onExpandParent(guiTreeNode*) { guiPurecall(); }
bool IguiTreeNodeContainer::onCollapseParent(guiTreeNode*) { guiPurecall(); }
void IguiTreeNodeContainer::onNodeChange(guiTreeNode*, bool) { guiPurecall(); }
void IguiTreeNodeContainer::onReserved() { guiPurecall(); }
void IguiTreeNodeContainer::onSetContainer(guiTreeNode*, bool) { guiPurecall(); }

bool sIguiTreeAspectEngine::GetAspect(const vbString*, int, guiTreeAspectRef*, bool) const { guiPurecall(); }
void sIguiTreeAspectEngine::FeedSelFont(guiFont&) const { guiPurecall(); }
void sIguiTreeAspectEngine::FeedOverFont(guiFont&) const { guiPurecall(); }
void sIguiTreeAspectEngine::FeedSelOverFont(guiFont&) const { guiPurecall(); }
