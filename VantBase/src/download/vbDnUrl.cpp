// URL and path utilities: escaping, Base64, splitting, protocols and drives, and the resolving of
// relative URLs.

#include "vbDnItf.h"

#include "download/vbDnText.h"

#include "vbBaseItf.h"
#include "vbEscape.h"

#include <cstring>

using namespace vbDnText;

vbString sIvbUrlRoots::GetUrlRootForProtocol(const vbString&) { vbPurecall(); }

// --- escaping ---

vbString vbUrlEncode(const vbString& text, const char* extra, const char* keep)
{
    vbString out;
    return vbUrlEscape(text.c_str(), text.GetLength(), &out, extra, keep, false) ? out : text;
}

vbString vbUrlDecode(const vbString& text)
{
    vbString out;
    if (text.GetLength() < 2)
        return text;
    return vbUrlUnescape(text.c_str(), text.GetLength(), &out, 0, false) ? out : text;
}

namespace {

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64Value(char c)
{
    const char* p = c ? std::strchr(kBase64, c) : nullptr;
    return p ? static_cast<int>(p - kBase64) : -1;
}

[[noreturn]] void throwBadBase64(const char* why)
{
    vbImpl::throwSys(E_FAIL, "vbBase64decode() : Bad string to decode (%s)", why);
}

} // namespace

vbString vbBase64encode(const void* bytes, int length)
{
    std::string out;
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (int i = 0; i < length; i += 3) {
        const int n = length - i < 3 ? length - i : 3;
        uint32_t v = static_cast<uint32_t>(p[i]) << 16;
        if (n > 1)
            v |= static_cast<uint32_t>(p[i + 1]) << 8;
        if (n > 2)
            v |= p[i + 2];
        for (int k = 0; k < 4; ++k)
            out += k <= n ? kBase64[(v >> (18 - 6 * k)) & 63] : '=';
    }
    return vb(out);
}

vbString vbBase64decode(const char* text, int length)
{
    std::string out;
    uint32_t v = 0;
    int held = 0;
    for (int i = 0; i < length && text[i] != '='; ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n' || c == ' ' || c == '\t')
            continue;
        const int d = base64Value(c);
        if (d < 0)
            throwBadBase64("ch");
        v = (v << 6) | static_cast<uint32_t>(d);
        if (++held == 4) {
            out += static_cast<char>(v >> 16);
            out += static_cast<char>(v >> 8);
            out += static_cast<char>(v);
            v = 0;
            held = 0;
        }
    }
    if (held == 1)
        throwBadBase64("lg");
    if (held > 1) {
        v <<= 6 * (4 - held);
        out += static_cast<char>(v >> 16);
        if (held == 3)
            out += static_cast<char>(v >> 8);
    }
    return vb(out);
}

// --- splitting ---

namespace {

vbString replaced(const vbString& text, char from, char to)
{
    if (text.Find(from) == 0)
        return text;
    vbString out(text);
    out.Replace(from, to);
    return out;
}

vbString splitAt(const vbString& path, size_t pos, bool firstIsResult, vbString* rest, bool* found)
{
    const std::string s = str(path);
    if (found)
        *found = pos != std::string::npos;
    if (pos == std::string::npos) {
        if (rest)
            rest->Empty();
        return vb(trim(s));
    }
    const std::string before = trim(s.substr(0, pos)), after = trim(s.substr(pos + 1));
    if (rest)
        *rest = vb(firstIsResult ? after : before);
    return vb(firstIsResult ? before : after);
}

} // namespace

vbString vbUrlSlash(const vbString& text) { return replaced(text, '\\', '/'); }
vbString vbUrlAslash(const vbString& text) { return replaced(text, '/', '\\'); }

vbString vbSubPath(const vbString& path, vbString* rest, bool* found)
{
    return splitAt(path, str(path).find_first_of("/\\"), true, rest, found);
}

vbString vbSubPathEnd(const vbString& path, vbString* rest, bool* found)
{
    return splitAt(path, str(path).find_last_of("/\\"), false, rest, found);
}

// --- protocols and drives ---

