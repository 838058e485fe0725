// Where the words of a run come from when they are fetched: a stretch of
// the sample buffer names its source and the run's place in it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tamrix::vxd {

class WordSource {
 public:
  WordSource() = default;
  WordSource(const WordSource &) = default;
  WordSource &operator=(const WordSource &) = default;
  virtual ~WordSource() = default;

  // Writes words first .. first + count - 1 to `destination` (2 * count
  // bytes, any alignment).
  virtual void Copy(std::uint64_t first, std::size_t count, unsigned char *destination) const = 0;
};

}  // namespace tamrix::vxd
