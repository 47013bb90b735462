// The download URL forms: module resources ("res:"), the icon of a file type, plain and "file"
// paths, network protocols and inline data.

#include "vbDnItf.h"

#include "download/vbDnText.h"
#include "engines/vbKernelError.h"

#include "vbBaseItf.h"
#include "vbException.h"
#include "vbRegEngine.h"
#include "vbRegKey.h"

#include "plat/errors.h"
#include "plat/module.h"
#include "plat/resource.h"

#include <climits>
#include <cstring>
#include <vector>

using namespace vbDnText;

namespace {

struct ResType {
    const char* name;
    WORD id;
};

const ResType kResTypes[] = {
    {"CURSOR", 12}, {"SCURSOR", 1}, {"BITMAP", 2}, {"ICON", 14}, {"SICON", 3}, {"MENU", 4},
    {"DIALOG", 5}, {"DLGINCLUDE", 17}, {"VXD", 20}, {"ANIICON", 22}, {"STRING", 6}, {"FONTDIR", 7},
    {"FONT", 8}, {"ACCELERATOR", 9}, {"DATA", 10}, {"MESSAGETABLE", 11}, {"VERSION", 16},
    {"PLUGPLAY", 19}, {"ANICURSOR", 21}, {"HTML", 23},
};

// The file-type form leads to another resource URL; a registry whose icons keep pointing at
// file types must not make that endless.
constexpr int kMaxRestarts = 8;

// What atoi reads, held within the 32-bit range.
long long decimalValue(const std::string& s)
{
    size_t i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    const bool negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        ++i;
    long long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
        v = v > INT_MAX ? v : v * 10 + (s[i] - '0');
    return negative ? -v : v;
}

LPCSTR intResource(long long id) { return MAKEINTRESOURCEA(static_cast<WORD>(id)); }

struct ResOut {
    vbString* module;
    vbString* name;
    LPCSTR* namePtr;
    vbString* type;
    LPCSTR* typePtr;
};

bool parseResUrl(const vbString& url, const ResOut& out, int depth);

// "res://*.ext[!fallback]": the icon registered for a file type, else the fallback.
bool parseFileTypeIcon(const std::string& rest, const ResOut& out, int depth)
{
    const size_t bang = rest.find('!');
    const std::string key = trim(rest.substr(1, bang == std::string::npos ? std::string::npos : bang - 1));
    try {
        vbRegKey k(vbRegClassesRoot, vb(key));
        for (int pass = 0; pass < 2 && k.Exists(); ++pass) {
            vbRegKey icon(k, "DefaultIcon");
            if (icon.Exists()) {
                const std::string text = str(g_vbRegEngine.GetExpandedString(icon.GetDefaultValue().GetAsString()));
                if (text.find('%') != std::string::npos)
                    break;
                const size_t comma = text.find(',');
                const std::string module = trim(text.substr(0, comma));
                const std::string index = comma == std::string::npos ? std::string() : trim(text.substr(comma + 1));
                const std::string position = index.empty() ? "0" : std::to_string(-decimalValue(index));
                return parseResUrl(vb("res://" + module + "/#" + position), out, depth + 1);
            }
            const vbString className = pass == 0 ? k.GetDefaultValue().GetAsString() : vbString();
            if (className.IsEmpty())
                break;
            k.Init(vbRegClassesRoot, className);
        }
    } catch (CException* e) {
        // An unreadable key is a missing one.
        e->Delete();
    }
    if (bang == std::string::npos)
        return false;
    return parseResUrl(vb("res://" + rest.substr(bang + 1)), out, depth + 1);
}

bool takeName(std::string name, const ResOut& out)
{
    if (name.empty())
        return false;
    LPCSTR id = nullptr;
    if (name[0] == '#') {
        const long long n = decimalValue(name.substr(1));
        if (n > 0xFFFF)
            return false;
        if (n >= 1)
            id = intResource(n);
        else
            name = std::to_string(n - 1);
    }
    if (out.name)
        *out.name = vb(name);
    if (id) {
        if (out.namePtr)
            *out.namePtr = id;
        return true;
    }
    if (!out.name)
        return false;
    if (out.namePtr)
        *out.namePtr = out.name->c_str();
    return true;
}

bool takeType(const std::string& type, const ResOut& out)
{
    if (out.type)
        *out.type = vb(type);
    if (type.empty()) {
        if (out.typePtr)
            *out.typePtr = nullptr;
        return true;
    }
    LPCSTR id = nullptr;
    if (type[0] == '#')
        id = intResource(decimalValue(type.substr(1)) & 0xFFFF);
    for (const ResType& t : kResTypes)
        if (type == t.name)
            id = intResource(t.id);
    if (id || type[0] == '#') {
        if (!out.typePtr)
            return false;
        *out.typePtr = id;
        return true;
    }
    if (!out.type)
        return false;
    if (out.typePtr)
        *out.typePtr = out.type->c_str();
    return true;
}

bool parseResUrl(const vbString& url, const ResOut& out, int depth)
{
    vbString restText;
    if (vbGetProtocol(url, &restText, nullptr, true) != "res")
        return false;
    if (!out.module && !out.name && !out.namePtr && !out.type && !out.typePtr)
        return true;
    const std::string rest = str(restText);
    if (rest.empty() || depth > kMaxRestarts)
        return false;
    if (rest[0] == '*')
        return parseFileTypeIcon(rest, out, depth);
    const size_t sep = rest.find_last_of("/\\");
    const std::string namePart = sep == std::string::npos ? rest : rest.substr(sep + 1);
    if (sep != std::string::npos) {
        if (!out.module)
            return false;
        *out.module = vbUrlDecode(vb(trim(rest.substr(0, sep))));
    } else if (out.module) {
        out.module->Empty();
    }
    const size_t bang = namePart.rfind('!');
    const std::string name = str(vbUrlDecode(vb(trim(namePart.substr(0, bang)))));
    const std::string type =
        bang == std::string::npos ? std::string() : upper(str(vbUrlDecode(vb(trim(namePart.substr(bang + 1))))));
    return takeName(name, out) && takeType(type, out);
}

} // namespace

