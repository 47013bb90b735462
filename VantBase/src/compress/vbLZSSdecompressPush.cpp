#include "vbCompressLZSS.h"

#include "compress/vbLZSSformat.h"
#include "compress/vbLZSSstream.h"

#include "vbException.h"

#include <algorithm>
#include <climits>
#include <cstring>

using namespace vbLZSSformat;

namespace {

constexpr HRESULT kHrStream = static_cast<HRESULT>(0x8003001Du);

[[noreturn]] void failStream(const char* what)
{
    throw new vbEcompress(kHrStream, vbString("QVLZSS decompression: ") + what);
}

[[noreturn]] void failSize()
{
    failStream("stream header invalid (size)");
}

uint64_t roundUp4(uint64_t n)
{
    return (n + 3) & ~uint64_t(3);
}

vbString text(const unsigned char* p, uint64_t length)
{
    return length ? vbString(reinterpret_cast<const char*>(p), int(length)) : vbString();
}

} // namespace

// Alike in shape to the compressor's object skeleton only: the shared part is in vbLZSSstream and vbLZSSpushLinks.
vbLZSSdecompressPush::vbLZSSdecompressPush() = default;

vbLZSSdecompressPush::~vbLZSSdecompressPush() = default;

void vbLZSSdecompressPush::CreateObject(vbDecompressPushPtr* out)
{
    vbLZSSstream::create<IvbDecompressPush>(new vbLZSSdecompressPush, out);
}

bool vbLZSSdecompressPush::GetInterface(const GUID& iid, void** ppv)
{
    return vbLZSSstream::face<IvbDecompressPush>(this, iid, IID_IvbDecompressPush, ppv) ||
        vbLZSSdecompress::GetInterface(iid, ppv);
}

// --- writing ---

bool vbLZSSdecompressPush::CanWrite() const
{
    return true;
}

DWORD vbLZSSdecompressPush::Write(const void* buffer, DWORD count, bool)
{
    if (!m_started)
        startStream();
    auto* p = static_cast<const unsigned char*>(buffer);
    DWORD left = count;
    while (left > 0) {
        if (m_state == kEnded)
            failStream("unexpected block data");
        size_t take = size_t(std::min<uint64_t>(left, m_accNeed - m_acc.size()));
        m_acc.insert(m_acc.end(), p, p + take);
        p += take;
        left -= DWORD(take);
        if (m_acc.size() == m_accNeed)
            frameOrEnd(false);
    }
    return count;
}

void vbLZSSdecompressPush::frameOrEnd(bool final)
{
    try {
        frame(final);
    } catch (...) {
        // The stream cannot be read on: it has ended, so that Close does not raise the error again.
        m_state = kEnded;
        need(0);
        throw;
    }
}

DWORD vbLZSSdecompressPush::WriteStream(IvbInputStream* source, DWORD count, bool all)
{
    return vbLZSSstream::writeStream(this, source, count, true, all, "QVLZSS decompression");
}

DWORD vbLZSSdecompressPush::WriteStream(IvbInputStream* source)
{
    return vbLZSSstream::writeStream(this, source, 0, false, false, "QVLZSS decompression");
}

DWORD vbLZSSdecompressPush::WriteString(const char* text, DWORD length, bool newline, IvbStreamMode* mode)
{
    return vbLZSSstream::writeString(this, text, length, newline, mode);
}

DWORD vbLZSSdecompressPush::WriteStringW(const WCHAR*, DWORD, bool, IvbStreamMode*)
{
    throw new vbEcompress(vbString("QVLZSS decompression: WriteStringW not supported"),
        vbString("vbLZSSdecompressPush::WriteStringW()"));
}

// --- framing ---

void vbLZSSdecompressPush::startStream()
{
    m_started = true;
    m_headerRead = false;
    m_rawBytes = m_codedBytes = 0;
    m_step = kPass;
    m_models->Init();
    m_state = kHeader;
    need(kHeaderSize);
    progress();
}

void vbLZSSdecompressPush::need(uint64_t count)
{
    m_acc.clear();
    m_accNeed = count;
}

