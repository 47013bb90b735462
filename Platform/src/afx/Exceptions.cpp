#include "plat/afx.h"
#include "plat/errors.h"
#include "plat/msgbox.h"
#include "plat/resource.h"

#include <cstring>
#include <new>

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
        if (nMessageID == 0 || LoadStringA(nullptr, nMessageID, text, sizeof(text)) <= 0)
            copyMessage("No error message is available.", text, sizeof(text), nullptr);
    }
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
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD n = FormatMessageA(flags, nullptr, (DWORD)m_sc, 0, lpszError, nMaxError, nullptr);
    // A Win32 error wrapped in a status reads as the error itself.
    if (n == 0 && HRESULT_FACILITY(m_sc) == FACILITY_WIN32)
        n = FormatMessageA(flags, nullptr, (DWORD)HRESULT_CODE(m_sc), 0, lpszError, nMaxError, nullptr);
    if (n == 0)
        *lpszError = '\0';
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
