// The file dialogs' window, a dialog of built-in controls laid out in dialog units.

#include "FileDialogWindow.h"

#include "plat/controls.h"
#include "plat/dialog.h"
#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/window.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace plat::ui {

namespace {

char folded(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool matchesPattern(const char* name, const char* pattern)
{
    // Iterative "*" matching: on a mismatch, let the last star take one more character.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern && (*pattern == '?' || folded(*pattern) == folded(*name))) {
            ++pattern, ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

bool hasWildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// An absolute path without "." and ".." steps or a trailing slash.
std::string normalised(const std::string& path)
{
    std::string out = fs::path(path).lexically_normal().string();
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out.empty() ? "/" : out;
}

std::string joined(const std::string& folder, const std::string& name)
{
    if (!name.empty() && name.front() == '/')
        return normalised(name);
    return normalised(folder == "/" ? "/" + name : folder + "/" + name);
}

bool isFolder(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

struct Entry {
    std::string name;
    bool folder = false;
};

bool foldedLess(const Entry& a, const Entry& b)
{
    const auto less = [](char x, char y) { return folded(x) < folded(y); };
    if (std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(), less))
        return true;
    if (std::lexicographical_compare(b.name.begin(), b.name.end(), a.name.begin(), a.name.end(), less))
        return false;
    return a.name < b.name;
}

// "..", the sub-folders, then the matching files, each group sorted. Hidden entries (a leading
// dot) are left out, as the desktop's own file choosers do.
std::vector<Entry> entriesOf(const std::string& folder, const std::string& patterns)
{
    std::vector<Entry> folders, files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.')
            continue;
        std::error_code typeError;
        if (it->is_directory(typeError))
            folders.push_back({name, true});
        else if (matchesFilePatterns(name, patterns))
            files.push_back({name, false});
    }
    std::sort(folders.begin(), folders.end(), foldedLess);
    std::sort(files.begin(), files.end(), foldedLess);
    std::vector<Entry> out;
    if (folder != "/")
        out.push_back({"..", true});
    out.insert(out.end(), folders.begin(), folders.end());
    out.insert(out.end(), files.begin(), files.end());
    return out;
}

std::string shownText(const Entry& e) { return e.folder && e.name != ".." ? "[" + e.name + "]" : e.name; }

// The names between double quotes ("a.jpg" "b c.jpg"), an unclosed one up to the end; none when
// the text has no quote.
std::vector<std::string> quotedNames(const std::string& text)
{
    std::vector<std::string> names;
    for (size_t open = text.find('"'); open != std::string::npos;) {
        const size_t close = text.find('"', open + 1);
        const std::string name = text.substr(open + 1, close == std::string::npos ? close : close - open - 1);
        if (!trimmed(name).empty())
            names.push_back(name);
        open = close == std::string::npos ? close : text.find('"', close + 1);
    }
    return names;
}

std::string windowText(HWND hwnd)
{
    std::string text(size_t(GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(size_t(GetWindowTextA(hwnd, text.data(), int(text.size()))));
    return text;
}

class FileDialogWindow {
public:
    explicit FileDialogWindow(const FileDialogWindowSetup& setup)
        : m_setup(setup), m_folder(normalised(setup.folder))
    {
        if (m_setup.filterIndex < m_setup.filters.size())
            m_patterns = m_setup.filters[m_setup.filterIndex].second;
        else
            m_patterns = m_setup.filters.empty() ? "*" : m_setup.filters.front().second;
    }

    std::optional<std::vector<std::string>> run();

private:
    static INT_PTR CALLBACK dialogProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK listProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    void create(HWND hDlg);
    HWND control(int id, LPCSTR cls, LPCSTR text, DWORD style, RECT units);
    void command(int id, int code);
    void show(const std::string& folder);
    void activate(int index);
    void ok();
    void typed(const std::string& text);
    void typedName(const std::string& name);
    void selectionChanged();
    std::vector<int> selected() const;
    std::vector<std::string> selectedFiles() const;
    void selectAllFiles();
    void take(std::vector<std::string> paths);
    void focusName();
    HWND item(int id) const { return GetDlgItem(m_dlg, id); }

    const FileDialogWindowSetup& m_setup;
    std::string m_folder;
    std::string m_patterns;
    std::vector<Entry> m_entries;
    std::optional<std::vector<std::string>> m_result;
    HWND m_dlg = nullptr;
    WNDPROC m_listDefault = nullptr;
    // What the selection last wrote into the name edit: while it stands there, the list's files
    // are the ones chosen (their names may hold the quotes that the edit's form cannot carry).
    std::string m_selectionText;
    bool m_shown = false;
};

std::optional<std::vector<std::string>> FileDialogWindow::run()
{
    // An empty template: the controls are made in WM_INITDIALOG, sized from the dialog's font.
    struct {
        DLGTEMPLATE header;
        WORD menuClassCaption[3];
    } tmpl{};
    tmpl.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    tmpl.header.cx = 280;
    tmpl.header.cy = 172;
    if (DialogBoxIndirectParamA(nullptr, &tmpl.header, m_setup.owner, dialogProc, LPARAM(this)) != IDOK)
        return std::nullopt;
    return m_result;
}

INT_PTR CALLBACK FileDialogWindow::dialogProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<FileDialogWindow*>(lParam);
        SetWindowLongPtrA(hDlg, DWLP_USER, LONG_PTR(self));
        self->create(hDlg);
        return FALSE; // the focus is set
    }
    auto* self = reinterpret_cast<FileDialogWindow*>(GetWindowLongPtrA(hDlg, DWLP_USER));
    if (!self)
        return FALSE;
    if (msg == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && !self->m_shown) {
        // The first activation starts in the name edit, not in the first control (the list).
        self->m_shown = true;
        self->focusName();
        return TRUE;
    }
    if (msg != WM_COMMAND)
        return FALSE;
    self->command(LOWORD(wParam), HIWORD(wParam));
    return TRUE;
}

// The list's own keys, with Backspace going up a folder.
LRESULT CALLBACK FileDialogWindow::listProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<FileDialogWindow*>(GetWindowLongPtrA(GetParent(hwnd), DWLP_USER));
    if (msg == WM_KEYDOWN && wParam == VK_BACK) {
        if (self->m_folder != "/")
            self->show(joined(self->m_folder, ".."));
        return 0;
    }
    if (msg == WM_KEYDOWN && wParam == 'A' && (GetKeyState(VK_CONTROL) & 0x8000) && self->m_setup.multiple) {
        self->selectAllFiles();
        return 0;
    }
    return CallWindowProcA(self->m_listDefault, hwnd, msg, wParam, lParam);
}

HWND FileDialogWindow::control(int id, LPCSTR cls, LPCSTR text, DWORD style, RECT units)
{
    MapDialogRect(m_dlg, &units);
    HWND hwnd = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, units.left, units.top,
        units.right - units.left, units.bottom - units.top, m_dlg, reinterpret_cast<HMENU>(INT_PTR(id)), nullptr,
        nullptr);
    SendMessageA(hwnd, WM_SETFONT, WPARAM(SendMessageA(m_dlg, WM_GETFONT, 0, 0)), FALSE);
    return hwnd;
}

