#include "kernel/FileObject.h"

#include "plat/errors.h"
#include "plat/file.h"
#include "plat/handles.h"

#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string home() { return vnt::test::testHome().string(); }

void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(FileWildcards, WindowsRules)
{
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*.*", "README", true},
        {"*.*", "a.b", true},
        {"*", "a.b.c", true},
        {"a?c", "abc", true},
        {"a?c", "ABC", true},
        {"a?c", "ac", false},
        {"a?c", "abcd", false},
        {"*.jpg", "X.JPG", true},
        {"*.jpg", "x.jpeg", false},
        {"*.jpg", "jpg", false},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},
        {"data.*", "data", true},
        {"readme", "README", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plat::wildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
}

TEST(File, MissingFileAndFolderGiveTheirErrors)
{
    SetLastError(0);
    EXPECT_EQ(CreateFileA((home() + "/missing.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                  nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));

    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, GetLastError(), 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "The system cannot find the file specified.\r\n");
    EXPECT_EQ(length, std::strlen(text));
    EXPECT_EQ(LocalFree(text), nullptr);

    const std::string paths[] = {home() + "/nofolder/x.txt", "C:\\Windows\\win.ini", ""};
    for (const std::string& path : paths) {
        EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND)) << path;
    }
    EXPECT_EQ(GetFileAttributesA((home() + "/missing").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST(File, DispositionsReportExistingFiles)
{
    std::string path = home() + "\\f.bin"; // the backslash becomes a separator
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h, "hello", 5, &written, nullptr));
    EXPECT_EQ(written, 5u);
    EXPECT_GE(plat::fileDescriptorOf(h), 0);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(plat::fileDescriptorOf(h), -1);

    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));

    h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(h, nullptr), 5u);
    DWORD written2 = 7;
    EXPECT_FALSE(WriteFile(h, "x", 1, &written2, nullptr)); // opened for reading only
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(written2, 0u);
    CloseHandle(h);

    h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(h, nullptr), 0u); // truncated
    CloseHandle(h);

    EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(CreateFileA(home().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
}

TEST(File, ReadSeekAndTruncate)
{
    std::string path = home() + "/data.bin";
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "0123456789", 10, &n, nullptr));

    EXPECT_EQ(SetFilePointer(h, -4, nullptr, FILE_END), 6u);
    char buffer[16] = {};
    EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(n, 4u);
    EXPECT_STREQ(buffer, "6789");
    EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr)); // end of file: success, nothing read
    EXPECT_EQ(n, 0u);

    EXPECT_EQ(SetFilePointer(h, -20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NEGATIVE_SEEK));

    // The 64-bit form carries the high part both ways.
    LONG high = 1;
    EXPECT_EQ(SetFilePointer(h, 16, &high, FILE_BEGIN), 16u);
    EXPECT_EQ(high, 1);
    LARGE_INTEGER where;
    where.QuadPart = 0;
    LARGE_INTEGER now;
    EXPECT_TRUE(SetFilePointerEx(h, where, &now, FILE_CURRENT));
    EXPECT_EQ(now.QuadPart, (1LL << 32) + 16);

    where.QuadPart = 3;
    EXPECT_TRUE(SetFilePointerEx(h, where, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(h));
    LARGE_INTEGER size;
    EXPECT_TRUE(GetFileSizeEx(h, &size));
    EXPECT_EQ(size.QuadPart, 3);

    OVERLAPPED at{};
    at.Offset = 1;
    EXPECT_TRUE(ReadFile(h, buffer, 8, &n, &at));
    EXPECT_EQ(std::string(buffer, n), "12");
    EXPECT_TRUE(FlushFileBuffers(h));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(ReadFile(h, buffer, 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST(File, TimesRoundTrip)
{
    std::string path = home() + "/t.bin";
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME written{0x12345670u, 0x01D00000u};
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &written));
    FILETIME back{};
    EXPECT_TRUE(GetFileTime(h, nullptr, nullptr, &back));
    EXPECT_EQ(back.dwLowDateTime, written.dwLowDateTime);
    EXPECT_EQ(back.dwHighDateTime, written.dwHighDateTime);
    CloseHandle(h);
}

TEST(File, DeleteOnCloseRemovesTheFile)
{
    std::string path = home() + "/gone.tmp";
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    CloseHandle(h);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);

    // A file that took the name meanwhile is not the one to delete.
    h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string moved = home() + "/moved.tmp";
    ASSERT_TRUE(MoveFileA(path.c_str(), moved.c_str()));
    writeText(path, "new");
    CloseHandle(h);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), DWORD(FILE_ATTRIBUTE_NORMAL));
}

