// The first frame of a video file, read with libavformat and libavcodec and converted with
// libswscale.
//
// Frames are held to the limit of decoded images: a stream that declares a larger frame is
// refused before anything of it is decoded, and the decoders (the demuxer's probe and
// ours) get the same limit as their own, so a stream that declares less than it holds is
// refused when the decoder meets the real size, before it allocates the picture. The
// decoded frame is converted straight into the (usually much smaller) thumbnail, after
// the decoder and demuxer have been closed: no other full-size buffer is held with it.
//
// A damaged stream can keep a decoder busy without ever giving a frame: an H.264 stream
// whose key frame is missing is decoded frame by frame against made-up references, and one
// that declares many reference frames makes the decoder hold (and invent) that many
// pictures. The demuxer's probe therefore decodes key frames only, and our decoder's
// pictures are counted as it allocates them (FrameAllowance): a few frames' worth without a
// frame coming out, or more held at once than the limit allows, and there is no thumbnail.
//
// The file is opened as what its name says, a QuickTime or MP4 file, over the plain file
// protocol and without following references to other files: whatever else is named ".mov"
// (a playlist, which would wait for its live stream) gives no thumbnail. Only the video
// track the frame comes from is probed, a file of more tracks than a wallpaper video has is
// refused, and the whole reading gives up at a deadline of processor time (and a longer one
// on the clock, for input that does not come), checked between packets and by the
// demuxer's interrupt callback whenever it waits for input.
//
// A copy cut by stream copy keeps the pictures from the key frame before its cut, marked to
// be dropped: they are decoded to reach the first shown picture, except those that no other
// picture refers to. Decoders and demuxers can still
// spend memory and time of their own (a sample index of millions of entries, a decoder that
// allocates its pictures itself): the application therefore reads the frame in a helper
// process with hard limits (AerialManagerHelper.cpp), and this reader is what that process
// runs.

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "app/engine/AerialManager.hpp"

namespace {

// A broken file must not keep a worker busy forever: give up after this many packets
// without a frame.
constexpr int kMaxPacketsWithoutFrame = 4096;

// The pictures a decoder may start before its first frame comes out: this many of the
// stream's frames (a stream with B-frames holds back two or three), and at least this many
// pixels, so that small streams that begin with a few frames that cannot be shown still
// give a thumbnail.
constexpr std::uint64_t kFramesWithoutPicture = 4;
constexpr std::uint64_t kPixelsWithoutPicture = std::uint64_t{32} << 20;
// The pictures it may hold at once (the one being decoded and those it refers to): this
// many times the limit of one picture, so a stream of the largest pictures may refer to one
// other picture, and smaller ones to proportionally more.
constexpr std::uint64_t kHeldPicturesAtTheLimit = 2;
// A wallpaper video has one video track, perhaps sound, a time code and a few caption or
// chapter tracks; a file of more is not one, and every track costs the demuxer an index.
constexpr unsigned kMaxTracks = 8;
// The reading gives up after this much processor time (every thread of the process),
// which a machine busy with other work does not shorten, at the default pixel limit: an
// 8192 x 4320 HEVC frame of detailed content takes up to 3 s of it, a 4K copy cut just
// before its next key frame (the half of 249 pictures that the rest refer to, decoded to
// reach the first shown) about 2 s. A smaller limit gets its share of it, down to the
// floor; a larger one no more. And it gives up after this long on the clock, for a file
// that makes it wait without computing, plus this much for every second of processor time
// used, so that a machine busy several times over still gets its frame.
constexpr std::chrono::milliseconds kReadingProcessorTime{5000};
constexpr std::chrono::milliseconds kReadingProcessorTimeFloor{1000};
constexpr std::chrono::milliseconds kReadingClockTime{15000};
constexpr int kClockPerProcessorSecond = 10;
// No single allocation of FFmpeg's may be larger than a picture at the limit can need (a
// packed picture of 8 bytes a pixel, or its uncompressed packet) plus this much, and at
// least the floor: a sample index declared by millions of samples fails to grow beyond it.
constexpr std::size_t kBytesPerPixelAtMost = 8;
constexpr std::size_t kAllocationSlack = std::size_t{16} << 20;
constexpr std::size_t kAllocationFloor = std::size_t{64} << 20;
// The demuxer that reads QuickTime and MP4 files, and the names it registers under.
constexpr const char* kQuickTimeDemuxer = "mov";
constexpr const char* kQuickTimeFormats = "mov,mp4,m4a,3gp,3g2,mj2";

std::chrono::nanoseconds processorTime() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// When the reading gives up; the demuxer asks through its interrupt callback.
class Deadline {
 public:
  explicit Deadline(std::size_t maxPixels)
      : processorLimit_(std::max<std::chrono::nanoseconds>(
            kReadingProcessorTimeFloor,
            std::chrono::duration_cast<std::chrono::nanoseconds>(
                kReadingProcessorTime * std::min(1.0, static_cast<double>(maxPixels) / kDefaultMaxImagePixels)))) {}
  bool passed() const {
    const auto used = processorTime() - processorStart_;
    return used >= processorLimit_ ||
           std::chrono::steady_clock::now() - clockStart_ >= kReadingClockTime + used * kClockPerProcessorSecond;
  }
  static int interrupt(void* opaque) { return static_cast<const Deadline*>(opaque)->passed() ? 1 : 0; }

