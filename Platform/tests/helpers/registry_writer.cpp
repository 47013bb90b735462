// Writes registry values in a loop, for the tests that run several processes on one store.
//   registry_writer <key under HKCU> <tag> <count>
// Each round i sets the shared value "shared" to "<tag>-<i>" and the value "<tag><i>" to i as a
// DWORD, then prints i on its own line once both calls have returned. Exits 1 at the first
// failing call.

#include "plat/registry.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: registry_writer key tag count\n");
        return 2;
    }
    const std::string tag = argv[2];
    const long count = std::strtol(argv[3], nullptr, 10);
    HKEY key;
    LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, argv[1], 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        std::fprintf(stderr, "create: %d\n", (int)rc);
        return 1;
    }
    for (long i = 0; i < count; ++i) {
        std::string shared = tag + "-" + std::to_string(i);
        rc = RegSetValueExA(key, "shared", 0, REG_SZ, reinterpret_cast<const BYTE*>(shared.c_str()),
            (DWORD)shared.size() + 1);
        if (rc != ERROR_SUCCESS) {
            std::fprintf(stderr, "set shared: %d\n", (int)rc);
            return 1;
        }
        DWORD value = (DWORD)i;
        std::string own = tag + std::to_string(i);
        rc = RegSetValueExA(key, own.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
        if (rc != ERROR_SUCCESS) {
            std::fprintf(stderr, "set own: %d\n", (int)rc);
            return 1;
        }
        std::printf("%ld\n", i);
        std::fflush(stdout);
    }
    RegCloseKey(key);
    return 0;
}
