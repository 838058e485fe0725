// The output's own thread behind a bounded queue, so that a slow disk never
// keeps the board from being drained. The queue holds words as fetched and
// events in the order they happened; the thread passes them to a ScanWriter
// and flushes the output at least once a second.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "scan_writer.h"

namespace tamrix_cli {

class WriterThread {
 public:
  // At most max_words words wait in the queue.
  WriterThread(ScanWriter &writer, ScanOutput &output, std::size_t max_words);
  // Finishes, if not done.
  ~WriterThread();
  WriterThread(const WriterThread &) = delete;
  WriterThread &operator=(const WriterThread &) = delete;

  // Queues fetched words, waiting while the queue is full; false once the
  // output failed (the words are dropped then).
  bool Push(std::vector<std::uint16_t> words);
  bool Push(CaptureEvent event);

  // The output's failure, once there is one.
  std::optional<std::string> failure() const;

  // Writes all that is queued, flushes, and ends the thread. Returns the
  // failure, if any.
  std::optional<std::string> Finish();

 private:
  using Item = std::variant<std::vector<std::uint16_t>, CaptureEvent>;

  bool Queue(Item item, std::size_t words);
  void Run();
  void Write(Item &item);

  ScanWriter &writer_;
  ScanOutput &output_;
  const std::size_t max_words_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Item> queue_;
  std::size_t queued_words_ = 0;
  bool finishing_ = false;
  std::optional<std::string> failure_;
  std::thread thread_;
};

}  // namespace tamrix_cli
