#include "PicFlorvane.h"

#include "PicFlorvaneDlg.h"
#include "picCaught.h"
#include "picInstanceMsg.h"
#include "picRegistryNotices.h"

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
#include "plat/thread.h"
#include "plat/time.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kSource = "PicFlorvane";
constexpr const char* kSemaphoreName = "KVX.PicFlorvane";
constexpr const char* kShortcutFolder = "Corlund/";
constexpr const char* kShortcutName = "PicFlorvane.desktop";
constexpr const char* kFileTypeKey = ".picf";
constexpr const char* kFileClassKey = "PicFlorvaneFile";
constexpr const char* kTreeKey = "PicFlorvane";
constexpr const char* kFileDescription = "PicFlorvane file :-)";
constexpr const char* kMimeType = "application/x-picflorvane";
constexpr const char* kFilePattern = "*.picf";
// A running instance stores its tree and stops its engines before it lets go of the semaphore.
constexpr DWORD kStopWaitMs = 10000;
constexpr DWORD kStopRepeatMs = 1000;

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

// Whether a running instance holds the semaphore; looking does not make it.
bool instanceRuns()
{
    HANDLE semaphore = OpenSemaphoreA(SYNCHRONIZE, FALSE, kSemaphoreName);
    if (semaphore)
        CloseHandle(semaphore);
    return semaphore != nullptr;
}

// Whether every other instance has ended: each is asked to stop, again now and then for one whose
// window did not listen yet, and waited for a few seconds.
bool stopOtherInstances()
{
    const DWORD start = GetTickCount();
    for (DWORD asked = start;; Sleep(100)) {
        if (!instanceRuns())
            return true;
        const DWORD now = GetTickCount();
        if (now - start >= kStopWaitMs)
            return false;
        if (now - asked >= kStopRepeatMs) {
            postStopToInstances();
            asked = now;
        }
    }
}

// The person who started the program learns why it did not do what was asked: the log and a
// message box may both be out of sight.
void tellOnStderr(const vbString& text) { std::fprintf(stderr, "PicFlorvane: %s\n", text.c_str()); }

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
        else {
            traceLine(vbString("PICF cmd line : ignored switch : ") + name);
            // A mistyped switch (-Unregistr) would otherwise start the program as if unasked.
            tellOnStderr(vbString("unknown switch ") + arg + " ignored");
        }
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
        tellOnStderr(picCaughtMessage());
        m_bFailed = true;
        picShowRegistryNotices();
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
    return m_bFailed ? 1 : status;
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
    // The stop travels through the message engine, which a start without a window has not started.
    g_vbEngineCenter.Start();
    postStopToInstances();
    // A running instance writes its whole tree back when it ends: it must end first.
    const bool alone = stopOtherInstances();
    traced(
        [] {
            const vbString folder = shortcutFolder();
            vbDeleteFile(folder + kShortcutName, false);
            vbDeleteDir(folder, false);
            vbRegKey(vbRegClassesRoot, kFileTypeKey).DeleteKey(true, false);
            vbRegKey(vbRegClassesRoot, kFileClassKey).DeleteKey(true, false);
            const HRESULT hr = vntUnregisterFileType(kMimeType);
            if (FAILED(hr))
                throw new vbEsys(hr, "vntUnregisterFileType() failure");
        },
        __LINE__);
    if (!alone) {
        m_bFailed = true;
        tellOnStderr(vbStringFormat("a running PicFlorvane did not end within %u seconds: the stored project tree is kept",
            unsigned(kStopWaitMs / 1000)));
        return;
    }
    traced([] { vbRegKey(vbRegVantUser, kTreeKey).DeleteKey(true, false); }, __LINE__);
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
    fileClass.SetDefaultValue(vbVariant(kFileDescription));
    vbRegKey(fileClass, "DefaultIcon").SetDefaultValue(vbVariant(program + ",0"));
    vbRegKey open(fileClass, "shell\\open");
    open.SetDefaultValue(vbVariant("Import file in PicFlorvane"));
    vbRegKey(open, "command").SetDefaultValue(vbVariant(program + " \"%1\""));

    // What the desktop reads: the menu entry above also opens the files of the type.
    const HRESULT hr = vntRegisterFileType(kMimeType, kFilePattern, kFileDescription, (folder + kShortcutName).c_str());
    if (FAILED(hr))
        throw new vbEsys(hr, "vntRegisterFileType() failure");
}

void CPicFlorvaneApp::runMainWindow()
{
    // A registry file found damaged at start: the person learns it before the tree shows less.
    picShowRegistryNotices();
    g_vbEngineCenter.Start();
    CPicFlorvaneDlg dlg;
    dlg.SetPendingImports(m_files);
    m_pMainWnd = &dlg;
    try {
        const INT_PTR result = dlg.DoModal(m_bShow);
        // A loop ended by a quit (SIGTERM) answers -1 too, and leaves the quit queued.
        MSG quit;
        m_bFailed = result == -1 && !PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
    } catch (...) {
        picShowCaught(kSource, __LINE__);
    }
    m_pMainWnd = nullptr;
}
