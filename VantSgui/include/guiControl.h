#pragma once

// TControl: the one interface through which the rest of the system reaches every control, own
// drawn or wrapping a built-in control; the small interfaces a control holds by pointer; and
// TControlBase, the state and behaviour every control shares whatever its window class.

#include "guiBase.h"
#include "guiCallbacks.h"
#include "guiCursor.h"
#include "guiExport.h"
#include "guiFont.h"
#include "guiKeys.h"
#include "guiPicture.h"
#include "guiSurface.h"

#include "vbBaseItf.h"
#include "vbColor.h"
#include "vbString.h"

#include "plat/afxgdi.h"
#include "plat/afxwin.h"
#include "plat/message.h"
#include "plat/types.h"

class guiApp;
class guiContainer;
class TControl;

// Applies attributes to controls and has a say in a child's drawing context.
class GUIAPI sIguiControler : public sIvbBase {
public:
    virtual bool ApplyAttrs(TControl* control);
    // True when it completed the child's context itself (the container is then not asked).
    virtual bool GetPrintInfo(TControl* control, const guiDrawInfo* parent, guiDrawInfo* child, CDC* dc);

protected:
    sIguiControler() = default;
    sIguiControler(const sIguiControler&) = default;
    sIguiControler& operator=(const sIguiControler&) = default;
    ~sIguiControler() = default;
};

// Consulted in the container's draw mode: whether the control may be moved, and sized by its
// borders. The controls that wrap built-in controls also let it adjust their creation.
class GUIAPI sIguiLayoutHelper : public sIvbBase {
public:
    virtual void PreCreateLayout(TControl* control, CREATESTRUCTA& cs);
    virtual bool IsLayoutMovable();
    virtual bool IsLayoutSizable();

protected:
    sIguiLayoutHelper() = default;
    sIguiLayoutHelper(const sIguiLayoutHelper&) = default;
    sIguiLayoutHelper& operator=(const sIguiLayoutHelper&) = default;
    ~sIguiLayoutHelper() = default;
};

// Sees a container's messages before it routes them; true: handled, with result.
class GUIAPI sIguiFilterMsg {
public:
    virtual bool FilterMsg(guiContainer* container, TControl* control, UINT& msg, WPARAM& wParam, LPARAM& lParam,
        LRESULT& result);

protected:
    sIguiFilterMsg() = default;
    sIguiFilterMsg(const sIguiFilterMsg&) = default;
    sIguiFilterMsg& operator=(const sIguiFilterMsg&) = default;
    ~sIguiFilterMsg() = default;
};

// The editing state of an application window: whether typing inserts.
class GUIAPI sIguiEditState {
public:
    virtual bool IsInsertMode();
    // Asks for a mode; answers the mode now in force.
    virtual bool SetInsertMode(bool insert);

protected:
    sIguiEditState() = default;
    sIguiEditState(const sIguiEditState&) = default;
    sIguiEditState& operator=(const sIguiEditState&) = default;
    ~sIguiEditState() = default;
};

// Interfaces the application may supply.
class GUIAPI sIguiControlArray {
protected:
    sIguiControlArray() = default;
    ~sIguiControlArray() = default;
};

// Hears which edit holds the caret, so that the application can follow the input focus.
class GUIAPI sIguiFocused {
public:
    virtual void OnCaretTaken(TControl* control);
    virtual void OnControlDestroyed(TControl* control);

protected:
    sIguiFocused() = default;
    ~sIguiFocused() = default;
};

struct guiControlerInfo {
    double m_dVal1 = 0.0;
    double m_dVal2 = 0.0;
    int32_t m_iVal = 1;
    DWORD m_dwVal = 0;
};

class GUIAPI TControl : public sIguiPaintLock, public cbIguiFontChanged {
public:
    // The application of the control's container; without a container null, or with must
    // vbEsys E_FAIL "TControl::GetApp() : no application defined".
    guiApp* GetApp(bool must);

    // Identity and window.
    virtual HWND tcGetHwnd();
    virtual CWnd* tcGetWnd();
    virtual bool tcOnCommand(UINT command, LRESULT& result);
    virtual bool tcOnNotify(NMHDR* header, LRESULT& result);
    virtual void tcDestroy();
    virtual void tcOnDestroy();

