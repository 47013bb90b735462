#include "PicFlorvane.h"

#include "PicFlorvaneDlg.h"
#include "picCaught.h"
#include "picInstanceMsg.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbFileTools.h"
#include "vbLog.h"
#include "vbRegEngine.h"
#include "vbRegKey.h"
#include "vbSecurity.h"
#include "vbVersion.h"

#include "plat/errors.h"
#include "plat/handles.h"
#include "plat/message.h"
#include "plat/shell.h"
#include "plat/sync.h"

#include <cstdlib>

namespace {

constexpr const char* kSource = "PicFlorvane";
constexpr const char* kSemaphoreName = "KVX.PicFlorvane";
constexpr const char* kShortcutFolder = "Corlund/";
constexpr const char* kShortcutName = "PicFlorvane.desktop";
constexpr const char* kFileTypeKey = ".picf";
constexpr const char* kFileClassKey = "PicFlorvaneFile";
constexpr const char* kTreeKey = "PicFlorvane";

HRESULT lastErrorHR() { return HRESULT_FROM_WIN32(GetLastError()); }

// Traced only: the switch lines appear when the plug-in centre's trace is on.
void traceLine(const vbString& text)
{
    if (vbHotPlugTraceLevel() >= 0)
        vbRelOutput("HOTPLUG: " + text, true);
}

bool isSwitch(const char* text, const char* a, const char* b)
{
    const vbString s(text);
    return s.CompareNoCase(a) == 0 || (b && s.CompareNoCase(b) == 0);
}

// Registration never stops the program: what fails is written to the log.
template <class Step>
void traced(Step step, int line)
{
    try {
        step();
    } catch (...) {
        picTraceCaught(kSource, line);
    }
}

vbString shortcutFolder() { return vbGetShellFolder(CSIDL_COMMON_PROGRAMS, false) + kShortcutFolder; }

} // namespace

