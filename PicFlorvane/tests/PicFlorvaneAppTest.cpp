// The application object: the command line, registration and unregistration, and the data block
// that hands files to a running instance.

#include "PicFlorvane.h"
#include "picInstanceMsg.h"

#include "LogFileReader.h"
#include "vbExpectThrown.h"

#include "vbException.h"
#include "vbFileTools.h"
#include "vbLog.h"
#include "vbRegEngine.h"
#include "vbRegKey.h"

#include "plat/shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* kLogName = "picfV5108.log";

std::string joined(const vbArray<vbString>& files)
{
    std::string text;
    for (int i = 1; i <= files.GetSize(); ++i)
        text += (i > 1 ? "|" : "") + std::string(files[i].c_str());
    return text;
}

class PicApp : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedArgc = __argc;
        savedArgv = __argv;
        savedLog = g_pvbLogFileName;
        g_pvbLogFileName = "c:\\picfV5108.log";
    }
    void TearDown() override
    {
        __argc = savedArgc;
        __argv = savedArgv;
        g_pvbLogFileName = savedLog;
    }

    // The process arguments as the program would have them.
    void setArguments(std::vector<std::string> args)
    {
        arguments = std::move(args);
        arguments.insert(arguments.begin(), "PicFlorvane");
        pointers.clear();
        for (std::string& arg : arguments)
            pointers.push_back(arg.data());
        pointers.push_back(nullptr);
        __argc = int(arguments.size());
        __argv = pointers.data();
    }

    static void setTrace(int value)
    {
        vbRegKey(vbRegLocalMachine, "Software\\KVX Vantrel\\HotPlug Center").SetValue("Trace", vbVariant(value));
    }

    static std::string programsFolder() { return std::string(vbGetShellFolder(CSIDL_COMMON_PROGRAMS, true).c_str()); }

    static std::string classValue(const char* key, const char* name = nullptr)
    {
        vbRegKey k(vbRegClassesRoot, key);
        if (!k.Exists())
            return "<none>";
        return std::string((name ? k.GetValue(name) : k.GetDefaultValue()).GetAsString().c_str());
    }

    vbUseEngineCenter engines{&g_vbEngineCenter, true};
    int savedArgc = 0;
    char** savedArgv = nullptr;
    const char* savedLog = nullptr;
    std::vector<std::string> arguments;
    std::vector<char*> pointers;
};

TEST_F(PicApp, CommandLineSetsFlagsAndRun)
{
    struct Case {
        std::vector<std::string> args;
        bool unregister, registerIt, automation, show, run;
    } cases[] = {
        {{}, false, false, false, true, true},
        {{"-Register"}, false, true, false, true, true},
        {{"-Register", "-Hide"}, false, true, false, false, false},
        {{"-Unregister"}, true, false, false, true, false},
        {{"-Register", "-Unregister"}, false, true, false, true, true},
        {{"-unregserver", "-REGSERVER"}, false, true, false, true, true},
        {{"-Register", "-Embedding", "-Hide"}, false, true, true, false, true},
        {{"-Automation", "-Unregister"}, true, false, true, true, false},
        {{"-Hide"}, false, false, false, false, true},
        {{"-Hide", "-show"}, false, false, false, true, true},
    };
    CPicFlorvaneApp app;
    for (const Case& c : cases) {
        std::string name;
        for (const std::string& a : c.args)
            name += a + " ";
        SCOPED_TRACE(name);
        setArguments(c.args);
        app.parseCommandLine();
        EXPECT_EQ(app.IsUnregister(), c.unregister);
        EXPECT_EQ(app.IsRegister(), c.registerIt);
        EXPECT_EQ(app.IsAutomation(), c.automation);
        EXPECT_EQ(app.IsShow(), c.show);
        EXPECT_EQ(app.IsRun(), c.run);
        EXPECT_EQ(app.GetFiles().GetSize(), 0);
    }
}

