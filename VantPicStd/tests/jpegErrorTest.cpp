#include "jpegError.h"

#include <jerror.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(jpegErrorMgr, FormatsFromTheLibraryTableTheAddOnTableOrMessageZero)
{
    jpegErrorMgr err{};
    jpegInitErrorMgr(&err);
    jpeg_compress_struct owner{};
    owner.err = &err;
    const auto cinfo = reinterpret_cast<j_common_ptr>(&owner);

    const std::string longText(250, 'a');
    const char* const addon[] = {nullptr, "Add-on %d", "Add-on %s", longText.c_str()};
    err.addon_message_table = addon;
    err.first_addon_message = 1000;
    err.last_addon_message = 1003;

    const struct {
        int code;
        int param;
        const char* text;
        std::string expected;
    } cases[] = {
        {JERR_NO_SOI, 0, nullptr, "Not a JPEG file: starts with 0x50 0x4b"},
        {1001, 42, nullptr, "Add-on 42"},
        {1002, 0, "word", "Add-on word"},
        {1003, 0, nullptr, std::string(199, 'a')},
        {err.last_jpeg_message + 1, 0, nullptr, "Bogus message code " + std::to_string(err.last_jpeg_message + 1)},
        {-3, 0, nullptr, "Bogus message code -3"},
    };
    for (const auto& c : cases) {
        err.msg_code = c.code;
        err.msg_parm.i[0] = c.code == JERR_NO_SOI ? 0x50 : c.param;
        err.msg_parm.i[1] = 0x4b;
        if (c.text)
            std::strcpy(err.msg_parm.s, c.text);
        char buffer[JMSG_LENGTH_MAX];
        std::memset(buffer, 'x', sizeof buffer);
        err.format_message(cinfo, buffer);
        EXPECT_EQ(std::string(buffer), c.expected) << c.code;
    }
    err.num_warnings = 4;
    err.reset_error_mgr(cinfo);
    EXPECT_EQ(err.num_warnings, 0);
    EXPECT_EQ(err.msg_code, 0);
    EXPECT_EQ(err.trace_level, 0);
    EXPECT_EQ(err.last_jpeg_message, JMSG_LASTMSGCODE - 1);
}
