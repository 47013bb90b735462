#pragma once

// The tree and menu model: the node (`guiTreeNode`), its interface as views and owners see it
// (`IguiTreeNode`, `IguiTreeNodeContainer`), the style record interfaces (`IguiTreeAspect` and
// its getter face `sIguiTreeAspect`, implemented by guiTreeStyle.h and the aspect engine) and
// the shared vocabulary of the tree controls.
//
// A node may be the child of several parents: the structure is a directed graph, and every walk
// over it carries the nodes of its current path so that it never enters a node twice. Positions
// among children are 1-based.
//
// Node changes reach views through the object signal: -1 destroyed, 0 content changed, 1
// children changed, 2 a child must be redrawn, 3 own look changed, 4 repaint. A child's 0, -1 and
// 4 reach its parents as 2, its 3 as 1. Style records signal 3 (new layout) and 4 (repaint).

#include "guiExport.h"

#include "vbArray.h"
#include "vbColor.h"
#include "vbDnObject.h"
#include "vbObjects.h"
#include "vbPtr.h"
#include "vbString.h"
#include "vbVariant.h"
#include "vbXml.h"

#include "plat/afxtypes.h"
#include "plat/types.h"

#include <cstdint>
#include <vector>

class guiCursor;
class guiFont;
class guiSurface;
class guiTreeAspectEngine;
class guiTreeChildLink;
class guiTreeNode;
class IguiTreeAspect;
class IguiTreeNode;
class IguiTreeNodeContainer;
class guiContainer;
class guiPopupButton;
class guiPopupTreeCtrl;
class sIguiTreeDraw;

enum guiTree_Cmd : int32_t;
enum guiPopupDir : int32_t;

extern GUIAPI const IID IID_IguiTreeNode;
extern GUIAPI const CLSID CLSID_guiTreeNode;
extern GUIAPI const IID IID_IguiTreeNodeContainer;
extern GUIAPI const IID IID_IguiTreeAspect;
extern GUIAPI const CLSID CLSID_guiTreeAspect;
extern GUIAPI const IID IID_sIguiTreeAspectGet;
extern GUIAPI const IID IID_sIguiTreeNodeDraw;

enum guiNodeType : int32_t {
    guiNodeType_Item = 0,
    guiNodeType_Check = 1,
    guiNodeType_Radio = 2,
    guiNodeType_Sep = 3,
    guiNodeType_Text = 4,
};

enum guiNodeCheckMode : int32_t {
    guiNodeCheck_Manual = 0,
    guiNodeCheck_Auto = 1,
    guiNodeCheck_Btn = 2,
};

enum guiTreeHit : int32_t {
    guiTreeHit_Expand = 0,
    guiTreeHit_Check = 1,
    guiTreeHit_Item = 2,
    guiTreeHit_Help = 3,
};

enum guiTreeDrawType : int32_t {
    guiTreeDraw_Menu = 0,
    guiTreeDraw_TreeView = 1,
};

// How a view follows the mouse; the values belong to the views.
enum guiMouseTrack : int32_t {};

// Where GetPos puts a new node relative to its reference.
enum guiNodeRelation : int32_t {
    guiNodeRel_At = 0,
    guiNodeRel_ParentEnd = 1,
    guiNodeRel_After = 2,
    guiNodeRel_AtRef = 3,
    guiNodeRel_ChildrenEnd = 4,
    guiNodeRel_FirstChild = 5,
};

using guiTreeNodeRef = vbRefPtr<IguiTreeNode, &IID_IguiTreeNode>;
using guiTreeNodePtr = vbRefPtr<guiTreeNode, &CLSID_guiTreeNode>;
using guiTreeAspectRef = vbRefPtr<IguiTreeAspect, &IID_IguiTreeAspect>;
using guiTreeContainerRef = vbRefPtr<IguiTreeNodeContainer, &IID_IguiTreeNodeContainer>;