namespace {

bool isProtocolChar(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c == '%' || c == '.'; }
bool isDriveChar(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '%' || c == '.'; }

template <class Pred>
bool allOf(const std::string& s, Pred pred)
{
    for (char c : s)
        if (!pred(c))
            return false;
    return true;
}

// A protocol and the text after it; the whole URL as rest when it has none.
struct Split {
    std::string protocol, rest;
    bool slashes = false;
};

Split splitProtocol(const std::string& url, bool stripSlashes)
{
    Split s;
    const size_t colon = url.find(':');
    const std::string name = colon == std::string::npos ? std::string() : lower(trim(url.substr(0, colon)));
    if (name.size() < 3 || !allOf(name, isProtocolChar)) {
        s.rest = url;
        return s;
    }
    s.protocol = name;
    s.rest = trim(url.substr(colon + 1));
    s.slashes = startsWith(s.rest, "//");
    if (stripSlashes && s.slashes)
        s.rest = trim(s.rest.substr(2));
    return s;
}

// The drive of a path without protocol, and the text after its colon; no drive: "" and the path.
std::string splitDrive(const std::string& path, std::string* rest)
{
    const size_t colon = path.find(':');
    if (path.empty() || isSep(path[0]) || colon == std::string::npos) {
        *rest = path;
        return {};
    }
    const std::string drive = upper(trim(path.substr(0, colon)));
    if (drive.empty() || !allOf(drive, isDriveChar)) {
        *rest = path;
        return {};
    }
    *rest = trim(path.substr(colon + 1));
    return drive;
}

bool isFileProtocol(const std::string& protocol) { return protocol.empty() || protocol == "file"; }

std::string driveOf(const std::string& url, std::string* rest)
{
    const Split s = splitProtocol(url, true);
    if (!isFileProtocol(s.protocol)) {
        *rest = s.rest;
        return {};
    }
    return splitDrive(s.rest, rest);
}

} // namespace

vbString vbGetProtocol(const vbString& url, vbString* rest, bool* hasSlashes, bool stripSlashes)
{
    const Split s = splitProtocol(str(url), stripSlashes);
    if (rest)
        *rest = s.protocol.empty() ? url : vb(s.rest);
    if (hasSlashes)
        *hasSlashes = s.slashes;
    return vb(s.protocol);
}

vbString vbGetDrive(const vbString& url, vbString* rest)
{
    std::string after;
    const std::string drive = driveOf(str(url), &after);
    if (rest)
        *rest = vb(after);
    return vb(drive);
}

bool vbIsAbsUrl(const vbString& url)
{
    const std::string u = str(url);
    const Split s = splitProtocol(u, true);
    if (!s.protocol.empty() && s.slashes)
        return true;
    if (s.protocol == "data")
        return true;
    if (!isFileProtocol(s.protocol))
        return false;
    // Native paths are rooted by "/" as drive-less Windows ones are by "\".
    std::string after;
    return !driveOf(u, &after).empty() || (!after.empty() && isSep(after[0]));
}

vbString vbSetProtocol(const vbString& url, const vbString& protocol)
{
    return protocol + "://" + vb(splitProtocol(str(url), true).rest);
}

// --- resolving ---

namespace {

void stripTrailingSeps(std::string& s)
{
    while (!s.empty() && isSep(s.back()))
        s.pop_back();
}

// What a join works on: the protocol text to put back, the path under it (trimmed), and the
// separator. The path changes in place, so that a long relative URL costs linear time.
struct Join {
    std::string protocol;
    std::string path;
    bool network = false;
    char sep = '/';
    bool trailingDue = false;

    // Drops the last component and the blanks before it. A rooted path keeps its root: cutting
    // "/p.picf" leaves "/", not "" (another folder).
    void dropLast()
    {
        const size_t last = path.find_last_of("/\\");
        if (last == std::string::npos) {
            path.clear();
            return;
        }
        const char root = path[0];
        path.resize(last);
        while (!path.empty() && isBlank(path.back()))
            path.pop_back();
        if (path.empty() && isSep(root))
            path = root;
    }

    void up()
    {
        trailingDue = true;
        const size_t last = path.find_last_not_of("/\\");
        // Nothing is above the root, the drive or the host.
        if (last == std::string::npos || (network && path.find_first_of("/\\") > last))
            return;
        path.resize(last + 1);
        dropLast();
    }

