#include "vbStream.h"

#include "vbComData.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "streams/vbStreamCopy.h"

#include <cstring>
#include <string>

const IID IID_vbStream = {0x5A39A972, 0x2BB9, 0x4A2A, {0xAD, 0xC4, 0x0A, 0xFC, 0xA4, 0x86, 0xE5, 0x30}};

namespace {

constexpr DWORD kLineChunk = 64;

constexpr HRESULT kHrNoLongSeek = static_cast<HRESULT>(0x80030032u);

// The HRESULT of what is in flight; the exception is deleted.
HRESULT hrOfCurrent() noexcept
{
    try {
        throw;
    } catch (CException* e) {
        HRESULT hr = vbGetHR(e);
        e->Delete();
        return hr;
    } catch (...) {
        return E_POINTER;
    }
}

} // namespace

vbStream::vbStream() = default;
vbStream::~vbStream() = default;

vbString vbStream::GetName() const { vbPurecall(); }
vbString vbStream::GetPhysicalName() const { vbPurecall(); }

void vbStream::throwStream(HRESULT hr, const char* message) const
{
    throw new vbEstream(GetName(), hr, vbString(message));
}

void vbStream::showCurrent(const char* file, int line) noexcept
{
    try {
        throw;
    } catch (CException* e) {
        vbShowException(e, true, file, line);
    } catch (...) {
        vbImpl::reportCurrent(true, file, line);
    }
}

bool vbStream::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbStream)
        *ppv = this;
    else if (iid == IID_IvbInputStream)
        *ppv = static_cast<IvbInputStream*>(this);
    else if (iid == IID_IvbOutputStream)
        *ppv = static_cast<IvbOutputStream*>(this);
    else if (iid == IID_IvbSeekStream)
        *ppv = static_cast<IvbSeekStream*>(this);
    else if (iid == IID_IvbStreamMode)
        *ppv = static_cast<IvbStreamMode*>(this);
    else if (iid == IID_sIvbLock)
        *ppv = static_cast<sIvbLock*>(this);
    else if (iid == IID_IStream || iid == IID_ISequentialStream)
        *ppv = static_cast<IStream*>(this);
    else
        return vbObject::GetInterface(iid, ppv);
    return true;
}

// --- format and line-end rules ---

void vbStream::SetFormat(vbFormatMode format)
{
    vbLock lock(static_cast<const sIvbLock*>(this));
    m_format = format;
}

void vbStream::SetCRLFasLF(bool crlfAsLf)
{
    vbLock lock(static_cast<const sIvbLock*>(this));
    m_bCRLFasLF = crlfAsLf;
}

vbFormatMode vbStream::GetFormat() const
{
    vbLock lock(static_cast<const sIvbLock*>(this));
    return m_format;
}

bool vbStream::GetCRLFasLF() const
{
    vbLock lock(static_cast<const sIvbLock*>(this));
    return m_bCRLFasLF;
}

DWORD vbStream::FindLineSep(int start, const char* buffer, DWORD length, DWORD* separatorLength) const
{
    DWORD i = start < 1 ? 0 : static_cast<DWORD>(start - 1);
    for (; i < length; ++i) {
        if (buffer[i] != '\n')
            continue;
        if (i > 0 && buffer[i - 1] == '\r') {
            if (separatorLength)
                *separatorLength = 2;
            return i;
        }
        if (separatorLength)
            *separatorLength = 1;
        return i + 1;
    }
    return 0;
}

DWORD vbStream::FindLineSepW(int, const WCHAR*, DWORD, DWORD*) const
{
    throw new vbEsys(E_FAIL, "vbStream::FindLineSepW() not implemented");
}

// --- text ---

DWORD vbStream::ReadString(vbString* line, vbString* separator, IvbStreamMode* mode)
{
    if (!mode)
        mode = this;
    line->Empty();
    DWORD total = 0;
    char chunk[kLineChunk];
    for (;;) {
        DWORD count = static_cast<IvbInputStream*>(this)->Read(chunk, kLineChunk, false);
        if (count == 0) {
            if (separator)
                separator->Empty();
            return total;
        }
        DWORD sepLength = 1;
        DWORD p = mode->FindLineSep(1, chunk, count, &sepLength);
        if (p == 0) {
            line->Add(chunk, static_cast<int>(count));
            total += count;
            continue;
        }
        line->Add(chunk, static_cast<int>(p - 1));
        total += p - 1;
        DWORD rest = count - p - sepLength + 1;
        if (rest > 0)
            static_cast<IvbSeekStream*>(this)->Seek(-static_cast<LONG>(rest), vbSeekCurrent);
        if (separator) {
            if (sepLength == 2 && mode->GetCRLFasLF())
                *separator = "\n";
            else
                *separator = vbString(chunk + p - 1, static_cast<int>(sepLength));
        }
        return total + sepLength;
    }
}

DWORD vbStream::WriteString(const char* text, DWORD length, bool newline, IvbStreamMode* mode)
{
    if (!mode)
        mode = this;
    std::string out;
    if (!vbStreamCopy::lineText(text, length, newline, mode->GetCRLFasLF(), &out))
        return static_cast<IvbOutputStream*>(this)->Write(text, length, true);
    return static_cast<IvbOutputStream*>(this)->Write(out.data(), static_cast<DWORD>(out.size()), true);
}

