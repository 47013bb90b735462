// The open and save file dialogs: a window on the desktop (or for tests that ask for it), else
// recorded and answered by the policy tests set; either way put through the checks of the flags.

#include "Display.h"
#include "FileDialogWindow.h"

#include "plat/commdlg.h"
#include "plat/errors.h"
#include "plat/file.h"
#include "plat/msgbox.h"
#include "plat/testhooks.h"

#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <unistd.h>

namespace {

struct Policy {
    std::mutex mutex;
    std::deque<plat::FileDialogAnswer> answers;
    std::vector<plat::FileDialogRecord> records;
};

Policy& policy()
{
    static Policy* p = new Policy;
    return *p;
}

thread_local DWORD t_extendedError = 0;

std::vector<std::pair<std::string, std::string>> filterPairs(LPCSTR filter)
{
    std::vector<std::pair<std::string, std::string>> out;
    while (filter && *filter) {
        std::string description = filter;
        filter += description.size() + 1;
        std::string patterns = filter;
        filter += patterns.size() + (*filter || !patterns.empty() ? 1 : 0);
        out.push_back({description, patterns});
        if (patterns.empty())
            break;
    }
    return out;
}

std::string currentFolder()
{
    char buffer[4096];
    return GetCurrentDirectoryA(sizeof buffer, buffer) ? buffer : ".";
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : slash == 0 ? "/" : path.substr(0, slash);
}

// Where the dialog starts: the proposed file's folder, else the initial folder, else the current one.
std::string startFolder(const OPENFILENAMEA& ofn)
{
    if (ofn.lpstrFile && ofn.lpstrFile[0] == '/' && !folderOf(ofn.lpstrFile).empty())
        return folderOf(ofn.lpstrFile);
    if (ofn.lpstrInitialDir && *ofn.lpstrInitialDir)
        return ofn.lpstrInitialDir;
    return currentFolder();
}

// A name without an extension gets the default one after one dot, whether or not it was given
// with its dot.
std::string withDefaultExtension(const std::string& path, LPCSTR defExt)
{
    const size_t name = path.find_last_of('/') + 1;
    if (!defExt || !*defExt || path.find('.', name) != std::string::npos)
        return path;
    return path + "." + (defExt[0] == '.' ? defExt + 1 : defExt);
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string titleOf(const OPENFILENAMEA& ofn, bool save)
{
    return ofn.lpstrTitle ? ofn.lpstrTitle : save ? "Save As" : "Open";
}

// Says a failed check in a box; answers whether the choice stands.
bool checked(const OPENFILENAMEA& ofn, bool save, const std::string& path)
{
    const std::string title = titleOf(ofn, save);
    auto refuse = [&](const std::string& text) {
        MessageBoxA(ofn.hwndOwner, text.c_str(), title.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    };
    const std::string name = path.substr(path.find_last_of('/') + 1);
    if ((ofn.Flags & OFN_PATHMUSTEXIST) && !folderOf(path).empty() && !exists(folderOf(path)))
        return refuse(name + "\nPath does not exist.\nCheck the path and try again.");
    if (!save && (ofn.Flags & OFN_FILEMUSTEXIST) && !exists(path))
        return refuse(name + "\nFile not found.\nPlease verify the correct file name was given.");
    if ((ofn.Flags & OFN_NOREADONLYRETURN) && exists(path) && access(path.c_str(), W_OK) != 0)
        return refuse(name + "\nThis file is set to read-only.\nTry again with a different file name.");
    if (save && (ofn.Flags & OFN_OVERWRITEPROMPT) && exists(path)) {
        const std::string text = name + " already exists.\nDo you want to replace it?";
        return MessageBoxA(ofn.hwndOwner, text.c_str(), title.c_str(), MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
    }
    return true;
}

// The result as lpstrFile holds it, with the offsets of the (first) name and its extension.
std::string resultText(const std::vector<std::string>& paths, bool multiple, WORD& nameAt, WORD& extensionAt)
{
    if (!multiple || paths.size() == 1) {
        const std::string& path = paths.front();
        nameAt = WORD(path.find_last_of('/') + 1);
        const size_t dot = path.find_last_of('.');
        extensionAt = WORD(dot == std::string::npos || dot < nameAt ? path.size() : dot + 1);
        return path;
    }
    std::string text = folderOf(paths.front());
    nameAt = WORD(text.size() + 1);
    extensionAt = 0;
    for (const std::string& path : paths)
        text += '\0' + path.substr(path.find_last_of('/') + 1);
    return text + '\0';
}

// The headless answer: recorded, then the next queued answer through the checks.
std::optional<std::vector<std::string>> policyChoice(const OPENFILENAMEA& ofn, bool save, const std::string& folder)
{
    plat::FileDialogAnswer answer{true, {}};
    {
        Policy& p = policy();
        std::lock_guard lock(p.mutex);
        const std::string proposed = ofn.lpstrFile ? ofn.lpstrFile : "";
        p.records.push_back(plat::FileDialogRecord{save, ofn.hwndOwner, titleOf(ofn, save),
            filterPairs(ofn.lpstrFilter), ofn.Flags, folder, proposed.substr(proposed.find_last_of('/') + 1)});
        if (!p.answers.empty()) {
            answer = std::move(p.answers.front());
            p.answers.pop_front();
        }
    }
    if (answer.cancel || answer.paths.empty())
        return std::nullopt;
    std::vector<std::string> paths;
    for (const std::string& picked : answer.paths) {
        std::string path = withDefaultExtension(picked.front() == '/' ? picked : folder + "/" + picked, ofn.lpstrDefExt);
        if (!checked(ofn, save, path))
            return std::nullopt;
        paths.push_back(path);
    }
    return paths;
}

// The user's choice in the dialog's window, which stays open while a check refuses it.
std::optional<std::vector<std::string>> windowChoice(OPENFILENAMEA& ofn, bool save, const std::string& folder)
{
    plat::ui::FileDialogWindowSetup setup;
    setup.owner = ofn.hwndOwner;
    setup.title = titleOf(ofn, save);
    setup.folder = folder;
    const std::string proposed = ofn.lpstrFile ? ofn.lpstrFile : "";
    setup.name = proposed.substr(proposed.find_last_of('/') + 1);
    setup.filters = filterPairs(ofn.lpstrFilter);
    setup.filterIndex = ofn.nFilterIndex > 0 ? ofn.nFilterIndex - 1 : 0;
    setup.multiple = (ofn.Flags & OFN_ALLOWMULTISELECT) != 0;
    setup.accept = [&](std::vector<std::string>& paths) {
        for (std::string& path : paths) {
            path = withDefaultExtension(path, ofn.lpstrDefExt);
            if (!checked(ofn, save, path))
                return false;
        }
        return true;
    };
    return plat::ui::runFileDialogWindow(setup);
}

std::atomic<bool> g_windowForTests{false};

bool showsWindow() { return g_windowForTests || plat::ui::display().showsWindows(); }

BOOL runFileDialog(LPOPENFILENAMEA ofn, bool save)
{
    t_extendedError = 0;
    if (!ofn || ofn->lStructSize != sizeof(OPENFILENAMEA)) {
        t_extendedError = CDERR_STRUCTSIZE;
        return FALSE;
    }
    const std::string folder = startFolder(*ofn);
    const std::optional<std::vector<std::string>> chosen =
        showsWindow() ? windowChoice(*ofn, save, folder) : policyChoice(*ofn, save, folder);
    if (!chosen)
        return FALSE;
    const std::vector<std::string>& paths = *chosen;
    WORD nameAt = 0, extensionAt = 0;
    const std::string text = resultText(paths, (ofn->Flags & OFN_ALLOWMULTISELECT) != 0, nameAt, extensionAt);
    if (!ofn->lpstrFile || text.size() + 1 > ofn->nMaxFile) {
        if (ofn->lpstrFile && ofn->nMaxFile >= 2) {
            const WORD needed = WORD(std::min<size_t>(text.size() + 1, 0xFFFF));
            std::memcpy(ofn->lpstrFile, &needed, 2);
        }
        t_extendedError = FNERR_BUFFERTOOSMALL;
        return FALSE;
    }
    std::memcpy(ofn->lpstrFile, text.c_str(), text.size() + 1);
    ofn->nFileOffset = nameAt;
    ofn->nFileExtension = extensionAt;
    if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
        const std::string name = paths.front().substr(paths.front().find_last_of('/') + 1);
        std::strncpy(ofn->lpstrFileTitle, name.c_str(), ofn->nMaxFileTitle - 1);
        ofn->lpstrFileTitle[ofn->nMaxFileTitle - 1] = '\0';
    }
    return TRUE;
}

} // namespace

BOOL GetOpenFileNameA(LPOPENFILENAMEA lpofn) { return runFileDialog(lpofn, false); }
BOOL GetSaveFileNameA(LPOPENFILENAMEA lpofn) { return runFileDialog(lpofn, true); }
DWORD CommDlgExtendedError() { return t_extendedError; }

void vntTestUseFileDialogWindow(BOOL on) { g_windowForTests = on != FALSE; }

namespace plat {

void setFileDialogAnswers(std::vector<FileDialogAnswer> answers)
{
    std::lock_guard lock(policy().mutex);
    for (FileDialogAnswer& a : answers)
        policy().answers.push_back(std::move(a));
}

std::vector<FileDialogRecord> fileDialogRecords()
{
    std::lock_guard lock(policy().mutex);
    return policy().records;
}

void resetFileDialogPolicy()
{
    std::lock_guard lock(policy().mutex);
    policy().answers.clear();
    policy().records.clear();
}

} // namespace plat
