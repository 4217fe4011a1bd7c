// The fast build against the straightforward one, its reference: the same
// "out.log", "contours.log" and "tris.log" byte for byte, the same Scene bit
// for bit and the same figures, whatever the number of threads.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "bsp/bsp_builder.h"
#include "bsp/fast/corner_bvh.h"
#include "bsp/fast/plane_counting.h"
#include "bsp_test_support.h"
#include "scene/obj_reader.h"
#include "scene/scene.h"
#include "support/worker_pool.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

using testing_support::moved;
using testing_support::readFile;
using testing_support::sameBits;
using testing_support::ScratchDir;

struct Outcome {
  Scene scene;
  BuildStats stats;
  std::vector<std::string> logs;  // "out.log", "contours.log", "tris.log" ("missing" when not written)
};

constexpr const char* kLogs[] = {"out.log", "contours.log", "tris.log"};

// Builds with these options and keeps what can be compared.
std::unique_ptr<Outcome> buildWith(const std::function<void(Scene&)>& fill, TreeOptions options) {
  auto outcome = std::make_unique<Outcome>();
  fill(outcome->scene);
  const ScratchDir dir;
  outcome->stats = testing_support::buildAndDump(outcome->scene, dir.path(), options);
  for (const char* log : kLogs) {
    outcome->logs.push_back(std::filesystem::exists(dir.file(log)) ? readFile(dir.file(log)) : "missing");
  }
  return outcome;
}

void expectSameOutcome(const Outcome& expected, const Outcome& actual) {
  // Whole-file comparisons: a mismatch prints both, so only say whether.
  for (std::size_t i = 0; i < expected.logs.size(); ++i) {
    EXPECT_TRUE(expected.logs[i] == actual.logs[i]) << kLogs[i] << " differs";
  }
  const auto figures = [](const BuildStats& s) {
    return std::vector<std::uint64_t>{s.innerNodes,
                                      s.spaces,
                                      s.forcedSpaces,
                                      s.maxDepth,
                                      s.trianglesSplit,
                                      s.portalsCreated,
                                      s.planesWithoutRings,
                                      s.planesRefused,
                                      s.planesWithoutArea,
                                      s.planesUntessellable,
                                      s.planesWithoutPortal.size()};
  };
  EXPECT_EQ(figures(expected.stats), figures(actual.stats));
  const Scene& a = expected.scene;
  const Scene& b = actual.scene;
  ASSERT_EQ(a.vertexCount(), b.vertexCount());
  ASSERT_EQ(a.normalCount(), b.normalCount());
  ASSERT_EQ(a.triangleCount(), b.triangleCount());
  for (std::int32_t v = 0; v < a.vertexCount(); ++v) ASSERT_TRUE(sameBits(a.vertex(v), b.vertex(v))) << "vertex " << v;
  for (std::int32_t n = 0; n < a.normalCount(); ++n) ASSERT_TRUE(sameBits(a.normal(n), b.normal(n))) << "normal " << n;
  for (std::int32_t t = 0; t < a.triangleCount(); ++t) {
    for (int k = 0; k < 3; ++k) {
      ASSERT_EQ(a.triangle(t).vertexIndex(k), b.triangle(t).vertexIndex(k)) << "triangle " << t;
      ASSERT_EQ(a.triangle(t).normalIndex(k), b.triangle(t).normalIndex(k)) << "triangle " << t;
    }
    ASSERT_TRUE(sameBits(a.triangle(t).planeNormal(), b.triangle(t).planeNormal())) << "triangle " << t;
  }
}

