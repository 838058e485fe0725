#include "text_output.h"

#include <cerrno>
#include <cstring>

#include "tamrix.h"

namespace tamrix_cli {

TextOutput::TextOutput(std::FILE *file, std::string name, OutputFormat format,
                       ChannelRange channels)
    : file_(file), name_(std::move(name)), format_(format), scan_words_(channels.Count()) {
  if (format_ != OutputFormat::kCsv) return;
  for (unsigned channel = channels.first; channel <= channels.last; ++channel) {
    char column[8];
    std::snprintf(column, sizeof column, "%sch%02u", channel == channels.first ? "" : ",", channel);
    text_ += column;
  }
  text_ += '\n';
  Write();
}

void TextOutput::WriteScans(std::span<const std::uint16_t> words) {
  if (format_ == OutputFormat::kCsv) {
    for (std::size_t i = 0; i < words.size(); ++i) {
      text_ += std::to_string(TAMRIX_WORD_VALUE(words[i]));
      text_ += (i + 1) % scan_words_ == 0 ? '\n' : ',';
    }
  } else {
    for (const std::uint16_t word : words) {
      text_ += static_cast<char>(word & 0xFF);
      text_ += static_cast<char>(word >> 8);
    }
  }
  Write();
}

void TextOutput::Write() {
  if (text_.empty()) return;
  if (std::fwrite(text_.data(), 1, text_.size(), file_) != text_.size() ||
      std::fflush(file_) != 0) {
    throw OutputError{"cannot write " + name_ + ": " + std::strerror(errno)};
  }
  text_.clear();
}

}  // namespace tamrix_cli
