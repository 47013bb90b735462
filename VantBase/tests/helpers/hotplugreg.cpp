// Another process that registers plug-in modules, driven line by line through stdin:
//
//   register <path>   loads the module and runs its DllRegisterServer   -> ok <HRESULT in hex>
//   quit              ends normally

#include "vbEngine.h"

#include "plat/module.h"

#include <cstdio>
#include <iostream>
#include <string>

int main()
{
    vbUseEngineCenter use(&g_vbEngineCenter, true);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "quit")
            break;
        if (line.rfind("register ", 0) != 0) {
            std::cout << "err unknown command" << std::endl;
            continue;
        }
        HMODULE module = LoadLibraryA(line.substr(9).c_str());
        auto reg = module ? reinterpret_cast<HRESULT (*)()>(GetProcAddress(module, "DllRegisterServer")) : nullptr;
        if (!reg) {
            std::cout << "err no module" << std::endl;
            continue;
        }
        char answer[32];
        std::snprintf(answer, sizeof answer, "ok %X", static_cast<unsigned>(reg()));
        FreeLibrary(module);
        std::cout << answer << std::endl;
    }
    return 0;
}
