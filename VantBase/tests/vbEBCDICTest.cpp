#include "vbTypesTestUtil.h"

#include "vbData.h"
#include "vbEBCDIC.h"
#include "vbString.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using vbtypes::expectEsys;
using vbtypes::hexBytes;

namespace {

std::string hexOf(const vbData& d) { return hexBytes(static_cast<const void*>(d), static_cast<size_t>(d.GetLength())); }

std::string homeFile(const char* name) { return std::string(std::getenv("VANTREL_HOME")) + "/" + name; }

std::string writeFile(const char* name, const std::string& content)
{
    std::string path = homeFile(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    return path;
}

// 512 distinct-looking bytes: the to-ASCII table, then the to-EBCDIC table.
std::vector<unsigned char> sampleTables()
{
    std::vector<unsigned char> bytes(512);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 37 + 11 + i / 256);
    return bytes;
}

// 32 lines of 32 upper-case hex digits.
std::string mapFileText(const std::vector<unsigned char>& bytes, const char* lineEnd)
{
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
        text += hex;
        if (i % 16 == 15)
            text += lineEnd;
    }
    return text;
}

std::string pairs(const char* pair, int count)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s += pair;
    return s;
}

TEST(TEBCDICmap, DefaultCodePageConvertsBothWays)
{
    TEBCDICmap map;
    map.DefaultCodePage();
    EXPECT_EQ(map.ToASCII(0xC1), 0x41);
    EXPECT_EQ(map.ToASCII(0x40), 0x20);
    EXPECT_EQ(map.ToASCII(0x41), 0x20);
    EXPECT_EQ(map.ToASCII(0x05), 0x01);
    EXPECT_EQ(map.ToASCII(0x3F), 0x01);
    EXPECT_EQ(map.ToASCII(0x00), 0x20);
    EXPECT_EQ(map.ToASCII(0xFF), 0xFF);
    EXPECT_EQ(map.ToASCII(0xF9), 0x39);
    // The lowest of several codes of one byte.
    EXPECT_EQ(map.ToEBCDIC(0x20), 0x40);
    EXPECT_EQ(map.ToEBCDIC(0x5C), 0x48);
    EXPECT_EQ(map.ToEBCDIC(0xFF), 0xDF);
    EXPECT_EQ(map.ToEBCDIC(0x41), 0xC1);
    EXPECT_EQ(map.ToEBCDIC(0x80), 0x00);
    EXPECT_EQ(map.ToEBCDIC(0x1F), 0x00);
    // Every code the derivation gives back leads to its byte again.
    for (int v = 0x21; v <= 0xFF; ++v) {
        unsigned char e = map.ToEBCDIC(static_cast<unsigned char>(v));
        if (e) {
            EXPECT_EQ(map.ToASCII(e), v) << std::hex << v;
        }
    }
}

TEST(TEBCDICmap, InactiveAndNullMaps)
{
    TEBCDICmap map;
    EXPECT_FALSE(map.IsActive());
    for (int c : {0x00, 0x41, 0xC1, 0xFF}) {
        EXPECT_EQ(map.ToASCII(static_cast<unsigned char>(c)), c);
        EXPECT_EQ(map.ToEBCDIC(static_cast<unsigned char>(c)), c);
    }
    // The buffer forms use the tables even while inactive; a new map's are 0.
    const unsigned char src[3] = {0x41, 0xC1, 0xFF};
    unsigned char dst[3] = {9, 9, 9};
    map.ToASCII(src, dst, 3);
    EXPECT_EQ(hexBytes(dst, 3), "00 00 00");

    map.NullCodePage();
    EXPECT_TRUE(map.IsActive());
    for (int c : {0x00, 0x20, 0x41, 0xC1, 0xFF}) {
        EXPECT_EQ(map.ToASCII(static_cast<unsigned char>(c)), 0);
        EXPECT_EQ(map.ToEBCDIC(static_cast<unsigned char>(c)), 0);
    }
    vbString text = map.ToASCII(vbString("abc"));
    EXPECT_EQ(text.GetLength(), 3);
    EXPECT_EQ(hexBytes(text.c_str(), 3), "00 00 00");
}

