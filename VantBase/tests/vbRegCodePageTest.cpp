#include "vbTypesTestUtil.h"

#include "vbEngine.h"
#include "vbExceptionEngine.h"
#include "vbExceptionReport.h"
#include "vbFileTools.h"
#include "vbRegEngine.h"
#include "vbRegKey.h"
#include "vbVariant.h"

#include "plat/codepage.h"
#include "plat/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

namespace {

// Runs f, expects an exception of class E with the message and context, and deletes it.
template <class E, class F>
void expectAdv(F&& f, const std::string& msg, const std::string& ctx)
{
    try {
        f();
        ADD_FAILURE() << "no exception; expected: " << msg;
    } catch (E* e) {
        EXPECT_TRUE(typeid(*e) == typeid(E)) << "a subclass instead";
        EXPECT_EQ(std::string(e->GetMsg()), msg);
        EXPECT_EQ(std::string(e->GetCtxString().c_str()), ctx);
        e->Delete();
    } catch (CException* e) {
        ADD_FAILURE() << "another exception class; expected: " << msg;
        e->Delete();
    }
}

void setCharset(const char* name, const char* value, const vbVariant& v)
{
    vbRegKey(vbRegClassesRoot, vbString("MIME\\Database\\Charset\\") + name).SetValue(value, v);
}

TEST(vbRegCharset, AliasesAreFollowedThreeTimesAtMost)
{
    setCharset("j-target", "InternetEncoding", vbVariant(1252));
    setCharset("j-a1", "AliasForCharset", vbVariant("j-target"));
    setCharset("j-a2", "AliasForCharset", vbVariant("j-a1"));
    setCharset("j-a3", "AliasForCharset", vbVariant("j-a2"));
    setCharset("j-a4", "AliasForCharset", vbVariant("j-a3"));
    EXPECT_EQ(g_vbRegEngine.GetCPfromCharset("j-target", true), 1252u);
    EXPECT_EQ(g_vbRegEngine.GetCPfromCharset("J-A3", true), 1252u) << "three aliases, names in any case";
    expectAdv<vbEappCfg>([] { g_vbRegEngine.GetCPfromCharset("j-a4", true); },
        "Configuration is invalid for charset j-a4, recursion count limit exceeded",
        "vbRegEngine::GetCPfromCharset(), alias=j-a1, rec cnt=3");
    EXPECT_EQ(g_vbRegEngine.GetCPfromCharset("j-a4", false), 0u);

    // The system's own database.
    EXPECT_EQ(g_vbRegEngine.GetCPfromCharset("utf-8", true), 65001u);
    EXPECT_EQ(g_vbRegEngine.GetCPfromCharset("latin1", true), 28591u);
}

TEST(vbRegCharset, BrokenEntriesSayWhatIsWrong)
{
    setCharset("j-zero", "InternetEncoding", vbVariant(0));
    setCharset("j-bare", "Other", vbVariant(1));
    setCharset("j-dangling", "AliasForCharset", vbVariant("j-missing"));
    setCharset("j-blank", "AliasForCharset", vbVariant(""));
    const char* ctx0 = "vbRegEngine::GetCPfromCharset(), rec cnt=0";
    expectAdv<vbEappCfg>([] { g_vbRegEngine.GetCPfromCharset("j-zero", true); },
        "Configuration is invalid for charset j-zero  (alias: j-zero), codepage is invalid for this entry", ctx0);
    expectAdv<vbEappCfg>([] { g_vbRegEngine.GetCPfromCharset("j-bare", true); },
        "Configuration is invalid for charset j-bare  (alias: j-bare), there is no codepage and no alias defined for "
        "this entry",
        ctx0);
    expectAdv<vbEappCfg>([] { g_vbRegEngine.GetCPfromCharset("j-dangling", true); },
        "Configuration is invalid for charset j-dangling, alias(j-missing) doesn't exist",
        "vbRegEngine::GetCPfromCharset(), rec cnt=1");
    expectAdv<vbEappCfg>([] { g_vbRegEngine.GetCPfromCharset("j-blank", true); },
        "Configuration is invalid for charset j-blank, alias is empty", "vbRegEngine::GetCPfromCharset(), rec cnt=1");
    expectAdv<vbEapp>([] { g_vbRegEngine.GetCPfromCharset("j-unknown", true); }, "Charset j-unknown unknown",
        "vbRegEngine::GetCPfromCharset()");
    expectAdv<vbEapp>([] { g_vbRegEngine.GetCPfromCharset("", true); }, "Charset argument is empty",
        "vbRegEngine::GetCPfromCharset()");
    for (const char* name : {"j-zero", "j-bare", "j-dangling", "j-blank", "j-unknown", ""})
        EXPECT_EQ(g_vbRegEngine.GetCPfromCharset(name, false), 0u) << name;
}

TEST(vbRegCodePage, RealCodePagesAndCharsets)
{
    EXPECT_EQ(g_vbRegEngine.GetRealCP(0, false), GetACP());
    EXPECT_EQ(g_vbRegEngine.GetRealCP(1, false), GetOEMCP());
    EXPECT_EQ(g_vbRegEngine.GetRealCP(1252, false), 1252u);
    EXPECT_EQ(g_vbRegEngine.GetRealCP(4711, false), 0u);
    expectAdv<vbEapp>([] { g_vbRegEngine.GetRealCP(4711, true); }, "Invalid or not supported code page (4711)",
        "vbRegEngine::GetRealCP()");

    EXPECT_STREQ(g_vbRegEngine.GetCharsetFromCP(0, true), "utf-8");
    EXPECT_STREQ(g_vbRegEngine.GetCharsetFromCP(1252, true), "windows-1252");
    EXPECT_STREQ(g_vbRegEngine.GetCharsetFromCP(4711, false), "");
    expectAdv<vbEapp>([] { g_vbRegEngine.GetCharsetFromCP(4711, true); }, "Code page 4711 unknown",
        "vbRegEngine::GetCharsetFromCP()");
}

TEST(vbRegContentType, ByExtension)
{
    EXPECT_STREQ(g_vbRegEngine.GetContentTypeFromPath("/x/photo.JPG", true), "image/jpeg");
    vbRegKey(vbRegClassesRoot, ".jpadded").SetValue("Content Type", vbVariant("  text/x-j \t"));
    EXPECT_STREQ(g_vbRegEngine.GetContentTypeFromExt(".jpadded", true), "text/x-j");
    // No dot is added: "jpadded" is another key.
    EXPECT_STREQ(g_vbRegEngine.GetContentTypeFromExt("jpadded", false), "");
    vbRegKey(vbRegClassesRoot, "jbare").SetValue("Content Type", vbVariant("a/b"));
    EXPECT_STREQ(g_vbRegEngine.GetContentTypeFromExt("jbare", true), "a/b");

    vbRegKey(vbRegClassesRoot, ".jnone").SetValue("Other", vbVariant(1));
    vbRegKey(vbRegClassesRoot, ".jblank").SetValue("Content Type", vbVariant("   "));
    const std::string base = "vbRegEngine::GetContentTypeFromPath()";
    expectAdv<vbEapp>([] { g_vbRegEngine.GetContentTypeFromPath("/x/noext", true); },
        "Invalid path (/x/noext) to find content type", base);
    expectAdv<vbEappCfg>([] { g_vbRegEngine.GetContentTypeFromPath("a.junknown", true); },
        "Unknown content type for file 'a.junknown'", base.substr(0, base.size() - 2) + "(), extension not registered");
    expectAdv<vbEappCfg>([] { g_vbRegEngine.GetContentTypeFromPath("a.jnone", true); },
        "Unknown content type for file 'a.jnone'", base + ", no content type defined");
    expectAdv<vbEappCfg>([] { g_vbRegEngine.GetContentTypeFromExt(".jblank", true); },
        "Unknown content type for file extension '.jblank'", base + ", content type is empty");
    expectAdv<vbEapp>([] { g_vbRegEngine.GetContentTypeFromExt("", true); }, "Invalid extension to find content type",
        base + ", extension is empty");
    for (const char* path : {"/x/noext", "a.junknown", "a.jnone", "a.jblank"})
        EXPECT_STREQ(g_vbRegEngine.GetContentTypeFromPath(path, false), "") << path;
}

TEST(vbRegContentType, LookupsThatAreNotProvided)
{
    expectAdv<vbEapp>([] { g_vbRegEngine.GetExtFromContentType("image/jpeg", false); },
        "Can't retrieve extension from content type, function not implemented",
        "vbRegEngine::GetExtFromContentType()");
    expectAdv<vbEapp>([] { g_vbRegEngine.GetRealLCID(0x400, false); },
        "Can't retrieve real lcid, function not implemented", "vbRegEngine::GetRealLCID()");
}

TEST(vbRegExpand, FourWordsAndNothingElse)
{
    const std::string windows = vbGetWindowsDir(false).c_str();
    const std::string system = vbGetSystemDir(false).c_str();
    const std::string user = vbGetUserName().c_str();
    struct Case {
        const char* text;
        std::string expanded;
    } cases[] = {
        {"%SystemRoot%\\x", windows + "\\x"},
        {"no words", "no words"},
        {"%system32%;%USERNAME%@%ComputerName%", system + ";" + user + "@" + vbGetComputerName().c_str()},
        {"%PATH%", "%PATH%"},
        {"100% sure", "100% sure"},
        {"%%username%%", "%" + user + "%"},
        {"a%other%username%", "a%other" + user},
        {"%username", "%username"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::string(g_vbRegEngine.GetExpandedString(c.text).c_str()), c.expanded) << c.text;
}

// --- switches in the machine configuration ---

class vbRegSwitches : public ::testing::Test {
protected:
    void SetUp() override { m_use.StartUse(true); }
    void TearDown() override { m_use.StopUse(); }

    vbUseEngineCenter m_use;
};

TEST_F(vbRegSwitches, ExceptionClassesAreTracedAndLoggedAsConfigured)
{
    EXPECT_FALSE(g_vbExceptionEngine.IsToTrace("vbEuser")) << "without the key";
    EXPECT_FALSE(g_vbExceptionEngine.IsToTrace("vbEapp"));
    EXPECT_TRUE(g_vbExceptionEngine.IsToTrace("vbEapp", true)) << "the caller's default";

    vbRegKey exception(vbRegLocalMachine, "Software\\KVX Vantrel\\Exception");
    vbRegKey(exception, "vbEuser").SetValue("Trace", vbVariant(1));
    vbRegKey(exception, "vbEsys").SetValue("Log", vbVariant(true));
    EXPECT_TRUE(g_vbExceptionEngine.IsToTrace("vbEuser"));
    EXPECT_FALSE(g_vbExceptionEngine.IsToTrace("vbEapp"));
    EXPECT_TRUE(g_vbExceptionEngine.IsToTrace("vbEapp", true)) << "no key of its own";
    EXPECT_FALSE(g_vbExceptionEngine.IsToLog("vbEuser"));
    EXPECT_TRUE(g_vbExceptionEngine.IsToLog("vbEsys"));

    exception.SetValue("TraceAll", vbVariant(true));
    EXPECT_TRUE(g_vbExceptionEngine.IsToTrace("vbEapp"));
    EXPECT_FALSE(g_vbExceptionEngine.IsToLog("vbEapp"));
    exception.SetValue("LogAll", vbVariant(1));
    EXPECT_TRUE(g_vbExceptionEngine.IsToLog("vbEapp"));

    m_use.StopUse();
    exception.DeleteKey(true, true);
    EXPECT_TRUE(g_vbExceptionEngine.IsToTrace("vbEuser")) << "the engine stopped";
    EXPECT_TRUE(g_vbExceptionEngine.IsToTrace("vbEapp"));
    m_use.StartUse(true);
}

TEST_F(vbRegSwitches, UnreadableSwitchesCountAsOn)
{
    // A value of a type the registry classes do not read: the failure is not passed on, and the
    // exception it builds does not ask again for ever.
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\KVX Vantrel\\Exception", &h), ERROR_SUCCESS);
    const BYTE multi[] = {'a', 0, 0};
    RegSetValueExA(h, "TraceAll", 0, REG_MULTI_SZ, multi, 3);
    RegCloseKey(h);
    EXPECT_TRUE(g_vbExceptionEngine.IsToTrace("vbEsys"));
    EXPECT_FALSE(g_vbExceptionEngine.IsToLog("vbEsys")) << "the log switches are read apart";
}

TEST(vbRegHotPlug, TraceLevelIsTheValueLessOne)
{
    EXPECT_EQ(vbHotPlugTraceLevel(), -1);
    vbRegKey key(vbRegLocalMachine, "Software\\KVX Vantrel\\HotPlug Center");
    key.CreateKey();
    EXPECT_EQ(vbHotPlugTraceLevel(), -1) << "key without value";
    const struct {
        vbVariant trace;
        int level;
    } cases[] = {{vbVariant(0), -1}, {vbVariant(1), 0}, {vbVariant(3), 2}, {vbVariant("x"), -1}};
    for (const auto& c : cases) {
        key.SetValue("Trace", c.trace);
        EXPECT_EQ(vbHotPlugTraceLevel(), c.level) << c.trace.GetAsString().c_str();
    }
}

} // namespace
