#pragma once

// The framework's file dialog over GetOpenFileNameA / GetSaveFileNameA.

#include "plat/afxwin.h"
#include "plat/commdlg.h"
#include "plat/msgbox.h"

#include <string>

struct AfxPosition;
typedef AfxPosition* POSITION;

class PLATAPI CFileDialog : public CDialog {
    DECLARE_DYNAMIC(CFileDialog)
public:
    // lpszFilter is "description|patterns|...||"; OFN_EXPLORER and OFN_ENABLESIZING are added.
    explicit CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr, LPCSTR lpszFileName = nullptr,
        DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR lpszFilter = nullptr,
        CWnd* pParentWnd = nullptr);
    ~CFileDialog() override;

    OPENFILENAMEA m_ofn;

    // IDOK or IDCANCEL.
    INT_PTR DoModal() override;
    // The chosen file's full path (the first one of several).
    std::string GetPathName() const;
    std::string GetFileName() const;
    // Walks the chosen files: null when there is none.
    POSITION GetStartPosition() const;
    std::string GetNextPathName(POSITION& pos) const;

private:
    BOOL m_bOpenFileDialog;
    std::string m_filter;
    std::string m_defExt;
    char m_szFileName[4096];
};
