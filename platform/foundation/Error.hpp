#pragma once
// The one exception class of the project and the helpers around it.
//
// Every error enumeration keeps its cases in order (a case's value is its position) and
// describes itself through an ErrorTraits specialisation:
//
//   enum class FooError { first, second };
//   template <> struct foundation::ErrorTraits<FooError> {
//     static constexpr std::string_view domain = "FooError";
//     static constexpr std::array<std::string_view, 2> cases{"first", "second"};
//   };
//
// foundation::raise(FooError::second, "text") throws a foundation::Error that carries the
// domain, the code, the case name and the text. Errors pass through callers unchanged.
// foundation::attempt(fn, &error) is the second, non-throwing form.

#include <array>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace foundation {

template <class E>
struct ErrorTraits;  // specialise: domain, cases

class Error : public std::exception {
 public:
  Error(std::string domain, int code, std::string caseName, std::string text = {});

  template <class E>
    requires std::is_enum_v<E>
  explicit Error(E code, std::string text = {})
      : Error(std::string(ErrorTraits<E>::domain), static_cast<int>(code),
              std::string(caseName(code)), std::move(text)) {}

  const std::string& domain() const noexcept { return domain_; }
  int code() const noexcept { return code_; }
  const std::string& caseName() const noexcept { return case_; }
  const std::string& text() const noexcept { return text_; }
  // "<domain>.<case>" or "<domain>.<case>: <text>"
  const char* what() const noexcept override { return what_.c_str(); }

  // True when this error is the given case of its enumeration.
  template <class E>
    requires std::is_enum_v<E>
  bool is(E code) const noexcept {
    return domain_ == ErrorTraits<E>::domain && code_ == static_cast<int>(code);
  }

  template <class E>
    requires std::is_enum_v<E>
  static std::string_view caseName(E code) noexcept {
    const auto i = static_cast<std::size_t>(code);
    const auto& cases = ErrorTraits<E>::cases;
    return i < cases.size() ? cases[i] : std::string_view("unknown");
  }

 private:
  std::string domain_;
  int code_;
  std::string case_;
  std::string text_;
  std::string what_;
};

template <class E>
  requires std::is_enum_v<E>
[[noreturn]] void raise(E code, std::string text = {}) {
  throw Error(code, std::move(text));
}

// Runs a throwing call. On success returns its result (or true for a void call); on a
// foundation::Error returns an empty optional (or false) and stores the error in *error
// when error is not null. Other exceptions pass through.
template <class F>
auto attempt(F&& fn, std::optional<Error>* error = nullptr) {
  using R = std::invoke_result_t<F&&>;
  if constexpr (std::is_void_v<R>) {
    try {
      std::forward<F>(fn)();
      return true;
    } catch (const Error& e) {
      if (error) *error = e;
      return false;
    }
  } else {
    try {
      return std::optional<R>(std::forward<F>(fn)());
    } catch (const Error& e) {
      if (error) *error = e;
      return std::optional<R>();
    }
  }
}

}  // namespace foundation
