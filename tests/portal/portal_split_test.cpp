#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bsp/bsp_node.h"
#include "portal/portal.h"
#include "portal_test_support.h"

namespace pw {
namespace {

using testing_support::CutterPlane;
using testing_support::samePoints;
using Corners = std::array<Point3, 3>;

// Splits by the plane z = 0 (front towards +z).
class SplitPortal : public ::testing::Test {
 protected:
  // A leaf fragment kept by the store.
  Portal* fragment(const std::vector<Corners>& triangles) {
    Portal* f = store.adopt(std::make_unique<Portal>());
    for (const Corners& t : triangles) f->addTriangle(t[0], t[1], t[2]);
    return f;
  }
  void split(Portal* f) { splitPortal(plane.cutter(), edges, f, frontList, behindList, store); }

  std::vector<PointPair> segments() const {
    std::vector<PointPair> out;
    for (const auto& [start, end] : edges) out.push_back({start, end});
    return out;
  }

  CutterPlane plane = CutterPlane::zZero();
  EdgeSet edges;
  std::vector<Portal*> frontList;
  std::vector<Portal*> behindList;
  PortalStore store;
};

void expectTriangles(const Portal& portal, const std::vector<Corners>& expected) {
  ASSERT_EQ(portal.triangleCount(), static_cast<std::int32_t>(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_TRUE(samePoints(portal.triangle(static_cast<std::int32_t>(i)).vertices, expected[i])) << "triangle " << i;
  }
}

void expectSegment(const PointPair& got, const Point3& start, const Point3& end) {
  EXPECT_TRUE(samePoint(got.first, start)) << got.first.x << " " << got.first.y << " " << got.first.z;
  EXPECT_TRUE(samePoint(got.second, end)) << got.second.x << " " << got.second.y << " " << got.second.z;
}

// A fragment that needs no division keeps its identity, gets no children
// and records nothing.
struct WholeCase {
  const char* name;
  Corners corners;
  bool toFront;
};

class SplitPortalWhole : public SplitPortal, public ::testing::WithParamInterface<WholeCase> {};

TEST_P(SplitPortalWhole, keepsTheFragmentAndRecordsNothing) {
  Portal* f = fragment({GetParam().corners});
  split(f);
  EXPECT_EQ(store.size(), 1U) << "the unused pieces were kept";
  EXPECT_EQ(f->front(), nullptr);
  EXPECT_EQ(f->triangleCount(), 1);
  EXPECT_TRUE(edges.empty());
  const std::vector<Portal*> expected{f};
  EXPECT_EQ(GetParam().toFront ? frontList : behindList, expected);
  EXPECT_TRUE((GetParam().toFront ? behindList : frontList).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Sides, SplitPortalWhole,
    ::testing::Values(WholeCase{"front", {{{0, 0, 1}, {1, 0, 1}, {0, 1, 2}}}, true},
                      WholeCase{"behind", {{{0, 0, -1}, {1, 0, -1}, {0, 1, -2}}}, false},
                      WholeCase{"coplanar", {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}, true},
                      WholeCase{"withinTolerance", {{{0, 0, 0.0001}, {1, 0, -0.0001}, {0, 1, 0}}}, true},
                      // a: an edge in the plane, the third corner in front.
                      WholeCase{"touchingFromFront", {{{0, 0, 0}, {1, 0, 0}, {0, 1, 1}}}, true},
                      WholeCase{"oneCornerOnPlaneTwoInFront", {{{0, 0, 0}, {1, 0, 1}, {0, 1, 1}}}, true}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// b: an edge in the plane, the third corner behind. The edge is recorded in
// the triangle's own corner order, whichever corner is behind.
TEST_F(SplitPortal, touchingFromBehindRecordsItsOnPlaneEdge) {
  const Point3 p{0, 0, 0}, q{1, 0, 0}, r{0, 1, -1};
  const std::vector<Corners> rotations{{p, q, r}, {r, p, q}, {q, r, p}};
  for (const Corners& v : rotations) {
    edges = EdgeSet{};
    behindList.clear();
    Portal* f = fragment({v});
    split(f);
    ASSERT_EQ(behindList, std::vector<Portal*>{f});
    const auto got = segments();
    ASSERT_EQ(got.size(), 1U);
    expectSegment(got[0], p, q);
  }
}

// c: A on the plane, one corner in front and one behind; X = (1, 0.25, 0).
// The piece through A and the corner after it comes first, and the segment
// runs the way the behind piece's boundary runs.
//        F (1,0,1)
//       /|
//  A --+-X----- z = 0
//       \|
//        B (1,1,-3)
TEST_F(SplitPortal, cornerOnThePlaneGivesTwoTrianglesThroughIt) {
  const Point3 a{0, 0, 0}, f{1, 0, 1}, b{1, 1, -3}, x{1, 0.25, 0};
  const struct {
    Corners corners;
    Corners front, behind;
    PointPair segment;
  } cases[] = {
      {{b, a, f}, {a, f, x}, {a, x, b}, {a, x}},  // A at index 1: indices wrap
      {{a, b, f}, {a, x, f}, {a, b, x}, {x, a}},
  };
  for (const auto& c : cases) {
    edges = EdgeSet{};
    frontList.clear();
    behindList.clear();
    split(fragment({c.corners}));
    ASSERT_EQ(frontList.size(), 1U);
    ASSERT_EQ(behindList.size(), 1U);
    expectTriangles(*frontList[0], {c.front});
    expectTriangles(*behindList[0], {c.behind});
    const auto got = segments();
    ASSERT_EQ(got.size(), 1U);
    expectSegment(got[0], c.segment.first, c.segment.second);
  }
}

// d and e: P alone on one side, Q and R on the other; X1 on PQ, X2 on PR.
// Chosen so the crossings are exact: t1 = 0.25, t2 = 0.5.
struct CutOffCase {
  const char* name;
  bool loneInFront;
  int rotation;  // index of P in the fragment's triangle
};

class SplitPortalCutOff : public SplitPortal, public ::testing::WithParamInterface<CutOffCase> {};

TEST_P(SplitPortalCutOff, givesOneLoneAndTwoPairedTrianglesWithExactCorners) {
  const double s = GetParam().loneInFront ? 1.0 : -1.0;
  const Point3 p{0, 0, s}, q{4, 0, -3 * s}, r{0, 4, -s};
  const Point3 x1{1, 0, 0}, x2{0, 2, 0};
  Corners v;
  const int k = GetParam().rotation;
  v[static_cast<std::size_t>(k)] = p;
  v[static_cast<std::size_t>((k + 1) % 3)] = q;
  v[static_cast<std::size_t>((k + 2) % 3)] = r;
  Portal* f = fragment({v});
  split(f);

  ASSERT_EQ(frontList.size(), 1U);
  ASSERT_EQ(behindList.size(), 1U);
  const Portal& lone = *(GetParam().loneInFront ? frontList[0] : behindList[0]);
  const Portal& pair = *(GetParam().loneInFront ? behindList[0] : frontList[0]);
  expectTriangles(lone, {{p, x1, x2}});
  expectTriangles(pair, {{x1, q, r}, {x1, r, x2}});
  const auto got = segments();
  ASSERT_EQ(got.size(), 1U);
  // The segment runs the way the behind piece's boundary runs.
  if (GetParam().loneInFront) {
    expectSegment(got[0], x2, x1);
  } else {
    expectSegment(got[0], x1, x2);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitPortalCutOff,
                         ::testing::Values(CutOffCase{"oneFrontAt0", true, 0}, CutOffCase{"oneFrontAt1", true, 1},
                                           CutOffCase{"oneFrontAt2", true, 2}, CutOffCase{"oneBehindAt0", false, 0},
                                           CutOffCase{"oneBehindAt1", false, 1},
                                           CutOffCase{"oneBehindAt2", false, 2}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(SplitPortal, twinMirrorsTheChildrenAndTargetsAreInherited) {
  BspNode here({}, {}, 1);
  BspNode there({}, {}, 2);
  Portal* f = fragment({{{0, 0, 1}, {2, 0, -1}, {0, 2, -1}}});
  f->setTarget(&here);
  f->twin()->setTarget(&there);
  split(f);

  Portal* twin = f->twin();
  ASSERT_NE(f->front(), nullptr);
  EXPECT_EQ(twin->front(), f->front()->twin());
  EXPECT_EQ(twin->behind(), f->behind()->twin());
  EXPECT_EQ(f->front()->target(), &here);
  EXPECT_EQ(f->behind()->target(), &here);
  EXPECT_EQ(twin->front()->target(), &there);
  EXPECT_EQ(twin->behind()->target(), &there);
  for (const Portal* child : {f->front(), f->behind()}) {
    ASSERT_EQ(child->twin()->triangleCount(), child->triangleCount());
    for (std::int32_t i = 0; i < child->triangleCount(); ++i) {
      const auto& v = child->triangle(i).vertices;
      EXPECT_TRUE(samePoints(child->twin()->triangle(i).vertices, {v[2], v[1], v[0]}));
    }
  }
}

TEST_F(SplitPortal, nanCornerIsTakenAsOnThePlane) {
  const double nan = std::nan("");
  Portal* f = fragment({{{nan, nan, nan}, {0, 0, 1}, {0, 1, -1}}});
  split(f);
  EXPECT_EQ(frontList.size(), 1U);
  EXPECT_EQ(behindList.size(), 1U);
  EXPECT_EQ(edges.size(), 1U);
}

}  // namespace
}  // namespace pw
