// The fast build's per-list analysis against the straightforward one:
// counts derived from a parent's equal counts made afresh, the convexity
// answers agree three ways, and the cutter choice over groups picks the
// straightforward cutter.
#include "bsp/plane_counting.h"

#include <gtest/gtest.h>

#include <vector>

#include "bsp/corner_bvh.h"
#include "bsp/worker_pool.h"
#include "bsp_test_support.h"
#include "scene/scene.h"
#include "tools/levelgen.h"

namespace pw {
namespace {

using testing_support::indices;
using testing_support::ScratchDir;

PlaneGroups countedAfresh(const Scene& scene, const std::vector<std::uint32_t>& list, WorkerPool& pool) {
  PlaneGroups groups = groupByPlane(scene, list);
  countPlanes(scene, list, groups, CornerBvh(scene, list), pool);
  return groups;
}

void expectSameCountsPerEntry(const PlaneGroups& expected, const PlaneGroups& actual) {
  ASSERT_EQ(expected.groupOf.size(), actual.groupOf.size());
  for (std::size_t e = 0; e < expected.groupOf.size(); ++e) {
    const PlaneCounts& a = expected.groups[expected.groupOf[e]].counts;
    const PlaneCounts& b = actual.groups[actual.groupOf[e]].counts;
    ASSERT_EQ(a.splits, b.splits) << "entry " << e;
    ASSERT_EQ(a.behind, b.behind) << "entry " << e;
    ASSERT_EQ(a.front, b.front) << "entry " << e;
  }
}

// A small deterministic generator for the partitions below.
class Draw {
 public:
  explicit Draw(std::uint64_t seed) : state_(seed) {}
  std::uint64_t below(std::uint64_t n) {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return (state_ >> 33) % n;
  }

 private:
  std::uint64_t state_;
};

// Any partition of an unchanged list: each side's derived counts are the
// counts it gets afresh, for a lopsided split one way and the other.
TEST(PlaneCounting, derivedChildCountsEqualFreshCounts) {
  // The long level gives a child with pairs enough to be spread over the
  // pool (a few hundred planes against about 1500 entries).
  const Mesh meshes[] = {randomSoup(200, 3), layoutMesh(roomsAndCorridors({2, 2, 1, 5})), deepLevel(150),
                         layoutMesh(roomsAndCorridors(roomsForSize(16000)))};
  for (const unsigned threads : {1u, 3u}) {
    WorkerPool pool(threads);
    bool derivedInParallel = false;
    for (const Mesh& mesh : meshes) {
      Scene scene;
      appendToScene(mesh, scene);
      std::vector<std::uint32_t> list = scene.allTriangleIndices();
      list.push_back(list[7]);  // one triangle, two entries
      const PlaneGroups parent = countedAfresh(scene, list, pool);
      Draw draw(threads);
      for (const std::uint64_t share : {2u, 12u, 200u}) {
        if (list.size() > 1000 && share != 12) continue;  // one partition of the long list
        std::vector<ChildSide> sides(list.size());
        std::vector<std::uint32_t> front;
        std::vector<std::uint32_t> behind;
        for (std::size_t e = 0; e < list.size(); ++e) {
          sides[e] = draw.below(share) == 0 ? ChildSide::Front : ChildSide::Behind;
          (sides[e] == ChildSide::Front ? front : behind).push_back(list[e]);
        }
        for (const auto& [keep, childList] :
             {std::pair{ChildSide::Front, &front}, std::pair{ChildSide::Behind, &behind}}) {
          PlaneGroups derived;
          const std::uint64_t loopsBefore = pool.parallelLoops();
          if (!deriveChildCounts(scene, list, parent, sides, keep, pool, derived)) continue;
          derivedInParallel = derivedInParallel || pool.parallelLoops() > loopsBefore;
          ASSERT_TRUE(derived.counted);
          expectSameCountsPerEntry(countedAfresh(scene, *childList, pool), derived);
          // Groups in the order of their first entries in the child.
          for (std::size_t g = 1; g < derived.groups.size(); ++g) {
            EXPECT_LT(derived.groups[g - 1].first, derived.groups[g].first);
          }
        }
      }
    }
    EXPECT_EQ(derivedInParallel, threads > 1);
  }
}

// Deriving pays off only when the other side is small next to the child.
TEST(PlaneCounting, derivationIsDeclinedWhenTheOtherSideIsLarge) {
  Scene scene;
  appendToScene(deepLevel(200), scene);
  const std::vector<std::uint32_t> list = scene.allTriangleIndices();
  WorkerPool pool(1);
  const PlaneGroups parent = countedAfresh(scene, list, pool);
  std::vector<ChildSide> sides(list.size(), ChildSide::Behind);
  sides[5] = ChildSide::Front;
  PlaneGroups front;
  EXPECT_FALSE(deriveChildCounts(scene, list, parent, sides, ChildSide::Front, pool, front));
  EXPECT_FALSE(front.counted);
  PlaneGroups behind;
  EXPECT_TRUE(deriveChildCounts(scene, list, parent, sides, ChildSide::Behind, pool, behind));
  EXPECT_EQ(behind.groupOf.size(), list.size() - 1);
}

// Sub-lists of several levels, some convex (one room, a room's floor and
// ceiling), most not: the three convexity answers and the two cutter
// choices agree.
TEST(PlaneCounting, convexityAndChoiceAgreeWithTheStraightforwardOnes) {
  const Mesh meshes[] = {randomSoup(60, 8), layoutMesh(roomsAndCorridors({1, 2, 1, 2})), deepLevel(60)};
  WorkerPool pool(2);
  Draw draw(17);
  for (const Mesh& mesh : meshes) {
    Scene scene;
    appendToScene(mesh, scene);
    const ScratchDir dir;
    const BspBuilder straightforward(&scene, dir.path(), {BuildStrategy::Straightforward, 1});
    const BspBuilder fast(&scene, dir.path(), {BuildStrategy::Fast, 2});
    for (int trial = 0; trial < 60; ++trial) {
      std::vector<std::uint32_t> list;
      const std::uint64_t share = 1 + draw.below(12);
      const std::uint64_t start = draw.below(static_cast<std::uint64_t>(scene.triangleCount()));
      for (std::uint32_t t = 0; t < static_cast<std::uint32_t>(scene.triangleCount()); ++t) {
        if ((t + start) % share == 0 || (trial % 5 == 0 && t >= start && t < start + 12)) list.push_back(t);
      }
      if (trial % 7 == 0 && !list.empty()) list.push_back(list.front());
      const bool expected = straightforward.isConvex(list);
      const PlaneGroups groups = groupByPlane(scene, list);
      EXPECT_EQ(isConvexPruned(scene, list, groups, CornerBvh(scene, list)), expected) << "trial " << trial;
      EXPECT_EQ(fast.isConvex(list), expected) << "trial " << trial;
      if (list.empty()) continue;
      EXPECT_EQ(isConvexFromCounts(scene, list, countedAfresh(scene, list, pool)), expected) << "trial " << trial;
      const CutterChoice a = straightforward.chooseCutterWithCounts(list);
      const CutterChoice b = fast.chooseCutterWithCounts(list);
      EXPECT_EQ(a.cutter, b.cutter) << "trial " << trial;
      EXPECT_EQ(a.splits, b.splits);
      EXPECT_EQ(a.behind, b.behind);
      EXPECT_EQ(a.front, b.front);
    }
  }
}

}  // namespace
}  // namespace pw
