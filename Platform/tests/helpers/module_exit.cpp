// Loads the self-freeing test module and ends with it loaded:
//   module_exit main     returns from main
//   module_exit thread   another thread calls exit while main waits for it
//   module_exit freed    frees the module first (its destructor runs then), then returns
// Prints what the module's function answered; the module prints from its destructor.
#include "plat/module.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

int main(int argc, char** argv)
{
    const char* mode = argc > 1 ? argv[1] : "main";
    HMODULE module = LoadLibraryA("plat_testmod_self_freeing");
    if (!module)
        return 90;
    auto answer = reinterpret_cast<int (*)()>(GetProcAddress(module, "vntTestSelfFreeing"));
    if (!answer)
        return 91;
    std::printf("loaded %d\n", answer());
    std::fflush(stdout);
    if (std::strcmp(mode, "thread") == 0) {
        std::thread([] { std::exit(0); }).join();
        return 92;
    }
    if (std::strcmp(mode, "freed") == 0 && !FreeLibrary(module))
        return 93;
    return 0;
}
