#include "LogFileReader.h"

#include "vbLog.h"
#include "vbMfcModuleState.h"
#include "vbVantLib.h"

#include "plat/module.h"
#include "plat/process_ids.h"
#include "plat/thread.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', start)) {
        out.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    if (start < text.size())
        out.push_back(text.substr(start));
    return out;
}

// A time stamp "d/m/yyyy h:mm:ss.mmm" somewhere in the line.
bool hasStamp(const std::string& line)
{
    int d, mo, y, h, mi, sec, ms;
    size_t open = line.find('(');
    return open != std::string::npos
        && std::sscanf(line.c_str() + open + 1, "%d/%d/%d %d:%d:%d.%d", &d, &mo, &y, &h, &mi, &sec, &ms) == 7;
}

// The text after an "XXXXXXXX.XXXXXXXX; " prefix, or "<no prefix>".
std::string afterPrefix(const std::string& line)
{
    if (line.size() < 19 || line[8] != '.' || line.compare(17, 2, "; ") != 0)
        return "<no prefix>";
    for (size_t i = 0; i < 17; ++i)
        if (i != 8 && !std::isxdigit(static_cast<unsigned char>(line[i])))
            return "<no prefix>";
    return line.substr(19);
}

std::string idPrefix()
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%08X.%08X; ", GetCurrentProcessId(), GetCurrentThreadId());
    return buf;
}

TEST(vbRelOutput, FirstRecordOfAProcessComesAfterTheListAndTheBanner)
{
    ASSERT_EQ(std::system(VNT_BIN_DIR "/vb_helper_logfirst"), 0);
    const std::vector<std::string> l = lines(readLogFile());
    ASSERT_GE(l.size(), 16u);
    const std::string pid = l[2].substr(0, 8);
    size_t i = 0;
    EXPECT_EQ(l[i++], "");
    EXPECT_EQ(l[i++], "");
    EXPECT_EQ(l[i++], pid + "; " + std::string(72, '+'));
    EXPECT_EQ(l[i].rfind(pid + "; ++ VantBase 5.108 dll list changed (", 0), 0u) << l[i];
    EXPECT_TRUE(hasStamp(l[i++]));
    EXPECT_EQ(l[i].rfind(pid + "; ++ -> Dll: ", 0), 0u) << l[i];
    EXPECT_NE(l[i++].find("libVnt05bas.so - "), std::string::npos);
    EXPECT_EQ(l[i++], pid + "; " + std::string(72, '+'));
    EXPECT_EQ(l[i++], "");
    EXPECT_EQ(l[i++], "");
    EXPECT_EQ(l[i++], pid + "; " + std::string(72, '*'));
    EXPECT_EQ(l[i].rfind(pid + "; ** VantBase 5.108 logs started (", 0), 0u) << l[i];
    EXPECT_TRUE(hasStamp(l[i]));
    EXPECT_EQ(l[i].substr(l[i].size() - 4), ")...");
    i++;
    EXPECT_EQ(l[i].rfind(pid + "; ** -> CALLER: vb_helper_logfirst (", 0), 0u) << l[i];
    i++;
    EXPECT_EQ(l[i++].rfind(pid + "; ** -> OS: ", 0), 0u);
    EXPECT_EQ(l[i++], pid + "; " + std::string(72, '*'));
    EXPECT_EQ(l[i++], "");
    EXPECT_EQ(l[i].substr(0, 8), pid);
    EXPECT_EQ(afterPrefix(l[i++]), "first record");
    EXPECT_EQ(afterPrefix(l[i++]), "line one");
    EXPECT_EQ(afterPrefix(l[i++]), "line two");
    EXPECT_EQ(i, l.size());
}

TEST(vbRelOutput, EveryLineGetsTheIdPrefix)
{
    vbRelOutput(vbString("warm-up"), true); // banners of this process, if still due
    const size_t before = readLogFile().size();
    vbRelOutput(vbString("one\ntwo"), true);
    EXPECT_EQ(readLogFile().substr(before), idPrefix() + "one\n" + idPrefix() + "two\n");
}

