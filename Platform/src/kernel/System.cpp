#include "kernel/FileObject.h"
#include "kernel/TextCopy.h"

#include "plat/errors.h"
#include "plat/system.h"
#include "plat/testhooks.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <pwd.h>
#include <string>
#include <strings.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// The process environment is not safe to change while another thread reads it; the platform's
// own readers and writers at least take turns.
std::mutex g_environmentMutex;

// The value of a variable, its name compared case-blind when there is no exact match.
bool lookupVariable(const std::string& name, std::string& value)
{
    std::lock_guard lock(g_environmentMutex);
    if (const char* exact = std::getenv(name.c_str())) {
        value = exact;
        return true;
    }
    for (char** entry = environ; entry && *entry; ++entry) {
        const char* eq = std::strchr(*entry, '=');
        if (eq && size_t(eq - *entry) == name.size() && ::strncasecmp(*entry, name.c_str(), name.size()) == 0) {
            value = eq + 1;
            return true;
        }
    }
    if (::strcasecmp(name.c_str(), "SystemRoot") == 0 || ::strcasecmp(name.c_str(), "windir") == 0) {
        value = plat::windowsFolder();
        return !value.empty();
    }
    return false;
}

bool validName(LPCSTR name) { return name && name[0] && !std::strchr(name, '='); }

} // namespace

void GetSystemInfo(LPSYSTEM_INFO lpSystemInfo)
{
    if (!lpSystemInfo)
        return;
    long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
    if (processors < 1)
        processors = 1;
    if (processors > 64)
        processors = 64;
    SYSTEM_INFO info{};
    info.wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    info.dwPageSize = 4096;
    info.lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(uintptr_t(0x10000));
    info.lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(uintptr_t(0x7FFFFFFEFFFF));
    info.dwActiveProcessorMask = processors == 64 ? ~DWORD_PTR(0) : (DWORD_PTR(1) << processors) - 1;
    info.dwNumberOfProcessors = DWORD(processors);
    info.dwProcessorType = PROCESSOR_AMD_X8664;
    info.dwAllocationGranularity = 65536;
    info.wProcessorLevel = 6;
    *lpSystemInfo = info;
}

namespace {
// Set by tests of version-dependent behaviour; 0 = the real version.
std::atomic<DWORD> g_testOsMajor{0};
} // namespace

void vntTestSetOsMajorVersion(DWORD major) { g_testOsMajor.store(major); }

BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation)
{
    if (!lpVersionInformation
        || (lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)
            && lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXA))) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const DWORD major = g_testOsMajor.load();
    lpVersionInformation->dwMajorVersion = major ? major : 5;
    lpVersionInformation->dwMinorVersion = 1;
    lpVersionInformation->dwBuildNumber = 2600;
    lpVersionInformation->dwPlatformId = VER_PLATFORM_WIN32_NT;
    struct utsname names;
    std::string text = "Linux";
    if (::uname(&names) == 0)
        text = std::string(names.sysname) + " " + names.release;
    std::snprintf(lpVersionInformation->szCSDVersion, sizeof lpVersionInformation->szCSDVersion, "%s", text.c_str());
    if (lpVersionInformation->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXA)) {
        auto* ex = reinterpret_cast<OSVERSIONINFOEXA*>(lpVersionInformation);
        ex->wServicePackMajor = 0;
        ex->wServicePackMinor = 0;
        ex->wSuiteMask = 0;
        ex->wProductType = VER_NT_WORKSTATION;
        ex->wReserved = 0;
    }
    return TRUE;
}

BOOL GetUserNameA(LPSTR lpBuffer, LPDWORD pcbBuffer)
{
    if (!pcbBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string name;
    std::vector<char> scratch(16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, scratch.data(), scratch.size(), &found) == 0 && found)
        name = found->pw_name;
    else if (const char* user = std::getenv("USER"))
        name = user;
    else
        name = std::to_string(::geteuid());
    DWORD needed = DWORD(name.size() + 1);
    if (!lpBuffer || *pcbBuffer < needed) {
        *pcbBuffer = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(lpBuffer, name.c_str(), needed);
    *pcbBuffer = needed;
    return TRUE;
}

BOOL GetComputerNameA(LPSTR lpBuffer, LPDWORD nSize)
{
    if (!nSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0)
        std::strcpy(host, "LOCALHOST");
    std::string name(host, ::strcspn(host, "."));
    if (name.size() > MAX_COMPUTERNAME_LENGTH)
        name.resize(MAX_COMPUTERNAME_LENGTH);
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    if (!lpBuffer || *nSize <= name.size()) {
        *nSize = DWORD(name.size() + 1);
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    std::memcpy(lpBuffer, name.c_str(), name.size() + 1);
    *nSize = DWORD(name.size());
    return TRUE;
}

DWORD GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize)
{
    std::string value;
    if (!validName(lpName) || !lookupVariable(lpName, value)) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    if (value.empty()) {
        if (lpBuffer && nSize)
            lpBuffer[0] = '\0';
        SetLastError(ERROR_SUCCESS);
        return 0;
    }
    return plat::answerText(value, lpBuffer, nSize);
}

BOOL SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue)
{
    if (!validName(lpName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(g_environmentMutex);
    // A variable set under another letter case is the same variable.
    std::string name = lpName;
    for (char** entry = environ; entry && *entry; ++entry) {
        const char* eq = std::strchr(*entry, '=');
        if (eq && size_t(eq - *entry) == name.size() && ::strncasecmp(*entry, lpName, name.size()) == 0) {
            name.assign(*entry, name.size());
            break;
        }
    }
    int rc = lpValue ? ::setenv(name.c_str(), lpValue, 1) : ::unsetenv(name.c_str());
    if (rc != 0) {
        vntSetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

DWORD ExpandEnvironmentStringsA(LPCSTR lpSrc, LPSTR lpDst, DWORD nSize)
{
    if (!lpSrc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string out;
    for (const char* p = lpSrc; *p;) {
        const char* close = *p == '%' ? std::strchr(p + 1, '%') : nullptr;
        if (!close) {
            out += *p++;
            continue;
        }
        std::string name(p + 1, close);
        std::string value;
        if (!name.empty() && lookupVariable(name, value))
            out += value;
        else
            out.append(p, close + 1);
        p = close + 1;
    }
    DWORD needed = DWORD(out.size() + 1);
    if (lpDst && nSize >= needed)
        std::memcpy(lpDst, out.c_str(), needed);
    return needed;
}

int MulDiv(int nNumber, int nNumerator, int nDenominator)
{
    if (nDenominator == 0)
        return -1;
    const long long product = (long long)nNumber * nNumerator;
    const long long half = (nDenominator < 0 ? -(long long)nDenominator : nDenominator) / 2;
    const bool negative = (product < 0) != (nDenominator < 0);
    const long long magnitude = ((product < 0 ? -product : product) + half) / (nDenominator < 0 ? -(long long)nDenominator : nDenominator);
    const long long result = negative ? -magnitude : magnitude;
    return result > INT32_MAX || result < INT32_MIN ? -1 : int(result);
}
