// The run-time errors of the text rules and of table indexes. Raised inside a
// handler, the application shows their text in the standard error box and
// the program runs on.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace tamrix::text {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text that is not an integer: "'<text>' は整数ではありません".
class ConversionError : public Error {
 public:
  explicit ConversionError(std::string_view text);
  const std::string &Text() const { return text_; }

 private:
  std::string text_;
};

// An index past the end of a fixed-size table: "範囲ﾁｪｯｸｴﾗｰ".
class RangeError : public Error {
 public:
  RangeError();
};

// A format string that does not fit its arguments (a program fault).
class FormatError : public Error {
 public:
  using Error::Error;
};

// Throws RangeError unless 0 <= index < size.
inline void CheckRange(long long index, long long size) {
  if (index < 0 || index >= size) throw RangeError();
}

}  // namespace tamrix::text
