// Cost of the registry calls the program makes most: open a key, read one value, close it.

#include "BenchHome.h"

#include "plat/registry.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// A private configuration folder with the key the benchmarks read.
BenchHome& home()
{
    static BenchHome instance;
    static const bool made = [] {
        HKEY key;
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Bench\\Settings", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
            nullptr);
        DWORD value = 42;
        RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
        RegCloseKey(key);
        return true;
    }();
    (void)made;
    return instance;
}

void BM_OpenQueryClose(benchmark::State& state)
{
    home();
    for (auto _ : state) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Bench\\Settings", 0, KEY_READ, &key) != ERROR_SUCCESS) {
            state.SkipWithError("open failed");
            break;
        }
        DWORD type, value, size = sizeof value;
        RegQueryValueExA(key, "Number", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_OpenQueryClose);

void BM_QueryOpenKey(benchmark::State& state)
{
    home();
    HKEY key;
    RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Bench\\Settings", 0, KEY_READ, &key);
    for (auto _ : state) {
        DWORD type, value, size = sizeof value;
        RegQueryValueExA(key, "Number", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        benchmark::DoNotOptimize(value);
    }
    RegCloseKey(key);
}
BENCHMARK(BM_QueryOpenKey);

void BM_SetValue(benchmark::State& state)
{
    home();
    HKEY key;
    RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Bench\\Settings", 0, KEY_ALL_ACCESS, &key);
    DWORD value = 0;
    for (auto _ : state) {
        ++value;
        RegSetValueExA(key, "Counter", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    }
    RegCloseKey(key);
}
BENCHMARK(BM_SetValue);

} // namespace

BENCHMARK_MAIN();
