// Plane groups: candidates that classify every point alike share one group
// and one count.
#include "bsp/plane_groups.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "bsp_test_support.h"
#include "scene/scene.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

using testing_support::addCorners;
using testing_support::indices;

// Floors y = 0 seen from above, corners counter-clockwise seen from +y:
// (x, 0, z), (x, 0, z + 1), (x + 1, 0, z). Mirrored (facing down) with the
// last two swapped.
std::int32_t floorUp(Scene& scene, double x, double z, double y = 0) {
  return addCorners(scene, {x, y, z}, {x, y, z + 1}, {x + 1, y, z});
}
std::int32_t floorDown(Scene& scene, double x, double z, double y = 0) {
  return addCorners(scene, {x, y, z}, {x + 1, y, z}, {x, y, z + 1});
}

TEST(PlaneGroups, facesOfOnePlaneShareAGroupWhateverTheirAnchorAlongIt) {
  Scene scene;
  const auto a = floorUp(scene, 0, 0);
  const auto b = floorUp(scene, 5, -3);
  const auto down = floorDown(scene, 2, 2);
  const auto higher = floorUp(scene, 0, 0, 1);
  const auto c = floorUp(scene, -7.5, 40);
  const PlaneGroups groups = groupByPlane(scene, indices({a, b, down, higher, c}));
  ASSERT_EQ(groups.groups.size(), 3u);
  EXPECT_EQ(groups.groupOf, (std::vector<std::uint32_t>{0, 0, 1, 2, 0}));
  EXPECT_EQ(groups.groups[0].first, 0u);
  EXPECT_EQ(groups.groups[0].size, 3u);
  EXPECT_EQ(groups.groups[1].first, 2u);
  EXPECT_EQ(groups.groups[2].first, 3u);
  EXPECT_EQ(groups.groups[2].size, 1u);
  EXPECT_FALSE(groups.counted);
}

// The zero components of an axis-aligned normal come out as +0 or -0 from
// the cross product, depending on the corners' order. The anchor's
// coordinates on those axes do not matter to the key, whatever the zero's
// sign; the normal's bits do (a -0 and a +0 normal are two groups, which is
// only cautious: their counts are the same).
TEST(PlaneGroups, signedZeroNormalComponentsIgnoreTheAnchorOnTheirAxis) {
  Scene scene;
  // Up-facing floors: x component e1.y e2.z - e1.z e2.y = 0 e2.z - e1.z 0,
  // which is -0 when e2.z < 0 and e1.z is +0, and +0 otherwise.
  const auto p = addCorners(scene, {0, 0, 0}, {0, 0, 1}, {1, 0, 0});     // (+0, 1, +0)
  const auto q = addCorners(scene, {3, 0, 1}, {4, 0, 1}, {3, 0, 0});     // (-0, 1, +0)
  const auto r = addCorners(scene, {9, 0, 9}, {9, 0, 10}, {10, 0, 9});   // (+0, 1, +0)
  const auto s = addCorners(scene, {-5, 0, 8}, {-4, 0, 8}, {-5, 0, 7});  // (-0, 1, +0)
  const Point3& np = scene.triangle(p).planeNormal();
  const Point3& nq = scene.triangle(q).planeNormal();
  ASSERT_EQ(np.y, 1.0);
  ASSERT_EQ(nq.y, 1.0);
  ASSERT_FALSE(std::signbit(np.x));
  ASSERT_TRUE(std::signbit(nq.x));
  const PlaneGroups groups = groupByPlane(scene, indices({p, q, r, s}));
  // Anchors apart along x and z, on both signs of zero.
  EXPECT_EQ(groups.groupOf, (std::vector<std::uint32_t>{0, 1, 0, 1}));
}

TEST(PlaneGroups, obliquePlanesGroupOnlyWithIdenticalAnchors) {
  Scene scene;
  const auto a = addCorners(scene, {0, 0, 0}, {1, 1, 0}, {0, 0, 1});
  const auto b = addCorners(scene, {2, 2, 0}, {3, 3, 0}, {2, 2, 1});  // the same plane x = y
  const auto c = addCorners(scene, {0, 0, 0}, {1, 1, 4}, {0, 0, 1});  // same anchor, same normal bits
  const PlaneGroups groups = groupByPlane(scene, indices({a, b, c, a}));
  EXPECT_EQ(groups.groupOf, (std::vector<std::uint32_t>{0, 1, 0, 0}));
  EXPECT_EQ(groups.groups[0].size, 3u);
}

// A corner so large that a difference could overflow: only bit-identical
// planes share a group then.
TEST(PlaneGroups, untameCoordinatesKeepTheWholeAnchorInTheKey) {
  Scene scene;
  const auto a = floorUp(scene, 0, 0);
  const auto b = floorUp(scene, 5, -3);
  const auto huge = addCorners(scene, {1e305, 7, 0}, {1e305, 8, 0}, {1e305, 7, 1});
  EXPECT_EQ(groupByPlane(scene, indices({a, b})).groups.size(), 1u);
  EXPECT_EQ(groupByPlane(scene, indices({a, b, huge})).groups.size(), 3u);
}

TEST(PlaneGroups, emptyList) {
  Scene scene;
  const PlaneGroups groups = groupByPlane(scene, {});
  EXPECT_TRUE(groups.groups.empty());
  EXPECT_TRUE(groups.groupOf.empty());
}

// On generated levels, as generated and turned: the members of a group get
// the same counts from the straightforward classification.
TEST(PlaneGroups, membersOfAGroupHaveEqualStraightforwardCounts) {
  const struct {
    Mesh mesh;
    bool axisAligned;
  } levels[] = {{layoutMesh(roomsAndCorridors({2, 2, 2, 9})), true},
                {testing_support::moved(layoutMesh(roomsAndCorridors({})), 0.5, 0.0, {1, 2, 3}), false}};
  for (const auto& [mesh, axisAligned] : levels) {
    Scene scene;
    appendToScene(mesh, scene);
    const std::vector<std::uint32_t> list = scene.allTriangleIndices();
    const PlaneGroups groups = groupByPlane(scene, list);
    std::vector<std::array<int, 6>> sidesOfGroup(groups.groups.size());
    std::vector<bool> seen(groups.groups.size(), false);
    for (std::size_t e = 0; e < list.size(); ++e) {
      std::array<int, 6> sides{};
      const Triangle& plane = scene.triangle(static_cast<std::int32_t>(list[e]));
      for (const std::uint32_t other : list) {
        ++sides[static_cast<std::size_t>(plane.classifyTriangle(scene.triangle(static_cast<std::int32_t>(other))))];
      }
      const std::uint32_t g = groups.groupOf[e];
      if (!seen[g]) {
        seen[g] = true;
        sidesOfGroup[g] = sides;
      }
      EXPECT_EQ(sides, sidesOfGroup[g]) << "entry " << e;
    }
    if (axisAligned) {
      EXPECT_LT(groups.groups.size() * 10, list.size()) << "axis-aligned rooms have few planes";
    }
  }
}

}  // namespace
}  // namespace pw
