#pragma once

// A stream over a growable memory block. Several streams may share one block (and its lock),
// each with a position of its own; the block lives as long as the last stream that uses it. A
// position may lie beyond the end: a write there grows the block, exactly, to what it needs.

#include "vbData.h"
#include "vbPtr.h"
#include "vbStream.h"

extern VBAPI const IID IID_vbMemoryStream;

class VBAPI vbMemoryStream : public vbStream {
public:
    // The longest content a memory stream holds (the longest byte block).
    static constexpr DWORD kMaxLength = 0x7FFFFFFAu;

    explicit vbMemoryStream(vbAccessMode access = vbAccessBoth);
    // share: use source's block at position 0; otherwise copy source's bytes from its position to
    // its end (which moves source to its end) into a block of its own.
    vbMemoryStream(vbMemoryStream& source, bool share, vbAccessMode access);

    static void CreateObject(vbRefPtr<vbStream, &IID_vbStream>* out);
    static void CreateObject(vbRefPtr<vbMemoryStream, &IID_vbMemoryStream>* out);

    using vbStream::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    vbString GetName() const override;
    vbString GetPhysicalName() const override;

    bool CanRead() const override;
    bool CanWrite() const override;
    using vbStream::Read;
    DWORD Read(void* buffer, DWORD count, bool all) override;
    using vbStream::Write;
    DWORD Write(const void* buffer, DWORD count, bool all) override;
    WCHAR ReadCharW() override;
    void WriteCharW(WCHAR c) override;
    virtual char ReadCharA();
    virtual void WriteCharA(char c);

    bool Eof() const override;
    using vbStream::Seek;
    DWORD Seek(LONG offset, vbSeekMode mode) override;
    DWORD GetPosition() const override;
    DWORD GetLength() const override;
    void SetLength(DWORD length) override;

    // These four do not look at the access mode.
    void CopyFrom(const vbData& data);
    void CopyTo(vbData* data) const;
    void Attach(vbData* data);
    void Detach(vbData* data);
    using vbStream::CopyTo;

    void Lock() const override;
    void Unlock() const override;

protected:
    ~vbMemoryStream() override;

private:
    struct Buffer;
    // Makes room for count bytes at the position (throwing when they would pass kMaxLength) and
    // answers where they go; under the buffer's lock.
    unsigned char* reserve(DWORD count, const char* tooLong);

    Buffer* m_pBuffer;
    DWORD m_position = 0;
    vbAccessMode m_access;
};
