#pragma once

// The framework's window object. A CWnd made with CreateEx is attached to its window before the
// window's first message (WM_NCCREATE) and sees every message through WindowProc; it detaches
// itself after WM_NCDESTROY and then calls PostNcDestroy, where a window object that lives on
// the heap may delete itself.
//
// A message goes first to the class's WindowProc override, then through CWnd::WindowProc to the
// message maps, most derived first, and last to DefWindowProc: the procedure the window had
// before (a built-in control's), else DefWindowProcA. The base On... handlers pass the message
// being handled on with Default().
//
// WM_COMMAND, WM_NOTIFY and WM_CTLCOLOR* from a child that has a permanent window object go to
// that child's own map first, as WM_REFLECT_BASE + message; what it does not take goes to the
// parent's entries.

#include "plat/afxcmd.h"
#include "plat/afxgdi.h"
#include "plat/afxthread.h"
#include "plat/afxtypes.h"
#include "plat/commctrl.h"
#include "plat/controls.h"
#include "plat/focus.h"
#include "plat/menu.h"
#include "plat/resource.h"
#include "plat/paint.h"
#include "plat/timer.h"
#include "plat/window.h"

class CMenu;

class PLATAPI CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd();
    // A window still attached is destroyed with its object.
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd;

    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // Fills a CREATESTRUCTA, lets PreCreateWindow change it (a FALSE answer calls PostNcDestroy
    // and fails) and creates the window with this object attached. A null class name takes the
    // framework's own class. When creation fails before the window existed, PostNcDestroy is
    // called here; after that, the window's WM_NCDESTROY has called it.
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x, int y,
        int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
        CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
    // A child window (WS_CHILD is added) with id nID.
    virtual BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
        CWnd* pParentWnd, UINT nID);
    virtual BOOL DestroyWindow();

    // The window object of a handle: the attached one, or a temporary object of the calling
    // thread that lasts while the window does. Null for a null handle.
    static CWnd* FromHandle(HWND hWnd);
    // The attached object only, else null.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // Drops the calling thread's temporary objects of windows that are gone.
    static void DeleteTempMap();
    // The window's system menu (bRevert TRUE: dropped, null); a temporary object.
    CMenu* GetSystemMenu(BOOL bRevert) const;
    // Attaches an existing window without taking over its messages.
    BOOL Attach(HWND hWndNew);
    HWND Detach();
    // Attaches an existing window and takes over its messages; they reach its old procedure
    // through DefWindowProc.
    BOOL SubclassWindow(HWND hWnd);

    // Called by CreateEx before the window exists; the framework's own fills in its class.
    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);
    // A queued message before it is translated and dispatched; TRUE when it was dealt with.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // PreTranslateMessage of the message's window and of its parents up to its top-level window,
    // until one deals with it: a message loop's, whichever window it is for (a modeless dialog's
    // keys while another window's modal loop runs).
    static BOOL WalkPreTranslateTree(MSG* pMsg);

    // Relations and identity.
    CWnd* GetParent() const;
    CWnd* GetDlgItem(int nID) const;
    int GetDlgCtrlID() const;
    BOOL IsChild(const CWnd* pWnd) const;
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    // Removes then adds style bits; nFlags non-zero also calls SetWindowPos with them so that the
    // frame is recomputed. FALSE when nothing changed.
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);

    // Text.
    void SetWindowText(LPCSTR lpszString);
    int GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const;
    int GetWindowTextLength() const;
    void SetDlgItemText(int nID, LPCSTR lpszString);
    UINT GetDlgItemText(int nID, LPSTR lpStr, int nMaxCount) const;

    // Geometry.
    void GetWindowRect(LPRECT lpRect) const;
    void GetClientRect(LPRECT lpRect) const;
    void ClientToScreen(LPPOINT lpPoint) const;
    void ClientToScreen(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const;
    void ScreenToClient(LPRECT lpRect) const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);

    // Showing and enabling.
    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    BOOL IsIconic() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL BringWindowToTop();

    // Painting.
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    void ValidateRect(LPCRECT lpRect);
    void UpdateWindow();
    BOOL RedrawWindow(LPCRECT lpRectUpdate = nullptr, CRgn* prgnUpdate = nullptr,
        UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    // A temporary device context object of the window's client area; give it back with ReleaseDC.
    CDC* GetDC();
    CDC* GetWindowDC();
    int ReleaseDC(CDC* pDC);

    // Focus, activation and capture.
    CWnd* SetFocus();
    static CWnd* GetFocus();
    CWnd* SetActiveWindow();
    BOOL SetForegroundWindow();
    CWnd* SetCapture();
    static CWnd* GetCapture();

    // Messages and timers.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr);
    BOOL KillTimer(UINT_PTR nIDEvent);

    // Font and icons, through WM_SETFONT / WM_GETFONT and WM_SETICON / WM_GETICON.
    void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
    CFont* GetFont() const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HICON GetIcon(BOOL bBigIcon) const;

    // Asks the children's objects to reflect a notification; TRUE when the child took it.
    static BOOL ReflectLastMsg(HWND hWndChild, LRESULT* pResult = nullptr);

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The message maps' share of WindowProc: TRUE when an entry took the message.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // WM_COMMAND: reflected to the control, else offered to OnCmdMsg.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // WM_NOTIFY: reflected to the control, else this window's WM_NOTIFY entries.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // A notification this window sent to its parent, offered back to it.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // The procedure the window had before this object took it over, else DefWindowProcA.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The message being handled on this thread, passed to DefWindowProc.
    LRESULT Default();
    virtual void PostNcDestroy();

    // The base handlers: each passes its message on with Default().
    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    void OnDestroy();
    void OnNcDestroy();
    void OnClose();
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnSize(UINT nType, int cx, int cy);
    void OnMove(int x, int y);
    void OnTimer(UINT_PTR nIDEvent);
    void OnSetFocus(CWnd* pOldWnd);
    void OnKillFocus(CWnd* pNewWnd);
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    void OnEnable(BOOL bEnable);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnRButtonDown(UINT nFlags, CPoint point);
    void OnRButtonUp(UINT nFlags, CPoint point);
    void OnRButtonDblClk(UINT nFlags, CPoint point);
    void OnMButtonDown(UINT nFlags, CPoint point);
    void OnMButtonUp(UINT nFlags, CPoint point);
    BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
    int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
    void OnCaptureChanged(CWnd* pWnd);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    UINT OnGetDlgCode();
    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnSysCommand(UINT nID, LPARAM lParam);
    HCURSOR OnQueryDragIcon();
    void OnContextMenu(CWnd* pWnd, CPoint pos);
    LRESULT OnNcHitTest(CPoint point);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

    WNDPROC m_pfnSuper;

private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend struct CWndAccess;
    friend struct CWndReflect;
};

