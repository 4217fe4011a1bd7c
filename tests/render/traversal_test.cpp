#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "bsp/bsp_builder.h"
#include "compile/level_compiler.h"
#include "portal/portal.h"
#include "render/camera.h"
#include "render/portal_renderer.h"
#include "render/view_matrix.h"
#include "scene/scene.h"
#include "tests/support/scratch_dir.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

using testing_support::ScratchDir;

using SpaceList = std::vector<const BspNode*>;

// Hand-made trees. The Scene holds one cutter, the plane z = 0 with its
// front towards +z:
//
//          root (cutter 0: z = 0)
//          /                 |
//   front: A (z >= 0)    behind: E (z < 0)
//
// Further Spaces B, C, D are reachable only through fragments. The camera
// stands at (0, 0, 0.5) looking along -z with a square view.
struct HandTree : ::testing::Test {
  Scene scene;
  BspNode a{{}, {}, 1};
  BspNode e{{}, {}, 2};
  BspNode b{{}, {}, 3};
  BspNode c{{}, {}, 4};
  BspNode d{{}, {}, 5};
  BspNode root{0, &a, &e};
  std::vector<std::unique_ptr<Portal>> fragments;
  Camera camera;

  HandTree() {
    const auto p0 = scene.addVertex({0, 0, 0});
    const auto p1 = scene.addVertex({1, 0, 0});
    const auto p2 = scene.addVertex({0, 1, 0});
    const auto n = scene.addNormal({0, 0, 1});
    scene.addTriangle(p0, p1, p2, n, n, n);
    camera.tx = 0.0f;
    camera.ty = 0.0f;
    camera.tz = -0.5f;
    camera.aspect = 1.0f;
  }

  enum class Kind { Visible, FacingAway, OutOfView };

  // A fragment in `from`'s portal list leading to `to` (null: unknown), a
  // small triangle at z = -1, `x` off the view axis.
  Portal* link(BspNode& from, BspNode* to, Kind kind = Kind::Visible, double x = 0.0) {
    fragments.push_back(std::make_unique<Portal>());
    Portal* fragment = fragments.back().get();
    switch (kind) {
      case Kind::Visible:  // counter-clockwise seen from the eye
        fragment->addTriangle({x - 0.1, -0.1, -1}, {x + 0.1, -0.1, -1}, {x, 0.1, -1});
        break;
      case Kind::FacingAway:
        fragment->addTriangle({-0.1, -0.1, -1}, {0, 0.1, -1}, {0.1, -0.1, -1});
        break;
      case Kind::OutOfView:
        fragment->addTriangle({-0.1, 4.9, -1}, {0.1, 4.9, -1}, {0, 5.1, -1});
        break;
    }
    fragment->setTarget(to);
    from.portals.push_back(fragment);
    return fragment;
  }

  SpaceList frame() const { return visibleSpaces(scene, root, camera, viewMatrix(camera)); }
};

TEST_F(HandTree, eyeOnACutterPlaneCountsAsInFront) {
  struct Case {
    double z;
    const BspNode* space;
  };
  const Case cases[] = {
      {0.5, &a}, {0.0001, &a}, {0.0, &a}, {-0.0001, &a}, {-0.00011, &e}, {-3.0, &e},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(&locateSpace(scene, root, {0.25, 0.25, k.z}), k.space) << k.z;
  }
}

// Each case links Spaces by fragments, in order, and lists the frame.
TEST_F(HandTree, framesDrawEachReachableSpaceOnceBreadthFirst) {
  struct Link {
    BspNode* from;
    BspNode* to;
    Kind kind = Kind::Visible;
    double x = 0.0;
  };
  const struct {
    const char* name;
    std::vector<Link> links;
    float tz;  // -0.5: eye in front of the cutter, in A; 0.5: behind, in E
    SpaceList frame;
  } cases[] = {
      {"breadthFirst", {{&a, &b}, {&a, &d}, {&b, &c}}, -0.5f, {&a, &b, &d, &c}},
      {"eyeSpaceFirstWhereverTheEyeIs", {{&a, &b}, {&e, &c}}, 0.5f, {&e, &c}},
      {"unknownTargetSkipped", {{&a, nullptr}, {&a, &b}}, -0.5f, {&a, &b}},
      // Twice into B, then back into A and into B itself.
      {"neighbourDrawnOnce", {{&a, &b}, {&a, &b}, {&b, &a}, {&b, &b}}, -0.5f, {&a, &b}},
      {"onlyFailingFragments", {{&a, &b, Kind::FacingAway}, {&a, &b, Kind::OutOfView}}, -0.5f, {&a}},
      {"failedFragmentLeavesAnotherWay", {{&a, &b, Kind::FacingAway}, {&a, &c}, {&c, &b}}, -0.5f, {&a, &c, &b}},
      // C's fragment lies outside what B's lets through: each fragment is
      // tested against the full view, not a narrowed one.
      {"viewNotNarrowed", {{&a, &b, Kind::Visible, -0.45}, {&b, &c, Kind::Visible, 0.45}}, -0.5f, {&a, &b, &c}},
  };
  for (const auto& row : cases) {
    for (BspNode* space : {&a, &b, &c, &d, &e}) space->portals.clear();
    for (const Link& l : row.links) link(*l.from, l.to, l.kind, l.x);
    camera.tz = row.tz;
    EXPECT_EQ(frame(), row.frame) << row.name;
  }
}

