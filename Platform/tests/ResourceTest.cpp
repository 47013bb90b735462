#include "plat/errors.h"
#include "plat/module.h"
#include "plat/resource.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::string kVersioned = std::string(VNT_BIN_DIR) + "/plat_testmod_versioned.so";

std::string fileBytes(const std::string& name)
{
    std::ifstream in(std::string(VNT_SOURCE_TESTS) + "/modules/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string resourceBytes(HMODULE module, LPCSTR name, LPCSTR type)
{
    HRSRC found = FindResourceA(module, name, type);
    if (!found)
        return "<missing>";
    HGLOBAL loaded = LoadResource(module, found);
    const char* data = static_cast<const char*>(LockResource(loaded));
    return std::string(data, SizeofResource(module, found));
}

// The same lookups on the loaded module and on the module read as a data file.
class Resources : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        module = GetParam() ? LoadLibraryExA(kVersioned.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)
                            : LoadLibraryA(kVersioned.c_str());
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override { FreeLibrary(module); }
    HMODULE module = nullptr;
};

TEST_P(Resources, FoundByNameAndTypeWithTheFileBytes)
{
    // Type words of the build helper are the standard types; other words are named types.
    EXPECT_EQ(resourceBytes(module, "loadcfg", "vntCfg"), fileBytes("seven.bin"));
    EXPECT_EQ(resourceBytes(module, "HourGlass", RT_ANICURSOR), fileBytes("hourglass.ani"));
    EXPECT_EQ(resourceBytes(module, MAKEINTRESOURCE(7), RT_RCDATA), fileBytes("seven.bin"));
    EXPECT_EQ(resourceBytes(module, "#7", "#10"), fileBytes("seven.bin"));

    EXPECT_EQ(FindResourceA(module, "sandglass", RT_ANICURSOR), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(FindResourceA(module, "hourglass", RT_MENU), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_TYPE_NOT_FOUND));
}

TEST_P(Resources, StringsAndEnumeration)
{
    char buffer[32];
    EXPECT_EQ(LoadStringA(module, 101, buffer, sizeof buffer), 5);
    EXPECT_STREQ(buffer, "Hello");
    EXPECT_EQ(LoadStringA(module, 102, buffer, sizeof buffer), 14);
    EXPECT_STREQ(buffer, "  padded\ttext\n");
    EXPECT_EQ(LoadStringA(module, 103, buffer, sizeof buffer), int(std::string("Ünïcödé").size()));
    EXPECT_EQ(LoadStringA(module, 101, buffer, 3), 2); // cut, and terminated
    EXPECT_STREQ(buffer, "He");
    EXPECT_EQ(LoadStringA(module, 999, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");

    std::vector<UINT> ids;
    EXPECT_TRUE(EnumResourceNamesA(
        module, RT_STRING,
        [](HMODULE, LPCSTR, LPSTR name, LONG_PTR param) -> BOOL {
            reinterpret_cast<std::vector<UINT>*>(param)->push_back(LOWORD(name));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&ids)));
    EXPECT_EQ(ids, (std::vector<UINT>{101, 102, 103}));

    // Named resources come first, in upper-case name order, then integer ids.
    std::vector<std::string> names;
    EXPECT_TRUE(EnumResourceNamesA(
        module, RT_RCDATA,
        [](HMODULE, LPCSTR, LPSTR name, LONG_PTR param) -> BOOL {
            auto& out = *reinterpret_cast<std::vector<std::string>*>(param);
            out.push_back(IS_INTRESOURCE(name) ? "#" + std::to_string(LOWORD(name)) : std::string(name));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&names)));
    EXPECT_EQ(names, (std::vector<std::string>{"ALPHA", "ZETA", "#7"}));
    EXPECT_FALSE(EnumResourceNamesA(
        module, RT_RCDATA, [](HMODULE, LPCSTR, LPSTR, LONG_PTR) -> BOOL { return FALSE; }, 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_ENUM_USER_STOP));
}

INSTANTIATE_TEST_SUITE_P(LoadedAndDataFile, Resources, ::testing::Bool());

TEST(Resources, ProgramOwnResourcesWithNullModule)
{
    EXPECT_EQ(resourceBytes(nullptr, "seven", RT_RCDATA), fileBytes("seven.bin"));
    HMODULE plain = LoadLibraryA("plat_testmod_plain");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(FindResourceA(plain, "seven", RT_RCDATA), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_DATA_NOT_FOUND));
    FreeLibrary(plain);
}

} // namespace