// The getters of a style record, shared by the record and by the engine that resolves styles.
class GUIAPI sIguiTreeAspect {
public:
    virtual const CSize& GetSzIcon() const;
    virtual const guiFont& GetFont() const;
    virtual const guiFont& GetSelFont() const;
    virtual const guiFont& GetOverFont() const;
    virtual const guiFont& GetSelOverFont() const;
    virtual const guiFont& GetCaptionFont() const;
    virtual const guiSurface& GetBack() const;
    virtual const guiSurface& GetSelBack() const;
    virtual const guiSurface& GetOverBack() const;
    virtual const guiSurface& GetCaptionBack() const;
    virtual const vbColor& GetTextColor() const;
    virtual const vbColor& GetSelTextColor() const;
    virtual const vbColor& GetOverTextColor() const;
    virtual const vbColor& GetCaptionColor() const;
    virtual const vbColor& GetTextShadowColor() const;
    virtual const vbColor& GetSelTextShadowColor() const;
    virtual const vbColor& GetOverTextShadowColor() const;
    virtual const vbColor& GetCaptionShadowColor() const;
    virtual const vbColor& GetTreeLineColor() const;
    virtual const vbColor& GetBtnRectColor() const;
    virtual const vbColor& GetBtnTextColor() const;
    virtual const vbColor& GetCheckBtnRectColor() const;
    virtual const vbColor& GetCheckBtnTextColor() const;
    virtual const guiCursor& GetCursor() const;
    virtual const guiCursor& GetHelpCursor() const;
    virtual const guiCursor& GetCheckCursor() const;
    virtual const guiCursor& GetExpCursor() const;
    virtual const vbString& GetLoadingIcon() const;
    virtual int GetSpacingHeight() const;
    virtual int GetIndentation() const;
    virtual int GetRootIndentation() const;
    virtual int GetSepHeight() const;
    virtual int GetWidthMax() const;
    virtual const vbBool& GetShowTreeLine() const;
    virtual const vbBool& GetShowRootTreeLine() const;

protected:
    sIguiTreeAspect() = default;
    sIguiTreeAspect(const sIguiTreeAspect&) = default;
    sIguiTreeAspect& operator=(const sIguiTreeAspect&) { return *this; }
    ~sIguiTreeAspect() = default;
};

// A named style record: its object face, then a setter per property (true when it changed).
class GUIAPI IguiTreeAspect : public IvbObject, public sIguiTreeAspect {
public:
    virtual const vbString& GetName() const;
    virtual const vbString& GetCaption() const;
    virtual void ReadXml(sIvbXmlSource* src, const char* baseUrl, sIvbUrlRoots* roots);
    virtual bool SetCaption(const vbString& caption, bool bNotify);
    virtual bool SetSzIcon(const CSize& size, bool bNotify);
    virtual bool SetTextColor(const vbColor& color, bool bNotify);
    virtual bool SetTextShadowColor(const vbColor& color, bool bNotify);
    virtual bool SetSelTextColor(const vbColor& color, bool bNotify);
    virtual bool SetSelTextShadowColor(const vbColor& color, bool bNotify);
    virtual bool SetOverTextColor(const vbColor& color, bool bNotify);
    virtual bool SetOverTextShadowColor(const vbColor& color, bool bNotify);
    virtual bool SetCaptionColor(const vbColor& color, bool bNotify);
    virtual bool SetCaptionShadowColor(const vbColor& color, bool bNotify);
    virtual bool SetTreeLineColor(const vbColor& color, bool bNotify);
    virtual bool SetBtnRectColor(const vbColor& color, bool bNotify);
    virtual bool SetBtnTextColor(const vbColor& color, bool bNotify);
    virtual bool SetCheckBtnRectColor(const vbColor& color, bool bNotify);
    virtual bool SetCheckBtnTextColor(const vbColor& color, bool bNotify);
    virtual bool SetIndentation(int value, bool bNotify);
    virtual bool SetRootIndentation(int value, bool bNotify);
    virtual bool SetSpacingHeight(int value, bool bNotify);
    virtual bool SetSepHeight(int value, bool bNotify);
    virtual bool SetWidthMax(int value, bool bNotify);
    virtual bool SetShowTreeLine(const vbBool& value, bool bNotify);
    virtual bool SetShowRootTreeLine(const vbBool& value, bool bNotify);
    virtual bool SetFont(const guiFont& font, bool bNotify);
    virtual bool SetSelFont(const guiFont& font, bool bNotify);
    virtual bool SetOverFont(const guiFont& font, bool bNotify);
    virtual bool SetSelOverFont(const guiFont& font, bool bNotify);
    virtual bool SetCaptionFont(const guiFont& font, bool bNotify);
    virtual bool SetBack(const guiSurface& surface, bool bNotify);
    virtual bool SetSelBack(const guiSurface& surface, bool bNotify);
    virtual bool SetOverBack(const guiSurface& surface, bool bNotify);
    virtual bool SetCaptionBack(const guiSurface& surface, bool bNotify);
    virtual bool SetCursor(const guiCursor& cursor, bool bNotify);
    virtual bool SetHelpCursor(const guiCursor& cursor, bool bNotify);
    virtual bool SetCheckCursor(const guiCursor& cursor, bool bNotify);
    virtual bool SetExpCursor(const guiCursor& cursor, bool bNotify);
    virtual bool SetLoadingIcon(const vbString& url, bool bNotify);

protected:
    IguiTreeAspect() = default;
    ~IguiTreeAspect() = default;
};