// WM_CTLCOLOR* as the index that OnCtlColor receives.
#define CTLCOLOR_MSGBOX 0
#define CTLCOLOR_EDIT 1
#define CTLCOLOR_LISTBOX 2
#define CTLCOLOR_BTN 3
#define CTLCOLOR_DLG 4
#define CTLCOLOR_SCROLLBAR 5
#define CTLCOLOR_STATIC 6

// The window procedure of every window a CWnd took over.
PLATAPI LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

// The entries of the window messages, each bound to its handler's usual name and signature.
#define AFX_ON_VOID(message, memberFxn, signature, ...) \
    {message, 0, 0, 0, AFX_ADAPTER((self_->*AFX_HANDLER(memberFxn, signature))(__VA_ARGS__); return TRUE;)},
#define AFX_ON_RESULT(message, memberFxn, signature, ...) \
    {message, 0, 0, 0, AFX_ADAPTER(*pResult_ = LRESULT((self_->*AFX_HANDLER(memberFxn, signature))(__VA_ARGS__)); return TRUE;)},
#define AFX_ON_MOUSE(message, memberFxn) \
    AFX_ON_VOID(message, memberFxn, void (ThisClass::*)(UINT, CPoint), UINT(wParam_), CPoint(lParam_))
#define AFX_ON_KEY(message, memberFxn) \
    AFX_ON_VOID(message, memberFxn, void (ThisClass::*)(UINT, UINT, UINT), UINT(wParam_), UINT(LOWORD(lParam_)), UINT(HIWORD(lParam_)))
