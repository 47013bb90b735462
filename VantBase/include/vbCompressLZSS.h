#pragma once

// Compression: the interfaces that compression plug objects, compressors, decompressors and their
// callbacks implement, and the built-in "QVLZSS" codec (an LZSS coder whose literals, lengths and
// distances go through two adaptive Huffman codes that writer and reader rebuild in step).
//
// A compressor or decompressor is an output stream: the caller writes bytes into it and it writes
// the coded (or decoded) bytes to the output stream the caller set. Both may carry named header
// parameters and a sequence of named files with their own parameters inside the coded data.

#include "vbExport.h"
#include "vbHotPlugin.h"
#include "vbObjectFace.h"
#include "vbObjects.h"
#include "vbPtr.h"
#include "vbStream.h"
#include "vbStreamIntf.h"
#include "vbString.h"

#include "plat/types.h"

#include <cstdint>
#include <memory>
#include <vector>

class IvbCompressPush;
class IvbDecompressPush;
class IvbCompressPull;
class IvbDecompressPull;

inline constexpr IID IID_IvbCompressProgress = VNT_GUID(0x19DA7A35, 0xEC6B, 0x43F8, 0x99, 0xE2, 0x9B, 0x57, 0x22, 0xA8, 0xF4, 0x7C);
inline constexpr IID IID_IvbDecompressProgress = VNT_GUID(0x44E8F821, 0xE7A6, 0x4CFD, 0xA5, 0x70, 0x3F, 0x2B, 0x85, 0xA7, 0x0B, 0x1A);
inline constexpr IID IID_IvbCompressNotif = VNT_GUID(0x21355534, 0xC76D, 0x4A63, 0xA3, 0x66, 0x72, 0xBD, 0xC6, 0x69, 0x52, 0x3A);
inline constexpr IID IID_IvbDecompressNotif = VNT_GUID(0x42391610, 0x1E85, 0x463E, 0xAA, 0x5F, 0xB4, 0x0C, 0x2F, 0x8E, 0xE1, 0x28);
inline constexpr IID IID_IvbCompressPush = VNT_GUID(0x7828F262, 0xE188, 0x4D79, 0x9F, 0x98, 0x08, 0x13, 0x77, 0x52, 0x17, 0xAB);
inline constexpr IID IID_IvbDecompressPush = VNT_GUID(0x703390AA, 0x1CA5, 0x4B57, 0xBC, 0x06, 0x9D, 0x88, 0xE4, 0x5B, 0x1A, 0x42);
inline constexpr IID IID_IvbCompressPull = VNT_GUID(0x7EEF3E5B, 0x5B3E, 0x4D50, 0x9F, 0xCF, 0x9D, 0xE0, 0x50, 0xEF, 0x68, 0x8D);
inline constexpr IID IID_IvbDecompressPull = VNT_GUID(0x84A2CC4D, 0x6420, 0x4994, 0xAE, 0xF2, 0x44, 0xC4, 0xEC, 0xDC, 0xEA, 0x1C);
inline constexpr IID IID_IvbCompressPlug = VNT_GUID(0xF786CCBB, 0x59DE, 0x46A9, 0xBA, 0x9C, 0xAA, 0xB0, 0x0C, 0x22, 0x5E, 0x67);

// Capability bits of GetCaps.
inline constexpr DWORD vbCompressCapHeaderParams = 0x30000000u;
inline constexpr DWORD vbCompressCapFiles = 0x80000000u;
inline constexpr DWORD vbCompressCapFileParams = 0x0C000000u;

using vbOutputStreamPtr = vbRefPtr<IvbOutputStream, &IID_IvbOutputStream>;
using vbInputStreamPtr = vbRefPtr<IvbInputStream, &IID_IvbInputStream>;

// --- callbacks ---

class VBAPI IvbCompressProgress : public IvbObject {
public:
    virtual void OnCompressProgress(IvbCompressPush* push, IvbCompressPull* pull, const char* label,
        uint64_t rawBytes, uint64_t codedBytes, DWORD declaredSize);

protected:
    ~IvbCompressProgress() = default;
};

class VBAPI IvbDecompressProgress : public IvbObject {
public:
    virtual void OnDecompressProgress(IvbDecompressPush* push, IvbDecompressPull* pull, const char* label,
        uint64_t decodedBytes, uint64_t codedBytes, DWORD declaredSize);

protected:
    ~IvbDecompressProgress() = default;
};

