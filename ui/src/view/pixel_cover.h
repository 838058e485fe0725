// The pixels of a box that strokes drawn later will paint over anyway.
#pragma once

#include <cstdint>
#include <vector>

#include "stroke_runs.h"

namespace tamrix::ui::view {

// One-pixel strokes along a column or row cover exactly their pixels, so a
// paint's strokes can be offered last-drawn first: each is cut down to the
// pixels nothing after it covers, and every pixel of the box goes to the
// server once, in the colour it ends up with. Strokes are clipped to the box,
// as the paint's clip would clip them.
class PixelCover {
 public:
  // The box in window pixels.
  PixelCover(int x, int y, int width, int height);

  // Appends to `out` the pieces of a column or row segment that no earlier
  // call took, and takes them. A piece may be a single pixel (both ends the
  // same).
  void Take(const Segment &segment, std::vector<Segment> &out);

 private:
  void TakeColumn(int x, int lo, int hi, std::vector<Segment> &out);
  void TakeRow(int y, int lo, int hi, std::vector<Segment> &out);

  int x_;
  int y_;
  int width_;
  int height_;
  int words_per_column_;
  std::vector<std::uint64_t> taken_;  // a column's rows, bit per pixel, column after column
};

}  // namespace tamrix::ui::view
