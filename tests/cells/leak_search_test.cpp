// The leak search on levels whose answer is known: closed levels keep every
// room inside, from every room; a hole leads out, and the trail to it ends
// beyond the level.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#include "cells/leak_search.h"
#include "compile/level_compiler.h"
#include "scene/scene.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

struct Built {
  Scene scene;
  std::unique_ptr<CompiledLevel> level;
  EmptyRegions regions;

  LeakTrail trailFrom(const Point3& inside) const {
    return findLeakTrail(scene, *level->root, regions, inside);
  }
};

std::unique_ptr<Built> build(const Mesh& mesh) {
  auto built = std::make_unique<Built>();
  std::ostringstream obj;
  writeObj(obj, mesh);
  const std::string text = obj.str();
  CompileOptions options;
  options.levelText = text;
  options.build.writeLogs = false;
  built->level = compileLevel(built->scene, options);
  built->regions = findEmptyRegions(built->scene, *built->level->root,
                                    computeCellFaces(built->scene, *built->level->root));
  return built;
}

Point3 centreOf(const Box& box) { return 0.5 * (box.min + box.max); }

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
    for (const Box& room : roomInteriors(c.layout, 0.2)) {
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

}  // namespace
}  // namespace pw