class VBAPI IvbCompressNotif : public IvbObject {
public:
    virtual void OnCompressFlush(IvbCompressPush* push, bool final, bool endOfStream);
    virtual void OnCompressClose(IvbCompressPush* push);
    virtual void OnCompressNewFile(IvbCompressPush* push, DWORD codePage, const char* name, DWORD declaredSize);

protected:
    ~IvbCompressNotif() = default;
};

class VBAPI IvbDecompressNotif : public IvbObject {
public:
    virtual void OnDecompressFlush(IvbDecompressPush* push, bool final, bool endOfStream);
    virtual void OnDecompressClose(IvbDecompressPush* push);
    virtual void OnDecompressStart(IvbDecompressPush* push);
    virtual void OnDecompressFileEnd(IvbDecompressPush* push, bool endOfStream);
    virtual void OnDecompressNewFile(IvbDecompressPush* push, DWORD codePage, const char* name, DWORD declaredSize);

protected:
    ~IvbDecompressNotif() = default;
};

// --- compressors and decompressors ---

// A compressor written to: its coded bytes go to the output stream set with New or SetOutputStream.
class VBAPI IvbCompressPush : public IvbOutputStream {
public:
    virtual vbString GetCompressLabel(bool shortLabel) const;
    virtual bool GetCompressLevelRange(int* minimum, int* maximum, int* byDefault) const;
    virtual bool GetCompressBlockRange(LONG* minimum, LONG* maximum, LONG* byDefault) const;
    virtual bool EnumCompressSetting(int index, vbString* name, vbString* description) const;
    virtual DWORD GetCaps() const;
    virtual void SetCompressLevel(int level);
    virtual int GetCompressLevel() const;
    virtual void SetCompressBlock(LONG size);
    virtual LONG GetCompressBlock() const;
    virtual bool SetCompressSetting(const char* name, LONG value, bool bThrow);
    virtual LONG GetCompressSetting(const char* name, bool* found) const;
    virtual void ResetCompressSettings(int level);
    virtual uint64_t GetMemoryUsage() const;
    virtual bool GetIOstat(uint64_t* rawBytes, uint64_t* codedBytes) const;
    virtual void ResetIOstat();
    virtual void SetCodePage(DWORD codePage);
    virtual DWORD GetCodePage() const;
    virtual void New(IvbOutputStream* output);
    virtual void SetProgressCb(IvbCompressProgress* cb);
    virtual void SetNotifCb(IvbCompressNotif* cb);
    virtual bool GetOutputStream(vbOutputStreamPtr* output, bool bThrow) const;
    virtual void CompressFlush();
    virtual void Close(bool freeMemory);
    virtual bool IsCompressStarted() const;
    virtual bool NewFile(const vbString& name, DWORD declaredSize, DWORD codePage, bool refuseDuplicate);
    virtual bool EnumFile(int index, vbString* name, DWORD* declaredSize, DWORD codePage) const;
    virtual int GetFileCount() const;
    virtual bool GetFileParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const;
    virtual bool EnumFileParam(int index, vbString* name, vbString* value, DWORD codePage) const;
    virtual bool AddFileParam(const vbString& name, const vbString& value, DWORD codePage, bool refuseDuplicate);
    virtual bool GetHeaderParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const;
    virtual bool EnumHeaderParam(int index, vbString* name, vbString* value, DWORD codePage) const;
    virtual bool AddHeaderParam(const vbString& name, const vbString& value, DWORD codePage, bool refuseDuplicate);
    virtual void SetOutputStream(IvbOutputStream* output);

protected:
    ~IvbCompressPush() = default;
};

// A decompressor written to: the coded stream goes in, the user's bytes go to its output stream.
class VBAPI IvbDecompressPush : public IvbOutputStream {
public:
    virtual vbString GetCompressLabel(bool shortLabel) const;
    virtual DWORD GetCaps() const;
    virtual uint64_t GetMemoryUsage() const;
    virtual bool GetIOstat(uint64_t* decodedBytes, uint64_t* codedBytes) const;
    virtual void ResetIOstat();
    virtual DWORD GetCodePage() const;
    virtual void New();
    virtual void SetOutputStream(IvbOutputStream* output);
    virtual void SetProgressCb(IvbDecompressProgress* cb);
    virtual void SetNotifCb(IvbDecompressNotif* cb);
    virtual bool GetOutputStream(vbOutputStreamPtr* output, bool bThrow) const;
    virtual void DecompressFlush();
    virtual void Close(bool freeMemory);
    virtual bool IsDecompressStarted() const;
    virtual bool EnumFile(int index, vbString* name, DWORD* declaredSize, DWORD codePage) const;
    virtual int GetFileCount() const;
    virtual bool GetFileParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const;
    virtual bool EnumFileParam(int index, vbString* name, vbString* value, DWORD codePage) const;
    virtual bool GetHeaderParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const;
    virtual bool EnumHeaderParam(int index, vbString* name, vbString* value, DWORD codePage) const;

protected:
    ~IvbDecompressPush() = default;
};

