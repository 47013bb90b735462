#pragma once

// A hidden window that hands every message to a member-function record and falls back to default
// processing. On systems of major version 5 and later it is message-only; before, a hidden
// top-most tool window without parent.

#include "vbMemberCb.h"
#include "vbWinClass.h"

#include "plat/afxwin.h"

class vbMsgWnd;

// Answers whether it handled the message; result is what the window then answers.
typedef vbMemberCb<bool, vbMsgWnd&, UINT, WPARAM, LPARAM, LRESULT&> vbMSGWNDCB;

class VBAPI vbMsgWnd : public CWnd {
public:
    // "KVX Vantrel vbMsgWnd V5": style CS_CLASSDC, DefWindowProcA.
    static vbWinClass s_Class;

    vbMsgWnd(const vbString& name, const vbMSGWNDCB& callback);
    // Destroys the window; a failure is shown.
    ~vbMsgWnd() override;

    // Throws vbEsys (last error) "vbMsgWnd::Create failure".
    void Create();
    void Destroy();
    bool IsValid() const { return m_hWnd != nullptr; }
    bool IsEmpty() const { return m_hWnd == nullptr; }

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    vbString m_name;
    vbMSGWNDCB m_callback;
};
