#include "vbCompressLZSS.h"

#include "compress/vbLZSSformat.h"
#include "compress/vbLZSSstream.h"

#include "vbException.h"
#include "vbRegEngine.h"

using namespace vbLZSSformat;

namespace {

[[noreturn]] void fail(const vbString& msg, const char* where)
{
    throw new vbEcompress(msg, vbString(where));
}

void failNotAllowed()
{
    fail("QVLZSS compression: file parameters not allowed here", "vbLZSScompressPush::AddFileParam()");
}

} // namespace

vbLZSScompressPush::vbLZSScompressPush() = default;

vbLZSScompressPush::~vbLZSScompressPush() = default;

void vbLZSScompressPush::CreateObject(vbCompressPushPtr* out)
{
    vbLZSSstream::create<IvbCompressPush>(new vbLZSScompressPush, out);
}

bool vbLZSScompressPush::GetInterface(const GUID& iid, void** ppv)
{
    return vbLZSSstream::face<IvbCompressPush>(this, iid, IID_IvbCompressPush, ppv) ||
        vbLZSScompress::GetInterface(iid, ppv);
}

// --- writing ---

bool vbLZSScompressPush::CanWrite() const
{
    return true;
}

DWORD vbLZSScompressPush::Write(const void* buffer, DWORD count, bool)
{
    writeBytes(static_cast<const unsigned char*>(buffer), count);
    return count;
}

DWORD vbLZSScompressPush::WriteStream(IvbInputStream* source, DWORD count, bool all)
{
    return vbLZSSstream::writeStream(this, source, count, true, all, "QVLZSS compression");
}

DWORD vbLZSScompressPush::WriteStream(IvbInputStream* source)
{
    return vbLZSSstream::writeStream(this, source, 0, false, false, "QVLZSS compression");
}

DWORD vbLZSScompressPush::WriteString(const char* text, DWORD length, bool newline, IvbStreamMode* mode)
{
    return vbLZSSstream::writeString(this, text, length, newline, mode);
}

DWORD vbLZSScompressPush::WriteStringW(const WCHAR*, DWORD, bool, IvbStreamMode*)
{
    fail("QVLZSS compression: WriteStringW not supported", "vbLZSScompressPush::WriteStringW()");
}

void vbLZSScompressPush::writeBytes(const unsigned char* data, uint64_t count)
{
    if (!m_started)
        startStream();
    if (m_recordsPending) {
        m_recordsPending = false;
        writeRecords();
    }
    appendInput(data, count);
}

void vbLZSScompressPush::startStream()
{
    uint64_t block = uint64_t(m_blockSize);
    m_16bit = block < k16bitBelow;
    DWORD flags = DWORD(m_blockCount - 1) | (m_16bit ? kFlag16bit : 0);
    if (m_recordsPending) {
        if (!m_headerParams.empty())
            flags |= kFlagHeaderParams;
        if (!m_files.empty())
            flags |= kFlagFiles;
    }
    m_canAddHeaderParams = false;
    m_canAddFileParams = false;
    m_canAddFiles = !m_files.empty();
    startBuffers(flags);
    m_started = true;
    progress();
    if (m_recordsPending) {
        DWORD cp = m_codePage ? m_codePage : g_vbRegEngine.GetRealCP(0, true);
        unsigned char bytes[4];
        writeLE32(bytes, cp);
        appendInput(bytes, 4);
    }
}

void vbLZSScompressPush::writeRecords()
{
    auto put32 = [this](DWORD v) {
        unsigned char bytes[4];
        writeLE32(bytes, v);
        appendInput(bytes, 4);
    };
    auto putText = [this](const vbString& s) {
        appendInput(reinterpret_cast<const unsigned char*>(s.c_str()), uint64_t(s.GetLength()));
    };
    auto putParams = [&](const std::vector<vbLZSS_Param>& list) {
        for (size_t i = list.size(); i-- > 0;) {
            put32(DWORD(list[i].name.GetLength()));
            put32(DWORD(list[i].value.GetLength()));
            putText(list[i].name);
            putText(list[i].value);
        }
    };
    if (!m_headerParams.empty() && !(m_headerParams[0].word & 1)) {
        m_headerParams[0].word |= 1;
        put32(DWORD(m_headerParams.size()));
        putParams(m_headerParams);
    }
    if (vbLZSS_File* file = currentFile()) {
        if (file->flags & vbLZSS_File::kFlagWritten)
            fail("QVLZSS compression: current file information is already written", "vbLZSS::onTmpDataWriteTmpExt()");
        file->flags |= vbLZSS_File::kFlagWritten;
        put32(DWORD(file->params.size()));
        put32(file->flags);
        put32(file->declaredSize);
        put32(DWORD(file->name.GetLength()));
        putText(file->name);
        putParams(file->params);
    }
}

