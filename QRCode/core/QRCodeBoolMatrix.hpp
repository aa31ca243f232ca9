#pragma once
// A square matrix of on/off QR modules, row 0 the top row and column 0 the left column; a
// set cell (true) is a dark module. The currency between the engines, the shape generators
// and the renderer.
//
// Copies are made only on request (copyMatrix, flipped, inverted, masked): the type is
// movable but not implicitly copyable. Models share one matrix through
// std::shared_ptr<const QRCodeBoolMatrix>.
//
// Reads outside the matrix answer unset; writes outside are ignored. For per-module loops,
// data() gives the cells in row-major order (cell (row, col) at row * dimension + col).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "QRCode/core/Array2D.hpp"

class QRCodeBoolMatrix {
 public:
  // The eight cells around one module; a neighbour outside the matrix is unset.
  struct Neighbours {
    bool left = false;
    bool top = false;  // the row above (row - 1)
    bool right = false;
    bool bottom = false;
    bool topLeft = false;
    bool topRight = false;
    bool bottomLeft = false;
    bool bottomRight = false;
    friend bool operator==(const Neighbours&, const Neighbours&) = default;
  };

  // The largest dimension a matrix may have (a QR symbol is at most 177 + border).
  static constexpr std::int64_t maxDimension = 8192;

  // Dimension 0, no cells.
  QRCodeBoolMatrix() = default;
  // dimension x dimension unset cells. A negative dimension or one above maxDimension
  // raises QRCodeError::cannotGenerateQRCode.
  explicit QRCodeBoolMatrix(std::int64_t dimension);
  // Takes dimension^2 cells in row-major order; another count raises
  // QRCodeError::cannotGenerateQRCode.
  QRCodeBoolMatrix(std::int64_t dimension, std::span<const bool> flattened);
  QRCodeBoolMatrix(std::int64_t dimension, const std::vector<bool>& flattened);
  // Takes ownership of a square Array2D (raises when it is not square).
  explicit QRCodeBoolMatrix(Array2D<bool> content);
  // A cell is set where its integer is non-zero; the count must be dimension^2.
  static QRCodeBoolMatrix fromRawFlattenedInt(std::int64_t dimension,
                                              std::span<const std::int64_t> values);
  static QRCodeBoolMatrix fromRawFlattenedInt(std::int64_t dimension,
                                              std::span<const int> values);

  QRCodeBoolMatrix(const QRCodeBoolMatrix&) = delete;
  QRCodeBoolMatrix& operator=(const QRCodeBoolMatrix&) = delete;
  QRCodeBoolMatrix(QRCodeBoolMatrix&&) noexcept = default;
  QRCodeBoolMatrix& operator=(QRCodeBoolMatrix&&) noexcept = default;

  // An independent copy with the same dimension and cells.
  QRCodeBoolMatrix copyMatrix() const;

  std::int64_t dimension() const noexcept { return content_.rows(); }
  const Array2D<bool>& content() const noexcept { return content_; }

  // --- cells ---------------------------------------------------------------------
  bool contains(std::int64_t row, std::int64_t col) const noexcept {
    return content_.contains(row, col);
  }
  // The cell at (row, col); unset outside the matrix.
  bool value(std::int64_t row, std::int64_t col) const noexcept {
    return content_.value(row, col, false);
  }
  bool operator()(std::int64_t row, std::int64_t col) const noexcept { return value(row, col); }
  // Sets the cell at (row, col); ignored outside the matrix.
  void setValue(std::int64_t row, std::int64_t col, bool value) noexcept {
    content_.setValue(row, col, value);
  }
  // Raw row-major cells (dimension^2 of them; null for an empty matrix).
  const bool* data() const noexcept { return content_.data(); }
  bool* data() noexcept { return content_.data(); }
  std::span<const bool> cells() const noexcept { return content_.flattened(); }
  // One row's cells (empty outside the matrix).
  std::span<const bool> row(std::int64_t row) const noexcept {
    if (static_cast<std::uint64_t>(row) >= static_cast<std::uint64_t>(dimension())) return {};
    return {content_.data() + row * dimension(), static_cast<std::size_t>(dimension())};
  }
  // The cells as a new row-major array.
  std::vector<bool> flattened() const;
  // The number of set cells.
  std::int64_t setCount() const noexcept;

  // --- derived matrices ------------------------------------------------------------
  // A new matrix with every cell negated. inverted() is the same operation.
  QRCodeBoolMatrix flipped() const;
  QRCodeBoolMatrix inverted() const { return flipped(); }
  // A new matrix of this dimension, all unset, in which every cell set in mask takes this
  // matrix's value. Only the cells inside both matrices are visited, so a mask larger than
  // this matrix is clipped to it.
  QRCodeBoolMatrix masked(const QRCodeBoolMatrix& mask) const;

  // --- neighbourhoods --------------------------------------------------------------
  Neighbours neighbours(std::int64_t row, std::int64_t col) const noexcept {
    Neighbours n;
    n.left = value(row, col - 1);
    n.top = value(row - 1, col);
    n.right = value(row, col + 1);
    n.bottom = value(row + 1, col);
    n.topLeft = value(row - 1, col - 1);
    n.topRight = value(row - 1, col + 1);
    n.bottomLeft = value(row + 1, col - 1);
    n.bottomRight = value(row + 1, col + 1);
    return n;
  }
  bool isSetTopLeft(std::int64_t row, std::int64_t col) const noexcept {
    return value(row - 1, col - 1);
  }
  bool isSetBottomLeft(std::int64_t row, std::int64_t col) const noexcept {
    return value(row + 1, col - 1);
  }

  // A text picture: one line per row, "#" set and "." unset, each ended by "\n".
  std::string description() const;

  friend bool operator==(const QRCodeBoolMatrix& l, const QRCodeBoolMatrix& r) {
    return l.content_ == r.content_;
  }

 private:
  Array2D<bool> content_;
};
