#include "app/engine/AerialManager.hpp"

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/foundation/Dispatch.hpp"
#include "platform/foundation/Settings.hpp"

namespace {

// A settings file holds two short strings and a few flags: a few kilobytes at most. One
// larger than this is not ours and is ignored rather than read, so that a link to a
// device or a huge file costs neither time nor memory.
constexpr std::size_t kMaxSettingsFileSize = 1 << 20;

// An XDG base folder: the variable when it holds an absolute path, else HOME/fallback.
std::filesystem::path xdgFolder(const char* variable, const char* homeRelativeDefault) {
  if (const char* value = std::getenv(variable); value && *value) {
    std::filesystem::path p(value);
    if (p.is_absolute()) return p;
  }
  std::filesystem::path home;
  if (const char* h = std::getenv("HOME"); h && *h && std::filesystem::path(h).is_absolute()) {
    home = h;
  } else {
    home = g_get_home_dir();  // the password database's answer
  }
  return home / homeRelativeDefault;
}

// The settings file's JSON; none when it is missing, not a regular file (a folder, FIFO or
// device), larger than kMaxSettingsFileSize, fails while being read (an I/O error of the
// disk, the network or the file system) or is not JSON. Never throws for the file.
std::optional<foundation::Settings> readSettingsFile(const std::filesystem::path& file) {
  // Nothing but a regular file is opened (opening a device may act on it); the open is
  // non-blocking, so that a FIFO put in its place meanwhile is not waited for, and the type
  // is checked again on what was opened.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  std::optional<std::string> text;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    text = AerialManager::readSettingsText(fd, kMaxSettingsFileSize, &::read);
  }
  ::close(fd);
  if (!text) return std::nullopt;
  return foundation::readJSON(*text);
}

// A stored value counts only when it is a non-empty string.
std::optional<std::string> storedText(const std::optional<foundation::Settings>& settings,
                                      std::string_view key) {
  if (!settings) return std::nullopt;
  auto value = foundation::stringValue(*settings, key);
  if (!value || value->empty()) return std::nullopt;
  return value;
}

// Whether a character has case: a letter of general category Lu, Ll or Lt, or a character
// with a case mapping (circled letters, Roman numerals).
bool isCased(gunichar c) {
  switch (g_unichar_type(c)) {
    case G_UNICODE_UPPERCASE_LETTER:
    case G_UNICODE_LOWERCASE_LETTER:
    case G_UNICODE_TITLECASE_LETTER:
      return true;
    default:
      return g_unichar_toupper(c) != c || g_unichar_tolower(c) != c;
  }
}

// Title-cases the first cased character of a UTF-8 word with its Unicode title case, always
// one character ("ß" stays "ß", "ǆ" becomes "ǅ"), so that "(waves)" becomes "(Waves)" and
// "«neige»" becomes "«Neige»"; everything else is kept as it is. The word is kept unchanged
// from the first byte that is not valid UTF-8 on.
void appendCapitalised(std::string& out, std::string_view word) {
  const char* const begin = word.data();
  const char* const end = begin + word.size();
  for (const char* p = begin; p < end; p = g_utf8_next_char(p)) {
    const gunichar c = g_utf8_get_char_validated(p, static_cast<gssize>(end - p));
    if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) break;
    if (!isCased(c)) continue;
    const char* const next = g_utf8_next_char(p);
    char title[6];
    out.append(begin, static_cast<std::size_t>(p - begin));
    out.append(title, static_cast<std::size_t>(g_unichar_to_utf8(g_unichar_totitle(c), title)));
    out.append(next, static_cast<std::size_t>(end - next));
    return;
  }
  out.append(word);
}

bool isWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

}  // namespace

AerialManager::Locations AerialManager::Locations::fromEnvironment() {
  const std::filesystem::path app(applicationFolderName);
  return Locations{
      .settingsFile = xdgFolder("XDG_CONFIG_HOME", ".config") / app / "settings.json",
      .rootFolder = xdgFolder("XDG_DATA_HOME", ".local/share") / app,
  };
}

AerialManager& AerialManager::shared() {
  static AerialManager manager(Locations::fromEnvironment());
  return manager;
}

AerialManager::AerialManager(Locations locations) : locations_(std::move(locations)) {
  const auto settings = readSettingsFile(locations_.settingsFile);
  currentWallpaperId_ = storedText(settings, currentWallpaperIdKey);
  currentWallpaperName_ = storedText(settings, currentWallpaperNameKey);
}

std::optional<std::string> AerialManager::readSettingsText(int fd, std::size_t limit, ReadFunction read) {
  // A regular file may grow, or report a size of 0 (/proc): read at most one byte beyond
  // the limit, whatever its size says.
  std::string text;
  while (text.size() <= limit) {
    char buffer[16384];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) return text;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return std::nullopt;
}

std::string AerialManager::percentEncodePathSegment(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                            (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                            c == '~';
    if (unreserved) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0x0F]);
    }
  }
  return out;
}

std::string AerialManager::shareSlug() const {
  std::string slug(currentWallpaperName_ ? std::string_view(*currentWallpaperName_)
                                         : defaultWallpaperName);
  slug.push_back('-');
  slug.append(currentWallpaperId_ ? std::string_view(*currentWallpaperId_) : defaultWallpaperId);
  return percentEncodePathSegment(slug);
}

std::string AerialManager::displayTitle() const {
  const std::string_view name =
      currentWallpaperName_ ? std::string_view(*currentWallpaperName_) : defaultWallpaperName;
  std::string title;
  title.reserve(name.size() + 4);
  std::size_t i = 0;
  while (i < name.size()) {
    while (i < name.size() && isWhiteSpace(name[i])) ++i;
    std::size_t end = i;
    while (end < name.size() && !isWhiteSpace(name[end])) ++end;
    if (end > i) {
      if (!title.empty()) title.push_back(' ');
      appendCapitalised(title, name.substr(i, end - i));
    }
    i = end;
  }
  return title;
}

std::filesystem::path AerialManager::videosFolder() const { return locations_.rootFolder / "videos"; }

std::optional<std::filesystem::path> AerialManager::currentVideoFile() const {
  const std::string_view id =
      currentWallpaperId_ ? std::string_view(*currentWallpaperId_) : defaultWallpaperId;
  if (id == "." || id == ".." || id.find('/') != std::string_view::npos ||
      id.find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  std::string fileName(id);
  fileName.append(".mov");
  return videosFolder() / fileName;
}

void AerialManager::currentWallpaperThumbnail(
    std::function<void(std::optional<gfx::Image>)> completion) const {
  auto file = currentVideoFile();
  if (!file) {
    foundation::DispatchQueue::main().async(
        [completion = std::move(completion)] { if (completion) completion(std::nullopt); });
    return;
  }
  foundation::DispatchQueue::background().async(
      [file = std::move(*file), completion = std::move(completion)]() mutable {
        auto frame = thumbnailOf(file);
        foundation::DispatchQueue::main().async(
            [frame = std::move(frame), completion = std::move(completion)]() mutable {
              if (completion) completion(std::move(frame));
            });
      });
}
