#include "support/TestFolder.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>

namespace testsupport {

namespace {

std::filesystem::path& currentFolder() {
  static std::filesystem::path folder;
  return folder;
}

// Removes the folder of a test that passed, when the test ends.
class FolderKeeper final : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo& test) override {
    std::filesystem::path& folder = currentFolder();
    if (folder.empty()) return;
    if (test.result()->Failed() || std::getenv("VL_KEEP_TEST_FILES")) {
      std::fprintf(stderr, "The files of %s.%s are kept in %s\n", test.test_suite_name(), test.name(), folder.c_str());
    } else {
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    }
    folder.clear();
  }
};

// A name made of letters, digits, '.', '_' and '-' only (parameterised tests carry '/').
std::string fileNameOf(std::string text) {
  for (char& c : text)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-') c = '_';
  return text;
}

}  // namespace

const std::filesystem::path& testFolder() {
  std::filesystem::path& folder = currentFolder();
  if (!folder.empty()) return folder;
  static const bool listening = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FolderKeeper);
    return true;
  }();
  (void)listening;
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name =
      test ? fileNameOf(std::string(test->test_suite_name()) + "." + test->name()) : std::string("outside-a-test");
  std::string pattern = (std::filesystem::temp_directory_path() / ("vl-" + name + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder from " + pattern);
  folder = pattern;
  return folder;
}

std::filesystem::path testPath(std::string_view name) { return testFolder() / name; }

}  // namespace testsupport
