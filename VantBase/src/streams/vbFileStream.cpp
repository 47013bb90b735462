#include "vbFileStream.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbSecurity.h"

#include "plat/errors.h"
#include "plat/file.h"
#include "plat/handles.h"

const IID IID_vbFileStream = {0x7F1C23B5, 0x8273, 0x4BE3, {0xA6, 0xA1, 0xBA, 0x7A, 0xF6, 0xCB, 0x18, 0x76}};

namespace {
constexpr HRESULT kHrAccess = static_cast<HRESULT>(0x80030005u);
constexpr HRESULT kHrEof = static_cast<HRESULT>(0x8003001Eu);
constexpr HRESULT kHrShortWrite = static_cast<HRESULT>(0x8003001Du);
constexpr HRESULT kHrMode = static_cast<HRESULT>(0x80030057u);

// The last system error as an HRESULT, 0 when the system reports none.
HRESULT sysHr()
{
    DWORD err = GetLastError();
    return err == 0 ? 0 : static_cast<HRESULT>(0x80070000u | (err & 0xFFFFu));
}

bool seekMethod(vbSeekMode mode, DWORD* method)
{
    if (mode < vbSeekStart || mode > vbSeekEnd)
        return false;
    *method = static_cast<DWORD>(mode);
    return true;
}
} // namespace

vbFileStream::vbFileStream() = default;

vbFileStream::vbFileStream(const vbString& name, vbOpenMode om, vbAccessMode am, vbWorkMode wm)
{
    Open(name, om, am, wm);
}

vbFileStream::vbFileStream(const vbSecurityAttr& sa, const vbString& name, vbOpenMode om, vbAccessMode am,
    vbWorkMode wm)
{
    Open(sa, name, om, am, wm);
}

vbFileStream::~vbFileStream()
{
    try {
        Close();
    } catch (...) {
        showCurrent(__FILE__, __LINE__);
    }
}

void vbFileStream::CreateObject(vbRefPtr<vbStream, &IID_vbStream>* out) { createInto<vbFileStream>(out); }
void vbFileStream::CreateObject(vbRefPtr<vbFileStream, &IID_vbFileStream>* out) { createInto<vbFileStream>(out); }

bool vbFileStream::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbFileStream) {
        *ppv = this;
        return true;
    }
    if (iid == IID_IvbLongSeekStream) {
        *ppv = static_cast<IvbLongSeekStream*>(this);
        return true;
    }
    return vbStream::GetInterface(iid, ppv);
}

void vbFileStream::Destroy()
{
    Close();
    vbStream::Destroy();
}

vbString vbFileStream::GetName() const { return "vbFileStream[" + m_name + "]"; }
vbString vbFileStream::GetPhysicalName() const { return m_name; }

void vbFileStream::Lock() const { LockPtr(); }
void vbFileStream::Unlock() const { UnlockPtr(); }

DWORD vbFileStream::onGetFileAttribute() const { return FILE_ATTRIBUTE_NORMAL; }

void vbFileStream::Open(const vbString& name, vbOpenMode om, vbAccessMode am, vbWorkMode wm)
{
    vbLock lock(this);
    Close();
    m_name = name;
    vbFileStream::Open(static_cast<const vbSecurityAttr*>(nullptr), om, am, wm);
}

void vbFileStream::Open(const vbSecurityAttr& sa, const vbString& name, vbOpenMode om, vbAccessMode am,
    vbWorkMode wm)
{
    vbLock lock(this);
    Close();
    m_name = name;
    vbFileStream::Open(&sa, om, am, wm);
}

