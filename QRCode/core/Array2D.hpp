#pragma once
// Generic row-major storage: cell (row, column) lives at index row * columns + column.
// Used with bool by QRCodeBoolMatrix. Element storage is a plain array (no std::vector<bool>
// bit packing) so that per-cell loops read single bytes and callers can take a raw pointer.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <type_traits>

#include "QRCode/core/QRCodeError.hpp"

template <class T>
class Array2D {
 public:
  static_assert(std::is_trivially_copyable_v<T>, "Array2D holds plain values");

  // The largest number of cells one array may hold (a bad size is an error, never a
  // huge allocation).
  static constexpr std::int64_t maxCells = std::int64_t(1) << 28;

  Array2D() = default;

  // rows x columns cells, each set to initial. Negative or huge sizes are an error
  // (QRCodeError::cannotGenerateQRCode).
  Array2D(std::int64_t rows, std::int64_t columns, T initial) {
    allocate(rows, columns);
    std::fill_n(cells_.get(), count(), initial);
  }

  // rows x columns cells taken from flattened, whose length must be rows * columns.
  Array2D(std::int64_t rows, std::int64_t columns, std::span<const T> flattened) {
    checkSize(rows, columns);
    if (static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(columns) != flattened.size())
      foundation::raise(QRCodeError::cannotGenerateQRCode,
                        "flattened cells: expected " + std::to_string(rows * columns) + ", got " +
                            std::to_string(flattened.size()));
    allocate(rows, columns);
    std::copy(flattened.begin(), flattened.end(), cells_.get());
  }

  Array2D(const Array2D& other) { *this = other; }
  Array2D& operator=(const Array2D& other) {
    if (this != &other) {
      allocate(other.rows_, other.columns_);
      std::copy_n(other.cells_.get(), count(), cells_.get());
    }
    return *this;
  }
  Array2D(Array2D&& other) noexcept
      : cells_(std::move(other.cells_)), rows_(other.rows_), columns_(other.columns_) {
    other.rows_ = other.columns_ = 0;
  }
  Array2D& operator=(Array2D&& other) noexcept {
    cells_ = std::move(other.cells_);
    rows_ = other.rows_;
    columns_ = other.columns_;
    other.rows_ = other.columns_ = 0;
    return *this;
  }

  std::int64_t rows() const noexcept { return rows_; }
  std::int64_t columns() const noexcept { return columns_; }
  std::size_t count() const noexcept { return static_cast<std::size_t>(rows_ * columns_); }

  bool contains(std::int64_t row, std::int64_t column) const noexcept {
    return static_cast<std::uint64_t>(row) < static_cast<std::uint64_t>(rows_) &&
           static_cast<std::uint64_t>(column) < static_cast<std::uint64_t>(columns_);
  }
  // Unchecked access: the caller keeps row and column inside the array.
  const T& operator()(std::int64_t row, std::int64_t column) const noexcept {
    return cells_[index(row, column)];
  }
  T& operator()(std::int64_t row, std::int64_t column) noexcept {
    return cells_[index(row, column)];
  }
  // Checked access: outside the array, read gives fallback and write does nothing.
  // (g++ 12 warns about the guarded index when a caller passes a constant far outside;
  // the guard makes that access unreachable.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
  T value(std::int64_t row, std::int64_t column, T fallback = T{}) const noexcept {
    if (!contains(row, column)) return fallback;
    return cells_[index(row, column)];
  }
  void setValue(std::int64_t row, std::int64_t column, T value) noexcept {
    if (contains(row, column)) cells_[index(row, column)] = value;
  }
#pragma GCC diagnostic pop

  // The cells in row-major order.
  const T* data() const noexcept { return cells_.get(); }
  T* data() noexcept { return cells_.get(); }
  std::span<const T> flattened() const noexcept { return {cells_.get(), count()}; }
  std::span<T> flattened() noexcept { return {cells_.get(), count()}; }

  // For bool cells: a copy with every cell negated.
  Array2D inverted() const
    requires std::is_same_v<T, bool>
  {
    Array2D result;
    result.allocate(rows_, columns_);
    const bool* src = cells_.get();
    bool* dst = result.cells_.get();
    for (std::size_t i = 0, n = count(); i < n; ++i) dst[i] = !src[i];
    return result;
  }

  friend bool operator==(const Array2D& l, const Array2D& r) {
    return l.rows_ == r.rows_ && l.columns_ == r.columns_ &&
           std::equal(l.cells_.get(), l.cells_.get() + l.count(), r.cells_.get());
  }

 private:
  std::size_t index(std::int64_t row, std::int64_t column) const noexcept {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
           static_cast<std::size_t>(column);
  }
  static void checkSize(std::int64_t rows, std::int64_t columns) {
    if (rows < 0 || columns < 0 || (rows > 0 && columns > maxCells / rows))
      foundation::raise(QRCodeError::cannotGenerateQRCode,
                        "bad array size " + std::to_string(rows) + " x " + std::to_string(columns));
  }
  void allocate(std::int64_t rows, std::int64_t columns) {
    checkSize(rows, columns);
    const auto n = static_cast<std::size_t>(rows * columns);
    cells_ = n ? std::make_unique_for_overwrite<T[]>(n) : nullptr;
    rows_ = rows;
    columns_ = columns;
  }

  std::unique_ptr<T[]> cells_;
  std::int64_t rows_ = 0;
  std::int64_t columns_ = 0;
};
