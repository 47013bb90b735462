#pragma once

// A stream over a file handle, with explicit open, access and sharing modes and optional security
// attributes. It keeps no buffer of its own: every read, write and character operation is one
// system call. Share modes are advisory on this platform.

#include "vbPtr.h"
#include "vbStream.h"

extern VBAPI const IID IID_vbFileStream;

class vbSecurityAttr;

class VBAPI vbFileStream : public vbStream, public IvbLongSeekStream {
public:
    vbFileStream();
    vbFileStream(const vbString& name, vbOpenMode om, vbAccessMode am, vbWorkMode wm);
    vbFileStream(const vbSecurityAttr& sa, const vbString& name, vbOpenMode om, vbAccessMode am, vbWorkMode wm);

    static void CreateObject(vbRefPtr<vbStream, &IID_vbStream>* out);
    static void CreateObject(vbRefPtr<vbFileStream, &IID_vbFileStream>* out);

    VB_OBJECT_FACE(vbStream)
    bool GetInterface(const GUID& iid, void** ppv) override;
    void Destroy() override;

    vbString GetName() const override;
    vbString GetPhysicalName() const override;

    // Opens the stored name.
    virtual void Open(const vbSecurityAttr* sa, vbOpenMode om, vbAccessMode am, vbWorkMode wm);
    virtual void Open(const vbSecurityAttr& sa, const vbString& name, vbOpenMode om, vbAccessMode am, vbWorkMode wm);
    virtual void Open(const vbString& name, vbOpenMode om, vbAccessMode am, vbWorkMode wm);
    // Keeps the name, so that Open(sa, ...) opens the same file again.
    virtual void Close();
    virtual char ReadCharA();
    virtual void WriteCharA(char c);
    // Throws when no file is open.
    HANDLE GetHandle() const;
    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

    bool CanRead() const override;
    bool CanWrite() const override;
    using vbStream::Read;
    DWORD Read(void* buffer, DWORD count, bool all) override;
    using vbStream::Write;
    DWORD Write(const void* buffer, DWORD count, bool all) override;
    WCHAR ReadCharW() override;
    void WriteCharW(WCHAR c) override;

    bool Eof() const override;
    using vbStream::Seek;
    DWORD Seek(LONG offset, vbSeekMode mode) override;
    DWORD GetPosition() const override;
    DWORD GetLength() const override;
    void SetLength(DWORD length) override;
    uint64_t LongSeek(int64_t offset, vbSeekMode mode) override;
    uint64_t GetLongPosition() const override;
    uint64_t GetLongLength() const override;
    void SetLongLength(uint64_t length) override;

    void Lock() const override;
    void Unlock() const override;

protected:
    ~vbFileStream() override;
    // The flags-and-attributes argument of the open.
    virtual DWORD onGetFileAttribute() const;

    vbAccessMode m_access = vbAccessBoth;
    vbString m_name;
    HANDLE m_hFile = INVALID_HANDLE_VALUE;

private:
    void readExact(void* buffer, DWORD count, const char* eofText);
    void writeExact(const void* buffer, DWORD count);
    void setEnd(uint64_t length, const char* seekText, const char* endText);
};
