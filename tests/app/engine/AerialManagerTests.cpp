#include "app/engine/AerialManager.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <signal.h>
#include <unistd.h>

#include <glib.h>
#include <nlohmann/json.hpp>
#include <gtest/gtest.h>

#include "app/engine/ThumbnailHelperProtocol.hpp"
#include "platform/foundation/Dispatch.hpp"
#include "support/ChildRun.hpp"
#include "support/TestData.hpp"

namespace fs = std::filesystem;

// Pictures the thumbnail reader lets its decoder start in this process: FFmpeg's own
// allocation of each, counted on the way.
static std::size_t picturesStarted = 0;
extern "C" int avcodec_default_get_buffer2(struct AVCodecContext* codec, struct AVFrame* frame, int flags) {
  using Allocate = int (*)(AVCodecContext*, AVFrame*, int);
  static const auto library = reinterpret_cast<Allocate>(dlsym(RTLD_NEXT, "avcodec_default_get_buffer2"));
  ++picturesStarted;
  return library(codec, frame, flags);
}

namespace {

// A fresh temporary folder for one test.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vl-engine-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    if (!made) throw std::runtime_error("mkdtemp failed");
    path_ = made;
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

void writeFile(const fs::path& file, std::string_view text) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// The settings file as the application writes it.
void writeSettings(const fs::path& file, const char* id, const char* name) {
  nlohmann::json settings = nlohmann::json::object();
  if (id) settings[std::string(AerialManager::currentWallpaperIdKey)] = id;
  if (name) settings[std::string(AerialManager::currentWallpaperNameKey)] = name;
  settings["launchAtLogin"] = true;
  writeFile(file, settings.dump());
}

AerialManager::Locations locationsIn(const fs::path& dir) {
  return {.settingsFile = dir / "config" / "vidlumen" / "settings.json",
          .rootFolder = dir / "data" / "vidlumen"};
}

// Runs the ffmpeg program; true when it made the file.
bool ffmpeg(const std::string& args, const fs::path& output) {
  const std::string command =
      "ffmpeg -hide_banner -loglevel error -nostdin -y " + args + " '" + output.string() + "'";
  return std::system(command.c_str()) == 0 && fs::exists(output) && fs::file_size(output) > 0;
}

// ---------------------------------------------------------------------------------------
// Share slug and display title

TEST(AerialManagerSettings, DefaultsWhenNothingIsStored) {
  TempDir dir;
  AerialManager manager(locationsIn(dir.path()));
  EXPECT_FALSE(manager.currentWallpaperId());
  EXPECT_FALSE(manager.currentWallpaperName());
  EXPECT_EQ(manager.shareSlug(), "waves-dp3YBose");
  EXPECT_EQ(manager.displayTitle(), "Waves");
  EXPECT_EQ(manager.currentVideoFile(), manager.videosFolder() / "dp3YBose.mov")
      << "the thumbnail follows the link's default id";
}

struct StoredCase {
  const char* name;
  const char* id;
  const char* slug;
  const char* title;
};

class StoredValues : public ::testing::TestWithParam<StoredCase> {};

TEST_P(StoredValues, SlugAndTitle) {
  const auto& c = GetParam();
  TempDir dir;
  const auto locations = locationsIn(dir.path());
  writeSettings(locations.settingsFile, c.id, c.name);
  AerialManager manager(locations);
  ASSERT_TRUE(manager.currentWallpaperId());
  ASSERT_TRUE(manager.currentWallpaperName());
  EXPECT_EQ(*manager.currentWallpaperId(), c.id);
  EXPECT_EQ(*manager.currentWallpaperName(), c.name);
  EXPECT_EQ(manager.shareSlug(), c.slug);
  EXPECT_EQ(manager.displayTitle(), c.title);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StoredValues,
    ::testing::Values(
        StoredCase{"waves", "dp3YBose", "waves-dp3YBose", "Waves"},
        StoredCase{"aurora", "Xy7_-9.~z", "aurora-Xy7_-9.~z", "Aurora"},
        StoredCase{"northern lights", "Ab12", "northern%20lights-Ab12", "Northern Lights"},
        StoredCase{"ocean-breeze", "q1", "ocean-breeze-q1", "Ocean-breeze"},
        StoredCase{"what?", "k", "what%3F-k", "What?"},
        StoredCase{"rock & roll #1", "k", "rock%20%26%20roll%20%231-k", "Rock & Roll #1"},
        StoredCase{"a/b", "c/d", "a%2Fb-c%2Fd", "A/b"},
        StoredCase{"100%", "k", "100%25-k", "100%"},
        StoredCase{"\xC3\xA9t\xC3\xA9 \xC3\xA0 paris", "z",
                   "%C3%A9t%C3%A9%20%C3%A0%20paris-z", "\xC3\x89t\xC3\xA9 \xC3\x80 Paris"},
        // Title case of the first character only: U+00DF has none of its own, U+01C6
        // (dz with caron) has U+01C5, not the upper case U+01C4.
        StoredCase{"stra\xC3\x9F" "e \xC3\x9F" "ig", "z", "stra%C3%9Fe%20%C3%9Fig-z",
                   "Stra\xC3\x9F" "e \xC3\x9F" "ig"},
        StoredCase{"\xC7\x86ungla", "z", "%C7%86ungla-z", "\xC7\x85ungla"},
        StoredCase{"  spaced \t  out  ", "z", "%20%20spaced%20%09%20%20out%20%20-z",
                   "Spaced Out"},
        StoredCase{"already Upper", "z", "already%20Upper-z", "Already Upper"},
        StoredCase{"1999 sunset", "z", "1999%20sunset-z", "1999 Sunset"},
        // The first cased character of a word is title-cased, after any punctuation or
        // digits in front of it; a word without one stays as it is.
        StoredCase{"(waves) \xC2\xAB" "neige\xC2\xBB", "z", "%28waves%29%20%C2%ABneige%C2%BB-z",
                   "(Waves) \xC2\xAB" "Neige\xC2\xBB"},
        StoredCase{"\xC2\xBF" "qu\xC3\xA9 pasa?", "z", "%C2%BFqu%C3%A9%20pasa%3F-z",
                   "\xC2\xBF" "Qu\xC3\xA9 Pasa?"},
        StoredCase{"...and then", "z", "...and%20then-z", "...And Then"},
        StoredCase{"1999sunset", "z", "1999sunset-z", "1999Sunset"},
        StoredCase{"((\xC7\x86))", "z", "%28%28%C7%86%29%29-z", "((\xC7\x85))"},
        StoredCase{"(\xC3\x9Fig)", "z", "%28%C3%9Fig%29-z", "(\xC3\x9Fig)"},
        StoredCase{"-- --", "z", "--%20---z", "-- --"}));

TEST(AerialManagerSettings, OnlyOneValueStoredKeepsTheOtherDefault) {
  TempDir dir;
  const auto locations = locationsIn(dir.path());
  writeFile(locations.settingsFile, R"({"vidLumen.currentWallpaperName": "sea glass"})");
  AerialManager nameOnly(locations);
  EXPECT_EQ(nameOnly.shareSlug(), "sea%20glass-dp3YBose");
  EXPECT_EQ(nameOnly.displayTitle(), "Sea Glass");

  writeFile(locations.settingsFile, R"({"vidLumen.currentWallpaperId": "Q9"})");
  AerialManager idOnly(locations);
  EXPECT_EQ(idOnly.shareSlug(), "waves-Q9");
  EXPECT_EQ(idOnly.displayTitle(), "Waves");
}

class MalformedSettings : public ::testing::TestWithParam<std::string> {};

TEST_P(MalformedSettings, FallBackToTheDefaults) {
  TempDir dir;
  const auto locations = locationsIn(dir.path());
  writeFile(locations.settingsFile, GetParam());
  AerialManager manager(locations);
  EXPECT_FALSE(manager.currentWallpaperId());
  EXPECT_FALSE(manager.currentWallpaperName());
  EXPECT_EQ(manager.shareSlug(), "waves-dp3YBose");
  EXPECT_EQ(manager.displayTitle(), "Waves");
}

INSTANTIATE_TEST_SUITE_P(
    Files, MalformedSettings,
    ::testing::Values(std::string(), std::string("not json"), std::string("{\"vidLumen."),
                      std::string("[\"vidLumen.currentWallpaperId\", \"x\"]"),
                      std::string("\"just a string\""),
                      std::string(R"({"vidLumen.currentWallpaperId": 12, )"
                                  R"("vidLumen.currentWallpaperName": true})"),
                      std::string(R"({"vidLumen.currentWallpaperId": null, )"
                                  R"("vidLumen.currentWallpaperName": ["waves"]})"),
                      std::string(R"({"vidLumen.currentWallpaperId": "", )"
                                  R"("vidLumen.currentWallpaperName": ""})"),
                      std::string(R"({"vidLumen": {"currentWallpaperId": "x"}})"),
                      // Larger than any settings file of ours.
                      "{\"vidLumen.currentWallpaperId\": \"x\", \"pad\": \"" +
                          std::string(2 << 20, 'a') + "\"}",
                      std::string("\xFF\xFE{}", 4)));

TEST(AerialManagerSettings, SettingsPathThatIsNoReadableFileFallsBackToTheDefaults) {
  TempDir dir;
  const auto locations = locationsIn(dir.path());
  fs::create_directories(locations.settingsFile);
  AerialManager manager(locations);
  EXPECT_EQ(manager.shareSlug(), "waves-dp3YBose");
  // An endless device, a file whose reading fails (EIO) and a FIFO nobody writes.
  ASSERT_EQ(mkfifo((dir.path() / "fifo").c_str(), 0600), 0);
  for (const fs::path& target : {fs::path("/dev/zero"), fs::path("/proc/self/mem"), dir.path() / "fifo"}) {
    fs::remove_all(locations.settingsFile);
    fs::create_symlink(target, locations.settingsFile);
    EXPECT_EQ(AerialManager(locations).shareSlug(), "waves-dp3YBose") << target;
  }
  // A reading that fails after its first bytes ("{}", then EIO) is no end of the file.
  static int reads = 0;
  EXPECT_FALSE(AerialManager::readSettingsText(-1, 100, [](int, void* buffer, std::size_t) -> ssize_t {
    return reads++ ? (errno = EIO, -1) : (std::memcpy(buffer, "{}", 2), 2);
  }));
}

TEST(AerialManagerSettings, SlugIsOneWellFormedPathSegmentOfTheLink) {
  // Random names and ids, including bytes that are special in URLs: the link parses, has
  // the slug as its one last path segment, keeps its query, and decodes back to the text.
  std::mt19937 random(1234);
  const std::string alphabet =
      "abcXYZ019 -._~?&#/%+=;:@!$'()*,[]\"<>\\^`{|}\t\xC3\xA9\xE2\x82\xAC";
  for (int round = 0; round < 200; ++round) {
    std::string name;
    std::string id;
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int i = 0; i < 12; ++i) name.push_back(alphabet[pick(random)]);
    for (int i = 0; i < 8; ++i) id.push_back(alphabet[pick(random)]);
    TempDir dir;
    const auto locations = locationsIn(dir.path());
    nlohmann::json settings;
    settings[std::string(AerialManager::currentWallpaperNameKey)] = name;
    settings[std::string(AerialManager::currentWallpaperIdKey)] = id;
    std::string dumped;
    try {
      dumped = settings.dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);
    } catch (const nlohmann::json::exception&) {
      continue;  // a cut UTF-8 sequence: not a name the settings can hold
    }
    writeFile(locations.settingsFile, dumped);
    AerialManager manager(locations);
    const std::string slug = manager.shareSlug();
    const std::string link = "https://example.com/wallpaper/" + slug + "?utm_source=macos_app";
    GError* error = nullptr;
    GUri* uri = g_uri_parse(link.c_str(), G_URI_FLAGS_ENCODED, &error);
    ASSERT_NE(uri, nullptr) << link << ": " << (error ? error->message : "");
    EXPECT_STREQ(g_uri_get_query(uri), "utm_source=macos_app") << link;
    EXPECT_EQ(g_uri_get_fragment(uri), nullptr) << link;
    const std::string path = g_uri_get_path(uri);
    g_uri_unref(uri);
    ASSERT_EQ(path.rfind("/wallpaper/", 0), 0u) << link;
    const std::string segment = path.substr(std::string("/wallpaper/").size());
    EXPECT_EQ(segment.find('/'), std::string::npos) << link;
    g_autofree gchar* decoded = g_uri_unescape_segment(segment.data(), segment.data() + segment.size(), nullptr);
    ASSERT_NE(decoded, nullptr) << link;
    EXPECT_EQ(std::string(decoded), name + "-" + id);
  }
}

