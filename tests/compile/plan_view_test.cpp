#include "compile/plan_view.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

#include "bsp/bsp_node.h"
#include "compile/build_level.h"
#include "portal/portal.h"
#include "scene/scene.h"
#include "tests/helpers/scratch_dir.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The sample and a generated level with holes, sliced at the eye's height:
// the picture is well-formed XML; it has a polygon for exactly the Spaces a
// grid of points on the slice lies in, a group for each designed fragment
// pair and each open link with a triangle across the slice, and rings or
// lines for the holes' rims.
TEST(PlanView, showsTheCellsAndPassagesTheSliceCrosses) {
  for (const bool sample : {true, false}) {
    const testing_support::ScratchDir dir;
    if (!sample) {
      OpenLevelParams params;
      params.holes = 0.3;
      std::ofstream obj(dir.file("level.obj"));
      writeObj(obj, openLevel(params));
    }
    Scene scene;
    LevelRequest options;
    options.compile.levelPath = sample ? std::filesystem::path(PORTALWALK_LEVELS_DIR) / "folyosos.obj" : dir.file("level.obj");
    options.compile.outputDir = dir.path();
    options.links = PhaseWanted::Always;
    BuiltLevel level = buildLevel(scene, options);
    const PlanSlice slice{0.2, {-1.6, 0.2, 0.4}, 0.0, 30.0, {}};
    std::string error;
    ASSERT_TRUE(writePlanSvg(dir.file("plan.svg"), scene, level, slice, error)) << error;
    ASSERT_EQ(std::system(("xmllint --noout '" + dir.file("plan.svg").string() + "'").c_str()), 0);
    const std::string svg = testing_support::readFile(dir.file("plan.svg"));

    const Bounds& box = level.cells.bounds;
    std::set<std::uint64_t> located;
    for (double x = box.min.x + 0.05; x < box.max.x; x += 0.1) {
      for (double z = box.min.z + 0.05; z < box.max.z; z += 0.1) {
        located.insert(locateSpace(scene, *level.compiled->root, {x, slice.height, z}).number);
      }
    }
    EXPECT_EQ(countOf(svg, "<polygon class=\"cell\""), located.size());
    for (const std::uint64_t n : located) EXPECT_EQ(countOf(svg, "<title>Space " + std::to_string(n) + ":"), 1u);

    const auto across = [&](const auto& corners) {
      bool below = false, above = false;
      for (const Point3& p : corners) (p.y < slice.height ? below : above) = true;
      return below && above;
    };
    std::size_t portals = 0, links = 0;
    for (const BspNode* space : collectSpaces(*level.compiled->root)) {
      for (const Portal* f : space->portals) {
        if (f->target()->number < space->number) continue;
        bool crosses = false;
        for (const PortalTriangle& t : f->triangles()) crosses = crosses || across(t.vertices);
        portals += crosses;
      }
    }
    for (const OpenLink& link : level.links.links) {
      bool crosses = false;
      for (const FlatTriangle& t : link.triangles) crosses = crosses || across(t);
      links += crosses;
    }
    EXPECT_EQ(countOf(svg, "<g class=\"portal\">"), portals);
    EXPECT_EQ(countOf(svg, "<g class=\"link\">"), links);
    // The legend holds one open-edge line.
    EXPECT_EQ(countOf(svg, "class=\"open-edge\"") > 1, !sample);
  }
}

}  // namespace
}  // namespace pw
