#include "support/TestData.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace testsupport {

std::filesystem::path testDataFolder() {
  const char* folder = std::getenv("VL_TEST_DATA");
  return folder ? std::filesystem::path(folder) : std::filesystem::path(VL_TEST_DATA_DEFAULT);
}

foundation::Bytes testData(std::string_view relativePath) {
  std::ifstream in(testDataFolder() / relativePath, std::ios::binary);
  if (!in) {
    ADD_FAILURE() << "cannot read test data " << relativePath;
    return {};
  }
  return foundation::Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace testsupport
