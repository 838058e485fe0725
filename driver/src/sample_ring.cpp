#include "sample_ring.h"

#include <cstring>

namespace tamrix::vxd {

void SampleRing::Reset(std::size_t capacity) {
  storage_.assign(capacity, 0);
  storage_.shrink_to_fit();
  Clear();
}

void SampleRing::TakeOldest(void *destination, std::size_t count) {
  if (count == 0) return;
  // At most two straight copies: up to the end of storage, then from its start.
  const std::size_t first_part = count < Capacity() - head_ ? count : Capacity() - head_;
  auto *bytes = static_cast<unsigned char *>(destination);
  std::memcpy(bytes, storage_.data() + head_, first_part * sizeof(std::uint16_t));
  std::memcpy(bytes + first_part * sizeof(std::uint16_t), storage_.data(),
              (count - first_part) * sizeof(std::uint16_t));
  head_ = (head_ + count) % Capacity();
  size_ -= count;
  if (size_ == 0) head_ = 0;
}

}  // namespace tamrix::vxd