void FileDialogWindow::create(HWND hDlg)
{
    m_dlg = hDlg;
    SetWindowTextA(hDlg, m_setup.title.c_str());
    const DWORD multiple = m_setup.multiple ? LBS_EXTENDEDSEL : 0;
    control(kFileDialogFolder, "Static", "", SS_LEFTNOWORDWRAP | SS_NOPREFIX, {7, 7, 273, 17});
    HWND list = control(kFileDialogList, "ListBox", "",
        WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | multiple, {7, 20, 273, 128});
    control(-1, "Static", "File &name:", SS_LEFT, {7, 136, 58, 146});
    control(kFileDialogName, "Edit", m_setup.name.c_str(), WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
        {60, 134, 216, 146});
    control(-1, "Static", "Files of &type:", SS_LEFT, {7, 154, 58, 164});
    HWND filter = control(kFileDialogFilter, "ComboBox", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
        {60, 152, 216, 232});
    control(IDOK, "Button", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, {223, 133, 273, 147});
    control(IDCANCEL, "Button", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, {223, 151, 273, 165});

    m_listDefault = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(list, GWLP_WNDPROC, LONG_PTR(listProc)));
    for (const auto& [description, patterns] : m_setup.filters)
        SendMessageA(filter, CB_ADDSTRING, 0, LPARAM(description.c_str()));
    SendMessageA(filter, CB_SETCURSEL, WPARAM(m_setup.filterIndex < m_setup.filters.size() ? m_setup.filterIndex : 0), 0);
    show(m_folder);
    focusName();
}