TEST_F(PicApp, CommandLineKeepsProjectFilesAsFullPaths)
{
    CPicFlorvaneApp app;
    setArguments({"a.PICF", "b.picf.bak", "sub/a.Picf", "/tmp/x/a.picf", "c.jpg"});
    app.parseCommandLine();
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(joined(app.GetFiles()), cwd + "/a.PICF|" + cwd + "/sub/a.Picf|/tmp/x/a.picf");
    EXPECT_TRUE(app.IsRun());
    const std::string log = readLogFile(kLogName);
    EXPECT_NE(log.find("PICF cmd line : ignored param : b.picf.bak"), std::string::npos) << log;
    EXPECT_NE(log.find("PICF cmd line : ignored param : c.jpg"), std::string::npos) << log;

    // A second parse starts afresh.
    setArguments({"-Hide"});
    app.parseCommandLine();
    EXPECT_EQ(app.GetFiles().GetSize(), 0);
}

// An unknown switch changes nothing, but the person who typed it (-Unregistr for -Unregister)
// learns that it did nothing; known ones, files and other parameters say nothing there.
TEST_F(PicApp, AnUnknownSwitchIsIgnoredAndSaidSoOnStandardError)
{
    CPicFlorvaneApp app;
    setArguments({"-Unregistr", "-Hide", "x.picf", "c.jpg", "-Bogus"});
    testing::internal::CaptureStderr();
    app.parseCommandLine();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
        "PicFlorvane: unknown switch -Unregistr ignored\nPicFlorvane: unknown switch -Bogus ignored\n");
    EXPECT_FALSE(app.IsUnregister());
    EXPECT_FALSE(app.IsShow());
    EXPECT_TRUE(app.IsRun());
    EXPECT_EQ(app.GetFiles().GetSize(), 1);
}