// ---------------------------------------------------------------------------------------
// Locations

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(AerialManagerLocations, FollowTheXdgVariables) {
  ScopedEnv home("HOME", "/home/tester");
  {
    ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
    ScopedEnv data("XDG_DATA_HOME", "/dat");
    const auto l = AerialManager::Locations::fromEnvironment();
    EXPECT_EQ(l.settingsFile, fs::path("/cfg/vidlumen/settings.json"));
    EXPECT_EQ(l.rootFolder, fs::path("/dat/vidlumen"));
  }
  for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/dir"}) {
    ScopedEnv config("XDG_CONFIG_HOME", ignored);
    ScopedEnv data("XDG_DATA_HOME", ignored);
    const auto l = AerialManager::Locations::fromEnvironment();
    EXPECT_EQ(l.settingsFile, fs::path("/home/tester/.config/vidlumen/settings.json"));
    EXPECT_EQ(l.rootFolder, fs::path("/home/tester/.local/share/vidlumen"));
  }
}

TEST(AerialManagerLocations, VideoFileIsTheIdInTheVideosFolder) {
  TempDir dir;
  const auto locations = locationsIn(dir.path());
  struct Case {
    const char* id;
    bool named;
  };
  for (const auto& c : {Case{"dp3YBose", true}, Case{"a.b", true}, Case{"..", false},
                        Case{".", false}, Case{"../../etc/passwd", false}, Case{"x/y", false}}) {
    writeFile(locations.settingsFile, std::string("{\"vidLumen.currentWallpaperId\": \"") +
                                          c.id + "\"}");
    AerialManager manager(locations);
    const auto file = manager.currentVideoFile();
    EXPECT_EQ(file.has_value(), c.named) << c.id;
    if (file) {
      EXPECT_EQ(*file, locations.rootFolder / "videos" / (std::string(c.id) + ".mov"));
      EXPECT_EQ(file->parent_path(), manager.videosFolder());
    }
  }
}