#define AFX_WND(h) CWnd::FromHandle(reinterpret_cast<HWND>(h))

#define ON_WM_CREATE() \
    AFX_ON_RESULT(WM_CREATE, OnCreate, int (ThisClass::*)(LPCREATESTRUCTA), reinterpret_cast<LPCREATESTRUCTA>(lParam_))
#define ON_WM_DESTROY() AFX_ON_VOID(WM_DESTROY, OnDestroy, void (ThisClass::*)())
#define ON_WM_NCDESTROY() AFX_ON_VOID(WM_NCDESTROY, OnNcDestroy, void (ThisClass::*)())
#define ON_WM_CLOSE() AFX_ON_VOID(WM_CLOSE, OnClose, void (ThisClass::*)())
#define ON_WM_PAINT() AFX_ON_VOID(WM_PAINT, OnPaint, void (ThisClass::*)())
#define ON_WM_ERASEBKGND() \
    AFX_ON_RESULT(WM_ERASEBKGND, OnEraseBkgnd, BOOL (ThisClass::*)(CDC*), CDC::FromHandle(reinterpret_cast<HDC>(wParam_)))
#define ON_WM_SIZE() \
    AFX_ON_VOID(WM_SIZE, OnSize, void (ThisClass::*)(UINT, int, int), UINT(wParam_), int(short(LOWORD(lParam_))), int(short(HIWORD(lParam_))))
#define ON_WM_MOVE() \
    AFX_ON_VOID(WM_MOVE, OnMove, void (ThisClass::*)(int, int), int(short(LOWORD(lParam_))), int(short(HIWORD(lParam_))))
#define ON_WM_TIMER() AFX_ON_VOID(WM_TIMER, OnTimer, void (ThisClass::*)(UINT_PTR), UINT_PTR(wParam_))
#define ON_WM_SETFOCUS() AFX_ON_VOID(WM_SETFOCUS, OnSetFocus, void (ThisClass::*)(CWnd*), AFX_WND(wParam_))
#define ON_WM_KILLFOCUS() AFX_ON_VOID(WM_KILLFOCUS, OnKillFocus, void (ThisClass::*)(CWnd*), AFX_WND(wParam_))
#define ON_WM_ACTIVATE() \
    AFX_ON_VOID(WM_ACTIVATE, OnActivate, void (ThisClass::*)(UINT, CWnd*, BOOL), UINT(LOWORD(wParam_)), AFX_WND(lParam_), BOOL(HIWORD(wParam_) != 0))
#define ON_WM_ENABLE() AFX_ON_VOID(WM_ENABLE, OnEnable, void (ThisClass::*)(BOOL), BOOL(wParam_))
#define ON_WM_MOUSEMOVE() AFX_ON_MOUSE(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_ON_MOUSE(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_ON_MOUSE(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_ON_MOUSE(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_ON_MOUSE(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_ON_MOUSE(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() AFX_ON_MOUSE(WM_RBUTTONDBLCLK, OnRButtonDblClk)
#define ON_WM_MBUTTONDOWN() AFX_ON_MOUSE(WM_MBUTTONDOWN, OnMButtonDown)
#define ON_WM_MBUTTONUP() AFX_ON_MOUSE(WM_MBUTTONUP, OnMButtonUp)
#define ON_WM_MOUSEWHEEL() \
    AFX_ON_RESULT(WM_MOUSEWHEEL, OnMouseWheel, BOOL (ThisClass::*)(UINT, short, CPoint), UINT(LOWORD(wParam_)), short(HIWORD(wParam_)), CPoint(lParam_))
