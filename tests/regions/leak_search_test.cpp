// The leak search on levels whose answer is known: closed levels keep every
// room inside, from every room; a hole leads out, and the trail to it ends
// beyond the level.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "cells/polygon_difference.h"
#include "compile/level_compiler.h"
#include "regions/leak_search.h"
#include "scene/scene.h"
#include "tests/helpers/compiled_mesh.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

struct Built {
  Scene scene;
  std::unique_ptr<CompiledTree> level;
  LeakGraph regions;

  LeakTrail trailFrom(const Point3& inside) const {
    return findLeakTrail(scene, *level->root, regions, inside);
  }
};

std::unique_ptr<Built> build(const Mesh& mesh) {
  auto built = std::make_unique<Built>();
  built->level = testing_support::compileMesh(built->scene, mesh);
  built->regions = findLeakGraph(built->scene, *built->level->root,
                                    computeCellFaces(built->scene, *built->level->root));
  return built;
}

Point3 centreOf(const Bounds& box) { return 0.5 * (box.min + box.max); }

// On the faces of the box the cells fill: beyond every vertex of the level.
bool onBounds(const Bounds& bounds, const Point3& p) {
  const double off[] = {p.x - bounds.min.x, bounds.max.x - p.x, p.y - bounds.min.y,
                        bounds.max.y - p.y, p.z - bounds.min.z, bounds.max.z - p.z};
  return std::any_of(std::begin(off), std::end(off), [](double d) { return std::abs(d) <= kPlaneTolerance; });
}

// Every room of a closed level, T-junctions and pillars through floors
// included, is sealed; with a share of its walls and ceilings left out, every
// room leaks (the corridors join them), and the trail runs from the room to
// the bounds.
TEST(LeakSearch, closedLevelsKeepEveryRoomInsideAndHolesLeadOut) {
  OpenLevelParams seams;
  seams.rooms = {.rows = 3, .cols = 3, .subdivision = 2, .seed = 7};
  seams.seams = true;
  seams.pillars = true;
  OpenLevelParams holes;
  holes.rooms = roomsForSize(4000);
  holes.holes = 0.15;
  const Layout rooms = roomsAndCorridors(roomsForSize(4000));
  const struct {
    const char* name;
    Layout layout;
    Mesh mesh;
    bool leaks;
  } cases[] = {
      {"rooms", rooms, layoutMesh(rooms), false},
      {"sample", sampleLayout(), layoutMesh(sampleLayout()), false},
      {"seams", openLayout(seams), openLevel(seams), false},
      {"holes", openLayout(holes), openLevel(holes), true},
  };
  for (const auto& c : cases) {
    const auto built = build(c.mesh);
    for (const Bounds& room : roomInteriors(c.layout, 0.2)) {
      const Point3 inside = centreOf(room);
      const LeakTrail trail = built->trailFrom(inside);
      ASSERT_EQ(trail.leaks(), c.leaks) << c.name << ": from " << inside.x << ' ' << inside.z;
      if (!c.leaks) continue;
      EXPECT_TRUE(samePoint(trail.path.front(), inside));
      EXPECT_TRUE(onBounds(built->regions.bounds, trail.path.back())) << c.name;
      EXPECT_EQ(trail.passages + 2, trail.path.size());
    }
  }
}

// A closed level turned about an oblique axis and moved away from the
// origin still keeps every room inside, and no region reaches past a wall.
// Each pose is one that leaked: rounding tilts the planes of one wall apart,
// and a region lost the side it had on a plane nearly parallel to a cut and
// reached out of its cell ("hull"), a wall lay within the tolerance of a
// Space's plane but not of the cell face beside it ("coincident"), a wedge
// between two such planes let the way out in at its thin end ("wedge"), a
// floor triangle lay beyond the tolerance of the cell face it covers, taken
// from a triangle five units off ("farFromItsPlane"), a wall's triangles
// lay in a Space a sliver thin between two of its planes ("inAThinSpace"),
// or a wall cut into pieces thinner than a sliver was not taken away
// ("thinSplitWall", and "aThousandOut", where 32-bit steps are 1/16384).
struct Pose {
  const char* name;
  RoomsParams rooms;
  Placement placement;
};

