#pragma once

// The contract between the tree hosts (tree control, popup tree control, popup button), the draw
// engines that lay out and paint one level or a whole tree for them, and the nodes they show.
//
// A host creates an engine with (host window, host's sIguiTreeEvents, host's aspect engine or
// null, in-popup flag) and then replays its stored properties in the order: aspect name, check
// mode, check boxes, expanded level, only-one-expanded, mouse track, root, user-can-expand-all.
//
// Item positions are signed: 0 none, +n item n of the shown level (1-based, display order), -n
// the help icon of item n.
//
// Threads: commands, requests and change notices may arrive on any thread; an engine only records
// them under its lock and posts WM_USER + 255 to its host, whose handler calls OnPostedUpdate on
// the window's thread. The engine's timer posts WM_USER; the host calls OnTimer for it.

#include "guiExport.h"
#include "guiTreeNode.h"

#include "vbString.h"

#include "plat/afxtypes.h"
#include "plat/types.h"

#include <cstdint>

class CDC;
class CWnd;
class guiPopupTreeCtrl;
class guiSurface;
class guiTreeAspectEngine;
class sIguiTreeAspectEngine;
class sIguiTreeDraw;

// The engine's deferred update and its timer, as posted to the host window.
constexpr UINT guiTreeMsgPostedUpdate = 0x0400 + 255;
constexpr UINT guiTreeMsgTimer = 0x0400;

// The left mouse button flag of the mouse calls.
constexpr UINT guiTreeMouseLeft = 0x0001;

// The engine's own values of guiMouseTrack.
constexpr guiMouseTrack guiMouseTrack_Over = static_cast<guiMouseTrack>(1);
constexpr guiMouseTrack guiMouseTrack_Select = static_cast<guiMouseTrack>(2);

// A command a node sends to the engines that show it.
enum guiTree_Cmd : int32_t {
    guiTreeCmd_Select = 0,
    guiTreeCmd_Unselect = 1,
    guiTreeCmd_Over = 2,
    guiTreeCmd_EndOver = 3,
    guiTreeCmd_Expand = 4,
    guiTreeCmd_Collapse = 5,
    guiTreeCmd_MakeVisible = 6,
};

// The scope of IsChildCtrl questions between hosts and popups.
enum guiTreeRec : int32_t {
    guiTreeRec_Down = 1,
    guiTreeRec_Up = 2,
    guiTreeRec_Both = 3,
};

enum guiPopupDir : int32_t {
    guiPopupDir_Left = 0,
    guiPopupDir_Right = 1,
    guiPopupDir_Above = 2,
    guiPopupDir_Below = 3,
};

// The engine as its host drives it.
class GUIAPI sIguiTreeDraw {
public:
    // False when node is the root already.
    virtual bool SetRoot(IguiTreeNode* node);
    virtual bool GetRoot(guiTreeNodeRef* out);
    virtual bool SetCheckBoxes(bool on);
    virtual bool HasCheckBoxes();
    virtual bool SetCheckMode(guiNodeCheckMode mode);
    virtual guiNodeCheckMode GetCheckMode();
    virtual bool SetExpandedLevel(int level);
    virtual int GetExpandedLevel();
    virtual bool SetOnlyOneExpanded(bool only);
    virtual bool GetOnlyOneExpanded();
    virtual bool SetMouseTrack(guiMouseTrack track);
    virtual guiMouseTrack GetMouseTrack();
    virtual bool SetUserCanExpandAll(bool can);
    virtual bool GetUserCanExpandAll();
    virtual bool SetAspectName(const vbString& name);
    virtual vbString GetAspectName();
    // Tree rectangle in host client coordinates.
    virtual void Draw(const CRect& treeRect, CDC& dc, const CRect* clip);
    virtual void OnPostedUpdate();
    virtual void OnTimer();
    virtual void OnMouseMove(const CPoint& point, UINT flags);
    virtual void OnLButtonUp(const CPoint& point, UINT flags);
    virtual void OnLButtonDblClk(const CPoint& point, UINT flags);
    // identity receives the node under the point, else the engine.
    virtual vbString tcNeedToolTip(const CPoint& point, bool* shown, INT_PTR* identity);
    // A used character or key is set to 0.
    virtual void onChar(UINT& character);
    virtual void onKeyDown(UINT& key);
    virtual void MoveCursorToSelection();
    virtual bool OnContextMenu(const CPoint& point);
    virtual void Redraw(bool all);
    virtual void UpdateTree(bool all);
    virtual bool AskClose(bool wholeChain);
    virtual void CancelSelection();
    virtual void ClearSelection();
    virtual bool HasSelection();
    virtual void ClearOver();
    virtual bool SelectFirst();
    // The pointer is invalid afterwards.
    virtual void Destroy();
    virtual void Hide();
    virtual void PaintBack(CDC& dc, const CRect& rect);
    virtual const guiSurface& GetBack();
    virtual guiTreeAspectEngine& GetAspectEngine();
    virtual CPoint GetOffset();
    virtual bool SetOffset(const CPoint& offset, bool repaint);
    virtual CSize GetSize();
    virtual bool IsChildCtrl(HWND window);
    virtual bool SetTreeRect(const CRect& rect, bool repaint);
    // path: the target first, up to the item of the engine's own level (count entries).
    virtual bool PostCmd(guiTree_Cmd cmd, const guiTreeNodeRef* path, int count);
    virtual bool PostCmdNodes(guiTree_Cmd cmd, IguiTreeNode* const* path, int count);
    virtual bool GetSelected(guiTreeNodeRef* out, bool* helpPart);

protected:
    sIguiTreeDraw() = default;
    ~sIguiTreeDraw() = default;
};

