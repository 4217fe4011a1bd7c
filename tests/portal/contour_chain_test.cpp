#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "portal/portal_creation.h"

namespace pw {
namespace {

EdgeSet edgeSet(const std::vector<PointPair>& segments) {
  EdgeSet edges;
  for (const PointPair& s : segments) edges.insert(s);
  return edges;
}

void expectContour(const Contour& got, const std::vector<Point3>& expected) {
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_TRUE(samePoint(got[i], expected[i])) << "point " << i << ": " << got[i].x << " " << got[i].y << " "
                                                << got[i].z;
  }
}

// (-1,0,0) -> (0,0,0), then a segment starting `gap` away on one axis.
struct GapCase {
  const char* name;
  Point3 gap;
  bool chained;
};

class ChainContoursGap : public ::testing::TestWithParam<GapCase> {};

TEST_P(ChainContoursGap, continuesOnlyWithinTheToleranceOnEveryAxis) {
  const Point3 far{5, 5, 5};
  EdgeSet edges = edgeSet({{{-1, 0, 0}, {0, 0, 0}}, {GetParam().gap, far}});
  const auto contours = chainContours(edges);
  if (GetParam().chained) {
    ASSERT_EQ(contours.size(), 1U);
    expectContour(contours[0], {{0, 0, 0}, far});
  } else {
    ASSERT_EQ(contours.size(), 2U);
    expectContour(contours[0], {{0, 0, 0}});
    expectContour(contours[1], {far});
  }
}

const double kTol = kChainTolerance;
const double kAbove = std::nextafter(kChainTolerance, 1.0);

INSTANTIATE_TEST_SUITE_P(Boundaries, ChainContoursGap,
                         ::testing::Values(GapCase{"xAtTolerance", {kTol, 0, 0}, true},
                                           GapCase{"xBelowAtTolerance", {-kTol, 0, 0}, true},
                                           GapCase{"yAtTolerance", {0, kTol, 0}, true},
                                           GapCase{"zAtTolerance", {0, 0, -kTol}, true},
                                           GapCase{"allAxesAtTolerance", {kTol, -kTol, kTol}, true},
                                           GapCase{"xOneUlpBeyond", {kAbove, 0, 0}, false},
                                           GapCase{"yOneUlpBeyond", {0, -kAbove, 0}, false},
                                           GapCase{"zOneUlpBeyond", {0, 0, kAbove}, false}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

// From e = (1, 0, 0) an exact continuation wins over an earlier near one;
// among near ones the first in map order wins, not the nearest.
TEST(ChainContours, exactContinuationFirstThenTheFirstNearOneInMapOrder) {
  const Point3 start{-1, 0, 0}, e{1, 0, 0}, seven{7, 7, 7}, nine{9, 9, 9};
  const struct {
    PointPair other, another;
    Point3 next;
  } cases[] = {
      {{{1 - 0.000005, 0, 0}, seven}, {e, nine}, nine},
      {{{1 + 0.000001, 0, 0}, nine}, {{1 - 0.000008, 0, 0}, seven}, seven},
  };
  for (const auto& c : cases) {
    EdgeSet edges = edgeSet({{start, e}, c.other, c.another});
    const auto contours = chainContours(edges);
    ASSERT_EQ(contours.size(), 2U);
    expectContour(contours[0], {e, c.next});
  }
}

}  // namespace
}  // namespace pw
