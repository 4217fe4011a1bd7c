#include "portal/tessellator.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace pw {
namespace {

void* asData(std::int32_t index) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(index)); }

// Feeds one primitive to the callbacks by hand, as GLU would.
void feedPrimitive(std::uint32_t type, const std::vector<std::int32_t>& indices) {
  tessOnBegin(type);
  for (const std::int32_t index : indices) tessOnVertex(asData(index));
  tessOnEnd();
}

class TessCallbacks : public ::testing::Test {
 protected:
  void SetUp() override { tessOutput() = TessOutput{}; }
  void TearDown() override { tessOutput() = TessOutput{}; }
  static const std::vector<IndexTriple>& output() { return tessOutput().outputTriangles; }
};

TEST_F(TessCallbacks, trianglesPrimitiveTakesCornersInThrees) {
  feedPrimitive(GL_TRIANGLES, {10, 11, 12, 13, 14, 15});
  EXPECT_EQ(output(), (std::vector<IndexTriple>{{10, 11, 12}, {13, 14, 15}}));
  EXPECT_TRUE(tessOutput().pendingIndices.empty());
}

TEST_F(TessCallbacks, fanKeepsItsCentreInEveryTriangle) {
  feedPrimitive(GL_TRIANGLE_FAN, {0, 1, 2, 3, 4});
  EXPECT_EQ(output(), (std::vector<IndexTriple>{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}));
}

TEST_F(TessCallbacks, fanOfNPlusOneCornersYieldsNMinusOneTriangles) {
  std::vector<std::int32_t> corners(9);
  for (std::size_t i = 0; i < corners.size(); ++i) corners[i] = static_cast<std::int32_t>(i) + 100;
  feedPrimitive(GL_TRIANGLE_FAN, corners);
  ASSERT_EQ(output().size(), corners.size() - 2);
  for (const IndexTriple& t : output()) EXPECT_EQ(t[0], 100);
}

TEST_F(TessCallbacks, stripAlternatesOrderSoAllKeepTheFirstOrientation) {
  feedPrimitive(GL_TRIANGLE_STRIP, {0, 1, 2, 3, 4, 5});
  EXPECT_EQ(output(), (std::vector<IndexTriple>{{0, 1, 2}, {3, 2, 1}, {2, 3, 4}, {5, 4, 3}}));
}

TEST_F(TessCallbacks, eachPrimitiveStartsStraightAndDropsItsLeftovers) {
  // A strip ending on a reversed triangle, then a stray corner pair.
  feedPrimitive(GL_TRIANGLE_STRIP, {0, 1, 2, 3});
  feedPrimitive(GL_TRIANGLES, {7, 8});
  feedPrimitive(GL_TRIANGLE_STRIP, {20, 21, 22});
  EXPECT_EQ(output(), (std::vector<IndexTriple>{{0, 1, 2}, {3, 2, 1}, {20, 21, 22}}));
}

TEST_F(TessCallbacks, secondTessellatorEmptiesTheFirstOnesOutput) {
  Tessellator first;
  feedPrimitive(GL_TRIANGLES, {1, 2, 3});
  ASSERT_EQ(first.outputCount(), 1);
  const Tessellator second;
  EXPECT_EQ(first.outputCount(), 0);
  EXPECT_EQ(second.outputCount(), 0);
}

TEST_F(TessCallbacks, destroyingTheTessellatorEmptiesTheOutput) {
  {
    const Tessellator tess;
    feedPrimitive(GL_TRIANGLES, {1, 2, 3});
    ASSERT_EQ(tess.outputCount(), 1);
  }
  EXPECT_TRUE(output().empty());
}

TEST_F(TessCallbacks, newTessellatorDropsCornersOfAPrimitiveLeftOpen) {
  tessOnBegin(GL_TRIANGLES);
  tessOnVertex(asData(5));
  tessOnVertex(asData(6));
  const Tessellator tess;
  feedPrimitive(GL_TRIANGLES, {1, 2, 3});
  EXPECT_EQ(output(), (std::vector<IndexTriple>{{1, 2, 3}}));
}

// Real GLU runs: no window or GL context is needed.
class GluTessellation : public TessCallbacks {
 protected:
  static void contour(Tessellator& tess, const std::vector<std::pair<std::int32_t, Point3>>& points) {
    tess.beginContour();
    for (const auto& [index, position] : points) tess.contourVertex(index, position);
    tess.endContour();
  }
};

TEST_F(GluTessellation, nothingIsDeliveredBeforeEndPolygonOrWithoutContours) {
  Tessellator tess;
  tess.setNormal({0, 0, 1});
  tess.beginPolygon();
  contour(tess, {{0, {0, 0, 0}}, {1, {1, 0, 0}}, {2, {0, 1, 0}}});
  EXPECT_EQ(tess.outputCount(), 0);
  tess.endPolygon();
  EXPECT_EQ(tess.outputCount(), 1);

  Tessellator empty;
  empty.setNormal({0, 0, 1});
  empty.beginPolygon();
  empty.endPolygon();
  EXPECT_EQ(empty.outputCount(), 0);
}

TEST_F(GluTessellation, indicesComeBackUnchangedIncludingNegativeOnes) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  Tessellator tess;
  tess.setNormal({0, 0, 1});
  tess.beginPolygon();
  contour(tess, {{-1, {0, 0, 0}}, {kMax, {1, 0, 0}}, {kMin, {0, 1, 0}}});
  tess.endPolygon();
  ASSERT_EQ(tess.outputCount(), 1);
  IndexTriple got = tess.outputTriangle(0);
  // GLU may start the triangle at any corner; the cyclic order is kept.
  while (got[0] != -1) std::rotate(got.begin(), got.begin() + 1, got.end());
  EXPECT_EQ(got, (IndexTriple{-1, kMax, kMin}));
}

// Square 0-1-2-3 counter-clockwise around +z; a clockwise one is winding -1.
//   3 +---+ 2
//     |   |
//   0 +---+ 1
TEST_F(GluTessellation, positiveRuleFillsOnlyCounterClockwiseContours) {
  const std::vector<Point3> square{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  {
    Tessellator tess;
    tess.setNormal({0, 0, 1});
    tess.beginPolygon();
    contour(tess, {{0, square[0]}, {1, square[1]}, {2, square[2]}, {3, square[3]}});
    tess.endPolygon();
    ASSERT_EQ(tess.outputCount(), 2);
    for (std::int32_t i = 0; i < tess.outputCount(); ++i) {
      const IndexTriple& t = tess.outputTriangle(i);
      const Point3& a = square[static_cast<std::size_t>(t[0])];
      const Point3& b = square[static_cast<std::size_t>(t[1])];
      const Point3& c = square[static_cast<std::size_t>(t[2])];
      EXPECT_GT(cross(b - a, c - a).z, 0.0) << "triangle " << i << " is not counter-clockwise";
    }
  }
  Tessellator tess;
  tess.setNormal({0, 0, 1});
  tess.beginPolygon();
  contour(tess, {{3, square[3]}, {2, square[2]}, {1, square[1]}, {0, square[0]}});
  tess.endPolygon();
  EXPECT_EQ(tess.outputCount(), 0);
}

}  // namespace
}  // namespace pw