// ---------------------------------------------------------------------------------------
// First frame

// Test videos are made once for the whole suite.
class FirstFrame : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { dir_ = new TempDir(); }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static fs::path file(const std::string& name) { return dir_->path() / name; }
  static TempDir* dir_;
};
TempDir* FirstFrame::dir_ = nullptr;

// The colour every solid test video shows.
constexpr int kR = 200, kG = 50, kB = 100;

void expectColourNear(const gfx::Image& image, int x, int y, int r, int g, int b, int tolerance) {
  const auto p = image.pixelAt(x, y);
  EXPECT_NEAR(p.r, r, tolerance) << "at " << x << "," << y;
  EXPECT_NEAR(p.g, g, tolerance) << "at " << x << "," << y;
  EXPECT_NEAR(p.b, b, tolerance) << "at " << x << "," << y;
  EXPECT_EQ(p.a, 255);
}

struct ColourCase {
  const char* label;
  const char* size;
  const char* encode;  // filters and tags
  int width;           // expected after scaling to cover 912 x 512
  int height;
};

class FirstFrameColour : public FirstFrame, public ::testing::WithParamInterface<ColourCase> {};

TEST_P(FirstFrameColour, UsesTheStreamsMatrixAndRange) {
  const auto& c = GetParam();
  const auto video = file(std::string(c.label) + ".mov");
  ASSERT_TRUE(ffmpeg(std::string("-f lavfi -i color=c=0xC83264:size=") + c.size +
                         ":rate=5 -frames:v 2 " + c.encode,
                     video));
  // As the panel reads it (in the helper program), and the same pixels as read here.
  const auto image = AerialManager::thumbnailOf(video);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), c.width);
  EXPECT_EQ(image->height(), c.height);
  const auto inProcess = AerialManager::firstVideoFrame(video);
  ASSERT_TRUE(inProcess);
  EXPECT_TRUE(std::ranges::equal(image->pixels(), inProcess->pixels()));
  expectColourNear(*image, image->width() / 2, image->height() / 2, kR, kG, kB, 5);
  expectColourNear(*image, 3, 3, kR, kG, kB, 6);
}

