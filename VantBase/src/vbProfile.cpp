// Profile files, read whole through the platform's file calls and cut into lines.

#include "vbProfile.h"

#include "plat/file.h"
#include "plat/handles.h"

#include <cstring>

namespace {

std::string pathOf(const char* file)
{
    if (std::strchr(file, '/') || std::strchr(file, '\\'))
        return file;
    char dir[MAX_PATH];
    UINT n = GetWindowsDirectoryA(dir, sizeof dir);
    if (n == 0 || n >= sizeof dir)
        return file;
    return std::string(dir, n) + "/" + file;
}

bool readFile(const char* file, std::string* text)
{
    HANDLE h = CreateFileA(pathOf(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    char buffer[16384];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text->append(buffer, got);
    CloseHandle(h);
    return true;
}

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string trimmed(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && blank(s[b]))
        ++b;
    while (e > b && blank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

bool sameName(const std::string& a, const char* b)
{
    size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

// Calls f(key, value) for every pair of the first section named section; f answers false to stop.
template <class F>
void walkSection(const char* file, const char* section, F f)
{
    std::string text;
    if (!readFile(file, &text))
        return;
    bool inside = false, seen = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = trimmed(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            if (inside)
                return;
            size_t close = line.find(']');
            std::string name = trimmed(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            inside = !seen && sameName(name, section);
            seen = seen || inside;
            continue;
        }
        size_t eq = line.find('=');
        if (!inside || eq == std::string::npos)
            continue;
        std::string value = trimmed(line.substr(eq + 1));
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        if (!f(trimmed(line.substr(0, eq)), value))
            return;
    }
}

} // namespace

namespace vbImpl {

std::vector<std::string> profileKeys(const char* file, const char* section)
{
    std::vector<std::string> keys;
    walkSection(file, section, [&](const std::string& key, const std::string&) {
        keys.push_back(key);
        return true;
    });
    return keys;
}

bool profileValue(const char* file, const char* section, const char* key, std::string* value)
{
    bool found = false;
    walkSection(file, section, [&](const std::string& k, const std::string& v) {
        if (!sameName(k, key))
            return true;
        *value = v;
        found = true;
        return false;
    });
    return found;
}

} // namespace vbImpl
