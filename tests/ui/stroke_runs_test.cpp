#include "stroke_runs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <tuple>
#include <vector>

namespace tamrix::ui::view {

void PrintTo(const Segment &s, std::ostream *os) {
  *os << "(" << s.x1 << "," << s.y1 << ")-(" << s.x2 << "," << s.y2 << ")";
}

namespace {

// The segments come in no particular order: sorted here.
std::vector<Segment> Merged(const std::vector<std::vector<short>> &polylines) {
  StrokeRuns runs;
  for (const auto &xy : polylines)
    for (std::size_t i = 2; i + 1 < xy.size(); i += 2)
      runs.AddStroke(xy[i - 2], xy[i - 1], xy[i], xy[i + 1]);
  std::vector<Segment> segments = runs.Segments();
  std::sort(segments.begin(), segments.end(), [](const Segment &a, const Segment &b) {
    return std::tie(a.x1, a.y1, a.x2, a.y2) < std::tie(b.x1, b.y1, b.x2, b.y2);
  });
  return segments;
}

// The pixels are checked on a real X server (canvas_pixels_test); here, that
// the strokes are merged at all, which the pixels cannot tell.
TEST(StrokeRuns, RetracedColumnsAndRowsBecomeOneSegmentEach) {
  // A step line's column: up and down many times, then on to the next one.
  EXPECT_EQ(Merged({{5, 40, 5, 10, 5, 90, 5, 30, 5, 60, 6, 60, 6, 20}}),
            (std::vector<Segment>{{5, 10, 5, 90}, {5, 60, 6, 60}, {6, 20, 6, 60}}));
  // Touching runs of separate polylines join; a one-pixel gap does not.
  EXPECT_EQ(Merged({{3, 0, 3, 4}, {3, 5, 3, 9}, {3, 11, 3, 12}}),
            (std::vector<Segment>{{3, 0, 3, 9}, {3, 11, 3, 12}}));
  EXPECT_EQ(Merged({{9, 2, 0, 2}, {10, 2, 14, 2}}), (std::vector<Segment>{{0, 2, 14, 2}}));
}

TEST(StrokeRuns, SlantedStrokesKeepTheirDirectionAndPointsAreDropped) {
  EXPECT_EQ(Merged({{8, 8, 2, 3, 2, 3}, {7, 7, 7, 7}}), (std::vector<Segment>{{8, 8, 2, 3}}));
  EXPECT_TRUE(Merged({{1, 1, 1, 1}, {4, 4}}).empty());
}

}  // namespace
}  // namespace tamrix::ui::view
