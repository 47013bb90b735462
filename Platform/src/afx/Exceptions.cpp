#include "plat/afx.h"
#include "plat/errors.h"

#include <cstring>
#include <new>

// Message boxes, string resources and system texts live in other parts of the platform; bound
// weakly so that this file does not decide the order in which those parts arrive.
PLATAPI int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) __attribute__((weak));
PLATAPI int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) __attribute__((weak));
PLATAPI DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
    LPSTR lpBuffer, DWORD nSize, void* Arguments) __attribute__((weak));

namespace {

// Copies text into a caller's buffer of max bytes, truncated and always terminated.
BOOL copyMessage(const char* text, LPSTR buffer, UINT max, UINT* pnHelpContext)
{
    if (pnHelpContext)
        *pnHelpContext = 0;
    if (!buffer || max == 0)
        return FALSE;
    size_t n = std::strlen(text);
    if (n > max - 1)
        n = max - 1;
    std::memcpy(buffer, text, n);
    buffer[n] = '\0';
    return TRUE;
}

} // namespace

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CException)
IMPLEMENT_DYNAMIC(COleException, CException)

CException::CException(BOOL bAutoDelete) : m_bAutoDelete(bAutoDelete) {}
CException::~CException() = default;

void CException::Delete()
{
    if (m_bAutoDelete > 0)
        delete this;
}

BOOL CException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext)
{
    if (pnHelpContext)
        *pnHelpContext = 0;
    if (lpszError && nMaxError > 0)
        *lpszError = '\0';
    return FALSE;
}

int CException::ReportError(UINT nType, UINT nMessageID)
{
    char text[512];
    if (!GetErrorMessage(text, sizeof(text), nullptr)) {
        if (nMessageID == 0 || !LoadStringA || LoadStringA(nullptr, nMessageID, text, sizeof(text)) <= 0)
            copyMessage("No error message is available.", text, sizeof(text), nullptr);
    }
    if (!MessageBoxA)
        return 0;
    return MessageBoxA(nullptr, text, nullptr, nType);
}

CMemoryException::CMemoryException(BOOL bAutoDelete) : CException(bAutoDelete) {}
CMemoryException::~CMemoryException() = default;

BOOL CMemoryException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext)
{
    return copyMessage("Out of memory.", lpszError, nMaxError, pnHelpContext);
}

CNotSupportedException::CNotSupportedException(BOOL bAutoDelete) : CException(bAutoDelete) {}
CNotSupportedException::~CNotSupportedException() = default;

BOOL CNotSupportedException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext)
{
    return copyMessage("An unsupported operation was attempted.", lpszError, nMaxError, pnHelpContext);
}

COleException::COleException() : m_sc(S_OK) {}
COleException::~COleException() = default;

BOOL COleException::GetErrorMessage(LPSTR lpszError, UINT nMaxError, UINT* pnHelpContext)
{
    if (pnHelpContext)
        *pnHelpContext = 0;
    if (!lpszError || nMaxError == 0)
        return FALSE;
    *lpszError = '\0';
    if (!FormatMessageA)
        return FALSE;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, (DWORD)m_sc, 0,
        lpszError, nMaxError, nullptr);
    return n > 0 ? TRUE : FALSE;
}

SCODE COleException::Process(const CException* pAnyException)
{
    if (!pAnyException)
        return E_UNEXPECTED;
    if (pAnyException->IsKindOf(RUNTIME_CLASS(COleException)))
        return static_cast<const COleException*>(pAnyException)->m_sc;
    if (pAnyException->IsKindOf(RUNTIME_CLASS(CMemoryException)))
        return E_OUTOFMEMORY;
    if (pAnyException->IsKindOf(RUNTIME_CLASS(CNotSupportedException)))
        return E_NOTIMPL;
    return E_UNEXPECTED;
}

void AfxThrowMemoryException()
{
    // Out of memory is when a new exception object is least likely to fit.
    static CMemoryException s_reserve(FALSE);
    CMemoryException* e = new (std::nothrow) CMemoryException();
    throw e ? e : &s_reserve;
}

void AfxThrowNotSupportedException()
{
    throw new CNotSupportedException();
}

void AfxThrowOleException(SCODE sc)
{
    COleException* e = new COleException();
    e->m_sc = sc;
    throw e;
}
