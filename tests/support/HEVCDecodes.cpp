#include "support/HEVCDecodes.hpp"

#include <dlfcn.h>
#include <libde265/de265.h>

#include <atomic>

namespace {
std::atomic<std::size_t> started{0};
}  // namespace

extern "C" de265_decoder_context* de265_new_decoder() {
  using Start = de265_decoder_context* (*)();
  static const auto library = reinterpret_cast<Start>(dlsym(RTLD_NEXT, "de265_new_decoder"));
  ++started;
  return library ? library() : nullptr;
}

std::size_t testsupport::hevcDecodersStarted() { return started; }
