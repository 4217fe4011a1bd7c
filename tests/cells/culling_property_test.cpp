// The promise of the viewer's culling: no Space whose surface a pixel would
// show is left out, at random poses in the open space of generated levels,
// closed and open. A CPU ray caster gives the Spaces a frame must draw.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <set>

#include "compile/build_level.h"
#include "culling/camera.h"
#include "culling/choose_spaces.h"
#include "culling/region_traversal.h"
#include "culling/space_traversal.h"
#include "culling/view_matrix.h"
#include "culling/view_window.h"
#include "regions/region_sets.h"
#include "regions/sight_flood.h"
#include "regions/sight_graph.h"
#include "tests/helpers/first_hits.h"
#include "tests/helpers/compiled_mesh.h"
#include "tools/levelgen.h"
#include "tools/random_pose.h"

namespace pw {
namespace {

using testing_support::describe;
using testing_support::FirstHits;
using testing_support::hiddenSpace;

struct LevelCase {
  const char* name;
  Mesh mesh;
  std::vector<Bounds> rooms;  // where eyes may stand
  bool closed;
};

// A 2 x 2 grid of rooms made open one way or another.
LevelCase openCase(const char* name, double holes, bool ceilings, bool pillars, bool seams) {
  const OpenLevelParams params{.rooms = {.rows = 2, .cols = 2, .subdivision = 1, .seed = 5},
                               .holes = holes,
                               .ceilings = ceilings,
                               .pillars = pillars,
                               .seams = seams};
  return {name, openLevel(params), roomInteriors(openLayout(params), 0.2), false};
}

std::vector<LevelCase> levelCases() {
  const Layout rooms = roomsAndCorridors({.rows = 2, .cols = 2, .subdivision = 1, .seed = 5});
  const Layout sample = sampleLayout();
  return {
      {"closedRooms", layoutMesh(rooms), roomInteriors(rooms, 0.2), true},
      {"sample", layoutMesh(sample), roomInteriors(sample, 0.2), true},
      openCase("holes", 0.15, true, false, false),
      openCase("outdoor", 0.0, false, false, false),
      openCase("pillars", 0.0, true, true, false),
      openCase("seams", 0.0, true, false, true),
  };
}

struct Built {
  Scene scene;
  BuiltLevel level;
};

// What the frames need: the open links and the sight graph, and the visible
// sets when asked.
std::unique_ptr<Built> build(const Mesh& mesh, bool visibleSets) {
  auto built = std::make_unique<Built>();
  LevelRequest request;
  request.links = PhaseWanted::Always;
  request.sightRegions = true;
  request.visibleSets = visibleSets;
  built->level = testing_support::buildMesh(built->scene, mesh, request);
  return built;
}

class CullingProperty : public ::testing::TestWithParam<std::size_t> {};

TEST_P(CullingProperty, drawsEverySpaceAPixelShows) {
  const LevelCase level = levelCases()[GetParam()];
  const auto built = build(level.mesh, true);
  const BspNode& root = *built->level.compiled->root;
  EXPECT_EQ(built->level.openness.designHolds(), level.closed);
  const Culling automatic = level.closed ? Culling::Designed : Culling::Sound;
  const FirstHits hits(built->scene, root);
  const VisibleSets& vis = *built->level.visibleSets;

  std::mt19937 random(17);
  std::size_t soundDrawn = 0;
  std::size_t narrowDrawn = 0;
  NarrowBackoff backoff;
  for (int pose = 0; pose < 40; ++pose) {
    const Camera camera = randomPose(random, level.rooms, 40.0);
    const ViewPyramid view(camera, viewMatrix(camera));
    const auto designed = designedSpaces(built->scene, root, view);
    CullingTrace soundTrace, narrowTrace;
    const auto sound = soundSpaces(built->scene, root, view, built->level.links, nullptr, &soundTrace);
    const auto narrow = narrowedSpaces(built->scene, root, view, built->level.sight, nullptr, &narrowTrace);
    const auto narrowVis = narrowedSpaces(built->scene, root, view, built->level.sight, &vis);
    const auto autoVis = chooseSpaces(automatic, built->scene, root, view, {.links = &built->level.links, .vis = &vis});
    // Tracing changes no frame, and the passages traced as passed lead to
    // exactly the Spaces drawn after the eye's.
    EXPECT_EQ(sound, soundSpaces(built->scene, root, view, built->level.links));
    EXPECT_EQ(narrow, narrowedSpaces(built->scene, root, view, built->level.sight));
    if (built->level.links.bounds.contains(camera.eye())) {  // else every Space, none tested
      // Sight starts in every Space the view meets before the near plane; a
      // failed passage adds the first of them, which is in already.
      const auto starts = spacesMeeting(built->scene, root, nearViewCorners(view));
      std::set<const BspNode*> reached(starts.begin(), starts.end());
      for (const auto& f : soundTrace.fragments) reached.insert(f.passed ? f.passage->target() : sound.front());
      for (const auto& l : soundTrace.links) reached.insert(l.passed ? l.passage->to : sound.front());
      EXPECT_EQ(reached, std::set(sound.begin(), sound.end())) << describe(camera);
    }
    const auto within = [&camera](const auto& some, const auto& more, const char* what) {
      for (const BspNode* space : some) {
        ASSERT_NE(std::find(more.begin(), more.end(), space), more.end())
            << what << ": Space " << space->number << " at " << describe(camera);
      }
    };
    // Links only add to the designed traversal; narrowing only takes away.
    within(designed, sound, "designed within sound");
    within(narrow, sound, "narrow within sound");
    within(narrowVis, narrow, "narrow + vis within narrow");
    // The viewer's narrowed frame, from pose to pose: narrowed, or where
    // that would cost more than it saves (or did in the frames before), the
    // portal traversal of the level.
    const auto& portal = automatic == Culling::Designed ? designed : sound;
    const auto viewed = chooseSpaces(Culling::Narrow, built->scene, root, view,
                                     {.links = level.closed ? nullptr : &built->level.links,
                                      .sight = &built->level.sight, .backoff = &backoff});
    EXPECT_TRUE(viewed == narrow || viewed == portal) << describe(camera);
    const auto pixels = hits.cast(camera, 48, 36);
    for (const auto* drawn : {&portal, &narrow, &narrowVis, &autoVis, &viewed}) {
      const std::uint64_t hidden = hiddenSpace(pixels, *drawn);
      ASSERT_EQ(hidden, 0U) << level.name << (drawn == &narrow ? " (narrow)" : drawn == &narrowVis ? " (narrow + vis)" : drawn == &autoVis ? " (auto + vis)" : drawn == &viewed ? " (viewer's narrow)" : "")
                            << ": a pixel shows Space " << hidden << ", which is not drawn, at " << describe(camera);
    }
    soundDrawn += sound.size();
    narrowDrawn += narrow.size();
  }
  // Walls stop the narrowed sight lines, where cell faces let the sound ones
  // through.
  EXPECT_LT(3 * narrowDrawn, 2 * soundDrawn) << narrowDrawn << " against " << soundDrawn;
}

INSTANTIATE_TEST_SUITE_P(Levels, CullingProperty, ::testing::Range<std::size_t>(0, levelCases().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& param) { return std::string(levelCases()[param.param].name); });

// A camera at `eye` looking along the unit vector `forward`: forward is
// (sin yaw cos pitch, -sin pitch, -cos yaw cos pitch).
Camera lookingAlong(const Point3& eye, const Point3& forward) {
  Camera camera;
  camera.tx = static_cast<float>(-eye.x);
  camera.ty = static_cast<float>(-eye.y);
  camera.tz = static_cast<float>(-eye.z);
  camera.pitch = static_cast<float>(-std::asin(forward.y) * 180.0 / std::numbers::pi);
  camera.yaw = static_cast<float>(std::atan2(forward.x, -forward.z) * 180.0 / std::numbers::pi);
  camera.aspect = 4.0f / 3.0f;
  return camera;
}

SetsRequest fullSets() {
  SetsRequest request;
  request.full = true;
  return request;
}

// Fast sets whose every flood goes on as the looser one at once, as the
// floods of a large level's open areas do.
SetsRequest looseSets() {
  SetsRequest request;
  request.floodTests = 0;
  return request;
}

// From a point at least kEyeReach deep inside every region of the sight
// graph, looking a random way, every Space a pixel shows may be seen by the
// fast, the loosely flooded and the full sets: it is in the set of the eye's
// Space, or the eye is in a region that is no source (every region of a
// level that leaks sees out of it). The full sets hold no more than the fast
// ones, and those no more than the loose ones.
TEST_P(CullingProperty, setsHoldFromInsideEveryRegion) {
  const LevelCase level = levelCases()[GetParam()];
  const auto built = build(level.mesh, true);
  const BspNode& root = *built->level.compiled->root;
  const VisibleSets& fast = *built->level.visibleSets;
  const SightGraph& sight = built->level.sight;
  SetsReport report;
  const VisibleSets loose = findVisibleSets(sight, levelBounds(built->scene), looseSets(), report);
  EXPECT_EQ(report.floodsGaveUp, 0U) << level.name;
  const VisibleSets full = findVisibleSets(sight, levelBounds(built->scene), fullSets(), report);
  EXPECT_EQ(report.cutShort, 0U) << level.name;
  for (std::uint64_t from = 1; from <= fast.spaces(); ++from) {
    for (std::uint64_t to = 1; to <= fast.spaces(); ++to) {
      ASSERT_TRUE(!full.sees(from, to) || fast.sees(from, to));
      ASSERT_TRUE(!fast.sees(from, to) || loose.sees(from, to));
    }
  }
  const FirstHits hits(built->scene, root);
  std::mt19937 random(23);
  std::exponential_distribution<double> weight;
  std::normal_distribution<double> axis;
  std::size_t restricted = 0;
  for (std::uint32_t r = 0; r < sight.regions.size(); ++r) {
    const std::vector<Point3> corners = regionCorners(sight.regions[r], levelBounds(built->scene));
    // A random point of the corners' hull, which is the region.
    Point3 eye;
    for (int attempt = 0; attempt < 8 && !corners.empty(); ++attempt) {
      Point3 sum;
      double total = 0.0;
      for (const Point3& corner : corners) {
        const double w = weight(random);
        sum = sum + w * corner;
        total += w;
      }
      eye = (1.0 / total) * sum;
      if (sight.regions[r].depthOf(eye) >= kEyeReach) break;
    }
    if (corners.empty() || sight.regions[r].depthOf(eye) < kEyeReach) continue;
    const Camera camera = lookingAlong(eye, Point3{axis(random), axis(random), axis(random)}.normalized());
    const std::uint64_t from = locateSpace(built->scene, root, eye).number;
    for (const auto& pixel : hits.cast(camera, 16, 12)) {
      for (const VisibleSets* vis : {&fast, &loose, &full}) {
        ASSERT_TRUE(std::any_of(pixel.begin(), pixel.end(), [&](const BspNode* s) { return maySee(vis, eye, from, s->number); }))
            << level.name << (vis == &full ? " (full)" : vis == &loose ? " (loose)" : " (fast)") << ": region " << r
            << " shows Space " << (*pixel.begin())->number << ", not in the set of Space " << from << ", at "
            << describe(camera);
      }
    }
    restricted += !full.unrestricted(from, eye);
  }
  // Where the level does not leak, the sets restrict, the loose ones too.
  if (report.open == 0) {
    EXPECT_GT(restricted, 0U) << level.name;
    std::uint64_t looselySeen = 0;
    for (std::uint64_t from = 1; from <= loose.spaces(); ++from) looselySeen += loose.count(from);
    EXPECT_LT(looselySeen, loose.spaces() * loose.spaces()) << level.name;
  }
}

// Which passages of a level's sight regions an eye stands in front of.
using PassagesOf = std::vector<const OpenLink*> (*)(const SightGraph&);

// An eye `distance` in front of every 5th of the passages `pick` gives
// (sight passages or walls, facing the eye), looking straight at it: on the
// closed rooms and the level with holes, narrowed culling draws every Space
// a pixel shows.
void expectNarrowSeesFromRightInFront(PassagesOf pick, double distance) {
  for (const std::size_t index : {std::size_t{0}, std::size_t{2}}) {
    const LevelCase level = levelCases()[index];
    const auto built = build(level.mesh, false);
    const BspNode& root = *built->level.compiled->root;
    const FirstHits hits(built->scene, root);
    const std::vector<const OpenLink*> passages = pick(built->level.sight);
    for (std::size_t p = 0; p < passages.size(); p += 5) {
      const OpenLink& view = *passages[p];
      const Camera camera =
          lookingAlong(cornerMean(view.corners) + distance * view.plane.normal, -1.0 * view.plane.normal);
      const auto narrow = narrowedSpaces(built->scene, root, ViewPyramid(camera, viewMatrix(camera)), built->level.sight);
      const std::uint64_t hidden = hiddenSpace(hits.cast(camera, 32, 24), narrow);
      ASSERT_EQ(hidden, 0U) << level.name << ": a pixel shows Space " << hidden << ", which is not drawn, at "
                            << describe(camera);
    }
  }
}

// An eye a hair's breadth in front of a sight passage, looking straight
// through it, closer to its plane than the view windows' near depth: the
// passage still leads on.
TEST(NarrowCulling, seesThroughAPassageRightInFrontOfTheEye) {
  expectNarrowSeesFromRightInFront(
      [](const SightGraph& sight) {
        std::vector<const OpenLink*> passages;
        for (const SightPassage& passage : sight.sightPassages) passages.push_back(&passage.view);
        return passages;
      },
      5.0 * kPlaneTolerance);
}

// An eye nearer to a wall than the near plane, looking straight at it: the
// wall is not drawn, and the pixels show what lies behind it (a neighbouring
// room, a corridor), which narrowed culling draws too.
TEST(NarrowCulling, seesPastAWallNearerThanTheNearPlane) {
  expectNarrowSeesFromRightInFront(
      [](const SightGraph& sight) {
        std::vector<const OpenLink*> walls;
        for (const OpenLink& wall : sight.walls) walls.push_back(&wall);
        return walls;
      },
      0.5 * kNearPlane);
}

// A camera standing still where narrowing gave up does not try again: the
// same view with no more tests would give up again. The frames without a
// try still count down, and a move tries at once when none are left.
TEST(NarrowCulling, aStillViewThatGaveUpIsNotTriedAgain) {
  const LevelCase level = levelCases()[2];
  const auto built = build(level.mesh, false);
  const BspNode& root = *built->level.compiled->root;
  const CullingInputs plain{.links = &built->level.links, .sight = &built->level.sight};
  // A pose that narrowing cannot finish with the tests the viewer allows.
  std::mt19937 random(3);
  Camera camera;
  const auto givesUp = [&](const Camera& at) {
    const ViewPyramid view(at, viewMatrix(at));
    std::size_t triangles = 0;
    for (const BspNode* space : chooseSpaces(Culling::Sound, built->scene, root, view, plain)) {
      triangles += space->triangles.size();
    }
    const auto tests = kNarrowTestsAnyway + static_cast<std::size_t>(kNarrowTestsPerTriangle * triangles);
    return !narrowedSpacesWithin(built->scene, root, view, built->level.sight, tests, nullptr, nullptr);
  };
  do {
    camera = randomPose(random, level.rooms, 40.0);
  } while (!givesUp(camera));
  NarrowBackoff backoff;
  CullingInputs inputs = plain;
  inputs.backoff = &backoff;
  const auto frame = [&](const Camera& at) {
    const ViewPyramid view(at, viewMatrix(at));
    EXPECT_EQ(chooseSpaces(Culling::Narrow, built->scene, root, view, inputs),
              chooseSpaces(Culling::Sound, built->scene, root, view, plain));
  };
  frame(camera);  // gives up: one frame untried, two after the next
  EXPECT_EQ(std::pair(backoff.untried, backoff.nextUntried), std::pair(1, 2));
  frame(camera);
  frame(camera);
  frame(camera);
  EXPECT_EQ(std::pair(backoff.untried, backoff.nextUntried), std::pair(0, 2));
  camera.yaw += 0.001f;
  ASSERT_TRUE(givesUp(camera));
  frame(camera);  // tries and gives up
  EXPECT_EQ(std::pair(backoff.untried, backoff.nextUntried), std::pair(2, 4));
}

}  // namespace
}  // namespace pw
