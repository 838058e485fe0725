// The baseline of a fetch: a plain copy of 65,536 hot words, registered by
// each benchmark program that sets a fetch against it in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace tamrix::bench {

inline void BM_PlainCopy(benchmark::State &state) {
  constexpr std::size_t kWords = 65'536;
  std::vector<std::uint16_t> source(kWords, 0x5A5A);
  std::vector<std::uint16_t> destination(kWords);
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), kWords * sizeof(std::uint16_t));
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(
      static_cast<std::int64_t>(state.iterations() * kWords * sizeof(std::uint16_t)));
}

}  // namespace tamrix::bench