// A compressor read from: it reads its input stream and hands out coded bytes. No implementation
// in the library serves it.
// Repeats the push face on the input stream: a shared base would change the layout plug-ins build against.
class VBAPI IvbCompressPull : public IvbInputStream {
public:
    virtual vbString GetCompressLabel(bool shortLabel) const;
    virtual bool GetCompressLevelRange(int* minimum, int* maximum, int* byDefault) const;
    virtual bool GetCompressBlockRange(LONG* minimum, LONG* maximum, LONG* byDefault) const;
    virtual bool EnumCompressSetting(int index, vbString* name, vbString* description) const;
    virtual DWORD GetCaps() const;
    virtual void SetCompressLevel(int level);
    virtual int GetCompressLevel() const;
    virtual void SetCompressBlock(LONG size);
    virtual LONG GetCompressBlock() const;
    virtual bool SetCompressSetting(const char* name, LONG value, bool bThrow);
    virtual LONG GetCompressSetting(const char* name, bool* found) const;
    virtual void ResetCompressSettings(int level);
    virtual uint64_t GetMemoryUsage() const;
    virtual bool GetIOstat(uint64_t* rawBytes, uint64_t* codedBytes) const;
    virtual void ResetIOstat();
    virtual void SetCodePage(DWORD codePage);
    virtual DWORD GetCodePage() const;
    virtual void New(IvbInputStream* input);
    virtual void SetProgressCb(IvbCompressProgress* cb);
    virtual void SetNotifCb(IvbCompressNotif* cb);
    virtual bool GetInputStream(vbInputStreamPtr* input, bool bThrow) const;
    virtual void Close(bool freeMemory);
    virtual bool IsCompressStarted() const;
    virtual bool NewFile(const vbString& name, DWORD declaredSize, DWORD codePage, bool refuseDuplicate);
    virtual bool EnumFile(int index, vbString* name, DWORD* declaredSize, DWORD codePage) const;
    virtual int GetFileCount() const;
    virtual bool GetFileParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const;
    virtual bool EnumFileParam(int index, vbString* name, vbString* value, DWORD codePage) const;
    virtual bool AddFileParam(const vbString& name, const vbString& value, DWORD codePage, bool refuseDuplicate);
    virtual bool GetHeaderParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const;
    virtual bool EnumHeaderParam(int index, vbString* name, vbString* value, DWORD codePage) const;
    virtual bool AddHeaderParam(const vbString& name, const vbString& value, DWORD codePage, bool refuseDuplicate);
    virtual void SetInputStream(IvbInputStream* input);

protected:
    ~IvbCompressPull() = default;
};

// A decompressor read from: it reads the coded stream from its input and hands out the user's
// bytes. No implementation in the library serves it.
class VBAPI IvbDecompressPull : public IvbInputStream {
public:
    virtual vbString GetCompressLabel(bool shortLabel) const;
    virtual DWORD GetCaps() const;
    virtual uint64_t GetMemoryUsage() const;
    virtual bool GetIOstat(uint64_t* decodedBytes, uint64_t* codedBytes) const;
    virtual void ResetIOstat();
    virtual DWORD GetCodePage() const;
    virtual void New(IvbInputStream* input);
    virtual void SetProgressCb(IvbDecompressProgress* cb);
    virtual void SetNotifCb(IvbDecompressNotif* cb);
    virtual bool GetInputStream(vbInputStreamPtr* input, bool bThrow) const;
    virtual void Close(bool freeMemory);
    virtual bool IsDecompressStarted() const;
    virtual bool EnumFile(int index, vbString* name, DWORD* declaredSize, DWORD codePage) const;
    virtual int GetFileCount() const;
    virtual bool GetFileParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const;
    virtual bool EnumFileParam(int index, vbString* name, vbString* value, DWORD codePage) const;
    virtual bool GetHeaderParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const;
    virtual bool EnumHeaderParam(int index, vbString* name, vbString* value, DWORD codePage) const;

protected:
    ~IvbDecompressPull() = default;
};

