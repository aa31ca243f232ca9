#include "imageio/ImagePixelBudget.hpp"

#include <algorithm>

namespace {

thread_local ImagePixelBudget* innermost = nullptr;

}  // namespace

ImagePixelBudget::ImagePixelBudget(std::size_t pixels)
    : total_(pixels), remaining_(innermost ? std::min(pixels, innermost->remaining_) : pixels), outer_(innermost) {
  innermost = this;
}

ImagePixelBudget::~ImagePixelBudget() { innermost = outer_; }

const ImagePixelBudget* ImagePixelBudget::current() { return innermost; }

void ImagePixelBudget::spend(std::uint64_t pixels) {
  for (ImagePixelBudget* b = innermost; b; b = b->outer_)
    b->remaining_ -= static_cast<std::size_t>(std::min<std::uint64_t>(pixels, b->remaining_));
}
