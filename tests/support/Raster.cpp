#include "support/Raster.hpp"

#include <cairo.h>
#include <librsvg/rsvg.h>
#include <poppler.h>

#include <gif_lib.h>
#include <jpeglib.h>
#include <libheif/heif.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdlib>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "platform/graphics/CairoSurface.hpp"
#include "support/Decode.hpp"
#include "support/JPEGFiles.hpp"
#include "support/TestFolder.hpp"

namespace testsupport {

namespace {

struct ContextDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
struct GObjectDeleter {
  void operator()(void* o) const {
    if (o) g_object_unref(o);
  }
};
using Surface = gfx::CairoSurfacePtr;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

Surface makeSurface(int width, int height, std::optional<gfx::Image::RGBA> background) {
  if (width <= 0 || height <= 0 || width > gfx::Image::maxDimension || height > gfx::Image::maxDimension)
    throw std::runtime_error("raster size out of range");
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error("cannot make a cairo surface");
  if (background) {
    Context cr(cairo_create(surface.get()));
    const auto& c = *background;
    const double a = c.a / 255.0;
    if (a > 0) cairo_set_source_rgba(cr.get(), c.r / 255.0 / a, c.g / 255.0 / a, c.b / 255.0 / a, a);
    else cairo_set_source_rgba(cr.get(), 0, 0, 0, 0);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr.get());
  }
  return surface;
}

// Cairo's native-endian premultiplied ARGB into premultiplied RGBA bytes.
gfx::Image imageOf(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    const auto* s = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    std::uint8_t* d = pixels.data() + static_cast<std::size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x, d += 4) {
      const std::uint32_t p = s[x];
      d[0] = std::uint8_t(p >> 16);
      d[1] = std::uint8_t(p >> 8);
      d[2] = std::uint8_t(p);
      d[3] = std::uint8_t(p >> 24);
    }
  }
  return gfx::Image::make(width, height, std::move(pixels));
}

struct PopplerDocumentHolder {
  std::unique_ptr<PopplerDocument, GObjectDeleter> document;
};

PopplerDocumentHolder openPDF(std::span<const std::uint8_t> pdf) {
  GBytes* bytes = g_bytes_new(pdf.data(), pdf.size());
  GError* error = nullptr;
  PopplerDocument* document = poppler_document_new_from_bytes(bytes, nullptr, &error);
  g_bytes_unref(bytes);
  if (!document) {
    std::string message = error ? error->message : "unknown error";
    if (error) g_error_free(error);
    throw std::runtime_error("poppler cannot read the PDF: " + message);
  }
  return PopplerDocumentHolder{std::unique_ptr<PopplerDocument, GObjectDeleter>(document)};
}

}  // namespace

gfx::Image rasterizeSVG(std::span<const std::uint8_t> svg, int width, int height,
                        std::optional<gfx::Image::RGBA> background) {
  Surface surface = makeSurface(width, height, background);
  GError* error = nullptr;
  std::unique_ptr<RsvgHandle, GObjectDeleter> handle(rsvg_handle_new_from_data(svg.data(), svg.size(), &error));
  if (!handle) {
    std::string message = error ? error->message : "unknown error";
    if (error) g_error_free(error);
    throw std::runtime_error("librsvg cannot read the SVG: " + message);
  }
  Context cr(cairo_create(surface.get()));
  RsvgRectangle viewport{0, 0, double(width), double(height)};
  if (!rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &error)) {
    std::string message = error ? error->message : "unknown error";
    if (error) g_error_free(error);
    throw std::runtime_error("librsvg cannot draw the SVG: " + message);
  }
  cr.reset();
  return imageOf(surface.get());
}

