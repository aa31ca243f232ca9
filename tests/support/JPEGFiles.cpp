#include "support/JPEGFiles.hpp"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace testsupport {

void jpegErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->jump, 1); }

foundation::Bytes exifBlock(int orientation, std::uint32_t x, std::uint32_t y, std::uint16_t unit) {
  if (!orientation && !x) return {};
  foundation::Bytes e = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8};
  const auto put = [&](std::uint32_t value, int size) {
    while (size--) e.push_back(static_cast<std::uint8_t>(value >> (8 * size)));
  };
  // Tag, type (3 short, 5 rational), value (a short in the first two bytes) or offset of
  // the rationals after the four entries and the next directory's offset (none).
  const std::uint32_t entries[4][3] = {
      {0x0112, 3, std::max(orientation, 1) * 65536u}, {0x011A, 5, 62}, {0x011B, 5, 70}, {0x0128, 3, unit * 65536u}};
  put(x ? 4 : 1, 2);
  for (int i = 0; i < (x ? 4 : 1); ++i) put(entries[i][0], 2), put(entries[i][1], 2), put(1, 4), put(entries[i][2], 4);
  put(0, 4);
  if (x) put(x, 4), put(1, 4), put(y, 4), put(1, 4);
  return e;
}

foundation::Bytes writeRawJPEG(int width, int height, int components, const std::vector<std::uint8_t>& samples,
                               const foundation::Bytes& exif) {
  jpeg_compress_struct cinfo;
  JpegErrors errors;
  cinfo.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = jpegErrorExit;
  unsigned char* out = nullptr;
  unsigned long size = 0;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return {};
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 100, TRUE);
  if (components == 4) jpeg_set_colorspace(&cinfo, JCS_YCCK);
  jpeg_start_compress(&cinfo, TRUE);
  if (!exif.empty())
    jpeg_write_marker(&cinfo, JPEG_COM, exif.data(), 4),
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * components);
  while (cinfo.next_scanline < cinfo.image_height) {
    const std::uint8_t* src = samples.data() + static_cast<std::size_t>(cinfo.next_scanline) * row.size();
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = components == 4 ? static_cast<std::uint8_t>(255 - src[i]) : src[i];
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  foundation::Bytes bytes(out, out + size);
  std::free(out);
  return bytes;
}

namespace {

// The scan script of progressiveGreyJPEG.
std::vector<jpeg_scan_info> coefficientScans(int shift) {
  std::vector<jpeg_scan_info> script;
  script.push_back({1, {0, 0, 0, 0}, 0, 0, 0, 0});
  for (int k = 1; k < 64; ++k) {
    script.push_back({1, {0, 0, 0, 0}, k, k, 0, shift});
    for (int bit = shift; bit > 0; --bit) script.push_back({1, {0, 0, 0, 0}, k, k, bit, bit - 1});
  }
  return script;
}

foundation::Bytes writeProgressiveGrey(int side, const std::vector<jpeg_scan_info>& script,
                                       const std::function<std::uint8_t(int x, int y)>& sample) {
  // Everything the error path reads lives behind one pointer set before setjmp, so no
  // local variable can be clobbered by the longjmp.
  struct Job {
    std::vector<std::uint8_t> row;
    jpeg_compress_struct cinfo;
    JpegErrors errors;
    unsigned char* out = nullptr;
    unsigned long length = 0;
  };
  const auto job = std::make_unique<Job>();
  job->row.resize(static_cast<std::size_t>(side));
  jpeg_compress_struct& cinfo = job->cinfo;
  cinfo.err = jpeg_std_error(&job->errors.base);
  job->errors.base.error_exit = jpegErrorExit;
  if (setjmp(job->errors.jump)) {
    jpeg_destroy_compress(&job->cinfo);
    std::free(job->out);
    ADD_FAILURE() << "libjpeg refused the scan script";
    return {};
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &job->out, &job->length);
  cinfo.image_width = cinfo.image_height = static_cast<JDIMENSION>(side);
  cinfo.input_components = 1;
  cinfo.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&cinfo);
  cinfo.scan_info = script.data();
  cinfo.num_scans = static_cast<int>(script.size());
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = static_cast<int>(cinfo.next_scanline);
    for (int x = 0; x < side; ++x) job->row[static_cast<std::size_t>(x)] = sample(x, y);
    JSAMPROW rows[1] = {job->row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  foundation::Bytes bytes(job->out, job->out + job->length);
  std::free(job->out);
  return bytes;
}

}  // namespace

foundation::Bytes progressiveGreyJPEG(int side, int shift, const std::function<std::uint8_t(int x, int y)>& sample) {
  return writeProgressiveGrey(side, coefficientScans(shift), sample);
}

foundation::Bytes progressiveGreyJPEGOfScans(int side, int scans,
                                             const std::function<std::uint8_t(int x, int y)>& sample) {
  int shift = 0;
  while (1 + 63 * (shift + 1) < scans && shift < 12) ++shift;
  std::vector<jpeg_scan_info> script = coefficientScans(shift);
  if (scans < 1 || static_cast<std::size_t>(scans) > script.size()) {
    ADD_FAILURE() << "no script of " << scans << " scans";
    return {};
  }
  script.resize(static_cast<std::size_t>(scans));
  return writeProgressiveGrey(side, script, sample);
}

}  // namespace testsupport
