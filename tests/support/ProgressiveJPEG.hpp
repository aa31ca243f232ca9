#pragma once
// Progressive JPEG files of many scans, written with libjpeg, for the reader's scan limit.

#include <cstdint>
#include <functional>

#include "platform/foundation/Text.hpp"

namespace testsupport {

// A grey side x side progressive JPEG whose scan script sends the DC coefficient in one
// scan and every AC coefficient on its own, first shifted down by `shift` bits and then
// refined one bit a scan: 1 + 63 x (shift + 1) scans, each of them valid. The samples
// come from sample(x, y). Empty (with a test failure) when libjpeg refuses.
foundation::Bytes progressiveGreyJPEG(int side, int shift, const std::function<std::uint8_t(int x, int y)>& sample);

}  // namespace testsupport
