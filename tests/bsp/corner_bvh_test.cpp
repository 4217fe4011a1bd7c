// The corner hierarchy's box tests against corner-by-corner classification:
// whatever a box settles at once must be what every corner in it gives, up
// to the last bit at the tolerance boundary.
#include "bsp/fast/corner_bvh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "bsp_test_support.h"
#include "scene/scene.h"

namespace pw {
namespace {

using testing_support::addCorners;

// The plane of `candidate` against every entry with classifyTriangle: the
// counts the straightforward build uses.
PlaneCounts exactCounts(const Scene& scene, std::uint32_t candidate, const std::vector<std::uint32_t>& list) {
  const Triangle& plane = scene.triangle(static_cast<std::int32_t>(candidate));
  PlaneCounts counts;
  for (const std::uint32_t entry : list)
    counts.add(plane.classifyTriangle(scene.triangle(static_cast<std::int32_t>(entry))));
  return counts;
}

void expectSameAsExact(const Scene& scene, const std::vector<std::uint32_t>& list) {
  const CornerBvh bvh(scene, list);
  for (std::uint32_t e = 0; e < list.size(); ++e) {
    const PlaneCounts pruned = bvh.count(planeOf(scene, list[e]));
    const PlaneCounts exact = exactCounts(scene, list[e], list);
    ASSERT_EQ(pruned.splits, exact.splits) << "candidate " << e;
    ASSERT_EQ(pruned.behind, exact.behind) << "candidate " << e;
    ASSERT_EQ(pruned.front, exact.front) << "candidate " << e;
  }
}

// A point near `along` (in the plane, from its anchor) whose distance from the
// plane of `plane`, as the build computes it, is the last one not above `d`
// (stepsPast = 0), or that point moved `stepsPast` representable steps
// further along the normal (negative: back).
Point3 atDistance(const Scene& scene, std::int32_t plane, const Point3& along, double d, int stepsPast) {
  const Triangle& t = scene.triangle(plane);
  const Point3& n = t.planeNormal();
  Point3 q = scene.vertex(t.vertexIndex(0)) + along + d * n;
  EXPECT_NEAR(t.signedDistance(q), d, 1e-12) << "`along` must lie in the plane";
  if (std::abs(t.signedDistance(q) - d) > 1e-12) return q;
  // Moving the coordinate of n's largest component moves the distance
  // monotonically (rounding is monotone).
  double Point3::*axis = &Point3::x;
  if (std::abs(n.y) > std::abs(n.*axis)) axis = &Point3::y;
  if (std::abs(n.z) > std::abs(n.*axis)) axis = &Point3::z;
  const double up = n.*axis > 0 ? INFINITY : -INFINITY;  // the way the distance grows
  const auto step = [&](double towards) { q.*axis = std::nextafter(q.*axis, towards); };
  while (t.signedDistance(q) > d) step(-up);
  while (t.signedDistance(q) <= d) step(up);
  step(-up);
  for (int i = 0; i < stepsPast; ++i) step(up);
  for (int i = 0; i > stepsPast; --i) step(-up);
  return q;
}

// Triangles whose corners sit at the tolerance boundary, one ulp around
// +-0.0001, in small clusters (thin boxes straddling the band's edges) and
// spread out (boxes that reach across), against axis and oblique planes.
TEST(CornerBvh, boxTestsAgreeWithCornersAtTheToleranceBoundary) {
  // Through the origin along an axis, distances hit +-0.0001 exactly.
  const struct {
    Point3 anchor;
    Point3 normal;
  } planes[] = {
      {{0, 0, 0}, {0, 0, 1}},       {{0, 0, 0}, {0, -1, 0}},          {{0.25, -1.5, 2}, {0, 0, 1}},
      {{0.25, -1.5, 2}, {1, 2, 3}}, {{3, 0.1, -7}, {-0.3, 0.9, 0.1}},
  };
  for (const auto& [anchor, normalDirection] : planes) {
    Scene scene;
    const Point3 n = normalDirection.normalized();
    // u, w span the plane.
    const Point3 u = cross(n, std::abs(n.x) < 0.9 ? Point3{1, 0, 0} : Point3{0, 1, 0}).normalized();
    const Point3 w = cross(n, u);
    const std::int32_t plane = addCorners(scene, anchor, anchor + u, anchor + w);
    std::vector<std::uint32_t> list{static_cast<std::uint32_t>(plane)};
    const double levels[] = {kPlaneTolerance, -kPlaneTolerance, 0.0};
    int made = 0;
    for (const double level : levels) {
      for (int steps = -1; steps <= 1; ++steps) {
        // A patch of its own, far from the others, with every corner on this
        // level: whole boxes whose bounds sit exactly at the boundary.
        const Point3 patch = (40.0 * made) * u;
        for (int i = 0; i < 2 * static_cast<int>(CornerBvh::kLeafSize); ++i) {
          const Point3 base = patch + (0.25 * i) * w;
          list.push_back(static_cast<std::uint32_t>(addCorners(scene, atDistance(scene, plane, base, level, steps),
                                                               atDistance(scene, plane, base + u, level, steps),
                                                               atDistance(scene, plane, base + w, level, steps))));
        }
        // Mixed clusters: corners one step apart, boxes reaching across.
        for (int cluster = 0; cluster < 12; ++cluster) {
          const double spread = cluster % 3 == 0 ? 5.0 : 0.01;
          const Point3 base = patch + 20.0 * u + (0.37 * cluster) * u;
          const Point3 a = atDistance(scene, plane, base, level, steps);
          const Point3 b = atDistance(scene, plane, base + spread * u, level, cluster % 2 == 0 ? steps : -steps);
          // The third corner: on the same level, or well to one side.
          const double third = cluster % 4 == 0 ? level : cluster % 4 == 1 ? 0.5 : -0.5;
          const Point3 c = atDistance(scene, plane, base + spread * w, third, steps);
          list.push_back(static_cast<std::uint32_t>(addCorners(scene, a, b, c)));
        }
        ++made;
      }
    }
    ASSERT_GT(list.size(), 8u * CornerBvh::kLeafSize);
    expectSameAsExact(scene, list);
  }
}

}  // namespace
}  // namespace pw
