#include "plat/folders.h"

#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

TEST(Folders, VantrelHomeHoldsAllFourAndIsReadAtEachCall)
{
    const std::string home = vnt::test::testHome().string();
    EXPECT_EQ(plat::vantrelFolder(plat::Folder::Config), home + "/config");
    EXPECT_EQ(plat::vantrelFolder(plat::Folder::State), home + "/state");
    EXPECT_EQ(plat::vantrelFolder(plat::Folder::Runtime), home + "/runtime");
    EXPECT_EQ(plat::vantrelFolder(plat::Folder::Data), home + "/data");
    EXPECT_TRUE(std::filesystem::is_directory(home + "/data"));

    // Without VANTREL_HOME the XDG folders decide; a later change of the variable is seen.
    const std::string xdg = home + "/xdg-config/";
    unsetenv("VANTREL_HOME");
    setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
    std::string config = plat::vantrelFolder(plat::Folder::Config, false);
    unsetenv("XDG_CONFIG_HOME");
    setenv("VANTREL_HOME", home.c_str(), 1);
    EXPECT_EQ(config, home + "/xdg-config/kvx-vantrel");
    EXPECT_FALSE(std::filesystem::exists(config)); // not created when not asked to
}

} // namespace