    // Callback holders, for the caller to assign.
    virtual guiRESIZECB& tcGetResizeCB();
    virtual guiMOUSECB& tcGetMouseMoveCB();
    virtual guiMOUSECB& tcGetMouseDownCB();
    virtual guiMOUSECB& tcGetMouseUpCB();
    virtual guiMOUSECB& tcGetMouseDblClkCB();
    virtual guiFOCUSCB& tcGetFocusCB();
    virtual guiKEYCB& tcGetKeyDownCB();
    virtual guiKEYCB& tcGetKeyUpCB();
    virtual guiKEYCB& tcGetCharCB();
    virtual guiMOUSEOVERCB& tcGetMouseOverCB();
    virtual guiMOUSEOVERCB& tcGetMouseOutCB();
    virtual guiCLRATTRCB& tcGetClrAttrCB();

    // Capture, focus, selection, caret and cursor.
    virtual CWnd* tcSetCapture();
    virtual void tcReleaseCapture();
    virtual void tcRestoreFocus();
    virtual void tcOnSelLoosed(TControl* selected);
    virtual void tcOnCaretLoosed(TControl* owner);
    virtual void tcOnCaretUpdated();
    virtual void tcSetMouseCursor(const guiCursor* cursor, bool update);
    virtual const guiCursor* tcGetMouseCursor();
    virtual guiCursor& tcGetCursor();
    virtual void tcUpdateMouseCursor();
    virtual void tcOnMouseOver();
    virtual void tcOnMouseOut();
    virtual sIguiLayoutHelper* tcGetLayoutHelper();
    virtual void tcSetLayoutHelper(sIguiLayoutHelper* helper);
    virtual void tcClear();
    virtual void tcSetToolTip(const vbString& text, bool update);
    virtual vbString tcGetToolTip();
    virtual void tcSetValueB(int value);
    virtual int tcGetValueC();
    virtual void tcSetValueC(int value);

    // Text, value and selection.
    virtual void tcSetCaption(const vbString& text);
    virtual vbString tcGetCaption();
    virtual void tcSetText(const vbString& text);
    virtual vbString tcGetText();
    virtual int tcGetValue();
    virtual void tcSetValue(int value);
    virtual void tcSetMaxLength(int length);
    virtual int tcGetMaxLength();
    virtual void tcSetSelStart(int start);
    virtual void tcSetSelLength(int length);
    virtual int tcGetSelStart();
    virtual int tcGetSelLength();
    virtual void tcSelClear();
    virtual vbString tcGetSelText();
    virtual void tcSetSelText(const vbString& text);
    virtual void tcSelAll();

    // Position and size, in the parent's client coordinates.
    virtual void tcSetWidth(double width);
    virtual double tcGetWidth();
    virtual void tcSetHeight(double height);
    virtual double tcGetHeight();
    virtual void tcSetTop(double top);
    virtual double tcGetTop();
    virtual void tcSetLeft(double left);
    virtual double tcGetLeft();
    virtual void tcSetWindowPos(int x, int y, int cx, int cy, UINT flags);
    virtual CRect& tcGetRect(CRect& rect, bool screen);
    virtual void tcSpare1(DWORD value);

    // Visibility, state, colours and frame.
    virtual bool tcSpare2();
    virtual void tcSetVisible(bool visible);
    virtual bool tcGetVisible();
    virtual void tcSetEnabled(bool enabled);
    virtual bool tcGetEnabled();
    virtual void tcBringToTop();
    virtual void tcSetBackColor(const vbColor& color);
    virtual void tcSetBackColor(DWORD color);
    virtual const vbColor& tcGetBackColor();
    virtual void tcSetTextColor(const vbColor& color);
    virtual void tcSetTextColor(DWORD color);
    virtual const vbColor& tcGetTextColor();
    virtual bool tcHasDefaultColors();
    virtual void tcSetBorderStyle(guiBorderStyle style);
    virtual guiBorderStyle tcGetBorderStyle();
    virtual void tcSetAppearStyle(guiAppearStyle style);
    virtual guiAppearStyle tcGetAppearStyle();
    virtual guiFont& tcGetFont();
    virtual guiSurface& tcGetBackSurface();