using vbCompressPushPtr = vbRefPtr<IvbCompressPush, &IID_IvbCompressPush>;
using vbDecompressPushPtr = vbRefPtr<IvbDecompressPush, &IID_IvbDecompressPush>;
using vbCompressPullPtr = vbRefPtr<IvbCompressPull, &IID_IvbCompressPull>;
using vbDecompressPullPtr = vbRefPtr<IvbDecompressPull, &IID_IvbDecompressPull>;

// A compression plug object: recognises its format and hands out compressors and decompressors.
// Mode 0 is push mode.
class VBAPI IvbCompressPlug : public IvbObject {
public:
    virtual bool CanWorkWithType(const char* type, IvbInputStream* source);
    virtual bool Decompress(IvbOutputStream* target, int mode, vbDecompressPushPtr* result, bool bThrow);
    virtual bool Decompress(IvbInputStream* source, int mode, vbDecompressPullPtr* result, bool bThrow);
    virtual bool Compress(IvbInputStream* source, int mode, vbCompressPullPtr* result, bool bThrow);
    virtual bool Compress(IvbOutputStream* target, int mode, vbCompressPushPtr* result, bool bThrow);
    virtual void askClose();
    virtual vbString GetCompressLabel(bool shortLabel) const;
    virtual bool GetCompressLevelRange(int* minimum, int* maximum, int* byDefault) const;
    virtual bool GetCompressBlockRange(LONG* minimum, LONG* maximum, LONG* byDefault) const;
    virtual bool EnumCompressSetting(int index, vbString* name, vbString* description) const;
    virtual DWORD GetCaps() const;

protected:
    ~IvbCompressPlug() = default;
};

using vbCompressPlugPtr = vbRefPtr<IvbCompressPlug, &IID_IvbCompressPlug>;

// --- the built-in codec ---

// A named value of the stream's header or of one of its files; word marks a header list as written.
struct VBAPI vbLZSS_Param {
    vbString name;
    vbString value;
    DWORD word = 0;
};

struct VBAPI vbLZSS_File {
    static constexpr DWORD kFlagWritten = 1;
    vbString name;
    DWORD declaredSize = 0xFFFFFFFFu;
    DWORD flags = 0;
    std::vector<vbLZSS_Param> params; // sorted by name
};

struct vbLZSSmodels;

// What compressor and decompressor share: the two Huffman models, the header parameters, the
// file list, the code page of record strings, the byte counters and the capability flags.
class VBAPI vbLZSS : public vbObject {
public:
    // The largest history ring (block count x block size) a stream may ask for; a reader refuses a
    // larger one before allocating it, and the compressor refuses block sizes that would need it.
    static const uint64_t kMaxRing;
    static constexpr DWORD kDefaultCodePage = 65001;

    virtual void Close(bool freeMemory);
    virtual uint64_t GetMemoryUsage() const;
    virtual bool GetIOstat(uint64_t* rawBytes, uint64_t* codedBytes) const;
    virtual void ResetIOstat();
    virtual bool EnumFile(int index, vbString* name, DWORD* declaredSize, DWORD codePage) const;
    virtual int GetFileCount() const;
    virtual bool GetFileParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const;
    virtual bool EnumFileParam(int index, vbString* name, vbString* value, DWORD codePage) const;
    virtual bool GetHeaderParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const;
    virtual bool EnumHeaderParam(int index, vbString* name, vbString* value, DWORD codePage) const;
    virtual DWORD GetCaps() const;

protected:
    // decodeTables: the models keep the lookup tables a reader decodes with.
    explicit vbLZSS(bool decodeTables);
    ~vbLZSS() override;

    virtual void resetMemory();

    // Back to the closed state: flags, lists and counters as at construction.
    void resetState();
    bool addFile(const vbString& name, DWORD declaredSize, DWORD codePage, bool refuseDuplicate, bool listClosed);
    bool addHeaderParam(const vbString& name, const vbString& value, DWORD codePage, bool refuseDuplicate);
    bool addFileParam(const vbString& name, const vbString& value, DWORD codePage, bool refuseDuplicate);
    vbLZSS_File* currentFile() const;
    // Allocates n bytes into v, raising the framework's out-of-memory exception on failure.
    static void allocate(std::vector<unsigned char>& v, uint64_t n);

    std::unique_ptr<vbLZSSmodels> m_models;
    std::vector<vbLZSS_Param> m_headerParams; // sorted by name
    std::vector<vbLZSS_File> m_files;         // sorted by name
    int m_currentFile = 0;                    // 1-based; 0: none
    DWORD m_codePage = kDefaultCodePage;
    int m_blockCount = 3;                     // F: blocks in the history ring
    bool m_16bit = true;
    uint64_t m_rawBytes = 0;
    uint64_t m_codedBytes = 0;
    DWORD m_declaredSize = 0xFFFFFFFFu;
    bool m_started = false;
    bool m_recordsPending = false;
    bool m_canAddHeaderParams = true;
    bool m_canAddFiles = true;
    bool m_canAddFileParams = true;
};