INSTANTIATE_TEST_SUITE_P(
    Videos, FirstFrameColour,
    ::testing::Values(
        ColourCase{"hd709", "1280x720",
                   "-vf scale=out_color_matrix=bt709:out_range=tv,format=yuv420p -colorspace "
                   "bt709 -color_primaries bt709 -color_trc bt709 -color_range tv -c:v libx264",
                   912, 513},
        ColourCase{"sd601", "640x480",
                   "-vf scale=out_color_matrix=bt601:out_range=tv,format=yuv420p -colorspace "
                   "smpte170m -color_range tv -c:v libx264",
                   640, 480},
        ColourCase{"hd709full", "1280x720",
                   "-vf scale=out_color_matrix=bt709:out_range=pc,format=yuv420p -colorspace "
                   "bt709 -color_range pc -c:v libx264",
                   912, 513},
        ColourCase{"untaggedHd", "1920x1080",
                   "-vf scale=out_color_matrix=bt709:out_range=tv,format=yuv420p -c:v libx264",
                   912, 513},
        ColourCase{"untaggedSd", "320x240",
                   "-vf scale=out_color_matrix=bt601:out_range=tv,format=yuv420p -c:v mpeg4 "
                   "-q:v 2",
                   320, 240},
        ColourCase{"mjpegFull", "640x360",
                   "-vf scale=out_color_matrix=bt601:out_range=pc,format=yuvj420p -c:v mjpeg "
                   "-q:v 2",
                   640, 360},
        ColourCase{"bt2020", "1280x720",
                   "-vf scale=out_color_matrix=bt2020:out_range=tv,format=yuv420p10le "
                   "-colorspace bt2020nc -color_range tv -c:v libx264",
                   912, 513},
        ColourCase{"hevc4k", "3840x2160",
                   "-vf scale=out_color_matrix=bt709:out_range=tv,format=yuv420p -colorspace bt709 "
                   "-c:v libx265 -preset ultrafast -x265-params log-level=none",
                   912, 513},
        ColourCase{"hevc8192x4320", "8192x4320",
                   "-vf scale=out_color_matrix=bt709:out_range=tv,format=yuv420p -colorspace bt709 "
                   "-c:v libx265 -preset ultrafast -x265-params log-level=none",
                   971, 512},
        ColourCase{"vp9", "1280x720",
                   "-vf scale=out_color_matrix=bt709:out_range=tv,format=yuv420p -colorspace bt709 "
                   "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -f mp4",
                   912, 513},
        ColourCase{"av1", "1280x720",
                   "-vf scale=out_color_matrix=bt709:out_range=tv,format=yuv420p -colorspace bt709 "
                   "-c:v libaom-av1 -usage realtime -cpu-used 8 -f mp4",
                   912, 513},
        ColourCase{"prores422", "1280x720",
                   "-vf scale=out_color_matrix=bt709:out_range=tv,format=yuv422p10le "
                   "-colorspace bt709 -c:v prores_ks",
                   912, 513}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(FirstFrame, TheMatrixMattersForSaturatedColours) {
  // The same frame encoded with the BT.709 matrix but tagged BT.601 is read with the tag's
  // matrix, and comes out visibly different: proof that the tag is what decides.
  const auto video = file("mistagged.mov");
  ASSERT_TRUE(ffmpeg("-f lavfi -i color=c=0xC83264:size=1280x720:rate=5 -frames:v 1 "
                     "-vf scale=out_color_matrix=bt709:out_range=tv,format=yuv420p "
                     "-colorspace smpte170m -color_range tv -c:v libx264",
                     video));
  const auto image = AerialManager::firstVideoFrame(video);
  ASSERT_TRUE(image);
  const auto p = image->pixelAt(image->width() / 2, image->height() / 2);
  const int distance = std::abs(p.r - kR) + std::abs(p.g - kG) + std::abs(p.b - kB);
  EXPECT_GT(distance, 15);
}

TEST_F(FirstFrame, TakesTheFirstFrameNotALaterOne) {
  // Red for the first second, then blue.
  const auto video = file("redThenBlue.mov");
  ASSERT_TRUE(ffmpeg("-f lavfi -i color=c=red:size=320x240:rate=10:d=1 -f lavfi -i "
                     "color=c=blue:size=320x240:rate=10:d=1 -filter_complex "
                     "[0][1]concat=n=2:v=1[v] -map [v] -pix_fmt yuv420p -c:v libx264",
                     video));
  const auto image = AerialManager::firstVideoFrame(video);
  ASSERT_TRUE(image);
  const auto p = image->pixelAt(160, 120);
  EXPECT_GT(p.r, 200);
  EXPECT_LT(p.b, 40);
}

TEST_F(FirstFrame, KeepsTheDisplayAspectOfNonSquarePixels) {
  // 720 x 576 stored with 16:15 pixels shows as 768 x 576.
  const auto video = file("anamorphic.mov");
  ASSERT_TRUE(ffmpeg("-f lavfi -i color=c=0xC83264:size=720x576:rate=5 -frames:v 1 "
                     "-vf setsar=16/15,format=yuv420p -c:v libx264",
                     video));
  const auto image = AerialManager::firstVideoFrame(video, 0, 0);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), 768);
  EXPECT_EQ(image->height(), 576);
}

TEST_F(FirstFrame, ScalesDownToCoverTheBoxButNeverUp) {
  const auto video = file("testsrc.mov");
  ASSERT_TRUE(ffmpeg("-f lavfi -i testsrc=size=1280x720:rate=5 -frames:v 1 -pix_fmt yuv420p "
                     "-c:v libx264",
                     video));
  struct Case {
    int coverW, coverH, w, h;
  };
  for (const auto& c : {Case{912, 512, 912, 513}, Case{100, 100, 178, 100},
                        Case{640, 100, 640, 360}, Case{4000, 4000, 1280, 720},
                        Case{0, 0, 1280, 720}, Case{-5, 10, 1280, 720}}) {
    const auto image = AerialManager::firstVideoFrame(video, c.coverW, c.coverH);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), c.w) << c.coverW << "x" << c.coverH;
    EXPECT_EQ(image->height(), c.h) << c.coverW << "x" << c.coverH;
  }
}

