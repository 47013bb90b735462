// Plug-in installation strings as a program hands them over: whatever the bytes, the list and
// entry forms and the parameters read them without crashing, and every entry that reaches the
// collector has a URL, parameters and a consistent record.

#include "hotplug/vbHotPlugInstall.h"

#include "vbLog.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void checkEntry(const vbHotPlugCenter::PlugInfo& info)
{
    if (info.plugurl.IsEmpty() || info.plugurl != vbTrimmed(info.plugurl))
        std::abort(); // an entry with a blank URL went through
    for (int i = 1; i <= info.plugTypes.GetLength(); ++i) {
        const vbString& type = info.plugTypes[i];
        if (type.IsEmpty() || type.Find(',') != 0)
            std::abort(); // plug type names are split at "," and empty ones dropped
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_pvbLogFileName = nullptr; // syntax faults are logged; nothing here is meant for the user's log
    const vbString text(size ? reinterpret_cast<const char*>(data) : "", static_cast<int>(size));

    // The list form, with a collector in place of the centre's record form.
    int collected = 0;
    const int taken = vbHotPlugInstall::readList(text, [&](const vbString& url, const vbString& params) {
        if (url.Find('|') || params.Find('|') || params.Find('#'))
            std::abort(); // the split at "|" and at the last "#" went wrong
        vbHotPlugCenter::PlugInfo info;
        if (!vbHotPlugInstall::readEntry(url, params, &info))
            return false;
        checkEntry(info);
        return ++collected % 2 == 1; // the count follows the collector's answers
    });
    if (taken != (collected + 1) / 2)
        std::abort();

    // One parameter straight from the bytes, zero bytes included: the name up to the first "=".
    const char* bytes = text.GetLength() ? static_cast<const char*>(text) : "";
    const void* eq = size ? std::memchr(bytes, '=', size) : nullptr;
    const int nameLen = eq ? static_cast<int>(static_cast<const char*>(eq) - bytes) : static_cast<int>(size);
    const vbString name(bytes, nameLen);
    const vbString value = eq ? vbString(bytes + nameLen + 1, static_cast<int>(size) - nameLen - 1) : vbString();
    vbHotPlugCenter::PlugInfo info;
    info.plugurl = "u";
    info.SetParam(name, value);
    checkEntry(info);
    return 0;
}
