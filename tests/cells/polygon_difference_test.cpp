// The coplanar carving behind the open links and the empty regions' joins:
// what it leaves open, and that it ends on faces that send GLU's sweep
// into millions of intersections.
#include <gtest/gtest.h>

#include <algorithm>

#include "cells/polygon_difference.h"
#include "tests/helpers/soup_face.h"

namespace pw {
namespace {

using testing_support::kSoupCutouts;
using testing_support::kSoupFace;
using testing_support::kSoupNormal;

// How far `p` lies inside the convex polygon (negative: outside), measured
// to the nearest edge's line in the polygon's plane.
double depthIn(const Polygon& polygon, const Point3& p) {
  const Point3 winding = areaVector(polygon).normalized();
  double depth = 1e300;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const Plane inner{cross(winding, polygon[(i + 1) % polygon.size()] - polygon[i]).normalized(), polygon[i]};
    depth = std::min(depth, inner.distance(p));
  }
  return depth;
}

// Every point of a grid over the face that lies a sliver's width inside it
// and as far outside every cut-out is in the carved result: carving may
// lose rounding slivers but never an opening.
void expectOpeningsKept(const Polygon& face, const std::vector<Polygon>& cutouts, const Difference& carved) {
  constexpr int kSteps = 60;
  for (int i = 0; i <= kSteps; ++i) {
    for (int j = 0; i + j <= kSteps; ++j) {
      const double a = static_cast<double>(i) / kSteps;
      const double b = static_cast<double>(j) / kSteps;
      const Point3 p = (1.0 - a - b) * face[0] + a * face[1] + b * face[face.size() - 1];
      if (depthIn(face, p) < kSliverWidth) continue;
      if (std::any_of(cutouts.begin(), cutouts.end(), [&](const Polygon& c) { return depthIn(c, p) > -kSliverWidth; })) {
        continue;
      }
      const bool kept = std::any_of(carved.triangles.begin(), carved.triangles.end(), [&](const FlatTriangle& t) {
        return depthIn({t[0], t[1], t[2]}, p) > -kPlaneTolerance;
      });
      EXPECT_TRUE(kept) << "open point " << p.x << ' ' << p.y << ' ' << p.z << " lost";
    }
  }
}

double areaOf(const Difference& carved) {
  double area = 0.0;
  for (const FlatTriangle& t : carved.triangles) area += flatTriangleArea(t);
  return area;
}

Polygon square(double x0, double y0, double x1, double y1) { return {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}}; }

struct CarvingCase {
  const char* name;
  Polygon face;
  std::vector<Polygon> cutouts;
  Point3 normal;
};

class Carving : public testing::TestWithParam<CarvingCase> {};

TEST_P(Carving, carvesWithoutFallingBackAndKeepsEveryOpening) {
  const CarvingCase& c = GetParam();
  CoplanarCarver carver;
  const Difference carved = carver.subtract(c.face, c.cutouts, c.normal);
  EXPECT_FALSE(carved.fellBack);
  expectOpeningsKept(c.face, c.cutouts, carved);
  // Clipping, where it does not give up, leaves the same openings.
  if (const auto pieces = convexDifference(c.face, c.cutouts, c.normal)) {
    const Difference clipped{*pieces, false};
    expectOpeningsKept(c.face, c.cutouts, clipped);
    EXPECT_NEAR(areaOf(clipped), areaOf(carved), 1e-4);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faces, Carving,
    testing::Values(CarvingCase{"soupCutoutsUlpsApart", kSoupFace, kSoupCutouts, kSoupNormal},
                    CarvingCase{"someSoupCutouts", kSoupFace, {kSoupCutouts.begin(), kSoupCutouts.begin() + 4}, kSoupNormal},
                    // Two cut-outs whose edges cross, one reaching past the face.
                    CarvingCase{"crossingSquares", square(0, 0, 4, 4), {square(1, 1, 3, 3), square(2, 0.5, 3.5, 4.5)},
                                {0, 0, 1}}),
    [](const testing::TestParamInfo<CarvingCase>& param) { return param.param.name; });

// A face with a cut-out leaving a strip along one side: the strip is kept
// when it is at least kSliverWidth wide (twice its area over its boundary),
// dropped as a rounding sliver when narrower.
TEST(Carving, keepsAStripFromASliversWidthOnAndDropsNarrowerOnes) {
  const struct {
    double width;
    bool kept;
  } cases[] = {{0.5 * kSliverWidth, false}, {0.9 * kSliverWidth, false}, {1.5 * kSliverWidth, true}, {0.25, true}};
  for (const auto& c : cases) {
    CoplanarCarver carver;
    const Difference carved = carver.subtract(square(0, 0, 1, 1), {square(c.width, -1, 2, 2)}, {0, 0, 1});
    // The strip's inner edge moves with the carving grid.
    EXPECT_NEAR(areaOf(carved), c.kept ? c.width : 0.0, kCarvingGrid) << "strip " << c.width << " wide";
    const auto clipped = convexDifference(square(0, 0, 1, 1), {square(c.width, -1, 2, 2)}, {0, 0, 1});
    EXPECT_NEAR(areaOf({clipped.value(), false}), c.kept ? c.width : 0.0, 1e-12) << "strip " << c.width << " wide";
  }
}

TEST(CarvingBound, carvingPastTheBoundGivesTheWholeFaceAndTheNextCarvingWorks) {
  // The crossing squares need two intersections; one is allowed.
  CoplanarCarver carver(1);
  const Polygon face = square(0, 0, 4, 4);
  const Difference cutShort = carver.subtract(face, {square(1, 1, 3, 3), square(2, 0.5, 3.5, 2)}, {0, 0, 1});
  EXPECT_TRUE(cutShort.fellBack);
  EXPECT_DOUBLE_EQ(areaOf(cutShort), 16.0);

  const Difference next = carver.subtract(face, {square(1, 1, 3, 3)}, {0, 0, 1});
  EXPECT_FALSE(next.fellBack);
  EXPECT_NEAR(areaOf(next), 12.0, 1e-9);
}

}  // namespace
}  // namespace pw
