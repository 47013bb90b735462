#include "plat/afxthread.h"

#include "plat/handles.h"
#include "plat/thread.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

CWinThread::CWinThread() : m_hThread(nullptr), m_nThreadID(0), m_bAutoDelete(TRUE)
{
    std::memset(&m_msgCur, 0, sizeof m_msgCur);
}

CWinThread::~CWinThread()
{
    if (m_hThread)
        CloseHandle(m_hThread);
}

DWORD CWinThread::threadEntry(LPVOID self)
{
    auto* thread = static_cast<CWinThread*>(self);
    int code = thread->InitInstance() ? thread->Run() : thread->ExitInstance();
    thread->Delete();
    return (DWORD)code;
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize, LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    // Held at the start until the object knows its handle and id, so that the thread never sees
    // them unset.
    DWORD id = 0;
    HANDLE handle = ::CreateThread(lpSecurityAttrs, nStackSize, &CWinThread::threadEntry, this,
        dwCreateFlags | CREATE_SUSPENDED, &id);
    if (!handle)
        return FALSE;
    m_hThread = handle;
    m_nThreadID = id;
    // From here an auto-deleting object may be gone at any moment.
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        ::ResumeThread(handle);
    return TRUE;
}

BOOL CWinThread::InitInstance() { return FALSE; }

int CWinThread::Run()
{
    for (;;) {
        BOOL got = GetMessageA(&m_msgCur, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        TranslateMessage(&m_msgCur);
        DispatchMessageA(&m_msgCur);
    }
    return ExitInstance();
}

int CWinThread::ExitInstance() { return m_msgCur.message == WM_QUIT ? (int)m_msgCur.wParam : 0; }

void CWinThread::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

DWORD CWinThread::ResumeThread() { return ::ResumeThread(m_hThread); }
DWORD CWinThread::SuspendThread() { return ::SuspendThread(m_hThread); }
int CWinThread::GetThreadPriority() { return ::GetThreadPriority(m_hThread); }
BOOL CWinThread::SetThreadPriority(int nPriority) { return ::SetThreadPriority(m_hThread, nPriority); }

BOOL CWinThread::PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return PostThreadMessageA(m_nThreadID, message, wParam, lParam);
}
