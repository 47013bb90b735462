// Module lookup in the COM registration, the version check that removes a registration whose
// file is missing or too old, and the download status texts.

#include "vbHotPlugItf.h"

#include "LogFileReader.h"
#include "vbExpectThrown.h"
#include "vbHotPlugTestUtil.h"

#include <gtest/gtest.h>

#include <string>

using vbtest::isRegistered;
using vbtest::registerServer;
using vbtest::testClsid;

namespace {

const std::string kVersioned = VNT_BIN_DIR "/vb_testmod_plugin.so"; // file version 2.0.1.5
const std::string kPlain = VNT_BIN_DIR "/vb_testmod_plugin_plain.so";
const std::string kMissing = VNT_BIN_DIR "/no_such_plugin.so";

void setTrace(int value) { vbRegKey(vbRegLocalMachine, "Software\\KVX Vantrel\\HotPlug Center").SetValue("Trace", vbVariant(value)); }

TEST(vbModulePath, TheCheckKeepsOrDeletesARegistrationByItsFileAndVersion)
{
    enum Where { kNone, kClassesRoot, kMachine, kBoth };
    struct Case {
        const char* name;
        Where where;
        std::string file;
        vbVersion asked;
        bool result;
        bool keepsClassesRoot;
        bool keepsMachine;
        std::string logged;
    };
    const std::string head = "HOTPLUG: vbCheckModulePath({00000007-1234-5678-9ABC-000000000001}, askedVer=";
    const Case cases[] = {
        {"no registration", kNone, "", vbVersion(0x20000, 0x10005), true, false, false,
            head + "2.0.1.5) : not installed"},
        {"machine only, file present", kMachine, kPlain, vbVersion(0x20000, 0x10005), true, false, true,
            head + "2.0.1.5) : installed by IE, to check (path=" + kPlain + ")"},
        {"file of the asked version", kClassesRoot, kVersioned, vbVersion(0x20000, 0x10005), true, true, false,
            head + "2.0.1.5) : manually installed, no update needed (version=2.0.1.5, path=" + kVersioned + ")"},
        {"file older than asked", kClassesRoot, kVersioned, vbVersion(0x20000, 0x10006), true, false, false,
            head + "2.0.1.6) : manually installed, update needed, registry keys deleted (version=2.0.1.5, path=" +
                kVersioned + ")"},
        {"no version asked", kClassesRoot, kVersioned, vbVersion(), true, true, false,
            head + "-1.-1.-1.-1) : manually installed, no update needed (version=2.0.1.5, path=" + kVersioned + ")"},
        {"no version asked, file without version", kClassesRoot, kPlain, vbVersion(), true, true, false,
            head + "-1.-1.-1.-1) : manually installed, no update needed (version=-1.-1.-1.-1, path=" + kPlain + ")"},
        {"file without version", kClassesRoot, kPlain, vbVersion(0x10000, 0), true, false, false,
            head + "1.0.0.0) : manually installed, update needed, registry keys deleted (version=-1.-1.-1.-1, path=" +
                kPlain + ")"},
        {"missing file, machine's found next", kBoth, kMissing, vbVersion(), true, false, true,
            head + "-1.-1.-1.-1) : installed by IE, binary not found, registry keys deleted (path=" + kMissing + ")"},
        {"missing file, machine only", kMachine, kMissing, vbVersion(0x10000, 0), false, false, false,
            head + "1.0.0.0) : installed by IE, binary not found, registry keys deleted (path=" + kMissing + ")"},
    };
    for (const Case& c : cases) {
        const GUID id = testClsid(7);
        if (c.where == kClassesRoot || c.where == kBoth)
            registerServer(id, c.file.c_str(), true);
        if (c.where == kMachine || c.where == kBoth)
            registerServer(id, c.where == kBoth ? kPlain.c_str() : c.file.c_str(), false);
        setTrace(2);
        EXPECT_EQ(vbCheckModulePath(id, c.asked, 0), c.result) << c.name;
        EXPECT_EQ(isRegistered(id, true), c.keepsClassesRoot) << c.name;
        EXPECT_EQ(isRegistered(id, false), c.keepsMachine) << c.name;
        EXPECT_NE(readLogFile().find(c.logged), std::string::npos) << c.name << "\n" << c.logged;
        vbRegKey(vbRegClassesRoot, "CLSID").DeleteKey(true, false);
        vbRegKey(vbRegLocalMachine, "SOFTWARE\\Classes").DeleteKey(true, false);
    }
}

TEST(vbModulePath, NothingIsLoggedBelowTraceLevelOne)
{
    setTrace(1);
    EXPECT_TRUE(vbCheckModulePath(testClsid(7), vbVersion(), 0));
    EXPECT_EQ(readLogFile().find("HOTPLUG: "), std::string::npos);
}

TEST(vbModulePath, TheCheckIsRepeatedOnceAtMost)
{
    vbtest::expectThrown<vbEsys>([] { vbCheckModulePath(testClsid(7), vbVersion(0x10002, 0x30004), 2); }, E_FAIL,
        "vbCheckModulePath({00000007-1234-5678-9ABC-000000000001}, askedVer=1.2.3.4) : recursion count(2) > 1");
}

TEST(vbModulePath, ThePathIsTheFirstServerOfTheFirstRegistration)
{
    EXPECT_EQ(std::string(vbGetModulePath(testClsid(1))), "");

    registerServer(testClsid(1), "/opt/machine.so", false);
    EXPECT_EQ(std::string(vbGetModulePath(testClsid(1))), "/opt/machine.so");
    registerServer(testClsid(1), "/opt/local.so", true, "LocalServer32");
    EXPECT_EQ(std::string(vbGetModulePath(testClsid(1))), "/opt/local.so") << "the class root's comes first";
    registerServer(testClsid(1), "/opt/inproc.so", true);
    EXPECT_EQ(std::string(vbGetModulePath(testClsid(1))), "/opt/inproc.so");

    // An in-process server without a path: no fall-back, and the check deletes the registration.
    registerServer(testClsid(2), "", true);
    registerServer(testClsid(2), kPlain.c_str(), true, "LocalServer32");
    EXPECT_EQ(std::string(vbGetModulePath(testClsid(2))), "");
    EXPECT_TRUE(vbCheckModulePath(testClsid(2), vbVersion(), 0));
    EXPECT_FALSE(isRegistered(testClsid(2), true));
}

TEST(vbModulePath, EachDownloadStatusHasItsText)
{
    const char* const texts[] = {"", "Finding components files...", "Connecting to server...",
        "Finding components files...", "Downloading components...", "Downloading components...",
        "Components downloaded.", "Downloading components...", "Installing components...", "Installation terminated.",
        ""};
    for (int status = 0; status <= 10; ++status)
        EXPECT_EQ(std::string(vbLabel(static_cast<vbPlugStatus>(status))), texts[status]) << status;
}

} // namespace