PDFInfo pdfInfo(std::span<const std::uint8_t> pdf) {
  auto holder = openPDF(pdf);
  PDFInfo info;
  info.pageCount = poppler_document_get_n_pages(holder.document.get());
  if (info.pageCount > 0) {
    std::unique_ptr<PopplerPage, GObjectDeleter> page(poppler_document_get_page(holder.document.get(), 0));
    if (!page) return info;
    poppler_page_get_size(page.get(), &info.pageSize.width, &info.pageSize.height);
    GList* mapping = g_list_reverse(poppler_page_get_image_mapping(page.get()));  // poppler lists the last first
    for (GList* item = mapping; item; item = item->next) {
      cairo_surface_t* image = poppler_page_get_image(page.get(), static_cast<PopplerImageMapping*>(item->data)->image_id);
      if (!image) continue;
      info.imagePixels.push_back({double(cairo_image_surface_get_width(image)), double(cairo_image_surface_get_height(image))});
      cairo_surface_destroy(image);
    }
    poppler_page_free_image_mapping(mapping);
  }
  return info;
}

gfx::Image rasterizePDF(std::span<const std::uint8_t> pdf, int width, int height,
                        std::optional<gfx::Image::RGBA> background, int pageIndex) {
  auto holder = openPDF(pdf);
  if (pageIndex < 0 || pageIndex >= poppler_document_get_n_pages(holder.document.get()))
    throw std::runtime_error("no such PDF page");
  std::unique_ptr<PopplerPage, GObjectDeleter> page(poppler_document_get_page(holder.document.get(), pageIndex));
  if (!page) throw std::runtime_error("no such PDF page");
  double pageWidth = 0, pageHeight = 0;
  poppler_page_get_size(page.get(), &pageWidth, &pageHeight);
  if (!(pageWidth > 0) || !(pageHeight > 0)) throw std::runtime_error("empty PDF page");
  Surface surface = makeSurface(width, height, background);
  Context cr(cairo_create(surface.get()));
  cairo_scale(cr.get(), width / pageWidth, height / pageHeight);
  poppler_page_render(page.get(), cr.get());
  cr.reset();
  return imageOf(surface.get());
}

