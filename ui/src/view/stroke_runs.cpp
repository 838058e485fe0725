#include "stroke_runs.h"

#include <algorithm>

namespace tamrix::ui::view {

namespace {

// Overlapping or touching pixels of the same column or row join the run.
inline bool Joins(bool open, int run_at, int run_lo, int run_hi, int at, int lo, int hi) {
  return open && run_at == at && lo <= run_hi + 1 && hi >= run_lo - 1;
}

}  // namespace

void StrokeRuns::AddStroke(int x1, int y1, int x2, int y2) {
  if (x1 == x2 && y1 == y2) return;
  if (x1 != x2 && y1 != y2) {
    segments_.push_back({static_cast<short>(x1), static_cast<short>(y1), static_cast<short>(x2),
                         static_cast<short>(y2)});
    return;
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

}  // namespace tamrix::ui::view
