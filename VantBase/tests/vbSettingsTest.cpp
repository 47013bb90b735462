#include "vbTypesTestUtil.h"

#include "vbSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

using vbtypes::expectEsys;

namespace {

std::string writeProfile(const std::string& text)
{
    std::string path = std::string(std::getenv("VANTREL_HOME")) + "/test.ini";
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(vbSettings, KeysThenValuesOnDemand)
{
    std::string path = writeProfile("; comment\r\n[Other]\r\nx=1\r\n[ Plugins ]\r\n  First = one  \r\n"
                                    "second=\"  quoted \"\r\nno equals here\r\n;third=3\r\nEmpty=\r\n[plugins]\r\nlater=2\r\n");
    vbSettings s;
    EXPECT_EQ(s.GetAll(path.c_str(), "PLUGINS"), 3);
    EXPECT_STREQ(s.GetKey(1), "First");
    EXPECT_STREQ(s.GetKey(2), "second");
    EXPECT_STREQ(s.GetKey(3), "Empty");

    // Values are read on first request and kept: a later change of the file is not seen.
    EXPECT_STREQ(s.GetValue(1), "one");
    writeProfile("[Plugins]\nFirst=changed\nsecond=new\n");
    EXPECT_STREQ(s.GetValue(1), "one");
    EXPECT_STREQ(s.GetValue(2), "new");

    vbSettings copy(s);
    EXPECT_EQ(copy.GetLength(), 3);
    EXPECT_STREQ(copy.GetValue(2), "new");
    expectEsys([&] { (void)s.GetKey(4); }, E_INVALIDARG, "vbArray.operator[](4) failure, bad index");
    expectEsys([&] { (void)s.GetValue(0); }, E_INVALIDARG, "vbArray.operator[](0) failure, bad index");
}

TEST(vbSettings, LongListsAreReadWhole)
{
    std::string text = "[Long]\n";
    for (int i = 0; i < 300; ++i)
        text += "key_with_a_rather_long_name_" + std::to_string(i) + "=" + std::string(250, 'v') + "\n";
    std::string path = writeProfile(text);
    vbSettings s;
    ASSERT_EQ(s.GetAll(path.c_str(), "Long"), 300); // far beyond 2048 bytes of names
    EXPECT_STREQ(s.GetKey(300), "key_with_a_rather_long_name_299");
    EXPECT_EQ(s.GetValue(300).GetLength(), 199);
}

TEST(vbSettings, BadArgumentsAndMissingFiles)
{
    vbSettings s;
    expectEsys([&] { s.GetAll("", "x"); }, E_FAIL, "vbSettings::GetAll() : invalid arg");
    expectEsys([&] { s.GetAll("f.ini", ""); }, E_FAIL, "vbSettings::GetAll(f.ini) : invalid arg");
    std::string missing = std::string(std::getenv("VANTREL_HOME")) + "/none.ini";
    EXPECT_EQ(s.GetAll(missing.c_str(), "Any"), 0);
    std::string path = writeProfile("[S]\n=orphan value\n");
    ASSERT_EQ(s.GetAll(path.c_str(), "S"), 1);
    expectEsys([&] { (void)s.GetValue(1); }, E_FAIL, "GetSetting(" + path + ") : invalid arg");
}

} // namespace