struct vbLZSSmatchFinder;

// The match finder, the compression level and the block size.
class VBAPI vbLZSScompress : public vbLZSS {
public:
    static constexpr int kDefaultLevel = 7;
    static constexpr LONG kDefaultBlock = 16384;
    static constexpr LONG kMinBlock = 1024;
    static constexpr LONG kMaxBlock = 0x7FFFFFF0;

    // The ranges of level and block size: minimum, maximum and default (each may be null).
    static bool LevelRange(int* minimum, int* maximum, int* byDefault);
    static bool BlockRange(LONG* minimum, LONG* maximum, LONG* byDefault);
    virtual vbString GetCompressLabel(bool shortLabel) const;
    virtual bool GetCompressLevelRange(int* minimum, int* maximum, int* byDefault) const;
    virtual bool GetCompressBlockRange(LONG* minimum, LONG* maximum, LONG* byDefault) const;
    virtual bool EnumCompressSetting(int index, vbString* name, vbString* description) const;
    virtual void SetCompressLevel(int level);
    virtual int GetCompressLevel() const;
    virtual void SetCompressBlock(LONG size);
    virtual LONG GetCompressBlock() const;
    virtual bool SetCompressSetting(const char* name, LONG value, bool bThrow);
    virtual LONG GetCompressSetting(const char* name, bool* found) const;
    virtual void ResetCompressSettings(int level);
    virtual void SetCodePage(DWORD codePage);
    uint64_t GetMemoryUsage() const override;

protected:
    vbLZSScompress();
    ~vbLZSScompress() override;

    void resetMemory() override;
    // Codes the block now in the input ring into the output buffer and places the next block.
    void codeBlock();
    // Allocates the buffers and puts the stream header into the output buffer.
    void startBuffers(DWORD flags);
    // Appends bytes to the input ring; every block that fills is coded and handed on.
    void appendInput(const unsigned char* data, uint64_t count);
    // Writes out the coded bytes, with an end marker when final (a second one at the end of a
    // stream of files).
    virtual void onCompDataFlush(bool final, bool endOfStream);
    // Told after each coded block (progress).
    virtual void onBlockCoded();
    bool blockPending() const { return m_inPos > m_blockStart; }
    // How far back the window reaches from stream position a: an entry that many bytes back or
    // more (at or below the window's low bound) is out of it.
    uint64_t reach(uint64_t a, size_t dataEnd) const;
    void placeNextBlock();

    int m_level = kDefaultLevel;
    bool m_lazy = true;
    int m_chainLimit = 256;
    LONG m_blockSize = kDefaultBlock;
    uint64_t m_outSize = 0; // 0: unset

    std::vector<unsigned char> m_in;  // the input ring: F x B bytes
    std::vector<unsigned char> m_out; // coded bytes not yet written
    size_t m_outPos = 0;
    size_t m_blockStart = 0; // ring index of the current block
    size_t m_inPos = 0;      // ring index where the next byte goes
    uint64_t m_absBlock = 0; // stream position of the current block's first byte
    bool m_wrapped = false;
    size_t m_wrapPoint = 0;  // end of the previous lap
    uint64_t m_absWrap = 0;  // stream position of the ring's start in this lap
    bool m_refused = false;  // a block did not fit: the stream cannot go on
    std::unique_ptr<vbLZSSmatchFinder> m_finder;

private:
    class BlockCoder;
};

// What both push objects hold beside their codec: the output stream, and the notification and
// progress callbacks, either set or asked of the output stream once, at their first use.
template <class Notif, const IID* NotifIid, class Progress, const IID* ProgressIid>
class vbLZSSpushLinks {
public:
    vbLZSSpushLinks() = default;
    vbLZSSpushLinks(const vbLZSSpushLinks&) = delete;
    vbLZSSpushLinks& operator=(const vbLZSSpushLinks&) = delete;
    ~vbLZSSpushLinks()
    {
        try {
            release();
        } catch (...) {
            vbImpl::reportCurrent(false, "vbCompressLZSS", __LINE__);
        }
    }

