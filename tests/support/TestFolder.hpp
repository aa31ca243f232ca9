#pragma once
// Every test writes files only inside its own temporary folder, so that two runs of the
// suite can go at once. The folder is made on first use, under the system's temporary
// directory (TMPDIR), named after the test and unique to the run:
//   vl-<suite>.<test>-XXXXXX
// When the test ends it is removed, unless the test failed or VL_KEEP_TEST_FILES is set:
// then it stays, and its path is printed so that the pictures in it can be looked at.

#include <filesystem>
#include <string_view>

namespace testsupport {

// The running test's own folder.
const std::filesystem::path& testFolder();
// The path of a file of that name in the running test's folder.
std::filesystem::path testPath(std::string_view name);

}  // namespace testsupport
