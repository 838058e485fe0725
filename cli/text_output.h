// Scans as text: CSV with a header of channel names, or the raw words
// little-endian. Each batch goes out at once, so that a reader of a pipe
// sees it.
#pragma once

#include <cstdio>
#include <string>

#include "command_line.h"
#include "scan_output.h"

namespace tamrix_cli {

class TextOutput : public ScanOutput {
 public:
  // Writes the CSV header at once. The file stays the caller's.
  TextOutput(std::FILE *file, std::string name, OutputFormat format, ChannelRange channels);

  void WriteScans(std::span<const std::uint16_t> words) override;

 private:
  void Write();

  std::FILE *file_;
  std::string name_;
  OutputFormat format_;
  unsigned scan_words_;
  std::string text_;
};

}  // namespace tamrix_cli
