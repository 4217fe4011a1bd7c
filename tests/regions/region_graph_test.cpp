// The leak and sight graphs of small levels whose regions can be counted by
// hand: a room with a doorway into an alcove, a room with a wall folded by a
// hair, and two rooms stacked on one floor.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "bsp/bsp_node.h"
#include "cells/cell_faces.h"
#include "compile/level_compiler.h"
#include "regions/leak_graph.h"
#include "regions/leak_search.h"
#include "regions/sight_graph.h"
#include "scene/scene.h"
#include "tests/helpers/compiled_mesh.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

// Adds the planar convex polygon `corners` as a fan from its first corner,
// wound so that its normal is `inward` (the side the room is on).
void addFace(Mesh& mesh, std::vector<Point3> corners, const Point3& inward) {
  if (dot(cross(corners[1] - corners[0], corners[2] - corners[0]), inward) < 0.0) {
    std::reverse(corners.begin() + 1, corners.end());
  }
  const auto normal = static_cast<std::int32_t>(mesh.normals.size());
  mesh.normals.push_back(inward);
  const auto first = static_cast<std::int32_t>(mesh.positions.size());
  mesh.positions.insert(mesh.positions.end(), corners.begin(), corners.end());
  for (std::int32_t k = 1; k + 1 < static_cast<std::int32_t>(corners.size()); ++k) {
    mesh.faces.push_back({{first, first + k, first + k + 1}, {normal, normal, normal}});
  }
}

constexpr Point3 kUp{0, 1, 0};
constexpr Point3 kDown{0, -1, 0};
constexpr Point3 kEast{1, 0, 0};
constexpr Point3 kWest{-1, 0, 0};
constexpr Point3 kNorth{0, 0, 1};
constexpr Point3 kSouth{0, 0, -1};

