// The primitives' rounding, bit for bit: every expected value was worked out
// by hand in the order the code sums, and a reordered sum, a division in
// place of the reciprocal or a 32-bit float anywhere changes at least one.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/convex_hull.h"
#include "geometry/plane.h"
#include "geometry/plane_side.h"
#include "geometry/triangle_normal.h"
#include "tests/helpers/same_bits.h"

namespace pw {
namespace {

using testing_support::sameBits;

TEST(Arithmetic, crossAndNormalizedRoundAsWritten) {
  EXPECT_TRUE(sameBits(cross({0.1, 0.2, 0.3}, {0.7, 0.5, 0.3}),
                       {-0x1.70a3d70a3d70ap-4, 0x1.70a3d70a3d70ap-3, -0x1.70a3d70a3d709p-4}));
  EXPECT_TRUE(sameBits(cross({0, 1, 0}, {1, 0, 0}), {0, 0, -1}));
  struct Case {
    Point3 v, unit;
  };
  const Case cases[] = {
      {{3, 0, 4}, {0x1.3333333333334p-1, 0, 0x1.999999999999ap-1}},  // 3 * (1 / 5), not 3 / 5
      {{2, 3, 6}, {0x1.2492492492492p-2, 0x1.b6db6db6db6dbp-2, 0x1.b6db6db6db6dbp-1}},
      {{0, 0, -2}, {0, 0, -1}},
      {{0, 0, 0}, {0, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_TRUE(sameBits(c.v.normalized(), c.unit)) << c.v.x << " " << c.v.y << " " << c.v.z;
}

TEST(Arithmetic, triangleNormalCrossesTheEdgesFromCornerZero) {
  EXPECT_TRUE(sameBits(triangleNormal({0.1, 0.2, 0.3}, {1.1, 0.7, 0.3}, {0.4, 1.9, 0.8}),
                       {0x1.36bb38727a65ep-3, -0x1.36bb38727a65fp-2, 0x1.e1a23117d7513p-1}));
  EXPECT_TRUE(sameBits(triangleNormal({0, 0, 0}, {1, 1, 1}, {2, 2, 2}), {0, 0, 0}));  // collinear
}

TEST(Arithmetic, planeDistanceIsTheDifferenceFromTheAnchorDottedInDoubles) {
  const Plane plane{Point3{2, 3, 6}.normalized(), {0.1, 0.2, 0.3}};
  EXPECT_EQ(plane.distance({1.7, -2.9, 4.1}), 0x1.315f15f15f15ep+1);  // in floats: 0x1.315f16p+1
  EXPECT_EQ(plane.flipped().distance({1.7, -2.9, 4.1}), -0x1.315f15f15f15ep+1);
}

// Both tolerance bounds belong to the plane; one ulp beyond them does not.
TEST(Arithmetic, sideOfDistanceAtTheToleranceBounds) {
  struct Case {
    double d;
    PointSide side;
  };
  const Case cases[] = {
      {kPlaneTolerance, PointSide::OnPlane},
      {std::nextafter(kPlaneTolerance, 1.0), PointSide::Front},
      {-kPlaneTolerance, PointSide::OnPlane},
      {std::nextafter(-kPlaneTolerance, -1.0), PointSide::Behind},
      {0.0, PointSide::OnPlane},
      {std::numeric_limits<double>::quiet_NaN(), PointSide::OnPlane},
  };
  for (const Case& c : cases) EXPECT_EQ(sideOfDistance(c.d), c.side) << c.d;
}

TEST(ConvexHull, counterClockwiseWithoutCollinearOrInnerPoints) {
  const std::vector<Point2> hull = convexHull({{0, 0}, {2, 0}, {1, 0}, {2, 2}, {1, 1}, {0, 2}, {0, 2}});
  EXPECT_EQ(hull, (std::vector<Point2>{{0, 0}, {2, 0}, {2, 2}, {0, 2}}));
  EXPECT_LT(convexHull({{0, 0}, {1, 1}, {3, 3}}).size(), 3u);  // collinear
}

}  // namespace
}  // namespace pw
