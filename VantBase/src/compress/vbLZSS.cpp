#include "vbCompressLZSS.h"

#include "compress/vbLZSSformat.h"

#include "vbCodePage.h"
#include "vbException.h"
#include "vbStrUtil.h"

#include <algorithm>
#include <new>

#ifndef VB_LZSS_MAX_RING
#define VB_LZSS_MAX_RING (uint64_t(1) << 30)
#endif

const uint64_t vbLZSS::kMaxRing = VB_LZSS_MAX_RING;

namespace {

[[noreturn]] void fail(const vbString& msg, const char* where)
{
    throw new vbEcompress(msg, vbString(where));
}

vbString converted(const vbString& text, DWORD from, DWORD to)
{
    if (from == to)
        return text;
    vbString out;
    vbCPconvert(from, text, to, &out);
    return out;
}

// Position of name in a list sorted by name, and whether it is there.
template <class T>
std::pair<size_t, bool> find(const std::vector<T>& list, const vbString& name)
{
    auto it = std::lower_bound(list.begin(), list.end(), name,
        [](const T& e, const vbString& key) { return vbSortString(e.name, key) < 0; });
    bool found = it != list.end() && vbSortString(it->name, name) == 0;
    return {size_t(it - list.begin()), found};
}

// Adds or replaces name's value; false when it was there already.
bool addParam(std::vector<vbLZSS_Param>& list, const vbString& name, const vbString& value, bool refuseDuplicate)
{
    auto [at, found] = find(list, name);
    if (found) {
        if (refuseDuplicate)
            fail("QVLZSS compression: header parameter '" + name + "' is already in list", "vbLZSS::addHeaderParam()");
        list[at].value = value;
        return false;
    }
    list.insert(list.begin() + std::ptrdiff_t(at), vbLZSS_Param{name, value, 0});
    return true;
}

bool getParam(const std::vector<vbLZSS_Param>& list, const vbString& name, DWORD streamCp, vbString* value,
    DWORD codePage)
{
    auto [at, found] = find(list, name);
    if (found && value)
        *value = converted(list[at].value, streamCp, codePage);
    return found;
}

bool enumParam(const std::vector<vbLZSS_Param>& list, int index, DWORD streamCp, vbString* name, vbString* value,
    DWORD codePage)
{
    if (index < 1 || size_t(index) > list.size())
        return false;
    const vbLZSS_Param& p = list[size_t(index) - 1];
    if (name)
        *name = converted(p.name, streamCp, codePage);
    if (value)
        *value = converted(p.value, streamCp, codePage);
    return true;
}

size_t paramsSize(const std::vector<vbLZSS_Param>& list)
{
    size_t n = list.capacity() * sizeof(vbLZSS_Param);
    for (const vbLZSS_Param& p : list)
        n += size_t(p.name.GetLength() + p.value.GetLength());
    return n;
}

} // namespace

vbLZSS::vbLZSS(bool decodeTables) : m_models(std::make_unique<vbLZSSmodels>(decodeTables)) {}

vbLZSS::~vbLZSS() = default;

void vbLZSS::allocate(std::vector<unsigned char>& v, uint64_t n)
{
    try {
        if (n > v.max_size())
            throw std::bad_alloc();
        v.assign(size_t(n), 0);
    } catch (const std::bad_alloc&) {
        v.clear();
        v.shrink_to_fit();
        AfxThrowMemoryException();
    }
}

void vbLZSS::resetMemory() {}

void vbLZSS::resetState()
{
    m_started = false;
    m_recordsPending = false;
    m_currentFile = 0;
    m_declaredSize = 0xFFFFFFFFu;
    m_canAddHeaderParams = m_canAddFiles = m_canAddFileParams = true;
    m_headerParams.clear();
    m_files.clear();
}

uint64_t vbLZSS::GetMemoryUsage() const
{
    uint64_t n = m_models->literal.MemoryUsage() + m_models->offset.MemoryUsage() + paramsSize(m_headerParams);
    for (const vbLZSS_File& f : m_files)
        n += sizeof f + size_t(f.name.GetLength()) + paramsSize(f.params);
    return n;
}

bool vbLZSS::GetIOstat(uint64_t* rawBytes, uint64_t* codedBytes) const
{
    if (rawBytes)
        *rawBytes = m_rawBytes;
    if (codedBytes)
        *codedBytes = m_codedBytes;
    return m_rawBytes != 0 || m_codedBytes != 0;
}

void vbLZSS::ResetIOstat()
{
    m_rawBytes = m_codedBytes = 0;
}

