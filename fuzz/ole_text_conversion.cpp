// Text that reaches VARIANT conversions comes from files, the registry and other programs: the
// number, boolean and date readers and the GUID reader must take any text without harm.

#include "plat/oleauto.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The bytes as UTF-16 units, and again as one unit per byte (the usual ASCII case).
    BSTR wide = SysAllocStringByteLen(reinterpret_cast<const char*>(data), (UINT)(size & ~(size_t)1));
    BSTR narrow = SysAllocStringLen(nullptr, (UINT)size);
    if (!wide || !narrow)
        return 0;
    for (size_t i = 0; i < size; ++i)
        narrow[i] = data[i];

    static const VARTYPE targets[] = {VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_I8, VT_UI8, VT_INT, VT_UINT,
        VT_R4, VT_R8, VT_CY, VT_DATE, VT_DECIMAL, VT_BOOL};
    for (BSTR text : {wide, narrow}) {
        VARIANT src;
        src.vt = VT_BSTR;
        src.bstrVal = text;
        for (VARTYPE vt : targets) {
            VARIANT out;
            VariantInit(&out);
            HRESULT hr = VariantChangeTypeEx(&out, &src, 0x409, 0, vt);
            if (SUCCEEDED(hr)) {
                if (out.vt != vt)
                    std::abort();
                // Whatever was read can be written back as text.
                VARIANT back;
                VariantInit(&back);
                if (FAILED(VariantChangeTypeEx(&back, &out, 0x409, 0, VT_BSTR)) && vt != VT_DATE)
                    std::abort();
                VariantClear(&back);
            } else if (out.vt != VT_EMPTY) {
                std::abort();
            }
            VariantClear(&out);
        }
        CLSID clsid;
        if (SUCCEEDED(CLSIDFromString(text, &clsid))) {
            OLECHAR again[39];
            if (StringFromGUID2(clsid, again, 39) != 39)
                std::abort();
        }
    }
    SysFreeString(wide);
    SysFreeString(narrow);
    return 0;
}