TEST_F(FirstFrame, PremultipliesVideosWithAlpha) {
  const auto video = file("alpha.mov");
  ASSERT_TRUE(ffmpeg("-f lavfi -i color=c=0xC83264@0.5:size=320x240:rate=5,format=rgba "
                     "-frames:v 1 -c:v png",
                     video));
  const auto image = AerialManager::firstVideoFrame(video);
  ASSERT_TRUE(image);
  const auto p = image->pixelAt(10, 10);
  EXPECT_NEAR(p.a, 127, 2);
  EXPECT_NEAR(p.r, kR * 127 / 255, 2);
  EXPECT_NEAR(p.g, kG * 127 / 255, 2);
  EXPECT_NEAR(p.b, kB * 127 / 255, 2);
}

TEST_F(FirstFrame, MissingEmptyAndBrokenFilesGiveNone) {
  const auto good = file("good.mov");
  ASSERT_TRUE(ffmpeg("-f lavfi -i testsrc=size=320x240:rate=10 -frames:v 10 -pix_fmt yuv420p "
                     "-c:v libx264",
                     good));
  std::ifstream in(good, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  EXPECT_FALSE(AerialManager::firstVideoFrame(file("missing.mov")));

  writeFile(file("empty.mov"), "");
  EXPECT_FALSE(AerialManager::firstVideoFrame(file("empty.mov")));

  writeFile(file("text.mov"), "this is not a video at all\n");
  EXPECT_FALSE(AerialManager::firstVideoFrame(file("text.mov")));

  std::mt19937 random(99);
  std::string noise(64 * 1024, '\0');
  for (auto& ch : noise) ch = static_cast<char>(random());
  writeFile(file("noise.mov"), noise);
  EXPECT_FALSE(AerialManager::firstVideoFrame(file("noise.mov")));

  writeFile(file("head.mov"), bytes.substr(0, 200));
  EXPECT_FALSE(AerialManager::firstVideoFrame(file("head.mov")));

  // The container survives but the picture data is scrambled.
  std::string scrambled = bytes;
  for (std::size_t i = 0; i < scrambled.size(); ++i) {
    if (i > 64 && i + 64 < scrambled.size() - 2048) scrambled[i] = static_cast<char>(random());
  }
  writeFile(file("scrambled.mov"), scrambled);
  const auto maybe = AerialManager::firstVideoFrame(file("scrambled.mov"));
  if (maybe) {
    EXPECT_GT(maybe->width(), 0) << "a frame, if any, is a real image";
  }

  fs::create_directories(file("folder.mov"));
  EXPECT_FALSE(AerialManager::firstVideoFrame(file("folder.mov")));

  // An audio file has no picture.
  const auto audio = file("audio.mov");
  ASSERT_TRUE(ffmpeg("-f lavfi -i sine=frequency=440:duration=0.5 -c:a aac", audio));
  EXPECT_FALSE(AerialManager::firstVideoFrame(audio));
}

// ---------------------------------------------------------------------------------------
// Frame size bounds

std::string readBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void putBigEndian16(std::string& bytes, std::size_t at, int value) {
  bytes.at(at) = static_cast<char>((value >> 8) & 0xFF);
  bytes.at(at + 1) = static_cast<char>(value & 0xFF);
}

// Rewrites the frame size in the QuickTime sample description of that type (width and
// height are the 16-bit numbers 28 and 30 bytes after the type).
std::string withDeclaredSize(std::string mov, std::string_view sampleType, int width, int height) {
  const std::size_t at = mov.find(sampleType);
  EXPECT_NE(at, std::string::npos) << sampleType;
  if (at == std::string::npos) return mov;
  putBigEndian16(mov, at + 28, width);
  putBigEndian16(mov, at + 30, height);
  return mov;
}

// Rewrites the frame size in the start-of-frame marker (FF C0: length, precision, height,
// width) of a QuickTime file's first Motion-JPEG frame.
std::string withCodedJPEGSize(std::string mov, int width, int height) {
  const std::size_t at = mov.find("\xFF\xC0", mov.find("mdat"));
  EXPECT_NE(at, std::string::npos);
  if (at == std::string::npos) return mov;
  putBigEndian16(mov, at + 5, height);
  putBigEndian16(mov, at + 7, width);
  return mov;
}

TEST_F(FirstFrame, FramesBeyondThePixelLimitAreRefused) {
  // 64 x 48 = 3072 pixels.
  const auto small = file("bound-64x48.mov");
  ASSERT_TRUE(ffmpeg("-f lavfi -i color=c=0xC83264:size=64x48:rate=5 -frames:v 1 -pix_fmt yuv420p -c:v libx264", small));
  // The container says nothing of the size (0 x 0): the stream's own header does.
  const auto raw = file("bound-undeclared.mov");
  writeFile(raw, withDeclaredSize(readBytes(small), "avc1", 0, 0));
  // Shown four times as wide: 256 x 48.
  const auto wide = file("bound-wide.mov");
  ASSERT_TRUE(ffmpeg("-f lavfi -i color=c=0xC83264:size=64x48:rate=5 -frames:v 1 -vf setsar=4/1,format=yuv420p -c:v libx264", wide));
  // The container says 16000 x 16000, the picture is 64 x 48.
  const auto declaresMore = file("bound-declares-16000.mov");
  writeFile(declaresMore, withDeclaredSize(readBytes(small), "avc1", 16000, 16000));
  // The container says 16 x 16, the picture says 16000 x 16000.
  const auto jpeg = file("bound-16x16-mjpeg.mov");
  ASSERT_TRUE(ffmpeg("-f lavfi -i color=c=0xC83264:size=16x16:rate=5 -frames:v 1 -c:v mjpeg", jpeg));
  const auto hidesMore = file("bound-hides-16000.mov");
  writeFile(hidesMore, withCodedJPEGSize(readBytes(jpeg), 16000, 16000));
  // MPEG-4 with B-frames (I B B P in display order), 4096 x 2304 (over 8 Mi pixels), cut to
  // show from the third frame: the decoder starts four pictures before the first shown and
  // lets one go before the fourth, within a limit of 1.5 frames (three held at once).
  const auto bFrames = file("bound-bframes.mov");
  const auto bFramesCut = file("bound-bframes-cut.mov");
  ASSERT_TRUE(ffmpeg("-f lavfi -i color=c=0xC83264:size=4096x2304:rate=10 -frames:v 12 -pix_fmt yuv420p -c:v mpeg4 -bf 2 -q:v 5", bFrames));
  ASSERT_TRUE(ffmpeg("-ss 0.2 -i '" + bFrames.string() + "' -c copy", bFramesCut));
  // H.264 of the same size cut to show from the ninth frame, as a copy that keeps its key
  // frame does: the eight pictures before it are decoded and dropped, which is no sign of
  // a broken stream.
  const auto h264 = file("bound-h264.mov");
  const auto h264Cut = file("bound-h264-cut.mov");
  ASSERT_TRUE(ffmpeg("-f lavfi -i color=c=0xC83264:size=4096x2304:rate=10 -frames:v 12 -pix_fmt yuv420p -c:v libx264 -preset ultrafast", h264));
  ASSERT_TRUE(ffmpeg("-ss 0.8 -i '" + h264.string() + "' -c copy", h264Cut));
  // One grey 8192 x 8192 frame: exactly the default limit.
  const auto atLimit = testsupport::testDataFolder() / "repro" / "video-h264-8192x8192.mov";

  struct Case {
    const char* label;
    fs::path video;
    std::size_t maxPixels;
    int cover;                  // cover x cover pixels; 0: full size
    std::optional<int> width;   // none: refused
    int height = 0;
  };
  const Case cases[] = {
      {"8192 x 8192 at the default limit", atLimit, kDefaultMaxImagePixels, 912, 912, 912},
      {"8192 x 8192 one pixel over", atLimit, kDefaultMaxImagePixels - 1, 912, std::nullopt},
      {"64 x 48 at the limit", small, 3072, 0, 64, 48},
      {"64 x 48 one pixel over", small, 3071, 0, std::nullopt},
      {"size undeclared, at the limit", raw, 3072, 0, 64, 48},
      {"size undeclared, one pixel over", raw, 3071, 0, std::nullopt},
      {"container declares more than the picture", declaresMore, kDefaultMaxImagePixels, 0, std::nullopt},
      {"picture larger than the container declares", hidesMore, kDefaultMaxImagePixels, 0, std::nullopt},
      {"the same 16 x 16 file unaltered", jpeg, kDefaultMaxImagePixels, 0, 16, 16},
      {"B-frames cut, 1.5 frames' limit", bFramesCut, 4096 * 2304 * 3 / 2, 912, 1621, 912},
      {"H.264 cut after eight frames", h264Cut, kDefaultMaxImagePixels, 912, 1621, 912},
      // Wide pixels stretch the frame to 256 x 48; beyond the limit it keeps its shape
      // within it.
      {"wide pixels within the limit", wide, 256 * 48, 0, 256, 48},
      {"wide pixels beyond the limit", wide, 3072, 0, 128, 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const auto image = AerialManager::firstVideoFrame(c.video, c.cover, c.cover, c.maxPixels);
    ASSERT_EQ(image.has_value(), c.width.has_value());
    if (!image) continue;
    EXPECT_EQ(image->width(), *c.width);
    EXPECT_EQ(image->height(), c.height);
  }
}

TEST_F(FirstFrame, CopiesCutAfterTheirKeyFrameShowTheirFirstFrame) {
  // 4K HEVC with one key frame in 250, cut by stream copy 4 s and 8 s after it: of the 100
  // and 200 pictures before the cut, only those that later pictures refer to are decoded
  // (about half: three in four are B-pictures, one in three of those referred to). The
  // thumbnail is the frame ffmpeg shows first, scaled alike.
  const auto whole = file("cut-source.mov");
  ASSERT_TRUE(ffmpeg("-f lavfi -i testsrc2=size=3840x2160:rate=25 -t 8.2 -pix_fmt yuv420p -c:v libx265 "
                     "-preset ultrafast -x265-params log-level=none:keyint=250 -tag:v hvc1", whole));
  for (const auto& [at, dropped] : {std::pair{"4", 100}, std::pair{"8", 200}}) {
    SCOPED_TRACE(at);
    const auto cut = file(std::string("cut-") + at + ".mov");
    const auto expected = file(std::string("cut-") + at + ".rgba");
    ASSERT_TRUE(ffmpeg("-ss " + std::string(at) + " -i '" + whole.string() + "' -c copy", cut));
    ASSERT_TRUE(ffmpeg("-i '" + cut.string() + "' -frames:v 1 -vf scale=912:513:flags=area+accurate_rnd:"
                       "in_color_matrix=bt709:in_range=tv:out_range=pc,format=rgba -f rawvideo", expected));
    const std::size_t before = picturesStarted;
    const auto image = AerialManager::firstVideoFrame(cut);
    EXPECT_LT(picturesStarted - before, dropped * 3 / 5 + 5);
    ASSERT_TRUE(image);
    const std::string reference = readBytes(expected);
    EXPECT_TRUE(std::ranges::equal(image->pixels(), std::span(reinterpret_cast<const std::uint8_t*>(reference.data()), reference.size())));
  }
}

TEST_F(FirstFrame, AFrameAtTheDefaultLimitIsRead) {
  // The repro file: one grey (128) frame of 8192 x 8192, read straight into the thumbnail.
  const auto image = AerialManager::firstVideoFrame(testsupport::testDataFolder() / "repro" /
                                                    "video-h264-8192x8192.mov");
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width(), 912);
  EXPECT_EQ(image->height(), 912);
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{456, 456}, std::pair{911, 911}}) {
    const auto p = image->pixelAt(x, y);
    EXPECT_NEAR(p.r, 128, 4);
    EXPECT_NEAR(p.g, 128, 4);
    EXPECT_NEAR(p.b, 128, 4);
    EXPECT_EQ(p.a, 255);
  }
}