void vbLZSSdecompressPush::frame(bool final)
{
    if (m_acc.size() < m_accNeed) {
        if (!final)
            return;
        switch (m_state) {
        case kHeader: failSize();
        case kBlock16: case kAfterFile16: case kBlock32: case kAfterFile32:
            failStream("stream block invalid (header size)");
        case kReal16: case kReal32: failStream("stream block invalid (header real size)");
        case kData: failStream("unexpected end of stream reading block data");
        default: failStream("stream invalid (step)");
        }
    }
    switch (m_state) {
    case kHeader: readHeader(); break;
    case kBlock16: case kAfterFile16: case kBlock32: case kAfterFile32: readBlockHeader(); break;
    case kReal16: case kReal32: readRealSize(); break;
    case kData: readBlockData(); break;
    case kEnded: break;
    default: failStream("stream invalid (step)");
    }
}

void vbLZSSdecompressPush::readHeader()
{
    const unsigned char* h = m_acc.data();
    if (std::memcmp(h, kMagic, 4) != 0)
        failStream("stream header invalid (algid)");
    DWORD flags = readLE32(h + 4);
    if (flags & kFlagReserved)
        failStream("stream header invalid (mode)");
    uint64_t block = readLE32(h + 8);
    int blocks = int(flags & kFlagBlocks) + 1;
    // The ring is refused before it is allocated: a 12-byte header must not claim gigabytes.
    if (block < kMinBlock || block > kMaxBlock || block * uint64_t(blocks) > kMaxRing)
        failStream("stream header invalid (block size)");
    m_flags = flags;
    m_block = block;
    m_blockCount = blocks;
    m_16bit = (flags & kFlag16bit) != 0;
    m_codedBytes += kHeaderSize;
    startRing(block * uint64_t(blocks));
    m_headerRead = true;
    m_state = m_16bit ? kBlock16 : kBlock32;
    need(m_16bit ? 2 : 4);
    if (flags & kFlagHeaderParams) {
        m_step = kCodePageCount;
        askRecord(8);
    } else if (flags & kFlagFiles) {
        m_step = kCodePageFile;
        askRecord(20);
    } else {
        m_step = kPass;
        if (IvbDecompressNotif* n = m_links.notif())
            n->OnDecompressStart(this);
    }
}

void vbLZSSdecompressPush::readBlockHeader()
{
    bool afterFile = m_state == kAfterFile16 || m_state == kAfterFile32;
    DWORD v = m_16bit ? readLE16(m_acc.data()) : readLE32(m_acc.data());
    m_codedBytes += m_accNeed;
    if (v == 0) {
        if (!afterFile && (m_flags & kFlagFiles))
            endOfFile();
        else
            endOfStream();
        return;
    }
    if (afterFile) {
        // The next file: its record opens this block's data.
        if (m_step != kPass)
            failSize();
        m_step = kFileRecord;
        askRecord(16);
    }
    DWORD realBit = m_16bit ? 0x8000u : 0x80000000u;
    m_codedLength = uint64_t(v & ~realBit) * (m_16bit ? 2 : 4);
    uint64_t bound = blockBound(m_block);
    if (!m_16bit)
        bound = roundUp4(bound);
    if (m_codedLength == 0 || m_codedLength > bound)
        failStream("stream block invalid (block size)");
    if (v & realBit) {
        m_state = m_16bit ? kReal16 : kReal32;
        need(m_16bit ? 2 : 4);
    } else {
        m_realSize = m_block;
        m_state = kData;
        need(m_codedLength);
    }
}

void vbLZSSdecompressPush::readRealSize()
{
    m_realSize = m_16bit ? readLE16(m_acc.data()) : readLE32(m_acc.data());
    m_codedBytes += m_accNeed;
    if (m_realSize == 0 || m_realSize >= m_block)
        failStream("stream block invalid (block size)");
    m_state = kData;
    need(m_codedLength);
}

void vbLZSSdecompressPush::readBlockData()
{
    const unsigned char* decoded = decodeBlock(m_acc.data(), size_t(m_codedLength), size_t(m_realSize));
    m_rawBytes += m_realSize;
    m_codedBytes += m_codedLength;
    m_state = m_16bit ? kBlock16 : kBlock32;
    need(m_16bit ? 2 : 4);
    progress();
    records(decoded, size_t(m_realSize));
    notifyFlush(false, false);
}

void vbLZSSdecompressPush::endOfFile()
{
    if (m_step != kPass)
        failSize();
    m_state = m_16bit ? kAfterFile16 : kAfterFile32;
    need(m_16bit ? 2 : 4);
    notifyFlush(true, false);
    if (IvbDecompressNotif* n = m_links.notif())
        n->OnDecompressFileEnd(this, false);
}

