#include "stroke_runs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <tuple>
#include <vector>

#include "pixel_cover.h"

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

// Offered last-drawn first, strokes keep only the pixels nothing later took;
// again what the pixels cannot tell, as a hidden pixel looks the same.
TEST(PixelCover, StrokesKeepOnlyWhatLaterStrokesLeaveAndTheBoxClips) {
  PixelCover cover(10, 20, 100, 200);  // x 10..109, y 20..219
  std::vector<Segment> out;
  cover.Take({50, 300, 50, 100}, out);  // clipped at the bottom row
  EXPECT_EQ(out, (std::vector<Segment>{{50, 100, 50, 219}}));
  out.clear();
  cover.Take({50, 0, 50, 150}, out);  // clipped at the top, the rest taken
  EXPECT_EQ(out, (std::vector<Segment>{{50, 20, 50, 99}}));
  out.clear();
  cover.Take({50, 10, 50, 230}, out);
  EXPECT_TRUE(out.empty());
  // Words of 64 rows: a gap that starts and ends inside them.
  cover.Take({60, 30, 60, 90}, out);
  cover.Take({60, 150, 60, 200}, out);
  out.clear();
  cover.Take({60, 25, 60, 210}, out);
  EXPECT_EQ(out, (std::vector<Segment>{{60, 25, 60, 29}, {60, 91, 60, 149}, {60, 201, 60, 210}}));
  out.clear();
  // A row loses the pixels of the columns it crosses; one left is a point.
  cover.Take({49, 120, 61, 120}, out);
  EXPECT_EQ(out,
            (std::vector<Segment>{{49, 120, 49, 120}, {51, 120, 59, 120}, {61, 120, 61, 120}}));
  out.clear();
  cover.Take({0, 5, 300, 5}, out);  // above the box
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace tamrix::ui::view