void vbFileStream::Open(const vbSecurityAttr* sa, vbOpenMode om, vbAccessMode am, vbWorkMode wm)
{
    vbLock lock(this);
    Close();
    m_access = am;
    static const DWORD dispositions[] = {OPEN_EXISTING, CREATE_NEW, OPEN_ALWAYS, CREATE_ALWAYS};
    static const DWORD accesses[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    static const DWORD shares[] = {FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_SHARE_READ, FILE_SHARE_WRITE, 0};
    if (om < 0 || om > 3)
        throwStream(kHrMode, "Open(vbOpenMode om,vbAccessMode am,vbWorkMode wm) failed, vbOpenMode invalid");
    if (am < 0 || am > 2)
        throwStream(kHrMode, "Open(vbOpenMode om,vbAccessMode am,vbWorkMode wm) failed, vbAccessMode invalid");
    if (wm < 0 || wm > 3)
        throwStream(kHrMode, "Open(vbOpenMode om,vbAccessMode am,vbWorkMode wm) failed, vbWorkMode invalid");
    auto* attrs = const_cast<SECURITY_ATTRIBUTES*>(static_cast<const SECURITY_ATTRIBUTES*>(sa));
    HANDLE h = CreateFileA(m_name.c_str(), accesses[am], shares[wm], attrs, dispositions[om], onGetFileAttribute(),
        nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        vbString text = "can't open or create file '" + m_name + "'";
        throwStream(sysHr(), text.c_str());
    }
    m_hFile = h;
}

void vbFileStream::Close()
{
    vbLock lock(this);
    if (m_hFile != INVALID_HANDLE_VALUE) {
        HANDLE h = m_hFile;
        m_hFile = INVALID_HANDLE_VALUE;
        CloseHandle(h);
    }
}

HANDLE vbFileStream::GetHandle() const
{
    vbLock lock(this);
    if (m_hFile == INVALID_HANDLE_VALUE)
        throwStream(E_FAIL, "No file opened (GetHandle)");
    return m_hFile;
}

bool vbFileStream::CanRead() const
{
    vbLock lock(this);
    return m_hFile != INVALID_HANDLE_VALUE && m_access != vbAccessWrite;
}

bool vbFileStream::CanWrite() const
{
    vbLock lock(this);
    return m_hFile != INVALID_HANDLE_VALUE && m_access != vbAccessRead;
}

DWORD vbFileStream::Read(void* buffer, DWORD count, bool all)
{
    vbLock lock(this);
    if (!CanRead())
        throwStream(kHrAccess, "Read failed, permission denied reading data");
    DWORD n = 0;
    if (!ReadFile(m_hFile, buffer, count, &n, nullptr))
        throwStream(sysHr(), "Read failed, SDK::ReadFile failed");
    if (n < count && all)
        throwStream(kHrEof, "Read failed, EOF reached");
    return n;
}

DWORD vbFileStream::Write(const void* buffer, DWORD count, bool all)
{
    vbLock lock(this);
    if (!CanWrite())
        throwStream(kHrAccess, "Write failed, permission denied writing data");
    DWORD n = 0;
    if (!WriteFile(m_hFile, buffer, count, &n, nullptr))
        throwStream(sysHr(), "WriteChar failed, SDK::WriteFile failed");
    if (n < count && all)
        throwStream(kHrShortWrite, "WriteChar failed, SDK::WriteFile failed");
    return n;
}

void vbFileStream::readExact(void* buffer, DWORD count, const char* eofText)
{
    DWORD n = 0;
    if (!ReadFile(m_hFile, buffer, count, &n, nullptr))
        throwStream(sysHr(), eofText);
    if (n < count)
        throwStream(kHrEof, eofText);
}

void vbFileStream::writeExact(const void* buffer, DWORD count)
{
    DWORD n = 0;
    if (!WriteFile(m_hFile, buffer, count, &n, nullptr))
        throwStream(sysHr(), "WriteChar failed, SDK::WriteFile failed");
    if (n < count)
        throwStream(kHrShortWrite, "WriteChar failed, SDK::WriteFile failed");
}

char vbFileStream::ReadCharA()
{
    vbLock lock(this);
    if (!CanRead())
        throwStream(kHrAccess, "ReadCharA failed, permission denied reading char");
    char c = 0;
    readExact(&c, 1, "ReadCharA failed, EOF reached");
    return c;
}

WCHAR vbFileStream::ReadCharW()
{
    vbLock lock(this);
    if (!CanRead())
        throwStream(kHrAccess, "ReadCharW failed, permission denied reading char");
    unsigned char b[2];
    readExact(b, 2, "ReadCharW failed, EOF reached");
    return static_cast<WCHAR>(b[0] | (b[1] << 8));
}

void vbFileStream::WriteCharA(char c)
{
    vbLock lock(this);
    if (!CanWrite())
        throwStream(kHrAccess, "WriteChar failed, permission denied writing char");
    writeExact(&c, 1);
}

void vbFileStream::WriteCharW(WCHAR c)
{
    vbLock lock(this);
    if (!CanWrite())
        throwStream(kHrAccess, "WriteChar failed, permission denied writing char");
    unsigned char b[2] = {static_cast<unsigned char>(c & 0xFF), static_cast<unsigned char>(c >> 8)};
    writeExact(b, 2);
}

DWORD vbFileStream::Seek(LONG offset, vbSeekMode mode)
{
    vbLock lock(this);
    DWORD method;
    if (!seekMethod(mode, &method))
        throwStream(kHrMode, "Seek failed, vbSeekMode mode invalid");
    DWORD pos = SetFilePointer(m_hFile, offset, nullptr, method);
    if (pos == INVALID_SET_FILE_POINTER)
        throwStream(sysHr(), "Seek failed");
    return pos;
}

DWORD vbFileStream::GetPosition() const
{
    vbLock lock(this);
    DWORD pos = SetFilePointer(m_hFile, 0, nullptr, FILE_CURRENT);
    if (pos == INVALID_SET_FILE_POINTER)
        throwStream(sysHr(), "GetPosition failed");
    return pos;
}

DWORD vbFileStream::GetLength() const
{
    vbLock lock(this);
    DWORD length = GetFileSize(m_hFile, nullptr);
    if (length == INVALID_FILE_SIZE)
        throwStream(sysHr(), "GetLength failed");
    return length;
}

void vbFileStream::setEnd(uint64_t length, const char* seekText, const char* endText)
{
    if (!CanWrite())
        throwStream(kHrAccess, "SetEOF failed, permission denied setting size");
    LONG high = static_cast<LONG>(length >> 32);
    SetLastError(0);
    DWORD low = SetFilePointer(m_hFile, static_cast<LONG>(length & 0xFFFFFFFFu), &high, FILE_BEGIN);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != 0)
        throwStream(sysHr(), seekText);
    if (!SetEndOfFile(m_hFile))
        throwStream(sysHr(), endText);
}