TEST_F(HandTree, drawAllListsTheEyeSpaceFirstThenTheTree) {
  EXPECT_EQ(allSpaces(scene, root, camera), (SpaceList{&a, &e}));
  camera.tz = 0.5f;
  EXPECT_EQ(allSpaces(scene, root, camera), (SpaceList{&e, &a}));
}

TEST(FrameLine, isTheEyeInDefaultFloatFormatAndTheCount) {
  struct Case {
    float tx, ty, tz;
    int spaces;
    const char* line;
  };
  const Case cases[] = {
      {1.6f, -0.2f, -0.4f, 3, "-1.6 0.2 0.4  spaces: 3\n"},
      {1.6f, -0.2f, -0.349999994f, 1, "-1.6 0.2 0.35  spaces: 1\n"},
      {-1234567.0f, 0.0f, 0.00001f, 12, "1.23457e+06 -0 -1e-05  spaces: 12\n"},
      {-0.5f, 100.25f, 0.125f, 0, "0.5 -100.25 -0.125  spaces: 0\n"},
  };
  for (const Case& c : cases) {
    Camera camera;
    camera.tx = c.tx;
    camera.ty = c.ty;
    camera.tz = c.tz;
    std::ostringstream log;
    writeFrameLine(log, camera, c.spaces);
    EXPECT_EQ(log.str(), c.line);
  }
}

// A simple reference for the set of Spaces a frame draws: grow the set from
// the eye's Space until no fragment of a member leads, visibly, outside it.
std::set<const BspNode*> reachableSpaces(const Scene& scene, const BspNode& root, const Camera& camera) {
  const Matrix4 view = viewMatrix(camera);
  std::set<const BspNode*> reached{&locateSpace(scene, root, camera.eye())};
  for (bool grown = true; grown;) {
    grown = false;
    for (const BspNode* space : std::set<const BspNode*>(reached)) {
      for (const Portal* fragment : space->portals) {
        if (fragment->target() != nullptr && !reached.contains(fragment->target()) &&
            isVisible(*fragment, camera.fieldOfView, camera.aspect, view, camera.eye())) {
          reached.insert(fragment->target());
          grown = true;
        }
      }
    }
  }
  return reached;
}

// Checks one frame against the reference: the same set, each Space once,
// the eye's first, and breadth-first: every later Space was found by an
// earlier one, and the finders come in drawing order.
void expectSoundFrame(const Scene& scene, const BspNode& root, const Camera& camera) {
  const Matrix4 view = viewMatrix(camera);
  const SpaceList drawn = visibleSpaces(scene, root, camera, view);
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.front(), &locateSpace(scene, root, camera.eye()));
  const std::set<const BspNode*> unique(drawn.begin(), drawn.end());
  EXPECT_EQ(unique.size(), drawn.size()) << "a Space drawn twice";
  EXPECT_EQ(unique, reachableSpaces(scene, root, camera));

  std::map<const BspNode*, std::size_t> position;
  for (std::size_t i = 0; i < drawn.size(); ++i) position[drawn[i]] = i;
  std::size_t previousFinder = 0;
  for (std::size_t i = 1; i < drawn.size(); ++i) {
    std::size_t finder = drawn.size();
    for (std::size_t j = 0; j < i && finder == drawn.size(); ++j) {
      for (const Portal* fragment : drawn[j]->portals) {
        if (fragment->target() == drawn[i] &&
            isVisible(*fragment, camera.fieldOfView, camera.aspect, view, camera.eye())) {
          finder = j;
          break;
        }
      }
    }
    ASSERT_LT(finder, i) << "Space " << i << " was found by no Space drawn before it";
    EXPECT_GE(finder, previousFinder) << "not breadth-first at Space " << i;
    previousFinder = finder;
  }
}

