#include <gtest/gtest.h>

#include <vector>

#include "tamrix_ui/ui.h"

namespace tamrix::ui {
namespace {

// The graph window's layout: a strip on top, a key on the left, a margin on
// the right, and a bevelled graph area filling the rest.
struct GraphLike : Form {
  GraphLike() {
    SetBorderStyle(bsSizeable);
    SetClientSize(630, 373);
    for (Panel *p : {&Top, &Guide, &Right, &Graph}) p->SetBevelOuter(bvNone);
    Top.SetAlign(alTop);
    Top.SetHeight(9);
    Guide.SetBounds(0, 9, 49, 364);
    Guide.SetAlign(alLeft);
    GuideBox.SetAlign(alLeft);
    GuideBox.SetWidth(49);
    Right.SetBounds(603, 9, 27, 364);
    Right.SetAlign(alRight);
    Graph.SetAlign(alClient);
    Graph.SetColor(clBlack);
    Graph.SetBevelInner(bvLowered);
    Graph.SetBevelWidth(3);
    GraphBox.SetAlign(alClient);
    OnResize = [this] { sizes.push_back({GraphBox.Width(), GraphBox.Height()}); };
  }
  Panel Top{this};
  Panel Guide{this};
  PaintBox GuideBox{&Guide};
  Panel Right{this};
  Panel Graph{this};
  PaintBox GraphBox{&Graph};
  std::vector<std::pair<int, int>> sizes;
};

class DockingTest : public ::testing::Test {
 protected:
  Application app{"tamrix"};
  GraphLike &f = app.CreateForm<GraphLike>();
};

TEST_F(DockingTest, DesignedSizeGivesTheDesignedAreas) {
  EXPECT_EQ(f.Top.BoundsRect(), (TRect{0, 0, 630, 9}));
  EXPECT_EQ(f.Guide.BoundsRect(), (TRect{0, 9, 49, 364}));
  EXPECT_EQ(f.GuideBox.BoundsRect(), (TRect{0, 0, 49, 364}));
  EXPECT_EQ(f.Right.BoundsRect(), (TRect{603, 9, 27, 364}));
  EXPECT_EQ(f.Graph.BoundsRect(), (TRect{49, 9, 554, 364}));
  // Inside a three-pixel lowered inner bevel.
  EXPECT_EQ(f.GraphBox.BoundsRect(), (TRect{3, 3, 548, 358}));
}

TEST_F(DockingTest, ResizeKeepsStripsAndGivesTheRestToTheGraph) {
  EXPECT_TRUE(f.sizes.empty()) << "no resize reported while the layout is built";
  f.Show();
  ASSERT_EQ(f.sizes.size(), 1u) << "the first display counts as a resize";
  EXPECT_EQ(f.sizes[0], std::make_pair(548, 358));
  f.SetClientSize(800, 500);
  EXPECT_EQ(f.Top.Height(), 9);
  EXPECT_EQ(f.Guide.Width(), 49);
  EXPECT_EQ(f.Right.BoundsRect(), (TRect{773, 9, 27, 491}));
  EXPECT_EQ(f.GuideBox.Height(), 491);
  ASSERT_EQ(f.sizes.size(), 2u);
  EXPECT_EQ(f.sizes[1], std::make_pair(718, 485));
  f.SetClientSize(800, 500);
  EXPECT_EQ(f.sizes.size(), 2u) << "no change, no resize";
}

TEST_F(DockingTest, TooSmallNeverGoesNegative) {
  f.SetClientSize(60, 5);
  EXPECT_EQ(f.Graph.Width(), 0);
  EXPECT_EQ(f.GraphBox.Width(), 0);
  EXPECT_EQ(f.GraphBox.Height(), 0);
}

TEST_F(DockingTest, BevelsAndBorderShrinkThePanelClientArea) {
  f.Graph.SetBevelOuter(bvRaised);  // 3 more on each side
  EXPECT_EQ(f.GraphBox.BoundsRect(), (TRect{6, 6, 542, 352}));
  f.Graph.SetBorderWidth(2);
  EXPECT_EQ(f.GraphBox.BoundsRect(), (TRect{8, 8, 538, 348}));
  f.Graph.SetBevelInner(bvNone);
  f.Graph.SetBevelOuter(bvNone);
  f.Graph.SetBorderWidth(0);
  EXPECT_EQ(f.GraphBox.BoundsRect(), (TRect{0, 0, 554, 364}));
}

TEST_F(DockingTest, HiddenDockedControlGivesUpItsSpace) {
  f.Right.Hide();
  EXPECT_EQ(f.Graph.Width(), 581);
  f.Right.Show();
  EXPECT_EQ(f.Graph.Width(), 554);
}

TEST_F(DockingTest, SameSideControlsStackInDesignedOrder) {
  struct Stack : Form {
    Stack() {
      SetClientSize(100, 100);
      Lower.SetBounds(0, 50, 10, 20);
      Upper.SetBounds(0, 10, 10, 15);
      Lower.SetAlign(alTop);
      Upper.SetAlign(alTop);
      Free.SetBounds(5, 80, 10, 10);
    }
    Button Lower{this};
    Button Upper{this};
    Button Free{this};
  };
  auto &s = app.CreateForm<Stack>();
  EXPECT_EQ(s.Upper.BoundsRect(), (TRect{0, 0, 100, 15}));
  EXPECT_EQ(s.Lower.BoundsRect(), (TRect{0, 15, 100, 20}));
  EXPECT_EQ(s.Free.BoundsRect(), (TRect{5, 80, 10, 10})) << "alNone keeps its bounds";
}

}  // namespace
}  // namespace tamrix::ui
