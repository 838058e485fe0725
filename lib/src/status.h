#pragma once

#include <cstdint>

namespace tamrix {

// The driver's 16-bit status word as a library status code: 0..8 map to the
// library's codes, 9..65535 pass through unchanged.
std::int32_t TranslateDriverStatus(std::uint16_t status_word);

}  // namespace tamrix
