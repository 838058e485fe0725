// Writes sample words as they are fetched, whole scans only: a scan cut off
// by an interrupt or a failure never reaches the output.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "command_line.h"
#include "sampling_plan.h"

namespace tamrix_cli {

// The output cannot be written, or the words are not in scan order.
struct OutputError {
  std::string what;
};

class ScanWriter {
 public:
  // Writes the CSV header at once. The file stays the caller's.
  ScanWriter(std::FILE *file, std::string name, OutputFormat format, ChannelRange channels);

  // Takes fetched words in order; writes every scan they complete.
  void Add(std::span<const std::uint16_t> words);

  std::uint64_t scans_written() const { return scans_written_; }
  // Every scan written reached the file whole: no write failed.
  bool sound() const { return sound_; }

 private:
  void WriteScan(const std::uint16_t *scan);
  void Flush();

  std::FILE *file_;
  std::string name_;
  OutputFormat format_;
  ChannelRange channels_;
  std::vector<std::uint16_t> partial_;
  std::uint64_t words_seen_ = 0;
  std::uint64_t scans_written_ = 0;
  bool sound_ = true;
  std::string text_;
};

}  // namespace tamrix_cli
