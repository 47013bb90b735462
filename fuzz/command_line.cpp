// Command lines split into arguments by the Windows rules, as CreateProcessA and ShellExecuteExA
// read the texts they are given. Beyond not crashing: quoting the arguments again and splitting
// the result gives the same arguments back.

#include "process/CommandLine.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

// The quoting that the splitting rules undo exactly.
std::string quote(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
        return arg;
    std::string out = "\"";
    for (size_t i = 0;; ++i) {
        size_t backslashes = 0;
        while (i < arg.size() && arg[i] == '\\') {
            ++backslashes;
            ++i;
        }
        if (i == arg.size()) {
            out.append(backslashes * 2, '\\');
            break;
        }
        if (arg[i] == '"')
            out.append(backslashes * 2 + 1, '\\');
        else
            out.append(backslashes, '\\');
        out += arg[i];
    }
    return out + "\"";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> all = plat::splitCommandLine(text);
    std::vector<std::string> later = plat::splitArguments(text);

    std::string joined;
    for (const std::string& arg : later)
        joined += (joined.empty() ? "" : " ") + quote(arg);
    if (plat::splitArguments(joined) != later)
        __builtin_trap();
    if (!all.empty()) {
        std::string line = "prog";
        for (size_t i = 1; i < all.size(); ++i)
            line += " " + quote(all[i]);
        std::vector<std::string> again = plat::splitCommandLine(line);
        if (again.size() != all.size() || !std::equal(all.begin() + 1, all.end(), again.begin() + 1))
            __builtin_trap();
    }
    return 0;
}
