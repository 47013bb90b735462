// Shell links kept as freedesktop desktop entries.

#include "shell/ShellLink.h"
#include "shell/DesktopEntryFile.h"

#include "com/ComObject.h"

#include "kernel/FileObject.h"

#include "plat/codepage.h"
#include "plat/com.h"
#include "plat/objidl.h"
#include "plat/errors.h"
#include "plat/shlobj.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace plat::shell {

namespace {

constexpr size_t kMaxPathChars = 4095;
constexpr size_t kMaxArgsChars = 4095;
constexpr size_t kMaxDescChars = INFOTIPSIZE - 1;

HRESULT lastErrorResult()
{
    DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// The value escapes of the entry format: a leading blank would be taken for the blank around "=".
std::string escapeValue(const std::string& s)
{
    std::string out;
    bool leading = true;
    for (char c : s) {
        if (c != ' ')
            leading = false;
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case ' ': out += leading ? "\\s" : " "; break;
        default: out += c;
        }
    }
    return out;
}

// Unknown escapes stay as written: they belong to the quoting of Exec.
std::string unescapeValue(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        char c = s[++i];
        switch (c) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        default: out += '\\'; out += c;
        }
    }
    return out;
}

// "%" starts a field code in Exec; a literal one is doubled.
std::string doublePercent(const std::string& s)
{
    std::string out;
    for (char c : s) {
        out += c;
        if (c == '%')
            out += '%';
    }
    return out;
}

std::string singlePercent(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        out += s[i];
        if (s[i] == '%' && i + 1 < s.size() && s[i + 1] == '%')
            ++i;
    }
    return out;
}

std::string execLine(const std::string& target, const std::string& arguments)
{
    std::string exec = "\"";
    for (char c : doublePercent(target)) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            exec += '\\';
        exec += c;
    }
    exec += '"';
    if (!arguments.empty())
        exec += ' ' + doublePercent(arguments);
    return exec;
}

// The program (first word, quoted or not) and the rest of an unescaped Exec value.
void splitExec(const std::string& exec, std::string& target, std::string& arguments)
{
    size_t i = exec.find_first_not_of(' ');
    std::string word;
    if (i != std::string::npos && exec[i] == '"') {
        for (++i; i < exec.size() && exec[i] != '"'; ++i) {
            if (exec[i] == '\\' && i + 1 < exec.size())
                ++i;
            word += exec[i];
        }
        if (i < exec.size())
            ++i;
    } else if (i != std::string::npos) {
        size_t end = exec.find(' ', i);
        word = exec.substr(i, end == std::string::npos ? std::string::npos : end - i);
        i = end;
    }
    target = singlePercent(word);
    size_t rest = i == std::string::npos ? std::string::npos : exec.find_first_not_of(' ', i);
    arguments = rest == std::string::npos ? std::string() : singlePercent(exec.substr(rest));
}

bool isOwnKey(const std::string& key) { return key == "Type" || key == "Name" || key == "Comment" || key == "Exec"; }

// The text of a caller's wide file name as a native path; false with hr when it names no file.
bool linkPath(LPCOLESTR name, std::string& path, HRESULT& hr)
{
    std::u16string_view wide(name);
    if (!plat::nativePath(plat::utf8FromUtf16(wide).c_str(), path)) {
        hr = lastErrorResult();
        return false;
    }
    return true;
}

