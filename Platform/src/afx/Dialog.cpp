// The framework's dialog: made from a template resource with its object attached, the modal
// loop, and data exchange.

#include "plat/afxwin.h"
#include "plat/dialog.h"
#include "plat/resource.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

namespace {

// The dialog procedure of framework dialogs: WM_INITDIALOG goes to OnInitDialog, everything
// else has passed through the object's maps already.
INT_PTR CALLBACK AfxDlgProc(HWND hwnd, UINT msg, WPARAM, LPARAM)
{
    if (msg != WM_INITDIALOG)
        return FALSE;
    CDialog* dialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hwnd));
    return dialog ? dialog->OnInitDialog() : TRUE;
}

HWND topLevelOf(HWND hwnd)
{
    while (hwnd && (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD))
        hwnd = GetParent(hwnd);
    return hwnd;
}

} // namespace

CDialog::CDialog() : m_lpszTemplateName(nullptr), m_pParentWnd(nullptr), m_nModalResult(-1) {}

CDialog::CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd), m_nModalResult(-1)
{
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : CDialog(MAKEINTRESOURCEA(nIDTemplate), pParentWnd) {}

CDialog::~CDialog() = default;

BOOL CDialog::CreateFromTemplate(HWND hWndOwner)
{
    HINSTANCE instance = AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG);
    HRSRC res = FindResourceA(instance, m_lpszTemplateName, RT_DIALOG);
    HGLOBAL loaded = res ? LoadResource(instance, res) : nullptr;
    auto* tmpl = loaded ? static_cast<LPCDLGTEMPLATEA>(LockResource(loaded)) : nullptr;
    if (!tmpl)
        return FALSE;
    AfxHookWindowCreate(this);
    HWND hwnd = CreateDialogIndirectParamA(instance, tmpl, hWndOwner, AfxDlgProc, 0);
    AfxUnhookWindowCreate();
    return hwnd != nullptr && m_hWnd == hwnd;
}

INT_PTR CDialog::DoModal()
{
    HWND owner = topLevelOf(m_pParentWnd ? m_pParentWnd->m_hWnd : AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : nullptr);
    const bool reenable = owner && ::IsWindowEnabled(owner);
    if (reenable)
        ::EnableWindow(owner, FALSE);
    m_nModalResult = -1;
    if (CreateFromTemplate(owner)) {
        DWORD flags = (GetStyle() & DS_NOIDLEMSG) ? MLF_NOIDLEMSG : 0;
        if (!IsWindowVisible())
            flags |= MLF_SHOWONIDLE;
        RunModalLoop(flags);
        if (m_hWnd)
            SetWindowPos(nullptr, 0, 0, 0, 0,
                SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    if (reenable)
        ::EnableWindow(owner, TRUE);
    if (owner)
        ::SetActiveWindow(owner);
    DestroyWindow();
    return m_nModalResult;
}

BOOL CDialog::Create(LPCSTR lpszTemplateName, CWnd* pParentWnd)
{
    m_lpszTemplateName = lpszTemplateName;
    m_pParentWnd = pParentWnd;
    return CreateFromTemplate(pParentWnd ? pParentWnd->m_hWnd : nullptr);
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) { return Create(MAKEINTRESOURCEA(nIDTemplate), pParentWnd); }

void CDialog::EndDialog(int nResult)
{
    if (m_inModalLoop)
        EndModalLoop(nResult);
    ::EndDialog(m_hWnd, nResult);
}

int CDialog::RunModalLoop(DWORD dwFlags)
{
    m_inModalLoop = true;
    HWND owner = ::GetParent(m_hWnd);
    bool idle = true;
    MSG msg;
    while (ContinueModal()) {
        while (idle && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if ((dwFlags & MLF_SHOWONIDLE) && !IsWindowVisible()) {
                ShowWindow(SW_SHOWNORMAL);
                UpdateWindow();
            }
            if (!(dwFlags & MLF_NOIDLEMSG) && owner)
                ::SendMessageA(owner, WM_ENTERIDLE, 0, LPARAM(m_hWnd));
            idle = false;
        }
        if (!ContinueModal())
            break;
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            PostQuitMessage(int(msg.wParam));
            m_nModalResult = -1;
            break;
        }
        // A modeless window's keys (a view beside this dialog) go through its own translation.
        if (!WalkPreTranslateTree(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        idle = true;
    }
    m_inModalLoop = false;
    return m_nModalResult;
}

BOOL CDialog::ContinueModal() { return m_inModalLoop && m_hWnd && IsWindow(m_hWnd); }

void CDialog::EndModalLoop(int nResult)
{
    m_nModalResult = nResult;
    if (m_inModalLoop) {
        m_inModalLoop = false;
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0); // wakes the loop
    }
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    return pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && IsDialogMessageA(m_hWnd, pMsg);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode, LPARAM lParam, LRESULT* pResult)
{
    if (CWnd::OnCmdMsg(nID, nCode, lParam, pResult))
        return TRUE;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(nID, nCode, lParam, pResult);
}