#define ON_WM_MOUSEACTIVATE() \
    AFX_ON_RESULT(WM_MOUSEACTIVATE, OnMouseActivate, int (ThisClass::*)(CWnd*, UINT, UINT), AFX_WND(wParam_), UINT(LOWORD(lParam_)), UINT(HIWORD(lParam_)))
#define ON_WM_CAPTURECHANGED() AFX_ON_VOID(WM_CAPTURECHANGED, OnCaptureChanged, void (ThisClass::*)(CWnd*), AFX_WND(lParam_))
#define ON_WM_CHAR() AFX_ON_KEY(WM_CHAR, OnChar)
#define ON_WM_KEYDOWN() AFX_ON_KEY(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() AFX_ON_KEY(WM_KEYUP, OnKeyUp)
#define ON_WM_GETDLGCODE() AFX_ON_RESULT(WM_GETDLGCODE, OnGetDlgCode, UINT (ThisClass::*)())
#define ON_WM_SHOWWINDOW() \
    AFX_ON_VOID(WM_SHOWWINDOW, OnShowWindow, void (ThisClass::*)(BOOL, UINT), BOOL(wParam_), UINT(lParam_))
#define ON_WM_SYSCOMMAND() \
    AFX_ON_VOID(WM_SYSCOMMAND, OnSysCommand, void (ThisClass::*)(UINT, LPARAM), UINT(wParam_), lParam_)
#define ON_WM_QUERYDRAGICON() AFX_ON_RESULT(WM_QUERYDRAGICON, OnQueryDragIcon, HCURSOR (ThisClass::*)())
#define ON_WM_CONTEXTMENU() \
    AFX_ON_VOID(WM_CONTEXTMENU, OnContextMenu, void (ThisClass::*)(CWnd*, CPoint), AFX_WND(wParam_), CPoint(lParam_))
#define ON_WM_NCHITTEST() AFX_ON_RESULT(WM_NCHITTEST, OnNcHitTest, LRESULT (ThisClass::*)(CPoint), CPoint(lParam_))
#define ON_WM_SETCURSOR() \
    AFX_ON_RESULT(WM_SETCURSOR, OnSetCursor, BOOL (ThisClass::*)(CWnd*, UINT, UINT), AFX_WND(wParam_), UINT(LOWORD(lParam_)), UINT(HIWORD(lParam_)))
// Every WM_CTLCOLOR* message; the handler's brush is the answer.
#define ON_WM_CTLCOLOR() \
    AFX_ON_RESULT(WM_CTLCOLOR, OnCtlColor, HBRUSH (ThisClass::*)(CDC*, CWnd*, UINT), \
        CDC::FromHandle(reinterpret_cast<HDC>(wParam_)), AFX_WND(lParam_), nMsg_ - WM_CTLCOLORMSGBOX)
// A control's own colours: a null brush leaves the message to the parent.
#define ON_WM_CTLCOLOR_REFLECT() \
    {WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, 0, AFX_ADAPTER( \
        HBRUSH brush_ = (self_->*AFX_HANDLER(CtlColor, HBRUSH (ThisClass::*)(CDC*, UINT)))( \
            CDC::FromHandle(reinterpret_cast<HDC>(wParam_)), nMsg_ - WM_REFLECT_BASE - WM_CTLCOLORMSGBOX); \
        *pResult_ = LRESULT(brush_); return brush_ != nullptr;)},

// Sets the object that the next window made on this thread is attached to, before its first
// message; cleared by that window or by AfxUnhookWindowCreate.
PLATAPI void AfxHookWindowCreate(CWnd* pWnd);
// TRUE when the hooked object was attached to a window since AfxHookWindowCreate.
PLATAPI BOOL AfxUnhookWindowCreate();

