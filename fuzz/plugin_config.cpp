// A plug type's configuration as the registry holds it, whatever the key names and values: the
// input lines describe the tree (a line "P<name>[\t<label>]" opens a plug-in key, a line
// "O<name>\t<kind><value>" adds an object key to it whose "priority" is a REG_DWORD ('d', the
// value as a decimal number), a REG_SZ ('s'), a REG_BINARY ('b') or missing (any other kind).
// The reading must leave an object table sorted by name without a name twice, and for every
// name the priority at least as high as every REG_DWORD priority met for it.
//
// Every registry call is a transaction of the registry's database, and an input makes tens of
// them (the tree written, read back by the plug type and by the check): it runs tens of inputs a
// second.

#include "FuzzTempDir.h"

#include "vbHotPlugin.h"
#include "vbLog.h"
#include "vbRegEngine.h"
#include "vbStrUtil.h"

#include "plat/registry.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

namespace {

class FuzzType : public vbHotPlugType {
public:
    FuzzType() : vbHotPlugType("Test", "5", "KVX Vantrel HotPlug Test", &message(), vbEngineDeps()) { }
    using vbHotPlugType::m_objects;
    using vbHotPlugType::m_sect;
    using vbHotPlugType::onReloadConfig;

    static vbExtraMsg& message()
    {
        static vbExtraMsg msg("KVX Vantrel HotPlug Test Message");
        return msg;
    }
};

// Object names compare as the object table compares them.
struct NoCase {
    bool operator()(const vbString& a, const vbString& b) const { return vbSortStringNC(a, b) < 0; }
};
typedef std::map<vbString, LONG, NoCase> Maxima;

const char kRoot[] = "Software\\KVX Vantrel\\Test plugins.5";

// A key name of the input: registry paths would split at a backslash.
std::string keyName(std::string name)
{
    for (char& c : name)
        if (c == '\\' || c == '\0')
            c = '/';
    return name;
}

void setValue(HKEY key, const char* name, DWORD type, const void* data, size_t size)
{
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
}

void writeTree(const std::string& text)
{
    // The previous input's tree goes whole: the registry refuses to delete a key that still has
    // sub-keys, and what piled up would slow every later input and make a failure depend on
    // the inputs before it.
    vbRegKey(vbRegLocalMachine, kRoot).DeleteKey(true, false);
    std::string plugin;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.size() < 2)
            continue;
        const size_t tab = line.find('\t');
        const std::string name = keyName(line.substr(1, tab == std::string::npos ? std::string::npos : tab - 1));
        const std::string rest = tab == std::string::npos ? std::string() : line.substr(tab + 1);
        HKEY key = nullptr;
        if (line[0] == 'P') {
            plugin = name;
            if (RegCreateKeyA(HKEY_LOCAL_MACHINE, (std::string(kRoot) + "\\" + plugin).c_str(), &key) != 0)
                continue;
            if (!rest.empty())
                setValue(key, nullptr, REG_SZ, rest.c_str(), rest.size() + 1);
        } else if (line[0] == 'O' && !plugin.empty()) {
            if (RegCreateKeyA(HKEY_LOCAL_MACHINE, (std::string(kRoot) + "\\" + plugin + "\\" + name).c_str(), &key) != 0)
                continue;
            const std::string value = rest.empty() ? std::string() : rest.substr(1);
            const char kind = rest.empty() ? 'n' : rest[0];
            if (kind == 'd') {
                const DWORD number = static_cast<DWORD>(std::strtol(value.c_str(), nullptr, 10));
                setValue(key, "priority", REG_DWORD, &number, sizeof number);
            } else if (kind == 's') {
                setValue(key, "priority", REG_SZ, value.c_str(), value.size() + 1);
            } else if (kind == 'b') {
                setValue(key, "priority", REG_BINARY, value.data(), value.size());
            } else {
                setValue(key, "other", REG_SZ, value.c_str(), value.size() + 1);
            }
        }
        if (key)
            RegCloseKey(key);
    }
}

// The highest REG_DWORD priority of each object name under a key that names a plug-in, as the
// registry gives the tree back.
Maxima dwordMaxima()
{
    Maxima maxima;
    vbRegKey root(vbRegLocalMachine, kRoot);
    if (!root.Exists())
        return maxima;
    vbRegEnumKey plugins(root);
    vbString pluginName;
    while (plugins.Next(&pluginName)) {
        GUID id;
        const char* end = nullptr;
        if (!vbStrToGuid(pluginName, &id, &end) || !end || *end)
            continue;
        vbRegKey pluginKey(root, pluginName);
        vbRegEnumKey objects(pluginKey);
        vbString objectName;
        while (objects.Next(&objectName)) {
            HKEY key = nullptr;
            const std::string path = std::string(kRoot) + "\\" + pluginName.c_str() + "\\" + objectName.c_str();
            if (RegOpenKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key) != 0)
                continue;
            DWORD type = 0;
            DWORD value = 0;
            DWORD size = sizeof value;
            if (RegQueryValueExA(key, "priority", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == 0 &&
                type == REG_DWORD) {
                auto it = maxima.find(objectName);
                const LONG priority = static_cast<LONG>(value);
                if (it == maxima.end())
                    maxima[objectName] = priority;
                else if (it->second < priority)
                    it->second = priority;
            }
            RegCloseKey(key);
        }
    }
    return maxima;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzTempDir home(true);
    static vbUseEngineCenter use(&g_vbEngineCenter, true);
    static FuzzType type;
    static vbLock started(&type);
    g_pvbLogFileName = nullptr; // the traced faults of the reading are meant for no one's log

    writeTree(std::string(reinterpret_cast<const char*>(data), size));
    type.onReloadConfig();

    Maxima maxima = dwordMaxima();
    vbSectLock lock(&type.m_sect);
    for (int i = 1; i <= type.m_objects.GetLength(); ++i) {
        const vbHotPlugType::Object& o = type.m_objects[i];
        if (i > 1 && vbSortStringNC(type.m_objects[i - 1].name, o.name) >= 0)
            std::abort(); // out of order, or a name twice
        auto it = maxima.find(o.name);
        if (it != maxima.end()) {
            if (o.priority < it->second)
                std::abort(); // a lower priority won
            maxima.erase(it);
        }
    }
    if (!maxima.empty())
        std::abort(); // a name with a priority is missing
    return 0;
}