    // Container, controller and stored values.
    virtual void tcSetContainer(guiContainer* container);
    virtual guiContainer* tcGetContainer();
    virtual const guiContainer* tcGetContainer() const;
    virtual void tcSetControler(sIguiControler* controler);
    virtual sIguiControler* tcGetControler();
    virtual void tcSetHelper(sIvbBase* helper);
    virtual sIvbBase* tcGetHelper();
    virtual vbString tcGetString2();
    virtual void tcSetString2(const vbString& text);
    virtual int tcGetValueA();
    virtual void tcSetValueA(int value);
    virtual void tcSetClrAttr(int attr);
    virtual void tcSetValueF(int value);
    virtual void tcSetValueG(int value);
    virtual void tcSetValueD(int value);
    virtual void tcSetValueE(int value);
    virtual void tcSetValueH(int value);
    virtual void tcSetValueI(int value);
    virtual double tcGetReal();
    virtual void tcSetReal(double value);
    virtual void tcSetValueJ(int value);
    virtual int tcGetValueJ();
    virtual int tcGetClrAttr();
    virtual int tcGetValueF();
    virtual int tcGetValueG();
    virtual int tcGetValueD();
    virtual int tcGetValueE();
    virtual int tcGetValueH();
    virtual int tcGetValueI();
    virtual bool tcApplyAttrs();
    virtual void tcApplyClrAttr(bool force);
    virtual void tcSetPicture(const guiPicture& picture);
    virtual guiPicture tcGetPicture();
    virtual bool tcIsTextProtected();
    virtual void tcSetFocus();

    // Printing, frame and window queries.
    virtual void tcPrint(guiDrawInfo* info, CDC* dc, bool erase);
    virtual void tcPrintChildren(guiDrawInfo* info, CDC& dc, bool erase);
    virtual CRect tcGetClientRect();
    virtual bool tcClipFrame(guiDrawInfo* info, CDC* dc, bool exclude);
    virtual void tcGetPrintInfo(const guiDrawInfo* parent, guiDrawInfo* child, CDC* dc);
    virtual guiPRINTINFOCB& tcGetPrintInfoCB();
    virtual DWORD tcGetStyle();
    virtual bool tcIsLayoutMovable();
    virtual bool tcIsLayoutSizable();
    virtual int tcGetHitCode();
    virtual void tcSetHitCode(int code);
    virtual int tcGetCursorHitCode();
    virtual void tcSetCursorHitCode(int code);
    virtual vbString tcNeedToolTip(const CPoint& point, bool* track, int* delay);
    virtual bool tcHasToolTip();
    virtual void tcSetVoidChar(char c);
    virtual bool tcIsAppActive();
    virtual bool tcIsAppFocused();
    virtual bool tcHasFocus();
    virtual guiKeyCtx tcGetKeyCtx();
    virtual DWORD tcGetKeyState(int vk);
    virtual void tcSetModified(bool modified);
    virtual bool tcGetModified();
    virtual bool tcIsMouseToTrack();

    virtual ~TControl();

protected:
    TControl() = default;
    TControl(const TControl&) = default;
    TControl& operator=(const TControl&) = default;
};

// Everything a control is, but its window class: the fields and the behaviour of every TControl
// operation, on the control's window. TControlTemplate<T> joins it to the window class T.
class GUIAPI TControlBase : public TControl, public cbIguiSurfaceChanged {
public:
    ~TControlBase() override;
    TControlBase(const TControlBase&) = delete;
    TControlBase& operator=(const TControlBase&) = delete;