namespace {

extern "C" void jpegQuiet(j_common_ptr) {}

// Plain data only in this frame (the error jump skips destructors). Fills rgba (already
// sized by the caller through the size callback) and the density.
bool readJPEG(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>* rgba, int* width, int* height,
              double* dpiX, double* dpiY) {
  jpeg_decompress_struct cinfo;
  JpegErrors errors;
  cinfo.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = jpegErrorExit;
  errors.base.output_message = jpegQuiet;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_RGBA;
  jpeg_start_decompress(&cinfo);
  *width = static_cast<int>(cinfo.output_width);
  *height = static_cast<int>(cinfo.output_height);
  if (*width <= 0 || *height <= 0 || *width > gfx::Image::maxDimension || *height > gfx::Image::maxDimension) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  rgba->resize(static_cast<std::size_t>(*width) * *height * 4);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = rgba->data() + static_cast<std::size_t>(cinfo.output_scanline) * *width * 4;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  if (cinfo.density_unit == 1) {
    *dpiX = cinfo.X_density;
    *dpiY = cinfo.Y_density;
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

struct TiffSource {
  std::span<const std::uint8_t> bytes;
  toff_t at;
};

extern "C" tmsize_t tiffSourceRead(thandle_t h, void* buffer, tmsize_t n) {
  auto* s = static_cast<TiffSource*>(h);
  const toff_t at = std::min<toff_t>(s->at, s->bytes.size());
  n = std::min<tmsize_t>(n, static_cast<tmsize_t>(s->bytes.size() - at));
  std::memcpy(buffer, s->bytes.data() + at, static_cast<std::size_t>(n));
  s->at = at + static_cast<toff_t>(n);
  return n;
}
extern "C" tmsize_t tiffSourceWrite(thandle_t, void*, tmsize_t) { return 0; }
extern "C" toff_t tiffSourceSeek(thandle_t h, toff_t offset, int whence) {
  auto* s = static_cast<TiffSource*>(h);
  const toff_t base = whence == SEEK_CUR ? s->at : whence == SEEK_END ? s->bytes.size() : 0;
  s->at = base + offset;
  return s->at;
}
extern "C" int tiffSourceClose(thandle_t) { return 0; }
extern "C" toff_t tiffSourceSize(thandle_t h) { return static_cast<TiffSource*>(h)->bytes.size(); }
extern "C" int tiffSourceMap(thandle_t, void**, toff_t*) { return 0; }
extern "C" void tiffSourceUnmap(thandle_t, void*, toff_t) {}

}  // namespace

DecodedImageFile decodeJPEGFile(std::span<const std::uint8_t> jpeg) {
  std::vector<std::uint8_t> rgba;
  int width = 0, height = 0;
  DecodedImageFile file;
  if (!readJPEG(jpeg.data(), jpeg.size(), &rgba, &width, &height, &file.dpiX, &file.dpiY))
    throw std::runtime_error("libjpeg cannot read the data");
  file.image = gfx::Image::make(width, height, std::move(rgba));
  return file;
}

DecodedImageFile decodeTIFFFile(std::span<const std::uint8_t> tiff) {
  TiffSource source{tiff, 0};
  TIFF* t = TIFFClientOpen("memory", "r", &source, tiffSourceRead, tiffSourceWrite, tiffSourceSeek, tiffSourceClose,
                           tiffSourceSize, tiffSourceMap, tiffSourceUnmap);
  if (!t) throw std::runtime_error("libtiff cannot read the data");
  std::uint32_t w = 0, h = 0;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
  DecodedImageFile file;
  float xr = 0, yr = 0;
  std::uint16_t unit = 0;
  if (TIFFGetField(t, TIFFTAG_XRESOLUTION, &xr) && TIFFGetField(t, TIFFTAG_YRESOLUTION, &yr) &&
      TIFFGetFieldDefaulted(t, TIFFTAG_RESOLUTIONUNIT, &unit) && unit == RESUNIT_INCH) {
    file.dpiX = xr;
    file.dpiY = yr;
  }
  if (w == 0 || h == 0 || w > static_cast<std::uint32_t>(gfx::Image::maxDimension) ||
      h > static_cast<std::uint32_t>(gfx::Image::maxDimension)) {
    TIFFClose(t);
    throw std::runtime_error("TIFF size out of range");
  }
  std::vector<std::uint32_t> raster(static_cast<std::size_t>(w) * h);
  const bool ok = TIFFReadRGBAImageOriented(t, w, h, raster.data(), ORIENTATION_TOPLEFT, 0) == 1;
  TIFFClose(t);
  if (!ok) throw std::runtime_error("libtiff cannot decode the image");
  std::vector<std::uint8_t> rgba(raster.size() * 4);
  for (std::size_t i = 0; i < raster.size(); ++i) {
    rgba[4 * i] = static_cast<std::uint8_t>(TIFFGetR(raster[i]));
    rgba[4 * i + 1] = static_cast<std::uint8_t>(TIFFGetG(raster[i]));
    rgba[4 * i + 2] = static_cast<std::uint8_t>(TIFFGetB(raster[i]));
    rgba[4 * i + 3] = static_cast<std::uint8_t>(TIFFGetA(raster[i]));
  }
  file.image = gfx::Image::make(static_cast<int>(w), static_cast<int>(h), std::move(rgba));
  return file;
}

namespace {

struct GifSource {
  std::span<const std::uint8_t> bytes;
  std::size_t at;
};

extern "C" int gifSourceRead(GifFileType* gif, GifByteType* out, int n) {
  auto* s = static_cast<GifSource*>(gif->UserData);
  const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(std::max(n, 0)), s->bytes.size() - s->at);
  std::memcpy(out, s->bytes.data() + s->at, count);
  s->at += count;
  return static_cast<int>(count);
}

}  // namespace

DecodedImageFile decodeGIFFile(std::span<const std::uint8_t> gifBytes) {
  GifSource source{gifBytes, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&source, gifSourceRead, &error);
  if (!gif) throw std::runtime_error("giflib cannot read the data");
  if (DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1 || gif->SWidth <= 0 || gif->SHeight <= 0 ||
      gif->SWidth > gfx::Image::maxDimension || gif->SHeight > gfx::Image::maxDimension) {
    DGifCloseFile(gif, &error);
    throw std::runtime_error("giflib cannot decode the image");
  }
  GraphicsControlBlock gcb{};
  gcb.TransparentColor = NO_TRANSPARENT_COLOR;
  DGifSavedExtensionToGCB(gif, 0, &gcb);
  const SavedImage& frame = gif->SavedImages[0];
  const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
  const int w = gif->SWidth, h = gif->SHeight;
  const GifImageDesc& desc = frame.ImageDesc;
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < desc.Height; ++y)
    for (int x = 0; x < desc.Width; ++x) {
      const int tx = desc.Left + x, ty = desc.Top + y;
      if (tx < 0 || ty < 0 || tx >= w || ty >= h || !map) continue;
      const int index = frame.RasterBits[static_cast<std::size_t>(y) * desc.Width + x];
      if (index == gcb.TransparentColor || index >= map->ColorCount) continue;
      std::uint8_t* d = rgba.data() + (static_cast<std::size_t>(ty) * w + tx) * 4;
      d[0] = map->Colors[index].Red;
      d[1] = map->Colors[index].Green;
      d[2] = map->Colors[index].Blue;
      d[3] = 255;
    }
  DGifCloseFile(gif, &error);
  DecodedImageFile file;
  file.image = gfx::Image::make(w, h, std::move(rgba));
  return file;
}

