#include "picFileReplace.h"

#include "vbEngine.h"
#include "vbException.h"
#include "vbFileStream.h"
#include "vbFileTools.h"
#include "vbSecurity.h"

#include "plat/file.h"

namespace {

// A new, empty file of a unique name in target's folder.
vbString newFileBeside(const vbString& target)
{
    vbString dir = vbGetFileDir(target.c_str(), false);
    if (dir.IsEmpty())
        dir = ".";
    char name[MAX_PATH] = {};
    if (!GetTempFileNameA(dir.c_str(), "pic", 0, name))
        throw new vbEsys(HRESULT_FROM_WIN32(GetLastError()), "Can't create a file in folder '" + dir + "'");
    return name;
}

} // namespace

void picReplaceFile(const vbString& target, const std::function<void(vbStream*)>& write)
{
    const vbString written = newFileBeside(target);
    try {
        const vbSecurityAttr security(vbIs95os() ? vbSecurityTypeNone : vbSecurityTypeNullDacl);
        vbRefPtr<vbFileStream, &IID_vbFileStream> stream;
        vbFileStream::CreateObject(&stream);
        stream->Open(security, written, vbOpenCreateAlways, vbAccessBoth, vbShareExclusive);
        write(stream);
        stream->Close();
        if (!MoveFileExA(written.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
            throw new vbEsys(HRESULT_FROM_WIN32(GetLastError()),
                "Can't replace file '" + target + "' with the new file '" + written + "'");
    } catch (...) {
        vbDeleteFile(written.c_str(), false);
        throw;
    }
}
