#include "geometry/bounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "geometry/plane_side.h"
#include "tests/helpers/same_bits.h"

namespace pw {
namespace {

using testing_support::sameBits;

TEST(Bounds, growsEachAxisOnItsOwn) {
  const std::vector<Point3> points{{1, -2, 3}, {-4, 5, -6}, {2, 0, 7}};
  const Bounds box = boundsOf(points);
  EXPECT_TRUE(sameBits(box.min, {-4, -2, -6}));
  EXPECT_TRUE(sameBits(box.max, {2, 5, 7}));
  Bounds grown = Bounds::empty();
  for (const Point3& p : points) grown.grow(p);
  EXPECT_TRUE(sameBits(grown.min, box.min) && sameBits(grown.max, box.max));
  grown.grow({0, std::nan(""), 0});  // a NaN coordinate never enters
  EXPECT_TRUE(sameBits(grown.min, box.min) && sameBits(grown.max, box.max));
  EXPECT_TRUE(box.contains({2, 5, 7}));
  EXPECT_TRUE(box.contains({-4, 0, 0}));
  EXPECT_FALSE(box.contains({0, 0, std::nextafter(7.0, 8.0)}));
  EXPECT_FALSE(Bounds::empty().contains({0, 0, 0}));
}

// Boxes meet while the gap on every axis is at most the plane tolerance.
TEST(Bounds, meetAcrossAGapUpToTheTolerance) {
  const Bounds unit{{0, 0, 0}, {1, 1, 1}};
  const double gap = kPlaneTolerance;
  struct Case {
    Point3 shift;
    bool meets;
  };
  const Case cases[] = {
      {{1 + gap / 2, 0, 0}, true}, {{1 + 2 * gap, 0, 0}, false}, {{-1 - 2 * gap, 0, 0}, false},
      {{0, 1 + 2 * gap, 0}, false}, {{0, -1 - 2 * gap, 0}, false}, {{0, 0, 1 + 2 * gap}, false},
      {{0, 0, -1 - 2 * gap}, false}, {{0.5, -0.5, 0.5}, true},
  };
  for (const Case& c : cases) {
    const Bounds other{unit.min + c.shift, unit.max + c.shift};
    EXPECT_EQ(unit.meets(other), c.meets) << c.shift.x << " " << c.shift.y << " " << c.shift.z;
    EXPECT_EQ(other.meets(unit), c.meets) << c.shift.x << " " << c.shift.y << " " << c.shift.z;
  }
}

}  // namespace
}  // namespace pw
