#include "vbStrMask.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

class FakeMask : public sIvbStringMask {
public:
    std::map<std::string, std::string> values;
    std::map<char, std::string> pictures;

    vbString GetKeyValue(const vbKeyMask& field) override
    {
        auto it = values.find(field.name.c_str());
        return it == values.end() ? vbString() : vbString(it->second.c_str());
    }
    vbString GetPictureValue(char c, int count) override
    {
        auto it = pictures.find(c);
        return it == pictures.end() ? vbString() : vbString(it->second.c_str()) + vbString(count);
    }
};

std::string mask(const char* m, sIvbStringMask* pIf, int total = 0)
{
    vbString s("old");
    return s.Mask(vbString(m), pIf, total).c_str();
}

} // namespace

TEST(vbStrMask, FieldsAreCutPaddedAndAligned)
{
    FakeMask f;
    f.values = {{"N", "42"}, {"A", "abcdefghij"}, {"E", ""}};
    struct Case {
        const char* mask;
        int total;
        const char* result;
    };
    const Case cases[] = {
        {"[N;5;5;>]", 0, "   42"},
        {"[N;5;;>]", 0, "42"},
        {"[N;;4;0;;x]|", 0, "4200|"},
        {"[N;;4;*;;x]|", 0, "42**|"},
        {"<[A;3]>", 0, "<abc>"},
        {"[A;;;;3]", 0, "cdefghij"},
        {"[A;2;;;-3]", 0, "hi"},
        {"[A;;;;20]", 0, " "},
        {"[A;;;;-20]", 0, "abcdefghij"},
        {"[A;10;2]", 6, "abcdef"},
        {"[E;;;;;dflt]", 0, "dflt"},
        {"[Z;;;;;dflt]", 0, "dflt"},
        {"[;3;3]", 0, "   "},
        {"plain", 0, "plain"},
        {"", 0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mask(c.mask, &f, c.total), c.result) << c.mask;
}

TEST(vbStrMask, MalformedBracketsStayLiteral)
{
    FakeMask f;
    f.values = {{"N", "42"}, {"a", "X"}};
    const char* const literal[] = {"[a b]", "[N;x]", "[]", "[N;1;2;3;4;5;6]", "[N;;;<>]", "[N;;;;-]", "[N; 5]", "[N"};
    for (const char* m : literal)
        EXPECT_EQ(mask(m, &f), m) << m;
    EXPECT_EQ(mask("[a b][N]", &f), "[a b]42");
}

TEST(vbStrMask, NullInterfaceKeepsDefaultsAndPictures)
{
    EXPECT_EQ(mask("[N;;;;;dflt]-[M]", nullptr), "dflt-");
    EXPECT_EQ(mask("!YYYY-MM", nullptr), "YYYY-MM");
    FakeMask f;
    f.pictures = {{'Y', "y"}};
    EXPECT_EQ(mask("!YYYY-MM", &f), "y4-MM");
}

TEST(vbStrMask, ShrinkingReachesTheTotalAndKeepsMinimums)
{
    FakeMask f;
    f.values = {{"A", "aaaaaaaaaa"}, {"B", "bbbbbbbbbbbbbbbbbbbb"}, {"C", "ccccc"}};
    // Widths 10, 20, 5 with minimums 3, 4, 5: the total lies anywhere between 12 and 35.
    for (int total = 12; total <= 36; ++total) {
        vbArray<vbKeyMask> fields;
        vbParseMask("[A;;3][B;;4][C;;5]", &fields, &f);
        vbAdjustMask(&fields, total);
        ASSERT_EQ(fields.GetLength(), 3);
        int sum = 0;
        for (int i = 1; i <= 3; ++i) {
            EXPECT_GE(fields[i].width, fields[i].min) << total;
            sum += fields[i].width;
        }
        EXPECT_EQ(sum, total < 35 ? total : 35) << total;
        EXPECT_EQ(int(vbMakeMask(fields).GetLength()), sum);
    }
    // Proportional: the field with twice the room gives up about twice as much.
    vbArray<vbKeyMask> fields;
    vbParseMask("[A;;2][B;;2]", &fields, &f);
    vbAdjustMask(&fields, 18);
    EXPECT_EQ(fields[1].width, 6);
    EXPECT_EQ(fields[2].width, 12);
    // Below the sum of minimums nothing is shrunk below them.
    vbArray<vbKeyMask> tight;
    vbParseMask("[A;;3][B;;4]", &tight, &f);
    vbAdjustMask(&tight, 2);
    EXPECT_EQ(tight[1].width, 3);
    EXPECT_EQ(tight[2].width, 4);
}
