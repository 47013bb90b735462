#include "plat/errors.h"
#include "plat/file.h"
#include "plat/system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

TEST(System, InfoAndVersion)
{
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    EXPECT_EQ(info.dwPageSize, 4096u);
    EXPECT_EQ(info.dwAllocationGranularity, 65536u);
    EXPECT_GE(info.dwNumberOfProcessors, 1u);

    OSVERSIONINFOA version{};
    EXPECT_FALSE(GetVersionExA(&version)); // the size must be filled in
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExA(&version));
    EXPECT_EQ(version.dwPlatformId, DWORD(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(version.dwMajorVersion, 5u);
    EXPECT_EQ(version.dwMinorVersion, 1u);
    EXPECT_EQ(version.dwBuildNumber, 2600u);
    EXPECT_EQ(std::string(version.szCSDVersion).rfind("Linux ", 0), 0u);
}

TEST(System, UserAndComputerNamesReportSizes)
{
    DWORD size = 1;
    char tiny[1];
    EXPECT_FALSE(GetUserNameA(tiny, &size));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    char user[UNLEN + 1];
    DWORD userSize = sizeof user;
    ASSERT_TRUE(GetUserNameA(user, &userSize));
    EXPECT_EQ(userSize, size);
    EXPECT_EQ(std::strlen(user) + 1, size);

    char computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD computerSize = sizeof computer;
    ASSERT_TRUE(GetComputerNameA(computer, &computerSize));
    EXPECT_EQ(computerSize, std::strlen(computer));
    for (const char* c = computer; *c; ++c)
        EXPECT_FALSE(*c >= 'a' && *c <= 'z');
    DWORD small = computerSize; // no room for the terminator
    EXPECT_FALSE(GetComputerNameA(computer, &small));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BUFFER_OVERFLOW));
    EXPECT_EQ(small, computerSize + 1);
}

TEST(System, EnvironmentVariablesAndExpansion)
{
    ASSERT_TRUE(SetEnvironmentVariableA("VNT_TEST_VAR", "value"));
    char buffer[MAX_PATH];
    EXPECT_EQ(GetEnvironmentVariableA("vnt_test_var", buffer, sizeof buffer), 5u); // case-blind
    EXPECT_STREQ(buffer, "value");
    EXPECT_EQ(GetEnvironmentVariableA("VNT_TEST_VAR", buffer, 3), 6u); // size needed
    ASSERT_TRUE(SetEnvironmentVariableA("Vnt_Test_Var", "other")); // the same variable
    EXPECT_STREQ(std::getenv("VNT_TEST_VAR"), "other");

    DWORD needed = ExpandEnvironmentStringsA("a %VNT_TEST_VAR% %NOPE_NOT_SET% 100%", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "a other %NOPE_NOT_SET% 100%");
    EXPECT_EQ(needed, std::strlen(buffer) + 1);
    EXPECT_EQ(ExpandEnvironmentStringsA("%VNT_TEST_VAR%", buffer, 2), 6u);

    ASSERT_TRUE(SetEnvironmentVariableA("VNT_TEST_VAR", nullptr));
    EXPECT_EQ(GetEnvironmentVariableA("VNT_TEST_VAR", buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ENVVAR_NOT_FOUND));

    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
    ExpandEnvironmentStringsA("%SystemRoot%\\win.ini", buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer), std::string(windows) + "\\win.ini");
    char system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
    EXPECT_EQ(std::string(system), std::string(windows) + "/system32");
}

} // namespace
