#pragma once

// The framework's window object. A CWnd made with CreateEx is attached to its window before the
// window's first message (WM_NCCREATE) and sees every message through WindowProc; it detaches
// itself after WM_NCDESTROY and then calls PostNcDestroy, where a window object that lives on
// the heap may delete itself.

#include "plat/afx.h"
#include "plat/window.h"

class PLATAPI CWnd : public CObject {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd();
    // A window still attached is destroyed with its object.
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd;

    operator HWND() const { return m_hWnd; }

    // Fills a CREATESTRUCTA, lets PreCreateWindow change it (a FALSE answer calls PostNcDestroy
    // and fails) and creates the window with this object attached. A null class name takes the
    // framework's own class. When creation fails before the window existed, PostNcDestroy is
    // called here; after that, the window's WM_NCDESTROY has called it.
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x, int y,
        int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
        CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
    virtual BOOL DestroyWindow();

    // The window object of a handle: the attached one, or a temporary object of the calling
    // thread that lasts while the window does. Null for a null handle.
    static CWnd* FromHandle(HWND hWnd);
    // The attached object only, else null.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // Attaches an existing window without taking over its messages.
    BOOL Attach(HWND hWndNew);
    HWND Detach();

    // Called by CreateEx before the window exists; the framework's own fills in its class.
    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The procedure the window had before this object took it over, else DefWindowProcA.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void PostNcDestroy();

    WNDPROC m_pfnSuper;

private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend struct CWndAccess;
};

// The window procedure of every window a CWnd took over.
PLATAPI LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