// The owner of aspect engines (a view): gives an engine its style record, finds records by name,
// and is told when a node's list of records changes.
class GUIAPI sIguiTreeAspectGet {
public:
    // True when a record for one of the names was found.
    virtual bool GetAspect(guiTreeAspectEngine* engine, const vbString* names, int count, guiTreeAspectRef* out);
    // The record that applies to the engine, or null; the owner keeps it alive.
    virtual IguiTreeAspect* GetAspect(guiTreeAspectEngine* engine);
    virtual void onAspectListChange(IguiTreeNode* node);

protected:
    sIguiTreeAspectGet() = default;
    ~sIguiTreeAspectGet() = default;
};

// A node as views and walks see it.
class GUIAPI IguiTreeNode : public IvbObject {
public:
    virtual void Destroy();
    virtual bool HasVisibleChildren() const;
    virtual bool HasChildren() const;
    virtual bool GetChild(int pos, guiTreeNodeRef* out) const;
    virtual bool GetParent(int n, guiTreeNodeRef* out) const;
    virtual bool GetForceDisplayAsTreeView() const;
    virtual bool GetForceHasChildren() const;
    virtual bool IsInXmlUpdate() const;
    virtual void setXmlUpdated(bool updated);
    virtual bool GetAspect(const char* name, guiTreeAspectRef* out) const;
    virtual const vbString& GetName() const;
    virtual const vbString& GetClass() const;
    virtual const vbString& GetChildrenClass() const;
    virtual const vbString& GetText() const;
    virtual const vbString& GetSelText() const;
    virtual const vbString& GetIcon() const;
    virtual const vbString& GetSelIcon() const;
    virtual const vbString& GetHelpIcon() const;
    virtual const vbString& GetSelHelpIcon() const;
    virtual const vbString& GetExpIcon() const;
    virtual const vbString& GetSelExpIcon() const;
    virtual const vbString& GetHint(guiTreeHit hit) const;
    virtual const vbVariant& GetTag() const;
    virtual bool IsVisible() const;
    virtual bool IsEnabled() const;
    virtual bool IsChecked() const;
    virtual guiNodeType GetType() const;
    virtual guiNodeCheckMode GetCheckMode() const;
    virtual bool IsFilteredVisible(LONG mask) const;
    virtual bool HasFilteredVisibleChildren(LONG mask) const;
    virtual bool GetSorted() const;
    virtual bool SetChecked(bool checked);
    virtual bool onClick(IguiTreeNode* node, bool b);
    virtual bool onDClick(IguiTreeNode* node, bool b);
    virtual bool onContextMenu(IguiTreeNode* node, bool b);
    virtual bool onExpand(IguiTreeNode* node);
    virtual bool onCollapse(IguiTreeNode* node);
    virtual bool onCheck(IguiTreeNode* node, bool* b);
    virtual bool onSelect(IguiTreeNode* node, bool b);
    virtual bool onOver(IguiTreeNode* node, bool b);
    virtual bool GetExpandParentEvent() const;
    virtual bool GetCollapseParentEvent() const;
    virtual bool onExpandParent(IguiTreeNode* node);
    virtual bool onCollapseParent(IguiTreeNode* node);
    virtual bool IsLoaded() const;
    virtual bool GetError(ULONG& hr, vbString& text) const;
    virtual void MemorizeSelected(int pos);
    virtual int RetrieveSelected() const;
    virtual char GetPathChar() const;
    virtual vbString GetPath() const;
    virtual bool GetPathChild(const vbString& path, guiTreeNodeRef* out, int separator, int level);

protected:
    IguiTreeNode() = default;
    ~IguiTreeNode() = default;
};

