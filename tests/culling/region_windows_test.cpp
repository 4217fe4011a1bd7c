// The bookkeeping that bounds a frame's narrowed culling: which windows a
// region is explored with. A window dropped here is a view never followed.
#include "culling/region_windows.h"
#include "culling/view_window.h"

#include <gtest/gtest.h>

namespace pw {
namespace {

// The square [x, x + size] x [y, y + size], counter-clockwise.
ViewWindow square(double x, double y, double size) {
  return {{x, y}, {x + size, y}, {x + size, y + size}, {x, y + size}};
}

const ViewWindow kWhole = square(-1.0, -1.0, 2.0);

TEST(RegionWindows, keepsEveryDirectionThatReachesTheRegion) {
  // A window covering a waiting one replaces it; one covered by a waiting or
  // explored one adds nothing.
  RegionWindows windows(4, 8);
  EXPECT_TRUE(windows.offer(square(0.0, 0.0, 0.1)));
  EXPECT_TRUE(windows.offer(square(-0.1, -0.1, 0.3)));
  EXPECT_FALSE(windows.offer(square(0.05, 0.05, 0.1)));
  EXPECT_TRUE(windows.queued());
  EXPECT_EQ(windows.take(kWhole), 0U);
  EXPECT_EQ(windows.explored(), std::vector<ViewWindow>{square(-0.1, -0.1, 0.3)});
  EXPECT_FALSE(windows.queued());
  EXPECT_FALSE(windows.offer(square(0.0, 0.0, 0.1)));

  // Beyond the separate windows, one more joins the waiting one it grows
  // least, and every direction of all of them is still explored.
  RegionWindows few(2, 8);
  const std::vector<ViewWindow> offered{square(0.0, 0.0, 0.1), square(0.5, 0.5, 0.1), square(0.52, 0.5, 0.1)};
  for (const ViewWindow& window : offered) EXPECT_TRUE(few.offer(window));
  few.take(kWhole);
  ASSERT_EQ(few.explored().size(), 2U);
  EXPECT_EQ(few.explored()[0], offered[0]);
  for (const ViewWindow& window : offered) {
    EXPECT_TRUE(windowCovers(few.explored()[0], window) || windowCovers(few.explored()[1], window));
  }

  // Past the explorations, the whole view once, then nothing.
  RegionWindows busy(4, 2);
  for (int i = 0; i < 3; ++i) busy.offer(square(0.3 * i, 0.0, 0.1));
  EXPECT_EQ(busy.take(kWhole), 0U);
  EXPECT_EQ(busy.explored(), std::vector<ViewWindow>{kWhole});
  EXPECT_TRUE(busy.exhausted());
  EXPECT_FALSE(busy.offer(square(2.0, 2.0, 0.1)));

  // Told to stop narrowing, a region explored before is explored once more
  // with the whole view when a new window reaches it, then never again.
  RegionWindows stopped(4, 8);
  stopped.offer(square(0.0, 0.0, 0.1));
  stopped.take(kWhole);
  stopped.stopNarrowing();
  EXPECT_FALSE(stopped.exhausted());
  EXPECT_TRUE(stopped.offer(square(0.5, 0.5, 0.1)));
  EXPECT_FALSE(stopped.offer(square(-0.5, 0.5, 0.1)));
  EXPECT_EQ(stopped.take(kWhole), 1U);
  EXPECT_EQ(stopped.explored().back(), kWhole);
  EXPECT_TRUE(stopped.exhausted());
}

// A passage whose plane passes a hair from the eye is seen edge-on: sight
// lines may still cross it, so it keeps the whole view; one facing the eye a
// unit away narrows the view to itself.
TEST(NarrowThrough, aPassageEdgeOnToTheEyeKeepsTheWholeWindow) {
  Matrix4 identity;
  for (std::size_t i = 0; i < 4; ++i) identity.m[5 * i] = 1.0;
  const std::array<Point3, 3> edgeOn{{{0.0002, -1, -5}, {0.0002, 1, -5}, {0.0002, 0, -10}}};
  EXPECT_EQ(narrowThrough(kWhole, std::span(&edgeOn, 1), identity), kWhole);
  const std::array<Point3, 3> facing{{{-0.5, -0.5, -1}, {0.5, -0.5, -1}, {0, 0.5, -1}}};
  const std::optional<ViewWindow> narrowed = narrowThrough(kWhole, std::span(&facing, 1), identity);
  ASSERT_TRUE(narrowed.has_value());
  EXPECT_NEAR(windowArea(*narrowed), 0.5, 1e-6);
}

}  // namespace
}  // namespace pw