void vbLZSScompressPush::flush(bool final, bool endOfStream)
{
    // A file declared last still gets its record, so that the stream says what was asked.
    if (final && endOfStream && m_recordsPending) {
        m_recordsPending = false;
        writeRecords();
    }
    codeBlock();
    onCompDataFlush(final, endOfStream);
}

void vbLZSScompressPush::endMarker()
{
    size_t size = m_16bit ? 2 : 4;
    if (m_out.size() - m_outPos < size && m_links.output() && m_outPos > 0) {
        m_links.output()->Write(m_out.data(), DWORD(m_outPos), true);
        m_outPos = 0;
    }
    if (m_out.size() - m_outPos < size)
        fail("LZSS engine : compressed output is larger than buffer", "vbLZSScompressPush::compDataWriteUlong()");
    std::fill_n(m_out.data() + m_outPos, size, 0);
    m_outPos += size;
    m_codedBytes += size;
}

void vbLZSScompressPush::onCompDataFlush(bool final, bool endOfStream)
{
    if (final) {
        endMarker();
        if (endOfStream && m_currentFile != 0 && !m_recordsPending) {
            endMarker();
            m_currentFile = 0;
        }
    }
    if (m_outPos > 0 && m_links.output())
        m_links.output()->Write(m_out.data(), DWORD(m_outPos), true);
    m_outPos = 0;
    if (IvbCompressNotif* n = m_links.notif())
        n->OnCompressFlush(this, final, endOfStream);
}

void vbLZSScompressPush::onBlockCoded()
{
    progress();
}

void vbLZSScompressPush::progress()
{
    if (IvbCompressProgress* cb = m_links.progress())
        cb->OnCompressProgress(this, nullptr, "QVLZSS compression", m_rawBytes, m_codedBytes, m_declaredSize);
}

// --- the compressor's life ---

void vbLZSScompressPush::New(IvbOutputStream* output)
{
    Close(false);
    m_links.setOutput(output);
}

void vbLZSScompressPush::SetOutputStream(IvbOutputStream* output)
{
    m_links.setOutput(output);
}

bool vbLZSScompressPush::GetOutputStream(vbOutputStreamPtr* output, bool bThrow) const
{
    if (m_links.getOutput(output))
        return true;
    if (bThrow)
        fail("QVLZSS compression: no output stream defined", "vbLZSScompressPush::GetOutputStream()");
    return false;
}

void vbLZSScompressPush::SetProgressCb(IvbCompressProgress* cb)
{
    m_links.setProgress(cb);
}

void vbLZSScompressPush::SetNotifCb(IvbCompressNotif* cb)
{
    m_links.setNotif(cb);
}

void vbLZSScompressPush::CompressFlush()
{
    if (m_started)
        flush(false, false);
}

void vbLZSScompressPush::Close(bool freeMemory)
{
    try {
        if (m_links.output() && m_started && !m_refused) {
            flush(true, true);
            if (IvbCompressNotif* n = m_links.notif())
                n->OnCompressClose(this);
        }
    } catch (...) {
        closed(freeMemory);
        throw;
    }
    closed(freeMemory);
}

void vbLZSScompressPush::closed(bool freeMemory)
{
    m_links.release();
    m_refused = false;
    resetState();
    if (freeMemory)
        resetMemory();
}

bool vbLZSScompressPush::IsCompressStarted() const
{
    return m_started;
}

// --- files and parameters ---

bool vbLZSScompressPush::NewFile(const vbString& name, DWORD declaredSize, DWORD codePage, bool refuseDuplicate)
{
    if (!m_canAddFiles && (refuseDuplicate || !currentFile()))
        fail("QVLZSS compression: multiple files not allowed or list closed", "vbLZSScompressPush::NewFile()");
    bool endPrevious = !m_recordsPending && currentFile();
    int previous = m_currentFile;
    DWORD previousSize = m_declaredSize;
    bool created = addFile(name, declaredSize, codePage, refuseDuplicate, !m_canAddFiles);
    if (currentFile()->flags & vbLZSS_File::kFlagWritten) {
        m_currentFile = previous;
        m_declaredSize = previousSize;
        fail("QVLZSS compression: file '" + name + "' information is already written", "vbLZSS::addFile()");
    }
    if (endPrevious)
        flush(true, false);
    m_recordsPending = true;
    m_canAddFileParams = true;
    if (IvbCompressNotif* n = m_links.notif())
        n->OnCompressNewFile(this, codePage, name, declaredSize);
    return created;
}

