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

// No corner on the plane: the lone corner L keeps the triangle's index with
// the piece (L, Q1, Q2); (Q1, K1, K2) and (Q1, K2, Q2) are appended, and the
// segment runs the way the behind pieces' boundary runs along the cut.
//
//         L (0, 2)                   (the lone corner in front)
//        / \                         .
//   Q1 -------- Q2                   y = 0
//      /     \                       .
//   K1 ------- K2    K1 = (-2, -2), K2 = (2, -2)
TEST(TrianglePhase, loneCornerMakesThreePiecesOnEitherSide) {
  const struct {
    const char* what;
    Point3 corners[3];
    bool loneInFront;
    Point3 pieces[3][3];  // kept, first and second appended
    Segments segments;
  } cases[] = {
      {"lone corner 0 in front",
       {{0, 2, 0}, {-2, -2, 0}, {2, -2, 0}},
       true,
       {{{0, 2, 0}, {-1, 0, 0}, {1, 0, 0}}, {{-1, 0, 0}, {-2, -2, 0}, {2, -2, 0}}, {{-1, 0, 0}, {2, -2, 0}, {1, 0, 0}}},
       {{{1, 0, 0}, {-1, 0, 0}}}},
      {"lone corner 1 behind",
       {{-2, 2, 0}, {0, -2, 0}, {2, 2, 0}},
       false,
       {{{0, -2, 0}, {1, 0, 0}, {-1, 0, 0}}, {{1, 0, 0}, {2, 2, 0}, {-2, 2, 0}}, {{1, 0, 0}, {-2, 2, 0}, {-1, 0, 0}}},
       {{{1, 0, 0}, {-1, 0, 0}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Split split;
    const std::int32_t j = split.scene.triangleCount() + 1;
    const std::int32_t t = split.run(c.corners[0], c.corners[1], c.corners[2]);
    const Point3 plane = split.scene.triangle(t).planeNormal();
    EXPECT_TRUE(split.cut);
    ASSERT_EQ(split.scene.triangleCount(), j + 2);
    const std::int32_t pieces[] = {t, j, j + 1};
    for (int p = 0; p < 3; ++p) {
      for (int k = 0; k < 3; ++k) EXPECT_TRUE(samePoint(split.corner(pieces[p], k), c.pieces[p][k])) << p << k;
      EXPECT_TRUE(testing_support::sameBits(split.scene.triangle(pieces[p]).planeNormal(), plane));
    }
    EXPECT_EQ(split.front, c.loneInFront ? indices({t}) : indices({j, j + 1}));
    EXPECT_EQ(split.behind, c.loneInFront ? indices({j, j + 1}) : indices({t}));
    EXPECT_TRUE(sameSegments(split.segments, c.segments));
  }
}

}  // namespace
}  // namespace pw
