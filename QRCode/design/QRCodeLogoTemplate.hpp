#pragma once
// A logo laid over a QR code: the image, the region of the symbol it occupies and whether
// (and how) the modules under it are removed.
//
// Relative coordinates: the whole module matrix is the unit square, x from 0 (left edge)
// to 1 (right edge), y from 0 (top edge, the matrix's row 0) to 1 (bottom edge). Module
// (row r, column c) of an N-module matrix has its centre at ((c + 0.5) / N, (r + 0.5) / N).
//
// Two kinds:
//  - path template: modules whose centre lies inside the path (non-zero rule) are removed;
//  - image-mask template: the region is the whole symbol (path (0, 0, 1, 1), inset 0);
//    modules are removed where the mask image (or the logo image itself) is opaque (alpha
//    of 2 or more out of 255) once scaled onto the module grid.
//
// Templates are shared by reference (std::shared_ptr); only the path can be replaced after
// construction.
//
// Threads: applyingMask may be called from several threads at once (its mask cache is
// locked), so one template may serve drawings on two threads; setPath must not run while
// another thread uses the template. A copy (copyLogoTemplate, copyWithImage or a C++ copy)
// shares only the images, which never change, and starts with a cache of its own.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "QRCode/core/QRCodeBoolMatrix.hpp"

#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"
#include "platform/graphics/Path.hpp"

class QRCodeLogoTemplate {
 public:
  // A path template (initWithImage:path:inset:masksQRCodePixels:).
  QRCodeLogoTemplate(gfx::Image image, gfx::Path path, double inset, bool masksQRCodePixels = true);
  // An image-mask template (initWithImage:maskImage:masksQRCodePixels:).
  QRCodeLogoTemplate(gfx::Image image, std::optional<gfx::Image> maskImage,
                     bool masksQRCodePixels = true);

  // Path templates of a circle or square of side 0.25 at the centre, or at (0.7, 0.7) near
  // the bottom-right corner, with masksQRCodePixels true.
  static std::shared_ptr<QRCodeLogoTemplate> CircleCenterWithImage(gfx::Image image, double inset);
  static std::shared_ptr<QRCodeLogoTemplate> CircleBottomRightWithImage(gfx::Image image, double inset);
  static std::shared_ptr<QRCodeLogoTemplate> SquareCenterWithImage(gfx::Image image, double inset);
  static std::shared_ptr<QRCodeLogoTemplate> SquareBottomRightWithImage(gfx::Image image, double inset);

  // The most elements a path read from an archive may have: testing every module centre
  // against the path costs modules^2 x elements (a little over half a second for a
  // version-40 code at this limit, once per matrix size).
  static constexpr std::size_t maxPathElements = 4096;

  const gfx::Path& path() const { return path_; }
  void setPath(gfx::Path path);
  const gfx::Image& image() const { return image_; }
  const std::optional<gfx::Image>& maskImage() const { return maskImage_; }
  bool masksQRCodePixels() const { return masksQRCodePixels_; }
  // Distance in output units by which the image's rectangle is shrunk on each side inside
  // the bounding box of the region.
  double inset() const { return inset_; }
  bool useImageMasking() const { return useImageMasking_; }

  // The region in the coordinates of a square drawing of side dimension: (x, y) goes to
  // (x * dimension, y * dimension), or with flipped to (x * dimension, (1 - y) * dimension).
  gfx::Path absolutePathForMaskPathWithDimension(double dimension, bool flipped) const;

  // The matrix with the logo's modules switched off. The result does not depend on a
  // positive dimension. With masksQRCodePixels false (or when image masking cannot make
  // its bitmaps, which prints a line), the given matrix itself is returned.
  std::shared_ptr<const QRCodeBoolMatrix> applyingMask(std::shared_ptr<const QRCodeBoolMatrix> matrix,
                                                       double dimension) const;
  // The same for a matrix held by value: a new matrix (a copy when nothing is masked).
  QRCodeBoolMatrix applyingMask(const QRCodeBoolMatrix& matrix, double dimension) const;

  // The archive form: "relativeMaskPath" (base64 of the path JSON), "inset",
  // "maskUsingImageTransparency" (only for image-mask templates), "masksQRCodePixels",
  // "image" and "maskImage" (base64 PNG, when they can be encoded).
  foundation::Settings settings() const;

  // A template from its archive form, or null when "relativeMaskPath" or "image" is
  // missing or unreadable, or the path has more than maxPathElements elements
  // (initWithSettings:, CreateWithSettings:).
  static std::shared_ptr<QRCodeLogoTemplate> CreateWithSettings(const foundation::Settings& settings);

  // The keyed encoded form: "useImageMasking", "masksQRCodePixels" (bools), "inset",
  // "path" (base64 path JSON), "image" and, when present, "maskImage" (base64 PNG).
  // Raises the image or path writer's error.
  foundation::Settings encode() const;
  // Reads the encoded form: "image", "path", "inset" and "useImageMasking" required,
  // "maskImage" and "masksQRCodePixels" (true when absent) optional. Raises
  // QRCodeError::invalidContent for a missing or unreadable entry and for a path of more
  // than maxPathElements elements.
  static std::shared_ptr<QRCodeLogoTemplate> decode(const foundation::Settings& encoded);

  // A new template of the same kind with the same image (images are immutable values and
  // shared), path, inset or mask image, and the same masksQRCodePixels.
  std::shared_ptr<QRCodeLogoTemplate> copyLogoTemplate() const;
  // A new template of the same kind with another image (and, for an image-mask template,
  // the given mask image), masksQRCodePixels true.
  std::shared_ptr<QRCodeLogoTemplate> copyWithImage(gfx::Image image,
                                                    std::optional<gfx::Image> maskImage) const;

 private:
  // The mask of the cells to keep (true where the module stays), or none when image
  // masking cannot make its bitmaps.
  std::optional<QRCodeBoolMatrix> keepMask(std::int64_t dimension, double side) const;
  // keepMask, computed once per matrix size (and drawing side, for path masking) until the
  // path changes.
  std::shared_ptr<const QRCodeBoolMatrix> cachedKeepMask(std::int64_t dimension, double side) const;

  // The last mask made; copies of a template start without one.
  struct MaskCache {
    std::mutex mutex;
    std::int64_t dimension = -1;
    double side = 0;
    std::shared_ptr<const QRCodeBoolMatrix> keep;
    MaskCache() = default;
    MaskCache(const MaskCache&) {}
    MaskCache& operator=(const MaskCache&) {
      clear();
      return *this;
    }
    void clear() {
      std::lock_guard lock(mutex);
      keep.reset();
      dimension = -1;
    }
  };

  gfx::Path path_;
  gfx::Image image_;
  std::optional<gfx::Image> maskImage_;
  bool masksQRCodePixels_ = true;
  double inset_ = 0;
  bool useImageMasking_ = false;
  mutable MaskCache maskCache_;
};

using QRCodeLogoTemplatePtr = std::shared_ptr<QRCodeLogoTemplate>;
