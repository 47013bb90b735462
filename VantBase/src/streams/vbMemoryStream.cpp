#include "vbMemoryStream.h"

#include "vbException.h"
#include "vbExceptionReport.h"

#include "plat/afx.h"

#include <cstring>

const IID IID_vbMemoryStream = {0x5BEB7D6B, 0x8935, 0x414D, {0xA3, 0x4E, 0x3F, 0xBC, 0x3C, 0xEF, 0x23, 0xA5}};

namespace {
constexpr HRESULT kHrAccess = static_cast<HRESULT>(0x80030005u);
constexpr HRESULT kHrEof = static_cast<HRESULT>(0x8003001Eu);
constexpr HRESULT kHrTooLong = static_cast<HRESULT>(0x8003001Du);
constexpr HRESULT kHrSeek = static_cast<HRESULT>(0x80030019u);
constexpr HRESULT kHrMode = static_cast<HRESULT>(0x80030057u);
} // namespace

// The block shared by the streams made to share it; its lock is theirs too.
struct vbMemoryStream::Buffer {
    LONG refs = 1;
    vbData data;
    CCriticalSection sect;
};

vbMemoryStream::vbMemoryStream(vbAccessMode access) : m_pBuffer(new Buffer), m_access(access) {}

vbMemoryStream::vbMemoryStream(vbMemoryStream& source, bool share, vbAccessMode access)
    : m_pBuffer(nullptr), m_access(vbAccessBoth)
{
    vbSectLock lock(&source.m_pBuffer->sect);
    if (share) {
        m_pBuffer = source.m_pBuffer;
        ++m_pBuffer->refs;
    } else {
        m_pBuffer = new Buffer;
        try {
            WriteStream(&source);
            Seek(0, vbSeekStart);
        } catch (...) {
            delete m_pBuffer;
            throw;
        }
    }
    m_access = access;
}

vbMemoryStream::~vbMemoryStream()
{
    try {
        Buffer* b = m_pBuffer;
        m_pBuffer = nullptr;
        bool last;
        {
            vbSectLock lock(&b->sect);
            last = --b->refs == 0;
        }
        if (last)
            delete b;
    } catch (...) {
        showCurrent(__FILE__, __LINE__);
    }
}

void vbMemoryStream::CreateObject(vbRefPtr<vbStream, &IID_vbStream>* out) { createInto<vbMemoryStream>(out); }
void vbMemoryStream::CreateObject(vbRefPtr<vbMemoryStream, &IID_vbMemoryStream>* out) { createInto<vbMemoryStream>(out); }

bool vbMemoryStream::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbMemoryStream) {
        *ppv = this;
        return true;
    }
    return vbStream::GetInterface(iid, ppv);
}

vbString vbMemoryStream::GetName() const { return "vbMemoryStream"; }
vbString vbMemoryStream::GetPhysicalName() const { return "vbMemoryStream-noname"; }

bool vbMemoryStream::CanRead() const { return m_access != vbAccessWrite; }
bool vbMemoryStream::CanWrite() const { return m_access != vbAccessRead; }

void vbMemoryStream::Lock() const { m_pBuffer->sect.Lock(); }
void vbMemoryStream::Unlock() const { m_pBuffer->sect.Unlock(); }

DWORD vbMemoryStream::Read(void* buffer, DWORD count, bool all)
{
    if (!CanRead())
        throwStream(kHrAccess, "Read failed, permission denied reading data");
    vbSectLock lock(&m_pBuffer->sect);
    DWORD length = static_cast<DWORD>(m_pBuffer->data.GetLength());
    DWORD left = m_position < length ? length - m_position : 0;
    if (count > left && all)
        throwStream(kHrEof, "Read failed, EOF reached");
    DWORD n = count < left ? count : left;
    if (n == 0)
        return 0;
    std::memcpy(buffer, static_cast<const unsigned char*>(static_cast<const void*>(m_pBuffer->data)) + m_position, n);
    m_position += n;
    return n;
}

// Positions are computed in 64 bits: a position near 2^32 plus a count must not wrap to a small
// length that leaves the copy writing past the block.
unsigned char* vbMemoryStream::reserve(DWORD count, const char* tooLong)
{
    uint64_t end = static_cast<uint64_t>(m_position) + count;
    if (end > kMaxLength)
        throwStream(kHrTooLong, tooLong);
    vbData& data = m_pBuffer->data;
    DWORD length = static_cast<DWORD>(data.GetLength());
    if (end > length) {
        data.SetLength(static_cast<int>(end));
        unsigned char* p = data.GetWritePtr(static_cast<int>(end));
        // Bytes between the old end and the position read as zeros, not as old heap contents.
        if (m_position > length)
            std::memset(p + length, 0, m_position - length);
        return p + m_position;
    }
    return data.GetWritePtr(static_cast<int>(length)) + m_position;
}

