// What the registry engine reads from the system's MIME database: character sets of code pages,
// code pages of character sets, content types of file extensions; and the %-word expansion.

#include "vbRegEngine.h"

#include "text/vbCodePageImpl.h"
#include "vbRegKey.h"

#include "vbException.h"
#include "vbFileTools.h"
#include "vbVariant.h"

#include "plat/codepage.h"
#include "plat/errors.h"

#include <cstring>

namespace {

HRESULT lastSystemError() { return HRESULT_FROM_WIN32(GetLastError()); }

// The "Content Type" of HKEY_CLASSES_ROOT\<ext>: empty, or the failure (without bThrow none)
// named by what is missing. unknownMsg is the message of every missing piece.
vbString contentType(const vbString& ext, const vbString& unknownMsg, bool bThrow)
{
    static const char* const kNotRegistered = "vbRegEngine::GetContentTypeFromPath(), extension not registered";
    static const char* const kNoValue = "vbRegEngine::GetContentTypeFromPath(), no content type defined";
    static const char* const kEmpty = "vbRegEngine::GetContentTypeFromPath(), content type is empty";
    vbRegKey key(vbRegClassesRoot, ext);
    const char* failure = nullptr;
    vbString type;
    if (!key.Exists()) {
        failure = kNotRegistered;
    } else {
        vbVariant value = key.GetValue("Content Type");
        if (value.IsEmpty()) {
            failure = kNoValue;
        } else {
            type = vbTrimmed(value.GetAsString());
            if (type.IsEmpty())
                failure = kEmpty;
        }
    }
    if (failure && bThrow)
        throw new vbEappCfg(unknownMsg, vbString(failure));
    return type;
}

} // namespace

DWORD vbRegEngine::GetRealCP(DWORD cp, bool bThrow) { return vbImpl::realCodePage(cp, bThrow); }

vbString vbRegEngine::GetCharsetFromCP(DWORD cp, bool bThrow)
{
    if (cp == CP_ACP)
        cp = GetACP();
    else if (cp == CP_OEMCP)
        cp = GetOEMCP();
    vbRegKey key(vbRegClassesRoot, "MIME\\Database\\Codepage\\" + vbString(cp));
    vbVariant value = key.GetValue("BodyCharset");
    if (!value.IsEmpty())
        return value.GetAsString();
    if (bThrow)
        throw new vbEapp(lastSystemError(), "Code page " + vbString(cp) + " unknown",
            vbString("vbRegEngine::GetCharsetFromCP()"));
    return vbString();
}

DWORD vbRegEngine::GetCPfromCharset(const vbString& charset, bool bThrow)
{
    vbString name = charset;
    int count = 0;
    const vbString recCount = ", rec cnt=";
    for (;;) {
        const vbString context = "vbRegEngine::GetCPfromCharset(), rec cnt=" + vbString(count);
        if (name.IsEmpty()) {
            if (!bThrow)
                return 0;
            if (count == 0)
                throw new vbEapp(vbString("Charset argument is empty"), vbString("vbRegEngine::GetCPfromCharset()"));
            throw new vbEappCfg("Configuration is invalid for charset " + charset + ", alias is empty", context);
        }
        vbRegKey key(vbRegClassesRoot, "MIME\\Database\\Charset\\" + name);
        if (!key.Exists()) {
            if (!bThrow)
                return 0;
            if (count == 0)
                throw new vbEapp(lastSystemError(), "Charset " + name + " unknown",
                    vbString("vbRegEngine::GetCPfromCharset()"));
            throw new vbEappCfg(
                "Configuration is invalid for charset " + charset + ", alias(" + name + ") doesn't exist", context);
        }
        vbVariant encoding = key.GetValue("InternetEncoding");
        if (!encoding.IsEmpty()) {
            const DWORD cp = encoding.GetAsUlong();
            if (cp == 0 && bThrow)
                throw new vbEappCfg("Configuration is invalid for charset " + charset + "  (alias: " + name +
                        "), codepage is invalid for this entry",
                    context);
            return cp;
        }
        vbVariant alias = key.GetValue("AliasForCharset");
        if (alias.IsEmpty()) {
            if (!bThrow)
                return 0;
            throw new vbEappCfg("Configuration is invalid for charset " + charset + "  (alias: " + name +
                    "), there is no codepage and no alias defined for this entry",
                context);
        }
        if (count > 2) {
            if (!bThrow)
                return 0;
            throw new vbEappCfg("Configuration is invalid for charset " + charset + ", recursion count limit exceeded",
                "vbRegEngine::GetCPfromCharset(), alias=" + name + recCount + vbString(count));
        }
        ++count;
        name = alias.GetAsString();
    }
}

vbString vbRegEngine::GetContentTypeFromPath(const vbString& path, bool bThrow)
{
    const vbString ext = vbGetFileExt(path, true);
    if (ext.IsEmpty() || ext == ".") {
        if (!bThrow)
            return vbString();
        throw new vbEapp("Invalid path (" + path + ") to find content type",
            vbString("vbRegEngine::GetContentTypeFromPath()"));
    }
    return contentType(ext, "Unknown content type for file '" + path + "'", bThrow);
}

vbString vbRegEngine::GetContentTypeFromExt(const vbString& ext, bool bThrow)
{
    if (ext.IsEmpty()) {
        if (!bThrow)
            return vbString();
        throw new vbEapp(vbString("Invalid extension to find content type"),
            vbString("vbRegEngine::GetContentTypeFromPath(), extension is empty"));
    }
    return contentType(ext, "Unknown content type for file extension '" + ext + "'", bThrow);
}

vbString vbRegEngine::GetExtFromContentType(const vbString&, bool)
{
    throw new vbEapp(E_NOTIMPL, vbString("Can't retrieve extension from content type, function not implemented"),
        vbString("vbRegEngine::GetExtFromContentType()"));
}

vbString vbRegEngine::GetNameFromLCID(LCID, bool)
{
    throw new vbEapp(E_NOTIMPL, vbString("Can't retrieve language name from lcid, function not implemented"),
        vbString("vbRegEngine::GetNameFromLCID()"));
}

LCID vbRegEngine::GetLCIDfromName(const vbString&, bool)
{
    throw new vbEapp(E_NOTIMPL, vbString("Can't retrieve lcid from language name, function not implemented"),
        vbString("vbRegEngine::GetLCIDfromName()"));
}

LCID vbRegEngine::GetRealLCID(LCID, bool)
{
    throw new vbEapp(E_NOTIMPL, vbString("Can't retrieve real lcid, function not implemented"),
        vbString("vbRegEngine::GetRealLCID()"));
}

vbString vbRegEngine::GetExpandedString(const vbString& text)
{
    vbString out;
    const char* p = text.c_str();
    for (;;) {
        const char* open = strchr(p, '%');
        if (!open)
            break;
        const char* close = strchr(open + 1, '%');
        if (!close)
            break;
        out.Add(p, static_cast<int>(open - p));
        const vbString word(open + 1, static_cast<int>(close - open - 1));
        if (word.CompareNoCase("system32") == 0) {
            out += vbGetSystemDir(false);
        } else if (word.CompareNoCase("systemroot") == 0) {
            out += vbGetWindowsDir(false);
        } else if (word.CompareNoCase("username") == 0) {
            out += vbGetUserName();
        } else if (word.CompareNoCase("computername") == 0) {
            out += vbGetComputerName();
        } else {
            // Not a word of ours: it stays, and its closing "%" may open the next one.
            out.Add(open, static_cast<int>(close - open));
            p = close;
            continue;
        }
        p = close + 1;
    }
    out += p;
    return out;
}
