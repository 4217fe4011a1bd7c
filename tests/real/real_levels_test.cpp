// Real game levels, imported from the OpenArena maps by tools/real-levels.sh:
// T-junctions, non-manifold edges, holes where the sky was left out, curved
// patches, thin trims. On each map of a subset spanning the sizes, at every
// player start and at random poses in open space:
// - no culling mode, with or without visible sets, leaves out a Space that a
//   pixel shows (a CPU ray caster gives the Spaces);
// - portalbuild's fast build on 1 and 2 threads writes the straightforward
//   build's logs byte for byte (on the larger maps, 2 threads the 1 thread's);
// - the leak check from the first start finds the leak through the sky;
// - the plan view, the PRT file and the portals OBJ are written and valid.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cells/visible_sets.h"
#include "compile/build_level.h"
#include "culling/choose_spaces.h"
#include "culling/region_traversal.h"
#include "regions/region_sets.h"
#include "culling/space_traversal.h"
#include "culling/view_matrix.h"
#include "scene/scene.h"
#include "tests/helpers/first_hits.h"
#include "tests/helpers/real_levels_dir.h"
#include "tests/helpers/scratch_dir.h"
#include "tools/random_pose.h"

namespace pw {
namespace {

using testing_support::describe;
using testing_support::FirstHits;
using testing_support::hiddenSpace;
using testing_support::ProgramRun;
using testing_support::readFile;
using testing_support::runProgram;
using testing_support::ScratchDir;

struct RealMap {
  const char* name;
  std::size_t triangles;  // as imported, to notice a corpus that changed
  // Whether the visible sets are checked too (sealed, portal flow for up to
  // 10 s).
  bool sets;
};

// From 1.5k to 11k triangles, three with curved patches; the whole corpus
// is the benchmark's.
constexpr RealMap kMaps[] = {
    {"oa_bases3cl", 1542, true}, {"q3dm6ish", 2433, true}, {"ps37ctf", 2658, true}, {"ctf_gate1", 2849, true},
    {"oa_dm4", 4089, true},      {"dm6ish", 5931, false},  {"oa_dm3", 9913, false}, {"kaos2", 11368, false},
};

// The largest map checked against the straightforward build.
constexpr std::size_t kStraightforwardTriangles = 6000;

std::filesystem::path corpusDir() { return testing_support::realLevelsDir(); }

// A map's level file; the test fails (never skips) when the corpus is not
// there, so a run without it cannot pass as a run with it.
std::filesystem::path levelOf(const RealMap& map) {
  const std::filesystem::path obj = corpusDir() / (std::string(map.name) + ".obj");
  EXPECT_TRUE(std::filesystem::exists(obj)) << obj << " is missing: run tools/real-levels.sh first";
  return obj;
}

std::vector<Camera> startPoses(const RealMap& map) {
  return readStartPoses(corpusDir() / (std::string(map.name) + ".starts"));
}

// The nearest triangle along a ray, if any, and whether it faces the ray's
// origin.
struct RayHit {
  bool hit = false;
  bool front = false;
};

RayHit castRay(const Scene& scene, const Point3& from, const Point3& dir) {
  RayHit nearest;
  double best = std::numeric_limits<double>::infinity();
  for (std::int32_t i = 0; i < scene.triangleCount(); ++i) {
    const auto crossing = testing_support::rayCrossing(scene, i, from, dir, 0.0);
    if (!crossing || crossing->t <= 0.0 || crossing->t >= best) continue;
    best = crossing->t;
    nearest = {true, crossing->front};
  }
  return nearest;
}

// Poses a few units from the starts where no axis ray meets the back of a
// wall first (the eye is not inside solid) and at least four meet a wall
// (it is not out in the void): open space a player could see.
std::vector<Camera> openSpacePoses(const Scene& scene, const std::vector<Camera>& starts, int count) {
  std::mt19937 random(29);
  std::uniform_real_distribution<double> offset(-3.0, 3.0), angle(0.0, 360.0), pitch(-30.0, 30.0);
  const Point3 axes[] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  std::vector<Camera> poses;
  for (int attempt = 0; attempt < 40 * count && static_cast<int>(poses.size()) < count; ++attempt) {
    Camera camera = starts[static_cast<std::size_t>(attempt) % starts.size()];
    camera.tx -= static_cast<float>(offset(random));
    camera.ty -= static_cast<float>(offset(random) / 3.0);
    camera.tz -= static_cast<float>(offset(random));
    camera.yaw = static_cast<float>(angle(random));
    camera.pitch = static_cast<float>(pitch(random));
    int walls = 0;
    bool inSolid = false;
    for (const Point3& axis : axes) {
      const RayHit hit = castRay(scene, camera.eye(), axis);
      walls += hit.hit;
      inSolid = inSolid || (hit.hit && !hit.front);
    }
    if (!inSolid && walls >= 4) poses.push_back(camera);
  }
  return poses;
}

class RealLevel : public ::testing::TestWithParam<RealMap> {};

TEST_P(RealLevel, noCullingHidesASpaceAPixelShows) {
  const RealMap& map = GetParam();
  const ScratchDir dir;
  Scene scene;
  LevelRequest options;
  options.compile.levelPath = levelOf(map);
  options.compile.build.writeLogs = false;
  options.links = PhaseWanted::Always;
  options.sightRegions = true;
  BuiltLevel level = buildLevel(scene, options);
  ASSERT_EQ(level.compiled->load.trianglesAdded, map.triangles);
  const BspNode& root = *level.compiled->root;
  const bool closed = level.openness.designHolds();
  const Culling automatic = closed ? Culling::Designed : Culling::Sound;
  std::optional<VisibleSets> sets;
  SetsReport setsReport;
  // The maps leak (their sky was left out), so only sealed sets restrict;
  // at these poses nothing a pixel shows lies beyond the sky.
  SetsRequest sealedFull;
  sealedFull.sealed = true;
  sealedFull.full = true;
  sealedFull.fullSeconds = 10.0;
  if (map.sets) sets = findVisibleSets(level.sight, levelBounds(scene), sealedFull, setsReport);
  const VisibleSets* vis = sets ? &*sets : nullptr;

  std::vector<Camera> poses = startPoses(map);
  ASSERT_FALSE(poses.empty()) << map.name << " has no player start";
  const std::vector<Camera> open = openSpacePoses(scene, poses, 6);
  EXPECT_EQ(open.size(), 6U) << map.name << ": too few poses in open space";
  poses.insert(poses.end(), open.begin(), open.end());
  const FirstHits hits(scene, root);
  for (const Camera& camera : poses) {
    const ViewPyramid view(camera, viewMatrix(camera));
    const auto pixels = hits.cast(camera, 40, 30);
    const struct {
      const char* mode;
      std::vector<const BspNode*> drawn;
    } frames[] = {
        {"auto", chooseSpaces(automatic, scene, root, view, {.links = &level.links})},
        {"sound", soundSpaces(scene, root, view, level.links)},
        {"narrow", narrowedSpaces(scene, root, view, level.sight)},
        {"auto + vis", chooseSpaces(automatic, scene, root, view, {.links = &level.links, .vis = vis})},
        {"sound + vis", soundSpaces(scene, root, view, level.links, vis)},
        {"narrow + vis", narrowedSpaces(scene, root, view, level.sight, vis)},
    };
    for (const auto& frame : frames) {
      const std::uint64_t hidden = hiddenSpace(pixels, frame.drawn);
      EXPECT_EQ(hidden, 0U) << map.name << " (" << frame.mode << "): a pixel shows Space " << hidden
                            << ", which is not drawn, at " << describe(camera);
    }
  }
}

// Runs portalbuild with `arguments` in `dir`.
ProgramRun portalbuild(const ScratchDir& dir, const std::string& arguments) {
  return runProgram(dir, std::string("'") + PORTALBUILD_PATH + "' " + arguments);
}

// A PRT1 file whose counts match its lines and whose portals name cells
// that exist and have their corners in parentheses.
::testing::AssertionResult validPrt(const std::string& text) {
  std::istringstream in(text);
  std::string magic;
  std::size_t cells = 0, portals = 0;
  if (!(in >> magic >> cells >> portals) || magic != "PRT1") return ::testing::AssertionFailure() << "no PRT1 header";
  std::string line;
  std::getline(in, line);
  std::size_t read = 0;
  for (; std::getline(in, line); ++read) {
    std::istringstream fields(line);
    std::size_t corners = 0, front = 0, back = 0;
    if (!(fields >> corners >> front >> back) || corners < 3 || front >= cells || back >= cells ||
        static_cast<std::size_t>(std::count(line.begin(), line.end(), '(')) != corners) {
      return ::testing::AssertionFailure() << "portal line " << read + 1 << ": " << line;
    }
  }
  if (read != portals) return ::testing::AssertionFailure() << read << " portal lines, header says " << portals;
  return ::testing::AssertionSuccess();
}

// An OBJ file of portals: one group each, every face corner a vertex
// written before it.
::testing::AssertionResult validPortalsObj(const std::string& text) {
  std::istringstream in(text);
  std::size_t vertices = 0, groups = 0, faces = 0;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string keyword;
    fields >> keyword;
    vertices += keyword == "v";
    groups += keyword == "g";
    if (keyword != "f") continue;
    ++faces;
    for (std::size_t corner; fields >> corner;) {
      if (corner == 0 || corner > vertices) return ::testing::AssertionFailure() << "face corner " << corner;
    }
  }
  if (groups == 0 || groups != faces) return ::testing::AssertionFailure() << groups << " groups, " << faces << " faces";
  return ::testing::AssertionSuccess();
}

TEST_P(RealLevel, compilesTheSameEverywayAndWritesItsFiles) {
  const RealMap& map = GetParam();
  const ScratchDir dir;
  std::ostringstream quoted;
  quoted << '\'' << levelOf(map).string() << '\'';
  const std::string level = quoted.str();
  const std::vector<Camera> starts = startPoses(map);
  ASSERT_FALSE(starts.empty());
  const Point3 inside = starts.front().eye();
  std::ostringstream leakCheck;
  leakCheck.precision(9);
  leakCheck << " --inside " << inside.x << ' ' << inside.y << ' ' << inside.z << " --leak trail.pts --leak-exit-code";

  // The maps leak where the sky was left out.
  // The straightforward analysis is the reference where it takes seconds;
  // on the larger maps (a minute and more under the sanitizers) the fast
  // build on one thread stands in, against two threads.
  const bool straightforward = map.triangles <= kStraightforwardTriangles;
  const ProgramRun reference =
      portalbuild(dir, level + (straightforward ? " --straightforward" : " --threads 1") +
                           " -o reference --svg plan.svg --prt cells.prt --portals-obj portals.obj" + leakCheck.str());
  EXPECT_EQ(reference.exitCode, 3) << reference.err;
  // Through passages, or straight up when the start stands under the sky.
  EXPECT_TRUE(reference.out.find("leak:         the inside reaches the outside through") != std::string::npos ||
              reference.out.find("leak:         no wall encloses the inside point") != std::string::npos)
      << reference.out;
  EXPECT_FALSE(readFile(dir.file("trail.pts")).empty());
  EXPECT_TRUE(validPrt(readFile(dir.file("cells.prt"))));
  EXPECT_TRUE(validPortalsObj(readFile(dir.file("portals.obj"))));
  std::ostringstream xmllint;
  xmllint << "xmllint --noout '" << dir.file("plan.svg").string() << "'";
  EXPECT_EQ(std::system(xmllint.str().c_str()), 0);

  for (const char* threads : {"1", "2"}) {
    if (!straightforward && std::string(threads) == "1") continue;
    const ProgramRun fast = portalbuild(dir, level + " --threads " + threads + " -o fast" + threads);
    ASSERT_EQ(fast.exitCode, 0) << fast.err;
    for (const char* log : kBuildLogNames) {
      EXPECT_TRUE(readFile(dir.file("reference") / log) == readFile(dir.file(std::string("fast") + threads) / log))
          << map.name << ": " << log << " differs on " << threads << " threads";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, RealLevel, ::testing::ValuesIn(kMaps),
                         [](const ::testing::TestParamInfo<RealMap>& map) { return std::string(map.param.name); });

}  // namespace
}  // namespace pw