void FileDialogWindow::focusName()
{
    HWND name = item(kFileDialogName);
    SetFocus(name);
    SendMessageA(name, EM_SETSEL, 0, -1);
}

void FileDialogWindow::command(int id, int code)
{
    if (id == IDOK && code == BN_CLICKED)
        ok();
    else if (id == IDCANCEL && code == BN_CLICKED)
        EndDialog(m_dlg, IDCANCEL);
    else if (id == kFileDialogList && code == LBN_DBLCLK)
        activate(int(SendMessageA(item(kFileDialogList), LB_GETCURSEL, 0, 0)));
    else if (id == kFileDialogList && code == LBN_SELCHANGE)
        selectionChanged();
    else if (id == kFileDialogFilter && code == CBN_SELCHANGE) {
        const LRESULT chosen = SendMessageA(item(kFileDialogFilter), CB_GETCURSEL, 0, 0);
        if (chosen >= 0 && size_t(chosen) < m_setup.filters.size()) {
            m_patterns = m_setup.filters[size_t(chosen)].second;
            show(m_folder);
        }
    }
}

void FileDialogWindow::show(const std::string& folder)
{
    m_folder = folder;
    m_entries = entriesOf(folder, m_patterns);
    SetDlgItemTextA(m_dlg, kFileDialogFolder, folder.c_str());
    HWND list = item(kFileDialogList);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const Entry& e : m_entries)
        SendMessageA(list, LB_ADDSTRING, 0, LPARAM(shownText(e).c_str()));
}

void FileDialogWindow::activate(int index)
{
    if (index < 0 || size_t(index) >= m_entries.size())
        return;
    const Entry& e = m_entries[size_t(index)];
    if (!e.folder) {
        take({joined(m_folder, e.name)});
        return;
    }
    show(joined(m_folder, e.name));
    focusName();
}

std::vector<int> FileDialogWindow::selected() const
{
    HWND list = item(kFileDialogList);
    if (!m_setup.multiple) {
        const int current = int(SendMessageA(list, LB_GETCURSEL, 0, 0));
        return current >= 0 ? std::vector<int>{current} : std::vector<int>{};
    }
    std::vector<int> out(size_t(std::max<LRESULT>(0, SendMessageA(list, LB_GETSELCOUNT, 0, 0))));
    if (!out.empty())
        SendMessageA(list, LB_GETSELITEMS, WPARAM(out.size()), LPARAM(out.data()));
    return out;
}

// The names of the selected files, folders left out.
std::vector<std::string> FileDialogWindow::selectedFiles() const
{
    std::vector<std::string> files;
    for (int index : selected())
        if (!m_entries[size_t(index)].folder)
            files.push_back(m_entries[size_t(index)].name);
    return files;
}

// Every file shown, and no folder, so that OK takes them rather than opening a folder.
void FileDialogWindow::selectAllFiles()
{
    HWND list = item(kFileDialogList);
    for (size_t i = 0; i < m_entries.size(); ++i)
        SendMessageA(list, LB_SETSEL, WPARAM(!m_entries[i].folder), LPARAM(i));
    selectionChanged();
}