// What DoDataExchange moves, and which way.
class PLATAPI CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// RunModalLoop's flags.
#define MLF_NOIDLEMSG 0x0001
#define MLF_NOKICKIDLE 0x0002
#define MLF_SHOWONIDLE 0x0004

#define ID_HELP 0xE146

// A dialog made from a template resource. DoModal runs it modally under its parent (else the
// application's main window); Create makes it modeless. OK and Cancel end a modal dialog with
// IDOK and IDCANCEL.
class PLATAPI CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    explicit CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    LPCSTR m_lpszTemplateName;
    CWnd* m_pParentWnd;
    int m_nModalResult;

    // -1 when the template is missing or the dialog cannot be made.
    virtual INT_PTR DoModal();
    BOOL Create(LPCSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // Ends a modal dialog with nResult (the loop ends; the dialog is destroyed by DoModal).
    void EndDialog(int nResult);

    // Until EndModalLoop: idle WM_ENTERIDLE to the owner (not with MLF_NOIDLEMSG), shown at the
    // first idle with MLF_SHOWONIDLE; WM_QUIT ends it with -1 and stays queued.
    virtual int RunModalLoop(DWORD dwFlags = 0);
    virtual BOOL ContinueModal();
    virtual void EndModalLoop(int nResult);

    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    BOOL PreTranslateMessage(MSG* pMsg) override;

    virtual BOOL OnInitDialog();

protected:
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);
    // Commands the dialog does not handle go to the application.
    BOOL OnCmdMsg(UINT nID, int nCode, LPARAM lParam, LRESULT* pResult) override;

    BOOL CreateFromTemplate(HWND hWndOwner);

    DECLARE_MESSAGE_MAP()

private:
    bool m_inModalLoop = false;
};

// The application: one object per program, made before AfxWinMain runs it.
class PLATAPI CWinApp : public CWinThread {
    DECLARE_DYNAMIC(CWinApp)
public:
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    ~CWinApp() override;

    LPCSTR m_pszAppName;
    HINSTANCE m_hInstance;
    // The program's arguments joined by blanks.
    LPSTR m_lpCmdLine;
    int m_nCmdShow;

    // The framework's default answers TRUE.
    BOOL InitInstance() override;
    int ExitInstance() override;
    // The message loop: OnIdle with a rising count while the queue is empty, until it answers
    // FALSE; each message passes PreTranslateMessage first. Without a main window it ends at once.
    int Run() override;
    // The base drops the thread's temporary framework objects and answers FALSE.
    virtual BOOL OnIdle(LONG lCount);
    // Offers the message to its window and that window's parents.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    BOOL Enable3dControls() { return TRUE; }
    void OnHelp() {}

    DECLARE_MESSAGE_MAP()
};

PLATAPI CWinApp* AfxGetApp();
PLATAPI CWnd* AfxGetMainWnd();
PLATAPI HINSTANCE AfxGetInstanceHandle();
PLATAPI HINSTANCE AfxGetResourceHandle();
// The module holding a resource: the program's resources, then the libraries of the chain.
PLATAPI HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);
// COM for the calling thread; FALSE when it cannot start.
PLATAPI BOOL AfxOleInit();
PLATAPI void AfxEnableControlContainer();

// The program's arguments, as the process was given them.
extern "C" PLATAPI int __argc;
extern "C" PLATAPI char** __argv;

// Runs the application object: sets the arguments, then InitInstance and Run (or ExitInstance
// when InitInstance answers FALSE); answers the exit code.
PLATAPI int AfxWinMain(int argc, char** argv);

// A menu object. It owns the menu it creates, loads or is attached to, and destroys it with itself;
// FromHandle and GetSubMenu answer temporary objects of the calling thread that only name a menu.
class PLATAPI CMenu : public CObject {
public:
    CMenu() = default;
    ~CMenu() override;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL CreatePopupMenu();
    // The RT_MENU resource of the module AfxFindResourceHandle names for it.
    BOOL LoadMenu(LPCSTR lpszResourceName);
    BOOL LoadMenu(UINT nIDResource) { return LoadMenu(MAKEINTRESOURCE(nIDResource)); }
    BOOL DestroyMenu();
    BOOL Attach(HMENU hMenu);
    HMENU Detach();
    static CMenu* FromHandle(HMENU hMenu);
    static void DeleteTempMap();