TEST_F(FirstFrame, StreamsWithoutAKeyFrameGiveUpSoon) {
  // 8192 x 8192 H.264 streams without their key frame (59 and 4000 predicted frames, and
  // one declaring 16 reference frames, put in QuickTime files here) took seconds to
  // minutes, the last 2.3 GB. Then files whose cost lies in FFmpeg itself, read as the panel
  // reads them: in the helper, with the helper's processor time and peak (its rusage) as
  // well as ours, and its time on the clock against a wait for its deadline (20 s). A playlist waited for ever for its live stream; sample indexes of 20
  // million entries and an edit list of 20 000 edits took 510 to 670 MB; ten 8192 x 8192
  // tracks were all probed (1.6 GB); 4 000 hidden AV1 frames took 67 s.
  struct Case {
    const char* name;
    bool helper;
    double seconds;  // processor time, the reader's or the helper's
    std::uint64_t helperBytes = 0;
    bool atDeadline = false;  // stopped by the reader's 5 s, short of the helper's limit of 6 s in any build
  };
  constexpr std::uint64_t MB = 1000u * 1000u;
#ifdef __SANITIZE_ADDRESS__
  constexpr std::uint64_t idleHelper = 400 * MB;  // the sanitizer's own memory
  constexpr double helperSlowdown = 2;            // and its own work
#else
  constexpr std::uint64_t idleHelper = 100 * MB;
  constexpr double helperSlowdown = 1;
#endif
  for (const Case& c : {Case{"video-h264-no-keyframe-59-frames.mov", false, 1.0},
                        Case{"video-h264-no-keyframe-4000-frames.mov", false, 1.0},
                        Case{"video-h264-no-keyframe-16-refs.mov", false, 1.0},
                        Case{"video-playlist-named-mov.mov", true, 1.0, idleHelper},
                        Case{"video-mov-index-20M-samples.mov", true, 3.0, 1200 * MB},
                        Case{"index-85M-samples.mov", true, 1.0, idleHelper},
                        Case{"video-mp4-fragment-run-20M-samples.mov", true, 3.0, 1200 * MB},
                        Case{"video-mov-20000-edits.mov", true, 3.0, 1200 * MB},
                        Case{"video-10-tracks-8192.mov", true, 1.0, idleHelper},
                        Case{"video-av1-4000-hidden-frames.mov", true, 5.5, 1200 * MB, true}}) {
    SCOPED_TRACE(c.name);
    auto video = testsupport::testDataFolder() / "repro" / c.name;
    if (!fs::exists(video)) {
      // The 20 million samples declared 85 million (2 GB of index).
      std::string bytes = readBytes(testsupport::testDataFolder() / "repro" / "video-mov-index-20M-samples.mov");
      for (std::size_t at; (at = bytes.find(std::string("\x01\x31\x2D\x00", 4))) != std::string::npos;) bytes.replace(at, 4, "\x05\x10\xFF\x40");
      writeFile(video = file(c.name), bytes);
    }
    if (!c.helper) {
      const auto raw = video;
      video = file(c.name);
      ASSERT_TRUE(ffmpeg("-f h264 -r 25 -probesize 32 -analyzeduration 0 -i '" + raw.string() + "' -c copy -copyinkf", video));
    }
    const testsupport::ChildRun run = testsupport::runInChild([&] {
      const auto start = std::chrono::steady_clock::now();
      const bool frame = (c.helper ? AerialManager::thumbnailOf(video) : AerialManager::firstVideoFrame(video)).has_value();
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      rusage helper{};
      getrusage(RUSAGE_CHILDREN, &helper);
      const double helperSeconds = static_cast<double>(helper.ru_utime.tv_sec + helper.ru_stime.tv_sec) +
                                   static_cast<double>(helper.ru_utime.tv_usec + helper.ru_stime.tv_usec) / 1e6;
      return std::string(frame ? "frame " : "none ") + std::to_string(took.count()) + " " +
             std::to_string(helper.ru_maxrss * 1024) + " " + std::to_string(helperSeconds);
    });
    ASSERT_TRUE(run.finished);
    std::istringstream answer(run.answer);
    std::string frame;
    double clock = 0, helperSeconds = 0;
    std::uint64_t helperBytes = 0;
    answer >> frame >> clock >> helperBytes >> helperSeconds;
    EXPECT_EQ(frame, "none");
    EXPECT_LT(c.helper ? helperSeconds : run.seconds, c.helper && !c.atDeadline ? c.seconds * helperSlowdown : c.seconds);
    EXPECT_LT(run.peakBytes, 400 * MB);
    if (c.helper) {
      EXPECT_LT(helperBytes, c.helperBytes);
      // One that is refused at once does not wait either (the playlist did).
      if (c.seconds <= 1.0) {
        EXPECT_LT(clock, 10.0);
      }
    }
  }
}

