// The words one run hands to the buffer, as a function of their place in the
// run. The signals are periodic, so one stretch of whole periods of the
// scanned channels holds every word the run can ever produce: the sampler
// only counts words, and a fetch writes them from this table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "word_source.h"

namespace tamrix::vxd {

struct RunPlan;

class RunWords : public WordSource {
 public:
  // Shared by the run and by every stretch of the buffer that holds its words.
  static std::shared_ptr<const RunWords> Of(const RunPlan &plan);

  // The run's index-th word.
  std::uint16_t At(std::uint64_t index) const;
  // Writes words first .. first + count - 1 to `destination` (2 * count
  // bytes, any alignment).
  void Copy(std::uint64_t first, std::size_t count, unsigned char *destination) const override;

 private:
  std::vector<std::uint16_t> table_;  // whole periods, from signal step 0
  std::size_t start_ = 0;             // the run's first word in table_
};

}  // namespace tamrix::vxd
