#include "pixel_cover.h"

#include <algorithm>
#include <bit>

namespace tamrix::ui::view {

namespace {

constexpr int kBits = 64;

Segment ColumnPiece(int x, int lo, int hi) {
  const auto at = static_cast<short>(x);
  return {at, static_cast<short>(lo), at, static_cast<short>(hi)};
}

Segment RowPiece(int y, int lo, int hi) {
  const auto at = static_cast<short>(y);
  return {static_cast<short>(lo), at, static_cast<short>(hi), at};
}

}  // namespace

PixelCover::PixelCover(int x, int y, int width, int height)
    : x_(x),
      y_(y),
      width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      words_per_column_((height_ + kBits - 1) / kBits),
      taken_(static_cast<std::size_t>(width_) * words_per_column_) {}

void PixelCover::Take(const Segment &s, std::vector<Segment> &out) {
  if (s.x1 == s.x2) {
    if (s.x1 < x_ || s.x1 >= x_ + width_) return;
    TakeColumn(s.x1, std::max<int>(std::min(s.y1, s.y2), y_),
               std::min<int>(std::max(s.y1, s.y2), y_ + height_ - 1), out);
  } else if (s.y1 == s.y2) {
    if (s.y1 < y_ || s.y1 >= y_ + height_) return;
    TakeRow(s.y1, std::max<int>(std::min(s.x1, s.x2), x_),
            std::min<int>(std::max(s.x1, s.x2), x_ + width_ - 1), out);
  }
}

void PixelCover::TakeColumn(int x, int lo, int hi, std::vector<Segment> &out) {
  if (lo > hi) return;
  std::uint64_t *column = &taken_[static_cast<std::size_t>(x - x_) * words_per_column_];
  const int first = lo - y_, last = hi - y_;
  int open = -1;  // first row of the free piece being collected
  for (int w = first / kBits; w <= last / kBits; ++w) {
    const int from = std::max(first - w * kBits, 0), to = std::min(last - w * kBits, kBits - 1);
    const std::uint64_t range =
        (~std::uint64_t{0} >> (kBits - 1 - to)) & (~std::uint64_t{0} << from);
    const std::uint64_t free = range & ~column[w];
    column[w] |= range;
    // Most words are wholly free or wholly taken.
    if (free == range) {
      if (open < 0) open = w * kBits + from;
      continue;
    }
    if (free == 0) {
      if (open >= 0) out.push_back(ColumnPiece(x, y_ + open, y_ + w * kBits - 1));
      open = -1;
      continue;
    }
    // Pieces of free rows; a piece may go on into the next word.
    for (int b = 0; b < kBits;) {
      if (open < 0) {
        const std::uint64_t ahead = free >> b;
        if (ahead == 0) break;
        b += std::countr_zero(ahead);
        open = w * kBits + b;
      } else {
        const std::uint64_t taken_ahead = ~free >> b;
        if (taken_ahead == 0) break;
        b += std::countr_zero(taken_ahead);
        out.push_back(ColumnPiece(x, y_ + open, y_ + w * kBits + b - 1));
        open = -1;
      }
    }
  }
  if (open >= 0) out.push_back(ColumnPiece(x, y_ + open, hi));
}

void PixelCover::TakeRow(int y, int lo, int hi, std::vector<Segment> &out) {
  if (lo > hi) return;
  const int row = y - y_;
  const std::uint64_t bit = std::uint64_t{1} << (row % kBits);
  std::size_t word = static_cast<std::size_t>(lo - x_) * words_per_column_ + row / kBits;
  int open = -1;
  for (int x = lo; x <= hi; ++x, word += words_per_column_) {
    if ((taken_[word] & bit) == 0) {
      taken_[word] |= bit;
      if (open < 0) open = x;
    } else if (open >= 0) {
      out.push_back(RowPiece(y, open, x - 1));
      open = -1;
    }
  }
  if (open >= 0) out.push_back(RowPiece(y, open, hi));
}

}  // namespace tamrix::ui::view
