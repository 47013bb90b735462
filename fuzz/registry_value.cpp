// Turns untrusted registry values (a type and its bytes, as another program may have stored them)
// into variants. Nothing may read past the bytes; numbers and byte arrays that were read must store
// themselves back as the bytes they came from, and text as the same text again.

#include "registry/vbRegValue.h"

#include "vbException.h"
#include "vbVariant.h"

#include "plat/registry.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the type; values above the known ones stand for every other type.
    const DWORD type = data[0] % 13;
    // An exact-size copy, so that the sanitizer sees any read past the value.
    std::vector<BYTE> bytes(data + 1, data + size);
    try {
        vbVariant value;
        const vbImpl::RegValueRead read = vbImpl::regValueToVariant(type, bytes.data(), static_cast<DWORD>(bytes.size()),
            &value);
        if (read != vbImpl::RegValueRead::ok) {
            if (!value.IsEmpty())
                std::abort();
            return 0;
        }
        if (value.GetLCID() != 1033)
            std::abort();
        std::string back;
        const DWORD backType = vbImpl::variantToRegValue(value, false, &back);
        std::string expected(bytes.begin(), bytes.end());
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            // Text travels through UTF-16: bytes that are no UTF-8 come back replaced, and then
            // stay as they came back.
            if (backType != REG_SZ || back.empty() || back.back() != '\0')
                std::abort();
            vbVariant again;
            if (vbImpl::regValueToVariant(REG_SZ, reinterpret_cast<const BYTE*>(back.data()),
                    static_cast<DWORD>(back.size()), &again) != vbImpl::RegValueRead::ok)
                std::abort();
            std::string twice;
            vbImpl::variantToRegValue(again, false, &twice);
            if (twice != back)
                std::abort();
            return 0;
        }
        if (backType != type || back != expected)
            std::abort();
    } catch (CException* e) {
        e->Delete();
    }
    return 0;
}