    void append(const std::string& component)
    {
        if (!path.empty()) {
            stripTrailingSeps(path);
            path += sep;
        }
        path += component;
        trailingDue = false;
    }

    std::string result(const std::string& tail) const
    {
        std::string r = protocol + (network ? "://" : ":") + path;
        if (trailingDue && !(r.empty() || isSep(r.back())))
            r += sep;
        return r + tail;
    }
};

Join joinOf(const std::string& current, std::string& path)
{
    Join j;
    const Split s = splitProtocol(current, true);
    j.path = trim(s.rest);
    j.network = !isFileProtocol(s.protocol);
    j.protocol = j.network ? s.protocol : "file";
    if (j.network)
        return j;
    std::string curRest;
    std::string drive = splitDrive(j.path, &curRest);
    if (!drive.empty()) {
        j.path = curRest;
        std::string pathRest;
        const std::string pathDrive = splitDrive(path, &pathRest);
        if (!pathDrive.empty()) {
            drive = pathDrive;
            path = pathRest;
        }
        j.protocol += ":" + drive;
    }
    j.sep = !drive.empty() || j.path.find('\\') != std::string::npos ? '\\' : '/';
    return j;
}

std::string cutAtQuery(const std::string& s) { return s.substr(0, s.find_first_of("?#")); }

} // namespace

vbString vbAddPath(const vbString& current, const vbString& relative, sIvbUrlRoots* roots)
{
    if (relative.IsEmpty())
        return current;
    const std::string rel = str(relative);
    const size_t q = rel.find_first_of("?#");
    std::string path = rel.substr(0, q);
    const std::string tail = q == std::string::npos ? std::string() : rel.substr(q);
    if (!splitProtocol(path, false).protocol.empty())
        return relative;
    std::string cur = str(current);
    if (cur.empty() && roots)
        cur = str(roots->GetUrlRootForProtocol(vbString()));
    cur = cutAtQuery(cur);
    if (cur.empty())
        vbImpl::throwSys(E_FAIL, "vbAddPath(%s) : no current url", relative.c_str());

    Join j = joinOf(cur, path);
    if (!path.empty() && isSep(path[0])) {
        if (!j.network)
            return vb(j.protocol + ":" + path + tail);
        return vb(j.protocol + "://" + str(vbSubPath(vb(j.path))) + path + tail);
    }
    if (!j.path.empty() && !path.empty() && !isSep(j.path.back())) {
        const std::string whole = j.path;
        j.dropLast();
        if (j.network && j.path.empty()) {
            j.path = whole; // the host
            j.trailingDue = true;
        }
    }
    size_t pos = 0;
    for (bool more = !path.empty(); more;) {
        const size_t next = path.find_first_of("/\\", pos);
        more = next != std::string::npos;
        const std::string component = trim(path.substr(pos, (more ? next : path.size()) - pos));
        pos = more ? next + 1 : path.size();
        if (component.empty() || component == ".")
            j.trailingDue = true;
        else if (component == "..")
            j.up();
        else
            j.append(component);
    }
    return vb(j.result(tail));
}

vbString vbMakeAbsUrl(const vbString& url, const vbString& base, sIvbUrlRoots* roots)
{
    if (url.IsEmpty() || vbIsAbsUrl(url))
        return url;
    const Split s = splitProtocol(str(url), true);
    vbString root = base;
    if (!root.IsEmpty() && !s.protocol.empty()) {
        std::string baseProtocol = splitProtocol(str(base), false).protocol;
        if (baseProtocol.empty())
            baseProtocol = "file";
        if (baseProtocol != s.protocol)
            root.Empty();
    }
    if (root.IsEmpty() && roots)
        root = roots->GetUrlRootForProtocol(vb(s.protocol));
    if (root.IsEmpty()) {
        if (s.protocol == "res")
            return url;
        vbImpl::throwSys(E_FAIL, "vbMakeAbsUrl(%s) : no root url", url.c_str());
    }
    return vbAddPath(root, vb(s.rest), nullptr);
}

vbString vbMakeAbsUrl(const vbString& url, const char* base, sIvbUrlRoots* roots)
{
    return vbMakeAbsUrl(url, vbString(base), roots);
}