DecodedImageFile decodeHEICFile(std::span<const std::uint8_t> heic) {
  heif_context* context = heif_context_alloc();
  heif_image_handle* handle = nullptr;
  heif_image* image = nullptr;
  DecodedImageFile file;
  std::string failure;
  if (heif_context_read_from_memory_without_copy(context, heic.data(), heic.size(), nullptr).code != heif_error_Ok ||
      heif_context_get_primary_image_handle(context, &handle).code != heif_error_Ok ||
      heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr).code !=
          heif_error_Ok) {
    failure = "libheif cannot decode the data";
  } else {
    const int w = heif_image_get_width(image, heif_channel_interleaved);
    const int h = heif_image_get_height(image, heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    if (!plane || w <= 0 || h <= 0) {
      failure = "libheif gave no pixels";
    } else {
      // Straight alpha from the decoder; the image type holds premultiplied pixels.
      std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * h * 4);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const std::uint8_t* s = plane + static_cast<std::size_t>(y) * stride + 4 * x;
          std::uint8_t* d = rgba.data() + (static_cast<std::size_t>(y) * w + x) * 4;
          for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>((s[c] * s[3] + 127) / 255);
          d[3] = s[3];
        }
      file.image = gfx::Image::make(w, h, std::move(rgba));
    }
  }
  if (image) heif_image_release(image);
  if (handle) heif_image_handle_release(handle);
  heif_context_free(context);
  if (!failure.empty()) throw std::runtime_error(failure);
  return file;
}

