#include "portal/tessellator.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace pw {
namespace {

using Triples = std::vector<IndexTriple>;

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
  static const Triples& output() { return tessOutput().outputTriangles; }
};

// Every triple keeps the orientation of the primitive's first one: a fan of
// n + 1 corners gives n - 1 triples through its first corner, a strip
// alternates straight and reversed order.
TEST_F(TessCallbacks, primitivesBecomeTriplesOfTheFirstOrientation) {
  const struct {
    std::uint32_t type;
    std::vector<std::int32_t> corners;
    Triples triples;
  } cases[] = {
      {GL_TRIANGLES, {10, 11, 12, 13, 14, 15}, {{10, 11, 12}, {13, 14, 15}}},
      {GL_TRIANGLE_FAN, {0, 1, 2, 3, 4}, {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}},
      {GL_TRIANGLE_STRIP, {0, 1, 2, 3, 4, 5}, {{0, 1, 2}, {3, 2, 1}, {2, 3, 4}, {5, 4, 3}}},
  };
  for (const auto& c : cases) {
    tessOutput() = TessOutput{};
    feedPrimitive(c.type, c.corners);
    EXPECT_EQ(output(), c.triples) << "primitive " << c.type;
    EXPECT_TRUE(tessOutput().pendingIndices.empty());
  }
}

TEST_F(TessCallbacks, eachPrimitiveStartsStraightAndDropsItsLeftovers) {
  feedPrimitive(GL_TRIANGLE_STRIP, {0, 1, 2, 3});  // ends on a reversed triple
  feedPrimitive(GL_TRIANGLES, {7, 8});
  feedPrimitive(GL_TRIANGLE_STRIP, {20, 21, 22});
  EXPECT_EQ(output(), (Triples{{0, 1, 2}, {3, 2, 1}, {20, 21, 22}}));
}

// The collected output is process-wide: a new Tessellator starts it afresh
// (also dropping a primitive left open), and destroying one empties it.
TEST_F(TessCallbacks, outputLivesFromOneTessellatorToTheNext) {
  {
    Tessellator first;
    feedPrimitive(GL_TRIANGLES, {1, 2, 3});
    ASSERT_EQ(first.outputCount(), 1);
    const Tessellator second;
    EXPECT_EQ(first.outputCount(), 0);
    EXPECT_EQ(second.outputCount(), 0);
    feedPrimitive(GL_TRIANGLES, {1, 2, 3});
  }
  EXPECT_TRUE(output().empty());
  tessOnBegin(GL_TRIANGLES);
  tessOnVertex(asData(5));
  tessOnVertex(asData(6));
  const Tessellator tess;
  feedPrimitive(GL_TRIANGLES, {1, 2, 3});
  EXPECT_EQ(output(), (Triples{{1, 2, 3}}));
}

// Real GLU runs: no window or GL context is needed. Contours around +z.
class GluTessellation : public TessCallbacks {
 protected:
  using Ring = std::vector<std::pair<std::int32_t, Point3>>;
  static void polygon(Tessellator& tess, const std::vector<Ring>& rings) {
    tess.setNormal({0, 0, 1});
    tess.beginPolygon();
    for (const Ring& ring : rings) {
      tess.beginContour();
      for (const auto& [index, position] : ring) tess.contourVertex(index, position);
      tess.endContour();
    }
  }
};

TEST_F(GluTessellation, nothingIsDeliveredBeforeEndPolygonOrWithoutContours) {
  Tessellator tess;
  polygon(tess, {{{0, {0, 0, 0}}, {1, {1, 0, 0}}, {2, {0, 1, 0}}}});
  EXPECT_EQ(tess.outputCount(), 0);
  tess.endPolygon();
  EXPECT_EQ(tess.outputCount(), 1);
  Tessellator empty;
  polygon(empty, {});
  empty.endPolygon();
  EXPECT_EQ(empty.outputCount(), 0);
}

TEST_F(GluTessellation, indicesComeBackUnchangedIncludingNegativeOnes) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  Tessellator tess;
  polygon(tess, {{{-1, {0, 0, 0}}, {kMax, {1, 0, 0}}, {kMin, {0, 1, 0}}}});
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
    polygon(tess, {{{0, square[0]}, {1, square[1]}, {2, square[2]}, {3, square[3]}}});
    tess.endPolygon();
    ASSERT_EQ(tess.outputCount(), 2);
    for (std::int32_t i = 0; i < tess.outputCount(); ++i) {
      const IndexTriple& t = tess.outputTriangle(i);
      const Point3& a = square[static_cast<std::size_t>(t[0])];
      EXPECT_GT(cross(square[static_cast<std::size_t>(t[1])] - a, square[static_cast<std::size_t>(t[2])] - a).z, 0.0)
          << "triangle " << i << " is not counter-clockwise";
    }
  }
  Tessellator tess;
  polygon(tess, {{{3, square[3]}, {2, square[2]}, {1, square[1]}, {0, square[0]}}});
  tess.endPolygon();
  EXPECT_EQ(tess.outputCount(), 0);
}

// Crossing squares need a new vertex where their edges cross; with no
// combine callback GLU gives up, delivers nothing and says so. Only the
// Tessellator that saw it is marked (the record is process-wide too), and a
// polygon GLU accepts is not marked, though every polygon reports the
// contour gluBeginPolygon leaves open.
TEST_F(GluTessellation, crossingContoursAreRefusedAndOnlyThatTessellatorIsMarked) {
  const auto square = [](std::int32_t first, double x, double y) {
    return Ring{{first, {x, y, 0}}, {first + 1, {x + 2, y, 0}}, {first + 2, {x + 2, y + 2, 0}},
                {first + 3, {x, y + 2, 0}}};
  };
  {
    Tessellator crossing;
    polygon(crossing, {square(0, 0, 0), square(4, 1, 1)});
    crossing.endPolygon();
    EXPECT_TRUE(crossing.refused());
    EXPECT_EQ(crossing.outputCount(), 0);
  }
  Tessellator apart;
  EXPECT_FALSE(apart.refused());
  polygon(apart, {square(0, 0, 0), square(4, 5, 5)});
  apart.endPolygon();
  EXPECT_FALSE(apart.refused());
  EXPECT_EQ(apart.outputCount(), 4);
}

}  // namespace
}  // namespace pw