void PrintTo(const Pose& pose, std::ostream* out) { *out << pose.name; }

class TurnedClosedLevel : public ::testing::TestWithParam<Pose> {};

TEST_P(TurnedClosedLevel, keepsEveryRoomInsideAndEveryWallOutsideTheRegions) {
  const Pose& pose = GetParam();
  OpenLevelParams params;
  params.rooms = pose.rooms;
  const auto built = build(placed(openLevel(params), pose.placement));
  // Every triangle's centre lies outside each region or on its boundary.
  std::size_t wallsInside = 0;
  for (std::int32_t t = 0; t < built->scene.triangleCount(); ++t) {
    const auto corners = built->scene.corners(t);
    const Point3 centre = (1.0 / 3.0) * (corners[0] + corners[1] + corners[2]);
    for (const EmptyRegion& region : built->regions.regions) wallsInside += region.depthOf(centre) > kSliverWidth;
  }
  EXPECT_EQ(wallsInside, 0u);
  for (const Bounds& room : roomInteriors(openLayout(params), 0.2)) {
    const Point3 inside = placedPoint(centreOf(room), pose.placement);
    EXPECT_FALSE(built->trailFrom(inside).leaks()) << "from the room around " << centreOf(room).x << ' '
                                                   << centreOf(room).z;
  }
}

constexpr Point3 kShift{100, 37, -61};
constexpr Point3 kFar{700, 259, -427};

INSTANTIATE_TEST_SUITE_P(
    LeakSearch, TurnedClosedLevel,
    ::testing::Values(Pose{"hull", {4, 4, 1, 1}, {{-0.06, 0.457, -0.392}, 319.43, kShift}},
                      Pose{"coincident", {4, 4, 1, 3}, {{0.96, 0.86, -0.21}, 104, kShift}},
                      Pose{"wedge", {3, 3, 2, 3}, {{-0.47, -0.70, 0.37}, 294, kShift}},
                      Pose{"farFromItsPlane",
                           {2, 2, 1, 1},
                           {{0.3542516536005407, 0.5698227121742216, 0.04093231440616307}, 184.13701289757364,
                            {400, 148, -244}}},
                      Pose{"inAThinSpace", {2, 2, 1, 1}, {{0.912069, 0.895655, -0.886897}, 30.553918, kFar}},
                      Pose{"thinSplitWall", {2, 2, 1, 1}, {{-0.546588, 0.924590, -0.747338}, 253.734092, kFar}},
                      Pose{"aThousandOut", {2, 2, 1, 1}, {{-0.546588, 0.924590, -0.747338}, 253.734092, 1.4 * kFar}}),
    [](const ::testing::TestParamInfo<Pose>& param) { return std::string(param.param.name); });

// The same turn and shift keep real holes: every room of a holed level
// still leaks, out to the bounds.
TEST(LeakSearch, aTurnedLevelWithHolesStillLeaks) {
  OpenLevelParams params;
  params.rooms = {.rows = 2, .cols = 2, .subdivision = 1, .seed = 3};
  params.holes = 0.15;
  const Placement placement{{-0.47, -0.70, 0.37}, 294, kShift};
  const auto built = build(placed(openLevel(params), placement));
  for (const Bounds& room : roomInteriors(openLayout(params), 0.2)) {
    const LeakTrail trail = built->trailFrom(placedPoint(centreOf(room), placement));
    ASSERT_TRUE(trail.leaks());
    EXPECT_TRUE(onBounds(built->regions.bounds, trail.path.back()));
  }
}

}  // namespace
}  // namespace pw