// The name edit follows the selected files: one as it is, several each in double quotes, the way
// a typed list of names is read back.
void FileDialogWindow::selectionChanged()
{
    const std::vector<std::string> files = selectedFiles();
    if (files.empty()) {
        m_selectionText.clear(); // the edit no longer says what the list chose
        return;
    }
    std::string text = files.size() == 1 ? files.front() : std::string();
    for (size_t i = 0; files.size() > 1 && i < files.size(); ++i)
        text += (i ? " \"" : "\"") + files[i] + "\"";
    SetDlgItemTextA(m_dlg, kFileDialogName, text.c_str());
    m_selectionText = trimmed(windowText(item(kFileDialogName)));
}

// From the list when it has the focus, nothing is typed or the name edit still shows the selection:
// its folder is opened, its files taken. Otherwise the typed name.
void FileDialogWindow::ok()
{
    const std::string text = trimmed(windowText(item(kFileDialogName)));
    const bool showsSelection = !text.empty() && text == m_selectionText;
    if (GetFocus() == item(kFileDialogList) || text.empty() || showsSelection) {
        const int current = int(SendMessageA(item(kFileDialogList), LB_GETCURSEL, 0, 0));
        if (current >= 0 && m_entries[size_t(current)].folder && !showsSelection) {
            activate(current);
            return;
        }
        std::vector<std::string> files = selectedFiles();
        for (std::string& file : files)
            file = joined(m_folder, file);
        if (!files.empty() || text.empty()) {
            if (!files.empty())
                take(files);
            return;
        }
    }
    typed(text);
}

// A text that begins with a double quote, in a dialog that takes several files, is a list of names
// in double quotes. Anything else is one name as it is typed, less one pair of quotes around it:
// quotes are legal in a file name, and a save must write the file named, not one of its parts.
void FileDialogWindow::typed(const std::string& text)
{
    if (m_setup.multiple && text.front() == '"') {
        const std::vector<std::string> names = quotedNames(text);
        if (names.size() > 1) {
            std::vector<std::string> paths;
            for (const std::string& name : names)
                paths.push_back(joined(m_folder, name));
            take(paths);
            return;
        }
        if (names.size() == 1)
            return typedName(names.front());
    }
    const bool quoted = text.size() >= 2 && text.front() == '"' && text.back() == '"';
    typedName(quoted ? text.substr(1, text.size() - 2) : text);
}

// A typed folder is opened, a typed pattern becomes the filter (in its folder), anything else is
// the file chosen.
void FileDialogWindow::typedName(const std::string& name)
{
    const std::string path = joined(m_folder, name);
    if (isFolder(path)) {
        SetDlgItemTextA(m_dlg, kFileDialogName, "");
        show(path);
        return;
    }
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    const std::string last = path.substr(slash + 1);
    if (hasWildcard(last) && isFolder(folder)) {
        m_patterns = last;
        SetDlgItemTextA(m_dlg, kFileDialogName, "");
        show(folder);
        return;
    }
    take({path});
}

void FileDialogWindow::take(std::vector<std::string> paths)
{
    if (m_setup.accept && !m_setup.accept(paths))
        return;
    m_result = std::move(paths);
    EndDialog(m_dlg, IDOK);
}

} // namespace

std::optional<std::vector<std::string>> runFileDialogWindow(const FileDialogWindowSetup& setup)
{
    return FileDialogWindow(setup).run();
}

bool matchesFilePatterns(const std::string& name, const std::string& patterns)
{
    size_t from = 0;
    while (from <= patterns.size()) {
        size_t end = patterns.find(';', from);
        if (end == std::string::npos)
            end = patterns.size();
        std::string pattern = trimmed(patterns.substr(from, end - from));
        if (pattern == "*.*")
            pattern = "*"; // every file, with or without an extension
        if (!pattern.empty() && matchesPattern(name.c_str(), pattern.c_str()))
            return true;
        from = end + 1;
    }
    return false;
}

} // namespace plat::ui
