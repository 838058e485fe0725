#include "tamrix_text/format.h"

#include <cstdint>
#include <string>

#include "tamrix_text/errors.h"

namespace tamrix::text {

namespace {

std::string Decimal(std::int64_t v, int min_digits) {
  const bool negative = v < 0;
  // Magnitude as unsigned so that the most negative value survives.
  std::uint64_t m = negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + m % 10));
    m /= 10;
  } while (m != 0);
  if (static_cast<int>(digits.size()) < min_digits)
    digits.insert(0, static_cast<std::size_t>(min_digits) - digits.size(), '0');
  return negative ? "-" + digits : digits;
}

std::string Hex(std::uint64_t v, int min_digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[v & 0xF]);
    v >>= 4;
  } while (v != 0);
  if (static_cast<int>(digits.size()) < min_digits)
    digits.insert(0, static_cast<std::size_t>(min_digits) - digits.size(), '0');
  return digits;
}

[[noreturn]] void Fail(std::string_view format, const char *why) {
  throw FormatError("Format '" + std::string(format) + "': " + why);
}

}  // namespace

std::string FormatList(std::string_view format, std::initializer_list<FormatArg> args) {
  std::string out;
  const auto *next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (++i == format.size()) Fail(format, "ends inside a directive");
    if (format[i] == '%') {
      out += '%';
      continue;
    }
    int precision = 0;
    if (format[i] == '.') {
      ++i;
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        precision = precision * 10 + (format[i] - '0');
        if (precision > 64) Fail(format, "precision too large");
        ++i;
      }
      if (i == format.size()) Fail(format, "ends inside a directive");
    }
    const char kind = format[i];
    if (kind != 'd' && kind != 'x' && kind != 's') Fail(format, "unknown directive");
    if (next == args.end()) Fail(format, "too few arguments");
    const FormatArg::Value &v = (next++)->Get();

    if (kind == 's') {
      const auto *s = std::get_if<std::string>(&v);
      if (s == nullptr) Fail(format, "%s needs a text");
      out += *s;
      continue;
    }
    if (std::holds_alternative<std::string>(v)) Fail(format, "number directive with a text");
    if (kind == 'd') {
      std::int64_t n = 0;
      if (const auto *p = std::get_if<std::int32_t>(&v))
        n = *p;
      else if (const auto *q = std::get_if<std::int64_t>(&v))
        n = *q;
      else
        n = std::get<std::uint32_t>(v);
      out += Decimal(n, precision);
    } else {
      std::uint64_t bits = 0;
      if (const auto *p = std::get_if<std::int32_t>(&v))
        bits = static_cast<std::uint32_t>(*p);
      else if (const auto *q = std::get_if<std::int64_t>(&v))
        bits = static_cast<std::uint64_t>(*q);
      else
        bits = std::get<std::uint32_t>(v);
      out += Hex(bits, precision);
    }
  }
  return out;
}

}  // namespace tamrix::text
