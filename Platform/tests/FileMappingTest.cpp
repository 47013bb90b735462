#include "plat/errors.h"
#include "plat/file.h"
#include "plat/handles.h"
#include "plat/mapping.h"
#include "plat/sync.h"
#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace {

TEST(FileMapping, ViewsOfAFileReadAndWriteIt)
{
    std::string path = (vnt::test::testHome() / "data.bin").string();
    {
        std::ofstream out(path, std::ios::binary);
        std::string bytes(3 * 65536, 'a');
        bytes[65536] = 'b';
        out << bytes;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);

    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 4096, 16), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MAPPED_ALIGNMENT));
    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 3 * 65536, 0), nullptr);

    auto* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 65536, 0));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view[0], 'b');
    view[1] = 'c';
    EXPECT_TRUE(FlushViewOfFile(view, 0));
    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_FALSE(UnmapViewOfFile(view));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_ADDRESS));
    CloseHandle(mapping);
    CloseHandle(file);

    std::ifstream in(path, std::ios::binary);
    in.seekg(65537);
    EXPECT_EQ(in.get(), 'c');
}

TEST(FileMapping, MappingPastTheEndGrowsTheFileAndEmptyFilesAreRefused)
{
    std::string path = (vnt::test::testHome() / "grow.bin").string();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_INVALID));
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 100000, "vnt.mapping.grow");
    ASSERT_NE(mapping, nullptr);
    DWORD high = 0;
    EXPECT_EQ(GetFileSize(file, &high), 100000u);
    auto* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    view[99999] = 'z';
    // A second handle by name reaches the same file.
    HANDLE named = OpenFileMappingA(FILE_MAP_READ, FALSE, "vnt.mapping.grow");
    ASSERT_NE(named, nullptr);
    auto* read = static_cast<const char*>(MapViewOfFile(named, FILE_MAP_READ, 0, 65536, 0));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read[99999 - 65536], 'z');
    UnmapViewOfFile(read);
    UnmapViewOfFile(view);
    for (HANDLE h : {named, mapping, file})
        CloseHandle(h);
}

TEST(FileMapping, PagingFileMappingsNeedASizeAndStayPrivateWithoutAName)
{
    EXPECT_EQ(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    HANDLE a = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 65536, nullptr);
    HANDLE b = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 65536, nullptr);
    auto* va = static_cast<char*>(MapViewOfFile(a, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    auto* vb = static_cast<char*>(MapViewOfFile(b, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_TRUE(va && vb);
    va[0] = 1;
    EXPECT_EQ(vb[0], 0);
    // A second view of the same mapping shares its memory.
    auto* again = static_cast<char*>(MapViewOfFile(a, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    EXPECT_EQ(again[0], 1);
    for (void* v : {static_cast<void*>(va), static_cast<void*>(vb), static_cast<void*>(again)})
        UnmapViewOfFile(v);
    CloseHandle(a);
    CloseHandle(b);
}

TEST(FileMapping, SecondCreateByNameAnswersTheExistingMapping)
{
    HANDLE first = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 65536, "vnt.mapping.twice");
    HANDLE second = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 65536, "vnt.mapping.twice");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(CreateEventA(nullptr, FALSE, FALSE, "vnt.mapping.twice"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    CloseHandle(first);
    CloseHandle(second);
}

} // namespace
