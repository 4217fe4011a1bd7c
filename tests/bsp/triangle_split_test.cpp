#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "bsp/bsp_builder.h"
#include "bsp_test_support.h"
#include "scene/scene.h"

namespace pw {
namespace {

using testing_support::addCorners;
using testing_support::fileLines;
using testing_support::indices;
using testing_support::ScratchDir;

bool sameBits(const Point3& a, const Point3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The cutter is the floor y = 0 facing up (+y is its front), far larger
// than the triangles it divides. Triangles lie in the plane z = 0, so their
// corners' y coordinates say on which side of the cutter they are.
class TrianglePhase : public ::testing::Test {
 protected:
  TrianglePhase() {
    cutter = addCorners(scene, {-10, 0, -10}, {-10, 0, 10}, {10, 0, -10});
    // Corner normals for interpolation checks: n0 = +x, n1 = +y, n2 = +z.
    scene.addNormal({1, 0, 0});
    scene.addNormal({0, 1, 0});
    scene.addNormal({0, 0, 1});
  }

  // A triangle with its own corners and the corner normals 1, 2, 3.
  std::int32_t add(const Point3& a, const Point3& b, const Point3& c) {
    const auto va = scene.addVertex(a);
    const auto vb = scene.addVertex(b);
    const auto vc = scene.addVertex(c);
    return scene.addTriangle(va, vb, vc, 1, 2, 3);
  }

  void run(const std::vector<std::uint32_t>& list) {
    BspBuilder builder(&scene, dir.path());
    std::vector<Portal*> frontPortals, behindPortals;
    builder.split(cutter, list, front, behind, {}, frontPortals, behindPortals);
    splits = builder.stats().trianglesSplit;
  }

  // The segments the split recorded, as "x y z" texts, from the first
  // section of "contours.log" (start point, empty line, end point, hyphens).
  std::vector<std::pair<std::string, std::string>> segments() const {
    const std::vector<std::string> lines = fileLines(dir.file("contours.log"));
    std::vector<std::pair<std::string, std::string>> out;
    for (std::size_t i = 0; i + 3 < lines.size() && lines[i] != "==============="; i += 4) {
      out.emplace_back(lines[i], lines[i + 2]);
    }
    return out;
  }

  Point3 corner(std::int32_t triangle, int k) const {
    return scene.vertex(scene.triangle(triangle).vertexIndex(k));
  }
  Point3 cornerNormal(std::int32_t triangle, int k) const {
    return scene.normal(scene.triangle(triangle).normalIndex(k));
  }
  void expectCorners(std::int32_t triangle, const Point3& a, const Point3& b, const Point3& c) const {
    EXPECT_TRUE(samePoint(corner(triangle, 0), a) && samePoint(corner(triangle, 1), b) &&
                samePoint(corner(triangle, 2), c))
        << "triangle " << triangle;
  }

  ScratchDir dir;
  Scene scene;
  std::int32_t cutter = 0;
  std::vector<std::uint32_t> front, behind;
  std::uint64_t splits = 0;
};

TEST_F(TrianglePhase, wholeTrianglesGoToTheirSideAndOnlyBehindEdgesRecordSegments) {
  const struct {
    const char* what;
    Point3 a, b, c;
    bool toFront;
    std::vector<std::pair<std::string, std::string>> segments;
  } cases[] = {
      {"in front", {0, 1, 0}, {1, 2, 0}, {0, 2, 0}, true, {}},
      {"behind", {0, -1, 0}, {0, -2, 0}, {1, -2, 0}, false, {}},
      {"coplanar, facing down", {0, 0, 0}, {1, 0, 0}, {0, 0, 1}, true, {}},
      {"edge on the plane, third corner in front", {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, true, {}},
      // b = corner 1: the edge from corner 2 to corner 0, in the triangle's order.
      {"edge on the plane, third corner behind", {0, 0, 0}, {0, -1, 0}, {1, 0, 0}, false, {{"1 0 0", "0 0 0"}}},
      {"one corner on the plane, two in front", {0, 0, 0}, {1, 1, 0}, {0, 1, 0}, true, {}},
      {"one corner on the plane, two behind", {0, 0, 0}, {0, -1, 0}, {1, -1, 0}, false, {}},
      {"within the tolerance of the plane", {0, 0.0001, 0}, {1, -0.0001, 0}, {0, 0, 1}, true, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::int32_t t = add(c.a, c.b, c.c);
    const std::int32_t vertices = scene.vertexCount();
    const std::int32_t triangles = scene.triangleCount();
    front.clear();
    behind.clear();
    run(indices({t}));
    EXPECT_EQ(front, c.toFront ? indices({t}) : indices({}));
    EXPECT_EQ(behind, c.toFront ? indices({}) : indices({t}));
    EXPECT_EQ(segments(), c.segments);
    EXPECT_EQ(scene.vertexCount(), vertices);
    EXPECT_EQ(scene.triangleCount(), triangles);
    EXPECT_EQ(splits, 0u);
  }
}

// No corner on the plane, the lone corner L = corner 0 in front:
//
//         L (0, 2)
//        / \                     .
//   Q2 -------- Q1               y = 0
//      /     \                   .
//   K2 ------- K1    K1 = (2, -2), K2 = (-2, -2)
TEST_F(TrianglePhase, loneCornerInFrontMakesThreePieces) {
  const std::int32_t t = add({0, 2, 0}, {-2, -2, 0}, {2, -2, 0});
  // Corner 1 is K1 here, so Q1 lies towards (-2, -2).
  const Point3 plane = scene.triangle(t).planeNormal();
  const std::int32_t v = scene.vertexCount();
  const std::int32_t n = scene.normalCount();
  const std::int32_t j1 = scene.triangleCount();
  run(indices({t}));

  // Appended: vQ1, vQ2, then nQ1, nQ2.
  ASSERT_EQ(scene.vertexCount(), v + 2);
  ASSERT_EQ(scene.normalCount(), n + 2);
  ASSERT_EQ(scene.triangleCount(), j1 + 2);
  EXPECT_TRUE(samePoint(scene.vertex(v), {-1, 0, 0}));
  EXPECT_TRUE(samePoint(scene.vertex(v + 1), {1, 0, 0}));
  EXPECT_TRUE(samePoint(scene.normal(n), {0.5, 0.5, 0}));    // between n(L) = +x and n(K1) = +y
  EXPECT_TRUE(samePoint(scene.normal(n + 1), {0.5, 0, 0.5}));  // between +x and n(K2) = +z
  expectCorners(t, {0, 2, 0}, {-1, 0, 0}, {1, 0, 0});           // (L, Q1, Q2)
  expectCorners(j1, {-1, 0, 0}, {-2, -2, 0}, {2, -2, 0});       // (Q1, K1, K2)
  expectCorners(j1 + 1, {-1, 0, 0}, {2, -2, 0}, {1, 0, 0});     // (Q1, K2, Q2)
  EXPECT_EQ(scene.triangle(t).normalIndex(1), n);
  EXPECT_EQ(scene.triangle(j1 + 1).normalIndex(2), n + 1);
  EXPECT_EQ(front, indices({t}));
  EXPECT_EQ(behind, indices({j1, j1 + 1}));
  EXPECT_EQ(segments(), (std::vector<std::pair<std::string, std::string>>{{"1 0 0", "-1 0 0"}}));  // (Q2, Q1)
  for (const std::int32_t piece : {t, j1, j1 + 1}) {
    EXPECT_TRUE(sameBits(scene.triangle(piece).planeNormal(), plane));
    // Same winding as the source: the corners' own normal agrees with it.
    const Point3 own = cross(corner(piece, 1) - corner(piece, 0), corner(piece, 2) - corner(piece, 0));
    EXPECT_GT(dot(own, plane), 0.0);
  }
}

TEST_F(TrianglePhase, loneCornerBehindMakesThreePiecesTheOtherWay) {
  // L = corner 1 (behind), K1 = corner 2, K2 = corner 0.
  const std::int32_t t = add({-2, 2, 0}, {0, -2, 0}, {2, 2, 0});
  const std::int32_t j1 = scene.triangleCount();
  run(indices({t}));
  expectCorners(t, {0, -2, 0}, {1, 0, 0}, {-1, 0, 0});        // (L, Q1, Q2)
  expectCorners(j1, {1, 0, 0}, {2, 2, 0}, {-2, 2, 0});        // (Q1, K1, K2)
  expectCorners(j1 + 1, {1, 0, 0}, {-2, 2, 0}, {-1, 0, 0});   // (Q1, K2, Q2)
  EXPECT_EQ(front, indices({j1, j1 + 1}));
  EXPECT_EQ(behind, indices({t}));
  EXPECT_EQ(segments(), (std::vector<std::pair<std::string, std::string>>{{"1 0 0", "-1 0 0"}}));  // (Q1, Q2)
}

}  // namespace
}  // namespace pw
