#include "QRCode/core/QRCodeUtilities.hpp"

#include <cstdint>
#include <string>
#include <system_error>

namespace {

bool fileExists(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::exists(path, error) && !error;
}

}  // namespace

std::filesystem::path qrcore::uniqueFileURL(const std::filesystem::path& folder,
                                    std::string_view fileName) {
  std::filesystem::path candidate = folder / std::filesystem::path(fileName);
  if (!fileExists(candidate)) return candidate;

  // Base name and extension of the first candidate's last component. A leading "." (a
  // hidden file such as ".profile") does not start an extension.
  const std::string name = candidate.filename().string();
  const std::size_t dot = name.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot > 0;
  const std::string base = hasExtension ? name.substr(0, dot) : name;
  const std::string extension = hasExtension ? name.substr(dot + 1) : std::string();
  const std::filesystem::path parent = candidate.parent_path();

  std::string next;
  next.reserve(base.size() + extension.size() + 24);
  for (std::uint64_t n = 2;; ++n) {
    next.assign(base);
    next += '-';
    next += std::to_string(n);
    next += '.';
    next += extension;
    candidate = parent / next;
    if (!fileExists(candidate)) return candidate;
  }
}