bool vbGetResUrl(const vbString& url, vbString* module, vbString* name, LPCSTR* namePtr, vbString* type,
    LPCSTR* typePtr)
{
    return parseResUrl(url, ResOut{module, name, namePtr, type, typePtr}, 0);
}

namespace {

// The module's full file name, however long.
vbString moduleFileName(HMODULE module)
{
    std::vector<char> buffer(512);
    for (;;) {
        SetLastError(0);
        const DWORD n = GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            vbImpl::throwSys(vbImpl::hrOfFailure(GetLastError()), "vbMakeResUrl() failure");
        if (n < buffer.size())
            return vbString(buffer.data(), static_cast<int>(n));
        buffer.resize(buffer.size() * 2);
    }
}

vbString resourceText(LPCSTR r)
{
    if (IS_INTRESOURCE(r))
        return "#" + vbString(static_cast<unsigned int>(reinterpret_cast<ULONG_PTR>(r)));
    return vbString(r);
}

} // namespace

vbString vbMakeResUrl(LPCSTR name, LPCSTR type, HMODULE module)
{
    vbString url("res:");
    if (module)
        url += "//" + moduleFileName(module) + "/";
    url += resourceText(name);
    if (type)
        url += "!" + resourceText(type);
    return url;
}

namespace {

struct PositionSearch {
    explicit PositionSearch(int index) : wanted(index) {}
    int wanted;
    int seen = 0;
    vbString found;
};

BOOL countResource(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    auto* search = reinterpret_cast<PositionSearch*>(param);
    if (++search->seen < search->wanted)
        return TRUE;
    search->found = resourceText(name);
    return FALSE;
}

} // namespace

vbString vbGetResNo(int index, LPCSTR type, HMODULE module)
{
    PositionSearch search(index);
    if (index >= 1)
        EnumResourceNamesA(module, type, countResource, reinterpret_cast<LONG_PTR>(&search));
    return search.found;
}

namespace {

// Gives a wanted rest, which must not be empty.
bool giveRest(const vbString& rest, vbString* out)
{
    if (out && rest.IsEmpty())
        return false;
    if (out)
        *out = rest;
    return true;
}

} // namespace

bool vbGetFileUrl(const vbString& url, vbString* path)
{
    vbString rest;
    const vbString protocol = vbGetProtocol(url, &rest, nullptr, true);
    if (!protocol.IsEmpty() && protocol != "file")
        return false;
    return giveRest(vbUrlSlash(rest), path);
}

bool vbGetNetUrl(const vbString& url, vbString* rest)
{
    vbString after;
    const vbString protocol = vbGetProtocol(url, &after, nullptr, true);
    if (protocol != "http" && protocol != "https" && protocol != "ftp" && protocol != "gopher")
        return false;
    return giveRest(after, rest);
}

bool vbGetDataUrl(const vbString& url, vbString* content)
{
    vbString rest;
    if (vbGetProtocol(url, &rest, nullptr, true) != "data")
        return false;
    if (content)
        *content = rest;
    return true;
}
