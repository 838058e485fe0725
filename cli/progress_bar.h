// A progress bar on standard error, drawn only when that is a terminal.
#pragma once

#include <chrono>
#include <cstdint>

namespace tamrix_cli {

class ProgressBar {
 public:
  explicit ProgressBar(std::uint64_t total);
  ~ProgressBar();

  void Show(std::uint64_t done);
  // Removes the bar, so that a message can take its line.
  void Clear();

 private:
  void Draw(std::uint64_t done);

  std::uint64_t total_;
  bool enabled_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_draw_{};
};

}  // namespace tamrix_cli
