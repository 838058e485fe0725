#include "stroke_runs.h"

#include <algorithm>

namespace tamrix::ui::view {

namespace {

// Overlapping or touching pixels of the same column or row join the run.
inline bool Joins(bool open, int run_at, int run_lo, int run_hi, int at, int lo, int hi) {
  return open && run_at == at && lo <= run_hi + 1 && hi >= run_lo - 1;
}

}  // namespace

void StrokeRuns::AddPolyline(const short *xy, std::size_t points) {
  for (std::size_t i = 1; i < points; ++i, xy += 2) {
    const int x1 = xy[0], y1 = xy[1], x2 = xy[2], y2 = xy[3];
    if (x1 == x2 && y1 == y2) continue;
    if (x1 != x2 && y1 != y2) {
      segments_.push_back({xy[0], xy[1], xy[2], xy[3]});
      continue;
    }
    const bool column = x1 == x2;
    Run &run = column ? column_ : row_;
    const int at = column ? x1 : y1;
    const int lo = column ? std::min(y1, y2) : std::min(x1, x2);
    const int hi = column ? std::max(y1, y2) : std::max(x1, x2);
    if (Joins(run.open, run.at, run.lo, run.hi, at, lo, hi)) {
      run.lo = std::min(run.lo, lo);
      run.hi = std::max(run.hi, hi);
    } else {
      Close(run, column);
      run = {true, at, lo, hi};
    }
  }
}

void StrokeRuns::Close(Run &run, bool column) {
  if (!run.open) return;
  const auto at = static_cast<short>(run.at), lo = static_cast<short>(run.lo),
             hi = static_cast<short>(run.hi);
  segments_.push_back(column ? Segment{at, lo, at, hi} : Segment{lo, at, hi, at});
  run.open = false;
}

const std::vector<Segment> &StrokeRuns::Segments() {
  Close(column_, true);
  Close(row_, false);
  return segments_;
}

void StrokeRuns::Clear() {
  column_.open = row_.open = false;
  segments_.clear();
}

}  // namespace tamrix::ui::view
