// The framework's file dialog.

#include "plat/afxdlgs.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName, DWORD dwFlags,
    LPCSTR lpszFilter, CWnd* pParentWnd)
    : CDialog(LPCSTR(nullptr), pParentWnd), m_ofn{}, m_bOpenFileDialog(bOpenFileDialog), m_szFileName{}
{
    if (lpszFilter) {
        m_filter = lpszFilter;
        for (char& c : m_filter)
            if (c == '|')
                c = '\0';
    }
    if (lpszDefExt)
        m_defExt = lpszDefExt;
    if (lpszFileName)
        std::strncpy(m_szFileName, lpszFileName, sizeof m_szFileName - 1);
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = sizeof m_szFileName;
    m_ofn.Flags = dwFlags | OFN_EXPLORER | OFN_ENABLESIZING;
    m_ofn.lpstrFilter = lpszFilter ? m_filter.c_str() : nullptr;
    m_ofn.lpstrDefExt = lpszDefExt ? m_defExt.c_str() : nullptr;
    m_ofn.nFilterIndex = 1;
}

CFileDialog::~CFileDialog() = default;

INT_PTR CFileDialog::DoModal()
{
    m_ofn.hwndOwner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : AfxGetMainWnd() ? AfxGetMainWnd()->GetSafeHwnd() : nullptr;
    const BOOL chosen = m_bOpenFileDialog ? GetOpenFileNameA(&m_ofn) : GetSaveFileNameA(&m_ofn);
    return chosen ? IDOK : IDCANCEL;
}

POSITION CFileDialog::GetStartPosition() const
{
    return m_ofn.lpstrFile && m_ofn.lpstrFile[0] ? reinterpret_cast<POSITION>(m_ofn.lpstrFile) : nullptr;
}

std::string CFileDialog::GetNextPathName(POSITION& pos) const
{
    const char* at = reinterpret_cast<const char*>(pos);
    const char* buffer = m_ofn.lpstrFile;
    const bool several = (m_ofn.Flags & OFN_ALLOWMULTISELECT) && m_ofn.nFileOffset > 0 && buffer[m_ofn.nFileOffset - 1] == '\0';
    if (!several) {
        pos = nullptr;
        return buffer;
    }
    if (at == buffer) // the folder comes first; the names follow it
        at += std::strlen(buffer) + 1;
    const std::string path = std::string(buffer) + (std::strcmp(buffer, "/") == 0 ? "" : "/") + at;
    at += std::strlen(at) + 1;
    pos = *at ? reinterpret_cast<POSITION>(const_cast<char*>(at)) : nullptr;
    return path;
}

std::string CFileDialog::GetPathName() const
{
    POSITION pos = GetStartPosition();
    return pos ? GetNextPathName(pos) : std::string();
}

std::string CFileDialog::GetFileName() const
{
    const std::string path = GetPathName();
    return path.substr(path.find_last_of('/') + 1);
}