TEST(TEBCDICmap, StringFormsAndCopies)
{
    TEBCDICmap map;
    map.DefaultCodePage();
    vbString ebcdic = map.ToEBCDIC(vbString("AB 9"));
    EXPECT_EQ(hexBytes(ebcdic.c_str(), 4), "C1 C2 40 F9");
    EXPECT_EQ(std::string(map.ToASCII(ebcdic).c_str()), "AB 9");
    EXPECT_EQ(map.ToEBCDIC(vbString()).GetLength(), 0);

    TEBCDICmap copy;
    copy = map;
    map.NullCodePage();
    EXPECT_TRUE(copy.IsActive());
    EXPECT_EQ(copy.ToASCII(0xC1), 0x41);
    EXPECT_EQ(copy.ToEBCDIC(0x5C), 0x48);
}

TEST(TEBCDICmap, MapFileWithPairedLineEndsFillsBothTables)
{
    std::vector<unsigned char> bytes = sampleTables();
    TEBCDICmap map;
    map.LoadCodePage(writeFile("crlf.map", mapFileText(bytes, "\r\n")).c_str());
    EXPECT_TRUE(map.IsActive());
    for (int c = 0; c < 256; ++c) {
        unsigned char ascii = c == 0 ? 0x20 : c < 0x40 ? 0x01 : bytes[static_cast<size_t>(c)];
        EXPECT_EQ(map.ToASCII(static_cast<unsigned char>(c)), ascii) << c;
        EXPECT_EQ(map.ToEBCDIC(static_cast<unsigned char>(c)), bytes[256 + static_cast<size_t>(c)]) << c;
    }
}

TEST(TEBCDICmap, MapFileWithSingleLineEndsLosesThePairing)
{
    std::vector<unsigned char> bytes = sampleTables();
    TEBCDICmap map;
    map.LoadCodePage(writeFile("lf.map", mapFileText(bytes, "\n")).c_str());
    // Line 1 gives 16 bytes, odd lines 15 (their first and last digit pair with a line end),
    // even lines 16: EBCDIC 0x40 is the third byte of line 4 instead of its first.
    EXPECT_EQ(map.ToASCII(0x40), bytes[66]);
    int differences = 0;
    for (int c = 0x40; c < 256; ++c)
        differences += map.ToASCII(static_cast<unsigned char>(c)) != bytes[static_cast<size_t>(c)];
    EXPECT_GT(differences, 150);
}

TEST(TEBCDICmap, MapFilePairRules)
{
    struct Case {
        const char* pair;
        int value; // -1: skipped
    } cases[] = {
        {"41", 0x41}, {"4:", 0x40}, {"F@", 0xF0}, {"@F", 0x0F}, {";9", 0x09},
        {"4a", -1}, {"a4", -1}, {"4 ", -1}, {"G0", -1}, {"/0", -1},
    };
    for (const Case& c : cases) {
        // The pair lands on EBCDIC 0x40 when it counts; "42" follows it.
        TEBCDICmap map;
        map.LoadCodePage(writeFile("pair.map", pairs("00", 64) + c.pair + "42").c_str());
        if (c.value >= 0) {
            EXPECT_EQ(map.ToASCII(0x40), c.value) << c.pair;
            EXPECT_EQ(map.ToASCII(0x41), 0x42) << c.pair;
        } else {
            EXPECT_EQ(map.ToASCII(0x40), 0x42) << c.pair;
            EXPECT_EQ(map.ToASCII(0x41), 0x00) << c.pair;
        }
    }
}

TEST(TEBCDICmap, ShortMapFileLeavesTheRestZero)
{
    std::string text = pairs("7F", 64);
    for (int i = 0; i < 16; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", 0xA0 + i);
        text += hex;
    }
    TEBCDICmap map;
    map.DefaultCodePage();
    map.LoadCodePage(writeFile("short.map", text).c_str());
    EXPECT_EQ(map.ToASCII(0x00), 0x20);
    for (int c = 1; c < 0x40; ++c)
        EXPECT_EQ(map.ToASCII(static_cast<unsigned char>(c)), 0x01) << c;
    for (int c = 0x40; c < 0x50; ++c)
        EXPECT_EQ(map.ToASCII(static_cast<unsigned char>(c)), 0xA0 + c - 0x40) << c;
    for (int c = 0x50; c < 256; ++c)
        EXPECT_EQ(map.ToASCII(static_cast<unsigned char>(c)), 0) << c;
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(map.ToEBCDIC(static_cast<unsigned char>(c)), 0) << c;
}

