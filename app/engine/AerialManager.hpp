#pragma once
// What the application keeps of its current wallpaper: the wallpaper's id and name (in the
// settings file), the share slug and display title made from them, and the first frame of
// the wallpaper's cached video as thumbnail.
//
// Files:
//  - settings: "$XDG_CONFIG_HOME/vidlumen/settings.json" (XDG_CONFIG_HOME defaults to
//    "~/.config"), a JSON object whose "vidLumen.currentWallpaperId" and
//    "vidLumen.currentWallpaperName" hold the current wallpaper;
//  - video cache: "$XDG_DATA_HOME/vidlumen/videos/<id>.mov" (XDG_DATA_HOME defaults to
//    "~/.local/share").
//
// The object lives on the main thread; only the thumbnail decoding runs on the background
// queue, and its result comes back on the main queue.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <sys/types.h>

#include "imageio/ImageLoad.hpp"
#include "platform/graphics/Image.hpp"

class AerialManager {
 public:
  static constexpr std::string_view currentWallpaperIdKey = "vidLumen.currentWallpaperId";
  static constexpr std::string_view currentWallpaperNameKey = "vidLumen.currentWallpaperName";
  static constexpr std::string_view defaultWallpaperId = "dp3YBose";
  static constexpr std::string_view defaultWallpaperName = "waves";
  // The application's folder name under the XDG configuration and data folders.
  static constexpr std::string_view applicationFolderName = "vidlumen";
  // The thumbnail is scaled down (never up) until it just covers this many pixels, twice
  // the panel's 456 x 256 thumbnail area, so that it stays sharp on a doubled screen.
  static constexpr int thumbnailCoverWidth = 912;
  static constexpr int thumbnailCoverHeight = 512;

  // Where the manager keeps its files.
  struct Locations {
    std::filesystem::path settingsFile;  // the JSON settings file
    std::filesystem::path rootFolder;    // the application's data folder ("videos" inside)

    // From XDG_CONFIG_HOME, XDG_DATA_HOME and HOME. A variable that is unset, empty or not
    // an absolute path is ignored, as the XDG rules ask.
    static Locations fromEnvironment();
  };

  // The one shared instance, made on first use from Locations::fromEnvironment().
  static AerialManager& shared();

  // Reads the current wallpaper's id and name from the settings file. A missing,
  // unreadable or malformed file, or a value that is not a non-empty string, counts as
  // nothing stored. Never throws for bad files.
  explicit AerialManager(Locations locations);

  const Locations& locations() const { return locations_; }

  // The stored id and name of the current wallpaper; none when nothing is stored.
  const std::optional<std::string>& currentWallpaperId() const { return currentWallpaperId_; }
  const std::optional<std::string>& currentWallpaperName() const { return currentWallpaperName_; }

  // "<name>-<id>" (defaults "waves" and "dp3YBose"), percent-encoded as one URL path
  // segment: every byte other than A-Z, a-z, 0-9, "-", ".", "_" and "~" becomes "%XX".
  std::string shareSlug() const;

  // The name (default "waves") split into words at white space, each word's first cased
  // character in its Unicode title case (what comes before it, such as punctuation or
  // digits, and the rest of the word unchanged: "(waves)" becomes "(Waves)"), the words
  // joined by single blanks.
  std::string displayTitle() const;

  // The video cache: "<root>/videos".
  std::filesystem::path videosFolder() const;

  // The cached video of the current wallpaper, "<root>/videos/<id>.mov", with the default
  // id "dp3YBose" when none is stored; none when the id cannot name a file (it holds "/" or
  // a NUL, or is "." or "..").
  std::optional<std::filesystem::path> currentVideoFile() const;

  // Reads the first frame of the current wallpaper's cached video on the background queue
  // and hands it, scaled down, to the completion on the main queue. The completion gets
  // none when there is no such file or no frame can be read. Never throws.
  void currentWallpaperThumbnail(std::function<void(std::optional<gfx::Image>)> completion) const;

  // The first frame of a video file, converted to RGBA with the stream's colour matrix and
  // range and scaled down (keeping its display aspect ratio, never up) until it just covers
  // coverWidth x coverHeight pixels, and to at most maxPixels pixels. None for a missing,
  // empty or unreadable file, and for frames beyond the limit of decoded images
  // (checkDecodedImageSize: maxPixels, and gfx::Image::maxDimension per side), which are
  // refused from the size their stream declares before anything is decoded, or when the
  // decoder meets a larger one, before it allocates it. None too when the decoder starts
  // more than four frames' worth of pictures (at least 32 Mi pixels) without giving a frame
  // (a stream whose key frame is missing; pictures decoded only to be dropped before the
  // start of the file's edit do not count), or would hold more than twice maxPixels at once
  // (a stream of many reference frames). Only QuickTime and MP4 files are read, of at most
  // eight tracks, without references to other files, with no single allocation of FFmpeg's
  // beyond 8 bytes a pixel of maxPixels (at least 64 MB; the limit is the process's), and
  // the reading gives up after 5 s of the process's processor time (at the default limit;
  // a smaller maxPixels gets its share, at least 1 s, a larger one no more) or 15 s on the
  // clock and 10 s more for every second of processor time used.
  // Pictures before the start of a cut file's edit that no other picture refers to are
  // not decoded. Runs on the caller's thread; never throws.
  static std::optional<gfx::Image> firstVideoFrame(const std::filesystem::path& file,
                                                   int coverWidth = thumbnailCoverWidth,
                                                   int coverHeight = thumbnailCoverHeight,
                                                   std::size_t maxPixels = kDefaultMaxImagePixels) noexcept;

  // The same first frame, read by the helper program vidlumen-thumbnailer in a process of
  // its own, limited to 1.2 GB of address space and 6 s of processor time and killed after
  // 20 s on the clock and 10 s more for every second of processor time it has used (a
  // helper that waits is stopped soon, one that computes on a busy machine is let finish);
  // none when it fails in any way, or cannot be found (this build's
  // program, the installed one in <libexecdir>/vidlumen, or one beside the running
  // program or in ../libexec/vidlumen from it). What currentWallpaperThumbnail shows.
  // Waits on the caller's thread; never throws.
  static std::optional<gfx::Image> thumbnailOf(const std::filesystem::path& file,
                                               int coverWidth = thumbnailCoverWidth,
                                               int coverHeight = thumbnailCoverHeight,
                                               std::size_t maxPixels = kDefaultMaxImagePixels) noexcept;

  // What an open settings file holds, read with read to its end; none when a read fails,
  // after the first bytes as well as at them, or when it holds more than limit bytes.
  using ReadFunction = ssize_t (*)(int fd, void* buffer, std::size_t size);
  static std::optional<std::string> readSettingsText(int fd, std::size_t limit, ReadFunction read);

  // Percent-encodes text as one URL path segment (see shareSlug).
  static std::string percentEncodePathSegment(std::string_view text);

 private:
  Locations locations_;
  std::optional<std::string> currentWallpaperId_;
  std::optional<std::string> currentWallpaperName_;
};
