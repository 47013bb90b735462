#include "PicFlorvaneDlg.h"

void CPicFlorvaneDlg::SetPendingImports(vbArray<vbString>& files)
{
    vbSectLock lock(&m_pendingLock);
    m_pendingImports = files;
    files.RemoveAll();
}

bool CPicFlorvaneDlg::HasPendingImports()
{
    vbSectLock lock(&m_pendingLock);
    return m_pendingImports.GetSize() > 0;
}