TEST(TEBCDICmap, MapFileIsReadUpTo4000Bytes)
{
    // Pairs of blanks count for nothing but their place.
    std::string head = pairs("00", 64);
    std::string within = head + std::string(3998 - head.size(), ' ') + "41";
    std::string beyond = head + std::string(4000 - head.size(), ' ') + "41";
    TEBCDICmap map;
    map.LoadCodePage(writeFile("within.map", within).c_str());
    EXPECT_EQ(map.ToASCII(0x40), 0x41);
    map.LoadCodePage(writeFile("beyond.map", beyond).c_str());
    EXPECT_EQ(map.ToASCII(0x40), 0x00);
}

TEST(TEBCDICmap, UnopenableMapFileThrowsAndKeepsTheMap)
{
    TEBCDICmap map;
    map.DefaultCodePage();
    std::string missing = homeFile("missing.map");
    std::string folder = std::getenv("VANTREL_HOME");
    for (const std::string& file : {missing, folder}) {
        expectEsys([&] { map.LoadCodePage(file.c_str()); }, static_cast<HRESULT>(0x80004005),
            "Can't open code page file '" + file + "' !");
    }
    EXPECT_EQ(map.ToASCII(0xC1), 0x41);
}

TEST(vbDataEBCDIC, FFBytesAreDoubledAndCounted)
{
    vbData d;
    int doubled = 0;
    const unsigned char bytes[3] = {0x41, 0xFF, 0x42};
    d.AddEBCDICnc(bytes, 3, &doubled);
    EXPECT_EQ(hexOf(d), "41 FF FF 42");
    EXPECT_EQ(doubled, 1);
    EXPECT_EQ(d.GetEBCDIClength(), 3);

    // The count grows; a block may be appended to itself.
    d.AddEBCDICnc(d, &doubled);
    EXPECT_EQ(hexOf(d), "41 FF FF 42 41 FF FF FF FF 42");
    EXPECT_EQ(doubled, 3);
    EXPECT_EQ(d.GetEBCDIClength(), 7);

    d.AddEBCDICnc(bytes, 0, &doubled);
    d.AddEBCDICnc(bytes, -1, &doubled);
    EXPECT_EQ(d.GetLength(), 10);
    EXPECT_EQ(doubled, 3);
    d.AddEBCDICnc(vbString("\xFF"));
    EXPECT_EQ(d.GetLength(), 12);
}

TEST(vbDataEBCDIC, LengthCountsLoneFFBytesOnce)
{
    struct Case {
        std::vector<unsigned char> bytes;
        int length;
    } cases[] = {
        {{}, 0},
        {{0xFF}, 1},
        {{0x41, 0xFF}, 2},
        {{0xFF, 0xFF, 0xFF}, 2},
        {{0xFF, 0x41, 0xFF, 0xFF}, 3},
    };
    for (const Case& c : cases) {
        vbData d;
        if (!c.bytes.empty())
            d.SetData(c.bytes.data(), static_cast<int>(c.bytes.size()));
        EXPECT_EQ(d.GetEBCDIClength(), c.length) << hexBytes(c.bytes);
    }
}

TEST(vbDataEBCDIC, AddEBCDICConvertsWhileTheMapIsActive)
{
    TEBCDICmap map;
    vbData d;
    d.AddEBCDIC(map, vbString("AB"));
    EXPECT_EQ(hexOf(d), "41 42");

    map.DefaultCodePage();
    d.Clear();
    d.AddEBCDIC(map, vbString("AB"));
    vbData source("A\xFF", 2);
    int doubled = 0;
    d.AddEBCDIC(map, source, &doubled);
    EXPECT_EQ(hexOf(d), "C1 C2 C1 DF");
    EXPECT_EQ(doubled, 0);

    // A map that gives 0xFF for 'A'.
    std::string text = pairs("00", 256) + pairs("00", 0x41) + "FF";
    map.LoadCodePage(writeFile("ff.map", text).c_str());
    d.Clear();
    d.AddEBCDIC(map, "A", 1, &doubled);
    EXPECT_EQ(hexOf(d), "FF FF");
    EXPECT_EQ(doubled, 1);
    EXPECT_EQ(d.GetEBCDIClength(), 1);
}

TEST(vbDataEBCDIC, NullSourceIsRefused)
{
    vbData d("x", 1);
    TEBCDICmap map;
    expectEsys([&] { d.AddEBCDICnc(nullptr, 2); }, E_INVALIDARG, "vbData::AddEBCDIC(lg=2) : bad arg");
    expectEsys([&] { d.AddEBCDIC(map, nullptr, 1); }, E_INVALIDARG, "vbData::AddEBCDIC(lg=1) : bad arg");
    EXPECT_EQ(hexOf(d), "78");
}

} // namespace