TEST(File, Attributes)
{
    writeText(home() + "/plain.txt", "x");
    writeText(home() + "/.hidden", "x");
    ASSERT_TRUE(CreateDirectoryA((home() + "/sub").c_str(), nullptr));
    EXPECT_EQ(GetFileAttributesA((home() + "/plain.txt").c_str()), DWORD(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA((home() + "/.hidden").c_str()), DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetFileAttributesA((home() + "/sub").c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY));

    std::string plain = home() + "/plain.txt";
    EXPECT_TRUE(SetFileAttributesA(plain.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesA(plain.c_str()), DWORD(FILE_ATTRIBUTE_READONLY));
    // Read-only holds even for a user the file system would let write.
    EXPECT_EQ(CreateFileA(plain.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(DeleteFileA(plain.c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(SetFileAttributesA(plain.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileA(plain.c_str()));

    WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_TRUE(GetFileAttributesExA((home() + "/.hidden").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 1u);
}

TEST(File, CopyMoveDeleteAndFolders)
{
    std::string a = home() + "/a.txt", b = home() + "/b.txt", c = home() + "/c.txt";
    writeText(a, "alpha");
    writeText(b, "beta");
    EXPECT_FALSE(CopyFileA(a.c_str(), b.c_str(), TRUE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));
    EXPECT_TRUE(CopyFileA(a.c_str(), c.c_str(), TRUE));
    EXPECT_TRUE(CopyFileA(a.c_str(), b.c_str(), FALSE));
    std::ifstream in(b);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "alpha");

    EXPECT_FALSE(MoveFileA(a.c_str(), b.c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetFileAttributesA(a.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(MoveFileA(c.c_str(), a.c_str()));
    EXPECT_FALSE(DeleteFileA(c.c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));

    std::string folder = home() + "/dir";
    EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectoryA((home() + "/no/dir").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    writeText(folder + "/inside", "");
    EXPECT_FALSE(RemoveDirectoryA(folder.c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DIR_NOT_EMPTY));
    EXPECT_TRUE(DeleteFileA((folder + "/inside").c_str()));
    EXPECT_TRUE(RemoveDirectoryA(folder.c_str()));
}

TEST(File, FindListsMatchesInOrder)
{
    for (const char* name : {"b.JPG", "a.jpg", "c.png", "README"})
        writeText(home() + "/" + name, "12345");
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((home() + "\\*.jpg").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::vector<std::string> names{data.cFileName};
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.dwFileAttributes, DWORD(FILE_ATTRIBUTE_NORMAL));
    while (FindNextFileA(find, &data))
        names.push_back(data.cFileName);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(find));
    EXPECT_EQ(names, (std::vector<std::string>{"a.jpg", "b.JPG"}));

    find = FindFirstFileA((home() + "/*.*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    names = {data.cFileName};
    while (FindNextFileA(find, &data))
        names.push_back(data.cFileName);
    FindClose(find);
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "a.jpg", "b.JPG", "c.png", "README"}));

    EXPECT_EQ(FindFirstFileA((home() + "/*.gif").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA((home() + "/none/*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

TEST(File, FullPathsAndTempNames)
{
    char before[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, before), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(home().c_str()));
    char buffer[MAX_PATH];
    char* part = nullptr;
    DWORD length = GetFullPathNameA("x\\..\\y\\.\\z.txt", MAX_PATH, buffer, &part);
    char cwd[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, cwd), 0u);
    EXPECT_EQ(std::string(buffer), std::string(cwd) + "/y/z.txt");
    EXPECT_EQ(length, std::strlen(buffer));
    ASSERT_NE(part, nullptr);
    EXPECT_STREQ(part, "z.txt");
    EXPECT_EQ(GetFullPathNameA("abc", 2, buffer, nullptr), std::strlen(cwd) + 5); // size needed
    EXPECT_FALSE(SetCurrentDirectoryA((home() + "/missing").c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(SetCurrentDirectoryA(before));

    DWORD tempLength = GetTempPathA(MAX_PATH, buffer);
    ASSERT_GT(tempLength, 0u);
    EXPECT_EQ(buffer[tempLength - 1], '/');

    UINT number = GetTempFileNameA(home().c_str(), "vbtemp", 0, buffer);
    ASSERT_NE(number, 0u);
    char expected[MAX_PATH];
    std::snprintf(expected, sizeof expected, "%s/vbt%X.TMP", home().c_str(), number);
    EXPECT_STREQ(buffer, expected);
    EXPECT_EQ(GetFileAttributesA(buffer), DWORD(FILE_ATTRIBUTE_NORMAL)); // created, empty
    EXPECT_EQ(GetTempFileNameA(home().c_str(), "x", 0x1AB, buffer), 0x1ABu);
    EXPECT_EQ(std::string(buffer), home() + "/x1AB.TMP");
    EXPECT_EQ(GetFileAttributesA(buffer), INVALID_FILE_ATTRIBUTES); // a given number creates nothing

    EXPECT_EQ(GetShortPathNameA(expected, buffer, MAX_PATH), std::strlen(expected));
    EXPECT_STREQ(buffer, expected);
}

} // namespace
