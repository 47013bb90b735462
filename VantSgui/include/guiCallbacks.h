#pragma once

// The event callback holders of the controls: each holds one target (a framework CObject, a
// vbBase or a vbObjectBase) and one of its member functions, or nothing. Calling an empty holder
// calls nothing and answers false.

#include "vbMemberCb.h"
#include "vbString.h"

#include "plat/afxgdi.h"
#include "plat/afxtypes.h"
#include "plat/types.h"

class TControl;
class guiDrawInfo;
class guiButton;
class guiTimerEvent;
class guiEdit;
class guiKBmanager;
struct guiKeysOpSt;
struct guiKeysCfgSt;
class guiMsButton;
class guiMsComboBox;
class guiMsEdit;
class guiMsListBox;
class guiMsTreeCtrl;
class guiMsTBbutton;
class sIguiTreeDraw;
class IguiTreeNode;
class guiPopupTreeCtrl;

#define GUI_CALLBACK(name, ...) \
    class name : public vbMemberCb<__VA_ARGS__> { \
    public: \
        using vbMemberCb::vbMemberCb; \
    }

// After a resize, with the rectangle inside the frame.
GUI_CALLBACK(guiRESIZECB, void, const CRect&);
// A mouse message and its client point; true: handled.
GUI_CALLBACK(guiMOUSECB, bool, TControl*, UINT, const CPoint&);
// The focus arrived, from the window given.
GUI_CALLBACK(guiFOCUSCB, bool, TControl*, HWND);
// Key code, repeat count and key flags, which the target may change.
GUI_CALLBACK(guiKEYCB, bool, TControl*, UINT&, UINT&, UINT&);
// false when the mouse entered, true when it left.
GUI_CALLBACK(guiMOUSEOVERCB, void, TControl*, bool);
GUI_CALLBACK(guiCLRATTRCB, void, TControl*, int);
// The parent's context, the child's and the device context.
GUI_CALLBACK(guiPRINTINFOCB, void, TControl*, const guiDrawInfo*, guiDrawInfo*, CDC*);

GUI_CALLBACK(guiBUTTONCB, bool, guiButton&);
GUI_CALLBACK(guiTIMERCB, void, guiTimerEvent&, DWORD);
GUI_CALLBACK(guiEDITtextCB, bool, guiEdit&, const vbString&);
GUI_CALLBACK(guiEDITcursorCB, bool, guiEdit&, int);
// shift, key, character, caret position.
GUI_CALLBACK(guiEDITfieldCB, bool, guiEdit&, bool, int, int, int);
GUI_CALLBACK(guiEDITpopupCB, bool, guiEdit&);
// The manager, the operation and the binding that fired it (or none).
GUI_CALLBACK(guiKEYSOPCB, bool, guiKBmanager&, guiKeysOpSt&, guiKeysCfgSt*);
GUI_CALLBACK(guiMSBUTTONCB, bool, guiMsButton&);
GUI_CALLBACK(guiMSCOMBOBOXCB, bool, guiMsComboBox&);
GUI_CALLBACK(guiMSEDITCB, bool, guiMsEdit&);
// item and the text to fill in.
GUI_CALLBACK(guiMSLISTBOXtipCB, bool, guiMsListBox&, int, vbString&);
GUI_CALLBACK(guiMSTREECLICKCB, bool, guiMsTreeCtrl&);
GUI_CALLBACK(guiMsTBCB, bool, guiMsTBbutton&);
// Tree item events: the draw engine, the item, the event's own arguments and whether it is handled.
// Click, double click, selection, hover and context menu: whether the help part was hit.
GUI_CALLBACK(guiTREESUBOPCB, bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool);
// Expanding and collapsing an item or its parent.
GUI_CALLBACK(guiTREEOPCB, bool, sIguiTreeDraw*, IguiTreeNode*, bool);
// The check state to set, and whether the engine holds it.
GUI_CALLBACK(guiTREECHECKCB, bool, sIguiTreeDraw*, IguiTreeNode*, bool*, bool, bool);
// A popup of the tree opened or closed.
GUI_CALLBACK(guiTREEPOPUPCB, bool, guiPopupTreeCtrl&);

#undef GUI_CALLBACK
