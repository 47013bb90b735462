// The plug-in configuration target's inputs stand alone: an input run right after another one
// leaves the machine registry exactly as it leaves it run after itself, so that whatever an input
// does can be found again from its file alone.

#include "plat/registry.h"

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// Two trees of different plug-ins, object names and kinds of priority.
const char kFirst[] = "P{5A5A0100-1234-5678-9ABC-000000000001}\tFirst\n"
                      "Oshared\td5\n"
                      "Oonly-first\tsseven\n"
                      "P{5A5A0100-1234-5678-9ABC-000000000002}\n"
                      "Onested\tb\x01\x02\n"
                      "Oplain\tx\n";
const char kSecond[] = "P{5A5A0100-1234-5678-9ABC-000000000003}\n"
                       "Oshared\td2\n";

void run(const char* input, size_t size)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input), size);
}

// Every key below key with its values (type and bytes), one line each, in enumeration order.
void dump(HKEY key, const std::string& path, std::string& out)
{
    char name[256];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name;
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        out += path + " [" + std::string(name, nameSize) + "] type " + std::to_string(type) + ":";
        for (DWORD b = 0; b < dataSize; ++b) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02x", data[b]);
            out += hex;
        }
        out += "\n";
    }
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
        const std::string sub = path.empty() ? std::string(name) : path + "\\" + name;
        out += sub + "\n";
        HKEY child = nullptr;
        if (RegOpenKeyA(key, name, &child) != ERROR_SUCCESS)
            continue;
        dump(child, sub, out);
        RegCloseKey(child);
    }
}

std::string machineRegistry()
{
    std::string out;
    dump(HKEY_LOCAL_MACHINE, std::string(), out);
    return out;
}

} // namespace

int main()
{
    run(kSecond, sizeof kSecond - 1);
    const std::string alone = machineRegistry();
    run(kFirst, sizeof kFirst - 1);
    run(kSecond, sizeof kSecond - 1);
    const std::string afterOther = machineRegistry();
    if (afterOther != alone) {
        std::fprintf(stderr, "the registry after one input alone:\n%s\nthe same input after another:\n%s",
            alone.c_str(), afterOther.c_str());
        return 1;
    }
    return 0;
}
