#include "CommandLine.h"
#include "kernel/FileObject.h"
#include "ProcessObject.h"

#include "plat/errors.h"
#include "plat/handles.h"
#include "plat/process.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace plat;

namespace {

constexpr DWORD kCreateSuspended = 0x00000004;

// The descriptors the child's standard handles come from; a handle that names no file gives
// /dev/null, opened into nullFd.
bool standardDescriptors(const STARTUPINFOA& startup, SpawnRequest& request, int& nullFd)
{
    HANDLE handles[3] = {startup.hStdInput, startup.hStdOutput, startup.hStdError};
    DWORD savedError = GetLastError();
    for (int i = 0; i < 3; ++i) {
        int fd = handles[i] ? fileDescriptorOf(handles[i]) : -1;
        if (fd < 0) {
            if (nullFd < 0)
                nullFd = open("/dev/null", O_RDWR | O_CLOEXEC);
            if (nullFd < 0) {
                vntSetLastErrorFromErrno(errno);
                return false;
            }
            fd = nullFd;
        }
        request.stdFds[i] = fd;
    }
    SetLastError(savedError);
    return true;
}

} // namespace

BOOL CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
    BOOL bInheritHandles, DWORD dwCreationFlags, LPVOID lpEnvironment, LPCSTR lpCurrentDirectory,
    LPSTARTUPINFOA lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation)
{
    if (!lpProcessInformation || !lpStartupInfo || (!lpApplicationName && !lpCommandLine)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (dwCreationFlags & (kCreateSuspended | DEBUG_PROCESS | DEBUG_ONLY_THIS_PROCESS)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    SpawnRequest request;
    request.args = splitCommandLine(lpCommandLine ? lpCommandLine : lpApplicationName);
    if (request.args.empty() && lpApplicationName)
        request.args.push_back(lpApplicationName);
    if (request.args.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    request.program = lpApplicationName ? lpApplicationName : request.args[0];
    if (!toNativePath(request.program))
        return FALSE;
    // A program named apart from the command line is a file name, never looked for in PATH.
    if (lpApplicationName && request.program.find('/') == std::string::npos)
        request.program = "./" + request.program;
    if (lpCurrentDirectory && *lpCurrentDirectory) {
        request.directory = lpCurrentDirectory;
        if (!toNativePath(request.directory)) {
            SetLastError(ERROR_DIRECTORY);
            return FALSE;
        }
    }
    request.environment = static_cast<const char*>(lpEnvironment);
    request.newSession = (dwCreationFlags & (DETACHED_PROCESS | CREATE_NEW_CONSOLE)) != 0;
    request.newProcessGroup = (dwCreationFlags & CREATE_NEW_PROCESS_GROUP) != 0;
    request.inheritDescriptors = bInheritHandles != FALSE;
    int nullFd = -1;
    if (bInheritHandles && (lpStartupInfo->dwFlags & STARTF_USESTDHANDLES)
        && !standardDescriptors(*lpStartupInfo, request, nullFd))
        return FALSE;

    std::shared_ptr<ProcessObject> child = spawnProcess(request);
    if (nullFd >= 0)
        close(nullFd);
    if (!child)
        return FALSE;
    HANDLE process = kernelHandles().insert(child);
    HANDLE thread = process ? kernelHandles().insert(child) : nullptr;
    if (!thread) {
        if (process)
            CloseHandle(process);
        return FALSE;
    }
    *lpProcessInformation = PROCESS_INFORMATION{process, thread, DWORD(child->pid()), DWORD(child->pid())};
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

HANDLE OpenProcess(DWORD, BOOL, DWORD dwProcessId)
{
    pid_t pid = pid_t(dwProcessId);
    if (pid <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::shared_ptr<ProcessObject> process;
    if (pid == getpid())
        process = selfProcessObject();
    else if (!(process = findLiveChild(pid))) {
        int pidfd = int(syscall(SYS_pidfd_open, pid, 0));
        if (pidfd < 0) {
            SetLastError(errno == ESRCH ? DWORD(ERROR_INVALID_PARAMETER) : vntWin32ErrorFromErrno(errno));
            return nullptr;
        }
        process = std::make_shared<ProcessObject>(ProcessObject::Kind::Other, pid, pidfd);
    }
    return kernelHandles().insert(process);
}

BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode)
{
    if (!lpExitCode) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::shared_ptr<ProcessObject> process
        = hProcess == GetCurrentProcess() ? selfProcessObject() : kernelHandles().lookupAs<ProcessObject>(hProcess);
    if (!process)
        return FALSE;
    *lpExitCode = process->exitCode();
    return TRUE;
}
