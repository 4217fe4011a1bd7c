#include "portal/tessellator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace pw {
namespace {

void addRing(Tessellator& tess, const std::vector<Point3>& ring) {
  tess.beginContour();
  for (std::size_t i = 0; i < ring.size(); ++i) tess.contourVertex(static_cast<std::int32_t>(i), ring[i]);
  tess.endContour();
}

// Each tessellation collects into its own output, so two can be open at
// once (one per thread, or one inside another's caller).
TEST(Tessellator, twoOpenAtOnceKeepTheirOwnTriangles) {
  const Point3 up{0.0, 0.0, 1.0};
  Tessellator square;
  Tessellator triangle;
  square.setNormal(up);
  triangle.setNormal(up);
  square.beginPolygon();
  addRing(square, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  triangle.beginPolygon();
  addRing(triangle, {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}});
  triangle.endPolygon();
  square.endPolygon();

  ASSERT_EQ(triangle.outputCount(), 1);
  EXPECT_EQ(square.outputCount(), 2);
  IndexTriple corners = triangle.outputTriangle(0);
  std::sort(corners.begin(), corners.end());
  EXPECT_EQ(corners, (IndexTriple{0, 1, 2}));
  EXPECT_FALSE(square.refused());
  EXPECT_FALSE(triangle.refused());
}

}  // namespace
}  // namespace pw
