#pragma once

// The stream base: the text side (lines, CR/LF handling, the format), stream-to-stream copies and
// a COM IStream face over any stream. The storage (read, write, seek, length, lock, names) is the
// concrete stream's (vbMemoryStream.h, vbFileStream.h, vbTempStream.h).

#include "vbExport.h"
#include "vbObjectFace.h"
#include "vbObjects.h"
#include "vbStreamIntf.h"
#include "vbString.h"

#include "plat/objidl.h"

extern VBAPI const IID IID_vbStream;

class VBAPI vbStream : public vbObject,
                       public IvbInputStream,
                       public IvbOutputStream,
                       public IvbSeekStream,
                       public IStream,
                       public IvbStreamMode,
                       public sIvbLock {
public:
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override;

    virtual vbString GetName() const;
    virtual vbString GetPhysicalName() const;
    virtual void SetFormat(vbFormatMode format);
    virtual void SetCRLFasLF(bool crlfAsLf);

    // --- IvbInputStream ---
    using IvbInputStream::operator>>;
    using IvbInputStream::ReadString;
    DWORD ReadString(vbString* line, vbString* separator, IvbStreamMode* mode) override;
    using IvbInputStream::ReadStringW;
    DWORD ReadStringW(vbBSTR* line, vbBSTR* separator, IvbStreamMode* mode) override;
    using IvbInputStream::Read;

    // --- IvbOutputStream ---
    using IvbOutputStream::operator<<;
    using IvbOutputStream::WriteString;
    DWORD WriteString(const char* text, DWORD length, bool newline, IvbStreamMode* mode) override;
    using IvbOutputStream::WriteStringW;
    DWORD WriteStringW(const WCHAR* text, DWORD length, bool newline, IvbStreamMode* mode) override;
    DWORD WriteStream(IvbInputStream* source, DWORD count, bool all) override;
    DWORD WriteStream(IvbInputStream* source) override;
    using IvbOutputStream::Write;

    // --- IvbStreamMode ---
    vbFormatMode GetFormat() const override;
    bool GetCRLFasLF() const override;
    // A start below 1 counts as 1; the answer is the 1-based position of the separator's first
    // byte (LF, or the CR of a CR LF within the buffer), 0 when there is none.
    DWORD FindLineSep(int start, const char* buffer, DWORD length, DWORD* separatorLength) const override;
    DWORD FindLineSepW(int start, const WCHAR* buffer, DWORD length, DWORD* separatorLength) const override;

    // --- IStream: never lets an exception out ---
    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT SetSize(ULARGE_INTEGER size) override;
    HRESULT CopyTo(IStream* destination, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
        ULARGE_INTEGER* pcbWritten) override;
    HRESULT Commit(DWORD flags) override;
    HRESULT Revert() override;
    HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) override;
    HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) override;
    HRESULT Stat(STATSTG* statstg, DWORD flag) override;
    HRESULT Clone(IStream** stream) override;
    using IvbSeekStream::Seek;

protected:
    vbStream();
    ~vbStream() override;

    // Throws a vbEstream whose context is this stream's name.
    [[noreturn]] void throwStream(HRESULT hr, const char* message) const;
    // Reports, from a destructor's catch block, what is in flight.
    static void showCurrent(const char* file, int line) noexcept;

    // A new created S into out, which then holds the only reference.
    template <class S, class P>
    static void createInto(P* out)
    {
        S* s = new S;
        try {
            s->Create();
            *out = s;
        } catch (...) {
            s->Release();
            throw;
        }
        s->Release();
    }

private:
    bool m_bCRLFasLF = true;
    vbFormatMode m_format = vbFormatBinary;
};