 private:
  std::chrono::nanoseconds processorLimit_;
  std::chrono::nanoseconds processorStart_ = processorTime();
  std::chrono::steady_clock::time_point clockStart_ = std::chrono::steady_clock::now();
};

struct FormatCloser {
  void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
struct CodecCloser {
  void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct PacketCloser {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameCloser {
  void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct ScaleCloser {
  void operator()(SwsContext* p) const { sws_freeContext(p); }
};

using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
using PacketPtr = std::unique_ptr<AVPacket, PacketCloser>;
using FramePtr = std::unique_ptr<AVFrame, FrameCloser>;
using ScalePtr = std::unique_ptr<SwsContext, ScaleCloser>;

// The options of one open, freed with it.
class Options {
 public:
  Options() = default;
  ~Options() { av_dict_free(&options_); }
  Options(const Options&) = delete;
  Options& operator=(const Options&) = delete;
  void set(const char* key, const char* value) { av_dict_set(&options_, key, value, 0); }
  AVDictionary** get() { return &options_; }

 private:
  AVDictionary* options_ = nullptr;
};

// Opens a QuickTime or MP4 file and nothing else: the QuickTime demuxer, chosen by us and
// not by the content; the plain file protocol only; no data references to other files.
FormatPtr openQuickTime(const std::filesystem::path& file, Deadline& deadline) {
  const AVInputFormat* demuxer = av_find_input_format(kQuickTimeDemuxer);
  AVFormatContext* rawFormat = avformat_alloc_context();
  if (!demuxer || !rawFormat) {
    avformat_free_context(rawFormat);
    return nullptr;
  }
  rawFormat->interrupt_callback = {&Deadline::interrupt, &deadline};
  Options options;
  options.set("format_whitelist", kQuickTimeFormats);
  options.set("protocol_whitelist", "file");
  options.set("enable_drefs", "0");
  options.set("use_absolute_path", "0");
  // Frees the context when it fails.
  const std::string url = "file:" + file.string();
  if (avformat_open_input(&rawFormat, url.c_str(), demuxer, options.get()) < 0) return nullptr;
  return FormatPtr(rawFormat);
}

// Options for the decoders the demuxer opens to probe its streams, one dictionary per
// stream: our limit, and key frames only (the probe learns what it needs from a key frame;
// the frames predicted from one cost as much to decode and, without one, give nothing).
class ProbeOptions {
 public:
  ProbeOptions(unsigned streams, std::size_t maxPixels) : options_(streams, nullptr) {
    const std::string limit = std::to_string(maxPixels);
    for (AVDictionary*& o : options_) {
      av_dict_set(&o, "max_pixels", limit.c_str(), 0);
      av_dict_set(&o, "skip_frame", "nokey", 0);
    }
  }
  ~ProbeOptions() {
    for (AVDictionary*& o : options_) av_dict_free(&o);
  }
  ProbeOptions(const ProbeOptions&) = delete;
  ProbeOptions& operator=(const ProbeOptions&) = delete;
  AVDictionary** data() { return options_.empty() ? nullptr : options_.data(); }

 private:
  std::vector<AVDictionary*> options_;
};

// The size check of decoded images: both sides positive and within the canvas limit, and
// no more than maxPixels pixels.
bool frameSizeAllowed(std::int64_t width, std::int64_t height, std::size_t maxPixels) {
  return width > 0 && height > 0 && width <= gfx::Image::maxDimension &&
         height <= gfx::Image::maxDimension &&
         static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= maxPixels;
}

// True when the stream's parameters give a frame size (some streams say nothing until a
// frame is decoded) and that size is beyond the limit.
bool declaresTooLarge(const AVCodecParameters& parameters, std::size_t maxPixels) {
  const bool declared = parameters.width != 0 || parameters.height != 0;
  return declared && !frameSizeAllowed(parameters.width, parameters.height, maxPixels);
}

// What our decoder may spend on pictures, counted as it allocates them (its get_buffer2):
// the pixels of every picture started so far (no frame has come out yet, since the first
// ends the decoding) and of those it holds now. Pictures the container marks to be dropped
// (those before the start of its edit, as a copy cut after a key frame has) are decoded
// only to reach the first frame shown: they count as held, not as started without a frame,
// and the deadline bounds them. A picture beyond either bound is refused, which fails its
// packet, and the decoding ends without a frame. Must outlive every picture of the
// decoder, the frame it returns among them.
class FrameAllowance {
 public:
  explicit FrameAllowance(std::size_t maxPixels) : maxHeld_(kHeldPicturesAtTheLimit * maxPixels) {}
  FrameAllowance(const FrameAllowance&) = delete;
  FrameAllowance& operator=(const FrameAllowance&) = delete;

  void attach(AVCodecContext& codec) {
    codec.opaque = this;
    codec.get_buffer2 = &FrameAllowance::allocate;
  }
  bool exhausted() const { return exhausted_; }

 private:
  // One picture's share, handed back when the decoder lets go of its first buffer.
  struct Share {
    FrameAllowance* allowance;
    AVBufferRef* buffer;
    std::uint64_t pixels;
  };

  static int allocate(AVCodecContext* codec, AVFrame* frame, int flags) {
    auto& self = *static_cast<FrameAllowance*>(codec->opaque);
    if (codec->codec_type != AVMEDIA_TYPE_VIDEO || frame->width <= 0 || frame->height <= 0) {
      return avcodec_default_get_buffer2(codec, frame, flags);
    }
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(frame->width) * static_cast<std::uint64_t>(frame->height);
    const std::uint64_t maxSpent = std::max(kFramesWithoutPicture * pixels, kPixelsWithoutPicture);
    const bool shown = !(frame->flags & AV_FRAME_FLAG_DISCARD);
    if (self.exhausted_ || (shown && self.spent_ + pixels > maxSpent) || self.held_ + pixels > self.maxHeld_) {
      self.exhausted_ = true;
      return AVERROR(ENOMEM);
    }
    const int made = avcodec_default_get_buffer2(codec, frame, flags);
    if (made < 0) return made;
    // The first buffer is wrapped in one that gives the share back when it is released.
    auto* share = new (std::nothrow) Share{&self, frame->buf[0], pixels};
    AVBufferRef* wrapped =
        share ? av_buffer_create(frame->buf[0]->data, frame->buf[0]->size, &FrameAllowance::release,
                                 share, 0)
              : nullptr;
    if (!wrapped) {
      delete share;
      av_frame_unref(frame);
      return AVERROR(ENOMEM);
    }
    frame->buf[0] = wrapped;
    if (shown) self.spent_ += pixels;
    self.held_ += pixels;
    return 0;
  }

  static void release(void* opaque, std::uint8_t*) {
    auto* share = static_cast<Share*>(opaque);
    share->allowance->held_ -= share->pixels;
    av_buffer_unref(&share->buffer);
    delete share;
  }

  std::uint64_t maxHeld_;
  std::uint64_t spent_ = 0;
  std::uint64_t held_ = 0;
  bool exhausted_ = false;
};

void quietenLibraries() {
  static std::once_flag once;
  // Broken files are an expected input here; their complaints are not the user's business.
  std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

// Decodes until the first frame of the stream; none when there is none.
FramePtr decodeFirstFrame(AVFormatContext* format, int streamIndex, AVCodecContext* codec,
                          const FrameAllowance& allowance, const Deadline& deadline) {
  PacketPtr packet(av_packet_alloc());
  FramePtr frame(av_frame_alloc());
  if (!packet || !frame) return nullptr;
  int packetsWithoutFrame = 0;
  bool draining = false;
  while (packetsWithoutFrame < kMaxPacketsWithoutFrame && !allowance.exhausted() && !deadline.passed()) {
    if (!draining) {
      const int read = av_read_frame(format, packet.get());
      if (read < 0) {
        draining = true;
        if (avcodec_send_packet(codec, nullptr) < 0) return nullptr;
      } else {
        ++packetsWithoutFrame;
        const bool ours = packet->stream_index == streamIndex;
        int sent = 0;
        if (ours) {
          // A picture before the start of the file's edit is decoded only for those that
          // refer to it: one that no other refers to is skipped.
          codec->skip_frame = (packet->flags & AV_PKT_FLAG_DISCARD) ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
          sent = avcodec_send_packet(codec, packet.get());
        }
        av_packet_unref(packet.get());
        if (!ours) continue;
        // A packet the decoder refuses (corrupt data) is skipped; EAGAIN cannot happen
        // because every frame is taken out below before the next packet goes in.
        if (sent < 0 && sent != AVERROR(EAGAIN)) continue;
      }
    }
    const int received = avcodec_receive_frame(codec, frame.get());
    if (received == 0) return frame;
    if (received == AVERROR(EAGAIN)) {
      if (draining) return nullptr;
      continue;
    }
    return nullptr;  // end of stream or a decoder error
  }
  return nullptr;
}

// The swscale matrix for a stream's colour space; unknown spaces follow the usual rule
// (HD and larger: BT.709, smaller: BT.601).
int swsColorspace(AVColorSpace space, int height) {
  switch (space) {
    case AVCOL_SPC_BT709:
      return SWS_CS_ITU709;
    case AVCOL_SPC_FCC:
      return SWS_CS_FCC;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
      return SWS_CS_ITU601;
    case AVCOL_SPC_SMPTE240M:
      return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
      return SWS_CS_BT2020;
    default:
      return height >= 720 ? SWS_CS_ITU709 : SWS_CS_ITU601;
  }
}

// The old "J" formats are full-range versions of the plain ones.
AVPixelFormat plainFormat(AVPixelFormat format, bool& fullRange) {
  switch (format) {
    case AV_PIX_FMT_YUVJ420P:
      fullRange = true;
      return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
      fullRange = true;
      return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
      fullRange = true;
      return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
      fullRange = true;
      return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
      fullRange = true;
      return AV_PIX_FMT_YUV411P;
    default:
      return format;
  }
}

std::optional<gfx::Image> convertFrame(const AVFrame& frame, int coverWidth, int coverHeight,
                                       std::size_t maxPixels) {
  const int width = frame.width;
  const int height = frame.height;
  if (!frameSizeAllowed(width, height, maxPixels)) return std::nullopt;
  const auto sourceFormat = static_cast<AVPixelFormat>(frame.format);
  if (sourceFormat == AV_PIX_FMT_NONE || !av_pix_fmt_desc_get(sourceFormat)) return std::nullopt;

  // Display size: the stored size stretched by the sample aspect ratio.
  double displayWidth = width;
  if (frame.sample_aspect_ratio.num > 0 && frame.sample_aspect_ratio.den > 0) {
    displayWidth = width * av_q2d(frame.sample_aspect_ratio);
  }
  const double displayHeight = height;
  // Scale down (never up) until the image just covers the requested box; and never beyond
  // the pixel limit, which wide pixels could otherwise stretch the frame past.
  double scale = 1.0;
  if (coverWidth > 0 && coverHeight > 0) {
    scale = std::min(1.0, std::max(coverWidth / displayWidth, coverHeight / displayHeight));
  }
  const double displayPixels = displayWidth * displayHeight * scale * scale;
  if (displayPixels > static_cast<double>(maxPixels)) {
    scale *= std::sqrt(static_cast<double>(maxPixels) / displayPixels);
  }
  const int outWidth = std::clamp(static_cast<int>(std::lround(displayWidth * scale)), 1,
                                  gfx::Image::maxDimension);
  const int outHeight = std::clamp(static_cast<int>(std::lround(displayHeight * scale)), 1,
                                   gfx::Image::maxDimension);

  bool fullRange = frame.color_range == AVCOL_RANGE_JPEG;
  const AVPixelFormat inputFormat = plainFormat(sourceFormat, fullRange);
  ScalePtr scaler(sws_getContext(width, height, inputFormat, outWidth, outHeight,
                                 AV_PIX_FMT_RGBA, SWS_AREA | SWS_ACCURATE_RND, nullptr, nullptr,
                                 nullptr));
  if (!scaler) return std::nullopt;
  // The stream's matrix and range in, full-range RGB out. (For RGB sources swscale ignores
  // the matrix.)
  const int* matrix = sws_getCoefficients(swsColorspace(frame.colorspace, height));
  sws_setColorspaceDetails(scaler.get(), matrix, fullRange ? 1 : 0,
                           sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);

  const auto rowBytes = static_cast<std::size_t>(outWidth) * 4;
  std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(outHeight));
  std::uint8_t* destination[4] = {pixels.data(), nullptr, nullptr, nullptr};
  const int destinationStride[4] = {static_cast<int>(rowBytes), 0, 0, 0};
  const int rows = sws_scale(scaler.get(), frame.data, frame.linesize, 0, height, destination,
                             destinationStride);
  if (rows != outHeight) return std::nullopt;

  // Our images carry premultiplied alpha; most videos are opaque and need nothing.
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(sourceFormat);
  if (desc->flags & AV_PIX_FMT_FLAG_ALPHA) {
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
      const unsigned a = pixels[i + 3];
      if (a == 255) continue;
      for (std::size_t k = 0; k < 3; ++k) {
        pixels[i + k] = static_cast<std::uint8_t>((pixels[i + k] * a + 127) / 255);
      }
    }
  }
  return gfx::Image::make(outWidth, outHeight, std::move(pixels));
}

std::optional<gfx::Image> readFirstFrame(const std::filesystem::path& file, int coverWidth,
                                         int coverHeight, std::size_t maxPixels) {
  // The decoders take the limit as a signed 64-bit number.
  maxPixels = std::min<std::size_t>(maxPixels, std::numeric_limits<std::int64_t>::max());
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec) || std::filesystem::file_size(file, ec) == 0 ||
      ec) {
    return std::nullopt;
  }
  quietenLibraries();
  // The limit is the process's: the helper reads one file, and other callers read one at
  // a time with one limit.
  av_max_alloc(std::max(kAllocationFloor,
                        static_cast<std::size_t>(std::min<std::uint64_t>(maxPixels, std::uint64_t{1} << 40)) *
                                kBytesPerPixelAtMost +
                            kAllocationSlack));

