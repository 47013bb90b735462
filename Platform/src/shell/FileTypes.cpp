// File types, kept the freedesktop way: a shared-MIME-info package names the type and its pattern,
// and the desktop entry of the program that opens it lists the type.

#include "shell/DesktopEntryFile.h"
#include "shell/ShellFolders.h"

#include "kernel/HandleTable.h"
#include "process/ProcessObject.h"

#include "plat/errors.h"
#include "plat/handles.h"
#include "plat/shell.h"
#include "plat/sync.h"

#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {

using namespace plat::shell;

// The databases are small; a tool that takes longer is left to finish on its own.
constexpr DWORD kToolTimeoutMs = 10000;

bool isMimeType(const std::string& type)
{
    const size_t slash = type.find('/');
    if (slash == 0 || slash == std::string::npos || slash + 1 == type.size() || type.find('/', slash + 1) != std::string::npos)
        return false;
    for (char c : type)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '/' && c != '.' && c != '+' && c != '-' && c != '_')
            return false;
    return true;
}

std::string xmlEscaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string dataFolder() { return specialFolder(CSIDL_LOCAL_APPDATA); }

std::string packageFile(const std::string& type)
{
    std::string name = type;
    name[name.find('/')] = '-';
    return dataFolder() + "/mime/packages/" + name + ".xml";
}

std::string packageText(const std::string& type, const std::string& pattern, const std::string& description)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" + type + "\">\n"
           "    <comment>" + xmlEscaped(description) + "</comment>\n"
           "    <glob pattern=\"" + xmlEscaped(pattern) + "\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

// Whether a command already takes files: "%f", "%F", "%u" or "%U" ("%%" is a plain "%").
bool takesFiles(const std::string& exec)
{
    for (size_t i = 0; i + 1 < exec.size(); ++i) {
        if (exec[i] != '%')
            continue;
        const char code = exec[++i];
        if (code == 'f' || code == 'F' || code == 'u' || code == 'U')
            return true;
    }
    return false;
}

// The entry lists the type (in place of the types it listed) and its command takes the files.
HRESULT openTypeWith(const std::string& entry, const std::string& type)
{
    std::string text;
    HRESULT hr;
    if (!readEntryFile(entry, text, hr))
        return hr;
    std::string out;
    bool inside = false, found = false;
    for (const std::string& line : entryLines(text)) {
        if (isGroupLine(line)) {
            inside = !found && trimmed(line) == kEntryGroup;
            out += line + "\n";
            if (inside)
                out += "MimeType=" + type + ";\n";
            found = found || inside;
            continue;
        }
        std::string value;
        const std::string key = inside ? keyOf(line, &value) : std::string();
        if (key == "MimeType")
            continue;
        out += key == "Exec" && !takesFiles(value) ? line + " %F\n" : line + "\n";
    }
    return found ? replaceTextFile(entry, out) : E_FAIL;
}

HRESULT createFolders(const std::string& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return ec ? HRESULT_FROM_WIN32(vntWin32ErrorFromErrno(ec.value())) : S_OK;
}

// Runs a desktop database tool over folder and waits for it; an absent tool is no error.
void refresh(const char* tool, const std::string& folder)
{
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    plat::SpawnRequest request;
    request.program = tool;
    request.args = {tool, folder};
    for (int& fd : request.stdFds)
        fd = null;
    std::shared_ptr<plat::ProcessObject> process = plat::spawnProcess(request);
    if (null >= 0)
        ::close(null);
    if (!process)
        return;
    if (HANDLE handle = plat::kernelHandles().insert(process)) {
        WaitForSingleObject(handle, kToolTimeoutMs);
        CloseHandle(handle);
    }
}

void refreshDatabases()
{
    refresh("update-mime-database", dataFolder() + "/mime");
    refresh("update-desktop-database", dataFolder() + "/applications");
}

} // namespace

HRESULT vntRegisterFileType(LPCSTR mimeType, LPCSTR pattern, LPCSTR description, LPCSTR entryFile)
{
    if (!mimeType || !isMimeType(mimeType) || !pattern || !*pattern || !entryFile || !*entryFile)
        return E_INVALIDARG;
    const std::string package = packageFile(mimeType);
    HRESULT hr = createFolders(package.substr(0, package.rfind('/')));
    if (SUCCEEDED(hr))
        hr = replaceTextFile(package, packageText(mimeType, pattern, description ? description : ""));
    if (SUCCEEDED(hr))
        hr = openTypeWith(entryFile, mimeType);
    refreshDatabases();
    return hr;
}

HRESULT vntUnregisterFileType(LPCSTR mimeType)
{
    if (!mimeType || !isMimeType(mimeType))
        return E_INVALIDARG;
    HRESULT hr = S_OK;
    if (::unlink(packageFile(mimeType).c_str()) != 0 && errno != ENOENT)
        hr = HRESULT_FROM_WIN32(vntWin32ErrorFromErrno(errno));
    refreshDatabases();
    return hr;
}
