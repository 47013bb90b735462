// The parameters of a plug-in installation entry.

#include "LogFileReader.h"

#include "vbHotPlug.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

#define GUID_A "{1A2B3C4D-1111-2222-3333-444455556666}"
#define GUID_B "{00000100-0000-0000-0000-000000000000}"

std::vector<std::string> idsOf(const vbHotPlugCenter::PlugInfo& info)
{
    std::vector<std::string> ids;
    for (int i = 1; i <= info.ids.GetLength(); ++i)
        ids.push_back(vbString(info.ids[i], true).c_str());
    return ids;
}

std::vector<std::string> typesOf(const vbHotPlugCenter::PlugInfo& info)
{
    std::vector<std::string> types;
    for (int i = 1; i <= info.plugTypes.GetLength(); ++i)
        types.push_back(info.plugTypes[i].c_str());
    return types;
}

struct ParamCase {
    std::vector<std::pair<const char*, const char*>> params; // name and value, set in this order
    DWORD versionMS;
    DWORD versionLS;
    std::vector<std::string> ids;
    std::vector<std::string> types;
    const char* logged; // null: nothing logged
};

TEST(vbHotPlugInfo, SetParam)
{
    const ParamCase cases[] = {
        {{{"version", "5,1,0,108"}}, 0x00050001, 0x0000006C, {}, {}, nullptr},
        {{{"VERSION", " -1,+2,3,65540"}}, 0xFFFF0002, 0x00030004, {}, {}, nullptr},
        {{{"version", "1,2,3,4"}, {"version", "5,6,7,8"}}, 0x00050006, 0x00070008, {}, {}, nullptr},
        {{{"version", "1,2,3,4"}, {"version", "1,2,3,4x"}}, 0x00010002, 0x00030004, {}, {},
            "vbHotPlugCenter::PlugInfo::SetParam() : version=1,2,3,4x', bad version string"},
        {{{"version", "1,2,3"}}, 0xFFFFFFFF, 0xFFFFFFFF, {}, {},
            "vbHotPlugCenter::PlugInfo::SetParam() : version=1,2,3', bad version string"},
        {{{"version", "1, 2,3,4 "}}, 0xFFFFFFFF, 0xFFFFFFFF, {}, {},
            "vbHotPlugCenter::PlugInfo::SetParam() : version=1, 2,3,4 ', bad version string"},
        {{{"Version ", "1,2,3,4"}}, 0xFFFFFFFF, 0xFFFFFFFF, {}, {},
            "vbHotPlugCenter::PlugInfo::SetParam() : 'Version ' is not a valid parameter (value='1,2,3,4')"},
        {{{"id", GUID_A ",," GUID_B}}, 0xFFFFFFFF, 0xFFFFFFFF, {GUID_A, GUID_B}, {}, nullptr},
        {{{"id", GUID_A}, {"ID", " " GUID_B ","}}, 0xFFFFFFFF, 0xFFFFFFFF, {GUID_A, GUID_B}, {}, nullptr},
        {{{"id", GUID_A ",zz"}}, 0xFFFFFFFF, 0xFFFFFFFF, {GUID_A}, {},
            "vbHotPlugCenter::PlugInfo::SetParam() : id=" GUID_A ",zz', bad guid string"},
        {{{"id", GUID_A "x," GUID_B}}, 0xFFFFFFFF, 0xFFFFFFFF, {}, {},
            "vbHotPlugCenter::PlugInfo::SetParam() : id=" GUID_A "x," GUID_B "', bad guid string"},
        {{{"plugtype", " a ,\t,b"}, {"PlugType", "a\r\n,"}}, 0xFFFFFFFF, 0xFFFFFFFF, {}, {"a", "b", "a"}, nullptr},
    };
    for (const ParamCase& c : cases) {
        const std::string where = std::string(c.params.back().first) + "=" + c.params.back().second;
        const size_t before = readLogFile().size();
        vbHotPlugCenter::PlugInfo info;
        for (const auto& [name, value] : c.params)
            info.SetParam(name, value);
        EXPECT_EQ(info.versionMS, c.versionMS) << where;
        EXPECT_EQ(info.versionLS, c.versionLS) << where;
        EXPECT_EQ(idsOf(info), c.ids) << where;
        EXPECT_EQ(typesOf(info), c.types) << where;
        const std::string logged = readLogFile().substr(before);
        if (c.logged)
            EXPECT_NE(logged.find(std::string(c.logged) + "\n"), std::string::npos) << where << "\n" << logged;
        else
            EXPECT_EQ(logged, "") << where;
    }
}

} // namespace
