#pragma once
// JPEG files written with libjpeg directly, so that readers are checked against the codec
// rather than against our own writer.

#include <cstdint>
#include <functional>
#include <vector>

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

#include "platform/foundation/Text.hpp"

namespace testsupport {

// libjpeg's error manager with a jump back into the caller on a fatal error.
struct JpegErrors {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};
void jpegErrorExit(j_common_ptr cinfo);

// An Exif block as a JPEG's APP1 segment holds it: "Exif\0\0", a big-endian TIFF header
// and one directory of the orientation (1 ... 8; 0 for 1) and, unless x is 0, XResolution
// and YResolution (x / 1 and y / 1) and ResolutionUnit (2 inch, 3 centimetre). Empty when
// orientation and x are 0.
foundation::Bytes exifBlock(int orientation, std::uint32_t x = 0, std::uint32_t y = 0, std::uint16_t unit = 2);

// A JPEG of raw samples: components 1 (grey) or 4 (CMYK, written as Adobe does, inverted),
// with the Exif block in an APP1 segment, after a comment, when one is given. Empty when
// libjpeg refuses.
foundation::Bytes writeRawJPEG(int width, int height, int components, const std::vector<std::uint8_t>& samples,
                               const foundation::Bytes& exif = {});

// A grey side x side progressive JPEG whose scan script sends the DC coefficient in one
// scan and every AC coefficient on its own, first shifted down by `shift` bits and then
// refined one bit a scan: 1 + 63 x (shift + 1) scans, each of them valid. The samples
// come from sample(x, y). Empty (with a test failure) when libjpeg refuses.
foundation::Bytes progressiveGreyJPEG(int side, int shift, const std::function<std::uint8_t(int x, int y)>& sample);
// The same script cut after its first `scans` scans (1 ... 820): the DC scan, then the AC
// coefficients one by one, shifted by the fewest bits that make enough scans; coefficients
// the cut leaves out stay zero.
foundation::Bytes progressiveGreyJPEGOfScans(int side, int scans,
                                             const std::function<std::uint8_t(int x, int y)>& sample);

}  // namespace testsupport
