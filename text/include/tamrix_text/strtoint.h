// The integer-text rule used wherever the program reads a number from text.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tamrix::text {

// Leading spaces are skipped (tabs are not blanks here); then either an
// optional '+' or '-' and decimal digits within the signed 32-bit range, or
// '$' and one to eight hex digits of either case giving the 32-bit pattern.
// Anything else throws ConversionError carrying the original text.
std::int32_t StrToInt(std::string_view text);

// The same rule without throwing.
std::optional<std::int32_t> TryStrToInt(std::string_view text);

}  // namespace tamrix::text
