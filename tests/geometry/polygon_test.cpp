#include <gtest/gtest.h>

#include <vector>

#include "geometry/plane_side.h"
#include "geometry/polygon.h"
#include "tests/helpers/same_bits.h"

namespace pw {
namespace {

using testing_support::sameBits;

bool samePolygon(const Polygon& a, const Polygon& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!sameBits(a[i], b[i])) return false;
  }
  return true;
}

// A quadrilateral in z = 0 cut by a slanted plane: corner 0 behind, the
// others in front. The crossings are p_i + t (p_j - p_i) with
// t = d_i / (d_i - d_j), bits worked out by hand; (1 - t) p_i + t p_j or t
// taken from the other end give other bits.
TEST(SplitPolygon, crossingsKeepTheirExactBitsAndTheCornerOrder) {
  const Polygon quad{{0.3, 0.1, 0}, {1.7, 0.3, 0}, {1.9, 1.3, 0}, {0.1, 1.1, 0}};
  const Plane plane{Point3{1, 0.3, 0.2}.normalized(), {0.37, 0.1, 0}};
  const Point3 first{0x1.77ef2ac8977efp-2, 0x1.c0e070381c0e1p-4, 0};
  const Point3 last{0x1.47ae147ae1477p-3, 0x1.999999999999fp-1, 0};
  const PolygonSplit split = splitPolygon(quad, plane);
  EXPECT_FALSE(split.coplanar);
  EXPECT_TRUE(samePolygon(split.front, {first, quad[1], quad[2], quad[3], last}));
  EXPECT_TRUE(samePolygon(split.behind, {quad[0], first, last}));
  EXPECT_TRUE(samePolygon(clipToFront(quad, plane), split.front));
}

// Corners within the tolerance belong to both parts and make no crossing.
TEST(SplitPolygon, cornersWithinTheToleranceGoToBothParts) {
  const Plane floor{{0, 0, 1}, {0, 0, 0}};
  struct Case {
    const char* name;
    Polygon polygon;
    std::size_t front, behind;
    bool coplanar;
  };
  const double in = kPlaneTolerance;
  const double out = 2 * kPlaneTolerance;
  const Case cases[] = {
      {"one corner just above, others below", {{0, 0, in}, {1, 0, -1}, {0, 1, -1}}, 0, 3, false},
      {"one corner just below, others above", {{0, 0, -in}, {1, 0, 1}, {0, 1, 1}}, 3, 0, false},
      {"an edge within, the third corner above", {{0, 0, in}, {1, 0, -in}, {0, 1, 1}}, 3, 0, false},
      {"all within", {{0, 0, in}, {1, 0, -in}, {0, 1, 0}}, 0, 0, true},
      {"across", {{0, 0, out}, {1, 0, -out}, {0, 1, -out}}, 3, 4, false},
  };
  for (const Case& c : cases) {
    const PolygonSplit split = splitPolygon(c.polygon, floor);
    EXPECT_EQ(split.front.size(), c.front) << c.name;
    EXPECT_EQ(split.behind.size(), c.behind) << c.name;
    EXPECT_EQ(split.coplanar, c.coplanar) << c.name;
  }
  const Polygon flat{{0, 0, in}, {1, 0, -in}, {0, 1, 0}};
  EXPECT_TRUE(samePolygon(clipToFront(flat, floor), flat));  // a polygon in the plane is kept whole
  EXPECT_TRUE(liesInPlane(floor, flat));
  EXPECT_FALSE(liesInPlane(floor, std::vector<Point3>{{0, 0, out}}));
}

}  // namespace
}  // namespace pw
