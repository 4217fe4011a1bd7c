#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "culling/visibility.h"
#include "portal/portal.h"

namespace pw {
namespace {

Matrix4 identity() {
  Matrix4 matrix;
  matrix.m[0] = matrix.m[5] = matrix.m[10] = matrix.m[15] = 1.0;
  return matrix;
}

// The identity view's eye, looking along -z.
const Point3 kEye{0, 0, 0};

PortalTriangle triangle(const Point3& a, const Point3& b, const Point3& c) { return {a, b, c}; }

// Horizontal offset at z = -1 of a direction `degrees` right of the view axis.
double atAngle(double degrees) { return std::tan(degrees * std::numbers::pi / 180.0); }

// Identity view, vertical field of view 45 degrees, aspect 1.
struct ViewCase {
  const char* name;
  Point3 a, b, c;
  bool inView;
};

class TriangleInViewTest : public ::testing::TestWithParam<ViewCase> {};

TEST_P(TriangleInViewTest, classifiesAgainstTheFourSidePlanes) {
  const ViewCase& c = GetParam();
  EXPECT_EQ(triangleInView(triangle(c.a, c.b, c.c), ViewPyramid(45.0f, 1.0f, identity(), kEye)), c.inView);
}

INSTANTIATE_TEST_SUITE_P(
    IdentityView, TriangleInViewTest,
    ::testing::Values(
        ViewCase{"ahead", {0, 0, -1}, {0.1, 0, -1}, {0, 0.1, -1}, true},
        ViewCase{"behindTheEye", {0, 0, 1}, {0.1, 0, 1}, {0, 0.1, 1}, false},
        // tan 22.5 degrees is about 0.414 < 2.
        ViewCase{"aboveTheTop", {0, 2, -1}, {0.1, 2, -1}, {0, 2.1, -1}, false},
        ViewCase{"leftOfTheLeft", {-2, 0, -1}, {-2.1, 0, -1}, {-2, 0.1, -1}, false},
        ViewCase{"rightOfTheRight", {2, 0, -1}, {2.1, 0, -1}, {2, 0.1, -1}, false},
        // One corner far left, two far right: no single plane has all three.
        ViewCase{"spanningLeftToRight", {-100, 0, -1}, {100, 0, -1}, {100, 0.1, -1}, true},
        // Outside the top and the left plane, each corner alone.
        ViewCase{"outsideDifferentPlanes", {0, 5, -1}, {-5, 0, -1}, {-5, 5, -1}, true},
        // One corner exactly at the eye's depth keeps the triangle in play.
        ViewCase{"touchingTheEyePlane", {0, 0, 0}, {0.1, 0, 1}, {0, 0.1, 1}, true},
        // Exactly on a plane counts as inside: y = tan(22.5) z would be on
        // the top plane; the apex (0,0,0) is on all of them.
        ViewCase{"atTheApex", {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(TriangleInView, horizontalHalfAngleIsTheLinearProductNotTheExactOne) {
  // At aspect 4/3 the side planes lie at 45 x 4/3 / 2 = 30 degrees, while the
  // picture ends at atan(tan 22.5 x 4/3), about 28.9 degrees.
  const float aspect = 4.0f / 3.0f;
  const double pictureEdge = std::atan(std::tan(22.5 * std::numbers::pi / 180.0) * aspect) * 180.0 / std::numbers::pi;
  ASSERT_LT(pictureEdge, 29.5);
  for (const double side : {1.0, -1.0}) {
    const double inside = side * atAngle(29.5);
    const double outside = side * atAngle(30.5);
    const ViewPyramid view(45.0f, aspect, identity(), kEye);
    EXPECT_TRUE(triangleInView(triangle({inside, 0, -1}, {inside, 0.1, -1}, {2 * inside, 0, -2}), view));
    EXPECT_FALSE(triangleInView(triangle({outside, 0, -1}, {outside, 0.1, -1}, {2 * outside, 0, -2}), view));
  }
}

// Behind the eye and reaching past every side: no side plane has it all
// outside, yet none of it lies before the eye.
TEST(TriangleInView, wholeBehindTheEyeIsOutEvenPastEverySide) {
  EXPECT_FALSE(triangleInView(triangle({-5, -5, 1}, {5, -5, 1}, {0, 5, 1}), ViewPyramid(45.0f, 1.0f, identity(), kEye)));
}

// Counter-clockwise seen from the eye: the winding normal points at it.
const std::array<Point3, 3> kFacing = {Point3{0, 0, -1}, Point3{0.1, 0, -1}, Point3{0, 0.1, -1}};
const std::array<Point3, 3> kAway = {Point3{0, 0, -1}, Point3{0, 0.1, -1}, Point3{0.1, 0, -1}};

void add(Portal& portal, const std::array<Point3, 3>& corners) { portal.addTriangle(corners[0], corners[1], corners[2]); }

// Vertical field of view 45 degrees, aspect 1, identity view.
bool visible(const Portal& portal, const Point3& eye = kEye) {
  return isVisible(portal, ViewPyramid(45.0f, 1.0f, identity(), eye));
}

TEST(IsVisible, facingFragmentInViewIsVisibleAndItsTwinIsNot) {
  EXPECT_FALSE(visible(Portal{})) << "a fragment without triangles";
  Portal portal;
  add(portal, kFacing);
  EXPECT_TRUE(visible(portal));
  EXPECT_FALSE(visible(*portal.twin()));
}

TEST(IsVisible, aSliverFirstTriangleLeavesTheFacingToTheNextOne) {
  // Collinear corners at non-integer coordinates: the cross product is
  // rounding noise, which may come out either sign.
  const std::array<Point3, 3> collinear = {Point3{0.1, 0.3, -1.7}, Point3{0.2, 0.6, -1.7}, Point3{0.3, 0.9, -1.7}};
  Portal awayAfterSliver;
  add(awayAfterSliver, collinear);
  add(awayAfterSliver, kAway);
  EXPECT_FALSE(visible(awayAfterSliver));
  Portal facingAfterSliver;
  add(facingAfterSliver, {collinear[2], collinear[1], collinear[0]});
  add(facingAfterSliver, kFacing);
  EXPECT_TRUE(visible(facingAfterSliver));
  // Slivers only: the facing cannot be told, so the fragment is not rejected.
  Portal slivers;
  add(slivers, collinear);
  EXPECT_TRUE(visible(slivers));
  EXPECT_TRUE(visible(*slivers.twin()));
}

TEST(IsVisible, eyeExactlyInThePlanePassesTheFacingTest) {
  // The plane y = 0 through the eye, seen edge on; it runs into the view.
  Portal portal;
  portal.addTriangle({0, 0, -1}, {1, 0, -1}, {0, 0, -2});
  EXPECT_TRUE(visible(portal));
  EXPECT_TRUE(visible(*portal.twin()));
  // A hair below the plane, on the side the winding normal (+y) points away
  // from: no tolerance.
  EXPECT_FALSE(visible(portal, {0, -1e-12, 0}));
  EXPECT_TRUE(visible(portal, {0, 1e-12, 0}));
}

}  // namespace
}  // namespace pw