TEST_F(PicApp, SwitchLinesAreWrittenOnlyWithThePluginTrace)
{
    CPicFlorvaneApp app;
    setArguments({"-Bogus", "-Register"});
    app.parseCommandLine();
    EXPECT_EQ(readLogFile(kLogName).find("HOTPLUG: "), std::string::npos);

    setTrace(0); // level -1: still nothing
    app.parseCommandLine();
    EXPECT_EQ(readLogFile(kLogName).find("HOTPLUG: "), std::string::npos);

    setTrace(1);
    app.parseCommandLine();
    const std::string log = readLogFile(kLogName);
    for (const char* line : {"HOTPLUG: PICF cmd line : ignored switch : Bogus", "HOTPLUG: PICF cmd line : register asked",
             "HOTPLUG: PICF cmd line : client asks PicFlorvane to show its window"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    EXPECT_EQ(log.find("unregister asked"), std::string::npos);
    EXPECT_EQ(log.find("automation launch"), std::string::npos);
}

TEST_F(PicApp, RegisterThenUnregisterWritesAndRemovesTheFileTypeAndMenuEntry)
{
    const std::string program = vbGetFilePath(HINSTANCE(nullptr)).c_str();
    const std::string entry = programsFolder() + "/Corlund/PicFlorvane.desktop";
    const std::string package = programsFolder() + "/../mime/packages/application-x-picflorvane.xml";
    // The stored tree, which unregistering removes.
    vbRegKey(vbRegVantUser, "PicFlorvane\\Root-1").SetValue("type", vbVariant("root"));
    {
        CPicFlorvaneApp app;
        setArguments({"-Register", "-Hide"});
        EXPECT_TRUE(app.InitInstance());
    }
    EXPECT_EQ(classValue(".picf"), "PicFlorvaneFile");
    EXPECT_EQ(classValue(".picf", "execPath"), program);
    EXPECT_EQ(classValue("PicFlorvaneFile"), "PicFlorvane file :-)");
    EXPECT_EQ(classValue("PicFlorvaneFile\\DefaultIcon"), program + ",0");
    EXPECT_EQ(classValue("PicFlorvaneFile\\shell\\open"), "Import file in PicFlorvane");
    EXPECT_EQ(classValue("PicFlorvaneFile\\shell\\open\\command"), program + " \"%1\"");
    std::ifstream in(entry);
    ASSERT_TRUE(in.good()) << entry;
    std::string line, exec, types;
    while (std::getline(in, line)) {
        if (line.rfind("Exec=", 0) == 0)
            exec = line;
        if (line.rfind("MimeType=", 0) == 0)
            types = line;
    }
    // Files opened on the desktop come as command-line files do.
    EXPECT_EQ(exec, "Exec=\"" + program + "\" -Show %F");
    EXPECT_EQ(types, "MimeType=application/x-picflorvane;");
    std::ifstream packageFile(package);
    std::stringstream xml;
    xml << packageFile.rdbuf();
    EXPECT_NE(xml.str().find("<mime-type type=\"application/x-picflorvane\">"), std::string::npos) << xml.str();
    EXPECT_NE(xml.str().find("<glob pattern=\"*.picf\"/>"), std::string::npos) << xml.str();

    {
        CPicFlorvaneApp app;
        setArguments({"-Unregister"});
        EXPECT_TRUE(app.InitInstance());
    }
    EXPECT_EQ(classValue(".picf"), "<none>");
    EXPECT_EQ(classValue("PicFlorvaneFile"), "<none>");
    EXPECT_FALSE(vbRegKey(vbRegVantUser, "PicFlorvane").Exists());
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(std::filesystem::exists(package));
    EXPECT_FALSE(std::filesystem::exists(programsFolder() + "/Corlund"));
    EXPECT_TRUE(std::filesystem::exists(programsFolder()));
}

TEST_F(PicApp, UnregisterKeepsAFolderThatHoldsOtherEntries)
{
    const std::string folder = programsFolder() + "/Corlund";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/Other.desktop") << "[Desktop Entry]\n";
    CPicFlorvaneApp app;
    setArguments({"-Unregister"});
    EXPECT_TRUE(app.InitInstance());
    EXPECT_TRUE(std::filesystem::exists(folder + "/Other.desktop"));
}

// The hand-over block: what one instance builds the other reads back whole.
TEST(PicImportBlock, RoundTripsAndChecksCommandAndCount)
{
    vbArray<vbString> files;
    for (const char* f : {"/p/a.picf", "/p/b.picf", "/p/c.picf"})
        files.Add(f);
    vbData block;
    picBuildImportBlock(files, 3, &block);
    vbArray<vbString> read;
    picParseImportBlock(block, &read);
    EXPECT_EQ(joined(read), "/p/a.picf|/p/b.picf|/p/c.picf");

    picBuildImportBlock(files, 0, &block);
    EXPECT_EQ(block.GetLength(), 14);
    picParseImportBlock(block, &read);
    EXPECT_EQ(read.GetSize(), 0);

    auto blockOf = [](const char* command, int32_t count, int strings) {
        std::string bytes;
        auto put32 = [&](uint32_t v) {
            for (int i = 0; i < 4; ++i)
                bytes += char((v >> (8 * i)) & 0xFF);
        };
        auto putString = [&](const std::string& s) {
            put32(uint32_t(s.size()));
            bytes += s;
        };
        putString(command);
        put32(uint32_t(count));
        for (int i = 0; i < strings; ++i)
            putString("/p/f" + std::to_string(i) + ".picf");
        return vbData(bytes.data(), int(bytes.size()));
    };
    picParseImportBlock(blockOf("import", 2, 2), &read);
    EXPECT_EQ(joined(read), "/p/f0.picf|/p/f1.picf");

    read.RemoveAll();
    read.Add("kept");
    vbtest::expectThrown<vbEsys>([&] { picParseImportBlock(blockOf("Export", 1, 1), &read); }, E_FAIL,
        "CPicFlorvaneDlg::receiveInterDataMsg() : unknown command asked (Export)");
    // A count far beyond what the bytes hold fails before any string is read or given out.
    for (int32_t count : {0x7FFFFFFF, 3})
        vbtest::expectThrown<vbEstream>([&] { picParseImportBlock(blockOf("Import", count, 2), &read); },
            HRESULT(0x8003001E), "Read failed, EOF reached");
    EXPECT_EQ(joined(read), "kept");
}

} // namespace
