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
