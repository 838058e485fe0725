// Checks sample words as they are fetched and passes on whole scans only: a
// scan cut off by an interrupt or a failure never reaches the output.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "sampling_plan.h"
#include "scan_output.h"

namespace tamrix_cli {

class ScanWriter {
 public:
  ScanWriter(ScanOutput &output, ChannelRange channels);

  // Takes fetched words in order; writes every scan they complete. Throws
  // OutputError for a word out of scan order (after the scans before it)
  // and for an output that cannot be written.
  void Add(std::span<const std::uint16_t> words);

  std::uint64_t scans_written() const { return scans_written_; }
  // Every scan written reached the output whole: no write failed.
  bool sound() const { return sound_; }

 private:
  void Write();

  ScanOutput &output_;
  ChannelRange channels_;
  std::vector<std::uint16_t> scans_;  // whole scans, then the partial one
  std::uint64_t words_seen_ = 0;
  std::uint64_t scans_written_ = 0;
  bool sound_ = true;
};

}  // namespace tamrix_cli
