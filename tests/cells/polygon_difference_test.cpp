// The coplanar carving behind the open links and the empty regions' joins:
// what it leaves open, and that it ends on faces that send GLU's sweep
// into millions of intersections.
#include <gtest/gtest.h>

#include <algorithm>

#include "cells/polygon_difference.h"

namespace pw {
namespace {

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

// A cell face of `levelgen soup --count 5000 --seed 1` and the triangles on
// it: corners shared by neighbouring triangles differ by an ulp or a few.
// Given as they are, GLU makes millions of intersections and gigabytes.
const Point3 kSoupNormal{-0.67455898667478198, -0.44558820956424522, -0.58857567142519718};
const Polygon kSoupFace{{3.640666190214255, -8.4593713693665542, -1.7121075573206348},
                        {3.8732797757510857, -8.6905828294153125, -1.8036616032127586},
                        {3.8835282616224083, -8.7789032112286058, -1.7485432656210076}};
const std::vector<Polygon> kSoupCutouts{
    {{3.7962344740889864, -8.6140019339096643, -1.7733374539681417},
     {3.7792952193809266, -9.2986999886869075, -1.2355647899285704},
     {3.2874110131748986, -9.5066917987584052, -0.51435997198970895}},
    {{3.9079851336895501, -8.989669982637583, -1.6170094812200091},
     {3.7792952193809266, -9.2986999886869075, -1.2355647899285704},
     {3.7962344740889864, -8.6140019339096643, -1.7733374539681417}},
    {{3.9079851336895501, -8.989669982637583, -1.6170094812200091},
     {3.7962344740889864, -8.6140019339096643, -1.7733374539681417},
     {3.8732797757510817, -8.6905828294153125, -1.8036616032127573}},
    {{3.9214110794481907, -9.1053733821929992, -1.544802150292814},
     {3.8902244983756087, -9.2517938647721127, -1.3982102447979619},
     {3.7792952193809266, -9.2986999886869075, -1.2355647899285704}},
    {{3.9214110794481907, -9.1053733821929992, -1.544802150292814},
     {3.7792952193809266, -9.2986999886869075, -1.2355647899285704},
     {3.9079851336895501, -8.989669982637583, -1.6170094812200091}},
    {{3.0380864726414814, -9.6121179576521278, -0.14879820441431782},
     {2.970443612527101, -8.6385421421319144, -0.80833074064402277},
     {3.7962344740889864, -8.6140019339096643, -1.7733374539681419}},
    {{3.0380864726414814, -9.6121179576521278, -0.14879820441431782},
     {3.7962344740889864, -8.6140019339096643, -1.7733374539681419},
     {3.2874110131748986, -9.5066917987584052, -0.51435997198970884}},
    {{3.7962344740889864, -8.6140019339096643, -1.7733374539681419},
     {2.970443612527101, -8.6385421421319144, -0.80833074064402277},
     {3.6077551476689433, -8.4266587047942476, -1.6991541475161418}},
};

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
}

INSTANTIATE_TEST_SUITE_P(
    Faces, Carving,
    testing::Values(CarvingCase{"soupCutoutsUlpsApart", kSoupFace, kSoupCutouts, kSoupNormal},
                    CarvingCase{"someSoupCutouts", kSoupFace, {kSoupCutouts.begin(), kSoupCutouts.begin() + 4}, kSoupNormal},
                    // Two cut-outs whose edges cross, one reaching past the face.
                    CarvingCase{"crossingSquares", square(0, 0, 4, 4), {square(1, 1, 3, 3), square(2, 0.5, 3.5, 4.5)},
                                {0, 0, 1}}),
    [](const testing::TestParamInfo<CarvingCase>& param) { return param.param.name; });

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
