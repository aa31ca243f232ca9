#include "QRCode/core/QRCodeBoolMatrix.hpp"

#include <algorithm>

namespace {

void checkDimension(std::int64_t dimension) {
  if (dimension < 0 || dimension > QRCodeBoolMatrix::maxDimension)
    foundation::raise(QRCodeError::cannotGenerateQRCode,
                      "bad matrix dimension " + std::to_string(dimension));
}

void checkCount(std::int64_t dimension, std::size_t count) {
  checkDimension(dimension);
  if (static_cast<std::uint64_t>(dimension * dimension) != count)
    foundation::raise(QRCodeError::cannotGenerateQRCode,
                      "matrix of dimension " + std::to_string(dimension) + " needs " +
                          std::to_string(dimension * dimension) + " cells, got " +
                          std::to_string(count));
}

}  // namespace

QRCodeBoolMatrix::QRCodeBoolMatrix(std::int64_t dimension) {
  checkDimension(dimension);
  content_ = Array2D<bool>(dimension, dimension, false);
}

QRCodeBoolMatrix::QRCodeBoolMatrix(std::int64_t dimension, std::span<const bool> flattened) {
  checkCount(dimension, flattened.size());
  content_ = Array2D<bool>(dimension, dimension, flattened);
}

QRCodeBoolMatrix::QRCodeBoolMatrix(std::int64_t dimension, const std::vector<bool>& flattened) {
  checkCount(dimension, flattened.size());
  content_ = Array2D<bool>(dimension, dimension, false);
  bool* cells = content_.data();
  for (std::size_t i = 0, n = flattened.size(); i < n; ++i) cells[i] = flattened[i];
}

QRCodeBoolMatrix::QRCodeBoolMatrix(Array2D<bool> content) {
  if (content.rows() != content.columns())
    foundation::raise(QRCodeError::cannotGenerateQRCode, "matrix content is not square");
  checkDimension(content.rows());
  content_ = std::move(content);
}

template <class Int>
static QRCodeBoolMatrix fromInts(std::int64_t dimension, std::span<const Int> values) {
  checkCount(dimension, values.size());
  QRCodeBoolMatrix matrix(dimension);
  bool* cells = matrix.data();
  for (std::size_t i = 0, n = values.size(); i < n; ++i) cells[i] = values[i] != 0;
  return matrix;
}

QRCodeBoolMatrix QRCodeBoolMatrix::fromRawFlattenedInt(std::int64_t dimension,
                                                       std::span<const std::int64_t> values) {
  return fromInts(dimension, values);
}

QRCodeBoolMatrix QRCodeBoolMatrix::fromRawFlattenedInt(std::int64_t dimension,
                                                       std::span<const int> values) {
  return fromInts(dimension, values);
}

QRCodeBoolMatrix QRCodeBoolMatrix::copyMatrix() const {
  QRCodeBoolMatrix copy;
  copy.content_ = content_;
  return copy;
}

std::vector<bool> QRCodeBoolMatrix::flattened() const {
  const auto cellSpan = cells();
  return std::vector<bool>(cellSpan.begin(), cellSpan.end());
}

std::int64_t QRCodeBoolMatrix::setCount() const noexcept {
  const auto cellSpan = cells();
  return std::count(cellSpan.begin(), cellSpan.end(), true);
}

QRCodeBoolMatrix QRCodeBoolMatrix::flipped() const {
  QRCodeBoolMatrix result;
  result.content_ = content_.inverted();
  return result;
}

QRCodeBoolMatrix QRCodeBoolMatrix::masked(const QRCodeBoolMatrix& mask) const {
  const std::int64_t d = dimension();
  QRCodeBoolMatrix result(d);
  const std::int64_t n = std::min(d, mask.dimension());
  const std::int64_t md = mask.dimension();
  const bool* src = data();
  const bool* m = mask.data();
  bool* dst = result.data();
  for (std::int64_t r = 0; r < n; ++r) {
    for (std::int64_t c = 0; c < n; ++c) {
      if (m[r * md + c]) dst[r * d + c] = src[r * d + c];
    }
  }
  return result;
}

std::string QRCodeBoolMatrix::description() const {
  const std::int64_t d = dimension();
  std::string text;
  text.reserve(static_cast<std::size_t>(d * (d + 1)));
  const bool* cells = data();
  for (std::int64_t r = 0; r < d; ++r) {
    for (std::int64_t c = 0; c < d; ++c) text.push_back(cells[r * d + c] ? '#' : '.');
    text.push_back('\n');
  }
  return text;
}
