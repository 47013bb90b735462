#include "vbHotPlugItf.h"

#include "hotplug/vbHotPlugTrace.h"

#include "vbException.h"
#include "vbFileTools.h"

namespace {

// The COM registration key of clsid: HKEY_CLASSES_ROOT's first, else HKEY_LOCAL_MACHINE's.
// False when neither exists.
bool findClassKey(const GUID& clsid, vbRegKey* key, bool* pInClassesRoot)
{
    const vbString id(clsid, true);
    key->Init(vbRegClassesRoot, "CLSID\\" + id);
    *pInClassesRoot = true;
    if (key->Exists())
        return true;
    key->Init(vbRegLocalMachine, "SOFTWARE\\Classes\\CLSID\\" + id);
    *pInClassesRoot = false;
    return key->Exists();
}

// The default value of the first server sub-key that exists; "" when neither does.
vbString serverPath(vbRegKey& classKey)
{
    vbRegKey server(classKey, "InprocServer32");
    if (!server.Exists()) {
        server.Init(classKey, "LocalServer32");
        if (!server.Exists())
            return vbString();
    }
    vbVariant path = server.GetDefaultValue();
    return path.IsEmpty() ? vbString() : path.GetAsString();
}

} // namespace

vbString vbGetModulePath(const GUID& clsid)
{
    vbRegKey key;
    bool bInClassesRoot = false;
    if (!findClassKey(clsid, &key, &bInClassesRoot))
        return vbString();
    return serverPath(key);
}

bool vbCheckModulePath(const GUID& clsid, const vbVersion& askedVer, int recursion)
{
    const vbString head = "vbCheckModulePath(" + vbString(clsid, true) + ", askedVer=" + askedVer.ToStr('.', true) + ")";
    if (recursion > 1)
        throw new vbEsys(E_FAIL, head + " : recursion count(" + vbString(recursion) + ") > 1");

    vbRegKey key;
    bool bInClassesRoot = false;
    if (!findClassKey(clsid, &key, &bInClassesRoot)) {
        vbHotPlugTrace(1, head + " : not installed");
        return true;
    }
    const vbString path = serverPath(key);
    if (path.IsEmpty() || !vbFileExists(path)) {
        vbHotPlugTrace(1, head + " : installed by IE, binary not found, registry keys deleted (path=" + path + ")");
    } else if (!bInClassesRoot) {
        vbHotPlugTrace(1, head + " : installed by IE, to check (path=" + path + ")");
        return true;
    } else {
        const vbVersion fileVer = vbGetFileVersion(path, false);
        const vbString found = "(version=" + fileVer.ToStr('.', true) + ", path=" + path + ")";
        // No asked version asks for no update: the registration in place is the one to use.
        if (!askedVer.IsValid() || (fileVer.IsValid() && askedVer <= fileVer)) {
            vbHotPlugTrace(1, head + " : manually installed, no update needed " + found);
            return true;
        }
        vbHotPlugTrace(1, head + " : manually installed, update needed, registry keys deleted " + found);
    }
    key.DeleteKey(true, false);
    // The class root's registration may have hidden one of the machine's: look again, once.
    if (bInClassesRoot)
        return vbCheckModulePath(clsid, askedVer, recursion + 1);
    return false;
}

vbString vbLabel(vbPlugStatus status)
{
    switch (status) {
    case vbPlugStatusFindingResource:
    case vbPlugStatusRedirecting:
        return "Finding components files...";
    case vbPlugStatusConnecting:
        return "Connecting to server...";
    case vbPlugStatusBeginDownloadData:
    case vbPlugStatusDownloadingData:
    case vbPlugStatusBeginDownloadComponents:
        return "Downloading components...";
    case vbPlugStatusEndDownloadData:
        return "Components downloaded.";
    case vbPlugStatusInstallingComponents:
        return "Installing components...";
    case vbPlugStatusEndDownloadComponents:
        return "Installation terminated.";
    default:
        return vbString();
    }
}
