#include "LogFileReader.h"
#include "vbTypesTestUtil.h"

#include "vbColor.h"
#include "vbEngine.h"
#include "vbRegKey.h"

#include "plat/gdi.h"
#include "plat/sysmetrics.h"
#include "plat/testhooks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using vbtypes::expectEsys;

namespace {

std::string textOf(const vbColor& c)
{
    vbString text = c;
    return text.c_str();
}

// The centre in use (so that the colour engine starts on demand); the platform's test colours
// and version are put back after each test.
class vbColorTest : public ::testing::Test {
protected:
    void SetUp() override { m_use.StartUse(true); }
    void TearDown() override
    {
        m_use.StopUse();
        vntTestResetSysColors();
        vntTestSetOsMajorVersion(0);
    }

    vbUseEngineCenter m_use;
};

TEST_F(vbColorTest, TextFormsReadAndWritten)
{
    struct Case {
        const char* text;
        DWORD value;
        const char* written;
    };
    const Case cases[] = {
        {"#FF8000", 0x000080FF, "#FF8000"},
        {"FF8000", 0x000080FF, "#FF8000"},
        {"#ff8000", 0x000080FF, "#FF8000"},
        {"CYAN", 0x00FFFF00, "aqua"},
        {"Fuchsia", 0x00FF00FF, "magenta"},
        {"null", 0xFFFFFFFF, "null"},
        {"navy", 0x00800000, "navy"},
        {"gold", 0x0000D7FF, "gold"},
        {"aliceblue", 0x00FFF8F0, "aliceblue"},
        {"#", 0x00000000, "black"},
        {"#12345678", 0x00785634, "#345678"},
        {"scrollbar", 0x80000000, "scrollbar"},
        {"HotLight", 0x8500801A, "hotlight"},
        {"#010203", 0x00030201, "#010203"},
    };
    for (const Case& c : cases) {
        vbColor color;
        EXPECT_TRUE(color.Set(c.text, true)) << c.text;
        EXPECT_EQ(color, c.value) << c.text;
        EXPECT_EQ(textOf(color), c.written) << c.text;
    }
    // A reference that no name stands for, and the top byte of a plain colour kept as stored.
    EXPECT_EQ(textOf(vbColor(0x80000030)), "");
    EXPECT_EQ(textOf(vbColor(0x12030201)), "#12010203");
}

TEST_F(vbColorTest, BadTextKeepsTheValue)
{
    vbColor color(0x00010203);
    EXPECT_FALSE(color.Set("", true)) << "empty text is no colour, and no error";
    expectEsys([&] { color.Set("bogus", true); }, E_FAIL, "vbColor::Set(bogus) : bad color string");
    expectEsys([&] { color.Set("#XYZ", true); }, E_FAIL, "vbColor::Set(XYZ) : bad color string");
    for (const char* bad : {"bogus", "#12 34", "#-1", "#123456789", "0x", "# "}) {
        EXPECT_FALSE(color.Set(bad, false)) << bad;
        EXPECT_EQ(color, 0x00010203u) << bad;
    }
    EXPECT_NE(readLogFile().find("ERROR: vbColor::Set(bogus) : bad color string"), std::string::npos);
}

TEST_F(vbColorTest, NameTableInItsOrder)
{
    static const char* const systemNames[] = {"scrollbar", "background", "activecaption", "inactivecaption", "menu",
        "window", "windowframe", "menutext", "windowtext", "captiontext", "activeborder", "inactiveborder",
        "appworkspace", "highlight", "highlighttext", "btnface", "btnshadow", "graytext", "btntext",
        "inactivecaptiontext", "btnhighlight", "3DdkShadow", "3Dlight", "infotext", "infobk"};
    // The web colours as they are usually written, RRGGBB.
    static const struct {
        const char* name;
        const char* rgb;
    } webColors[] = {
        {"aliceblue", "F0F8FF"}, {"ghostwhite", "F8F8FF"}, {"navajowhite", "FFDEAD"}, {"antiquewhite", "FAEBD7"},
        {"gold", "FFD700"}, {"navy", "000080"}, {"aqua", "00FFFF"}, {"goldenrod", "DAA520"}, {"oldlace", "FDF5E6"},
        {"aquamarine", "7FFFD4"}, {"gray", "808080"}, {"olive", "808000"}, {"azure", "F0FFFF"}, {"green", "008000"},
        {"olivedrab", "6B8E23"}, {"beige", "F5F5DC"}, {"greenyellow", "ADFF2F"}, {"orange", "FFA500"},
        {"bisque", "FFE4C4"}, {"honeydew", "F0FFF0"}, {"orangered", "FF4500"}, {"black", "000000"},
        {"hotpink", "FF69B4"}, {"orchid", "DA70D6"}, {"blanchedalmond", "FFEBCD"}, {"indianred", "CD5C5C"},
        {"palegoldenrod", "EEE8AA"}, {"blue", "0000FF"}, {"indigo", "4B0082"}, {"palegreen", "98FB98"},
        {"blueviolet", "8A2BE2"}, {"ivory", "FFFFF0"}, {"paleturquoise", "AFEEEE"}, {"brown", "A52A2A"},
        {"khaki", "F0E68C"}, {"palevioletred", "DB7093"}, {"burlywood", "DEB887"}, {"lavender", "E6E6FA"},
        {"papayawhip", "FFEFD5"}, {"cadetblue", "5F9EA0"}, {"lavenderblush", "FFF0F5"}, {"peachpuff", "FFDAB9"},
        {"chartreuse", "7FFF00"}, {"lawngreen", "7CFC00"}, {"peru", "CD853F"}, {"chocolate", "D2691E"},
        {"lemonchiffon", "FFFACD"}, {"pink", "FFC0CB"}, {"coral", "FF7F50"}, {"lightblue", "ADD8E6"},
        {"plum", "DDA0DD"}, {"cornflowerblue", "6495ED"}, {"lightcoral", "F08080"}, {"powderblue", "B0E0E6"},
        {"cornsilk", "FFF8DC"}, {"lightcyan", "E0FFFF"}, {"purple", "800080"}, {"crimson", "DC143C"},
        {"lightgoldenrodyellow", "FAFAD2"}, {"red", "FF0000"}, {"cyan", "00FFFF"}, {"lightgreen", "90EE90"},
        {"rosybrown", "BC8F8F"}, {"darkblue", "00008B"}, {"lightgrey", "D3D3D3"}, {"royalblue", "4169E1"},
        {"darkcyan", "008B8B"}, {"lightpink", "FFB6C1"}, {"saddlebrown", "8B4513"}, {"darkgoldenrod", "B8860B"},
        {"lightsalmon", "FFA07A"}, {"salmon", "FA8072"}, {"darkgray", "A9A9A9"}, {"lightseagreen", "20B2AA"},
        {"sandybrown", "F4A460"}, {"darkgreen", "006400"}, {"lightskyblue", "87CEFA"}, {"seagreen", "2E8B57"},
        {"darkkhaki", "BDB76B"}, {"lightslategray", "778899"}, {"seashell", "FFF5EE"}, {"darkmagenta", "8B008B"},
        {"lightsteelblue", "B0C4DE"}, {"sienna", "A0522D"}, {"darkolivegreen", "556B2F"}, {"lightyellow", "FFFFE0"},
        {"silver", "C0C0C0"}, {"darkorange", "FF8C00"}, {"lime", "00FF00"}, {"skyblue", "87CEEB"},
        {"darkorchid", "9932CC"}, {"limegreen", "32CD32"}, {"slateblue", "6A5ACD"}, {"darkred", "8B0000"},
        {"linen", "FAF0E6"}, {"slategray", "708090"}, {"darksalmon", "E9967A"}, {"magenta", "FF00FF"},
        {"snow", "FFFAFA"}, {"darkseagreen", "8FBC8F"}, {"maroon", "800000"}, {"springgreen", "00FF7F"},
        {"darkslateblue", "483D8B"}, {"mediumaquamarine", "66CDAA"}, {"steelblue", "4682B4"},
        {"darkslategray", "2F4F4F"}, {"mediumblue", "0000CD"}, {"tan", "D2B48C"}, {"darkturquoise", "00CED1"},
        {"mediumorchid", "BA55D3"}, {"teal", "008080"}, {"darkviolet", "9400D3"}, {"mediumpurple", "9370DB"},
        {"thistle", "D8BFD8"}, {"deeppink", "FF1493"}, {"mediumseagreen", "3CB371"}, {"tomato", "FF6347"},
        {"deepskyblue", "00BFFF"}, {"mediumslateblue", "7B68EE"}, {"turquoise", "40E0D0"}, {"dimgray", "696969"},
        {"mediumspringgreen", "00FA9A"}, {"violet", "EE82EE"}, {"dodgerblue", "1E90FF"},
        {"mediumturquoise", "48D1CC"}, {"wheat", "F5DEB3"}, {"firebrick", "B22222"}, {"mediumvioletred", "C71585"},
        {"white", "FFFFFF"}, {"floralwhite", "FFFAF0"}, {"midnightblue", "191970"}, {"whitesmoke", "F5F5F5"},
        {"forestgreen", "228B22"}, {"mintcream", "F5FFFA"}, {"yellow", "FFFF00"}, {"fuchsia", "FF00FF"},
        {"mistyrose", "FFE4E1"}, {"yellowgreen", "9ACD32"}, {"gainsboro", "DCDCDC"}, {"moccasin", "FFE4B5"},
    };
    int count = 0;
    while (g_vbArrClrName[count].name)
        ++count;
    ASSERT_EQ(count, 169);
    EXPECT_STREQ(g_vbArrClrName[0].name, "null");
    EXPECT_EQ(g_vbArrClrName[0].value, vbNULLCOLOR);
    int i = 1;
    for (const char* name : systemNames) {
        EXPECT_STREQ(g_vbArrClrName[i].name, name);
        EXPECT_EQ(g_vbArrClrName[i].value, 0x80000000u + DWORD(i - 1)) << name;
        ++i;
    }
    for (auto [name, value] : {std::pair<const char*, DWORD>{"hotlight", 0x8500801A},
             {"gradientactivecaption", 0x8500201B}, {"gradientinactivecaption", 0x8500301C}}) {
        EXPECT_STREQ(g_vbArrClrName[i].name, name);
        EXPECT_EQ(g_vbArrClrName[i].value, value) << name;
        ++i;
    }
    ASSERT_EQ(int(std::size(webColors)), 140);
    for (const auto& web : webColors) {
        EXPECT_STREQ(g_vbArrClrName[i].name, web.name);
        vbColor written;
        ASSERT_TRUE(written.Set(vbString("#") + web.rgb, true));
        EXPECT_EQ(written, g_vbArrClrName[i].value) << web.name;
        ++i;
    }
}

TEST_F(vbColorTest, SystemColoursAndBadIds)
{
    EXPECT_EQ(g_vbColorEngine.GetRgb(0x80000015, 0), GetSysColor(21));
    EXPECT_EQ(g_vbColorEngine.GetRgb(0x8500801A, 0), GetSysColor(26)) << "major version 5";
    EXPECT_EQ(g_vbColorEngine.GetRgb(0x7F123456, 0), 0x7F123456u) << "plain colours unchanged";
    EXPECT_FALSE(g_vbColorEngine.IsColorNull(0x80000015, 0));
    EXPECT_TRUE(g_vbColorEngine.IsColorNull(vbNULLCOLOR, 0));
    expectEsys([] { g_vbColorEngine.GetRgb(0x80000030, 0); }, E_FAIL, "vbColorEngine()::GetRgb(), bad color id (30)");
    expectEsys([] { g_vbColorEngine.IsColorNull(0x800000FF, 0); }, E_FAIL,
        "vbColorEngine()::GetRgb(), bad color id (FF)");
    expectEsys([] { g_vbColorEngine.GetRgb(vbNULLCOLOR, 0); }, E_FAIL,
        "vbColorEngine()::GetRgb(), color is NULL (vbNULLCOLOR)");
    expectEsys([] { g_vbColorEngine.GetRgb(0x80000101, 0); }, E_FAIL,
        "vbColorEngine()::GetRgb(), bad user color index (2,nb user colors=0)");

    // The cache keeps the first answer until told that the system colours changed.
    const DWORD window = g_vbColorEngine.GetRgb(0x80000005, 0);
    vntTestSetSysColor(COLOR_WINDOW, 0x00123456);
    vntTestSetSysColor(47, 0x00654321);
    EXPECT_EQ(g_vbColorEngine.GetRgb(0x80000005, 0), window);
    g_vbColorEngine.SysChanges();
    EXPECT_EQ(g_vbColorEngine.GetRgb(0x80000005, 0), 0x00123456u);
    EXPECT_EQ(g_vbColorEngine.GetRgb(0x8000002F, 0), 0x00654321u);
}

TEST_F(vbColorTest, FallbackIdsOnAnOlderSystem)
{
    vntTestSetOsMajorVersion(4);
    // A centre of its own: the process's centre has read the real version already.
    vbEngineCenter center;
    vbColorEngine engine(&center, "colour engine on version 4");
    vbUseEngineCenter use(&center, true);
    EXPECT_EQ(engine.GetRgb(0x8500801A, 0), GetSysColor(8));
    EXPECT_EQ(engine.GetRgb(0x8500201B, 0), GetSysColor(2));
    EXPECT_EQ(engine.GetRgb(0x80000015, 0), GetSysColor(21)) << "no minimum version";
    EXPECT_EQ(engine.GetRgb(0x8400801A, 0), GetSysColor(26)) << "version 4 is enough";
}

TEST_F(vbColorTest, UserColourChainsAndLoops)
{
    vbColorType second(nullptr, nullptr, "SecondColour", "second colour", "Tests", 0x00112233);
    vbColorType first(nullptr, nullptr, "FirstColour", "first colour", "Tests", 0x00000000);
    second.Start();
    first.Start();
    EXPECT_EQ(second.GetRef(), 0x80000100u) << "the first user colour";
    EXPECT_EQ(first.GetRef(), 0x80000101u);
    EXPECT_EQ(g_vbColorEngine.GetUserColor("firstCOLOUR"), first.GetRef());
    EXPECT_EQ(g_vbColorEngine.GetUserColor("nobody"), vbNULLCOLOR);
    EXPECT_STREQ(g_vbColorEngine.GetUserColorName(2), "FirstColour");
    EXPECT_STREQ(g_vbColorEngine.GetUserColorName(3), "");

    first.SetColor(second.GetRef());
    EXPECT_EQ(DWORD(first), 0x00112233u) << "through both";
    second.SetColor(0x00445566);
    EXPECT_EQ(DWORD(vbColor(first)), 0x00445566u);

    // Text forms name user colours, and read them back.
    vbColor byName;
    ASSERT_TRUE(byName.Set("secondcolour", true));
    EXPECT_EQ(byName, second);
    EXPECT_EQ(textOf(byName), "SecondColour");

    second.SetColor(first.GetRef());
    try {
        g_vbColorEngine.GetRgb(first.GetRef(), 0);
        ADD_FAILURE() << "a loop must fail";
    } catch (vbEsys* e) {
        const std::string msg = e->GetMsg();
        e->Delete();
        EXPECT_EQ(msg.rfind("vbColorEngine()::GetRgb(), too many recursive calls (", 0), 0u) << msg;
        const std::string end = ",nb rec calls=11)";
        EXPECT_EQ(msg.substr(msg.size() - end.size()), end) << msg;
    }

    // A chain that ends at no colour.
    second.Default();
    second.SetDfltColor(vbNULLCOLOR);
    EXPECT_TRUE(vbColor(first).IsNull());
    EXPECT_FALSE(vbColor(first).Empty()) << "already null";

    // A stopped engine knows no user colours (its types stop first).
    g_vbColorEngine.Stop();
    EXPECT_EQ(g_vbColorEngine.GetUserColor("FirstColour"), vbNULLCOLOR);
    EXPECT_STREQ(g_vbColorEngine.GetUserColorName(1), "");
}

TEST_F(vbColorTest, FreedSlotsAreTakenFirst)
{
    vbColorType a(nullptr, nullptr, "A", "a", nullptr, 0x000001);
    vbColorType b(nullptr, nullptr, "B", "b", nullptr, 0x000002);
    vbColorType c(nullptr, nullptr, "C", "c", nullptr, 0x000003);
    a.Start();
    b.Start();
    a.Stop();
    EXPECT_EQ(g_vbColorEngine.GetUserColor("A"), vbNULLCOLOR);
    EXPECT_STREQ(g_vbColorEngine.GetUserColorName(1), "A") << "a freed slot keeps its name";
    c.Start();
    EXPECT_EQ(c.GetRef(), 0x80000100u);
    EXPECT_EQ(DWORD(c), 0x000003u);
}

TEST_F(vbColorTest, SettingsInTheRegistry)
{
    const char* userKey = "Software\\KVX Vantrel\\Colors\\TestSetting";
    vbRegKey(vbRegVantColors, "TestSetting").SetValue("Value", vbVariant("bogus"));
    vbRegKey(vbRegVantMachineColors, "TestSetting").SetValue("Value", vbVariant("#000080"));
    {
        vbColorType type("TestSetting", "A test colour", "Test family", 0x00000000);
        type.Start();
        EXPECT_EQ(type.GetColor(), 0x00800000u) << "the machine's setting after the bad user text";
        EXPECT_NE(readLogFile().find("ERROR: vbColor::Set(bogus) : bad color string"), std::string::npos);

        type.SetColor(0x000080FF);
        type.Stop();
        vbRegKey user(vbRegCurrentUser, userKey);
        EXPECT_STREQ(user.GetDefaultValue().GetAsString(), "A test colour");
        EXPECT_STREQ(user.GetValue("Value").GetAsString(), "#FF8000");
        EXPECT_STREQ(user.GetValue("Family").GetAsString(), "Test family");

        type.Start();
        EXPECT_EQ(type.GetColor(), 0x000080FFu) << "the user's setting wins";
        vbRegKey(vbRegCurrentUser, vbString(userKey) + "\\Below").SetValue("x", vbVariant(1));
        type.Default();
        EXPECT_EQ(type.GetColor(), 0x00000000u) << "the default";
        type.Stop();
        EXPECT_FALSE(vbRegKey(vbRegCurrentUser, userKey).Exists()) << "removed with its sub-keys";
        type.Start();
        type.Stop(); // a missing key is no error
    }
    EXPECT_TRUE(vbRegKey(vbRegLocalMachine, "Software\\KVX Vantrel\\Colors\\TestSetting").Exists())
        << "the machine's setting is never written";
}

TEST_F(vbColorTest, ASettingMayNameAnotherUserColour)
{
    vbColorType base(nullptr, nullptr, "BaseColour", "base colour", nullptr, 0x00010101);
    base.Start();
    vbRegKey(vbRegVantColors, "Follower").SetValue("Value", vbVariant("basecolour"));
    {
        vbColorType follower("Follower", "follower colour", nullptr, 0x00000000);
        follower.Start();
        EXPECT_EQ(follower.GetColor(), base.GetRef());
        base.SetColor(0x00020202);
        EXPECT_EQ(DWORD(follower), 0x00020202u);
    }
    EXPECT_STREQ(vbRegKey(vbRegVantColors, "Follower").GetValue("Value").GetAsString(), "BaseColour")
        << "written back by name";
}

TEST_F(vbColorTest, UserChangesReadTheSettingsAgain)
{
    vbColorType type("Rereads", "rereading colour", nullptr, 0x00000001);
    type.Start();
    vbRegKey(vbRegVantColors, "Rereads").SetValue("Value", vbVariant("red"));
    vbColor held(type);
    EXPECT_EQ(DWORD(held), 0x00000001u);
    g_vbColorEngine.UserChanges();
    EXPECT_EQ(DWORD(held), 0x000000FFu);
}

TEST_F(vbColorTest, PensAndBrushesFollowTheResolvedColour)
{
    vbColorType target(nullptr, nullptr, "PenTarget", "pen target", nullptr, 0x00010203);
    target.Start();
    const int before = vntGdiLiveObjectCount();
    {
        vbColor color(target);
        HGDIOBJ pen = color.GetPen().GetSafeHandle();
        EXPECT_EQ(color.GetPen().GetSafeHandle(), pen) << "made once";
        EXPECT_EQ(vntGdiLiveObjectCount(), before + 1);
        LOGPEN lp{};
        ASSERT_NE(GetObjectA(pen, int(sizeof lp), &lp), 0);
        EXPECT_EQ(lp.lopnColor, 0x00010203u);

        target.SetColor(0x00040506);
        HGDIOBJ remade = color.GetPen().GetSafeHandle();
        EXPECT_EQ(GetObjectA(pen, int(sizeof lp), &lp), 0) << "the old pen is deleted";
        ASSERT_NE(GetObjectA(remade, int(sizeof lp), &lp), 0);
        EXPECT_EQ(lp.lopnColor, 0x00040506u);
        EXPECT_EQ(vntGdiLiveObjectCount(), before + 1);

        HGDIOBJ brush = color.GetBrush().GetSafeHandle();
        EXPECT_EQ(color.GetBrush().GetSafeHandle(), brush);
        color = target; // the same value keeps both
        EXPECT_EQ(color.GetPen().GetSafeHandle(), remade);
        EXPECT_EQ(color.GetBrush().GetSafeHandle(), brush);

        EXPECT_FALSE(color.SetPenAspect(PS_SOLID, 1));
        EXPECT_TRUE(color.SetPenAspect(PS_DOT, 2));
        EXPECT_EQ(vntGdiLiveObjectCount(), before + 1) << "only the brush is left";
        ASSERT_NE(GetObjectA(color.GetPen().GetSafeHandle(), int(sizeof lp), &lp), 0);
        EXPECT_EQ(lp.lopnStyle, UINT(PS_DOT));
        EXPECT_EQ(lp.lopnWidth.x, 2);

        vbColor copy(color);
        EXPECT_EQ(copy, color);
        EXPECT_NE(copy.GetPen().GetSafeHandle(), color.GetPen().GetSafeHandle()) << "copies make their own";
        EXPECT_EQ(vntGdiLiveObjectCount(), before + 3);

        EXPECT_TRUE(color.Empty());
        EXPECT_EQ(vntGdiLiveObjectCount(), before + 1);
        expectEsys([&] { color.GetBrush(); }, E_FAIL, "vbColorEngine()::GetRgb(), color is NULL (vbNULLCOLOR)");
    }
    EXPECT_EQ(vntGdiLiveObjectCount(), before);
}

} // namespace