void vbLZSSdecompressPush::endOfStream()
{
    if (m_step != kPass)
        failSize();
    m_state = kEnded;
    need(0);
    notifyFlush(true, true);
    if (IvbDecompressNotif* n = m_links.notif())
        n->OnDecompressFileEnd(this, true);
}

// --- the record area ---

void vbLZSSdecompressPush::askRecord(uint64_t count)
{
    if (count > uint64_t(INT_MAX))
        failSize();
    m_rec.clear();
    m_recNeed = count;
}

void vbLZSSdecompressPush::records(const unsigned char* data, size_t count)
{
    while (count > 0) {
        if (m_step == kPass) {
            m_links.output()->Write(data, DWORD(count), true);
            return;
        }
        size_t take = size_t(std::min<uint64_t>(count, m_recNeed - m_rec.size()));
        m_rec.insert(m_rec.end(), data, data + take);
        data += take;
        count -= take;
        if (m_rec.size() == m_recNeed)
            recordStep();
    }
}

void vbLZSSdecompressPush::recordStep()
{
    const unsigned char* r = m_rec.data();
    switch (m_step) {
    case kCodePageCount:
        m_codePage = readLE32(r);
        m_recordsLeft = readLE32(r + 4);
        nextHeaderParam();
        break;
    case kParamLengths:
    case kFileParamLengths:
        m_nameLength = readLE32(r);
        m_valueLength = readLE32(r + 4);
        if (m_nameLength == 0 && m_valueLength == 0) {
            paramRead(vbString(), vbString());
        } else {
            m_step = m_step == kParamLengths ? kParamStrings : kFileParamStrings;
            askRecord(uint64_t(m_nameLength) + m_valueLength);
        }
        break;
    case kParamStrings:
    case kFileParamStrings:
        paramRead(text(r, m_nameLength), text(r + m_nameLength, m_valueLength));
        break;
    case kCodePageFile:
        m_codePage = readLE32(r);
        if (IvbDecompressNotif* n = m_links.notif())
            n->OnDecompressStart(this);
        fileRecord(r + 4);
        break;
    case kFileRecord:
        fileRecord(r);
        break;
    case kFileName:
        fileNamed(text(r, m_nameLength));
        break;
    default:
        failStream("stream invalid (step)");
    }
}

void vbLZSSdecompressPush::paramRead(const vbString& name, const vbString& value)
{
    --m_recordsLeft;
    if (m_step == kParamLengths || m_step == kParamStrings) {
        addHeaderParam(name, value, m_codePage, true);
        nextHeaderParam();
    } else {
        addFileParam(name, value, m_codePage, true);
        nextFileParam();
    }
}

void vbLZSSdecompressPush::nextHeaderParam()
{
    if (m_recordsLeft > 0) {
        m_step = kParamLengths;
        askRecord(8);
        return;
    }
    if (IvbDecompressNotif* n = m_links.notif())
        n->OnDecompressStart(this);
    if (m_flags & kFlagFiles) {
        m_step = kFileRecord;
        askRecord(16);
    } else {
        m_step = kPass;
    }
}

void vbLZSSdecompressPush::fileRecord(const unsigned char* r)
{
    m_recordsLeft = readLE32(r);
    m_fileFlags = readLE32(r + 4);
    m_fileSize = readLE32(r + 8);
    m_nameLength = readLE32(r + 12);
    if (m_nameLength == 0) {
        fileNamed(vbString());
    } else {
        m_step = kFileName;
        askRecord(m_nameLength);
    }
}

void vbLZSSdecompressPush::fileNamed(const vbString& name)
{
    addFile(name, m_fileSize, m_codePage, true, false);
    nextFileParam();
}

void vbLZSSdecompressPush::nextFileParam()
{
    if (m_recordsLeft > 0) {
        m_step = kFileParamLengths;
        askRecord(8);
        return;
    }
    // The stored flags are kept as they came; they are set only now, since a file marked as
    // written takes no parameters.
    vbLZSS_File* file = currentFile();
    file->flags = m_fileFlags;
    m_step = kPass;
    if (IvbDecompressNotif* n = m_links.notif())
        n->OnDecompressNewFile(this, m_codePage, file->name, file->declaredSize);
}

// --- callbacks ---

void vbLZSSdecompressPush::notifyFlush(bool final, bool endOfStream)
{
    if (IvbDecompressNotif* n = m_links.notif())
        n->OnDecompressFlush(this, final, endOfStream);
}

