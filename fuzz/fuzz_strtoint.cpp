// The integer-text rule on arbitrary bytes: both entry points agree, the
// error carries the text, and every verdict matches a reference parser that
// shares no code with the one under test.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "tamrix_text/errors.h"
#include "tamrix_text/strtoint.h"

namespace {

using tamrix::text::ConversionError;
using tamrix::text::StrToInt;
using tamrix::text::TryStrToInt;

[[noreturn]] void Fail(const char *what, std::string_view text) {
  std::fprintf(stderr, "integer-text rule: %s for the text \"", what);
  for (unsigned char c : text) std::fprintf(stderr, c >= 0x20 && c < 0x7F ? "%c" : "\\x%02X", c);
  std::fprintf(stderr, "\"\n");
  std::abort();
}

// Decimal by digit strings, not by accumulating: strip leading zeros and
// compare the remaining digits with the largest magnitude as text.
std::optional<std::int32_t> ReferenceDecimal(bool negative, std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  const std::size_t first = digits.find_first_not_of('0');
  const std::string_view significant =
      first == std::string_view::npos ? std::string_view() : digits.substr(first);
  const std::string_view largest = negative ? "2147483648" : "2147483647";
  if (significant.size() > largest.size() ||
      (significant.size() == largest.size() && significant > largest)) {
    return std::nullopt;
  }
  std::int64_t magnitude = 0;
  for (char c : significant) magnitude = magnitude * 10 + (c - '0');
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::optional<std::int32_t> ReferenceHex(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t pattern = 0;
  for (char c : digits) {
    const std::string_view alphabet = "0123456789abcdef";
    const char lower = (c >= 'A' && c <= 'F') ? static_cast<char>(c - 'A' + 'a') : c;
    const std::size_t d = alphabet.find(lower);
    if (d == std::string_view::npos) return std::nullopt;
    pattern = pattern * 16 + static_cast<std::uint32_t>(d);
  }
  return static_cast<std::int32_t>(pattern);
}

std::optional<std::int32_t> Reference(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return std::nullopt;
  text.remove_prefix(start);
  if (text.front() == '$') return ReferenceHex(text.substr(1));
  if (text.front() == '+' || text.front() == '-') {
    return ReferenceDecimal(text.front() == '-', text.substr(1));
  }
  return ReferenceDecimal(false, text);
}

// Runs StrToInt and reports what it threw, if anything.
std::optional<std::int32_t> Thrown(std::string_view text) {
  try {
    return StrToInt(text);
  } catch (const ConversionError &e) {
    if (e.Text() != text) Fail("the error does not carry the text", text);
    // what() is a C string: a text with a NUL byte ends the message there.
    const std::string message = "'" + std::string(text) + "' は整数ではありません";
    if (std::strcmp(e.what(), message.c_str()) != 0) {
      Fail("the error message is not the conversion message", text);
    }
    return std::nullopt;
  }
}

std::string Hex(std::int32_t value) {
  char out[16];
  std::snprintf(out, sizeof out, "$%X", static_cast<std::uint32_t>(value));
  return out;
}

void Check(std::string_view text) {
  const std::optional<std::int32_t> tried = TryStrToInt(text);
  const std::optional<std::int32_t> thrown = Thrown(text);
  if (tried.has_value() != thrown.has_value()) Fail("TryStrToInt and StrToInt disagree", text);
  if (tried && *tried != *thrown) Fail("TryStrToInt and StrToInt give different values", text);

  const std::optional<std::int32_t> expected = Reference(text);
  if (tried.has_value() != expected.has_value()) {
    Fail(expected ? "a valid text is refused" : "an invalid text is accepted", text);
  }
  if (!tried) return;
  if (*tried != *expected) Fail("the value differs from the reference", text);

  // An accepted value reads back the same in both notations, leading blanks
  // never matter, and a trailing blank always does.
  if (TryStrToInt(std::to_string(*tried)) != tried) Fail("the decimal form does not re-read", text);
  if (TryStrToInt(Hex(*tried)) != tried) Fail("the $ form does not re-read", text);
  if (TryStrToInt("   " + std::string(text)) != tried)
    Fail("leading blanks change the value", text);
  if (TryStrToInt(std::string(text) + " ")) Fail("a trailing blank is accepted", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  Check(std::string_view(reinterpret_cast<const char *>(data), size));
  return 0;
}
