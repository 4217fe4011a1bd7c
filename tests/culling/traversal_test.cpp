#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "bsp/bsp_node.h"
#include "cells/visible_sets.h"
#include "compile/build_level.h"
#include "culling/camera.h"
#include "culling/choose_spaces.h"
#include "culling/region_traversal.h"
#include "culling/space_traversal.h"
#include "culling/view_matrix.h"
#include "portal/portal.h"
#include "regions/sight_graph.h"
#include "scene/scene.h"

namespace pw {
namespace {


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

// Each case links Spaces by fragments, in order, and lists the frame and how
// many fragments its trace lists as rejected (those skipped untested are not
// listed; one passed fragment leads to each Space after the eye's).
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
    std::ptrdiff_t rejected = 0;
  } cases[] = {
      {"breadthFirst", {{&a, &b}, {&a, &d}, {&b, &c}}, -0.5f, {&a, &b, &d, &c}},
      {"eyeSpaceFirstWhereverTheEyeIs", {{&a, &b}, {&e, &c}}, 0.5f, {&e, &c}},
      {"unknownTargetSkipped", {{&a, nullptr}, {&a, &b}}, -0.5f, {&a, &b}},
      // Twice into B, then back into A and into B itself.
      {"neighbourDrawnOnce", {{&a, &b}, {&a, &b}, {&b, &a}, {&b, &b}}, -0.5f, {&a, &b}},
      {"onlyFailingFragments", {{&a, &b, Kind::FacingAway}, {&a, &b, Kind::OutOfView}}, -0.5f, {&a}, 2},
      {"failedFragmentLeavesAnotherWay", {{&a, &b, Kind::FacingAway}, {&a, &c}, {&c, &b}}, -0.5f, {&a, &c, &b}, 1},
      // C's fragment lies outside what B's lets through: each fragment is
      // tested against the full view, not a narrowed one.
      {"viewNotNarrowed", {{&a, &b, Kind::Visible, -0.45}, {&b, &c, Kind::Visible, 0.45}}, -0.5f, {&a, &b, &c}},
  };
  for (const auto& row : cases) {
    for (BspNode* space : {&a, &b, &c, &d, &e}) space->portals.clear();
    for (const Link& l : row.links) link(*l.from, l.to, l.kind, l.x);
    camera.tz = row.tz;
    CullingTrace trace;
    EXPECT_EQ(designedSpaces(scene, root, ViewPyramid(camera, viewMatrix(camera)), nullptr, &trace), row.frame) << row.name;
    const auto rejected = std::count_if(trace.fragments.begin(), trace.fragments.end(),
                                        [](const auto& tested) { return !tested.passed; });
    EXPECT_EQ(trace.fragments.size() - static_cast<std::size_t>(rejected), row.frame.size() - 1) << row.name;
    EXPECT_EQ(rejected, row.rejected) << row.name;
  }
}

TEST_F(HandTree, drawAllListsTheEyeSpaceFirstThenTheTree) {
  EXPECT_EQ(allSpaces(scene, root, camera.eye()), (SpaceList{&a, &e}));
  camera.tz = 0.5f;
  EXPECT_EQ(allSpaces(scene, root, camera.eye()), (SpaceList{&e, &a}));
}

// From the sample's start pose the designed portals lead on to Spaces 11 and
// 18 through doorways seen only through other doorways' edges; narrowing the
// view through each doorway leaves them out, and the screenshots of both
// modes are the same picture.
TEST(SampleLevel, narrowingLeavesOutWhatNoSightLineReaches) {
  Scene scene;
  LevelRequest request;
  request.compile.levelPath = std::filesystem::path(PORTALWALK_LEVELS_DIR) / "folyosos.obj";
  request.compile.build.writeLogs = false;
  request.sightRegions = true;
  const BuiltLevel built = buildLevel(scene, request);
  const CompiledTree* level = built.compiled.get();
  const SightGraph& sight = built.sight;
  Camera start;
  start.aspect = 4.0f / 3.0f;
  const ViewPyramid view(start, viewMatrix(start));
  const auto numbers = [](const SpaceList& spaces) {
    std::vector<std::uint64_t> out;
    for (const BspNode* space : spaces) out.push_back(space->number);
    return out;
  };
  EXPECT_EQ(numbers(designedSpaces(scene, *level->root, view)),
            (std::vector<std::uint64_t>{1, 3, 2, 5, 4, 11, 18}));
  EXPECT_EQ(numbers(narrowedSpaces(scene, *level->root, view, sight)),
            (std::vector<std::uint64_t>{1, 3, 2, 5, 4}));
  // Narrowing this view is cheap beside drawing the two Spaces it leaves out.
  EXPECT_EQ(numbers(chooseSpaces(Culling::Narrow, scene, *level->root, view, {.sight = &sight})),
            (std::vector<std::uint64_t>{1, 3, 2, 5, 4}));
  // A Space out of the eye's visible set is neither drawn nor looked through,
  // in every mode: without Space 3, which every sight line out of the eye's
  // Space crosses, only the eye's Space is drawn. Sets made for eyes
  // elsewhere limit nothing.
  VisibleSets withoutThree(18, levelBounds(scene));
  VisibleSets elsewhere(18, {{100.0, 100.0, 100.0}, {101.0, 101.0, 101.0}});
  for (std::uint64_t space = 1; space <= 18; ++space) {
    if (space != 3) withoutThree.add(1, space);
  }
  EXPECT_EQ(numbers(narrowedSpaces(scene, *level->root, view, sight, &withoutThree)),
            (std::vector<std::uint64_t>{1}));
  EXPECT_EQ(numbers(designedSpaces(scene, *level->root, view, &withoutThree)),
            (std::vector<std::uint64_t>{1}));
  EXPECT_EQ(allSpaces(scene, *level->root, start.eye(), &withoutThree).size(), 17U);
  EXPECT_EQ(numbers(narrowedSpaces(scene, *level->root, view, sight, &elsewhere)),
            (std::vector<std::uint64_t>{1, 3, 2, 5, 4}));
}

}  // namespace
}  // namespace pw