// Room A = [0,2]^3 and, through a doorway in its wall x = 2 (y 0..1,
// z 0.5..1.5), alcove B = [2,4] x [0,1] x [0.5,1.5]; every face looks in.
// Seen from above (y up, out of the page):
//
//   z=2 +-------+
//       |       |
//   1.5 |   A   +-------+
//       |        door B |
//   0.5 |       +-------+
//       |       |
//   z=0 +-------+
//      x=0     x=2     x=4
//
// A's x = 2 wall is the first triangle that puts all of B behind it, so
// the tree has one cutter there and two Spaces: A (1) and B (2).
Mesh roomWithAlcove() {
  Mesh mesh;
  addFace(mesh, {{0, 0, 0}, {0, 0, 2}, {2, 0, 2}, {2, 0, 0}}, kUp);
  addFace(mesh, {{0, 2, 0}, {0, 2, 2}, {2, 2, 2}, {2, 2, 0}}, kDown);
  addFace(mesh, {{0, 0, 0}, {0, 2, 0}, {0, 2, 2}, {0, 0, 2}}, kEast);
  addFace(mesh, {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, kNorth);
  addFace(mesh, {{0, 0, 2}, {2, 0, 2}, {2, 2, 2}, {0, 2, 2}}, kSouth);
  // A's wall around the doorway, as two quads beside it and one above.
  addFace(mesh, {{2, 0, 0}, {2, 1, 0}, {2, 1, 0.5}, {2, 0, 0.5}}, kWest);
  addFace(mesh, {{2, 0, 1.5}, {2, 1, 1.5}, {2, 1, 2}, {2, 0, 2}}, kWest);
  addFace(mesh, {{2, 1, 0}, {2, 2, 0}, {2, 2, 2}, {2, 1, 2}}, kWest);
  addFace(mesh, {{2, 0, 0.5}, {4, 0, 0.5}, {4, 0, 1.5}, {2, 0, 1.5}}, kUp);
  addFace(mesh, {{2, 1, 0.5}, {4, 1, 0.5}, {4, 1, 1.5}, {2, 1, 1.5}}, kDown);
  addFace(mesh, {{4, 0, 0.5}, {4, 1, 0.5}, {4, 1, 1.5}, {4, 0, 1.5}}, kWest);
  addFace(mesh, {{2, 0, 0.5}, {4, 0, 0.5}, {4, 1, 0.5}, {2, 1, 0.5}}, kNorth);
  addFace(mesh, {{2, 0, 1.5}, {4, 0, 1.5}, {4, 1, 1.5}, {2, 1, 1.5}}, kSouth);
  return mesh;
}

struct Built {
  Scene scene;
  std::unique_ptr<CompiledTree> level;
  CellFaces cells;
  LeakGraph leak;
  SightGraph sight;
};

std::unique_ptr<Built> build(const Mesh& mesh) {
  auto built = std::make_unique<Built>();
  built->level = testing_support::compileMesh(built->scene, mesh);
  built->cells = computeCellFaces(built->scene, *built->level->root);
  built->leak = findLeakGraph(built->scene, *built->level->root, built->cells);
  built->sight = findSightGraph(built->scene, *built->level->root, built->cells);
  return built;
}

std::vector<std::size_t> regionCounts(const std::vector<std::vector<std::uint32_t>>& regionsOfSpace) {
  std::vector<std::size_t> counts;
  for (const auto& regions : regionsOfSpace) counts.push_back(regions.size());
  return counts;
}

// The counts follow from the cells: the cells' box is the level's grown by
// 1.4 on every side, cut at x = 2. Each Space's convex list cuts its cell by
// its planes in list order (floor, ceiling, then the walls), leaving a slab
// outside each plane but the last (A's x = 2 wall and B's z = 1.5 wall cut
// nothing off what is left) and the room itself: 6 regions a Space.
//
// Leak joins, where two regions meet off the walls: in each Space 3 on the
// floor plane and 3 on the ceiling plane (the slab beyond them against the
// three side slabs it touches) and 2 on the first wall plane (that slab
// against the two beyond the next walls); the room touches only walls.
// Across x = 2, 7: below the floors, above A's ceiling, A's slab beyond
// z = 0 with B's above its ceiling and beyond z = 0.5, A's slab beyond z = 2
// likewise, and the doorway between the rooms. 8 + 8 + 7 = 23.
//
// Sight passages: every pair of faces that overlap gives one each way (13
// pairs in each Space, 10 across x = 2: 36 pairs, 72 ways), less those that
// triangles facing into the first region close: from each room out through
// its own 5 walls, and from A into B's slabs above and beside the doorway
// through A's wall (3). 72 - 13 = 59.
//
// Walls: each triangle faces into its own room and lies on a face of it,
// so each is one wall (26), and no Space is drawn merely when reached.
TEST(RegionGraphs, roomWithDoorwayHasTheRegionsJoinsPassagesAndWallsCountedByHand) {
  const auto built = build(roomWithAlcove());
  ASSERT_EQ(collectSpaces(*built->level->root).size(), 2u);
  ASSERT_EQ(built->scene.triangleCount(), 26);

  EXPECT_EQ(regionCounts(built->leak.regionsOfSpace), (std::vector<std::size_t>{6, 6}));
  EXPECT_EQ(built->leak.joins.size(), 23u);
  EXPECT_EQ(regionCounts(built->sight.regionsOfSpace), (std::vector<std::size_t>{6, 6}));
  EXPECT_EQ(built->sight.sightPassages.size(), 59u);
  EXPECT_EQ(built->sight.walls.size(), 26u);
  EXPECT_EQ(built->sight.drawnWhenReached, (std::vector<bool>{false, false}));
  for (const OpenLink& wall : built->sight.walls) EXPECT_EQ(wall.from, wall.to);

  // The rooms are joined through the doorway only, both ways; a sight line
  // from A's room region reaches B's through it, and nothing leaks out.
  const Point3 inA{1, 0.5, 1};
  const Point3 inB{3, 0.5, 1};
  const auto regionAt = [&](const auto& graph, const Point3& p) {
    for (std::size_t r = 0; r < graph.regions.size(); ++r) {
      if (graph.regions[r].depthOf(p) > 0.1) return static_cast<std::uint32_t>(r);
    }
    return ~0u;
  };
  const std::uint32_t leakA = regionAt(built->leak, inA);
  const std::uint32_t leakB = regionAt(built->leak, inB);
  ASSERT_EQ(built->leak.regions[leakA].joins.size(), 1u);
  EXPECT_EQ(built->leak.regions[leakB].joins, built->leak.regions[leakA].joins);
  const RegionJoin& door = built->leak.joins[built->leak.regions[leakA].joins[0]];
  EXPECT_EQ(std::set<std::uint32_t>(std::begin(door.regions), std::end(door.regions)),
            (std::set<std::uint32_t>{leakA, leakB}));
  EXPECT_FALSE(findLeakTrail(built->scene, *built->level->root, built->leak, inA).leaks());
  const std::uint32_t sightA = regionAt(built->sight, inA);
  ASSERT_EQ(built->sight.regions[sightA].sightPassages.size(), 1u);
  EXPECT_EQ(built->sight.sightPassages[built->sight.regions[sightA].sightPassages[0]].to, regionAt(built->sight, inB));
}

// The closed box [0,2]^3 whose wall x = 0 is folded by a hair: the corner
// (0,0,2) moved to x = 0.0002, so that the wall's two triangles lie in two
// planes that part by more than the plane tolerance there. The box is still
// convex: one Space, cut by 7 planes.
Mesh boxWithFoldedWall() {
  constexpr Point3 kFolded{0.0002, 0, 2};
  Mesh mesh;
  addFace(mesh, {{0, 0, 0}, kFolded, {2, 0, 2}, {2, 0, 0}}, kUp);
  addFace(mesh, {{0, 2, 0}, {0, 2, 2}, {2, 2, 2}, {2, 2, 0}}, kDown);
  addFace(mesh, {{0, 0, 0}, {0, 2, 0}, {0, 2, 2}}, kEast);
  addFace(mesh, {{0, 0, 0}, {0, 2, 2}, kFolded}, kEast);
  addFace(mesh, {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, kNorth);
  addFace(mesh, {kFolded, {2, 0, 2}, {2, 2, 2}, {0, 2, 2}}, kSouth);
  addFace(mesh, {{2, 0, 0}, {2, 2, 0}, {2, 2, 2}, {2, 0, 2}}, kWest);
  return mesh;
}

// Closed box [0,2] x [y0,y0+2] x [0,2] with every face looking in.
void addBox(Mesh& mesh, double y0) {
  const double y1 = y0 + 2;
  addFace(mesh, {{0, y0, 0}, {0, y0, 2}, {2, y0, 2}, {2, y0, 0}}, kUp);
  addFace(mesh, {{0, y1, 0}, {0, y1, 2}, {2, y1, 2}, {2, y1, 0}}, kDown);
  addFace(mesh, {{0, y0, 0}, {0, y1, 0}, {0, y1, 2}, {0, y0, 2}}, kEast);
  addFace(mesh, {{2, y0, 0}, {2, y1, 0}, {2, y1, 2}, {2, y0, 2}}, kWest);
  addFace(mesh, {{0, y0, 0}, {2, y0, 0}, {2, y1, 0}, {0, y1, 0}}, kNorth);
  addFace(mesh, {{0, y0, 2}, {2, y0, 2}, {2, y1, 2}, {0, y1, 2}}, kSouth);
}

// Leak: the 6 planes of the box each leave a thick slab outside and the
// room inside, 7 regions; the wedge between the fold's two planes reaches
// at most 0.0002 x 3.2 / 2 across within the cells (grown by 1.2 around
// the box), thinner than a sliver, and is dropped. Sight keeps it: 8.
// Every triangle lies on a face of the room: 12 walls.
TEST(RegionGraphs, sightKeepsTheSliverBetweenTheTwoPlanesOfAFoldedWall) {
  const auto built = build(boxWithFoldedWall());
  ASSERT_EQ(collectSpaces(*built->level->root).size(), 1u);
  EXPECT_EQ(built->leak.regions.size(), 7u);
  EXPECT_EQ(built->sight.regions.size(), 8u);
  EXPECT_EQ(built->sight.walls.size(), 12u);
  EXPECT_EQ(built->sight.drawnWhenReached, std::vector<bool>{false});
}

// Two boxes stacked on the plane y = 0. The build sends a triangle lying in
// a cutter's plane to the front whichever way it faces, so one Space holds
// the upper room's floor (facing up) and the lower room's ceiling (facing
// down), and its cell lies between the rooms' cells. Each of its 4
// triangles faces into one room, and is a wall of that room's region: a
// wall of another Space, without which its Space would be drawn whenever
// reached.
TEST(RegionGraphs, aRoomKeepsTheWallsOfTheSpaceHoldingItsFloor) {
  Mesh stacked;
  addBox(stacked, 0);
  addBox(stacked, -2);
  const auto built = build(stacked);
  const std::vector<const BspNode*> spaces = collectSpaces(*built->level->root);
  ASSERT_EQ(spaces.size(), 3u);
  const auto between = std::find_if(spaces.begin(), spaces.end(), [](const BspNode* s) { return s->triangles.size() == 4; });
  ASSERT_NE(between, spaces.end());
  std::size_t foreign = 0;
  for (const OpenLink& wall : built->sight.walls) {
    if (wall.from == wall.to) continue;
    ++foreign;
    EXPECT_EQ(wall.to, *between);
    EXPECT_EQ(wall.from->triangles.size(), 10u);  // a room's Space
  }
  EXPECT_EQ(foreign, 4u);
  EXPECT_EQ(built->sight.drawnWhenReached, (std::vector<bool>{false, false, false}));
}

}  // namespace
}  // namespace pw
