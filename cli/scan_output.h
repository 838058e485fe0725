// Where whole scans go once they are checked: a text file (CSV, raw words)
// or a capture file, which also keeps what happened during the run.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tamrix_cli {

// The output cannot be written, or the words are not in scan order.
struct OutputError {
  std::string what;
};

// A notification of the board, or a loss of words, at the scan it came by.
struct CaptureEvent {
  std::uint64_t scan = 0;     // scans fetched before it
  double seconds = 0;         // since sampling started
  std::uint32_t message = 0;  // the notification's number, 0 for a loss
  std::string name;
  std::int64_t words_lost = 0;  // -1: lost, but the board does not tell how many
};

class ScanOutput {
 public:
  virtual ~ScanOutput() = default;
  // words: whole scans of driver words, in order. Throws OutputError.
  virtual void WriteScans(std::span<const std::uint16_t> words) = 0;
  // A format without a place for events drops them.
  virtual void WriteEvent(const CaptureEvent &) {}
  // Makes what was written readable by others; a format that writes
  // through (text) needs nothing. Throws OutputError.
  virtual void Flush() {}
};

}  // namespace tamrix_cli
