#include "scan_writer.h"

#include <cerrno>
#include <cstring>

#include "tamrix.h"

namespace tamrix_cli {

ScanWriter::ScanWriter(std::FILE *file, std::string name, OutputFormat format,
                       ChannelRange channels)
    : file_(file), name_(std::move(name)), format_(format), channels_(channels) {
  if (format_ == OutputFormat::kCsv) {
    for (unsigned channel = channels_.first; channel <= channels_.last; ++channel) {
      char column[8];
      std::snprintf(column, sizeof column, "%sch%02u", channel == channels_.first ? "" : ",",
                    channel);
      text_ += column;
    }
    text_ += '\n';
    Flush();
  }
}

void ScanWriter::Add(std::span<const std::uint16_t> words) {
  const unsigned scan_words = channels_.Count();
  for (const std::uint16_t word : words) {
    const unsigned due = channels_.first + static_cast<unsigned>(partial_.size());
    if (TAMRIX_WORD_CHANNEL(word) != due) {
      Flush();  // the scans before it are sound
      throw OutputError{"word " + std::to_string(words_seen_) + " carries channel " +
                        std::to_string(TAMRIX_WORD_CHANNEL(word)) + " where channel " +
                        std::to_string(due) + " was due"};
    }
    ++words_seen_;
    partial_.push_back(word);
    if (partial_.size() == scan_words) {
      WriteScan(partial_.data());
      partial_.clear();
    }
  }
  Flush();
}

void ScanWriter::WriteScan(const std::uint16_t *scan) {
  const unsigned scan_words = channels_.Count();
  if (format_ == OutputFormat::kCsv) {
    for (unsigned i = 0; i < scan_words; ++i) {
      if (i > 0) text_ += ',';
      text_ += std::to_string(TAMRIX_WORD_VALUE(scan[i]));
    }
    text_ += '\n';
  } else {
    for (unsigned i = 0; i < scan_words; ++i) {
      text_ += static_cast<char>(scan[i] & 0xFF);
      text_ += static_cast<char>(scan[i] >> 8);
    }
  }
  ++scans_written_;
}

void ScanWriter::Flush() {
  if (text_.empty()) return;
  // Each batch goes out at once, so that a reader of a pipe sees it.
  if (std::fwrite(text_.data(), 1, text_.size(), file_) != text_.size() ||
      std::fflush(file_) != 0) {
    sound_ = false;
    throw OutputError{"cannot write " + name_ + ": " + std::strerror(errno)};
  }
  text_.clear();
}

}  // namespace tamrix_cli
