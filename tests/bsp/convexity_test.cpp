#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bsp/bsp_builder.h"
#include "bsp_test_support.h"
#include "scene/scene.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

using testing_support::addFacing;
using testing_support::indices;
using testing_support::ScratchDir;

// Every case for both builds: the fast test must answer as the
// straightforward one does.
class Convexity : public ::testing::TestWithParam<BuildStrategy> {
 protected:
  BspBuilder builderOn(Scene& on, const ScratchDir& logs) { return BspBuilder(&on, logs.path(), {GetParam(), 2}); }
  bool convex(const std::vector<std::uint32_t>& list) { return builderOn(scene, dir).isConvex(list); }

  ScratchDir dir;
  Scene scene;
};

TEST_P(Convexity, cornerBehindAnotherPlaneMakesTheListNonConvex) {
  const auto floor = addFacing(scene, {0, 0, 0}, {0, 0, 1}, {1, 0, 0});
  // A wall reaching 1 below the floor.
  const auto wall = addFacing(scene, {3, -1, 0}, {0, 2, 0}, {0, 0, 1});
  EXPECT_FALSE(convex(indices({floor, wall})));
  EXPECT_FALSE(convex(indices({wall, floor})));
}

// The floor y = 0 facing up, and a second triangle whose lowest corner lies
// at the given height: only a corner farther below than the tolerance counts.
TEST_P(Convexity, onlyCornersBeyondTheToleranceCountAsBehind) {
  const struct {
    double lowestCorner;
    bool convex;
  } cases[] = {
      {0.0, true}, {-0.0001, true}, {-0.00011, false}, {0.00011, true}, {-1.0, false},
  };
  for (const auto& c : cases) {
    Scene local;
    const auto floor = addFacing(local, {0, 0, 0}, {0, 0, 1}, {1, 0, 0});
    const auto other = addFacing(local, {5, c.lowestCorner, 5}, {0, 1, 1}, {0, 1, 0});  // x = 5 facing -x
    ScratchDir localDir;
    EXPECT_EQ(builderOn(local, localDir).isConvex(indices({floor, other})), c.convex) << c.lowestCorner;
  }
}

TEST_P(Convexity, degenerateTriangleHasEverythingOnItsPlane) {
  const auto floor = addFacing(scene, {0, 0, 0}, {0, 0, 1}, {1, 0, 0});
  const auto line = addFacing(scene, {-3, 1, -3}, {1, 1, 1}, {2, 2, 2});  // collinear, zero normal
  EXPECT_TRUE(convex(indices({line, floor})));
}

// X: the floor y = 0 facing up. Y: the wall x = 0 facing +x. Z: a triangle
// above the floor with one corner at x = -1, behind Y's plane.
//
//        Z
//   .----+----.      y = 1..2
//   |    Y    |
//   |    | X  |      X: x in 0.5..1.5, y = 0
//   -----+-----
//       x = 0
//
// Every corner of Y and Z is on or in front of X's plane, and X's own
// corners are in front of Y's plane, so a test that checked each vertex
// against one plane only would call X, Y, Z convex. Z's corner behind Y's
// plane makes it non-convex in every order.
TEST_P(Convexity, cornerBehindTheSecondPlaneCountsInEveryOrder) {
  const auto x = addFacing(scene, {0.5, 0, 0.5}, {0, 0, 1}, {1, 0, 0});
  const auto y = addFacing(scene, {0, 0, 0}, {0, 1, 0}, {0, 0, 1});
  const auto z = addFacing(scene, {-1, 1, 3}, {1, 1, 0}, {2, 0, 0});  // z = 3 facing -z
  ASSERT_EQ(scene.triangle(y).classifyPoint({-1, 1, 3}), PointSide::Behind);
  std::vector<std::uint32_t> order = indices({x, y, z});
  std::sort(order.begin(), order.end());
  int orders = 0;
  do {
    EXPECT_FALSE(convex(order)) << order[0] << " " << order[1] << " " << order[2];
    ++orders;
  } while (std::next_permutation(order.begin(), order.end()));
  EXPECT_EQ(orders, 6);
}

// A vertex shared by several triangles is tested against every plane, not
// only the first it turns up in: the corner (0, 0, 0) that A and B share is
// the only one behind C's plane x + y + z = 0.5, and C comes last.
TEST_P(Convexity, sharedVertexIsTestedAgainstEveryPlane) {
  scene.addNormal({0, 0, 1});
  const auto shared = scene.addVertex({0, 0, 0});
  const auto a1 = scene.addVertex({0, 0, 1});
  const auto a2 = scene.addVertex({1, 0, 0});
  const auto b1 = scene.addVertex({0, 1, 0});
  const auto a = scene.addTriangle(shared, a1, a2, 0, 0, 0);  // floor y = 0, facing up
  const auto b = scene.addTriangle(shared, b1, a1, 0, 0, 0);  // wall x = 0, facing +x
  const auto c = testing_support::addCorners(scene, {0.5, 0, 0}, {0, 0.5, 0}, {0, 0, 0.5});
  EXPECT_TRUE(convex(indices({a, b})));
  EXPECT_FALSE(convex(indices({a, b, c})));
  EXPECT_FALSE(convex(indices({b, a, c})));
}

TEST_P(Convexity, roomWithInwardFacesIsConvexAndInsideOutIsNot) {
  Layout oneRoom;
  oneRoom.rooms = {{{0, 0, 0}, {4, 3, 5}}};
  oneRoom.cuts = {{{0, 2, 4}, {0, 3}, {0, 5}}};
  appendToScene(layoutMesh(oneRoom), scene);
  EXPECT_TRUE(convex(scene.allTriangleIndices()));

  // The same faces with their corners reversed face outwards.
  Scene outside;
  const Mesh room = layoutMesh(oneRoom);
  Mesh reversed = room;
  for (Mesh::Face& face : reversed.faces) std::swap(face.positions[1], face.positions[2]);
  appendToScene(reversed, outside);
  ScratchDir otherDir;
  EXPECT_FALSE(builderOn(outside, otherDir).isConvex(outside.allTriangleIndices()));
}

TEST_P(Convexity, roomsJoinedByACorridorAreNotConvex) {
  RoomsParams twoRooms;
  twoRooms.rows = 1;
  twoRooms.cols = 2;
  const Layout layout = roomsAndCorridors(twoRooms);
  appendToScene(layoutMesh(layout), scene);
  EXPECT_FALSE(convex(scene.allTriangleIndices()));

  // One room with a doorway but no corridor behind it stays convex: the wall
  // pieces around the doorway are coplanar.
  Layout doorOnly = layout;
  doorOnly.rooms.resize(1);
  Scene single;
  Mesh mesh = layoutMesh(doorOnly);
  // Drop the corridor's own faces: keep only those of the room's box.
  const Box& room = doorOnly.rooms[0];
  std::erase_if(mesh.faces, [&](const Mesh::Face& face) {
    for (const std::int32_t p : face.positions) {
      if (mesh.positions[static_cast<std::size_t>(p)].x > room.max.x) return true;
    }
    return false;
  });
  appendToScene(mesh, single);
  ScratchDir otherDir;
  EXPECT_TRUE(builderOn(single, otherDir).isConvex(single.allTriangleIndices()));
}

INSTANTIATE_TEST_SUITE_P(Builds, Convexity, ::testing::Values(BuildStrategy::Fast, BuildStrategy::Straightforward),
                         testing_support::strategyName);

}  // namespace
}  // namespace pw
