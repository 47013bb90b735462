#include "testsupport/TestHome.h"

#include "plat/headless.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <system_error>
#include <unistd.h>

namespace vnt::test {
namespace {

std::filesystem::path g_home;

// Gives each test its own VANTREL_HOME; a listener rather than a fixture, so that no test can
// forget it.
class TestHomeListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& info) override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vnt-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        g_home = pattern;
        setenv("VANTREL_HOME", g_home.c_str(), 1);
        (void)info;
    }

    void OnTestEnd(const ::testing::TestInfo&) override
    {
        std::error_code ignored;
        std::filesystem::remove_all(g_home, ignored);
        g_home.clear();
    }
};

} // namespace

const std::filesystem::path& testHome() { return g_home; }

} // namespace vnt::test

int main(int argc, char** argv)
{
    // Tests never need a display, and must never wait for a person to press a button.
    setenv("VANTREL_HEADLESS", "1", 1);
    // Layout checks are exact and the same on every machine; tests of real fonts switch it off.
    plat::headless::useFixedTestFont(true);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new vnt::test::TestHomeListener);
    return RUN_ALL_TESTS();
}
