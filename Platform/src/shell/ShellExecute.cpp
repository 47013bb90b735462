#include "kernel/HandleTable.h"
#include "process/CommandLine.h"
#include "process/ProcessObject.h"

#include "plat/errors.h"
#include "plat/shell.h"

#include <cctype>
#include <cstdlib>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kOpener = "xdg-open";
constexpr INT_PTR kSuccessInstance = 33;

bool isUrl(const std::string& target)
{
    // A scheme of two or more characters, so that "C:..." stays a (drive-letter) path.
    size_t colon = target.find(':');
    if (colon == std::string::npos || colon < 2 || !std::isalpha(static_cast<unsigned char>(target[0])))
        return false;
    for (size_t i = 1; i < colon; ++i) {
        char c = target[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

bool isExecutableFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// A program name without a folder, looked for in PATH.
std::string findInPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string list = path ? path : "";
    for (size_t start = 0; start <= list.size();) {
        size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        std::string folder = list.substr(start, end - start);
        if (!folder.empty() && isExecutableFile(folder + "/" + name))
            return folder + "/" + name;
        start = end + 1;
    }
    return {};
}

INT_PTR instanceCodeOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return SE_ERR_FNF;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY: return SE_ERR_PNF;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return SE_ERR_OOM;
    case ERROR_NO_ASSOCIATION: return SE_ERR_NOASSOC;
    default: return SE_ERR_ACCESSDENIED;
    }
}

BOOL fail(SHELLEXECUTEINFOA* info, DWORD error)
{
    info->hInstApp = reinterpret_cast<HINSTANCE>(instanceCodeOf(error));
    SetLastError(error);
    return FALSE;
}

// What the target names: the request to start, or the error.
DWORD resolve(const SHELLEXECUTEINFOA& info, plat::SpawnRequest& request)
{
    std::string target = info.lpFile ? info.lpFile : "";
    std::string directory = info.lpDirectory ? info.lpDirectory : "";
    if (!plat::toNativePath(directory))
        return ERROR_PATH_NOT_FOUND;
    request.directory = directory;
    if (target.empty())
        return ERROR_FILE_NOT_FOUND;

    if (!isUrl(target)) {
        if (!plat::toNativePath(target))
            return ERROR_PATH_NOT_FOUND;
        std::string path = target;
        if (path[0] != '/' && !directory.empty())
            path = directory + "/" + path;
        struct stat st;
        if (stat(path.c_str(), &st) != 0) {
            std::string program = target.find('/') == std::string::npos ? findInPath(target) : "";
            if (program.empty()) {
                size_t slash = path.find_last_of('/');
                std::string folder = slash == std::string::npos ? "." : path.substr(0, slash ? slash : 1);
                return stat(folder.c_str(), &st) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
            }
            path = program;
        }
        if (path[0] != '/') {
            char cwd[4096];
            if (getcwd(cwd, sizeof cwd))
                path = std::string(cwd) + "/" + path;
        }
        if (isExecutableFile(path)) {
            request.program = path;
            request.args = {path};
            for (std::string& arg : plat::splitArguments(info.lpParameters ? info.lpParameters : ""))
                request.args.push_back(std::move(arg));
            return ERROR_SUCCESS;
        }
        target = path;
    }
    if (findInPath(kOpener).empty())
        return ERROR_NO_ASSOCIATION;
    request.program = kOpener;
    request.args = {kOpener, target};
    return ERROR_SUCCESS;
}

} // namespace

BOOL ShellExecuteExA(SHELLEXECUTEINFOA* pExecInfo)
{
    if (!pExecInfo || pExecInfo->cbSize != sizeof(SHELLEXECUTEINFOA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    pExecInfo->hProcess = nullptr;
    const char* verb = pExecInfo->lpVerb;
    if (verb && *verb && strcasecmp(verb, "open") != 0)
        return fail(pExecInfo, ERROR_NO_ASSOCIATION);

    plat::SpawnRequest request;
    if (DWORD error = resolve(*pExecInfo, request))
        return fail(pExecInfo, error);
    request.newSession = true;
    std::shared_ptr<plat::ProcessObject> process = plat::spawnProcess(request);
    if (!process)
        return fail(pExecInfo, GetLastError());
    if (pExecInfo->fMask & SEE_MASK_NOCLOSEPROCESS) {
        pExecInfo->hProcess = plat::kernelHandles().insert(process);
        if (!pExecInfo->hProcess)
            return fail(pExecInfo, GetLastError());
    }
    pExecInfo->hInstApp = reinterpret_cast<HINSTANCE>(kSuccessInstance);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
