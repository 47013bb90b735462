#include "vbStrUtil.h"

#include "vbException.h"
#include "vbSync.h"

#include "plat/afxwin.h"
#include "plat/errors.h"
#include "plat/handles.h"
#include "plat/process.h"
#include "plat/shell.h"

#include <cstdint>
#include <vector>

namespace {

int showMode(ULONG flags)
{
    switch (flags & vbLaunchShowMask) {
    case 0:
        return SW_HIDE;
    case 2:
        return 2; // minimised
    case 3:
        return 3; // maximised
    case 4:
        return 8; // shown, not activated
    case 5:
        return 7; // minimised, not activated
    default:
        return 1; // normal
    }
}

[[noreturn]] void cannotExecute(const vbString& file)
{
    const DWORD err = GetLastError();
    const HRESULT hr = err ? HRESULT(0x80070000u | (err & 0xFFFFu)) : 0;
    throw new vbEsys(true, hr, "Can't execute program '%s' !", file.c_str());
}

HANDLE startProcess(ULONG flags, const vbString& file, const vbString& params, const vbString& dir, int show)
{
    vbString command = "\"" + file + "\"";
    if (!params.IsEmpty())
        command += " " + params;
    std::vector<char> line(command.c_str(), command.c_str() + command.GetLength() + 1);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = WORD(show);
    PROCESS_INFORMATION pi = {};
    DWORD creation = NORMAL_PRIORITY_CLASS;
    if (!(flags & vbLaunchAttached))
        creation |= DETACHED_PROCESS;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, creation, nullptr,
            dir.IsEmpty() ? nullptr : dir.c_str(), &si, &pi))
        cannotExecute(file);
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

HANDLE openWithShell(ULONG flags, CWnd* pParent, const vbString& file, const vbString& params, const vbString& dir,
    int show)
{
    SHELLEXECUTEINFOA sei = {};
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    if (flags & vbLaunchDdeWait)
        sei.fMask |= SEE_MASK_FLAG_DDEWAIT;
    sei.hwnd = pParent ? pParent->m_hWnd : nullptr;
    sei.lpFile = file.c_str();
    sei.lpParameters = params.IsEmpty() ? nullptr : params.c_str();
    sei.lpDirectory = dir.IsEmpty() ? nullptr : dir.c_str();
    sei.nShow = show;
    if (!ShellExecuteExA(&sei))
        cannotExecute(file);
    return sei.hProcess;
}

} // namespace

void* vbLaunchFile(ULONG flags, CWnd* pParent, const vbString& file, const vbString& params, const vbString& dir)
{
    const int show = showMode(flags);
    HANDLE process = (flags & vbLaunchShell) ? openWithShell(flags, pParent, file, params, dir, show)
                                             : startProcess(flags, file, params, dir, show);
    if (!(flags & vbLaunchWait))
        return process;
    // The caller gets the exit code in place of the handle, so the handle is closed here.
    DWORD code = 0;
    try {
        code = vbWaitProcessEnd(process, 60000);
    } catch (...) {
        if (process)
            CloseHandle(process);
        throw;
    }
    if (process)
        CloseHandle(process);
    return reinterpret_cast<void*>(uintptr_t(code));
}