void vbFileStream::SetLength(DWORD length)
{
    vbLock lock(this);
    setEnd(length, "SetLength() : Seek failed", "SetLength() : SetEndOfFile failed");
}

void vbFileStream::SetLongLength(uint64_t length)
{
    vbLock lock(this);
    setEnd(length, "SetLongLength() : Seek failed", "SetLongLength() : SetEndOfFile failed");
}

uint64_t vbFileStream::LongSeek(int64_t offset, vbSeekMode mode)
{
    vbLock lock(this);
    DWORD method;
    if (!seekMethod(mode, &method))
        throwStream(kHrMode, "LongSeek failed, vbSeekMode mode invalid");
    LONG high = static_cast<LONG>(static_cast<uint64_t>(offset) >> 32);
    SetLastError(0);
    DWORD low = SetFilePointer(m_hFile, static_cast<LONG>(static_cast<uint64_t>(offset) & 0xFFFFFFFFu), &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != 0)
        throwStream(sysHr(), "LongSeek failed");
    return (static_cast<uint64_t>(static_cast<DWORD>(high)) << 32) | low;
}

uint64_t vbFileStream::GetLongPosition() const
{
    vbLock lock(this);
    LONG high = 0;
    SetLastError(0);
    DWORD low = SetFilePointer(m_hFile, 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != 0)
        throwStream(sysHr(), "GetLongPosition failed");
    return (static_cast<uint64_t>(static_cast<DWORD>(high)) << 32) | low;
}

uint64_t vbFileStream::GetLongLength() const
{
    vbLock lock(this);
    DWORD high = 0;
    SetLastError(0);
    DWORD low = GetFileSize(m_hFile, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != 0)
        throwStream(sysHr(), "GetLongLength failed");
    return (static_cast<uint64_t>(high) << 32) | low;
}

bool vbFileStream::Eof() const { return GetLongPosition() >= GetLongLength(); }
