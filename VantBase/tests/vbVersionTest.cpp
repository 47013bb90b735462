#include "vbTypesTestUtil.h"

#include "vbData.h"
#include "vbVersion.h"

#include <gtest/gtest.h>

#include <string>

using vbtypes::expectEsys;

namespace {

TEST(vbVersion, FromStrTakesFourPartsAndNothingElse)
{
    struct Case {
        const char* text;
        bool ok;
        DWORD high, low;
    } cases[] = {
        {"5.1,0.108", true, 0x00050001u, 0x0000006Cu},
        {"5,1,0,108", true, 0x00050001u, 0x0000006Cu},
        {" 1. +2.-1.4", true, 0x00010002u, 0xFFFF0004u},
        {"1.2.3.70000", true, 0x00010002u, 0x00031170u},
        {"5.1.0", false, 0, 0},
        {"5.1.0.108 ", false, 0, 0},
        {"5.1.0.108.1", false, 0, 0},
        {"5..0.108", false, 0, 0},
        {"5;1;0;108", false, 0, 0},
        {"", false, 0, 0},
        {"a.b.c.d", false, 0, 0},
    };
    for (const Case& c : cases) {
        vbVersion v(7, 8);
        EXPECT_EQ(v.FromStr(c.text, false), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v.GetHigh(), c.high) << c.text;
            EXPECT_EQ(v.GetLow(), c.low) << c.text;
        } else {
            EXPECT_EQ(v, vbVersion(7, 8)) << c.text; // unchanged
            EXPECT_TRUE(vbVersion(vbString(c.text), false).IsEmpty()) << c.text;
        }
    }
    expectEsys([] { vbVersion v(vbString("5.1.0"), true); }, E_FAIL,
        "vbVersion::vbVersion() : '5.1.0' is an invalid version string (format: x.x.x.x or x,x,x,x)");
}

TEST(vbVersion, TextFormsAndTheUnsetVersion)
{
    vbVersion unset;
    EXPECT_TRUE(unset.IsEmpty());
    EXPECT_TRUE(unset.IsAny());
    EXPECT_FALSE(unset.IsValid());
    EXPECT_STREQ(unset.ToStr('.', false), "");
    vbString all = unset.ToStr('.', true);
    EXPECT_STREQ(all, "-1.-1.-1.-1");
    EXPECT_TRUE(vbVersion(all, true).IsEmpty());

    vbVersion v(0x00050001u, 0x0000006Cu);
    EXPECT_STREQ(v.ToStr('.', false), "5.1.0.108");
    EXPECT_STREQ(static_cast<vbString>(v), "5,1,0,108");
    EXPECT_FALSE(vbVersion(0xFFFFFFFFu, 0).IsValid());
    EXPECT_FALSE(vbVersion(0xFFFFFFFFu, 0).IsEmpty());
}

TEST(vbVersion, CompareIsUnsignedWordByWord)
{
    vbVersion one(0x00010000u, 0), below(0x0000FFFFu, 0);
    EXPECT_EQ(one.Compare(below), 1); // 1.0.0.0 after 0.65535.0.0
    EXPECT_EQ(below.Compare(one), -1);
    EXPECT_EQ(one.Compare(vbVersion(0x00010000u, 0)), 0);
    EXPECT_TRUE(vbVersion(1, 0x80000000u) > vbVersion(1, 1));
    EXPECT_TRUE(vbVersion(1, 2) <= vbVersion(1, 2));
    EXPECT_TRUE(vbVersion() > vbVersion(0x7FFFFFFFu, 0));
}

TEST(vbVersion, VersionRecordsOfModuleFiles)
{
    std::string versioned = vbtypes::binDir() + "/plat_testmod_versioned.so", plain = vbtypes::binDir() + "/plat_testmod_plain.so";
    if (access(versioned.c_str(), R_OK) != 0 || access(plain.c_str(), R_OK) != 0)
        GTEST_SKIP() << "test modules not built";

    vbData info;
    ASSERT_TRUE(vbGetVersionInfo(versioned.c_str(), &info));
    EXPECT_GT(info.GetLength(), 0);
    unsigned int len = 0;
    VS_FIXEDFILEINFO* fi = vbGetVersionRoot(info, &len);
    ASSERT_NE(fi, nullptr);
    EXPECT_EQ(len, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fi->dwSignature, VS_FFI_SIGNATURE);
    EXPECT_STREQ(vbGetVersionLangCodePage(info, nullptr), "040904E4");
    EXPECT_STREQ(vbGetVersionString(info, "040904E4", "ProductName"), "Vantrel Test Module");
    EXPECT_STREQ(vbGetVersionString(info, "040904E4", "NoSuchKey"), "");

    vbVersion file = vbGetFileVersion(versioned.c_str(), true);
    EXPECT_STREQ(file.ToStr('.', false), "1.2.3.4");
    EXPECT_STREQ(vbGetProductName(versioned.c_str(), false), "Vantrel Test Module");
    vbVersion product = vbGetProductVersion(versioned.c_str(), true);
    EXPECT_TRUE(product.IsValid());
    EXPECT_STREQ(vbGetProductName(versioned.c_str(), true), "Vantrel Test Module " + product.ToStr('.', false));

    EXPECT_FALSE(vbGetVersionInfo(plain.c_str(), nullptr));
    EXPECT_STREQ(vbGetProductName(plain.c_str(), true), "plat_testmod_plain");
    EXPECT_TRUE(vbGetFileVersion(plain.c_str(), false).IsEmpty());
    expectEsys([&] { (void)vbGetFileVersion(plain.c_str(), true); }, E_FAIL,
        "vbGetFileVersion(" + plain + ") : file doesn't have version");
    expectEsys([&] { (void)vbGetProductVersion(plain.c_str(), true); }, E_FAIL,
        "vbGetProductVersion(" + plain + ") : file doesn't have version");

    vbData none;
    EXPECT_EQ(vbGetVersionRoot(none), nullptr);
    EXPECT_STREQ(vbGetVersionLangCodePage(none, "dflt"), "dflt");
    EXPECT_FALSE(vbGetVersionInfo("", nullptr));
}

} // namespace
