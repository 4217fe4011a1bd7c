#include <gtest/gtest.h>

#include <cstring>

#include "scene/scene.h"

namespace pw {
namespace {

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

}  // namespace
}  // namespace pw