namespace {

struct PNGSource {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
};

extern "C" cairo_status_t pngSourceRead(void* closure, unsigned char* out, unsigned int n) {
  auto* source = static_cast<PNGSource*>(closure);
  if (source->bytes.size() - source->at < n) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, source->bytes.data() + source->at, n);
  source->at += n;
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

gfx::Image decodePNGFile(std::span<const std::uint8_t> png) {
  PNGSource source{png};
  Surface surface(cairo_image_surface_create_from_png_stream(pngSourceRead, &source));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error("cairo cannot read the PNG");
  if (cairo_image_surface_get_format(surface.get()) != CAIRO_FORMAT_ARGB32) {
    // Opaque PNGs come as RGB24: paint them into an ARGB32 surface.
    const int width = cairo_image_surface_get_width(surface.get());
    const int height = cairo_image_surface_get_height(surface.get());
    Surface argb = makeSurface(width, height, std::nullopt);
    Context cr(cairo_create(argb.get()));
    cairo_set_source_surface(cr.get(), surface.get(), 0, 0);
    cairo_paint(cr.get());
    cr.reset();
    return imageOf(argb.get());
  }
  return imageOf(surface.get());
}

ImageDifference imageDifference(const gfx::Image& a, const gfx::Image& b, int farThreshold) {
  if (a.width() != b.width() || a.height() != b.height() || a.width() == 0 || a.height() == 0)
    return {255, 1, 255, 255};
  // Premultiplied over white: colour + (255 - alpha).
  const auto overWhite = [](std::uint8_t v, std::uint8_t alpha) { return int{v} + (255 - int{alpha}); };
  double sum = 0, channelSum = 0;
  std::size_t far = 0;
  int largest = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const auto p = a.pixelAt(x, y), q = b.pixelAt(x, y);
      const int dr = std::abs(overWhite(p.r, p.a) - overWhite(q.r, q.a));
      const int dg = std::abs(overWhite(p.g, p.a) - overWhite(q.g, q.a));
      const int db = std::abs(overWhite(p.b, p.a) - overWhite(q.b, q.a));
      sum += dr + dg + db;
      if (dr > farThreshold || dg > farThreshold || db > farThreshold) ++far;
      const int cr = std::abs(p.r - q.r), cg = std::abs(p.g - q.g), cb = std::abs(p.b - q.b), ca = std::abs(p.a - q.a);
      channelSum += cr + cg + cb + ca;
      largest = std::max({largest, cr, cg, cb, ca});
    }
  const double pixels = static_cast<double>(a.width()) * a.height();
  return {sum / (3 * pixels), static_cast<double>(far) / pixels, largest, channelSum / (4 * pixels)};
}

bool ImageDecodeResults::bothRead(const std::string& text) const {
  return zxing.size() == 1 && zxing[0] == text && zbar.size() == 1 && zbar[0] == text;
}

ImageDecodeResults decodeImage(const gfx::Image& image) {
  const gfx::Image rgba = image.toRGBA();
  ImageDecodeResults results;
  if (rgba.empty()) return results;
  const auto* data = rgba.pixels().data();
  results.zxing = decodeWithZXing(data, rgba.width(), rgba.height(), 4, rgba.bytesPerRow());
  results.zbar = decodeWithZbar(data, rgba.width(), rgba.height(), 4, rgba.bytesPerRow());
  return results;
}

bool writeImagePNG(const gfx::Image& image, std::string_view name) {
  const Surface surface = gfx::makeCairoSurface(image);
  return surface && cairo_surface_write_to_png(surface.get(), testPath(name).c_str()) == CAIRO_STATUS_SUCCESS;
}

MeanColor meanColor(const gfx::Image& image, int x0, int y0, int x1, int y1, bool overWhite) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, image.width());
  y1 = std::min(y1, image.height());
  MeanColor m;
  double n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const auto p = image.pixelAt(x, y);
      double r = p.r, g = p.g, b = p.b;
      if (overWhite) {
        r += 255 - p.a;
        g += 255 - p.a;
        b += 255 - p.a;
      } else if (p.a > 0) {
        r = r * 255 / p.a;
        g = g * 255 / p.a;
        b = b * 255 / p.a;
      }
      m.r += r;
      m.g += g;
      m.b += b;
      m.a += p.a;
      n += 1;
    }
  if (n > 0) {
    m.r /= n;
    m.g /= n;
    m.b /= n;
    m.a /= n;
  }
  return m;
}

}  // namespace testsupport