// The engine as the nodes it shows reach it through their pointer links.
class GUIAPI sIguiTreeNodeDraw {
public:
    virtual bool PostCmd(guiTree_Cmd cmd, const guiTreeNodeRef* path, int count);
    virtual bool PostCmdNodes(guiTree_Cmd cmd, IguiTreeNode* const* path, int count);
    virtual sIguiTreeDraw* GetDraw();
    virtual bool IsSelected(IguiTreeNode* node);
    virtual bool IsOver(IguiTreeNode* node);
    virtual bool IsExpanded();

protected:
    sIguiTreeNodeDraw() = default;
    ~sIguiTreeNodeDraw() = default;
};

// The item events and the filter mask, the first operations of both sIguiTreeEvents and
// sIguiTreeMain. Item events carry a pass-to-root flag (the engines give false), the calling
// engine and whether the event is handled already; they answer whether it is handled now.
class GUIAPI sIguiTreeItemEvents {
public:
    virtual bool onItemChecked(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool* checked, bool engineHeld,
        bool handled);
    virtual bool onItemClicked(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled);
    virtual bool onItemDClicked(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled);
    virtual bool onItemSelected(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled);
    virtual bool onItemOver(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled);
    virtual bool onItemContextMenu(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart,
        bool handled);
    virtual bool onItemExpanded(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled);
    virtual bool onItemCollapsed(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled);
    virtual bool onItemParentExpanded(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled);
    virtual bool onItemParentCollapsed(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled);
    virtual LONG GetFilterMask();

protected:
    sIguiTreeItemEvents() = default;
    ~sIguiTreeItemEvents() = default;
};

// What an engine calls on its host.
class GUIAPI sIguiTreeEvents : public sIguiTreeItemEvents {
public:
    // treeRect receives the host's new tree rectangle.
    virtual bool onSizeChange(sIguiTreeDraw* draw, const CSize& size, CRect* treeRect);
    virtual void askOffsetChange(sIguiTreeDraw* draw, const CPoint& offset, const CSize& size, const CSize& visible);
    virtual void onToolTipChange(sIguiTreeDraw* draw);
    virtual void onTreeRootUpdate(sIguiTreeDraw* draw, bool reload);
    virtual void onTreeRootRedraw(sIguiTreeDraw* draw, bool all);
    virtual bool askCloseCtrl(sIguiTreeDraw* draw, bool wholeChain);
    // Null: no submenu.
    virtual guiPopupTreeCtrl* createPopupCtrl(sIguiTreeAspectEngine* aspectEngine);
    virtual void cancelScrollSelect();
    virtual bool onSelectLeft(sIguiTreeDraw* draw);
    virtual const CRect& getBackRect();
    virtual void onMouseMove(sIguiTreeDraw* draw, IguiTreeNode* node, guiTreeHit hit,
        const guiTreeAspectEngine& aspectEngine);
    virtual bool onPageUp(sIguiTreeDraw* draw);
    virtual bool onPageDn(sIguiTreeDraw* draw);
    virtual bool askStopCloseTimer(sIguiTreeDraw* draw);
    virtual bool askStartCloseTimer(sIguiTreeDraw* draw);
    // 0 or less: no limit from the host.
    virtual int GetWidthMax();

protected:
    sIguiTreeEvents() = default;
    ~sIguiTreeEvents() = default;
};

// The owner of a chain of popup tree controls (a tree control or a popup button).
class GUIAPI sIguiTreeMain : public sIguiTreeItemEvents {
public:
    virtual bool IsChildCtrl(HWND window, guiTreeRec rec);
    virtual bool GetRectPopupChanges(guiPopupTreeCtrl& popup, const CRect* anchor, CRect* out);
    virtual bool askSetFocus(guiPopupTreeCtrl& popup);
    virtual void onPopupClosed(guiPopupTreeCtrl& popup);
    virtual void onPopupOpened(guiPopupTreeCtrl& popup);
    virtual bool onSelectLeftChild(guiPopupTreeCtrl& popup, sIguiTreeDraw* draw);
    virtual bool onChangePopupSize(guiPopupDir dir, CRect& rect);

protected:
    sIguiTreeMain() = default;
    ~sIguiTreeMain() = default;
};