bool vbLZSScompressPush::AddFileParam(const vbString& name, const vbString& value, DWORD codePage,
    bool refuseDuplicate)
{
    if (!m_canAddFileParams)
        failNotAllowed();
    return addFileParam(name, value, codePage, refuseDuplicate);
}

bool vbLZSScompressPush::AddHeaderParam(const vbString& name, const vbString& value, DWORD codePage,
    bool refuseDuplicate)
{
    if (!m_canAddHeaderParams)
        failNotAllowed();
    bool added = addHeaderParam(name, value, codePage, refuseDuplicate);
    m_recordsPending = true;
    return added;
}

// --- the rest of the face, served by the layers below ---

vbString vbLZSScompressPush::GetCompressLabel(bool shortLabel) const { return vbLZSScompress::GetCompressLabel(shortLabel); }
bool vbLZSScompressPush::GetCompressLevelRange(int* minimum, int* maximum, int* byDefault) const
{
    return vbLZSScompress::GetCompressLevelRange(minimum, maximum, byDefault);
}
bool vbLZSScompressPush::GetCompressBlockRange(LONG* minimum, LONG* maximum, LONG* byDefault) const
{
    return vbLZSScompress::GetCompressBlockRange(minimum, maximum, byDefault);
}
bool vbLZSScompressPush::EnumCompressSetting(int index, vbString* name, vbString* description) const
{
    return vbLZSScompress::EnumCompressSetting(index, name, description);
}
DWORD vbLZSScompressPush::GetCaps() const { return vbLZSScompress::GetCaps(); }
void vbLZSScompressPush::SetCompressLevel(int level) { vbLZSScompress::SetCompressLevel(level); }
int vbLZSScompressPush::GetCompressLevel() const { return vbLZSScompress::GetCompressLevel(); }
void vbLZSScompressPush::SetCompressBlock(LONG size) { vbLZSScompress::SetCompressBlock(size); }
LONG vbLZSScompressPush::GetCompressBlock() const { return vbLZSScompress::GetCompressBlock(); }
bool vbLZSScompressPush::SetCompressSetting(const char* name, LONG value, bool bThrow)
{
    return vbLZSScompress::SetCompressSetting(name, value, bThrow);
}
LONG vbLZSScompressPush::GetCompressSetting(const char* name, bool* found) const
{
    return vbLZSScompress::GetCompressSetting(name, found);
}
void vbLZSScompressPush::ResetCompressSettings(int level) { vbLZSScompress::ResetCompressSettings(level); }
uint64_t vbLZSScompressPush::GetMemoryUsage() const { return vbLZSScompress::GetMemoryUsage(); }
bool vbLZSScompressPush::GetIOstat(uint64_t* rawBytes, uint64_t* codedBytes) const
{
    return vbLZSScompress::GetIOstat(rawBytes, codedBytes);
}
void vbLZSScompressPush::ResetIOstat() { vbLZSScompress::ResetIOstat(); }
void vbLZSScompressPush::SetCodePage(DWORD codePage) { vbLZSScompress::SetCodePage(codePage); }
DWORD vbLZSScompressPush::GetCodePage() const { return m_codePage; }
bool vbLZSScompressPush::EnumFile(int index, vbString* name, DWORD* declaredSize, DWORD codePage) const
{
    return vbLZSScompress::EnumFile(index, name, declaredSize, codePage);
}
int vbLZSScompressPush::GetFileCount() const { return vbLZSScompress::GetFileCount(); }
bool vbLZSScompressPush::GetFileParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const
{
    return vbLZSScompress::GetFileParam(name, value, codePage, bThrow);
}
bool vbLZSScompressPush::EnumFileParam(int index, vbString* name, vbString* value, DWORD codePage) const
{
    return vbLZSScompress::EnumFileParam(index, name, value, codePage);
}
bool vbLZSScompressPush::GetHeaderParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const
{
    return vbLZSScompress::GetHeaderParam(name, value, codePage, bThrow);
}
bool vbLZSScompressPush::EnumHeaderParam(int index, vbString* name, vbString* value, DWORD codePage) const
{
    return vbLZSScompress::EnumHeaderParam(index, name, value, codePage);
}