    IvbOutputStream* output() const { return m_output.Get(); }
    void setOutput(IvbOutputStream* output) { m_output = output; }
    // False without an output stream.
    bool getOutput(vbOutputStreamPtr* output) const
    {
        if (!m_output)
            return false;
        *output = m_output;
        return true;
    }
    void setNotif(Notif* cb)
    {
        m_notif = cb;
        m_notifLooked = true;
    }
    void setProgress(Progress* cb)
    {
        m_progress = cb;
        m_progressLooked = true;
    }
    Notif* notif() { return look(m_notif, m_notifLooked); }
    Progress* progress() { return look(m_progress, m_progressLooked); }
    // Drops the stream and the callbacks; the next stream is asked for its callbacks again.
    void release()
    {
        m_output.Release();
        m_notif.Release();
        m_progress.Release();
        m_notifLooked = m_progressLooked = false;
    }

private:
    template <class T, const IID* Iid>
    T* look(vbRefPtr<T, Iid>& cb, bool& looked)
    {
        if (!looked) {
            looked = true;
            if (m_output)
                m_output->QueryInterface(*Iid, cb.AddrV());
        }
        return cb.Get();
    }

    vbOutputStreamPtr m_output;
    vbRefPtr<Notif, NotifIid> m_notif;
    vbRefPtr<Progress, ProgressIid> m_progress;
    bool m_notifLooked = false;
    bool m_progressLooked = false;
};

class VBAPI vbLZSScompressPush : public vbLZSScompress, public IvbCompressPush {
public:
    VB_OBJECT_FACE(vbLZSScompress)
    bool GetInterface(const GUID& iid, void** ppv) override;

    // A new compressor into out (which then holds the only reference).
    static void CreateObject(vbCompressPushPtr* out);

    // --- IvbOutputStream ---
    bool CanWrite() const override;
    DWORD Write(const void* buffer, DWORD count, bool all) override;
    DWORD WriteStream(IvbInputStream* source, DWORD count, bool all) override;
    DWORD WriteStream(IvbInputStream* source) override;
    using IvbOutputStream::WriteString;
    DWORD WriteString(const char* text, DWORD length, bool newline, IvbStreamMode* mode) override;
    using IvbOutputStream::WriteStringW;
    DWORD WriteStringW(const WCHAR* text, DWORD length, bool newline, IvbStreamMode* mode) override;

    // --- IvbCompressPush ---
    vbString GetCompressLabel(bool shortLabel) const override;
    bool GetCompressLevelRange(int* minimum, int* maximum, int* byDefault) const override;
    bool GetCompressBlockRange(LONG* minimum, LONG* maximum, LONG* byDefault) const override;
    bool EnumCompressSetting(int index, vbString* name, vbString* description) const override;
    DWORD GetCaps() const override;
    void SetCompressLevel(int level) override;
    int GetCompressLevel() const override;
    void SetCompressBlock(LONG size) override;
    LONG GetCompressBlock() const override;
    bool SetCompressSetting(const char* name, LONG value, bool bThrow) override;
    LONG GetCompressSetting(const char* name, bool* found) const override;
    void ResetCompressSettings(int level) override;
    uint64_t GetMemoryUsage() const override;
    bool GetIOstat(uint64_t* rawBytes, uint64_t* codedBytes) const override;
    void ResetIOstat() override;
    void SetCodePage(DWORD codePage) override;
    DWORD GetCodePage() const override;
    void New(IvbOutputStream* output) override;
    void SetProgressCb(IvbCompressProgress* cb) override;
    void SetNotifCb(IvbCompressNotif* cb) override;
    bool GetOutputStream(vbOutputStreamPtr* output, bool bThrow) const override;
    void CompressFlush() override;
    void Close(bool freeMemory) override;
    bool IsCompressStarted() const override;
    bool NewFile(const vbString& name, DWORD declaredSize, DWORD codePage, bool refuseDuplicate) override;
    bool EnumFile(int index, vbString* name, DWORD* declaredSize, DWORD codePage) const override;
    int GetFileCount() const override;
    bool GetFileParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const override;
    bool EnumFileParam(int index, vbString* name, vbString* value, DWORD codePage) const override;
    bool AddFileParam(const vbString& name, const vbString& value, DWORD codePage, bool refuseDuplicate) override;
    bool GetHeaderParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const override;
    bool EnumHeaderParam(int index, vbString* name, vbString* value, DWORD codePage) const override;
    bool AddHeaderParam(const vbString& name, const vbString& value, DWORD codePage, bool refuseDuplicate) override;
    void SetOutputStream(IvbOutputStream* output) override;

protected:
    vbLZSScompressPush();
    ~vbLZSScompressPush() override;

private:
    void writeBytes(const unsigned char* data, uint64_t count);
    void startStream();
    void writeRecords();
    // Codes the pending bytes (when any) and writes out the coded bytes, with end markers when final.
    void flush(bool final, bool endOfStream);
    void onCompDataFlush(bool final, bool endOfStream) override;
    void onBlockCoded() override;
    void endMarker();
    // Drops the stream and callbacks and returns to the closed state.
    void closed(bool freeMemory);
    void progress();

