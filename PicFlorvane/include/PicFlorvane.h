#pragma once

// The application object: everything before the main window opens and after it closes. It names
// the log, binds the process to the engine centre, reads the command line, keeps the program a
// single instance (a second start hands its files to the first one and ends), registers or
// unregisters the ".picf" file type and the menu entry, and runs the main window modally.

#include "vbArray.h"
#include "vbEngine.h"
#include "vbString.h"

#include "plat/afxwin.h"

class CPicFlorvaneApp : public CWinApp {
public:
    CPicFlorvaneApp();
    // Closes the instance semaphore and releases the engine centre if the program's end did not
    // (the last release stops every engine of the process).
    ~CPicFlorvaneApp() override;
    CPicFlorvaneApp(const CPicFlorvaneApp&) = delete;
    CPicFlorvaneApp& operator=(const CPicFlorvaneApp&) = delete;

    // False when the process is to end at once (handed over, or failed before the window); true
    // once the main window has closed.
    BOOL InitInstance() override;
    // The program's end, before main returns: the engines stop here, and the plug-ins unload
    // through their own path while every library still runs normally.
    // Answers the process's status: 1 when the start failed (the main window could not be made,
    // the start was refused, a running instance did not end for unregistering).
    int ExitInstance() override;

    // The flags and the project files of the process arguments.
    void parseCommandLine();

    bool IsUnregister() const { return m_bUnregister; }
    bool IsRegister() const { return m_bRegister; }
    bool IsAutomation() const { return m_bAutomation; }
    bool IsShow() const { return m_bShow; }
    bool IsRun() const { return m_bRun; }
    const vbArray<vbString>& GetFiles() const { return m_files; }

    DECLARE_MESSAGE_MAP()

private:
    // Whether another instance holds the semaphore; the handle is kept either way.
    bool otherInstanceRuns();
    void unregisterProgram();
    void registerProgram();
    void runMainWindow();

    vbUseEngineCenter m_engineUse;
    bool m_bUnregister = false;
    bool m_bRegister = false;
    bool m_bAutomation = false;
    bool m_bShow = true;
    bool m_bRun = false;
    bool m_bFailed = false;
    vbArray<vbString> m_files;
    HANDLE m_hSemaphore = nullptr;
};
