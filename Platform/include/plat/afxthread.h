#pragma once

// CWinThread: a framework thread object. CreateThread starts the thread, which runs
// InitInstance and then Run (or, when InitInstance answers FALSE, ExitInstance) and ends with
// that code; with m_bAutoDelete the object deletes itself (Delete) when its thread ends.

#include "plat/afxcmd.h"
#include "plat/message.h"

class CWnd;

class PLATAPI CWinThread : public CCmdTarget {
    DECLARE_DYNAMIC(CWinThread)
public:
    CWinThread();
    // Closes the thread handle; the thread itself is not stopped.
    ~CWinThread() override;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // m_hThread and m_nThreadID are set before the thread runs; CREATE_SUSPENDED holds it until
    // ResumeThread. FALSE (last error set) when no thread could be made.
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);

    // The framework's default answers FALSE: a thread must say what it starts.
    virtual BOOL InitInstance();
    // A message loop (GetMessageA, TranslateMessage, DispatchMessageA) until WM_QUIT, then
    // ExitInstance.
    virtual int Run();
    // The wParam of the WM_QUIT that ended Run (0 when none).
    virtual int ExitInstance();
    // Deletes the object when m_bAutoDelete is set.
    virtual void Delete();

    DWORD ResumeThread();
    DWORD SuspendThread();
    int GetThreadPriority();
    BOOL SetThreadPriority(int nPriority);
    BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam);
    operator HANDLE() const { return m_hThread; }

    // The thread's main window: when it is destroyed, the thread's loop ends.
    CWnd* m_pMainWnd = nullptr;
    HANDLE m_hThread;
    DWORD m_nThreadID;
    BOOL m_bAutoDelete;
    MSG m_msgCur;

private:
    static DWORD threadEntry(LPVOID self);
};
