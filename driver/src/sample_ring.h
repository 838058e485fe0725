// The driver's sample buffer: a fixed number of words, oldest out first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tamrix::vxd {

class SampleRing {
 public:
  // Empties the ring and gives it room for `capacity` words (0 frees it).
  void Reset(std::size_t capacity);
  void Clear() { head_ = size_ = 0; }

  std::size_t Capacity() const { return storage_.size(); }
  std::size_t Size() const { return size_; }
  std::size_t Free() const { return Capacity() - size_; }

  // Appends words word_at(0), word_at(1), ... while room lasts, up to `count`;
  // returns how many went in. The rest are the caller's lost words.
  template <typename WordAt>
  std::size_t Append(std::size_t count, WordAt &&word_at) {
    const std::size_t accepted = count < Free() ? count : Free();
    if (accepted == 0) return 0;
    std::size_t at = (head_ + size_) % Capacity();
    for (std::size_t i = 0; i < accepted; ++i) {
      storage_[at] = word_at(i);
      if (++at == Capacity()) at = 0;
    }
    size_ += accepted;
    return accepted;
  }

  // Copies the `count` oldest words to `destination` (2 * count bytes, any
  // alignment) and drops them; count must not exceed Size().
  void TakeOldest(void *destination, std::size_t count);

 private:
  std::vector<std::uint16_t> storage_;
  std::size_t head_ = 0;  // index of the oldest word
  std::size_t size_ = 0;
};

}  // namespace tamrix::vxd
