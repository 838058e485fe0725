// The driver's sample buffer: room for a fixed number of words, oldest out
// first. It records which words of a run it holds, in stretches of
// consecutive words (a stretch ends where words were lost to a full buffer),
// and writes them out only when they are taken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

#include "word_source.h"

namespace tamrix::vxd {

class SampleRing {
 public:
  // Empties the ring and gives it room for `capacity` words.
  void Reset(std::size_t capacity);
  void Clear();

  std::size_t Capacity() const { return capacity_; }
  std::size_t Size() const { return size_; }
  std::size_t Free() const { return capacity_ - size_; }

  // Appends the words first, first + 1, ... of `words` while room lasts, up
  // to `count`; returns how many went in. The rest are the caller's lost words.
  std::size_t Append(const std::shared_ptr<const WordSource> &words, std::uint64_t first,
                     std::size_t count);

  // Copies the `count` oldest words to `destination` (2 * count bytes, any
  // alignment) and drops them; count must not exceed Size().
  void TakeOldest(void *destination, std::size_t count);

 private:
  struct Stretch {
    std::shared_ptr<const WordSource> words;
    std::uint64_t first;
    std::size_t count;
  };
  std::deque<Stretch> stretches_;
  std::size_t capacity_ = 0;
  std::size_t size_ = 0;
};

}  // namespace tamrix::vxd
