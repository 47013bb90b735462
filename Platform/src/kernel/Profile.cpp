#include "kernel/FileObject.h"

#include "plat/errors.h"
#include "plat/file.h"

#include <cstring>
#include <fstream>
#include <string>
#include <strings.h>
#include <vector>

namespace {

struct Entry {
    std::string key;
    std::string value;
};

struct Section {
    std::string name;
    std::vector<Entry> entries;
};

std::string trim(const std::string& text)
{
    size_t start = text.find_first_not_of(" \t\r");
    if (start == std::string::npos)
        return {};
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(start, end - start + 1);
}

bool sameName(const std::string& a, const char* b) { return ::strcasecmp(a.c_str(), b) == 0; }

// Reads the whole file; false (last error set) when it cannot be opened.
bool readProfile(LPCSTR fileName, std::vector<Section>& sections)
{
    std::string path;
    if (!fileName) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    if (!std::strpbrk(fileName, "/\\")) {
        std::string folder = plat::windowsFolder();
        if (folder.empty())
            return false;
        path = folder + "/" + fileName;
    } else if (!plat::nativePath(fileName, path)) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        plat::setMissingError(path);
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        std::string text = trim(line);
        if (text.empty() || text[0] == ';')
            continue;
        if (text[0] == '[') {
            size_t close = text.find(']');
            sections.push_back(Section{trim(text.substr(1, close == std::string::npos ? std::string::npos : close - 1)), {}});
            continue;
        }
        size_t eq = text.find('=');
        if (sections.empty() || eq == std::string::npos)
            continue;
        std::string value = trim(text.substr(eq + 1));
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        sections.back().entries.push_back(Entry{trim(text.substr(0, eq)), value});
    }
    return true;
}

DWORD copyValue(const std::string& value, LPSTR out, DWORD size)
{
    size_t n = value.size() < size ? value.size() : size - 1;
    std::memcpy(out, value.data(), n);
    out[n] = '\0';
    return DWORD(n);
}

// Names one after the other, each terminated, and one more terminator; cut to fit.
DWORD copyList(const std::vector<std::string>& names, LPSTR out, DWORD size)
{
    std::string list;
    for (const std::string& name : names) {
        list += name;
        list += '\0';
    }
    if (list.size() + 1 <= size) {
        std::memcpy(out, list.data(), list.size());
        out[list.size()] = '\0';
        return DWORD(list.size());
    }
    if (size < 2) {
        out[0] = '\0';
        return 0;
    }
    std::memcpy(out, list.data(), size - 2);
    out[size - 2] = '\0';
    out[size - 1] = '\0';
    return size - 2;
}

} // namespace

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
    DWORD nSize, LPCSTR lpFileName)
{
    if (!lpReturnedString || nSize == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::vector<Section> sections;
    bool read = readProfile(lpFileName, sections);
    if (!lpAppName) {
        std::vector<std::string> names;
        for (const Section& section : sections)
            names.push_back(section.name);
        return copyList(names, lpReturnedString, nSize);
    }
    for (const Section& section : sections) {
        if (!sameName(section.name, lpAppName))
            continue;
        if (!lpKeyName) {
            std::vector<std::string> keys;
            for (const Entry& entry : section.entries)
                keys.push_back(entry.key);
            return copyList(keys, lpReturnedString, nSize);
        }
        for (const Entry& entry : section.entries)
            if (sameName(entry.key, lpKeyName))
                return copyValue(entry.value, lpReturnedString, nSize);
    }
    if (!lpKeyName)
        return copyList({}, lpReturnedString, nSize);
    std::string fallback = lpDefault ? lpDefault : "";
    while (!fallback.empty() && fallback.back() == ' ')
        fallback.pop_back();
    if (read)
        SetLastError(ERROR_FILE_NOT_FOUND);
    return copyValue(fallback, lpReturnedString, nSize);
}
