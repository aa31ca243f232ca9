#pragma once
// Counts the HEVC decoders libde265 starts in this process, whoever starts them (our
// reader, libheif's own decoder): the program's de265_new_decoder stands before the
// library's and hands the call on. One decoder decodes one coded item.

#include <cstddef>

namespace testsupport {
std::size_t hevcDecodersStarted();
}  // namespace testsupport