// Separate random triangles plus what makes plane grouping and counting
// delicate: faces listed twice (one triangle, two entries), zero-area faces,
// a back-to-back copy, and tiles on a few axis planes facing both ways,
// whose normals carry -0 as well as +0 components and whose anchors differ
// along the plane.
Mesh soupWithTroubles(std::uint64_t seed) {
  Mesh mesh = randomSoup(90, seed);
  const std::size_t soupFaces = mesh.faces.size();
  for (std::size_t f = 0; f < soupFaces; f += 9) mesh.faces.push_back(mesh.faces[f]);
  mesh.faces.push_back(
      {{mesh.faces[2].positions[0], mesh.faces[2].positions[2], mesh.faces[2].positions[1]}, {0, 0, 0}});
  auto add = [&mesh](const Point3& p) {
    mesh.positions.push_back(p);
    return static_cast<std::int32_t>(mesh.positions.size() - 1);
  };
  const std::int32_t a = add({1, 1, 1}), b = add({2, 2, 2}), c = add({3, 3, 3});
  mesh.faces.insert(mesh.faces.end(), {{{a, b, c}, {0, 0, 0}}, {{a, a, b}, {0, 0, 0}}});
  for (int i = 0; i < 6; ++i) {
    for (const double height : {-2.0, 0.0, 3.0}) {
      const double x = 2.0 * i - 6;
      const std::int32_t p0 = add({x, height, -1}), p1 = add({x + 1.5, height, -1}), p2 = add({x, height, 0.5});
      // Up, then down: (x, z) winding decides the sign, -0 comes with it.
      mesh.faces.insert(mesh.faces.end(), {{{p0, p2, p1}, {0, 0, 0}}, {{p0, p1, p2}, {0, 0, 0}}});
      const std::int32_t w = add({height, x, 4});
      mesh.faces.push_back({{w, add({height, x + 1, 4}), add({height, x, 6})}, {0, 0, 0}});
    }
  }
  return mesh;
}

struct LevelCase {
  const char* name;
  std::function<void(Scene&)> fill;
};

void PrintTo(const LevelCase& level, std::ostream* out) { *out << level.name; }

std::function<void(Scene&)> fromMesh(std::function<Mesh()> make) {
  return [make](Scene& scene) { appendToScene(make(), scene); };
}

class FastBuildMatchesStraightforward : public ::testing::TestWithParam<LevelCase> {};

TEST_P(FastBuildMatchesStraightforward, logsSceneAndFiguresForOneTwoAndThreeThreads) {
  const LevelCase& level = GetParam();
  const auto reference = buildWith(level.fill, {BuildStrategy::Straightforward, 1});
  ASSERT_GT(reference->stats.innerNodes, 0u);
  for (const unsigned threads : {1u, 2u, 3u}) {
    SCOPED_TRACE("threads " + std::to_string(threads));
    const auto fast = buildWith(level.fill, {BuildStrategy::Fast, threads});
    expectSameOutcome(*reference, *fast);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Levels, FastBuildMatchesStraightforward,
    ::testing::Values(LevelCase{"soup1", fromMesh([] { return randomSoup(150, 1); })},
                      LevelCase{"soup2", fromMesh([] { return randomSoup(150, 2); })},
                      LevelCase{"soup3Turned", fromMesh([] {
                                  return moved(randomSoup(120, 3), 0.7, 0.3, {12, -3, 40});
                                })},
                      LevelCase{"soupWithTroubles4", fromMesh([] { return soupWithTroubles(4); })},
                      LevelCase{"soupWithTroubles5Turned", fromMesh([] {
                                  return moved(soupWithTroubles(5), 1.3, -0.4, {-7, 2, 9});
                                })},
                      LevelCase{"rooms", fromMesh([] { return layoutMesh(roomsAndCorridors({})); })},
                      LevelCase{"roomsTurned", fromMesh([] {
                                  return moved(layoutMesh(roomsAndCorridors({2, 3, 1, 7})), 0.3, 0.1, {5.5, -2, 7});
                                })},
                      // Turned about an oblique axis and rounded: nearly every face its own
                      // plane, counted in bundles of nearly coinciding ones.
                      LevelCase{"rooms1kTurned", fromMesh([] {
                                  return moved(layoutMesh(roomsAndCorridors(roomsForSize(1000))), 0.6, 0.45,
                                               {3, -1, 2});
                                })},
                      // Over 4096 triangles: counted on several threads.
                      LevelCase{"rooms4k", fromMesh([] { return layoutMesh(roomsAndCorridors(roomsForSize(4000))); })},
                      LevelCase{"deep", fromMesh([] { return deepLevel(300); })},
                      LevelCase{"sampleLevel",
                                [](Scene& scene) {
                                  ObjReader(std::filesystem::path(PORTALWALK_LEVELS_DIR) / "folyosos.obj").read(scene);
                                }}),
    [](const auto& param) { return std::string(param.param.name); });

// A level whose root list is long enough to be counted on several threads:
// every thread count gives the one-thread build (which the cases above hold
// to the straightforward one).
TEST(FastBuild, levelCountedInParallelComesOutTheSameForEveryThreadCount) {
  const auto fill = fromMesh([] { return layoutMesh(roomsAndCorridors(roomsForSize(16000))); });
  const auto oneThread = buildWith(fill, {BuildStrategy::Fast, 1});
  EXPECT_EQ(oneThread->stats.parallelLoops, 0u);
  EXPECT_GT(oneThread->stats.trianglesSplit, 0u);
  for (const unsigned threads : {2u, 3u}) {
    SCOPED_TRACE("threads " + std::to_string(threads));
    const auto parallel = buildWith(fill, {BuildStrategy::Fast, threads});
    EXPECT_GT(parallel->stats.parallelLoops, 0u);
    expectSameOutcome(*oneThread, *parallel);
  }
}

// A floor of unit triangles whose heights wander by less than the plane
// tolerance, with walls standing on it from above and hanging from below:
// nearly coinciding planes whose corners lie all about the tolerance's edges.
Mesh roughFloor(int cells) {
  Mesh mesh;
  mesh.normals.push_back({0, 1, 0});
  std::uint64_t state = 12345;
  const auto wobble = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return (static_cast<double>(state >> 11) * 0x1p-53 - 0.5) * 3e-4;
  };
  const auto at = [&](int i, int j) { return static_cast<std::int32_t>(i * (cells + 1) + j); };
  for (int i = 0; i <= cells; ++i) {
    for (int j = 0; j <= cells; ++j) mesh.positions.push_back({double(i), wobble(), double(j)});
  }
  for (int i = 0; i < cells; ++i) {
    for (int j = 0; j < cells; ++j) {
      mesh.faces.push_back({{at(i, j), at(i, j + 1), at(i + 1, j)}, {0, 0, 0}});
      mesh.faces.push_back({{at(i + 1, j), at(i, j + 1), at(i + 1, j + 1)}, {0, 0, 0}});
      if ((i + 2 * j) % 7 != 0) continue;
      const auto top = static_cast<std::int32_t>(mesh.positions.size());
      mesh.positions.push_back({double(i), (i + j) % 2 == 0 ? 1.0 : -1.0, double(j)});
      mesh.faces.push_back({{at(i, j), at(i + 1, j), top}, {0, 0, 0}});
    }
  }
  return mesh;
}