    CMenu* GetSubMenu(int nPos) const;
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr);
    UINT GetMenuItemCount() const;
    UINT GetMenuItemID(int nPos) const;
    int GetMenuString(UINT nIDItem, LPSTR lpString, int nMaxCount, UINT nFlags) const;
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
    UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck);
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = nullptr);

    operator HMENU() const { return m_hMenu; }

    HMENU m_hMenu = nullptr;
};

// Window objects of the built-in controls. Create makes the control as a child of pParentWnd
// (style as given, WS_CHILD included by the caller); the members send the control's messages.
class PLATAPI CEdit : public CWnd {
public:
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    // Start in the low word, end in the high word.
    DWORD GetSel() const;
    void GetSel(int& nStartChar, int& nEndChar) const;
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
    void LimitText(int nChars = 0);
    void SetLimitText(UINT nMax);
    UINT GetLimitText() const;
    void SetPasswordChar(char ch);
    char GetPasswordChar() const;
    BOOL SetReadOnly(BOOL bReadOnly = TRUE);
    void Clear();
    void Copy();
    void Cut();
    void Paste();
};

class PLATAPI CComboBox : public CWnd {
public:
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int nSelect);
    int AddString(LPCSTR lpszString);
    int InsertString(int nIndex, LPCSTR lpszString);
    void ResetContent();
    int GetLBText(int nIndex, LPSTR lpszText) const;
    int GetLBTextLen(int nIndex) const;
    DWORD_PTR GetItemData(int nIndex) const;
    int SetItemData(int nIndex, DWORD_PTR dwItemData);
    void ShowDropDown(BOOL bShowIt = TRUE);
    BOOL LimitText(int nMaxChars);
    // Start in the low word, end in the high word; CB_ERR without an edit field.
    DWORD GetEditSel() const;
    BOOL SetEditSel(int nStartChar, int nEndChar);
    void Clear();
    void Copy();
    void Cut();
    void Paste();
};

class PLATAPI CButton : public CWnd {
public:
    virtual BOOL Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int GetCheck() const;
    void SetCheck(int nCheck);
    UINT GetState() const;
    void SetState(BOOL bHighlight);
    UINT GetButtonStyle() const;
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE);
};

class PLATAPI CStatic : public CWnd {
public:
    virtual BOOL Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xFFFF);
    HICON SetIcon(HICON hIcon);
    HICON GetIcon() const;
};

class PLATAPI CListBox : public CWnd {
public:
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int nSelect);
    int GetSel(int nIndex) const;
    int SetSel(int nIndex, BOOL bSelect = TRUE);
    int GetSelCount() const;
    int GetSelItems(int nMaxItems, int* rgIndex) const;
    int AddString(LPCSTR lpszItem);
    int InsertString(int nIndex, LPCSTR lpszItem);
    int DeleteString(UINT nIndex);
    void ResetContent();
    int GetText(int nIndex, LPSTR lpszBuffer) const;
    int GetTextLen(int nIndex) const;
    DWORD_PTR GetItemData(int nIndex) const;
    int SetItemData(int nIndex, DWORD_PTR dwItemData);
    int GetTopIndex() const;
    int SetTopIndex(int nIndex);
    // The nearest item to a client point; bOutside is set for a point outside the client area or
    // below the last item.
    UINT ItemFromPoint(CPoint pt, BOOL& bOutside) const;
};