void vbLZSSdecompressPush::progress()
{
    if (IvbDecompressProgress* cb = m_links.progress())
        cb->OnDecompressProgress(this, nullptr, "QVLZSS decompression", m_rawBytes, m_codedBytes,
            m_declaredSize);
}

// --- the decompressor's life ---

void vbLZSSdecompressPush::New()
{
    Close(false);
}

void vbLZSSdecompressPush::SetOutputStream(IvbOutputStream* output)
{
    m_links.setOutput(output);
}

bool vbLZSSdecompressPush::GetOutputStream(vbOutputStreamPtr* output, bool bThrow) const
{
    if (m_links.getOutput(output))
        return true;
    if (bThrow)
        throw new vbEcompress(vbString("QVLZSS decompression: no output stream defined"),
            vbString("vbLZSScompressPush::GetOutputStream()"));
    return false;
}

void vbLZSSdecompressPush::SetProgressCb(IvbDecompressProgress* cb)
{
    m_links.setProgress(cb);
}

void vbLZSSdecompressPush::SetNotifCb(IvbDecompressNotif* cb)
{
    m_links.setNotif(cb);
}

void vbLZSSdecompressPush::DecompressFlush()
{
    if (m_started)
        frameOrEnd(false);
}

void vbLZSSdecompressPush::Close(bool freeMemory)
{
    try {
        if (m_links.output() && m_started) {
            if (m_state != kEnded)
                frame(true);
            if (IvbDecompressNotif* n = m_links.notif())
                n->OnDecompressClose(this);
        }
    } catch (...) {
        closed(freeMemory);
        throw;
    }
    closed(freeMemory);
}

void vbLZSSdecompressPush::closed(bool freeMemory)
{
    m_links.release();
    m_state = kEnded;
    m_headerRead = false;
    m_flags = 0;
    m_codePage = kDefaultCodePage;
    m_acc = {};
    m_accNeed = 0;
    m_rec = {};
    m_recNeed = 0;
    m_step = kPass;
    resetState();
    if (freeMemory)
        resetMemory();
}

bool vbLZSSdecompressPush::IsDecompressStarted() const
{
    return m_started;
}

DWORD vbLZSSdecompressPush::GetCaps() const
{
    if (!m_headerRead)
        return vbCompressCapHeaderParams | vbCompressCapFiles | vbCompressCapFileParams;
    return (m_flags & kFlagHeaderParams ? vbCompressCapHeaderParams : 0) | (m_flags & kFlagFiles ? vbCompressCapFiles : 0);
}

DWORD vbLZSSdecompressPush::GetCodePage() const
{
    return m_codePage;
}

// --- the rest of the face, served by the layers below ---

vbString vbLZSSdecompressPush::GetCompressLabel(bool shortLabel) const
{
    return vbLZSSdecompress::GetCompressLabel(shortLabel);
}
uint64_t vbLZSSdecompressPush::GetMemoryUsage() const
{
    return vbLZSSdecompress::GetMemoryUsage() + m_acc.capacity() + m_rec.capacity();
}
bool vbLZSSdecompressPush::GetIOstat(uint64_t* decodedBytes, uint64_t* codedBytes) const
{
    return vbLZSSdecompress::GetIOstat(decodedBytes, codedBytes);
}
void vbLZSSdecompressPush::ResetIOstat() { vbLZSSdecompress::ResetIOstat(); }
bool vbLZSSdecompressPush::EnumFile(int index, vbString* name, DWORD* declaredSize, DWORD codePage) const
{
    return vbLZSSdecompress::EnumFile(index, name, declaredSize, codePage);
}
int vbLZSSdecompressPush::GetFileCount() const { return vbLZSSdecompress::GetFileCount(); }
bool vbLZSSdecompressPush::GetFileParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const
{
    return vbLZSSdecompress::GetFileParam(name, value, codePage, bThrow);
}
bool vbLZSSdecompressPush::EnumFileParam(int index, vbString* name, vbString* value, DWORD codePage) const
{
    return vbLZSSdecompress::EnumFileParam(index, name, value, codePage);
}
bool vbLZSSdecompressPush::GetHeaderParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const
{
    return vbLZSSdecompress::GetHeaderParam(name, value, codePage, bThrow);
}
bool vbLZSSdecompressPush::EnumHeaderParam(int index, vbString* name, vbString* value, DWORD codePage) const
{
    return vbLZSSdecompress::EnumHeaderParam(index, name, value, codePage);
}
