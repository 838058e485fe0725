#include "sample_ring.h"

#include <algorithm>

namespace tamrix::vxd {

void SampleRing::Reset(std::size_t capacity) {
  Clear();
  capacity_ = capacity;
}

void SampleRing::Clear() {
  stretches_.clear();
  size_ = 0;
}

std::size_t SampleRing::Append(const std::shared_ptr<const WordSource> &words, std::uint64_t first,
                               std::size_t count) {
  const std::size_t accepted = std::min(count, Free());
  if (accepted == 0) return 0;
  if (!stretches_.empty()) {
    Stretch &last = stretches_.back();
    if (last.words == words && last.first + last.count == first) {
      last.count += accepted;
      size_ += accepted;
      return accepted;
    }
  }
  stretches_.push_back({words, first, accepted});
  size_ += accepted;
  return accepted;
}

void SampleRing::TakeOldest(void *destination, std::size_t count) {
  auto *bytes = static_cast<unsigned char *>(destination);
  size_ -= count;
  while (count > 0) {
    Stretch &oldest = stretches_.front();
    const std::size_t piece = std::min(count, oldest.count);
    oldest.words->Copy(oldest.first, piece, bytes);
    bytes += piece * sizeof(std::uint16_t);
    count -= piece;
    if (piece == oldest.count) {
      stretches_.pop_front();
    } else {
      oldest.first += piece;
      oldest.count -= piece;
    }
  }
}

}  // namespace tamrix::vxd
