#include <gtest/gtest.h>

#include <cstring>

#include "scene/scene.h"

namespace pw {
namespace {

bool sameBits(const Point3& a, const Point3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(Scene, indicesCountIndependentlyFromZero) {
  Scene scene;
  EXPECT_EQ(scene.addVertex({0, 0, 0}), 0);
  EXPECT_EQ(scene.addVertex({0, 0, 0}), 1);  // no merging on append
  EXPECT_EQ(scene.addVertex({1, 0, 0}), 2);
  EXPECT_EQ(scene.addNormal({0, 0, 1}), 0);
  EXPECT_EQ(scene.addTriangle(0, 2, 1, 0, 0, 0), 0);
  EXPECT_EQ(scene.triangleCount(), 1);
  EXPECT_TRUE(scene.allTriangleIndices() == std::vector<std::uint32_t>{0});
  EXPECT_TRUE(Scene().allTriangleIndices().empty());
}

TEST(Scene, planeNormalFollowsCornerOrder) {
  struct Case {
    Point3 p0, p1, p2, normal;
  };
  const Case cases[] = {
      {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
      {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, -1}},
      {{0, 0, 0}, {2, 0, 0}, {0, 0, 4}, {0, -1, 0}},
      {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {0, 0, 0}},  // collinear
      {{1, 2, 3}, {1, 2, 3}, {0, 1, 0}, {0, 0, 0}},  // corner used twice
  };
  for (const Case& c : cases) {
    Scene scene;
    const auto a = scene.addVertex(c.p0), b = scene.addVertex(c.p1), d = scene.addVertex(c.p2);
    const Triangle& t = scene.triangle(scene.addTriangle(a, b, d, 0, 0, 0));
    EXPECT_TRUE(samePoint(t.planeNormal(), c.normal))
        << t.planeNormal().x << " " << t.planeNormal().y << " " << t.planeNormal().z;
  }
}

TEST(Scene, degenerateTriangleHasEverythingOnItsPlane) {
  Scene scene;
  scene.addVertex({0, 0, 0});
  scene.addVertex({1, 1, 1});
  scene.addVertex({2, 2, 2});
  scene.addVertex({5, -7, 9});
  const Triangle& line = scene.triangle(scene.addTriangle(0, 1, 2, 0, 0, 0));
  EXPECT_EQ(line.classifyPoint({100, -3, 7}), PointSide::OnPlane);
  EXPECT_EQ(line.classifyPortal({Point3{1, 0, 0}, Point3{9, 9, 9}, Point3{-5, 4, 3}}), PolygonSide::Coplanar);
}

TEST(Scene, piecesCopyThePlaneNormalBitForBit) {
  Scene scene;
  scene.addVertex({0, 0, 0});
  scene.addVertex({3, 0.1, 0});
  scene.addVertex({0.2, 7, 0.3});
  scene.addVertex({1, 1, 5});
  const auto source = scene.addTriangle(0, 1, 2, 0, 1, 2);
  const Point3 normal = scene.triangle(source).planeNormal();
  // Enough appends to move the array while the source is being read.
  for (int i = 0; i < 100; ++i) {
    const auto piece = scene.addTriangleOnPlaneOf(source, 0, 3, 2, 5, 6, 7);
    EXPECT_EQ(piece, i + 1);
    EXPECT_TRUE(sameBits(scene.triangle(piece).planeNormal(), normal));
  }
  scene.replaceTriangle(source, 3, 1, 0, 9, 8, 7);
  const Triangle& replaced = scene.triangle(source);
  EXPECT_EQ(scene.triangleCount(), 101);
  EXPECT_TRUE(sameBits(replaced.planeNormal(), normal));
  EXPECT_EQ(replaced.vertexIndex(0), 3);
  EXPECT_EQ(replaced.normalIndex(2), 7);
}

TEST(Triangle, classifiesAgainstItsPlane) {
  Scene scene;
  for (const Point3& p : {Point3{0, 0, 0}, Point3{1, 0, 0}, Point3{0, 1, 0}}) scene.addVertex(p);
  const auto plane = scene.addTriangle(0, 1, 2, 0, 0, 0);
  const Triangle& t = scene.triangle(plane);
  EXPECT_EQ(t.classifyTriangle(t), PolygonSide::Coplanar);
  using C = std::array<Point3, 3>;
  EXPECT_EQ(t.classifyPortal(C{{{0, 0, 0}, {1, 0, 0}, {0, 0, 1}}}), PolygonSide::FrontTouching);
  EXPECT_EQ(t.classifyPortal(C{{{0, 0, 0}, {1, 0, 0}, {0, 0, -1}}}), PolygonSide::BehindTouching);
  EXPECT_EQ(t.classifyPortal(C{{{0, 0, 0}, {1, 0, 1}, {0, 0, 1}}}), PolygonSide::Front);
  EXPECT_EQ(t.classifyPortal(C{{{0, 0, 0}, {1, 0, -1}, {0, 0, -1}}}), PolygonSide::Behind);
  EXPECT_EQ(t.intersectionParameter({0, 0, 1}, {0, 0, -3}), 0.25);
}

}  // namespace
}  // namespace pw
