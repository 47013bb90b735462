#include "plat/errors.h"
#include "plat/module.h"
#include "plat/version.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::string kVersioned = std::string(VNT_BIN_DIR) + "/plat_testmod_versioned.so";
const std::string kPlain = std::string(VNT_BIN_DIR) + "/plat_testmod_plain.so";

TEST(VersionRecord, ReadFromTheFileWithoutLoadingIt)
{
    unsetenv("VNT_TESTMOD_LOADED");
    DWORD handle = 99;
    DWORD size = GetFileVersionInfoSizeA(kVersioned.c_str(), &handle);
    ASSERT_GT(size, 0u);
    EXPECT_EQ(handle, 0u);
    std::vector<uint64_t> storage(size / 8 + 1);
    void* block = storage.data();
    EXPECT_FALSE(GetFileVersionInfoA(kVersioned.c_str(), 0, size - 1, block));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_TRUE(GetFileVersionInfoA(kVersioned.c_str(), 0, size, block));
    EXPECT_EQ(std::getenv("VNT_TESTMOD_LOADED"), nullptr);
    EXPECT_EQ(GetModuleHandleA(kVersioned.c_str()), nullptr);

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block, "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00030004u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00050001u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x0000006Cu);
    EXPECT_EQ(fixed->dwFileType, VFT_DLL);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block, "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 0x04E4);

    struct {
        const char* key;
        const char* value;
    } strings[] = {{"ProductName", "Vantrel Test Module"}, {"productversion", "5.1.0.108"},
        {"FileVersion", "1.2.3.4"}, {"CompanyName", "KVX"}, {"OriginalFilename", "plat_testmod_versioned.so"},
        {"InternalName", "Vantrel Test Module"}, {"FileDescription", "Vantrel Test Module"}};
    for (const auto& s : strings) {
        char* text = nullptr;
        std::string key = std::string("\\StringFileInfo\\040904E4\\") + s.key;
        ASSERT_TRUE(VerQueryValueA(block, key.c_str(), reinterpret_cast<void**>(&text), &length)) << s.key;
        EXPECT_STREQ(text, s.value);
        EXPECT_EQ(length, std::string(s.value).size() + 1);
    }
    void* none;
    EXPECT_FALSE(VerQueryValueA(block, "\\StringFileInfo\\040904E4\\Comments", &none, &length));
    EXPECT_EQ(length, 0u);
}

TEST(VersionRecord, FilesWithoutOneHaveNone)
{
    const std::string plainText = std::string(VNT_SOURCE_TESTS) + "/modules/strings.txt";
    for (const std::string& file : {kPlain, plainText}) {
        SetLastError(0);
        EXPECT_EQ(GetFileVersionInfoSizeA(file.c_str(), nullptr), 0u) << file;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_TYPE_NOT_FOUND)) << file;
    }
    EXPECT_EQ(GetFileVersionInfoSizeA((std::string(VNT_BIN_DIR) + "/missing.so").c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST(VersionRecord, LibrariesCarryTheirNames)
{
    const struct {
        const char* file;
        const char* product;
    } libraries[] = {{"libVnt05bas.so", "VantBase"}, {"libVnt05sui.so", "VantSgui"}, {"libVnt05pic.so", "VantPicture"}};
    for (const auto& library : libraries) {
        std::string path = std::string(VNT_BIN_DIR) + "/" + library.file;
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
        if (size == 0 && GetLastError() == DWORD(ERROR_FILE_NOT_FOUND))
            continue; // not built with the platform's tests
        ASSERT_GT(size, 0u) << path;
        std::vector<uint64_t> storage(size / 8 + 1);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, storage.data()));
        char* name = nullptr;
        UINT length;
        ASSERT_TRUE(VerQueryValueA(storage.data(), "\\StringFileInfo\\040904E4\\ProductName",
            reinterpret_cast<void**>(&name), &length));
        EXPECT_STREQ(name, library.product);
        VS_FIXEDFILEINFO* fixed = nullptr;
        ASSERT_TRUE(VerQueryValueA(storage.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(fixed->dwProductVersionMS, 0x00050001u);
        EXPECT_EQ(fixed->dwProductVersionLS, 108u);
    }
}

} // namespace
