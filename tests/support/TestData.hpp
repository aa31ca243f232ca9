#pragma once
// The files under tests/data that the tests read (the build passes the folder in
// VL_TEST_DATA).

#include <filesystem>
#include <string_view>

#include "platform/foundation/Text.hpp"

namespace testsupport {

// The folder of the test data.
std::filesystem::path testDataFolder();
// The bytes of a file in it (an empty list, with a test failure, when it cannot be read).
foundation::Bytes testData(std::string_view relativePath);

}  // namespace testsupport