DWORD vbLZSS::GetCaps() const
{
    return (m_canAddHeaderParams ? vbCompressCapHeaderParams : 0) | (m_canAddFiles ? vbCompressCapFiles : 0)
        | (m_canAddFileParams ? vbCompressCapFileParams : 0);
}

vbLZSS_File* vbLZSS::currentFile() const
{
    if (m_currentFile < 1 || size_t(m_currentFile) > m_files.size())
        return nullptr;
    return const_cast<vbLZSS_File*>(&m_files[size_t(m_currentFile) - 1]);
}

bool vbLZSS::addFile(const vbString& name, DWORD declaredSize, DWORD codePage, bool refuseDuplicate, bool listClosed)
{
    vbString streamName = converted(name, codePage, m_codePage);
    auto [at, found] = find(m_files, streamName);
    if (!found) {
        if (listClosed)
            fail("QVLZSS compression: file '" + name + "' not in list", "vbLZSS::addFile()");
        vbLZSS_File file;
        file.name = streamName;
        file.declaredSize = declaredSize;
        m_files.insert(m_files.begin() + std::ptrdiff_t(at), std::move(file));
        m_currentFile = int(at) + 1;
        m_declaredSize = declaredSize;
        return true;
    }
    vbLZSS_File& file = m_files[at];
    if (refuseDuplicate)
        fail("QVLZSS compression: file '" + name + "' is already in list", "vbLZSS::addFile()");
    if (declaredSize != 0xFFFFFFFFu && declaredSize != file.declaredSize) {
        if (file.flags & vbLZSS_File::kFlagWritten)
            fail("QVLZSS compression: file '" + name + "' information is already written", "vbLZSS::addFile()");
        file.declaredSize = declaredSize;
    }
    m_currentFile = int(at) + 1;
    m_declaredSize = file.declaredSize;
    return false;
}

bool vbLZSS::addHeaderParam(const vbString& name, const vbString& value, DWORD codePage, bool refuseDuplicate)
{
    return addParam(m_headerParams, converted(name, codePage, m_codePage), converted(value, codePage, m_codePage),
        refuseDuplicate);
}

bool vbLZSS::addFileParam(const vbString& name, const vbString& value, DWORD codePage, bool refuseDuplicate)
{
    vbLZSS_File* file = currentFile();
    if (!file)
        fail("QVLZSS compression: can't add file parameter '" + name + "' because there is no current file",
            "vbLZSS::addFileParam()");
    if (file->flags & vbLZSS_File::kFlagWritten)
        fail("QVLZSS compression: can't add file parameter '" + name
                + "' because current file information is already written",
            "vbLZSS::addFileParam()");
    return addParam(file->params, converted(name, codePage, m_codePage), converted(value, codePage, m_codePage),
        refuseDuplicate);
}

bool vbLZSS::EnumFile(int index, vbString* name, DWORD* declaredSize, DWORD codePage) const
{
    if (index < 1 || size_t(index) > m_files.size())
        return false;
    const vbLZSS_File& f = m_files[size_t(index) - 1];
    if (name)
        *name = converted(f.name, m_codePage, codePage);
    if (declaredSize)
        *declaredSize = f.declaredSize;
    return true;
}

int vbLZSS::GetFileCount() const
{
    return int(m_files.size());
}

bool vbLZSS::GetFileParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const
{
    const vbLZSS_File* file = currentFile();
    if (!file)
        fail("QVLZSS compression: can't get file parameter '" + name + "' because there is no current file",
            "vbLZSS::GetFileParam()");
    if (getParam(file->params, converted(name, codePage, m_codePage), m_codePage, value, codePage))
        return true;
    if (bThrow)
        fail("QVLZSS compression: file parameter '" + name + "' doesn't exist", "vbLZSS::GetFileParam()");
    return false;
}

bool vbLZSS::EnumFileParam(int index, vbString* name, vbString* value, DWORD codePage) const
{
    const vbLZSS_File* file = currentFile();
    return file && enumParam(file->params, index, m_codePage, name, value, codePage);
}

bool vbLZSS::GetHeaderParam(const vbString& name, vbString* value, DWORD codePage, bool bThrow) const
{
    if (getParam(m_headerParams, converted(name, codePage, m_codePage), m_codePage, value, codePage))
        return true;
    if (bThrow)
        fail("QVLZSS compression: header parameter '" + name + "' doesn't exist", "vbLZSS::GetHeaderParam()");
    return false;
}

bool vbLZSS::EnumHeaderParam(int index, vbString* name, vbString* value, DWORD codePage) const
{
    return enumParam(m_headerParams, index, m_codePage, name, value, codePage);
}
