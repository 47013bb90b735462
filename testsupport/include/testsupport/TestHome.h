#pragma once

#include <filesystem>

namespace vnt::test {

// The folder that VANTREL_HOME names for the running test. Every test gets a fresh, empty one
// (made before the test starts, removed after it ends), so no test reads or writes the user's
// own configuration, logs or shared objects.
const std::filesystem::path& testHome();

} // namespace vnt::test
