#pragma once
// Inset generators: module by module, how much a pixel shape over the common generator
// shrinks each module (as a fraction of half the cell). Chosen by Name through the
// "insetGeneratorName" setting.
//
// Every class offers, as static members:
//   static std::string_view Name();
//   static std::shared_ptr<Class> Create();   // a new instance in its initial state

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

class QRCodeBoolMatrix;

class QRCodePixelInsetGenerator {
 public:
  virtual ~QRCodePixelInsetGenerator() = default;
  QRCodePixelInsetGenerator(const QRCodePixelInsetGenerator&) = delete;
  QRCodePixelInsetGenerator& operator=(const QRCodePixelInsetGenerator&) = delete;

  // The Name of the object's own class.
  virtual std::string_view name() const = 0;
  // Returns to the initial state (only the random generator has one).
  virtual void reset() {}
  // A new instance of the same class in its initial state.
  virtual std::shared_ptr<QRCodePixelInsetGenerator> copyInsetGenerator() const = 0;
  // The inset value of the module at (row, column) for the given fraction.
  virtual double insetValueFor(const QRCodeBoolMatrix& matrix, std::int64_t row,
                               std::int64_t column, double insetFraction) = 0;

 protected:
  QRCodePixelInsetGenerator() = default;
};

using QRCodePixelInsetGeneratorPtr = std::shared_ptr<QRCodePixelInsetGenerator>;

// Shared boilerplate of the inset classes: Name, Create and copyInsetGenerator from the
// class's name constant.
template <class Self>
class QRCodePixelInsetClass : public QRCodePixelInsetGenerator {
 public:
  static std::string_view Name() { return Self::generatorName; }
  static std::shared_ptr<Self> Create() { return std::make_shared<Self>(); }
  std::string_view name() const override { return Self::generatorName; }
  std::shared_ptr<QRCodePixelInsetGenerator> copyInsetGenerator() const override {
    return std::make_shared<Self>();
  }
};

// Every module: the fraction itself.
class QRCodePixelInsetFixed final : public QRCodePixelInsetClass<QRCodePixelInsetFixed> {
 public:
  static constexpr std::string_view generatorName = "fixed";
  double insetValueFor(const QRCodeBoolMatrix& matrix, std::int64_t row, std::int64_t column,
                       double insetFraction) override;
};

// A uniform draw from [0, fraction] per module, from a SplitMix64 source that starts at
// a fixed seed after construction and after every reset.
class QRCodePixelInsetRandom final : public QRCodePixelInsetClass<QRCodePixelInsetRandom> {
 public:
  static constexpr std::string_view generatorName = "random";
  static constexpr std::uint64_t initialState = 308653205;  // 0x1265AC95

  void reset() override { insetRandomGenerator_ = initialState; }
  double insetValueFor(const QRCodeBoolMatrix& matrix, std::int64_t row, std::int64_t column,
                       double insetFraction) override;

  // A draw in [0, 2^53] (2^53 + 1 outcomes, multiply-high with rejection).
  std::uint64_t randomBelow();
  // The next value in [0, fraction].
  double randomFraction(double fraction);
  std::uint64_t insetRandomGeneratorState() const { return insetRandomGenerator_; }

 private:
  std::uint64_t insetRandomGenerator_ = initialState;
};

// The smaller of the horizontal and vertical wave values: grows towards the centre.
class QRCodePixelInsetPunch final : public QRCodePixelInsetClass<QRCodePixelInsetPunch> {
 public:
  static constexpr std::string_view generatorName = "punch";
  double insetValueFor(const QRCodeBoolMatrix& matrix, std::int64_t row, std::int64_t column,
                       double insetFraction) override;
};

// A triangle wave over the columns: 0 at the left edge, highest in the middle.
class QRCodePixelInsetHorizontalWave final
    : public QRCodePixelInsetClass<QRCodePixelInsetHorizontalWave> {
 public:
  static constexpr std::string_view generatorName = "horizontalWave";
  double insetValueFor(const QRCodeBoolMatrix& matrix, std::int64_t row, std::int64_t column,
                       double insetFraction) override;
};

// A triangle wave over the rows: 0 at the top edge, highest in the middle.
class QRCodePixelInsetVerticalWave final
    : public QRCodePixelInsetClass<QRCodePixelInsetVerticalWave> {
 public:
  static constexpr std::string_view generatorName = "verticalWave";
  double insetValueFor(const QRCodeBoolMatrix& matrix, std::int64_t row, std::int64_t column,
                       double insetFraction) override;
};

// Holder of the inset family's lookups; never instantiated.
struct QRCodePixelInset {
  QRCodePixelInset() = delete;

  struct GeneratorClass {
    std::string_view name;
    std::shared_ptr<QRCodePixelInsetGenerator> (*create)();
  };

  // fixed, random, punch, horizontalWave, verticalWave; built once, never changed.
  static std::span<const GeneratorClass> generators();
  // A new generator of the class whose Name equals name exactly, or null.
  static std::shared_ptr<QRCodePixelInsetGenerator> generatorNamed(std::string_view name);

  template <class Generator>
  static std::string_view nameOfGenerator() {
    return Generator::Name();
  }
  static std::string_view nameOfGenerator(const QRCodePixelInsetGenerator& generator) {
    return generator.name();
  }
};
