#include "platform/foundation/Error.hpp"

namespace foundation {

Error::Error(std::string domain, int code, std::string caseName, std::string text)
    : domain_(std::move(domain)), code_(code), case_(std::move(caseName)), text_(std::move(text)) {
  what_ = domain_ + "." + case_;
  if (!text_.empty()) what_ += ": " + text_;
}

}  // namespace foundation