// Window objects of the common controls (plat/commctrl.h).
class PLATAPI CStatusBarCtrl : public CWnd {
public:
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    BOOL SetText(LPCSTR lpszText, int nPane, int nType);
    // The text's length in the low word and its drawing type in the high word.
    int GetText(LPSTR lpszText, int nPane, int* pType = nullptr) const;
    BOOL SetParts(int nParts, int* pWidths);
    int GetParts(int nParts, int* pParts) const;
    // The horizontal and vertical borders and the spacing between parts.
    BOOL GetBorders(int& nHorz, int& nVert, int& nSpacing) const;
    BOOL GetRect(int nPane, LPRECT lpRect) const;
};

class PLATAPI CToolBarCtrl : public CWnd {
public:
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    void SetButtonStructSize(int nSize);
    BOOL AddButtons(int nNumButtons, LPTBBUTTON lpButtons);
    // nNumButtons images of the bitmap resource nBitmapID, found with AfxFindResourceHandle.
    int AddBitmap(int nNumButtons, UINT nBitmapID);
    int AddStrings(LPCSTR lpszStrings);
    int CommandToIndex(UINT nID) const;
    BOOL GetItemRect(int nIndex, LPRECT lpRect) const;
    int GetState(int nID) const;
    BOOL SetState(int nID, UINT nState);
    BOOL SetButtonInfo(int nID, TBBUTTONINFOA* ptbbi);
    BOOL GetButton(int nIndex, LPTBBUTTON lpButton) const;
    int HitTest(LPPOINT ppt) const;
    int GetButtonCount() const;
    DWORD GetStyle() const;
    DWORD SetExtendedStyle(DWORD dwExStyle);
};

class PLATAPI CListCtrl : public CWnd {
public:
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    int GetItemCount() const;
    int InsertItem(const LVITEMA* pItem);
    int InsertItem(int nItem, LPCSTR lpszItem);
    BOOL DeleteItem(int nItem);
    BOOL DeleteAllItems();
    int InsertColumn(int nCol, LPCSTR lpszColumnHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1, int nSubItem = -1);
    int GetNextItem(int nItem, int nFlags) const;
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    UINT GetItemState(int nItem, UINT nMask) const;
    int GetItemText(int nItem, int nSubItem, LPSTR lpszText, int nLen) const;
    BOOL SetItemText(int nItem, int nSubItem, LPCSTR lpszText);
    BOOL GetItem(LVITEMA* pItem) const;
    BOOL SetItem(const LVITEMA* pItem);
    DWORD_PTR GetItemData(int nItem) const;
    BOOL SetItemData(int nItem, DWORD_PTR dwData);
};

class PLATAPI CTreeCtrl : public CWnd {
public:
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    HTREEITEM InsertItem(const TVINSERTSTRUCTA* lpInsertStruct);
    HTREEITEM InsertItem(LPCSTR lpszItem, HTREEITEM hParent = TVI_ROOT, HTREEITEM hInsertAfter = TVI_LAST);
    BOOL DeleteItem(HTREEITEM hItem);
    BOOL DeleteAllItems();
    BOOL Expand(HTREEITEM hItem, UINT nCode);
    HTREEITEM GetNextItem(HTREEITEM hItem, UINT nCode) const;
    HTREEITEM GetRootItem() const;
    HTREEITEM GetChildItem(HTREEITEM hItem) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM hItem) const;
    HTREEITEM GetParentItem(HTREEITEM hItem) const;
    HTREEITEM GetSelectedItem() const;
    BOOL SelectItem(HTREEITEM hItem);
    BOOL GetItem(TVITEMA* pItem) const;
    BOOL SetItem(TVITEMA* pItem);
    DWORD_PTR GetItemData(HTREEITEM hItem) const;
    BOOL SetItemData(HTREEITEM hItem, DWORD_PTR dwData);
    UINT GetCount() const;
    HTREEITEM HitTest(CPoint pt, UINT* pFlags = nullptr) const;
};

class PLATAPI CScrollBar : public CWnd {
public:
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    BOOL SetScrollInfo(LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE);
    BOOL GetScrollInfo(LPSCROLLINFO lpScrollInfo, UINT nMask = SIF_ALL);
    void ShowScrollBar(BOOL bShow = TRUE);
};
