#include "plat/oleauto.h"

#include <cstdlib>
#include <cstring>

namespace {

// The block: 4 unused bytes keep the text 8-byte aligned, then the byte count, the text and a
// 0 unit (one more 0 byte for an odd byte count so the terminator is always a whole unit).
constexpr size_t kHeader = 8;

BSTR allocBytes(const void* data, UINT bytes)
{
    size_t total = kHeader + (size_t)bytes + 3;
    char* block = static_cast<char*>(std::malloc(total));
    if (!block)
        return nullptr;
    std::memset(block, 0, kHeader);
    std::memcpy(block + 4, &bytes, 4);
    char* text = block + kHeader;
    if (data)
        std::memcpy(text, data, bytes);
    else
        std::memset(text, 0, bytes);
    std::memset(text + bytes, 0, 3);
    return reinterpret_cast<BSTR>(text);
}

char* blockOf(BSTR bstr) { return reinterpret_cast<char*>(bstr) - kHeader; }

size_t unitsOf(const OLECHAR* psz)
{
    size_t n = 0;
    while (psz[n])
        ++n;
    return n;
}

} // namespace

BSTR SysAllocString(const OLECHAR* psz)
{
    if (!psz)
        return nullptr;
    return SysAllocStringLen(psz, (UINT)unitsOf(psz));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui)
{
    if (ui > 0x7FFFFFF0u / 2)
        return nullptr;
    return allocBytes(strIn, ui * 2);
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len)
{
    if (len > 0x7FFFFFF0u)
        return nullptr;
    return allocBytes(psz, len);
}

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz)
{
    if (!pbstr)
        return FALSE;
    return SysReAllocStringLen(pbstr, psz, psz ? (UINT)unitsOf(psz) : 0);
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len)
{
    if (!pbstr)
        return FALSE;
    // The new text may come from the old string, so it is copied before the old one goes.
    BSTR fresh = SysAllocStringLen(psz, len);
    if (!fresh)
        return FALSE;
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

void SysFreeString(BSTR bstrString)
{
    if (bstrString)
        std::free(blockOf(bstrString));
}

UINT SysStringByteLen(BSTR bstr)
{
    if (!bstr)
        return 0;
    UINT bytes;
    std::memcpy(&bytes, blockOf(bstr) + 4, 4);
    return bytes;
}

UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / 2; }