BEGIN_MESSAGE_MAP(CPicFlorvaneApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CPicFlorvaneApp::CPicFlorvaneApp() = default;

CPicFlorvaneApp::~CPicFlorvaneApp()
{
    if (m_hSemaphore)
        CloseHandle(m_hSemaphore);
    m_files.RemoveAll();
    traced([this] { m_engineUse.StopUse(); }, __LINE__);
}

void CPicFlorvaneApp::parseCommandLine()
{
    m_bUnregister = m_bRegister = m_bAutomation = m_bRun = false;
    m_bShow = true;
    m_files.RemoveAll();
    for (int i = 1; i < __argc; ++i) {
        const char* arg = __argv[i];
        if (arg[0] != '-') {
            // A path, absolute ("/...") or not: only project files are kept.
            if (vbGetFileExt(arg, false).CompareNoCase("picf") == 0)
                m_files.Add(vbGetFullPath(arg));
            else
                vbRelOutput(vbString("PICF cmd line : ignored param : ") + arg, true);
            continue;
        }
        const char* name = arg + 1;
        if (isSwitch(name, "Unregister", "UnregServer"))
            m_bUnregister = true;
        else if (isSwitch(name, "Register", "RegServer"))
            m_bRegister = true;
        else if (isSwitch(name, "Embedding", "Automation"))
            m_bAutomation = true;
        else if (isSwitch(name, "Show", nullptr))
            m_bShow = true;
        else if (isSwitch(name, "Hide", nullptr))
            m_bShow = false;
        else
            traceLine(vbString("PICF cmd line : ignored switch : ") + name);
    }
    if (m_bRegister)
        m_bUnregister = false;
    if (m_bRegister)
        traceLine("PICF cmd line : register asked");
    if (m_bUnregister)
        traceLine("PICF cmd line : unregister asked");
    if (m_bAutomation)
        traceLine("PICF cmd line : automation launch");
    if (m_bShow)
        traceLine("PICF cmd line : client asks PicFlorvane to show its window");
    m_bRun = !((m_bRegister && !m_bAutomation && !m_bShow) || m_bUnregister);
}

BOOL CPicFlorvaneApp::InitInstance()
{
    try {
        g_pvbLogFileName = "c:\\picfV5108.log";
        m_engineUse.StartUse(&g_vbEngineCenter, false);
        m_pMainWnd = nullptr;
        if (!AfxOleInit())
            throw new vbEsys(lastErrorHR(), "AfxOleInit() failure");
        AfxEnableControlContainer();
        Enable3dControls();
        parseCommandLine();
        // An automation client needs no window: on a machine without a desktop it is served all the same.
        if (m_bAutomation && !std::getenv("DISPLAY"))
            setenv("VANTREL_HEADLESS", "1", 0);
        if (m_bRun && otherInstanceRuns()) {
            if (m_bAutomation)
                throw new vbEsys("PICf already launched and com need to instanciate a new application");
            g_vbEngineCenter.Start();
            postShowToInstances();
            if (m_files.GetSize() > 0)
                postImportToInstances(m_files, m_files.GetSize());
            m_files.RemoveAll();
            return FALSE;
        }
        if (m_bUnregister)
            unregisterProgram();
        else if (m_bRegister)
            traced([this] { registerProgram(); }, __LINE__);
        if (m_bRun)
            runMainWindow();
    } catch (...) {
        picShowCaught(kSource, __LINE__);
        return FALSE;
    }
    traced([this] { CWinApp::ExitInstance(); }, __LINE__);
    return TRUE;
}

int CPicFlorvaneApp::ExitInstance()
{
    traced([this] { m_engineUse.StopUse(); }, __LINE__);
    const int status = CWinApp::ExitInstance();
    return m_bWindowFailed ? 1 : status;
}

bool CPicFlorvaneApp::otherInstanceRuns()
{
    const vbSecurity security(vbIs95os() ? vbSecurityTypeNone : vbSecurityTypeNullDacl);
    vbSecurityAttr attributes(security, false);
    m_hSemaphore = CreateSemaphoreA(&attributes, 1, 1, kSemaphoreName);
    if (!m_hSemaphore)
        throw new vbEsys(lastErrorHR(), "CreateSemaphore() failure");
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

void CPicFlorvaneApp::unregisterProgram()
{
    postStopToInstances();
    traced(
        [] {
            const vbString folder = shortcutFolder();
            vbDeleteFile(folder + kShortcutName, false);
            vbDeleteDir(folder, false);
            vbRegKey(vbRegClassesRoot, kFileTypeKey).DeleteKey(true, false);
            vbRegKey(vbRegClassesRoot, kFileClassKey).DeleteKey(true, false);
            vbRegKey(vbRegVantUser, kTreeKey).DeleteKey(true, false);
        },
        __LINE__);
}

void CPicFlorvaneApp::registerProgram()
{
    const vbString folder = shortcutFolder();
    vbMakeDir(folder, true);
    const vbString program = vbGetFilePath(HINSTANCE(nullptr));
    vbCreateShortCut(folder + kShortcutName, vbGetProductName(nullptr, true), program, "-Show");

    vbRegKey type(vbRegClassesRoot, kFileTypeKey);
    type.SetValue("execPath", vbVariant(program));
    type.SetDefaultValue(vbVariant(kFileClassKey));

    vbRegKey fileClass(vbRegClassesRoot, kFileClassKey);
    fileClass.SetDefaultValue(vbVariant("PicFlorvane file :-)"));
    vbRegKey(fileClass, "DefaultIcon").SetDefaultValue(vbVariant(program + ",0"));
    vbRegKey open(fileClass, "shell\\open");
    open.SetDefaultValue(vbVariant("Import file in PicFlorvane"));
    vbRegKey(open, "command").SetDefaultValue(vbVariant(program + " \"%1\""));
}

void CPicFlorvaneApp::runMainWindow()
{
    g_vbEngineCenter.Start();
    CPicFlorvaneDlg dlg;
    dlg.SetPendingImports(m_files);
    m_pMainWnd = &dlg;
    try {
        const INT_PTR result = dlg.DoModal(m_bShow);
        // A loop ended by a quit (SIGTERM) answers -1 too, and leaves the quit queued.
        MSG quit;
        m_bWindowFailed = result == -1 && !PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
    } catch (...) {
        picShowCaught(kSource, __LINE__);
    }
    m_pMainWnd = nullptr;
}