  Deadline deadline(maxPixels);
  FormatPtr format = openQuickTime(file, deadline);
  if (!format || format->nb_streams > kMaxTracks) return std::nullopt;
  // The video stream is chosen from what the header says; only it is probed (the probe
  // opens a decoder and decodes a frame for every stream it looks at), and only when its
  // header declares no frame beyond the limit. The probe's decoder refuses frames beyond
  // it too.
  const AVCodec* decoder = nullptr;
  const int streamIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (streamIndex < 0 || !decoder) return std::nullopt;
  if (declaresTooLarge(*format->streams[streamIndex]->codecpar, maxPixels)) return std::nullopt;
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    format->streams[i]->discard = static_cast<int>(i) == streamIndex ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
  }
  {
    ProbeOptions probe(format->nb_streams, maxPixels);
    if (avformat_find_stream_info(format.get(), probe.data()) < 0) return std::nullopt;
  }
  const AVCodecParameters& parameters = *format->streams[streamIndex]->codecpar;
  if (declaresTooLarge(parameters, maxPixels)) return std::nullopt;
  decoder = avcodec_find_decoder(parameters.codec_id);  // the probe may have learnt better
  if (!decoder) return std::nullopt;

  // Declared before the decoder and the frame, whose pictures it counts.
  FrameAllowance allowance(maxPixels);
  CodecPtr codec(avcodec_alloc_context3(decoder));
  if (!codec) return std::nullopt;
  if (avcodec_parameters_to_context(codec.get(), &parameters) < 0) return std::nullopt;
  // One thread: frame threads start as many pictures as they have threads before the
  // first comes out (which the allowance would have to grant, and hold at once), and
  // slice threads cost processor time without making a single-slice picture sooner.
  codec->thread_count = 1;
  // The decoder refuses a picture beyond the limit before allocating it, whatever the
  // container said.
  codec->max_pixels = static_cast<std::int64_t>(maxPixels);
  allowance.attach(*codec);
  if (avcodec_open2(codec.get(), decoder, nullptr) < 0) return std::nullopt;

  FramePtr frame = decodeFirstFrame(format.get(), streamIndex, codec.get(), allowance, deadline);
  if (!frame) return std::nullopt;
  // The frame keeps its pictures; the decoder's other buffers go before the conversion.
  codec.reset();
  format.reset();
  return convertFrame(*frame, coverWidth, coverHeight, maxPixels);
}

}  // namespace

std::optional<gfx::Image> AerialManager::firstVideoFrame(const std::filesystem::path& file,
                                                         int coverWidth, int coverHeight,
                                                         std::size_t maxPixels) noexcept {
  try {
    return readFirstFrame(file, coverWidth, coverHeight, maxPixels);
  } catch (...) {
    // Out of memory or an image the graphics layer refuses: no thumbnail.
    return std::nullopt;
  }
}
