// The table of registered message names lives in a file that any process of the user may have
// written (or left half-written): reading it must accept any bytes.

#include "ui/RegisteredNames.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view content(reinterpret_cast<const char*>(data), size);
    auto names = plat::ui::parseRegisteredNames(content);
    size_t total = 0;
    for (const auto& name : names)
        total += name.size();
    // Escapes only ever shorten a line, and the range holds 0x4000 numbers.
    if (total > size || names.size() > 0x4000)
        std::abort();
    return 0;
}
