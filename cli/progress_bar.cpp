#include "progress_bar.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace tamrix_cli {
namespace {

constexpr int kWidth = 40;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

ProgressBar::ProgressBar(std::uint64_t total)
    : total_(total == 0 ? 1 : total), enabled_(isatty(STDERR_FILENO) == 1) {}

ProgressBar::~ProgressBar() { Clear(); }

void ProgressBar::Show(std::uint64_t done) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && done < total_ && now - last_draw_ < kRedrawInterval) return;
  last_draw_ = now;
  Draw(done);
}

void ProgressBar::Draw(std::uint64_t done) {
  const int filled = static_cast<int>(kWidth * (done > total_ ? total_ : done) / total_);
  const std::string bar = std::string(filled, '#') + std::string(kWidth - filled, '.');
  std::fprintf(stderr, "\r[%s] %3d%% %llu/%llu words", bar.c_str(),
               static_cast<int>(100 * done / total_), static_cast<unsigned long long>(done),
               static_cast<unsigned long long>(total_));
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::Clear() {
  if (!drawn_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace tamrix_cli
