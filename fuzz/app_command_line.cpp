// The program's command line from outside bytes: split at zero bytes and line ends into
// arguments and parsed. The run rule must hold, and the only files kept are full paths whose
// last extension is "picf" in any case.

#include "FuzzTempDir.h"

#include "PicFlorvane.h"

#include "vbException.h"
#include "vbLog.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool endsWithPicf(const std::string& path)
{
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.size() - dot != 5)
        return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return ext == "picf";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzTempDir home(true);
    static vbUseEngineCenter use(&g_vbEngineCenter, true);
    static CPicFlorvaneApp app;
    g_pvbLogFileName = nullptr; // each ignored argument would add a line to a log that only grows

    std::vector<std::string> args{"PicFlorvane"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        const char c = char(data[i]);
        if (c == '\0' || c == '\n') {
            args.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    args.push_back(current);
    std::vector<char*> pointers;
    for (std::string& a : args)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    __argc = int(args.size());
    __argv = pointers.data();

    try {
        app.parseCommandLine();
    } catch (CException* e) {
        // A path the system cannot make full (too long) is refused with the library's error.
        e->Delete();
        return 0;
    }
    const bool run = !((app.IsRegister() && !app.IsAutomation() && !app.IsShow()) || app.IsUnregister());
    if (app.IsRun() != run || (app.IsRegister() && app.IsUnregister()))
        std::abort();
    const vbArray<vbString>& files = app.GetFiles();
    for (int i = 1; i <= files.GetSize(); ++i) {
        const std::string path = files[i].c_str();
        if (path.empty() || path[0] != '/' || !endsWithPicf(path))
            std::abort();
    }
    __argc = 0;
    __argv = nullptr;
    return 0;
}