DWORD vbMemoryStream::Write(const void* buffer, DWORD count, bool)
{
    if (!CanWrite())
        throwStream(kHrAccess, "Write failed, permission denied writing data");
    if (count == 0)
        return 0;
    vbSectLock lock(&m_pBuffer->sect);
    std::memcpy(reserve(count, "Write failed, stream too long"), buffer, count);
    m_position += count;
    return count;
}

char vbMemoryStream::ReadCharA()
{
    if (!CanRead())
        throwStream(kHrAccess, "ReadCharA failed, permission denied reading char");
    vbSectLock lock(&m_pBuffer->sect);
    const vbData& data = m_pBuffer->data;
    if (static_cast<uint64_t>(m_position) + 1 > static_cast<uint64_t>(data.GetLength()))
        throwStream(kHrEof, "ReadCharA failed, EOF reached");
    char c = static_cast<char>(data[static_cast<int>(m_position) + 1]);
    m_position += 1;
    return c;
}

WCHAR vbMemoryStream::ReadCharW()
{
    if (!CanRead())
        throwStream(kHrAccess, "ReadCharW failed, permission denied reading char");
    vbSectLock lock(&m_pBuffer->sect);
    const vbData& data = m_pBuffer->data;
    if (static_cast<uint64_t>(m_position) + 2 > static_cast<uint64_t>(data.GetLength()))
        throwStream(kHrEof, "ReadCharW failed, EOF reached");
    int i = static_cast<int>(m_position) + 1;
    auto c = static_cast<WCHAR>(data[i] | (data[i + 1] << 8));
    m_position += 2;
    return c;
}

void vbMemoryStream::WriteCharA(char c)
{
    if (!CanWrite())
        throwStream(kHrAccess, "WriteChar failed, permission denied writing char");
    vbSectLock lock(&m_pBuffer->sect);
    *reserve(1, "Write failed, stream too long") = static_cast<unsigned char>(c);
    m_position += 1;
}

void vbMemoryStream::WriteCharW(WCHAR c)
{
    if (!CanWrite())
        throwStream(kHrAccess, "WriteChar failed, permission denied writing char");
    vbSectLock lock(&m_pBuffer->sect);
    unsigned char* p = reserve(2, "Write failed, stream too long");
    p[0] = static_cast<unsigned char>(c & 0xFF);
    p[1] = static_cast<unsigned char>(c >> 8);
    m_position += 2;
}

bool vbMemoryStream::Eof() const { return m_position >= GetLength(); }

DWORD vbMemoryStream::Seek(LONG offset, vbSeekMode mode)
{
    vbSectLock lock(&m_pBuffer->sect);
    int64_t base;
    switch (mode) {
    case vbSeekStart:
        base = 0;
        break;
    case vbSeekCurrent:
        base = m_position;
        break;
    case vbSeekEnd:
        base = m_pBuffer->data.GetLength();
        break;
    default:
        throwStream(kHrMode, "Seek failed, vbSeekMode mode invalid");
    }
    int64_t pos = base + offset;
    if (pos < 0)
        throwStream(kHrSeek, "Seek failed, position < 0");
    if (pos > static_cast<int64_t>(kMaxLength))
        throwStream(kHrSeek, "Seek failed, position too big");
    m_position = static_cast<DWORD>(pos);
    return m_position;
}

DWORD vbMemoryStream::GetPosition() const { return m_position; }
DWORD vbMemoryStream::GetLength() const { return static_cast<DWORD>(m_pBuffer->data.GetLength()); }

void vbMemoryStream::SetLength(DWORD length)
{
    if (!CanWrite())
        throwStream(kHrAccess, "SetLength failed, permission denied setting size");
    vbSectLock lock(&m_pBuffer->sect);
    m_pBuffer->data.SetLength(static_cast<int>(length > 0x7FFFFFFFu ? 0xFFFFFFFFu : length));
    if (m_position > length)
        m_position = length;
}

void vbMemoryStream::CopyFrom(const vbData& data)
{
    vbSectLock lock(&m_pBuffer->sect);
    m_pBuffer->data = data;
    DWORD length = GetLength();
    if (m_position > length)
        m_position = length;
}

void vbMemoryStream::CopyTo(vbData* data) const
{
    vbSectLock lock(&m_pBuffer->sect);
    *data = m_pBuffer->data;
}

void vbMemoryStream::Attach(vbData* data)
{
    vbSectLock lock(&m_pBuffer->sect);
    m_pBuffer->data.Attach(data);
    DWORD length = GetLength();
    if (m_position > length)
        m_position = length;
}

void vbMemoryStream::Detach(vbData* data)
{
    vbSectLock lock(&m_pBuffer->sect);
    data->Clear();
    m_pBuffer->data.Detach(data);
    m_position = 0;
}