    // Window side: extra creation style bits, the client painting into a device context, and a
    // last look at a message before the window class's own procedure (true: handled).
    virtual int tcGetCreationStyle();
    virtual void tcPrintClient(guiDrawInfo* info, CDC* dc, bool erase);
    virtual bool onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result);
    // Paints the client area for WM_PRINTCLIENT.
    virtual void ClientPrint(guiDrawInfo* info, CDC* dc);

    // After the window class's handling of WM_SIZE: the resize callback with the rectangle
    // inside the frame, when the frame leaves one.
    void onResized();

    void onFontChanged(guiFont* font) override;
    void onSurfaceChanged(guiSurface* surface) override;

    void LockPaint() override;
    void UnlockPaint() override;
    HWND tcGetHwnd() override;
    CWnd* tcGetWnd() override;
    bool tcOnCommand(UINT command, LRESULT& result) override;
    bool tcOnNotify(NMHDR* header, LRESULT& result) override;
    void tcDestroy() override;
    void tcOnDestroy() override;
    guiRESIZECB& tcGetResizeCB() override { return m_resizeCB; }
    guiMOUSECB& tcGetMouseMoveCB() override { return m_mouseMoveCB; }
    guiMOUSECB& tcGetMouseDownCB() override { return m_mouseDownCB; }
    guiMOUSECB& tcGetMouseUpCB() override { return m_mouseUpCB; }
    guiMOUSECB& tcGetMouseDblClkCB() override { return m_mouseDblClkCB; }
    guiFOCUSCB& tcGetFocusCB() override { return m_focusCB; }
    guiKEYCB& tcGetKeyDownCB() override { return m_keyDownCB; }
    guiKEYCB& tcGetKeyUpCB() override { return m_keyUpCB; }
    guiKEYCB& tcGetCharCB() override { return m_charCB; }
    guiMOUSEOVERCB& tcGetMouseOverCB() override { return m_mouseOverCB; }
    guiMOUSEOVERCB& tcGetMouseOutCB() override { return m_mouseOutCB; }
    guiCLRATTRCB& tcGetClrAttrCB() override { return m_clrAttrCB; }
    CWnd* tcSetCapture() override;
    void tcReleaseCapture() override;
    void tcRestoreFocus() override;
    void tcOnSelLoosed(TControl* selected) override;
    void tcOnCaretLoosed(TControl* owner) override;
    void tcOnCaretUpdated() override;
    void tcSetMouseCursor(const guiCursor* cursor, bool update) override;
    const guiCursor* tcGetMouseCursor() override;
    guiCursor& tcGetCursor() override { return m_cursor; }
    void tcUpdateMouseCursor() override;
    void tcOnMouseOver() override;
    void tcOnMouseOut() override;
    sIguiLayoutHelper* tcGetLayoutHelper() override { return m_pLayoutHelper; }
    void tcSetLayoutHelper(sIguiLayoutHelper* helper) override { m_pLayoutHelper = helper; }
    void tcClear() override;
    void tcSetToolTip(const vbString& text, bool update) override;
    vbString tcGetToolTip() override { return m_toolTip; }
    void tcSetValueB(int value) override { m_valueB = value; }
    int tcGetValueC() override { return m_valueC; }
    void tcSetValueC(int value) override { m_valueC = value; }
    void tcSetCaption(const vbString& text) override;
    vbString tcGetCaption() override;
    void tcSetText(const vbString& text) override;
    vbString tcGetText() override;
    int tcGetValue() override;
    void tcSetValue(int value) override;
    void tcSetMaxLength(int length) override;
    int tcGetMaxLength() override;
    void tcSetSelStart(int start) override;
    void tcSetSelLength(int length) override;
    int tcGetSelStart() override;
    int tcGetSelLength() override;
    void tcSelClear() override;
    vbString tcGetSelText() override;
    void tcSetSelText(const vbString& text) override;
    void tcSelAll() override;
    void tcSetWidth(double width) override;
    double tcGetWidth() override;
    void tcSetHeight(double height) override;
    double tcGetHeight() override;
    void tcSetTop(double top) override;
    double tcGetTop() override;
    void tcSetLeft(double left) override;
    double tcGetLeft() override;
    void tcSetWindowPos(int x, int y, int cx, int cy, UINT flags) override;
    CRect& tcGetRect(CRect& rect, bool screen) override;
    void tcSpare1(DWORD value) override;
    bool tcSpare2() override;
    void tcSetVisible(bool visible) override;
    bool tcGetVisible() override;
    void tcSetEnabled(bool enabled) override;
    bool tcGetEnabled() override;
    void tcBringToTop() override;
    void tcSetBackColor(const vbColor& color) override;
    void tcSetBackColor(DWORD color) override;
    const vbColor& tcGetBackColor() override;
    void tcSetTextColor(const vbColor& color) override;
    void tcSetTextColor(DWORD color) override;
    const vbColor& tcGetTextColor() override { return m_textColor; }
    bool tcHasDefaultColors() override { return m_bDefaultColors; }
    void tcSetBorderStyle(guiBorderStyle style) override;
    guiBorderStyle tcGetBorderStyle() override { return m_borderStyle; }
    void tcSetAppearStyle(guiAppearStyle style) override;
    guiAppearStyle tcGetAppearStyle() override { return m_appearStyle; }
    guiFont& tcGetFont() override { return m_font; }
    guiSurface& tcGetBackSurface() override { return m_backSurface; }
    void tcSetContainer(guiContainer* container) override;
    guiContainer* tcGetContainer() override { return m_pContainer; }
    const guiContainer* tcGetContainer() const override { return m_pContainer; }
    void tcSetControler(sIguiControler* controler) override { m_pControler = controler; }
    sIguiControler* tcGetControler() override { return m_pControler; }
    void tcSetHelper(sIvbBase* helper) override { m_pHelper = helper; }
    sIvbBase* tcGetHelper() override { return m_pHelper; }
    vbString tcGetString2() override { return m_string2; }
    void tcSetString2(const vbString& text) override { m_string2 = text; }
    int tcGetValueA() override { return m_valueA; }
    void tcSetValueA(int value) override { m_valueA = value; }
    void tcSetClrAttr(int attr) override;
    void tcSetValueF(int value) override { m_valueF = value; }
    void tcSetValueG(int value) override { m_valueG = value; }
    void tcSetValueD(int value) override { m_valueD = value; }
    void tcSetValueE(int value) override { m_valueE = value; }
    void tcSetValueH(int value) override { m_valueH = value; }
    void tcSetValueI(int value) override { m_valueI = value; }
    double tcGetReal() override { return m_real; }
    void tcSetReal(double value) override { m_real = value; }
    void tcSetValueJ(int value) override { m_valueJ = value; }
    int tcGetValueJ() override { return m_valueJ; }
    int tcGetClrAttr() override { return m_clrAttr; }
    int tcGetValueF() override { return m_valueF; }
    int tcGetValueG() override { return m_valueG; }
    int tcGetValueD() override { return m_valueD; }
    int tcGetValueE() override { return m_valueE; }
    int tcGetValueH() override { return m_valueH; }
    int tcGetValueI() override { return m_valueI; }
    bool tcApplyAttrs() override;
    void tcApplyClrAttr(bool force) override;
    void tcSetPicture(const guiPicture&) override { }
    guiPicture tcGetPicture() override { return guiPicture(); }
    bool tcIsTextProtected() override;
    void tcSetFocus() override;
    void tcPrint(guiDrawInfo* info, CDC* dc, bool erase) override;
    void tcPrintChildren(guiDrawInfo* info, CDC& dc, bool erase) override;
    CRect tcGetClientRect() override;
    bool tcClipFrame(guiDrawInfo* info, CDC* dc, bool exclude) override;
    void tcGetPrintInfo(const guiDrawInfo* parent, guiDrawInfo* child, CDC* dc) override;
    guiPRINTINFOCB& tcGetPrintInfoCB() override { return m_printInfoCB; }
    DWORD tcGetStyle() override;
    bool tcIsLayoutMovable() override;
    bool tcIsLayoutSizable() override;
    int tcGetHitCode() override { return m_hitCode; }
    void tcSetHitCode(int code) override { m_hitCode = code; }
    int tcGetCursorHitCode() override { return m_cursorHitCode; }
    void tcSetCursorHitCode(int code) override { m_cursorHitCode = code; }
    vbString tcNeedToolTip(const CPoint& point, bool* track, int* delay) override;
    bool tcHasToolTip() override;
    void tcSetVoidChar(char c) override;
    bool tcIsAppActive() override;
    bool tcIsAppFocused() override;
    bool tcHasFocus() override;
    guiKeyCtx tcGetKeyCtx() override;
    DWORD tcGetKeyState(int vk) override;
    void tcSetModified(bool modified) override;
    bool tcGetModified() override;
    bool tcIsMouseToTrack() override;

