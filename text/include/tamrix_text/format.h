// Number formatting with the program's directives, which differ from printf:
//   %s          the text argument
//   %d, %.d     signed decimal; 0 prints "0"
//   %.Nd        at least N digits, zero-filled after any minus sign
//   %x, %.x     upper-case hex of the value's bit pattern (32 bits for 32-bit
//               arguments); 0 prints "0"; %.Nx zero-fills to N digits
//   %%          a percent sign
// A directive that does not fit its argument, or a missing argument, throws
// FormatError.
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace tamrix::text {

class FormatArg {
 public:
  using Value = std::variant<std::int32_t, std::int64_t, std::uint32_t, std::string>;

  template <std::integral T>
  requires(!std::same_as<T, bool>) FormatArg(T v) : value_(Pick(v)) {}
  FormatArg(std::string s) : value_(std::move(s)) {}
  FormatArg(std::string_view s) : value_(std::string(s)) {}
  FormatArg(const char *s) : value_(std::string(s)) {}

  const Value &Get() const { return value_; }

 private:
  template <std::integral T>
  static Value Pick(T v) {
    // Everything that fits in 32 signed bits reads as int32.
    if constexpr ((std::signed_integral<T> && sizeof(T) <= 4) ||
                  (std::unsigned_integral<T> && sizeof(T) < 4)) {
      return static_cast<std::int32_t>(v);
    } else if constexpr (std::unsigned_integral<T> && sizeof(T) == 4) {
      return static_cast<std::uint32_t>(v);
    } else {
      return static_cast<std::int64_t>(v);
    }
  }
  Value value_;
};

std::string FormatList(std::string_view format, std::initializer_list<FormatArg> args);

template <typename... Args>
std::string Format(std::string_view format, const Args &...args) {
  return FormatList(format, {FormatArg(args)...});
}

}  // namespace tamrix::text