TEST(ThumbnailHelper, AnAnswerCountsOnlyWithinTheLimitAndFromAHelperThatExitedWell) {
  // Stand-ins answer a 2 x 2 frame, used only within the limit asked for, complete, alone
  // (tail: what follows it) and followed by an exit of status 0. One that blocks without
  // computing is stopped after 20 s on the clock.
  struct Case { const char* label; std::size_t maxPixels; const char* tail; int status; bool frame; bool blocks = false; };
  TempDir dir;
  const thumbnailhelper::Header header{thumbnailhelper::kMagic, 2, 2};
  std::string answer(reinterpret_cast<const char*>(&header), sizeof header);
  answer.append(16, '\x7F');
  for (const Case& c : {Case{"within the limit", 4, "", 0, true}, Case{"beyond the limit", 3, "", 0, false},
                        Case{"exit status 1", 4, "", 1, false}, Case{"a byte more", 4, "x", 0, false},
                        Case{"blocks", 4, "", 0, false, true}}) {
    SCOPED_TRACE(c.label);
    writeFile(dir.path() / "answer", answer + c.tail);
    const auto standIn = dir.path() / "helper.sh";
    writeFile(standIn, c.blocks ? std::string("#!/bin/sh\nexec sleep 60\n")
                                : "#!/bin/sh\ncat '" + (dir.path() / "answer").string() + "'\nexit " + std::to_string(c.status) + "\n");
    fs::permissions(standIn, fs::perms::owner_all);
    thumbnailhelper::useStandInForTesting(standIn.string());
    const auto start = std::chrono::steady_clock::now();
    const auto image = AerialManager::thumbnailOf(dir.path() / "any.mov", 0, 0, c.maxPixels);
    thumbnailhelper::useStandInForTesting({});
    EXPECT_EQ(image.has_value(), c.frame);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(21));
  }
}

