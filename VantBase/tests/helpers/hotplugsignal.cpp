// Another process that tells every other process of its download of a plug-in module, driven
// line by line through stdin:
//
//   start <clsid> <path> <highVer> <lowVer>   signals the start of the download   -> ok
//   end <clsid> <path> <highVer> <lowVer>     signals its end with that version    -> ok
//   quit                                      ends normally
//
// Versions are hexadecimal; "-" stands for an empty path.

#include "hotplug/vbHotPlugger.h"

#include "vbEngine.h"

#include "plat/com.h"

#include <iostream>
#include <sstream>
#include <string>

int main()
{
    vbUseEngineCenter use(&g_vbEngineCenter, true);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "quit")
            break;
        std::istringstream in(line);
        std::string command, clsidText, path;
        unsigned long high = 0, low = 0;
        in >> command >> clsidText >> path >> std::hex >> high >> low;
        GUID clsid{};
        const std::u16string wide(clsidText.begin(), clsidText.end());
        if (!in || FAILED(CLSIDFromString(reinterpret_cast<LPCOLESTR>(wide.c_str()), &clsid))) {
            std::cout << "err bad line" << std::endl;
            continue;
        }
        const vbString modulePath(path == "-" ? "" : path.c_str());
        if (command == "start")
            vbHotPlugCenter::Plugger::signalStartDownloadToExternalPlugCb(clsid, modulePath, high, low);
        else if (command == "end")
            vbHotPlugCenter::Plugger::signalEndDownloadToExternalPlugCb(clsid, modulePath, high, low);
        else {
            std::cout << "err unknown command" << std::endl;
            continue;
        }
        std::cout << "ok" << std::endl;
    }
    return 0;
}
