#include "plat/errors.h"
#include "plat/module.h"
#include "plat/testhooks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>

namespace {

const std::string kVersioned = std::string(VNT_BIN_DIR) + "/plat_testmod_versioned.so";

TEST(Module, LoadFindAndFreeWithCounting)
{
    ASSERT_EQ(GetModuleHandleA("plat_testmod_plain"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));

    // A bare name is found beside the program; ".dll" stands for ".so".
    HMODULE first = LoadLibraryA("plat_testmod_plain.dll");
    ASSERT_NE(first, nullptr);
    HMODULE second = LoadLibraryA((std::string(VNT_BIN_DIR) + "\\plat_testmod_plain.so").c_str());
    EXPECT_EQ(first, second);
    EXPECT_EQ(GetModuleHandleA("PLAT_TESTMOD_PLAIN.so"), first);

    auto plain = reinterpret_cast<int (*)()>(GetProcAddress(first, "vntTestPlain"));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain(), 7);
    // Symbols of the modules it uses are not its own.
    EXPECT_EQ(GetProcAddress(first, "malloc"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));

    char path[512];
    DWORD length = GetModuleFileNameA(first, path, sizeof path);
    EXPECT_EQ(std::string(path, length), std::string(VNT_BIN_DIR) + "/plat_testmod_plain.so");
    char small[8];
    EXPECT_EQ(GetModuleFileNameA(first, small, sizeof small), DWORD(sizeof small));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::strlen(small), sizeof small - 1);

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(GetModuleHandleA("plat_testmod_plain"), first); // one load still holds it
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(GetModuleHandleA("plat_testmod_plain"), nullptr);
}

TEST(Module, MissingModuleAndTheProgram)
{
    EXPECT_EQ(LoadLibraryA("no_such_module_here"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryA("/nowhere/x.so"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));

    HMODULE program = GetModuleHandleA(nullptr);
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(std::memcmp(program, "\x7f" "ELF", 4), 0); // the handle is the module's first byte
    char path[512];
    ASSERT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
    EXPECT_EQ(std::string(path), std::string(VNT_BIN_DIR) + "/PlatformTests");
    EXPECT_EQ(GetModuleHandleA(path), program);

    HMODULE platform = nullptr;
    EXPECT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&LoadLibraryA), &platform));
    EXPECT_EQ(platform, GetModuleHandleA("VntPlatform"));
    EXPECT_NE(platform, program);
}

TEST(Module, ALoadMadeToFailReportsTheModuleMissingUntilReleased)
{
    vntTestFailLibraryLoad("plat_testmod_plain.dll", TRUE);
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("PLAT_TESTMOD_PLAIN.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    vntTestFailLibraryLoad("plat_testmod_plain.dll", FALSE);
    HMODULE module = LoadLibraryA("plat_testmod_plain.dll");
    EXPECT_NE(module, nullptr);
    FreeLibrary(module);
}

TEST(Module, DataFileLoadRunsNothing)
{
    unsetenv("VNT_TESTMOD_LOADED");
    HMODULE data = LoadLibraryExA(kVersioned.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::getenv("VNT_TESTMOD_LOADED"), nullptr);
    EXPECT_EQ(GetProcAddress(data, "vntTestAnswer"), nullptr);
    EXPECT_EQ(GetModuleHandleA("plat_testmod_versioned"), nullptr);
    EXPECT_TRUE(FreeLibrary(data));
    EXPECT_FALSE(FreeLibrary(data));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));

    const std::string text = std::string(VNT_SOURCE_TESTS) + "/modules/strings.txt";
    EXPECT_EQ(LoadLibraryExA(text.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_EXE_FORMAT));
    EXPECT_EQ(LoadLibraryA(text.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_EXE_FORMAT));
}

// A module whose static destructor frees the module itself stays mapped while that destructor
// runs at the process's exit, however the exit comes; a free before the exit unloads it.
TEST(Module, AModuleFreedByItsOwnDestructorAtExitStaysUntilItIsDone)
{
    for (const char* mode : {"main", "thread", "freed"}) {
        SCOPED_TRACE(mode);
        const std::string command = std::string(VNT_BIN_DIR) + "/plat_helper_module_exit " + mode + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        char buffer[256];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, n);
        const int status = pclose(pipe);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << "; output:\n" << output;
        EXPECT_EQ(WEXITSTATUS(status), 0) << output;
        EXPECT_EQ(output, "loaded 5\nfreed 1, still running\n");
    }
}

} // namespace
