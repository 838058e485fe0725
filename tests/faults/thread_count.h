#pragma once

#include <chrono>
#include <filesystem>
#include <thread>

namespace fault_testing {

inline int ThreadsOfThisProcess() {
  int count = 0;
  for ([[maybe_unused]] const auto &entry :
       std::filesystem::directory_iterator("/proc/self/task")) {
    ++count;
  }
  return count;
}

// The count to compare against: taken after one thread has come and gone,
// so that helpers a runtime starts with the first thread are included.
inline int ThreadBaseline() {
  std::thread([] {}).join();
  return ThreadsOfThisProcess();
}

// A joined thread may stay listed for a moment after it has ended.
inline int ThreadsSettledTo(int expected,
                            std::chrono::milliseconds limit = std::chrono::seconds(5)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int count = ThreadsOfThisProcess();
  while (count > expected && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    count = ThreadsOfThisProcess();
  }
  return count;
}

}  // namespace fault_testing
