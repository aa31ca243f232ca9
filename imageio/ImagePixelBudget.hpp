#pragma once
// A total pixel budget for the images decoded on one thread while it lives: one document
// load may carry several images (image fills, a logo and its mask), and each may be as
// large as the per-image limit allows, so the loader refuses an image once the images
// decoded under the budget would exceed it. Budgets nest; the innermost one that is
// alive on the thread applies, and spending counts against every enclosing one.

#include <cstddef>
#include <cstdint>

class ImagePixelBudget {
 public:
  // The budget of one document load: as many pixels as one image of the per-image limit
  // (64 Mi pixels, 256 MB of RGBA), whatever the number of images.
  static constexpr std::size_t kDocumentPixels = 64u * 1024u * 1024u;

  explicit ImagePixelBudget(std::size_t pixels = kDocumentPixels);
  ~ImagePixelBudget();
  ImagePixelBudget(const ImagePixelBudget&) = delete;
  ImagePixelBudget& operator=(const ImagePixelBudget&) = delete;

  std::size_t total() const { return total_; }
  std::size_t remaining() const { return remaining_; }

  // The budget alive on this thread, or null.
  static const ImagePixelBudget* current();
  // Counts a decoded image against the current budget and every enclosing one (nothing
  // when there is none).
  static void spend(std::uint64_t pixels);

 private:
  std::size_t total_;
  std::size_t remaining_;
  ImagePixelBudget* outer_;
};
