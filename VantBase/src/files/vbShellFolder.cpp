// The shell's special folders.

#include "vbFileTools.h"

#include "vbException.h"

#include "plat/shell.h"

vbString vbGetShellFolder(int nFolder, bool bNoEndSlash, bool)
{
    IMalloc* pMalloc = nullptr;
    HRESULT hr = SHGetMalloc(&pMalloc);
    if (FAILED(hr) || !pMalloc)
        throw new vbEsys(hr, "Instruction '::SHGetMalloc(prMalloc.Addr())' failed !");
    LPITEMIDLIST pidl = nullptr;
    hr = SHGetSpecialFolderLocation(nullptr, nFolder, &pidl);
    if (FAILED(hr)) {
        pMalloc->Release();
        throw new vbEsys(hr, "Instruction '::SHGetSpecialFolderLocation(NULL,nFolder,&pidl)' failed !");
    }
    char buf[MAX_PATH + 1] = {};
    BOOL found = SHGetPathFromIDList(pidl, buf);
    pMalloc->Free(pidl);
    pMalloc->Release();
    if (!found)
        throw new vbEsys(E_FAIL, "Instruction '::SHGetPathFromIDList(pidl,buf)' failed !");
    return bNoEndSlash ? vbNoEndSlash(buf) : vbEndSlash(buf, false);
}
