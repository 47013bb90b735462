#include "testsupport/TestHome.h"

#include "plat/clock.h"
#include "plat/headless.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <system_error>
#include <unistd.h>

namespace vnt::test {
namespace {

std::filesystem::path g_home;

// Gives each test its own VANTREL_HOME; a listener rather than a fixture, so that no test can
// forget it. A test program also runs whole in one process, so a test that leaves the current
// folder or the clock changed fails here, where it is plain which test did it, and the next test
// still starts as the first one did.
class TestHomeListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& info) override
    {
        std::error_code ignored;
        m_folder = std::filesystem::current_path(ignored);
        m_clock = plat::currentClock();
        std::string pattern = (std::filesystem::temp_directory_path() / "vnt-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        g_home = pattern;
        setenv("VANTREL_HOME", g_home.c_str(), 1);
        // For what looks past VANTREL_HOME, the desktop's tools among them.
        setenv("XDG_DATA_HOME", (g_home / "xdg-data").c_str(), 1);
        (void)info;
    }

    void OnTestEnd(const ::testing::TestInfo&) override
    {
        std::error_code ignored;
        if (std::filesystem::current_path(ignored) != m_folder) {
            ADD_FAILURE() << "the test left the current folder changed";
            std::filesystem::current_path(m_folder, ignored);
        }
        if (plat::currentClock() != m_clock) {
            ADD_FAILURE() << "the test left a clock of its own in place";
            plat::setClock(m_clock);
        }
        m_clock.reset();
        std::filesystem::remove_all(g_home, ignored);
        g_home.clear();
    }

    std::filesystem::path m_folder;
    std::shared_ptr<plat::Clock> m_clock;
};

} // namespace

const std::filesystem::path& testHome() { return g_home; }

} // namespace vnt::test

int main(int argc, char** argv)
{
    // Tests never need a display, and must never wait for a person to press a button.
    setenv("VANTREL_HEADLESS", "1", 1);
    // Nor the desktop they are started from: SDL's dummy driver, which the desktop back end's tests
    // use, still reaches the session bus through that display, whose library keeps memory to the
    // end that the leak check reports. Tests of a real window start a display of their own.
    unsetenv("DISPLAY");
    // Layout checks are exact and the same on every machine; tests of real fonts switch it off.
    plat::headless::useFixedTestFont(true);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new vnt::test::TestHomeListener);
    return RUN_ALL_TESTS();
}
