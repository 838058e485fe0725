#include "scan_split.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace {

// Eight words in one vector. Only loads, stores, xor/or and the two word
// interleaves are used, which every vector unit has (SSE2 punpcklwd and
// punpckhwd on baseline x86-64), so no target options are needed.
using Words8 = std::uint16_t __attribute__((vector_size(16)));

Words8 Load(const std::uint16_t *from) {
  Words8 v;
  std::memcpy(&v, from, sizeof v);
  return v;
}

void Store(std::uint16_t *to, Words8 v) { std::memcpy(to, &v, sizeof v); }

Words8 ZipLow(Words8 a, Words8 b) {
  return __builtin_shufflevector(a, b, 0, 8, 1, 9, 2, 10, 3, 11);
}

Words8 ZipHigh(Words8 a, Words8 b) {
  return __builtin_shufflevector(a, b, 4, 12, 5, 13, 6, 14, 7, 15);
}

bool AnyChannelBits(Words8 v) {
  std::uint64_t halves[2];
  std::memcpy(halves, &v, sizeof halves);
  return ((halves[0] | halves[1]) & 0xF000F000F000F000u) != 0;
}

// A block of R scans of N words is an R x N matrix, row by row. Zipping its
// first half with its second half log2(R) times leaves it N x R: each
// channel's R values in a row. That holds for any N, but each half must be
// whole vectors: R = 8 for an even N, 16 for an odd one.
template <int N>
constexpr int kBlockScans = N % 2 == 0 ? 8 : 16;

// Blocks go to a small scratch table first and are copied out a chunk at a
// time. The channel table's rows lie 8,198 bytes apart, just over 2 x 4 KiB,
// so writing all rows at the same scan keeps their lines in a couple of
// cache sets, where they evict each other before they are complete.
constexpr int kChunkScans = 128;
constexpr int kScratchStride = kChunkScans + 8;  // scratch rows in different sets

template <int N>
std::int32_t SplitBlocks(const std::uint16_t *words, std::int32_t first, std::int32_t scans,
                         ChannelTable &table) {
  constexpr int kRows = kBlockScans<N>;
  constexpr int kVectors = kRows * N / 8;
  constexpr int kRounds = kRows == 8 ? 3 : 4;

  // The channel bits every word of a block must carry. A word xor its
  // expected bits is the bare value when the channel is right, and keeps
  // some top bits when it is not.
  Words8 expected[kVectors];
  for (int v = 0; v < kVectors; ++v) {
    for (int lane = 0; lane < 8; ++lane) {
      expected[v][lane] = static_cast<std::uint16_t>((first + (8 * v + lane) % N) << 12);
    }
  }

  alignas(16) std::uint16_t scratch[N * kScratchStride];
  const std::int32_t whole = scans - scans % kRows;
  for (std::int32_t chunk = 0; chunk < whole; chunk += kChunkScans) {
    const std::int32_t end = std::min<std::int32_t>(whole - chunk, kChunkScans);
    std::int32_t done = 0;
    for (; done < end; done += kRows) {
      const std::uint16_t *block = words + static_cast<std::ptrdiff_t>(chunk + done) * N;
      Words8 v[kVectors];
      Words8 wrong{};
#pragma GCC unroll 32
      for (int i = 0; i < kVectors; ++i) {
        v[i] = Load(block + std::ptrdiff_t{8} * i) ^ expected[i];
        wrong |= v[i];
      }
      if (AnyChannelBits(wrong)) break;
#pragma GCC unroll 4
      for (int round = 0; round < kRounds; ++round) {
        Words8 zipped[kVectors];
#pragma GCC unroll 16
        for (int i = 0; i < kVectors / 2; ++i) {
          zipped[2 * i] = ZipLow(v[i], v[i + kVectors / 2]);
          zipped[2 * i + 1] = ZipHigh(v[i], v[i + kVectors / 2]);
        }
#pragma GCC unroll 32
        for (int i = 0; i < kVectors; ++i) v[i] = zipped[i];
      }
#pragma GCC unroll 16
      for (int c = 0; c < N; ++c) {
#pragma GCC unroll 2
        for (int h = 0; h < kRows / 8; ++h) {
          Store(scratch + c * kScratchStride + done + 8 * h, v[kRows / 8 * c + h]);
        }
      }
    }
    for (int c = 0; c < N; ++c) {
      std::memcpy(table[first + c].data() + chunk, scratch + c * kScratchStride,
                  done * sizeof(std::uint16_t));
    }
    if (done < end) return chunk + done;
  }
  return whole;
}

using Splitter = std::int32_t (*)(const std::uint16_t *, std::int32_t, std::int32_t,
                                  ChannelTable &);

template <int... Less>
constexpr std::array<Splitter, sizeof...(Less)> SplittersFor(std::integer_sequence<int, Less...>) {
  return {&SplitBlocks<Less + 1>...};
}

constexpr auto kSplitters = SplittersFor(std::make_integer_sequence<int, kChannelCount>{});

}  // namespace

std::int32_t SplitWholeScans(const std::uint16_t *words, std::int32_t first, std::int32_t channels,
                             std::int32_t scans, ChannelTable &table) {
  return kSplitters[channels - 1](words, first, scans, table);
}