    vbLZSSpushLinks<IvbCompressNotif, &IID_IvbCompressNotif, IvbCompressProgress, &IID_IvbCompressProgress> m_links;
};

// The block decoder: the decode ring of F x B bytes and its previous lap.
class VBAPI vbLZSSdecompress : public vbLZSS {
public:
    virtual vbString GetCompressLabel(bool shortLabel) const;
    uint64_t GetMemoryUsage() const override;

protected:
    vbLZSSdecompress();
    ~vbLZSSdecompress() override;

    void resetMemory() override;
    // Allocates the ring for F blocks of B bytes (the caller has checked the size).
    void startRing(uint64_t ringSize);
    // Decodes one block's coded bytes into the ring at the next block's start, exactly realSize
    // bytes, and places the next block. Answers where the decoded bytes lie.
    const unsigned char* decodeBlock(const unsigned char* coded, size_t codedLength, size_t realSize);

    uint64_t m_block = 0; // B
    std::vector<unsigned char> m_ring;
    size_t m_prevLapEnd = 0; // 0: no previous lap
    size_t m_nextBlock = 0;

private:
    class BlockDecoder;
};

class VBAPI vbLZSSdecompressPush : public vbLZSSdecompress, public IvbDecompressPush {
public:
    VB_OBJECT_FACE(vbLZSSdecompress)
    bool GetInterface(const GUID& iid, void** ppv) override;

    static void CreateObject(vbDecompressPushPtr* out);

    // --- IvbOutputStream ---
    bool CanWrite() const override;
    DWORD Write(const void* buffer, DWORD count, bool all) override;
    DWORD WriteStream(IvbInputStream* source, DWORD count, bool all) override;
    DWORD WriteStream(IvbInputStream* source) override;
    using IvbOutputStream::WriteString;
    DWORD WriteString(const char* text, DWORD length, bool newline, IvbStreamMode* mode) override;
    using IvbOutputStream::WriteStringW;
    DWORD WriteStringW(const WCHAR* text, DWORD length, bool newline, IvbStreamMode* mode) override;

    // --- IvbDecompressPush ---
    vbString GetCompressLabel(bool shortLabel) const override;
    DWORD GetCaps() const override;
    uint64_t GetMemoryUsage() const override;
    bool GetIOstat(uint64_t* decodedBytes, uint64_t* codedBytes) const override;
    void ResetIOstat() override;
    DWORD GetCodePage() const override;
    void New() override;
    void SetOutputStream(IvbOutputStream* output) override;
    void SetProgressCb(IvbDecompressProgress* cb) override;
    void SetNotifCb(IvbDecompressNotif* cb) override;
    bool GetOutputStream(vbOutputStreamPtr* output, bool bThrow) const override;
    void DecompressFlush() override;
    void Close(bool freeMemory) override;
    bool IsDecompressStarted() const override;
    bool EnumFile(int index, vbString* name, DWORD* declaredSize, DWORD codePage) const override;
    int GetFileCount() const override;
    bool GetFileParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const override;
    bool EnumFileParam(int index, vbString* name, vbString* value, DWORD codePage) const override;
    bool GetHeaderParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const override;
    bool EnumHeaderParam(int index, vbString* name, vbString* value, DWORD codePage) const override;

protected:
    vbLZSSdecompressPush();
    ~vbLZSSdecompressPush() override;

private:
    enum State { kEnded, kHeader, kBlock16, kAfterFile16, kReal16, kBlock32, kAfterFile32, kReal32, kData };
    enum Step { kPass = 1, kCodePageCount, kParamLengths, kParamStrings, kCodePageFile, kFileRecord,
        kFileName, kFileParamLengths, kFileParamStrings };

    void startStream();
    // Runs the framing step once the accumulator holds what the state asks for; final: no more
    // input comes, so a shortfall is an error.
    void frame(bool final);
    // The same, ending the stream when it fails.
    void frameOrEnd(bool final);
    void readHeader();
    void readBlockHeader();
    void readRealSize();
    void readBlockData();
    void endOfFile();
    void endOfStream();
    void need(uint64_t count);
    // Hands decoded bytes to the record area, which passes user bytes on to the output stream.
    void records(const unsigned char* data, size_t count);
    void askRecord(uint64_t count);
    void recordStep();
    void paramRead(const vbString& name, const vbString& value);
    void nextHeaderParam();
    void fileRecord(const unsigned char* record);
    void fileNamed(const vbString& name);
    void nextFileParam();
    void notifyFlush(bool final, bool endOfStream);
    void progress();
    void closed(bool freeMemory);