// On a turned level nearly every face has a plane of its own, and the planes
// are counted in bundles of nearly coinciding ones: each group's counts are
// still those classifyTriangle gives.
TEST(FastBuild, nearlyCoincidingPlanesAreCountedAsClassifyTriangleCountsThem) {
  const Mesh meshes[] = {moved(layoutMesh(roomsAndCorridors(roomsForSize(1000))), 0.6, 0.45, {3, -1, 2}),
                         moved(roughFloor(24), 0.7, 0.3, {-5, 2, 1})};
  for (const Mesh& mesh : meshes) {
    Scene scene;
    appendToScene(mesh, scene);
    const std::vector<std::uint32_t> list = scene.allTriangleIndices();
    PlaneGroups groups = groupByPlane(scene, list);
    WorkerPool pool(2);
    countPlanes(scene, list, groups, CornerBvh(scene, list), pool);
    for (const PlaneGroup& group : groups.groups) {
      if (!group.counted) continue;
      const Triangle& plane = scene.triangle(static_cast<std::int32_t>(list[group.first]));
      PlaneCounts exact;
      for (const std::uint32_t entry : list) {
        exact.add(plane.classifyTriangle(scene.triangle(static_cast<std::int32_t>(entry))));
      }
      ASSERT_EQ(std::tie(group.counts.splits, group.counts.behind, group.counts.front),
                std::tie(exact.splits, exact.behind, exact.front))
          << "group of entry " << group.first << " of " << list.size();
    }
  }
}

// The deep level is built from counts carried down the tree, not recounted.
TEST(FastBuild, deepLevelDerivesCountsFromTheParent) {
  const auto fast = buildWith(fromMesh([] { return deepLevel(300); }), {});
  EXPECT_GT(fast->stats.derivedCountLists, fast->stats.innerNodes / 2);
}

}  // namespace
}  // namespace pw
