#include "compile/portal_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <string>
#include <utility>

#include "bsp/bsp_node.h"
#include "compile/build_level.h"
#include "scene/scene.h"
#include "tests/helpers/scratch_dir.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

using testing_support::ScratchDir;

struct Built {
  Scene scene;
  ScratchDir dir;
  BuiltLevel level;
  CellGraph graph;

  void compile(const std::filesystem::path& obj) {
    LevelRequest options;
    options.compile.levelPath = obj;
    options.compile.outputDir = dir.path();
    options.links = PhaseWanted::Always;
    level = buildLevel(scene, options);
    graph = soundCellGraph(*level.compiled->root, level.links);
  }
};

// An L-shaped room, 2 units a side and 1 high, divided by the plane z = 1 of
// the notch's wall (facing -z): cell 0 is the arm at z < 1, cell 1 the other.
// The designed portal is the neck, the unit square x, y in [0, 1] at z = 1,
// facing into cell 0. The cells' bounds are the room grown by 1 + 10 % of 2
// = 1.2 units, so their face at z = 1 is 4.4 x 3.4 = 14.96: the link out of
// cell 0 is that less the neck and the notch's wall (12.96), the link out of
// cell 1 that less the neck (13.96).
TEST(PortalFiles, lRoomGivesTheNeckAndTheLinksAroundIt) {
  Built built;
  built.compile(std::filesystem::path(PORTALWALK_TEST_DATA_DIR) / "golden" / "l_room.obj");
  std::string error;
  ASSERT_TRUE(writePrt(built.dir.file("l.prt"), built.graph, error)) << error;
  std::ifstream prt(built.dir.file("l.prt"));
  std::string line, head;
  for (int k = 0; k < 6 && std::getline(prt, line); ++k) head += line + '\n';
  EXPECT_EQ(head,
            "PRT1\n2\n35\n"
            "3 0 1 (0 0.5 1) (0 1 1) (1 1 1)\n"
            "3 0 1 (1 1 1) (0 0 1) (0 0.5 1)\n"
            "3 0 1 (0 0 1) (1 1 1) (1 0 1)\n");
  std::map<std::pair<std::uint32_t, std::uint32_t>, double> area;
  for (std::size_t n = 3; n < built.graph.portals.size(); ++n) {
    const CellPortal& p = built.graph.portals[n];
    area[{p.front, p.back}] += std::sqrt(dot(cross(p.points[1] - p.points[0], p.points[2] - p.points[0]),
                                             cross(p.points[1] - p.points[0], p.points[2] - p.points[0]))) / 2.0;
  }
  EXPECT_NEAR((area[{0, 1}]), 12.96, 1e-9);
  EXPECT_NEAR((area[{1, 0}]), 13.96, 1e-9);
}

// On closed and open generated levels every portal joins two cells in range
// and faces into its first: just in front of it lies the first cell, just
// behind it the second.
TEST(PortalFiles, everyPortalFacesIntoItsFirstCell) {
  for (const double holes : {0.0, 0.2}) {
    OpenLevelParams params;
    params.holes = holes;
    Built built;
    {
      std::ofstream obj(built.dir.file("level.obj"));
      writeObj(obj, openLevel(params));
    }
    built.compile(built.dir.file("level.obj"));
    // The open links join every cell to its neighbours through the void
    // around the level: one group, however many the designed portals make.
    EXPECT_EQ(built.level.openLevel.soundGroups, 1u) << holes;
    EXPECT_GT(built.level.openLevel.designedGroups, holes > 0.0 ? 1u : 0u) << holes;
    const BspNode& root = *built.level.compiled->root;
    ASSERT_GT(built.graph.portals.size(), 0u);
    for (const CellPortal& p : built.graph.portals) {
      ASSERT_TRUE(p.front < built.graph.cells && p.back < built.graph.cells && p.front != p.back);
      const Point3 n = cross(p.points[1] - p.points[0], p.points[2] - p.points[0]);
      const double length = std::sqrt(dot(n, n));
      if (length < 1e-6) continue;  // a sliver has no reliable normal
      const Point3 centre = (1.0 / 3.0) * (p.points[0] + p.points[1] + p.points[2]);
      const Point3 step = (1e-3 / length) * n;
      EXPECT_EQ(spaceIndex(locateSpace(built.scene, root, centre + step)), p.front) << holes;
      EXPECT_EQ(spaceIndex(locateSpace(built.scene, root, centre - 1.0 * step)), p.back) << holes;
    }
  }
}

}  // namespace
}  // namespace pw
