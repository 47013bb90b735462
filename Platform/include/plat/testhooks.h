#pragma once

// Failures that tests need and cannot provoke otherwise: a system out of threads, a mutex whose
// owners keep dying. The program never calls these.

#include "plat/api.h"
#include "plat/geometry.h"
#include "plat/types.h"

// The next count calls of CreateThread fail with ERROR_NOT_ENOUGH_MEMORY (0 disarms).
PLATAPI void vntTestFailNextThreadCreations(DWORD count);

// The next count waits that take this mutex (named or not) answer WAIT_ABANDONED for it, as if
// its previous owner had ended while holding it: the waiter owns the mutex all the same. FALSE
// with ERROR_INVALID_HANDLE when hMutex is no mutex; count 0 disarms.
PLATAPI BOOL vntTestAbandonNextWaits(HANDLE hMutex, DWORD count);

// GetSysColor answers color for index (0 to 47) until vntTestResetSysColors puts the system's
// own table back; other indices are ignored.
PLATAPI void vntTestSetSysColor(int index, DWORD color);
PLATAPI void vntTestResetSysColors();

// While fail is TRUE, LoadLibraryA of exactly this name (any case) fails with ERROR_MOD_NOT_FOUND,
// as on a system without that module; FALSE lets it load again.
PLATAPI void vntTestFailLibraryLoad(LPCSTR name, BOOL fail);

#ifndef ERROR_NO_SYSTEM_RESOURCES
#define ERROR_NO_SYSTEM_RESOURCES 1450L
#endif

// The next count calls of SetTimer answer 0 with ERROR_NO_SYSTEM_RESOURCES (0 disarms).
PLATAPI void vntTestFailNextTimers(DWORD count);

// The next count calls of SetClipboardData answer null with ERROR_NOT_ENOUGH_MEMORY (0 disarms).
PLATAPI void vntTestFailNextClipboardData(DWORD count);

// Waits that pump the desktop's events look again after ms at the latest instead of 100 ms, so that
// a test can tell a wait ended by its wake-up from one ended by that bound; 0 puts 100 ms back.
PLATAPI void vntTestSetPumpSliceMs(DWORD ms);

// The process as it was before vntQuitOnTerminationSignals: SIGTERM and SIGINT take the system's
// way again, no thread takes their quit, and message boxes ask again after a signal asked the end.
PLATAPI void vntTestStopQuitOnTerminationSignals();

// GetVersionExA reports major as its major version; 0 puts the real one back.
PLATAPI void vntTestSetOsMajorVersion(DWORD major);

struct IBindCtx;
struct IBindStatusCallback;
struct IEnumFORMATETC;

// The code download behind CreateAsyncBindCtx and CoGetClassObjectFromURL, with their arguments.
struct vntCodeDownloadService {
    virtual HRESULT CreateAsyncBindCtx(DWORD reserved, IBindStatusCallback* pBSCb, IEnumFORMATETC* pEFetc,
        IBindCtx** ppBC) = 0;
    virtual HRESULT CoGetClassObjectFromURL(REFCLSID rclsid, LPCWSTR szCodeURL, DWORD dwFileVersionMS,
        DWORD dwFileVersionLS, LPCWSTR szTYPE, IBindCtx* pBindCtx, DWORD dwClsContext, LPVOID pvReserved,
        REFIID riid, LPVOID* ppv) = 0;

protected:
    ~vntCodeDownloadService() = default;
};

// Both calls go to service (not owned) until this is called again; null puts the system's own
// code download back.
PLATAPI void vntTestSetCodeDownload(vntCodeDownloadService* service);

// Large HALFTONE stretches share their rows among count threads (the calling one included); 0
// puts the default back (the processors, at most 4). For measurements of the split.
PLATAPI void vntTestSetBlitThreads(int count);

// The desktop back end on SDL's "dummy" video driver (TRUE) or the headless one (FALSE) for the
// windows made from now on; FALSE while a top-level window exists. The first thread to make a
// top-level window afterwards is the one that shows them.
PLATAPI BOOL vntTestUseSdlDisplay(BOOL on);
// Counts part of a top-level window of the calling thread (window coordinates; null: all of it)
// as drawn, without drawing, so that the next idle retrieval presents it. For measurements of the
// presentation alone. FALSE when hwnd is no such window or has not been painted yet.
PLATAPI BOOL vntTestMarkDrawn(HWND hwnd, const RECT* rect);

// While on is TRUE, GetOpenFileNameA and GetSaveFileNameA show their window (driven by injected
// input) even without a desktop, instead of taking the headless policy's answers.
PLATAPI void vntTestUseFileDialogWindow(BOOL on);

// While on is TRUE, MessageBoxA shows its window (driven by injected input) even without a
// desktop, instead of taking the headless policy's answer.
PLATAPI void vntTestUseMessageBoxWindow(BOOL on);
