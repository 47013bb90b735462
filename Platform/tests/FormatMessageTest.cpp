#include "plat/errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace {

std::string systemMessage(DWORD id, DWORD& result)
{
    char* text = nullptr;
    result = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, id, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string out = text ? text : "";
    LocalFree(text);
    return out;
}

TEST(FormatMessage, FixedTextsEndWithLineBreak)
{
    const DWORD ids[] = {2, 3, 5, 6, 8, 18, 32, 80, 87, 122, 145, 183, 259, 1008, 1444, 1460, DWORD(E_FAIL),
        DWORD(E_NOTIMPL), DWORD(E_NOINTERFACE), DWORD(E_POINTER), DWORD(E_ABORT), DWORD(E_UNEXPECTED)};
    for (DWORD id : ids) {
        DWORD length = 0;
        std::string text = systemMessage(id, length);
        ASSERT_GT(text.size(), 2u) << id;
        EXPECT_EQ(length, text.size()) << id;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << id;
    }
    DWORD length;
    EXPECT_EQ(systemMessage(5, length), "Access is denied.\r\n");
    EXPECT_EQ(systemMessage(DWORD(E_FAIL), length), "Unspecified error\r\n");
}

TEST(FormatMessage, Win32FacilityHresultsHaveNoText)
{
    for (DWORD id : {0x80070002u, 0x00070002u, DWORD(E_OUTOFMEMORY), 0x12345u}) {
        SetLastError(0);
        DWORD length = 99;
        EXPECT_EQ(systemMessage(id, length), "") << std::hex << id;
        EXPECT_EQ(length, 0u);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_MR_MID_NOT_FOUND));
    }
}

TEST(FormatMessage, CallerBufferAndInserts)
{
    char small[8];
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 2, 0, small,
                  sizeof small, nullptr),
        0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));

    char buffer[64];
    DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>("file.txt"), 42};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, "%1 has%b%2!d! bytes%%%n",
        0, 0, buffer, sizeof buffer, args);
    EXPECT_STREQ(buffer, "file.txt has 42 bytes%\r\n");
    EXPECT_EQ(n, 24u);
    FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS, "%1 stays", 0, 0, buffer,
        sizeof buffer, nullptr);
    EXPECT_STREQ(buffer, "%1 stays");
}

TEST(LastError, ErrnoMapsToWin32Numbers)
{
    struct Case {
        int err;
        DWORD code;
    };
    const Case cases[] = {{ENOENT, 2}, {ENOTDIR, 3}, {EACCES, 5}, {EPERM, 5}, {EBADF, 6}, {ENOMEM, 8},
        {EINVAL, 87}, {ENOSPC, 112}, {ENAMETOOLONG, 206}, {ENOTEMPTY, 145}};
    for (const Case& c : cases)
        EXPECT_EQ(vntWin32ErrorFromErrno(c.err), c.code) << c.err;
    EXPECT_EQ(vntWin32ErrorFromErrno(EEXIST), 80u);
    EXPECT_EQ(vntWin32ErrorFromErrno(EEXIST, ERROR_ALREADY_EXISTS), 183u);
}

} // namespace
