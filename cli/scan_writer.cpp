#include "scan_writer.h"

#include <string>

#include "tamrix.h"

namespace tamrix_cli {

ScanWriter::ScanWriter(ScanOutput &output, ChannelRange channels)
    : output_(output), channels_(channels) {}

void ScanWriter::Add(std::span<const std::uint16_t> words) {
  const unsigned scan_words = channels_.Count();
  for (const std::uint16_t word : words) {
    const unsigned due = channels_.first + static_cast<unsigned>(scans_.size() % scan_words);
    if (TAMRIX_WORD_CHANNEL(word) != due) {
      Write();  // the scans before it are sound
      throw OutputError{"word " + std::to_string(words_seen_) + " carries channel " +
                        std::to_string(TAMRIX_WORD_CHANNEL(word)) + " where channel " +
                        std::to_string(due) + " was due"};
    }
    ++words_seen_;
    scans_.push_back(word);
  }
  Write();
}

void ScanWriter::Write() {
  const unsigned scan_words = channels_.Count();
  const std::size_t whole = scans_.size() / scan_words * scan_words;
  if (whole == 0) return;
  try {
    output_.WriteScans({scans_.data(), whole});
  } catch (const OutputError &) {
    sound_ = false;
    throw;
  }
  scans_written_ += whole / scan_words;
  scans_.erase(scans_.begin(), scans_.begin() + static_cast<std::ptrdiff_t>(whole));
}

}  // namespace tamrix_cli
