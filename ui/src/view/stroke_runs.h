// One-pixel strokes of one pen, merged into as few segments as cover the
// same pixels.
#pragma once

#include <vector>

namespace tamrix::ui::view {

// Window pixels, as the X server takes them.
struct Segment {
  short x1, y1, x2, y2;
  bool operator==(const Segment &) const = default;
};

// A one-pixel solid stroke covers exactly the pixels of its closed segment,
// and a polyline the union of its segments' pixels; in one colour the order
// does not matter. A step line of thousands of samples retraces each column
// many times, so joined strokes along one column or one row become a single
// segment. Slanted strokes are kept as they are, in their own direction (the
// server's rounding of a slanted line may depend on it). A stroke that stays
// on one pixel adds none to a polyline (alone, it draws none) and is dropped.
class StrokeRuns {
 public:
  // One stroke from (x1, y1) to (x2, y2), both ends included.
  void AddStroke(int x1, int y1, int x2, int y2);
  // The merged segments, in no particular order.
  const std::vector<Segment> &Segments();

 private:
  // Pixels lo..hi of one column (at = x) or one row (at = y).
  struct Run {
    bool open = false;
    int at = 0;
    int lo = 0;
    int hi = 0;
  };
  void Close(Run &run, bool column);

  Run column_;
  Run row_;
  std::vector<Segment> segments_;
};

}  // namespace tamrix::ui::view