// A level built with the real builder, and cameras placed around in it.
struct BuiltLevel {
  Scene scene;
  ScratchDir dir;
  std::unique_ptr<CompiledLevel> level;
};

std::unique_ptr<BuiltLevel> buildSample() {
  auto built = std::make_unique<BuiltLevel>();
  CompileOptions options;
  options.levelPath = std::string(PORTALWALK_LEVELS_DIR) + "/folyosos.obj";
  options.outputDir = built->dir.file("");
  built->level = compileLevel(built->scene, options);
  return built;
}

std::unique_ptr<BuiltLevel> buildRooms(const RoomsParams& params) {
  auto built = std::make_unique<BuiltLevel>();
  appendToScene(layoutMesh(roomsAndCorridors(params)), built->scene);
  built->level = std::make_unique<CompiledLevel>();
  built->level->builder = std::make_unique<BspBuilder>(&built->scene, built->dir.file(""));
  built->level->root = built->level->builder->build(built->scene.allTriangleIndices(), {});
  built->level->root->collectLeafFragments();
  return built;
}

TEST(SampleLevel, everyViewDrawsASoundFrame) {
  const auto built = buildSample();
  Camera start;
  start.aspect = 4.0f / 3.0f;
  const SpaceList drawn = visibleSpaces(built->scene, *built->level->root, start, viewMatrix(start));
  // The start room, and through the doorway ahead the corridor and the room
  // beyond it.
  EXPECT_GE(drawn.size(), 4u);
  EXPECT_LT(drawn.size(), collectSpaces(*built->level->root).size()) << "nothing culled";
  for (const float yaw : {0.0f, 45.0f, 90.0f, 180.0f, 270.0f, -30.0f}) {
    for (const float pitch : {0.0f, 20.0f, -35.0f}) {
      for (const float tz : {-0.4f, 1.5f, 4.0f}) {
        Camera camera;
        camera.yaw = yaw;
        camera.pitch = pitch;
        camera.tz = tz;
        camera.aspect = 4.0f / 3.0f;
        SCOPED_TRACE(::testing::Message() << "yaw " << yaw << " pitch " << pitch << " tz " << tz);
        expectSoundFrame(built->scene, *built->level->root, camera);
      }
    }
  }
}

TEST(SampleLevel, drawAllCoversEveryTriangleOnce) {
  const auto built = buildSample();
  const Camera camera;
  const SpaceList all = allSpaces(built->scene, *built->level->root, camera);
  EXPECT_EQ(all.front(), &locateSpace(built->scene, *built->level->root, camera.eye()));
  std::multiset<std::uint32_t> triangles;
  for (const BspNode* space : all) triangles.insert(space->triangles.begin(), space->triangles.end());
  EXPECT_EQ(std::set<std::uint32_t>(triangles.begin(), triangles.end()).size(), triangles.size());
  EXPECT_EQ(all.size(), collectSpaces(*built->level->root).size());
}

class GeneratedLevel : public ::testing::TestWithParam<RoomsParams> {};

TEST_P(GeneratedLevel, everyViewDrawsASoundFrame) {
  const auto built = buildRooms(GetParam());
  // Eyes at every room's centre, looking four ways.
  for (const Box& room : roomsAndCorridors(GetParam()).rooms) {
    for (const float yaw : {0.0f, 90.0f, 180.0f, 270.0f}) {
      Camera camera;
      camera.tx = static_cast<float>(-(room.min.x + room.max.x) / 2);
      camera.ty = static_cast<float>(-(room.min.y + 0.5));
      camera.tz = static_cast<float>(-(room.min.z + room.max.z) / 2);
      camera.yaw = yaw;
      camera.aspect = 4.0f / 3.0f;
      SCOPED_TRACE(::testing::Message() << "eye " << -camera.tx << " " << -camera.ty << " " << -camera.tz
                                        << " yaw " << yaw);
      expectSoundFrame(built->scene, *built->level->root, camera);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(RoomsAndCorridors, GeneratedLevel,
                         ::testing::Values(RoomsParams{2, 2, 1, 1}, RoomsParams{2, 3, 1, 7},
                                           RoomsParams{3, 3, 1, 42}));

}  // namespace
}  // namespace pw