protected:
    // wnd is the control's own window part.
    explicit TControlBase(CWnd& wnd);
    // The corner diameter of the rounded frames.
    int frameWidth() const { return m_frameWidth; }
    // WM_PRINTCLIENT for a control that paints itself whole: ClientPrint inside the draw info's
    // scaling, without the template's surface and colour swaps.
    void printOwnLook(guiDrawInfo* info, CDC* dc);

    // The container of the controls this control hosts, offered every message first; none here.
    virtual guiContainer* tcGetHostedContainer();
    // The window class's own procedure and window creation.
    virtual LRESULT classWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual BOOL classCreate(DWORD style, const RECT& rect, CWnd* parent);

    // The procedure every control's window runs; see the container's dispatch.
    LRESULT controlWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // The procedure of a control wrapping a built-in control: the same without hosted children
    // and own printing, with wrapperStep before the class procedure; an exception is shown under
    // the wrapper's source name and line, and the message answers 0.
    LRESULT wrapperWindowProc(UINT msg, WPARAM wParam, LPARAM lParam, const char* source, int line);
    // A wrapper's own look at a message that onWindowProc left; true: handled, with result.
    virtual bool wrapperStep(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // A message a wrapper takes before its container and onWindowProc see it; true: handled.
    virtual bool wrapperOwnStep(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Lets the layout helper, when there is one, adjust the creation of a wrapper's window.
    void layoutPreCreate(CREATESTRUCTA& cs);
    // Attaches to container and creates the window in its window; detached again on any error.
    void create(guiContainer* container, const RECT& rect, bool visible, bool enabled);

    void setFrameWidth(int width) { m_frameWidth = width; }

private:
    LRESULT guardedWindowProc(UINT msg, WPARAM wParam, LPARAM lParam, bool wrapped, const char* source, int line);
    LRESULT dispatch(UINT msg, WPARAM wParam, LPARAM lParam, bool wrapped);

    CWnd& m_wnd;
    guiRESIZECB m_resizeCB;
    guiMOUSECB m_mouseMoveCB;
    guiMOUSECB m_mouseDownCB;
    guiMOUSECB m_mouseUpCB;
    guiMOUSECB m_mouseDblClkCB;
    guiFOCUSCB m_focusCB;
    guiKEYCB m_keyDownCB;
    guiKEYCB m_keyUpCB;
    guiKEYCB m_charCB;
    guiMOUSEOVERCB m_mouseOverCB;
    guiMOUSEOVERCB m_mouseOutCB;
    guiCLRATTRCB m_clrAttrCB;
    guiPRINTINFOCB m_printInfoCB;
    vbString m_toolTip;
    vbString m_string2;
    int32_t m_valueA = -1;
    int32_t m_valueB = 0;
    int32_t m_valueC = -1;
    int32_t m_clrAttr = 0;
    int32_t m_appliedClrAttr = -1;
    int32_t m_valueD = 1;
    int32_t m_valueE = 1;
    int32_t m_valueF = 0;
    int32_t m_valueG = 0;
    int32_t m_valueH = 1;
    int32_t m_valueI = 1;
    double m_real = 0.0;
    int32_t m_valueJ = 0;
    guiContainer* m_pContainer = nullptr;
    sIguiControler* m_pControler = nullptr;
    sIvbBase* m_pHelper = nullptr;
    sIguiLayoutHelper* m_pLayoutHelper = nullptr;
    int32_t m_hitCode = -2;
    int32_t m_cursorHitCode = -2;
    guiBorderStyle m_borderStyle = 1;
    guiAppearStyle m_appearStyle = 1;
    int32_t m_frameWidth = 5;
    guiSurface m_backSurface;
    vbColor m_textColor;
    bool m_bDefaultColors = true;
    guiFont m_font;
    guiPaintShare m_paintShare;
    const guiCursor* m_pMouseCursor = nullptr;
    guiCursor m_cursor;
};