// ---------------------------------------------------------------------------------------
// The asynchronous thumbnail

struct ThumbnailResult {
  bool called = false;
  bool onMainThread = false;
  std::optional<gfx::Image> image;
};

ThumbnailResult awaitThumbnail(const AerialManager& manager) {
  ThumbnailResult result;
  const auto mainThread = std::this_thread::get_id();
  manager.currentWallpaperThumbnail([&](std::optional<gfx::Image> image) {
    result.called = true;
    result.onMainThread = std::this_thread::get_id() == mainThread;
    result.image = std::move(image);
  });
  EXPECT_FALSE(result.called) << "the result comes later, through the main queue";
  EXPECT_TRUE(foundation::runMainLoopUntil([&] { return result.called; }, 60.0));
  return result;
}

TEST(AerialManagerThumbnail, FirstFrameOfTheCachedVideoArrivesOnTheMainQueue) {
  constexpr const char* solid = "-f lavfi -i color=c=0xC83264:size=1280x720:rate=5 -frames:v 2 "
                                "-vf scale=out_color_matrix=bt709,format=yuv420p -colorspace bt709 -c:v libx264";
  struct Case {
    const char* settings;  // none: no settings file at all
    const char* videoId;
    const char* encode = solid;
    int width = 912;
    int height = 513;
    bool busy = false;  // 16 other processes at work meanwhile
  };
  for (const auto& c :
       {Case{R"({"vidLumen.currentWallpaperId": "sunsetA1", "vidLumen.currentWallpaperName": "sunset"})",
             "sunsetA1"},
        Case{nullptr, "dp3YBose"},
        // An 8192 x 4320 HEVC picture of detailed content (33 MB, nearly 2 s of processor
        // time) beside 16 busy processes: it takes several times that on the clock.
        Case{nullptr, "dp3YBose",
             "-f lavfi -i testsrc2=size=8192x4320:rate=5 -frames:v 1 -vf noise=alls=25:allf=t,format=yuv420p "
             "-c:v libx265 -preset ultrafast -x265-params log-level=none:qp=14 -tag:v hvc1",
             971, 512, true}}) {
    SCOPED_TRACE(c.encode);
    TempDir dir;
    const auto locations = locationsIn(dir.path());
    if (c.settings) writeFile(locations.settingsFile, c.settings);
    const auto video = locations.rootFolder / "videos" / (std::string(c.videoId) + ".mov");
    fs::create_directories(video.parent_path());
    ASSERT_TRUE(ffmpeg(c.encode, video));
    AerialManager manager(locations);
    // Half of the busy processes spin on a core, half stream memory, as builds would.
    const pid_t busy = c.busy ? fork() : -1;
    if (busy == 0) {
      setpgid(0, 0);
      execl("/bin/sh", "sh", "-c", "for i in 1 2 3 4 5 6 7 8; do (while :; do :; done) & dd if=/dev/zero of=/dev/null bs=64M & done; wait", nullptr);
      _exit(127);
    }
    if (busy > 0) setpgid(busy, busy);
    const auto result = awaitThumbnail(manager);
    if (busy > 0) killpg(busy, SIGKILL), waitpid(busy, nullptr, 0);
    ASSERT_TRUE(result.called);
    EXPECT_TRUE(result.onMainThread);
    ASSERT_TRUE(result.image);
    EXPECT_EQ(result.image->width(), c.width);
    EXPECT_EQ(result.image->height(), c.height);
    if (c.encode == solid) expectColourNear(*result.image, 456, 256, kR, kG, kB, 5);
  }
}

TEST(AerialManagerThumbnail, NoneWithoutIdMissingEmptyOrCorruptFile) {
  TempDir dir;
  const auto locations = locationsIn(dir.path());
  {
    AerialManager noId(locations);  // the default id's video is not cached either
    const auto result = awaitThumbnail(noId);
    EXPECT_TRUE(result.called);
    EXPECT_TRUE(result.onMainThread);
    EXPECT_FALSE(result.image);
  }
  writeFile(locations.settingsFile, R"({"vidLumen.currentWallpaperId": "abc"})");
  const auto video = locations.rootFolder / "videos" / "abc.mov";
  // Missing, empty, a FIFO (only plain files of some size are read; opened, it would block
  // the helper until its clock deadline, 20 s) and corrupt: the placeholder comes at once,
  // and the worker is free for the next file.
  const std::function<void()> videos[] = {
      [] {}, [&] { writeFile(video, ""); }, [&] { fs::remove(video); ASSERT_EQ(mkfifo(video.c_str(), 0600), 0); },
      [&] { fs::remove(video); writeFile(video, std::string(4096, '\x42')); }};
  for (const auto& make : videos) {
    make();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(awaitThumbnail(AerialManager(locations)).image);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  }
}

}  // namespace
