#include "writer_thread.h"

namespace tamrix_cli {
namespace {

// Twice a second, so that a reader never waits a whole second for a flush.
constexpr auto kFlushInterval = std::chrono::milliseconds(500);

}  // namespace

WriterThread::WriterThread(ScanWriter &writer, ScanOutput &output, std::size_t max_words)
    : writer_(writer), output_(output), max_words_(max_words), thread_([this] { Run(); }) {}

WriterThread::~WriterThread() { Finish(); }

bool WriterThread::Push(std::vector<std::uint16_t> words) {
  const std::size_t count = words.size();
  return Queue(std::move(words), count);
}

bool WriterThread::Push(CaptureEvent event) { return Queue(std::move(event), 0); }

bool WriterThread::Queue(Item item, std::size_t words) {
  std::unique_lock lock(mutex_);
  changed_.wait(
      lock, [&] { return failure_ || queued_words_ == 0 || queued_words_ + words <= max_words_; });
  if (failure_) return false;
  queued_words_ += words;
  queue_.push_back(std::move(item));
  changed_.notify_all();
  return true;
}

std::optional<std::string> WriterThread::failure() const {
  const std::lock_guard lock(mutex_);
  return failure_;
}

std::optional<std::string> WriterThread::Finish() {
  {
    const std::lock_guard lock(mutex_);
    finishing_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  return failure();
}

void WriterThread::Run() {
  auto last_flush = std::chrono::steady_clock::now();
  bool dirty = false;
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait_for(lock, kFlushInterval, [&] { return finishing_ || !queue_.empty(); });
    const bool done = queue_.empty() && finishing_;
    std::optional<Item> item;
    std::size_t words = 0;
    if (!queue_.empty()) {
      item = std::move(queue_.front());
      queue_.pop_front();
      if (const auto *block = std::get_if<std::vector<std::uint16_t>>(&*item)) {
        words = block->size();
      }
    }
    lock.unlock();
    std::optional<std::string> failed;
    try {
      if (item) {
        Write(*item);
        dirty = true;
      }
      const auto now = std::chrono::steady_clock::now();
      if (dirty && (done || now - last_flush >= kFlushInterval)) {
        output_.Flush();
        last_flush = now;
        dirty = false;
      }
    } catch (const OutputError &error) {
      failed = error.what;
    }
    lock.lock();
    queued_words_ -= words;
    if (failed) {
      failure_ = failed;
      queue_.clear();
      queued_words_ = 0;
    }
    changed_.notify_all();
    if (done || failure_) return;
  }
}

void WriterThread::Write(Item &item) {
  if (auto *words = std::get_if<std::vector<std::uint16_t>>(&item)) {
    writer_.Add(*words);
  } else {
    output_.WriteEvent(std::get<CaptureEvent>(item));
  }
}

}  // namespace tamrix_cli