    vbLZSSpushLinks<IvbDecompressNotif, &IID_IvbDecompressNotif, IvbDecompressProgress, &IID_IvbDecompressProgress>
        m_links;

    State m_state = kEnded;
    DWORD m_flags = 0;
    bool m_headerRead = false;
    std::vector<unsigned char> m_acc; // the input accumulator
    uint64_t m_accNeed = 0;
    uint64_t m_codedLength = 0;
    uint64_t m_realSize = 0;

    Step m_step = kPass;
    std::vector<unsigned char> m_rec; // the record area's bytes of the current step
    uint64_t m_recNeed = 0;
    DWORD m_recordsLeft = 0;
    DWORD m_nameLength = 0;
    DWORD m_valueLength = 0;
    DWORD m_fileFlags = 0;
    DWORD m_fileSize = 0;
};

// The plug object of the built-in codec: push mode (0) only.
class VBAPI vbLZSSplug : public vbObject, public IvbCompressPlug {
public:
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override;

    static void CreateObject(vbCompressPlugPtr* out);

    bool CanWorkWithType(const char* type, IvbInputStream* source) override;
    bool Decompress(IvbOutputStream* target, int mode, vbDecompressPushPtr* result, bool bThrow) override;
    bool Decompress(IvbInputStream* source, int mode, vbDecompressPullPtr* result, bool bThrow) override;
    bool Compress(IvbInputStream* source, int mode, vbCompressPullPtr* result, bool bThrow) override;
    bool Compress(IvbOutputStream* target, int mode, vbCompressPushPtr* result, bool bThrow) override;
    void askClose() override;
    vbString GetCompressLabel(bool shortLabel) const override;
    bool GetCompressLevelRange(int* minimum, int* maximum, int* byDefault) const override;
    bool GetCompressBlockRange(LONG* minimum, LONG* maximum, LONG* byDefault) const override;
    bool EnumCompressSetting(int index, vbString* name, vbString* description) const override;
    DWORD GetCaps() const override;

protected:
    vbLZSSplug() = default;
    ~vbLZSSplug() override = default;

private:
    // Refuses an operation reached while the object is being destroyed.
    void throwEnd(const char* text, const char* operation) const;
};

extern VBAPI const IID IID_vbCompressPlugType;

// The "Compress" plug type: compression plug-ins serve objects named by their encoding. The
// built-in codec answers "qvlz" and "qvlzss" whenever no configured plug-in does.
class VBAPI vbCompressPlugType : public vbHotPlugType {
public:
    vbCompressPlugType(const char* name, const char* version, const char* label, vbExtraMsg* msg,
        const vbEngineDeps& deps);
    ~vbCompressPlugType() override;

    bool GetInterface(const GUID& iid, const void** ppv) const override;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // The plug object of encoding: a configured plug-in's, else the built-in codec's (with a null
    // plug-in); false when neither serves it. With plug null it only tells whether one does.
    bool CreatePluggedObject(const vbString& encoding, vbCompressPlugPtr* plug, vbHotPluginPtr* plugin);
    // Whether encoding is served: by plugin when one is given, else by a configured plug-in or
    // the built-in codec.
    bool CanWorkWith(IvbHotPlugin* plugin, const vbString& encoding);
    // Every encoding (the built-in "qvlzss" included) in priority order, into out when given;
    // their count.
    int GetSupportedEncoding(vbArray<vbString>* out);

    // Smaller priority first; equal ones by name, ignoring case.
    static int PrioritySort(const Object& a, const Object& b);

protected:
    bool CreatePluggedObject(sIvbPlugPtr* ptr, const vbString& name) { return vbHotPlugType::CreatePluggedObject(ptr, name); }
    bool CreatePluggedObject(const vbString& name, vbHotPlugObjectPtr* obj, vbHotPluginPtr* plugin)
    {
        return vbHotPlugType::CreatePluggedObject(name, obj, plugin);
    }
};

// The message by which every process is asked to read the type's configuration again.
extern VBAPI vbExtraMsg g_vbCompressPlugMsg;
extern VBAPI vbCompressPlugType g_vbCompressPlugType;
