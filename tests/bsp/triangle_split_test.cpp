// The triangle phase of a split against the floor y = 0 facing up (+y is its
// front), far larger than the triangles it divides. The triangles lie in the
// plane z = 0, so their corners' y coordinates say on which side they are.
#include "bsp/triangle_split.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "bsp_test_support.h"
#include "scene/edge_set.h"
#include "scene/scene.h"

namespace pw {
namespace {

using testing_support::addCorners;
using testing_support::indices;
using Segments = std::vector<std::pair<Point3, Point3>>;

bool sameSegments(const Segments& a, const Segments& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
    return samePoint(x.first, y.first) && samePoint(x.second, y.second);
  });
}

struct Split {
  Split() { cutter = addCorners(scene, {-10, 0, -10}, {-10, 0, 10}, {10, 0, -10}); }
  // Sorts the triangle (a, b, c).
  std::int32_t run(const Point3& a, const Point3& b, const Point3& c) {
    const std::int32_t t = addCorners(scene, a, b, c);
    const Triangle cutterCopy = scene.triangle(cutter);
    cut = splitTriangle(scene, cutterCopy, cutter, t, edges, front, behind);
    for (const auto& [start, end] : edges) segments.emplace_back(start, end);
    return t;
  }
  Point3 corner(std::int32_t t, int k) const { return scene.vertex(scene.triangle(t).vertexIndex(k)); }

  Scene scene;
  std::int32_t cutter = 0;
  EdgeSet edges;
  std::vector<std::uint32_t> front, behind;
  Segments segments;
  bool cut = false;
};

TEST(TrianglePhase, wholeTrianglesGoToTheirSideAndOnlyBehindEdgesRecordSegments) {
  const struct {
    const char* what;
    Point3 a, b, c;
    bool toFront;
    Segments segments;
  } cases[] = {
      {"in front", {0, 1, 0}, {1, 2, 0}, {0, 2, 0}, true, {}},
      {"behind", {0, -1, 0}, {0, -2, 0}, {1, -2, 0}, false, {}},
      {"coplanar, facing down", {0, 0, 0}, {1, 0, 0}, {0, 0, 1}, true, {}},
      {"edge on the plane, third corner in front", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, true, {}},
      // b = corner 1: the edge from corner 2 to corner 0, in the triangle's order.
      {"edge on the plane, third corner behind", {0, 0, 0}, {0, -1, 0}, {1, 0, 0}, false, {{{1, 0, 0}, {0, 0, 0}}}},
      {"one corner on the plane, two in front", {0, 0, 0}, {1, 1, 0}, {0, 1, 0}, true, {}},
      {"one corner on the plane, two behind", {0, 0, 0}, {0, -1, 0}, {1, -1, 0}, false, {}},
      {"within the tolerance of the plane", {0, 0.0001, 0}, {1, -0.0001, 0}, {0, 0, 1}, true, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Split split;
    const std::int32_t triangles = split.scene.triangleCount() + 1;
    const std::int32_t t = split.run(c.a, c.b, c.c);
    EXPECT_EQ(split.front, c.toFront ? indices({t}) : indices({}));
    EXPECT_EQ(split.behind, c.toFront ? indices({}) : indices({t}));
    EXPECT_TRUE(sameSegments(split.segments, c.segments));
    EXPECT_EQ(split.scene.triangleCount(), triangles);
    EXPECT_FALSE(split.cut);
  }
}

}  // namespace
}  // namespace pw
