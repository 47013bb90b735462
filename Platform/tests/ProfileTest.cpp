#include "plat/errors.h"
#include "plat/file.h"

#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

std::string list(const char* buffer, DWORD length) { return std::string(buffer, length); }

TEST(Profile, ValuesSectionsAndKeys)
{
    const std::string path = vnt::test::testHome().string() + "/settings.ini";
    std::ofstream(path) << "; comment\r\n[Main]\r\n Name = Picture One \r\nQuoted=\"  spaced  \"\r\nEmpty=\r\n"
                           "[Other]\r\nkey=v\r\n";
    char buffer[64];
    EXPECT_EQ(GetPrivateProfileStringA("main", "NAME", "", buffer, sizeof buffer, path.c_str()), 11u);
    EXPECT_STREQ(buffer, "Picture One");
    GetPrivateProfileStringA("Main", "Quoted", "", buffer, sizeof buffer, path.c_str());
    EXPECT_STREQ(buffer, "  spaced  ");
    EXPECT_EQ(GetPrivateProfileStringA("Main", "Empty", "x", buffer, sizeof buffer, path.c_str()), 0u);
    EXPECT_EQ(GetPrivateProfileStringA("Main", "Missing", "dflt  ", buffer, sizeof buffer, path.c_str()), 4u);
    EXPECT_STREQ(buffer, "dflt");
    EXPECT_EQ(GetPrivateProfileStringA("Main", "Name", "", buffer, 5, path.c_str()), 4u); // cut to fit
    EXPECT_STREQ(buffer, "Pict");

    DWORD n = GetPrivateProfileStringA("Main", nullptr, "", buffer, sizeof buffer, path.c_str());
    EXPECT_EQ(list(buffer, n + 1), std::string("Name\0Quoted\0Empty\0\0", 19));
    n = GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer, path.c_str());
    EXPECT_EQ(list(buffer, n + 1), std::string("Main\0Other\0\0", 12));
    n = GetPrivateProfileStringA("Main", nullptr, "", buffer, 8, path.c_str());
    EXPECT_EQ(n, 6u);
    EXPECT_EQ(list(buffer, 8), std::string("Name\0Q\0\0", 8));

    // A bare file name is looked for in the Windows folder.
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
    std::ofstream(std::string(windows) + "/vnt.ini") << "[s]\nk=in windows\n";
    GetPrivateProfileStringA("s", "k", "", buffer, sizeof buffer, "vnt.ini");
    EXPECT_STREQ(buffer, "in windows");

    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "none", buffer, sizeof buffer, "missing.ini"), 4u);
    EXPECT_STREQ(buffer, "none");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

} // namespace