HRESULT copyOut(const std::string& text, LPSTR buffer, int cch)
{
    if (!buffer || cch <= 0)
        return E_INVALIDARG;
    size_t n = std::min(text.size(), size_t(cch) - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return S_OK;
}

class ShellLink final : public plat::com::ComObject<ShellLink, IShellLinkA, IPersistFile> {
public:
    void* face(REFIID riid)
    {
        if (riid == IID_IShellLinkA)
            return static_cast<IShellLinkA*>(this);
        if (riid == IID_IPersistFile || riid == IID_IPersist)
            return static_cast<IPersistFile*>(this);
        return nullptr;
    }

    HRESULT GetPath(LPSTR pszFile, int cch, WIN32_FIND_DATAA* pfd, DWORD) override
    {
        HRESULT hr = copyOut(m_target, pszFile, cch);
        if (FAILED(hr))
            return hr;
        if (pfd) {
            std::memset(pfd, 0, sizeof *pfd);
            std::string name = m_target.substr(m_target.rfind('/') + 1);
            copyOut(name, pfd->cFileName, MAX_PATH);
        }
        return m_target.empty() ? S_FALSE : S_OK;
    }
    HRESULT GetDescription(LPSTR pszName, int cch) override { return copyOut(m_description, pszName, cch); }
    HRESULT SetDescription(LPCSTR pszName) override
    {
        HRESULT hr = setText(m_description, pszName, kMaxDescChars);
        m_descriptionSet = m_descriptionSet || SUCCEEDED(hr);
        return hr;
    }
    HRESULT GetArguments(LPSTR pszArgs, int cch) override { return copyOut(m_arguments, pszArgs, cch); }
    HRESULT SetArguments(LPCSTR pszArgs) override { return setText(m_arguments, pszArgs, kMaxArgsChars); }
    HRESULT SetPath(LPCSTR pszFile) override
    {
        if (!pszFile || !*pszFile || std::strlen(pszFile) > kMaxPathChars)
            return E_INVALIDARG;
        std::string path;
        if (!plat::nativePath(pszFile, path))
            return lastErrorResult();
        // Launchers start a bare name from PATH, but know no current folder.
        if (path[0] != '/' && path.find('/') != std::string::npos)
            path = plat::fullPathOf(path);
        m_target = path;
        m_dirty = true;
        return S_OK;
    }

    HRESULT GetClassID(CLSID* pClassID) override
    {
        if (!pClassID)
            return E_POINTER;
        *pClassID = CLSID_ShellLink;
        return S_OK;
    }
    HRESULT IsDirty() override { return m_dirty ? S_OK : S_FALSE; }
    HRESULT Load(LPCOLESTR pszFileName, DWORD) override
    {
        if (!pszFileName)
            return E_INVALIDARG;
        std::string path, text;
        HRESULT hr;
        if (!linkPath(pszFileName, path, hr) || !readEntryFile(path, text, hr))
            return hr;
        std::vector<std::string> lines = entryLines(text);
        bool found = false, inside = false;
        std::string name, description, exec;
        for (const std::string& line : lines) {
            if (isGroupLine(line)) {
                inside = !found && trimmed(line) == kEntryGroup;
                found = found || inside;
                continue;
            }
            std::string value;
            std::string key = inside ? keyOf(line, &value) : std::string();
            if (key == "Name")
                name = unescapeValue(value);
            else if (key == "Comment")
                description = unescapeValue(value);
            else if (key == "Exec")
                exec = unescapeValue(value);
        }
        if (!found)
            return E_FAIL;
        m_lines = std::move(lines);
        m_loadedName = name;
        m_description = description;
        m_descriptionSet = false;
        splitExec(exec, m_target, m_arguments);
        m_file = pszFileName;
        m_dirty = false;
        return S_OK;
    }
    HRESULT Save(LPCOLESTR pszFileName, BOOL fRemember) override
    {
        if (!pszFileName && m_file.empty())
            return E_INVALIDARG;
        std::u16string file = pszFileName ? std::u16string(pszFileName) : m_file;
        std::string path;
        HRESULT hr;
        if (!linkPath(file.c_str(), path, hr))
            return hr;
        // Only a file Load accepts is written.
        std::string text = entryText(path);
        hr = text.size() > kMaxEntryFileBytes ? E_FAIL : replaceTextFile(path, text);
        if (FAILED(hr))
            return hr;
        if (fRemember || !pszFileName) {
            m_file = file;
            m_dirty = false;
        }
        return S_OK;
    }
    HRESULT SaveCompleted(LPCOLESTR) override { return S_OK; }
    HRESULT GetCurFile(LPOLESTR* ppszFileName) override
    {
        if (!ppszFileName)
            return E_POINTER;
        *ppszFileName = nullptr;
        if (m_file.empty())
            return S_FALSE;
        auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((m_file.size() + 1) * sizeof(OLECHAR)));
        if (!copy)
            return E_OUTOFMEMORY;
        std::memcpy(copy, m_file.c_str(), (m_file.size() + 1) * sizeof(OLECHAR));
        *ppszFileName = copy;
        return S_OK;
    }

private:
    HRESULT setText(std::string& field, LPCSTR text, size_t maxChars)
    {
        if (!text || std::strlen(text) > maxChars)
            return E_INVALIDARG;
        field = text;
        m_dirty = true;
        return S_OK;
    }

    // The file's text: this link's lines at the head of the entry group, every other line of a
    // loaded file kept.
    std::string entryText(const std::string& path) const
    {
        // A loaded entry keeps its name until a description is given.
        std::string name = m_descriptionSet || m_loadedName.empty() ? m_description : m_loadedName;
        if (name.empty())
            name = m_loadedName;
        if (name.empty()) {
            name = path.substr(path.rfind('/') + 1);
            size_t dot = name.rfind('.');
            if (dot != std::string::npos && dot > 0)
                name.resize(dot);
        }
        std::string own = "Type=Application\nName=" + escapeValue(name) + "\n";
        if (!m_description.empty())
            own += "Comment=" + escapeValue(m_description) + "\n";
        if (!m_target.empty() || !m_arguments.empty())
            own += "Exec=" + escapeValue(execLine(m_target, m_arguments)) + "\n";
        if (m_lines.empty())
            return std::string(kEntryGroup) + "\n" + own;
        std::string text;
        bool done = false, inside = false;
        for (const std::string& line : m_lines) {
            if (isGroupLine(line)) {
                inside = !done && trimmed(line) == kEntryGroup;
                text += line + "\n";
                if (inside)
                    text += own;
                done = done || inside;
                continue;
            }
            if (!inside || !isOwnKey(keyOf(line)))
                text += line + "\n";
        }
        return text;
    }

    std::string m_target;
    std::string m_arguments;
    std::string m_description;
    std::string m_loadedName;
    bool m_descriptionSet = false;
    std::vector<std::string> m_lines; // of the loaded file
    std::u16string m_file;            // the remembered file
    bool m_dirty = false;
};

} // namespace

HRESULT createShellLink(REFIID riid, void** ppv)
{
    auto* link = new (std::nothrow) ShellLink;
    if (!link)
        return E_OUTOFMEMORY;
    HRESULT hr = link->QueryInterface(riid, ppv);
    link->Release();
    return hr;
}

} // namespace plat::shell
