// The application object, its message loop with idle processing, and the program's entry.

#include "plat/afxdll.h"
#include "plat/afxwin.h"
#include "plat/com.h"
#include "plat/module.h"
#include "plat/resource.h"

#include <atomic>
#include <string>

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
    ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

extern "C" {
int __argc = 0;
char** __argv = nullptr;
}

namespace {

std::atomic<CWinApp*> g_app{nullptr};

std::string& commandLine()
{
    static std::string text;
    return text;
}

} // namespace

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_pszAppName(lpszAppName), m_hInstance(nullptr), m_lpCmdLine(commandLine().data()), m_nCmdShow(SW_SHOWNORMAL)
{
    m_bAutoDelete = FALSE;
    g_app = this;
}

CWinApp::~CWinApp()
{
    CWinApp* self = this;
    g_app.compare_exchange_strong(self, nullptr);
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return CWinThread::ExitInstance(); }

int CWinApp::Run()
{
    if (!m_pMainWnd)
        PostQuitMessage(0);
    LONG idleCount = 0;
    bool idle = true;
    for (;;) {
        while (idle && !PeekMessageA(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE))
            idle = OnIdle(idleCount++) != FALSE;
        if (!GetMessageA(&m_msgCur, nullptr, 0, 0))
            return ExitInstance();
        if (!PreTranslateMessage(&m_msgCur)) {
            TranslateMessage(&m_msgCur);
            DispatchMessageA(&m_msgCur);
        }
        idle = true;
        idleCount = 0;
    }
}

BOOL CWinApp::OnIdle(LONG)
{
    CWnd::DeleteTempMap();
    CDC::DeleteTempMap();
    CGdiObject::DeleteTempMap();
    CMenu::DeleteTempMap();
    return FALSE;
}

BOOL CWinApp::PreTranslateMessage(MSG* pMsg) { return CWnd::WalkPreTranslateTree(pMsg); }

CWinApp* AfxGetApp() { return g_app; }

CWnd* AfxGetMainWnd()
{
    CWinApp* app = AfxGetApp();
    return app ? app->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetInstanceHandle()
{
    CWinApp* app = AfxGetApp();
    return app && app->m_hInstance ? app->m_hInstance : GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetResourceHandle()
{
    HINSTANCE own = AfxGetModuleState()->m_hCurrentResourceHandle;
    return own ? own : AfxGetInstanceHandle();
}

HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType)
{
    HINSTANCE program = AfxGetResourceHandle();
    if (FindResourceA(program, lpszName, lpszType))
        return program;
    AFX_MODULE_STATE* state = AfxGetModuleState();
    HINSTANCE found = nullptr;
    AfxLockGlobals(CRIT_DYNLINKLIST);
    for (CDynLinkLibrary* lib = state->m_libraryList.GetHead(); lib && !found; lib = CDynLinkLibraryList::GetNext(lib))
        if (lib->m_hResource && FindResourceA(lib->m_hResource, lpszName, lpszType))
            found = lib->m_hResource;
    AfxUnlockGlobals(CRIT_DYNLINKLIST);
    return found ? found : program;
}

BOOL AfxOleInit() { return SUCCEEDED(CoInitialize(nullptr)); }

void AfxEnableControlContainer() {}

int AfxWinMain(int argc, char** argv)
{
    __argc = argc;
    __argv = argv;
    std::string& line = commandLine();
    line.clear();
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    app->m_lpCmdLine = line.data();
    if (!app->m_hInstance)
        app->m_hInstance = GetModuleHandleA(nullptr);
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}
