#include <gtest/gtest.h>

#include <cmath>

#include "scene/edge_set.h"
#include "scene/geometry.h"
#include "scene/scene.h"

namespace pw {
namespace {

TEST(Point3, normalizedMultipliesByReciprocalAndKeepsZero) {
  const Point3 a = Point3{3, 0, 4}.normalized();
  EXPECT_EQ(a.x, 3 * (1.0 / 5.0));
  EXPECT_EQ(a.y, 0.0);
  EXPECT_EQ(a.z, 4 * (1.0 / 5.0));
  const Point3 zero = Point3{0, 0, 0}.normalized();
  EXPECT_TRUE(samePoint(zero, Point3{0, 0, 0}));
  const Point3 down = Point3{0, 0, -2}.normalized();
  EXPECT_TRUE(samePoint(down, Point3{0, 0, -1}));
}

TEST(Point3, orderingIsExactAndLexicographic) {
  EXPECT_TRUE((Point3{1, 5, 9} < Point3{2, 0, 0}));
  EXPECT_TRUE((Point3{1, 2, 3} < Point3{1, 2, 4}));
  EXPECT_FALSE((Point3{1, 2, 4} < Point3{1, 2, 3}));
  EXPECT_FALSE((Point3{0, 0, 0} < Point3{-0.0, 0, 0}));
  EXPECT_FALSE((Point3{-0.0, 0, 0} < Point3{0, 0, 0}));
}

struct PointCase {
  double z;
  PointSide expected;
};

class ClassifyPointAtTolerance : public testing::TestWithParam<PointCase> {};

// Anchor (0, 0, 0), normal (0, 0, 1): both tolerance bounds are on the plane.
TEST_P(ClassifyPointAtTolerance, usesStrictComparisons) {
  Scene scene;
  scene.addVertex({0, 0, 0});
  scene.addVertex({1, 0, 0});
  scene.addVertex({0, 1, 0});
  scene.addNormal({0, 0, 1});
  const Triangle& plane = scene.triangle(scene.addTriangle(0, 1, 2, 0, 0, 0));
  EXPECT_EQ(plane.classifyPoint({5, 5, GetParam().z}), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ClassifyPointAtTolerance,
    testing::Values(PointCase{0.0001, PointSide::OnPlane}, PointCase{0.00011, PointSide::Front},
                    PointCase{-0.0001, PointSide::OnPlane}, PointCase{-0.00011, PointSide::Behind},
                    PointCase{std::nextafter(kPlaneTolerance, 1.0), PointSide::Front},
                    PointCase{-std::nextafter(kPlaneTolerance, 1.0), PointSide::Behind},
                    PointCase{std::nan(""), PointSide::OnPlane}));

TEST(PolygonSide, tableCoversEveryCount) {
  struct Row {
    int front, behind;
    PolygonSide side;
  };
  const Row rows[] = {{3, 0, PolygonSide::Front},         {2, 0, PolygonSide::Front},
                      {2, 1, PolygonSide::Spanning},      {1, 0, PolygonSide::FrontTouching},
                      {1, 1, PolygonSide::Spanning},      {1, 2, PolygonSide::Spanning},
                      {0, 0, PolygonSide::Coplanar},      {0, 1, PolygonSide::BehindTouching},
                      {0, 2, PolygonSide::Behind},        {0, 3, PolygonSide::Behind}};
  for (const Row& row : rows) {
    EXPECT_EQ(polygonSideOf(row.front, row.behind), row.side) << row.front << " front, " << row.behind << " behind";
  }
  EXPECT_EQ(static_cast<int>(PolygonSide::BehindTouching), 4);
  EXPECT_EQ(static_cast<int>(PointSide::Behind), 2);
}

TEST(EdgeSet, equalStartsKeepInsertionOrder) {
  EdgeSet edges;
  edges.insert({{1, 0, 0}, {9, 9, 1}});
  edges.insert({{0, 5, 0}, {9, 9, 2}});
  edges.insert({{1, 0, 0}, {9, 9, 3}});
  edges.insert({{-0.0, 5, 0}, {9, 9, 4}});
  std::vector<double> order;
  for (const auto& [start, end] : edges) order.push_back(end.z);
  EXPECT_EQ(order, (std::vector<double>{2, 4, 1, 3}));
  const auto first = edges.findStart({1, 0, 0});
  ASSERT_NE(first, edges.end());
  EXPECT_EQ(first->second.z, 1);
  EXPECT_EQ(edges.findStart({1, 0, 0.5}), edges.end());
  edges.remove(first);
  EXPECT_EQ(edges.findStart({1, 0, 0})->second.z, 3);
}

}  // namespace
}  // namespace pw