// The owner of a node tree, implemented by the application.
class GUIAPI IguiTreeNodeContainer : public IUnknown, public sIvbUrlRoots {
public:
    virtual bool LoadNodeFromRes(vbDnData* data, guiTreeNode* node, const char* name);
    virtual bool onClick(guiTreeNode* node, bool b);
    virtual bool onDClick(guiTreeNode* node, bool b);
    virtual bool onContextMenu(guiTreeNode* node, bool b);
    virtual bool onSelect(guiTreeNode* node, bool b);
    virtual bool onOver(guiTreeNode* node, bool b);
    virtual bool onCheck(guiTreeNode* node, bool* b);
    virtual bool onExpand(guiTreeNode* node);
    virtual bool onCollapse(guiTreeNode* node);
    virtual bool onExpandParent(guiTreeNode* node);
    virtual bool onCollapseParent(guiTreeNode* node);
    virtual void onNodeChange(guiTreeNode* node, bool destroyed);
    // Kept for owners that need a slot of their own; the node never calls it.
    virtual void onReserved();
    virtual void onSetContainer(guiTreeNode* node, bool weak);

protected:
    IguiTreeNodeContainer() = default;
    ~IguiTreeNodeContainer() = default;
};

// One item of a tree or a menu.
class GUIAPI guiTreeNode : public vbTdnObject<vbObject>,
                           public IguiTreeNode,
                           public IvbXmlTarget,
                           public sIvbUrlRoots {
    using Base = vbTdnObject<vbObject>;

public:
    explicit guiTreeNode(const vbString& url = vbString(), int64_t key = 0);

    // The download centre's object cache keeps no node.
    static bool DnClassIsCacheable() { return false; }
    static const GUID& DnClassId() { return CLSID_guiTreeNode; }

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override;
    const GUID& GetClsId() const override;

    // --- IguiTreeNode ---
    void Destroy() override;
    bool HasVisibleChildren() const override;
    bool HasChildren() const override;
    bool GetChild(int pos, guiTreeNodeRef* out) const override;
    bool GetParent(int n, guiTreeNodeRef* out) const override;
    bool GetForceDisplayAsTreeView() const override;
    bool GetForceHasChildren() const override;
    bool IsInXmlUpdate() const override;
    void setXmlUpdated(bool updated) override;
    bool GetAspect(const char* name, guiTreeAspectRef* out) const override;
    const vbString& GetName() const override;
    const vbString& GetClass() const override;
    const vbString& GetChildrenClass() const override;
    const vbString& GetText() const override;
    const vbString& GetSelText() const override;
    const vbString& GetIcon() const override;
    const vbString& GetSelIcon() const override;
    const vbString& GetHelpIcon() const override;
    const vbString& GetSelHelpIcon() const override;
    const vbString& GetExpIcon() const override;
    const vbString& GetSelExpIcon() const override;
    const vbString& GetHint(guiTreeHit hit) const override;
    const vbVariant& GetTag() const override;
    bool IsVisible() const override;
    bool IsEnabled() const override;
    bool IsChecked() const override;
    guiNodeType GetType() const override;
    guiNodeCheckMode GetCheckMode() const override;
    bool IsFilteredVisible(LONG mask) const override;
    bool HasFilteredVisibleChildren(LONG mask) const override;
    bool GetSorted() const override;
    bool SetChecked(bool checked) override;
    bool onClick(IguiTreeNode* node, bool b) override;
    bool onDClick(IguiTreeNode* node, bool b) override;
    bool onContextMenu(IguiTreeNode* node, bool b) override;
    bool onExpand(IguiTreeNode* node) override;
    bool onCollapse(IguiTreeNode* node) override;
    bool onCheck(IguiTreeNode* node, bool* b) override;
    bool onSelect(IguiTreeNode* node, bool b) override;
    bool onOver(IguiTreeNode* node, bool b) override;
    bool GetExpandParentEvent() const override;
    bool GetCollapseParentEvent() const override;
    bool onExpandParent(IguiTreeNode* node) override;
    bool onCollapseParent(IguiTreeNode* node) override;
    bool IsLoaded() const override;
    bool GetError(ULONG& hr, vbString& text) const override;
    void MemorizeSelected(int pos) override;
    int RetrieveSelected() const override;
    char GetPathChar() const override;
    vbString GetPath() const override;
    bool GetPathChild(const vbString& path, guiTreeNodeRef* out, int separator, int level) override;

    // --- the node's own virtual operations, which derived nodes extend ---
    virtual vbString GetAbsUrl(const vbString& url);
    // A child for an item section: in an update pass the first child of that name not yet met
    // (ASCII case folded) is taken and moved to where the pass has got to; else a new node with
    // this node's URL is added at pos (outside 1..count: at the end). Answers its position. With a
    // URL the child is (re)loaded from it.
    virtual int CreateChild(guiTreeNodePtr* ref, const vbString& url, int pos, const char* name);
    virtual int CreateChild(guiTreeNodePtr* ref, int pos, const char* name);
    virtual int AddChild(IguiTreeNode* node, int pos);
    virtual bool RemoveChild(int pos);
    virtual bool RemoveChild(IguiTreeNode* node);
    virtual void ClearChildren();
    virtual bool CreateAspect(const char* name, guiTreeAspectRef* out);
    virtual void AddAspect(IguiTreeAspect* aspect);
    virtual bool RemoveAspect(IguiTreeAspect* aspect);
    virtual void ClearAspects();
    // Reads the document at url into the node after its children (Load replaces them).
    virtual bool PartialLoad(const char* url, vbDnPriority priority);

    // --- IvbDnObject ---
    // Loads the document at url into the node, replacing its children.
    bool Load(const char* url, vbDnPriority priority) override;
    void LoadingStart(vbDnData* data, int64_t size) override;
    bool LoadingAddBuffer(vbDnData* data, const unsigned char* bytes, ULONG length) override;
    void LoadingEnd(vbDnData* data, bool ok) override;
    DWORD GetMemSizeForCache() const override;
    bool LoadFromRes(vbDnData* data, const char* name, const char* type, HINSTANCE module) override;
    bool LoadFromFile(vbDnData* data, const vbString& path) override;
    bool IsCacheable() const override;

    // --- IvbXmlTarget: item mark-up; the node does not absorb the reader's reports ---
    void AddSection(sIvbXmlSource* src, const vbString& name, bool closed, const vbXmlPos& pos) override;
    void AddSectionEnd(sIvbXmlSource* src, const vbString& name, const vbXmlPos& pos) override;
    void AddText(sIvbXmlSource* src, const vbString& text, const vbXmlPos& pos) override;
    int CutSectionName(sIvbXmlSource* src, const vbString& text, bool endSection, bool selfClosing) override;
    void EndParse(sIvbXmlSource* src) override;
    bool Warning(const vbString& fileName, int column, int line, const vbString& message) override;
    bool Error(const vbString& fileName, int column, int line, const vbString& message) override;

    // --- sIvbUrlRoots: the first root that the containers of this node or of its ancestors give
    vbString GetUrlRootForProtocol(const vbString& protocol) override;

    // --- setters: each answers whether the value changed ---
    bool SetName(const vbString& name);
    bool SetKey(const vbString& key) { return SetName(key); }
    bool SetType(guiNodeType type);
    bool SetCheckMode(guiNodeCheckMode mode);
    bool SetVisible(bool visible);
    bool SetEnabled(bool enabled);
    bool SetText(const vbString& text);
    bool SetSelText(const vbString& text);
    bool SetIcon(const vbString& url);
    bool SetSelIcon(const vbString& url);
    bool SetHelpIcon(const vbString& url);
    bool SetSelHelpIcon(const vbString& url);
    bool SetExpIcon(const vbString& url);
    bool SetSelExpIcon(const vbString& url);
    bool SetHint(const vbString& hint);
    bool SetHelpHint(const vbString& hint);
    bool SetCheckHint(const vbString& hint);
    bool SetExpHint(const vbString& hint);
    bool SetScript(const vbString& script);
    bool SetHRef(const vbString& href);
    bool SetTarget(const vbString& target);
    bool SetClosePopup(bool close);
    bool SetHelpScript(const vbString& script);
    bool SetHelpHRef(const vbString& href);
    bool SetHelpTarget(const vbString& target);
    bool SetHelpClosePopup(bool close);
    bool SetClass(const vbString& cls);
    bool SetChildrenClass(const vbString& cls);
    bool SetTag(const vbVariant& tag);
    bool SetFilterMask(LONG mask);
    bool SetForceDisplayAsTreeView(bool force);
    bool SetForceHasChildren(bool force);
    bool SetSorted(bool sorted);
    bool SetExpandParentEvent(bool b);
    bool SetCollapseParentEvent(bool b);
    bool SetPathChar(char c);
    bool SetPopupMouseTrack(guiMouseTrack track);
    bool SetPopupExpandedLevel(int level);

    const vbString& GetHint() const;
    const vbString& GetHelpHint() const;
    const vbString& GetCheckHint() const;
    const vbString& GetExpHint() const;
    const vbString& GetScript() const;
    const vbString& GetHRef() const;
    const vbString& GetTarget() const;
    bool GetClosePopup() const;
    const vbString& GetHelpScript() const;
    const vbString& GetHelpHRef() const;
    const vbString& GetHelpTarget() const;
    bool GetHelpClosePopup() const;
    LONG GetFilterMask() const;
    guiMouseTrack GetPopupMouseTrack() const;
    int GetPopupExpandedLevel() const;
    guiTreeDrawType GetPopupDrawType() const;

    // Icons as variants: a number n is the icon text ":n", any other value its text.
    bool SetImage(const vbVariant& v);
    vbVariant GetImage() const;
    bool SetSelectedImage(const vbVariant& v);
    vbVariant GetSelectedImage() const;
    bool SetHelpImage(const vbVariant& v);
    vbVariant GetHelpImage() const;
    bool SetSelHelpImage(const vbVariant& v);
    vbVariant GetSelHelpImage() const;
    bool SetExpandedImage(const vbVariant& v);
    vbVariant GetExpandedImage() const;
    bool SetSelExpandedImage(const vbVariant& v);
    vbVariant GetSelExpandedImage() const;

    // --- children and parents ---
    using IguiTreeNode::GetChild;
    using IguiTreeNode::GetParent;
    bool GetChild(int pos, guiTreeNodePtr* out) const;
    bool SetChild(int pos, IguiTreeNode* node);
    int GetChildCount() const;
    bool GetParent(int n, guiTreeNodePtr* out) const;
    int GetParentCount() const;

    // --- owner ---
    void SetContainer(IguiTreeNodeContainer* container, bool strong);
    bool GetContainer(guiTreeContainerRef* out) const;

    // --- signals ---
    void Update(bool force);
    void UpdateChildren(bool force = true);
    void Redraw(bool force);
    void UpdateParents();
    void AspectListChange();
    void ClearAll();

    // --- search, positions and paths ---
    int Find(int level, vbArray<IguiTreeNode*>& path, IguiTreeNode* node, guiTreeNodePtr* parent);
    int Find(int level, vbArray<IguiTreeNode*>& path, const vbString& name, guiTreeNodePtr* parent);
    int GetPos(guiTreeNodePtr* parent, const vbVariant& pos, guiNodeRelation rel, bool endAsMinusOne);

    // --- the node's own popup: a popup button it owns, made over rect in container and opened
    // at once in direction dir with this node as its root; a previous one goes first ---
    bool Popup(guiContainer& container, const CRect& rect, guiPopupDir dir);
    void PopupEnd();
    // PopupEnd; true.
    bool onPopupEnd(guiPopupTreeCtrl& ctrl);

    // --- commands to the views: selection, expansion and hover live in each view, not here ---
    // Select, MouseOver and Expand reach every view that shows this node or one of its ancestors,
    // each view once, at the level nearest to the node. True when a view was reached.
    bool Select();
    bool MouseOver();
    bool Expand();
    // Through the views of the parents.
    bool Unselect();
    bool UnMouseOver();
    // To the views attached to this node, about one of the items they show of it.
    bool Unselect(IguiTreeNode* child);
    bool UnMouseOver(IguiTreeNode* child);
    // Only the views attached to this node itself.
    bool Collapse();
    bool IsSelected() const;
    bool IsSelected(IguiTreeNode* child) const;
    bool IsMouseOver() const;
    bool IsMouseOver(IguiTreeNode* child) const;
    bool IsExpanded() const;

    // The node itself when iface is a face of a guiTreeNode; null otherwise. No reference.
    static guiTreeNode* FromFace(IvbObject* iface);

protected:
    ~guiTreeNode() override;

    void onBeforeDestruction(bool bExplicit) override;
    void onDestruction(bool bExplicit) override;
    void signalPtr(int signal) override;

    // The cycle guard of the walks: false when this node is already on the path above level.
    bool checkRec(int level, vbArray<IguiTreeNode*>& path) const;
    bool checkRec(int level, vbArray<guiTreeNodePtr>& path);
    int getTreePathToRoot(int level, vbArray<guiTreeNodePtr>& path);
    // Posts cmd to the views of this node not yet in views, with the path from the commanded node
    // (level 1) up to this node's child, then climbs to the parents.
    bool cmdRec(guiTree_Cmd cmd, int level, vbArray<IguiTreeNode*>& path, vbArray<sIguiTreeDraw*>& views);

    // The steps of the mark-up reader.
    void itemCfg(sIvbXmlSource* src);
    void aspectCfg(sIvbXmlSource* src);
    void newItem(guiNodeType type, sIvbXmlSource* src, bool open);
    void closeItem(guiNodeType type, sIvbXmlSource* src);
    // true: a pass starts, every child unmet; false: the children it did not meet are removed.
    void setInXmlUpdate(bool update);
    vbString getUrlRootForProtocoleRec(int level, vbArray<IguiTreeNode*>& path, const vbString& protocol);
    bool loadFromResRec(int level, vbArray<IguiTreeNode*>& path, vbDnData* data, guiTreeNode* loading,
        const char* name);

private:
    friend class guiTreeChildLink;

    // The node lock for the time of a scope.
    struct NodeLock : vbSectLock {
        explicit NodeLock(const guiTreeNode* n) : vbSectLock(n->m_pLock) {}
    };

    template <class T>
    bool store(T& field, const T& value);
    bool storeIcon(vbString& field, const vbString& url);
    bool setImage(vbString& field, const vbVariant& v);
    vbVariant getImage(const vbString& field) const;
    // The container to call: the weak one first; null when none. Kept alive by *hold.
    IguiTreeNodeContainer* takeContainer(guiTreeContainerRef* hold) const;
    template <class Call>
    bool event(IguiTreeNode* node, Call call);
    // Every attached pointer that answers iid, in list order.
    std::vector<void*> attachedFaces(const GUID& iid) const;
    guiTreeChildLink* linkAt(int pos) const;
    int positionOf(const IguiTreeNode* child) const;
    bool removeLinkAt(int pos);
    bool removeLink(guiTreeChildLink* link);
    void childrenChanged();
    template <class Step>
    void guarded(Step step);

    struct ReadState;
    static ReadState* readState(sIvbXmlSource* src);
    bool startLoad(const char* url, vbDnPriority priority, bool full);
    void markLoaded();
    void include(sIvbXmlSource* src);
    void finishItem(sIvbXmlSource* src, ReadState* state);
    int mergeChild(guiTreeNodePtr* ref, const char* name);
    int addCreatedChild(guiTreeNodePtr* ref, guiTreeNode* node, int pos, const char* name);
    // Under the node lock, f(face) for each view face attached to this node: sendToViews calls
    // every face and answers whether there was one; askViews answers the first true of f.
    bool commandAll(guiTree_Cmd cmd);
    template <class F>
    bool sendToViews(F f) const;
    template <class F>
    bool askViews(F f) const;
    // f(parent) for each parent in order: sendToParents asks all and answers whether one said
    // true; askParents stops at the first true.
    template <class F>
    bool sendToParents(F f) const;
    template <class F>
    bool askParents(F f) const;

    vbString m_name;
    guiNodeType m_type = guiNodeType_Item;
    bool m_bVisible = false;
    bool m_bEnabled = true;
    bool m_bChecked = false;
    bool m_bFullLoad = false;
    guiNodeCheckMode m_checkMode = guiNodeCheck_Btn;
    int m_xmlUpdatePos = 0;
    vbString m_text, m_selText;
    vbString m_icon, m_selIcon, m_expIcon, m_selExpIcon;
    vbString m_hint, m_expHint, m_checkHint;
    vbString m_helpIcon, m_selHelpIcon, m_helpHint;
    vbString m_script, m_hRef, m_target;
    bool m_bClosePopup = true;
    vbString m_helpScript, m_helpHRef, m_helpTarget;
    bool m_bHelpClosePopup = true;
    bool m_bForceDisplayAsTreeView = false;
    vbString m_class, m_childrenClass;
    vbVariant m_tag;
    bool m_bForceHasChildren = false;
    bool m_bSorted = false;
    LONG m_filterMask = -1;
    bool m_bExpandParentEvent = false;
    bool m_bCollapseParentEvent = false;
    char m_pathChar = 0;
    // Owned links; spare capacity keeps appending to a wide level linear.
    std::vector<guiTreeChildLink*> m_children;
    std::vector<IguiTreeAspect*> m_aspects;
    int m_memorizedSelected = 0;
    guiTreeContainerRef m_container;
    IguiTreeNodeContainer* m_pWeakContainer = nullptr;
    guiMouseTrack m_popupMouseTrack = static_cast<guiMouseTrack>(2);
    int m_popupExpandedLevel = 2;
    guiTreeDrawType m_popupDrawType = guiTreeDraw_Menu;
    guiPopupButton* m_pPopupButton = nullptr;
};
