#pragma once

// How a fuzzer reports a broken rule: what broke, then the calls of the
// input that broke it, then an abort so that libFuzzer keeps the input.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz_report {

// The calls of the current input, one line each.
inline std::vector<std::string> trace;
// Printed before every report, e.g. "library fuzz".
inline const char *fuzzer = "fuzz";

[[noreturn]] __attribute__((format(printf, 1, 2))) inline void Fail(const char *format, ...) {
  std::fprintf(stderr, "%s: ", fuzzer);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fprintf(stderr, "\ncalls of this input:\n");
  for (const std::string &call : trace) std::fprintf(stderr, "  %s\n", call.c_str());
  std::abort();
}

}  // namespace fuzz_report
