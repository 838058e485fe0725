#include "tamrix_text/errors.h"

#include <string>

namespace tamrix::text {

ConversionError::ConversionError(std::string_view text)
    : Error("'" + std::string(text) + "' は整数ではありません"), text_(text) {}

RangeError::RangeError() : Error("範囲ﾁｪｯｸｴﾗｰ") {}

}  // namespace tamrix::text