TEST(vbRelOutput, NotToFileWritesNothing)
{
    vbRelOutput(vbString("warm-up"), true);
    const std::string before = readLogFile();
    vbRelOutput(vbString("hidden"), false);
    EXPECT_EQ(readLogFile(), before);
}

TEST(vbRelOutput, FollowsTheNamedFileInTheStateFolder)
{
    const char* saved = g_pvbLogFileName;
    g_pvbLogFileName = "c:\\picfV5108.log";
    vbRelOutput(vbString("to the application's log"), true);
    g_pvbLogFileName = saved;
    EXPECT_NE(readLogFile("picfV5108.log").find("to the application's log\n"), std::string::npos);
}

TEST(vbVantLib, ARealLibraryRegistersAtLoadAndLeavesAtUnload)
{
    vbRelOutput(vbString("warm-up"), true);
    const LONG before = vbVantLib::s_cChg.load();
    HMODULE mod = LoadLibraryA(VNT_BIN_DIR "/vb_testmod_vantlib.so");
    ASSERT_NE(mod, nullptr);
    {
        vbVantLibEnum libs;
        EXPECT_EQ(libs.FindHlib(vbString("VANTTESTLIBV5"), true), mod);
    }
    size_t at = readLogFile().size();
    vbRelOutput(vbString("loaded"), true);
    std::string added = readLogFile().substr(at);
    EXPECT_NE(added.find("; ++ -> Dll: vb_testmod_vantlib (" VNT_BIN_DIR "/vb_testmod_vantlib.so - "), std::string::npos)
        << added;

    ASSERT_TRUE(FreeLibrary(mod));
    EXPECT_EQ(vbVantLib::s_cChg.load(), before + 2);
    vbVantLibEnum libs;
    EXPECT_EQ(libs.Find(vbString("VantTestLib")), nullptr);
    at = readLogFile().size();
    vbRelOutput(vbString("unloaded"), true);
    added = readLogFile().substr(at);
    EXPECT_NE(added.find("; ++ VantBase 5.108 dll list changed ("), std::string::npos);
    EXPECT_EQ(added.find("vb_testmod_vantlib"), std::string::npos);
}

TEST(vbVantLib, FindsTheBaseLibraryByEitherName)
{
    vbVantLibEnum a;
    vbVantLib* byShort = a.Find(vbString("vantbase"));
    ASSERT_NE(byShort, nullptr);
    a.Reset();
    vbVantLibEnum b;
    EXPECT_EQ(b.Find(vbString("VANTBASEV5")), byShort);
    EXPECT_STREQ(byShort->GetCompleteName(), "VantBaseV5");
    EXPECT_STREQ(byShort->GetName(), "VantBase");
    b.UnlockLib();
    // The framework's chain holds the same library, as a vbVantLib.
    vbLibEnum c;
    EXPECT_EQ(c.FindHlib(vbString("VantBase"), false), byShort->GetInstance());
    EXPECT_EQ(c.GetVantLib(), byShort);
    EXPECT_EQ(c.GetLib()->m_hModule, byShort->GetInstance());
    c.UnlockLib();
    vbVantLibEnum d;
    EXPECT_EQ(d.NextHlib(true), vbVantLib::Head()->GetInstance());
}

} // namespace

namespace {

TEST(vbMfcModuleState, OwnsAPrivateLibraryState)
{
    vbMfcModuleState state(TRUE, nullptr, 0x0420);
    AFX_MODULE_STATE* s = state.GetModuleState();
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->m_bDLL);
    EXPECT_EQ(s->m_dwVersion, 0x0420u);
    EXPECT_EQ(s->m_hCurrentInstanceHandle, nullptr);
    EXPECT_TRUE(s->m_libraryList.IsEmpty());
    EXPECT_NE(s, AfxGetModuleState());
}

} // namespace