DWORD vbStream::ReadStringW(vbBSTR*, vbBSTR*, IvbStreamMode*)
{
    throw new vbEsys(E_FAIL, "vbStream::ReadStringW() not implemented");
}

DWORD vbStream::WriteStringW(const WCHAR*, DWORD, bool, IvbStreamMode*)
{
    throw new vbEsys(E_FAIL, "vbStream::WriteStringW() not implemented");
}

// --- copies ---

DWORD vbStream::WriteStream(IvbInputStream* source, DWORD count, bool all)
{
    return vbStreamCopy::copy(source, this, count, true, all,
        [this](HRESULT hr, const char* text) { throwStream(hr, text); });
}

DWORD vbStream::WriteStream(IvbInputStream* source)
{
    return vbStreamCopy::copy(source, this, 0, false, false,
        [this](HRESULT hr, const char* text) { throwStream(hr, text); });
}

// --- IStream ---

HRESULT vbStream::Read(void* pv, ULONG cb, ULONG* pcbRead)
{
    try {
        DWORD n = static_cast<IvbInputStream*>(this)->Read(pv, cb, pcbRead == nullptr);
        if (pcbRead)
            *pcbRead = n;
        return S_OK;
    } catch (...) {
        return hrOfCurrent();
    }
}

HRESULT vbStream::Write(const void* pv, ULONG cb, ULONG* pcbWritten)
{
    try {
        DWORD n = static_cast<IvbOutputStream*>(this)->Write(pv, cb, pcbWritten == nullptr);
        if (pcbWritten)
            *pcbWritten = n;
        return S_OK;
    } catch (...) {
        return hrOfCurrent();
    }
}

HRESULT vbStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition)
{
    try {
        if (origin > 2)
            return E_INVALIDARG;
        auto mode = static_cast<vbSeekMode>(origin);
        if (move.QuadPart >= INT32_MIN && move.QuadPart <= INT32_MAX) {
            DWORD pos = static_cast<IvbSeekStream*>(this)->Seek(static_cast<LONG>(move.QuadPart), mode);
            if (newPosition)
                newPosition->QuadPart = pos;
            return S_OK;
        }
        void* p = nullptr;
        if (!GetInterface(IID_IvbLongSeekStream, &p))
            return kHrNoLongSeek;
        uint64_t pos = static_cast<IvbLongSeekStream*>(p)->LongSeek(move.QuadPart, mode);
        if (newPosition)
            newPosition->QuadPart = pos;
        return S_OK;
    } catch (...) {
        return hrOfCurrent();
    }
}

HRESULT vbStream::SetSize(ULARGE_INTEGER size)
{
    try {
        if (size.QuadPart < 0x80000000ull) {
            SetLength(static_cast<DWORD>(size.QuadPart));
            return S_OK;
        }
        void* p = nullptr;
        if (!GetInterface(IID_IvbLongSeekStream, &p))
            return kHrNoLongSeek;
        static_cast<IvbLongSeekStream*>(p)->SetLongLength(size.QuadPart);
        return S_OK;
    } catch (...) {
        return hrOfCurrent();
    }
}

HRESULT vbStream::CopyTo(IStream* destination, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
    ULARGE_INTEGER* pcbWritten)
{
    try {
        if (pcbRead)
            pcbRead->QuadPart = 0;
        if (pcbWritten)
            pcbWritten->QuadPart = 0;
        const std::unique_ptr<char[]> buffer = vbStreamCopy::chunkBuffer();
        uint64_t left = cb.QuadPart;
        while (left > 0) {
            ULONG count = 0;
            HRESULT hr = Read(buffer.get(), left < vbStreamCopy::kChunk ? static_cast<ULONG>(left) : vbStreamCopy::kChunk, &count);
            if (FAILED(hr))
                return hr;
            if (count == 0)
                break;
            if (pcbRead)
                pcbRead->QuadPart += count;
            left -= count;
            ULONG written = 0;
            hr = destination->Write(buffer.get(), count, &written);
            if (FAILED(hr))
                return hr;
            if (pcbWritten)
                pcbWritten->QuadPart += written;
        }
        return S_OK;
    } catch (...) {
        return hrOfCurrent();
    }
}

HRESULT vbStream::Commit(DWORD) { return E_NOTIMPL; }
HRESULT vbStream::Revert() { return E_NOTIMPL; }
HRESULT vbStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT vbStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT vbStream::Clone(IStream**) { return E_NOTIMPL; }

HRESULT vbStream::Stat(STATSTG* statstg, DWORD flag)
{
    try {
        std::memset(statstg, 0, sizeof *statstg);
        statstg->type = STGTY_STREAM;
        void* p = nullptr;
        if (GetInterface(IID_IvbLongSeekStream, &p))
            statstg->cbSize.QuadPart = static_cast<IvbLongSeekStream*>(p)->GetLongLength();
        else
            statstg->cbSize.QuadPart = GetLength();
        if (!(flag & STATFLAG_NONAME)) {
            vbComData name(GetPhysicalName().c_str());
            statstg->pwcsName = name.Detach();
        }
        return S_OK;
    } catch (...) {
        return hrOfCurrent();
    }
}
